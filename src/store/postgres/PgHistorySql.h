#pragma once

#include <QLatin1StringView>

/// Statement texts of a server's history: a side schema, bom_history, that triggers on the two
/// shared tables fill in each writer's own transaction (a row trigger, and one that records a
/// TRUNCATE's rows as deleted), whoever writes (this editor,
/// another, the manufacturing application, a script). The shared tables gain no column.
///
/// bom_history.change holds one row per row written: whole rows before and after (jsonb of the
/// table's row, every column), the writer's transaction (txid: one change set), the statement's
/// time, the session's user and application_name, and what the editor's write transactions
/// say of themselves through the settings bom.person, bom.host, bom.command, bom.reason and
/// bom.source (Null where a writer set none). Rows are in commit order by id. An UPDATE that
/// changes a line's or an item's key (under the key rule) is kept as a delete of the old key
/// and an insert of the new one, so that every key's rows tell its whole story on their own.
///
/// The trigger function runs with the writer's rights, not its owner's: every writer inserts
/// its own rows, so the schema grants USAGE, INSERT (and SELECT, for the editors' reads) to
/// every user.
namespace store::pgschema {

/// Whether the schema is there, whether each table carries its trigger, and the rights that
/// creating what is missing needs.
inline constexpr QLatin1StringView SelectHistoryState{
    "SELECT to_regnamespace('bom_history') IS NOT NULL,"
    " (SELECT count(*) = 2 FROM pg_catalog.pg_trigger WHERE tgrelid = to_regclass('itemmaster')"
    "  AND tgname IN ('bom_history_record', 'bom_history_truncate')),"
    " (SELECT count(*) = 2 FROM pg_catalog.pg_trigger WHERE tgrelid = to_regclass('bomdetail')"
    "  AND tgname IN ('bom_history_record', 'bom_history_truncate')),"
    " has_database_privilege(current_database(), 'CREATE'),"
    " has_table_privilege(to_regclass('itemmaster'), 'TRIGGER'),"
    " has_table_privilege(to_regclass('bomdetail'), 'TRIGGER'),"
    " current_user::text, current_database()::text"};

inline constexpr QLatin1StringView CreateHistorySchema[]{
    QLatin1StringView{"CREATE SCHEMA bom_history"},
    QLatin1StringView{
        "CREATE TABLE bom_history.change ("
        " id bigserial PRIMARY KEY,"
        " txid bigint NOT NULL DEFAULT txid_current(),"
        " statement_time timestamptz NOT NULL DEFAULT statement_timestamp(),"
        " table_name text NOT NULL,"
        " operation char(1) NOT NULL CHECK (operation IN ('I', 'U', 'D')),"
        " row_key text," // the item, or the line's assembly
        " row_component text," // the line's component; Null for an item
        " old_row jsonb,"
        " new_row jsonb,"
        " db_user text NOT NULL DEFAULT session_user,"
        " application text DEFAULT current_setting('application_name'),"
        " client_addr inet DEFAULT inet_client_addr(),"
        // A setting made in an earlier transaction of the session reads as '' afterwards.
        " person text DEFAULT nullif(current_setting('bom.person', true), ''),"
        " host text DEFAULT nullif(current_setting('bom.host', true), ''),"
        " command text DEFAULT nullif(current_setting('bom.command', true), ''),"
        " reason text DEFAULT nullif(current_setting('bom.reason', true), ''),"
        " source text DEFAULT nullif(current_setting('bom.source', true), ''))"},
    QLatin1StringView{"CREATE INDEX change_time ON bom_history.change (statement_time)"},
    // A key's changes in commit order: an item's (no component), a line's.
    QLatin1StringView{"CREATE INDEX change_key ON bom_history.change"
                      " (lower(row_key COLLATE \"C\"), lower(row_component COLLATE \"C\"), id)"},
    QLatin1StringView{"CREATE INDEX change_component ON bom_history.change"
                      " (lower(row_component COLLATE \"C\"))"},
    QLatin1StringView{"CREATE INDEX change_txid ON bom_history.change (txid)"},
    QLatin1StringView{"CREATE TABLE bom_history.kept ("
                      " one boolean PRIMARY KEY DEFAULT true CHECK (one),"
                      " since timestamptz NOT NULL)"},
    QLatin1StringView{
        "CREATE FUNCTION bom_history.record() RETURNS trigger LANGUAGE plpgsql AS $f$\n"
        "DECLARE\n"
        " o jsonb; n jsonb; ok text; oc text; nk text; nc text;\n"
        "BEGIN\n"
        " IF TG_OP <> 'INSERT' THEN o := to_jsonb(OLD); END IF;\n"
        " IF TG_OP <> 'DELETE' THEN n := to_jsonb(NEW); END IF;\n"
        " IF TG_OP = 'UPDATE' AND o = n THEN RETURN NULL; END IF;\n"
        " IF TG_TABLE_NAME = 'bomdetail' THEN\n"
        "  ok := o ->> 'bomid'; oc := o ->> 'bomcomp'; nk := n ->> 'bomid'; nc := n ->> 'bomcomp';\n"
        " ELSE\n"
        "  ok := o ->> 'itemid'; nk := n ->> 'itemid';\n"
        " END IF;\n"
        " IF TG_OP = 'UPDATE' AND (lower(ok COLLATE \"C\") IS DISTINCT FROM lower(nk COLLATE \"C\")\n"
        "  OR lower(oc COLLATE \"C\") IS DISTINCT FROM lower(nc COLLATE \"C\")) THEN\n"
        "  INSERT INTO bom_history.change (table_name, operation, row_key, row_component, old_row)\n"
        "   VALUES (TG_TABLE_NAME, 'D', ok, oc, o);\n"
        "  INSERT INTO bom_history.change (table_name, operation, row_key, row_component, new_row)\n"
        "   VALUES (TG_TABLE_NAME, 'I', nk, nc, n);\n"
        " ELSE\n"
        "  INSERT INTO bom_history.change\n"
        "   (table_name, operation, row_key, row_component, old_row, new_row)\n"
        "   VALUES (TG_TABLE_NAME, left(TG_OP, 1), coalesce(nk, ok), coalesce(nc, oc), o, n);\n"
        " END IF;\n"
        " RETURN NULL;\n"
        "END\n"
        "$f$"},
    // A TRUNCATE fires no row trigger: its rows are recorded as deleted before they go.
    QLatin1StringView{
        "CREATE FUNCTION bom_history.record_truncate() RETURNS trigger LANGUAGE plpgsql AS $f$\n"
        "BEGIN\n"
        " IF TG_TABLE_NAME = 'bomdetail' THEN\n"
        "  EXECUTE format('INSERT INTO bom_history.change (table_name, operation, row_key,'\n"
        "   ' row_component, old_row) SELECT %L, ''D'', r.bomid, r.bomcomp, to_jsonb(r)'\n"
        "   ' FROM %I.%I AS r', TG_TABLE_NAME, TG_TABLE_SCHEMA, TG_TABLE_NAME);\n"
        " ELSE\n"
        "  EXECUTE format('INSERT INTO bom_history.change (table_name, operation, row_key,'\n"
        "   ' old_row) SELECT %L, ''D'', r.itemid, to_jsonb(r)'\n"
        "   ' FROM %I.%I AS r', TG_TABLE_NAME, TG_TABLE_SCHEMA, TG_TABLE_NAME);\n"
        " END IF;\n"
        " RETURN NULL;\n"
        "END\n"
        "$f$"},
    QLatin1StringView{"GRANT USAGE ON SCHEMA bom_history TO PUBLIC"},
    QLatin1StringView{"GRANT SELECT, INSERT ON bom_history.change TO PUBLIC"},
    QLatin1StringView{"GRANT USAGE ON SEQUENCE bom_history.change_id_seq TO PUBLIC"},
    QLatin1StringView{"GRANT SELECT ON bom_history.kept TO PUBLIC"},
};
/// Each table's two triggers, made anew where either is missing.
inline constexpr QLatin1StringView CreateItemMasterHistoryTriggers[]{
    QLatin1StringView{"DROP TRIGGER IF EXISTS bom_history_record ON itemmaster"},
    QLatin1StringView{"DROP TRIGGER IF EXISTS bom_history_truncate ON itemmaster"},
    QLatin1StringView{"CREATE TRIGGER bom_history_record AFTER INSERT OR UPDATE OR DELETE"
                      " ON itemmaster FOR EACH ROW EXECUTE FUNCTION bom_history.record()"},
    QLatin1StringView{"CREATE TRIGGER bom_history_truncate BEFORE TRUNCATE ON itemmaster"
                      " FOR EACH STATEMENT EXECUTE FUNCTION bom_history.record_truncate()"},
};
inline constexpr QLatin1StringView CreateBomDetailHistoryTriggers[]{
    QLatin1StringView{"DROP TRIGGER IF EXISTS bom_history_record ON bomdetail"},
    QLatin1StringView{"DROP TRIGGER IF EXISTS bom_history_truncate ON bomdetail"},
    QLatin1StringView{"CREATE TRIGGER bom_history_record AFTER INSERT OR UPDATE OR DELETE"
                      " ON bomdetail FOR EACH ROW EXECUTE FUNCTION bom_history.record()"},
    QLatin1StringView{"CREATE TRIGGER bom_history_truncate BEFORE TRUNCATE ON bomdetail"
                      " FOR EACH STATEMENT EXECUTE FUNCTION bom_history.record_truncate()"},
};
/// The moment from which the history accounts for every change: the end of the transaction
/// that made the triggers, whose locks kept every writer out until then.
inline constexpr QLatin1StringView InsertKeptSince{
    "INSERT INTO bom_history.kept (since) VALUES (clock_timestamp())"
    " ON CONFLICT (one) DO UPDATE SET since = excluded.since"};

/// The functions' drop takes the triggers with them.
inline constexpr QLatin1StringView DropHistory{"DROP SCHEMA IF EXISTS bom_history CASCADE"};

/// Sets what the next rows of a write transaction record of their writer; harmless where the
/// history is not kept. The store's structure lock (LockStructure) in the same round trip.
inline constexpr QLatin1StringView MarkWriter{
    "SELECT set_config('bom.person', coalesce(?::text, ''), true),"
    " set_config('bom.host', coalesce(?::text, ''), true),"
    " set_config('bom.command', coalesce(?::text, ''), true),"
    " set_config('bom.reason', coalesce(?::text, ''), true),"
    " set_config('bom.source', coalesce(?::text, ''), true)"};
inline constexpr QLatin1StringView MarkWriterAndLock{
    "SELECT set_config('bom.person', coalesce(?::text, ''), true),"
    " set_config('bom.host', coalesce(?::text, ''), true),"
    " set_config('bom.command', coalesce(?::text, ''), true),"
    " set_config('bom.reason', coalesce(?::text, ''), true),"
    " set_config('bom.source', coalesce(?::text, ''), true),"
    " pg_advisory_xact_lock(1112493361)"};

inline constexpr QLatin1StringView SelectHistoryPresent{
    "SELECT to_regclass('bom_history.change') IS NOT NULL"};
inline constexpr QLatin1StringView SelectKeptSince{
    "SELECT date_trunc('milliseconds', since) FROM bom_history.kept"};
inline constexpr QLatin1StringView CountChanges{"SELECT count(*) FROM bom_history.change"};
/// The changes before a moment ($1), how many; and the oldest piece of them forgotten, with
/// the time of its newest, and the kept start moved past it.
inline constexpr QLatin1StringView CountChangesBefore{
    "SELECT count(*) FROM bom_history.change WHERE statement_time < $1::timestamptz"};
inline constexpr QLatin1StringView ForgetOldest{
    "WITH gone AS (DELETE FROM bom_history.change WHERE id IN (SELECT id FROM"
    " bom_history.change WHERE statement_time < $1::timestamptz ORDER BY id LIMIT 5000)"
    " RETURNING statement_time)"
    " SELECT count(*), to_char(max(statement_time) AT TIME ZONE 'UTC',"
    " 'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"') FROM gone"};
inline constexpr QLatin1StringView MoveKeptSince{
    "UPDATE bom_history.kept SET since = greatest(since, $1::timestamptz)"};

/// Moments are given to the millisecond, and the server's times read so (cut, not rounded):
/// a change within the millisecond of a moment counts as made by then.

/// The changes, newest change set first, then by key. Parameters in order: this process's
/// application_name (for the source), then the filters, each Null when not asked for: folded
/// assemblies (text[], as keyArray folds them), a component, an item, since, until, a person, a source letter,
/// and the limit. Each row carries the descriptions of its items as of its change: the item's
/// newest change at or before it, else its first change after it, else today's row.
inline constexpr QLatin1StringView SelectChanges{
    "WITH picked AS ("
    " SELECT c.*, coalesce(c.person, c.db_user) AS who,"
    "  CASE WHEN c.application = $1 THEN 'T' WHEN c.source = 'restore' THEN 'R'"
    "  WHEN c.application LIKE 'fabrilux-bom-editor/%' THEN 'E' ELSE 'P' END AS origin"
    " FROM bom_history.change AS c"
    " WHERE ($2::text[] IS NULL OR (c.table_name = 'bomdetail'"
    "  AND lower(c.row_key COLLATE \"C\") = ANY($2::text[])))"
    " AND ($3::text IS NULL"
    "  OR lower(c.row_component COLLATE \"C\") = lower($3::text COLLATE \"C\"))"
    " AND ($4::text IS NULL OR lower(c.row_key COLLATE \"C\") = lower($4::text COLLATE \"C\")"
    "  OR lower(c.row_component COLLATE \"C\") = lower($4::text COLLATE \"C\"))"
    " AND ($5::timestamptz IS NULL OR c.statement_time >= $5::timestamptz)"
    " AND ($6::timestamptz IS NULL"
    "  OR c.statement_time < $6::timestamptz + interval '1 millisecond')"
    " AND ($10::bigint IS NULL OR c.txid = $10::bigint)),"
    " chosen AS (SELECT *, max(id) OVER (PARTITION BY txid) AS last_id FROM picked"
    "  WHERE ($7::text IS NULL OR who = $7::text) AND ($8::text IS NULL OR origin = $8::text)"
    "  ORDER BY last_id DESC, lower(row_key COLLATE \"C\"), lower(row_component COLLATE \"C\"), id"
    "  LIMIT $9)"
    " SELECT c.txid, date_trunc('milliseconds', c.statement_time), c.who, coalesce(c.host, host(c.client_addr)), c.origin,"
    "  c.application, c.command, c.reason, c.table_name, c.row_key, c.row_component,"
    "  c.old_row::text, c.new_row::text, k.facts ->> 'itemdesc', m.facts ->> 'itemdesc',"
    "  k.facts IS NOT NULL, m.facts IS NOT NULL"
    " FROM chosen AS c"
    " LEFT JOIN LATERAL (SELECT coalesce("
    "  (SELECT h.new_row FROM bom_history.change AS h"
    "   WHERE lower(h.row_key COLLATE \"C\") = lower(c.row_key COLLATE \"C\")"
    "   AND lower(h.row_component COLLATE \"C\") IS NULL AND h.table_name = 'itemmaster'"
    "   AND h.id <= c.last_id ORDER BY h.id DESC LIMIT 1),"
    "  (SELECT h.old_row FROM bom_history.change AS h"
    "   WHERE lower(h.row_key COLLATE \"C\") = lower(c.row_key COLLATE \"C\")"
    "   AND lower(h.row_component COLLATE \"C\") IS NULL AND h.table_name = 'itemmaster'"
    "   AND h.id > c.last_id ORDER BY h.id LIMIT 1),"
    "  (SELECT to_jsonb(i) FROM itemmaster AS i"
    "   WHERE lower(i.itemid COLLATE \"C\") = lower(c.row_key COLLATE \"C\") LIMIT 1)) AS facts)"
    "  AS k ON true"
    " LEFT JOIN LATERAL (SELECT coalesce("
    "  (SELECT h.new_row FROM bom_history.change AS h"
    "   WHERE lower(h.row_key COLLATE \"C\") = lower(c.row_component COLLATE \"C\")"
    "   AND lower(h.row_component COLLATE \"C\") IS NULL AND h.table_name = 'itemmaster'"
    "   AND h.id <= c.last_id ORDER BY h.id DESC LIMIT 1),"
    "  (SELECT h.old_row FROM bom_history.change AS h"
    "   WHERE lower(h.row_key COLLATE \"C\") = lower(c.row_component COLLATE \"C\")"
    "   AND lower(h.row_component COLLATE \"C\") IS NULL AND h.table_name = 'itemmaster'"
    "   AND h.id > c.last_id ORDER BY h.id LIMIT 1),"
    "  (SELECT to_jsonb(i) FROM itemmaster AS i"
    "   WHERE lower(i.itemid COLLATE \"C\") = lower(c.row_component COLLATE \"C\") LIMIT 1))"
    "  AS facts) AS m ON c.row_component IS NOT NULL"
    " ORDER BY c.last_id DESC, lower(c.row_key COLLATE \"C\"), lower(c.row_component COLLATE \"C\"),"
    "  c.id"};

/// Every line reachable from an item ($2) as it stood at a moment ($1), with its component's
/// facts of then, as SelectReachableLines gives today's: today's rows, where a key changed
/// after the moment the old row of its first change after it (none where that change added
/// it). One statement: the tables of then are built once and walked as today's are.
inline constexpr QLatin1StringView SelectReachableLinesAsOf{
    "WITH RECURSIVE"
    " later AS (SELECT DISTINCT ON (table_name, lower(row_key COLLATE \"C\"),"
    "  lower(row_component COLLATE \"C\")) table_name, lower(row_key COLLATE \"C\") AS k,"
    "  lower(row_component COLLATE \"C\") AS c, old_row"
    "  FROM bom_history.change WHERE statement_time >= $1::timestamptz + interval '1 millisecond'"
    "  ORDER BY table_name, lower(row_key COLLATE \"C\"), lower(row_component COLLATE \"C\"), id),"
    " lines AS (SELECT d.bomid, d.bomcomp, d.bomqtyreq::text AS qty, d.startdate FROM bomdetail AS d"
    "  WHERE NOT EXISTS (SELECT 1 FROM later AS l WHERE l.table_name = 'bomdetail'"
    "   AND l.k = lower(d.bomid COLLATE \"C\") AND l.c = lower(d.bomcomp COLLATE \"C\"))"
    "  UNION ALL SELECT old_row ->> 'bomid', old_row ->> 'bomcomp', old_row ->> 'bomqtyreq',"
    "  old_row ->> 'startdate'"
    "  FROM later WHERE table_name = 'bomdetail' AND old_row IS NOT NULL),"
    " reached(id) AS ("
    "  SELECT lower($2::text COLLATE \"C\")"
    "  UNION SELECT lower(l.bomcomp COLLATE \"C\") FROM lines AS l JOIN reached"
    "  ON lower(l.bomid COLLATE \"C\") = reached.id),"
    " items AS (SELECT lower(i.itemid COLLATE \"C\") AS id, i.itemuom, i.itemdesc"
    "  FROM itemmaster AS i WHERE NOT EXISTS (SELECT 1 FROM later AS l"
    "   WHERE l.table_name = 'itemmaster' AND l.k = lower(i.itemid COLLATE \"C\"))"
    "  UNION ALL SELECT lower((old_row ->> 'itemid') COLLATE \"C\"), old_row ->> 'itemuom',"
    "  old_row ->> 'itemdesc' FROM later WHERE table_name = 'itemmaster' AND old_row IS NOT NULL)"
    " SELECT l.bomid, l.bomcomp, l.qty, f.itemuom, f.itemdesc, f.id IS NOT NULL, l.startdate"
    " FROM lines AS l LEFT JOIN items AS f ON f.id = lower(l.bomcomp COLLATE \"C\")"
    " WHERE lower(l.bomid COLLATE \"C\") IN (SELECT id FROM reached)"
    " ORDER BY lower(l.bomid COLLATE \"C\"), lower(l.bomcomp COLLATE \"C\")"};

} // namespace store::pgschema
