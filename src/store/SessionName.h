#pragma once

// The names this editor's connections give a server, which other editors count them by.

#include <QString>

namespace store {

/// The application_name that every connection of this editor process gives the server, the
/// same for all of them ("fabrilux-bom-editor/<pid>@<host>", at most 63 bytes): the watcher
/// counts the other editors by it. It does not tell the editor's own notices from others':
/// anyone can read it and give it to a session of theirs, and two editors in containers may
/// have the same; those go by the server's process IDs of the editor's own connections.
QString editorSessionName();

/// The user this process runs as, as the system names them: who made a change, in the history
/// of a file and in a server's.
QString systemUserName();

/// The application_name this process's connections give the server: editorSessionName()
/// unless the program said otherwise (bom-import calls itself "fabrilux-bom-import", so that
/// what it writes shows in the editors).
QString sessionApplicationName();
/// Names this process's later connections; only letters, digits and ". _ - / @" are kept
/// (others become "-"), at most 63 bytes, so the name needs no quoting anywhere.
void setSessionApplicationName(const QString& name);

} // namespace store
