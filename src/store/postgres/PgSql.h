#pragma once

#include <QLatin1StringView>

/// Statement texts of the PostgreSQL store. Names are unquoted, so the server folds them to
/// lower case as it does for the tables a user creates without quotes.
///
/// Item IDs compare as SQLite's NOCASE does: ASCII letters without regard to case, every other
/// character exactly. lower() on text of collation "C" folds exactly the ASCII letters, so
/// every comparison and sort of IDs goes through lower(x COLLATE "C"), and the unique indexes
/// of createSchema index that same expression. citext and ICU collations would also fold
/// letters such as "É", and so make two items of SQLite's one.
namespace store::pgschema {

/// The columns of the two tables in the current schema, each with its place in the primary
/// key (0 when not in it) and whether this user may read it. Read from the system catalogs:
/// every operation checks the tables (on a new connection or a kept one), and the
/// information_schema views, built for portability, cost a new connection some 15 ms of
/// catalog reads where these take 1 or 2. Unlike those views, they show the columns and the key
/// whatever the user's rights (the catalogs are anyone's to read): a user who may only read
/// the tables still has them checked, and one who may not read them is told so.
inline constexpr QLatin1StringView SelectColumns{
    "SELECT c.relname, a.attname,"
    " CASE WHEN c.relkind IN ('r', 'p') THEN COALESCE(array_position(k.conkey, a.attnum), 0)"
    " ELSE 0 END,"
    " has_column_privilege(c.oid, a.attnum, 'SELECT')"
    " FROM pg_catalog.pg_class AS c"
    " JOIN pg_catalog.pg_namespace AS n ON n.oid = c.relnamespace"
    " JOIN pg_catalog.pg_attribute AS a"
    "  ON a.attrelid = c.oid AND a.attnum > 0 AND NOT a.attisdropped"
    " LEFT JOIN pg_catalog.pg_constraint AS k ON k.conrelid = c.oid AND k.contype = 'p'"
    " WHERE n.nspname = current_schema() AND c.relname IN ('itemmaster', 'bomdetail')"
    " AND c.relkind IN ('r', 'v', 'f', 'p')"};

/// The keys of every unique, valid, whole-table index of the two tables in the current
/// schema, each with the collation of its index column (checkKeyIndexes says which will do);
/// a table without one gives one row with a Null index. Only ordinary tables: views, foreign
/// and partitioned tables cannot carry such an index, and give no row.
inline constexpr QLatin1StringView SelectUniqueIndexKeys{
    "SELECT c.relname, i.indexrelid::bigint, pg_get_indexdef(i.indexrelid, k, false),"
    " coalesce(l.collname, '')"
    " FROM pg_catalog.pg_class AS c"
    " JOIN pg_catalog.pg_namespace AS n ON n.oid = c.relnamespace"
    " LEFT JOIN pg_catalog.pg_index AS i ON i.indrelid = c.oid"
    "  AND i.indisunique AND i.indisvalid AND i.indpred IS NULL"
    " LEFT JOIN LATERAL generate_series(1, i.indnkeyatts) AS k ON true"
    " LEFT JOIN pg_catalog.pg_collation AS l ON l.oid = i.indcollation[k - 1]"
    " WHERE n.nspname = current_schema() AND c.relname IN ('itemmaster', 'bomdetail')"
    " AND c.relkind = 'r'"};

/// The types of the two tables' columns, as one text: a connection kept between operations
/// prepares its statements anew when they change.
inline constexpr QLatin1StringView SelectColumnTypes{
    "SELECT coalesce(string_agg(c.relname || '.' || a.attname || ':' || a.atttypid::text, ','"
    " ORDER BY c.relname, a.attnum), '') FROM pg_catalog.pg_class AS c"
    " JOIN pg_catalog.pg_attribute AS a"
    "  ON a.attrelid = c.oid AND a.attnum > 0 AND NOT a.attisdropped"
    " WHERE c.oid IN (to_regclass('itemmaster'), to_regclass('bomdetail'))"};

/// The two tables as the editor needs them, each with a unique index under the key rule.
inline constexpr QLatin1StringView CreateTables[]{
    QLatin1StringView{"CREATE TABLE IF NOT EXISTS itemmaster ("
                      " itemid text COLLATE \"C\" NOT NULL PRIMARY KEY,"
                      " itemdesc text, itemuom text)"},
    QLatin1StringView{"CREATE UNIQUE INDEX IF NOT EXISTS itemmaster_nocase"
                      " ON itemmaster (lower(itemid COLLATE \"C\"))"},
    QLatin1StringView{"CREATE TABLE IF NOT EXISTS bomdetail ("
                      " bomid text COLLATE \"C\" NOT NULL, bomcomp text COLLATE \"C\" NOT NULL,"
                      " bomqtyreq double precision,"
                      " startdate text," // local time, 'YYYY-MM-DD HH:MM:SS', as in SQLite files
                      " PRIMARY KEY (bomid, bomcomp))"},
    QLatin1StringView{"CREATE UNIQUE INDEX IF NOT EXISTS bomdetail_nocase"
                      " ON bomdetail (lower(bomid COLLATE \"C\"), lower(bomcomp COLLATE \"C\"))"},
    // Where Used walks upward, from component to assembly.
    QLatin1StringView{"CREATE INDEX IF NOT EXISTS bomdetail_component"
                      " ON bomdetail (lower(bomcomp COLLATE \"C\"))"},
};

inline constexpr QLatin1StringView SelectItemIds{
    "SELECT itemid FROM itemmaster ORDER BY lower(itemid COLLATE \"C\"), itemid COLLATE \"C\""};
inline constexpr QLatin1StringView SelectItemLines{
    "SELECT itemid, itemdesc FROM itemmaster"
    " ORDER BY lower(itemid COLLATE \"C\"), itemid COLLATE \"C\""};
inline constexpr QLatin1StringView SelectItem{
    "SELECT itemid, itemdesc, itemuom FROM itemmaster"
    " WHERE lower(itemid COLLATE \"C\") = lower(?::text COLLATE \"C\")"};
inline constexpr QLatin1StringView SelectComponents{
    "SELECT bomcomp FROM bomdetail WHERE lower(bomid COLLATE \"C\") = lower(?::text COLLATE \"C\")"
    " ORDER BY lower(bomcomp COLLATE \"C\")"};
/// The lines of a whole batch of assemblies in one statement, grouped by assembly and in key
/// order within each. The parameter is an array of the assemblies' keys, folded as lower()
/// folds them: compared with "= ANY", the key index finds each assembly's lines, where a join
/// with a set of IDs would read the whole table for every batch, however small. Each line's
/// item is sought on its own in the key index (the LIMIT keeps the planner from turning the
/// look-up into a join): a merge join, which the planner prefers for a few lines, walks
/// ItemMaster's index from its start up to the largest component ID, half of a large table
/// for one line in the middle.
inline constexpr QLatin1StringView SelectComponentLines{
    "SELECT d.bomid, d.bomcomp, d.bomqtyreq, m.itemuom, m.itemdesc, m.known, d.startdate"
    " FROM bomdetail AS d"
    " LEFT JOIN LATERAL (SELECT itemuom, itemdesc, true AS known FROM itemmaster"
    "  WHERE lower(itemid COLLATE \"C\") = lower(d.bomcomp COLLATE \"C\") LIMIT 1) AS m ON true"
    " WHERE lower(d.bomid COLLATE \"C\") = ANY(?::text[])"
    " ORDER BY lower(d.bomid COLLATE \"C\"), lower(d.bomcomp COLLATE \"C\")"};
/// Every line of the table with its component's facts, grouped by assembly and in key order
/// within each, for a load that needs most of the table.
inline constexpr QLatin1StringView SelectAllComponentLines{
    "SELECT d.bomid, d.bomcomp, d.bomqtyreq, m.itemuom, m.itemdesc, m.itemid IS NOT NULL,"
    " d.startdate FROM bomdetail AS d LEFT JOIN itemmaster AS m ON lower(m.itemid COLLATE \"C\") = lower(d.bomcomp COLLATE \"C\")"
    " ORDER BY lower(d.bomid COLLATE \"C\"), lower(d.bomcomp COLLATE \"C\")"};
/// Every line reachable from an item, each once, with its component's facts, grouped by
/// assembly and in key order within each, as SelectComponentLines gives them: one statement
/// for the whole structure instead of one round trip per level. The walk follows the lines by
/// their folded IDs; UNION keeps each folded ID once, so a shared sub-assembly is read once
/// and a cycle in the stored data ends the walk. Then the lines of every ID reached, and the
/// items among them, are each sought in one scan of a key index with all the keys: measured
/// on the deep bench, a tenth faster than carrying the lines through the walk and a fifth
/// faster than seeking each line's item on its own.
inline constexpr QLatin1StringView SelectReachableLines{
    "WITH RECURSIVE reached(id) AS ("
    " SELECT lower(?::text COLLATE \"C\")"
    " UNION SELECT lower(d.bomcomp COLLATE \"C\") FROM bomdetail AS d JOIN reached"
    " ON lower(d.bomid COLLATE \"C\") = reached.id),"
    " facts AS (SELECT lower(itemid COLLATE \"C\") AS id, itemuom, itemdesc FROM itemmaster"
    "  WHERE lower(itemid COLLATE \"C\") = ANY(ARRAY(SELECT id FROM reached)))"
    " SELECT d.bomid, d.bomcomp, d.bomqtyreq, f.itemuom, f.itemdesc, f.id IS NOT NULL,"
    " d.startdate FROM bomdetail AS d LEFT JOIN facts AS f ON f.id = lower(d.bomcomp COLLATE \"C\")"
    " WHERE lower(d.bomid COLLATE \"C\") = ANY(ARRAY(SELECT id FROM reached))"
    " ORDER BY lower(d.bomid COLLATE \"C\"), lower(d.bomcomp COLLATE \"C\")"};
/// The planner's row count of BomDetail; negative while the table was never analysed.
inline constexpr QLatin1StringView SelectLineEstimate{
    "SELECT reltuples::bigint FROM pg_class WHERE oid = to_regclass('bomdetail')"};
inline constexpr QLatin1StringView CountLines{"SELECT count(*) FROM bomdetail"};

/// The lines that lead up from an item: each line whose component is the item or an assembly
/// that has the item in its structure, once. UNION keeps each assembly once, so the walk ends
/// even where the stored data holds a cycle; the editor walks these lines in memory.
inline constexpr QLatin1StringView SelectLinesAbove{
    "WITH RECURSIVE above(id) AS ("
    " SELECT lower(?::text COLLATE \"C\")"
    " UNION SELECT lower(d.bomid COLLATE \"C\") FROM bomdetail AS d JOIN above"
    " ON lower(d.bomcomp COLLATE \"C\") = above.id)"
    " SELECT d.bomid, d.bomcomp, d.bomqtyreq FROM bomdetail AS d JOIN above"
    " ON lower(d.bomcomp COLLATE \"C\") = above.id"};
/// The spelling, description and unit of the items whose keys are in the array parameter.
inline constexpr QLatin1StringView SelectItemsByKey{
    "SELECT itemid, itemdesc, itemuom FROM itemmaster"
    " WHERE lower(itemid COLLATE \"C\") = ANY(?::text[])"};

inline constexpr QLatin1StringView SelectLine{
    "SELECT bomqtyreq FROM bomdetail"
    " WHERE lower(bomid COLLATE \"C\") = lower(?::text COLLATE \"C\")"
    " AND lower(bomcomp COLLATE \"C\") = lower(?::text COLLATE \"C\")"};
inline constexpr QLatin1StringView SelectLineRow{
    "SELECT bomid, bomcomp, bomqtyreq, startdate FROM bomdetail"
    " WHERE lower(bomid COLLATE \"C\") = lower(?::text COLLATE \"C\")"
    " AND lower(bomcomp COLLATE \"C\") = lower(?::text COLLATE \"C\")"};
/// One assembly's lines as stored, in key order.
inline constexpr QLatin1StringView SelectLineRowsOf{
    "SELECT bomid, bomcomp, bomqtyreq, startdate FROM bomdetail"
    " WHERE lower(bomid COLLATE \"C\") = lower(?::text COLLATE \"C\")"
    " ORDER BY lower(bomcomp COLLATE \"C\")"};
/// Every line that lists a component, as stored, by assembly (the component index finds them).
inline constexpr QLatin1StringView SelectLineRowsUsing{
    "SELECT bomid, bomcomp, bomqtyreq, startdate FROM bomdetail"
    " WHERE lower(bomcomp COLLATE \"C\") = lower(?::text COLLATE \"C\")"
    " ORDER BY lower(bomid COLLATE \"C\")"};
/// The stored lines whose keys, folded as lower() folds them, are pairs of the two array
/// parameters, as stored.
inline constexpr QLatin1StringView SelectLineRowsByKey{
    "SELECT bomid, bomcomp, bomqtyreq, startdate FROM bomdetail"
    " WHERE (lower(bomid COLLATE \"C\"), lower(bomcomp COLLATE \"C\"))"
    " IN (SELECT * FROM unnest(?::text[], ?::text[]))"};
inline constexpr QLatin1StringView InsertLine{
    "INSERT INTO bomdetail (bomid, bomcomp, bomqtyreq, startdate) VALUES (?, ?, ?, ?)"};
inline constexpr QLatin1StringView DeleteLine{
    "DELETE FROM bomdetail"
    " WHERE lower(bomid COLLATE \"C\") = lower(?::text COLLATE \"C\")"
    " AND lower(bomcomp COLLATE \"C\") = lower(?::text COLLATE \"C\")"};
/// Deletes the line and returns it as it was deleted: one statement, so no other editor's
/// change can come between what is returned and what is deleted.
inline constexpr QLatin1StringView TakeLine{
    "DELETE FROM bomdetail"
    " WHERE lower(bomid COLLATE \"C\") = lower(?::text COLLATE \"C\")"
    " AND lower(bomcomp COLLATE \"C\") = lower(?::text COLLATE \"C\")"
    " RETURNING bomid, bomcomp, bomqtyreq, startdate"};
inline constexpr QLatin1StringView DeleteLineAsIs{
    "DELETE FROM bomdetail"
    " WHERE lower(bomid COLLATE \"C\") = lower(?::text COLLATE \"C\")"
    " AND lower(bomcomp COLLATE \"C\") = lower(?::text COLLATE \"C\")"
    " AND bomqtyreq IS NOT DISTINCT FROM ? AND startdate IS NOT DISTINCT FROM ?"};
/// Both return the line as written, to check how many rows were written and to know the
/// line's start date.
inline constexpr QLatin1StringView UpdateQuantity{
    "UPDATE bomdetail SET bomqtyreq = ?"
    " WHERE lower(bomid COLLATE \"C\") = lower(?::text COLLATE \"C\")"
    " AND lower(bomcomp COLLATE \"C\") = lower(?::text COLLATE \"C\")"
    " AND bomqtyreq IS NOT DISTINCT FROM ?"
    " RETURNING bomid, bomcomp, bomqtyreq, startdate"};
inline constexpr QLatin1StringView UpdateQuantityAsIs{
    "UPDATE bomdetail SET bomqtyreq = ?"
    " WHERE lower(bomid COLLATE \"C\") = lower(?::text COLLATE \"C\")"
    " AND lower(bomcomp COLLATE \"C\") = lower(?::text COLLATE \"C\")"
    " AND bomqtyreq IS NOT DISTINCT FROM ? AND startdate IS NOT DISTINCT FROM ?"
    " RETURNING bomid, bomcomp, bomqtyreq, startdate"};

/// Whether the second ID stands anywhere in the structure below the first. UNION keeps each
/// item once, so the walk ends even where the stored data already holds a cycle.
inline constexpr QLatin1StringView SelectReaches{
    "WITH RECURSIVE below(id) AS ("
    " SELECT lower(?::text COLLATE \"C\")"
    " UNION SELECT lower(d.bomcomp COLLATE \"C\") FROM bomdetail AS d JOIN below"
    " ON lower(d.bomid COLLATE \"C\") = below.id)"
    " SELECT 1 FROM below WHERE id = lower(?::text COLLATE \"C\") LIMIT 1"};

/// Writes that add lines hold this transaction-level lock from their cycle check to their
/// commit, so that two editors' drops are checked one after the other: otherwise A under B and
/// B under A, checked at the same moment, would both pass and close a cycle. The number is
/// the store's own ("BOM1" in ASCII).
inline constexpr QLatin1StringView LockStructure{"SELECT pg_advisory_xact_lock(1112493361)"};

inline constexpr QLatin1StringView Begin{"BEGIN"};
/// Several statements that must see one state of the tables, as one statement does.
inline constexpr QLatin1StringView BeginSnapshot{
    "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"};
inline constexpr QLatin1StringView Commit{"COMMIT"};
inline constexpr QLatin1StringView Rollback{"ROLLBACK"};

/// Each connection's settings, in one round trip. A statement that runs longer than 30 s fails
/// (QueryFailed or WriteFailed) instead of leaving the editor waiting on a server that stopped
/// answering or on another editor's lock. The editor's reads seek keys in tables that stay in
/// the server's memory: at the default random_page_cost (4, for spinning disks) the planner
/// takes a look-up of a few thousand assemblies' lines for dearer than reading all of
/// BomDetail, which costs three times as long (the deep bench's levels: 19 ms for 828
/// assemblies by a full read, 6 ms through the key index).
/// Every number written with the digits that read back as the same number, on any server: set
/// here rather than in the startup's options, which a pooler such as PgBouncer refuses (behind
/// one the setting may not follow a transaction to another server process; servers from 12 on
/// write numbers exactly by default).
inline constexpr QLatin1StringView SessionSettings{
    "SET statement_timeout = 30000; SET random_page_cost = 1.1; SET extra_float_digits = 3"};
/// The server's process that answers, and SessionSettings where it is the one the connection
/// was made with ($1, PQbackendPID). Behind a transaction pooler (PgBouncer) each transaction
/// may go to another server process: settings made there would stay with a process that
/// serves other clients next, so none are made, and no statement is prepared under a name.
inline constexpr char SelectServerProcessAndSettle[] =
    "SELECT pg_catalog.pg_backend_pid(), CASE WHEN pg_catalog.pg_backend_pid() = $1::int THEN"
    " pg_catalog.set_config('statement_timeout', '30000', false)"
    " || pg_catalog.set_config('random_page_cost', '1.1', false)"
    " || pg_catalog.set_config('extra_float_digits', '3', false) END";
/// A notice on a channel of the change watcher's own ($1), which proves that notices reach it.
inline constexpr char NotifyProbe[] = "SELECT pg_catalog.pg_notify($1, 'probe')";
/// Where the server's write-ahead log stands: moved on by every commit, on a standby as it
/// replays the primary's.
inline constexpr char SelectWalPosition[] =
    "SELECT CASE WHEN pg_catalog.pg_is_in_recovery() THEN pg_catalog.pg_last_wal_replay_lsn()"
    " ELSE pg_catalog.pg_current_wal_lsn() END::text";
/// The connection's name where the user gave one of their own (tagApplicationName).
inline constexpr QLatin1StringView SetApplicationName{
    "SELECT pg_catalog.set_config('application_name', $1, false)"};
/// The other editors at work on this database, each counted once by the editor's own part of
/// its name ("fabrilux-bom-editor/…"), which may follow a name of the user's; $1 is this
/// editor's part.
inline constexpr char CountOtherEditorsByTag[] =
    "SELECT count(DISTINCT substring(application_name FROM 'fabrilux-bom-editor/[^ ]*$'))"
    " FROM pg_catalog.pg_stat_activity WHERE datname = current_database()"
    " AND application_name ~ '(^| )fabrilux-bom-editor/[^ ]*$'"
    " AND substring(application_name FROM 'fabrilux-bom-editor/[^ ]*$') <> $1";
/// The server's process of the connection, where the driver does not say it.
inline constexpr QLatin1StringView SelectBackendPid{"SELECT pg_backend_pid()"};
/// A connection that is neither made nor refused within this many seconds fails.
inline constexpr int ConnectTimeoutSeconds = 10;

// Writing imported rows (PgImportWriter).

/// CreateTables' "already exists, skipping" notices are no news to anyone; libpq would print
/// them on the standard error of a command-line import.
inline constexpr QLatin1StringView QuietNotices{"SET LOCAL client_min_messages = warning"};
/// Whether each table is there, as the statements of CreateTables name them.
inline constexpr QLatin1StringView SelectTablesPresent{
    "SELECT to_regclass('itemmaster') IS NOT NULL, to_regclass('bomdetail') IS NOT NULL"};
/// An import holds this from its start to its commit: editors still read, but no other writer
/// can add a row between the import's count and its commit, nor slip rows into tables that the
/// import found empty.
inline constexpr QLatin1StringView LockTablesForImport{
    "LOCK TABLE itemmaster, bomdetail IN SHARE ROW EXCLUSIVE MODE"};
inline constexpr QLatin1StringView CountItems{"SELECT count(*) FROM itemmaster"};
/// Rows go in a few hundred per statement: one statement per row would cost a round trip
/// each. The statement is this head followed by the row pattern once per row, comma-separated.
inline constexpr QLatin1StringView InsertItemsHead{
    "INSERT INTO itemmaster (itemid, itemdesc, itemuom) VALUES "};
inline constexpr QLatin1StringView InsertItemsRow{"(?, ?, ?)"};
inline constexpr QLatin1StringView InsertLinesHead{
    "INSERT INTO bomdetail (bomid, bomcomp, bomqtyreq, startdate) VALUES "};
inline constexpr QLatin1StringView InsertLinesRow{"(?, ?, ?, ?)"};
/// The stored lines whose keys (assembly, component), folded as lower() folds them, are pairs
/// of the two array parameters: the unique key index finds each.
inline constexpr QLatin1StringView SelectLinesByKey{
    "SELECT bomid, bomcomp FROM bomdetail"
    " WHERE (lower(bomid COLLATE \"C\"), lower(bomcomp COLLATE \"C\"))"
    " IN (SELECT * FROM unnest(?::text[], ?::text[]))"};
/// After a bulk load: the tree load reads the planner's row estimate, and without statistics
/// the planner takes the tables for small and reads them whole on every look-up.
inline constexpr QLatin1StringView AnalyzeTables{"ANALYZE itemmaster, bomdetail"};

} // namespace store::pgschema
