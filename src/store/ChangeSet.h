#pragma once

// What a watcher tells of other connections' commits: the same for a file and a server.

#include <QMetaType>
#include <QStringList>

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
    /// Every commit among them was known to be a program's that is no editor (a file's
    /// commits that no editor recorded); false where that is not known.
    bool byProgram = false;
    bool isEmpty() const;
    /// Adds `other`'s changes to these (a burst folded into one).
    void merge(const Changes& other);
};

} // namespace store

Q_DECLARE_METATYPE(store::Changes)
