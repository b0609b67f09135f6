#include "store/postgres/PgSession.h"

#include "store/PasswordCache.h"
#include "store/ServerAddress.h"
#include "store/postgres/PgLibpq.h"
#include "store/postgres/PgOwnSessions.h"
#include "store/postgres/PgSql.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QElapsedTimer>
#include <QLocale>
#include <QStringList>
#include <QTime>

#include <libpq-fe.h>

#include <poll.h>

#include <atomic>
#include <cmath>

using namespace Qt::StringLiterals;

namespace store::pg {

void ResultFree::operator()(pg_result* result) const { PQclear(result); }

namespace {

/// libpq's text as one sentence without its full stop, as describe() gives Qt's.
QString sentence(QString text) {
    text = text.simplified();
    while (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text.isEmpty() ? QCoreApplication::translate("store", "unknown database error") : text;
}

/// The text with its "?" placeholders numbered as the server's "$1", "$2"…; quoted names and
/// texts are left as they are.
QByteArray numbered(const QByteArray& sql) {
    QByteArray out;
    out.reserve(sql.size() + 16);
    int number = 0;
    char quote = 0;
    for (const char c : sql) {
        if (quote) {
            if (c == quote)
                quote = 0;
            out += c;
        } else if (c == '\'' || c == '"') {
            quote = c;
            out += c;
        } else if (c == '?') {
            out += '$' + QByteArray::number(++number);
        } else {
            out += c;
        }
    }
    return out;
}

/// PostgreSQL's type numbers (pg_type's OIDs) of the columns read as numbers.
enum : unsigned {
    BoolType = 16,
    Int8Type = 20,
    Int2Type = 21,
    Int4Type = 23,
    OidType = 26,
    Float4Type = 700,
    Float8Type = 701,
    NumericType = 1700,
};

QMetaType metaTypeOf(unsigned type) {
    switch (type) {
    case BoolType:
        return QMetaType::fromType<bool>();
    case Int8Type:
        return QMetaType::fromType<qlonglong>();
    case Int2Type:
    case Int4Type:
        return QMetaType::fromType<int>();
    case OidType:
        return QMetaType::fromType<uint>();
    case Float4Type:
    case Float8Type:
    case NumericType:
        return QMetaType::fromType<double>();
    default:
        return QMetaType::fromType<QString>();
    }
}

/// A number column's text: "NaN", "Infinity" and "-Infinity" as the server writes them.
double doubleOf(const char* text) {
    if (qstrcmp(text, "NaN") == 0)
        return std::nan("");
    if (qstrcmp(text, "Infinity") == 0)
        return HUGE_VAL;
    if (qstrcmp(text, "-Infinity") == 0)
        return -HUGE_VAL;
    return QByteArray(text).toDouble();
}

} // namespace

QString keyArray(const QStringList& ids) {
    QString literal = QStringLiteral("{");
    for (const QString& id : ids) {
        if (literal.size() > 1)
            literal += QLatin1Char(',');
        literal += QLatin1Char('"');
        for (QChar c : id) {
            if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
                literal += QLatin1Char('\\');
            const char16_t u = c.unicode();
            literal += u >= u'A' && u <= u'Z' ? QChar(char16_t(u + (u'a' - u'A'))) : c;
        }
        literal += QLatin1Char('"');
    }
    return literal + QLatin1Char('}');
}

Parameter parameterOf(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return std::nullopt;
    switch (value.typeId()) {
    case QMetaType::QString: {
        const QString text = value.toString();
        if (text.isNull())
            return std::nullopt;
        return text.toUtf8();
    }
    case QMetaType::QByteArray:
        return value.toByteArray().isNull() ? Parameter() : Parameter(value.toByteArray());
    case QMetaType::Double:
    case QMetaType::Float: {
        const double number = value.toDouble();
        if (std::isnan(number))
            return QByteArray("NaN");
        if (std::isinf(number))
            return QByteArray(number > 0 ? "Infinity" : "-Infinity");
        return QByteArray::number(number, 'g', QLocale::FloatingPointShortest);
    }
    case QMetaType::Bool:
        return QByteArray(value.toBool() ? "true" : "false");
    case QMetaType::QDate:
        return value.toDate().isNull() ? Parameter()
                                       : Parameter(value.toDate().toString(Qt::ISODate).toUtf8());
    case QMetaType::QDateTime:
        return value.toDateTime().isNull()
                   ? Parameter()
                   : Parameter(value.toDateTime().toString(Qt::ISODateWithMs).toUtf8());
    case QMetaType::QTime:
        return value.toTime().isNull()
                   ? Parameter()
                   : Parameter(value.toTime().toString(Qt::ISODateWithMs).toUtf8());
    default:
        return value.toString().toUtf8();
    }
}

Session::Session(ParsedServerAddress read) : m_address(std::move(read)) {
    const ParsedServerAddress& address = m_address;
    // Writes go to a server that can write: among several hosts the primary, unless the user
    // said otherwise. A lone standby is still read, its writes refused (readOnly).
    const bool chooseWriter = address.field(QLatin1StringView("target_session_attrs")).isEmpty() &&
                              qEnvironmentVariableIsEmpty("PGTARGETSESSIONATTRS");
    const auto connectAs = [&](const char* sessionAttributes) {
        LibpqParams params(address);
        if (sessionAttributes)
            params.add("target_session_attrs", QString::fromLatin1(sessionAttributes));
        // A server that stops answering in the middle of a reply ends the connection too,
        // unless the user set these otherwise.
        params.add("keepalives_idle", QStringLiteral("30"));
        params.add("keepalives_interval", QStringLiteral("10"));
        params.add("keepalives_count", QStringLiteral("3"));
        params.add("tcp_user_timeout", QStringLiteral("60000"));
        params.add("client_encoding", QStringLiteral("UTF8"));
        return PQconnectdbParams(params.keywords(), params.values(), 0);
    };
    QElapsedTimer opening;
    opening.start();
    m_connection = connectAs(chooseWriter ? "read-write" : nullptr);
    if (m_connection && chooseWriter && PQstatus(m_connection) != CONNECTION_OK) {
        const QString why = QString::fromUtf8(PQerrorMessage(m_connection));
        if (why.contains(QLatin1String("read-only")) || why.contains(QLatin1String("hot standby"))) {
            // Only standbys answered: the bill is browsed there.
            PQfinish(m_connection);
            m_connection = connectAs("any");
        }
    }
    if (!m_connection)
        throw cannotOpen(address.shown, QCoreApplication::translate("store", "out of memory"));
    if (PQstatus(m_connection) != CONNECTION_OK) {
        const QString why = sentence(QString::fromUtf8(PQerrorMessage(m_connection)));
        const bool needsPassword = PQconnectionNeedsPassword(m_connection);
        PQfinish(m_connection);
        m_connection = nullptr;
        // The server's SQLSTATE of a refusal is in libpq's terse message only: libpq is asked
        // once more; not after a wait for the whole connect timeout.
        Refusal refusal = needsPassword ? Refusal::PasswordNeeded : Refusal::Other;
        if (!needsPassword && opening.elapsed() < (pgschema::ConnectTimeoutSeconds - 1) * 1000)
            refusal = askWhyRefused(address);
        throwRefused(address, why, refusal);
    }
    if (qstrcmp(PQparameterStatus(m_connection, "in_hot_standby"), "on") == 0)
        m_readOnly = QCoreApplication::translate(
            "store", "this server is a read-only standby: browse, no edits");
    else if (qstrcmp(PQparameterStatus(m_connection, "default_transaction_read_only"), "on") == 0)
        m_readOnly = QCoreApplication::translate(
            "store", "this connection's transactions are read-only "
                     "(default_transaction_read_only): browse, no edits");
    // Every text is read and written as UTF-8, whatever the user's settings said.
    if (qstrcmp(pg_encoding_to_char(PQclientEncoding(m_connection)), "UTF8") != 0)
        PQsetClientEncoding(m_connection, "UTF8");
    m_pid = PQbackendPID(m_connection);
    const QByteArray pid = QByteArray::number(m_pid);
    const char* pidValue[1] = {pid.constData()};
    const Result settings(PQexecParams(m_connection, pgschema::SelectServerProcessAndSettle, 1,
                                       nullptr, pidValue, nullptr, nullptr, 0));
    const bool settled = PQresultStatus(settings.get()) == PGRES_TUPLES_OK &&
                         PQntuples(settings.get()) == 1;
    // A process other than the one the connection was made with: a pooler between.
    m_pooled = settled && QByteArray(PQgetvalue(settings.get(), 0, 0)) != pid;
    if (!settled || !tagApplicationName(m_connection)) {
        const QString why = sentence(QString::fromUtf8(PQerrorMessage(m_connection)));
        PQfinish(m_connection);
        m_connection = nullptr;
        throw cannotOpen(address.shown, why);
    }
    m_cancel = PQgetCancel(m_connection);
    // Noted before the connection writes anything: the change watcher skips this process's
    // notices as this editor's own writes.
    m_server = serverOfConnection(m_connection);
    noteOwnSession(m_server, m_pid);
}

Session::Session(const QString& uri) : Session(checkedAddress(uri)) {}

Session::~Session() {
    if (m_pid > 0)
        endOwnSession(m_server, m_pid);
    PQfreeCancel(m_cancel);
    PQfinish(m_connection);
}

void Session::cancel() {
    if (!m_cancel)
        return;
    m_cancelled = true;
    // The answer says only whether the request reached the server; the statement's own
    // failure is what the caller sees.
    char answer[256];
    PQcancel(m_cancel, answer, int(sizeof answer));
}

bool Session::lost() const { return PQstatus(m_connection) != CONNECTION_OK; }

bool Session::reusable() const {
    return !m_cancelled && PQstatus(m_connection) == CONNECTION_OK &&
           PQtransactionStatus(m_connection) == PQTRANS_IDLE &&
           PQpipelineStatus(m_connection) == PQ_PIPELINE_OFF;
}

bool Session::spokeWhileIdle() const {
    pollfd fd{PQsocket(m_connection), POLLIN, 0};
    return fd.fd < 0 || ::poll(&fd, 1, 0) != 0;
}

void Session::failWith(int number, const QString& what, const pg_result* result) const {
    QString why;
    if (result && PQresultErrorMessage(result)[0]) {
        why = QString::fromUtf8(PQresultErrorMessage(result));
        if (const char* state = PQresultErrorField(result, PG_DIAG_SQLSTATE))
            why += QStringLiteral("(%1)").arg(QString::fromLatin1(state));
    } else {
        why = QString::fromUtf8(PQerrorMessage(m_connection));
    }
    throw StoreError(number, QStringLiteral("%1: %2.").arg(what, sentence(why)));
}

QByteArray Session::preparedName(const QByteArray& sql, bool* prepared) {
    if (m_pooled) {
        // The unnamed statement, parsed anew each time: a name would not outlive the
        // transaction behind a pooler, and could meet another client's.
        *prepared = true;
        return {};
    }
    const auto found = m_prepared.constFind(sql);
    *prepared = found != m_prepared.cend();
    if (*prepared)
        return *found;
    const QByteArray name = "bom_" + QByteArray::number(++m_preparedSerial);
    m_prepared.insert(sql, name);
    return name;
}

void Session::forgetPrepared(const QString& what) {
    if (m_pooled)
        return; // nothing was prepared under a name
    execute(QLatin1StringView("DEALLOCATE ALL"), what, QueryFailed);
    m_prepared.clear();
}

Result Session::run(const Call& call, const QString& what, int failureNumber) {
    std::vector<Result> results = run(std::vector<Call>{call}, what, failureNumber);
    return std::move(results.front());
}

std::vector<Result> Session::run(const std::vector<Call>& calls, const QString& what,
                                 int failureNumber) {
    if (PQstatus(m_connection) != CONNECTION_OK || PQenterPipelineMode(m_connection) != 1)
        failWith(failureNumber, what, nullptr);
    struct Sent {
        size_t call;
        bool prepare;
    };
    std::vector<Sent> sent;
    bool sending = true;
    for (size_t at = 0; at < calls.size() && sending; ++at) {
        const Call& call = calls[at];
        bool prepared = false;
        const QByteArray name = preparedName(call.sql, &prepared);
        if (!prepared) {
            sending = PQsendPrepare(m_connection, name.constData(), numbered(call.sql).constData(),
                                    0, nullptr) == 1;
            if (!sending) {
                m_prepared.remove(call.sql);
                break;
            }
            sent.push_back({at, true});
        }
        std::vector<const char*> values;
        std::vector<int> lengths;
        for (const Parameter& parameter : call.parameters) {
            values.push_back(parameter ? parameter->constData() : nullptr);
            lengths.push_back(parameter ? int(parameter->size()) : 0);
        }
        sending = m_pooled ? PQsendQueryParams(m_connection, numbered(call.sql).constData(),
                                               int(values.size()), nullptr, values.data(),
                                               lengths.data(), nullptr, 0) == 1
                           : PQsendQueryPrepared(m_connection, name.constData(),
                                                 int(values.size()), values.data(),
                                                 lengths.data(), nullptr, 0) == 1;
        if (sending)
            sent.push_back({at, false});
    }
    sending = sending && PQpipelineSync(m_connection) == 1;
    std::vector<Result> results(calls.size());
    Result failure;
    if (sending) {
        for (const Sent& command : sent) {
            // Each command's results end with a null one; a broken connection gives no more.
            while (Result result{PQgetResult(m_connection)}) {
                const ExecStatusType status = PQresultStatus(result.get());
                if (status == PGRES_FATAL_ERROR) {
                    if (command.prepare)
                        m_prepared.remove(calls[command.call].sql);
                    if (!failure)
                        failure = std::move(result);
                } else if (!command.prepare &&
                           (status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK)) {
                    results[command.call] = std::move(result);
                } else if (command.prepare && status == PGRES_PIPELINE_ABORTED) {
                    m_prepared.remove(calls[command.call].sql);
                }
            }
            if (PQstatus(m_connection) != CONNECTION_OK)
                break;
        }
        while (PQstatus(m_connection) == CONNECTION_OK) {
            const Result result{PQgetResult(m_connection)};
            if (!result || PQresultStatus(result.get()) == PGRES_PIPELINE_SYNC)
                break;
        }
    }
    if (PQstatus(m_connection) == CONNECTION_OK)
        PQexitPipelineMode(m_connection);
    if (failure)
        failWith(failureNumber, what, failure.get());
    if (!sending || PQstatus(m_connection) != CONNECTION_OK)
        failWith(failureNumber, what, nullptr);
    for (const Sent& command : sent)
        if (!command.prepare && !results[command.call])
            failWith(failureNumber, what, nullptr);
    return results;
}

Result Session::execute(QLatin1StringView sql, const QString& what, int failureNumber) {
    Result result(PQexec(m_connection, QByteArray(sql.data(), sql.size()).constData()));
    const ExecStatusType status = PQresultStatus(result.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        failWith(failureNumber, what, result.get());
    return result;
}

SessionStatement::SessionStatement(Session& session, QLatin1StringView sql, const QString& what,
                                   int failureNumber)
    : m_session(session), m_sql(sql.data(), sql.size()), m_what(what),
      m_failureNumber(failureNumber) {}

void SessionStatement::exec() {
    Call call{m_sql, std::exchange(m_bound, {})};
    adopt(m_session.run(call, m_what, m_failureNumber));
}

void SessionStatement::adopt(Result result) {
    m_result = std::move(result);
    m_rows = m_result ? PQntuples(m_result.get()) : 0;
    m_row = -1;
}

bool SessionStatement::isNull(int column) const {
    return PQgetisnull(m_result.get(), m_row, column) == 1;
}

QString SessionStatement::string(int column) const {
    if (isNull(column))
        return {};
    return QString::fromUtf8(PQgetvalue(m_result.get(), m_row, column),
                             PQgetlength(m_result.get(), m_row, column));
}

std::optional<double> SessionStatement::number(int column) const {
    if (isNull(column))
        return std::nullopt;
    const char* text = PQgetvalue(m_result.get(), m_row, column);
    if (metaTypeOf(PQftype(m_result.get(), column)) != QMetaType::fromType<QString>())
        return doubleOf(text);
    // Text that another program left in a column of type text: a number only if it reads as one.
    bool ok = false;
    const double value = QString::fromUtf8(text).toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

QVariant SessionStatement::value(int column) const {
    const unsigned type = PQftype(m_result.get(), column);
    const QMetaType meta = metaTypeOf(type);
    if (isNull(column))
        return QVariant(meta);
    const char* text = PQgetvalue(m_result.get(), m_row, column);
    switch (meta.id()) {
    case QMetaType::Bool:
        return text[0] == 't';
    case QMetaType::LongLong:
        return QByteArray(text).toLongLong();
    case QMetaType::Int:
        return QByteArray(text).toInt();
    case QMetaType::UInt:
        return QByteArray(text).toUInt();
    case QMetaType::Double:
        return doubleOf(text);
    default:
        return string(column);
    }
}

qsizetype SessionStatement::rowsAffected() const {
    return m_result ? QByteArray(PQcmdTuples(m_result.get())).toLongLong() : -1;
}

SessionTransaction::SessionTransaction(Session& session, const QString& what, Kind kind)
    : m_session(session), m_what(what) {
    m_session.execute(kind == Kind::Snapshot ? pgschema::BeginSnapshot : pgschema::Begin, m_what,
                      kind == Kind::Snapshot ? QueryFailed : WriteFailed);
}

SessionTransaction::SessionTransaction(Session& session, const QString& what, const Call& first,
                                       Result* firstResult)
    : m_session(session), m_what(what) {
    try {
        std::vector<Result> results = m_session.run(
            {Call{QByteArray(pgschema::Begin.data(), pgschema::Begin.size()), {}}, first}, m_what,
            WriteFailed);
        if (firstResult && results.size() == 2)
            *firstResult = std::move(results[1]);
    } catch (const StoreError&) {
        // Not constructed: the destructor that would roll back does not run.
        try {
            m_session.execute(pgschema::Rollback, m_what, WriteFailed);
        } catch (const StoreError&) {
        }
        throw;
    }
}

SessionTransaction::~SessionTransaction() {
    // On a lost connection the server has rolled back already; the statement then just fails.
    if (m_open) {
        try {
            m_session.execute(pgschema::Rollback, m_what, WriteFailed);
        } catch (const StoreError&) {
        }
    }
}

void SessionTransaction::commit() {
    m_session.execute(pgschema::Commit, m_what, WriteFailed);
    m_open = false;
}

} // namespace store::pg
