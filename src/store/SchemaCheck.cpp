#include "store/SchemaCheck.h"

#include "store/Schema.h"
#include "store/StoreError.h"

#include <algorithm>

namespace store {

void checkColumns(const std::vector<TableColumn>& columns, const QString& where) {
    struct Needed {
        QLatin1StringView table;
        QLatin1StringView column;
        int keyPosition; // 0: any, otherwise its place in the primary key
    };
    static constexpr Needed needed[] = {
        {schema::ItemMaster, QLatin1StringView("ItemID"), 1},
        {schema::ItemMaster, QLatin1StringView("ItemDesc"), 0},
        {schema::ItemMaster, QLatin1StringView("ItemUom"), 0},
        {schema::BomDetail, QLatin1StringView("BomID"), 1},
        {schema::BomDetail, QLatin1StringView("BomComp"), 2},
        {schema::BomDetail, QLatin1StringView("bomQtyReq"), 0},
        {schema::BomDetail, QLatin1StringView("StartDate"), 0},
    };
    // SQLite names compare without regard to ASCII case; PostgreSQL folds unquoted ones.
    const auto same = [](const QString& a, QLatin1StringView b) {
        return a.compare(b, Qt::CaseInsensitive) == 0;
    };
    for (QLatin1StringView table : {schema::ItemMaster, schema::BomDetail}) {
        if (std::none_of(columns.begin(), columns.end(),
                         [&](const TableColumn& c) { return same(c.table, table); }))
            throw StoreError(MissingTable,
                             QStringLiteral("Could not find table '%1' in %2.").arg(table, where));
        const int keyColumns =
            int(std::count_if(columns.begin(), columns.end(), [&](const TableColumn& c) {
                return same(c.table, table) && c.keyPosition > 0;
            }));
        const int wanted = table == schema::BomDetail ? 2 : 1;
        if (keyColumns != wanted)
            throw StoreError(MissingPrimaryKey,
                             QStringLiteral("Table '%1' has no primary key on %2.")
                                 .arg(table, table == schema::BomDetail
                                                 ? QStringLiteral("(BomID, BomComp)")
                                                 : QStringLiteral("(ItemID)")));
    }
    for (const Needed& n : needed) {
        const auto found = std::find_if(columns.begin(), columns.end(), [&](const TableColumn& c) {
            return same(c.table, n.table) && same(c.name, n.column);
        });
        if (found == columns.end())
            throw StoreError(MissingColumn, QStringLiteral("Table '%1' has no column '%2'.")
                                                .arg(n.table, n.column));
        if (n.keyPosition != 0 && found->keyPosition != n.keyPosition)
            throw StoreError(MissingPrimaryKey,
                             QStringLiteral("Column '%1' of table '%2' is not in its place in "
                                            "the primary key.")
                                 .arg(n.column, n.table));
    }
}

} // namespace store
