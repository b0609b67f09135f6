#include "shell/plan/RequirementsCommands.h"

#include "shell/database/ServerLogin.h"
#include "shell/edit/ItemPickDialog.h"
#include "shell/export/ExportCommands.h"
#include "shell/export/XlsxExport.h"
#include "shell/plan/RequirementsDialog.h"
#include "shell/window/CommandContext.h"

#include "desktop/Desktop.h"
#include "store/ItemKey.h"
#include "store/Store.h"
#include "store/StoreError.h"
#include "tree/BillDocument.h"
#include "tree/BomTreeModel.h"
#include "tree/LineEdits.h"
#include "tree/LinePaste.h"
#include "tree/Quantity.h"
#include "tree/StoreWaiting.h"

#include <QAction>
#include <QClipboard>
#include <QDate>
#include <QDir>
#include <QGuiApplication>
#include <QMenu>

namespace shell {

namespace {

const QStringList CsvFilters{QStringLiteral("CSV files (*.csv)"), QStringLiteral("All files (*)")};
const QStringList XlsxFilters{QStringLiteral("Excel workbooks (*.xlsx)"),
                              QStringLiteral("All files (*)")};

} // namespace

RequirementsCommands::RequirementsCommands(CommandContext& context)
    : QObject(context.window()), m_context(context), m_desktop(context.desktop()) {}

void RequirementsCommands::addTo(QMenu* menu) {
    auto* action = menu->addAction(QStringLiteral("Re&quirements…"));
    action->setObjectName(QStringLiteral("mnuRequirements"));
    connect(action, &QAction::triggered, this, &RequirementsCommands::open);
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

void RequirementsCommands::addItem() {
    if (!m_dialog)
        return;
    const auto items = m_context.edits().itemLines();
    if (!items)
        return;
    ItemPickDialog pick(QStringLiteral("Add Item to Build"), QStringLiteral("Item to build:"), *items,
                        m_dialog);
    if (m_desktop.runDialog(pick) != QDialog::Accepted || pick.chosen().isEmpty())
        return;
    m_dialog->addPlanLine(pick.chosen(), QStringLiteral("1"));
}

void RequirementsCommands::pasteRows() {
    if (!m_dialog)
        return;
    // The rows as a spreadsheet copies them, read as Paste reads lines: a header row names
    // the columns, else the first two are item ID and quantity.
    const tree::PastedLines pasted = tree::readLinesText(QGuiApplication::clipboard()->text());
    if (!pasted.problem.isEmpty()) {
        m_desktop.messageBox(pasted.problem, desktop::OkOnly);
        return;
    }
    for (const tree::PastedLine& line : pasted.lines)
        m_dialog->addPlanLine(line.component, line.quantityText.isEmpty() ? QStringLiteral("1")
                                                                          : line.quantityText);
}

void RequirementsCommands::workOut() {
    if (!m_dialog)
        return;
    std::vector<tree::PlannedBuild> builds;
    for (const RequirementsDialog::PlanLine& line : m_dialog->planLines()) {
        const std::optional<double> quantity = tree::parseQuantity(line.quantity);
        if (!quantity || *quantity <= 0) {
            fail(store::PlanBadQuantity,
                 QStringLiteral("The quantity to build of %1 must be a number above 0: '%2'.")
                     .arg(line.item, line.quantity));
            return;
        }
        builds.push_back({line.item, *quantity});
    }
    if (builds.empty()) {
        fail(store::PlanNoItem, QStringLiteral("List at least one item to build, with its quantity."));
        return;
    }
    QStringList items;
    for (const tree::PlannedBuild& build : builds)
        items.append(build.item);

    const QString location = m_context.databasePath();
    QHash<QString, store::ComponentLines> lines;
    QHash<QString, store::Item> facts;
    try {
        const desktop::BusyPointer busy(m_desktop);
        ServerLogin(m_desktop).withPassword(location, [&] {
            tree::runOnStore(m_desktop, location, QStringLiteral("Reading the bills to build\u2026"),
                             [&](store::StoreCall& call) {
                                 store::Store& db = call.db();
                                 lines = db.reachableLinesOfEach(items);
                                 const auto found = db.findItems(items);
                                 for (const auto& item : found)
                                     if (item)
                                         facts.insert(store::foldKey(item->id), *item);
                             });
        });
    } catch (const store::StoreError& error) {
        if (error.number() != store::OperationCancelled)
            m_desktop.messageBox(error.message(), desktop::OkOnly);
        return;
    }
    // The list's own spelling of an item the Item Master knows becomes its spelling there.
    for (tree::PlannedBuild& build : builds)
        if (const auto found = facts.constFind(store::foldKey(build.item)); found != facts.cend())
            build.item = found->id;

    std::vector<tree::RequirementLine> needed =
        tree::requirements(lines, builds, m_dialog->options(), facts);
    QStringList plan;
    for (const tree::PlannedBuild& build : builds)
        plan.append(QStringLiteral("%1 × %2").arg(tree::formatQuantity(build.quantity), build.item));
    const qsizetype unknown =
        std::count_if(needed.cbegin(), needed.cend(), [](const auto& line) { return !line.total; });
    QString heading = QStringLiteral("To build %1: %2.")
                          .arg(plan.join(QStringLiteral(", ")),
                               tree::counted(qint64(needed.size()), QStringLiteral("item"),
                                             QStringLiteral("items")));
    if (unknown > 0)
        heading += QStringLiteral(" %1 without a total: a line on the way has no quantity.")
                       .arg(tree::counted(unknown, QStringLiteral("item"), QStringLiteral("items")));
    m_dialog->showRequirements(heading, std::move(needed));
    m_context.showStatus(heading);
}

void RequirementsCommands::exportTo(const QString& suffix, const QStringList& filters,
                                    const std::function<void(const QString& path)>& write) {
    if (!m_dialog || m_dialog->requirements().empty())
        return;
    const QString item = m_dialog->planLines().empty() ? QString() : m_dialog->planLines().front().item;
    const auto path = m_desktop.saveFile(QStringLiteral("Export Requirements"),
                                         proposedExportPath(item, suffix, m_context.databasePath()),
                                         filters);
    if (!path)
        return;
    try {
        write(*path);
        m_context.showStatus(QStringLiteral("Requirements written to %1: %2.")
                                 .arg(QDir::toNativeSeparators(*path),
                                      tree::counted(qint64(m_dialog->requirements().size()),
                                                    QStringLiteral("row"), QStringLiteral("rows"))));
    } catch (const store::StoreError& error) {
        m_desktop.messageBox(error.message(), desktop::OkOnly);
    }
}

void RequirementsCommands::exportCsv() {
    exportTo(QStringLiteral("-requirements.csv"), CsvFilters, [this](const QString& path) {
        WholeFile file(path);
        file.write(tree::requirementsCsv(m_dialog->requirements()));
        file.commit();
    });
}

void RequirementsCommands::exportExcel() {
    exportTo(QStringLiteral("-requirements.xlsx"), XlsxFilters, [this](const QString& path) {
        XlsxSheet sheet(path, QStringLiteral("Requirements"), tree::requirementHeaders());
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
        if (!line.total)
            row.problems |= tree::LineProblem::NullQuantity;
        rows.push_back(std::move(row));
    }
    const std::vector<RequirementsDialog::PlanLine> plan = m_dialog->planLines();
    QStringList listed;
    for (const auto& line : plan)
        listed.append(QStringLiteral("%1 × %2").arg(line.quantity, line.item));
    tree::BillDocument document(rows, tree::BillHeading{QStringLiteral("Requirements"),
                                                        listed.join(QStringLiteral(", ")),
                                                        QDir::toNativeSeparators(m_context.databasePath()),
                                                        QDate::currentDate()});
    const QString pdf = proposedExportPath(plan.empty() ? QString() : plan.front().item,
                                           QStringLiteral("-requirements.pdf"),
                                           m_context.databasePath());
    const desktop::PrintOutcome outcome =
        m_desktop.print(QStringLiteral("Print Requirements"), document, pdf);
    if (outcome.result == desktop::PrintResult::Failed)
        fail(store::PrintFailed,
             QStringLiteral("The requirements could not be printed: %1.").arg(outcome.cause));
    else if (outcome.result == desktop::PrintResult::Printed)
        m_context.showStatus(QStringLiteral("Requirements printed: %1.")
                                 .arg(tree::counted(outcome.pages, QStringLiteral("page"),
                                                    QStringLiteral("pages"))));
}

} // namespace shell
