#pragma once

#include <QLatin1StringView>

/// Statement texts of a server's history: a side schema, bom_history, that triggers on the two
/// shared tables fill in each writer's own transaction (a row trigger, and one that records a
/// TRUNCATE's rows as deleted), whoever writes (this editor,
/// another, the manufacturing application, a script). The shared tables gain no column.
///
/// bom_history.change holds one row per row written: whole rows before and after (jsonb of the
/// table's row, every column), the writer's transaction (txid: one change set), the statement's
/// time, the session's role and application_name, and what the editor's write transactions
/// say of themselves through the settings bom.person, bom.host, bom.command, bom.reason and
/// bom.source (Null where a writer set none). bom_history.change_set gives each change set its
/// place in the order of the commits and the time of its commit, taken at the commit itself
/// (a deferred constraint trigger): ids follow the order of writing, which two transactions
/// at once interleave, and a statement's time is not its commit's. An UPDATE that
/// changes a line's or an item's key (under the key rule) is kept as a delete of the old key
/// and an insert of the new one, so that every key's rows tell its whole story on their own.
///
/// A record is only as good as what writes it: only the triggers write the history's tables.
/// Their functions run with the rights of the role that made the history (SECURITY DEFINER,
/// with a search_path of their own, so that no object of the writer's can stand in for one of
/// the server's), and nobody else may insert, change or delete there, nor put the functions
/// on a table of their own. What a session says of itself (its application_name, the bom.*
/// settings) is kept as said; whose change it is, the server decides (the session's role, and
/// the editor's own transactions by the ids the server gave them, PgOwnChanges.h).
///
/// A trigger disabled, dropped or made anew leaves changes unrecorded. Each trigger's catalog
/// row changes its xmin with every such alteration and with nothing else, so the kept row
/// holds the triggers' fingerprint (trigger_state) and when it was last found unchanged; a check
/// (check_triggers, by the watch and before every "as of") that finds it otherwise records a
/// gap: from that last moment to when the triggers were found whole again. "As of" a moment
/// before a gap's end is refused with the gap named.
namespace store::pgschema {

/// Whether the schema is there, whether each table carries its triggers (enabled), the rights
/// that creating what is missing needs, and whether the schema has the parts that keep its
/// record honest (made by an earlier editor, it lacks them: HistoryUpToDate adds them).
inline constexpr QLatin1StringView SelectHistoryState{
    "SELECT to_regnamespace('bom_history') IS NOT NULL,"
    " (SELECT count(*) = 2 FROM pg_catalog.pg_trigger WHERE tgrelid = to_regclass('itemmaster')"
    "  AND tgname IN ('bom_history_record', 'bom_history_truncate') AND tgenabled IN ('O', 'A')),"
    " (SELECT count(*) = 2 FROM pg_catalog.pg_trigger WHERE tgrelid = to_regclass('bomdetail')"
    "  AND tgname IN ('bom_history_record', 'bom_history_truncate') AND tgenabled IN ('O', 'A')),"
    " has_database_privilege(current_database(), 'CREATE'),"
    // A table that is not there is no right missing: the tables' check says what is missing.
    " coalesce(has_table_privilege(to_regclass('itemmaster'), 'TRIGGER'), true),"
    " coalesce(has_table_privilege(to_regclass('bomdetail'), 'TRIGGER'), true),"
    " current_user::text, current_database()::text,"
    " coalesce(has_table_privilege(to_regclass('itemmaster'), 'SELECT'), true),"
    " coalesce(has_table_privilege(to_regclass('bomdetail'), 'SELECT'), true),"
    " to_regclass('bom_history.change_set') IS NOT NULL"};

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
};

/// What a schema made by this editor or an earlier one is brought to, every statement harmless
/// where it is done already: the triggers' fingerprint, the gaps, the functions running with
/// the rights of the role that makes the history, and the rights of everyone else.
inline constexpr QLatin1StringView HistoryUpToDate[]{
    QLatin1StringView{"ALTER TABLE bom_history.kept ADD COLUMN IF NOT EXISTS triggers jsonb"},
    QLatin1StringView{"ALTER TABLE bom_history.kept ADD COLUMN IF NOT EXISTS checked timestamptz"},
    // A time when the history's triggers were not as recorded: from the last moment they were
    // found unchanged (opened) to the moment they were found whole again (closed; Null while
    // they are not).
    QLatin1StringView{"CREATE TABLE IF NOT EXISTS bom_history.gap ("
                      " id bigserial PRIMARY KEY,"
                      " opened timestamptz NOT NULL,"
                      " closed timestamptz,"
                      " what text NOT NULL)"},
    // One row per change set: its place in the order of the commits and the server's clock
    // then, both taken at its commit (stamp_commit).
    QLatin1StringView{"CREATE SEQUENCE IF NOT EXISTS bom_history.commit_order"},
    QLatin1StringView{"CREATE TABLE IF NOT EXISTS bom_history.change_set ("
                      " txid bigint PRIMARY KEY,"
                      " commit_order bigint UNIQUE,"
                      " committed_at timestamptz)"},
    QLatin1StringView{"CREATE INDEX IF NOT EXISTS change_set_time"
                      " ON bom_history.change_set (committed_at)"},
    // The change sets of a history made by an earlier editor, in the order of their rows,
    // each at its last statement's time: the best it knew.
    QLatin1StringView{
        "INSERT INTO bom_history.change_set (txid, commit_order, committed_at)"
        " SELECT o.txid, nextval('bom_history.commit_order'), o.at FROM ("
        "  SELECT c.txid, max(c.statement_time) AS at, max(c.id) AS last"
        "  FROM bom_history.change AS c WHERE NOT EXISTS (SELECT 1 FROM bom_history.change_set"
        "  AS s WHERE s.txid = c.txid) GROUP BY c.txid ORDER BY last) AS o"},
    // The writer's change set, opened by its first row; one stamped already (its writer set
    // the constraints immediate) is stamped again after this row.
    QLatin1StringView{
        "CREATE OR REPLACE FUNCTION bom_history.open_change_set() RETURNS void LANGUAGE plpgsql"
        " SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $f$\n"
        "DECLARE\n"
        " stamped boolean;\n"
        "BEGIN\n"
        " SELECT s.commit_order IS NOT NULL INTO stamped FROM bom_history.change_set AS s\n"
        "  WHERE s.txid = txid_current();\n"
        " IF NOT FOUND THEN\n"
        "  INSERT INTO bom_history.change_set (txid) VALUES (txid_current());\n"
        " ELSIF stamped THEN\n"
        "  UPDATE bom_history.change_set SET commit_order = NULL, committed_at = NULL\n"
        "   WHERE txid = txid_current();\n"
        " END IF;\n"
        "END\n"
        "$f$"},
    // At the commit, one writer at a time from the stamp to the end of its commit (a lock of
    // the transaction's): the order taken is the order in which the commits became visible,
    // and a moment's cut by it is a state that was committed.
    QLatin1StringView{
        "CREATE OR REPLACE FUNCTION bom_history.stamp_commit() RETURNS trigger LANGUAGE plpgsql"
        " SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $f$\n"
        "BEGIN\n"
        " PERFORM pg_advisory_xact_lock(1112493362);\n"
        " UPDATE bom_history.change_set SET commit_order = nextval('bom_history.commit_order'),\n"
        "  committed_at = clock_timestamp() WHERE txid = NEW.txid AND commit_order IS NULL;\n"
        " RETURN NULL;\n"
        "END\n"
        "$f$"},
    QLatin1StringView{"DROP TRIGGER IF EXISTS stamp_commit ON bom_history.change_set"},
    QLatin1StringView{"CREATE CONSTRAINT TRIGGER stamp_commit AFTER INSERT OR UPDATE"
                      " ON bom_history.change_set DEFERRABLE INITIALLY DEFERRED FOR EACH ROW"
                      " WHEN (NEW.commit_order IS NULL)"
                      " EXECUTE FUNCTION bom_history.stamp_commit()"},
    QLatin1StringView{
        "CREATE OR REPLACE FUNCTION bom_history.record() RETURNS trigger LANGUAGE plpgsql"
        " SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $f$\n"
        "DECLARE\n"
        " o jsonb; n jsonb; ok text; oc text; nk text; nc text;\n"
        "BEGIN\n"
        " IF TG_OP <> 'INSERT' THEN o := to_jsonb(OLD); END IF;\n"
        " IF TG_OP <> 'DELETE' THEN n := to_jsonb(NEW); END IF;\n"
        " IF TG_OP = 'UPDATE' AND o = n THEN RETURN NULL; END IF;\n"
        " PERFORM bom_history.open_change_set();\n"
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
        "CREATE OR REPLACE FUNCTION bom_history.record_truncate() RETURNS trigger"
        " LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $f$\n"
        "BEGIN\n"
        " PERFORM bom_history.open_change_set();\n"
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
    // The fingerprint of the history's triggers, by table: each trigger's name, its catalog
    // row's oid and xmin, and whether it fires. Any disable, enable, drop or remake changes it.
    QLatin1StringView{
        "CREATE OR REPLACE FUNCTION bom_history.trigger_state() RETURNS jsonb LANGUAGE sql"
        " STABLE SET search_path = pg_catalog, pg_temp AS $f$\n"
        "SELECT coalesce(jsonb_object_agg(s.relname, s.triggers), '{}') FROM (\n"
        " SELECT c.relname, string_agg(t.tgname || ':' || t.oid || ':' || t.xmin || ':'\n"
        "  || t.tgenabled::text, ',' ORDER BY t.tgname) AS triggers\n"
        " FROM pg_catalog.pg_trigger AS t JOIN pg_catalog.pg_class AS c ON c.oid = t.tgrelid\n"
        " WHERE t.tgfoid IN ('bom_history.record()'::regprocedure,\n"
        "  'bom_history.record_truncate()'::regprocedure)\n"
        " GROUP BY c.relname) AS s\n"
        "$f$"},
    // Compares the fingerprint with the one recorded: unchanged, the moment is noted (at most
    // every ten seconds: one small write, whoever checks); changed, a gap is opened or closed.
    // Returns whether all four triggers fire now, and the newest gap. A standby only reads.
    QLatin1StringView{
        "CREATE OR REPLACE FUNCTION bom_history.check_triggers()"
        " RETURNS TABLE (is_whole boolean, gap_id bigint, gap_opened timestamptz,"
        " gap_closed timestamptz, gap_what text)"
        " LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $f$\n"
        "DECLARE\n"
        " writable boolean := NOT pg_is_in_recovery()\n"
        "  AND NOT current_setting('transaction_read_only')::boolean;\n"
        " state jsonb;\n"
        " k record;\n"
        " open_gap bigint;\n"
        " changed text;\n"
        "BEGIN\n"
        // The kept row locked first, the triggers read after: a check that waited for another
        // (or for --enable-history) sees the triggers as that one left them.
        " IF writable THEN\n"
        "  SELECT * INTO k FROM bom_history.kept FOR UPDATE;\n"
        " END IF;\n"
        " state := bom_history.trigger_state();\n"
        " SELECT count(*) = 4 INTO is_whole FROM pg_catalog.pg_trigger AS t\n"
        "  JOIN pg_catalog.pg_class AS c ON c.oid = t.tgrelid\n"
        "  WHERE t.tgfoid IN ('bom_history.record()'::regprocedure,\n"
        "   'bom_history.record_truncate()'::regprocedure)\n"
        "  AND t.tgenabled IN ('O', 'A') AND c.relname IN ('itemmaster', 'bomdetail')\n"
        "  AND t.tgname IN ('bom_history_record', 'bom_history_truncate');\n"
        " IF writable THEN\n"
        "  IF k.triggers IS DISTINCT FROM state THEN\n"
        "   SELECT string_agg(CASE r WHEN 'itemmaster' THEN 'ItemMaster' ELSE 'BomDetail' END,\n"
        "    ' and ' ORDER BY r) INTO changed FROM unnest(ARRAY['bomdetail', 'itemmaster']) AS r\n"
        "    WHERE (state ->> r) IS DISTINCT FROM (k.triggers ->> r);\n"
        "   SELECT g.id INTO open_gap FROM bom_history.gap AS g WHERE g.closed IS NULL\n"
        "    ORDER BY g.id DESC LIMIT 1;\n"
        "   IF open_gap IS NULL THEN\n"
        "    INSERT INTO bom_history.gap (opened, closed, what) VALUES (coalesce(k.checked,\n"
        "     k.since), CASE WHEN is_whole THEN clock_timestamp() END, coalesce(changed, ''));\n"
        "   ELSIF is_whole THEN\n"
        "    UPDATE bom_history.gap SET closed = clock_timestamp() WHERE id = open_gap;\n"
        "   END IF;\n"
        "   UPDATE bom_history.kept SET triggers = state, checked = clock_timestamp();\n"
        "  ELSIF is_whole AND (k.checked IS NULL\n"
        "   OR k.checked < clock_timestamp() - interval '10 seconds') THEN\n"
        "   UPDATE bom_history.kept SET checked = clock_timestamp();\n"
        "  END IF;\n"
        " END IF;\n"
        " SELECT g.id, g.opened, g.closed, g.what INTO gap_id, gap_opened, gap_closed, gap_what\n"
        "  FROM bom_history.gap AS g ORDER BY g.id DESC LIMIT 1;\n"
        " RETURN NEXT;\n"
        "END\n"
        "$f$"},
    // Only the triggers write the history; everyone reads it and may have it checked.
    QLatin1StringView{"REVOKE ALL ON ALL TABLES IN SCHEMA bom_history FROM PUBLIC"},
    QLatin1StringView{"REVOKE ALL ON ALL SEQUENCES IN SCHEMA bom_history FROM PUBLIC"},
    QLatin1StringView{"REVOKE ALL ON ALL FUNCTIONS IN SCHEMA bom_history FROM PUBLIC"},
    QLatin1StringView{"GRANT USAGE ON SCHEMA bom_history TO PUBLIC"},
    QLatin1StringView{"GRANT SELECT ON bom_history.change, bom_history.change_set,"
                      " bom_history.kept, bom_history.gap TO PUBLIC"},
    QLatin1StringView{"GRANT EXECUTE ON FUNCTION bom_history.check_triggers(),"
                      " bom_history.trigger_state() TO PUBLIC"},
    // A history made before the fingerprint was kept is taken as whole up to now.
    QLatin1StringView{"UPDATE bom_history.kept SET triggers = bom_history.trigger_state(),"
                      " checked = clock_timestamp() WHERE triggers IS NULL"},
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
/// that made the triggers, whose locks kept every writer out until then. The triggers'
/// fingerprint starts again from there, and a gap still open ends there.
inline constexpr QLatin1StringView InsertKeptSince[]{
    QLatin1StringView{
        "INSERT INTO bom_history.kept (since, triggers, checked)"
        " VALUES (clock_timestamp(), bom_history.trigger_state(), clock_timestamp())"
        " ON CONFLICT (one) DO UPDATE SET since = excluded.since, triggers = excluded.triggers,"
        " checked = excluded.checked"},
    QLatin1StringView{"UPDATE bom_history.gap SET closed = (SELECT since FROM bom_history.kept)"
                      " WHERE closed IS NULL"},
};

/// The fingerprint taken again, of triggers made anew in this transaction.
inline constexpr QLatin1StringView RestartTriggerState{
    "UPDATE bom_history.kept SET triggers = bom_history.trigger_state(),"
    " checked = clock_timestamp()"};

/// Whether the history can be checked (a schema of an earlier editor has no check), and the
/// check (check_triggers), in autocommit: a gap it finds is recorded whoever reads.
inline constexpr char SelectHistoryCheckable[] =
    "SELECT to_regprocedure('bom_history.check_triggers()') IS NOT NULL";
inline constexpr QLatin1StringView CheckHistoryTriggers{
    "SELECT is_whole, gap_id, to_char(gap_opened AT TIME ZONE 'UTC',"
    " 'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"'), to_char(gap_closed AT TIME ZONE 'UTC',"
    " 'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"'), gap_what FROM bom_history.check_triggers()"};

/// The functions' drop takes the triggers with them.
inline constexpr QLatin1StringView DropHistory{"DROP SCHEMA IF EXISTS bom_history CASCADE"};

/// Sets what the next rows of a write transaction record of their writer; harmless where the
/// history is not kept. Gives the transaction's id (column 5), by which the editor knows its
/// own change sets (PgOwnChanges.h). The store's structure lock (LockStructure) in the same
/// round trip.
inline constexpr QLatin1StringView MarkWriter{
    "SELECT set_config('bom.person', coalesce(?::text, ''), true),"
    " set_config('bom.host', coalesce(?::text, ''), true),"
    " set_config('bom.command', coalesce(?::text, ''), true),"
    " set_config('bom.reason', coalesce(?::text, ''), true),"
    " set_config('bom.source', coalesce(?::text, ''), true),"
    " txid_current()"};
inline constexpr QLatin1StringView MarkWriterAndLock{
    "SELECT set_config('bom.person', coalesce(?::text, ''), true),"
    " set_config('bom.host', coalesce(?::text, ''), true),"
    " set_config('bom.command', coalesce(?::text, ''), true),"
    " set_config('bom.reason', coalesce(?::text, ''), true),"
    " set_config('bom.source', coalesce(?::text, ''), true),"
    " txid_current(), pg_advisory_xact_lock(1112493361)"};
inline constexpr int MarkedTransactionColumn = 5;

/// Whether the history is there, and whether it is up to date (one made by an earlier editor
/// knows neither its commits' order nor its gaps).
inline constexpr QLatin1StringView SelectHistoryPresent{
    "SELECT to_regclass('bom_history.change') IS NOT NULL,"
    " to_regclass('bom_history.change_set') IS NOT NULL"};
/// The newest gap that ends at or after the millisecond of a moment ($1), or is still open.
inline constexpr QLatin1StringView SelectGapAfter{
    "SELECT true, id, to_char(opened AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"'),"
    " to_char(closed AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"'), what"
    " FROM bom_history.gap"
    " WHERE coalesce(closed, 'infinity') >= $1::timestamptz + interval '1 millisecond'"
    " ORDER BY id DESC LIMIT 1"};
inline constexpr QLatin1StringView SelectKeptSince{
    "SELECT to_char(since AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"')"
    " FROM bom_history.kept"};
inline constexpr QLatin1StringView CountChanges{"SELECT count(*) FROM bom_history.change"};
/// The changes before a moment ($1), how many; and the oldest piece of them forgotten, with
/// the time of its newest, and the kept start moved past it.
/// Whole change sets, by their commits: the oldest 200 a piece, how many rows and sets went.
inline constexpr QLatin1StringView CountChangesBefore{
    "SELECT count(*) FROM bom_history.change AS c JOIN bom_history.change_set AS s"
    " ON s.txid = c.txid WHERE s.committed_at < $1::timestamptz"};
inline constexpr QLatin1StringView ForgetOldest{
    "WITH sets AS (SELECT txid FROM bom_history.change_set"
    "  WHERE committed_at < $1::timestamptz ORDER BY commit_order LIMIT 200),"
    " gone AS (DELETE FROM bom_history.change AS c USING sets WHERE c.txid = sets.txid"
    "  RETURNING 1),"
    " sets_gone AS (DELETE FROM bom_history.change_set AS s USING sets WHERE s.txid = sets.txid"
    "  RETURNING s.committed_at)"
    " SELECT (SELECT count(*) FROM gone), to_char(max(committed_at) AT TIME ZONE 'UTC',"
    " 'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"'), count(*) FROM sets_gone"};
inline constexpr QLatin1StringView MoveKeptSince{
    "UPDATE bom_history.kept SET since = greatest(since, $1::timestamptz)"};

/// A change set's time is its commit's (committed_at), and "as of" cuts by the order of the
/// commits: a moment shows the change sets up to the last one committed within its
/// millisecond, and none after, so exactly what was committed by then (never a transaction
/// in part, whatever the times of its statements). Moments are given to the millisecond, and
/// the server's times read so (cut, not rounded): a change within the millisecond of a moment
/// counts as made by then.

/// The changes, newest change set first, then by key. Parameters in order: this process's own
/// change sets (bigint[], PgOwnChanges.h), then the filters, each Null when not asked for:
/// folded assemblies (text[], as keyArray folds them), a component, an item, since, until, a
/// person, a source letter, and the limit. Each row carries the descriptions of its items as of
/// its change: the item's newest change at or before it, else its first change after it, else
/// today's row.
///
/// Whose change it is, the server says: the editor's own change sets by their ids (with the
/// person, host and restore that the editor set itself), anyone else's by the session's role
/// and client address, with what it said of itself (bom.person@bom.host) kept apart as claimed:
/// a name or a setting that any session can give itself makes no change this editor's, another
/// editor's or a restore.
inline constexpr QLatin1StringView SelectChanges{
    "WITH marked AS ("
    " SELECT c.*, s.commit_order, s.committed_at, c.txid = ANY($1::bigint[]) AS own"
    " FROM bom_history.change AS c JOIN bom_history.change_set AS s ON s.txid = c.txid),"
    " picked AS ("
    " SELECT c.*, CASE WHEN c.own THEN coalesce(c.person, c.db_user) ELSE c.db_user END AS who,"
    "  CASE WHEN c.own AND c.source = 'restore' THEN 'R' WHEN c.own THEN 'T' ELSE 'P' END"
    "  AS origin,"
    "  CASE WHEN c.own THEN coalesce(c.host, host(c.client_addr)) ELSE host(c.client_addr) END"
    "  AS machine,"
    "  CASE WHEN NOT c.own THEN nullif(concat_ws('@', c.person, c.host), '') END AS claim"
    " FROM marked AS c"
    " WHERE ($2::text[] IS NULL OR (c.table_name = 'bomdetail'"
    "  AND lower(c.row_key COLLATE \"C\") = ANY($2::text[])))"
    " AND ($3::text IS NULL"
    "  OR lower(c.row_component COLLATE \"C\") = lower($3::text COLLATE \"C\"))"
    " AND ($4::text IS NULL OR lower(c.row_key COLLATE \"C\") = lower($4::text COLLATE \"C\")"
    "  OR lower(c.row_component COLLATE \"C\") = lower($4::text COLLATE \"C\"))"
    " AND ($5::timestamptz IS NULL OR c.committed_at >= $5::timestamptz)"
    " AND ($6::timestamptz IS NULL"
    "  OR c.committed_at < $6::timestamptz + interval '1 millisecond')"
    " AND ($10::bigint IS NULL OR c.txid = $10::bigint)),"
    " chosen AS (SELECT *, max(id) OVER (PARTITION BY txid) AS last_id FROM picked"
    "  WHERE ($7::text IS NULL OR who = $7::text) AND ($8::text IS NULL OR origin = $8::text)"
    "  ORDER BY commit_order DESC, lower(row_key COLLATE \"C\"),"
    "  lower(row_component COLLATE \"C\"), id LIMIT $9)"
    " SELECT c.txid, to_char(c.committed_at AT TIME ZONE 'UTC',"
    "  'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"'), c.who, c.machine, c.origin,"
    "  c.application, c.command, c.reason, c.table_name, c.row_key, c.row_component,"
    "  c.old_row::text, c.new_row::text, k.facts ->> 'itemdesc', m.facts ->> 'itemdesc',"
    "  k.facts IS NOT NULL, m.facts IS NOT NULL, c.claim, c.db_user"
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
    " ORDER BY c.commit_order DESC, lower(c.row_key COLLATE \"C\"),"
    "  lower(c.row_component COLLATE \"C\"), c.id"};

/// Every line reachable from an item ($2) as it stood at a moment ($1), with its component's
/// facts of then, as SelectReachableLines gives today's: today's rows, where a key changed
/// in a change set committed after the moment's cut, the old row of its first change after it
/// (none where that change added it). One statement: the tables of then are built once and
/// walked as today's are.
inline constexpr QLatin1StringView SelectReachableLinesAsOf{
    "WITH RECURSIVE"
    " cut AS (SELECT coalesce((SELECT commit_order FROM bom_history.change_set"
    "  WHERE committed_at < $1::timestamptz + interval '1 millisecond'"
    "  ORDER BY committed_at DESC, commit_order DESC LIMIT 1), 0) AS last),"
    " later AS (SELECT DISTINCT ON (h.table_name, lower(h.row_key COLLATE \"C\"),"
    "  lower(h.row_component COLLATE \"C\")) h.table_name, lower(h.row_key COLLATE \"C\") AS k,"
    "  lower(h.row_component COLLATE \"C\") AS c, h.old_row"
    "  FROM bom_history.change AS h JOIN bom_history.change_set AS s ON s.txid = h.txid"
    "  WHERE s.commit_order > (SELECT last FROM cut)"
    "  ORDER BY h.table_name, lower(h.row_key COLLATE \"C\"), lower(h.row_component COLLATE \"C\"),"
    "  s.commit_order, h.id),"
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
