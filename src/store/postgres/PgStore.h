#pragma once

#include "store/SqlStore.h"
#include "store/postgres/PgSession.h"

#include <functional>
#include <memory>
#include <mutex>

namespace store {

class OpenInterruption;

/// An open, checked connection to the editor's tables on a PostgreSQL server, for the length
/// of one user operation: the same operations as SqliteStore with the same meaning and numbered
/// errors. The constructor takes a connection kept from an earlier operation or makes one
/// (pg::Session says how the address is read and how long it waits), and checks that the database holds ItemMaster and BomDetail with the columns and
/// primary keys the editor relies on, and the unique indexes under the key rule
/// (MissingKeyIndex); it throws StoreError otherwise. Every write of a line commits only when
/// it touched one row. The destructor keeps the connection for the next operation
/// (pg::keepSession). Several editors may work on one
/// server at once: each read is one consistent state, and lines that could close a cycle are
/// added one at a time.
class PgStore : public SqlStore {
public:
    /// `interruption`, when given, can stop the check of the tables, which may wait for
    /// another editor's lock.
    explicit PgStore(const QString& uri, OpenInterruption* interruption = nullptr);
    ~PgStore() override;
    PgStore(const PgStore&) = delete;
    PgStore& operator=(const PgStore&) = delete;

    QStringList itemIds();
    std::vector<ItemLine> itemLines() override;
    QStringList components(const QString& assembly);
    /// One statement for the whole batch, whatever its size.
    std::vector<ComponentLines> componentsOfEach(const QStringList& assemblies) override;
    /// One ordered statement over the whole table.
    QHash<QString, ComponentLines> allComponentLines() override;
    /// One recursive statement for the whole structure (SelectReachableLines).
    QHash<QString, ComponentLines> reachableLines(const QString& item) override;
    /// The planner's figure, kept up to date by the server's autovacuum (and by the ANALYZE
    /// after an import); counted when the table was never analysed.
    qint64 lineEstimate() override;
    /// One statement for all of them.
    std::vector<std::optional<LineRow>> findLines(const std::vector<LineRow>& rows) override;
    /// Reads only the lines above the item (one recursive statement) and the listed
    /// assemblies' ItemMaster rows, in one snapshot, and walks them as SqliteStore does: a
    /// read that needs no progress.
    std::vector<WhereUsedRow> whereUsed(const QString& item,
                                        const ReadProgress& progress = {}) override;
    /// Two plain reads in one snapshot.
    bool readForCheck(CheckSink& sink) override;
    bool hasLines(const QString& assembly) override;
    /// In one snapshot: one state of the tables.
    BatchRefusals checkLines(const LineBatch& batch) override;
    /// Asks the server to cancel the running statement (PQcancel), which then fails; a lock
    /// wait or a slow statement ends with it.
    void interrupt() override;
    /// The session's connect-time finding (pg::Session::readOnly).
    QString writesRefused() const override { return m_session->readOnly(); }

protected:
    std::vector<std::optional<Item>> findItems(const QStringList& ids) override;
    /// The server's statements (PgSql.h).
    std::unique_ptr<Statement> prepare(Sql which, const QString& what, int failureNumber) override;
    /// READ COMMITTED; for Lock::Structure the store's advisory lock (LockStructure) as well,
    /// held to the commit: another editor's add or restore waits for it, then checks against
    /// this one's lines. Tells the server's history who writes (the system's user and host)
    /// and in which command (setCommand), in the transaction's settings bom.person, bom.host,
    /// bom.command, bom.reason and bom.source (PgHistorySql.h). On a connection that takes no
    /// writes (a standby) refused with StandbyReadOnly before anything is sent.
    std::unique_ptr<Transaction> beginWrite(const QString& what, Lock lock) override;
    /// One DELETE … RETURNING.
    std::optional<LineRow> takeRow(const QString& assembly, const QString& component,
                                   const QString& what) override;
    /// One UPDATE … RETURNING.
    LineRow updateRow(const QString& assembly, const QString& component, const QVariant& expected,
                      const QVariant* startDate, const QVariant& quantity,
                      const QString& what) override;
    /// Many rows a statement.
    void insertRows(const std::vector<LineRow>& rows, const QString& what) override;

private:
    std::vector<ItemLine> readItems(bool withDescriptions);
    /// Throws StoreError unless the tables are as the editor needs them (pg::checkTables).
    void checkTables();

    /// Taken from the connections kept between operations, or new; kept again when the
    /// store closes.
    std::unique_ptr<pg::Session> m_session;
    /// An interrupt, from any thread, never meets the connection being replaced.
    std::mutex m_sessionMutex;
};

} // namespace store
