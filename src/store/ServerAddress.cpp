#include "store/ServerAddress.h"

#include "store/StoreError.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QStringList>
#include <QUrl>

#include <libpq-fe.h>

#include <algorithm>
#include <memory>

namespace store {

namespace {

StoreError badField(const QString& why) {
    return StoreError(CannotOpen,
                      QCoreApplication::translate("store", "Could not connect: %1.").arg(why));
}

bool hasUriSchemeAt(const QString& text) {
    return text.startsWith(QLatin1String("postgresql:"), Qt::CaseInsensitive) ||
           text.startsWith(QLatin1String("postgres:"), Qt::CaseInsensitive);
}

/// A port libpq would take as the editor means it: one number from 1 to 65535 (0 would mean
/// the usual port to libpq, a silent change of what was typed).
bool validPort(const QString& port) {
    if (port.isEmpty() || port.size() > 5)
        return false;
    for (QChar c : port)
        if (c < u'0' || c > u'9')
            return false;
    const int number = port.toInt();
    return number >= 1 && number <= 65535;
}

/// A host that can stand in the authority of the address as it is: a name or an IPv4 address.
/// A socket folder, an IPv6 address or a list of hosts goes into ?host= instead.
bool plainHost(const QString& host) {
    for (QChar c : host)
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'-' && c != u'.' && c != u'_')
            return false;
    return true;
}

QString encoded(const QString& text, const QByteArray& keep = {}) {
    return QString::fromLatin1(QUrl::toPercentEncoding(text, keep));
}

/// postgresql://user@host:port/database?key=value&…, every part percent-encoded, from the
/// fields given (passwords already left out).
QString rebuild(const QList<std::pair<QString, QString>>& fields) {
    QString user, host, port, database;
    QList<std::pair<QString, QString>> parameters;
    for (const auto& [key, value] : fields) {
        if (key == QLatin1String("user"))
            user = value;
        else if (key == QLatin1String("host"))
            host = value;
        else if (key == QLatin1String("port"))
            port = value;
        else if (key == QLatin1String("dbname"))
            database = value;
        else
            parameters.append({key, value});
    }
    QString address = QStringLiteral("postgresql://");
    if (!user.isEmpty())
        address += encoded(user) + QLatin1Char('@');
    if (plainHost(host)) {
        address += host;
        if (!port.isEmpty())
            address += QLatin1Char(':') + encoded(port);
    } else {
        parameters.prepend({QStringLiteral("host"), host});
        if (!port.isEmpty())
            parameters.insert(1, {QStringLiteral("port"), port});
    }
    address += QLatin1Char('/') + encoded(database);
    QChar separator = u'?';
    for (const auto& [key, value] : parameters) {
        // A socket folder reads as one: libpq takes '/' in a parameter's value as it is.
        address += separator + encoded(key) + QLatin1Char('=') + encoded(value, "/");
        separator = u'&';
    }
    return address;
}

/// A value as libpq's key=value form reads it back: quoted when empty or holding a blank, a
/// quote or a backslash.
QString conninfoValue(const QString& value) {
    bool plain = !value.isEmpty();
    for (QChar c : value)
        plain = plain && !c.isSpace() && c != u'\'' && c != u'\\';
    if (plain)
        return value;
    QString quoted = QStringLiteral("'");
    for (QChar c : value) {
        if (c == u'\'' || c == u'\\')
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    return quoted + QLatin1Char('\'');
}

/// key=value pairs of the fields given (passwords already left out), in libpq's order.
QString rebuildPairs(const QList<std::pair<QString, QString>>& fields) {
    QStringList pairs;
    for (const auto& [key, value] : fields)
        pairs.append(key + QLatin1Char('=') + conninfoValue(value));
    return pairs.join(QLatin1Char(' '));
}

using Options = std::unique_ptr<PQconninfoOption, void (*)(PQconninfoOption*)>;

/// libpq's reading of `text`; empty when it cannot read it. libpq's own message is dropped:
/// it may quote the part of the text that holds a password.
Options libpqFields(const QString& text) {
    char* error = nullptr;
    Options options(PQconninfoParse(text.toUtf8().constData(), &error), &PQconninfoFree);
    PQfreemem(error);
    return options;
}

} // namespace

bool hasServerScheme(const QString& text) { return hasUriSchemeAt(text); }

bool conninfoNamesServer(const QString& text) {
    if (!hasConninfoShape(text))
        return false;
    const Options options = libpqFields(text);
    if (!options)
        return false;
    for (const PQconninfoOption* option = options.get(); option->keyword; ++option)
        if (option->val && *option->val)
            return true;
    return false;
}

bool hasConninfoShape(const QString& text) {
    static const QRegularExpression shape(QStringLiteral("^\\s*[A-Za-z_]+\\s*="));
    return shape.match(text).hasMatch();
}

QString ParsedServerAddress::field(QLatin1StringView keyword) const {
    for (const auto& [key, value] : fields)
        if (key == keyword)
            return value;
    return {};
}

ParsedServerAddress parseServerAddress(const QString& location) {
    QString text = location.trimmed();
    // libpq knows its schemes in lower case only.
    if (hasUriSchemeAt(text)) {
        const qsizetype colon = text.indexOf(QLatin1Char(':'));
        text.replace(0, colon, text.left(colon).toLower());
    }
    const Options options = libpqFields(text);
    if (!options)
        throw badField(QCoreApplication::translate(
            "store", "the server address given cannot be read; write it as "
                     "postgresql://[user@][host][:port][/database]"
                     "[?parameter=value&…] or as libpq's key=value pairs"));
    ParsedServerAddress parsed;
    bool hadSecret = false;
    for (const PQconninfoOption* option = options.get(); option->keyword; ++option) {
        if (!option->val)
            continue;
        // Every field that libpq shows as a secret ("*"): the password, and any other it has
        // (a key's passphrase).
        if (option->dispchar && option->dispchar[0] == '*') {
            hadSecret = true;
            if (qstrcmp(option->keyword, "password") == 0)
                parsed.password = QString::fromUtf8(option->val);
            continue;
        }
        parsed.fields.append({QString::fromUtf8(option->keyword), QString::fromUtf8(option->val)});
    }
    parsed.address = rebuild(parsed.fields);
    parsed.holdsSecret = hadSecret;
    parsed.shown = !hadSecret             ? text
                   : hasUriSchemeAt(text) ? parsed.address
                                          : rebuildPairs(parsed.fields);
    // One port for each of several hosts, an empty one meaning the usual.
    const QString port = parsed.field(QLatin1StringView("port"));
    const QStringList ports = port.split(QLatin1Char(','));
    if (!port.isEmpty() &&
        !std::all_of(ports.cbegin(), ports.cend(), [&](const QString& one) {
            return validPort(one) || (one.isEmpty() && ports.size() > 1);
        }))
        throw StoreError(CannotOpen,
                         QCoreApplication::translate(
                             "store", "Could not connect to '%1': the port '%2' is not a "
                                      "number from 1 to 65535.")
                             .arg(parsed.address, port));
    return parsed;
}

QString ServerAddress::uri() const {
    const QString database = this->database.trimmed();
    if (database.isEmpty())
        throw badField(QCoreApplication::translate("store", "no database name was given"));
    QList<std::pair<QString, QString>> fields;
    if (const QString user = this->user.trimmed(); !user.isEmpty())
        fields.append({QStringLiteral("user"), user});
    if (const QString host = this->host.trimmed(); !host.isEmpty())
        fields.append({QStringLiteral("host"), host});
    if (const QString port = this->port.trimmed(); !port.isEmpty()) {
        if (!validPort(port))
            throw badField(QCoreApplication::translate(
                               "store", "the port '%1' is not a number from 1 to 65535")
                               .arg(port));
        fields.append({QStringLiteral("port"), port});
    }
    fields.append({QStringLiteral("dbname"), database});
    return rebuild(fields);
}

std::optional<ServerAddress> ServerAddress::fromUri(const QString& uri) {
    // Only the fields of an address that names a server: a file path has none.
    const QString text = uri.trimmed();
    if (!hasServerScheme(text) && !(text.contains(QLatin1Char('=')) && conninfoNamesServer(text)))
        return std::nullopt;
    try {
        const ParsedServerAddress parsed = parseServerAddress(uri);
        return ServerAddress{parsed.field(QLatin1StringView("host")),
                             parsed.field(QLatin1StringView("port")),
                             parsed.field(QLatin1StringView("dbname")),
                             parsed.field(QLatin1StringView("user"))};
    } catch (const StoreError&) {
        return std::nullopt;
    }
}

} // namespace store
