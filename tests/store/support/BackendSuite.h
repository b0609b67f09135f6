#pragma once

#include "PgServer.h"
#include "StoreBackend.h"

#include <QObject>
#include <QTemporaryDir>

#include <optional>

/// The base of a suite with cases on a throw-away PostgreSQL server: the one place that starts
/// the server and skips a case cleanly where the machine has none. The server starts when the
/// first case asks for it, so that a run of the file cases alone never starts one.
class ServerSuite : public QObject {
    Q_OBJECT

protected:
    /// Whether the server runs, started by the first case that asks. Where it does not, the
    /// current case is skipped (no server binaries) or failed (binaries there, but the server
    /// did not start; see PgServer::startForTests) and false is returned: the case then returns
    /// at once, as after a QSKIP.
    bool needServer();

    PgServer m_server;

private:
    std::optional<PgServer::TestStart> m_start;
};

/// The base of a suite whose every case runs once on a new SQLite file and once on the server,
/// as the global rows "SQLite" and "PostgreSQL" of an int column "kind" (a StoreBackend::Kind);
/// a case reads its row with QFETCH_GLOBAL(int, kind) or kind(). The PostgreSQL row of each
/// case is skipped as needServer() says. A suite that also needs cases of its own on either
/// backend names their rows with backendRows().
class BackendSuite : public ServerSuite {
    Q_OBJECT

public:
    /// `fileName`: the SQLite file's name in the suite's folder.
    explicit BackendSuite(QString fileName = QStringLiteral("bom.db"));

    /// The two backends and the names of their rows, in the order the rows run.
    static const std::pair<StoreBackend::Kind, const char*> Backends[2];

protected:
    /// The backend of the current row.
    StoreBackend::Kind kind() const;
    /// The database of the current row (its tables written by StoreBackend::write).
    StoreBackend backend() const;

    QTemporaryDir m_dir;

protected Q_SLOTS:
    void initTestCase_data();
    void init();

private:
    QString m_fileName;
};
