// Tools ▸ Compare Bills… in the window: B from another database file, the two tabs, Hide
// unchanged, the CSV export and the keys, with scripted dialogs.

#include "shell/compare/CompareDialog.h"
#include "shell/history/AsOfView.h"
#include "store/History.h"
#include "support/BackendSuite.h"
#include "support/WindowFixture.h"
#include "tree/bill/BomTreeModel.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QThread>
#include <QTreeView>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

/// The table's lines as "ITEM A B DIFFERENCE MARK", cells separated by '|'.
QStringList listed(QTableView& table) {
    QStringList lines;
    const QAbstractItemModel& model = *table.model();
    for (int row = 0; row < model.rowCount(); ++row) {
        QStringList cells;
        for (int column : {1, 3, 4, 5, 6})
            cells.append(model.index(row, column).data().toString().trimmed());
        lines.append(cells.join(u'|'));
    }
    return lines;
}

} // namespace

class CompareTest : public ServerSuite {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { qunsetenv("PGPASSWORD"); }

    void comparesWithAServer() {
        if (!needServer())
            return;
        // B: the same item on a server, where an ID is spelled in another case and SUB's
        // line to BOLT has no quantity.
        StoreBackend(StoreBackend::Postgres, {}, &m_server)
            .write({{u"TOP"_s, u"Top"_s, u"EA"_s}, {u"SUB"_s, {}, u"EA"_s}, {u"BOLT"_s, {}, u"PC"_s}},
                   {{u"TOP"_s, u"sub"_s, 2.0}, {u"SUB"_s, u"BOLT"_s, QVariant()}});
        WindowFixture w({{u"TOP"_s, u"Top"_s, u"EA"_s}, {u"SUB"_s, {}, u"EA"_s}, {u"BOLT"_s, {}, u"PC"_s}},
                        {{u"TOP"_s, u"SUB"_s, 2.0}, {u"SUB"_s, u"BOLT"_s, 4.0}, {u"TOP"_s, u"BOLT"_s, 1.0}});
        w.load(u"TOP"_s);
        w.window().findChild<QAction*>(u"mnuCompareBills"_s)->trigger();
        auto* dialog = w.window().findChild<shell::CompareDialog*>();
        auto* source = dialog->findChild<QComboBox*>(u"sourceB"_s);
        // Down twice: the file dialog (cancelled), then the server's login.
        QTest::keyClick(source, Qt::Key_Down);
        QCOMPARE(source->currentIndex(), 0);
        source->setCurrentIndex(1);
        w.desktop.formAnswers = {QStringList{m_server.socketFolder(), QString(), u"postgres"_s,
                                             m_server.user()}};
        QTest::keyClick(source, Qt::Key_Down);
        QCOMPARE(source->currentIndex(), 2);
        dialog->findChild<QPushButton*>(u"compare"_s)->click();
        QCOMPARE(w.desktop.messageTexts(), QStringList());
        QCOMPARE(listed(*dialog->findChild<QTableView*>(u"summarisedTable"_s)),
                 (QStringList{u"BOLT|9|||Changed"_s, u"SUB|2|2|0|Unchanged"_s}));
        QCOMPARE(listed(*dialog->findChild<QTableView*>(u"indentedTable"_s)),
                 (QStringList{u"BOLT|1|–|-1|Removed"_s, u"SUB|2|2|0|Unchanged"_s,
                              u"BOLT|4|||Changed"_s}));
        QVERIFY(dialog->findChild<QLabel*>(u"compareHeading"_s)->text().contains(u"B: TOP in postgresql://"_s));
    }

    /// "Now against a moment ago": B is the same item as of a moment before another
    /// program's change and one of the editor's, rebuilt from the history; the bill as of that
    /// moment shows read-only in a window of its own.
    void comparesNowWithTheBillAsOfAMoment() {
        store::setFileHistoryKept(true);
        WindowFixture w({{u"TOP"_s, u"Top"_s, u"EA"_s}, {u"SUB"_s, {}, u"EA"_s}, {u"BOLT"_s, {}, u"PC"_s}},
                        {{u"TOP"_s, u"SUB"_s, 2.0}, {u"SUB"_s, u"BOLT"_s, 4.0}});
        store::openHistory(w.database);
        QThread::msleep(5);
        const QDateTime before = QDateTime::currentDateTime();
        QThread::msleep(5);
        execOn(w.database, {u"UPDATE BomDetail SET bomQtyReq = 6 WHERE BomComp = 'BOLT'"_s});
        store::openStore(w.database)->addLine(u"TOP"_s, u"BOLT"_s, 1.0, QDateTime::currentDateTime());
        store::setFileHistoryKept(false);
        w.load(u"TOP"_s);

        w.window().findChild<QAction*>(u"mnuCompareBills"_s)->trigger();
        auto* dialog = w.window().findChild<shell::CompareDialog*>();
        dialog->findChild<QCheckBox*>(u"asOfB"_s)->setChecked(true);
        dialog->findChild<QDateTimeEdit*>(u"asOfBMoment"_s)->setDateTime(before);
        dialog->findChild<QPushButton*>(u"compare"_s)->click();
        QCOMPARE(w.desktop.messageTexts(), QStringList());
        QCOMPARE(listed(*dialog->findChild<QTableView*>(u"indentedTable"_s)),
                 (QStringList{u"BOLT|1|–|-1|Removed"_s, u"SUB|2|2|0|Unchanged"_s,
                              u"BOLT|6|4|-2|Changed"_s}));
        QVERIFY(dialog->findChild<QLabel*>(u"compareHeading"_s)->text().contains(u" as of "_s));

        w.window().findChild<QAction*>(u"mnuAsOf"_s)->trigger();
        auto* asOf = w.window().findChild<shell::AsOfDialog*>();
        asOf->setMoment(before);
        asOf->findChild<QPushButton*>(u"cmdShowAsOf"_s)->click();
        QTreeView& tree = asOf->tree();
        tree.expandAll();
        const QAbstractItemModel& model = *tree.model();
        QCOMPARE(model.rowCount(), 1);
        const QModelIndex sub = model.index(0, 0);
        QCOMPARE(sub.data().toString(), u"SUB"_s);
        QCOMPARE(model.index(0, 0, sub).data().toString(), u"BOLT"_s);
        QCOMPARE(model.index(0, 1, sub).data().toString(), u"4"_s);
        QCOMPARE(tree.editTriggers(), QAbstractItemView::NoEditTriggers);
        // The window's own tree shows the bill as it is.
        QCOMPARE(w.window().findChild<tree::BomTreeModel*>()->rowCount(), 2);
    }

    void comparesWithAnotherFile() {
        const std::vector<ItemRow> items{{u"TOP"_s, u"Top"_s, u"EA"_s}, {u"A"_s, u"Frame"_s, u"EA"_s},
                                         {u"B"_s, u"Bolt"_s, u"EA"_s}, {u"C"_s, u"Cap"_s, u"EA"_s},
                                         {u"=D"_s, u"Disc"_s, u"EA"_s}};
        WindowFixture w(items, {{u"TOP"_s, u"A"_s, 2.0},
                                {u"A"_s, u"B"_s, 3.0},
                                {u"A"_s, u"C"_s, 1.0},
                                {u"TOP"_s, u"=D"_s, QVariant()}});
        // B: the same item in another file, where A uses 4 B, C is gone, and E is new.
        const QString other = QDir(w.folder()).filePath(u"other.db"_s);
        writeDatabase(other, items,
                      {{u"top"_s, u"A"_s, 2.0},
                       {u"A"_s, u"b"_s, 4.0},
                       {u"A"_s, u"E"_s, 1.0},
                       {u"TOP"_s, u"=D"_s, QVariant()}});
        w.load(u"TOP"_s);
        QAction* command = w.window().findChild<QAction*>(u"mnuCompareBills"_s);
        QVERIFY(command && command->text().remove(u'&') == u"Compare Bills…"_s);
        command->trigger();
        auto* dialog = w.window().findChild<shell::CompareDialog*>();
        QVERIFY(dialog && dialog->isVisible());
        auto* itemA = dialog->findChild<QLineEdit*>(u"itemA"_s);
        auto* itemB = dialog->findChild<QLineEdit*>(u"itemB"_s);
        QCOMPARE(itemA->text(), u"TOP"_s);
        QCOMPARE(itemB->text(), u"TOP"_s);

        // The file dialog cancelled: B stays in this database.
        auto* source = dialog->findChild<QComboBox*>(u"sourceB"_s);
        source->setFocus();
        QTest::keyClick(source, Qt::Key_Down);
        QCOMPARE(w.desktop.asked.last().kind, u"file"_s);
        QCOMPARE(source->currentIndex(), 0);
        w.desktop.fileAnswers = {other};
        QTest::keyClick(source, Qt::Key_Down);
        QCOMPARE(source->currentIndex(), 1);
        QVERIFY(dialog->findChild<QLabel*>(u"locationB"_s)->text().endsWith(u"other.db"_s));

        // Enter in an item field compares.
        QTest::keyClick(itemB, Qt::Key_Return);
        QCOMPARE(w.desktop.messageTexts(), QStringList());
        auto* summarised = dialog->findChild<QTableView*>(u"summarisedTable"_s);
        auto* indented = dialog->findChild<QTableView*>(u"indentedTable"_s);
        QCOMPARE(listed(*summarised),
                 (QStringList{u"=D||||Unknown"_s, u"A|2|2|0|Unchanged"_s, u"B|6|8|+2|Changed"_s,
                              u"C|2|–|-2|Removed"_s, u"E|–|2|+2|Added"_s}));
        QCOMPARE(listed(*indented),
                 (QStringList{u"=D||||Unknown"_s, u"A|2|2|0|Unchanged"_s, u"B|3|4|+1|Changed"_s,
                              u"C|1|–|-1|Removed"_s, u"E|–|1|+1|Added"_s}));
        QVERIFY(dialog->findChild<QLabel*>(u"compareHeading"_s)
                    ->text()
                    .contains(u"5 items: 1 added, 1 removed, 1 changed, 1 unchanged, 1 without"_s));

        // Hide unchanged: the indented tab keeps A, above its changes.
        dialog->findChild<QCheckBox*>(u"hideUnchanged"_s)->setChecked(true);
        QCOMPARE(listed(*summarised).size(), 4);
        QCOMPARE(listed(*indented).size(), 5);
        QCOMPARE(listed(*summarised).value(1), u"B|6|8|+2|Changed"_s);

        // Export CSV… writes the tab shown, as shown, with the exports' formula guard.
        dialog->findChild<QTabWidget*>(u"compareTabs"_s)->setCurrentIndex(1);
        const QString path = QDir(w.folder()).filePath(u"compare.csv"_s);
        w.desktop.saveAnswers = {path};
        dialog->findChild<QPushButton*>(u"exportComparison"_s)->click();
        QCOMPARE(w.desktop.asked.last().defaultText,
                 QFileInfo(w.database).dir().filePath(u"TOP-compare-indented.csv"_s));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> records = file.readAll().split('\n');
        QCOMPARE(records.value(0), QByteArray("Level,Item ID,Description,UOM,Quantity A,Quantity B,"
                                              "Difference,Mark,Note\r"));
        QCOMPARE(records.value(3), QByteArray("2,B,Bolt,EA,3,4,1,Changed,\r"));
        QCOMPARE(records.value(1), QByteArray("1,'=D,Disc,EA,,,,Unknown,no quantity in A; no quantity in B\r"));
        QCOMPARE(w.status(), u"Comparison written to %1: 5 rows."_s.arg(path));

        // An item B that B's database does not hold is said to be so, not only "removed".
        itemB->setText(u"NO'SUCH"_s);
        QTest::keyClick(itemB, Qt::Key_Return);
        QVERIFY(dialog->findChild<QLabel*>(u"compareHeading"_s)
                    ->text()
                    .contains(u"B: NO'SUCH (not in the Item Master, no bill) in "_s));

        // An empty item is refused with its number; Esc closes the window.
        itemA->clear();
        QTest::keyClick(itemA, Qt::Key_Return);
        QVERIFY(w.desktop.messageTexts().value(0).startsWith(u"1341 "_s));
        QTest::keyClick(dialog, Qt::Key_Escape);
        QVERIFY(!dialog->isVisible());
    }
};

QTEST_MAIN(CompareTest)
#include "compare_test.moc"
