#include "store/postgres/PgConnection.h"

#include "store/SessionName.h"
#include "store/SchemaCheck.h"
#include "store/SqlValues.h"
#include "store/PasswordCache.h"
#include "store/postgres/PgLibpq.h"
#include "store/postgres/PgOwnSessions.h"
#include "store/postgres/PgSql.h"
#include "store/ServerAddress.h"

#include <QElapsedTimer>
#include <QSqlDriver>
#include <QSqlError>

#include <libpq-fe.h>

#include <atomic>

using namespace Qt::StringLiterals;

namespace store::pg {

void fail(int number, const QString& what, const QSqlError& error) {
    throw StoreError(number, QStringLiteral("%1: %2.").arg(what, describe(error)));
}

namespace {

/// A value as libpq's key=value form reads it, in quotes. Qt's driver turns every ';' of its
/// options into a blank, so a value that holds one cannot reach libpq as it is.
QString quotedOption(const QString& shown, const QString& key, const QString& value) {
    if (value.contains(QLatin1Char(';')))
        throw cannotOpen(shown, QStringLiteral("the value of '%1' holds a ';', which the history's "
                                               "connection cannot pass on")
                                    .arg(key));
    QString quoted = QStringLiteral("'");
    for (QChar c : value) {
        if (c == u'\'' || c == u'\\')
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    return quoted + QLatin1Char('\'');
}

} // namespace

Connection::Connection(const QString& uri) : m_uri(uri) {
    const ParsedServerAddress address = checkedAddress(uri);
    m_uri = address.shown;
    QString host, user, database;
    int port = -1;
    QStringList options;
    // Every field the user gave, as libpq reads it (a service, certificates, several hosts…);
    // the driver's own fields where it has them.
    QStringList set;
    for (const auto& [key, value] : address.fields) {
        set.append(key);
        if (key == QLatin1String("host") && !value.contains(QLatin1Char(',')))
            host = value;
        else if (key == QLatin1String("port") && !value.contains(QLatin1Char(',')))
            port = value.toInt(); // a number from 1 to 65535: parseServerAddress checked it
        else if (key == QLatin1String("user"))
            user = value;
        else if (key == QLatin1String("dbname"))
            database = value;
        else {
            options.append(key + QLatin1Char('=') + quotedOption(m_uri, key, value));
        }
    }
    // A server that stops answering in the middle of a reply ends the connection too; where
    // the user set none of these.
    const std::pair<const char*, QString> defaults[] = {
        {"connect_timeout", QString::number(pgschema::ConnectTimeoutSeconds)},
        {"keepalives_idle", QStringLiteral("30")},
        {"keepalives_interval", QStringLiteral("10")},
        {"keepalives_count", QStringLiteral("3")},
        {"tcp_user_timeout", QStringLiteral("60000")},
        // This editor's name where the user gave none (tagApplicationName follows theirs).
        {"fallback_application_name", sessionApplicationName()},
    };
    for (const auto& [key, value] : defaults)
        if (!set.contains(QLatin1String(key)))
            options.append(QLatin1String(key) + QLatin1Char('=') + value);
    if (const std::optional<QString> passphrase = keyPassphrase(address.address))
        options.append(QStringLiteral("sslpassword=") +
                       quotedOption(m_uri, QStringLiteral("sslpassword"), *passphrase));

    static std::atomic<int> serial{0};
    m_name = QStringLiteral("bom-server-operation-%1").arg(++serial);
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
    if (!m_db.isValid()) {
        release();
        throw cannotOpen(m_uri, QStringLiteral("the PostgreSQL driver of Qt SQL (QPSQL) is not "
                                             "installed"));
    }
    m_db.setHostName(host);
    if (port > 0)
        m_db.setPort(port);
    m_db.setDatabaseName(database);
    m_db.setUserName(user);
    m_db.setConnectOptions(options.join(QLatin1Char(';')));
    // A password typed in this run; otherwise libpq looks in PGPASSWORD and ~/.pgpass itself.
    const std::optional<QString> password = serverPassword(address.address);
    if (password)
        m_db.setPassword(*password);
    QElapsedTimer opening;
    opening.start();
    if (!m_db.open()) {
        const QSqlError error = m_db.lastError();
        release();
        const QString why = describe(error);
        // Qt's driver keeps neither libpq's status nor the server's SQLSTATE of a refusal, so
        // libpq is asked itself; not after a wait for the whole connect timeout, where no
        // server answered and asking again would only double the wait.
        Refusal refusal = Refusal::Other;
        if (opening.elapsed() < (pgschema::ConnectTimeoutSeconds - 1) * 1000)
            refusal = askWhyRefused(m_uri);
        throwRefused(m_uri, why, refusal);
    }
    QSqlQuery setup(m_db);
    if (!setup.exec(pgschema::SessionSettings)) {
        const QSqlError error = setup.lastError();
        setup = QSqlQuery();
        release();
        throw cannotOpen(m_uri, describe(error));
    }
    // The server's process of this connection: a notice that it sends carries that ID, which
    // no other session can have, and the change watcher skips it as this editor's own write.
    // Noted before the connection writes anything. Qt's driver hands out its libpq connection
    // (Qt 6 names it by libpq's struct, pg_conn, not by its typedef); where it does not, the
    // server is asked.
    const QVariant handle = m_db.driver()->handle();
    PGconn* libpq = nullptr;
    if (handle.isValid() &&
        (qstrcmp(handle.typeName(), "pg_conn*") == 0 || qstrcmp(handle.typeName(), "PGconn*") == 0))
        libpq = *static_cast<PGconn* const*>(handle.constData());
    if (libpq) {
        m_pid = PQbackendPID(libpq);
        tagApplicationName(libpq);
        m_server = serverOfConnection(libpq);
    } else {
        if (setup.exec(pgschema::SelectBackendPid) && setup.next())
            m_pid = setup.value(0).toInt();
        m_server = serverOf(address.field(QLatin1StringView("host")),
                            address.field(QLatin1StringView("port")));
    }
    noteOwnSession(m_server, m_pid);
}

Connection::~Connection() { release(); }

void Connection::release() {
    if (m_pid > 0)
        endOwnSession(m_server, m_pid);
    m_pid = 0;
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

void execute(const QSqlDatabase& db, QLatin1StringView sql, const QString& what,
             int failureNumber) {
    QSqlQuery query(db);
    if (!query.exec(sql))
        fail(failureNumber, what, query.lastError());
}

PgStatement::PgStatement(const QSqlDatabase& db, QLatin1StringView sql, const QString& what,
                         int failureNumber)
    : m_query(db), m_what(what), m_failureNumber(failureNumber) {
    m_query.setForwardOnly(true);
    if (!m_query.prepare(sql))
        fail(m_failureNumber, m_what, m_query.lastError());
}

void PgStatement::exec() {
    if (!m_query.exec())
        fail(m_failureNumber, m_what, m_query.lastError());
}

bool PgStatement::next() {
    if (m_query.next())
        return true;
    // next() is false both at the end and on a read error; only the latter is a failure.
    if (m_query.lastError().isValid())
        fail(QueryFailed, m_what, m_query.lastError());
    return false;
}

PgTransaction::PgTransaction(const QSqlDatabase& db, const QString& what, Kind kind)
    : m_query(db), m_what(what) {
    if (!m_query.exec(kind == Kind::Snapshot ? pgschema::BeginSnapshot : pgschema::Begin))
        fail(kind == Kind::Snapshot ? QueryFailed : WriteFailed, m_what, m_query.lastError());
}

PgTransaction::~PgTransaction() {
    // On a lost connection the server has rolled back already; the statement then just fails.
    if (m_open)
        m_query.exec(pgschema::Rollback);
}

void PgTransaction::commit() {
    if (!m_query.exec(pgschema::Commit))
        fail(WriteFailed, m_what, m_query.lastError());
    m_open = false;
}

void checkTables(const QSqlDatabase& db, const QString& shown) {
    std::vector<TableColumn> columns;
    PgStatement query(db, pgschema::SelectColumns, QStringLiteral("Could not read the tables"));
    query.exec();
    while (query.next())
        columns.push_back({query.value(0).toString(), query.value(1).toString(),
                           query.value(2).toInt(), query.value(3).toBool()});
    checkColumns(columns, QStringLiteral("'%1'").arg(shown));
    std::vector<IndexKey> keys;
    PgStatement indexes(db, pgschema::SelectUniqueIndexKeys,
                        QStringLiteral("Could not read the tables' indexes"));
    indexes.exec();
    while (indexes.next())
        keys.push_back({indexes.value(0).toString(), indexes.value(1).toLongLong(),
                        indexes.value(2).toString(), indexes.value(3).toString()});
    checkKeyIndexes(keys, QStringLiteral("'%1'").arg(shown));
}

} // namespace store::pg
