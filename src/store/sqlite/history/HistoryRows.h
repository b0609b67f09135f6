#pragma once

// What the parts of a file's history share: rows as the history keeps them, their comparison,
// reading them from the data and from the recorded state, and writing a change set. Used by
// the files of src/store/sqlite/history only.

#include "store/History.h"
#include "store/sqlite/SqliteStatement.h"
#include "store/sqlite/history/HistoryFile.h"

#include <QCoreApplication>
#include <QPair>
#include <QString>
#include <QVariant>

#include <optional>
#include <vector>

struct sqlite3;

namespace store::history {

/// Who wrote a change set, as ChangeSet.Source stores it.
enum Source : int { EditorSource = 0, ProgramSource = 1, RestoreSource = 2 };
/// Which shared table a row is of, as RowChange.Tbl stores it.
enum Table : int { LineTable = 0, ItemTable = 1 };

/// A pending record younger than this may belong to a write still under way.
inline constexpr qint64 InFlightMs = 60'000;

qint64 nowMs();
QDateTime utc(qint64 ms);

/// Runs the testing hook of HistoryFile::setStepHook, if one is set.
void step(const char* name);

/// A statement on a history's connection (or on the data attached to it). Its failures are
/// HistoryUnreadable, a file that is not a database among them: the history's opener sets
/// such a file aside.
inline sql::NativeStatement statement(sqlite3* db, QLatin1StringView text) {
    return sql::NativeStatement(db, text,
                                QCoreApplication::translate("store", "Could not read the history"),
                                HistoryUnreadable, false);
}

/// Runs statements that return no rows; fails as statement() does.
void execute(sqlite3* db, QLatin1StringView text);

/// A line's key: exact, as the history's state keeps it (two IDs that differ in case are two
/// rows there, as in a table made without the key rule's index).
using LineKey = QPair<QString, QString>;

inline QVariant asVariant(const std::optional<QString>& text) {
    return text ? QVariant(*text) : QVariant();
}

RowImage lineImage(const std::optional<LineRow>& row);
RowImage itemImage(const std::optional<Item>& item);
/// Whether two images of a line hold the same, as SQLite's IS compares values (2 and 2.0 are).
bool sameLine(const RowImage& image, const RowImage& stored);
bool sameItem(const RowImage& a, const RowImage& b);
/// Whether two images of a row of `table` hold the same.
bool sameRow(int table, const RowImage& a, const RowImage& b);

/// A row change about to be written to RowChange.
struct RowRecord {
    int table = LineTable;
    QString key;
    QString component;
    RowImage before;
    RowImage after;
};

/// An editor's write between its pending record and its completion.
struct HistoryFile::Pending {
    qint64 set = 0;
    /// The step of the data's change counter that the write's commit takes; Null when unknown.
    QVariant counter;
    WriteCommand command;
    std::vector<RowRecord> rows;
    bool locked = false;
};

/// The rows of an editor's write, the items first, so that the lines' descriptions are those
/// of the items written with them.
std::vector<RowRecord> rowRecords(const std::vector<LineChange>& changes,
                                  const std::vector<ItemChange>& items);

/// A row of the data or the state by its exact key, as a RowImage; absent for none.
class RowReader {
public:
    RowReader(sqlite3* db, QLatin1StringView lineSql, QLatin1StringView itemSql);
    RowImage line(const LineKey& key);
    RowImage item(const QString& id);
    /// A line's row, or an item's (`component` unused).
    RowImage row(int table, const QString& key, const QString& component) {
        return table == LineTable ? line({key, component}) : item(key);
    }

private:
    sql::NativeStatement m_line;
    sql::NativeStatement m_item;
};

/// The data's rows (the data attached as "data").
RowReader dataRows(sqlite3* db);
/// The rows as last recorded.
RowReader stateRows(sqlite3* db);

/// Writes one change set and its rows; returns its id. `counter`: the step of the data's
/// change counter its commit took, Null when unknown.
qint64 insertSet(sqlite3* db, bool pending, qint64 time, const QVariant& notBefore, int source,
                 const WriteCommand& command, const std::vector<RowRecord>& rows,
                 const QVariant& counter = {});
/// Moves the state on by these rows' after images.
void applyToState(sqlite3* db, const std::vector<RowRecord>& rows);
/// Completes the pending change set `set` of these rows at `time` (now when empty); another
/// program's change to them unseen since `lastLook` is recorded first (Recording.cpp).
void completeSet(sqlite3* db, qint64 set, const std::vector<RowRecord>& rows, qint64 lastLook,
                 std::optional<qint64> time = std::nullopt);

} // namespace store::history
