#pragma once

#include <QLatin1StringView>
#include <QString>

#include <optional>

namespace store {

/// One assembly that has an item in its structure, as Database::whereUsed reports it.
///
/// - Each assembly appears once, however many paths lead from it down to the item. Item IDs
///   compare under the store's case rule ("asm-1" and "ASM-1" are one assembly).
/// - `level` is the fewest steps from the assembly down to the item: 1 when it lists the item
///   itself, 2 when it lists an assembly that lists the item, and so on.
/// - `quantity` is how many of the item one of the assembly needs: the product of the line
///   quantities along each path from the assembly down to the item, summed over every such
///   path (a shared sub-assembly counts once per place it is used). Empty when a quantity on
///   any of those paths is Null, or when the assembly is `circular`.
/// - `circular`: a cycle stands between the assembly and the item (the assembly is on a cycle,
///   or uses one on its way down to the item), so one of it would need the item without end and
///   no quantity is given. When the item contains itself (a cycle through the item), the item
///   is listed as an assembly of its own structure, at the length of its shortest cycle, and
///   every assembly that uses it is circular. The walk reads each assembly once, so a cycle
///   never makes it loop.
struct WhereUsedRow {
    QString assembly; ///< the ID as ItemMaster spells it; as BomDetail does when it has no row
    int level = 0;
    std::optional<double> quantity;
    bool circular = false;
    bool inItemMaster = false;        ///< whether ItemMaster has a row for the assembly
    std::optional<QString> description; ///< its ItemDesc; empty for Null or no row
    std::optional<QString> unit;        ///< its ItemUom; empty for Null or no row
    bool operator==(const WhereUsedRow&) const = default;
};

namespace schema {

/// Every line, in the table's own order. BomDetail has no index on BomComp alone, so reading
/// upward one assembly at a time would scan the whole table for each assembly (or have SQLite
/// build a temporary index on every call, about 0.1 s on 72,000 lines); one pass over the
/// table and a walk in memory cost a few milliseconds. The file itself is shared with the
/// manufacturing application, so the editor adds no index to it.
inline constexpr QLatin1StringView SelectAllLines{
    "SELECT BomID, BomComp, bomQtyReq FROM BomDetail"};

/// One item's spelling, description and unit, for the assemblies a where-used lists.
inline constexpr QLatin1StringView SelectItemDescription{
    "SELECT ItemID, ItemDesc, ItemUom FROM ItemMaster WHERE ItemID = ?"};
/// Every item's spelling, description and unit, for a where-used that lists many assemblies.
inline constexpr QLatin1StringView SelectItems{"SELECT ItemID, ItemDesc, ItemUom FROM ItemMaster"};
inline constexpr QLatin1StringView CountItemMaster{"SELECT count(*) FROM ItemMaster"};

} // namespace schema

} // namespace store
