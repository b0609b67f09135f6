#pragma once

#include "store/Store.h"

#include <QLatin1StringView>

/// The SQLite statements of the two tables the editor shares with the manufacturing
/// application. Every value goes in through a bound parameter; no statement is built from data.
namespace store::schema {

/// Every item in key order, for the Item Master list.
inline constexpr QLatin1StringView SelectItemIds{
    "SELECT ItemID FROM ItemMaster ORDER BY ItemID"};
/// Every item with its description in key order, for the Item Master list and its find.
inline constexpr QLatin1StringView SelectItemLines{
    "SELECT ItemID, ItemDesc FROM ItemMaster ORDER BY ItemID"};
/// The same in two passes, for a table with row numbers: the IDs in key order with their row
/// numbers from the primary key's index, then the descriptions in the table's own order.
inline constexpr QLatin1StringView SelectItemRows{
    "SELECT ItemID, rowid FROM ItemMaster ORDER BY ItemID"};
inline constexpr QLatin1StringView SelectItemDescriptions{
    "SELECT rowid, ItemDesc FROM ItemMaster ORDER BY rowid"};
/// Prepares only when the table has row numbers.
inline constexpr QLatin1StringView SelectItemRowNumber{"SELECT rowid FROM ItemMaster LIMIT 0"};
inline constexpr QLatin1StringView SelectItem{
    "SELECT ItemID, ItemDesc, ItemUom FROM ItemMaster WHERE ItemID = ?"};

/// The component query: one assembly's lines in key order, which is the sibling order of the
/// tree.
inline constexpr QLatin1StringView SelectComponents{
    "SELECT BomID, BomComp FROM BomDetail WHERE BomID = ? ORDER BY BomID, BomComp"};

/// The component query as a load reads it: the line with its component's ItemMaster facts.
/// The join compares by ItemMaster's key, so it follows the store's case rule.
inline constexpr QLatin1StringView SelectComponentLines{
    "SELECT d.BomID, d.BomComp, d.bomQtyReq, m.ItemUom, m.ItemDesc, m.ItemID IS NOT NULL,"
    " d.StartDate FROM BomDetail AS d LEFT JOIN ItemMaster AS m ON m.ItemID = d.BomComp"
    " WHERE d.BomID = ? ORDER BY d.BomID, d.BomComp"};
/// Whether an assembly has a line: one search of the key index, nothing read.
inline constexpr QLatin1StringView SelectHasLine{"SELECT 1 FROM BomDetail WHERE BomID = ? LIMIT 1"};
/// The same for every line of the table, for a batch that asks for most of it.
inline constexpr QLatin1StringView SelectAllComponentLines{
    "SELECT d.BomID, d.BomComp, d.bomQtyReq, m.ItemUom, m.ItemDesc, m.ItemID IS NOT NULL,"
    " d.StartDate FROM BomDetail AS d LEFT JOIN ItemMaster AS m ON m.ItemID = d.BomComp ORDER BY d.BomID, d.BomComp"};
/// About how many lines the table holds, without counting them.
inline constexpr QLatin1StringView SelectLineEstimate{"SELECT max(rowid) FROM BomDetail"};

/// A whole line as stored, to put it back exactly.
inline constexpr QLatin1StringView SelectLineRow{
    "SELECT BomID, BomComp, bomQtyReq, StartDate FROM BomDetail WHERE BomID = ? AND BomComp = ?"};
/// One assembly's lines as stored, in key order.
inline constexpr QLatin1StringView SelectLineRowsOf{
    "SELECT BomID, BomComp, bomQtyReq, StartDate FROM BomDetail WHERE BomID = ?"
    " ORDER BY BomID, BomComp"};
/// Every line that lists a component, as stored, by assembly. BomDetail has no index on
/// BomComp: one pass over the table.
inline constexpr QLatin1StringView SelectLineRowsUsing{
    "SELECT BomID, BomComp, bomQtyReq, StartDate FROM BomDetail WHERE BomComp = ?"
    " ORDER BY BomID"};
/// Deletes a line only while it still holds the values it was read with.
inline constexpr QLatin1StringView DeleteLineAsIs{
    "DELETE FROM BomDetail WHERE BomID = ? AND BomComp = ? AND bomQtyReq IS ? AND StartDate IS ?"};
/// Changes a quantity only while the line still holds the one it was read with.
inline constexpr QLatin1StringView UpdateQuantity{
    "UPDATE BomDetail SET bomQtyReq = ? WHERE BomID = ? AND BomComp = ? AND bomQtyReq IS ?"};
/// The same only while the line also holds the start date it was left with.
inline constexpr QLatin1StringView UpdateQuantityAsIs{
    "UPDATE BomDetail SET bomQtyReq = ?"
    " WHERE BomID = ? AND BomComp = ? AND bomQtyReq IS ? AND StartDate IS ?"};

inline constexpr QLatin1StringView SelectLine{
    "SELECT bomQtyReq FROM BomDetail WHERE BomID = ? AND BomComp = ?"};
inline constexpr QLatin1StringView InsertLine{
    "INSERT INTO BomDetail (BomID, BomComp, bomQtyReq, StartDate) VALUES (?, ?, ?, ?)"};
inline constexpr QLatin1StringView DeleteLine{
    "DELETE FROM BomDetail WHERE BomID = ? AND BomComp = ?"};

/// Whether the second ID stands anywhere in the structure below the first. UNION keeps each
/// item once, so the walk ends even where the stored data already holds a cycle.
inline constexpr QLatin1StringView SelectReaches{
    "WITH RECURSIVE below(id) AS ("
    " SELECT ? UNION SELECT BomDetail.BomComp FROM BomDetail JOIN below"
    " ON BomDetail.BomID = below.id)"
    " SELECT 1 FROM below WHERE id = ? COLLATE NOCASE LIMIT 1"};

/// The columns of both tables with their place in the primary key (0 when not in it). SQLite
/// matches table names without regard to ASCII case, so the check does too.
inline constexpr QLatin1StringView SelectColumns{
    "SELECT m.name, p.name, p.pk FROM sqlite_master AS m, pragma_table_info(m.name) AS p "
    "WHERE m.type = 'table' AND m.name COLLATE NOCASE IN ('ItemMaster', 'BomDetail')"};

/// A write transaction that takes the file's write lock at once, so that nothing another
/// program writes can come between a check and the write that relies on it.
inline constexpr QLatin1StringView BeginWrite{"BEGIN IMMEDIATE"};
inline constexpr QLatin1StringView Commit{"COMMIT"};
inline constexpr QLatin1StringView Rollback{"ROLLBACK"};


// Where Used.
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

// Writing imported rows: the schema of a new database and the bulk inserts (lines go in with
// InsertLine; the start date may be Null there). The tables are exactly those the editor checks
// on every open (SqliteStore::checkSchema), so a file written with these opens like any other.
inline constexpr QLatin1StringView CreateItemMaster{
    "CREATE TABLE ItemMaster ("
    " ItemID TEXT COLLATE NOCASE NOT NULL PRIMARY KEY,"
    " ItemDesc TEXT,"
    " ItemUom TEXT)"};
inline constexpr QLatin1StringView CreateBomDetail{"CREATE TABLE BomDetail ("
                                                   " BomID TEXT COLLATE NOCASE NOT NULL,"
                                                   " BomComp TEXT COLLATE NOCASE NOT NULL,"
                                                   " bomQtyReq REAL,"
                                                   " StartDate TEXT,"
                                                   " PRIMARY KEY (BomID, BomComp))"};

inline constexpr QLatin1StringView InsertItem{
    "INSERT INTO ItemMaster (ItemID, ItemDesc, ItemUom) VALUES (?, ?, ?)"};

/// The stored ID that an imported ID collides with under the store's comparison.
inline constexpr QLatin1StringView SelectItemKey{"SELECT ItemID FROM ItemMaster WHERE ItemID = ?"};
inline constexpr QLatin1StringView SelectLineKey{
    "SELECT BomID, BomComp FROM BomDetail WHERE BomID = ? AND BomComp = ?"};

inline constexpr QLatin1StringView CountItems{"SELECT COUNT(*) FROM ItemMaster"};
inline constexpr QLatin1StringView CountLines{"SELECT COUNT(*) FROM BomDetail"};

// The database check: IDs and quantities as stored, and about how many rows to expect.
inline constexpr QLatin1StringView SelectCheckItems{"SELECT ItemID, ItemUom FROM ItemMaster"};
inline constexpr QLatin1StringView SelectCheckLines{
    "SELECT BomID, BomComp, bomQtyReq FROM BomDetail"};
inline constexpr QLatin1StringView SelectItemEstimate{"SELECT max(rowid) FROM ItemMaster"};

// Reading an editor's database as the source of a copy to a server.
/// The names of one table's columns; an empty list for a table that is not there.
inline constexpr QLatin1StringView SelectColumnNames{"SELECT name FROM pragma_table_info(?)"};
/// Every line as stored, start date included.
inline constexpr QLatin1StringView SelectLineRows{
    "SELECT BomID, BomComp, bomQtyReq, StartDate FROM BomDetail"};

} // namespace store::schema
