#include "store/PasswordCache.h"

#include "store/StoreError.h"
#include "store/ServerAddress.h"

#include <QHash>
#include <QMutex>

namespace store {

namespace {

struct Passwords {
    QMutex lock; // the store may open connections on several threads
    QHash<QString, QString> byKey;
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

/// A key's passphrase is kept beside the password, under a key that no address spells.
QString passphraseKey(const QString& key) { return key + QStringLiteral("\n sslpassword"); }
QString passphraseKeyOf(const QString& uri) { return passphraseKey(keyOf(uri)); }

void keep(const QString& key, const QString& secret) {
    Passwords& kept = passwords();
    const QMutexLocker locker(&kept.lock);
    if (secret.isEmpty())
        kept.byKey.remove(key);
    else
        kept.byKey.insert(key, secret);
}

std::optional<QString> find(const QString& key) {
    Passwords& kept = passwords();
    const QMutexLocker locker(&kept.lock);
    const auto found = kept.byKey.constFind(key);
    if (found == kept.byKey.cend())
        return std::nullopt;
    return *found;
}

} // namespace

void useServerPassword(const QString& uri, const QString& password) {
    keep(keyOf(uri), password);
}

std::optional<QString> serverPassword(const QString& uri) { return find(keyOf(uri)); }

void useKeyPassphrase(const QString& uri, const QString& passphrase) {
    keep(passphraseKeyOf(uri), passphrase);
}

std::optional<QString> keyPassphrase(const QString& uri) { return find(passphraseKeyOf(uri)); }

std::optional<QString> serverPassword(const ParsedServerAddress& address) {
    return find(address.address);
}

std::optional<QString> keyPassphrase(const ParsedServerAddress& address) {
    return find(passphraseKey(address.address));
}

} // namespace store
