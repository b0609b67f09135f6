#pragma once

#include <QString>

#include <memory>
#include <optional>

namespace desktop {
class Desktop;
}

namespace store {
class Store;
}

namespace shell {

/// File ▸ Connect to Server… and the password prompt of a server that asks for one. A password
/// typed here is kept in memory for this run only (store::useServerPassword); workdir.txt and
/// the recent list hold the address alone.
class ServerLogin {
public:
    explicit ServerLogin(desktop::Desktop& desktop);

    /// Asks where the server and its database are, starting from `current` when that is a
    /// server address, connects and checks the tables. A failure is shown and the box asked
    /// again with what was typed. The address to open, or an empty optional on Cancel.
    std::optional<QString> ask(const QString& current);

    /// Opens the store at `location`. When it is a server that asks for a password that
    /// PGPASSWORD and ~/.pgpass do not hold (or refuses the one given), asks for one and tries
    /// again, until the server takes it or the user cancels; then the server's error is thrown.
    std::unique_ptr<store::Store> open(const QString& location);

private:
    desktop::Desktop& m_desktop;
};

} // namespace shell
