#include "store/ServerAddress.h"

#include "store/StoreError.h"

#include <QHash>
#include <QMutex>
#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>

namespace store {

namespace {

StoreError badField(const QString& why) {
    return StoreError(CannotOpen, QStringLiteral("Could not connect: %1.").arg(why));
}

struct Passwords {
    QMutex lock; // the store may open connections on several threads
    QHash<QString, QString> byUri;
};

Passwords& passwords() {
    static Passwords kept;
    return kept;
}

/// One spelling of an address, whichever way it was written.
QString keyOf(const QString& uri) {
    const QUrl url(uri);
    return url.isValid() ? url.toString(QUrl::RemovePassword | QUrl::FullyEncoded) : uri;
}

} // namespace

QString ServerAddress::uri() const {
    QUrl url;
    url.setScheme(QStringLiteral("postgresql"));
    const QString database = this->database.trimmed();
    if (database.isEmpty())
        throw badField(QStringLiteral("no database name was given"));
    QUrlQuery query;
    const QString host = this->host.trimmed();
    // An empty host stays as an empty authority, so that the address reads postgresql:///db.
    if (host.startsWith(QLatin1Char('/')))
        query.addQueryItem(QStringLiteral("host"), host);
    url.setHost(host.startsWith(QLatin1Char('/')) ? QString() : host);
    if (const QString port = this->port.trimmed(); !port.isEmpty()) {
        bool ok = false;
        const int number = port.toInt(&ok);
        if (!ok || number < 1 || number > 65535)
            throw badField(QStringLiteral("the port '%1' is not a number from 1 to 65535").arg(port));
        if (host.startsWith(QLatin1Char('/')))
            query.addQueryItem(QStringLiteral("port"), QString::number(number));
        else
            url.setPort(number);
    }
    if (!user.trimmed().isEmpty())
        url.setUserName(user.trimmed());
    url.setPath(QLatin1Char('/') + database);
    if (!query.isEmpty())
        url.setQuery(query);
    return url.toString(QUrl::FullyEncoded);
}

std::optional<ServerAddress> ServerAddress::fromUri(const QString& uri) {
    const QUrl url(uri, QUrl::StrictMode);
    if (!url.isValid() ||
        (url.scheme() != QLatin1String("postgresql") && url.scheme() != QLatin1String("postgres")))
        return std::nullopt;
    ServerAddress address;
    address.host = url.host();
    if (url.port(-1) > 0)
        address.port = QString::number(url.port());
    address.database = url.path().mid(1);
    address.user = url.userName();
    const QUrlQuery query(url);
    if (query.hasQueryItem(QStringLiteral("host")))
        address.host = query.queryItemValue(QStringLiteral("host"), QUrl::FullyDecoded);
    if (query.hasQueryItem(QStringLiteral("port")))
        address.port = query.queryItemValue(QStringLiteral("port"), QUrl::FullyDecoded);
    return address;
}

void useServerPassword(const QString& uri, const QString& password) {
    Passwords& kept = passwords();
    const QMutexLocker locker(&kept.lock);
    if (password.isEmpty())
        kept.byUri.remove(keyOf(uri));
    else
        kept.byUri.insert(keyOf(uri), password);
}

namespace {

/// Where the user information of a server address ends: at its last '@' (a password may hold
/// '/', '?' or '#', which end the authority in a valid address), or -1 when it has none.
qsizetype userInfoEnd(const QString& location, qsizetype start) {
    const qsizetype at = location.lastIndexOf(QLatin1Char('@'));
    return at >= start ? at : -1;
}

/// The address without its password: the one after "user:" and any password= parameter.
/// Works on the text itself, so that an address that is not valid (a password holding '#')
/// loses its password all the same. `password` receives the password, decoded.
QString cutPassword(const QString& location, QString* password) {
    const qsizetype start = location.indexOf(QLatin1String("://"));
    if (start < 0)
        return location;
    QString address = location;
    const qsizetype end = userInfoEnd(address, start + 3);
    if (end >= 0) {
        const qsizetype colon = address.indexOf(QLatin1Char(':'), start + 3);
        if (colon >= 0 && colon < end) {
            if (password)
                *password = QUrl::fromPercentEncoding(address.mid(colon + 1, end - colon - 1).toUtf8());
            address.remove(colon, end - colon);
        }
    }
    // libpq also takes the password as a parameter of the address.
    static const QRegularExpression parameter(QStringLiteral("([?&])password=([^&#]*)&?"),
                                              QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = parameter.match(address);
    if (match.hasMatch()) {
        if (password)
            *password = QUrl::fromPercentEncoding(match.captured(2).toUtf8());
        address.replace(match.capturedStart(), match.capturedLength(),
                        match.captured(1) == QLatin1String("?") ? QStringLiteral("?") : QString());
        if (address.endsWith(QLatin1Char('?')) || address.endsWith(QLatin1Char('&')))
            address.chop(1);
    }
    return address;
}

} // namespace

QString withoutPassword(const QString& location) {
    if (!location.startsWith(QLatin1String("postgres"), Qt::CaseInsensitive))
        return location;
    return cutPassword(location, nullptr);
}

QString withPasswordInMemory(const QString& location) {
    if (!location.startsWith(QLatin1String("postgres"), Qt::CaseInsensitive))
        return location;
    QString password;
    const QString address = cutPassword(location, &password);
    if (!password.isEmpty())
        useServerPassword(address, password);
    return address;
}

std::optional<QString> serverPassword(const QString& uri) {
    Passwords& kept = passwords();
    const QMutexLocker locker(&kept.lock);
    const auto found = kept.byUri.constFind(keyOf(uri));
    if (found == kept.byUri.cend())
        return std::nullopt;
    return *found;
}

} // namespace store
