#pragma once

#include "support/PgServer.h"

#include <QString>
#include <QTemporaryDir>

namespace bench {

/// A throw-away PostgreSQL server for the benchmark (the tests' PgServer), with the bench
/// databases copied onto it. Stopped and removed with the object.
class BenchServer {
public:
    /// Whether the machine has the server binaries at all.
    static bool available() { return !PgServer::binaries().isEmpty(); }

    /// Starts the server; an empty string on success, otherwise what failed.
    QString start();
    qint64 startMilliseconds() const { return m_server.startMilliseconds(); }
    /// The server itself, for a connection of the benchmark's own.
    const PgServer& pgServer() const { return m_server; }

    /// Creates database `name` on the server with the store's tables and indexes, copies
    /// every row of ItemMaster and BomDetail of the SQLite file at `path` into it (COPY from
    /// CSV through psql, much faster than a statement per row), analyses it as the server's
    /// autovacuum would soon after a real import, and returns its URI. Throws
    /// std::runtime_error on any failure.
    QString copyDatabase(const QString& path, const QString& name);

private:
    /// Runs psql on database `database` with `commands` (each one -c); throws on failure.
    void psql(const QString& database, const QStringList& commands);

    PgServer m_server;
    QTemporaryDir m_files;
};

} // namespace bench
