// The catch-up's comparison of the data with the recorded state, table by table in windows.

#include "store/sqlite/history/Scan.h"

#include "store/StoreError.h"
#include "store/sqlite/history/HistoryRows.h"
#include "store/sqlite/history/HistorySql.h"

#include <sqlite3.h>

#include <limits>

namespace store::history {

namespace {

/// Rows a read of the shared file takes at most before it ends: another program's commit, which
/// with a rollback journal waits for every reader, waits for one window at most (a few
/// milliseconds), never for the whole table.
constexpr int ScanWindow = 20'000;

/// One table's rows in windows of ScanWindow, each read in a transaction of its own: `bound`
/// reads where a window ends (given where the last ended and the window's size), `last` the
/// table's last key, and `differing` the rows of one window that differ (given its bounds).
/// A key is a row number or the state's key; the first window starts below every key there is
/// (a number is less than every text and blob).
struct Windows {
    QLatin1StringView bound;
    QLatin1StringView last;
    QLatin1StringView differing;
    int keyColumns;
};

template <typename Add>
void inWindows(sqlite3* db, const Windows& windows, Add add) {
    sql::NativeStatement bound = statement(db, windows.bound);
    sql::NativeStatement last = statement(db, windows.last);
    sql::NativeStatement differing = statement(db, windows.differing);
    QVariantList after;
    for (int column = 0; column < windows.keyColumns; ++column)
        after.append(QVariant(std::numeric_limits<qint64>::min()));
    for (bool more = true; more;) {
        execute(db, historyschema::Begin);
        try {
            QVariantList upTo;
            for (const QVariant& value : std::as_const(after))
                bound.bind(value);
            bound.bind(ScanWindow - 1);
            if (bound.next())
                for (int column = 0; column < windows.keyColumns; ++column)
                    upTo.append(bound.value(column));
            bound.clear();
            if (upTo.isEmpty()) {
                more = false;
                if (last.next())
                    for (int column = 0; column < windows.keyColumns; ++column)
                        upTo.append(last.value(column));
                last.clear();
            }
            if (!upTo.isEmpty()) {
                for (const QVariantList* bounds : {&after, &upTo})
                    for (const QVariant& value : *bounds)
                        differing.bind(value);
                while (differing.next())
                    add(differing);
            }
            sqlite3_exec(db, historyschema::Commit.data(), nullptr, nullptr, nullptr);
            after = upTo;
        } catch (...) {
            sqlite3_exec(db, historyschema::Rollback.data(), nullptr, nullptr, nullptr);
            throw;
        }
    }
}

} // namespace

Differences scan(sqlite3* db) {
    namespace text = historyschema;
    Differences found;
    const auto line = [&found](sql::NativeStatement& rows) {
        found.lines.insert({rows.text(0), rows.text(1)});
    };
    const auto item = [&found](sql::NativeStatement& rows) { found.items.insert(rows.text(0)); };
    inWindows(db, {text::DataLineBound, text::DataLineLast, text::DataLinesDiffering, 1}, line);
    inWindows(db, {text::StateLineBound, text::StateLineLast, text::StateLinesGone, 2}, line);
    inWindows(db, {text::DataItemBound, text::DataItemLast, text::DataItemsDiffering, 1}, item);
    inWindows(db, {text::StateItemBound, text::StateItemLast, text::StateItemsGone, 1}, item);
    return found;
}

} // namespace store::history
