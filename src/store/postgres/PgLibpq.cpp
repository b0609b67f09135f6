#include "store/postgres/PgLibpq.h"

#include "store/SessionName.h"
#include "store/PasswordCache.h"
#include "store/postgres/PgSql.h"
#include "store/ServerAddress.h"
#include "store/StoreError.h"

#include <QRegularExpression>

#include <libpq-fe.h>

#include <poll.h>

#include <chrono>
#include <optional>

namespace store::pg {

LibpqParams::LibpqParams(const QString& uri) {
    const ParsedServerAddress address = parseServerAddress(uri);
    for (const auto& [key, value] : address.fields)
        if (key == QLatin1String("host") || key == QLatin1String("port") ||
            key == QLatin1String("user") || key == QLatin1String("dbname") ||
            key == QLatin1String("sslmode"))
            add(key.toUtf8().constData(), value);
    if (const std::optional<QString> password = serverPassword(address.address))
        add("password", *password);
    add("application_name", sessionApplicationName());
    add("connect_timeout", QString::number(pgschema::ConnectTimeoutSeconds));
}

void LibpqParams::add(const char* keyword, const QString& value) {
    m_keywords.emplace_back(keyword);
    m_values.push_back(value.toUtf8());
}

void LibpqParams::terminate() {
    m_keywordPointers.clear();
    m_valuePointers.clear();
    for (size_t i = 0; i < m_keywords.size(); ++i) {
        m_keywordPointers.push_back(m_keywords[i].constData());
        m_valuePointers.push_back(m_values[i].constData());
    }
    m_keywordPointers.push_back(nullptr);
    m_valuePointers.push_back(nullptr);
}

const char* const* LibpqParams::keywords() {
    terminate();
    return m_keywordPointers.data();
}

const char* const* LibpqParams::values() {
    terminate();
    return m_valuePointers.data();
}

Refusal askWhyRefused(const QString& uri) {
    std::optional<LibpqParams> params;
    try {
        params.emplace(uri);
    } catch (const StoreError&) {
        return Refusal::Unknown;
    }
    PGconn* connection = PQconnectStartParams(params->keywords(), params->values(), 0);
    if (!connection)
        return Refusal::Unknown;
    // The server's error then carries its SQLSTATE, a code that no translation changes.
    PQsetErrorVerbosity(connection, PQERRORS_SQLSTATE);
    PQsetNoticeProcessor(connection, [](void*, const char*) {}, nullptr);
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::seconds(pgschema::ConnectTimeoutSeconds);
    PostgresPollingStatusType status = PGRES_POLLING_WRITING;
    while (status != PGRES_POLLING_OK && status != PGRES_POLLING_FAILED &&
           PQstatus(connection) != CONNECTION_BAD) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            break;
        pollfd fd{PQsocket(connection),
                  short(status == PGRES_POLLING_READING ? POLLIN : POLLOUT), 0};
        if (::poll(&fd, 1, int(left.count())) > 0)
            status = PQconnectPoll(connection);
    }
    Refusal refusal = Refusal::Unknown;
    if (PQstatus(connection) == CONNECTION_OK) {
        refusal = Refusal::Other;
    } else if (PQconnectionNeedsPassword(connection)) {
        refusal = Refusal::PasswordNeeded;
    } else {
        static const QRegularExpression sqlState(
            QStringLiteral(":\\s+([0-9A-Z]{5})\\s*$"), QRegularExpression::MultilineOption);
        const QRegularExpressionMatch match =
            sqlState.match(QString::fromUtf8(PQerrorMessage(connection)));
        const QString state = match.hasMatch() ? match.captured(1) : QString();
        if (state == QLatin1String("28P01") ||
            (state == QLatin1String("28000") && PQconnectionUsedPassword(connection)))
            refusal = Refusal::PasswordRefused;
        else if (!state.isEmpty() && state.contains(QRegularExpression(QStringLiteral("[0-9]"))))
            refusal = Refusal::Other;
    }
    PQfinish(connection);
    return refusal;
}

ParsedServerAddress checkedAddress(const QString& uri) {
    if (uri.isEmpty())
        throw StoreError(NoDatabaseChosen, QStringLiteral("No database has been chosen."));
    ParsedServerAddress address = parseServerAddress(uri);
    if (!address.password.isEmpty())
        throw cannotOpen(address.address,
                         QStringLiteral("the address holds a password; give it in ~/.pgpass or "
                                        "PGPASSWORD instead"));
    for (const auto& [key, value] : address.fields) {
        const bool understood =
            key == QLatin1String("host") || key == QLatin1String("port") ||
            key == QLatin1String("user") || key == QLatin1String("dbname") ||
            // Only libpq's own modes: any other text would reach its option string as it is.
            (key == QLatin1String("sslmode") &&
             QStringList{QStringLiteral("disable"), QStringLiteral("allow"),
                         QStringLiteral("prefer"), QStringLiteral("require"),
                         QStringLiteral("verify-ca"), QStringLiteral("verify-full")}
                 .contains(value));
        if (!understood)
            throw cannotOpen(address.address,
                             QStringLiteral("the parameter '%1' is not understood").arg(key));
    }
    return address;
}

StoreError cannotOpen(const QString& shown, const QString& why) {
    return StoreError(CannotOpen, QStringLiteral("Could not connect to '%1': %2.").arg(shown, why));
}

void throwRefused(const QString& uri, const QString& why, Refusal refusal) {
    if (refusal == Refusal::Unknown)
        refusal = why.contains(QLatin1String("no password supplied"))
                      ? Refusal::PasswordNeeded
                  : why.contains(QLatin1String("password authentication failed"))
                      ? Refusal::PasswordRefused
                      : Refusal::Other;
    if (refusal == Refusal::PasswordNeeded)
        throw StoreError(PasswordNeeded,
                         QStringLiteral("The server of '%1' asks for a password.").arg(uri));
    if (refusal == Refusal::PasswordRefused)
        throw StoreError(PasswordRefused,
                         QStringLiteral("The server of '%1' did not accept the password.").arg(uri));
    throw cannotOpen(uri, why);
}

} // namespace store::pg
