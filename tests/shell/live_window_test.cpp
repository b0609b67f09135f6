// Two editors on one database: what another connection commits appears in the window without a
// reload, in every copy, with the open nodes, the current node and the list kept; an edit in
// progress is written first. On a file and on a throw-away server.

#include "shell/live/LiveUpdates.h"
#include "shell/window/BomTreeView.h"
#include "shell/window/ItemList.h"
#include "store/Store.h"
#include "support/BackendSuite.h"
#include "support/TreeCompare.h"
#include "support/WindowFixture.h"
#include "tree/bill/BomTreeModel.h"

#include <QLabel>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// SUB is used in two places, so that a change of its bill shows in both copies.
const std::vector<ItemRow> Items{{"TOP", "Top assembly", "EA"}, {"LEFT", "Left", "EA"},
                                 {"RIGHT", "Right", "EA"},      {"SUB", "Sub-assembly", "EA"},
                                 {"BOLT", "Bolt", "PC"},        {"NUT", "Nut", "PC"}};
const std::vector<Line> Lines{{"TOP", "LEFT", 1}, {"TOP", "RIGHT", 1}, {"LEFT", "SUB", 2},
                              {"RIGHT", "SUB", 3}, {"SUB", "BOLT", 4}};

constexpr int Patience = 10000;

shell::LiveUpdates& live(WindowFixture& f) {
    auto* updates = f.window().findChild<shell::LiveUpdates*>();
    Q_ASSERT(updates);
    return *updates;
}

} // namespace

class LiveWindowTest : public ServerSuite {
    Q_OBJECT

    /// Loads TOP, opens every node and makes RIGHT/SUB/BOLT current.
    void loadAndOpen(WindowFixture& f) {
        live(f).setIntervals(20, 10);
        f.load(u"TOP"_s);
        f.tree().expandAll();
        f.click(f.node(u"RIGHT/SUB/BOLT"_s));
        QCOMPARE(f.outline(), u"LEFT[SUB[BOLT]] RIGHT[SUB[BOLT]]"_s);
    }

    /// What another editor does: a line added under SUB, a quantity changed, a description
    /// changed and an item added, in separate commits.
    void changeElsewhere(const std::function<void(const QStringList&)>& exec) {
        exec({u"INSERT INTO BomDetail (BomID, BomComp, bomQtyReq) VALUES ('SUB', 'NUT', 6)"_s});
        exec({u"UPDATE BomDetail SET bomQtyReq = 5 WHERE BomID = 'SUB' AND BomComp = 'BOLT'"_s});
        exec({u"UPDATE ItemMaster SET ItemDesc = 'Hex bolt' WHERE ItemID = 'BOLT'"_s});
        exec({u"INSERT INTO ItemMaster (ItemID, ItemDesc, ItemUom) VALUES ('WASHER', 'Washer', 'PC')"_s});
    }

    void checkShown(WindowFixture& f) {
        QTRY_COMPARE_WITH_TIMEOUT(f.outline(), u"LEFT[SUB[BOLT NUT]] RIGHT[SUB[BOLT NUT]]"_s,
                                  Patience);
        QTRY_COMPARE_WITH_TIMEOUT(f.list().items().contains(u"WASHER"_s), true, Patience);
        QTRY_COMPARE_WITH_TIMEOUT(f.model().description(f.node(u"LEFT/SUB/BOLT"_s)),
                                  u"Hex bolt"_s, Patience);
        QCOMPARE(differenceFromFreshLoad(f), QString());
        // In every copy, and what was open stays open, the current node current.
        for (const QString& path : {u"LEFT/SUB/BOLT"_s, u"RIGHT/SUB/BOLT"_s})
            QCOMPARE(f.model().quantity(f.node(path)), std::optional<double>(5));
        for (const QString& path : {u"LEFT"_s, u"LEFT/SUB"_s, u"RIGHT"_s, u"RIGHT/SUB"_s})
            QVERIFY2(f.tree().isExpanded(f.node(path)), qPrintable(path));
        QCOMPARE(f.tree().currentIndex(), f.node(u"RIGHT/SUB/BOLT"_s));
        // The statistics follow the current node's line.
        QTRY_COMPARE_WITH_TIMEOUT(f.label("Label7").text(), u"Hex bolt"_s, Patience);
        QVERIFY2(f.status().contains(u"changed by another editor"_s) ||
                     f.status() == f.database,
                 qPrintable(f.status()));
        QCOMPARE(f.desktop.messageTexts(), QStringList());
    }

private Q_SLOTS:
    void initTestCase() { qunsetenv("PGPASSWORD"); }

    void anotherProgramsCommitsToTheFileAppearLive() {
        WindowFixture f(Items, Lines);
        loadAndOpen(f);
        changeElsewhere([&](const QStringList& statements) { execOn(f.database, statements); });
        checkShown(f);
    }

    void anotherEditorsCommitsOnTheServerAppearLive() {
        if (!needServer())
            return;
        StoreBackend(StoreBackend::Postgres, {}, &m_server).write(Items, Lines);
        WindowFixture f(m_server.uri());
        f.database = m_server.uri();
        loadAndOpen(f);
        // Unquoted names: the server folds them as it made its tables.
        changeElsewhere([&](const QStringList& statements) { execOnServer(m_server, statements); });
        checkShown(f);
        // Another editor's connection (of another process: this one's are its own) is counted
        // in the status bar.
        {
            QSqlDatabase other = QSqlDatabase::addDatabase(u"QPSQL"_s, u"other-editor"_s);
            other.setHostName(m_server.socketFolder());
            other.setDatabaseName(u"postgres"_s);
            other.setUserName(m_server.user());
            other.setConnectOptions(u"application_name=fabrilux-bom-editor/1@elsewhere"_s);
            QVERIFY(other.open());
            QTRY_COMPARE_WITH_TIMEOUT(f.label("StatusPanel4").text(), u"1 other editor"_s,
                                      2 * Patience);
            QVERIFY(f.label("StatusPanel4").isVisible());
            other.close();
        }
        QSqlDatabase::removeDatabase(u"other-editor"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!f.label("StatusPanel4").isVisible(), 2 * Patience);
    }

    void aChangeWaitsForTheQuantityEditorThenShows() {
        WindowFixture f(Items, Lines);
        loadAndOpen(f);
        QSignalSpy heard(&live(f), &shell::LiveUpdates::heard);
        const QModelIndex quantity =
            f.node(u"LEFT/SUB/BOLT"_s).siblingAtColumn(tree::QuantityColumn);
        f.tree().setCurrentIndex(quantity);
        f.tree().QAbstractItemView::edit(quantity);
        QVERIFY(f.tree().editing());
        execOn(f.database, {u"INSERT INTO BomDetail (BomID, BomComp, bomQtyReq) "
                            "VALUES ('SUB', 'NUT', 6)"_s});
        QVERIFY(heard.wait(Patience) || !heard.isEmpty());
        // Heard, and held while the quantity is being typed.
        QCOMPARE(f.outline(), u"LEFT[SUB[BOLT]] RIGHT[SUB[BOLT]]"_s);
        QTest::keyClick(f.tree().focusWidget(), Qt::Key_Escape);
        QTRY_COMPARE_WITH_TIMEOUT(f.outline(), u"LEFT[SUB[BOLT NUT]] RIGHT[SUB[BOLT NUT]]"_s,
                                  Patience);
        QCOMPARE(differenceFromFreshLoad(f), QString());
    }
};

QTEST_MAIN(LiveWindowTest)
#include "live_window_test.moc"
