#pragma once

// Between ChangeWatcher and the backend that watches one kind of database on a thread of its
// own. Used by the files of src/store only.

#include "store/ChangeSet.h"

#include <QString>

#include <memory>

namespace store::watch {

/// How often a file is checked, how long a burst is gathered before it is reported, and how
/// often a server's change triggers are read again while it listens, unless the watcher's
/// owner says otherwise (ChangeWatcher::setIntervals, setTriggerCheck).
inline constexpr int DefaultPollMs = 1000;
inline constexpr int DefaultGroupMs = 100;
inline constexpr int DefaultTriggerCheckMs = 60000;

/// Where a watcher's thread reports to; called on that thread.
class Sink {
public:
    virtual ~Sink() = default;
    virtual void watching() = 0;
    virtual void changes(const Changes& changes) = 0;
    virtual void editors(int others) = 0;
    virtual void notice(const QString& text) = 0;
};

/// A running watch of one database; destroying it stops its thread and releases its
/// connection before it returns, so the sink is not called afterwards.
class Source {
public:
    virtual ~Source() = default;
    virtual void setIntervals(int pollMs, int groupMs) = 0;
    /// A server's: how often the change triggers are read again while it listens. A file has
    /// none.
    virtual void setTriggerCheck(int /*everyMs*/) {}
};

/// A kept read-only connection to the file, its data_version checked every poll.
std::unique_ptr<Source> watchFile(const QString& path, Sink& sink);
/// A connection of its own that listens for the change triggers' notices.
std::unique_ptr<Source> watchServer(const QString& uri, Sink& sink);

} // namespace store::watch
