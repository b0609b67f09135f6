#include "store/postgres/PgSession.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

// The connections kept between operations: a few idle ones per server, closed after a while
// unused.

namespace store::pg {

namespace {

using Clock = std::chrono::steady_clock;

/// A kept connection that no operation took within this is closed: an editor left open
/// holds no server process for nothing.
constexpr auto KeepIdleFor = std::chrono::seconds(30);
/// At most this many kept connections a server: one for the window's operation, one for a
/// re-read of other editors' changes that runs meanwhile.
constexpr int KeptPerServer = 2;

class KeptSessions {
public:
    ~KeptSessions() {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        if (m_reaper.joinable())
            m_reaper.join();
        m_idle.clear();
    }

    std::unique_ptr<Session> take(const QString& uri) {
        for (;;) {
            std::unique_ptr<Session> session;
            {
                const std::lock_guard lock(m_mutex);
                for (auto it = m_idle.rbegin(); it != m_idle.rend(); ++it)
                    if (it->session->givenUri() == uri) {
                        session = std::move(it->session);
                        m_idle.erase(std::next(it).base());
                        break;
                    }
            }
            if (!session)
                return nullptr;
            // A server that ended the connection meanwhile said so on it; another is tried.
            if (!session->spokeWhileIdle() && !session->lost())
                return session;
        }
    }

    void keep(std::unique_ptr<Session> session) {
        if (!session->reusable())
            return; // closed here, on the thread that used it last
        std::unique_ptr<Session> surplus;
        {
            const std::lock_guard lock(m_mutex);
            int kept = 0;
            for (const Idle& idle : m_idle)
                kept += idle.session->givenUri() == session->givenUri();
            if (kept >= KeptPerServer) {
                surplus = std::move(session);
            } else {
                m_idle.push_back({std::move(session), Clock::now()});
                if (!m_reaper.joinable())
                    m_reaper = std::thread([this] { reap(); });
            }
        }
        m_wake.notify_all();
    }

    void closeAll() {
        std::vector<Idle> closing;
        {
            const std::lock_guard lock(m_mutex);
            closing.swap(m_idle);
        }
    }

private:
    struct Idle {
        std::unique_ptr<Session> session;
        Clock::time_point since;
    };

    /// Closes the connections kept longer than KeepIdleFor, until the program ends.
    void reap() {
        std::unique_lock lock(m_mutex);
        while (!m_stop) {
            const auto now = Clock::now();
            std::vector<Idle> closing;
            auto oldest = now + KeepIdleFor;
            for (auto it = m_idle.begin(); it != m_idle.end();) {
                if (now - it->since >= KeepIdleFor) {
                    closing.push_back(std::move(*it));
                    it = m_idle.erase(it);
                } else {
                    oldest = std::min(oldest, it->since + KeepIdleFor);
                    ++it;
                }
            }
            if (!closing.empty()) {
                lock.unlock();
                closing.clear();
                lock.lock();
                continue;
            }
            m_wake.wait_until(lock, oldest);
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::vector<Idle> m_idle; ///< oldest first
    std::thread m_reaper;
};

KeptSessions& keptSessions() {
    static KeptSessions kept;
    return kept;
}

} // namespace

std::unique_ptr<Session> takeSession(const QString& uri, bool* kept) {
    std::unique_ptr<Session> session = keptSessions().take(uri);
    if (kept)
        *kept = session != nullptr;
    return session ? std::move(session) : std::make_unique<Session>(uri);
}

void keepSession(std::unique_ptr<Session> session) {
    if (session)
        keptSessions().keep(std::move(session));
}

void closeKeptSessions() { keptSessions().closeAll(); }

} // namespace store::pg
