#include "shell/database/DatabaseChoice.h"
#include "shell/window/BomTreeView.h"
#include "store/StoreError.h"
#include "store/sqlite/SqliteStore.h"
#include "support/WindowFixture.h"
#include "tree/bill/BillReads.h"
#include "tree/bill/BomDocument.h"
#include "tree/bill/BomTreeModel.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QAction>
#include <QBrush>
#include <QTest>

namespace {

QVariant text(const char* s) { return QString::fromUtf8(s); }

std::vector<ItemRow> catalogue() {
    return {{"A", text("Frame assembly"), text("EA")},
            {"B", text("Bracket"), text("EA")},
            {"C", text("Cable"), text("M")},
            {"D", text("Bolt"), {}},
            {"NODESC", {}, text("EA")},
            {"EMPTYDESC", text(""), text("EA")},
            {"LEAF", text("Just a part"), text("EA")}};
}

} // namespace

class TreeLoadTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void loadsTheStructureAndMakesNodesAsTheyAreOpened() {
        WindowFixture f(catalogue(), {{"A", "C", 2}, {"B", "D", 4}, {"A", "B", 1}});
        f.label("Label7").setText(QStringLiteral("old"));
        f.label("Label8").setText(QStringLiteral("old"));
        f.label("Label9").setText(QStringLiteral("old"));
        f.load(QStringLiteral("A"));

        QCOMPARE(f.model().nodeCount(), 2); // the top level, B still closed
        QVERIFY(f.model().hasChildren(f.node("B")));
        QCOMPARE(f.model().structureRows(), qint64(3));
        QCOMPARE(f.outline(), QStringLiteral("B[D] C"));
        QCOMPARE(f.model().creationIndex(f.node("B")), 1);
        QCOMPARE(f.model().creationIndex(f.node("C")), 2);
        QCOMPARE(f.model().creationIndex(f.node("B/D")), 3);
        QVERIFY(!f.tree().isExpanded(f.node("B")));
        QVERIFY(!f.tree().selectedNode().isValid());
        QCOMPARE(f.label("Label10").text(), QStringLiteral("Frame assembly"));
        for (const char* cleared : {"Label7", "Label8", "Label9"})
            QVERIFY(f.label(cleared).text().isEmpty());
        QCOMPARE(f.status(), f.database);
        QCOMPARE(f.desktop.busyDepth, 0);
        QVERIFY(f.desktop.maxBusyDepth >= 1);
        QVERIFY(f.desktop.messages().isEmpty());
    }

    void repeatsSubAssembliesAndKeepsKeyOrder() {
        // Stored out of order; the sub-assembly S appears under two assemblies.
        WindowFixture f(catalogue(), {{"TOP", "Z"},
                                      {"S", "s2"},
                                      {"TOP", "M"},
                                      {"M", "S"},
                                      {"S", "S1"},
                                      {"Z", "S"},
                                      {"TOP", "a"}});
        f.load(QStringLiteral("top"));
        QCOMPARE(f.outline(), QStringLiteral("a M[S[S1 s2]] Z[S[S1 s2]]"));
        QCOMPARE(f.model().nodeCount(), 9);
    }

    void findInTreeGoesFromHitToHitOpeningThePaths() {
        WindowFixture f(catalogue(), {{"TOP", "M"}, {"TOP", "Z"}, {"M", "S"}, {"Z", "S"},
                                      {"S", "S1"}, {"S", "s2"}, {"S1", "LEAF"}});
        f.load(QStringLiteral("TOP"));
        f.window().show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.window()));
        auto* field = f.window().findChild<QLineEdit*>(QStringLiteral("txtFindInTree"));
        auto* count = f.window().findChild<QLabel*>(QStringLiteral("lblFindCount"));
        QVERIFY(field && count && !field->isVisible());
        f.tree().setFocus();
        QTest::keyClick(&f.tree(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(field->isVisible() && field->hasFocus());
        const auto current = [&] { return f.model().pathTo(f.tree().currentIndex()).join(u'/'); };

        QTest::keyClicks(field, QStringLiteral("s1")); // "s" finds M/S first; "s1" moves on
        QCOMPARE(current(), QStringLiteral("TOP/M/S/S1"));
        QVERIFY(f.tree().isExpanded(f.node("M")) && f.tree().isExpanded(f.node("M/S")));
        QCOMPARE(count->text(), QStringLiteral("1 of 2"));
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(current(), QStringLiteral("TOP/Z/S/S1"));
        QCOMPARE(count->text(), QStringLiteral("2 of 2"));
        QTest::keyClick(field, Qt::Key_Return); // round to the first
        QCOMPARE(current(), QStringLiteral("TOP/M/S/S1"));
        QTest::keyClick(field, Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(current(), QStringLiteral("TOP/Z/S/S1"));
        // The description counts as well (LEAF's is "Just a part"), from the current node on.
        field->setText(QStringLiteral("PART"));
        QCOMPARE(current(), QStringLiteral("TOP/Z/S/S1/LEAF"));
        QCOMPARE(count->text(), QStringLiteral("2 of 2"));
        field->setText(QStringLiteral("nothing holds this"));
        QCOMPARE(count->text(), QStringLiteral("Not found"));
        QCOMPARE(current(), QStringLiteral("TOP/Z/S/S1/LEAF"));
        QTest::keyClick(field, Qt::Key_Escape);
        QVERIFY(!field->isVisible() && f.tree().hasFocus());
    }

    void itemsWithoutComponentsOrWithoutMasterRow() {
        WindowFixture f(catalogue(), {{"GHOST", "B"}, {"NODESC", "B"}});
        f.load(QStringLiteral("LEAF"));
        QCOMPARE(f.outline(), QString());
        QCOMPARE(f.label("Label10").text(), QStringLiteral("Just a part"));
        QCOMPARE(f.status(), f.database);

        // Not in ItemMaster: the tree is built, and the description field and the status say
        // so, never showing the last item's description; no box interrupts the load.
        f.load(QStringLiteral("GHOST"));
        QCOMPARE(f.outline(), QStringLiteral("B"));
        QCOMPARE(f.label("Label10").text(), QStringLiteral("(not in the Item Master)"));
        QCOMPARE(f.status(), QStringLiteral("'GHOST' is not in the Item Master of ") + f.database);
        f.load(QStringLiteral("NOPE-123"));
        QCOMPARE(f.outline(), QString());
        QCOMPARE(f.label("Label10").text(), QStringLiteral("(not in the Item Master)"));
        QVERIFY(f.status().contains(u"'NOPE-123'"));

        f.load(QStringLiteral("NODESC"));
        QCOMPARE(f.label("Label10").text(), QStringLiteral("(no description on file)"));

        // An empty item ID empties the tree and the description.
        f.load(QString());
        QCOMPARE(f.outline(), QString());
        QCOMPARE(f.label("Label10").text(), QString());
        QVERIFY(f.desktop.messages().isEmpty());
    }

    void marksCyclesAndFinishes() {
        WindowFixture f(catalogue(), {{"A", "B"}, {"B", "A"}, {"B", "C"}, {"C", "c"}, {"C", "D"}});
        f.load(QStringLiteral("A"));
        QCOMPARE(f.outline(), QStringLiteral("B[A* C[c* D]]"));
        const QModelIndex circular = f.node("B/A");
        QVERIFY(f.model().isCircular(circular));
        QVERIFY(f.model().data(circular, Qt::ToolTipRole).toString().contains(u"circular"));
        QCOMPARE(f.model().text(circular), QStringLiteral("A"));
        QVERIFY(f.desktop.messages().isEmpty());
        QCOMPARE(f.status(), f.database);
    }

    void failureMidLoadShowsNoHalfStructure() {
        WindowFixture f(catalogue(), {{"A", "B"}, {"A", "C"}, {"B", "D"}, {"D", "E"}});
        // While the load lets events run, another program changes the table so that the
        // second level of the structure can no longer be read.
        f.desktop.onProcessEvents = [&] {
            f.desktop.onProcessEvents = nullptr;
            execOn(f.database,
                   {QStringLiteral("ALTER TABLE BomDetail RENAME TO Lines"),
                    QStringLiteral("CREATE VIEW BomDetail AS SELECT BomID, CASE WHEN BomID = 'B' "
                                   "THEN abs(-9223372036854775807 - 1) ELSE BomComp END AS "
                                   "BomComp, bomQtyReq, StartDate FROM Lines")});
        };
        f.load(QStringLiteral("A"));
        // The structure is read whole or not at all: a part of it would show assemblies
        // without some of their components, and nothing would say which.
        QCOMPARE(f.outline(), QString());
        QCOMPARE(f.desktop.messages().size(), 1);
        const auto message = f.desktop.messages().first();
        QVERIFY2(message.text.startsWith(QString::number(store::QueryFailed) + u' '),
                 qPrintable(message.text));
        QCOMPARE(message.title, QStringLiteral("Fabrilux Bill of Material "));
        QCOMPARE(f.desktop.busyDepth, 0);
        QCOMPARE(f.status(), f.database);
    }

    void missingDatabaseIsReported() {
        WindowFixture f(catalogue(), {{"A", "B"}});
        f.load(QStringLiteral("A"));
        QFile::remove(f.database);
        f.load(QStringLiteral("A"));
        QCOMPARE(f.outline(), QString());
        QCOMPARE(f.desktop.messageTexts().size(), 1);
        QVERIFY(f.desktop.messageTexts().first().startsWith(QString::number(store::FileNotFound)));
        QVERIFY(!QFile::exists(f.database));
    }

    void enterWithNoDatabaseAsksForOne() {
        WindowFixture f(catalogue(), {{"A", "B"}});
        const QString path = f.database;
        f.window().databaseChoice().setDatabasePath(QString());
        f.desktop.fileAnswers = {path};
        f.load(QStringLiteral("A"));
        QCOMPARE(f.desktop.asked.size(), 1);
        QCOMPARE(f.desktop.asked.first().kind, QStringLiteral("file"));
        QCOMPARE(f.outline(), QStringLiteral("B"));
        QCOMPARE(f.status(), path);

        // Cancelled: the load goes on with no database and says so.
        f.window().databaseChoice().setDatabasePath(QString());
        f.load(QStringLiteral("A"));
        QCOMPARE(f.outline(), QString());
        QCOMPARE(f.desktop.messageTexts().size(), 1);
        QVERIFY(f.desktop.messageTexts().first().startsWith(QString::number(store::NoDatabaseChosen)));
        QCOMPARE(f.desktop.busyDepth, 0);
    }

    void aSecondLoadWaitsForTheFirst() {
        WindowFixture f(catalogue(), {{"A", "B"}, {"C", "D"}});
        tree::BomTreeModel& model = f.model();
        int resetsDuringPump = 0;
        f.desktop.onProcessEvents = [&] {
            f.desktop.onProcessEvents = nullptr;
            // A double-click arriving during the pump: new text and an Enter.
            f.Text1().setText(QStringLiteral("C"));
            const int before = model.nodeCount();
            QTest::keyClick(&f.Text1(), Qt::Key_Return);
            resetsDuringPump += model.nodeCount() != before;
        };
        f.load(QStringLiteral("A"));
        QCOMPARE(resetsDuringPump, 0);
        QCOMPARE(f.desktop.pumps >= 2, true);
        QCOMPARE(f.outline(), QStringLiteral("D"));
        QCOMPARE(model.topAssembly(), QStringLiteral("C"));
    }

    void typingShowsTheDatabasePath() {
        WindowFixture f(catalogue(), {});
        f.label("StatusPanel1").setText(QStringLiteral("something"));
        QTest::keyClicks(&f.Text1(), QStringLiteral("AB"));
        QCOMPARE(f.Text1().text(), QStringLiteral("AB"));
        QCOMPARE(f.status(), f.database);
        QCOMPARE(f.outline(), QString());
    }

    void nodeLimitKeepsWhatWasBuilt() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("explode.db"));
        // Ten components each, five levels: 111110 nodes.
        std::vector<Line> lines;
        for (int level = 0; level < 5; ++level)
            for (int c = 0; c < 10; ++c)
                lines.push_back({QStringLiteral("L%1").arg(level),
                                 QStringLiteral("L%1-%2").arg(level + 1).arg(c)});
        for (int level = 1; level < 5; ++level)
            for (int c = 0; c < 10; ++c)
                for (int d = 0; d < 10; ++d)
                    lines.push_back({QStringLiteral("L%1-%2").arg(level).arg(c),
                                     QStringLiteral("L%1-%2").arg(level + 1).arg(d)});
        // L0 -> L1-x; L1-x -> L2-0..9; ... so the tree of L0 has 10 + 100 + ... nodes.
        writeDatabase(file, {}, lines);
        store::SqliteStore db(file);
        tree::BomDocument modelBill;
        tree::BomTreeModel model{modelBill};
        model.setLimits(500, tree::DefaultDepthLimit);
        modelBill.load(QStringLiteral("L0"), db.reachableLines(QStringLiteral("L0")));
        QCOMPARE(model.structureRows(), qint64(10 + 100 + 1000 + 10000 + 100000));
        QVERIFY(!model.openAll());
        // Top levels first: the first two whole, then the third until the limit.
        QVERIFY(model.nodeCount() <= 500);
        QCOMPARE(model.rowCount(model.index(9, 0)), 10);
        const QModelIndex second = model.index(0, 0, model.index(0, 0));
        QCOMPARE(model.rowCount(second), 10);
        // Every node that was left closed and has components is marked, and only those.
        int closedCount = 0;
        QModelIndex firstMarked;
        for (int a = 0; a < 10; ++a)
            for (int b = 0; b < 10; ++b) {
                const QModelIndex node = model.index(b, 0, model.index(a, 0));
                const bool closed = model.rowCount(node) == 0;
                QCOMPARE(model.stopOf(node) == tree::Stop::NodeLimit, closed);
                closedCount += closed;
                if (closed && !firstMarked.isValid())
                    firstMarked = node;
            }
        QCOMPARE(model.nodeCount(), 110 + (100 - closedCount) * 10);
        const QModelIndex marked = firstMarked;
        QVERIFY(marked.isValid());
        // The generated items have no ItemMaster rows: that is said after the stop.
        QCOMPARE(model.data(marked, Qt::AccessibleDescriptionRole).toString(),
                 QStringLiteral("not expanded: Expand All reached the node limit, it opens by hand; not in the Item Master"));
        QCOMPARE(model.data(marked, Qt::ToolTipRole).toString(),
                 QStringLiteral("not expanded: Expand All reached the node limit, it opens by hand\n"
                                "This line may be wrong: not in the Item Master."));
        QCOMPARE(model.data(marked, Qt::ForegroundRole).value<QBrush>().color(), tree::MarkedColour);
    }

    void unreadableIdsAreReportedNeverSkipped() {
        // What a Latin-1 import leaves: the single byte 0xE9 where UTF-8 needs two.
        WindowFixture f(catalogue(), {{"A", "B"}});
        execOn(f.database, {QStringLiteral("INSERT INTO BomDetail VALUES "
                                           "('A', CAST(X'4EE9' AS TEXT), 1, '')")});
        f.load(QStringLiteral("A"));
        QCOMPARE(f.desktop.messages().size(), 1);
        QVERIFY2(f.desktop.messageTexts().first().startsWith(
                     QString::number(store::UnreadableId) + u' '),
                 qPrintable(f.desktop.messageTexts().first()));
        QVERIFY(f.desktop.messageTexts().first().contains(QStringLiteral("N\\xE9")));

        // The list says it too, at start-up, rather than showing a list without the item.
        execOn(f.database, {QStringLiteral("INSERT INTO ItemMaster VALUES "
                                           "(CAST(X'4EE9' AS TEXT), NULL, NULL)")});
        ScriptedDesktop desktop;
        QTemporaryDir dir;
        QFile workdir(dir.filePath(QStringLiteral("workdir.txt")));
        QVERIFY(workdir.open(QIODevice::WriteOnly));
        workdir.write(f.database.toUtf8() + "\r\n");
        workdir.close();
        shell::BomWindow window(desktop, dir.path(), dir.filePath(QStringLiteral("s.ini")));
        window.start();
        QCOMPARE(desktop.messages().size(), 1);
        QVERIFY(desktop.messageTexts().first().startsWith(QString::number(store::UnreadableId)));
    }

    void columnsShowTheLineAndExtendedQuantities() {
        // A = {B x2 = {D x3}, C x Null = {E x4}}; D has no ItemMaster row; every line starts on
        // the test database's one start date.
        WindowFixture f({{"B", text("Bracket"), text("EA")}, {"C", {}, text("M")}, {"E", text("End"), {}}},
                        {{"A", "B", 2}, {"B", "D", 3}, {"A", "C", QVariant()}, {"C", "E", 4}});
        f.load(QStringLiteral("A"));
        const auto row = [&](const char* path) {
            const QModelIndex node = f.node(QString::fromLatin1(path));
            QStringList cells;
            for (int column = 0; column < tree::ColumnCount; ++column)
                cells.append(f.model().data(node.siblingAtColumn(column)).toString());
            return cells.join(u'|');
        };
        QCOMPARE(row("B"), QStringLiteral("B|2|EA|Bracket|2|1996-01-01 00:00:00"));
        QCOMPARE(row("B/D"), QStringLiteral("D|3|||6|1996-01-01 00:00:00"));
        QCOMPARE(row("C"), QStringLiteral("C||M|||1996-01-01 00:00:00"));
        QCOMPARE(row("C/E"), QStringLiteral("E|4||End||1996-01-01 00:00:00"));
        QCOMPARE(f.model().headerData(tree::ExtendedQuantityColumn, Qt::Horizontal).toString(),
                 QStringLiteral("Extended Quantity"));
        QVERIFY(!f.tree().isHeaderHidden());
    }

    void markedNodesHaveTheirOwnColour() {
        WindowFixture f(catalogue(), {{"A", "B"}, {"B", "A"}});
        f.load(QStringLiteral("A"));
        const QModelIndex plain = f.node("B");
        const QModelIndex circular = f.node("B/A");
        QCOMPARE(f.model().data(circular, Qt::ForegroundRole).value<QBrush>().color(),
                 tree::MarkedColour);
        QVERIFY(!f.model().data(plain, Qt::ForegroundRole).isValid());
        QCOMPARE(f.model().data(circular, Qt::AccessibleDescriptionRole).toString(),
                 QStringLiteral("circular"));
        // The colour differs from the text colour of the view's palette.
        QVERIFY(tree::MarkedColour != f.tree().palette().color(QPalette::Text));
    }

    void depthLimitStopsTheLoadWithoutACrash() {
        // A chain deeper than the tree can show: the load stops at the limit with a numbered
        // message, marks the node where it stopped, and the whole chain expands.
        std::vector<Line> chain;
        const int levels = tree::DefaultDepthLimit + 300;
        for (int i = 0; i < levels; ++i)
            chain.push_back({QStringLiteral("C%1").arg(i), QStringLiteral("C%1").arg(i + 1)});
        WindowFixture f({}, chain);
        f.load(QStringLiteral("C0"));
        QVERIFY(f.desktop.messages().isEmpty());
        f.window().findChild<QAction*>(QStringLiteral("mnuExpand"))->trigger();
        QCOMPARE(f.desktop.messages().size(), 1);
        QVERIFY2(f.desktop.messageTexts().first().startsWith(
                     QString::number(store::DepthLimit) + u' '),
                 qPrintable(f.desktop.messageTexts().first()));
        QCOMPARE(f.model().nodeCount(), tree::DefaultDepthLimit);
        QModelIndex deepest = f.model().index(0, 0);
        while (f.model().rowCount(deepest) > 0)
            deepest = f.model().index(0, 0, deepest);
        QCOMPARE(f.model().stopOf(deepest), tree::Stop::DepthLimit);
        QCOMPARE(f.model().data(deepest, Qt::AccessibleDescriptionRole).toString(),
                 QStringLiteral("not expanded: the depth limit was reached; not in the Item Master"));
        QVERIFY(!f.model().canFetchMore(deepest));
        QCoreApplication::processEvents();
        QVERIFY(f.tree().isExpanded(deepest.parent()));
    }
};

QTEST_MAIN(TreeLoadTest)
#include "tree_load_test.moc"
