#pragma once

#include "store/ImportWriter.h"
#include "store/postgres/PgSession.h"

#include <QByteArray>
#include <QHash>
#include <QStringList>

#include <memory>
#include <vector>

namespace store {

/// Writes imported rows into the tables of a PostgreSQL server inside one transaction, with
/// ImportWriter's contract: all rows or none, keys refused under the store's rule naming the
/// source row, rows counted before the commit, nothing visible to other connections until
/// then, a rollback when destroyed uncommitted.
///
/// From its start to its commit the writer holds a lock that lets editors read the tables
/// but keeps every other writer out, so the count before, the duplicate checks and the count
/// after see no one else's rows. Rows go to the server a few hundred per statement. After the
/// commit both tables are analysed, so that the planner (and the tree load, which reads its
/// row estimate) knows their new size.
class PgImportWriter : public ImportWriter {
public:
    /// Into tables that hold no rows: creates ItemMaster and BomDetail where they are missing
    /// (in the import's transaction, so a failed import leaves no tables behind either) and
    /// refuses with ImportServerNotEmpty when either holds rows. Never mixes a copy into
    /// existing data.
    static std::unique_ptr<PgImportWriter> intoEmpty(const QString& uri);
    /// Adds rows to tables that are there and pass the editor's schema check.
    static std::unique_ptr<PgImportWriter> intoExisting(const QString& uri);

    /// Creates the tables that are missing, with their key indexes, in one transaction, and
    /// checks the result as every open does. Returns the tables created ("ItemMaster",
    /// "BomDetail"); empty when both were there.
    static QStringList createTables(const QString& uri);

    ~PgImportWriter() override;
    PgImportWriter(const PgImportWriter&) = delete;
    PgImportWriter& operator=(const PgImportWriter&) = delete;

    void addItem(const ImportedItem& item, const std::function<QString()>& where) override;
    void addLine(const ImportedLine& line, const std::function<QString()>& where) override;
    void commit() override;
    /// Tells the server's history who writes and in which command, in the import's
    /// transaction, as the editor's line writes do (PgStore::beginWrite).
    void recordAs(const WriteCommand& command) override;

    qint64 itemsAdded() const override { return m_itemsAdded; }
    qint64 linesAdded() const override { return m_linesAdded; }

    /// Rows per insert statement.
    static constexpr int BatchRows = 500;

private:
    enum class Mode { Empty, Existing };
    PgImportWriter(const QString& uri, Mode mode);

    struct PendingItem {
        ImportedItem item;
        QString where;
    };
    struct PendingLine {
        ImportedLine line;
        QString where;
    };

    /// Refuses, naming the row and the field, a text that the server cannot take as it is.
    static void checkText(const std::optional<QString>& text, QLatin1StringView field,
                          const std::function<QString()>& where);
    void flushItems();
    void flushLines();
    qint64 count(QLatin1StringView sql, const QString& what);
    void rollback();

    std::unique_ptr<pg::Session> m_session;
    Mode m_mode;
    bool m_inTransaction = false;
    std::vector<PendingItem> m_items;
    std::vector<PendingLine> m_lines;
    // The keys written so far, folded, with the ID as the import gave it, for the message
    // about a later row that collides with one of them.
    QHash<QString, QString> m_itemKeys;
    QHash<QString, std::pair<QString, QString>> m_lineKeys;
    qint64 m_itemsBefore = 0;
    qint64 m_linesBefore = 0;
    qint64 m_itemsAdded = 0;
    qint64 m_linesAdded = 0;
};

} // namespace store
