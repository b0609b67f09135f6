#include "store/runtime/StoreThread.h"

#include "store/IdlePool.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace store {

namespace {

/// How many trips are being waited for on the window's thread (a trip waited for inside
/// another's wait counts again).
std::atomic<int> waitingTrips{0};

/// How often a cancelled trip is interrupted again while it runs: an interrupt that came
/// between two of its statements stopped nothing.
constexpr int ReinterruptMs = 50;
/// How long a trip nobody waits for is waited for once it is stopped (the window closes,
/// another database opens).
constexpr int StopWaitMs = 2000;

/// The store's threads share one lock and one wake: an idle one waits for its next task, or
/// for the moment something kept in an idle pool (IdlePool.h) is past its time, and closes it.
/// Never destroyed, as the idle threads that wait on them.
struct WorkersWake {
    std::mutex mutex;
    std::condition_variable wake;
    quint64 puts = 0; ///< how often something was put into a pool
};
WorkersWake& workers() {
    static auto* const shared = new WorkersWake;
    return *shared;
}

/// A thread that runs one task at a time. A trip's thread is taken from the idle ones and
/// given back once the trip has ended, since starting a thread costs more than a small call.
class Worker {
public:
    Worker() : m_thread([this] { loop(); }) {
        // What the store keeps idle is closed by its idle threads, woken by each put.
        static std::once_flag reaping;
        std::call_once(reaping, [] {
            IdleReaping::setWaker([] {
                const std::lock_guard lock(workers().mutex);
                ++workers().puts;
                workers().wake.notify_all();
            });
        });
    }
    ~Worker() {
        {
            const std::lock_guard lock(workers().mutex);
            m_quit = true;
        }
        workers().wake.notify_all();
        m_thread.join();
    }
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    /// Starts `task` on the thread; it reports its own end. Never while another task runs.
    void start(std::function<void()> task) {
        {
            const std::lock_guard lock(workers().mutex);
            m_task = std::move(task);
        }
        workers().wake.notify_all();
    }

    /// An idle thread, or a new one.
    static std::unique_ptr<Worker> take() {
        std::unique_ptr<Worker> worker = idle().take(QString());
        return worker ? std::move(worker) : std::make_unique<Worker>();
    }
    /// Keeps the thread for the next trip; a few at most.
    static void giveBack(std::unique_ptr<Worker> worker) { idle().put(QString(), std::move(worker)); }

private:
    void loop() {
        std::unique_lock lock(workers().mutex);
        for (;;) {
            if (m_task) {
                std::function<void()> task = std::exchange(m_task, nullptr);
                lock.unlock();
                task();
                task = nullptr; // what it holds goes on this thread, before the next task
                lock.lock();
                continue;
            }
            if (m_quit)
                return;
            // The pools are asked without this lock, which a put takes to wake the idle ones:
            // a put meanwhile is seen by its count.
            const quint64 puts = workers().puts;
            lock.unlock();
            const IdleClock::time_point due = IdleReaping::nextDue();
            if (due <= IdleClock::now())
                IdleReaping::reapAll();
            lock.lock();
            if (m_task || m_quit || puts != workers().puts || due <= IdleClock::now())
                continue;
            if (due == IdleClock::time_point::max())
                workers().wake.wait(lock);
            else
                workers().wake.wait_until(lock, due);
        }
    }

    /// Never destroyed: the idle threads wait until the program ends.
    static IdlePool<Worker>& idle() {
        static auto* const kept = new IdlePool<Worker>({.perKey = 2, .total = 2});
        return *kept;
    }

    std::function<void()> m_task;
    bool m_quit = false;
    std::thread m_thread;
};

/// The errands queued and the store thread that runs them, kept for them alone: an errand's
/// end is seen on that thread, which cannot give itself back. Never destroyed.
struct Errands {
    std::mutex mutex;
    std::condition_variable idle;
    std::deque<std::function<void()>> queued;
    bool running = false;
    std::unique_ptr<Worker> worker;

    static Errands& instance() {
        static auto* const errands = new Errands;
        return *errands;
    }

    /// On the errands' thread: runs what is queued until nothing is.
    void runQueued() {
        std::unique_lock lock(mutex);
        while (!queued.empty()) {
            std::function<void()> work = std::move(queued.front());
            queued.pop_front();
            lock.unlock();
            try {
                work();
            } catch (...) {
                // Nobody waits to be told: an errand that failed is passed over.
            }
            work = nullptr;
            lock.lock();
        }
        running = false;
        idle.notify_all();
    }

    /// As the application ends.
    static void waitUntilDone() {
        Errands& errands = instance();
        std::unique_lock lock(errands.mutex);
        errands.idle.wait(lock, [&] { return !errands.running; });
    }
};

} // namespace

void runErrand(std::function<void()> work) {
    Errands& errands = Errands::instance();
    const std::lock_guard lock(errands.mutex);
    errands.queued.push_back(std::move(work));
    if (errands.running)
        return;
    errands.running = true;
    if (!errands.worker) {
        errands.worker = std::make_unique<Worker>();
        if (QCoreApplication::instance())
            qAddPostRoutine(&Errands::waitUntilDone);
    }
    errands.worker->start([] { Errands::instance().runQueued(); });
}

void StoreCall::stopIfCancelled() const {
    if (cancelled())
        throw operationCancelled();
}

bool storeCallWaiting() { return waitingTrips.load() > 0; }

StoreError operationCancelled() {
    return StoreError(OperationCancelled,
                      QCoreApplication::translate(
                          "store", "The operation was cancelled; nothing of it was written."));
}

/// One trip: the work, the store it opens on its thread, and what the caller's thread and the
/// work tell each other meanwhile.
class BackgroundTrip::Trip final : public StoreCall {
public:
    Trip(QString location, bool opens, StoreWork work, QString label)
        : m_location(std::move(location)), m_opens(opens), m_work(std::move(work)),
          m_label(std::move(label)), m_waker(new QObject) {}
    ~Trip() override {
        const std::lock_guard interrupting(m_interruptMutex);
        if (m_interrupter.joinable())
            m_interrupter.join();
    }
    Trip(const Trip&) = delete;
    Trip& operator=(const Trip&) = delete;

    Store& db() override {
        Q_ASSERT(m_real);
        return *m_real;
    }
    void name(const QString& label) override {
        std::unique_lock lock(m_mutex);
        if (!m_cancelled && label != m_label) {
            m_label = label;
            const int rename = ++m_renames;
            wakeCaller();
            // What follows runs once the caller waits under the new name and has looked once:
            // a Cancel pressed the moment it shows stops it before it starts.
            if (m_waited)
                m_wake.wait(lock, [&] { return m_acknowledged >= rename || m_cancelled; });
        }
        lock.unlock();
        stopIfCancelled();
    }
    bool ask(const std::function<bool()>& ask) override {
        // Nobody would answer a trip that nobody waits for.
        if (m_cancelled || !m_waited)
            return false;
        bool answer = false;
        std::exception_ptr failure;
        const std::function<void()> callback = [&] {
            try {
                answer = ask();
            } catch (...) {
                failure = std::current_exception();
            }
        };
        std::unique_lock lock(m_mutex);
        m_callback = &callback;
        wakeCaller();
        m_wake.wait(lock, [this] { return m_callback == nullptr; });
        lock.unlock();
        if (failure)
            std::rethrow_exception(failure);
        return answer && !m_cancelled;
    }
    bool cancelled() const override { return m_cancelled; }

    /// Before start: a caller will wait through waitThrough.
    void expectWaiter() { m_waited = true; }
    /// Starts the trip on a store thread; `ended` runs there once it has ended.
    void start(const std::shared_ptr<Trip>& self, std::function<void()> ended = {}) {
        m_worker = Worker::take();
        m_worker->start([self, ended = std::move(ended)] {
            self->execute();
            if (ended)
                ended();
        });
    }

    /// On the caller's thread: waits through `wait` until the trip has ended, a new wait for
    /// each new name of the work, and throws its failure.
    void waitThrough(StoreWait& wait) {
        QTimer again;
        QObject::connect(&again, &QTimer::timeout, [this] { interrupt(); });
        const auto cancel = [this, &again] {
            interrupt();
            again.start(ReinterruptMs);
        };
        ++waitingTrips;
        for (;;) {
            QString label;
            int renames = 0;
            {
                const std::lock_guard lock(m_mutex);
                if (m_done)
                    break;
                label = m_label;
                renames = m_renames;
            }
            bool looked = false;
            wait.waitFor(
                [&] {
                    if (!std::exchange(looked, true)) {
                        const std::lock_guard lock(m_mutex);
                        m_acknowledged = renames;
                        m_wake.notify_all();
                    }
                    return finished(renames);
                },
                cancel, label);
        }
        --waitingTrips;
        end();
        throwFailure();
    }

    /// From any thread. The interrupt itself runs on a thread of its own: a server's cancel
    /// request is a connection of its own, which an unreachable server would keep waiting.
    void interrupt() {
        {
            const std::lock_guard lock(m_mutex);
            m_cancelled = true;
            // A new name waits no more (a question the work waits on is answered as ever, at
            // the caller's next look, and taken as "stop").
            m_wake.notify_all();
        }
        const std::lock_guard interrupting(m_interruptMutex);
        if (m_interrupting)
            return;
        if (m_interrupter.joinable())
            m_interrupter.join();
        m_interrupting = true;
        m_interrupter = std::thread([this] {
            {
                const std::lock_guard lock(m_realMutex);
                if (m_real)
                    m_real->interrupt();
                else
                    m_opening.interrupt();
            }
            m_interrupting = false;
        });
    }

    /// On the caller's thread: runs the question the work waits on, if any, and says whether
    /// the trip has ended or been named anew since `renames` names.
    bool finished(int renames) {
        std::unique_lock lock(m_mutex);
        if (m_callback) {
            const std::function<void()>* callback = m_callback;
            lock.unlock();
            (*callback)();
            lock.lock();
            m_callback = nullptr;
            m_wake.notify_all();
        }
        return m_done || m_renames != renames;
    }

    /// Once the trip has ended: the store thread goes back to the idle ones.
    void end() {
        if (m_worker)
            Worker::giveBack(std::move(m_worker));
    }

    std::exception_ptr failure() {
        const std::lock_guard lock(m_mutex);
        std::exception_ptr failure = m_failure;
        if (failure && m_cancelled) {
            // What the interrupt made of the work (a statement stopped, a lock given up) is
            // the user's Cancel, and its transaction was rolled back all the same.
            try {
                std::rethrow_exception(failure);
            } catch (const StoreError&) {
                failure = std::make_exception_ptr(operationCancelled());
            } catch (...) {
            }
        }
        return failure;
    }
    void throwFailure() {
        if (const std::exception_ptr thrown = failure())
            std::rethrow_exception(thrown);
    }
    bool done() {
        const std::lock_guard lock(m_mutex);
        return m_done;
    }
    /// Blocks until the trip has ended or `ms` have passed, answering no question (a trip
    /// nobody waits for asks none); whether it has ended.
    bool joinFor(int ms) {
        std::unique_lock lock(m_mutex);
        return m_wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_done; });
    }
    /// A trip nobody waits for any more: its end is told to nobody.
    void abandon() { m_abandoned = true; }
    bool abandoned() const { return m_abandoned; }
    /// A trip that did not end when stopped keeps its thread, which idles once it has ended
    /// (the server's own timeouts end it): the thread is never joined from itself.
    void leaveThread() { (void)m_worker.release(); }

private:
    /// On the store's thread: opens, works, closes.
    void execute() {
        std::exception_ptr failure;
        try {
            if (m_opens) {
                if (m_cancelled)
                    throw operationCancelled();
                std::unique_ptr<Store> opened = openStore(m_location, m_opening);
                const std::lock_guard lock(m_realMutex);
                m_real = std::move(opened);
            }
            m_work(*this);
        } catch (...) {
            failure = std::current_exception();
        }
        std::unique_ptr<Store> closing;
        {
            const std::lock_guard lock(m_realMutex);
            closing = std::move(m_real);
        }
        closing.reset(); // on the thread that opened it
        const std::lock_guard lock(m_mutex);
        m_failure = failure;
        m_done = true;
        m_wake.notify_all();
        wakeCaller();
    }

    /// Lets the caller's wait look again (an event for an object of the caller's thread).
    void wakeCaller() { QCoreApplication::postEvent(m_waker.get(), new QEvent(QEvent::User)); }

    const QString m_location;
    const bool m_opens;
    const StoreWork m_work;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    QString m_label;
    int m_renames = 0;      ///< how often the work has named itself anew
    int m_acknowledged = 0; ///< the renames the caller waits under and has looked at
    bool m_waited = false;  ///< whether a caller waits (and so acknowledges a new name)
    const std::function<void()>* m_callback = nullptr; ///< what the work asks of the caller
    std::exception_ptr m_failure;
    bool m_done = false;
    std::atomic<bool> m_cancelled{false};
    std::atomic<bool> m_abandoned{false};
    std::unique_ptr<QObject> m_waker;

    OpenInterruption m_opening; ///< stops the open, before there is a store to interrupt
    std::mutex m_realMutex;     ///< an interrupt never meets the store being opened or closed
    std::unique_ptr<Store> m_real;

    std::mutex m_interruptMutex; ///< one interrupt at a time, whichever thread asks
    std::atomic<bool> m_interrupting{false};
    std::thread m_interrupter;
    std::unique_ptr<Worker> m_worker;
};

namespace {

void waitedTrip(StoreWait& wait, const QString& location, bool opens, const QString& label,
                const StoreWork& work) {
    const auto trip = std::make_shared<BackgroundTrip::Trip>(location, opens, work, label);
    trip->expectWaiter();
    trip->start(trip);
    trip->waitThrough(wait);
}

} // namespace

void runOnStore(StoreWait& wait, const QString& location, const QString& label,
                const StoreWork& work) {
    waitedTrip(wait, location, true, label, work);
}

void runOffThread(StoreWait& wait, const QString& label, const StoreWork& work) {
    waitedTrip(wait, QString(), false, label, work);
}

void runOffThread(StoreWait& wait, const QString& label,
                  const std::function<void(const ReadProgress& report)>& work,
                  const ReadProgress& progress) {
    runOffThread(wait, label, [&](StoreCall& call) {
        work([&](qint64 done, qint64 total) {
            return call.ask([&] { return !progress || progress(done, total); });
        });
    });
}

BackgroundTrip::BackgroundTrip(const QString& location, StoreWork work, QObject* context,
                               std::function<void(std::exception_ptr failure)> done)
    : m_trip(std::make_shared<Trip>(location, true, std::move(work), QString())) {
    const QPointer<QObject> receiver = context;
    const std::weak_ptr<Trip> weak = m_trip;
    m_trip->start(m_trip, [receiver, weak, done = std::move(done)] {
        // Told on the context's thread, unless this object went meanwhile.
        QMetaObject::invokeMethod(
            receiver.data(),
            [weak, done] {
                if (const auto trip = weak.lock(); trip && !trip->abandoned())
                    done(trip->failure());
            },
            Qt::QueuedConnection);
    });
}

BackgroundTrip::~BackgroundTrip() {
    m_trip->abandon();
    if (!m_trip->done())
        m_trip->interrupt();
    if (m_trip->joinFor(StopWaitMs))
        m_trip->end();
    else
        m_trip->leaveThread();
}

void BackgroundTrip::interrupt() { m_trip->interrupt(); }

} // namespace store
