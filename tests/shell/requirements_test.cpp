// Tools ▸ Requirements… in the window: the plan from the loaded item, an item added with the
// find box and rows pasted from a spreadsheet, the answer, its CSV file, Copy, and a plan
// that cannot be worked out.

#include "shell/edit/ItemPickDialog.h"
#include "shell/plan/RequirementsDialog.h"
#include "shell/window/ItemFindField.h"
#include "tree/BomTreeModel.h"
#include "support/WindowFixture.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
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

} // namespace

class RequirementsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void plansFromTheWindow();
};

void RequirementsTest::plansFromTheWindow() {
    // TOP uses SUB twice and BOLT once; SUB uses BOLT four times and NUT with no quantity; KIT
    // uses SUB.
    WindowFixture w({{u"TOP"_s, u"Top"_s, u"EA"_s},
                     {u"SUB"_s, u"Sub"_s, u"EA"_s},
                     {u"BOLT"_s, u"Bolt"_s, u"PC"_s},
                     {u"NUT"_s, u"Nut"_s, u"PC"_s},
                     {u"KIT"_s, u"Kit"_s, u"EA"_s}},
                    {{u"TOP"_s, u"SUB"_s, 2.0},
                     {u"SUB"_s, u"BOLT"_s, 4.0},
                     {u"TOP"_s, u"BOLT"_s, 1.0},
                     {u"SUB"_s, u"NUT"_s, QVariant()},
                     {u"KIT"_s, u"sub"_s, 1.0}});
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
    dialog->findChild<QPushButton*>(u"cmdPasteRows"_s)->click();
    QCOMPARE(dialog->planLines().size(), size_t(2));
    QCOMPARE(dialog->planLines().front().quantity, u"40"_s);

    dialog->findChild<QPushButton*>(u"cmdWorkOut"_s)->click();
    QCOMPARE(w.desktop.messageTexts(), QStringList());
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
    QCOMPARE(w.desktop.messageTexts().size(), 1);
    QVERIFY(w.desktop.messageTexts().front().startsWith(u"1421 "_s));
    QVERIFY(w.desktop.messageTexts().front().contains(u"KIT"_s));
}

QTEST_MAIN(RequirementsTest)
#include "requirements_test.moc"
