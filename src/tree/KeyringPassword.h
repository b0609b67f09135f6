#pragma once

#include "desktop/Keyring.h"

#include <QString>
#include <QStringList>

namespace desktop {
class Desktop;
struct FormField;
} // namespace desktop

namespace tree {

/// A server's password in the desktop's keyring, for one connect (tree::runOnStore):
/// the password kept there is tried once when the server first asks for one; the password
/// box then offers "Remember in the keyring" (only where there is a secret service, ticked
/// when a password is kept), and a password the server takes is kept or forgotten as the box
/// said. ~/.pgpass and PGPASSWORD come first: the keyring is asked only when libpq found
/// nothing the server took.
class KeyringPassword {
public:
    KeyringPassword(desktop::Desktop& desktop, const QString& location);

    /// At the server's asking for a password or refusing one: puts the keyring's password for
    /// this address in memory and says to try again, the first time only, and only when it is
    /// not the very password just refused.
    bool tryKept();
    /// `fields` of the password box, with "Remember in the keyring" after them where there is
    /// a keyring.
    QList<desktop::FormField> fields(QList<desktop::FormField> fields) const;
    /// The box's answer: the password typed (its first value) and whether to remember it.
    void choose(const QStringList& answer);
    /// The server took the password: the keyring keeps the one typed, or forgets it when the
    /// user unticked the box.
    void accepted();

private:
    desktop::Keyring m_keyring;
    QString m_location;
    QString m_key; ///< the address without its password, the keyring's name for it
    bool m_tried = false;
    desktop::Keyring::Found m_kept;
    bool m_asked = false;
    bool m_remember = false;
    QString m_typed;
};

} // namespace tree
