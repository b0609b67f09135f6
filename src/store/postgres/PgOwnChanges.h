#pragma once

// Which change sets of a server's history are this editor's own. A change set is one
// transaction, and its id is given by the server: no other session can write under it. So the
// editor notes the id of each of its write transactions (the history's MarkWriter gives it in
// the round trip that begins the write), and the history lists those, and only those, as this
// editor's, whatever another session calls itself. Used by the files of src/store/postgres.

#include "store/ServerAddress.h"

#include <QString>

namespace store::pg {

/// The write transaction `txid` on the server at `address` is this editor process's own.
void noteOwnChangeSet(const ParsedServerAddress& address, qint64 txid);

/// This process's change sets on the server at `address`, as an array literal for a bigint[]
/// parameter ("{}" when there are none).
QString ownChangeSets(const ParsedServerAddress& address);

} // namespace store::pg
