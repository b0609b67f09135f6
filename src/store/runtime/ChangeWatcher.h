#pragma once

#include "store/ChangeSet.h"
#include "store/SessionName.h"
#include "store/WatchSource.h"

#include <QObject>
#include <QString>

#include <memory>

namespace store {

/// Watches the database at `location` (file or server) for commits of other connections, on a
/// thread of its own that keeps one connection of its own; never blocks the thread that owns it.
class ChangeWatcher : public QObject {
    Q_OBJECT
public:
    explicit ChangeWatcher(const QString& location, QObject* parent = nullptr);
    ~ChangeWatcher() override; // stops its thread and releases its connection, promptly
    /// How often a file is checked (default about 1000 ms) and how long a burst is gathered
    /// before it is reported (default about 100 ms); tests make them short.
    void setIntervals(int pollMs, int groupMs);

    /// Server only: how often the tables' change triggers are read again while the watch
    /// listens (default about a minute; they are read on every connection too); tests make it
    /// short.
    void setTriggerCheck(int everyMs);

    static constexpr int DefaultPollMs = watch::DefaultPollMs;
    static constexpr int DefaultGroupMs = watch::DefaultGroupMs;
    static constexpr int DefaultTriggerCheckMs = watch::DefaultTriggerCheckMs;

Q_SIGNALS: // delivered in the owner's thread (queued)
    /// Once, when the watch is in place (the file's state read, the server listened to): a
    /// commit from then on is reported. What is read after this signal misses no change.
    void watching();
    /// Commits of others, a burst folded into one signal.
    void changed(const store::Changes& changes);
    /// Server only: how many other editors have this database open; on start and on every change.
    void editorsChanged(int others);
    /// A text for the status bar, said once each time it becomes true: live changes cannot be
    /// shown (tables without the triggers, found at each connection and at each later check of
    /// them; a file that cannot be watched), the triggers are back, the connection to the
    /// server was lost, it was made again.
    void notice(const QString& text);

private:
    class Relay;
    std::unique_ptr<Relay> m_relay;
    std::unique_ptr<watch::Source> m_source;
};

} // namespace store

