#pragma once

#include "store/Schema.h"

#include <QLatin1StringView>

/// Statement texts for writing imported rows: the schema of a new database and the bulk
/// inserts (lines go in with Schema.h's InsertLine; the start date may be Null there). The tables are exactly those the editor checks on every open (Schema.h,
/// Database::checkSchema), so a file written with these opens like any other.
namespace store::schema {

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

} // namespace store::schema
