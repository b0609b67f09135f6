#include "shell/database/ServerLogin.h"

#include "desktop/Desktop.h"
#include "store/ServerAddress.h"
#include "store/Store.h"
#include "store/StoreError.h"
#include "tree/StoreWaiting.h"

#include <QCoreApplication>

namespace shell {

namespace {

QString connectPrompt() {
    return QCoreApplication::translate(
        "shell",
        "The database on a PostgreSQL server that holds the ItemMaster and BomDetail tables. "
        "Leave the host empty for the server on this computer, or give the folder of its socket. "
        "A password comes from PGPASSWORD or ~/.pgpass, or is asked for when the server wants "
        "one; it is saved nowhere but in the desktop's keyring, and there only when asked to. "
        "The whole address, when given, stands for the four fields: a "
        "service of ~/.pg_service.conf (service=plant), libpq's key=value pairs or a "
        "postgresql:// address, with any of libpq's settings.");
}

} // namespace

ServerLogin::ServerLogin(desktop::Desktop& desktop) : m_desktop(desktop) {}

std::vector<store::ItemLine> ServerLogin::readItems(const QString& location) {
    std::vector<store::ItemLine> items;
    withPassword(location, [&] { items = tree::readItemLines(m_desktop, location); });
    return items;
}

void ServerLogin::withPassword(const QString& /*location*/, const std::function<void()>& read) {
    // Off the window's thread: a server that is slow to answer freezes nothing. Each trip asks
    // for a password (or a key's passphrase) itself when the server wants one
    // (tree::runOnStore).
    read();
}

std::optional<QString> ServerLogin::ask(const QString& current) {
    const std::optional<store::ServerAddress> known = store::ServerAddress::fromUri(current);
    store::ServerAddress address = known.value_or(store::ServerAddress{
        QString(), QStringLiteral("5432"), QString(), qEnvironmentVariable("USER")});
    // An address that the four fields cannot say (a service, certificates, several hosts…)
    // comes back whole in the last one.
    QString whole;
    try {
        if (known && known->uri() != current)
            whole = current;
    } catch (const store::StoreError&) {
        whole = current;
    }
    for (;;) {
        const auto answer = m_desktop.formBox(
            QCoreApplication::translate("shell", "Connect to Server"), connectPrompt(),
            {{QCoreApplication::translate("shell", "&Host or socket folder"), address.host},
             {QCoreApplication::translate("shell", "P&ort"), address.port},
             {QCoreApplication::translate("shell", "&Database"), address.database},
             {QCoreApplication::translate("shell", "&User"), address.user},
             {QCoreApplication::translate("shell", "Or the whole &address"), whole}});
        if (!answer)
            return std::nullopt;
        address = {answer->value(0), answer->value(1), answer->value(2), answer->value(3)};
        whole = answer->value(4).trimmed();
        try {
            if (!whole.isEmpty() && !store::looksLikeServerAddress(whole))
                throw store::StoreError(store::CannotOpen,
                                        QCoreApplication::translate(
                                            "shell", "Could not connect: the address is neither "
                                                     "key=value pairs nor postgresql://…."));
            // A password typed into the address is kept in memory, never shown or remembered.
            const QString uri =
                whole.isEmpty() ? address.uri() : store::withPasswordInMemory(whole);
            const desktop::BusyPointer busy(m_desktop);
            withPassword(uri, [&] { tree::checkOpens(m_desktop, uri); });
            return uri;
        } catch (const store::StoreError& error) {
            // The box comes back with what was typed, to be corrected or cancelled; an address
            // that held a password comes back without it.
            whole = store::withoutPassword(whole);
            m_desktop.messageBox(error.message(), desktop::OkOnly);
        }
    }
}

} // namespace shell
