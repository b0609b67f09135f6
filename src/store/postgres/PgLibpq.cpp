#include "store/postgres/PgLibpq.h"

#include "store/SessionName.h"
#include "store/PasswordCache.h"
#include "store/postgres/PgOwnSessions.h"
#include "store/postgres/PgSql.h"
#include "store/ServerAddress.h"
#include "store/StoreError.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <libpq-fe.h>

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>

namespace store::pg {

LibpqParams::LibpqParams(const ParsedServerAddress& address) {
    // A locked client key is opened with the passphrase given (sslpassword) or not at all:
    // without a hook of its own, libpq lets OpenSSL ask for one on the terminal, where a
    // window's user never sees it and the connection waits for good.
    static std::once_flag quietKeys;
    std::call_once(quietKeys, [] { PQsetSSLKeyPassHook_OpenSSL(PQdefaultSSLKeyPassHook_OpenSSL); });
    for (const auto& [key, value] : address.fields)
        add(key.toUtf8().constData(), value);
    if (const std::optional<QString> password = serverPassword(address))
        add("password", *password);
    if (const std::optional<QString> passphrase = keyPassphrase(address))
        add("sslpassword", *passphrase);
    add("fallback_application_name", sessionApplicationName());
    add("connect_timeout", QString::number(pgschema::ConnectTimeoutSeconds));
}

bool LibpqParams::has(const char* keyword) const {
    for (const QByteArray& kept : m_keywords)
        if (kept == keyword)
            return true;
    return false;
}

void LibpqParams::add(const char* keyword, const QString& value) {
    if (has(keyword))
        return;
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

bool tagApplicationName(PGconn* connection) {
    const QString tag = sessionApplicationName();
    const QString name = QString::fromUtf8(PQparameterStatus(connection, "application_name"));
    if (name.isEmpty() || name == tag || name.endsWith(QLatin1Char(' ') + tag))
        return true;
    // The server keeps 63 bytes: the user's name is cut, never the editor's tag, which the
    // other editors count by.
    QByteArray theirs = name.toUtf8().left(std::max<qsizetype>(0, 62 - tag.toUtf8().size()));
    while (!theirs.isEmpty() && QString::fromUtf8(theirs).contains(QChar::ReplacementCharacter))
        theirs.chop(1);
    const QByteArray tagged =
        theirs.isEmpty() ? tag.toUtf8() : QByteArray(theirs + ' ' + tag.toUtf8());
    const char* values[1] = {tagged.constData()};
    const std::unique_ptr<PGresult, void (*)(PGresult*)> result(
        PQexecParams(connection, pgschema::SetApplicationName.data(), 1, nullptr, values,
                     nullptr, nullptr, 0),
        &PQclear);
    return PQresultStatus(result.get()) == PGRES_TUPLES_OK;
}

QString serverOfConnection(PGconn* connection) {
    return serverOf(QString::fromUtf8(PQhost(connection)), QString::fromUtf8(PQport(connection)));
}

Refusal askWhyRefused(const QString& uri) {
    try {
        return askWhyRefused(parseServerAddress(uri));
    } catch (const StoreError&) {
        return Refusal::Unknown;
    }
}

Refusal askWhyRefused(const ParsedServerAddress& address) {
    std::optional<LibpqParams> params;
    params.emplace(address);
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
        throw StoreError(NoDatabaseChosen,
                         QCoreApplication::translate("store", "No database has been chosen."));
    ParsedServerAddress address = parseServerAddress(uri);
    if (address.holdsSecret)
        throw cannotOpen(address.shown,
                         QCoreApplication::translate(
                             "store", "the address holds a password; give it in ~/.pgpass or "
                                      "PGPASSWORD instead"));
    return address;
}

StoreError cannotOpen(const QString& shown, const QString& why) {
    return StoreError(
        CannotOpen,
        QCoreApplication::translate("store", "Could not connect to '%1': %2.").arg(shown, why));
}

void throwRefused(const ParsedServerAddress& address, const QString& why, Refusal refusal) {
    const QString& uri = address.shown;
    // A client key that libpq could not read: encrypted, with no passphrase or a wrong one.
    if (why.contains(QLatin1String("could not load private key file"))) {
        if (keyPassphrase(address))
            throw StoreError(KeyPassphraseRefused,
                             QCoreApplication::translate(
                                 "store", "The client key for '%1' did not open with the "
                                          "passphrase given.")
                                 .arg(uri));
        throw StoreError(KeyPassphraseNeeded,
                         QCoreApplication::translate(
                             "store", "The client key for '%1' is locked with a passphrase.")
                             .arg(uri));
    }
    if (refusal == Refusal::Unknown)
        refusal = why.contains(QLatin1String("no password supplied"))
                      ? Refusal::PasswordNeeded
                  : why.contains(QLatin1String("password authentication failed"))
                      ? Refusal::PasswordRefused
                      : Refusal::Other;
    if (refusal == Refusal::PasswordNeeded)
        throw StoreError(PasswordNeeded, QCoreApplication::translate(
                                             "store", "The server of '%1' asks for a password.")
                                             .arg(uri));
    if (refusal == Refusal::PasswordRefused)
        throw StoreError(
            PasswordRefused,
            QCoreApplication::translate("store", "The server of '%1' did not accept the password.")
                .arg(uri));
    throw cannotOpen(uri, why);
}

} // namespace store::pg
