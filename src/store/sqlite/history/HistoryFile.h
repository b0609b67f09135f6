#pragma once

// The history of a database file: a file of the editor's own that keeps every change to the
// shared tables with its whole rows, who made it and in which command, and the rows as last
// recorded (the state), from which any earlier moment is rebuilt. The shared file is never
// altered; everyone who edits one database file shares the history beside it.

#include "store/History.h"

#include <QLatin1StringView>
#include <QPair>
#include <QSet>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

struct sqlite3;

namespace store::history {

struct Differences;

/// Where the history of the database file at `databasePath` is kept: beside it
/// ("NAME.history") when its folder can be written, so that everyone who edits that file
/// shares one; otherwise in the user's data folder, under a name made from the database's
/// full path. `beside` tells which.
struct HistoryPlace {
    QString path;
    bool beside = true;
};
/// Once begun in the user's folder, a history is kept there until the user moves it beside the
/// database: one database has one history.
HistoryPlace historyPlace(const QString& databasePath);
/// The place in the user's data folder (beside == false).
HistoryPlace userPlace(const QString& databasePath);
/// `path` with its folder as the system resolves it, its own name as it is: what the history's
/// connections open with SQLITE_OPEN_NOFOLLOW, which refuses a symbolic link anywhere on the
/// path. A database in a folder reached through a link (a home under /data, a share) keeps its
/// history; a link in the history's own place is still refused.
QString openablePath(const QString& path);

/// One open history file, for one operation. Opening creates it when missing, with the tables'
/// rows of that moment as its starting state; an existing one is checked: one made for
/// another database fails with HistoryOtherDatabase, a damaged one (the first open in this
/// process runs SQLite's integrity check) is renamed aside and fails with HistoryDamaged.
/// Every write holds the history's write lock; a lock held by another editor is waited for.
class HistoryFile {
public:
    explicit HistoryFile(const QString& databasePath);
    ~HistoryFile();
    HistoryFile(const HistoryFile&) = delete;
    HistoryFile& operator=(const HistoryFile&) = delete;

    const QString& path() const { return m_place.path; }
    bool beside() const { return m_place.beside; }
    /// The database file this history is of, as an absolute path.
    const QString& database() const { return m_database; }
    /// Whether the file at path() is still the one this connection opened (not removed, set
    /// aside or replaced by another editor since), and no write of this connection's is under
    /// way: a connection kept between writes is used again only then.
    bool reusable() const;

    // The editor's own writes (ChangeRecorder's three steps).

    /// Records `changes` as pending, durably, then takes the history's write lock and keeps it
    /// until complete or drop, so that own changes complete in the order the data committed
    /// them. Throws HistoryNotRecorded.
    /// `items`: the Item Master rows the write changes as well (an import's).
    void writePending(const WriteCommand& command, const std::vector<LineChange>& changes,
                      const std::vector<ItemChange>& items = {});
    /// After the data's commit: the pending record completed and the state moved on. A line
    /// whose state differs from what the write found (another program changed it unseen) gets
    /// that change recorded first, as another program's. Never throws: a record left pending
    /// is settled later.
    void complete() noexcept;
    /// The data did not commit: the pending record is removed. Never throws.
    void drop() noexcept;

    /// Brings the history up to date with the data: pending records of writes that were killed
    /// are settled (the rows are as the record says: completed; they are not: dropped), then
    /// whatever else differs from the recorded state is recorded as one change set by another
    /// program, between the last look and now. Returns how many rows that change set holds.
    /// What is compared is what changed: the pages of the data file that the page map finds
    /// changed (PageMap.h), or the whole tables where it cannot tell.
    qint64 catchUp();

    /// Whether every step of the data file's change counter from `from` to `to` was a commit
    /// of an editor's, recorded with the step it took; `underWay` counts the records of writes
    /// not completed yet (an editor that committed and records it now).
    bool editorsCommitted(quint32 from, quint32 to, bool underWay = false);

    // Reads.
    std::vector<ChangeRecord> changes(const HistoryQuery& query);
    LinesAsOf linesAsOf(const QString& item, const QDateTime& moment);
    qint64 changeCount();
    QDateTime keptSince();
    qint64 forgetBefore(const QDateTime& moment, const ReadProgress& progress);
    /// The last change set (by id, the history's order) that a moment in milliseconds ends.
    qint64 lastSetAt(qint64 at);

    /// Testing: code run at each step of an own write ("pending", "locked", "completed"), so
    /// that a test can stop the process there.
    static void setStepHook(void (*hook)(const char* step));

private:
    struct Pending;
    void open();
    void createTables();
    void addCounters();
    void checkIdentity();
    /// The data file's change counter now (empty in write-ahead-log mode), in a read of its own.
    std::optional<quint32> dataCounter();

    void exec(QLatin1StringView sql);
    void foldLog() noexcept;
    void attachData();
    void detachData() noexcept;
    /// Settles the pending records of writes that were killed; returns the lines of those
    /// that may still be under way in another editor.
    /// `counter` is the data's change counter now, where it counts commits: a write that was
    /// killed after its commit is told by it even when a later writer changed its lines again.
    QSet<QPair<QString, QString>> settlePending(qint64 now, qint64 lastLook,
                                                std::optional<quint32> counter);
    /// Records the rows among `found` that differ from the state as one change set of another
    /// program's, with the pending records settled first; given `pages`, the rows of those
    /// pages of the data (PageMap::examine) as well. Empty when the page map could not tell.
    std::optional<qint64> record(Differences& found, std::optional<quint32> counter,
                                 const QString& signature, bool settled,
                                 const std::vector<quint32>* pages);
    /// Makes the page map anew after a look that compared the whole tables, kept only when no
    /// commit came between `counter` (read before that look) and its end.
    void rebuildPageMap(std::optional<quint32> counter);
    quint64 pageSeed();
    QString metaText(const char* key);
    void setMeta(const char* key, const QVariant& value);

    QString m_database;
    HistoryPlace m_place;
    /// The history file's device and inode when this connection opened it.
    QString m_opened;
    sqlite3* m_db = nullptr;
    bool m_dataAttached = false;
    std::unique_ptr<Pending> m_pending;
};

/// The recorder that a store on a database file writes through. Its history connection is
/// taken at the first write from those the process keeps between writes (opening one costs
/// more than a one-line write: the file's tables checked, its log's index rebuilt), or opened,
/// and handed back to be kept when the store closes.
class FileRecorder : public ChangeRecorder {
public:
    explicit FileRecorder(QString databasePath) : m_database(std::move(databasePath)) {}
    ~FileRecorder() override;
    FileRecorder(const FileRecorder&) = delete;
    FileRecorder& operator=(const FileRecorder&) = delete;
    void pending(const WriteCommand& command, const std::vector<LineChange>& changes) override;
    void pendingRows(const WriteCommand& command, const std::vector<LineChange>& changes,
                     const std::vector<ItemChange>& items) override;
    void committed() override;
    void abandoned() override;

private:
    QString m_database;
    std::unique_ptr<HistoryFile> m_file;
};

/// A database file's history as HistoryLog reads it.
class FileHistoryLog : public HistoryLog {
public:
    explicit FileHistoryLog(const QString& databasePath);
    std::vector<ChangeRecord> changes(const HistoryQuery& query) override;
    LinesAsOf linesAsOf(const QString& item, const QDateTime& moment) override;
    qint64 changeCount() override;
    QDateTime keptSince() override;
    qint64 forgetBefore(const QDateTime& moment, const ReadProgress& progress) override;
    HistoryFile& file() { return m_file; }

private:
    HistoryFile m_file;
};

} // namespace store::history
