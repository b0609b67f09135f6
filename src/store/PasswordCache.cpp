#include "store/PasswordCache.h"

#include "store/StoreError.h"
#include "store/ServerAddress.h"

#include <QHash>
#include <QMutex>

namespace store {

namespace {

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
    try {
        return parseServerAddress(uri).address;
    } catch (const StoreError&) {
        return uri;
    }
}

} // namespace

void useServerPassword(const QString& uri, const QString& password) {
    Passwords& kept = passwords();
    const QString key = keyOf(uri);
    const QMutexLocker locker(&kept.lock);
    if (password.isEmpty())
        kept.byUri.remove(key);
    else
        kept.byUri.insert(key, password);
}

std::optional<QString> serverPassword(const QString& uri) {
    Passwords& kept = passwords();
    const QString key = keyOf(uri);
    const QMutexLocker locker(&kept.lock);
    const auto found = kept.byUri.constFind(key);
    if (found == kept.byUri.cend())
        return std::nullopt;
    return *found;
}

} // namespace store
