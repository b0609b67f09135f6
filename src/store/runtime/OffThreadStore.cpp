#include "store/runtime/OffThreadStore.h"

#include "store/DatabaseCheck.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>

#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>
#include <vector>

namespace store {

namespace {

/// How many calls are being waited for on the window's thread (a call waited for inside
/// another's wait counts again).
std::atomic<int> waitingCalls{0};

/// How often a cancelled call is interrupted again while it runs: an interrupt that came
/// between two of its statements stopped nothing.
constexpr int ReinterruptMs = 50;

} // namespace

bool storeCallWaiting() {
    return waitingCalls.load() > 0;
}

StoreError operationCancelled() {
    return StoreError(OperationCancelled,
                      QStringLiteral("The operation was cancelled; nothing of it was written."));
}

/// A thread that runs one task at a time for the store that holds it. A store's thread is
/// taken from the idle ones and given back once the store has closed there, since starting
/// a thread costs more than a small call.
class Worker {
public:
    Worker() : m_thread([this] { loop(); }) {}
    ~Worker() {
        {
            const std::lock_guard lock(m_mutex);
            m_quit = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    /// Starts `task` on the thread; it reports its own end. Never while another task runs.
    void start(const std::function<void()>& task) {
        {
            const std::lock_guard lock(m_mutex);
            m_task = &task;
        }
        m_wake.notify_all();
    }

    /// An idle thread, or a new one.
    static std::unique_ptr<Worker> take() {
        {
            const std::lock_guard lock(idleMutex);
            if (!idle().empty()) {
                std::unique_ptr<Worker> worker = std::move(idle().back());
                idle().pop_back();
                return worker;
            }
        }
        return std::make_unique<Worker>();
    }
    /// Keeps the thread for the next store; a few at most.
    static void giveBack(std::unique_ptr<Worker> worker) {
        const std::lock_guard lock(idleMutex);
        if (idle().size() < 2)
            idle().push_back(std::move(worker));
    }

private:
    void loop() {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return m_task != nullptr || m_quit; });
            if (!m_task)
                return;
            const std::function<void()>* task = std::exchange(m_task, nullptr);
            lock.unlock();
            (*task)();
            lock.lock();
        }
    }

    /// Never destroyed: the idle threads wait until the program ends.
    static std::vector<std::unique_ptr<Worker>>& idle() {
        static auto* const workers = new std::vector<std::unique_ptr<Worker>>;
        return *workers;
    }
    static inline std::mutex idleMutex;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    const std::function<void()>* m_task = nullptr;
    bool m_quit = false;
    std::thread m_thread;
};

/// The proxy: the real store lives on a worker thread, from its open to its close.
class OffThreadStore final : public Store {
public:
    OffThreadStore(const QString& location, StoreWait& wait, std::unique_ptr<StoreWait> owned,
                   const QString& label)
        : m_ownedWait(std::move(owned)), m_wait(wait), m_label(label), m_waker(new QObject),
          m_worker(Worker::take()) {
        try {
            run([this, location] {
                std::unique_ptr<Store> opened = openStore(location, m_opening);
                const std::lock_guard lock(m_realMutex);
                m_real = std::move(opened);
            });
        } catch (...) {
            stop();
            throw;
        }
    }

    ~OffThreadStore() override { stop(); }

    OffThreadStore(const OffThreadStore&) = delete;
    OffThreadStore& operator=(const OffThreadStore&) = delete;

    std::vector<ItemLine> itemLines() override {
        return call([](Store& db) { return db.itemLines(); });
    }
    std::optional<Item> findItem(const QString& id) override {
        return call([&](Store& db) { return db.findItem(id); });
    }
    std::vector<std::optional<Item>> findItems(const QStringList& ids) override {
        return call([&](Store& db) { return db.findItems(ids); });
    }
    std::vector<ComponentLines> componentsOfEach(const QStringList& assemblies) override {
        return call([&](Store& db) { return db.componentsOfEach(assemblies); });
    }
    QHash<QString, ComponentLines> allComponentLines() override {
        return call([](Store& db) { return db.allComponentLines(); });
    }
    qint64 lineEstimate() override {
        return call([](Store& db) { return db.lineEstimate(); });
    }
    QHash<QString, ComponentLines> reachableLines(const QString& item) override {
        return call([&](Store& db) { return db.reachableLines(item); });
    }
    std::optional<std::optional<double>> findQuantity(const QString& assembly,
                                                      const QString& component) override {
        return call([&](Store& db) { return db.findQuantity(assembly, component); });
    }
    void addLine(const QString& assembly, const QString& component, double quantity,
                 const QDateTime& startDate) override {
        call([&](Store& db) { db.addLine(assembly, component, quantity, startDate); });
    }
    std::optional<LineRow> findLine(const QString& assembly, const QString& component) override {
        return call([&](Store& db) { return db.findLine(assembly, component); });
    }
    /// One call for all of them: a read of many lines waits once, not once a line.
    std::vector<std::optional<LineRow>> findLines(const std::vector<LineRow>& rows) override {
        return call([&](Store& db) { return db.findLines(rows); });
    }
    std::optional<LineRow> takeLine(const QString& assembly, const QString& component) override {
        return call([&](Store& db) { return db.takeLine(assembly, component); });
    }
    void restoreLine(const LineRow& row) override {
        call([&](Store& db) { db.restoreLine(row); });
    }
    void removeUnchangedLine(const LineRow& row) override {
        call([&](Store& db) { db.removeUnchangedLine(row); });
    }
    bool structureContains(const QString& item, const QString& target) override {
        return call([&](Store& db) { return db.structureContains(item, target); });
    }
    std::vector<WhereUsedRow> whereUsed(const QString& item,
                                        const ReadProgress& progress) override {
        if (!progress)
            return call([&](Store& db) { return db.whereUsed(item); });
        // Each report is answered on the caller's thread, where the progress is shown.
        return call([&](Store& db) {
            return db.whereUsed(item, [&](qint64 done, qint64 total) {
                return onCaller([&] { return progress(done, total); });
            });
        });
    }
    bool readForCheck(CheckSink& sink) override {
        // The sink sees the rows on this thread while the caller waits, so never two threads
        // at once; whether to go on is asked on the caller's thread, which shows the progress.
        class Forward : public CheckSink {
        public:
            Forward(OffThreadStore& store, CheckSink& sink) : m_store(store), m_sink(sink) {}
            void expect(qint64 items, qint64 lines) override { m_sink.expect(items, lines); }
            void item(const StoredId& id) override { m_sink.item(id); }
            void line(const StoredId& assembly, const StoredId& component,
                      const StoredQuantity& quantity) override {
                m_sink.line(assembly, component, quantity);
            }
            bool proceed() override {
                return m_store.onCaller([this] { return m_sink.proceed(); });
            }

        private:
            OffThreadStore& m_store;
            CheckSink& m_sink;
        };
        return call([&](Store& db) {
            Forward forward(*this, sink);
            return db.readForCheck(forward);
        });
    }
    bool hasLines(const QString& assembly) override {
        return call([&](Store& db) { return db.hasLines(assembly); });
    }
    BatchRefusals checkLines(const LineBatch& batch) override {
        return call([&](Store& db) { return db.checkLines(batch); });
    }
    void writeLines(const LineBatch& batch) override {
        call([&](Store& db) { db.writeLines(batch); });
    }
    std::vector<LineRow> lineRowsOf(const QString& assembly) override {
        return call([&](Store& db) { return db.lineRowsOf(assembly); });
    }
    std::vector<LineRow> lineRowsUsing(const QString& component) override {
        return call([&](Store& db) { return db.lineRowsUsing(component); });
    }
    /// From any thread. The interrupt itself runs on a thread of its own: a server's
    /// cancel request is a connection of its own, which an unreachable server would keep
    /// waiting.
    void interrupt() override {
        m_cancelled = true;
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

private:
    LineRow updateQuantity(const QString& assembly, const QString& component,
                           const QVariant& expected, const QVariant* startDate,
                           const QVariant& quantity) override {
        return call([&](Store& db) {
            return db.updateQuantity(assembly, component, expected, startDate, quantity);
        });
    }

    /// Runs `work` on the real store on the worker thread and returns what it returns.
    template <class Work> auto call(Work&& work) -> std::invoke_result_t<Work&, Store&> {
        using Result = std::invoke_result_t<Work&, Store&>;
        if (m_cancelled)
            throw operationCancelled();
        if constexpr (std::is_void_v<Result>) {
            run([&] { work(*m_real); });
        } else {
            std::optional<Result> result;
            run([&] { result.emplace(work(*m_real)); });
            return std::move(*result);
        }
    }

    /// Hands `task` to the worker thread and waits until it has run; its exception is thrown
    /// here, as OperationCancelled when the user cancelled meanwhile.
    void run(const std::function<void()>& task) {
        {
            const std::lock_guard lock(m_mutex);
            m_done = false;
            m_failure = nullptr;
        }
        const std::function<void()> job = [this, &task] {
            std::exception_ptr failure;
            try {
                task();
            } catch (...) {
                failure = std::current_exception();
            }
            const std::lock_guard lock(m_mutex);
            m_failure = failure;
            m_done = true;
            wakeCaller();
        };
        m_worker->start(job);
        QTimer again;
        QObject::connect(&again, &QTimer::timeout, [this] { interrupt(); });
        ++waitingCalls;
        m_wait.waitFor([this] { return finished(); },
                       [this, &again] {
                           interrupt();
                           again.start(ReinterruptMs);
                       },
                       m_label);
        --waitingCalls;
        std::exception_ptr failure;
        {
            const std::lock_guard lock(m_mutex);
            failure = std::exchange(m_failure, nullptr);
        }
        if (!failure)
            return;
        if (m_cancelled) {
            // What the interrupt made of the call (a statement stopped, a lock given up) is
            // the user's Cancel, and the call's transaction was rolled back all the same.
            try {
                std::rethrow_exception(failure);
            } catch (const StoreError&) {
                throw operationCancelled();
            }
        }
        std::rethrow_exception(failure);
    }

    /// On the caller's thread: runs the callback the worker is waiting for, if any, and says
    /// whether the task has ended.
    bool finished() {
        std::unique_lock lock(m_mutex);
        if (m_callback) {
            const std::function<void()>* callback = m_callback;
            lock.unlock();
            (*callback)();
            lock.lock();
            m_callback = nullptr;
            m_wake.notify_all();
        }
        return m_done;
    }

    /// On the worker thread: runs `ask` on the caller's thread and returns its answer.
    template <class Ask> bool onCaller(Ask&& ask) {
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
        return answer;
    }

    /// Closes the real store on its thread, waiting for nothing else, and gives the thread
    /// back.
    void stop() {
        {
            const std::lock_guard interrupting(m_interruptMutex);
            if (m_interrupter.joinable())
                m_interrupter.join();
        }
        bool closed = false;
        const std::function<void()> close = [this, &closed] {
            std::unique_ptr<Store> closing;
            {
                const std::lock_guard realLock(m_realMutex);
                closing = std::move(m_real);
            }
            closing.reset();
            const std::lock_guard lock(m_mutex);
            closed = true;
            m_wake.notify_all();
        };
        m_worker->start(close);
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [&closed] { return closed; });
        lock.unlock();
        Worker::giveBack(std::move(m_worker));
    }

    /// Lets the caller's wait look again (an event for an object of the caller's thread).
    void wakeCaller() { QCoreApplication::postEvent(m_waker.get(), new QEvent(QEvent::User)); }

    std::unique_ptr<StoreWait> m_ownedWait;
    StoreWait& m_wait;
    QString m_label;
    std::unique_ptr<QObject> m_waker;
    std::atomic<bool> m_cancelled{false};
    OpenInterruption m_opening; ///< stops the open, before there is a store to interrupt

    std::mutex m_mutex;
    std::condition_variable m_wake;
    const std::function<void()>* m_callback = nullptr; ///< what the worker asks of the caller
    std::exception_ptr m_failure;
    bool m_done = true;

    std::mutex m_realMutex; ///< an interrupt never meets the store being opened or closed
    std::unique_ptr<Store> m_real;

    std::mutex m_interruptMutex; ///< one interrupt at a time, whichever thread asks
    std::atomic<bool> m_interrupting{false};
    std::thread m_interrupter;
    std::unique_ptr<Worker> m_worker;
};

void runOffThread(StoreWait& wait, const QString& label,
                  const std::function<void(const ReadProgress& report)>& work,
                  const ReadProgress& progress) {
    std::mutex mutex;
    std::condition_variable answered;
    bool done = false;
    std::exception_ptr failure;
    // A report waiting for its answer on the caller's thread: (done, total), and the answer.
    std::optional<std::pair<qint64, qint64>> asked;
    bool answer = true;
    std::atomic<bool> cancelled{false};
    const std::unique_ptr<QObject> waker(new QObject);
    const auto wake = [&] { QCoreApplication::postEvent(waker.get(), new QEvent(QEvent::User)); };
    const ReadProgress report = [&](qint64 part, qint64 total) {
        if (cancelled)
            return false;
        std::unique_lock lock(mutex);
        asked.emplace(part, total);
        wake();
        answered.wait(lock, [&] { return !asked; });
        return answer && !cancelled;
    };
    std::thread thread([&] {
        std::exception_ptr thrown;
        try {
            work(report);
        } catch (...) {
            thrown = std::current_exception();
        }
        const std::lock_guard lock(mutex);
        failure = thrown;
        done = true;
        wake();
    });
    const auto finished = [&] {
        std::unique_lock lock(mutex);
        if (asked) {
            const auto [part, total] = *asked;
            lock.unlock();
            const bool going = !progress || progress(part, total);
            lock.lock();
            answer = going;
            asked.reset();
            answered.notify_all();
        }
        return done;
    };
    ++waitingCalls;
    wait.waitFor(
        finished, [&] { cancelled = true; }, label);
    --waitingCalls;
    thread.join();
    if (failure)
        std::rethrow_exception(failure);
}

std::unique_ptr<Store> openStoreOffThread(const QString& location, StoreWait& wait,
                                          const QString& label) {
    return std::make_unique<OffThreadStore>(location, wait, nullptr, label);
}

std::unique_ptr<Store> openStoreOffThread(const QString& location, std::unique_ptr<StoreWait> wait,
                                          const QString& label) {
    StoreWait& waiting = *wait;
    return std::make_unique<OffThreadStore>(location, waiting, std::move(wait), label);
}

} // namespace store
