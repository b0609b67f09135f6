#pragma once

#include <QLatin1StringView>

/// Statement texts of the server's change notices: the triggers that tell every listening
/// editor which assemblies and items a statement changed, and what the watcher asks.
///
/// One notice per statement, sent at its transaction's commit on the channel ChangeChannel:
/// {"w": writer's application_name, "a": [assemblies], "i": [items]}, each ID once under the
/// key rule; {"w": …, "all": true} where the lists would not fit the server's 8,000 bytes of
/// a notice, for a TRUNCATE, and for an import, whose transaction keeps the triggers quiet and
/// sends that one notice itself. "w" stays for whoever reads the notices; the editor knows
/// its own by the sending server process (PgOwnSessions.h), which no other session can copy.
namespace store::pgschema {

inline constexpr char ChangeChannel[] = "fabrilux_bom_changes";
inline constexpr char ListenChanges[] = "LISTEN fabrilux_bom_changes";

/// Keeps the triggers quiet for the rest of the transaction; its own notice says the rest.
inline constexpr QLatin1StringView QuietChangeTriggers{
    "SET LOCAL fabrilux.quiet_changes = on"};
inline constexpr QLatin1StringView NotifyEverythingChanged{
    "SELECT pg_notify('fabrilux_bom_changes',"
    " json_build_object('w', current_setting('application_name'), 'all', true)::text)"};

/// The triggers' function. At most 2,000 IDs are gathered per table: 2,000 of even one
/// character take more than the 7,900 bytes past which one "everything" notice goes instead.
/// A statement over more than 20,000 rows (a bulk load, a change of a whole table) says
/// "everything" without sorting out its keys at all.
inline constexpr QLatin1StringView CreateChangeFunction{
    "CREATE OR REPLACE FUNCTION fabrilux_bom_changed() RETURNS trigger LANGUAGE plpgsql AS $f$\n"
    "DECLARE\n"
    " ids jsonb := '[]';\n"
    " payload text;\n"
    " touched bigint := 0;\n"
    "BEGIN\n"
    " IF current_setting('fabrilux.quiet_changes', true) = 'on' THEN RETURN NULL; END IF;\n"
    " IF TG_OP IN ('INSERT', 'UPDATE') THEN\n"
    "  SELECT count(*) INTO touched FROM (SELECT 1 FROM new_rows LIMIT 20001) AS r;\n"
    " ELSIF TG_OP = 'DELETE' THEN\n"
    "  SELECT count(*) INTO touched FROM (SELECT 1 FROM old_rows LIMIT 20001) AS r;\n"
    " END IF;\n"
    " IF TG_OP = 'TRUNCATE' OR touched > 20000 THEN\n"
    "  payload := json_build_object('w', current_setting('application_name'), 'all', true);\n"
    " ELSE\n"
    "  IF TG_TABLE_NAME = 'bomdetail' AND TG_OP = 'INSERT' THEN\n"
    "   SELECT coalesce(jsonb_agg(id), '[]') INTO ids FROM (SELECT DISTINCT ON"
    " (lower(bomid COLLATE \"C\")) bomid AS id FROM new_rows LIMIT 2000) AS r;\n"
    "  ELSIF TG_TABLE_NAME = 'bomdetail' AND TG_OP = 'DELETE' THEN\n"
    "   SELECT coalesce(jsonb_agg(id), '[]') INTO ids FROM (SELECT DISTINCT ON"
    " (lower(bomid COLLATE \"C\")) bomid AS id FROM old_rows LIMIT 2000) AS r;\n"
    "  ELSIF TG_TABLE_NAME = 'bomdetail' THEN\n"
    "   SELECT coalesce(jsonb_agg(id), '[]') INTO ids FROM (SELECT DISTINCT ON"
    " (lower(bomid COLLATE \"C\")) bomid AS id FROM (SELECT bomid FROM new_rows"
    " UNION ALL SELECT bomid FROM old_rows) AS b LIMIT 2000) AS r;\n"
    "  ELSIF TG_OP = 'INSERT' THEN\n"
    "   SELECT coalesce(jsonb_agg(id), '[]') INTO ids FROM (SELECT DISTINCT ON"
    " (lower(itemid COLLATE \"C\")) itemid AS id FROM new_rows LIMIT 2000) AS r;\n"
    "  ELSIF TG_OP = 'DELETE' THEN\n"
    "   SELECT coalesce(jsonb_agg(id), '[]') INTO ids FROM (SELECT DISTINCT ON"
    " (lower(itemid COLLATE \"C\")) itemid AS id FROM old_rows LIMIT 2000) AS r;\n"
    "  ELSE\n"
    "   SELECT coalesce(jsonb_agg(id), '[]') INTO ids FROM (SELECT DISTINCT ON"
    " (lower(itemid COLLATE \"C\")) itemid AS id FROM (SELECT itemid FROM new_rows"
    " UNION ALL SELECT itemid FROM old_rows) AS b LIMIT 2000) AS r;\n"
    "  END IF;\n"
    "  IF jsonb_array_length(ids) = 0 THEN RETURN NULL; END IF;\n"
    "  payload := json_build_object('w', current_setting('application_name'),\n"
    "   CASE WHEN TG_TABLE_NAME = 'bomdetail' THEN 'a' ELSE 'i' END, ids);\n"
    "  IF octet_length(payload) > 7900 THEN\n"
    "   payload := json_build_object('w', current_setting('application_name'), 'all', true);\n"
    "  END IF;\n"
    " END IF;\n"
    " PERFORM pg_notify('fabrilux_bom_changes', payload);\n"
    " RETURN NULL;\n"
    "END\n"
    "$f$"};

/// The triggers on both tables, made again where they are (so running it twice leaves one of
/// each). Only on ordinary tables: a view or a foreign table carries no such trigger.
inline constexpr QLatin1StringView CreateChangeTriggers{
    "DO $d$\n"
    "DECLARE t text;\n"
    "BEGIN\n"
    " FOREACH t IN ARRAY ARRAY['itemmaster', 'bomdetail'] LOOP\n"
    "  IF EXISTS (SELECT 1 FROM pg_catalog.pg_class AS c\n"
    "   JOIN pg_catalog.pg_namespace AS n ON n.oid = c.relnamespace\n"
    "   WHERE n.nspname = current_schema() AND c.relname = t AND c.relkind = 'r') THEN\n"
    "   EXECUTE format('DROP TRIGGER IF EXISTS fabrilux_changes_insert ON %I', t);\n"
    "   EXECUTE format('DROP TRIGGER IF EXISTS fabrilux_changes_update ON %I', t);\n"
    "   EXECUTE format('DROP TRIGGER IF EXISTS fabrilux_changes_delete ON %I', t);\n"
    "   EXECUTE format('DROP TRIGGER IF EXISTS fabrilux_changes_truncate ON %I', t);\n"
    "   EXECUTE format('CREATE TRIGGER fabrilux_changes_insert AFTER INSERT ON %I'\n"
    "    ' REFERENCING NEW TABLE AS new_rows FOR EACH STATEMENT'\n"
    "    ' EXECUTE FUNCTION fabrilux_bom_changed()', t);\n"
    "   EXECUTE format('CREATE TRIGGER fabrilux_changes_update AFTER UPDATE ON %I'\n"
    "    ' REFERENCING OLD TABLE AS old_rows NEW TABLE AS new_rows FOR EACH STATEMENT'\n"
    "    ' EXECUTE FUNCTION fabrilux_bom_changed()', t);\n"
    "   EXECUTE format('CREATE TRIGGER fabrilux_changes_delete AFTER DELETE ON %I'\n"
    "    ' REFERENCING OLD TABLE AS old_rows FOR EACH STATEMENT'\n"
    "    ' EXECUTE FUNCTION fabrilux_bom_changed()', t);\n"
    "   EXECUTE format('CREATE TRIGGER fabrilux_changes_truncate AFTER TRUNCATE ON %I'\n"
    "    ' FOR EACH STATEMENT EXECUTE FUNCTION fabrilux_bom_changed()', t);\n"
    "  END IF;\n"
    " END LOOP;\n"
    "END\n"
    "$d$"};

/// How many of the eight triggers are there and enabled.
inline constexpr int ChangeTriggerCount = 8;
inline constexpr char SelectChangeTriggers[] =
    "SELECT count(*) FROM pg_catalog.pg_trigger AS t"
    " JOIN pg_catalog.pg_class AS c ON c.oid = t.tgrelid"
    " JOIN pg_catalog.pg_namespace AS n ON n.oid = c.relnamespace"
    " JOIN pg_catalog.pg_proc AS p ON p.oid = t.tgfoid"
    " WHERE n.nspname = current_schema() AND c.relname IN ('itemmaster', 'bomdetail')"
    " AND t.tgname IN ('fabrilux_changes_insert', 'fabrilux_changes_update',"
    " 'fabrilux_changes_delete', 'fabrilux_changes_truncate')"
    " AND p.proname = 'fabrilux_bom_changed' AND t.tgenabled <> 'D'";

/// Other editors on the same database: each editor process names all its connections alike,
/// so distinct names are editors. application_name is shown for every session, whoever runs it.
inline constexpr char CountOtherEditors[] =
    "SELECT count(DISTINCT application_name) FROM pg_catalog.pg_stat_activity"
    " WHERE datname = current_database() AND application_name LIKE 'fabrilux-bom-editor/%'"
    " AND application_name <> $1";

} // namespace store::pgschema
