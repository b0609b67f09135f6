#pragma once

#include <atomic>
#include <functional>
#include <mutex>

namespace store {

/// Stops a store while it is being opened (its check of the tables may wait for another
/// program's lock), before there is a store to interrupt: the store's constructor registers how
/// to stop it, and interrupt() may come from any thread.
class OpenInterruption {
public:
    /// From any thread: marks the open as stopped and stops what the constructor runs now.
    void interrupt() {
        m_interrupted = true;
        const std::lock_guard lock(m_mutex);
        if (m_stopper)
            m_stopper();
    }
    bool interrupted() const { return m_interrupted; }
    /// For the store's constructor: how to stop what it runs; empty before it returns.
    void setStopper(std::function<void()> stopper) {
        const std::lock_guard lock(m_mutex);
        m_stopper = std::move(stopper);
    }

private:
    std::atomic<bool> m_interrupted{false};
    std::mutex m_mutex;
    std::function<void()> m_stopper;
};

} // namespace store
