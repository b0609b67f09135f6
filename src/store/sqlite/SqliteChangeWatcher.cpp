#include "store/WatchSource.h"

#include "store/History.h"
#include "store/StoreError.h"
#include "store/sqlite/history/HistoryFile.h"
#include "store/sqlite/history/OwnCommits.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

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
                                     : QCoreApplication::translate("store", "out of memory");
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

    /// The file's change counter (history::changeCounter) in a read of a moment; false while a
    /// writer holds the lock, `counter` empty where the file has none that counts commits.
    bool readCounter(std::optional<quint32>& counter) {
        counter.reset();
        if (sqlite3_exec(m_db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
            return false;
        // The version's read takes the read lock: the header is whole under it.
        const bool read = sqlite3_step(m_version) == SQLITE_ROW;
        if (read)
            counter = history::changeCounter(m_db);
        sqlite3_reset(m_version);
        sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
        return read;
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

/// Wakes the watch as soon as another program's commit ends (inotify on the database's
/// folder), so that it is seen at once rather than at the next poll: its write-ahead log
/// written, its rollback journal removed, or another file renamed into place. Nothing else
/// wakes it: a look takes a read lock for a moment, and one taken while a writer with a
/// rollback journal is under way would make that writer's commit fail as busy. The poll stays
/// for the rest (other journal modes, a file on a network share). Its own thread, blocked in
/// poll(2).
class FileNudge {
public:
    FileNudge(const QString& path, std::function<void()> nudge) : m_nudge(std::move(nudge)) {
        const QFileInfo file(path);
        const QByteArray base = QFile::encodeName(file.fileName());
        m_ends = {{base, IN_CREATE | IN_MOVED_TO},
                  {base + "-wal", IN_MODIFY},
                  {base + "-journal", IN_DELETE}};
        m_inotify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        m_stopFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        if (m_inotify < 0 || m_stopFd < 0 ||
            inotify_add_watch(m_inotify, QFile::encodeName(file.absolutePath()).constData(),
                              IN_MODIFY | IN_CREATE | IN_DELETE | IN_MOVED_TO) < 0)
            return; // the poll alone, as before
        m_thread = std::thread([this] { run(); });
    }
    ~FileNudge() {
        if (m_thread.joinable()) {
            const quint64 one = 1;
            [[maybe_unused]] const ssize_t written = ::write(m_stopFd, &one, sizeof one);
            m_thread.join();
        }
        if (m_inotify >= 0)
            ::close(m_inotify);
        if (m_stopFd >= 0)
            ::close(m_stopFd);
    }
    FileNudge(const FileNudge&) = delete;
    FileNudge& operator=(const FileNudge&) = delete;

private:
    void run() {
        alignas(inotify_event) char buffer[16 * 1024];
        for (;;) {
            std::array<pollfd, 2> fds{pollfd{m_inotify, POLLIN, 0}, pollfd{m_stopFd, POLLIN, 0}};
            if (::poll(fds.data(), fds.size(), -1) < 0) {
                if (errno == EINTR)
                    continue;
                return;
            }
            if (fds[1].revents)
                return;
            bool ours = false;
            ssize_t length = 0;
            while ((length = ::read(m_inotify, buffer, sizeof buffer)) > 0) {
                for (const char* at = buffer; at < buffer + length;) {
                    const auto* event = reinterpret_cast<const inotify_event*>(at);
                    // Other files of the folder (the history beside the database among them)
                    // are no news.
                    if (event->len > 0)
                        for (const auto& [name, mask] : m_ends)
                            if ((event->mask & mask) && name == event->name)
                                ours = true;
                    at += sizeof(inotify_event) + event->len;
                }
            }
            if (ours)
                m_nudge();
        }
    }

    std::function<void()> m_nudge;
    /// The files of the database whose events end a commit, and those events.
    std::vector<std::pair<QByteArray, uint32_t>> m_ends;
    int m_inotify = -1;
    int m_stopFd = -1;
    std::thread m_thread;
};

class FileWatch : public Source {
public:
    /// How soon after a write that woke it the file is looked at again.
    static constexpr int RecheckMs = 50;

    FileWatch(const QString& path, Sink& sink)
        : m_path(QFile::encodeName(path)), m_shown(path), m_sink(sink),
          m_thread([this] { run(); }), m_nudge(std::in_place, path, [this] {
              {
                  const std::lock_guard lock(m_mutex);
                  m_nudged = true;
              }
              m_wake.notify_all();
          }) {}

    ~FileWatch() override {
        m_nudge.reset();
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }

    void setIntervals(int pollMs, int groupMs) override {
        // A look gathers every commit since the last one: the group is how long after a
        // change said the next write waits to be looked at, so that a burst is said at most
        // once a group.
        {
            const std::lock_guard lock(m_mutex);
            m_pollMs = std::max(1, pollMs);
            m_groupMs = std::max(0, groupMs);
            m_newIntervals = true;
        }
        m_wake.notify_all();
    }

private:
    void run() {
        FileConnection connection;
        std::optional<FileIdentity> opened;
        qint64 known = -1; // none read yet from this file: data versions are never negative
        // The file's change counter at the last look, where it counts commits.
        std::optional<quint32> counted;
        QString fileKey;
        bool saidUnwatched = false;
        bool everOpened = false;
        bool saidWatching = false;
        const auto unwatched = [&](const QString& why) {
            if (!saidUnwatched)
                m_sink.notice(QCoreApplication::translate(
                                  "store", "Changes by other programs show only after a "
                                           "reload: '%1' cannot be watched (%2).")
                                  .arg(m_shown, why));
            saidUnwatched = true;
        };
        // When a change was last said, and whether this look said one.
        std::chrono::steady_clock::time_point lastSaid;
        bool said = false;
        bool recheck = false;
        std::unique_lock lock(m_mutex);
        while (!m_stop) {
            lock.unlock();
            said = false;
            const std::optional<FileIdentity> now = identityOf(m_path);
            // A file that is gone for a moment (between an import's removal and its rename)
            // is looked for again at the next check; the one kept open still answers.
            if (now && (!connection.isOpen() || now != opened)) {
                if (const QString why = connection.open(m_path); why.isEmpty()) {
                    opened = now;
                    known = -1;
                    fileKey = history::fileKey(m_shown);
                    // Another file than the one shown: whatever it holds is news.
                    if (everOpened)
                        m_sink.changes(Changes{true, {}, {}});
                    everOpened = true;
                } else {
                    unwatched(why);
                }
            } else if (!now && !connection.isOpen()) {
                unwatched(QCoreApplication::translate("store", "there is no file of that name"));
            }
            if (connection.isOpen()) {
                QString failure;
                const std::optional<qint64> version = connection.version(failure);
                if (!failure.isEmpty()) {
                    unwatched(failure);
                } else if (version) {
                    std::optional<quint32> counter;
                    const bool read = connection.readCounter(counter);
                    if (known >= 0 && known != *version && read) {
                        // The editor's own commits are none of the watch's news: the window
                        // wrote them and the history recorded them.
                        const bool own = counted && counter &&
                                         history::onlyOwnCommits(fileKey, *counted, *counter);
                        if (!own) {
                            std::unique_ptr<history::HistoryFile> file = historyFile();
                            Changes changes{true, {}, {}};
                            changes.byProgram = file && counted && counter &&
                                                !file->editorsCommitted(*counted, *counter, true);
                            m_sink.changes(changes);
                            lastSaid = std::chrono::steady_clock::now();
                            said = true;
                            recordOthers(std::move(file));
                        }
                    }
                    if (known < 0 && !saidWatching) {
                        m_sink.watching();
                        saidWatching = true;
                        recordOthers(historyFile());
                    }
                    // A writer holding the lock between the two reads: asked again shortly.
                    if (read || known < 0) {
                        known = *version;
                        counted = counter;
                    }
                    recheck = recheck || !read;
                    saidUnwatched = false;
                }
            }
            lock.lock();
            // A look woken by a write that found no change yet is made again shortly after:
            // the write may have been the commit's first, or made under a lock that kept the
            // version from being read.
            const int wait = recheck && !said ? std::min(m_pollMs, RecheckMs) : m_pollMs;
            m_wake.wait_for(lock, std::chrono::milliseconds(wait),
                            [this] { return m_stop || m_newIntervals || m_nudged; });
            recheck = m_nudged;
            // A write is looked at once, unless a change was said less than a group ago: the
            // commits of a burst are then said together, a group after the last.
            if (m_nudged && !m_stop)
                m_wake.wait_until(lock, lastSaid + std::chrono::milliseconds(m_groupMs),
                                  [this] { return m_stop || m_newIntervals; });
            m_newIntervals = false;
            m_nudged = false;
        }
    }

    /// The file's history, opened here on the watcher's thread; none while the history is off
    /// or cannot be opened (said once until it can again).
    std::unique_ptr<history::HistoryFile> historyFile() {
        if (!fileHistoryKept())
            return nullptr;
        try {
            return std::make_unique<history::HistoryFile>(m_shown);
        } catch (const StoreError& error) {
            sayHistoryFailure(error);
            return nullptr;
        }
    }

    void sayHistoryFailure(const StoreError& error) {
        if (!m_saidHistory)
            m_sink.notice(error.message());
        m_saidHistory = true;
    }

    /// Brings the file's history up to date with what was committed, here on the watcher's
    /// thread, so that the window never waits for it.
    void recordOthers(std::unique_ptr<history::HistoryFile> file) {
        if (!file)
            return;
        try {
            file->catchUp();
            if (!file->beside() && !m_saidPlace)
                m_sink.notice(
                    QCoreApplication::translate(
                        "store", "The history of changes to this database is kept in "
                                 "'%1', not beside the database: that place could "
                                 "not be written when it was begun. It is kept "
                                 "there until it is moved beside the database as "
                                 "'%2'.")
                        .arg(file->path(), file->database() + QStringLiteral(".history")));
            m_saidPlace = true;
            m_saidHistory = false;
        } catch (const StoreError& error) {
            sayHistoryFailure(error);
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
    int m_groupMs = DefaultGroupMs;
    bool m_nudged = false;
    std::thread m_thread; // it starts once everything above is in place
    std::optional<FileNudge> m_nudge; // after the thread it wakes; gone before it stops
};

} // namespace

std::unique_ptr<Source> watchFile(const QString& path, Sink& sink) {
    return std::make_unique<FileWatch>(path, sink);
}

} // namespace store::watch
