#include "PgBouncer.h"

#include "PgServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <signal.h>

namespace {

constexpr int Port = 6432; // names the socket in the pooler's own folder only

} // namespace

PgBouncer::PgBouncer() = default;

PgBouncer::~PgBouncer() {
    if (m_pid > 0)
        ::kill(pid_t(m_pid), SIGTERM);
}

bool PgBouncer::installed() {
    return !QStandardPaths::findExecutable(QStringLiteral("pgbouncer"),
                                           {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")})
                .isEmpty();
}

QString PgBouncer::address(const QString& database) const {
    return QStringLiteral("host=%1 port=%2 dbname=%3 user=%4")
        .arg(m_dir.path())
        .arg(Port)
        .arg(database, m_user);
}

QString PgBouncer::start(const PgServer& server) {
    if (!installed())
        return QStringLiteral("pgbouncer is not installed");
    if (!m_dir.isValid() || !server.handOver(m_dir.path()))
        return QStringLiteral("no folder for pgbouncer");
    m_user = server.user();
    QFile users(m_dir.filePath(QStringLiteral("users.txt")));
    QFile ini(m_dir.filePath(QStringLiteral("pgbouncer.ini")));
    if (!users.open(QIODevice::WriteOnly) || !ini.open(QIODevice::WriteOnly))
        return QStringLiteral("cannot write pgbouncer's files");
    users.write(QStringLiteral("\"%1\" \"\"\n").arg(m_user).toUtf8());
    ini.write(QStringLiteral("[databases]\n"
                             "* = host=%1 port=5432\n"
                             "[pgbouncer]\n"
                             "listen_addr =\n"
                             "listen_port = %2\n"
                             "unix_socket_dir = %3\n"
                             "auth_type = trust\n"
                             "auth_file = %3/users.txt\n"
                             "pool_mode = transaction\n"
                             "default_pool_size = 4\n"
                             "min_pool_size = 2\n"
                             "pidfile = %3/pgbouncer.pid\n"
                             "logfile = %3/pgbouncer.log\n")
                  .arg(server.socketFolder())
                  .arg(Port)
                  .arg(m_dir.path())
                  .toUtf8());
    users.close();
    ini.close();
    QStringList command = server.asServerUser(
        QStringLiteral("pgbouncer"), {QStringLiteral("-d"), ini.fileName()});
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(command.takeFirst(), command);
    if (!process.waitForFinished(20000) || process.exitCode() != 0)
        return QStringLiteral("pgbouncer did not start: %1")
            .arg(QString::fromLocal8Bit(process.readAll()));
    QElapsedTimer waited;
    waited.start();
    const QString socket = m_dir.filePath(QStringLiteral(".s.PGSQL.%1").arg(Port));
    QFile pidFile(m_dir.filePath(QStringLiteral("pgbouncer.pid")));
    while (waited.elapsed() < 10000) {
        if (QFile::exists(socket) && pidFile.open(QIODevice::ReadOnly)) {
            m_pid = pidFile.readAll().trimmed().toLongLong();
            return {};
        }
        QThread::msleep(20);
    }
    QFile log(m_dir.filePath(QStringLiteral("pgbouncer.log")));
    log.open(QIODevice::ReadOnly);
    return QStringLiteral("pgbouncer did not listen: %1").arg(QString::fromLocal8Bit(log.readAll()));
}
