#include "store/SchemaCheck.h"

#include "store/Store.h"
#include "store/StoreError.h"

#include <QCoreApplication>
#include <QHash>

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
            throw StoreError(MissingTable, QCoreApplication::translate(
                                               "store", "Could not find table '%1' in %2.")
                                               .arg(table, where));
        const int keyColumns =
            int(std::count_if(columns.begin(), columns.end(), [&](const TableColumn& c) {
                return same(c.table, table) && c.keyPosition > 0;
            }));
        const int wanted = table == schema::BomDetail ? 2 : 1;
        if (keyColumns != wanted)
            throw StoreError(
                MissingPrimaryKey,
                QCoreApplication::translate("store", "Table '%1' has no primary key on %2.")
                    .arg(table, table == schema::BomDetail ? QStringLiteral("(BomID, BomComp)")
                                                           : QStringLiteral("(ItemID)")));
    }
    for (const Needed& n : needed) {
        const auto found = std::find_if(columns.begin(), columns.end(), [&](const TableColumn& c) {
            return same(c.table, n.table) && same(c.name, n.column);
        });
        if (found == columns.end())
            throw StoreError(MissingColumn,
                             QCoreApplication::translate("store", "Table '%1' has no column '%2'.")
                                 .arg(n.table, n.column));
        if (n.keyPosition != 0 && found->keyPosition != n.keyPosition)
            throw StoreError(MissingPrimaryKey,
                             QCoreApplication::translate(
                                 "store", "Column '%1' of table '%2' is not in its place in "
                                          "the primary key.")
                                 .arg(n.column, n.table));
    }
    // Only once the tables are as the editor needs them: their shape is the first news.
    for (const Needed& n : needed) {
        const auto found = std::find_if(columns.begin(), columns.end(), [&](const TableColumn& c) {
            return same(c.table, n.table) && same(c.name, n.column);
        });
        if (!found->readable)
            throw StoreError(NoReadRight,
                             QCoreApplication::translate(
                                 "store", "The user's rights on %1 do not allow reading the "
                                          "table '%2' (it lacks SELECT on its column '%3').")
                                 .arg(where, n.table, n.column));
    }
}

bool foldsAsKeyRule(const IndexKey& key, QLatin1StringView column) {
    if (key.collation != QLatin1StringView("C") && key.collation != QLatin1StringView("POSIX"))
        return false;
    // The server prints the expression with its own parentheses, quotes and casts:
    // lower((itemid COLLATE "C")), lower((itemid)::text), lower(itemid).
    QString bare = key.expression;
    bare.remove(u'(').remove(u')').remove(u'"').remove(u' ');
    bare.remove(QLatin1StringView("::text"), Qt::CaseInsensitive);
    bare.remove(QLatin1StringView("COLLATEC"), Qt::CaseInsensitive);
    bare.remove(QLatin1StringView("COLLATEPOSIX"), Qt::CaseInsensitive);
    return bare.compare(QLatin1StringView("lower") + column, Qt::CaseInsensitive) == 0;
}

void checkKeyIndexes(const std::vector<IndexKey>& keys, const QString& where) {
    struct Needed {
        QLatin1StringView table;
        QLatin1StringView columns[2];
        QLatin1StringView index;
    };
    static constexpr Needed needed[] = {
        {QLatin1StringView("itemmaster"), {QLatin1StringView("itemid"), {}},
         QLatin1StringView("lower(itemid COLLATE \"C\")")},
        {QLatin1StringView("bomdetail"),
         {QLatin1StringView("bomid"), QLatin1StringView("bomcomp")},
         QLatin1StringView("lower(bomid COLLATE \"C\"), lower(bomcomp COLLATE \"C\")")},
    };
    for (const Needed& n : needed) {
        // Every index of the table, and whether each of its keys folds one of the columns.
        QHash<qint64, bool> folding;
        bool named = false;
        for (const IndexKey& key : keys) {
            if (key.table.compare(n.table, Qt::CaseInsensitive) != 0)
                continue;
            named = true;
            if (key.index == 0)
                continue;
            const bool folds = std::any_of(std::begin(n.columns), std::end(n.columns),
                                           [&](QLatin1StringView column) {
                                               return !column.isEmpty() &&
                                                      foldsAsKeyRule(key, column);
                                           });
            const auto known = folding.constFind(key.index);
            folding[key.index] = folds && (known == folding.cend() || *known);
        }
        if (named &&
            std::none_of(folding.cbegin(), folding.cend(), [](bool folds) { return folds; }))
            throw StoreError(MissingKeyIndex,
                             QCoreApplication::translate(
                                 "store",
                                 "Table '%1' in %2 has no unique index on (%3), so IDs that differ "
                                 "only in letter case could stand in it as two rows, and one "
                                 "delete or undo would change both. bom-import --create-schema "
                                 "%2 adds the index (it refuses while two rows differ only so).")
                                 .arg(n.table, where, n.index));
    }
}

} // namespace store
