// Forgetting a file's history before a moment, oldest first, a piece per transaction.

#include "store/sqlite/history/HistoryFile.h"

#include "store/sqlite/history/HistoryRows.h"
#include "store/sqlite/history/HistorySql.h"

#include <sqlite3.h>

#include <algorithm>
#include <limits>

namespace store::history {

qint64 HistoryFile::forgetBefore(const QDateTime& moment, const ReadProgress& progress) {
    const qint64 cut = moment.toMSecsSinceEpoch();
    // The change sets before the moment in the history's order: those up to the last one
    // recorded before it; all of them before this clock's now.
    const qint64 through = lastSetAt(cut >= nowMs() ? cut : cut - 1);
    qint64 total = 0;
    {
        sql::NativeStatement count = statement(m_db, historyschema::CountChangesThrough);
        count.bind(through);
        if (count.next())
            total = count.integer(0);
        count.clear();
    }
    qint64 done = 0;
    // Oldest first, a piece per transaction: an editor's write waits for one piece at most,
    // and a stop leaves a history that is whole from where it stopped: from the latest time
    // among those forgotten, at which every one of them had been made.
    for (;;) {
        exec(historyschema::BeginImmediate);
        qint64 forgotten = 0;
        qint64 latest = std::numeric_limits<qint64>::min();
        try {
            sql::NativeStatement oldest = statement(m_db, historyschema::OldestSets);
            oldest.bind(through);
            std::vector<qint64> sets;
            while (oldest.next()) {
                sets.push_back(oldest.integer(0));
                latest = std::max(latest, oldest.integer(1));
            }
            sql::NativeStatement rows = statement(m_db, historyschema::DropSetRows);
            sql::NativeStatement set = statement(m_db, historyschema::DropSet);
            for (const qint64 id : sets) {
                rows.bind(id);
                rows.run();
                forgotten += sqlite3_changes(m_db);
                set.bind(id);
                set.run();
            }
            // The page map compares the rows of the change sets after its last look: once
            // one of those is forgotten, it no longer knows what the state learned.
            if (!sets.empty() && sets.back() > metaText("pages").toLongLong())
                setMeta("pages", QString());
            // Never later than the moment asked for: a change dated ahead by another desk's
            // clock is not "made" after it.
            const qint64 since = metaText("since").toLongLong();
            if (!sets.empty() && std::min(latest, cut) > since)
                setMeta("since", std::min(latest, cut));
            if (sets.empty() && cut > since)
                setMeta("since", cut);
            exec(historyschema::Commit);
            if (sets.empty())
                break;
        } catch (...) {
            sqlite3_exec(m_db, historyschema::Rollback.data(), nullptr, nullptr, nullptr);
            throw;
        }
        done += forgotten;
        if (progress && !progress(done, total))
            break;
    }
    return done;
}

} // namespace store::history
