#pragma once

#include "store/Draft.h"
#include "store/postgres/PgSession.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace store::pg {

/// Makes the drafts' tables in the history's side schema where they are missing, and lets
/// everyone who edits the database use them (drafts are shared); returns what it made. Runs
/// inside the transaction that makes the history (enableHistory).
QStringList createDraftTables(Session& session);

/// The drafts of a server, in the history's side schema, over one of the store's kept
/// connections for the operation's length. Who made, applied or discarded a draft is the
/// server's role of the session, as the server knows it. A server without the drafts' tables
/// fails with DraftsUnavailable (bom-import --enable-history makes them); other failures are
/// DraftUnreadable.
class PgDrafts : public Drafts {
public:
    explicit PgDrafts(const QString& location);
    ~PgDrafts() override;
    PgDrafts(const PgDrafts&) = delete;
    PgDrafts& operator=(const PgDrafts&) = delete;

    std::vector<DraftInfo> list() override;
    DraftInfo find(const QString& name) override;
    DraftInfo create(const QString& name, const QString& reason) override;
    std::vector<DraftLine> lines(qint64 draft) override;
    void putLines(qint64 draft, const std::vector<DraftLine>& lines) override;
    bool claim(qint64 draft) override;
    void markApplied(qint64 draft) override;
    void release(qint64 draft) override;
    void settle(qint64 draft, bool written) override;
    void discard(qint64 draft) override;
    DraftEditor hold(qint64 draft) override;
    void letGo(qint64 draft) override;

private:
    /// Runs an UPDATE of one draft's row; the rows it changed.
    qsizetype update(QLatin1StringView sql, qint64 draft, const QString& what);

    /// Locks the draft's row for the transaction under way, as a write into the draft does: a
    /// hold, a discard and a write wait for each other.
    void lockDraft(qint64 draft, const QString& what);
    /// Who else holds the draft for editing, where their hold has not lapsed.
    std::optional<DraftEditor> otherEditor(qint64 draft, const QString& what);
    /// hold() inside a transaction begun by the caller, the draft's row locked.
    DraftEditor takeHold(qint64 draft, const QString& what);

    std::unique_ptr<Session> m_session;
    /// Whether the side schema has the editors' table (one made before it had none).
    bool m_editors = false;
};

} // namespace store::pg
