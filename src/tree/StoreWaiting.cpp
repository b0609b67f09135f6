#include "tree/StoreWaiting.h"

#include "tree/KeyringPassword.h"

#include "store/DraftStore.h"
#include "store/History.h"
#include "store/PasswordCache.h"
#include "store/ServerAddress.h"
#include "store/StoreError.h"

#include <QCoreApplication>
#include <QLocale>

#include <atomic>

#include "desktop/Desktop.h"

namespace tree {

namespace {

/// The store's wait, as the desktop services show it.
class DesktopWait : public store::StoreWait {
public:
    explicit DesktopWait(desktop::Desktop& desktop) : m_desktop(desktop) {}
    void waitFor(const std::function<bool()>& finished, const std::function<void()>& cancel,
                 const QString& label) override {
        m_desktop.waitFor(finished, cancel, label);
    }

private:
    desktop::Desktop& m_desktop;
};

} // namespace

bool storeWaiting() {
    return store::storeCallWaiting();
}

bool secretRefused(int number) {
    return number == store::PasswordNeeded || number == store::PasswordRefused ||
           number == store::KeyPassphraseNeeded || number == store::KeyPassphraseRefused;
}

bool askServerSecret(desktop::Desktop& desktop, const QString& location,
                     const store::StoreError& refusal, KeyringPassword* keyring) {
    const bool key = refusal.number() == store::KeyPassphraseNeeded ||
                     refusal.number() == store::KeyPassphraseRefused;
    QString user = qEnvironmentVariable("USER");
    if (const auto address = store::ServerAddress::fromUri(location);
        address && !address->user.isEmpty())
        user = address->user;
    QList<desktop::FormField> fields{{key ? QCoreApplication::translate("tree", "&Passphrase")
                                          : QCoreApplication::translate("tree", "&Password"),
                                      QString(), true}};
    // A server's password may be kept in the desktop's keyring; a key's passphrase is not.
    if (keyring && !key)
        fields = keyring->fields(fields);
    const auto answer = desktop.formBox(
        key ? QCoreApplication::translate("tree", "Key Passphrase")
            : QCoreApplication::translate("tree", "Server Password"),
        key ? QCoreApplication::translate("tree", "%1\nPassphrase of the client key:")
                  .arg(refusal.description())
            : QCoreApplication::translate("tree", "%1\nPassword of the user '%2':")
                  .arg(refusal.description(), user),
        fields);
    const auto keep = key ? &store::useKeyPassphrase : &store::useServerPassword;
    if (!answer) {
        // What the server refused is no use to the next try.
        if (refusal.number() == store::PasswordRefused ||
            refusal.number() == store::KeyPassphraseRefused)
            keep(location, {});
        return false;
    }
    keep(location, answer->value(0));
    if (keyring && !key)
        keyring->choose(*answer);
    return true;
}

void runOnStore(desktop::Desktop& desktop, const QString& location, const QString& label,
                const store::StoreWork& work) {
    DesktopWait wait(desktop);
    // Asked only when the server wants a password that PGPASSWORD and ~/.pgpass do not hold.
    KeyringPassword keyring(desktop, location);
    for (;;) {
        // Set on the store's thread, read here once the trip has ended.
        std::atomic<bool> began{false};
        try {
            store::runOnStore(wait, location, label, [&](store::StoreCall& call) {
                began = true;
                work(call);
            });
            keyring.accepted();
            return;
        } catch (const store::StoreError& error) {
            // Only a refusal of the open: the work, which may have written, is never run twice.
            if (began || !secretRefused(error.number()))
                throw;
            const bool password = error.number() == store::PasswordNeeded ||
                                  error.number() == store::PasswordRefused;
            if (password && keyring.tryKept())
                continue;
            if (!askServerSecret(desktop, location, error, &keyring))
                throw;
        }
    }
}

void runWaiting(desktop::Desktop& desktop, const QString& label,
                const std::function<void(const store::ReadProgress& report)>& work,
                const store::ReadProgress& progress) {
    DesktopWait wait(desktop);
    store::runOffThread(wait, label, work, progress);
}

void checkOpens(desktop::Desktop& desktop, const QString& location) {
    runOnStore(desktop, location, {}, [](store::StoreCall&) {});
}

std::vector<store::ItemLine> readItemLines(desktop::Desktop& desktop, const QString& location) {
    std::vector<store::ItemLine> items;
    runOnStore(desktop, location, {},
               [&](store::StoreCall& call) { items = call.db().itemLines(); });
    return items;
}

StoredBill readBill(desktop::Desktop& desktop, const QString& location, const QString& item,
                    bool withoutDraft) {
    StoredBill bill;
    runOnStore(desktop, location, {}, [&](store::StoreCall& call) {
        store::Store* db = &call.db();
        if (auto* draft = dynamic_cast<store::DraftStore*>(db); draft && withoutDraft)
            db = &draft->live();
        bill.lines = db->reachableLines(item);
        bill.known = db->findItem(item).has_value();
    });
    return bill;
}

StoredBill readBillAsOf(desktop::Desktop& desktop, const QString& location, const QString& item,
                        const QDateTime& moment) {
    if (moment > QDateTime::currentDateTimeUtc())
        throw store::StoreError(
            store::HistoryInFuture,
            QCoreApplication::translate("tree", "%1 is still to come: a bill can be shown as it "
                                                "stood, not as it will stand.")
                .arg(QLocale().toString(moment.toLocalTime(), QLocale::ShortFormat)));
    StoredBill bill;
    runOnStore(desktop, location, QCoreApplication::translate("tree", "Reading the history…"),
               [&](store::StoreCall& call) {
                   bill.known = call.db().findItem(item).has_value();
                   bill.lines = store::openHistory(location)->linesAsOf(item, moment);
               });
    return bill;
}

std::optional<store::CheckReport> checkDatabase(desktop::Desktop& desktop, const QString& location,
                                                const QString& label,
                                                const store::CheckProgress& progress,
                                                const store::WholeUnits& wholeUnits) {
    std::optional<store::CheckReport> report;
    runOnStore(desktop, location, label, [&](store::StoreCall& call) {
        // The rows are read here; whether to go on is asked on the window's thread, which
        // shows the progress.
        report = store::checkDatabase(call.db(), [&](qint64 done, qint64 total) {
            return call.ask([&] { return progress(done, total); });
        }, wholeUnits);
    });
    return report;
}

} // namespace tree
