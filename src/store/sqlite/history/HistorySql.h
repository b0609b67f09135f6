#pragma once

#include <QLatin1StringView>

/// Statement texts of a database file's history, a file of the editor's own beside the
/// database (HistoryFile.h). Its tables:
///   Meta       what the file was made for and when it was last brought up to date;
///   ChangeSet  one command of an editor's, or one batch of other programs' changes found at a
///              look, with who, when, which command and why; Pending while its write is under
///              way; Counter, the step of the data file's change counter its commit took;
///   RowChange  each row a change set touched, whole before and after, with the descriptions
///              of that moment;
///   StateLine, StateItem  the shared tables' rows as last recorded: the starting point from
///              which any kept moment is rebuilt (today's rows, the changes since undone).
///   DataPage, DataRow  the page map (PageMap.h): a fingerprint of each page of the data file
///              and the rows each table's pages held, as of the last look that compared them.
/// Times are milliseconds since the epoch, UTC. The data file is attached read-only as "data"
/// while a look compares it, and only then.
namespace store::historyschema {

// The file.

inline constexpr QLatin1StringView QuickCheck{"PRAGMA quick_check"};
inline constexpr QLatin1StringView JournalWal{"PRAGMA journal_mode=WAL"};
inline constexpr QLatin1StringView SynchronousNormal{"PRAGMA synchronous=NORMAL"};
inline constexpr QLatin1StringView Begin{"BEGIN"};
inline constexpr QLatin1StringView BeginImmediate{"BEGIN IMMEDIATE"};
inline constexpr QLatin1StringView Commit{"COMMIT"};
inline constexpr QLatin1StringView Rollback{"ROLLBACK"};
inline constexpr QLatin1StringView HasMeta{"SELECT 1 FROM sqlite_master WHERE name = 'Meta'"};
/// A table that no history has: the file is somebody's database.
inline constexpr QLatin1StringView ForeignTable{
    "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT IN"
    " ('Meta', 'ChangeSet', 'RowChange', 'StateLine', 'StateItem', 'DataPage', 'DataRow')"};
inline constexpr QLatin1StringView CreateMeta{
    "CREATE TABLE IF NOT EXISTS Meta(Key TEXT PRIMARY KEY, Value) WITHOUT ROWID"};
inline constexpr QLatin1StringView CreateTables{
    "CREATE TABLE IF NOT EXISTS ChangeSet(Id INTEGER PRIMARY KEY, Pending INTEGER NOT NULL,"
    " Time INTEGER NOT NULL, NotBefore INTEGER, Person TEXT, Host TEXT, Session TEXT,"
    " Source INTEGER NOT NULL, Program TEXT, Command TEXT, Reason TEXT);"
    "CREATE INDEX IF NOT EXISTS ChangeSetTime ON ChangeSet(Time);"
    "CREATE TABLE IF NOT EXISTS RowChange(SetId INTEGER NOT NULL, Tbl INTEGER NOT NULL,"
    " Key TEXT NOT NULL, Component TEXT NOT NULL,"
    " OldExists INTEGER NOT NULL, OldA, OldB, NewExists INTEGER NOT NULL, NewA, NewB,"
    " KeyDesc TEXT, ComponentDesc TEXT);"
    "CREATE INDEX IF NOT EXISTS RowChangeSet ON RowChange(SetId);"
    "CREATE INDEX IF NOT EXISTS RowChangeKey ON RowChange(Key COLLATE NOCASE, SetId);"
    "CREATE INDEX IF NOT EXISTS RowChangeComponent"
    " ON RowChange(Component COLLATE NOCASE, SetId);"
    "CREATE TABLE IF NOT EXISTS StateLine(BomID TEXT NOT NULL, BomComp TEXT NOT NULL,"
    " bomQtyReq, StartDate, PRIMARY KEY(BomID, BomComp)) WITHOUT ROWID;"
    "CREATE INDEX IF NOT EXISTS StateLineAssembly ON StateLine(BomID COLLATE NOCASE);"
    "CREATE TABLE IF NOT EXISTS StateItem(ItemID TEXT NOT NULL PRIMARY KEY, ItemDesc,"
    " ItemUom) WITHOUT ROWID;"
    "CREATE INDEX IF NOT EXISTS StateItemNoCase ON StateItem(ItemID COLLATE NOCASE);"};
/// A new history's starting state: the data's rows of that moment.
inline constexpr QLatin1StringView CopyState{
    "INSERT OR IGNORE INTO StateLine SELECT BomID, BomComp, bomQtyReq, StartDate"
    " FROM data.BomDetail;"
    "INSERT OR IGNORE INTO StateItem SELECT ItemID, ItemDesc, ItemUom FROM data.ItemMaster;"};
inline constexpr QLatin1StringView HasCounter{
    "SELECT 1 FROM pragma_table_info('ChangeSet') WHERE name = 'Counter'"};
inline constexpr QLatin1StringView AddCounter{
    "ALTER TABLE ChangeSet ADD COLUMN Counter INTEGER;"
    "CREATE INDEX IF NOT EXISTS ChangeSetCounter ON ChangeSet(Counter)"
    " WHERE Counter IS NOT NULL"};
inline constexpr QLatin1StringView AttachData{"ATTACH DATABASE ? AS data"};
inline constexpr QLatin1StringView DetachData{"DETACH DATABASE data"};
inline constexpr QLatin1StringView SelectMeta{"SELECT Value FROM Meta WHERE Key = ?"};
inline constexpr QLatin1StringView PutMeta{"INSERT OR REPLACE INTO Meta(Key, Value) VALUES (?, ?)"};
/// Any read of the data takes the file's read lock, under which its header is whole.
inline constexpr QLatin1StringView TouchData{"PRAGMA data.schema_version"};

// The recording.

inline constexpr QLatin1StringView InsertSet{
    "INSERT INTO ChangeSet(Pending, Time, NotBefore, Person, Host, Session, Source,"
    " Program, Command, Reason, Counter) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"};
inline constexpr QLatin1StringView InsertRow{
    "INSERT INTO RowChange(SetId, Tbl, Key, Component, OldExists, OldA, OldB,"
    " NewExists, NewA, NewB, KeyDesc, ComponentDesc) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"};
inline constexpr QLatin1StringView StateDescription{
    "SELECT ItemDesc FROM StateItem WHERE ItemID = ?"};
inline constexpr QLatin1StringView PutStateLine{
    "INSERT OR REPLACE INTO StateLine VALUES (?, ?, ?, ?)"};
inline constexpr QLatin1StringView DropStateLine{
    "DELETE FROM StateLine WHERE BomID = ? AND BomComp = ?"};
inline constexpr QLatin1StringView PutStateItem{
    "INSERT OR REPLACE INTO StateItem VALUES (?, ?, ?)"};
inline constexpr QLatin1StringView DropStateItem{"DELETE FROM StateItem WHERE ItemID = ?"};
/// A row of the data by its exact key, whatever the table's own collation.
inline constexpr QLatin1StringView DataLine{
    "SELECT bomQtyReq, StartDate FROM data.BomDetail WHERE BomID = ?1"
    " AND BomComp = ?2 AND BomID = ?1 COLLATE BINARY AND BomComp = ?2 COLLATE BINARY"};
inline constexpr QLatin1StringView DataItem{
    "SELECT ItemDesc, ItemUom FROM data.ItemMaster WHERE ItemID = ?1"
    " AND ItemID = ?1 COLLATE BINARY"};
inline constexpr QLatin1StringView StateLineRow{
    "SELECT bomQtyReq, StartDate FROM StateLine WHERE BomID = ? AND BomComp = ?"};
inline constexpr QLatin1StringView StateItemRow{
    "SELECT ItemDesc, ItemUom FROM StateItem WHERE ItemID = ?"};
inline constexpr QLatin1StringView NextSetId{"SELECT max(Id) + 1 FROM ChangeSet"};
inline constexpr QLatin1StringView MoveSet{"UPDATE ChangeSet SET Id = ? WHERE Id = ?"};
inline constexpr QLatin1StringView MoveSetRows{"UPDATE RowChange SET SetId = ? WHERE SetId = ?"};
inline constexpr QLatin1StringView CompleteSet{
    "UPDATE ChangeSet SET Pending = 0, Time = ? WHERE Id = ?"};
inline constexpr QLatin1StringView SetPending{"SELECT Pending FROM ChangeSet WHERE Id = ?"};
inline constexpr QLatin1StringView DropSetRows{"DELETE FROM RowChange WHERE SetId = ?"};
inline constexpr QLatin1StringView DropSet{"DELETE FROM ChangeSet WHERE Id = ?"};

// The catch-up.

inline constexpr QLatin1StringView AnyPending{"SELECT 1 FROM ChangeSet WHERE Pending = 1 LIMIT 1"};
/// How many of the steps [?1, ?1 + ?2) of the data's change counter editors' change sets
/// took, counted from ?1 so that a counter that wrapped at 2^32 still counts; ?3: 1 to count
/// the writes not completed yet.
inline constexpr QLatin1StringView EditorSteps{
    "SELECT count(DISTINCT (Counter - ?1) & 4294967295) FROM ChangeSet"
    " WHERE Pending <= ?3 AND Counter IS NOT NULL AND ((Counter - ?1) & 4294967295) < ?2"};
inline constexpr QLatin1StringView PendingSets{
    "SELECT Id, Time, Counter FROM ChangeSet WHERE Pending = 1 ORDER BY Id"};
inline constexpr QLatin1StringView SetRows{
    "SELECT Tbl, Key, Component, OldExists, OldA, OldB, NewExists, NewA, NewB"
    " FROM RowChange WHERE SetId = ?"};
inline constexpr QLatin1StringView StepClaimed{
    "SELECT 1 FROM ChangeSet WHERE Counter = ? AND Id <> ? LIMIT 1"};

// The scan, window by window (Scan.cpp): where a window ends, the table's last key, and the
// rows of one window that differ. The data by row number, its own order; the state by its key;
// each data row looked up by the state's exact key, one look-up in its primary key a row.

inline constexpr QLatin1StringView DataLineBound{
    "SELECT rowid FROM data.BomDetail WHERE rowid > ? ORDER BY rowid LIMIT 1 OFFSET ?"};
inline constexpr QLatin1StringView DataLineLast{"SELECT max(rowid) FROM data.BomDetail"};
inline constexpr QLatin1StringView DataLinesDiffering{
    "SELECT d.BomID, d.BomComp FROM data.BomDetail d"
    " LEFT JOIN StateLine s ON s.BomID = d.BomID COLLATE BINARY"
    " AND s.BomComp = d.BomComp COLLATE BINARY"
    " WHERE d.rowid > ?1 AND d.rowid <= ?2"
    " AND (s.BomID IS NULL OR s.bomQtyReq IS NOT d.bomQtyReq OR s.StartDate IS NOT d.StartDate)"};
inline constexpr QLatin1StringView StateLineBound{
    "SELECT BomID, BomComp FROM StateLine WHERE (BomID, BomComp) > (?, ?)"
    " ORDER BY BomID, BomComp LIMIT 1 OFFSET ?"};
inline constexpr QLatin1StringView StateLineLast{
    "SELECT BomID, BomComp FROM StateLine ORDER BY BomID DESC, BomComp DESC LIMIT 1"};
inline constexpr QLatin1StringView StateLinesGone{
    "SELECT s.BomID, s.BomComp FROM StateLine s"
    " WHERE (s.BomID, s.BomComp) > (?1, ?2) AND (s.BomID, s.BomComp) <= (?3, ?4)"
    " AND NOT EXISTS (SELECT 1 FROM data.BomDetail d"
    " WHERE d.BomID = s.BomID AND d.BomComp = s.BomComp"
    " AND d.BomID = s.BomID COLLATE BINARY AND d.BomComp = s.BomComp COLLATE BINARY)"};
inline constexpr QLatin1StringView DataItemBound{
    "SELECT rowid FROM data.ItemMaster WHERE rowid > ? ORDER BY rowid LIMIT 1 OFFSET ?"};
inline constexpr QLatin1StringView DataItemLast{"SELECT max(rowid) FROM data.ItemMaster"};
inline constexpr QLatin1StringView DataItemsDiffering{
    "SELECT d.ItemID FROM data.ItemMaster d"
    " LEFT JOIN StateItem s ON s.ItemID = d.ItemID COLLATE BINARY"
    " WHERE d.rowid > ?1 AND d.rowid <= ?2"
    " AND (s.ItemID IS NULL OR s.ItemDesc IS NOT d.ItemDesc OR s.ItemUom IS NOT d.ItemUom)"};
inline constexpr QLatin1StringView StateItemBound{
    "SELECT ItemID FROM StateItem WHERE ItemID > ? ORDER BY ItemID LIMIT 1 OFFSET ?"};
inline constexpr QLatin1StringView StateItemLast{"SELECT max(ItemID) FROM StateItem"};
inline constexpr QLatin1StringView StateItemsGone{
    "SELECT s.ItemID FROM StateItem s WHERE s.ItemID > ?1 AND s.ItemID <= ?2"
    " AND NOT EXISTS (SELECT 1 FROM data.ItemMaster d WHERE d.ItemID = s.ItemID"
    " AND d.ItemID = s.ItemID COLLATE BINARY)"};

// The page map (PageMap.cpp).

/// Made anew whenever the map is rebuilt; an editor that keeps no map leaves them alone.
inline constexpr QLatin1StringView CreatePageMap{
    "DROP TABLE IF EXISTS DataPage; DROP TABLE IF EXISTS DataRow;"
    "CREATE TABLE DataPage(Page INTEGER PRIMARY KEY, Hash INTEGER NOT NULL, First INTEGER,"
    " Last INTEGER);"
    "CREATE TABLE DataRow(Tbl INTEGER NOT NULL, RowNumber INTEGER NOT NULL, Key NOT NULL,"
    " Component NOT NULL, PRIMARY KEY(Tbl, RowNumber)) WITHOUT ROWID"};
/// As much of the data file as SQLite maps at most (its build's limit): read in place.
inline constexpr QLatin1StringView MapData{"PRAGMA data.mmap_size = 2147418112"};
inline constexpr QLatin1StringView DataPageSize{"PRAGMA data.page_size"};
inline constexpr QLatin1StringView DataPageCount{"PRAGMA data.page_count"};
inline constexpr QLatin1StringView StoredPages{
    "SELECT Page, Hash FROM DataPage WHERE Page >= ? AND Page < ? ORDER BY Page"};
inline constexpr QLatin1StringView PagesPast{"SELECT Page FROM DataPage WHERE Page > ?"};
inline constexpr QLatin1StringView StoredPage{"SELECT Hash, First, Last FROM DataPage WHERE Page = ?"};
inline constexpr QLatin1StringView PutPage{"INSERT OR REPLACE INTO DataPage VALUES (?, ?, ?, ?)"};
inline constexpr QLatin1StringView DropPage{"DELETE FROM DataPage WHERE Page = ?"};
/// The rows of both tables in a range of row numbers, as last recorded and in the data.
inline constexpr QLatin1StringView MappedRows{
    "SELECT Tbl, Key, Component FROM DataRow WHERE Tbl IN (0, 1) AND RowNumber BETWEEN ?1 AND ?2"};
inline constexpr QLatin1StringView DataRowsIn{
    "SELECT 0, rowid, BomID, BomComp FROM data.BomDetail WHERE rowid BETWEEN ?1 AND ?2"
    " UNION ALL SELECT 1, rowid, ItemID, '' FROM data.ItemMaster WHERE rowid BETWEEN ?1 AND ?2"};
inline constexpr QLatin1StringView DropMappedRows{
    "DELETE FROM DataRow WHERE Tbl IN (0, 1) AND RowNumber BETWEEN ?1 AND ?2"};
inline constexpr QLatin1StringView MapRows{
    "INSERT OR IGNORE INTO DataRow SELECT 0, rowid, BomID, BomComp FROM data.BomDetail"
    " WHERE rowid BETWEEN ?1 AND ?2"};
inline constexpr QLatin1StringView MapItems{
    "INSERT OR IGNORE INTO DataRow SELECT 1, rowid, ItemID, '' FROM data.ItemMaster"
    " WHERE rowid BETWEEN ?1 AND ?2"};
inline constexpr QLatin1StringView MapMark{
    "SELECT coalesce((SELECT min(Id) - 1 FROM ChangeSet WHERE Pending = 1),"
    " (SELECT max(Id) FROM ChangeSet), 0)"};
inline constexpr QLatin1StringView MapAllRows{
    "INSERT INTO DataRow SELECT 0, rowid, BomID, BomComp FROM data.BomDetail ORDER BY rowid;"
    "INSERT INTO DataRow SELECT 1, rowid, ItemID, '' FROM data.ItemMaster ORDER BY rowid"};
/// The rows of the change sets recorded after the last look that compared pages.
inline constexpr QLatin1StringView RowsRecordedAfter{
    "SELECT Tbl, Key, Component FROM RowChange WHERE SetId > ?"};

// The reads.

/// The changes of every completed change set, newest first, with whether each one's time is
/// earlier than that of the change set before it; the filters are added after it.
inline constexpr QLatin1StringView SelectChanges{
    "SELECT s.Id, s.Time, s.NotBefore, s.Person, s.Host, s.Session, s.Source, s.Program,"
    " s.Command, s.Reason, r.Tbl, r.Key, r.Component, r.OldExists, r.OldA, r.OldB,"
    " r.NewExists, r.NewA, r.NewB, r.KeyDesc, r.ComponentDesc,"
    " (SELECT p.Time FROM ChangeSet p WHERE p.Id < s.Id AND p.Pending = 0"
    " ORDER BY p.Id DESC LIMIT 1) > s.Time"
    " FROM RowChange r JOIN ChangeSet s ON s.Id = r.SetId WHERE s.Pending = 0"};
/// The filters of SelectChanges, each with its values, and its order.
inline constexpr QLatin1StringView ChangesOfWanted{
    " AND r.Key COLLATE NOCASE IN (SELECT Key FROM temp.Wanted)"};
inline constexpr QLatin1StringView ChangesOfComponent{
    " AND r.Tbl = 0 AND r.Component = ? COLLATE NOCASE"};
inline constexpr QLatin1StringView ChangesOfItem{
    " AND (r.Key = ? COLLATE NOCASE OR r.Component = ? COLLATE NOCASE)"};
inline constexpr QLatin1StringView ChangesSince{" AND s.Time >= ?"};
inline constexpr QLatin1StringView ChangesUntil{" AND s.Time <= ?"};
inline constexpr QLatin1StringView ChangesOfSet{" AND s.Id = ?"};
inline constexpr QLatin1StringView ChangesOfPerson{" AND s.Person = ?"};
inline constexpr QLatin1StringView ChangesOfThisEditor{" AND s.Source = 0 AND s.Session = ?"};
inline constexpr QLatin1StringView ChangesOfOtherEditors{
    " AND s.Source = 0 AND s.Session IS NOT ?"};
inline constexpr QLatin1StringView ChangesOfPrograms{" AND s.Source = 1"};
inline constexpr QLatin1StringView ChangesOfRestores{" AND s.Source = 2"};
inline constexpr QLatin1StringView ChangesNewestFirst{" ORDER BY s.Id DESC, r.rowid LIMIT ?"};
inline constexpr QLatin1StringView MakeWanted{
    "CREATE TEMP TABLE IF NOT EXISTS Wanted(Key TEXT PRIMARY KEY COLLATE NOCASE);"
    "DELETE FROM temp.Wanted"};
inline constexpr QLatin1StringView AddWanted{"INSERT OR IGNORE INTO temp.Wanted VALUES (?)"};
inline constexpr QLatin1StringView CountChanges{
    "SELECT count(*) FROM RowChange r JOIN ChangeSet s ON s.Id = r.SetId WHERE s.Pending = 0"};
inline constexpr QLatin1StringView CountChangesThrough{
    "SELECT count(*) FROM RowChange r JOIN ChangeSet s ON s.Id = r.SetId"
    " WHERE s.Pending = 0 AND s.Id <= ?"};
inline constexpr QLatin1StringView LastSet{"SELECT coalesce(max(Id), 0) FROM ChangeSet"};
/// The change set before the first one dated after ?1 and not past ?2 (this clock's now).
inline constexpr QLatin1StringView LastSetAt{
    "SELECT coalesce((SELECT min(Id) - 1 FROM ChangeSet WHERE Pending = 0"
    " AND Time > ?1 AND Time <= ?2), (SELECT max(Id) FROM ChangeSet), 0)"};
inline constexpr QLatin1StringView OldestSets{
    "SELECT Id, Time FROM ChangeSet WHERE Pending = 0 AND Id <= ? ORDER BY Id LIMIT 500"};
/// From the change sets after a moment, in the history's order, to their rows, newest first.
inline constexpr QLatin1StringView RowsAfter{
    "SELECT r.Tbl, r.Key, r.Component, r.OldExists, r.OldA, r.OldB"
    " FROM ChangeSet s CROSS JOIN RowChange r ON r.SetId = s.Id"
    " WHERE s.Pending = 0 AND s.Id > ? ORDER BY s.Id DESC, r.rowid DESC"};
inline constexpr QLatin1StringView StateLinesOf{
    "SELECT BomID, BomComp, bomQtyReq, StartDate FROM StateLine WHERE BomID = ? COLLATE NOCASE"};
inline constexpr QLatin1StringView StateItemNoCase{
    "SELECT ItemID, ItemDesc, ItemUom FROM StateItem WHERE ItemID = ? COLLATE NOCASE"};

} // namespace store::historyschema
