#include "shell/database/ServerLogin.h"

#include "desktop/Desktop.h"
#include "shell/database/KeyringPassword.h"
#include "store/PasswordCache.h"
#include "store/ServerAddress.h"
#include "store/Store.h"
#include "store/StoreError.h"
#include "tree/StoreWaiting.h"

namespace shell {

namespace {

const QString ConnectTitle = QStringLiteral("Connect to Server");
const QString ConnectPrompt = QStringLiteral(
    "The database on a PostgreSQL server that holds the ItemMaster and BomDetail tables. "
    "Leave the host empty for the server on this computer, or give the folder of its socket. "
    "A password comes from PGPASSWORD or ~/.pgpass, or is asked for when the server wants "
    "one; it is saved nowhere but in the desktop's keyring, and there only when asked to.");

} // namespace

ServerLogin::ServerLogin(desktop::Desktop& desktop) : m_desktop(desktop) {}

std::vector<store::ItemLine> ServerLogin::readItems(const QString& location) {
    std::vector<store::ItemLine> items;
    withPassword(location, [&] { items = tree::readItemLines(m_desktop, location); });
    return items;
}

void ServerLogin::withPassword(const QString& location, const std::function<void()>& read) {
    KeyringPassword keyring(m_desktop, location);
    for (;;) {
        try {
            // Off the window's thread: a server that is slow to answer freezes nothing.
            read();
            keyring.accepted();
            return;
        } catch (const store::StoreError& error) {
            if (error.number() != store::PasswordNeeded && error.number() != store::PasswordRefused)
                throw;
            if (keyring.tryKept())
                continue;
            const auto address = store::ServerAddress::fromUri(location);
            const QString user = address && !address->user.isEmpty()
                                     ? address->user
                                     : qEnvironmentVariable("USER");
            const auto answer = m_desktop.formBox(
                QStringLiteral("Server Password"),
                QStringLiteral("%1\nPassword of the user '%2':").arg(error.description(), user),
                keyring.fields({{QStringLiteral("&Password"), QString(), true}}));
            if (!answer) {
                // A password the server refused is no use to the next try.
                if (error.number() == store::PasswordRefused)
                    store::useServerPassword(location, {});
                throw;
            }
            store::useServerPassword(location, answer->value(0));
            keyring.choose(*answer);
        }
    }
}

std::optional<QString> ServerLogin::ask(const QString& current) {
    store::ServerAddress address =
        store::ServerAddress::fromUri(current).value_or(store::ServerAddress{
            QString(), QStringLiteral("5432"), QString(), qEnvironmentVariable("USER")});
    for (;;) {
        const auto answer = m_desktop.formBox(
            ConnectTitle, ConnectPrompt,
            {{QStringLiteral("&Host or socket folder"), address.host},
             {QStringLiteral("P&ort"), address.port},
             {QStringLiteral("&Database"), address.database},
             {QStringLiteral("&User"), address.user}});
        if (!answer)
            return std::nullopt;
        address = {answer->value(0), answer->value(1), answer->value(2), answer->value(3)};
        try {
            const QString uri = address.uri();
            const desktop::BusyPointer busy(m_desktop);
            withPassword(uri, [&] { tree::checkOpens(m_desktop, uri); });
            return uri;
        } catch (const store::StoreError& error) {
            // The box comes back with what was typed, to be corrected or cancelled.
            m_desktop.messageBox(error.message(), desktop::OkOnly);
        }
    }
}

} // namespace shell
