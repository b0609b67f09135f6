// What the store keeps idle between operations (a server's connections, a file history's, the
// store's threads): how many are kept, how long, that a broken one is never handed out again,
// and that the store's idle threads close what is past its time without anyone asking; and the
// errands its threads run for nobody who waits.

#include "store/IdlePool.h"
#include "store/runtime/StoreThread.h"

#include <QCoreApplication>
#include <QTest>

#include <mutex>
#include <thread>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

/// The names of what was closed, on whichever thread.
struct Closed {
    std::mutex mutex;
    QStringList names;
    void add(const QString& name) {
        const std::lock_guard lock(mutex);
        names.append(name);
    }
    QStringList all() {
        const std::lock_guard lock(mutex);
        return names;
    }
    void clear() {
        const std::lock_guard lock(mutex);
        names.clear();
    }
};

/// Something kept: closing it is noted, and it can break while it sits idle.
struct Kept {
    QString name;
    Closed* closed;
    bool broken = false;
    ~Kept() { closed->add(name); }
};

struct Wait : store::StoreWait {
    void waitFor(const std::function<bool()>& finished, const std::function<void()>&,
                 const QString&) override {
        while (!finished())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
};

} // namespace

class IdlePoolTest : public QObject {
    Q_OBJECT

    Closed m_closed;
    QStringList closed() { return m_closed.all(); }
    std::unique_ptr<Kept> made(const QString& name) {
        return std::unique_ptr<Kept>(new Kept{name, &m_closed});
    }
    static QString nameOf(const std::unique_ptr<Kept>& kept) { return kept ? kept->name : QString(); }

private Q_SLOTS:
    void init() { m_closed.clear(); }

    void keepsAFewByKeyAndNeverHandsOutABrokenOne() {
        store::IdlePool<Kept> pool({.perKey = 2, .total = 3, .keepFor = 1h},
                                   [](const Kept& kept) { return !kept.broken; });
        // The oldest of the key goes for the third, the oldest of all past the total.
        pool.put(u"a"_s, made(u"a1"_s));
        pool.put(u"a"_s, made(u"a2"_s));
        pool.put(u"a"_s, made(u"a3"_s));
        QCOMPARE(closed(), QStringList{u"a1"_s});
        pool.put(u"b"_s, made(u"b1"_s));
        pool.put(u"c"_s, made(u"c1"_s));
        QCOMPARE(closed(), (QStringList{u"a1"_s, u"a2"_s}));
        QCOMPARE(pool.idle(), 3);
        // The one put last comes first; none is handed out twice.
        const auto a3 = pool.take(u"a"_s);
        QCOMPARE(nameOf(a3), u"a3"_s);
        QVERIFY(!pool.take(u"a"_s));
        // One that cannot serve is closed at once, not kept.
        auto broken = made(u"b2"_s);
        broken->broken = true;
        pool.put(u"b"_s, std::move(broken));
        QCOMPARE(closed().last(), u"b2"_s);
        // One that broke while it sat idle is closed when its turn comes, and the next tried.
        auto b3 = made(u"b3"_s);
        Kept* const idleB3 = b3.get();
        pool.put(u"b"_s, std::move(b3));
        idleB3->broken = true;
        const auto b1 = pool.take(u"b"_s);
        QCOMPARE(nameOf(b1), u"b1"_s);
        QCOMPARE(closed().last(), u"b3"_s);
        QVERIFY(!pool.take(u"b"_s));
        QCOMPARE(pool.idle(), 1);
        pool.clear();
        QCOMPARE(closed().last(), u"c1"_s);
        QCOMPARE(pool.idle(), 0);
    }

    void closesWhatSatUnusedPastItsTime() {
        // At the next take or put of the pool, whichever key.
        {
            store::IdlePool<Kept> pool({.perKey = 2, .keepFor = 5ms});
            pool.put(u"a"_s, made(u"a1"_s));
            QVERIFY(store::IdleReaping::nextDue() <= store::IdleClock::now() + 5ms);
            std::this_thread::sleep_for(20ms);
            QVERIFY(closed().isEmpty());
            QVERIFY(!pool.take(u"b"_s));
            QCOMPARE(closed(), QStringList{u"a1"_s});
        }
        // Without anyone asking, by the store's idle thread, once a trip has run: no thread of
        // the pool's own.
        m_closed.clear();
        Wait wait;
        store::runOffThread(wait, u"Nothing"_s, [](store::StoreCall&) {});
        store::IdlePool<Kept> pool({.keepFor = 50ms});
        pool.put(u"a"_s, made(u"a1"_s));
        QTRY_COMPARE_WITH_TIMEOUT(closed(), QStringList{u"a1"_s}, 5000);
        QCOMPARE(pool.idle(), 0);
        QCOMPARE(store::IdleReaping::nextDue(), store::IdleClock::time_point::max());
    }

    void errandsRunOffTheCallersThreadInTheOrderGiven() {
        const auto caller = std::this_thread::get_id();
        for (int i = 0; i < 50; ++i)
            store::runErrand([this, i, caller] {
                // A slow one holds up only those after it.
                if (i == 0)
                    std::this_thread::sleep_for(20ms);
                if (std::this_thread::get_id() != caller)
                    m_closed.add(QString::number(i));
            });
        QStringList expected;
        for (int i = 0; i < 50; ++i)
            expected.append(QString::number(i));
        QVERIFY(closed().size() < 50);
        QTRY_COMPARE_WITH_TIMEOUT(closed(), expected, 5000);
    }
};

QTEST_GUILESS_MAIN(IdlePoolTest)
#include "idle_pool_test.moc"
