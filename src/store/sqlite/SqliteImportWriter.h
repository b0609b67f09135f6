#pragma once

#include "store/History.h"
#include "store/ImportWriter.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QDir;
class QLockFile;
struct sqlite3;

namespace store {

namespace sql {
class NativeStatement;
}

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
class SqliteImportWriter : public ImportWriter {
public:
    static std::unique_ptr<SqliteImportWriter> newFile(const QString& path);
    static std::unique_ptr<SqliteImportWriter> intoExisting(const QString& path);
    ~SqliteImportWriter() override;
    SqliteImportWriter(const SqliteImportWriter&) = delete;
    SqliteImportWriter& operator=(const SqliteImportWriter&) = delete;

    /// `where` names the source row ("items.csv, record 4 (line 5)"); it is called only to
    /// build a message.
    void addItem(const ImportedItem& item, const std::function<QString()>& where) override;
    void addLine(const ImportedLine& line, const std::function<QString()>& where) override;

    /// Checks that the tables hold exactly the rows they held before plus those added
    /// (ImportRowCount otherwise), commits, and for a new file puts it in place.
    void commit() override;
    /// Into an existing file only (a new file starts its history afresh): the rows are recorded
    /// as pending before the commit and completed after it, as a line write's are.
    void recordAs(const WriteCommand& command) override;

    qint64 itemsAdded() const override { return m_itemsAdded; }
    qint64 linesAdded() const override { return m_linesAdded; }

    /// Removes the working files that imports into `folder` left behind when they were
    /// killed (whose lock names a process that is no longer running), saying so on standard
    /// error; a working file whose import still runs is never touched. Returns those removed.
    static QStringList removeLeftovers(const QDir& folder);

private:
    SqliteImportWriter(const QString& path, bool newFile);
    void open(const QString& file, int flags);
    void exec(QLatin1StringView sql, const QString& what);
    qint64 count(QLatin1StringView sql, const QString& what);
    QString lastError() const;
    [[noreturn]] void fail(int number, const QString& what);
    void insert(sql::NativeStatement& statement, const QString& where, const QString& table,
                const std::function<QString()>& duplicate);
    /// Binds one value of a row; a value SQLite does not take is refused naming the row and
    /// the field, with the statement's earlier bindings cleared.
    void bind(sql::NativeStatement& statement, int index, const std::optional<QString>& text,
              QLatin1StringView field, const std::function<QString()>& where);
    void bind(sql::NativeStatement& statement, int index, std::optional<double> number,
              QLatin1StringView field, const std::function<QString()>& where);
    void checkBound(sql::NativeStatement& statement, int rc, QLatin1StringView field,
                    const std::function<QString()>& where);
    /// The key as the table spells it, for a refused row's message; empty when not found.
    std::optional<QStringList> storedKey(QLatin1StringView sql, const QStringList& key);
    void release();

    QString m_path;        // where the database is when committed
    QString m_workingPath; // the file written: a temporary name for a new file
    std::unique_ptr<QLockFile> m_lock; // held while a new file's working file is in use
    bool m_newFile;
    bool m_committed = false;
    sqlite3* m_db = nullptr;
    std::unique_ptr<sql::NativeStatement> m_insertItem;
    std::unique_ptr<sql::NativeStatement> m_insertLine;
    qint64 m_itemsBefore = 0;
    qint64 m_linesBefore = 0;
    qint64 m_itemsAdded = 0;
    qint64 m_linesAdded = 0;
    // The editor's command and what it added, while its import is recorded (recordAs).
    WriteCommand m_command;
    std::unique_ptr<ChangeRecorder> m_recorder;
    std::vector<ItemChange> m_itemChanges;
    std::vector<LineChange> m_lineChanges;
    // The file's change counter when a recorded import took its write lock, and the file's
    // name for it: its commit is the editor's own for the watch (history::beginOwnCommit).
    std::optional<quint32> m_ownCounter;
    QString m_ownFile;
    /// The recorded import's write ended, with rows written when `wrote`.
    void endOwnCommit(bool wrote);
};

} // namespace store
