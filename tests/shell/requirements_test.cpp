// Tools ▸ Requirements… in the window: the plan from the loaded item, an item added with the
// find box and rows pasted from a spreadsheet, the answer, its CSV file, Copy, and a plan
// that cannot be worked out; items the Item Master lacks, pasted items listed already, and
// what the files record of the plan.

#include "shell/edit/ItemPickDialog.h"
#include "shell/plan/RequirementsDialog.h"
#include "shell/window/ItemFindField.h"
#include "support/WindowFixture.h"
#include "tree/bill/BomTreeModel.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QComboBox>
#include <QTableView>
#include <QTableWidget>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

/// The answer's lines as "ITEM|TOTAL|LEVEL|MADE|NEEDED BY|NOTE".
QStringList listed(shell::RequirementsDialog& dialog) {
    QStringList lines;
    const QAbstractItemModel& model = *dialog.findChild<QTableView*>(u"tblRequirements"_s)->model();
    for (int row = 0; row < model.rowCount(); ++row) {
        QStringList cells;
        for (int column : {0, 1, 4, 5, 6, 7})
            cells.append(model.index(row, column).data().toString());
        lines.append(cells.join(u'|'));
    }
    return lines;
}

/// The five items and lines both cases plan over: TOP uses SUB twice and BOLT once; SUB uses
/// BOLT four times and NUT with no quantity; KIT uses SUB.
const std::vector<ItemRow> Items{{u"TOP"_s, u"Top"_s, u"EA"_s},
                                 {u"SUB"_s, u"Sub"_s, u"EA"_s},
                                 {u"BOLT"_s, u"Bolt"_s, u"PC"_s},
                                 {u"NUT"_s, u"Nut"_s, u"PC"_s},
                                 {u"KIT"_s, u"Kit"_s, u"EA"_s}};
const std::vector<Line> Lines{{u"TOP"_s, u"SUB"_s, 2.0},
                              {u"SUB"_s, u"BOLT"_s, 4.0},
                              {u"TOP"_s, u"BOLT"_s, 1.0},
                              {u"SUB"_s, u"NUT"_s, QVariant()},
                              {u"KIT"_s, u"sub"_s, 1.0}};

/// The numbered messages shown, leaving out the questions.
QStringList errors(WindowFixture& w) {
    QStringList numbered;
    for (const QString& text : w.desktop.messageTexts())
        if (text.size() > 5 && text[4] == u' ' && text.left(4).toInt() > 0)
            numbered.append(text);
    return numbered;
}

QStringList planOf(const shell::RequirementsDialog& dialog) {
    QStringList plan;
    for (const auto& line : dialog.planLines())
        plan.append(line.item + u' ' + line.quantity);
    return plan;
}

QByteArray unzipped(const QString& workbook, const QString& part) {
    QProcess unzip;
    unzip.start(u"unzip"_s, {u"-p"_s, workbook, part});
    return unzip.waitForFinished(30'000) ? unzip.readAllStandardOutput() : QByteArray();
}

} // namespace

class RequirementsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void plansFromTheWindow();
    void refusesWhatTheItemMasterLacks();
    void filesRecordThePlan();
};

void RequirementsTest::plansFromTheWindow() {
    // TOP uses SUB twice and BOLT once; SUB uses BOLT four times and NUT with no quantity; KIT
    // uses SUB.
    WindowFixture w(Items, Lines);
    w.load(u"TOP"_s);
    w.window().findChild<QAction*>(u"mnuRequirements"_s)->trigger();
    auto* dialog = w.window().findChild<shell::RequirementsDialog*>();
    QVERIFY(dialog);
    QCOMPARE(dialog->planLines().size(), size_t(1));
    QCOMPARE(dialog->planLines().front().item, u"TOP"_s);

    // KIT through the find box, its quantity typed; TOP's quantity from a pasted row.
    w.desktop.dialogAnswers.append([](QDialog& shown) {
        auto& pick = static_cast<shell::ItemPickDialog&>(shown);
        pick.findField().setText(u"kit"_s);
        return int(QDialog::Accepted);
    });
    dialog->findChild<QPushButton*>(u"cmdAddItem"_s)->click();
    QCOMPARE(dialog->planLines().size(), size_t(2));
    dialog->addPlanLine(u"KIT"_s, u"5"_s);
    QApplication::clipboard()->setText(u"Item ID\tQuantity\ntop\t40\n"_s);
    w.desktop.messageAnswers.append(desktop::ResultNo); // the pasted quantity replaces TOP's
    dialog->findChild<QPushButton*>(u"cmdPasteRows"_s)->click();
    QCOMPARE(dialog->planLines().size(), size_t(2));
    QCOMPARE(dialog->planLines().front().quantity, u"40"_s);

    dialog->findChild<QPushButton*>(u"cmdWorkOut"_s)->click();
    QCOMPARE(errors(w), QStringList());
    // SUB: 40 × 2 + 5 × 1; BOLT: 40 × 1 + 40 × 2 × 4 + 5 × 4; NUT: no total.
    QCOMPARE(listed(*dialog), (QStringList{u"SUB|85|1|made|TOP, KIT|"_s,
                                           u"BOLT|380|2|bought|TOP, KIT|"_s,
                                           u"NUT||2|bought|TOP, KIT|no quantity on a path"_s}));
    QVERIFY(dialog->findChild<QLabel*>(u"lblRequirements"_s)->text().contains(u"1 item without a total"_s));

    // Bought parts only, with the listed items themselves: the bill's parents drop out.
    dialog->findChild<QCheckBox*>(u"chkBoughtOnly"_s)->setChecked(true);
    dialog->findChild<QPushButton*>(u"cmdWorkOut"_s)->click();
    QCOMPARE(listed(*dialog), (QStringList{u"BOLT|380|2|bought|TOP, KIT|"_s,
                                           u"NUT||2|bought|TOP, KIT|no quantity on a path"_s}));

    // The CSV file and Copy hold what the window shows, quantities exact.
    const QString csv = w.folder() + u"/plan.csv"_s;
    w.desktop.saveAnswers.append(csv);
    dialog->findChild<QPushButton*>(u"cmdExportCsv"_s)->click();
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(),
             "Item ID,Total Quantity,UOM,Description,Level,Made or Bought,Needed By,Note\r\n"
             "BOLT,380,PC,Bolt,2,bought,\"TOP, KIT\",\r\n"
             "NUT,,PC,Nut,2,bought,\"TOP, KIT\",no quantity on a path\r\n");
    dialog->findChild<QPushButton*>(u"cmdCopy"_s)->click();
    QCOMPARE(QApplication::clipboard()->text().split(u'\n')[1],
             u"BOLT\t380\tPC\tBolt\t2\tbought\tTOP, KIT\t"_s);

    // Enter on a line loads its bill in the main window.
    dialog->findChild<QCheckBox*>(u"chkBoughtOnly"_s)->setChecked(false);
    dialog->findChild<QPushButton*>(u"cmdWorkOut"_s)->click();
    auto* table = dialog->findChild<QTableView*>(u"tblRequirements"_s);
    table->setCurrentIndex(table->model()->index(0, 0));
    QTest::keyClick(table, Qt::Key_Return);
    QTRY_COMPARE(w.model().topAssembly(), u"SUB"_s);

    // A quantity that is no number above 0 is refused, with its item named.
    dialog->addPlanLine(u"KIT"_s, u"-2"_s);
    dialog->findChild<QPushButton*>(u"cmdWorkOut"_s)->click();
    QCOMPARE(errors(w).size(), 1);
    QVERIFY(errors(w).front().startsWith(u"1421 "_s));
    QVERIFY(errors(w).front().contains(u"KIT"_s));
}

// An item the Item Master lacks is marked as soon as it is listed, with the nearest IDs, and
// Work Out is refused with its row named until it is mended; pasted rows are read with the
// main paste's headers and its remembered column choices, each kept for exactly its header;
// an item pasted again asks whether its quantities add up.
void RequirementsTest::refusesWhatTheItemMasterLacks() {
    WindowFixture w(Items, Lines);
    w.load(u"TOP"_s);
    w.window().findChild<QAction*>(u"mnuRequirements"_s)->trigger();
    auto* dialog = w.window().findChild<shell::RequirementsDialog*>();
    auto* plan = dialog->findChild<QTableWidget*>(u"tblPlan"_s);
    const auto paste = [&](const QString& text) {
        QApplication::clipboard()->setText(text);
        dialog->findChild<QPushButton*>(u"cmdPasteRows"_s)->click();
    };
    const auto workOut = [&] { dialog->findChild<QPushButton*>(u"cmdWorkOut"_s)->click(); };

    // "Item" names the item column; "top" is TOP, listed already: its quantities are added.
    w.desktop.messageAnswers.append(desktop::ResultYes);
    paste(u"Item\tQuantity\nBOLTS\t3\ntop\t40\n"_s);
    QCOMPARE(w.desktop.asked.last().buttons, (QStringList{u"&Add"_s, u"&Replace"_s, u"Cancel"_s}));
    QVERIFY(w.desktop.asked.last().text.contains(u"The pasted item is listed already: top."_s));
    QCOMPARE(planOf(*dialog), (QStringList{u"TOP 41"_s, u"BOLTS 3"_s}));
    QCOMPARE(dialog->itemNote(1), u"not in the Item Master \u2014 did you mean BOLT?"_s);
    QCOMPARE(dialog->itemNote(0), QString());
    QCOMPARE(dialog->findChild<QLabel*>(u"lblPlanNote"_s)->text(),
             u"2 rows pasted: 1 new line; the pasted quantities added to those listed (top). "
             "1 item is not in the Item Master: mend or remove its row before Work Out."_s);

    workOut();
    QCOMPARE(errors(w).size(), 1);
    QCOMPARE(errors(w).last(),
             u"1422 BOLTS (row 2) is not in the Item Master \u2014 did you mean BOLT? Mend or "
             "remove its row, then Work Out again."_s);
    QVERIFY(dialog->requirements().empty());

    // Typed over, the row is checked at once and takes the Item Master's spelling.
    plan->item(1, 0)->setText(u"nutt"_s);
    QTRY_COMPARE(dialog->itemNote(1), u"not in the Item Master \u2014 did you mean NUT?"_s);
    plan->item(1, 0)->setText(u"bolt"_s);
    QTRY_COMPARE(dialog->itemNote(1), QString());
    QCOMPARE(planOf(*dialog), (QStringList{u"TOP 41"_s, u"BOLT 3"_s}));
    workOut();
    QCOMPARE(errors(w).size(), 1);
    QCOMPARE(listed(*dialog).value(1), u"BOLT|369|2|bought|TOP|"_s);

    // Cancel at the question leaves the plan as it was; Replace takes the pasted quantity.
    w.desktop.messageAnswers.append(desktop::ResultCancel);
    paste(u"BOLT\t7\n"_s);
    QCOMPARE(planOf(*dialog), (QStringList{u"TOP 41"_s, u"BOLT 3"_s}));
    w.desktop.messageAnswers.append(desktop::ResultNo);
    paste(u"BOLT\t7\n"_s);
    QCOMPARE(planOf(*dialog), (QStringList{u"TOP 41"_s, u"BOLT 7"_s}));

    // A header the editor does not know is asked about once, and the answer kept for exactly
    // that header: another whose fields run together the same way is asked about anew.
    const auto answer = [](int id, int quantity) {
        return [id, quantity](QDialog& shown) {
            shown.findChild<QComboBox*>(u"IdColumn"_s)->setCurrentIndex(id);
            shown.findChild<QComboBox*>(u"QuantityColumn"_s)->setCurrentIndex(quantity);
            return int(QDialog::Accepted);
        };
    };
    const auto columnQuestions = [&] {
        return std::count_if(w.desktop.asked.cbegin(), w.desktop.asked.cend(),
                             [](const auto& q) { return q.text == u"PasteColumns"_s; });
    };
    w.desktop.dialogAnswers.append(answer(0, 1));
    paste(u"Name\tPieces\tNote\nKIT\t2\tx\n"_s);
    paste(u"Name\tPieces\tNote\nSUB\t4\ty\n"_s);
    QCOMPARE(columnQuestions(), 2 - 1);
    w.desktop.dialogAnswers.append(answer(1, 0));
    paste(u"\"Name\tPieces\"\tNote\n5\tNUT\n"_s);
    QCOMPARE(columnQuestions(), 2);
    QCOMPARE(planOf(*dialog),
             (QStringList{u"TOP 41"_s, u"BOLT 7"_s, u"KIT 2"_s, u"SUB 4"_s, u"NUT 5"_s}));

    // A total past what a number holds is said, never shown as "inf".
    w.desktop.messageAnswers.append(desktop::ResultNo);
    paste(u"TOP\t1e308\n"_s);
    workOut();
    QCOMPARE(errors(w).size(), 1);
    QVERIFY(dialog->findChild<QLabel*>(u"lblRequirements"_s)->text().contains(u"past what a number holds"_s));
    QVERIFY2(listed(*dialog).contains(
        u"SUB||1|made|TOP, KIT|total past what a number holds (above 1.79769313486232e+308)"_s),
        qPrintable(listed(*dialog).join(u'\n')));
    QVERIFY(!dialog->requirementsText().contains(u"inf"_s));
}

// The files record the plan worked out: with the title block, its items, options, database
// and time above the list; a workbook always has the items to build on a sheet of their own;
// the proposed name names the plan.
void RequirementsTest::filesRecordThePlan() {
    WindowFixture w(Items, Lines);
    w.load(u"TOP"_s);
    w.window().findChild<QAction*>(u"mnuRequirements"_s)->trigger();
    auto* dialog = w.window().findChild<shell::RequirementsDialog*>();
    dialog->addPlanLine(u"KIT"_s, u"2.5"_s);
    dialog->findChild<QCheckBox*>(u"chkBoughtOnly"_s)->setChecked(true);
    dialog->findChild<QPushButton*>(u"cmdWorkOut"_s)->click();
    // Typed after the answer: the files record the plan the answer is of.
    dialog->addPlanLine(u"NUT"_s, u"9"_s);
    for (QAction* action : w.window().findChildren<QAction*>())
        if (action->text() == u"&With Title Block"_s)
            action->setChecked(true);

    const QString csv = w.folder() + u"/plan.csv"_s;
    w.desktop.saveAnswers.append(csv);
    dialog->findChild<QPushButton*>(u"cmdExportCsv"_s)->click();
    QVERIFY(w.desktop.asked.last().defaultText.endsWith(u"/TOP+KIT-requirements.csv"_s));
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> records = file.readAll().split('\n');
    QCOMPARE(records.mid(0, 4),
             (QList<QByteArray>{"To build,TOP,1\r", "To build,KIT,2.5\r", "Options,bought parts only\r",
                                "Database," + w.database.toUtf8() + "\r"}));
    QVERIFY(records[4].startsWith("Worked out," + QDate::currentDate().toString(Qt::ISODate).toUtf8() + 'T'));
    QCOMPARE(records.mid(5, 2), (QList<QByteArray>{"\r", "Item ID,Total Quantity,UOM,Description,"
                                                          "Level,Made or Bought,Needed By,Note\r"}));

    const QString xlsx = w.folder() + u"/plan.xlsx"_s;
    w.desktop.saveAnswers.append(xlsx);
    dialog->findChild<QPushButton*>(u"cmdExportExcel"_s)->click();
    QVERIFY(unzipped(xlsx, u"xl/workbook.xml"_s).contains("name=\"Items to Build\""));
    const QByteArray items = unzipped(xlsx, u"xl/worksheets/sheet2.xml"_s);
    for (const char* cell : {"<t>Item ID</t>", "<t>TOP</t>", "<t>KIT</t>", "<v>2.5</v>",
                             "<t>bought parts only</t>"})
        QVERIFY2(items.contains(cell), cell);
    QVERIFY(!items.contains("<t>NUT</t>"));
    QVERIFY(unzipped(xlsx, u"xl/worksheets/sheet1.xml"_s).contains("<t>1 × TOP, 2.5 × KIT</t>"));
}

QTEST_MAIN(RequirementsTest)
#include "requirements_test.moc"
