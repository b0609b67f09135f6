#pragma once

// What the store keeps open between operations so that the next one need not open it again: a
// server's connections, a file history's connections, the store's own threads. Each kind is
// one IdlePool: a few idle ones for each key, each closed once it has sat unused for a while.
// Nothing watches the time on a thread of its own: every take and put closes what is past its
// time, and so do the store's idle threads (IdleReaping::reapAll) when the next one falls due.

#include <QString>

#include <chrono>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace store {

using IdleClock = std::chrono::steady_clock;

/// What every pool shows the one that reaps them all.
class IdleReaping {
public:
    IdleReaping(const IdleReaping&) = delete;
    IdleReaping& operator=(const IdleReaping&) = delete;

    /// Closes, in every pool, what sat unused past its time.
    static void reapAll();
    /// When something kept in a pool is next past its time; time_point::max() for never.
    static IdleClock::time_point nextDue();
    /// Set once by the store's threads: called, from the thread that put it, after something
    /// was put into a pool, so that a thread waiting for nextDue looks again. Without it, what
    /// a pool keeps is closed at that pool's next take or put, or with the pool.
    static void setWaker(void (*wake)());

protected:
    IdleReaping() = default;
    virtual ~IdleReaping() = default;
    /// Joins the pools reapAll sees; leave() before anything of the pool goes.
    void enlist();
    /// Leaves them, once a reap of this pool that runs has ended.
    void leave();
    static void wakeReaper();

private:
    virtual void reap(IdleClock::time_point now) = 0;
    virtual IdleClock::time_point due() const = 0;
    friend struct IdleRegistry;
};

/// Idle things of type `Resource`, by key: at most `perKey` for one key and `total` in all,
/// the one used last kept where there is no room for both; each closed (destroyed) once
/// `keepFor` passes without anyone taking it. `sound` says whether one can still serve: one
/// that cannot is closed, never kept and never handed out. Whatever is closed is closed outside
/// the pool's lock, so that a slow close holds up no other take or put. From any thread.
template <typename Resource>
class IdlePool final : public IdleReaping {
public:
    struct Limits {
        int perKey = 1;
        int total = std::numeric_limits<int>::max();
        IdleClock::duration keepFor = IdleClock::duration::max(); ///< max(): until the end
    };
    using Sound = std::function<bool(const Resource&)>;

    explicit IdlePool(Limits limits, Sound sound = {})
        : m_limits(limits), m_sound(std::move(sound)) {
        enlist();
    }
    ~IdlePool() override {
        leave();
        clear();
    }

    /// The one of `key` put last that can still serve; none when there is none.
    std::unique_ptr<Resource> take(const QString& key) {
        for (;;) {
            std::vector<Idle> closing;
            std::unique_ptr<Resource> found;
            {
                const std::lock_guard lock(m_mutex);
                expire(IdleClock::now(), closing);
                for (auto it = m_idle.rbegin(); it != m_idle.rend(); ++it)
                    if (it->key == key) {
                        found = std::move(it->resource);
                        m_idle.erase(std::next(it).base());
                        break;
                    }
            }
            if (!found || !m_sound || m_sound(*found))
                return found;
            // Broken while it sat idle (a server that ended the connection): closed here, and
            // the next one of the key is tried.
        }
    }

    /// Keeps `resource` for the next take of `key`, unless it cannot serve.
    void put(const QString& key, std::unique_ptr<Resource> resource) {
        if (!resource || (m_sound && !m_sound(*resource)))
            return;
        std::vector<Idle> closing;
        {
            const std::lock_guard lock(m_mutex);
            const IdleClock::time_point now = IdleClock::now();
            expire(now, closing);
            int ofKey = 0;
            for (const Idle& idle : m_idle)
                ofKey += idle.key == key;
            // The oldest goes first: of the key, then of all.
            for (auto it = m_idle.begin(); it != m_idle.end() && ofKey >= m_limits.perKey;) {
                if (it->key == key) {
                    closing.push_back(std::move(*it));
                    it = m_idle.erase(it);
                    --ofKey;
                } else {
                    ++it;
                }
            }
            while (!m_idle.empty() && qsizetype(m_idle.size()) >= qsizetype(m_limits.total)) {
                closing.push_back(std::move(m_idle.front()));
                m_idle.erase(m_idle.begin());
            }
            if (m_limits.perKey > 0 && m_limits.total > 0)
                m_idle.push_back({key, std::move(resource), now});
        }
        closing.clear();
        resource.reset();
        wakeReaper();
    }

    /// Closes every idle one now.
    void clear() {
        std::vector<Idle> closing;
        const std::lock_guard lock(m_mutex);
        closing.swap(m_idle);
        // `closing` goes after the lock: declared before it.
    }

    /// How many are kept now.
    qsizetype idle() const {
        const std::lock_guard lock(m_mutex);
        return qsizetype(m_idle.size());
    }

private:
    struct Idle {
        QString key;
        std::unique_ptr<Resource> resource;
        IdleClock::time_point since;
    };

    bool forever() const { return m_limits.keepFor == IdleClock::duration::max(); }

    /// Moves what is past its time to `closing`. Under the lock.
    void expire(IdleClock::time_point now, std::vector<Idle>& closing) {
        if (forever())
            return;
        for (auto it = m_idle.begin(); it != m_idle.end();) {
            if (now - it->since >= m_limits.keepFor) {
                closing.push_back(std::move(*it));
                it = m_idle.erase(it);
            } else {
                ++it;
            }
        }
    }

    void reap(IdleClock::time_point now) override {
        std::vector<Idle> closing;
        const std::lock_guard lock(m_mutex);
        expire(now, closing);
    }

    IdleClock::time_point due() const override {
        const std::lock_guard lock(m_mutex);
        if (forever() || m_idle.empty())
            return IdleClock::time_point::max();
        // Put in the order of time: the first is the oldest.
        return m_idle.front().since + m_limits.keepFor;
    }

    const Limits m_limits;
    const Sound m_sound;
    mutable std::mutex m_mutex;
    std::vector<Idle> m_idle; ///< oldest first
};

} // namespace store
