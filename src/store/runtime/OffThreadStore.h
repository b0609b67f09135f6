#pragma once

// Store work off the caller's thread: the window keeps painting while a statement runs, waits
// on another program's lock or on a slow server, and the user can stop it.

#include "store/OpenInterruption.h"
#include "store/Store.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

namespace store {

/// How the caller's thread waits for a store call that runs on another thread; implemented by
/// the desktop services, which show a busy state with Cancel when the wait lasts.
class StoreWait {
public:
    virtual ~StoreWait() = default;
    /// Returns once `finished()` is true, letting the caller's events run meanwhile. `finished`
    /// is asked on the caller's thread after every event, and does there what the call needs
    /// done there (its progress). `cancel` is called at most once, when the user asks to stop;
    /// the wait goes on until the call has ended. `label` names the work where known.
    virtual void waitFor(const std::function<bool()>& finished, const std::function<void()>& cancel,
                         const QString& label) = 0;
};

/// Opens the store at `location` as openStore does, on a thread of its own, and returns a
/// store that runs each call there while the caller's thread waits through `wait` (kept by
/// reference). The real store is opened, used and closed on that thread, since a database
/// connection belongs to the thread that made it. Each call's StoreError reaches the caller as
/// it was thrown; a callback it takes (whereUsed's progress, readForCheck's sink) runs on the
/// caller's thread. Cancel in the wait interrupts the call (Store::interrupt): a call that
/// therefore fails throws OperationCancelled, its transaction rolled back, and every later call
/// of this store throws OperationCancelled without running; a call that ended before the
/// interrupt could stop it keeps its result. `label` names the operation in the busy state.
std::unique_ptr<Store> openStoreOffThread(const QString& location, StoreWait& wait,
                                          const QString& label = {});
/// As above, the store keeping `wait` for as long as it lives.
std::unique_ptr<Store> openStoreOffThread(const QString& location, std::unique_ptr<StoreWait> wait,
                                          const QString& label = {});

/// Runs `work` on a thread of its own while the caller's thread waits through `wait`, for work
/// that opens its own connections (an import). Each report `work` makes is answered on the
/// caller's thread by `progress`, and false from the moment the wait's Cancel was pressed, so
/// that the work stops as its own progress would stop it. Its exception is thrown here.
void runOffThread(StoreWait& wait, const QString& label,
                  const std::function<void(const ReadProgress& report)>& work,
                  const ReadProgress& progress);

/// Whether a call of a store opened by openStoreOffThread is being waited for on this (the
/// window's) thread: work started from a timer or a notice while the window waits holds back
/// until it is false, so that one operation runs at a time.
bool storeCallWaiting();

/// The error of a store call the user cancelled.
StoreError operationCancelled();

/// openStore, stopped by `interruption` while it opens: a wait for another program's lock
/// gives up, a running statement fails (a server's connection itself is made or refused
/// within its timeout). Defined with openStore, the one place that tells the stores apart.
std::unique_ptr<Store> openStore(const QString& location, OpenInterruption& interruption);

} // namespace store
