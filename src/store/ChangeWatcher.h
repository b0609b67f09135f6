#pragma once

#include <QMetaType>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

namespace store {

/// What other connections committed, as a watcher heard of it.
struct Changes {
    /// Everything may have changed (a file's commit, a large import, a connection to the server
    /// that was lost and made again): what is shown is read again whole.
    bool everything = false;
    /// Assemblies whose lines were added, removed or changed; each once under the case rule.
    QStringList assemblies;
    /// Items whose ItemMaster row was added, removed or changed; each once under the case rule.
    QStringList items;
    bool isEmpty() const;
    /// Adds `other`'s changes to these (a burst folded into one).
    void merge(const Changes& other);
};

/// The application_name that every connection of this editor process gives the server, the
/// same for all of them ("fabrilux-bom-editor/<pid>@<host>", at most 63 bytes): the watcher
/// counts the other editors by it. It does not tell the editor's own notices from others':
/// anyone can read it and give it to a session of theirs, and two editors in containers may
/// have the same; those go by the server's process IDs of the editor's own connections.
QString editorSessionName();

/// The application_name this process's connections give the server: editorSessionName()
/// unless the program said otherwise (bom-import calls itself "fabrilux-bom-import", so that
/// what it writes shows in the editors).
QString sessionApplicationName();
/// Names this process's later connections; only letters, digits and ". _ - / @" are kept
/// (others become "-"), at most 63 bytes, so the name needs no quoting anywhere.
void setSessionApplicationName(const QString& name);

namespace watch {
class Source;
}

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

    static constexpr int DefaultPollMs = 1000;
    static constexpr int DefaultGroupMs = 100;
    static constexpr int DefaultTriggerCheckMs = 60000;

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

Q_DECLARE_METATYPE(store::Changes)
