#pragma once

// Store work off the caller's thread: the window keeps painting while a statement runs, waits
// on another program's lock or on a slow server, and the user can stop it. An operation hands
// the store's thread its whole work as one function (a trip): the store is opened, used and
// closed there, since a database connection belongs to the thread that made it.

#include "store/OpenInterruption.h"
#include "store/Store.h"

#include <QString>

#include <exception>
#include <functional>
#include <memory>

class QObject;

namespace store {

/// How the caller's thread waits for work that runs on another thread; implemented by the
/// desktop services, which show a busy state with Cancel when the wait lasts.
class StoreWait {
public:
    virtual ~StoreWait() = default;
    /// Returns once `finished()` is true, letting the caller's events run meanwhile. `finished`
    /// is asked on the caller's thread after every event, and does there what the work needs
    /// done there (its progress). `cancel` is called at most once, when the user asks to stop;
    /// the wait goes on until the work has ended. `label` names the work where known.
    virtual void waitFor(const std::function<bool()>& finished, const std::function<void()>& cancel,
                         const QString& label) = 0;
};

/// What work on the store's thread has besides its store.
class StoreCall {
public:
    virtual ~StoreCall() = default;
    /// The store opened for this trip.
    virtual Store& db() = 0;
    /// Names what the caller waits for from here on (a write's showing after its commit), so
    /// that a Cancel is seen to stop only that.
    virtual void name(const QString& label) = 0;
    /// Runs `ask` on the caller's thread (a progress shown there) and returns its answer; false
    /// without asking once the user has cancelled, and in a trip nobody waits for.
    virtual bool ask(const std::function<bool()>& ask) = 0;
    /// Whether the user has cancelled the trip.
    virtual bool cancelled() const = 0;
    /// Before a write that must not start after a Cancel: throws OperationCancelled then.
    void stopIfCancelled() const;
};

/// The work of one trip.
using StoreWork = std::function<void(StoreCall& call)>;

/// One trip to the store's thread while the caller's thread waits through `wait`: opens the
/// store at `location` (openStore), runs `work` and closes the store, all there. The work's
/// StoreError reaches the caller as it was thrown. Cancel in the wait interrupts the store
/// (Store::interrupt), again every moment until the work ends: work that therefore fails
/// throws OperationCancelled here, its transaction rolled back; work that ended before the
/// interrupt could stop it keeps its result. `label` names the work in the busy state.
void runOnStore(StoreWait& wait, const QString& location, const QString& label,
                const StoreWork& work);
/// As runOnStore for work that opens its own connections (an import): no store is opened, and
/// StoreCall::db must not be called.
void runOffThread(StoreWait& wait, const QString& label, const StoreWork& work);
/// runOffThread for work that reports its progress: each report is answered on the caller's
/// thread by `progress`, and false from the moment the wait's Cancel was pressed, so that the
/// work stops as its own progress would stop it.
void runOffThread(StoreWait& wait, const QString& label,
                  const std::function<void(const ReadProgress& report)>& work,
                  const ReadProgress& progress);

/// A trip that nobody waits for (a re-read of other editors' changes while the window goes
/// on). `done` runs on the thread of `context` once the work has ended, with its failure if
/// any (none when the object went before).
class BackgroundTrip {
public:
    BackgroundTrip(const QString& location, StoreWork work, QObject* context,
                   std::function<void(std::exception_ptr failure)> done);
    /// Interrupts the work if it still runs and waits for its end; `done` is not called then.
    ~BackgroundTrip();
    BackgroundTrip(const BackgroundTrip&) = delete;
    BackgroundTrip& operator=(const BackgroundTrip&) = delete;
    /// From the caller's thread: stops the work soon; `done` still comes, with its failure.
    void interrupt();

    class Trip;

private:
    std::shared_ptr<Trip> m_trip;
};

/// Work that touches no store and that nobody waits for (a note in the desktop's list of
/// recent files): on a store thread, one at a time in the order given, so that a slow disk or
/// another program's lock never holds the window up. The program waits for what is queued as
/// it ends.
void runErrand(std::function<void()> work);

/// Whether a trip is being waited for on this (the window's) thread: work started from a
/// timer or a notice while the window waits holds back until it is false, so that one
/// operation runs at a time.
bool storeCallWaiting();

/// The error of a store call the user cancelled.
StoreError operationCancelled();

/// openStore, stopped by `interruption` while it opens: a wait for another program's lock
/// gives up, a running statement fails (a server's connection itself is made or refused
/// within its timeout). Defined with openStore, the one place that tells the stores apart.
std::unique_ptr<Store> openStore(const QString& location, OpenInterruption& interruption);

} // namespace store
