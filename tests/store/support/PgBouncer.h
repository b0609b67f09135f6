#pragma once

#include <QString>
#include <QTemporaryDir>

class PgServer;

/// A PgBouncer of a test's own in front of `server`, in transaction pooling (each transaction
/// may go to another server process, as in the teams' setups), reachable only through a Unix
/// socket in its folder. Stopped with the object.
class PgBouncer {
public:
    PgBouncer();
    ~PgBouncer();
    PgBouncer(const PgBouncer&) = delete;
    PgBouncer& operator=(const PgBouncer&) = delete;

    /// Whether the program is installed.
    static bool installed();
    /// Starts it in front of `server`; empty on success, otherwise what failed.
    QString start(const PgServer& server);
    /// Database `database` of the server, through the pooler, as libpq's key=value pairs.
    QString address(const QString& database = QStringLiteral("postgres")) const;

private:
    QTemporaryDir m_dir;
    QString m_user;
    qint64 m_pid = 0;
};
