#include "shell/export/ExportCommands.h"

#include "shell/window/CommandContext.h"
#include "shell/window/CommandRegistry.h"

#include "shell/export/XlsxExport.h"

#include "desktop/Desktop.h"
#include "desktop/PrintChoices.h"
#include "store/Store.h"
#include "store/StoreError.h"
#include "tree/bill/BillReads.h"
#include "tree/bill/BomDocument.h"
#include "tree/bill/BomTreeModel.h"
#include "tree/reports/BillExport.h"
#include "tree/reports/PrintedBill.h"
#include "tree/reports/WhereUsedReport.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QMenu>
#include <QSaveFile>
#include <QSettings>

#include <algorithm>
#include <limits>
#include <optional>

namespace shell {

namespace {

/// `text` is marked with QT_TRANSLATE_NOOP("shell", …).
QAction* makeAction(QObject* parent, const char* text) {
    auto* action = new QAction(QCoreApplication::translate("shell", text), parent);
    // Tests and the users' own scripts find each command by its English text, as shown
    // without the mark of its access key, in every language.
    action->setObjectName(QString::fromUtf8(text).remove(u'&'));
    return action;
}

/// The count that chooses a text's plural form: the forms differ for small numbers only.
int pluralOf(qint64 count) {
    return int(std::clamp<qint64>(count, 0, std::numeric_limits<int>::max()));
}

/// Past this many rows an indented bill is written only once the user has agreed, knowing
/// the count: a structure of shared sub-assemblies can give far more rows than lines.
constexpr qint64 LargeExportRows = 1'000'000;
/// Past this many rows an export shows its progress.
constexpr qint64 ProgressRows = 100'000;
/// Past this many pages a print starts only once the user has agreed.
constexpr qint64 LargePrintPages = 2'000;
/// Rows on a printed page of A4 or Letter, as the bill is printed (for the question above).
constexpr qint64 RowsPerPage = 54;

// Where the user's choices are remembered.
const QString TitleBlockKey = QStringLiteral("export/titleBlock");
const QString PrintKindKey = QStringLiteral("print/kind");

} // namespace

ExportCommands::ExportCommands(CommandContext& context, QObject* parent, QSettings* settings)
    : QObject(parent), m_context(context), m_desktop(context.desktop()), m_model(context.model()),
      m_indentedAction(makeAction(this, QT_TRANSLATE_NOOP("shell", "&Indented Bill (CSV)…"))),
      m_summaryAction(makeAction(this, QT_TRANSLATE_NOOP("shell", "&Summarised Bill (CSV)…"))),
      m_indentedXlsxAction(makeAction(this, QT_TRANSLATE_NOOP("shell", "Indented Bill (&Excel)…"))),
      m_summaryXlsxAction(
          makeAction(this, QT_TRANSLATE_NOOP("shell", "Summarised Bill (E&xcel)…"))),
      m_previewAction(makeAction(this, QT_TRANSLATE_NOOP("shell", "Print Pre&view…"))),
      m_printAction(makeAction(this, QT_TRANSLATE_NOOP("shell", "&Print…"))),
      m_titleBlockAction(makeAction(this, QT_TRANSLATE_NOOP("shell", "&With Title Block"))),
      m_settings(settings) {
    m_printAction->setShortcut(QKeySequence::Print);
    m_titleBlockAction->setCheckable(true);
    m_titleBlockAction->setToolTip(tr("Item, description, database and date above "
                                      "the header of the CSV and Excel files"));
    m_titleBlockAction->setChecked(m_settings && m_settings->value(TitleBlockKey, false).toBool());
    connect(m_titleBlockAction, &QAction::toggled, this, [this](bool on) {
        if (m_settings)
            m_settings->setValue(TitleBlockKey, on);
    });
    connect(m_previewAction, &QAction::triggered, this, &ExportCommands::printPreview);
    connect(m_indentedAction, &QAction::triggered, this, &ExportCommands::exportIndented);
    connect(m_summaryAction, &QAction::triggered, this, &ExportCommands::exportSummarised);
    connect(m_indentedXlsxAction, &QAction::triggered, this, &ExportCommands::exportIndentedXlsx);
    connect(m_summaryXlsxAction, &QAction::triggered, this, &ExportCommands::exportSummarisedXlsx);
    connect(m_printAction, &QAction::triggered, this, &ExportCommands::print);
    connect(&m_model, &QAbstractItemModel::modelReset, this, &ExportCommands::updateEnabled);
    connect(&m_model, &QAbstractItemModel::rowsInserted, this, &ExportCommands::updateEnabled);
    connect(&m_model, &QAbstractItemModel::rowsRemoved, this, &ExportCommands::updateEnabled);
    updateEnabled();
}

void ExportCommands::addTo(CommandRegistry& commands) {
    QMenu* exportMenu = commands.addMenu(MenuGroup::FileExport, "Export", tr("Expor&t"));
    exportMenu->addAction(m_indentedAction);
    exportMenu->addAction(m_summaryAction);
    exportMenu->addAction(m_indentedXlsxAction);
    exportMenu->addAction(m_summaryXlsxAction);
    exportMenu->addSeparator();
    exportMenu->addAction(m_titleBlockAction);
    commands.add(MenuGroup::FileExport, m_previewAction);
    commands.add(MenuGroup::FileExport, m_printAction);
}

void registerExportCommands(CommandContext& context) {
    (new ExportCommands(context, context.window(), &context.settings()))->addTo(context.commands());
}

void ExportCommands::updateEnabled() {
    const bool bill = m_model.nodeCount() > 0;
    m_indentedAction->setEnabled(bill);
    m_summaryAction->setEnabled(bill);
    m_indentedXlsxAction->setEnabled(bill);
    m_summaryXlsxAction->setEnabled(bill);
    m_previewAction->setEnabled(bill);
    m_printAction->setEnabled(bill);
}

bool ExportCommands::haveBill() {
    // Every export and print walks the whole structure, the levels still being read too.
    if (m_model.nodeCount() > 0)
        return m_model.document().ensureWhole(m_desktop);
    m_desktop.messageBox(
        store::StoreError(store::ExportNoBill, tr("There is no bill of material to export "
                                                  "or print: load an item that has "
                                                  "components first."))
            .message(),
        desktop::OkOnly);
    return false;
}

QStringList csvFilters() {
    return {QCoreApplication::translate("shell", "CSV files (*.csv)"),
            QCoreApplication::translate("shell", "All files (*)")};
}
QStringList xlsxFilters() {
    return {QCoreApplication::translate("shell", "Excel workbooks (*.xlsx)"),
            QCoreApplication::translate("shell", "All files (*)")};
}

QString proposedExportPath(const QString& item, const QString& nameSuffix,
                           const QString& database) {
    // An item ID may hold characters that no file name can; those become '_'.
    QString name = item;
    for (QChar& c : name)
        if (c.unicode() < 0x20 || QStringView(u"/\\:*?\"<>|").contains(c))
            c = u'_';
    name += nameSuffix;
    // Beside the database file; a server has no folder, so the dialog's own folder then.
    const std::optional<QString> file = store::databaseFile(database);
    if (!file || file->isEmpty())
        return name;
    return QFileInfo(*file).absoluteDir().filePath(name);
}

QList<std::pair<QString, QString>> ExportCommands::titleBlock() const {
    if (!m_titleBlockAction->isChecked())
        return {};
    // The date as a spreadsheet and a script read it alike, whatever the user's locale.
    return {{QStringLiteral("Item"), m_model.topAssembly()},
            {QStringLiteral("Description"), m_context.itemDescription()},
            {QStringLiteral("Database"), QDir::toNativeSeparators(m_context.databasePath())},
            {QStringLiteral("Date"), QDate::currentDate().toString(Qt::ISODate)}};
}

namespace {

/// The title block as CSV records, a blank line under them to set it off from the header.
QByteArray csvTitleBlock(const QList<std::pair<QString, QString>>& block) {
    QByteArray out;
    if (block.isEmpty())
        return out;
    for (const auto& [name, value] : block)
        tree::appendCsvRecord(out, {name, tree::csvText(value)});
    out += "\r\n";
    return out;
}

} // namespace

QString ExportCommands::proposedPath(const QString& nameSuffix) const {
    return proposedExportPath(m_model.topAssembly(), nameSuffix, m_context.databasePath());
}

void ExportCommands::exportFile(const QString& title, const QString& nameSuffix,
                                const QStringList& filters, const QString& what,
                                const std::function<std::optional<size_t>(const QString&)>& write) {
    const auto path = m_desktop.saveFile(title, proposedPath(nameSuffix), filters);
    if (!path)
        return;
    try {
        const desktop::BusyPointer busy(m_desktop);
        const std::optional<size_t> rows = write(*path);
        if (!rows) {
            // Cancelled: the file goes unwritten, and one that was there stays as it was.
            status(tr("%1 not written: cancelled.").arg(what));
            return;
        }
        const int plural = pluralOf(qint64(*rows));
        status(tr("%1 written to %2: %Ln row(s).", nullptr, plural)
                   .arg(what, QDir::toNativeSeparators(*path)));
    } catch (const store::StoreError& error) {
        m_desktop.messageBox(error.message(), desktop::OkOnly);
    }
}

void ExportCommands::exportCsv(const QString& title, const QString& nameSuffix,
                               const QString& what,
                               const std::function<std::optional<size_t>(WholeFile&)>& write) {
    exportFile(title, nameSuffix, csvFilters(), what,
               [&](const QString& path) -> std::optional<size_t> {
                   WholeFile file(path);
                   const std::optional<size_t> rows = write(file);
                   if (rows)
                       file.commit();
                   return rows;
               });
}

bool ExportCommands::agreeToSize(qint64 count, const QString& doing) {
    return m_desktop.messageBox(
               tr("The bill of material has %1 row(s). %2 all of them?", nullptr, pluralOf(count))
                   .arg(QLocale().toString(count), doing),
               desktop::YesNo | desktop::IconQuestion, QStringLiteral("Fabrilux"),
               tr("The structure shares its sub-assemblies: each is a row wherever it "
                  "is used. Yes: all of them. No: nothing is done.")) == desktop::ResultYes;
}

void ExportCommands::status(const QString& text) {
    m_context.showStatus(text);
}

bool ExportCommands::agreeToIndented(qint64 total, qint64 rowLimit) {
    if (total >= rowLimit) {
        m_desktop.messageBox(
            store::StoreError(store::ExcelTooManyRows,
                              tr("The bill of material has %1 rows; a worksheet holds "
                                 "%2 below its header. Export it as CSV instead.")
                                  .arg(QLocale().toString(total), QLocale().toString(rowLimit - 1)))
                .message(),
            desktop::OkOnly);
        return false;
    }
    return total <= LargeExportRows || agreeToSize(total, tr("Export"));
}

std::optional<size_t>
ExportCommands::walkIndented(qint64 total, const std::function<void(const tree::IndentedLine&)>& row,
                             const std::function<void()>& flush) {
    // Streamed: written in pieces as the walk goes, never held whole. A bill that takes more
    // than a moment shows how far it is, with Cancel.
    std::unique_ptr<desktop::Progress> progress;
    if (total > ProgressRows)
        progress =
            m_desktop.startProgress(tr("Writing the indented bill…"), tr("Export Indented Bill"));
    tree::IndentedWalk walk(m_model.structure(), tree::DefaultDepthLimit);
    size_t rows = 0;
    for (tree::IndentedLine line; walk.next(line);) {
        row(line);
        if (++rows % 8192 == 0) {
            flush();
            if (progress && !progress->advance(qint64(rows), std::max(total, qint64(rows))))
                return std::nullopt;
        }
    }
    flush();
    return rows;
}

void ExportCommands::exportIndented() {
    if (!haveBill())
        return;
    // Every row of the structure, whatever the tree has opened, counted before any is made.
    const qint64 total = m_model.structureRows();
    if (!agreeToIndented(total, std::numeric_limits<qint64>::max()))
        return;
    exportCsv(tr("Export Indented Bill"), QStringLiteral("-indented.csv"), tr("Indented bill"),
              [&](WholeFile& file) {
                  QByteArray piece = csvTitleBlock(titleBlock());
                  tree::appendIndentedCsvHeader(piece);
                  return walkIndented(
                      total, [&](const tree::IndentedLine& line) { tree::appendIndentedCsvRecord(piece, line); },
                      [&] {
                          file.write(piece);
                          piece.clear();
                      });
              });
}

void ExportCommands::exportSummarised() {
    if (!haveBill())
        return;
    exportCsv(tr("Export Summarised Bill"), QStringLiteral("-summary.csv"), tr("Summarised bill"),
              [this](WholeFile& file) -> std::optional<size_t> {
                  const auto lines = tree::summarisedBillByLevel(m_model.structure());
                  file.write(csvTitleBlock(titleBlock()));
                  file.write(tree::summarisedCsv(lines));
                  return lines.size();
              });
}

void ExportCommands::exportIndentedXlsx() {
    if (!haveBill())
        return;
    const qint64 total = m_model.structureRows();
    const auto block = titleBlock();
    if (!agreeToIndented(total, XlsxSheet::MaxRows - XlsxSheet::titleRows(block)))
        return;
    exportFile(tr("Export Indented Bill"), QStringLiteral("-indented.xlsx"), xlsxFilters(),
               tr("Indented bill"), [&](const QString& path) -> std::optional<size_t> {
                   // The columns of the CSV file; the level is also the row's outline level, so
                   // that the spreadsheet folds each assembly's rows under it.
                   XlsxSheet sheet(path, QStringLiteral("Indented Bill"),
                                   {QStringLiteral("Level"), QStringLiteral("Item ID"),
                                    QStringLiteral("Description"), QStringLiteral("Quantity"),
                                    QStringLiteral("UOM"), QStringLiteral("Extended Quantity"),
                                    QStringLiteral("Parent"), QStringLiteral("Note")},
                                   block);
                   const auto rows = walkIndented(
                       total,
                       [&](const tree::IndentedLine& line) {
                           sheet.startRow(line.level);
                           sheet.number(0, line.level);
                           sheet.text(1, line.itemId);
                           sheet.text(2, line.description);
                           sheet.number(3, line.quantity);
                           sheet.text(4, line.unit);
                           sheet.number(5, line.extendedQuantity);
                           sheet.text(6, line.parent);
                           sheet.text(7, tree::lineNote(line));
                       },
                       [] {});
                   if (rows)
                       sheet.commit();
                   return rows;
               });
}

void ExportCommands::exportSummarisedXlsx() {
    if (!haveBill())
        return;
    exportFile(tr("Export Summarised Bill"), QStringLiteral("-summary.xlsx"), xlsxFilters(),
               tr("Summarised bill"), [this](const QString& path) -> std::optional<size_t> {
                   const auto lines = tree::summarisedBillByLevel(m_model.structure());
                   XlsxSheet sheet(path, QStringLiteral("Summarised Bill"),
                                   {QStringLiteral("Item ID"), QStringLiteral("Description"),
                                    QStringLiteral("Total Quantity"), QStringLiteral("UOM"),
                                    QStringLiteral("Has Bill"), QStringLiteral("Note")},
                                   titleBlock());
                   for (const tree::SummaryLine& line : lines) {
                       sheet.startRow();
                       sheet.text(0, line.itemId);
                       sheet.text(1, line.description);
                       sheet.number(2, line.totalQuantity);
                       sheet.text(3, line.unit);
                       sheet.text(4, line.hasBill ? QStringLiteral("yes") : QStringLiteral("no"));
                       sheet.text(5, line.note);
                   }
                   sheet.commit();
                   return lines.size();
               });
}

void ExportCommands::print() { printBill(false); }

void ExportCommands::printPreview() { printBill(true); }

void ExportCommands::printBill(bool preview) {
    if (!haveBill())
        return;
    // Pages follow from rows alone: counted over the structure, before any row is made.
    const qint64 rows = m_model.structureRows();
    if (const qint64 pages = (rows + RowsPerPage - 1) / RowsPerPage;
        pages > LargePrintPages &&
        !agreeToSize(rows, tr("About %1 pages: print").arg(QLocale().toString(pages))))
        return;
    const tree::BillHeading heading{m_model.topAssembly(), m_context.itemDescription(),
                                    QDir::toNativeSeparators(m_context.databasePath()),
                                    QDate::currentDate()};
    // What each choice is called in the status once printed.
    QStringList printed{tr("Bill of material"), tr("Summarised bill")};
    std::vector<desktop::PrintChoices::Choice> choices;
    const tree::Structure& structure = m_model.structure();
    choices.push_back({tr("&Indented bill"), [&structure, heading] {
                           // Rows are walked from the structure as pages are laid out and
                           // painted, never held.
                           return std::make_unique<tree::PrintedBill>(
                               [&structure]() -> tree::PrintedBill::LineReader {
                                   return [walk = std::make_shared<tree::IndentedWalk>(
                                               structure, tree::DefaultDepthLimit)](
                                              tree::IndentedLine& line) { return walk->next(line); };
                               },
                               heading);
                       }});
    choices.push_back({tr("&Summarised bill"), [&structure, heading] {
                           return tree::summarisedDocument(tree::summarisedBill(structure, true),
                                                           heading);
                       }});
    // Where Used of the current node's item, read from the database only once it is chosen.
    if (const std::optional<QString> item = m_context.currentItem()) {
        printed.append(tr("Where Used list"));
        choices.push_back({tr("&Where Used list of %1").arg(*item),
                           [this, item, heading]() -> std::unique_ptr<desktop::PagedDocument> {
                               const auto report =
                                   tree::findWhereUsed(m_desktop, m_context.databasePath(), item);
                               if (!report)
                                   return nullptr;
                               return tree::whereUsedDocument(*report, heading);
                           }});
    }
    std::optional<desktop::PrintChoices> document;
    {
        const desktop::BusyPointer busy(m_desktop);
        document.emplace(std::move(choices),
                         m_settings ? m_settings->value(PrintKindKey, 0).toInt() : 0);
    }
    const QString title = tr("Print Bill of Material");
    const QString pdf = proposedPath(QStringLiteral(".pdf"));
    const desktop::PrintOutcome outcome = preview ? m_desktop.printPreview(title, *document, pdf)
                                                  : m_desktop.print(title, *document, pdf);
    if (m_settings && outcome.result != desktop::PrintResult::Cancelled)
        m_settings->setValue(PrintKindKey, document->chosen());
    const QString what = printed.value(document->chosen());
    const QString file = QDir::toNativeSeparators(outcome.file);
    switch (outcome.result) {
    case desktop::PrintResult::Cancelled:
        break;
    case desktop::PrintResult::Printed:
        status(file.isEmpty()
                   ? tr("%1 printed: %Ln page(s).", nullptr, int(outcome.pages)).arg(what)
                   : tr("%1 written to %2: %Ln page(s).", nullptr, int(outcome.pages))
                         .arg(what, file));
        break;
    case desktop::PrintResult::Failed:
        m_desktop.messageBox(
            store::StoreError(
                store::PrintFailed,
                file.isEmpty()
                    ? tr("The bill of material could not be printed: %1.").arg(outcome.cause)
                    : tr("The bill of material could not be printed to "
                         "%1: %2.")
                          .arg(file, outcome.cause))
                .message(),
            desktop::OkOnly);
        break;
    }
}

} // namespace shell
