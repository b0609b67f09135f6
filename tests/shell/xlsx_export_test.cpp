// File ▸ Export's Excel workbooks, read back: a workbook is a zip of XML parts, and the
// worksheet part is read with `unzip -p` and Qt's XML reader.

#include "shell/export/ExportCommands.h"
#include "store/ItemKey.h"
#include "support/ExportContext.h"
#include "support/WindowFixture.h"
#include "tree/bill/BomDocument.h"
#include "tree/bill/BomTreeModel.h"

#include <QAction>
#include <QDate>
#include <QLocale>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QXmlStreamReader>

#include <map>
#include <tuple>

using namespace Qt::StringLiterals;

namespace {

QByteArray part(const QString& workbook, const QString& name) {
    QProcess unzip;
    unzip.start(u"unzip"_s, {u"-p"_s, workbook, name});
    if (!unzip.waitForFinished(30'000) || unzip.exitCode() != 0)
        return {};
    return unzip.readAllStandardOutput();
}

/// One cell as the sheet holds it: its type attribute and its value (a number's digits, or an
/// inline string's text: a sheet written row by row holds no shared strings).
struct Cell {
    QString type;
    QString value;
    bool formula = false;
};

/// The worksheet read back: each row's cells by column letter, each row's outline level, the
/// frozen pane and the columns' widths.
struct Sheet {
    std::map<int, std::map<QString, Cell>> rows;
    std::map<int, int> outline;
    QString frozenPane; // the pane's topLeftCell when it is frozen
    QString autoFilter; // the range of the autofilter's buttons and rows, when there is one
    std::vector<double> widths;
    bool wellFormed = false;
};

/// A cell's text as a spreadsheet reads it: each "_xHHHH_" is the character it names, read
/// left to right ("_x005F_" is an underscore).
QString spreadsheetText(const QString& stored) {
    QString text;
    for (qsizetype at = 0; at < stored.size();) {
        bool hex = false;
        const uint code = stored.mid(at + 2, 4).toUInt(&hex, 16);
        if (stored.mid(at, 2) == u"_x" && at + 6 < stored.size() && stored[at + 6] == u'_' && hex) {
            text += QChar(char16_t(code));
            at += 7;
        } else {
            text += stored[at++];
        }
    }
    return text;
}

Sheet readSheet(const QString& workbook) {
    Sheet sheet;
    QXmlStreamReader xml(part(workbook, u"xl/worksheets/sheet1.xml"_s));
    int row = 0;
    QString column;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        const auto attributes = xml.attributes();
        if (xml.name() == u"row") {
            row = attributes.value(QLatin1StringView("r")).toInt();
            sheet.outline[row] = attributes.value(QLatin1StringView("outlineLevel")).toInt();
            sheet.rows[row];
        } else if (xml.name() == u"c") {
            const QString reference = attributes.value(QLatin1StringView("r")).toString();
            qsizetype letters = 0;
            while (letters < reference.size() && reference[letters].isLetter())
                ++letters;
            column = reference.left(letters);
            sheet.rows[row][column].type = attributes.value(QLatin1StringView("t")).toString();
        } else if (xml.name() == u"v") {
            sheet.rows[row][column].value = xml.readElementText();
        } else if (xml.name() == u"t") {
            sheet.rows[row][column].value = spreadsheetText(xml.readElementText());
        } else if (xml.name() == u"f") {
            sheet.rows[row][column].formula = true;
        } else if (xml.name() == u"pane" && attributes.value(QLatin1StringView("state")) == u"frozen") {
            sheet.frozenPane = attributes.value(QLatin1StringView("topLeftCell")).toString();
        } else if (xml.name() == u"autoFilter") {
            sheet.autoFilter = attributes.value(QLatin1StringView("ref")).toString();
        } else if (xml.name() == u"col") {
            sheet.widths.push_back(attributes.value(QLatin1StringView("width")).toDouble());
        }
    }
    sheet.wellFormed = !xml.hasError();
    return sheet;
}

/// TOP uses A, which uses a chain nine levels deep, a component with a Null quantity and
/// texts that a spreadsheet would take for formulas.
WindowFixture* bill() {
    std::vector<ItemRow> items{{u"TOP"_s, u"Top"_s, u"EA"_s},
                               {u"A"_s, u"=HYPERLINK(\"x\")"_s, u"EA"_s},
                               {u"=1+2"_s, u"-minus \u0001 and Ω"_s, u"@U"_s},
                               {u"N"_s, u"Null line"_s, u"EA"_s}};
    std::vector<Line> lines{{u"TOP"_s, u"A"_s, 2.0},
                            {u"A"_s, u"=1+2"_s, 0.25},
                            {u"A"_s, u"N"_s, QVariant()},
                            {u"A"_s, u"C1"_s, 3.0}};
    for (int level = 1; level < 8; ++level)
        lines.push_back({u"C%1"_s.arg(level), u"C%1"_s.arg(level + 1), 1.0});
    return new WindowFixture(items, lines);
}

} // namespace

class XlsxExportTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        if (QStandardPaths::findExecutable(u"unzip"_s).isEmpty())
            QSKIP("unzip is not installed");
    }

    void titleBlockOnlyWhenAskedAndTheHeaderFiltered() {
        // Off (as it starts), row 1 is the header; on, the item, its description, the database
        // and the date stand above it, a blank row between. The header's autofilter and the
        // frozen pane move with it and the filter reaches the last row.
        std::unique_ptr<WindowFixture> w(bill());
        w->load(u"TOP"_s);
        auto* block = w->window().findChild<QAction*>(u"With Title Block"_s);
        QVERIFY(block && block->isCheckable() && !block->isChecked());
        const QString path = QFileInfo(w->database).dir().filePath(u"bill.xlsx"_s);
        for (const bool on : {false, true}) {
            block->setChecked(on);
            for (const auto& [command, last, header] :
                 {std::tuple{u"Indented Bill (Excel)…"_s, u"H"_s, u"Level"_s},
                  std::tuple{u"Summarised Bill (Excel)…"_s, u"F"_s, u"Item ID"_s}}) {
                w->desktop.saveAnswers = {path};
                w->window().findChild<QAction*>(command)->trigger();
                QCOMPARE(w->desktop.messageTexts(), QStringList());
                const Sheet sheet = readSheet(path);
                QVERIFY(sheet.wellFormed);
                const int top = on ? 6 : 1;
                const int lastRow = sheet.rows.rbegin()->first;
                QVERIFY2(lastRow > top + 1, qPrintable(command));
                QCOMPARE(sheet.rows.at(top).at(u"A"_s).value, header);
                QCOMPARE(sheet.frozenPane, u"A%1"_s.arg(top + 1));
                QCOMPARE(sheet.autoFilter, u"A%1:%2%3"_s.arg(top).arg(last).arg(lastRow));
                if (!on)
                    continue;
                const QStringList values{u"TOP"_s, u"Top"_s, QDir::toNativeSeparators(w->database),
                                         QDate::currentDate().toString(Qt::ISODate)};
                const QStringList names{u"Item"_s, u"Description"_s, u"Database"_s, u"Date"_s};
                for (int row = 1; row <= 4; ++row) {
                    QCOMPARE(sheet.rows.at(row).at(u"A"_s).value, names[row - 1]);
                    QCOMPARE(sheet.rows.at(row).at(u"B"_s).value, values[row - 1]);
                }
                QVERIFY(!sheet.rows.count(5) || sheet.rows.at(5).empty());
            }
        }
    }

    void workbooksHoldNumbersOutlineAndPlainTexts() {
        std::unique_ptr<WindowFixture> w(bill());
        w->load(u"TOP"_s);
        const QString path = QFileInfo(w->database).dir().filePath(u"bill.xlsx"_s);
        w->desktop.saveAnswers = {path};
        w->window().findChild<QAction*>(u"Indented Bill (Excel)…"_s)->trigger();
        QCOMPARE(w->desktop.asked.last().defaultText,
                 QFileInfo(w->database).dir().filePath(u"TOP-indented.xlsx"_s));
        QCOMPARE(w->desktop.messageTexts(), QStringList());
        QCOMPARE(w->status(), u"Indented bill written to %1: 11 rows."_s.arg(path));

        const Sheet sheet = readSheet(path);
        QVERIFY(sheet.wellFormed);
        QCOMPARE(sheet.rows.size(), size_t(12));
        QCOMPARE(sheet.frozenPane, u"A2"_s);
        QCOMPARE(sheet.rows.at(1).at(u"A"_s).value, u"Level"_s);
        QCOMPARE(sheet.rows.at(1).at(u"F"_s).value, u"Extended Quantity"_s);
        // Row 2: A under TOP. Numbers are numeric cells (no type, or "n"), texts string cells.
        const auto& a = sheet.rows.at(2);
        QVERIFY(a.at(u"A"_s).type.isEmpty() || a.at(u"A"_s).type == u"n");
        QCOMPARE(a.at(u"A"_s).value, u"1"_s);
        QCOMPARE(a.at(u"D"_s).value.toDouble(), 2.0);
        QVERIFY(a.at(u"D"_s).type.isEmpty());
        // A text that begins like a formula is a string holding exactly that text.
        QCOMPARE(a.at(u"C"_s).value, u"=HYPERLINK(\"x\")"_s);
        QCOMPARE(a.at(u"C"_s).type, u"inlineStr"_s);
        // Components in key order: =1+2, C1 (with its chain), N.
        const auto& formula = sheet.rows.at(3);
        QCOMPARE(formula.at(u"B"_s).value, u"=1+2"_s);
        QCOMPARE(formula.at(u"C"_s).value, u"-minus \u0001 and Ω"_s);
        QCOMPARE(formula.at(u"E"_s).value, u"@U"_s);
        QCOMPARE(formula.at(u"F"_s).value.toDouble(), 0.5);
        for (const auto& [number, cells] : sheet.rows)
            for (const auto& [column, cell] : cells)
                QVERIFY2(!cell.formula, qPrintable(u"%1%2"_s.arg(column).arg(number)));
        // The outline follows the level, and stops at Excel's seven.
        QCOMPARE(sheet.outline.at(1), 0);
        QCOMPARE(sheet.outline.at(2), 1);
        QCOMPARE(sheet.outline.at(4), 2);
        QCOMPARE(sheet.rows.at(10).at(u"A"_s).value, u"8"_s);
        QCOMPARE(sheet.outline.at(10), 7);
        QCOMPARE(sheet.outline.at(11), 7);
        // The Null quantity's row has no quantity cell, and its note says so.
        const auto& null = sheet.rows.at(12);
        QCOMPARE(null.at(u"B"_s).value, u"N"_s);
        QVERIFY(!null.count(u"D"_s) && !null.count(u"F"_s));
        QCOMPARE(null.at(u"H"_s).value, u"no quantity"_s);
        // Widths fit the widest text of each column, the header's included, and a margin
        // (which the file holds with Excel's padding: less than one character more).
        QCOMPARE(sheet.widths.size(), size_t(8));
        const auto fits = [&](size_t column, qsizetype characters) {
            return sheet.widths[column] >= double(characters + 2) &&
                   sheet.widths[column] < double(characters + 3);
        };
        QVERIFY(fits(0, u"Level"_s.size()));
        QVERIFY(fits(2, u"=HYPERLINK(\"x\")"_s.size()));

        // Written through a link, the file it names is replaced and the link stays.
        const QString link = QFileInfo(w->database).dir().filePath(u"link.xlsx"_s);
        QVERIFY(QFile::link(path, link) && QFile::remove(path));
        w->desktop.saveAnswers = {link};
        w->window().findChild<QAction*>(u"Indented Bill (Excel)…"_s)->trigger();
        QVERIFY(QFileInfo(link).isSymLink() && readSheet(path).rows.size() == 12);

        // The summarised workbook: each item once, with its total as a number.
        const QString summaryPath = QFileInfo(w->database).dir().filePath(u"summary.xlsx"_s);
        w->desktop.saveAnswers = {summaryPath};
        w->window().findChild<QAction*>(u"Summarised Bill (Excel)…"_s)->trigger();
        const Sheet summary = readSheet(summaryPath);
        QVERIFY(summary.wellFormed);
        QCOMPARE(summary.frozenPane, u"A2"_s);
        QCOMPARE(summary.rows.at(1).at(u"C"_s).value, u"Total Quantity"_s);
        std::map<QString, QString> totals;
        for (const auto& [number, cells] : summary.rows)
            if (number > 1)
                totals[cells.at(u"A"_s).value] =
                    cells.count(u"C"_s) ? cells.at(u"C"_s).value : u"(none)"_s;
        QCOMPARE(totals.at(u"A"_s), u"2"_s);
        QCOMPARE(totals.at(u"=1+2"_s), u"0.5"_s);
        QCOMPARE(totals.at(u"C8"_s), u"6"_s);
        QCOMPARE(totals.at(u"N"_s), u"(none)"_s);
    }

    void rowLimitsProgressAndCancel() {
        // Each item of a level uses every item of the next: 10 + 100 + ... rows from few lines.
        const auto load = [](tree::BomTreeModel& model, int levels) {
            QHash<QString, store::ComponentLines> lines;
            const auto id = [](int level, int i) { return u"E%1-%2"_s.arg(level).arg(i); };
            for (int level = 0; level < levels; ++level)
                for (int i = 0; i < (level == 0 ? 1 : 10); ++i)
                    for (int c = 0; c < 10; ++c)
                        lines[store::foldKey(level == 0 ? u"TOP"_s : id(level, i))].append(
                            {id(level + 1, c), 1.0, u"EA"_s, {}, true, {}});
            model.document().load(u"TOP"_s, lines);
        };
        QTemporaryDir dir;
        ScriptedDesktop desktop;
        tree::BomDocument modelBill;
        tree::BomTreeModel model{modelBill};
        ExportContext context(desktop, model, dir.filePath(u"bom.db"_s), QString());
        shell::ExportCommands commands(context);
        const QString path = dir.filePath(u"big.xlsx"_s);

        // 1,111,110 rows: more than a worksheet holds, refused before the file is asked for.
        load(model, 6);
        commands.exportIndentedXlsx();
        QCOMPARE(desktop.asked.size(), 1);
        QVERIFY2(desktop.messageTexts().value(0).startsWith(
                     u"1340 The bill of material has %1 rows"_s.arg(QLocale().toString(1'111'110))),
                 qPrintable(desktop.messageTexts().value(0)));

        // 111,110 rows: the progress shows, and Cancel writes nothing and leaves nothing.
        load(model, 5);
        desktop.asked.clear();
        desktop.saveAnswers = {path};
        desktop.cancelProgressAfter = 2;
        commands.exportIndentedXlsx();
        desktop.cancelProgressAfter = -1;
        QCOMPARE(context.status(), u"Indented bill not written: cancelled."_s);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
        // Written whole, every row is there, at its outline level.
        desktop.saveAnswers = {path};
        commands.exportIndentedXlsx();
        QCOMPARE(context.status(), u"Indented bill written to %1: %2 rows."_s.arg(path, QLocale().toString(111'110)));
        const Sheet sheet = readSheet(path);
        QVERIFY(sheet.wellFormed);
        QCOMPARE(sheet.rows.size(), size_t(111'111));
        QCOMPARE(sheet.outline.at(111'111), 5);
        QCOMPARE(sheet.rows.at(111'111).at(u"B"_s).value, u"E5-9"_s);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"big.xlsx"_s});
    }

    void textsThatLookLikeEscapesReadBackAsStored() {
        // A spreadsheet reads "_xHHHH_" in a cell as the character it names: IDs and texts
        // that hold such sequences themselves must still read back exactly.
        const QStringList texts{u"US_x0041_"_s, u"_x0041_x0042_ and _X0041_"_s, u"a_x005F_b"_s,
                                u"Z_x12_ _xZZZZ_ x0041_"_s};
        WindowFixture w({{u"TOP"_s, u"Top"_s, u"EA"_s}, {texts[0], texts[1], texts[2]},
                         {texts[3], texts[3], texts[0]}},
                        {{u"TOP"_s, texts[0], 1.0}, {u"TOP"_s, texts[3], 2.0}});
        w.load(u"TOP"_s);
        const QString path = QFileInfo(w.database).dir().filePath(u"escapes.xlsx"_s);
        w.desktop.saveAnswers = {path};
        w.window().findChild<QAction*>(u"Indented Bill (Excel)…"_s)->trigger();
        QCOMPARE(w.desktop.messageTexts(), QStringList());
        const Sheet sheet = readSheet(path);
        QVERIFY(sheet.wellFormed);
        const auto& first = sheet.rows.at(2);
        QCOMPARE(first.at(u"B"_s).value, texts[0]);
        QCOMPARE(first.at(u"C"_s).value, texts[1]);
        QCOMPARE(first.at(u"E"_s).value, texts[2]);
        const auto& second = sheet.rows.at(3);
        QCOMPARE(second.at(u"B"_s).value, texts[3]);
        QCOMPARE(second.at(u"C"_s).value, texts[3]);
        QCOMPARE(second.at(u"E"_s).value, texts[0]);
    }

    void aFailureLeavesThePreviousFileAndNothingElse() {
        // A text longer than a cell holds fails the export whole, naming the cause.
        WindowFixture w({{u"TOP"_s, u"Top"_s, u"EA"_s}, {u"LONG"_s, QString(40'000, u'x'), u"EA"_s}},
                        {{u"TOP"_s, u"LONG"_s, 1.0}});
        w.load(u"TOP"_s);
        const QDir folder = QFileInfo(w.database).dir();
        const QString kept = folder.filePath(u"kept.xlsx"_s);
        QFile file(kept);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("before") == 6);
        file.close();
        const QStringList before = folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        w.desktop.saveAnswers = {kept};
        w.window().findChild<QAction*>(u"Summarised Bill (Excel)…"_s)->trigger();
        QCOMPARE(w.desktop.messageTexts().size(), 1);
        QVERIFY2(w.desktop.messageTexts()[0].startsWith(u"1201 The file could not be written: %1 ("_s.arg(kept)),
                 qPrintable(w.desktop.messageTexts()[0]));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("before"));
        QCOMPARE(folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
    }
};

QTEST_MAIN(XlsxExportTest)
#include "xlsx_export_test.moc"
