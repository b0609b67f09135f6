#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace desktop {
class Desktop;
}

namespace store {
struct ItemLine;
}

namespace shell {

/// File ▸ Connect to Server… and the password prompt of a server that asks for one. A password
/// typed here is kept in memory for this run only (store::useServerPassword), and in the
/// desktop's keyring when the user asks (KeyringPassword); workdir.txt and the recent list
/// hold the address alone.
class ServerLogin {
public:
    explicit ServerLogin(desktop::Desktop& desktop);

    /// Asks where the server and its database are, starting from `current` when that is a
    /// server address, connects and checks the tables. A failure is shown and the box asked
    /// again with what was typed. The address to open, or an empty optional on Cancel.
    std::optional<QString> ask(const QString& current);

    /// Every item of the Item Master at `location`. When it is a server that asks for a
    /// password that PGPASSWORD and ~/.pgpass do not hold (or refuses the one given), or for a
    /// client key's passphrase, asks for it and tries again, until the server takes it or the
    /// user cancels; then the server's error is thrown (tree::runOnStore).
    std::vector<store::ItemLine> readItems(const QString& location);

    /// Runs `read` (trips to the store at `location`, which ask for a password as readItems
    /// says).
    void withPassword(const QString& location, const std::function<void()>& read);

private:
    desktop::Desktop& m_desktop;
};

} // namespace shell
