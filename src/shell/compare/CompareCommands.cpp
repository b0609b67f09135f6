#include "shell/compare/CompareCommands.h"

#include "shell/window/CommandContext.h"
#include "shell/window/CommandRegistry.h"
#include "tree/bill/BomTreeModel.h"

#include "shell/export/ExportCommands.h"
#include "shell/database/ServerLogin.h"
#include "tree/history/HistoryTexts.h"

#include "desktop/Desktop.h"
#include "store/ItemKey.h"
#include "store/Store.h"
#include "store/StoreError.h"
#include "tree/StoreWaiting.h"
#include "tree/bill/BillReads.h"
#include "tree/bill/Structure.h"
#include "tree/drafts/DraftTrips.h"
#include "tree/edits/Quantity.h"
#include "tree/history/HistoryRestore.h"
#include "tree/reports/BillCompare.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <QMenu>

#include <algorithm>

namespace shell {

namespace {

/// The rows the indented comparison makes at most: the count past which the indented export
/// first asks. A structure of shared sub-assemblies can have far more paths than lines.
constexpr size_t IndentedRowLimit = 1'000'000;

/// The bill of `item` in the store at `location`, read in one operation, and what is to be
/// said of the item beside its name: a side without a bill compares as empty, and the
/// heading says why rather than leaving every line "removed" or "added" unexplained.
struct Bill {
    tree::Structure structure;
    QString note;
    QString asOf; ///< " as of MOMENT", where the side is read from the history
};

Bill readBill(desktop::Desktop& desktop, const QString& location, const QString& item,
              const std::optional<QDateTime>& asOf, bool withoutDraft) {
    tree::StoredBill stored;
    Bill bill;
    ServerLogin(desktop).withPassword(location, [&] {
        if (!asOf) {
            stored = tree::readBill(desktop, location, item, withoutDraft);
            // A side read with the draft shown says so, and so does one read without it.
            if (const QString draft = tree::shownDraft(location); !draft.isEmpty())
                bill.asOf = withoutDraft
                                ? QCoreApplication::translate("shell", " without the draft %1")
                                      .arg(draft)
                                : QCoreApplication::translate("shell", " with the draft %1")
                                      .arg(draft);
            return;
        }
        // A moment before the history began is read as its start, and the heading says so.
        const tree::BillThen then = tree::readBillThen(desktop, location, item, asOf->toUTC());
        stored = then.bill;
        bill.asOf =
            QCoreApplication::translate("shell", " as of %1").arg(tree::momentText(then.moment));
        if (then.fromStart)
            bill.asOf += tree::historyStartNote(then.moment);
    });
    bill.structure.reset(item, stored.lines);
    const bool known = stored.known;
    const bool hasBill = bill.structure.hasLines(tree::Structure::Top);
    if (!known || !hasBill)
        bill.note = !known && !hasBill
                        ? QCoreApplication::translate("shell", " (not in the Item Master, no bill)")
                    : !known ? QCoreApplication::translate("shell", " (not in the Item Master)")
                             : QCoreApplication::translate("shell", " (no bill)");
    return bill;
}

} // namespace

CompareCommands::CompareCommands(CommandContext& context)
    : QObject(context.window()), m_context(context), m_desktop(context.desktop()),
      m_window(context.window()) {}

void CompareCommands::addTo(CommandRegistry& commands) {
    QAction* action = commands.add(MenuGroup::ToolsCompare, "mnuCompareBills",
                                   QCoreApplication::translate("shell", "Co&mpare Bills…"));
    connect(action, &QAction::triggered, this, &CompareCommands::open);
    connect(&commands, &CommandRegistry::compareBeforeRequested, this,
            &CompareCommands::compareBefore);
    connect(&commands, &CommandRegistry::compareDraftRequested, this,
            &CompareCommands::compareDraft);
}

void registerCompareCommands(CommandContext& context) {
    (new CompareCommands(context))->addTo(context.commands());
}

void CompareCommands::open() {
    if (!m_dialog) {
        m_dialog = new CompareDialog(m_window);
        connect(m_dialog, &CompareDialog::compareRequested, this, &CompareCommands::compare);
        connect(m_dialog, &CompareDialog::sourceChosen, this, &CompareCommands::chooseSource);
        connect(m_dialog, &CompareDialog::exportRequested, this, &CompareCommands::exportShown);
        m_dialog->setSource(CompareDialog::ThisDatabase, {});
    }
    m_dialog->setDraftShown(tree::shownDraft(m_context.databasePath()));
    if (const QString item = m_context.model().topAssembly(); !item.isEmpty())
        m_dialog->setItemA(item);
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}

void CompareCommands::chooseSource(CompareDialog::Source source, CompareDialog::Source previous) {
    std::optional<QString> chosen;
    switch (source) {
    case CompareDialog::ThisDatabase:
        chosen = QString();
        break;
    case CompareDialog::AnotherFile:
        chosen = m_desktop.openFile(tr("Select Database File for B"));
        break;
    case CompareDialog::Server:
        chosen = ServerLogin(m_desktop).ask(m_otherLocation);
        break;
    }
    if (!chosen) {
        // Cancelled: B stays where it was.
        m_dialog->setSource(previous, previous == CompareDialog::ThisDatabase
                                          ? QString()
                                          : store::shownLocation(m_otherLocation));
        return;
    }
    m_otherLocation = *chosen;
    m_dialog->setSource(source, chosen->isEmpty() ? QString() : store::shownLocation(*chosen));
}

QString CompareCommands::locationB() const {
    return m_dialog->source() == CompareDialog::ThisDatabase ? m_context.databasePath() : m_otherLocation;
}

void CompareCommands::compareBefore(const QString& item, const QDateTime& moment) {
    open();
    m_otherLocation.clear();
    m_dialog->setSource(CompareDialog::ThisDatabase, {});
    // Every change up to the one chosen, not that one.
    m_dialog->setBefore(item, moment.addMSecs(-1));
    compare();
}

void CompareCommands::compareDraft(const QString& item) {
    open();
    m_otherLocation.clear();
    m_dialog->setSource(CompareDialog::ThisDatabase, {});
    m_dialog->setDraftComparison(item);
    compare();
}

void CompareCommands::compare() {
    if (!m_dialog)
        return;
    // A draft opened or closed since the window opened: its box follows.
    m_dialog->setDraftShown(tree::shownDraft(m_context.databasePath()));
    const QString itemA = m_dialog->itemA();
    const QString itemB = m_dialog->itemB();
    if (itemA.isEmpty() || itemB.isEmpty()) {
        m_desktop.messageBox(
            store::StoreError(store::CompareNoItem, tr("Type the item of each bill to "
                                                       "compare, A and B."))
                .message(),
            desktop::OkOnly);
        return;
    }
    const QString locationA = m_context.databasePath();
    const QString locationB = this->locationB();
    try {
        const desktop::BusyPointer busy(m_desktop);
        const Bill billA = readBill(m_desktop, locationA, itemA, m_dialog->asOfA(),
                                    m_dialog->withoutDraftA());
        const Bill billB = readBill(m_desktop, locationB, itemB, m_dialog->asOfB(), false);
        const tree::Structure& a = billA.structure;
        const tree::Structure& b = billB.structure;
        std::vector<tree::ComparedLine> summarised = tree::compareSummarised(a, b);
        tree::IndentedComparison indented =
            tree::compareIndented(a, b, tree::DefaultDepthLimit, IndentedRowLimit);

        size_t marks[5] = {};
        for (const tree::ComparedLine& line : summarised)
            ++marks[size_t(line.mark)];
        QString heading =
            tr("A: %1%2 in %3%7\nB: %4%5 in %6%8\n")
                .arg(itemA, billA.note, store::shownLocation(locationA), itemB, billB.note,
                     store::shownLocation(locationB), billA.asOf, billB.asOf) +
            tr("%Ln item(s): %1 added, %2 removed, %3 changed, %4 unchanged", nullptr,
               int(summarised.size()))
                .arg(QLocale().toString(qulonglong(marks[size_t(tree::Mark::Added)])),
                     QLocale().toString(qulonglong(marks[size_t(tree::Mark::Removed)])),
                     QLocale().toString(qulonglong(marks[size_t(tree::Mark::Changed)])),
                     QLocale().toString(qulonglong(marks[size_t(tree::Mark::Unchanged)])));
        if (const size_t unknown = marks[size_t(tree::Mark::Unknown)])
            heading += tr(", %1 without a number on either side")
                           .arg(QLocale().toString(qulonglong(unknown)));
        heading += u'.';
        if (indented.truncated)
            heading += tr(" The indented comparison shows the first %Ln row(s).", nullptr,
                          int(IndentedRowLimit));
        m_dialog->showComparison(heading, std::move(summarised), std::move(indented));
    } catch (const store::StoreError& error) {
        m_desktop.messageBox(error.message(), desktop::OkOnly);
    }
}

void CompareCommands::exportShown() {
    if (!m_dialog || !m_dialog->hasComparison())
        return;
    bool indented = false;
    const std::vector<const tree::ComparedLine*> lines = m_dialog->shownLines(indented);
    const QString itemA = m_dialog->itemA();
    const QString itemB = m_dialog->itemB();
    const QString name = store::foldKey(itemA) == store::foldKey(itemB)
                             ? itemA
                             : QStringLiteral("%1-%2").arg(itemA, itemB);
    const auto path =
        m_desktop.saveFile(tr("Export Comparison"),
                           proposedExportPath(name,
                                              indented ? QStringLiteral("-compare-indented.csv")
                                                       : QStringLiteral("-compare.csv"),
                                              m_context.databasePath()),
                           {tr("CSV files (*.csv)"), tr("All files (*)")});
    if (!path)
        return;
    try {
        const desktop::BusyPointer busy(m_desktop);
        WholeFile file(*path);
        file.write(tree::comparisonCsv(lines, indented));
        file.commit();
        m_context.showStatus(tr("Comparison written to %1: %Ln row(s).", nullptr, int(lines.size()))
                                 .arg(QDir::toNativeSeparators(*path)));
    } catch (const store::StoreError& error) {
        m_desktop.messageBox(error.message(), desktop::OkOnly);
    }
}

} // namespace shell
