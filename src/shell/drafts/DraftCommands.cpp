#include "shell/drafts/DraftCommands.h"

#include "shell/drafts/DraftReviewDialog.h"
#include "shell/export/ExportCommands.h"
#include "shell/export/XlsxExport.h"
#include "shell/window/CommandContext.h"
#include "shell/window/CommandRegistry.h"

#include "desktop/Desktop.h"
#include "store/StoreError.h"
#include "tree/bill/BomDocument.h"
#include "tree/bill/BomTreeModel.h"
#include "tree/drafts/DraftReview.h"
#include "tree/drafts/DraftTrips.h"
#include "tree/edits/EditHistory.h"
#include "tree/edits/Quantity.h"
#include "tree/reports/PrintedBill.h"

#include <QAction>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <functional>
#include <optional>
#include <unordered_map>
#include <iterator>

namespace shell {

namespace {

/// A row as the three-way question shows it.
QString rowText(const std::optional<store::LineRow>& row) {
    if (!row)
        return QCoreApplication::translate("shell", "no line");
    const QString none = QCoreApplication::translate("shell", "none");
    return QCoreApplication::translate("shell", "quantity %1, start date %2")
        .arg(row->quantity.isNull() ? none : row->quantity.toString(),
             row->startDate.isNull() ? none : row->startDate.toString());
}

class DraftCommands : public QObject {
public:
    explicit DraftCommands(CommandContext& context)
        : QObject(context.window()), m_context(context) {
        // The title says what the draft holds, counted again once an edit has been shown.
        m_recount.setSingleShot(true);
        m_recount.setInterval(50);
        connect(&m_recount, &QTimer::timeout, this, &DraftCommands::recount);
        tree::BomTreeModel* model = &context.model();
        for (const auto signal : {&tree::BomTreeModel::rowsInserted, &tree::BomTreeModel::rowsRemoved})
            connect(model, signal, this, &DraftCommands::noteEdit);
        connect(model, &tree::BomTreeModel::dataChanged, this, &DraftCommands::noteEdit);
        connect(model, &tree::BomTreeModel::modelReset, this, &DraftCommands::noteEdit);
        // Every edit, a quantity's too, is a step of the edit history.
        connect(&model->document().history(), &tree::EditHistory::changed, this,
                &DraftCommands::noteEdit);
        connect(&context.commands(), &CommandRegistry::databaseLeft, this, [this] {
            closeReview();
            // The window forgets every step as another database opens.
            m_kept.clear();
            letGo();
        });
        // The hold on the draft shown is renewed while the window shows it (a hold not renewed
        // lapses, so that an editor that is gone holds nothing), and a draft another editor
        // held is taken once they have closed it.
        m_renew.setInterval(60'000);
        connect(&m_renew, &QTimer::timeout, this, [this] {
            if (!m_shown.isEmpty())
                recount();
        });
        m_renew.start();
    }

    ~DraftCommands() override {
        if (!m_held.location.isEmpty())
            tree::letGoDraftAsWindowCloses(m_held.location, m_held.name);
    }

    void addTo(CommandRegistry& commands) {
        add(commands, "mnuNewDraft", QCoreApplication::translate("shell", "&New Draft\u2026"),
            &DraftCommands::newDraft);
        add(commands, "mnuOpenDraft", QCoreApplication::translate("shell", "Open &Draft\u2026"),
            &DraftCommands::openDraft);
        add(commands, "mnuReviewDraft", QCoreApplication::translate("shell", "Re&view Draft\u2026"),
            &DraftCommands::reviewDraft);
        add(commands, "mnuCompareDraft",
            QCoreApplication::translate("shell", "Compare Draft &With Database\u2026"),
            &DraftCommands::compareDraft);
        add(commands, "mnuCloseDraft", QCoreApplication::translate("shell", "Clos&e Draft"),
            &DraftCommands::closeDraft);
        add(commands, "mnuApplyDraft", QCoreApplication::translate("shell", "A&pply Draft\u2026"),
            &DraftCommands::applyDraft);
        add(commands, "mnuDiscardDraft",
            QCoreApplication::translate("shell", "Disca&rd Draft\u2026"),
            &DraftCommands::discardDraft);
    }

private:
    using Command = void (DraftCommands::*)();
    void add(CommandRegistry& commands, const char* name, const QString& caption,
             Command command) {
        QAction* action = commands.add(MenuGroup::ToolsDrafts, name, caption);
        connect(action, &QAction::triggered, this, [this, command] {
            if (m_context.busy())
                return;
            try {
                (this->*command)();
            } catch (const store::StoreError& error) {
                m_context.desktop().messageBox(error.message(), desktop::OkOnly);
            }
        });
    }

    desktop::Desktop& desktop() { return m_context.desktop(); }
    QString location() const { return m_context.databasePath(); }

    bool needDatabase() {
        if (!location().isEmpty())
            return true;
        desktop().messageBox(
            store::StoreError(store::NoDatabaseChosen,
                              QCoreApplication::translate("shell", "Choose a database first."))
                .message(),
            desktop::OkOnly);
        return false;
    }

    void noteEdit() {
        if (!m_shown.isEmpty() || !tree::shownDraft(location()).isEmpty())
            m_recount.start();
    }

    /// The window's title says which draft it shows and what the draft holds now; another
    /// database chosen meanwhile shows its own tables, or the draft it was left with.
    void recount() {
        m_shown = location().isEmpty() ? QString() : tree::shownDraft(location());
        if (m_shown.isEmpty()) {
            setShown({});
            return;
        }
        if (m_context.busy()) {
            m_recount.start();
            return;
        }
        try {
            setShown(tree::readDraftShown(desktop(), location(), m_shown));
        } catch (const store::StoreError& error) {
            if (error.number() == store::DraftNotOpen || error.number() == store::DraftNotFound) {
                // Applied or discarded by another editor meanwhile: every read of the draft
                // would fail now, so the window shows the tables again and says why (in a box:
                // the load that follows takes the status bar).
                closeReview();
                switchTo({}, false);
                showAgain();
                desktop().messageBox(
                    QCoreApplication::translate("shell", "%1 The window shows the database again.")
                        .arg(error.message()),
                    desktop::OkOnly);
                return;
            }
            // The draft cannot be read now (a server gone, a damaged history): the title says
            // why until it can.
            m_context.model().setDraftLines({});
            setTitle(error.message());
        }
    }

    /// The title says which draft the window shows and what it holds, and the tree marks its
    /// lines; none: the tables themselves.
    void setShown(const std::optional<tree::DraftShown>& shown) {
        m_context.model().setDraftLines(shown ? shown->lines : QHash<QString, tree::DraftMark>());
        if (!shown) {
            setTitle({});
            return;
        }
        QString title = tree::draftShownText(m_shown, shown->counts);
        if (shown->editor.here)
            m_held = {location(), m_shown};
        else
            title += QStringLiteral(" \u2014 ") + tree::draftReadOnlyText(shown->editor);
        setTitle(title);
    }

    /// Gives up the hold on the draft this window held for editing, where it shows it no more.
    void letGo() {
        if (m_held.location.isEmpty() ||
            (m_held.location == location() && m_held.name == tree::shownDraft(location())))
            return;
        const Held held = std::exchange(m_held, {});
        try {
            tree::letGoDraft(desktop(), held.location, held.name);
        } catch (const store::StoreError&) {
            // Not renewed, it lapses.
        }
    }

    void setTitle(const QString& draft) {
        if (m_title.isEmpty())
            m_title = m_context.window()->windowTitle();
        m_context.window()->setWindowTitle(
            draft.isEmpty() ? m_title : m_title + QStringLiteral(" — ") + draft);
    }

    /// The tree shown again from the store as it now reads (with the draft applied, or not),
    /// and the title saying which.
    void showAgain() {
        m_shown = tree::shownDraft(location());
        // The review follows the draft shown: another draft, or none, closes it.
        if (m_review && m_review->review().draft.name != m_shown)
            closeReview();
        if (m_shown.isEmpty())
            setShown({});
        else
            setShown(tree::readDraftShown(desktop(), location(), m_shown));
        if (const QString item = m_context.model().topAssembly(); !item.isEmpty())
            m_context.loadItem(item);
    }

    /// Shows the draft `name` (none: the tables) from now on, with its own undo steps: those
    /// of what was shown are kept for its return (`keepLeaving`) or dropped (a draft applied or
    /// discarded, whose steps would write its rows into the tables).
    void switchTo(const QString& name, bool keepLeaving) {
        const QString from = tree::shownDraft(location());
        tree::showDraft(location(), name);
        if (from == name)
            return;
        letGo();
        tree::EditHistory::Kept coming;
        if (const auto kept = m_kept.find(keptKey(name)); kept != m_kept.end()) {
            coming = std::move(kept->second);
            m_kept.erase(kept);
        }
        tree::EditHistory::Kept leaving =
            m_context.model().document().history().exchange(std::move(coming));
        if (keepLeaving)
            m_kept.insert_or_assign(keptKey(from), std::move(leaving));
    }
    QString keptKey(const QString& draft) const { return location() + QChar(0) + draft; }

    void show(const QString& name) {
        switchTo(name, true);
        try {
            showAgain();
        } catch (...) {
            // A draft that cannot be read is not shown: edits never go anywhere unseen.
            switchTo({}, false);
            throw;
        }
    }

    void newDraft() {
        if (!needDatabase())
            return;
        const auto fields = desktop().formBox(
            QCoreApplication::translate("shell", "New Draft"),
            QCoreApplication::translate(
                "shell", "A draft holds changes until it is applied; the database gains "
                         "nothing before."),
            {{QCoreApplication::translate("shell", "Name"), {}},
             {QCoreApplication::translate("shell", "Reason"), {}}});
        if (!fields)
            return;
        const store::DraftInfo draft =
            tree::makeDraft(desktop(), location(), fields->at(0).trimmed(), fields->at(1));
        show(draft.name);
    }

    void openDraft() {
        if (!needDatabase())
            return;
        QStringList open;
        for (const store::DraftInfo& draft : tree::readDrafts(desktop(), location()))
            if (draft.state == store::DraftState::Open)
                open.append(draft.name);
        if (open.isEmpty()) {
            desktop().messageBox(
                QCoreApplication::translate("shell", "This database has no open draft."),
                desktop::OkOnly);
            return;
        }
        // One name a line, a long one shortened and a long list cut, so that the box stays on
        // the screen with its buttons; the name typed is taken in full.
        constexpr qsizetype Longest = 60;
        constexpr qsizetype Listed = 20;
        QStringList lines;
        for (const QString& listed : std::as_const(open).first(std::min(open.size(), Listed)))
            lines.append(listed.size() > Longest ? listed.left(Longest - 1) + QChar(0x2026)
                                                 : listed);
        if (open.size() > Listed)
            lines.append(QCoreApplication::translate("shell", "… and %n more", nullptr,
                                                     int(open.size() - Listed)));
        const std::optional<QString> name =
            desktop().inputBox(QCoreApplication::translate("shell", "Open drafts:\n%1")
                                   .arg(lines.join(QLatin1Char('\n'))),
                               QCoreApplication::translate("shell", "Open Draft"), open.first());
        if (!name || name->trimmed().isEmpty())
            return;
        // Shown as the draft spells its name, however it was typed.
        QString chosen = name->trimmed();
        for (const QString& listed : std::as_const(open))
            if (listed.compare(chosen, Qt::CaseInsensitive) == 0)
                chosen = listed;
        show(chosen);
    }

    bool needDraft() {
        if (!needDatabase())
            return false;
        if (!tree::shownDraft(location()).isEmpty())
            return true;
        desktop().messageBox(QCoreApplication::translate("shell", "No draft is open."),
                             desktop::OkOnly);
        return false;
    }

    /// The open draft's lines beside the tables' rows now, in a window of their own.
    void reviewDraft() {
        if (!needDraft())
            return;
        store::DraftNow review =
            tree::readDraftReview(desktop(), location(), tree::shownDraft(location()));
        if (!m_review) {
            m_review = new DraftReviewDialog([this](const QString& id) { m_context.loadItem(id); },
                                             m_context.window());
            m_review->setAttribute(Qt::WA_DeleteOnClose);
            connect(m_review, &DraftReviewDialog::refreshWanted, this, [this] {
                runReported([this] {
                    if (needDraft())
                        m_review->showReview(tree::readDraftReview(desktop(), location(),
                                                                   tree::shownDraft(location())));
                });
            });
            connect(m_review, &DraftReviewDialog::exportWanted, this,
                    [this](bool excel) { runReported([this, excel] { exportReview(excel); }); });
            connect(m_review, &DraftReviewDialog::printWanted, this,
                    [this] { runReported([this] { printReview(); }); });
        }
        m_review->showReview(std::move(review));
        m_review->show();
        m_review->raise();
        m_review->activateWindow();
    }

    /// The bill loaded, as the tables hold it and with the draft applied, in Compare Bills.
    void compareDraft() {
        if (!needDraft())
            return;
        Q_EMIT m_context.commands().compareDraftRequested(m_context.model().topAssembly());
    }

    void closeReview() {
        if (m_review)
            m_review->close();
    }

    /// Runs a step of the review window, its failure said in a box.
    void runReported(const std::function<void()>& step) {
        if (m_context.busy())
            return;
        try {
            step();
        } catch (const store::StoreError& error) {
            desktop().messageBox(error.message(), desktop::OkOnly);
        }
    }

    /// The lines the review shows, in a file to hand to whoever approves the draft: CSV, or a
    /// workbook with the draft's facts above them.
    void exportReview(bool excel) {
        if (!m_review)
            return;
        const store::DraftNow& review = m_review->review();
        const QString suffix = excel ? QStringLiteral("-draft.xlsx") : QStringLiteral("-draft.csv");
        const auto path = desktop().saveFile(
            QCoreApplication::translate("shell", "Export Draft"),
            proposedExportPath(review.draft.name, suffix, location()),
            excel ? xlsxFilters() : csvFilters());
        if (!path)
            return;
        const desktop::BusyPointer busy(desktop());
        if (excel) {
            const XlsxSheet::TitleBlock facts{
                {QStringLiteral("Draft"), review.draft.name},
                {QStringLiteral("Reason"), review.draft.reason},
                {QStringLiteral("Made By"), review.draft.madeBy},
                {QStringLiteral("Made"), review.draft.made.toLocalTime().toString(Qt::ISODate)},
                {QStringLiteral("Database"), store::shownLocation(location())},
                {QStringLiteral("Compared With the Database"),
                 QDateTime::currentDateTime().toString(Qt::ISODate)}};
            XlsxSheet sheet(*path, QStringLiteral("Draft"), tree::draftLinesHeader(), facts);
            // The quantities of the base, the draft and the live row are numbers.
            constexpr int Quantities[] = {4, 8, 12};
            for (const store::DraftLineNow& line : review.lines) {
                sheet.startRow();
                const QStringList fields = tree::draftLineFields(line);
                for (int column = 0; column < fields.size(); ++column) {
                    bool number = false;
                    const double value = fields[column].toDouble(&number);
                    if (number && std::find(std::begin(Quantities), std::end(Quantities),
                                            column) != std::end(Quantities))
                        sheet.number(column, value);
                    else
                        sheet.text(column, fields[column]);
                }
            }
            sheet.commit();
        } else {
            WholeFile file(*path);
            file.write(tree::draftLinesCsv(review.lines, true));
            file.commit();
        }
        const int lines = int(review.lines.size());
        m_context.showStatus(
            QCoreApplication::translate("shell", "Draft %1 written to %2: %n line(s).", nullptr,
                                        lines)
                .arg(review.draft.name, QDir::toNativeSeparators(*path)));
    }

    /// The lines the review shows, printed (or as a PDF) under the draft's name and reason.
    void printReview() {
        if (!m_review)
            return;
        const store::DraftNow& review = m_review->review();
        const std::unique_ptr<tree::PrintedBill> document = tree::draftDocument(
            tree::draftRows(review.lines),
            tree::BillHeading{review.draft.name, review.draft.reason,
                              store::shownLocation(location()), QDate::currentDate()});
        const desktop::PrintOutcome outcome = desktop().print(
            QCoreApplication::translate("shell", "Print Draft"), *document,
            proposedExportPath(review.draft.name, QStringLiteral("-draft.pdf"), location()));
        if (outcome.result == desktop::PrintResult::Failed)
            throw store::StoreError(
                store::PrintFailed,
                QCoreApplication::translate("shell", "The draft could not be printed: %1.")
                    .arg(outcome.cause));
        if (outcome.result == desktop::PrintResult::Printed)
            m_context.showStatus(QCoreApplication::translate("shell", "Draft %1 printed: %n page(s).",
                                                             nullptr, outcome.pages)
                                     .arg(review.draft.name));
    }

    void closeDraft() {
        if (!needDraft())
            return;
        switchTo({}, true);
        showAgain();
    }

    void discardDraft() {
        if (!needDraft())
            return;
        const QString name = tree::shownDraft(location());
        if (desktop().messageBox(
                QCoreApplication::translate("shell", "Discard the draft %1? Its changes are never "
                                                     "applied; it is kept read-only.")
                    .arg(name),
                desktop::YesNo | desktop::IconQuestion) != desktop::ResultYes)
            return;
        tree::discardDraft(desktop(), location(), name);
        switchTo({}, false);
        showAgain();
    }

    void applyDraft() {
        if (!needDraft())
            return;
        const QString name = tree::shownDraft(location());
        const tree::DraftCounts counts = tree::readDraftCounts(desktop(), location(), name);
        if (desktop().messageBox(
                QCoreApplication::translate("shell",
                                            "Apply the draft %1 to the database? It "
                                            "adds %2, changes %3 and removes %n "
                                            "line(s).",
                                            nullptr, int(counts.removed))
                    .arg(name)
                    .arg(counts.added)
                    .arg(counts.changed),
                desktop::OkCancel | desktop::IconQuestion) != desktop::ResultOk)
            return;
        store::DraftChoices choices;
        for (;;) {
            const store::DraftApplyResult result =
                tree::applyDraftTrip(desktop(), location(), name, choices);
            if (result.applied) {
                switchTo({}, false);
                showAgain();
                desktop().messageBox(
                    QCoreApplication::translate("shell",
                                                "The draft %1 is applied: %n line(s) "
                                                "written as one change, %2 kept as "
                                                "they were.",
                                                nullptr, int(result.written))
                        .arg(name)
                        .arg(result.keptLive),
                    desktop::OkOnly);
                return;
            }
            // Each line changed since it entered the draft: keep what the database holds, or
            // take the draft's; Cancel writes nothing.
            for (const store::DraftLineNow& line : result.changed) {
                const int answer = desktop().choiceBox(
                    QCoreApplication::translate(
                        "shell", "The line of '%1' in '%2' was changed in the database since "
                                 "it entered the draft.\n\nWhen it entered: %3\nIn the draft: "
                                 "%4\nIn the database now: %5")
                        .arg(line.line.component(), line.line.assembly(), rowText(line.line.base),
                             rowText(line.line.draft), rowText(line.live)),
                    desktop::YesNoCancel | desktop::IconQuestion, QStringLiteral("Apply Draft"),
                    {QCoreApplication::translate("shell", "Keep Database's"),
                     QCoreApplication::translate("shell", "Take Draft's"),
                     QCoreApplication::translate("shell", "Cancel")});
                if (answer != desktop::ResultYes && answer != desktop::ResultNo)
                    return;
                tree::choose(choices, line,
                             answer == desktop::ResultYes ? store::DraftChoice::KeepLive
                                                          : store::DraftChoice::TakeDraft);
            }
        }
    }

    CommandContext& m_context;
    QPointer<DraftReviewDialog> m_review;
    /// The undo steps of the tables and of each draft not shown now, by keptKey.
    std::unordered_map<QString, tree::EditHistory::Kept> m_kept;
    QString m_shown;
    QString m_title;
    QTimer m_recount;
    QTimer m_renew;
    /// The draft this window holds for editing, and where.
    struct Held {
        QString location;
        QString name;
    };
    Held m_held;
};

} // namespace

void registerDraftCommands(CommandContext& context) {
    (new DraftCommands(context))->addTo(context.commands());
}

} // namespace shell
