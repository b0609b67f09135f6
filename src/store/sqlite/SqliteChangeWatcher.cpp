#include "store/WatchSource.h"

#include "store/History.h"
#include "store/StoreError.h"
#include "store/sqlite/HistoryFile.h"

#include <QFile>

#include <sqlite3.h>
#include <sys/stat.h>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace store::watch {

namespace {

/// Which file a path names now: a file renamed into place over it (an import writes a new
/// file and renames it) is another file under the same name.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> identityOf(const QByteArray& path) {
    struct stat info {};
    if (::stat(path.constData(), &info) != 0)
        return std::nullopt;
    return FileIdentity{info.st_dev, info.st_ino};
}

/// One read-only connection to the file, kept open: its data_version changes whenever any
/// other connection (another program, or the editor's own) commits. It never writes, and
/// never waits for a lock: a writer that holds one is simply asked again at the next check.
class FileConnection {
public:
    FileConnection() = default;
    FileConnection(const FileConnection&) = delete;
    FileConnection& operator=(const FileConnection&) = delete;
    ~FileConnection() { close(); }

    /// Opens `path`; on failure returns why and stays closed.
    QString open(const QByteArray& path) {
        close();
        if (sqlite3_open_v2(path.constData(), &m_db, SQLITE_OPEN_READONLY, nullptr) !=
            SQLITE_OK) {
            const QString why = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db))
                                     : QStringLiteral("out of memory");
            close();
            return why;
        }
        sqlite3_busy_timeout(m_db, 0);
        if (sqlite3_prepare_v3(m_db, "PRAGMA data_version", -1, SQLITE_PREPARE_PERSISTENT,
                               &m_version, nullptr) != SQLITE_OK) {
            const QString why = QString::fromUtf8(sqlite3_errmsg(m_db));
            close();
            return why;
        }
        return {};
    }
    bool isOpen() const { return m_db != nullptr; }

    /// The file's data version; empty while a writer holds the lock. Sets `failure` for a
    /// file that cannot be read at all (no database, damaged).
    std::optional<qint64> version(QString& failure) {
        std::optional<qint64> result;
        const int rc = sqlite3_step(m_version);
        if (rc == SQLITE_ROW)
            result = sqlite3_column_int64(m_version, 0);
        else if (rc != SQLITE_BUSY && rc != SQLITE_LOCKED)
            failure = QString::fromUtf8(sqlite3_errmsg(m_db));
        // Ends the read at once: a kept read would hold a lock that stops every writer.
        sqlite3_reset(m_version);
        return result;
    }

private:
    void close() {
        sqlite3_finalize(m_version);
        m_version = nullptr;
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_version = nullptr;
};

class FileWatch : public Source {
public:
    FileWatch(const QString& path, Sink& sink)
        : m_path(QFile::encodeName(path)), m_shown(path), m_sink(sink),
          m_thread([this] { run(); }) {}

    ~FileWatch() override {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }

    void setIntervals(int pollMs, int /*groupMs*/) override {
        // A poll gathers every commit since the last one already: a file needs no group.
        {
            const std::lock_guard lock(m_mutex);
            m_pollMs = std::max(1, pollMs);
            m_newIntervals = true;
        }
        m_wake.notify_all();
    }

private:
    void run() {
        FileConnection connection;
        std::optional<FileIdentity> opened;
        qint64 known = -1; // none read yet from this file: data versions are never negative
        bool saidUnwatched = false;
        bool everOpened = false;
        bool saidWatching = false;
        const auto unwatched = [&](const QString& why) {
            if (!saidUnwatched)
                m_sink.notice(QStringLiteral("Changes by other programs show only after a "
                                             "reload: '%1' cannot be watched (%2).")
                                  .arg(m_shown, why));
            saidUnwatched = true;
        };
        std::unique_lock lock(m_mutex);
        while (!m_stop) {
            lock.unlock();
            const std::optional<FileIdentity> now = identityOf(m_path);
            // A file that is gone for a moment (between an import's removal and its rename)
            // is looked for again at the next check; the one kept open still answers.
            if (now && (!connection.isOpen() || now != opened)) {
                if (const QString why = connection.open(m_path); why.isEmpty()) {
                    opened = now;
                    known = -1;
                    // Another file than the one shown: whatever it holds is news.
                    if (everOpened)
                        m_sink.changes(Changes{true, {}, {}});
                    everOpened = true;
                } else {
                    unwatched(why);
                }
            } else if (!now && !connection.isOpen()) {
                unwatched(QStringLiteral("there is no file of that name"));
            }
            if (connection.isOpen()) {
                QString failure;
                const std::optional<qint64> version = connection.version(failure);
                if (!failure.isEmpty()) {
                    unwatched(failure);
                } else if (version) {
                    if (known >= 0 && known != *version) {
                        m_sink.changes(Changes{true, {}, {}});
                        recordOthers();
                    }
                    if (known < 0 && !saidWatching) {
                        m_sink.watching();
                        saidWatching = true;
                        recordOthers();
                    }
                    known = *version;
                    saidUnwatched = false;
                }
            }
            lock.lock();
            m_wake.wait_for(lock, std::chrono::milliseconds(m_pollMs),
                            [this] { return m_stop || m_newIntervals; });
            m_newIntervals = false;
        }
    }

    /// Brings the file's history up to date with what was committed, here on the watcher's
    /// thread, so that the window never waits for it; a history that cannot be kept is said
    /// once until it can again.
    void recordOthers() {
        if (!fileHistoryKept())
            return;
        try {
            history::HistoryFile file(m_shown);
            file.catchUp();
            if (!file.beside() && !m_saidPlace)
                m_sink.notice(QStringLiteral("The history of changes to this database is kept in "
                                             "'%1': its place beside the database cannot be "
                                             "written.")
                                  .arg(file.path()));
            m_saidPlace = true;
            m_saidHistory = false;
        } catch (const StoreError& error) {
            if (!m_saidHistory)
                m_sink.notice(error.message());
            m_saidHistory = true;
        }
    }

    const QByteArray m_path;
    const QString m_shown;
    Sink& m_sink;
    bool m_saidHistory = false;
    bool m_saidPlace = false;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    bool m_newIntervals = false;
    int m_pollMs = DefaultPollMs;
    std::thread m_thread; // last: it starts once everything above is in place
};

} // namespace

std::unique_ptr<Source> watchFile(const QString& path, Sink& sink) {
    return std::make_unique<FileWatch>(path, sink);
}

} // namespace store::watch
