#include "store/IdlePool.h"

#include <algorithm>
#include <atomic>

namespace store {

/// Every pool of the program. Never destroyed: a store thread may still reap while the
/// program's static pools go at its end, each leaving first.
struct IdleRegistry {
    std::mutex mutex; ///< held through a reap, so that a pool never goes in the middle of one
    std::vector<IdleReaping*> pools;
    std::atomic<void (*)()> waker{nullptr};

    static IdleRegistry& instance() {
        static auto* const registry = new IdleRegistry;
        return *registry;
    }
};

void IdleReaping::enlist() {
    IdleRegistry& registry = IdleRegistry::instance();
    const std::lock_guard lock(registry.mutex);
    registry.pools.push_back(this);
}

void IdleReaping::leave() {
    IdleRegistry& registry = IdleRegistry::instance();
    const std::lock_guard lock(registry.mutex);
    registry.pools.erase(std::remove(registry.pools.begin(), registry.pools.end(), this),
                         registry.pools.end());
}

void IdleReaping::reapAll() {
    IdleRegistry& registry = IdleRegistry::instance();
    const std::lock_guard lock(registry.mutex);
    const IdleClock::time_point now = IdleClock::now();
    for (IdleReaping* pool : registry.pools)
        pool->reap(now);
}

IdleClock::time_point IdleReaping::nextDue() {
    IdleRegistry& registry = IdleRegistry::instance();
    const std::lock_guard lock(registry.mutex);
    IdleClock::time_point due = IdleClock::time_point::max();
    for (const IdleReaping* pool : registry.pools)
        due = std::min(due, pool->due());
    return due;
}

void IdleReaping::setWaker(void (*wake)()) { IdleRegistry::instance().waker = wake; }

void IdleReaping::wakeReaper() {
    if (void (*const wake)() = IdleRegistry::instance().waker.load())
        wake();
}

} // namespace store
