#pragma once

#include "store/History.h"
#include "store/postgres/PgSession.h"
#include "store/postgres/PgHistoryWatch.h"

#include <QString>
#include <QStringList>

namespace store::pg {

/// Makes the server at `location` keep the history of every change to the two shared tables,
/// by anyone: the side schema bom_history and its triggers on each table (PgHistorySql.h), in
/// one transaction. Returns what it created, empty when everything was there already (a table
/// that lost its triggers gets them back, and the history is kept from then). The tables must be
/// there as the editor needs them (checkTables' errors). A user without the rights it takes fails
/// with HistoryNoRight, whose text names the right; any other failure is HistoryUnreadable.
/// `location` is a server's address (pg::Session's errors).
QStringList enableHistory(const QString& location);

/// Stops keeping the history at `location` and removes it: the triggers and the whole schema,
/// in one transaction; nothing to remove is no failure. Failures are HistoryUnreadable.
void disableHistory(const QString& location);

/// A server's history, read over a connection of its own for one operation. Every read is one
/// REPEATABLE READ transaction, one state of the history and of the tables, in one or two
/// statements. A change set is one writer's transaction; this editor's own are known by their
/// transaction ids (PgOwnChanges.h), and only those are "this editor" or, as the editor marked
/// them, a restore; any other is another program's, its person the session's role, and what
/// the session said of itself kept in ChangeRecord::claimedBy.
class PgHistoryLog : public HistoryLog {
public:
    /// Connects as PgStore does (its errors); a server without the history schema fails with
    /// HistoryNotKept, one whose history an earlier editor made with HistoryUnreadable.
    explicit PgHistoryLog(const QString& location);
    /// Keeps its connection for the next operation on the server (keepSession).
    ~PgHistoryLog() override;
    PgHistoryLog(const PgHistoryLog&) = delete;
    PgHistoryLog& operator=(const PgHistoryLog&) = delete;

    std::vector<ChangeRecord> changes(const HistoryQuery& query) override;
    /// One statement that builds the tables as they stood and walks them from `item`.
    LinesAsOf linesAsOf(const QString& item, const QDateTime& moment) override;
    qint64 changeCount() override;
    QDateTime keptSince() override;
    qint64 forgetBefore(const QDateTime& moment, const ReadProgress& progress) override;

private:
    QDateTime readKeptSince();
    /// The newest gap in the record that "as of" `moment` would cross.
    std::optional<HistoryTriggers> gapAfter(const QDateTime& moment);

    /// One of the store's kept connections, taken for the log's life (PgSession.h).
    std::unique_ptr<Session> m_session;
};

} // namespace store::pg
