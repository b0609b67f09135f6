#pragma once

// The page map of a file's history: what a look needs so that another program's commit costs
// what it changed, not the size of the tables. A database file with a rollback journal is
// written a page at a time, and every row of a table lives on a leaf page of that table's tree
// (a row too long for one page continues on overflow pages). The map keeps a fingerprint of
// every page of the data file and, for each leaf of a table, the row numbers it held, with the
// key of every row (DataRow), as of the last look that compared them with the recorded state.
//
// Why a page whose fingerprint is unchanged needs no comparison: its fingerprint was taken in
// the same read of the data as the comparison of its rows, and a row cannot change without
// its page. A changed page is read again with its rows as the map knew them (the rows
// deleted from it among them) and as they are now. What the recorded state learned since from
// the editors' own writes, which move the state without a look, is compared as well (the rows
// of the change sets after the map's last look), so that a page that another program put back
// as it was cannot hide a difference. When the map cannot tell (the file's schema changed,
// an overflow page changed, the file is in write-ahead-log mode or auto-vacuumed, or most
// pages changed, as after a VACUUM), the look compares the whole tables and the map is made
// anew.

#include "store/sqlite/history/Scan.h"

#include <QtGlobal>

#include <optional>
#include <vector>

struct sqlite3;

namespace store::history {

class PageMap {
public:
    /// The data is attached to `db` as "data"; `seed` keys the fingerprints of this history.
    PageMap(sqlite3* db, quint64 seed);

    /// The pages whose fingerprint is not the map's, read window by window, each window a
    /// read of its own (another program's commit waits for one window at most); empty when
    /// the map cannot tell.
    std::optional<std::vector<quint32>> changedPages();

    /// In the transaction that records the look, holding one read of the data: `pages` read
    /// again, the rows their leaves held and hold now, and the rows of the change sets after
    /// `since`, added to `found`; the map moved on to this read. False when the map cannot
    /// tell (the caller then compares the whole tables).
    bool examine(const std::vector<quint32>& pages, qint64 since, Differences& found);

    /// Makes the map anew from the data: in the caller's transaction when `windows` is false
    /// (a new history, whose state is copied in that same read), else window by window.
    /// False when the file's form does not allow a map.
    bool rebuild(bool windows);

    /// Whether a map can be kept for the data's file: a rollback journal, no auto-vacuum.
    bool usable();

private:
    struct Form;
    std::optional<Form> form();
    void examineRange(qint64 first, qint64 last, Differences& found);

    sqlite3* m_db;
    quint64 m_seed;
};

} // namespace store::history
