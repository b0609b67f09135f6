// The history of a database file against the truth: the file itself, saved after each round of
// the editor's writes and another program's. Every change is named once with its rows before
// and after, every kept moment is rebuilt exactly, and a write killed at any step loses no
// change and records none that did not happen.

#include "store/Draft.h"
#include "store/History.h"
#include "store/sqlite/history/HistoryFile.h"
#include "store/ItemKey.h"
#include "support/StoreBackend.h"
#include "support/TestDatabase.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

using namespace store;

namespace {

/// A line's value as the oracle compares it: "quantity@start date" (Null as "-").
QString valueText(const QVariant& quantity, const QVariant& start) {
    const auto text = [](const QVariant& value) {
        return value.isNull() ? QStringLiteral("-") : QString::number(value.toDouble());
    };
    return text(quantity) + QLatin1Char('@') +
           (start.isNull() ? QStringLiteral("-") : start.toString());
}

using Lines = QMap<QString, QString>; // "assembly>component" → valueText

Lines linesNow(const QString& path) {
    Lines lines;
    const QString name = QStringLiteral("oracle-read");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            q.exec(QStringLiteral("SELECT BomID, BomComp, bomQtyReq, StartDate FROM BomDetail"));
            while (q.next())
                lines.insert(q.value(0).toString() + QLatin1Char('>') + q.value(1).toString(),
                             valueText(q.value(2), q.value(3)));
        }
    }
    QSqlDatabase::removeDatabase(name);
    return lines;
}

/// The lines of `item`'s structure in `all`, as linesAsOf gives them: by folded assembly.
Lines reachable(const Lines& all, const QString& item) {
    QMultiMap<QString, QString> components; // folded assembly → "assembly>component"
    for (auto line = all.cbegin(); line != all.cend(); ++line)
        components.insert(foldKey(line.key().section(QLatin1Char('>'), 0, 0)), line.key());
    Lines result;
    QStringList level{foldKey(item)};
    QSet<QString> seen(level.cbegin(), level.cend());
    while (!level.isEmpty()) {
        QStringList next;
        for (const QString& assembly : level)
            for (const QString& key : components.values(assembly)) {
                result.insert(assembly + QLatin1Char('>') + key.section(QLatin1Char('>'), 1),
                              all.value(key).section(QLatin1Char('@'), 0, 0));
                const QString component = foldKey(key.section(QLatin1Char('>'), 1));
                if (!seen.contains(component)) {
                    seen.insert(component);
                    next.append(component);
                }
            }
        level = next;
    }
    return result;
}

Lines asOf(const LinesAsOf& lines) {
    Lines result;
    for (auto bill = lines.cbegin(); bill != lines.cend(); ++bill)
        for (const ComponentLine& line : *bill)
            result.insert(bill.key() + QLatin1Char('>') + line.id,
                          line.quantity ? QString::number(*line.quantity) : QStringLiteral("-"));
    return result;
}

/// Replays the recorded line changes, oldest first, on `from`; fails the test where a change's
/// before is not what the replay holds (a change named twice, or one missing before it).
Lines replay(Lines from, const std::vector<ChangeRecord>& newestFirst, const QDateTime& until) {
    for (auto change = newestFirst.crbegin(); change != newestFirst.crend(); ++change) {
        if (change->table != schema::BomDetail || change->time > until)
            continue;
        const QString key = change->key + QLatin1Char('>') + change->component;
        const QString before = change->before.exists
                                   ? valueText(change->before.quantity, change->before.startDate)
                                   : QString();
        if (from.value(key) != before) {
            QTest::qFail(qPrintable(QStringLiteral("%1: recorded before %2, held %3")
                                        .arg(key, before, from.value(key))),
                         __FILE__, __LINE__);
            return {};
        }
        if (change->after.exists)
            from.insert(key, valueText(change->after.quantity, change->after.startDate));
        else
            from.remove(key);
    }
    return from;
}

const char* g_stopAt = nullptr;
void stopHere(const char* step) {
    if (g_stopAt && qstrcmp(step, g_stopAt) == 0)
        _exit(0); // as a kill: no destructor, no rollback, no completion
}

} // namespace

class HistoryFileTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;

    void writeSample() {
        m_path = m_dir.filePath(QStringLiteral("bom.db"));
        QFile::remove(m_path);
        QFile::remove(m_path + QStringLiteral(".history"));
        std::vector<ItemRow> items;
        for (const char* id : {"TOP", "A1", "A2", "B1", "B2", "C1", "C2", "C3"})
            items.push_back({QString::fromLatin1(id), QStringLiteral("desc %1").arg(QLatin1String(id)), QStringLiteral("EA")});
        writeDatabase(m_path, items, {{"TOP", "A1", 1.0}, {"A1", "B1", 2.0}, {"B1", "C1", 3.0}});
    }

private Q_SLOTS:
    void initTestCase() {
        setFileHistoryKept(true);
        // The user's folder of histories, the case's own.
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("data"))));
    }

    void recordsEveryChangeOnceAndRebuildsEveryMoment() {
        writeSample();
        openHistory(m_path); // the starting state
        const Lines start = linesNow(m_path);
        const QStringList items{"TOP", "A1", "A2", "B1", "B2", "C1", "C2", "C3"};
        QRandomGenerator random(29);
        std::vector<std::pair<QDateTime, Lines>> saved;
        for (int round = 0; round < 12; ++round) {
            for (int write = 0; write < 4; ++write) {
                // Lines only go down the list: no cycle is ever refused.
                const int a = random.bounded(items.size() - 1);
                const int c = a + 1 + random.bounded(items.size() - a - 1);
                const QString assembly = items[a];
                const QString component = items[c];
                const double quantity = random.bounded(1, 9);
                const int kind = random.bounded(5);
                try {
                    if (kind == 0) { // another program, then an item renamed
                        execOn(m_path, {QStringLiteral("INSERT OR REPLACE INTO BomDetail VALUES "
                                                       "('%1', '%2', %3, NULL)")
                                            .arg(assembly, component)
                                            .arg(quantity),
                                        QStringLiteral("UPDATE ItemMaster SET ItemDesc = 'r%1' "
                                                       "WHERE ItemID = '%2'")
                                            .arg(round)
                                            .arg(component)});
                    } else if (kind == 1) {
                        execOn(m_path, {QStringLiteral("DELETE FROM BomDetail WHERE BomID = '%1'")
                                            .arg(assembly)});
                    } else {
                        const std::unique_ptr<Store> store = openStore(m_path);
                        store->setCommand({QStringLiteral("Round %1").arg(round), {}, false});
                        const std::optional<LineRow> line = store->findLine(assembly, component);
                        if (kind == 2 && !line)
                            store->addLine(assembly, component, quantity, QDateTime::currentDateTime());
                        else if (kind == 2)
                            store->changeQuantity(assembly, component, line->quantity, quantity);
                        else if (kind == 3 && line)
                            store->takeLine(assembly, component);
                        else
                            store->writeLines({line ? std::vector<LineRow>{*line}
                                                    : std::vector<LineRow>{},
                                               {newLine(assembly, component, quantity)}});
                    }
                } catch (const StoreError& error) {
                    QCOMPARE_NE(error.number(), int(HistoryNotRecorded));
                }
            }
            openHistory(m_path); // another program's writes found
            QThread::msleep(3);
            saved.emplace_back(QDateTime::currentDateTimeUtc(), linesNow(m_path));
            QThread::msleep(3);
        }
        const std::unique_ptr<HistoryLog> log = openHistory(m_path);
        const std::vector<ChangeRecord> changes = log->changes({});
        QVERIFY(!changes.empty());
        for (const auto& [moment, lines] : saved) {
            QCOMPARE(replay(start, changes, moment), lines);
            QCOMPARE(asOf(log->linesAsOf(QStringLiteral("TOP"), moment)), reachable(lines, "TOP"));
        }
        // Each change is attributed: the editor's carry their command, another program's none.
        bool editor = false;
        bool program = false;
        for (const ChangeRecord& change : changes) {
            if (change.source == ChangeSource::ThisEditor) {
                editor = true;
                QVERIFY(change.command.startsWith(QLatin1String("Round ")));
            } else {
                program = true;
                QCOMPARE(change.source, ChangeSource::AnotherProgram);
                QVERIFY(change.command.isEmpty());
            }
        }
        QVERIFY(editor && program);
        // One line's history and an item's.
        for (const ChangeRecord& change :
             log->changes({{QStringLiteral("a1")}, QStringLiteral("b1"), {}, {}, {}, {}, {}, {}})) {
            QCOMPARE(foldKey(change.key), QStringLiteral("a1"));
            QCOMPARE(foldKey(change.component), QStringLiteral("b1"));
        }
    }

    /// A write stopped dead at each step: after the record is pending, with the history locked,
    /// right after the data's commit, and after everything; then, as the case may be, another
    /// program sets the line again, or the record is left until it is old.
    void aKilledWriteLosesNothingAndInventsNothing_data() {
        QTest::addColumn<QByteArray>("step");
        QTest::addColumn<bool>("written");
        QTest::addColumn<QString>("after");
        QTest::newRow("pending") << QByteArray("pending") << false << QString();
        QTest::newRow("locked") << QByteArray("locked") << false << QString();
        QTest::newRow("locked, left an hour") << QByteArray("locked") << false << "an hour";
        QTest::newRow("committed") << QByteArray("committed") << true << QString();
        QTest::newRow("committed, set again") << QByteArray("committed") << true << "set again";
        QTest::newRow("completed") << QByteArray("completed") << true << QString();
    }
    void aKilledWriteLosesNothingAndInventsNothing() {
        QFETCH(QByteArray, step);
        QFETCH(bool, written);
        QFETCH(QString, after);
        writeSample();
        openHistory(m_path);
        const qint64 started = QDateTime::currentMSecsSinceEpoch();
        const pid_t child = fork();
        if (child == 0) {
            g_stopAt = step.constData();
            history::HistoryFile::setStepHook(&stopHere);
            const std::unique_ptr<Store> store = openStore(m_path);
            store->setCommand({QStringLiteral("Change the quantity of C1 in B1"), {}, false});
            store->changeQuantity(QStringLiteral("B1"), QStringLiteral("C1"), 3.0, 7.0);
            _exit(1);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        const qint64 killed = QDateTime::currentMSecsSinceEpoch();
        QCOMPARE(linesNow(m_path).value("B1>C1").section('@', 0, 0), written ? "7" : "3");

        if (after == QLatin1String("set again")) {
            // The editor's change is settled as its own, when it was made, before the other.
            QThread::msleep(5);
            execOn(m_path, {"UPDATE BomDetail SET bomQtyReq = 77 WHERE BomID = 'B1'"});
            const std::vector<ChangeRecord> changes = openHistory(m_path)->changes({});
            QCOMPARE(changes.size(), std::size_t(2));
            QCOMPARE(changes[1].source, ChangeSource::ThisEditor);
            QCOMPARE(changes[1].command, QStringLiteral("Change the quantity of C1 in B1"));
            QCOMPARE(changes[1].before.quantity.toDouble(), 3.0);
            QCOMPARE(changes[1].after.quantity.toDouble(), 7.0);
            QVERIFY(changes[1].time.toMSecsSinceEpoch() >= started &&
                    changes[1].time.toMSecsSinceEpoch() <= killed);
            QCOMPARE(changes[0].source, ChangeSource::AnotherProgram);
            QCOMPARE(changes[0].before.quantity.toDouble(), 7.0);
            QCOMPARE(changes[0].after.quantity.toDouble(), 77.0);
            return;
        }
        if (after == QLatin1String("an hour")) {
            // A record older than any write lasts is no write under way: dropped, and what
            // another program then does to its line is recorded.
            execOn(m_path + QStringLiteral(".history"),
                   {"UPDATE ChangeSet SET Time = Time - 3600000 WHERE Pending = 1"});
            QCOMPARE(openHistory(m_path)->changes({}).size(), std::size_t(0));
            execOn(m_path, {"UPDATE BomDetail SET bomQtyReq = 11 WHERE BomID = 'B1'"});
            const std::vector<ChangeRecord> changes = openHistory(m_path)->changes({});
            QCOMPARE(changes.size(), std::size_t(1));
            QCOMPARE(changes[0].source, ChangeSource::AnotherProgram);
            QCOMPARE(changes[0].after.quantity.toDouble(), 11.0);
            return;
        }
        const std::vector<ChangeRecord> changes = openHistory(m_path)->changes({});
        QCOMPARE(changes.size(), std::size_t(written ? 1 : 0));
        if (written) {
            QCOMPARE(changes[0].before.quantity.toDouble(), 3.0);
            QCOMPARE(changes[0].after.quantity.toDouble(), 7.0);
            QCOMPARE(changes[0].command, QStringLiteral("Change the quantity of C1 in B1"));
        }
        // The next write goes through and is recorded after it.
        const std::unique_ptr<Store> store = openStore(m_path);
        store->changeQuantity(QStringLiteral("B1"), QStringLiteral("C1"), written ? 7.0 : 3.0, 5.0);
        QCOMPARE(openHistory(m_path)->changes({}).size(), std::size_t(written ? 2 : 1));
    }

    /// Each desk dates its changes by its own clock: the history's order is that of its
    /// commits, a moment ends the run of changes dated at or before it (to the millisecond),
    /// a time earlier than the one before it is marked, and "now" holds every change made.
    void momentsCutTheHistorysOwnOrderWhateverTheClocks() {
        writeSample();
        openHistory(m_path);
        const Lines start = linesNow(m_path);
        QThread::msleep(3);
        openStore(m_path)->changeQuantity(QStringLiteral("TOP"), QStringLiteral("A1"), 1.0, 2.0);
        QThread::msleep(3);
        openStore(m_path)->changeQuantity(QStringLiteral("A1"), QStringLiteral("B1"), 2.0, 4.0);
        const QString history = m_path + QStringLiteral(".history");
        const auto asOfTop = [&](const QDateTime& moment) {
            return asOf(openHistory(m_path)->linesAsOf(QStringLiteral("TOP"), moment));
        };
        for (const qint64 skew : {-7'200'000LL, 7'200'000LL}) {
            // The second change made on a desk whose clock is two hours behind, or ahead.
            execOn(history, {QStringLiteral("UPDATE ChangeSet SET Time = Time + %1 WHERE Id ="
                                            " (SELECT max(Id) FROM ChangeSet)")
                                 .arg(skew)});
            const std::vector<ChangeRecord> changes = openHistory(m_path)->changes({});
            QCOMPARE(changes.size(), std::size_t(2));
            QCOMPARE(changes[0].timeBackwards, skew < 0);
            QVERIFY(!changes[1].timeBackwards);
            // Before both, nothing of either; at the first, the second too, which came after it
            // in the history, dated before it or in what is still the future here.
            const QDateTime made = changes[1].time;
            QCOMPARE(asOfTop(made.addMSecs(-1)), reachable(start, "TOP"));
            QCOMPARE(asOfTop(made), reachable(linesNow(m_path), "TOP"));
            QCOMPARE(asOfTop(QDateTime::currentDateTimeUtc()), reachable(linesNow(m_path), "TOP"));
            execOn(history, {QStringLiteral("UPDATE ChangeSet SET Time = Time - %1 WHERE Id ="
                                            " (SELECT max(Id) FROM ChangeSet)")
                                 .arg(skew)});
        }
        // Forgetting what was made before now leaves none "made" after it.
        execOn(history, {"UPDATE ChangeSet SET Time = Time + 7200000 WHERE Id ="
                         " (SELECT max(Id) FROM ChangeSet)"});
        const QDateTime now = QDateTime::currentDateTimeUtc();
        const std::unique_ptr<HistoryLog> log = openHistory(m_path);
        QCOMPARE(log->forgetBefore(now, {}), 2);
        QCOMPARE(log->changeCount(), 0);
        QCOMPARE(log->keptSince(), now);
        QCOMPARE(asOfTop(now), reachable(linesNow(m_path), "TOP"));
    }

    /// Forget Changes Before stopped after its first piece: the history starts where it
    /// stopped, a moment before that is refused, and every moment after it is rebuilt exactly.
    void forgettingStoppedPartWayKeepsAnExactStart() {
        writeSample();
        openHistory(m_path);
        std::vector<std::pair<QDateTime, Lines>> saved;
        {
            const std::unique_ptr<Store> store = openStore(m_path);
            for (int write = 0; write < 620; ++write) {
                store->changeQuantity(QStringLiteral("B1"), QStringLiteral("C1"), 3.0 + write,
                                      4.0 + write);
                if (write % 100 == 50) {
                    QThread::msleep(2);
                    saved.emplace_back(QDateTime::currentDateTimeUtc(), linesNow(m_path));
                    QThread::msleep(2);
                }
            }
        }
        const std::unique_ptr<HistoryLog> log = openHistory(m_path);
        int pieces = 0;
        const qint64 forgotten =
            log->forgetBefore(QDateTime::currentDateTimeUtc(), [&](qint64, qint64) {
                return ++pieces < 1;
            });
        QVERIFY(forgotten > 0 && forgotten < 620);
        QCOMPARE(log->changeCount(), 620 - forgotten);
        const QDateTime start = log->keptSince();
        // The newest change forgotten was made at the start; the oldest kept after it.
        const std::vector<ChangeRecord> kept = log->changes({});
        QVERIFY(kept.back().time >= start);
        QCOMPARE(failureOf([&] { log->linesAsOf(QStringLiteral("TOP"), start.addMSecs(-1)); }).first,
                 int(HistoryTooOld));
        int exact = 0;
        for (const auto& [moment, lines] : saved) {
            if (moment < start) {
                QCOMPARE(failureOf([&] { log->linesAsOf(QStringLiteral("TOP"), moment); }).first,
                         int(HistoryTooOld));
            } else {
                QCOMPARE(asOf(log->linesAsOf(QStringLiteral("TOP"), moment)), reachable(lines, "TOP"));
                ++exact;
            }
        }
        QVERIFY(exact >= 1 && exact < int(saved.size()));
    }

    /// A look reads the tables only when a commit that no editor recorded came in: with a line
    /// slipped into the recorded state that the data never held, the editors' commits leave it
    /// unnoticed (nothing compared), another program's makes the look compare, and both are
    /// found then (in a history without a page map, as an earlier editor made: the whole tables).
    void onlyAnotherProgramsCommitIsCompared() {
        writeSample();
        openHistory(m_path);
        execOn(m_path + QStringLiteral(".history"), {"DELETE FROM Meta WHERE Key = 'pages'",
               "INSERT INTO StateLine VALUES ('GHOST', 'C3', 1, NULL)"});
        {
            const std::unique_ptr<Store> store = openStore(m_path);
            store->setCommand({QStringLiteral("Set"), {}, false});
            store->changeQuantity(QStringLiteral("B1"), QStringLiteral("C1"), 3.0, 4.0);
            store->addLine(QStringLiteral("TOP"), QStringLiteral("A2"), 1.0, QDateTime::currentDateTime());
            store->takeLine(QStringLiteral("A1"), QStringLiteral("NOTHERE")); // writes no row
        }
        std::vector<ChangeRecord> changes = openHistory(m_path)->changes({});
        QCOMPARE(changes.size(), std::size_t(2));
        for (const ChangeRecord& change : changes)
            QCOMPARE(change.source, ChangeSource::ThisEditor);

        // Another program's commit, an item's unit alone among its changes.
        execOn(m_path, {"UPDATE BomDetail SET bomQtyReq = 9 WHERE BomID = 'TOP' AND BomComp = 'A1'",
                        "UPDATE ItemMaster SET ItemUom = 'KG' WHERE ItemID = 'C2'"});
        HistoryQuery programs;
        programs.source = ChangeSource::AnotherProgram;
        changes = openHistory(m_path)->changes(programs);
        QStringList found;
        for (const ChangeRecord& change : changes)
            found << change.key + '>' + change.component;
        found.sort();
        QCOMPARE(found, (QStringList{"C2>", "GHOST>C3", "TOP>A1"}));
        const ChangeRecord& unit = changes[std::size_t(std::find_if(changes.cbegin(), changes.cend(),
                                                                    [](const ChangeRecord& change) {
                                                                        return change.key == "C2";
                                                                    }) -
                                                       changes.cbegin())];
        QCOMPARE(unit.before.unit, std::optional<QString>("EA"));
        QCOMPARE(unit.after.unit, std::optional<QString>("KG"));
        QCOMPARE(unit.after.description, unit.before.description);
    }

    /// Another program whose writes wait a tenth of a second for a lock, as a busy one does,
    /// writes all the while a look compares a large file.
    void aLookNeverHoldsTheFileFromAnotherProgram() {
        writeSample();
        std::vector<Line> many;
        for (int i = 0; i < 200'000; ++i)
            many.push_back({QStringLiteral("BIG-%1").arg(i / 50), QStringLiteral("P-%1").arg(i), 1.0});
        QFile::remove(m_path);
        QFile::remove(m_path + QStringLiteral(".history"));
        writeDatabase(m_path, {{"TOP", "Top", "EA"}}, many);
        openHistory(m_path);
        execOn(m_path, {"UPDATE BomDetail SET bomQtyReq = 2 WHERE rowid = 1"});
        std::atomic<bool> looking{true};
        qint64 found = -1;
        QString lookFailure;
        QElapsedTimer took;
        took.start();
        std::thread look([&] {
            try {
                history::HistoryFile file(m_path);
                found = file.catchUp();
            } catch (const StoreError& error) {
                lookFailure = error.message();
            }
            looking = false;
        });
        int commits = 0;
        QStringList failures;
        while (looking) {
            if (const std::optional<QString> failure = tryExecOn(
                    m_path, {QStringLiteral("UPDATE BomDetail SET bomQtyReq = %1 WHERE rowid = 2")
                                 .arg(commits + 10)},
                    100))
                failures << *failure;
            ++commits;
            QThread::msleep(20);
        }
        look.join();
        qInfo("a look over %d lines took %lld ms; %d commits meanwhile", int(many.size()),
              took.elapsed(), commits);
        QVERIFY2(lookFailure.isEmpty(), qPrintable(lookFailure));
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join('\n')));
        QVERIFY(commits > 1);
        QVERIFY(found >= 1);
        // What was written during the look is found by the next one: the history holds what
        // the file does.
        QCOMPARE(asOf(openHistory(m_path)->linesAsOf(QStringLiteral("BIG-0"),
                                                      QDateTime::currentDateTimeUtc())),
                 reachable(linesNow(m_path), QStringLiteral("BIG-0")));
    }

    /// One database has one history, in one place, never reached through a link, and it goes
    /// with the database when both are moved.
    void oneHistoryInOnePlaceNeverThroughALink() {
        writeSample();
        const QString beside = m_path + QStringLiteral(".history");
        const QString target = m_dir.filePath(QStringLiteral("elsewhere"));
        for (const char* suffix : {"", "-wal", "-shm"})
            QFile::remove(beside + QLatin1String(suffix));
        QFile::remove(target);
        for (const char* suffix : {"", "-wal"}) {
            QVERIFY(QFile::link(target, beside + QLatin1String(suffix)));
            const auto refused = failureOf([&] { openHistory(m_path); });
            QCOMPARE(refused.first, int(HistoryLink));
            QVERIFY(refused.second.contains(QLatin1String("symbolic link")));
            QCOMPARE(failureOf([&] {
                         openStore(m_path)->changeQuantity(QStringLiteral("TOP"),
                                                           QStringLiteral("A1"), 1.0, 2.0);
                     }).first,
                     int(HistoryNotRecorded));
            QVERIFY(!QFile::exists(target));
            QVERIFY(QFile::remove(beside + QLatin1String(suffix)));
        }
        QCOMPARE(linesNow(m_path).value("TOP>A1").section('@', 0, 0), "1");

        // Begun in the user's folder, the history stays there though the database's folder
        // can be written again, until the user moves it beside the database.
        openStore(m_path)->changeQuantity(QStringLiteral("TOP"), QStringLiteral("A1"), 1.0, 2.0);
        const QString user = history::userPlace(m_path).path;
        QDir().mkpath(QFileInfo(user).absolutePath());
        for (const char* suffix : {"", "-wal"})
            QVERIFY(!QFile::exists(beside + QLatin1String(suffix)) ||
                    QFile::rename(beside + QLatin1String(suffix), user + QLatin1String(suffix)));
        QFile::remove(beside + QStringLiteral("-shm"));
        QCOMPARE(history::historyPlace(m_path).path, user);
        openStore(m_path)->changeQuantity(QStringLiteral("TOP"), QStringLiteral("A1"), 2.0, 3.0);
        QVERIFY(!QFile::exists(beside));
        QCOMPARE(openHistory(m_path)->changeCount(), 2);
        for (const char* suffix : {"", "-wal"})
            QVERIFY(!QFile::exists(user + QLatin1String(suffix)) ||
                    QFile::rename(user + QLatin1String(suffix), beside + QLatin1String(suffix)));
        QFile::remove(user + QStringLiteral("-shm"));
        QCOMPARE(history::historyPlace(m_path).path, beside);

        // Moved with its history into another folder: the same history, written on.
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("moved")));
        const QString moved = m_dir.filePath(QStringLiteral("moved/bom.db"));
        for (const QString& suffix : {QString(), QStringLiteral(".history"),
                                      QStringLiteral(".history-wal")})
            QVERIFY(!QFile::exists(m_path + suffix) || QFile::rename(m_path + suffix, moved + suffix));
        QFile::remove(beside + QStringLiteral("-shm"));
        openStore(moved)->changeQuantity(QStringLiteral("TOP"), QStringLiteral("A1"), 3.0, 4.0);
        const std::vector<ChangeRecord> changes = openHistory(moved)->changes({});
        QCOMPARE(changes.size(), std::size_t(3));
        QCOMPARE(changes[0].after.quantity.toDouble(), 4.0);
        QVERIFY(!QFile::exists(user));

        // A folder reached through a link (a home on another disk, a share) is no link in the
        // history's own place: the database there keeps its history, and its drafts.
        const QString linked = m_dir.filePath(QStringLiteral("linked"));
        QVERIFY(QFile::link(m_dir.filePath(QStringLiteral("moved")), linked));
        const QString through = linked + QStringLiteral("/bom.db");
        openStore(through)->changeQuantity(QStringLiteral("TOP"), QStringLiteral("A1"), 4.0, 5.0);
        QCOMPARE(openHistory(through)->changes({}).size(), std::size_t(4));
        openDrafts(through)->create(QStringLiteral("through a link"), {});
        QCOMPARE(openDrafts(moved)->list().size(), std::size_t(1));
    }

    void refusesAnotherDatabasesHistoryAndSetsADamagedOneAside() {
        writeSample();
        openHistory(m_path);
        const QString other = m_dir.filePath(QStringLiteral("other.db"));
        QFile::remove(other + QStringLiteral(".history"));
        QVERIFY(QFile::copy(m_path, other));
        QVERIFY(QFile::copy(m_path + QStringLiteral(".history"), other + QStringLiteral(".history")));
        QCOMPARE(failureOf([&] { openHistory(other); }).first, int(HistoryOtherDatabase));
        // An editor's write that cannot be recorded is not made.
        const auto refused = failureOf([&] {
            openStore(other)->addLine(QStringLiteral("TOP"), QStringLiteral("A2"), 1.0,
                                      QDateTime::currentDateTime());
        });
        QCOMPARE(refused.first, int(HistoryNotRecorded));
        QVERIFY(!linesNow(other).contains(QStringLiteral("TOP>A2")));

        // Somebody's database under the history's name is left alone.
        QFile::remove(other + QStringLiteral(".history"));
        QVERIFY(QFile::copy(m_path, other + QStringLiteral(".history")));
        QCOMPARE(failureOf([&] { openHistory(other); }).first, int(HistoryOtherDatabase));
        QCOMPARE(linesNow(other + QStringLiteral(".history")), linesNow(m_path));

        // A connection kept from an earlier write follows the file: once another editor has set
        // it aside, the next write is recorded in the history begun in its place.
        QFile::remove(other + QStringLiteral(".history"));
        openStore(other)->changeQuantity(QStringLiteral("TOP"), QStringLiteral("A1"), 1.0, 4.0);
        const QString aside = m_dir.filePath(QStringLiteral("aside.history"));
        for (const char* suffix : {"", "-wal"})
            QVERIFY(QFile::rename(other + QStringLiteral(".history") + QLatin1String(suffix),
                                  aside + QLatin1String(suffix)));
        QFile::remove(other + QStringLiteral(".history-shm"));
        openStore(other)->changeQuantity(QStringLiteral("TOP"), QStringLiteral("A1"), 4.0, 6.0);
        const std::vector<ChangeRecord> recorded = openHistory(other)->changes({});
        QCOMPARE(recorded.size(), std::size_t(1));
        QCOMPARE(recorded.front().after.quantity.toDouble(), 6.0);

        for (const char* suffix : {"", "-wal", "-shm"})
            QFile::remove(other + QStringLiteral(".history") + QLatin1String(suffix));
        writeFile(other + QStringLiteral(".history"), QByteArray(8192, 'x'));
        QCOMPARE(failureOf([&] { openHistory(other); }).first, int(HistoryDamaged));
        QVERIFY(!QFile::exists(other + QStringLiteral(".history")));
        QCOMPARE(openHistory(other)->changeCount(), 0); // a new one, begun from the file as it is
    }
};

QTEST_GUILESS_MAIN(HistoryFileTest)
#include "history_file_test.moc"
