#pragma once

// The store's own helpers for running statements: numbered errors at the place of failure,
// statements through Qt SQL and through SQLite's own interface, transactions. Used by the
// files of src/store only.

#include "store/SqlValues.h"
#include "store/Statement.h"
#include "store/StoreError.h"
#include "store/sqlite/SqliteSql.h"
#include "store/sqlite/history/OwnCommits.h"

#include <QByteArrayView>
#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <sqlite3.h>

#include <optional>

namespace store::sql {

// SQLite's primary result code, as the driver reports it in nativeErrorCode().
inline constexpr int SqliteNotADatabase = 26;

inline int primaryCode(const QSqlError& error) {
    // Extended codes carry the primary code in their low byte.
    return error.nativeErrorCode().toInt() & 0xff;
}

/// The numbered error for a failed statement; a file that turns out not to be a database says
/// so whatever the statement was.
inline StoreError failure(int number, const QString& what, int sqliteCode, const QString& text) {
    if ((sqliteCode & 0xff) == SqliteNotADatabase)
        return StoreError(
            NotADatabase,
            QCoreApplication::translate("store", "The file is not a database: %1.").arg(text));
    return StoreError(number, QStringLiteral("%1: %2.").arg(what, text));
}

[[noreturn]] inline void fail(int number, const QString& what, const QSqlError& error) {
    throw failure(number, what, primaryCode(error), describe(error));
}

/// A statement prepared on the operation's connection through Qt SQL; failures become numbered
/// errors: QueryFailed for preparing it and reading its rows, `failureNumber` for running it
/// (unless exec is given another).
class SqliteStatement : public store::Statement {
public:
    SqliteStatement(const QSqlDatabase& db, QLatin1StringView sql, const QString& what,
                    int failureNumber = QueryFailed)
        : m_query(db), m_what(what), m_failureNumber(failureNumber) {
        m_query.setForwardOnly(true);
        if (!m_query.prepare(sql))
            fail(QueryFailed, m_what, m_query.lastError());
    }
    SqliteStatement& bind(const QVariant& value) override {
        m_query.addBindValue(value);
        return *this;
    }
    void exec() override { exec(m_failureNumber); }
    void exec(int failureNumber) {
        if (!m_query.exec())
            fail(failureNumber, m_what, m_query.lastError());
    }
    bool next() override {
        if (m_query.next())
            return true;
        // next() is false both at the end and on a read error; only the latter is a failure.
        if (m_query.lastError().isValid())
            fail(QueryFailed, m_what, m_query.lastError());
        return false;
    }
    QVariant value(int column) const override { return m_query.value(column); }
    qsizetype rowsAffected() const override { return m_query.numRowsAffected(); }
    QSqlQuery& query() { return m_query; }

private:
    QSqlQuery m_query;
    QString m_what;
    int m_failureNumber;
};

inline sqlite3* nativeHandle(const QSqlDatabase& db);

/// A write transaction on the operation's connection, rolled back unless committed. It takes
/// the file's write lock when it begins (waiting the busy timeout for another writer), so the
/// reads made inside it stay true until the commit. While it holds the lock it reads the file's
/// change counter, so that the watch and the history know its commit for the editor's own
/// (history::beginOwnCommit).
class WriteTransaction : public store::Transaction {
public:
    WriteTransaction(const QSqlDatabase& db, const QString& what) : m_query(db), m_what(what) {
        if (!m_query.exec(schema::BeginWrite))
            fail(WriteFailed, m_what, m_query.lastError());
        m_handle = nativeHandle(db);
        m_counter = history::changeCounter(m_handle);
        if (m_counter) {
            m_file = history::fileKey(QString::fromUtf8(sqlite3_db_filename(m_handle, "main")));
            m_changes = sqlite3_total_changes64(m_handle);
            history::beginOwnCommit(m_file, *m_counter);
        }
    }
    ~WriteTransaction() override {
        if (m_open) {
            ended(false);
            m_query.exec(schema::Rollback);
        }
    }
    void commit() override {
        // A commit that fails (another program still reading, past the busy timeout) leaves
        // the transaction open; the destructor then rolls it back. A commit that wrote no row
        // leaves the counter where it was: its step is nobody's yet.
        const bool wrote = m_counter && sqlite3_total_changes64(m_handle) != m_changes;
        if (!m_query.exec(schema::Commit))
            fail(WriteFailed, m_what, m_query.lastError());
        m_open = false;
        ended(wrote);
    }

private:
    void ended(bool wrote) {
        if (m_counter)
            history::endOwnCommit(m_file, *m_counter, wrote);
        m_counter.reset();
    }

    QSqlQuery m_query;
    QString m_what;
    bool m_open = true;
    sqlite3* m_handle = nullptr;
    std::optional<quint32> m_counter;
    QString m_file;
    sqlite3_int64 m_changes = 0;
};

/// The connection's own SQLite handle, for the reads that go through SQLite's interface.
inline sqlite3* nativeHandle(const QSqlDatabase& db) {
    const QVariant handle = db.driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0)
        throw StoreError(QueryFailed, QCoreApplication::translate(
                                          "store", "The database driver is not SQLite."));
    return *static_cast<sqlite3* const*>(handle.constData());
}

/// A statement stepped through SQLite's own interface, which reads a row without the
/// per-value conversions of the Qt SQL layer: the one owner of every raw statement, finalized
/// on every path. Every step that is neither a row nor the end is a failure numbered
/// `failureNumber`: a damaged page must never look like the end of the data.
class NativeStatement {
public:
    /// `notADatabase`: whether a file that turns out not to be a database fails as NotADatabase
    /// (the shared file) or as `failureNumber` like any other failure (a file of the editor's
    /// own, which its opener sets aside).
    NativeStatement(sqlite3* connection, QLatin1StringView sql, QString what,
                    int failureNumber = QueryFailed, bool notADatabase = true)
        : m_connection(connection), m_what(std::move(what)), m_failureNumber(failureNumber),
          m_notADatabase(notADatabase) {
        if (sqlite3_prepare_v2(connection, sql.data(), int(sql.size()), &m_statement, nullptr) !=
            SQLITE_OK)
            throw failure();
    }
    ~NativeStatement() { sqlite3_finalize(m_statement); }
    NativeStatement(const NativeStatement&) = delete;
    NativeStatement& operator=(const NativeStatement&) = delete;

    /// The statement itself, for a writer that binds its own values and reads each step's
    /// result code (a refused key is not a failure of the statement).
    sqlite3_stmt* get() const { return m_statement; }
    /// Back to the start, with every value unbound.
    void clear() {
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
        m_bound = 0;
        m_stepped = false;
    }
    /// Binds the next parameter in order: a number as a number, bytes as a blob, Null as Null,
    /// anything else as text. The first bind after a run starts the statement anew, so that
    /// one statement serves a loop of bind, run, bind, run.
    NativeStatement& bind(const QVariant& value) {
        if (m_stepped)
            clear();
        const int at = ++m_bound;
        int rc = SQLITE_OK;
        if (value.isNull()) {
            rc = sqlite3_bind_null(m_statement, at);
        } else {
            switch (value.typeId()) {
            case QMetaType::Int:
            case QMetaType::LongLong:
            case QMetaType::UInt:
            case QMetaType::Bool:
                rc = sqlite3_bind_int64(m_statement, at, value.toLongLong());
                break;
            case QMetaType::Double:
                rc = sqlite3_bind_double(m_statement, at, value.toDouble());
                break;
            case QMetaType::QByteArray: {
                const QByteArray bytes = value.toByteArray();
                rc = sqlite3_bind_blob64(m_statement, at, bytes.constData(), bytes.size(),
                                         SQLITE_TRANSIENT);
                break;
            }
            default: {
                const QByteArray text = value.toString().toUtf8();
                rc = sqlite3_bind_text64(m_statement, at, text.constData(), text.size(),
                                         SQLITE_TRANSIENT, SQLITE_UTF8);
            }
            }
        }
        if (rc != SQLITE_OK)
            throw failure();
        return *this;
    }
    /// Steps through every row, for a statement that writes, and starts it anew.
    void run() {
        while (next()) {
        }
        clear();
    }
    /// Binds text as UTF-8, copied, so the caller's text need not outlive the call.
    int bindText(int index, const QString& text) {
        const QByteArray utf8 = text.toUtf8();
        return sqlite3_bind_text(m_statement, index, utf8.constData(), int(utf8.size()),
                                 SQLITE_TRANSIENT);
    }
    /// Binds UTF-8 text, which the file stores, so SQLite need not translate it. The bytes
    /// must stay alive until the next reset.
    void rebind(const QByteArray& utf8) {
        sqlite3_reset(m_statement);
        sqlite3_bind_text(m_statement, 1, utf8.constData(), int(utf8.size()), SQLITE_STATIC);
    }
    bool next() {
        m_stepped = true;
        const int step = sqlite3_step(m_statement);
        if (step == SQLITE_ROW)
            return true;
        if (step == SQLITE_DONE)
            return false;
        throw failure();
    }
    bool isNull(int column) { return sqlite3_column_type(m_statement, column) == SQLITE_NULL; }
    int type(int column) { return sqlite3_column_type(m_statement, column); }
    double real(int column) { return sqlite3_column_double(m_statement, column); }
    qint64 integer(int column) { return sqlite3_column_int64(m_statement, column); }
    /// A numeric column's value; empty for Null and for text that is not a number.
    std::optional<double> number(int column) {
        switch (sqlite3_column_type(m_statement, column)) {
        case SQLITE_INTEGER:
        case SQLITE_FLOAT:
            return sqlite3_column_double(m_statement, column);
        default:
            return std::nullopt;
        }
    }
    /// The column's bytes as stored, valid until the next step.
    QByteArrayView bytes(int column) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
        return QByteArrayView(text, sqlite3_column_bytes(m_statement, column));
    }
    /// The column's text as UTF-8, valid or not.
    QString text(int column) { return QString::fromUtf8(bytes(column)); }
    /// The column's text; empty for Null.
    std::optional<QString> optionalText(int column) {
        if (isNull(column))
            return std::nullopt;
        return text(column);
    }
    /// The column's value as stored: a number, text, bytes, or Null.
    QVariant value(int column) {
        switch (sqlite3_column_type(m_statement, column)) {
        case SQLITE_INTEGER:
            return QVariant(integer(column));
        case SQLITE_FLOAT:
            return QVariant(real(column));
        case SQLITE_TEXT:
            return QVariant(text(column));
        case SQLITE_BLOB:
            return QVariant(QByteArray(static_cast<const char*>(sqlite3_column_blob(m_statement, column)),
                                       sqlite3_column_bytes(m_statement, column)));
        default:
            return QVariant();
        }
    }
    StoreError failure() const {
        const int code = sqlite3_extended_errcode(m_connection);
        const QString text = QString::fromUtf8(sqlite3_errmsg(m_connection));
        if (!m_notADatabase)
            return StoreError(m_failureNumber, QStringLiteral("%1: %2.").arg(m_what, text));
        return sql::failure(m_failureNumber, m_what, code, text);
    }

private:
    sqlite3* m_connection;
    QString m_what;
    int m_failureNumber;
    bool m_notADatabase;
    sqlite3_stmt* m_statement = nullptr;
    int m_bound = 0;
    bool m_stepped = false;
};

/// An ID as stored, as text when it is valid UTF-8; empty when it is not.
inline std::optional<QString> decodeId(QByteArrayView bytes) {
    QString id = QString::fromUtf8(bytes);
    // The decoder stands U+FFFD in for every invalid sequence. Only then is it worth telling
    // an invalid sequence from a stored U+FFFD, which keeps the common case one pass.
    if (id.contains(QChar::ReplacementCharacter) && !bytes.isValidUtf8())
        return std::nullopt;
    return id;
}

/// An unreadable ID as a person can read and quote it: its valid UTF-8 characters as they
/// are, every other byte (and every control character) as \xHH, as in 'CAF\xE9'.
inline QString readableId(QByteArrayView bytes) {
    QString result;
    qsizetype i = 0;
    while (i < bytes.size()) {
        const auto lead = uchar(bytes[i]);
        const qsizetype length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        const QByteArrayView sequence = bytes.sliced(i, std::min(length, bytes.size() - i));
        if (lead >= 0x20 && lead != 0x7F && sequence.size() == length && sequence.isValidUtf8()) {
            result += QString::fromUtf8(sequence);
            i += length;
        } else {
            result += QStringLiteral("\\x") +
                      QString::number(uint(lead), 16).toUpper().rightJustified(2, QLatin1Char('0'));
            ++i;
        }
    }
    return result;
}

/// One read transaction for a batch of reads: the file is locked and checked once, not once
/// per statement, and every read sees one state of the table.
class ReadTransaction {
public:
    ReadTransaction(sqlite3* connection, const QString& what, int failureNumber = QueryFailed)
        : m_connection(connection), m_own(sqlite3_get_autocommit(connection) != 0) {
        if (m_own && sqlite3_exec(connection, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
            throw failure(failureNumber, what, sqlite3_extended_errcode(connection),
                          QString::fromUtf8(sqlite3_errmsg(connection)));
    }
    ~ReadTransaction() {
        if (m_own)
            sqlite3_exec(m_connection, "COMMIT", nullptr, nullptr, nullptr);
    }
    ReadTransaction(const ReadTransaction&) = delete;
    ReadTransaction& operator=(const ReadTransaction&) = delete;

private:
    sqlite3* m_connection;
    bool m_own;
};

} // namespace store::sql
