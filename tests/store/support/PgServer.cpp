#include "PgServer.h"

#include <QCollator>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QUrl>
#include <QUrlQuery>

#include <pwd.h>
#include <unistd.h>

namespace {

QString dataFolder(const QTemporaryDir& dir) { return dir.filePath(QStringLiteral("data")); }

} // namespace

PgServer::PgServer() = default;

PgServer::~PgServer() {
    if (m_running)
        run(QStringLiteral("pg_ctl"),
            {QStringLiteral("stop"), QStringLiteral("-D"), dataFolder(m_dir),
             QStringLiteral("-m"), QStringLiteral("immediate"), QStringLiteral("-w")},
            30000);
    // The QTemporaryDir removes the cluster.
}

QString PgServer::binaries() {
    QDir root(QStringLiteral("/usr/lib/postgresql"));
    QStringList versions = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCollator numeric;
    numeric.setNumericMode(true);
    std::sort(versions.begin(), versions.end(),
              [&](const QString& a, const QString& b) { return numeric.compare(a, b) > 0; });
    for (const QString& version : versions) {
        const QString bin = root.filePath(version + QStringLiteral("/bin"));
        if (QFile::exists(bin + QStringLiteral("/initdb")) &&
            QFile::exists(bin + QStringLiteral("/pg_ctl")))
            return bin;
    }
    return {};
}

bool PgServer::handOver(const QString& path) const {
    return !m_asPostgres ||
           chown(QFile::encodeName(path).constData(), m_owner.first, m_owner.second) == 0;
}

QString PgServer::socketFolder() const { return m_dir.filePath(QStringLiteral("socket")); }

QString PgServer::uri(const QString& database) const {
    QUrl url;
    url.setScheme(QStringLiteral("postgresql"));
    url.setHost(QString());
    url.setPath(QLatin1Char('/') + database);
    url.setUserName(m_user);
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("host"), socketFolder());
    url.setQuery(query);
    return url.toString();
}

QString PgServer::clusterFolder() const { return dataFolder(m_dir); }

QString PgServer::restart() {
    return run(QStringLiteral("pg_ctl"),
               {QStringLiteral("restart"), QStringLiteral("-w"), QStringLiteral("-m"),
                QStringLiteral("fast"), QStringLiteral("-D"), clusterFolder(), QStringLiteral("-l"),
                m_dir.filePath(QStringLiteral("server.log"))},
               60000);
}

QString PgServer::stop() {
    const QString failed = run(QStringLiteral("pg_ctl"),
                               {QStringLiteral("stop"), QStringLiteral("-D"), clusterFolder(),
                                QStringLiteral("-m"), QStringLiteral("immediate"),
                                QStringLiteral("-w")},
                               30000);
    m_running = !failed.isEmpty();
    return failed;
}

QString PgServer::reload() {
    return run(QStringLiteral("pg_ctl"),
               {QStringLiteral("reload"), QStringLiteral("-D"), clusterFolder()}, 30000);
}

QString PgServer::run(const QString& program, const QStringList& arguments, int timeoutMs) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(m_dir.path());
    QStringList command = asServerUser(m_bin + QLatin1Char('/') + program, arguments);
    process.start(command.takeFirst(), command);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return QStringLiteral("%1 did not finish: %2").arg(program, process.errorString());
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QStringLiteral("%1 failed: %2")
            .arg(program, QString::fromLocal8Bit(process.readAll()));
    return {};
}

PgServer::TestStart PgServer::startForTests() {
    if (binaries().isEmpty())
        return {QStringLiteral("PostgreSQL server binaries not found under "
                               "/usr/lib/postgresql/*/bin"),
                qEnvironmentVariableIsSet("BOM_REQUIRE_POSTGRES")};
    const QString problem = start();
    return {problem, !problem.isEmpty()};
}

QStringList PgServer::asServerUser(const QString& program, const QStringList& arguments) const {
    if (m_asPostgres)
        return QStringList{QStringLiteral("runuser"), QStringLiteral("-u"), m_user,
                           QStringLiteral("--"), program} +
               arguments;
    return QStringList{program} + arguments;
}

QString PgServer::prepare() {
    if (!m_dir.isValid())
        return QStringLiteral("no temporary folder: %1").arg(m_dir.errorString());
    // The server refuses to run as root: then it runs as the postgres user, who must own the
    // folder of the cluster.
    if (geteuid() == 0) {
        const passwd* account = getpwnam("postgres");
        if (!account)
            return QStringLiteral("running as root and there is no postgres user");
        m_owner = {account->pw_uid, account->pw_gid};
        m_asPostgres = true;
        m_user = QStringLiteral("postgres");
        if (!handOver(m_dir.path()))
            return QStringLiteral("cannot hand the temporary folder to the postgres user");
    } else {
        const passwd* account = getpwuid(geteuid());
        m_user = account ? QString::fromLocal8Bit(account->pw_name) : QStringLiteral("postgres");
    }
    return {};
}

QString PgServer::configureAndStart(const QString& cluster) {
    // The server's user must be able to write its socket there.
    if (!QDir(m_dir.path()).mkdir(QStringLiteral("socket")) || !handOver(socketFolder()))
        return QStringLiteral("cannot make the socket folder");
    QFile conf(cluster + QStringLiteral("/postgresql.conf"));
    if (!conf.open(QIODevice::Append | QIODevice::Text))
        return QStringLiteral("cannot write postgresql.conf");
    conf.write(QStringLiteral("listen_addresses = ''\n"
                              "unix_socket_directories = '%1'\n"
                              "fsync = off\n"
                              "synchronous_commit = off\n"
                              "full_page_writes = off\n")
                   .arg(socketFolder())
                   .toUtf8() +
               m_settings.toUtf8());
    conf.close();
    if (QString failed = run(QStringLiteral("pg_ctl"),
                             {QStringLiteral("start"), QStringLiteral("-w"), QStringLiteral("-D"),
                              cluster, QStringLiteral("-l"),
                              m_dir.filePath(QStringLiteral("server.log"))},
                             60000);
        !failed.isEmpty()) {
        QFile log(m_dir.filePath(QStringLiteral("server.log")));
        return log.open(QIODevice::ReadOnly) ? failed + QString::fromLocal8Bit(log.readAll())
                                             : failed;
    }
    m_running = true;
    return {};
}

QString PgServer::startWith(const std::function<QString()>& makeData) {
    QElapsedTimer timer;
    timer.start();
    m_bin = binaries();
    if (m_bin.isEmpty())
        return QStringLiteral("no server binaries under /usr/lib/postgresql");
    if (QString failed = prepare(); !failed.isEmpty())
        return failed;
    if (QString failed = makeData(); !failed.isEmpty())
        return failed;
    if (QString failed = configureAndStart(dataFolder(m_dir)); !failed.isEmpty())
        return failed;
    m_startMs = timer.elapsed();
    return {};
}

QString PgServer::start() {
    // No locale (the store names the collation it compares by) and no sync to disk: the
    // cluster lives only as long as the test.
    return startWith([this] {
        return run(QStringLiteral("initdb"),
                   {QStringLiteral("-D"), dataFolder(m_dir), QStringLiteral("-U"), m_user,
                    QStringLiteral("-A"), QStringLiteral("trust"), QStringLiteral("-E"),
                    QStringLiteral("UTF8"), QStringLiteral("--no-locale"),
                    QStringLiteral("--no-sync")},
                   60000);
    });
}

QString PgServer::startStandbyOf(const PgServer& primary) {
    // A copy of the primary as it runs, with standby.signal and the primary's address written
    // into it (-R); the copy's own settings are added after the primary's.
    return startWith([&] {
        return run(QStringLiteral("pg_basebackup"),
                   {QStringLiteral("-D"), dataFolder(m_dir), QStringLiteral("-h"),
                    primary.socketFolder(), QStringLiteral("-U"), primary.user(),
                    QStringLiteral("-R"), QStringLiteral("-X"), QStringLiteral("stream"),
                    QStringLiteral("-c"), QStringLiteral("fast"), QStringLiteral("--no-sync")},
                   60000);
    });
}
