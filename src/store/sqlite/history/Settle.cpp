// Settling the pending records of editors' writes that were killed between their record and
// its completion: completed when the data holds their rows, dropped when it never did.

#include "store/sqlite/history/HistoryFile.h"

#include "store/sqlite/history/HistoryRows.h"
#include "store/sqlite/history/HistorySql.h"

#include <sqlite3.h>

namespace store::history {

QSet<QPair<QString, QString>> HistoryFile::settlePending(qint64 now, qint64 lastLook,
                                                        std::optional<quint32> counter) {
    QSet<LineKey> inFlight;
    sql::NativeStatement sets = statement(m_db, historyschema::PendingSets);
    struct PendingSet {
        qint64 id;
        qint64 time;
        QVariant counter;
    };
    std::vector<PendingSet> pendingSets;
    while (sets.next())
        pendingSets.push_back({sets.integer(0), sets.integer(1), sets.value(2)});
    if (pendingSets.empty())
        return inFlight;
    sql::NativeStatement rows = statement(m_db, historyschema::SetRows);
    RowReader data = dataRows(m_db);
    sql::NativeStatement dropRows = statement(m_db, historyschema::DropSetRows);
    sql::NativeStatement dropSet = statement(m_db, historyschema::DropSet);
    sql::NativeStatement claimed = statement(m_db, historyschema::StepClaimed);
    for (const PendingSet& set : pendingSets) {
        std::vector<RowRecord> records;
        rows.bind(set.id);
        // An item's two values are its description and unit.
        const auto image = [&](int table, int exists, int a, int b) {
            if (table == LineTable)
                return RowImage{rows.integer(exists) != 0, rows.value(a), rows.value(b),
                                std::nullopt, std::nullopt};
            const auto text = [&](int column) {
                return rows.value(column).isNull() ? std::nullopt
                                                   : std::optional(rows.value(column).toString());
            };
            return RowImage{rows.integer(exists) != 0, {}, {}, text(a), text(b)};
        };
        while (rows.next()) {
            const int table = int(rows.integer(0));
            records.push_back({table, rows.text(1), rows.text(2), image(table, 3, 4, 5),
                               image(table, 6, 7, 8)});
        }
        // A commit was made at the step the write held the lock for (the data's counter has
        // moved past it) and no other editor's write says it was its own: its lines then hold
        // its after images, or what a later writer made of them, unless they hold the images
        // from before it. (A write killed before its commit, whose step another program then
        // took to change the same lines, cannot be told from it.)
        bool stepTaken = counter && !set.counter.isNull() &&
                         *counter != quint32(set.counter.toLongLong());
        if (stepTaken) {
            claimed.bind(set.counter).bind(set.id);
            stepTaken = !claimed.next();
            claimed.clear();
        }
        bool asBefore = true;
        bool asAfterOrLater = true;
        for (const RowRecord& record : records) {
            const RowImage held = data.row(record.table, record.key, record.component);
            const bool after = sameRow(record.table, record.after, held);
            const bool before = sameRow(record.table, record.before, held);
            asBefore = asBefore && before;
            asAfterOrLater = asAfterOrLater && (after || (stepTaken && !before));
        }
        if (asAfterOrLater && !asBefore) {
            // Its writer committed and was killed before it could say so: the editor's change,
            // with its command and the time it was made. What a later writer did to its lines
            // is found below, after it.
            completeSet(m_db, set.id, records, lastLook, set.time);
        } else if (asBefore && now - set.time < InFlightMs) {
            // Under way in another editor: its lines are its to record.
            for (const RowRecord& record : records)
                inFlight.insert({record.key, record.component});
        } else {
            // It never committed; whatever the rows hold now is found below as it is.
            dropRows.bind(set.id);
            dropRows.run();
            dropSet.bind(set.id);
            dropSet.run();
        }
    }
    return inFlight;
}

} // namespace store::history
