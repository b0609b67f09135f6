#pragma once

#include <QString>

#include <vector>

namespace store {

/// One column of ItemMaster or BomDetail as a database describes it.
struct TableColumn {
    QString table;
    QString name;
    int keyPosition; ///< its place in the primary key, 0 when not in it
    bool readable = true; ///< whether the user may read it
};

/// Throws StoreError (MissingTable, MissingColumn or MissingPrimaryKey) unless `columns`
/// hold both tables with the columns and primary keys the editor relies on, and NoReadRight
/// where the user may not read one of those columns. Names compare
/// without regard to ASCII case. `where` names the database in messages.
void checkColumns(const std::vector<TableColumn>& columns, const QString& where);

/// One key column of a unique, valid, whole-table index on a server's ItemMaster or
/// BomDetail, as the server prints it; index 0 for a table that has no such index.
struct IndexKey {
    QString table;
    qint64 index;       ///< which index it belongs to
    QString expression; ///< as pg_get_indexdef prints it, e.g. lower((itemid COLLATE "C"))
    QString collation;  ///< the collation of the index column, e.g. C
};

/// Whether an index key folds `column` as the key rule does: lower() of the column under
/// collation "C" (or "POSIX"), which folds exactly the ASCII letters.
bool foldsAsKeyRule(const IndexKey& key, QLatin1StringView column);

/// Throws StoreError(MissingKeyIndex) unless each table that `keys` name has a unique index
/// whose every key folds one of its key columns as the key rule does (createSchema's lower()
/// indexes, or one on fewer of those keys, which is stricter still). Without one, IDs that
/// differ only in letter case can be stored as two rows, and one look-up by key finds both.
/// A table that `keys` do not name (a view, say) is not checked: the writes' own count of
/// the rows they touched guards it.
void checkKeyIndexes(const std::vector<IndexKey>& keys, const QString& where);

} // namespace store
