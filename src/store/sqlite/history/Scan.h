#pragma once

#include <QPair>
#include <QSet>
#include <QString>

struct sqlite3;

namespace store::history {

/// The keys of the rows that differ between the data and the recorded state.
struct Differences {
    QSet<QPair<QString, QString>> lines;
    QSet<QString> items;
    bool isEmpty() const { return lines.isEmpty() && items.isEmpty(); }
};

/// Both tables against the state, window by window and without the history's write lock:
/// neither another program's write nor an editor's waits for the whole scan, and the memory it
/// takes is that of the rows found. A commit during it is found by the next look, which the
/// moved counter or signature asks for. The data is attached as "data".
Differences scan(sqlite3* db);

} // namespace store::history
