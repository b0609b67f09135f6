#include "store/runtime/ChangeWatcher.h"

#include "store/Store.h"
#include "store/WatchSource.h"

namespace store {

/// Carries what the watch's thread reports into the owner's thread: each report is a queued
/// call on the watcher, which Qt drops with the watcher if it is gone by then.
class ChangeWatcher::Relay : public watch::Sink {
public:
    explicit Relay(ChangeWatcher* watcher) : m_watcher(watcher) {}
    void watching() override {
        post([](ChangeWatcher* w) { Q_EMIT w->watching(); });
    }
    void changes(const Changes& changes) override {
        post([changes](ChangeWatcher* w) { Q_EMIT w->changed(changes); });
    }
    void editors(int others) override {
        post([others](ChangeWatcher* w) { Q_EMIT w->editorsChanged(others); });
    }
    void notice(const QString& text) override {
        post([text](ChangeWatcher* w) { Q_EMIT w->notice(text); });
    }

private:
    template <typename F> void post(F emitter) {
        ChangeWatcher* watcher = m_watcher;
        QMetaObject::invokeMethod(
            watcher, [watcher, emitter] { emitter(watcher); }, Qt::QueuedConnection);
    }
    ChangeWatcher* m_watcher;
};

ChangeWatcher::ChangeWatcher(const QString& location, QObject* parent)
    : QObject(parent), m_relay(std::make_unique<Relay>(this)) {
    qRegisterMetaType<store::Changes>();
    if (const std::optional<QString> file = databaseFile(location))
        m_source = watch::watchFile(*file, *m_relay);
    else
        m_source = watch::watchServer(location, *m_relay);
}

ChangeWatcher::~ChangeWatcher() {
    // The thread is stopped first, so nothing reports to the relay once it is gone.
    m_source.reset();
}

void ChangeWatcher::setIntervals(int pollMs, int groupMs) {
    m_source->setIntervals(pollMs, groupMs);
}

void ChangeWatcher::setTriggerCheck(int everyMs) {
    m_source->setTriggerCheck(everyMs);
}

} // namespace store
