// Bringing a file's history up to date with its data: another program's commits found and
// recorded as theirs, the editors' own told apart by the data file's change counter, and
// nothing read when the data file has not changed since the last look.

#include "store/sqlite/history/HistoryFile.h"

#include "store/StoreError.h"
#include "store/sqlite/history/HistoryRows.h"
#include "store/sqlite/history/HistorySql.h"
#include "store/sqlite/history/OwnCommits.h"
#include "store/sqlite/history/PageMap.h"
#include "store/sqlite/history/Scan.h"

#include <QDateTime>
#include <QFile>

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>

namespace store::history {

namespace {

/// How the data file and its write-ahead log look from outside (file, size, time of the last
/// write, to the nanosecond): every commit changes one of them. `settled` when neither was
/// written in the last two seconds, so that a commit within the same tick of a coarse clock
/// cannot hide behind an unchanged time.
QString dataSignature(const QString& path, bool& settled) {
    QString signature;
    settled = true;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    for (const QString& file : {path, path + QStringLiteral("-wal")}) {
        struct stat info {};
        if (::stat(QFile::encodeName(file).constData(), &info) != 0) {
            signature += QStringLiteral("-|");
            continue;
        }
        const qint64 written = qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000;
        settled = settled && now - written > 2000;
        signature += QStringLiteral("%1:%2:%3:%4.%5|")
                         .arg(info.st_dev)
                         .arg(info.st_ino)
                         .arg(info.st_size)
                         .arg(info.st_mtim.tv_sec)
                         .arg(info.st_mtim.tv_nsec);
    }
    return signature;
}

/// The last change set that the page map's look compared: every one before the first still
/// pending, so that a write under way is compared once it completes.
qint64 mapMark(sqlite3* db) {
    sql::NativeStatement read = statement(db, historyschema::MapMark);
    const qint64 mark = read.next() ? read.integer(0) : 0;
    read.clear();
    return mark;
}

} // namespace

std::optional<quint32> HistoryFile::dataCounter() {
    exec(historyschema::Begin);
    std::optional<quint32> counter;
    try {
        // Any read of the data takes the file's read lock, under which its header is whole.
        sql::NativeStatement read = statement(m_db, historyschema::TouchData);
        read.next();
        read.clear();
        counter = changeCounter(m_db, "data");
    } catch (...) {
        sqlite3_exec(m_db, historyschema::Rollback.data(), nullptr, nullptr, nullptr);
        throw;
    }
    exec(historyschema::Commit);
    return counter;
}

bool HistoryFile::editorsCommitted(quint32 from, quint32 to, bool underWay) {
    const quint32 steps = to - from;
    if (steps == 0)
        return true;
    if (steps > 100'000)
        return false;
    // Each editor's commit took one step; the steps counted from `from`, so that a counter
    // that wrapped at 2^32 still counts.
    sql::NativeStatement count = statement(m_db, historyschema::EditorSteps);
    count.bind(qint64(from)).bind(qint64(steps)).bind(underWay ? 1 : 0);
    const qint64 found = count.next() ? count.integer(0) : 0;
    count.clear();
    return found == qint64(steps);
}

qint64 HistoryFile::catchUp() {
    // Nothing was committed since the last look, and no write is pending: nothing to read.
    // A file that has 5,000,000 lines is compared only when it has changed.
    bool settled = false;
    const QString signature = dataSignature(m_database, settled);
    if (settled && signature == metaText("signature")) {
        sql::NativeStatement pending = statement(m_db, historyschema::AnyPending);
        const bool any = pending.next();
        pending.clear();
        if (!any) {
            foldLog();
            return 0;
        }
    }
    attachData();
    try {
        // Read before anything else: a commit after it moves it on, and the next look reads
        // again.
        const std::optional<quint32> counter = dataCounter();
        // Killed writes settled first; then, when every commit since the last look was an
        // editor's (each recorded with the step it took), the history holds what the data
        // does, and nothing is read.
        const QString lastCounter = metaText("counter");
        if (counter && !lastCounter.isEmpty()) {
            exec(historyschema::Begin);
            try {
                setMeta("looking", nowMs());
                const qint64 now = nowMs();
                const QSet<LineKey> inFlight = settlePending(now, metaText("checked").toLongLong(), counter);
                const bool editors =
                    inFlight.isEmpty() && editorsCommitted(quint32(lastCounter.toLongLong()), *counter);
                if (editors) {
                    setMeta("checked", now);
                    setMeta("counter", qint64(*counter));
                    setMeta("signature", settled ? signature : QString());
                }
                exec(historyschema::Commit);
                if (editors) {
                    detachData();
                    foldLog();
                    return 0;
                }
            } catch (...) {
                sqlite3_exec(m_db, historyschema::Rollback.data(), nullptr, nullptr, nullptr);
                throw;
            }
        }
        // Another program's commit: the pages that changed, when the page map can tell;
        // otherwise the whole tables, and the map made anew.
        const bool mapped = counter && !metaText("pages").isEmpty() &&
                            metaText("since").toLongLong() <= metaText("pagesAt").toLongLong();
        if (mapped) {
            const std::optional<std::vector<quint32>> pages =
                PageMap(m_db, pageSeed()).changedPages();
            Differences none;
            if (pages) {
                if (const std::optional<qint64> recorded =
                        record(none, counter, signature, settled, &*pages)) {
                    detachData();
                    foldLog();
                    return *recorded;
                }
            }
        }
        Differences found = scan(m_db);
        const qint64 recorded = *record(found, counter, signature, settled, nullptr);
        rebuildPageMap(counter);
        detachData();
        foldLog();
        return recorded;
    } catch (...) {
        detachData();
        throw;
    }
}

std::optional<qint64> HistoryFile::record(Differences& found, std::optional<quint32> counter,
                                          const QString& signature, bool settled,
                                          const std::vector<quint32>* pages) {
    // The record, under the history's lock: a deferred transaction whose first statement
    // writes the history alone, the data only read in it, in one read.
    exec(historyschema::Begin);
    try {
        setMeta("looking", nowMs());
        const qint64 now = nowMs();
        const qint64 lastLook = metaText("checked").toLongLong();
        QSet<LineKey> inFlight = settlePending(now, lastLook, counter);
        if (pages &&
            !PageMap(m_db, pageSeed()).examine(*pages, metaText("pages").toLongLong(), found)) {
            sqlite3_exec(m_db, historyschema::Rollback.data(), nullptr, nullptr, nullptr);
            return std::nullopt;
        }
        for (const LineKey& key : std::as_const(inFlight))
            found.lines.remove(key);
        // Each row found is read again: an editor's write may have completed since the
        // scan, and a row may have changed once more.
        std::vector<RowRecord> records;
        {
            RowReader data = dataRows(m_db);
            RowReader state = stateRows(m_db);
            for (const QString& id : std::as_const(found.items)) {
                const RowImage before = state.item(id);
                const RowImage after = data.item(id);
                if (!sameItem(before, after))
                    records.push_back({ItemTable, id, QString(), before, after});
            }
            // Items first, so that the lines' descriptions are those the items have now.
            applyToState(m_db, records);
            std::vector<LineKey> lines(found.lines.cbegin(), found.lines.cend());
            std::sort(lines.begin(), lines.end());
            for (const LineKey& key : lines) {
                const RowImage before = state.line(key);
                const RowImage after = data.line(key);
                if (!sameLine(before, after))
                    records.push_back({LineTable, key.first, key.second, before, after});
            }
        }
        if (!records.empty()) {
            insertSet(m_db, false, now, QVariant(lastLook), ProgramSource, {}, records);
            applyToState(m_db, records);
        }
        setMeta("checked", now);
        // Taken before the scan: a commit during it makes the next look read again.
        setMeta("signature", settled ? signature : QString());
        setMeta("counter", counter ? QVariant(qint64(*counter)) : QVariant());
        if (pages) {
            // The map now stands for this read; what the editors record from here on is
            // compared at the next look. A write under way in another editor completes
            // later: its change set and those after it stay to be compared.
            setMeta("pages", mapMark(m_db));
            setMeta("pagesAt", now);
        }
        exec(historyschema::Commit);
        return qint64(records.size());
    } catch (...) {
        sqlite3_exec(m_db, historyschema::Rollback.data(), nullptr, nullptr, nullptr);
        throw;
    }
}

void HistoryFile::rebuildPageMap(std::optional<quint32> counter) {
    // Without a counter that moves with every commit the map could not be trusted to stand
    // for one state of the data: it is dropped, and each look compares the tables.
    exec(historyschema::Begin);
    try {
        setMeta("pages", QString());
        exec(historyschema::Commit);
    } catch (...) {
        sqlite3_exec(m_db, historyschema::Rollback.data(), nullptr, nullptr, nullptr);
        throw;
    }
    // A commit during the comparison: the map would be made for nothing.
    if (!counter || dataCounter() != counter)
        return;
    const qint64 mark = mapMark(m_db);
    // Window by window, so that another program's commit waits for one window at most; kept
    // only when nobody committed from before the look's comparison to the map's end, so that
    // the map and the state it was compared with are of one state of the data.
    if (!PageMap(m_db, pageSeed()).rebuild(true) || dataCounter() != counter)
        return;
    exec(historyschema::Begin);
    try {
        setMeta("pages", mark);
        setMeta("pagesAt", nowMs());
        exec(historyschema::Commit);
    } catch (...) {
        sqlite3_exec(m_db, historyschema::Rollback.data(), nullptr, nullptr, nullptr);
        throw;
    }
}

} // namespace store::history
