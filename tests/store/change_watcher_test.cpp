// The change watcher hears of other connections' commits, on a file and on a server, without
// holding up the thread that owns it; a server's triggers say which assemblies and items
// changed, and the watcher survives the server's restart.

#include "store/runtime/ChangeWatcher.h"
#include "store/History.h"
#include "store/ImportWriter.h"
#include "store/StoreError.h"
#include "store/PasswordCache.h"
#include "store/postgres/PgImportWriter.h"
#include "store/postgres/PgLibpq.h"
#include "store/postgres/PgSession.h"
#include "support/BackendSuite.h"
#include "support/TestDatabase.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSet>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <memory>

#include <sys/wait.h>
#include <unistd.h>

using store::ChangeWatcher;
using store::Changes;

namespace {

/// Everything the spy has seen, folded into one.
Changes unionOf(const QSignalSpy& spy) {
    Changes all;
    for (const QList<QVariant>& signal : spy)
        all.merge(signal.at(0).value<Changes>());
    return all;
}

qint64 median(QList<qint64> samples) {
    std::sort(samples.begin(), samples.end());
    return samples.isEmpty() ? -1 : samples.at(samples.size() / 2);
}

/// A connection that stays open, as another editor's would.
class HeldConnection {
public:
    HeldConnection(const PgServer& server, const QString& applicationName)
        : m_name(QStringLiteral("held-%1").arg(++s_serial)) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
        db.setHostName(server.socketFolder());
        db.setDatabaseName(QStringLiteral("postgres"));
        db.setUserName(server.user());
        db.setConnectOptions(QStringLiteral("application_name=") + applicationName);
        if (!db.open())
            qFatal("cannot connect: %s", qPrintable(db.lastError().text()));
    }
    ~HeldConnection() {
        QSqlDatabase::database(m_name).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    void exec(const QString& sql) {
        QSqlQuery q(QSqlDatabase::database(m_name));
        if (!q.exec(sql))
            qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    }

private:
    static inline int s_serial = 0;
    QString m_name;
};

const std::vector<ItemRow> items{{"TOP", "Top", "EA"}, {"SUB", "Sub", "EA"}, {"P1", "Part", "EA"}};
const std::vector<Line> lines{{"TOP", "SUB", 2.0}, {"SUB", "P1", 3.0}};

} // namespace

class ChangeWatcherTest : public ServerSuite {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString m_file;
    QString file() const { return m_file; }
    /// A new file of the case's own, with the editor's tables.
    void writeFileDatabase() {
        static int serial = 0;
        m_file = m_dir.filePath(QStringLiteral("bom-%1.db").arg(++serial));
        writeDatabase(m_file, items, lines);
    }
    StoreBackend server() const { return StoreBackend(StoreBackend::Postgres, {}, &m_server); }
    /// A watcher on the server with these tables, once it listens (it counts the editors
    /// first thing after).
    std::unique_ptr<ChangeWatcher> watchServer(QSignalSpy*& editors) {
        auto watcher = std::make_unique<ChangeWatcher>(m_server.uri());
        editors = new QSignalSpy(watcher.get(), &ChangeWatcher::editorsChanged);
        editors->setParent(watcher.get());
        return watcher;
    }
    int changeTriggers() {
        return execOnServer(m_server, {QStringLiteral("SELECT count(*) FROM pg_trigger WHERE "
                                                      "tgname LIKE 'fabrilux_changes_%'")})
            .toInt();
    }

private Q_SLOTS:
    void initTestCase() { qunsetenv("PGPASSWORD"); }

    void mergeFoldsUnderTheKeyRule() {
        Changes a{false, {"TOP", "sub"}, {"x"}};
        a.merge(Changes{false, {"top", "Émile", "SUB", "émile"}, {"X", "y"}});
        QCOMPARE(a.assemblies, (QStringList{"TOP", "sub", "Émile", "émile"}));
        QCOMPARE(a.items, (QStringList{"x", "y"}));
        QVERIFY(!a.isEmpty() && Changes().isEmpty());
        a.merge(Changes{true, {}, {}});
        QVERIFY(a.everything);
        const QString name = store::editorSessionName();
        QVERIFY(name.startsWith(QStringLiteral("fabrilux-bom-editor/")) &&
                name.toUtf8().size() <= 63);
    }

    void aFileCommitIsReportedAtOnceAndABurstIsOneSignalPerGroup_data() {
        QTest::addColumn<bool>("wal");
        QTest::newRow("rollback journal") << false;
        QTest::newRow("WAL") << true;
    }
    void aFileCommitIsReportedAtOnceAndABurstIsOneSignalPerGroup() {
        QFETCH(bool, wal);
        writeFileDatabase();
        if (wal)
            execOn(file(), {"PRAGMA journal_mode = WAL"});
        ChangeWatcher watcher(file());
        watcher.setIntervals(20, 0);
        QSignalSpy watching(&watcher, &ChangeWatcher::watching);
        QSignalSpy changed(&watcher, &ChangeWatcher::changed);
        QSignalSpy notices(&watcher, &ChangeWatcher::notice);
        QVERIFY(watching.wait(5000));
        execOn(file(), {"UPDATE BomDetail SET BomQtyReq = 5 WHERE BomID = 'TOP'"});
        QTRY_VERIFY_WITH_TIMEOUT(changed.count() >= 1, 5000);
        QVERIFY(changed.at(0).at(0).value<Changes>().everything);

        watcher.setIntervals(400, 100);
        changed.clear();
        QElapsedTimer burst;
        burst.start();
        QStringList commits;
        for (int i = 0; i < 100; ++i)
            commits.append(QStringLiteral("UPDATE BomDetail SET BomQtyReq = %1").arg(i));
        execOn(file(), commits);
        const qint64 took = burst.elapsed();
        QTRY_VERIFY_WITH_TIMEOUT(changed.count() >= 1, 5000);
        qInfo("file: 100 commits in %lld ms gave %lld signals (group 100 ms)", took,
              qint64(changed.count()));
        QVERIFY2(changed.count() <= took / 100 + 2,
                 qPrintable(QStringLiteral("%1 signals for 100 commits in %2 ms")
                                .arg(changed.count())
                                .arg(took)));
        QVERIFY(notices.isEmpty());

        // A commit is seen as it is written, not at the next poll, a minute away here.
        ChangeWatcher prompt(file());
        prompt.setIntervals(60'000, 0);
        QSignalSpy promptWatching(&prompt, &ChangeWatcher::watching);
        QSignalSpy promptChanged(&prompt, &ChangeWatcher::changed);
        QVERIFY(promptWatching.wait(5000));
        execOn(file(), {"UPDATE BomDetail SET BomQtyReq = 7 WHERE BomID = 'TOP'"});
        // Well within the minute, also on a machine busy with the other suites.
        QTRY_VERIFY_WITH_TIMEOUT(promptChanged.count() == 1, 15000);
    }

    /// The editor's own commits are no news to its watch, whatever they write (a batch as a
    /// restore writes it, a quantity set on an item against itself); another program's is
    /// said as a program's, another editor's (recorded in the history) as an editor's.
    void ownCommitsAreNoNewsAndOthersAreSaidByWhoWroteThem() {
        writeFileDatabase();
        store::setFileHistoryKept(true);
        ChangeWatcher watcher(file());
        watcher.setIntervals(10, 0);
        QSignalSpy watching(&watcher, &ChangeWatcher::watching);
        QSignalSpy changed(&watcher, &ChangeWatcher::changed);
        QVERIFY(watching.wait(5000));
        for (int round = 0; round < 3; ++round) {
            const std::unique_ptr<store::Store> own = store::openStore(file());
            own->changeQuantity("TOP", "SUB", 2.0 + round, 3.0 + round);
            const store::LineRow line = store::newLine("TOP", "P1", round + 1.0);
            own->writeLines({{}, {line}});
            own->writeLines({{line}, {}});
        }
        QTest::qWait(300);
        QCOMPARE(changed.count(), 0);

        execOn(file(), {"UPDATE BomDetail SET BomQtyReq = 9 WHERE BomID = 'SUB'"});
        QTRY_VERIFY_WITH_TIMEOUT(changed.count() == 1, 5000);
        QVERIFY(changed.takeFirst().at(0).value<Changes>().byProgram);

        // Another editor: a process of its own, recording its write.
        const pid_t child = fork();
        if (child == 0) {
            store::openStore(file())->changeQuantity("SUB", "P1", 9.0, 4.0);
            _exit(0);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QTRY_VERIFY_WITH_TIMEOUT(changed.count() == 1, 5000);
        QVERIFY(!changed.takeFirst().at(0).value<Changes>().byProgram);
        store::setFileHistoryKept(false);
    }

    void aWriterHoldingTheLockNeitherBlocksNorBreaksTheWatch() {
        writeFileDatabase();
        auto watcher = std::make_unique<ChangeWatcher>(file());
        watcher->setIntervals(10, 0);
        QSignalSpy watching(watcher.get(), &ChangeWatcher::watching);
        QSignalSpy changed(watcher.get(), &ChangeWatcher::changed);
        QSignalSpy notices(watcher.get(), &ChangeWatcher::notice);
        QVERIFY(watching.wait(5000));
        {
            QSqlDatabase writer = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "locker");
            writer.setDatabaseName(file());
            QVERIFY(writer.open());
            QSqlQuery q(writer);
            QVERIFY(q.exec("PRAGMA journal_mode = DELETE"));
            QVERIFY(q.exec("BEGIN EXCLUSIVE"));
            QVERIFY(q.exec("DELETE FROM BomDetail WHERE BomID = 'SUB'"));
            // The watcher is checking all the while; the owner's events keep running.
            QElapsedTimer held;
            held.start();
            QTRY_VERIFY_WITH_TIMEOUT(held.elapsed() > 200, 1000);
            QVERIFY(changed.isEmpty() && notices.isEmpty());
            QVERIFY(q.exec("COMMIT"));
            QTRY_VERIFY_WITH_TIMEOUT(changed.count() == 1, 5000);
            // Stopped while a writer holds the lock again: promptly.
            QVERIFY(q.exec("BEGIN EXCLUSIVE"));
            QElapsedTimer stopping;
            stopping.start();
            watcher.reset();
            QVERIFY2(stopping.elapsed() < 500, qPrintable(QString::number(stopping.elapsed())));
            q.exec("ROLLBACK");
        }
        QSqlDatabase::removeDatabase(QStringLiteral("locker"));
    }

    void aReplacedFileIsReportedAndWatchedFromThen() {
        // Not a database at first: said once, and watched once it is one.
        writeFileDatabase();
        writeFile(file(), "not a database, not yet");
        ChangeWatcher watcher(file());
        watcher.setIntervals(10, 0);
        QSignalSpy changed(&watcher, &ChangeWatcher::changed);
        QSignalSpy notices(&watcher, &ChangeWatcher::notice);
        QTRY_VERIFY_WITH_TIMEOUT(notices.count() == 1, 5000);
        QVERIFY(notices.at(0).at(0).toString().startsWith("Changes by other programs show"));
        const QString next = m_dir.filePath(QStringLiteral("next.db"));
        QFile::remove(next);
        writeDatabase(next, items, lines);
        QVERIFY(::rename(QFile::encodeName(next), QFile::encodeName(file())) == 0);
        QTRY_VERIFY_WITH_TIMEOUT(changed.count() == 1, 5000);
        // And so on, as an import puts a new file in place of the one shown.
        writeDatabase(next, items, {});
        QVERIFY(::rename(QFile::encodeName(next), QFile::encodeName(file())) == 0);
        QTRY_VERIFY_WITH_TIMEOUT(changed.count() == 2, 5000);
        execOn(file(), {"INSERT INTO BomDetail VALUES ('TOP', 'P1', 1, NULL)"});
        QTRY_VERIFY_WITH_TIMEOUT(changed.count() == 3, 5000);
        QCOMPARE(notices.count(), 1);
    }

    void fileLatencyWithTheDefaultPoll() {
        writeFileDatabase();
        ChangeWatcher watcher(file());
        QSignalSpy watching(&watcher, &ChangeWatcher::watching);
        QSignalSpy changed(&watcher, &ChangeWatcher::changed);
        QVERIFY(watching.wait(5000));
        QList<qint64> samples;
        for (int i = 0; i < 20; ++i) {
            // A commit at any moment of the poll's second.
            QElapsedTimer since;
            QTimer::singleShot(QRandomGenerator::global()->bounded(ChangeWatcher::DefaultPollMs),
                               [&, i] {
                                   since.start();
                                   execOn(file(), {QStringLiteral("UPDATE BomDetail SET "
                                                                  "BomQtyReq = %1")
                                                       .arg(i)});
                               });
            QVERIFY(changed.wait(3000));
            samples.append(since.elapsed());
        }
        qInfo("file: commit to signal, median %lld ms of 20 (poll %d ms)", median(samples),
              ChangeWatcher::DefaultPollMs);
        QVERIFY(median(samples) <= 1500);
    }

    void aServerChangeNamesItsAssembliesAndItemsAndOnlyOwnConnectionsAreSkipped() {
        if (!needServer())
            return;
        server().write(items, lines);
        QSignalSpy* editors = nullptr;
        auto watcher = watchServer(editors);
        QSignalSpy changed(watcher.get(), &ChangeWatcher::changed);
        QSignalSpy notices(watcher.get(), &ChangeWatcher::notice);
        QTRY_VERIFY_WITH_TIMEOUT(editors->count() == 1, 10000);
        QCOMPARE(editors->at(0).at(0).toInt(), 0);
        // This editor's own write, through the store, whose connection is closed before its
        // notice comes in, is skipped; a session that only calls itself this editor (its name
        // can be read by anyone, or be another editor's in a container) is shown.
        {
            const auto db = server().open();
            QVERIFY(deleteLine(*db, "TOP", "SUB"));
        }
        store::pg::closeKeptSessions();
        HeldConnection namedAsThisEditor(m_server, store::editorSessionName());
        namedAsThisEditor.exec("UPDATE itemmaster SET itemdesc = 'not mine' WHERE itemid = 'P1'");
        execOnServer(m_server,
                     {"BEGIN", "INSERT INTO bomdetail VALUES ('sub', 'TOP', 1, NULL)",
                      "UPDATE bomdetail SET bomqtyreq = 9 WHERE bomid = 'SUB'",
                      "UPDATE itemmaster SET itemdesc = 'other' WHERE itemid IN ('TOP', 'SUB')",
                      "COMMIT"});
        QTRY_COMPARE_WITH_TIMEOUT(unionOf(changed).items.size(), 3, 5000);
        const Changes said = unionOf(changed);
        QVERIFY(!said.everything);
        QCOMPARE(said.assemblies.size(), 1);
        QCOMPARE(said.assemblies.at(0).toUpper(), QStringLiteral("SUB"));
        QCOMPARE(QSet<QString>(said.items.begin(), said.items.end()),
                 (QSet<QString>{"P1", "TOP", "SUB"}));
        QVERIFY(notices.isEmpty());

        QList<qint64> samples;
        for (int i = 0; i < 20; ++i) {
            changed.clear();
            QElapsedTimer since;
            since.start();
            execOnServer(m_server,
                         {QStringLiteral("UPDATE bomdetail SET bomqtyreq = %1 WHERE bomid = 'SUB'")
                              .arg(i)});
            QVERIFY(changed.wait(3000));
            samples.append(since.elapsed());
        }
        qInfo("server: commit to signal, median %lld ms of 20 (group %d ms)", median(samples),
              ChangeWatcher::DefaultGroupMs);
        QVERIFY(median(samples) <= 300);
    }

    void aBurstFoldsAndAnOversizedStatementOrAnImportIsEverything() {
        if (!needServer())
            return;
        server().write(items, lines);
        QSignalSpy* editors = nullptr;
        auto watcher = watchServer(editors);
        QSignalSpy changed(watcher.get(), &ChangeWatcher::changed);
        QTRY_VERIFY_WITH_TIMEOUT(editors->count() == 1, 10000);
        // A commit after a quiet while is said at once, not a group later.
        watcher->setIntervals(0, 600'000);
        execOnServer(m_server, {"UPDATE bomdetail SET bomqtyreq = 3 WHERE bomid = 'TOP'"});
        QTRY_VERIFY_WITH_TIMEOUT(!changed.isEmpty(), 10000);
        changed.clear();
        watcher->setIntervals(0, 50);
        QStringList commits;
        QSet<QString> expected;
        for (int i = 0; i < 1000; ++i) {
            const QString assembly = QStringLiteral("A-%1'\"é").arg(i);
            expected.insert(assembly);
            commits.append(QStringLiteral("INSERT INTO bomdetail VALUES ('%1', 'P1', 1, NULL)")
                               .arg(QString(assembly).replace("'", "''")));
        }
        QElapsedTimer burst;
        burst.start();
        execOnServer(m_server, commits);
        const qint64 took = burst.elapsed();
        QTRY_VERIFY_WITH_TIMEOUT(unionOf(changed).assemblies.size() == 1000, 10000);
        const QStringList all = unionOf(changed).assemblies;
        QCOMPARE(QSet<QString>(all.begin(), all.end()), expected);
        QVERIFY(!unionOf(changed).everything);
        qInfo("server: 1,000 single-line commits in %lld ms gave %lld signals (group 50 ms)", took,
              qint64(changed.count()));
        // One at once, one for each group the burst spans, its last part counted whole, and
        // one for what the server still delivers after the burst's last commit.
        QVERIFY2(changed.count() <= (took + 49) / 50 + 2,
                 qPrintable(QStringLiteral("%1 signals for 1,000 commits in %2 ms")
                                .arg(changed.count())
                                .arg(took)));

        changed.clear();
        execOnServer(m_server, {"UPDATE bomdetail SET bomqtyreq = 2 WHERE bomcomp = 'P1'"});
        QTRY_VERIFY_WITH_TIMEOUT(!changed.isEmpty(), 5000);
        QVERIFY(unionOf(changed).everything);
        // One assembly, but rows past counting: everything as well.
        changed.clear();
        execOnServer(m_server, {"INSERT INTO bomdetail SELECT 'BIG', 'C' || g, 1, NULL"
                                " FROM generate_series(1, 20001) AS g"});
        QTRY_VERIFY_WITH_TIMEOUT(!changed.isEmpty(), 5000);
        QVERIFY(unionOf(changed).everything);

        // An import, as bom-import writes it (another program than this editor): one notice.
        changed.clear();
        store::setSessionApplicationName(QStringLiteral("fabrilux-bom-import"));
        {
            auto writer = store::ImportWriter::intoExisting(m_server.uri());
            for (int i = 0; i < 1200; ++i)
                writer->addLine({QStringLiteral("NEW-%1").arg(i), "P1", 1.0, std::nullopt},
                                [] { return QStringLiteral("row"); });
            writer->commit();
        }
        store::setSessionApplicationName(QString());
        QCOMPARE(store::sessionApplicationName(), store::editorSessionName());
        QTRY_VERIFY_WITH_TIMEOUT(!changed.isEmpty(), 5000);
        QVERIFY(unionOf(changed).everything && unionOf(changed).assemblies.isEmpty());
    }

    void tablesWithoutTriggersSaySoOnceUntilCreateSchemaAddsThem() {
        if (!needServer())
            return;
        execOnServer(m_server, {"DROP TABLE IF EXISTS itemmaster, bomdetail"});
        execOnServer(m_server,
                     {"CREATE TABLE itemmaster (itemid text COLLATE \"C\" PRIMARY KEY, "
                      "itemdesc text, itemuom text)",
                      "CREATE TABLE bomdetail (bomid text COLLATE \"C\", bomcomp text COLLATE "
                      "\"C\", bomqtyreq double precision, startdate text, "
                      "PRIMARY KEY (bomid, bomcomp))"});
        QCOMPARE(changeTriggers(), 0);
        {
            QSignalSpy* editors = nullptr;
            auto watcher = watchServer(editors);
            QSignalSpy notices(watcher.get(), &ChangeWatcher::notice);
            QSignalSpy changed(watcher.get(), &ChangeWatcher::changed);
            QTRY_VERIFY_WITH_TIMEOUT(editors->count() == 1, 10000);
            QCOMPARE(notices.count(), 1);
            QVERIFY(notices.at(0).at(0).toString().contains("no change triggers"));
            execOnServer(m_server, {"INSERT INTO bomdetail VALUES ('X', 'Y', 1, NULL)"});
            QVERIFY(changed.isEmpty());
        }
        // Added to the tables that are there, and made again by a second run.
        QCOMPARE(store::PgImportWriter::createTables(m_server.uri()), QStringList());
        QCOMPARE(changeTriggers(), 8);
        store::PgImportWriter::createTables(m_server.uri());
        QCOMPARE(changeTriggers(), 8);
        QSignalSpy* editors = nullptr;
        auto watcher = watchServer(editors);
        QSignalSpy notices(watcher.get(), &ChangeWatcher::notice);
        QTRY_VERIFY_WITH_TIMEOUT(editors->count() == 1, 10000);
        QVERIFY(notices.isEmpty());
    }

    void triggersGoneWhileWatchingAreSaidOnReconnectAndAtTheNextCheck() {
        if (!needServer())
            return;
        server().write(items, lines);
        const QString noTriggers = QStringLiteral(
            "Changes by other editors show only after a reload: the server's tables have no "
            "change triggers (bom-import --create-schema adds them)");
        QSignalSpy* editors = nullptr;
        auto watcher = watchServer(editors);
        QSignalSpy notices(watcher.get(), &ChangeWatcher::notice);
        QSignalSpy changed(watcher.get(), &ChangeWatcher::changed);
        QTRY_VERIFY_WITH_TIMEOUT(editors->count() == 1, 10000);
        QVERIFY(notices.isEmpty());
        // Disabled while the watcher is away (its minute's check is far off): said once it is
        // back, after its own notices.
        execOnServer(m_server, {"ALTER TABLE itemmaster DISABLE TRIGGER fabrilux_changes_insert"});
        const QString failed = m_server.restart();
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        QTRY_COMPARE_WITH_TIMEOUT(notices.count(), 3, 15000);
        QCOMPARE(notices.at(2).at(0).toString(), noTriggers);
        // Back: what was missed meanwhile is read again, and that is said.
        watcher->setTriggerCheck(20);
        changed.clear();
        store::PgImportWriter::createTables(m_server.uri());
        QTRY_COMPARE_WITH_TIMEOUT(notices.count(), 4, 5000);
        QCOMPARE(notices.at(3).at(0).toString(),
                 QStringLiteral("The server's tables have their change triggers again; what is "
                                "shown was read again."));
        QVERIFY(!changed.isEmpty() && changed.constLast().at(0).value<Changes>().everything);
        // Dropped while it listens: said at the next check, as at the start.
        execOnServer(m_server, {"DROP TRIGGER fabrilux_changes_update ON bomdetail"});
        QTRY_COMPARE_WITH_TIMEOUT(notices.count(), 5, 5000);
        QCOMPARE(notices.at(4).at(0).toString(), noTriggers);
    }

    void otherEditorsAreCountedOncePerEditor() {
        if (!needServer())
            return;
        server().write(items, lines);
        QSignalSpy* editors = nullptr;
        auto watcher = watchServer(editors);
        QTRY_VERIFY_WITH_TIMEOUT(editors->count() == 1, 10000);
        QCOMPARE(editors->at(0).at(0).toInt(), 0);
        HeldConnection mine(m_server, store::editorSessionName());
        HeldConnection other(m_server, "fabrilux-bom-editor/4242@elsewhere");
        HeldConnection otherAgain(m_server, "fabrilux-bom-editor/4242@elsewhere");
        HeldConnection notAnEditor(m_server, "psql");
        QTRY_VERIFY_WITH_TIMEOUT(editors->count() == 2, 12000);
        QCOMPARE(editors->at(1).at(0).toInt(), 1);
    }

    void theListenerSurvivesARestartOfTheServer() {
        if (!needServer())
            return;
        server().write(items, lines);
        QSignalSpy* editors = nullptr;
        auto watcher = watchServer(editors);
        QSignalSpy changed(watcher.get(), &ChangeWatcher::changed);
        QSignalSpy notices(watcher.get(), &ChangeWatcher::notice);
        QTRY_VERIFY_WITH_TIMEOUT(editors->count() == 1, 10000);
        const QString failed = m_server.restart();
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        QTRY_VERIFY_WITH_TIMEOUT(notices.count() == 2, 15000);
        QCOMPARE(notices.at(0).at(0).toString(),
                 QStringLiteral("The connection to the server was lost; trying again…"));
        QCOMPARE(notices.at(1).at(0).toString(),
                 QStringLiteral("Connected to the server again; what is shown was read again."));
        QCOMPARE(changed.count(), 1);
        QVERIFY(changed.at(0).at(0).value<Changes>().everything);
        // Listening again.
        execOnServer(m_server, {"DELETE FROM bomdetail WHERE bomid = 'TOP'"});
        QTRY_VERIFY_WITH_TIMEOUT(changed.count() == 2, 5000);
        QCOMPARE(changed.at(1).at(0).value<Changes>().assemblies, QStringList{"TOP"});
    }

    void aServerWithoutHistorySaysSoOnceWhileTheHistoryIsOn() {
        if (!needServer())
            return;
        server().write(items, lines);
        store::disableServerHistory(m_server.uri());
        for (const bool kept : {false, true}) {
            store::setFileHistoryKept(kept);
            QSignalSpy* editors = nullptr;
            auto watcher = watchServer(editors);
            QSignalSpy notices(watcher.get(), &ChangeWatcher::notice);
            // The history is looked for before the editors are counted.
            QTRY_VERIFY_WITH_TIMEOUT(editors->count() == 1, 10000);
            QCOMPARE(notices.count(), kept ? 1 : 0);
            if (kept)
                QVERIFY(notices.at(0).at(0).toString().startsWith(
                    QStringLiteral("This server keeps no history of changes")));
        }
        store::enableServerHistory(m_server.uri());
        QSignalSpy* editors = nullptr;
        auto watcher = watchServer(editors);
        QSignalSpy notices(watcher.get(), &ChangeWatcher::notice);
        QTRY_VERIFY_WITH_TIMEOUT(editors->count() == 1, 10000);
        QVERIFY(notices.isEmpty());
        store::disableServerHistory(m_server.uri());
        store::setFileHistoryKept(false);
    }

    void passwordPromptsFollowLibpqNotTheMessage() {
        if (!needServer())
            return;
        execOnServer(m_server, {"DROP ROLE IF EXISTS pwuser",
                                "CREATE ROLE pwuser LOGIN PASSWORD 'right one'"});
        const QString hba = m_server.clusterFolder() + QStringLiteral("/pg_hba.conf");
        const QByteArray before = readAll(hba);
        QFile rules(hba);
        QVERIFY(rules.open(QIODevice::WriteOnly | QIODevice::Truncate));
        rules.write("local all pwuser scram-sha-256\n" + before);
        rules.close();
        QVERIFY(m_server.reload().isEmpty());
        QString uri = m_server.uri();
        uri.replace(m_server.user() + QLatin1Char('@'), QStringLiteral("pwuser@"));
        // A reload is read by new connections once the server has taken it in.
        QTRY_VERIFY_WITH_TIMEOUT(
            failureOf([&] { store::pg::Session c(uri); }).first == store::PasswordNeeded,
            5000);
        // libpq's own answer, not the English words of its message, decides.
        using store::pg::Refusal;
        QCOMPARE(store::pg::askWhyRefused(uri), Refusal::PasswordNeeded);
        store::useServerPassword(uri, QStringLiteral("wrong"));
        QCOMPARE(failureOf([&] { store::pg::Session c(uri); }).first, store::PasswordRefused);
        QCOMPARE(store::pg::askWhyRefused(uri), Refusal::PasswordRefused);
        store::useServerPassword(uri, QStringLiteral("right one"));
        QCOMPARE(failureOf([&] { store::pg::Session c(uri); }).first, 0);
        // Past the password, another refusal is no question of passwords.
        QString noDatabase = uri;
        noDatabase.replace(QStringLiteral("/postgres?"), QStringLiteral("/nowhere?"));
        store::useServerPassword(noDatabase, QStringLiteral("right one"));
        QCOMPARE(failureOf([&] { store::pg::Session c(noDatabase); }).first, store::CannotOpen);
        QCOMPARE(store::pg::askWhyRefused(noDatabase), Refusal::Other);
        store::useServerPassword(uri, QString());
        store::useServerPassword(noDatabase, QString());
    }
};

QTEST_GUILESS_MAIN(ChangeWatcherTest)
#include "change_watcher_test.moc"
