#pragma once

#include "store/Store.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

struct sqlite3;
struct sqlite3_stmt;

namespace store {

/// One ItemMaster row to write, as the store reads one.
using ImportedItem = Item;

/// One BomDetail row to write; the start date is already in the store's layout
/// (schema::StartDateFormat), local time.
struct ImportedLine {
    QString assembly;
    QString component;
    std::optional<double> quantity;
    std::optional<QString> startDate;
};

/// Writes imported rows into a store inside one write transaction: all of them, or none.
/// The same contract whichever store holds the tables: an SQLite file (BulkWriter) or a
/// PostgreSQL server (PgBulkWriter).
///
/// A key that the table already holds under the store's comparison (ASCII letters folded),
/// or that an earlier row of the same import holds, is refused with ImportDuplicateKey,
/// naming the source row through `where` and the ID it collides with. commit() checks that
/// the tables hold exactly the rows they held before plus those added (ImportRowCount
/// otherwise) and only then makes them visible; destroying an uncommitted writer rolls
/// everything back, on every path.
class ImportWriter {
public:
    virtual ~ImportWriter() = default;

    /// A new database at `location`: a new SQLite file for a path (BulkWriter::newFile), the
    /// tables of a server for a server address, created when missing and refused
    /// (ImportServerNotEmpty) when either holds rows (PgBulkWriter::intoEmpty).
    static std::unique_ptr<ImportWriter> newDatabase(const QString& location);
    /// Adds rows to the existing database at `location`, a file or a server address; it must
    /// pass the editor's schema check.
    static std::unique_ptr<ImportWriter> intoExisting(const QString& location);

    /// `where` names the source row ("items.csv, record 4 (line 5)"); it is called only to
    /// build a message.
    virtual void addItem(const ImportedItem& item, const std::function<QString()>& where) = 0;
    virtual void addLine(const ImportedLine& line, const std::function<QString()>& where) = 0;
    virtual void commit() = 0;

    virtual qint64 itemsAdded() const = 0;
    virtual qint64 linesAdded() const = 0;
};

/// Writes imported rows into an SQLite database inside one write transaction: all of them, or
/// none.
///
/// newFile() writes a new database under a temporary name in the target's folder and puts it
/// in place (replacing a file of that name) only when commit() succeeds, after the file has
/// passed the same schema check as every open. intoExisting() adds the rows to a database that
/// passes that check. Until commit() succeeds nothing is visible: destroying the writer
/// rolls back and removes the temporary file, on every path.
///
/// A key that the table already holds under the store's comparison (ASCII letters folded) is
/// refused with ImportDuplicateKey, naming the source row through `where` and the stored ID.
class BulkWriter : public ImportWriter {
public:
    static std::unique_ptr<BulkWriter> newFile(const QString& path);
    static std::unique_ptr<BulkWriter> intoExisting(const QString& path);
    ~BulkWriter() override;
    BulkWriter(const BulkWriter&) = delete;
    BulkWriter& operator=(const BulkWriter&) = delete;

    /// `where` names the source row ("items.csv, record 4 (line 5)"); it is called only to
    /// build a message.
    void addItem(const ImportedItem& item, const std::function<QString()>& where) override;
    void addLine(const ImportedLine& line, const std::function<QString()>& where) override;

    /// Checks that the tables hold exactly the rows they held before plus those added
    /// (ImportRowCount otherwise), commits, and for a new file puts it in place.
    void commit() override;

    qint64 itemsAdded() const override { return m_itemsAdded; }
    qint64 linesAdded() const override { return m_linesAdded; }

private:
    BulkWriter(const QString& path, bool newFile);
    void open(const QString& file, int flags);
    void exec(QLatin1StringView sql, const QString& what);
    qint64 count(QLatin1StringView sql, const QString& what);
    [[noreturn]] void fail(int number, const QString& what);
    void insert(sqlite3_stmt* statement, const QString& where, const QString& table,
                const std::function<QString()>& duplicate);
    void release();

    QString m_path;        // where the database is when committed
    QString m_workingPath; // the file written: a temporary name for a new file
    bool m_newFile;
    bool m_committed = false;
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_insertItem = nullptr;
    sqlite3_stmt* m_insertLine = nullptr;
    qint64 m_itemsBefore = 0;
    qint64 m_linesBefore = 0;
    qint64 m_itemsAdded = 0;
    qint64 m_linesAdded = 0;
};

} // namespace store
