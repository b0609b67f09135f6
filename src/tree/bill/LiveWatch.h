#pragma once

#include "store/ChangeSet.h"

#include <QObject>
#include <QString>

#include <memory>

namespace store {
class ChangeWatcher;
}

namespace tree {

/// The watch of other editors' and programs' commits on the database open, as the window keeps
/// it: the store's watcher, on a thread of its own, behind the tree, so that the window holds
/// no store object. Its signals are the watcher's, delivered on the owner's thread.
class LiveWatch : public QObject {
    Q_OBJECT
public:
    explicit LiveWatch(const QString& location, QObject* parent = nullptr);
    ~LiveWatch() override; // stops the watcher's thread and releases its connection
    /// How often a file is checked and how long a burst is gathered; tests make them short.
    void setIntervals(int pollMs, int groupMs);

Q_SIGNALS:
    /// The watch stands: what is read from now on misses no commit.
    void watching();
    /// Commits of others, a burst folded into one.
    void changed(const store::Changes& changes);
    /// Server only: how many other editors have this database open.
    void editorsChanged(int others);
    /// Something about the watch itself for the status bar.
    void notice(const QString& text);

private:
    std::unique_ptr<store::ChangeWatcher> m_watcher;
};

} // namespace tree
