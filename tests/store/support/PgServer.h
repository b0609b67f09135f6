#pragma once

#include <QString>
#include <QTemporaryDir>

#include <sys/types.h>

#include <functional>
#include <utility>

/// A PostgreSQL server of a test's own: a new cluster in a temporary folder, trust
/// authentication, reachable only through a Unix socket in that folder (no TCP listener), with
/// fsync off. Started by start(), stopped and removed with the object.
class PgServer {
public:
    PgServer();
    ~PgServer();
    PgServer(const PgServer&) = delete;
    PgServer& operator=(const PgServer&) = delete;

    /// The folder of the server binaries (initdb, pg_ctl), the newest version first; empty
    /// when the machine has none.
    static QString binaries();
    /// Creates the cluster and starts the server, waiting until it takes connections. Returns
    /// an empty string on success, otherwise what failed (with the program's output).
    QString start();
    /// What a test suite's start does with the server, one rule for every suite: no server
    /// binaries on the machine skip the server cases (`problem` says so, `fatal` is false),
    /// except where BOM_REQUIRE_POSTGRES is set, as CI sets it, since CI installs them;
    /// binaries that are there but a server that does not start fail the suite.
    struct TestStart {
        QString problem; ///< empty when the server runs
        bool fatal = false;
    };
    TestStart startForTests();
    bool isRunning() const { return m_running; }
    /// How long start() took, in milliseconds.
    qint64 startMilliseconds() const { return m_startMs; }
    /// The folder that holds the server's socket.
    QString socketFolder() const;
    /// The user the cluster was created for; it may connect to any database.
    QString user() const { return m_user; }
    /// A URI of database `database` on this server, as the store opens it.
    QString uri(const QString& database = QStringLiteral("postgres")) const;
    /// The cluster's folder (postgresql.conf, pg_hba.conf).
    QString clusterFolder() const;
    /// Stops the server (ending every connection, as an administrator's restart does) and
    /// starts it again; empty on success, otherwise what failed.
    QString restart();
    /// Stops the server at once, as a crash of its machine would; empty on success.
    QString stop();
    /// Makes the server read pg_hba.conf and postgresql.conf again, keeping its connections.
    QString reload();

    /// Lines for postgresql.conf, written before start() starts the server (ssl, a TCP port).
    void addSettings(const QString& lines) { m_settings += lines; }
    /// A hot standby of `primary` (pg_basebackup -R over its socket), started with its own
    /// socket and the settings added; empty on success, otherwise what failed.
    QString startStandbyOf(const PgServer& primary);
    /// The temporary folder of this server (its cluster, socket and log are inside).
    QString folder() const { return m_dir.path(); }
    /// The command line that runs `program` as the user the server runs as.
    QStringList asServerUser(const QString& program, const QStringList& arguments) const;
    /// Gives `path` to the server's user when the server runs as another user than the test
    /// (known once prepare() or a start has run).
    bool handOver(const QString& path) const;
    /// Chooses the account the server runs as and gives it the folder; a start does it too.
    /// Empty when that worked.
    QString prepare();

private:
    /// Runs a server program as the user the server runs as; empty on success.
    QString run(const QString& program, const QStringList& arguments, int timeoutMs);

    /// Writes the socket folder and the settings into the cluster's postgresql.conf and starts
    /// the server.
    QString configureAndStart(const QString& cluster);
    /// Finds the binaries, prepares the folder, makes the cluster's data by `makeData` (empty on
    /// success) and starts the server on it, timing the whole (startMs).
    QString startWith(const std::function<QString()>& makeData);

    QTemporaryDir m_dir;
    QString m_settings;
    QString m_bin;
    QString m_user;
    bool m_asPostgres = false;
    std::pair<uid_t, gid_t> m_owner{};
    bool m_running = false;
    qint64 m_startMs = 0;
};
