#pragma once

#include <QString>

#include <vector>

namespace store {

/// One column of ItemMaster or BomDetail as a database describes it.
struct TableColumn {
    QString table;
    QString name;
    int keyPosition; ///< its place in the primary key, 0 when not in it
};

/// Throws StoreError (MissingTable, MissingColumn or MissingPrimaryKey) unless `columns`
/// hold both tables with the columns and primary keys the editor relies on. Names compare
/// without regard to ASCII case. `where` names the database in messages.
void checkColumns(const std::vector<TableColumn>& columns, const QString& where);

} // namespace store
