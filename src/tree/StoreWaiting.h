#pragma once

#include "store/DatabaseCheck.h"
#include "store/runtime/StoreThread.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace desktop {
class Desktop;
}

namespace tree {

/// One trip to the store at `location` (store::runOnStore) while `desktop` waits: the window
/// paints; after a moment a busy box names `label` (or the name the work gives itself later)
/// and offers Cancel, which stops the work with OperationCancelled. A server that refuses the
/// connection for its password (or a client key for its passphrase) before the work began is
/// asked for it (askServerSecret) and the trip made again, once the user gave it: a password
/// changed on the server between two edits costs one question, and the edit is written once.
/// A password kept in the desktop's keyring is tried first, once (KeyringPassword).
void runOnStore(desktop::Desktop& desktop, const QString& location, const QString& label,
                const store::StoreWork& work);

/// Whether the window waits on a trip now (store::storeCallWaiting): a command started from a
/// timer or a notice meanwhile holds back, so that one operation runs at a time.
bool storeWaiting();

/// Whether `number` is a server's refusal that a password or a key's passphrase mends.
bool secretRefused(int number);
/// Asks for the password (or the key's passphrase) that the server at `location` wants after
/// `refusal` and keeps it in memory for this run (store::useServerPassword). False on Cancel,
/// with a refused one forgotten. With a `keyring`, the password box offers to remember it
/// there.
class KeyringPassword;
bool askServerSecret(desktop::Desktop& desktop, const QString& location,
                     const store::StoreError& refusal, KeyringPassword* keyring = nullptr);

/// Runs `work` off the window's thread while `desktop` waits, as store::runOffThread does: its
/// reports answered on the window's thread by `progress`.
void runWaiting(desktop::Desktop& desktop, const QString& label,
                const std::function<void(const store::ReadProgress& report)>& work,
                const store::ReadProgress& progress);

/// Opens the store at `location` (which checks its tables) and closes it again, in one trip;
/// throws what the open throws.
void checkOpens(desktop::Desktop& desktop, const QString& location);

/// Every item of the Item Master at `location`, in one trip.
std::vector<store::ItemLine> readItemLines(desktop::Desktop& desktop, const QString& location);

/// The bill of `item` as a load reads it (its reachable lines), and whether the Item Master
/// holds the item, in one trip; `withoutDraft`: from the tables themselves, whichever draft
/// the location is shown with.
struct StoredBill {
    QHash<QString, store::ComponentLines> lines;
    bool known = false;
};
StoredBill readBill(desktop::Desktop& desktop, const QString& location, const QString& item,
                    bool withoutDraft = false);
/// The bill of `item` as it stood at `moment`, rebuilt from the database's history (brought up
/// to date first), in one trip; `known` tells whether the Item Master holds the item now.
StoredBill readBillAsOf(desktop::Desktop& desktop, const QString& location, const QString& item,
                        const QDateTime& moment);

/// Check Database at `location` in one trip (store::checkDatabase), each report of its
/// progress answered on the window's thread by `progress`; empty when that said stop. Lines
/// with a fraction of one of `wholeUnits` are reported too.
std::optional<store::CheckReport> checkDatabase(desktop::Desktop& desktop, const QString& location,
                                                const QString& label,
                                                const store::CheckProgress& progress,
                                                const store::WholeUnits& wholeUnits);

} // namespace tree
