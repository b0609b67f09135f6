#pragma once

#include <QString>

#include <optional>

namespace desktop {

class Desktop;

/// The desktop's secret service (GNOME Keyring, KWallet, KeePassXC…) through QtKeychain, for
/// the secrets the user asks the editor to remember. There is no other place: without a
/// secret service nothing is kept, never a plain-text file in its stead. Each call waits for
/// the service as other work does (Desktop::waitFor: a busy box with Cancel after a moment,
/// since the service may ask the user to unlock the keyring first).
class Keyring {
public:
    explicit Keyring(Desktop& desktop);

    /// What a read found.
    struct Found {
        bool available = false;        ///< a secret service answered
        std::optional<QString> secret; ///< the secret kept under the key, if any
    };

    /// The secret kept under `key`; the read also tells whether there is a service at all.
    Found read(const QString& key);
    /// Keeps `secret` under `key`, in place of any kept before; false when it was not kept.
    bool write(const QString& key, const QString& secret);
    /// Forgets what is kept under `key`; true when nothing is kept under it any more.
    bool remove(const QString& key);

private:
    Desktop& m_desktop;
};

} // namespace desktop
