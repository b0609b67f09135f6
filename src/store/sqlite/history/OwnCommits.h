#pragma once

// Which commits to a database file were this process's own. In a file with a rollback journal
// SQLite moves the file change counter (bytes 24–27 of its header) by exactly one at every
// commit that wrote a page: a write that reads it while it holds the file's write lock knows
// the step its commit takes, and so does every editor that records it in the history. A look
// that finds the counter moved only by such steps knows what was written without reading the
// tables. In write-ahead-log mode the counter does not move with every commit: there it is not
// read, and every look compares.

#include <QString>

#include <optional>

struct sqlite3;

namespace store::history {

/// The change counter of the file attached as `schema` on `db`, read from the file itself.
/// The caller holds a read or write transaction on it. Empty in write-ahead-log mode or when
/// the header cannot be read.
std::optional<quint32> changeCounter(sqlite3* db, const char* schema = "main");

/// A name for the file `path` that stays the same however it is spelt (device and inode);
/// empty when there is none.
QString fileKey(const QString& path);

/// A write of this process holds the write lock of the file `key`, at counter `before`; its
/// commit, when it writes, takes the counter to before + 1. Said before the commit, so that a
/// watch that hears the commit at once already knows it.
void beginOwnCommit(const QString& key, quint32 before);
/// The write begun at `before` ended: `wrote` when it committed rows, so that its step is its.
void endOwnCommit(const QString& key, quint32 before, bool wrote);
/// The counter at which this process's write under way on `key` began; empty if none.
std::optional<quint32> ownCommitUnderWay(const QString& key);
/// Whether every step from `from` to `to` was a commit of this process's; the steps up to
/// `to` are forgotten either way (each is asked about once).
bool onlyOwnCommits(const QString& key, quint32 from, quint32 to);

} // namespace store::history
