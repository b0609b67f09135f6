#pragma once

#include "store/Store.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QDir;
class QLockFile;
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

    /// The longest value, in bytes of UTF-8, that a field may hold: SQLite's limit on a string
    /// (1,000,000,000 bytes unless it was built with a lower one), which is below the server's
    /// 1 GB. A longer value is refused (ImportValueTooLong) naming its row and field, never
    /// cut, nor stored as Null.
    static qint64 valueLimit();
    /// Lowers the limit, so that tests need no gigabyte to reach it; 0 restores the default.
    static void setValueLimit(qint64 bytes);

protected:
    /// Throws ImportValueTooLong unless `text` fits the limit; `field` names the column.
    static void checkLength(const QString& text, QLatin1StringView field,
                            const std::function<QString()>& where);
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

    /// Removes the working files that imports into `folder` left behind when they were
    /// killed (whose lock names a process that is no longer running), saying so on standard
    /// error; a working file whose import still runs is never touched. Returns those removed.
    static QStringList removeLeftovers(const QDir& folder);

private:
    BulkWriter(const QString& path, bool newFile);
    void open(const QString& file, int flags);
    void exec(QLatin1StringView sql, const QString& what);
    qint64 count(QLatin1StringView sql, const QString& what);
    QString lastError() const;
    [[noreturn]] void fail(int number, const QString& what);
    void insert(sqlite3_stmt* statement, const QString& where, const QString& table,
                const std::function<QString()>& duplicate);
    /// Binds one value of a row; a value SQLite does not take is refused naming the row and
    /// the field, with the statement's earlier bindings cleared.
    void bind(sqlite3_stmt* statement, int index, const std::optional<QString>& text,
              QLatin1StringView field, const std::function<QString()>& where);
    void bind(sqlite3_stmt* statement, int index, std::optional<double> number,
              QLatin1StringView field, const std::function<QString()>& where);
    void checkBound(sqlite3_stmt* statement, int rc, QLatin1StringView field,
                    const std::function<QString()>& where);
    void release();

    QString m_path;        // where the database is when committed
    QString m_workingPath; // the file written: a temporary name for a new file
    std::unique_ptr<QLockFile> m_lock; // held while a new file's working file is in use
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
