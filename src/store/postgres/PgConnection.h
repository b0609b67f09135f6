#pragma once

// The PostgreSQL store's connection and statement helpers: numbered errors at the place of
// failure, as SqlSupport.h gives them for SQLite. Used by the files of src/store only.

#include "store/Statement.h"
#include "store/postgres/PgSession.h"
#include "store/StoreError.h"

#include <QLatin1StringView>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace store::pg {

/// One connection to a PostgreSQL server, opened from a URI of the form
/// postgresql://[user@][host][:port][/database][?host=socket-folder&port=N&sslmode=MODE].
/// A host that starts with "/" (or the host parameter) names the folder of a Unix socket.
/// A password is never taken from the URI: libpq finds it where it usually does (PGPASSWORD,
/// ~/.pgpass), so the URI can be remembered as it is. The connection waits at most
/// ConnectTimeoutSeconds to be made and each statement at most the statement timeout. Throws
/// StoreError: NoDatabaseChosen for an empty URI, CannotOpen for any other failure.
class Connection {
public:
    explicit Connection(const QString& uri);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    const QSqlDatabase& db() const { return m_db; }
    /// The URI without a password, for messages.
    const QString& uri() const { return m_uri; }

private:
    void release();

    QString m_uri;
    QString m_name;
    QSqlDatabase m_db;
    /// The server (PgOwnSessions.h) and its process of this connection; 0 before it is made.
    QString m_server;
    int m_pid = 0;
};

[[noreturn]] void fail(int number, const QString& what, const QSqlError& error);

/// Runs a statement without parameters as it is, not prepared: the server prepares no DDL
/// and no transaction control. Fails with `failureNumber`.
void execute(const QSqlDatabase& db, QLatin1StringView sql, const QString& what,
             int failureNumber);

/// A statement prepared on the connection; failures become numbered errors: `failureNumber`
/// for the statement itself (a write's WriteFailed even when the server is gone before it is
/// prepared), QueryFailed for reading its rows.
class PgStatement : public store::Statement {
public:
    PgStatement(const QSqlDatabase& db, QLatin1StringView sql, const QString& what,
                int failureNumber = QueryFailed);
    PgStatement& bind(const QVariant& value) override {
        m_query.addBindValue(value);
        return *this;
    }
    void exec() override;
    bool next() override;
    QVariant value(int column) const override { return m_query.value(column); }
    qsizetype rowsAffected() const override { return m_query.numRowsAffected(); }

private:
    QSqlQuery m_query;
    QString m_what;
    int m_failureNumber;
};

/// A transaction on the connection, rolled back unless committed. A write transaction is READ
/// COMMITTED: each statement sees what was committed before it began, so a statement after a
/// lock sees the writes of whoever held the lock before. A snapshot reads only, and all its
/// statements see the one state of the tables that its first one saw.
class PgTransaction : public store::Transaction {
public:
    enum class Kind { Write, Snapshot };
    PgTransaction(const QSqlDatabase& db, const QString& what, Kind kind = Kind::Write);
    ~PgTransaction() override;
    void commit() override;

private:
    QSqlQuery m_query;
    QString m_what;
    bool m_open = true;
};

/// Throws StoreError unless the database holds ItemMaster and BomDetail with the columns and
/// primary keys the editor relies on (SchemaCheck.h) and the unique indexes under the key rule
/// (MissingKeyIndex). `shown` names the server in messages. Every open and every import
/// writer checks this way.
void checkTables(const QSqlDatabase& db, const QString& shown);

} // namespace store::pg
