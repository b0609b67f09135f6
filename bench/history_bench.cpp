// The "history" group of bom-bench: what keeping the history of a database file costs the
// editor's writes (one line, a Replace in 500 assemblies), how fast a long history is read
// (the changes of one line and of one bill, a bill as it stood at an earlier moment), and what
// another program's commit to a file of millions of lines costs once it is found.

#include "history_bench.h"
#include "Bench.h"
#include "BenchRows.h"

#include "support/TestDatabase.h"

#include "store/History.h"
#include "store/Store.h"
#include "store/sqlite/history/HistoryFile.h"
#include "tree/edits/BulkEdits.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTimeZone>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace bench {

namespace {

constexpr int Assemblies = 500;
/// Rows in each change set of the history filled for the reads, as a command of the editor's
/// of that size would leave them.
constexpr int RowsPerSet = 100;
/// The "as of" moment stands before this many of the newest changes.
constexpr int ChangesAfterMoment = 1000;
const QString OldPart = QStringLiteral("PART-OLD");
const QString NewPart = QStringLiteral("PART-NEW");

void print(const QString& name, const std::vector<double>& ms) {
    const auto [lo, hi] = std::minmax_element(ms.begin(), ms.end());
    std::printf("%-52s %5zu %10.2f %10.2f-%-10.2f %8s\n", qPrintable(name), ms.size(), median(ms),
                *lo, *hi, "");
    std::fflush(stdout);
}

/// A figure derived from the rows above it: a ratio ("x") or a difference ("ms").
void printFigure(const QString& name, double value, const char* unit) {
    std::printf("%-52s %16.2f%s\n", qPrintable(name), value, unit);
    std::fflush(stdout);
}

double timed(const std::function<void()>& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e6;
}

/// Removes the history of the database at `path` with its write-ahead files, so that a case
/// starts from none (a run of an earlier build leaves one behind).
void removeHistory(const QString& path) {
    const QString history = store::history::historyPlace(path).path;
    for (const char* suffix : {"", "-wal", "-shm"})
        QFile::remove(history + QLatin1StringView(suffix));
}

/// 500 assemblies that each list the old part among 20 others: 10,500 lines.
void writeReplaceFile(const QString& path) {
    std::vector<ItemRow> items{{OldPart, {}, {}}, {NewPart, {}, {}}};
    std::vector<Line> lines;
    for (int p = 0; p < 1000; ++p)
        items.push_back({QStringLiteral("P-%1").arg(p, 4, 10, QLatin1Char('0')), {}, {}});
    for (int a = 0; a < Assemblies; ++a) {
        const QString assembly = QStringLiteral("ASM-%1").arg(a, 4, 10, QLatin1Char('0'));
        items.push_back({assembly, {}, {}});
        lines.push_back({assembly, OldPart, double(1 + a % 7)});
        for (int p = 0; p < 20; ++p)
            lines.push_back({assembly,
                             QStringLiteral("P-%1").arg((a * 20 + p) % 1000, 4, 10, QLatin1Char('0')),
                             1.0});
    }
    QFile::remove(path);
    removeHistory(path);
    writeDatabase(path, items, lines);
}

/// A quantity written back and forth on DEEP-TOP's first line, each write with a store of its
/// own as an edit of the editor's opens one, with the history off and on in turn.
void singleWriteCases(int runs, const QString& path) {
    // Even, so that the writes made with the history off leave the line as the history last
    // recorded it: a write with it on then finds no change of another program's to record.
    constexpr int WritesPerRun = 20;
    const store::LineRow line = store::openStore(path)->lineRowsOf(DeepTop).front();
    QVariant quantity = line.quantity;
    const auto write = [&] {
        const double next = quantity.toDouble() == 1 ? 2 : 1;
        quantity = store::openStore(path)->changeQuantity(line.assembly, line.component, quantity,
                                                          next).quantity;
    };
    // The history made (the file's rows copied) and its first open's check, before the runs.
    store::setFileHistoryKept(true);
    write();
    std::vector<double> off, on;
    for (int run = 0; run < runs; ++run) {
        for (auto [kept, ms] : {std::pair{false, &off}, std::pair{true, &on}}) {
            store::setFileHistoryKept(kept);
            ms->push_back(timed([&] {
                              for (int i = 0; i < WritesPerRun; ++i)
                                  write();
                          }) /
                          WritesPerRun);
        }
    }
    store::setFileHistoryKept(false);
    print(QStringLiteral("history: one-line write, history off"), off);
    print(QStringLiteral("history: one-line write, history on"), on);
    printFigure(QStringLiteral("history: extra per write"), median(on) - median(off), " ms");
}

/// Replace Component… in 500 assemblies through the store, as the editor writes it, with the
/// history off and on in turn; each run's replace is undone untimed.
void replaceCases(int runs, const QString& path) {
    const auto replace = [&] {
        store::LineBatch batch;
        const double ms = timed([&] {
            const auto db = store::openStore(path);
            const std::vector<store::LineRow> uses = db->lineRowsUsing(OldPart);
            batch = tree::replaceBatch(uses, NewPart, 2.0);
            if (uses.size() != size_t(Assemblies))
                qFatal("history: %zu assemblies use the old part", uses.size());
            db->writeLines(batch);
        });
        // Undone, so that each replace, with the history off or on, starts from the same lines.
        store::openStore(path)->writeLines({batch.added, batch.removed});
        return ms;
    };
    store::setFileHistoryKept(true);
    replace(); // the history made, outside the runs
    std::vector<double> off, on;
    for (int run = 0; run < runs; ++run) {
        store::setFileHistoryKept(false);
        off.push_back(replace());
        store::setFileHistoryKept(true);
        on.push_back(replace());
    }
    store::setFileHistoryKept(false);
    print(QStringLiteral("history: replace in 500 assemblies, history off"), off);
    print(QStringLiteral("history: replace in 500 assemblies, history on"), on);
    printFigure(QStringLiteral("history: replace on / off"), median(on) / median(off), "x");
}

/// The moment before the newest changes of a history filled by fillHistory, and how many
/// quantity changes each line of its rounds had.
struct Filled {
    QDateTime beforeNewest;
    int rounds = 0;
    qint64 rows = 0;
};

/// Fills the history of `path` (made by the editor's code first, so that its tables are the
/// code's own) with about `changes` quantity changes, directly in one transaction: writing so
/// many through the store would take minutes. In rounds over all `lines` lines in key order,
/// each round raising every quantity by one or taking it back down, an even number of rounds,
/// so that the rows recorded last are today's and every earlier moment rebuilds exactly; one
/// change set of RowsPerSet rows a second, ending a second ago.
Filled fillHistory(const QString& path, qint64 changes, qint64 lines) {
    removeHistory(path);
    store::openHistory(path); // made: the file's rows copied as its starting state
    Filled filled;
    filled.rounds = int(std::max<qint64>(1, (changes + lines) / (2 * lines)) * 2);
    filled.rows = lines * filled.rounds;
    const qint64 sets = (filled.rows + RowsPerSet - 1) / RowsPerSet;
    const qint64 first = QDateTime::currentMSecsSinceEpoch() - (sets + 1) * 1000;
    const QString history = store::history::historyPlace(path).path;
    execOn(history, {
        QStringLiteral("BEGIN"),
        QStringLiteral("CREATE TEMP TABLE Numbered AS SELECT ROW_NUMBER() OVER (ORDER BY BomID,"
                       " BomComp) - 1 AS n, BomID, BomComp, bomQtyReq AS q, StartDate"
                       " FROM StateLine"),
        QStringLiteral("WITH RECURSIVE k(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM k"
                       " WHERE i + 1 < %1)"
                       " INSERT INTO ChangeSet(Id, Pending, Time, NotBefore, Person, Host, Session,"
                       " Source, Program, Command, Reason)"
                       " SELECT 1000000 + i, 0, %2 + i * 1000, NULL, 'bench', 'bench-host',"
                       " 'bom-bench', 0, 'bom-bench', 'Change quantities', NULL FROM k")
            .arg(sets)
            .arg(first),
        QStringLiteral("WITH RECURSIVE r(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM r"
                       " WHERE i + 1 < %1)"
                       " INSERT INTO RowChange(SetId, Tbl, Key, Component, OldExists, OldA, OldB,"
                       " NewExists, NewA, NewB, KeyDesc, ComponentDesc)"
                       " SELECT 1000000 + (r.i * %2 + l.n) / %3, 0, l.BomID, l.BomComp,"
                       " 1, CASE r.i % 2 WHEN 0 THEN l.q ELSE l.q + 1 END, l.StartDate,"
                       " 1, CASE r.i % 2 WHEN 0 THEN l.q + 1 ELSE l.q END, l.StartDate,"
                       " a.ItemDesc, c.ItemDesc"
                       " FROM r JOIN temp.Numbered l"
                       " LEFT JOIN StateItem a ON a.ItemID = l.BomID"
                       " LEFT JOIN StateItem c ON c.ItemID = l.BomComp ORDER BY r.i, l.n")
            .arg(filled.rounds)
            .arg(lines)
            .arg(RowsPerSet),
        // The starting state is the rows before the first change set.
        QStringLiteral("UPDATE Meta SET Value = %1 WHERE Key = 'since'").arg(first - 1000),
        // The file unseen, so that the next look compares it (the first open's case), as
        // after the editor's writes that would have made so long a history.
        QStringLiteral("DELETE FROM Meta WHERE Key = 'signature'"),
        QStringLiteral("COMMIT"),
    });
    const qint64 setsAfter = (ChangesAfterMoment + RowsPerSet - 1) / RowsPerSet;
    filled.beforeNewest =
        QDateTime::fromMSecsSinceEpoch(first + (sets - setsAfter) * 1000 - 1, QTimeZone::utc());
    return filled;
}

/// Sets the database at `path` (and its write-ahead log, when it has one) as last written a
/// minute ago, and lets one look record it as seen: the reads after it find the file unchanged
/// and at rest, as the window finds it when its history is opened long after the last write.
/// A look within 2 s of a write to the file compares both tables whatever the file's size and
/// time say, and so does the first look after any write.
void settle(const QString& path) {
    const QDateTime earlier = QDateTime::currentDateTimeUtc().addSecs(-60);
    for (const QString& file : {path, path + QStringLiteral("-wal")}) {
        QFile data(file);
        if (!data.exists())
            continue;
        if (!data.open(QIODevice::ReadWrite | QIODevice::ExistingOnly) ||
            !data.setFileTime(earlier, QFileDevice::FileModificationTime))
            qFatal("history: the time of %s could not be set back", qPrintable(file));
    }
    store::openHistory(path);
}

qint64 lineCount(const QHash<QString, store::ComponentLines>& bills) {
    qint64 n = 0;
    for (const store::ComponentLines& bill : bills)
        n += bill.size();
    return n;
}

/// The reads of a long history: the changes of one line and of one bill (each with the
/// history's open, which brings it up to date first), and the deep bill as it stood before
/// the newest changes against its load.
void readCases(int runs, const Sizes& sizes, const QString& path, qint64 lines) {
    const Filled filled = fillHistory(path, sizes.historyChanges, lines);
    // A bill three levels above the leaves, and its first line.
    const QString bill = QStringLiteral("D%1-000000").arg(sizes.deepLevels - 3);
    const QHash<QString, store::ComponentLines> billLines = store::openStore(path)->reachableLines(bill);
    const QHash<QString, store::ComponentLines> deepLines = store::openStore(path)->reachableLines(DeepTop);
    const QString component = billLines.value(bill.toUpper()).front().id;

    const double firstOpen = timed([&] {
        if (store::openHistory(path)->changeCount() != filled.rows)
            qFatal("history: the filled history does not hold %lld changes", filled.rows);
    });
    print(QStringLiteral("history: first open in a process (file checked)"), {firstOpen});

    // An edit of the editor's, recorded, on DEEP-TOP's first line: outside the bill read below,
    // and among the deep bill's changes only after the newest 100,000 are counted.
    const store::LineRow topLine = store::openStore(path)->lineRowsOf(DeepTop).front();
    QVariant topQuantity = topLine.quantity;
    qsizetype edits = 0;
    const auto edit = [&] {
        ++edits;
        store::setFileHistoryKept(true);
        const double next = topQuantity.toDouble() == 1 ? 2 : 1;
        topQuantity = store::openStore(path)
                          ->changeQuantity(topLine.assembly, topLine.component, topQuantity, next)
                          .quantity;
        store::setFileHistoryKept(false);
    };
    // Each read twice over: with the file at rest and unchanged since the last look (the
    // comparison skipped), and as the first look after an edit (the file compared).
    const auto historyOf = [&](const QString& name, const QStringList& assemblies,
                               const QString& line, const std::function<qsizetype()>& expected) {
        for (const bool afterEdit : {false, true}) {
            if (!afterEdit)
                settle(path);
            qsizetype found = 0;
            std::vector<double> ms;
            for (int run = 0; run < runs; ++run) {
                if (afterEdit)
                    edit();
                ms.push_back(timed([&] {
                    store::HistoryQuery query;
                    query.assemblies = assemblies;
                    query.component = line;
                    found = qsizetype(store::openHistory(path)->changes(query).size());
                }));
            }
            if (found != expected())
                qFatal("history: %s: %lld changes, expected %lld", qPrintable(name),
                       qlonglong(found), qlonglong(expected()));
            print(QStringLiteral("history: ") + name +
                      (afterEdit ? QStringLiteral(", after an edit") : QStringLiteral(", at rest")),
                  ms);
        }
    };
    std::printf("  %lld changes kept: %d rounds over the %lld lines\n", filled.rows,
                filled.rounds, lines);
    historyOf(QStringLiteral("changes of one line"), {bill}, component,
              [&] { return qsizetype(filled.rounds); });
    historyOf(QStringLiteral("changes of one bill (%1 assemblies)").arg(billLines.size()),
              billLines.keys(), {}, [&] { return qsizetype(lineCount(billLines)) * filled.rounds; });
    const store::HistoryQuery limits;
    historyOf(QStringLiteral("changes of the deep bill (newest %1)").arg(limits.limit),
              deepLines.keys(), {}, [&] {
                  return std::min<qsizetype>(limits.limit,
                                             qsizetype(lineCount(deepLines)) * filled.rounds + edits);
              });

    // At rest, so that the figure is the rebuild alone, as the load's is.
    settle(path);
    std::vector<double> asOfMs, loadMs;
    for (int run = 0; run < runs; ++run) {
        store::LinesAsOf then;
        asOfMs.push_back(timed(
            [&] { then = store::openHistory(path)->linesAsOf(DeepTop, filled.beforeNewest); }));
        QHash<QString, store::ComponentLines> now;
        loadMs.push_back(timed([&] { now = store::openStore(path)->reachableLines(DeepTop); }));
        if (then.size() != now.size() || lineCount(then) != lineCount(now))
            qFatal("history: the deep bill as of before the newest changes has %lld lines, "
                   "today %lld", lineCount(then), lineCount(now));
    }
    print(QStringLiteral("history: deep bill as of %1 changes ago").arg(ChangesAfterMoment), asOfMs);
    print(QStringLiteral("history: deep bill as today (reachableLines)"), loadMs);
    printFigure(QStringLiteral("history: as of / today"), median(asOfMs) / median(loadMs), "x");
}

/// The history of the scale file: its first creation (every row copied), then a look after
/// an editor's own one-line commit (told apart by the file's change counter: nothing
/// compared), and after another program's one-line UPDATE (the pages of the file that changed
/// compared, as the history's page map finds them), with the memory the look took on top of
/// what the process held. At most 3 runs
/// each: one run of either reads millions of rows.
void scaleCases(int runs, const Sizes& sizes, const QString& path) {
    runs = std::min(runs, 3);
    std::vector<double> made;
    for (int run = 0; run < runs; ++run) {
        removeHistory(path);
        made.push_back(timed([&] { store::history::HistoryFile file(path); }));
    }
    print(QStringLiteral("history: made for the scale file (%1 lines)").arg(sizes.scaleLines), made);

    store::history::HistoryFile file(path);
    // The line the editor sets: the file's second row (another program sets the first).
    QStringList second;
    {
        const QString name = QStringLiteral("history-bench-row");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(path);
            QSqlQuery query(db);
            if (!db.open() || !query.exec(QStringLiteral("SELECT BomID, BomComp, bomQtyReq FROM "
                                                         "BomDetail WHERE rowid = 2")) ||
                !query.next())
                qFatal("history: the scale file has no second row");
            second = QStringList{query.value(0).toString(), query.value(1).toString(),
                                 query.value(2).toString()};
        }
        QSqlDatabase::removeDatabase(name);
    }
    // The editor's writes record into the history, as the editor keeps it.
    store::setFileHistoryKept(true);
    std::vector<double> own;
    for (int run = 0; run < runs; ++run) {
        const double quantity = second.at(2).toDouble() + run;
        store::openStore(path)->changeQuantity(second.at(0), second.at(1), quantity, quantity + 1);
        qint64 found = -1;
        own.push_back(timed([&] { found = file.catchUp(); }));
        if (found != 0)
            qFatal("history: the editor's own commit found as %lld rows of another program's", found);
    }
    print(QStringLiteral("history: own commit looked at, scale file"), own);

    std::vector<double> look;
    double added = 0;
    for (int run = 0; run < runs; ++run) {
        execOn(path, {QStringLiteral("UPDATE BomDetail SET bomQtyReq = %1 WHERE rowid = 1")
                          .arg(100 + run)});
        qint64 found = 0;
        // The peak set back to the present size, so that it tells what the look took on top.
        resetPeak();
        const long before = currentKb();
        look.push_back(timed([&] { found = file.catchUp(); }));
        added = std::max(added, (peakKb() - before) / 1024.0);
        if (found != 1)
            qFatal("history: another program's UPDATE found as %lld rows", found);
    }
    print(QStringLiteral("history: another program's commit found, scale file"), look);
    printFigure(QStringLiteral("history: memory a look took, scale file (peak)"), added, "MB");
}

} // namespace

void historyCases(int runs, const Sizes& sizes, const QString& dataDir, bool writesOnly) {
    const bool kept = store::fileHistoryKept();
    const QDir dir(dataDir);
    const QString deep = dir.filePath(QStringLiteral("history-deep.db"));
    removeHistory(deep);
    writeDeep(deep, sizes);
    const qint64 deepLines = qint64(sizes.deepLevels - 1) * sizes.deepPerLevel * sizes.deepComponents +
                             sizes.deepComponents;
    singleWriteCases(runs, deep);

    const QString replace = dir.filePath(QStringLiteral("history-replace.db"));
    writeReplaceFile(replace);
    replaceCases(runs, replace);
    if (writesOnly) {
        store::setFileHistoryKept(kept);
        return;
    }

    writeDeep(deep, sizes); // anew, so that the filled history is all there is
    readCases(runs, sizes, deep, deepLines);

    const QString scale = dir.filePath(QStringLiteral("history-scale.db"));
    writeScale(scale, sizes);
    scaleCases(runs, sizes, scale);
    store::setFileHistoryKept(kept);
}

} // namespace bench
