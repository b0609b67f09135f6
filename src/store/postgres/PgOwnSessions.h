#pragma once

// Which server sessions are this editor's own, so that the change watcher skips the notices of
// its own writes and shows everyone else's. Used by the files of src/store/postgres only.

#include <QString>

namespace store::pg {

/// What tells one server from another for the sessions of this registry: its host (or socket
/// folder) and port as the address gives them. A server process ID means something only on
/// its own server: two servers (two containers) may each have a session with the same one.
QString serverOf(const QString& host, const QString& port);

/// A connection of this editor that may write was made: the server's process `pid` on
/// `server` is the editor's own from now on. Nothing is noted for a process that does not call
/// itself the editor (bom-import names itself otherwise, so that what it writes shows in the
/// editors as another program's change).
void noteOwnSession(const QString& server, int pid);
/// That connection was closed; its process ID is still taken for the editor's own for a short
/// while (see the .cpp), as the notices of its last commits may still be on their way.
void endOwnSession(const QString& server, int pid);
/// Whether the server process `pid` that sent a notice is (or just was) a connection of this
/// editor's own. Nothing outside this process can make it so: a session's process ID is given
/// by the server, and no other session can take one that is in use.
bool isOwnSession(const QString& server, int pid);

} // namespace store::pg
