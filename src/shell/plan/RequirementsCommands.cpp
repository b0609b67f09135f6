#include "shell/plan/RequirementsCommands.h"

#include "shell/database/ServerLogin.h"
#include "shell/edit/ItemPickDialog.h"
#include "shell/edit/PasteColumnsDialog.h"
#include "shell/export/ExportCommands.h"
#include "shell/export/XlsxExport.h"
#include "shell/plan/LowLevelColumn.h"
#include "shell/plan/RequirementsDialog.h"
#include "shell/window/CommandContext.h"
#include "shell/window/CommandRegistry.h"
#include "shell/window/ItemIdCompleter.h"
#include "shell/window/ItemList.h"
#include "shell/window/ItemListModel.h"

#include "desktop/Desktop.h"
#include "store/ItemKey.h"
#include "store/Store.h"
#include "store/StoreError.h"
#include "tree/bill/BomTreeModel.h"
#include "tree/edits/LineEdits.h"
#include "tree/edits/LinePaste.h"
#include "tree/edits/Quantity.h"
#include "tree/plan/RequirementsRead.h"
#include "tree/reports/BillExport.h"
#include "tree/reports/PrintedBill.h"

#include <QAction>
#include <QClipboard>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMenu>
#include <QSettings>

#include <algorithm>
#include <limits>

namespace shell {

namespace {

/// How long a check looks for the nearest IDs of unknown items at once; the rest are looked
/// for when their row is entered, so that a paste of thousands of unknown rows never waits on
/// a search of the Item Master for each.
constexpr qint64 SuggestionBudgetMs = 250;
/// The items a message or a title line names before "and N more".
constexpr int ItemsNamed = 10;
/// The listed items a proposed file name names before "N-more".
constexpr int ItemsInFileName = 3;
/// The Export menu's "With Title Block", as the window's settings keep it.
const QString TitleBlockKey = QStringLiteral("export/titleBlock");

/// "A, B, C and 7 more": in the user's language where the window says it, in English
/// where a file's title block records it.
QString namedList(const QStringList& items, bool shown = true) {
    if (items.size() <= ItemsNamed)
        return items.join(QStringLiteral(", "));
    const QString first = items.mid(0, ItemsNamed).join(QStringLiteral(", "));
    const int more = int(items.size() - ItemsNamed);
    return shown ? QCoreApplication::translate("shell", "%1 and %n more", nullptr, more).arg(first)
                 : QStringLiteral("%1 and %2 more").arg(first).arg(more);
}

QString optionsText(const tree::RequirementOptions& options) {
    QStringList said;
    if (options.boughtOnly)
        said.append(QStringLiteral("bought parts only"));
    if (options.depthLimit > 0)
        said.append(QStringLiteral("stop at level %1").arg(options.depthLimit));
    if (options.includeListed)
        said.append(QStringLiteral("the listed items included"));
    return said.isEmpty() ? QStringLiteral("none") : said.join(QStringLiteral(", "));
}

/// "40 × LAMP-DESK-100" in the C locale's exact form, as the files write quantities.
QString buildText(const tree::PlannedBuild& build) {
    return QStringLiteral("%1 × %2").arg(tree::csvQuantity(build.quantity), build.item);
}

/// A plan's name for its files: its first items, and how many more ("TOP+KIT+SUB+7-more"),
/// each ID cut short enough for a file name.
QString planName(const std::vector<tree::PlannedBuild>& builds) {
    QStringList names;
    for (const tree::PlannedBuild& build : builds)
        if (names.size() < ItemsInFileName)
            names.append(build.item.left(40));
    QString name = names.join(u'+');
    if (const qsizetype more = qsizetype(builds.size()) - names.size(); more > 0)
        name += QStringLiteral("+%1-more").arg(more);
    return name;
}

} // namespace

RequirementsCommands::RequirementsCommands(CommandContext& context)
    : QObject(context.window()), m_context(context), m_desktop(context.desktop()) {}

void RequirementsCommands::addTo(CommandRegistry& commands) {
    QAction* action =
        commands.add(MenuGroup::ToolsRequirements, "mnuRequirements", tr("Re&quirements…"));
    connect(action, &QAction::triggered, this, &RequirementsCommands::open);
}

void registerRequirementsCommands(CommandContext& context) {
    (new RequirementsCommands(context))->addTo(context.commands());
    new LowLevelColumn(context);
}

void RequirementsCommands::open() {
    if (!m_dialog) {
        m_dialog = new RequirementsDialog(m_context.window());
        connect(m_dialog, &RequirementsDialog::addRequested, this, &RequirementsCommands::addItem);
        connect(m_dialog, &RequirementsDialog::pasteRequested, this, &RequirementsCommands::pasteRows);
        connect(m_dialog, &RequirementsDialog::workOutRequested, this, &RequirementsCommands::workOut);
        connect(m_dialog, &RequirementsDialog::exportCsvRequested, this, &RequirementsCommands::exportCsv);
        connect(m_dialog, &RequirementsDialog::exportExcelRequested, this,
                &RequirementsCommands::exportExcel);
        connect(m_dialog, &RequirementsDialog::printRequested, this, &RequirementsCommands::print);
        connect(m_dialog, &RequirementsDialog::itemChosen, this,
                [this](const QString& item) { m_context.loadItem(item); });
        // Checked once the edit has ended: the check waits on the store, which must not
        // happen inside the list's own handling of the edit.
        connect(m_dialog, &RequirementsDialog::planItemEdited, this,
                &RequirementsCommands::checkEditedRow, Qt::QueuedConnection);
        connect(m_dialog, &RequirementsDialog::planRowEntered, this,
                &RequirementsCommands::suggestForRow);
        if (const QString item = m_context.model().topAssembly(); !item.isEmpty())
            m_dialog->addPlanLine(item, QStringLiteral("1"));
    }
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}

void RequirementsCommands::fail(int number, const QString& text) {
    m_desktop.messageBox(store::StoreError(number, text).message(), desktop::OkOnly);
}

QString RequirementsCommands::unknownNote(const QString& item, bool suggest) const {
    QString note = tr("not in the Item Master");
    if (!suggest)
        return note;
    const ItemListModel& items = m_context.list().itemModel();
    if (const QString mean = didYouMean(items, nearestItems(items, item)); !mean.isEmpty())
        note += QStringLiteral(" \u2014 ") + mean.front().toLower() + mean.mid(1);
    return note;
}

int RequirementsCommands::markFound(const std::vector<RequirementsDialog::PlanLine>& lines,
                                    const std::vector<std::optional<store::Item>>& found) {
    QElapsedTimer clock;
    clock.start();
    int unknown = 0;
    for (size_t at = 0; at < lines.size() && at < found.size(); ++at) {
        const int row = lines[at].row;
        if (found[at]) {
            m_dialog->respell(row, found[at]->id);
            m_dialog->markItem(row, RequirementsDialog::ItemState::Known);
            continue;
        }
        ++unknown;
        const bool suggest = clock.elapsed() < SuggestionBudgetMs;
        m_dialog->markItem(row,
                           suggest ? RequirementsDialog::ItemState::Unknown
                                   : RequirementsDialog::ItemState::UnknownUnsuggested,
                           unknownNote(lines[at].item, suggest));
    }
    return unknown;
}

std::optional<int> RequirementsCommands::checkItems(
    const std::vector<RequirementsDialog::PlanLine>& lines) {
    const QString location = m_context.databasePath();
    if (lines.empty() || location.isEmpty())
        return 0;
    QStringList ids;
    for (const auto& line : lines)
        ids.append(line.item);
    std::vector<std::optional<store::Item>> found;
    try {
        const desktop::BusyPointer busy(m_desktop);
        ServerLogin(m_desktop).withPassword(
            location, [&] { found = tree::findPlanItems(m_desktop, location, ids); });
    } catch (const store::StoreError& error) {
        if (error.number() != store::OperationCancelled)
            m_desktop.messageBox(error.message(), desktop::OkOnly);
        return std::nullopt;
    }
    if (!m_dialog)
        return std::nullopt;
    return markFound(lines, found);
}

void RequirementsCommands::checkEditedRow(int row) {
    if (!m_dialog)
        return;
    for (const RequirementsDialog::PlanLine& line : m_dialog->planLines())
        if (line.row == row) {
            if (const std::optional<int> unknown = checkItems({line}); unknown)
                m_dialog->setPlanNote(*unknown ? tr("%1 is not in the Item Master.").arg(line.item)
                                               : QString());
            return;
        }
    m_dialog->markItem(row, RequirementsDialog::ItemState::Known); // emptied: no item to check
}

void RequirementsCommands::suggestForRow(int row) {
    if (!m_dialog || m_dialog->itemState(row) != RequirementsDialog::ItemState::UnknownUnsuggested)
        return;
    for (const RequirementsDialog::PlanLine& line : m_dialog->planLines())
        if (line.row == row) {
            const desktop::BusyPointer busy(m_desktop);
            m_dialog->markItem(row, RequirementsDialog::ItemState::Unknown,
                               unknownNote(line.item, true));
            return;
        }
}

void RequirementsCommands::addItem() {
    if (!m_dialog)
        return;
    const auto items = m_context.edits().itemLines();
    if (!items)
        return;
    ItemPickDialog pick(tr("Add Item to Build"), tr("Item to build:"), *items, m_dialog);
    if (m_desktop.runDialog(pick) != QDialog::Accepted || pick.chosen().isEmpty())
        return;
    // Picked from the Item Master: known.
    m_dialog->markItem(m_dialog->addPlanLine(pick.chosen(), QStringLiteral("1")),
                       RequirementsDialog::ItemState::Known);
}

void RequirementsCommands::pasteRows() {
    if (!m_dialog)
        return;
    // The rows as a spreadsheet copies them, read as Paste reads lines: a header row names
    // the columns (a header the editor does not know is asked about, and the answer kept, as
    // Paste does), else the first two are item ID and quantity.
    const tree::PastedLines pasted = tree::readLinesText(
        QGuiApplication::clipboard()->text(), QLocale(), [this](const QStringList& header) {
            return askPasteColumns(m_desktop, m_context.settings(), m_dialog, header);
        });
    if (pasted.cancelled || !m_dialog)
        return;
    if (!pasted.problem.isEmpty()) {
        m_desktop.messageBox(pasted.problem, desktop::OkOnly);
        return;
    }
    std::vector<RequirementsDialog::PlanLine> lines;
    for (const tree::PastedLine& line : pasted.lines)
        if (const QString item = line.component.trimmed(); !item.isEmpty())
            lines.push_back({item, line.quantityText.isEmpty() ? QStringLiteral("1")
                                                               : line.quantityText});
    if (lines.empty()) {
        fail(store::PasteNoLines, tr("The pasted rows name no item."));
        return;
    }
    // An item listed already: its quantity and the pasted one are added, or the pasted one
    // takes its place, as the user says; nothing is changed without a word.
    auto listed = RequirementsDialog::Listed::Replace;
    if (const QStringList repeated = m_dialog->repeatedAmong(lines); !repeated.isEmpty()) {
        const int answer = m_desktop.choiceBox(
            tr("%n pasted item(s) listed already: %1. Add the pasted quantities to those "
               "listed, or let the pasted quantities replace them?",
               nullptr, int(repeated.size()))
                .arg(namedList(repeated)),
            desktop::YesNoCancel | desktop::IconQuestion, QStringLiteral("Paste Rows"),
            {tr("&Add"), tr("&Replace"), tr("Cancel")});
        if (answer != desktop::ResultYes && answer != desktop::ResultNo)
            return;
        listed = answer == desktop::ResultYes ? RequirementsDialog::Listed::Add
                                              : RequirementsDialog::Listed::Replace;
    }
    if (!m_dialog)
        return;
    const RequirementsDialog::Merged merged = m_dialog->mergePlanLines(lines, listed);

    // What the paste did, and then its items looked up, all in one trip.
    QString note = tr("%1 pasted: %2")
                       .arg(tr("%Ln row(s)", nullptr, int(lines.size())),
                            tr("%Ln new line(s)", nullptr, int(merged.added)));
    if (!merged.listed.isEmpty())
        note += (listed == RequirementsDialog::Listed::Add
                     ? tr("; the pasted quantities added to those listed (%1)")
                     : tr("; the pasted quantities in place of those listed (%1)"))
                    .arg(namedList(merged.listed));
    note += u'.';
    std::vector<bool> touched;
    for (const int row : merged.rows) {
        touched.resize(std::max(touched.size(), size_t(row) + 1), false);
        touched[size_t(row)] = true;
    }
    std::vector<RequirementsDialog::PlanLine> check;
    for (const RequirementsDialog::PlanLine& line : m_dialog->planLines())
        if (size_t(line.row) < touched.size() && touched[size_t(line.row)])
            check.push_back(line);
    if (const std::optional<int> unknown = checkItems(check); unknown && *unknown > 0)
        note += tr(" %Ln item(s) is (are) not in the Item Master: mend or remove its (their) "
                   "row(s) before Work Out.",
                   nullptr, *unknown);
    if (m_dialog)
        m_dialog->setPlanNote(note);
}

void RequirementsCommands::workOut() {
    if (!m_dialog)
        return;
    const std::vector<RequirementsDialog::PlanLine> planned = m_dialog->planLines();
    std::vector<tree::PlannedBuild> builds;
    for (const RequirementsDialog::PlanLine& line : planned) {
        const std::optional<double> quantity = tree::parseQuantity(line.quantity);
        if (!quantity || *quantity <= 0) {
            fail(store::PlanBadQuantity,
                 tr("The quantity to build of %1 must be a number above 0: '%2'.")
                     .arg(line.item, line.quantity));
            return;
        }
        builds.push_back({line.item, *quantity});
    }
    if (builds.empty()) {
        fail(store::PlanNoItem, tr("List at least one item to build, with its quantity."));
        return;
    }
    // One trip, off the window's thread: the listed items looked up, and when the Item Master
    // holds each, their bills read and the answer worked out.
    const QString location = m_context.databasePath();
    const tree::RequirementOptions options = m_dialog->options();
    tree::PlanAnswer answer;
    try {
        const desktop::BusyPointer busy(m_desktop);
        ServerLogin(m_desktop).withPassword(location, [&] {
            answer = tree::readRequirements(m_desktop, location, builds, options);
        });
    } catch (const store::StoreError& error) {
        if (error.number() != store::OperationCancelled)
            m_desktop.messageBox(error.message(), desktop::OkOnly);
        return;
    }
    const std::vector<std::optional<store::Item>>& found = answer.found;
    std::vector<tree::RequirementLine>& needed = answer.needed;
    builds = std::move(answer.builds);
    if (!m_dialog)
        return;
    // An item the Item Master does not hold would add nothing to the answer, which would then
    // look whole: the plan is refused until its row is mended or removed.
    if (const int unknown = markFound(planned, found); unknown > 0) {
        QStringList named;
        QString only;
        for (size_t at = 0; at < planned.size() && at < found.size(); ++at)
            if (!found[at]) {
                named.append(tr("%1 (row %2)").arg(planned[at].item).arg(planned[at].row + 1));
                if (only.isEmpty())
                    only = m_dialog->itemNote(planned[at].row);
            }
        fail(store::PlanUnknownItem,
             unknown == 1
                 ? tr("%1 is %2%3 Mend or remove its row, then Work Out again.")
                       .arg(named.front(), only,
                            only.endsWith(u'?') ? QString() : QStringLiteral("."))
                 : tr("%Ln items to build are not in the Item Master: %1. Mend or remove their "
                      "rows, then Work Out again.",
                      nullptr, unknown)
                       .arg(namedList(named)));
        return;
    }
    m_workedOut = {builds, options, location, QDateTime::currentDateTime()};

    QStringList plan;
    for (const tree::PlannedBuild& build : builds)
        plan.append(QStringLiteral("%1 × %2").arg(tree::formatQuantity(build.quantity), build.item));
    const auto countOf = [&](auto test) {
        return qint64(std::count_if(needed.cbegin(), needed.cend(), test));
    };
    const qint64 noQuantity = countOf([](const auto& line) { return !line.total && !line.tooLarge; });
    const qint64 tooLarge = countOf([](const auto& line) { return line.tooLarge; });
    QString heading =
        tr("To build %1: %Ln item(s).", nullptr, int(needed.size())).arg(namedList(plan));
    if (noQuantity > 0)
        heading += tr(" %Ln item(s) without a total: a line on the way has no quantity.", nullptr,
                      int(noQuantity));
    if (tooLarge > 0)
        heading += tr(" %Ln item(s) without a total: it is past what a number holds (above %1).",
                      nullptr, int(tooLarge))
                       .arg(tree::formatQuantity(std::numeric_limits<double>::max()));
    m_dialog->setPlanNote({});
    m_dialog->showRequirements(heading, std::move(needed));
    m_context.showStatus(heading);
}

bool RequirementsCommands::titleBlockWanted() {
    return m_context.settings().value(TitleBlockKey, false).toBool();
}

QList<std::pair<QString, QString>> RequirementsCommands::planRecord(bool withItems) const {
    QList<std::pair<QString, QString>> record;
    if (withItems) {
        QStringList builds;
        for (const tree::PlannedBuild& build : m_workedOut.builds)
            builds.append(buildText(build));
        record.append({QStringLiteral("To build"), namedList(builds, false)});
    }
    // The time as a spreadsheet and a script read it alike, with the offset from UTC.
    const QDateTime at = m_workedOut.at;
    record.append({QStringLiteral("Options"), optionsText(m_workedOut.options)});
    record.append({QStringLiteral("Database"), QDir::toNativeSeparators(m_workedOut.database)});
    record.append({QStringLiteral("Worked out"),
                   at.toOffsetFromUtc(at.offsetFromUtc()).toString(Qt::ISODate)});
    return record;
}

void RequirementsCommands::exportTo(const QString& suffix, const QStringList& filters,
                                    const std::function<void(const QString& path)>& write) {
    if (!m_dialog || m_dialog->requirements().empty())
        return;
    const auto path = m_desktop.saveFile(
        tr("Export Requirements"),
        proposedExportPath(planName(m_workedOut.builds), suffix, m_context.databasePath()),
        filters);
    if (!path)
        return;
    try {
        write(*path);
        m_context.showStatus(tr("Requirements written to %1: %Ln row(s).", nullptr,
                                int(m_dialog->requirements().size()))
                                 .arg(QDir::toNativeSeparators(*path)));
    } catch (const store::StoreError& error) {
        m_desktop.messageBox(error.message(), desktop::OkOnly);
    }
}

void RequirementsCommands::exportCsv() {
    exportTo(QStringLiteral("-requirements.csv"), csvFilters(), [this](const QString& path) {
        QByteArray out;
        // The plan above the list: one record per item to build (its ID and quantity as
        // stored), then the options, the database and the time, and a blank line.
        if (titleBlockWanted()) {
            for (const tree::PlannedBuild& build : m_workedOut.builds)
                tree::appendCsvRecord(out, {QStringLiteral("To build"), tree::csvText(build.item),
                                            tree::csvQuantity(build.quantity)});
            for (const auto& [name, value] : planRecord(false))
                tree::appendCsvRecord(out, {name, tree::csvText(value)});
            out += "\r\n";
        }
        out += tree::requirementsCsv(m_dialog->requirements());
        WholeFile file(path);
        file.write(out);
        file.commit();
    });
}

void RequirementsCommands::exportExcel() {
    exportTo(QStringLiteral("-requirements.xlsx"), xlsxFilters(), [this](const QString& path) {
        XlsxSheet sheet(path, QStringLiteral("Requirements"), tree::requirementHeaders(),
                        titleBlockWanted() ? planRecord(true) : XlsxSheet::TitleBlock{});
        for (const tree::RequirementLine& line : m_dialog->requirements()) {
            const QStringList cells = tree::requirementCells(line);
            sheet.startRow();
            for (int column = 0; column < cells.size(); ++column) {
                if (column == 1)
                    sheet.number(column, line.total);
                else if (column == 4)
                    sheet.number(column, double(line.level));
                else
                    sheet.text(column, cells[column]);
            }
        }
        // What was asked, whatever the title block: the items to build on a sheet of their
        // own, under the options, the database and the time.
        sheet.nextSheet(QStringLiteral("Items to Build"),
                        {QStringLiteral("Item ID"), QStringLiteral("Quantity")}, planRecord(false));
        for (const tree::PlannedBuild& build : m_workedOut.builds) {
            sheet.startRow();
            sheet.text(0, build.item);
            sheet.number(1, build.quantity);
        }
        sheet.commit();
    });
}

void RequirementsCommands::print() {
    if (!m_dialog || m_dialog->requirements().empty())
        return;
    // Printed with the bill's own pages: one row per item, its level, total and unit, the
    // items of the plan that need it in the note column.
    std::vector<tree::IndentedLine> rows;
    for (const tree::RequirementLine& line : m_dialog->requirements()) {
        tree::IndentedLine row;
        row.level = line.level;
        row.itemId = line.item;
        row.description = line.description;
        row.unit = line.unit;
        row.extendedQuantity = line.total;
        row.circular = line.circular;
        if (!line.total && !line.tooLarge)
            row.problems |= tree::LineProblem::NullQuantity;
        rows.push_back(std::move(row));
    }
    QStringList listed;
    for (const tree::PlannedBuild& build : m_workedOut.builds)
        listed.append(buildText(build));
    tree::PrintedBill document(rows,
                               tree::BillHeading{tr("Requirements"), namedList(listed),
                                                 QDir::toNativeSeparators(m_context.databasePath()),
                                                 QDate::currentDate()});
    const QString pdf = proposedExportPath(planName(m_workedOut.builds),
                                           QStringLiteral("-requirements.pdf"),
                                           m_context.databasePath());
    const desktop::PrintOutcome outcome = m_desktop.print(tr("Print Requirements"), document, pdf);
    if (outcome.result == desktop::PrintResult::Failed)
        fail(store::PrintFailed,
             tr("The requirements could not be printed: %1.").arg(outcome.cause));
    else if (outcome.result == desktop::PrintResult::Printed)
        m_context.showStatus(tr("Requirements printed: %Ln page(s).", nullptr, outcome.pages));
}

} // namespace shell
