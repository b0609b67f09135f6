// The drafts of a server in the history's side schema: bom_history.draft (one draft, its state
// 0 open, 1 applied, 2 discarded, and the apply that holds it now) and bom_history.draft_line
// (its lines keyed by their IDs folded under the case rule, base and draft rows exactly as
// stored; a Null assembly is no row), and bom_history.draft_editor (who has a draft open for
// editing: one editor at a time writes into it). A side schema made before the editors' table
// was added lets every editor write, as it did; bom-import --enable-history adds the table.

#include "store/postgres/PgDrafts.h"

#include "store/ItemKey.h"

#include <QCoreApplication>
#include <QTimeZone>

namespace store::pg {

namespace {

constexpr QLatin1StringView DraftTablesPresent{
    "SELECT to_regclass('bom_history.draft') IS NOT NULL,"
    " to_regclass('bom_history.draft_line') IS NOT NULL,"
    " to_regclass('bom_history.draft_editor') IS NOT NULL"};

constexpr QLatin1StringView CreateDraftTables[] = {
    QLatin1StringView{"CREATE TABLE IF NOT EXISTS bom_history.draft ("
                      " id bigserial PRIMARY KEY,"
                      " name text NOT NULL,"
                      " reason text NOT NULL DEFAULT '',"
                      " made_by text NOT NULL DEFAULT session_user,"
                      " made_at timestamptz NOT NULL DEFAULT clock_timestamp(),"
                      " state smallint NOT NULL DEFAULT 0,"
                      " closed_by text, closed_at timestamptz,"
                      " applying_by text, applying_at timestamptz)"},
    QLatin1StringView{"CREATE UNIQUE INDEX IF NOT EXISTS draft_name"
                      " ON bom_history.draft (lower(name COLLATE \"C\"))"},
    QLatin1StringView{"CREATE TABLE IF NOT EXISTS bom_history.draft_line ("
                      " draft bigint NOT NULL REFERENCES bom_history.draft (id),"
                      " assembly_key text COLLATE \"C\" NOT NULL,"
                      " component_key text COLLATE \"C\" NOT NULL,"
                      " base_assembly text, base_component text,"
                      " base_quantity double precision, base_start_date text,"
                      " draft_assembly text, draft_component text,"
                      " draft_quantity double precision, draft_start_date text,"
                      " PRIMARY KEY (draft, assembly_key, component_key))"},
    QLatin1StringView{"CREATE TABLE IF NOT EXISTS bom_history.draft_editor ("
                      " draft bigint PRIMARY KEY REFERENCES bom_history.draft (id),"
                      " editing_by text NOT NULL DEFAULT session_user,"
                      " token text NOT NULL,"
                      " held_since timestamptz NOT NULL DEFAULT clock_timestamp(),"
                      " renewed_at timestamptz NOT NULL DEFAULT clock_timestamp())"},
    // Drafts are shared by everyone who edits the database, unlike the history's own tables,
    // which only its triggers write.
    QLatin1StringView{"GRANT SELECT, INSERT, UPDATE, DELETE"
                      " ON bom_history.draft, bom_history.draft_line,"
                      " bom_history.draft_editor TO PUBLIC"},
    QLatin1StringView{"GRANT USAGE ON SEQUENCE bom_history.draft_id_seq TO PUBLIC"},
};

#define SELECT_DRAFTS                                                                              \
    "SELECT id, name, reason, made_by, (extract(epoch FROM made_at) * 1000)::bigint, state,"      \
    " closed_by, (extract(epoch FROM closed_at) * 1000)::bigint, applying_by,"                    \
    " (extract(epoch FROM applying_at) * 1000)::bigint,"                                          \
    " (SELECT count(*) FROM bom_history.draft_line l WHERE l.draft = d.id)"                       \
    " FROM bom_history.draft d"

QDateTime timeOf(const QVariant& ms) {
    if (ms.isNull())
        return {};
    return QDateTime::fromMSecsSinceEpoch(ms.toLongLong(), Qt::UTC);
}

DraftInfo draftOf(const SessionStatement& query) {
    DraftInfo info;
    info.id = query.value(0).toLongLong();
    info.name = query.value(1).toString();
    info.reason = query.value(2).toString();
    info.madeBy = query.value(3).toString();
    info.made = timeOf(query.value(4));
    info.state = DraftState(query.value(5).toInt());
    info.closedBy = query.value(6).toString();
    info.closed = timeOf(query.value(7));
    info.applyingBy = query.value(8).toString();
    info.applyingSince = timeOf(query.value(9));
    info.lines = query.value(10).toLongLong();
    return info;
}

std::optional<LineRow> rowAt(const SessionStatement& query, int column) {
    if (query.isNull(column))
        return std::nullopt;
    return LineRow{query.string(column), query.string(column + 1), query.value(column + 2),
                   query.value(column + 3)};
}

void bindRow(SessionStatement& statement, const std::optional<LineRow>& row) {
    if (!row) {
        for (int at = 0; at < 4; ++at)
            statement.bind(QVariant());
        return;
    }
    statement.bind(row->assembly).bind(row->component).bind(row->quantity).bind(row->startDate);
}

QString readWhat() {
    return QCoreApplication::translate("store", "Could not read the drafts");
}

StoreError notOpen() {
    return StoreError(DraftNotOpen, QCoreApplication::translate(
                                        "store", "The draft is applied, discarded or being "
                                                 "applied now: it takes no more changes."));
}

} // namespace

QStringList createDraftTables(Session& session) {
    const QString what = QCoreApplication::translate("store", "Could not make the drafts' tables");
    bool present = false;
    {
        SessionStatement query(session, DraftTablesPresent, what, HistoryUnreadable);
        query.exec();
        present = query.next() && query.value(0).toBool() && query.value(1).toBool() &&
                  query.value(2).toBool();
    }
    for (QLatin1StringView sql : CreateDraftTables)
        session.execute(sql, what, HistoryUnreadable);
    if (present)
        return {};
    return {QCoreApplication::translate(
        "store", "the drafts of changes (the tables draft, draft_line and draft_editor "
                 "of bom_history, which everyone who edits the database may write)")};
}

PgDrafts::PgDrafts(const QString& location) : m_session(takeSession(location)) {
    SessionStatement query(*m_session, DraftTablesPresent, readWhat(), DraftUnreadable);
    query.exec();
    if (!query.next() || !query.value(0).toBool() || !query.value(1).toBool())
        throw StoreError(DraftsUnavailable,
                         QCoreApplication::translate(
                             "store", "'%1' keeps no drafts of changes: they are kept beside "
                                      "the history of changes, which bom-import "
                                      "--enable-history makes (and with it their place).")
                             .arg(m_session->uri()));
    m_editors = query.value(2).toBool();
}

PgDrafts::~PgDrafts() {
    keepSession(std::move(m_session));
}

std::vector<DraftInfo> PgDrafts::list() {
    SessionStatement query(*m_session,
                           QLatin1StringView(SELECT_DRAFTS " ORDER BY state <> 0,"
                                                           " lower(name COLLATE \"C\")"),
                           readWhat(), DraftUnreadable);
    query.exec();
    std::vector<DraftInfo> drafts;
    while (query.next())
        drafts.push_back(draftOf(query));
    return drafts;
}

DraftInfo PgDrafts::find(const QString& name) {
    SessionStatement query(*m_session,
                           QLatin1StringView(SELECT_DRAFTS " WHERE lower(name COLLATE \"C\") ="
                                                           " lower(?::text COLLATE \"C\")"),
                           readWhat(), DraftUnreadable);
    query.bind(name).exec();
    if (!query.next())
        throw StoreError(
            DraftNotFound,
            QCoreApplication::translate("store", "There is no draft named '%1'.").arg(name));
    return draftOf(query);
}

DraftInfo PgDrafts::create(const QString& name, const QString& reason) {
    if (name.trimmed().isEmpty())
        throw StoreError(DraftNameInvalid,
                         QCoreApplication::translate("store", "A draft needs a name."));
    SessionStatement insert(
        *m_session,
        QLatin1StringView("INSERT INTO bom_history.draft (name, reason)"
                          " VALUES (?, coalesce(?, '')) ON CONFLICT DO NOTHING RETURNING id"),
        QCoreApplication::translate("store", "Could not make the draft '%1'").arg(name),
        DraftUnreadable);
    insert.bind(name).bind(reason).exec();
    if (!insert.next())
        throw StoreError(
            DraftNameTaken,
            QCoreApplication::translate("store", "A draft named '%1' exists already.").arg(name));
    return find(name);
}

std::vector<DraftLine> PgDrafts::lines(qint64 draft) {
    SessionStatement query(*m_session,
                           QLatin1StringView("SELECT base_assembly, base_component, base_quantity,"
                                             " base_start_date, draft_assembly, draft_component,"
                                             " draft_quantity, draft_start_date"
                                             " FROM bom_history.draft_line WHERE draft = ?"
                                             " ORDER BY assembly_key, component_key"),
                           readWhat(), DraftUnreadable);
    query.bind(draft).exec();
    std::vector<DraftLine> lines;
    while (query.next())
        lines.push_back({rowAt(query, 0), rowAt(query, 4)});
    return lines;
}

void PgDrafts::putLines(qint64 draft, const std::vector<DraftLine>& lines) {
    const QString what = QCoreApplication::translate("store", "Could not write into the draft");
    SessionTransaction transaction(*m_session, what);
    {
        // The draft's row locked: an apply that claims it waits for this write, or this write
        // for its claim.
        SessionStatement state(*m_session,
                               QLatin1StringView("SELECT 1 FROM bom_history.draft WHERE id = ?"
                                                 " AND state = 0 AND applying_by IS NULL"
                                                 " FOR UPDATE"),
                               what, DraftUnreadable);
        state.bind(draft).exec();
        if (!state.next())
            throw notOpen();
    }
    if (const DraftEditor editor = takeHold(draft, what); !editor.here)
        throw draftHeld(editor);
    for (const DraftLine& line : lines) {
        const QString assembly = foldKey(line.assembly());
        const QString component = foldKey(line.component());
        {
            SessionStatement remove(*m_session,
                                    QLatin1StringView("DELETE FROM bom_history.draft_line"
                                                      " WHERE draft = ? AND assembly_key = ?"
                                                      " AND component_key = ?"),
                                    what, DraftUnreadable);
            remove.bind(draft).bind(assembly).bind(component).exec();
        }
        if (sameRow(line.base, line.draft))
            continue;
        SessionStatement insert(*m_session,
                                QLatin1StringView("INSERT INTO bom_history.draft_line VALUES"
                                                  " (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                                what, DraftUnreadable);
        insert.bind(draft).bind(assembly).bind(component);
        bindRow(insert, line.base);
        bindRow(insert, line.draft);
        insert.exec();
    }
    transaction.commit();
}

std::optional<DraftEditor> PgDrafts::otherEditor(qint64 draft, const QString& what) {
    if (!m_editors)
        return std::nullopt;
    SessionStatement holder(*m_session,
                            QLatin1StringView("SELECT editing_by, token,"
                                              " (extract(epoch FROM held_since) * 1000)::bigint,"
                                              " renewed_at > clock_timestamp() - ? * interval"
                                              " '1 ms' FROM bom_history.draft_editor"
                                              " WHERE draft = ?"),
                            what, DraftUnreadable);
    holder.bind(DraftHoldMs).bind(draft).exec();
    if (holder.next() && holder.string(1) != draftHolderToken() && holder.value(3).toBool())
        return DraftEditor{holder.string(0), timeOf(holder.value(2)), false};
    return std::nullopt;
}

DraftEditor PgDrafts::takeHold(qint64 draft, const QString& what) {
    if (!m_editors)
        return {{}, {}, true};
    if (std::optional<DraftEditor> other = otherEditor(draft, what))
        return *other;
    const QString token = draftHolderToken();
    SessionStatement take(*m_session,
                          QLatin1StringView("INSERT INTO bom_history.draft_editor AS e"
                                            " (draft, token) VALUES (?, ?)"
                                            " ON CONFLICT (draft) DO UPDATE SET"
                                            " editing_by = session_user, token = excluded.token,"
                                            " renewed_at = clock_timestamp(),"
                                            " held_since = CASE WHEN e.token = excluded.token"
                                            " THEN e.held_since ELSE clock_timestamp() END"
                                            " RETURNING editing_by,"
                                            " (extract(epoch FROM held_since) * 1000)::bigint"),
                          what, DraftUnreadable);
    take.bind(draft).bind(token).exec();
    take.next();
    return {take.string(0), timeOf(take.value(1)), true};
}

void PgDrafts::lockDraft(qint64 draft, const QString& what) {
    SessionStatement lock(*m_session,
                          QLatin1StringView("SELECT 1 FROM bom_history.draft WHERE id = ?"
                                            " FOR UPDATE"),
                          what, DraftUnreadable);
    lock.bind(draft).exec();
}

DraftEditor PgDrafts::hold(qint64 draft) {
    const QString what =
        QCoreApplication::translate("store", "Could not open the draft for editing");
    SessionTransaction transaction(*m_session, what);
    // Two editors taking it at once take it one after the other.
    lockDraft(draft, what);
    const DraftEditor editor = takeHold(draft, what);
    transaction.commit();
    return editor;
}

void PgDrafts::letGo(qint64 draft) {
    if (!m_editors)
        return;
    SessionStatement drop(
        *m_session,
        QLatin1StringView("DELETE FROM bom_history.draft_editor"
                          " WHERE draft = ? AND token = ?"),
        QCoreApplication::translate("store", "Could not close the draft for editing"),
        DraftUnreadable);
    drop.bind(draft).bind(draftHolderToken()).exec();
}

qsizetype PgDrafts::update(QLatin1StringView sql, qint64 draft, const QString& what) {
    SessionStatement statement(*m_session, sql, what, DraftUnreadable);
    statement.bind(draft).exec();
    return statement.rowsAffected();
}

bool PgDrafts::claim(qint64 draft) {
    return update(QLatin1StringView("UPDATE bom_history.draft SET applying_by = session_user,"
                                    " applying_at = clock_timestamp()"
                                    " WHERE id = ? AND state = 0 AND applying_by IS NULL"),
                  draft,
                  QCoreApplication::translate("store", "Could not take the draft for its apply")) ==
           1;
}

void PgDrafts::markApplied(qint64 draft) {
    update(QLatin1StringView("UPDATE bom_history.draft SET state = 1, closed_by = applying_by,"
                             " closed_at = clock_timestamp(), applying_by = NULL,"
                             " applying_at = NULL"
                             " WHERE id = ? AND state = 0 AND applying_by = session_user"),
           draft, QCoreApplication::translate("store", "Could not mark the draft applied"));
}

void PgDrafts::release(qint64 draft) {
    update(QLatin1StringView("UPDATE bom_history.draft SET applying_by = NULL,"
                             " applying_at = NULL WHERE id = ? AND applying_by = session_user"),
           draft, QCoreApplication::translate("store", "Could not give the draft back"));
}

void PgDrafts::settle(qint64 draft, bool written) {
    const QString what =
        QCoreApplication::translate("store", "Could not settle the draft's last apply");
    SessionStatement statement(
        *m_session,
        written ? QLatin1StringView("UPDATE bom_history.draft SET state = 1,"
                                    " closed_by = applying_by, closed_at = applying_at,"
                                    " applying_by = NULL, applying_at = NULL WHERE id = ?"
                                    " AND applying_at < clock_timestamp() - ? * interval '1 ms'")
                : QLatin1StringView("UPDATE bom_history.draft SET applying_by = NULL,"
                                    " applying_at = NULL WHERE id = ?"
                                    " AND applying_at < clock_timestamp() - ? * interval '1 ms'"),
        what, DraftUnreadable);
    statement.bind(draft).bind(ApplyInFlightMs).exec();
}

void PgDrafts::discard(qint64 draft) {
    const QString what = QCoreApplication::translate("store", "Could not discard the draft");
    SessionTransaction transaction(*m_session, what);
    lockDraft(draft, what);
    // Not from under the editor who has it open: their next edit would meet it gone.
    if (const std::optional<DraftEditor> other = otherEditor(draft, what))
        throw draftHeld(*other);
    if (update(QLatin1StringView("UPDATE bom_history.draft SET state = 2,"
                                 " closed_by = session_user, closed_at = clock_timestamp()"
                                 " WHERE id = ? AND state = 0 AND applying_by IS NULL"),
               draft, what) != 1)
        throw StoreError(DraftNotOpen, QCoreApplication::translate(
                                           "store", "The draft is applied, discarded or being "
                                                    "applied now: it cannot be discarded."));
    transaction.commit();
}

} // namespace store::pg
