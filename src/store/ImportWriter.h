#pragma once

#include "store/Store.h"

#include <QLatin1StringView>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

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
/// The same contract whichever store holds the tables: an SQLite file (SqliteImportWriter) or a
/// PostgreSQL server (PgImportWriter). Both are opened through newDatabase and intoExisting,
/// which tell a file from a server address (OpenStore.cpp).
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

    /// A new database at `location`: a new SQLite file for a path (SqliteImportWriter::newFile), the
    /// tables of a server for a server address, created when missing and refused
    /// (ImportServerNotEmpty) when either holds rows (PgImportWriter::intoEmpty).
    static std::unique_ptr<ImportWriter> newDatabase(const QString& location);
    /// Adds rows to the existing database at `location`, a file or a server address; it must
    /// pass the editor's schema check.
    static std::unique_ptr<ImportWriter> intoExisting(const QString& location);

    /// `where` names the source row ("items.csv, record 4 (line 5)"); it is called only to
    /// build a message.
    virtual void addItem(const ImportedItem& item, const std::function<QString()>& where) = 0;
    virtual void addLine(const ImportedLine& line, const std::function<QString()>& where) = 0;
    virtual void commit() = 0;
    /// Records the rows added in the database's history as the editor's command `command`,
    /// with the person and host, as the editor's line writes are, rather than leaving them to
    /// be found later as another program's change: the editor's own import. Before the first
    /// row. A file's history is written only while the program keeps one (fileHistoryKept).
    virtual void recordAs(const WriteCommand& command) = 0;

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
    /// Says how a refused ID relates to the one it collides with: the same text, or the same
    /// under the store's case rule.
    static QString sameKey(const QString& stored, const QString& imported);
    /// Throws ImportRowCount unless the tables of the database `shown` hold the rows they
    /// held before plus those added: the last check before a commit.
    static void checkRowCounts(const QString& shown, qint64 items, qint64 lines,
                               qint64 expectedItems, qint64 expectedLines);
    /// Throws ImportValueTooLong unless `text` fits the limit; `field` names the column.
    static void checkLength(const QString& text, QLatin1StringView field,
                            const std::function<QString()>& where);
};

} // namespace store
