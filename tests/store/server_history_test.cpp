// A server's history of every change: the side schema and its triggers record each row written,
// by the editor's store and by any other session, once, with its writer; every earlier state
// of a bill is rebuilt from today's rows and the changes since; turning it off leaves the
// shared tables as they were.

#include "store/SessionName.h"
#include "store/postgres/PgHistory.h"
#include "store/postgres/PgStore.h"
#include "store/runtime/ChangeWatcher.h"
#include "support/BackendSuite.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QUrl>

#include <pwd.h>
#include <unistd.h>

using store::ChangeRecord;
using store::ChangeSource;
using store::RowImage;

namespace {

/// Runs statements in one session of `user` that names itself `application`, as another
/// program would; the first failure's text, empty when all ran.
QString sessionRuns(const PgServer& server, const QString& user, const QString& application,
                    const QStringList& sql) {
    const QString name = QStringLiteral("history-writer");
    QString failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(server.socketFolder());
        db.setDatabaseName(QStringLiteral("postgres"));
        db.setUserName(user);
        db.setConnectOptions(QStringLiteral("application_name=") + application);
        if (!db.open())
            qFatal("cannot connect: %s", qPrintable(db.lastError().text()));
        QSqlQuery q(db);
        for (const QString& statement : sql)
            if (!q.exec(statement)) {
                failure = statement + QStringLiteral(": ") + q.lastError().text();
                break;
            }
    }
    QSqlDatabase::removeDatabase(name);
    return failure;
}

void sessionWrites(const PgServer& server, const QString& application, const QStringList& sql) {
    if (const QString failure = sessionRuns(server, server.user(), application, sql);
        !failure.isEmpty())
        qFatal("%s", qPrintable(failure));
}

/// A session of the test's own held open, to interleave transactions with another.
class HeldSession {
public:
    HeldSession(const PgServer& server, const QString& name) : m_name(name) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(server.socketFolder());
        db.setDatabaseName(QStringLiteral("postgres"));
        db.setUserName(server.user());
        if (!db.open())
            qFatal("cannot connect: %s", qPrintable(db.lastError().text()));
    }
    ~HeldSession() {
        QSqlDatabase::database(m_name).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    void run(const QString& sql) const {
        QSqlQuery q(QSqlDatabase::database(m_name));
        if (!q.exec(sql))
            qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    }

private:
    QString m_name;
};

/// One record as one line: table, key, before and after, who and in which command.
QString recordText(const ChangeRecord& r) {
    const auto image = [&](const RowImage& row) {
        return !row.exists                           ? QStringLiteral("none")
               : r.table == store::schema::BomDetail ? row.quantity.toString()
                                                     : row.description.value_or("-");
    };
    return QStringLiteral("%1 %2>%3 %4->%5 %6 %7 %8 [%9]")
        .arg(r.table, r.key, r.component, image(r.before), image(r.after),
             store::sourceText(r.source), r.person, r.command, r.reason);
}

/// Lines by folded assembly, each as the tree shows it, in a stable order.
QStringList linesText(const store::LinesAsOf& lines) {
    QStringList text;
    for (auto at = lines.cbegin(); at != lines.cend(); ++at)
        for (const store::ComponentLine& line : *at)
            text.append(
                QStringLiteral("%1>%2 %3 %4 %5 %6")
                    .arg(at.key(), line.id,
                         line.quantity ? QString::number(*line.quantity) : QStringLiteral("-"),
                         line.unit.value_or(QStringLiteral("-")),
                         line.description.value_or(QStringLiteral("-")))
                    .arg(line.inItemMaster));
    text.sort();
    return text;
}

QString systemUser() {
    const passwd* entry = getpwuid(geteuid());
    return entry ? QString::fromLocal8Bit(entry->pw_name) : QString();
}

} // namespace

class ServerHistoryTest : public ServerSuite {
    Q_OBJECT

    StoreBackend server() const { return StoreBackend(StoreBackend::Postgres, {}, &m_server); }
    /// The server's clock to the millisecond, as moments are given.
    QDateTime serverNow() const {
        return execOnServer(m_server, {QStringLiteral("SELECT date_trunc('milliseconds', "
                                                      "clock_timestamp())")})
            .toDateTime()
            .toUTC();
    }
    /// New tables with these rows and no history yet.
    void freshTables(const std::vector<ItemRow>& items, const std::vector<Line>& lines) {
        store::pg::disableHistory(m_server.uri());
        server().write(items, lines);
    }

private Q_SLOTS:
    void initTestCase() { qunsetenv("PGPASSWORD"); }

    void eachWriteIsRecordedOnceWithItsWriterAndChangeSet() {
        if (!needServer())
            return;
        freshTables({{"TOP", "Top", "EA"},
                     {"SUB", "Sub", "EA"},
                     {"P1", "Part one", "EA"},
                     {"P2", "Part", "EA"},
                     {"P3", "Part three", "EA"}},
                    {{"TOP", "SUB", 2.0}, {"SUB", "P1", 3.0}});
        // The schema, the two tables' triggers and the drafts of changes kept beside them.
        QCOMPARE(store::pg::enableHistory(m_server.uri()).size(), 4);
        QVERIFY(store::pg::enableHistory(m_server.uri()).isEmpty()); // on already: harmless
        const QDateTime start = QDateTime::currentDateTime();
        {
            const auto db = server().open();
            db->setCommand({QStringLiteral("Add P2"), QStringLiteral("drawing B"), false});
            db->addLine(QStringLiteral("TOP"), QStringLiteral("P2"), 4, start);
            db->setCommand({QStringLiteral("Change quantity"), {}, false});
            db->changeQuantity(QStringLiteral("sub"), QStringLiteral("p1"), 3.0, 5.0);
            db->setCommand({QStringLiteral("Paste"), {}, false});
            store::LineBatch batch;
            batch.removed = {*db->findLine(QStringLiteral("TOP"), QStringLiteral("P2"))};
            batch.added = {store::newLine(QStringLiteral("TOP"), QStringLiteral("P3"), 1),
                           store::newLine(QStringLiteral("SUB"), QStringLiteral("P2"), 2)};
            db->writeLines(batch);
        }
        // Another program: an unchanged row records nothing; an item and a line in one set.
        sessionWrites(m_server, QStringLiteral("mrp-sync"),
                      {"BEGIN", "UPDATE bomdetail SET bomqtyreq = bomqtyreq",
                       "UPDATE itemmaster SET itemdesc = 'Part two' WHERE itemid = 'P2'",
                       "DELETE FROM bomdetail WHERE bomid = 'SUB' AND bomcomp = 'P1'", "COMMIT"});
        // Another editor putting a line back.
        sessionWrites(m_server, QStringLiteral("fabrilux-bom-editor/77@desk"),
                      {"BEGIN", "SELECT set_config('bom.source', 'restore', true)",
                       "INSERT INTO bomdetail VALUES ('SUB', 'P1', 3, NULL)", "COMMIT"});
        sessionWrites(m_server, QStringLiteral("fabrilux-bom-editor/77@desk"),
                      {"UPDATE bomdetail SET bomqtyreq = 6 WHERE bomcomp = 'P3'"});

        store::pg::PgHistoryLog log(m_server.uri());
        const std::vector<ChangeRecord> all = log.changes({});
        QStringList text;
        QList<qint64> sets;
        for (const ChangeRecord& r : all) {
            text.append(recordText(r));
            if (sets.isEmpty() || sets.last() != r.changeSet)
                sets.append(r.changeSet);
        }
        const QString me = systemUser(), them = m_server.user();
        QCOMPARE(text, (QStringList{
                           // Another editor's name and restore are what its session says.
                           "BomDetail TOP>P3 1->6 another program " + them + "  []",
                           "BomDetail SUB>P1 none->3 another program " + them + "  []",
                           "ItemMaster P2> Part->Part two another program " + them + "  []",
                           "BomDetail SUB>P1 5->none another program " + them + "  []",
                           "BomDetail SUB>P2 none->2 this editor " + me + " Paste []",
                           "BomDetail TOP>P2 4->none this editor " + me + " Paste []",
                           "BomDetail TOP>P3 none->1 this editor " + me + " Paste []",
                           "BomDetail SUB>P1 3->5 this editor " + me + " Change quantity []",
                           "BomDetail TOP>P2 none->4 this editor " + me + " Add P2 [drawing B]"}));
        QCOMPARE(sets.size(), 6);
        QCOMPARE(log.changeCount(), qint64(all.size()));
        // Whole rows, and the descriptions as they were then.
        const ChangeRecord& added = all.back();
        QCOMPARE(added.after, (RowImage{true, 4.0, start.toString(store::schema::StartDateFormat),
                                        std::nullopt, std::nullopt}));
        QCOMPARE(added.keyDescription, std::optional<QString>(QStringLiteral("Top")));
        QCOMPARE(added.componentDescription, std::optional<QString>(QStringLiteral("Part")));
        QCOMPARE(all.at(2).keyDescription, std::optional<QString>(QStringLiteral("Part two")));
        QCOMPARE(added.program, store::sessionApplicationName());

        // The filters.
        store::HistoryQuery query;
        query.item = QStringLiteral("p2");
        QCOMPARE(log.changes(query).size(), size_t(4));
        query = {};
        query.assemblies = {QStringLiteral("top")};
        query.component = QStringLiteral("p3");
        QCOMPARE(log.changes(query).size(), size_t(2));
        query = {};
        query.source = ChangeSource::ThisEditor;
        QCOMPARE(log.changes(query).size(), size_t(5));
        query = {};
        query.person = them;
        query.limit = 2;
        QCOMPARE(recordText(log.changes(query).back()), text.at(1));
        query = {};
        query.since = all.at(0).time;
        QVERIFY(!log.changes(query).empty() && log.changes(query).size() < all.size());
    }

    void linesAsOfRebuildsEveryEarlierState() {
        if (!needServer())
            return;
        std::vector<ItemRow> items;
        const QStringList ids{"A0", "A1", "A2", "A3", "P0", "P1", "P2", "P3"};
        for (const QString& id : ids)
            items.push_back({id, id + QStringLiteral(" first"), "EA"});
        freshTables(items,
                    {{"A0", "A1", 1.0}, {"A1", "A2", 2.0}, {"A2", "P0", 3.0}, {"A0", "P1", 1.5}});
        store::pg::enableHistory(m_server.uri());

        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("seed %u", seed);
        QRandomGenerator random(seed);
        const auto pick = [&](int from, int to) { return ids.at(random.bounded(from, to)); };
        std::vector<std::pair<QDateTime, QStringList>> states;
        for (int round = 0; round < 10; ++round) {
            if (round > 0) {
                const auto db = server().open();
                for (int step = 0; step < 4; ++step) {
                    const QString assembly = pick(0, 4), component = pick(1, 8);
                    try {
                        switch (random.bounded(5)) {
                        case 0:
                            db->addLine(assembly, component, random.bounded(1, 9),
                                        QDateTime::currentDateTime());
                            break;
                        case 1:
                            db->takeLine(assembly, component);
                            break;
                        case 2:
                            if (const auto line = db->findLine(assembly, component))
                                db->changeUnchangedLine(*line, double(random.bounded(1, 9)) / 4);
                            break;
                        case 3: {
                            store::LineBatch batch;
                            for (const store::LineRow& row : db->lineRowsOf(assembly))
                                batch.removed.push_back(row);
                            batch.added = {store::newLine(assembly, component, 7)};
                            db->writeLines(batch);
                            break;
                        }
                        default:
                            // Another program: a description, a line's key to another case
                            // and to another item.
                            sessionWrites(
                                m_server, QStringLiteral("mrp"),
                                QStringLiteral(
                                    "UPDATE itemmaster SET itemdesc = '%1 %3' WHERE itemid = '%1';"
                                    "UPDATE bomdetail SET bomcomp = lower(bomcomp) WHERE bomid = "
                                    "'%2';UPDATE bomdetail SET bomcomp = 'P3' WHERE bomid = '%2' "
                                    "AND lower(bomcomp) = 'p2' AND NOT EXISTS (SELECT 1 FROM "
                                    "bomdetail WHERE bomid = '%2' AND lower(bomcomp) = 'p3')")
                                    .arg(component, assembly)
                                    .arg(round)
                                    .split(u';'));
                        }
                    } catch (const store::StoreError&) {
                        // A refused write (a cycle, a line there already) writes nothing.
                    }
                }
            }
            const QDateTime moment = serverNow();
            states.emplace_back(moment, linesText(server().open()->reachableLines("A0")));
            // The next round's writes fall in a later millisecond than this moment.
            QTRY_VERIFY(serverNow() > moment);
        }
        store::pg::PgHistoryLog log(m_server.uri());
        for (const auto& [moment, state] : states)
            QCOMPARE(linesText(log.linesAsOf(QStringLiteral("a0"), moment)), state);
        const auto [number, text] =
            failureOf([&] { log.linesAsOf(QStringLiteral("A0"), log.keptSince().addSecs(-1)); });
        QCOMPARE(number, int(store::HistoryTooOld));
    }

    void asOfShowsExactlyTheTransactionsCommittedByThen() {
        if (!needServer())
            return;
        freshTables({{"TOP", "Top", "EA"}, {"P1", "One", "EA"}, {"P2", "Two", "EA"},
                     {"P3", "Three", "EA"}},
                    {{"TOP", "P1", 1.0}, {"TOP", "P2", 1.0}, {"TOP", "P3", 1.0}});
        store::pg::enableHistory(m_server.uri());
        // The server's millisecond now, once it is over.
        const auto tick = [&] {
            const QDateTime now = serverNow();
            while (serverNow() <= now)
                QTest::qWait(1);
            return now;
        };
        store::pg::PgHistoryLog log(m_server.uri());
        const auto asOf = [&](const QDateTime& moment) {
            return linesText(log.linesAsOf(QStringLiteral("TOP"), moment));
        };
        const auto lines = [](double p1, double p2, double p3) {
            return QStringList{QStringLiteral("TOP>P1 %1 EA One 1").arg(p1),
                               QStringLiteral("TOP>P2 %1 EA Two 1").arg(p2),
                               QStringLiteral("TOP>P3 %1 EA Three 1").arg(p3)};
        };
        // The first transaction writes before the second and commits after it.
        HeldSession first(m_server, QStringLiteral("first")), second(m_server, QStringLiteral("second"));
        first.run("BEGIN");
        first.run("UPDATE bomdetail SET bomqtyreq = 2 WHERE bomcomp = 'P1'");
        tick();
        second.run("BEGIN");
        second.run("UPDATE bomdetail SET bomqtyreq = 3 WHERE bomcomp = 'P2'");
        second.run("COMMIT");
        tick();
        const QDateTime between = tick();
        first.run("UPDATE bomdetail SET bomqtyreq = 4 WHERE bomcomp = 'P3'");
        first.run("COMMIT");
        tick();
        // One that has its commit stamped early, then writes again.
        second.run("BEGIN");
        second.run("SET CONSTRAINTS ALL IMMEDIATE");
        second.run("UPDATE bomdetail SET bomqtyreq = 5 WHERE bomcomp = 'P1'");
        tick();
        const QDateTime inside = tick();
        second.run("UPDATE bomdetail SET bomqtyreq = 6 WHERE bomcomp = 'P2'");
        second.run("COMMIT");
        const QDateTime after = tick();

        QCOMPARE(asOf(between), lines(1, 3, 1));
        QCOMPARE(asOf(inside), lines(2, 3, 4));
        QCOMPARE(asOf(after), lines(5, 6, 4));
        // Each change set at its commit, in the order of the commits; a change counts as made
        // within its very millisecond, and not one millisecond before.
        const std::vector<ChangeRecord> all = log.changes({});
        QCOMPARE(all.size(), size_t(5));
        QVERIFY(all.at(0).time > inside && all.at(2).time > between && all.at(2).time < inside);
        QCOMPARE(all.at(2).changeSet, all.at(3).changeSet);
        QCOMPARE(all.at(2).time, all.at(3).time);
        QCOMPARE(all.at(4).after.quantity.toDouble(), 3.0);
        QCOMPARE(asOf(all.at(4).time), lines(1, 3, 1));
        QCOMPARE(asOf(all.at(4).time.addMSecs(-1)), lines(1, 1, 1));
        QCOMPARE(asOf(all.at(2).time), lines(2, 3, 4));
        QCOMPARE(asOf(all.at(2).time.addMSecs(-1)), lines(1, 3, 1));
        store::HistoryQuery until;
        until.until = between;
        QCOMPARE(log.changes(until).size(), size_t(1));

        // Forgotten by whole change sets, by their commits: "as of" stays exact from the new
        // start on, and is refused before it.
        QCOMPARE(log.forgetBefore(inside, {}), qint64(3));
        QCOMPARE(log.changeCount(), qint64(2));
        QVERIFY(log.keptSince() > all.at(2).time && log.keptSince() <= inside);
        QCOMPARE(asOf(inside), lines(2, 3, 4));
        QCOMPARE(asOf(after), lines(5, 6, 4));
        QCOMPARE(failureOf([&] { log.linesAsOf(QStringLiteral("TOP"), between); }).first,
                 int(store::HistoryTooOld));
    }

    void onlyTheTriggersWriteAndOnlyTheServerSaysWhose() {
        if (!needServer())
            return;
        freshTables({{"TOP", "Top", "EA"}, {"P1", "Part", "EA"}, {"P2", "Part two", "EA"}},
                    {{"TOP", "P1", 1.0}, {"TOP", "P2", 1.0}});
        store::pg::enableHistory(m_server.uri());
        execOnServer(m_server,
                     {"DROP SCHEMA IF EXISTS mine CASCADE", "DROP ROLE IF EXISTS clerk",
                      "CREATE ROLE clerk LOGIN",
                      "GRANT SELECT, INSERT, UPDATE, DELETE ON itemmaster, bomdetail TO clerk",
                      "CREATE SCHEMA mine AUTHORIZATION clerk"});
        const QString me = store::sessionApplicationName();
        server().open()->changeQuantity(QStringLiteral("TOP"), QStringLiteral("P1"), 1.0, 2.0);
        // A session that copies this editor's name, one that calls itself another editor, and
        // one that sets the editor's settings around its update, as a restore by someone else.
        sessionWrites(m_server, me, {"UPDATE bomdetail SET bomqtyreq = 3 WHERE bomcomp = 'P1'"});
        sessionWrites(m_server, "fabrilux-bom-editor/1@elsewhere",
                      {"UPDATE bomdetail SET bomqtyreq = 4 WHERE bomcomp = 'P1'"});
        QCOMPARE(sessionRuns(m_server, "clerk", "psql",
                             {"BEGIN", "SELECT set_config('bom.person', 'the boss', true)",
                              "SELECT set_config('bom.host', 'payroll', true)",
                              "SELECT set_config('bom.source', 'restore', true)",
                              "SELECT set_config('bom.command', 'Restore the bill of TOP as of "
                              "yesterday', true)",
                              "UPDATE bomdetail SET bomqtyreq = 5 WHERE bomcomp = 'P1'", "COMMIT"}),
                 QString());
        // Nobody but the triggers writes the history: not straight in, not through the
        // triggers' function put on a table of one's own.
        for (const QString& forged :
             {QStringLiteral("INSERT INTO bom_history.change (table_name, operation, row_key, "
                             "row_component, new_row, application) VALUES ('bomdetail', 'I', "
                             "'TOP', 'P9', '{\"bomqtyreq\": 9}', '%1')")
                  .arg(me),
              QStringLiteral("UPDATE bom_history.change SET person = 'x'"),
              QStringLiteral("DELETE FROM bom_history.change"),
              QStringLiteral("UPDATE bom_history.kept SET since = now() - interval '1 year'"),
              QStringLiteral("SELECT nextval('bom_history.change_id_seq')"),
              QStringLiteral("CREATE TABLE mine.bomdetail (bomid text, bomcomp text, bomqtyreq "
                             "float8, startdate text)"),
              QStringLiteral("CREATE TRIGGER forged AFTER INSERT ON mine.bomdetail FOR EACH ROW "
                             "EXECUTE FUNCTION bom_history.record()")}) {
            const QString failure = sessionRuns(m_server, "clerk", "psql", {forged});
            if (forged.startsWith(QLatin1StringView("CREATE TABLE")))
                QCOMPARE(failure, QString());
            else
                QVERIFY2(failure.contains(QLatin1StringView("permission denied")),
                         qPrintable(forged + ": " + failure));
        }

        store::pg::PgHistoryLog log(m_server.uri());
        QStringList text, claims;
        for (const ChangeRecord& r : log.changes({})) {
            text.append(recordText(r) + QLatin1Char(' ') + r.program);
            claims.append(r.claimedBy);
        }
        const QString them = m_server.user(), mine = systemUser();
        QCOMPARE(text,
                 (QStringList{"BomDetail TOP>P1 4->5 another program clerk Restore the bill of "
                              "TOP as of yesterday [] psql",
                              "BomDetail TOP>P1 3->4 another program " + them +
                                  "  [] fabrilux-bom-editor/1@elsewhere",
                              "BomDetail TOP>P1 2->3 another program " + them + "  [] " + me,
                              "BomDetail TOP>P1 1->2 this editor " + mine + "  [] " + me}));
        QCOMPARE(claims, (QStringList{"the boss@payroll", "", "", ""}));
        store::HistoryQuery restores;
        restores.source = ChangeSource::Restore;
        QVERIFY(log.changes(restores).empty());
        execOnServer(m_server, {"DROP SCHEMA mine CASCADE",
                                "REVOKE ALL ON itemmaster, bomdetail FROM clerk",
                                "DROP ROLE clerk"});
    }

    void aTriggerDisabledOrDroppedIsSaidAndAsOfAcrossItRefused() {
        if (!needServer())
            return;
        freshTables({{"TOP", "Top", "EA"}, {"P1", "Part", "EA"}}, {{"TOP", "P1", 1.0}});
        store::pg::enableHistory(m_server.uri());
        store::ChangeWatcher watcher(m_server.uri());
        watcher.setTriggerCheck(100);
        QSignalSpy watching(&watcher, &store::ChangeWatcher::watching);
        QSignalSpy notices(&watcher, &store::ChangeWatcher::notice);
        QTRY_VERIFY_WITH_TIMEOUT(watching.count() == 1, 10000);
        const auto said = [&](QLatin1StringView part) {
            for (const QList<QVariant>& notice : notices)
                if (notice.at(0).toString().contains(part))
                    return true;
            return false;
        };
        const QDateTime before = serverNow();
        QTRY_VERIFY(serverNow() > before);
        // Disabled for one update, inside one transaction: no check can see it disabled.
        execOnServer(m_server, {"BEGIN", "ALTER TABLE bomdetail DISABLE TRIGGER bom_history_record",
                                "UPDATE bomdetail SET bomqtyreq = 7",
                                "ALTER TABLE bomdetail ENABLE TRIGGER bom_history_record",
                                "COMMIT"});
        QTRY_VERIFY_WITH_TIMEOUT(said(QLatin1StringView("missed what was written")), 10000);
        QVERIFY(said(QLatin1StringView("triggers on BomDetail")));
        store::pg::PgHistoryLog log(m_server.uri());
        const auto [number, text] = failureOf([&] { log.linesAsOf("TOP", before); });
        QCOMPARE(number, int(store::HistoryGap));
        QVERIFY2(text.contains(QLatin1StringView("BomDetail")), qPrintable(text));
        // After the gap, exact again.
        const QDateTime after = serverNow();
        QTRY_VERIFY(serverNow() > after);
        QCOMPARE(linesText(log.linesAsOf("TOP", after)), QStringList{"TOP>P1 7 EA Part 1"});

        // Dropped: said while it lasts, and nothing before now is shown as exact.
        notices.clear();
        execOnServer(m_server, {"DROP TRIGGER bom_history_truncate ON itemmaster"});
        QTRY_VERIFY_WITH_TIMEOUT(said(QLatin1StringView("records no changes")), 10000);
        QCOMPARE(failureOf([&] { log.linesAsOf("TOP", serverNow()); }).first,
                 int(store::HistoryGap));
        QCOMPARE(store::pg::enableHistory(m_server.uri()),
                 QStringList{"the triggers on ItemMaster"});
        const QDateTime mended = serverNow();
        QTRY_VERIFY(serverNow() > mended);
        QCOMPARE(linesText(log.linesAsOf("TOP", mended)), QStringList{"TOP>P1 7 EA Part 1"});
    }

    void rightsAndDisableLeaveTheTablesAsTheyWere() {
        if (!needServer())
            return;
        freshTables({{"TOP", "Top", "EA"}, {"P1", "Part", "EA"}}, {{"TOP", "P1", 1.0}});
        const QString columns = QStringLiteral(
            "SELECT string_agg(table_name || '.' || column_name || ' ' || data_type, ', ' ORDER BY "
            "table_name, ordinal_position) FROM information_schema.columns WHERE table_name IN "
            "('itemmaster', 'bomdetail')");
        const QString before = execOnServer(m_server, {columns}).toString();
        // A user who may write the tables but not create a schema.
        execOnServer(m_server,
                     {"DROP ROLE IF EXISTS clerk", "CREATE ROLE clerk LOGIN",
                      "GRANT SELECT, INSERT, UPDATE, DELETE ON itemmaster, bomdetail TO clerk"});
        QUrl clerk(m_server.uri());
        clerk.setUserName(QStringLiteral("clerk"));
        const auto [number, text] = failureOf([&] { store::pg::enableHistory(clerk.toString()); });
        QCOMPARE(number, int(store::HistoryNoRight));
        QVERIFY2(text.contains(QLatin1StringView("CREATE on the database")), qPrintable(text));

        // A user who may only read: the tables are checked and read all the same, and keeping
        // the history names each right it lacks in turn; one who may not read is told so.
        execOnServer(m_server, {"DROP ROLE IF EXISTS reader", "CREATE ROLE reader LOGIN",
                                "GRANT SELECT ON itemmaster, bomdetail TO reader",
                                "DROP ROLE IF EXISTS nobody", "CREATE ROLE nobody LOGIN"});
        QUrl reader(m_server.uri()), nobody(m_server.uri());
        reader.setUserName(QStringLiteral("reader"));
        nobody.setUserName(QStringLiteral("nobody"));
        {
            store::PgStore readOnly(reader.toString());
            QCOMPARE(readOnly.whereUsed(QStringLiteral("P1")).size(), size_t(1));
            QCOMPARE(readOnly.reachableLines(QStringLiteral("TOP")).size(), qsizetype(1));
        }
        const auto refusal = [](const QUrl& user) {
            return failureOf([&] { store::pg::enableHistory(user.toString()); });
        };
        QCOMPARE(refusal(reader).first, int(store::HistoryNoRight));
        QVERIFY2(refusal(reader).second.contains(QLatin1StringView("CREATE on the database")),
                 qPrintable(refusal(reader).second));
        execOnServer(m_server, {"GRANT CREATE ON DATABASE postgres TO reader"});
        QVERIFY2(refusal(reader).second.contains(QLatin1StringView("TRIGGER on the table ItemMaster")),
                 qPrintable(refusal(reader).second));
        const auto [unread, unreadText] = failureOf([&] { store::PgStore{nobody.toString()}; });
        QCOMPARE(unread, int(store::NoReadRight));
        QVERIFY2(unreadText.contains(QLatin1StringView("do not allow reading the table 'ItemMaster'")),
                 qPrintable(unreadText));
        QCOMPARE(refusal(nobody).first, int(store::HistoryNoRight));
        execOnServer(m_server, {"REVOKE ALL ON itemmaster, bomdetail FROM reader",
                                "REVOKE CREATE ON DATABASE postgres FROM reader",
                                "DROP ROLE reader", "DROP ROLE nobody"});

        store::pg::enableHistory(m_server.uri());
        // With the history on, a user who may only write the tables still writes, recorded.
        store::PgStore(clerk.toString())
            .changeQuantity(QStringLiteral("TOP"), QStringLiteral("P1"), 1.0, 2.0);
        QCOMPARE(store::pg::PgHistoryLog(m_server.uri()).changeCount(), qint64(1));
        // A TRUNCATE's rows are recorded too.
        const QDateTime beforeTruncate = serverNow();
        QTRY_VERIFY(serverNow() > beforeTruncate);
        execOnServer(m_server, {"TRUNCATE bomdetail"});
        QCOMPARE(
            linesText(store::pg::PgHistoryLog(m_server.uri()).linesAsOf("TOP", beforeTruncate)),
            QStringList{"TOP>P1 2 EA Part 1"});
        // Tables made anew (unrecorded) get their triggers back, and the history starts again.
        server().write({{"TOP", "Top", "EA"}, {"P1", "Part", "EA"}}, {});
        QCOMPARE(store::pg::enableHistory(m_server.uri()).size(), 2);
        QCOMPARE(failureOf([&] {
                     store::pg::PgHistoryLog(m_server.uri()).linesAsOf("TOP", beforeTruncate);
                 }).first,
                 int(store::HistoryTooOld));

        store::pg::disableHistory(m_server.uri());
        QCOMPARE(execOnServer(m_server, {columns}).toString(), before);
        QCOMPARE(execOnServer(m_server, {"SELECT count(*) FROM pg_trigger WHERE tgname LIKE "
                                         "'bom_history%'"})
                     .toInt(),
                 0);
        QCOMPARE(failureOf([&] { store::pg::PgHistoryLog log(m_server.uri()); }).first,
                 int(store::HistoryNotKept));
        // Writes go on without it.
        server().open()->addLine(QStringLiteral("TOP"), QStringLiteral("P1"), 3,
                                 QDateTime::currentDateTime());
        execOnServer(m_server,
                     {"REVOKE ALL ON itemmaster, bomdetail FROM clerk", "DROP ROLE clerk"});
    }
};

QTEST_GUILESS_MAIN(ServerHistoryTest)
#include "server_history_test.moc"
