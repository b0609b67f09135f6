#include "tree/KeyringPassword.h"

#include "desktop/Desktop.h"
#include "store/PasswordCache.h"
#include "store/ServerAddress.h"
#include "store/StoreError.h"

#include <QCoreApplication>

namespace tree {

namespace {

/// One spelling of an address however it was typed, as the passwords in memory are kept.
QString keyOf(const QString& location) {
    try {
        return store::parseServerAddress(location).address;
    } catch (const store::StoreError&) {
        return location;
    }
}

} // namespace

KeyringPassword::KeyringPassword(desktop::Desktop& desktop, const QString& location)
    : m_keyring(desktop), m_location(location), m_key(keyOf(location)) {}

bool KeyringPassword::tryKept() {
    if (m_tried)
        return false;
    m_tried = true;
    // One trip to the secret service: it gives the password, and says whether there is one.
    m_kept = m_keyring.read(m_key);
    if (!m_kept.secret || m_kept.secret->isEmpty() ||
        store::serverPassword(m_location) == m_kept.secret)
        return false;
    store::useServerPassword(m_location, *m_kept.secret);
    return true;
}

QList<desktop::FormField> KeyringPassword::fields(QList<desktop::FormField> fields) const {
    if (m_kept.available) {
        desktop::FormField remember{QCoreApplication::translate("tree", "Remember in the &keyring"),
                                    m_kept.secret ? QStringLiteral("1") : QString()};
        remember.check = true;
        fields.append(remember);
    }
    return fields;
}

void KeyringPassword::choose(const QStringList& answer) {
    m_asked = true;
    m_typed = answer.value(0);
    m_remember = m_kept.available && answer.value(1) == QStringLiteral("1");
}

void KeyringPassword::accepted() {
    if (!m_asked || !m_kept.available)
        return;
    // A keyring that fails here costs the next start a question, nothing more: the server
    // has the password already.
    if (m_remember && m_typed != m_kept.secret)
        m_keyring.write(m_key, m_typed);
    else if (!m_remember && m_kept.secret)
        m_keyring.remove(m_key);
}

} // namespace tree
