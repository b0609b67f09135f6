#pragma once

#include "store/SqlStore.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <atomic>
#include <functional>
#include <optional>
#include <vector>

struct sqlite3;

namespace store {

class OpenInterruption;

/// An open, checked connection to one database file, for the length of one user operation.
/// The constructor opens the file read-write without ever creating it and checks that it holds
/// ItemMaster and BomDetail with the columns and primary keys the editor relies on; it throws
/// StoreError otherwise. The destructor releases the connection and everything opened on it.
/// A write lock held by another program is waited for up to BusyWaitMs, as long as neither
/// interrupt() nor `interruption` (when given, for the open) says to give up.
class SqliteStore : public SqlStore {
public:
    /// How long a statement waits for another program's lock before it fails.
    static constexpr int BusyWaitMs = 5000;

    explicit SqliteStore(const QString& path, OpenInterruption* interruption = nullptr);
    ~SqliteStore() override;
    SqliteStore(const SqliteStore&) = delete;
    SqliteStore& operator=(const SqliteStore&) = delete;

    /// Every ItemID, in key order, read in one forward pass. An ID that is not valid UTF-8
    /// text (what an import in another character set leaves, such as the single byte 0xE9 for
    /// "é") can be neither shown nor sought as it is stored, so a list with such IDs is refused
    /// as a whole with UnreadableId: the description names each unreadable ID readably
    /// ('CAF\xE9') and says they stand in ItemMaster. A list that silently lacked items would
    /// look complete.
    QStringList itemIds();
    /// Every item with its description, in key order, read in one read transaction. IDs that
    /// are not valid UTF-8 text refuse the list as itemIds() does; a description that is not
    /// shows its invalid bytes as U+FFFD.
    std::vector<ItemLine> itemLines() override;
    /// One assembly's components in key order, with a statement prepared for this call alone.
    QStringList components(const QString& assembly);
    /// The lines of many assemblies: element i lists those of assemblies[i], in key order,
    /// with their quantities and their components' units and descriptions. The whole batch
    /// is served by one prepared statement in one read transaction. A component ID that is
    /// not valid UTF-8 text fails with UnreadableId, naming the ID and the assembly that lists
    /// it, so that no tree is ever built without it; a read error fails with QueryFailed.
    std::vector<ComponentLines> componentsOfEach(const QStringList& assemblies) override;
    /// One search of BomDetail's key index an assembly, no line read.
    std::vector<bool> haveLines(const QStringList& assemblies) override;
    /// Every line of the table in one pass, as componentsOfEach reads them, by assembly ID
    /// folded under the store's case rule (foldKey). Cheaper than componentsOfEach for a
    /// batch that asks for most of the table.
    QHash<QString, ComponentLines> allComponentLines() override;
    /// About how many lines BomDetail holds, read without counting them.
    qint64 lineEstimate() override;
    // reachableLines: Store's level-by-level reading, one statement per level in-process. A
    // recursive statement over the key index measured half as slow again on the deep and the
    // scale file (its UNION keeps a temporary index of every ID met, and the lines are sorted
    // once more), so this store keeps it.
    /// Every assembly that has `item` in its structure, directly or through sub-assemblies,
    /// sorted by level and then by assembly ID under the store's case rule; WhereUsedRow says
    /// what each row holds and what a cycle gives. BomDetail has no index by component, so
    /// the first call reads the whole table (reporting to `progress` every 16,384 lines, and
    /// stopping with WhereUsedCancelled, keeping nothing, when it answers false) and keeps its
    /// lines turned upward in the process, for the file as it was then: a table of a million
    /// lines or more only its keys, through its (BomID, BomComp) index, and the quantities of
    /// the lines walked as each walk needs them (SqliteUpwardKeys). Later calls walk the
    /// kept lines while the file is unchanged: its identity, size, times and header, and those
    /// of its write-ahead log, as before; a file that may have changed is read again, and a
    /// file written in the last two seconds is read but its lines are not kept (a change
    /// within the same tick of the file's clock would not show). Lines and descriptions come
    /// from one state of the file. An assembly ID on the way that is not valid UTF-8 fails
    /// with UnreadableId, a quantity on the way that is not a number with QueryFailed.
    std::vector<WhereUsedRow> whereUsed(const QString& item,
                                        const ReadProgress& progress = {}) override;
    /// Through SQLite's own interface, in one read transaction: IDs reach the sink as their
    /// bytes where those are not valid UTF-8, quantities as the column holds them.
    bool readForCheck(CheckSink& sink) override;
    bool hasLines(const QString& assembly) override;
    /// In one read transaction: one state of the file.
    BatchRefusals checkLines(const LineBatch& batch) override;
    /// sqlite3_interrupt: the running statement fails, and so does every wait for a lock from
    /// now on.
    void interrupt() override;

protected:
    /// The file's statements (SqliteSql.h), through Qt SQL.
    std::unique_ptr<Statement> prepare(Sql which, const QString& what, int failureNumber) override;
    /// BEGIN IMMEDIATE, whatever the lock: the file's one write lock is held from the first
    /// check to the commit, so another program cannot slip in a line that the checks would
    /// have refused.
    std::unique_ptr<Transaction> beginWrite(const QString& what, Lock lock) override;
    /// The line as stored, then its delete.
    std::optional<LineRow> takeRow(const QString& assembly, const QString& component,
                                   const QString& what) override;
    /// The update, then the line read back.
    LineRow updateRow(const QString& assembly, const QString& component, const QVariant& expected,
                      const QVariant* startDate, const QVariant& quantity,
                      const QString& what) override;

private:
    void checkSchema();

    QString m_path;
    QString m_connectionName;
    QSqlDatabase m_db;

    /// SQLite's busy handler: waits for another program's lock in short steps, up to
    /// BusyWaitMs, and gives up at once when interrupted.
    static int waitForLock(void* store, int count);
    sqlite3* m_handle = nullptr;
    std::atomic<bool> m_interrupted{false};
    const OpenInterruption* m_opening = nullptr;
    QElapsedTimer m_lockWait;
};

} // namespace store
