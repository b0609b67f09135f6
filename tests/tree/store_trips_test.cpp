// The trips that the Change History, Requirements and the Item Master's low-level codes make,
// on a file and on a server: what each hands back to the window is what the database holds.

#include "store/History.h"
#include "store/StoreError.h"
#include "support/BackendSuite.h"
#include "support/ScriptedDesktop.h"
#include "tree/history/HistoryReads.h"
#include "tree/plan/LowLevelRead.h"
#include "tree/plan/RequirementsRead.h"

#include <QTest>
#include <QThread>

using namespace Qt::StringLiterals;

class StoreTripsTest : public BackendSuite {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { store::setFileHistoryKept(false); }

    /// The plan's items take the Item Master's spelling and the answer is worked out in the
    /// trip; an item it lacks stops the trip before any bill is read.
    void requirementsReadTheItemsThenTheirBills() {
        if (kind() == StoreBackend::Postgres && !needServer())
            return;
        const StoreBackend db = backend();
        db.write({{u"TOP"_s, {}, {}}, {u"SUB"_s, {}, {}}, {u"BOLT"_s, {}, {}}},
                 {{u"TOP"_s, u"SUB"_s, 2.0}, {u"SUB"_s, u"bolt"_s, 3.0}});
        ScriptedDesktop desktop;
        const auto found = tree::findPlanItems(desktop, db.address(), {u"bolt"_s, u"NUT"_s});
        QCOMPARE(found.size(), size_t(2));
        QVERIFY(found[0] && !found[1]);
        QCOMPARE(found[0]->id, u"BOLT"_s);

        tree::PlanAnswer answer =
            tree::readRequirements(desktop, db.address(), {{u"top"_s, 10}}, {});
        QCOMPARE(answer.builds.front().item, u"TOP"_s);
        QStringList needed;
        for (const tree::RequirementLine& line : answer.needed)
            needed.append(u"%1 %2 %3"_s.arg(line.item).arg(line.total.value_or(-1)).arg(line.level));
        QCOMPARE(needed, (QStringList{u"SUB 20 1"_s, u"bolt 60 2"_s}));

        answer = tree::readRequirements(desktop, db.address(), {{u"top"_s, 1}, {u"NUT"_s, 1}}, {});
        QCOMPARE(answer.found.size(), size_t(2));
        QVERIFY(answer.found[0] && !answer.found[1]);
        QVERIFY(answer.needed.empty());
        QCOMPARE(answer.builds.front().item, u"top"_s);
    }

    /// Every item's lowest level, and the items on or below a cycle as their lines spell them,
    /// in the list's order; a database that cannot be read says why.
    void lowLevelCodesComeBackOffTheWindowsThread() {
        if (kind() == StoreBackend::Postgres && !needServer())
            return;
        const StoreBackend db = backend();
        std::vector<ItemRow> items;
        for (const char* id : {"A", "B", "C", "X", "Y", "Z"})
            items.push_back({QString::fromLatin1(id), {}, {}});
        db.write(items, {{u"A"_s, u"B"_s}, {u"A"_s, u"c"_s}, {u"B"_s, u"C"_s}, {u"X"_s, u"Y"_s},
                         {u"Y"_s, u"x"_s}, {u"Y"_s, u"Z"_s}});
        QObject context;
        std::optional<tree::StoredCodes> read;
        const auto readAt = [&](const QString& location) {
            read.reset();
            tree::LowLevelRead trip(location, &context,
                                    [&](const tree::StoredCodes& codes) { read = codes; });
            QTRY_VERIFY_WITH_TIMEOUT(read.has_value(), 30000);
        };
        readAt(db.address());
        QVERIFY2(read->codes, qPrintable(read->failure));
        QHash<QString, int> codes = read->codes->code;
        QCOMPARE(codes, (QHash<QString, int>{{u"A"_s, 0}, {u"B"_s, 1}, {u"C"_s, 2}}));
        QCOMPARE(read->circular, (QStringList{u"x"_s, u"Y"_s, u"Z"_s}));

        readAt(m_dir.filePath(u"none/there.db"_s));
        QVERIFY(!read->codes);
        QVERIFY2(read->failure.contains(u"there.db"_s), qPrintable(read->failure));
    }

    /// The history's page and its size, then everything before a moment forgotten: the page
    /// read again holds nothing of it. A server is made to keep a history once.
    void historyIsReadAndForgotten() {
        if (kind() == StoreBackend::Postgres && !needServer())
            return;
        const StoreBackend db = backend();
        db.write({{u"A"_s, {}, {}}, {u"P"_s, {}, {}}, {u"Q"_s, {}, {}}}, {{u"A"_s, u"P"_s, 1.0}});
        ScriptedDesktop desktop;
        if (kind() == StoreBackend::Postgres) {
            QVERIFY(!tree::keepServerHistory(desktop, db.address()).isEmpty());
            QCOMPARE(tree::keepServerHistory(desktop, db.address()), QStringList());
        }
        store::setFileHistoryKept(true);
        store::openHistory(db.address()); // the first look starts the history of a file
        db.open()->writeLines({{}, {store::newLine(u"A"_s, u"Q"_s, 2)}});
        db.open()->writeLines({{}, {store::newLine(u"P"_s, u"Q"_s, 3)}});

        store::HistoryQuery query;
        query.assemblies = {u"P"_s};
        tree::HistoryPage page = tree::readHistory(desktop, db.address(), query);
        QCOMPARE(page.changes.size(), size_t(1));
        QCOMPARE(page.changes.front().component, u"Q"_s);
        QCOMPARE(page.kept, qint64(2));
        QVERIFY(page.keptSince.isValid());

        QThread::msleep(5);
        const QDateTime cut = QDateTime::currentDateTimeUtc();
        const tree::Forgotten forgotten = tree::forgetHistoryBefore(desktop, db.address(), cut);
        QCOMPARE(forgotten.changes, qint64(2));
        QVERIFY(!forgotten.stopped);
        page = tree::readHistory(desktop, db.address(), {});
        QVERIFY(page.changes.empty());
        QCOMPARE(page.kept, qint64(0));
    }
};

QTEST_MAIN(StoreTripsTest)
#include "store_trips_test.moc"
