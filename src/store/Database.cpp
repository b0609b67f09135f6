#include "store/Database.h"

#include "store/ItemKey.h"
#include "store/Schema.h"
#include "store/StoreError.h"

#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QVariant>

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <memory>

namespace store {

namespace {

// SQLite's primary result code, as the driver reports it in nativeErrorCode().
constexpr int SqliteNotADatabase = 26;

int primaryCode(const QSqlError& error) {
    // Extended codes carry the primary code in their low byte.
    return error.nativeErrorCode().toInt() & 0xff;
}

QString describe(const QSqlError& error) {
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return text.isEmpty() ? QStringLiteral("unknown database error") : text;
}

/// The numbered error for a failed statement; a file that turns out not to be a database says
/// so whatever the statement was.
StoreError failure(int number, const QString& what, int sqliteCode, const QString& text) {
    if ((sqliteCode & 0xff) == SqliteNotADatabase)
        return StoreError(NotADatabase, QStringLiteral("The file is not a database: %1.").arg(text));
    return StoreError(number, QStringLiteral("%1: %2.").arg(what, text));
}

[[noreturn]] void fail(int number, const QString& what, const QSqlError& error) {
    throw failure(number, what, primaryCode(error), describe(error));
}

/// A statement prepared on the operation's connection; failures become numbered errors.
class Statement {
public:
    Statement(const QSqlDatabase& db, QLatin1StringView sql, const QString& what)
        : m_query(db), m_what(what) {
        m_query.setForwardOnly(true);
        if (!m_query.prepare(sql))
            fail(QueryFailed, m_what, m_query.lastError());
    }
    Statement& bind(const QVariant& value) {
        m_query.addBindValue(value);
        return *this;
    }
    void exec(int failureNumber = QueryFailed) {
        if (!m_query.exec())
            fail(failureNumber, m_what, m_query.lastError());
    }
    bool next() {
        if (m_query.next())
            return true;
        // next() is false both at the end and on a read error; only the latter is a failure.
        if (m_query.lastError().isValid())
            fail(QueryFailed, m_what, m_query.lastError());
        return false;
    }
    QVariant value(int column) const { return m_query.value(column); }
    QSqlQuery& query() { return m_query; }

private:
    QSqlQuery m_query;
    QString m_what;
};

std::optional<QString> optionalText(const QVariant& value) {
    if (value.isNull())
        return std::nullopt;
    return value.toString();
}

/// A write transaction on the operation's connection, rolled back unless committed. It takes
/// the file's write lock when it begins (waiting the busy timeout for another writer), so the
/// reads made inside it stay true until the commit.
class WriteTransaction {
public:
    WriteTransaction(const QSqlDatabase& db, const QString& what) : m_query(db), m_what(what) {
        if (!m_query.exec(schema::BeginWrite))
            fail(WriteFailed, m_what, m_query.lastError());
    }
    ~WriteTransaction() {
        if (m_open)
            m_query.exec(schema::Rollback);
    }
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;

    void commit() {
        // A commit that fails (another program still reading, past the busy timeout) leaves
        // the transaction open; the destructor then rolls it back.
        if (!m_query.exec(schema::Commit))
            fail(WriteFailed, m_what, m_query.lastError());
        m_open = false;
    }

private:
    QSqlQuery m_query;
    QString m_what;
    bool m_open = true;
};

/// The connection's own SQLite handle, for the reads that go through SQLite's interface.
sqlite3* nativeHandle(const QSqlDatabase& db) {
    const QVariant handle = db.driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0)
        throw StoreError(QueryFailed, QStringLiteral("The database driver is not SQLite."));
    return *static_cast<sqlite3* const*>(handle.constData());
}

/// A statement stepped through SQLite's own interface, which reads a row without the
/// per-value conversions of the Qt SQL layer. Every step that is neither a row nor the end is
/// a failure: a damaged page must never look like the end of the data.
class NativeStatement {
public:
    NativeStatement(sqlite3* connection, QLatin1StringView sql, QString what)
        : m_connection(connection), m_what(std::move(what)) {
        if (sqlite3_prepare_v2(connection, sql.data(), int(sql.size()), &m_statement, nullptr) !=
            SQLITE_OK)
            throw failure();
    }
    ~NativeStatement() { sqlite3_finalize(m_statement); }
    NativeStatement(const NativeStatement&) = delete;
    NativeStatement& operator=(const NativeStatement&) = delete;

    /// Binds UTF-8 text, which the file stores, so SQLite need not translate it. The bytes
    /// must stay alive until the next reset.
    void rebind(const QByteArray& utf8) {
        sqlite3_reset(m_statement);
        sqlite3_bind_text(m_statement, 1, utf8.constData(), int(utf8.size()), SQLITE_STATIC);
    }
    bool next() {
        const int step = sqlite3_step(m_statement);
        if (step == SQLITE_ROW)
            return true;
        if (step == SQLITE_DONE)
            return false;
        throw failure();
    }
    sqlite3_int64 integer(int column) { return sqlite3_column_int64(m_statement, column); }
    bool isNull(int column) { return sqlite3_column_type(m_statement, column) == SQLITE_NULL; }
    /// The column's bytes as stored, valid until the next step.
    QByteArrayView bytes(int column) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
        return QByteArrayView(text, sqlite3_column_bytes(m_statement, column));
    }
    StoreError failure() const {
        return store::failure(QueryFailed, m_what, sqlite3_extended_errcode(m_connection),
                              QString::fromUtf8(sqlite3_errmsg(m_connection)));
    }

private:
    sqlite3* m_connection;
    QString m_what;
    sqlite3_stmt* m_statement = nullptr;
};

/// An ID as stored, as text when it is valid UTF-8; empty when it is not.
std::optional<QString> decodeId(QByteArrayView bytes) {
    QString id = QString::fromUtf8(bytes);
    // The decoder stands U+FFFD in for every invalid sequence. Only then is it worth telling
    // an invalid sequence from a stored U+FFFD, which keeps the common case one pass.
    if (id.contains(QChar::ReplacementCharacter) && !bytes.isValidUtf8())
        return std::nullopt;
    return id;
}

/// An unreadable ID as a person can read and quote it: its valid UTF-8 characters as they
/// are, every other byte (and every control character) as \xHH, as in 'CAF\xE9'.
QString readableId(QByteArrayView bytes) {
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

/// A read transaction on the connection for the length of one read, unless one is open
/// already: the file is locked and checked once, and every statement sees one state of it.
class ReadTransaction {
public:
    ReadTransaction(sqlite3* connection, const QString& what)
        : m_connection(connection), m_own(sqlite3_get_autocommit(connection) != 0) {
        if (m_own && sqlite3_exec(connection, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
            throw failure(QueryFailed, what, sqlite3_extended_errcode(connection),
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

/// Whether ItemMaster has row numbers (it has none when declared WITHOUT ROWID).
bool hasRowNumbers(sqlite3* connection) {
    sqlite3_stmt* statement = nullptr;
    const bool prepared = sqlite3_prepare_v2(connection, schema::SelectItemRowNumber.data(),
                                             int(schema::SelectItemRowNumber.size()), &statement,
                                             nullptr) == SQLITE_OK;
    sqlite3_finalize(statement);
    return prepared;
}

/// Refuses a list of items that lacks the unreadable IDs (quoted readably): a list that
/// silently lacked items would look complete.
void refuseUnreadable(const QStringList& unreadable) {
    if (unreadable.size() == 1)
        throw StoreError(UnreadableId,
                         QStringLiteral("ItemMaster holds the item ID %1, which is not valid "
                                        "UTF-8 text: correct it in the database, for example "
                                        "by importing it again as UTF-8.")
                             .arg(unreadable.constFirst()));
    if (!unreadable.isEmpty()) {
        // Enough to recognise the fault without a message box the height of the screen.
        constexpr qsizetype shown = 5;
        QString named = unreadable.mid(0, shown).join(QStringLiteral(", "));
        if (unreadable.size() > shown)
            named += QStringLiteral(" and %1 more").arg(unreadable.size() - shown);
        throw StoreError(UnreadableId,
                         QStringLiteral("ItemMaster holds %1 item IDs that are not valid UTF-8 "
                                        "text: %2. Correct them in the database, for example "
                                        "by importing them again as UTF-8.")
                             .arg(unreadable.size())
                             .arg(named));
    }
}

} // namespace

Database::Database(const QString& path) : m_path(path) {
    static std::atomic<int> serial{0};
    m_connectionName = QStringLiteral("bom-operation-%1").arg(++serial);

    if (path.isEmpty())
        throw StoreError(NoDatabaseChosen, QStringLiteral("No database file has been chosen."));
    const QFileInfo info(path);
    if (!info.exists())
        throw StoreError(FileNotFound, QStringLiteral("Could not find file '%1'.").arg(path));
    if (!info.isFile())
        throw StoreError(CannotOpen, QStringLiteral("'%1' is not a file.").arg(path));

    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    // mode=rw: SQLite must never create a file, even if it vanished since the test above.
    QUrl url = QUrl::fromLocalFile(info.absoluteFilePath());
    url.setQuery(QStringLiteral("mode=rw"));
    m_db.setDatabaseName(url.toString(QUrl::FullyEncoded));
    // The manufacturing application may be writing the same file: wait for it a while.
    m_db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
    if (!m_db.open()) {
        const QSqlError error = m_db.lastError();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connectionName);
        throw StoreError(CannotOpen,
                         QStringLiteral("Could not open '%1': %2.").arg(path, describe(error)));
    }
    try {
        checkSchema();
    } catch (...) {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connectionName);
        throw;
    }
}

Database::~Database() {
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
}

void Database::checkSchema() {
    struct Needed {
        QLatin1StringView table;
        QLatin1StringView column;
        int keyPosition; // 0: any, otherwise its place in the primary key
    };
    static constexpr Needed needed[] = {
        {schema::ItemMaster, QLatin1StringView("ItemID"), 1},
        {schema::ItemMaster, QLatin1StringView("ItemDesc"), 0},
        {schema::ItemMaster, QLatin1StringView("ItemUom"), 0},
        {schema::BomDetail, QLatin1StringView("BomID"), 1},
        {schema::BomDetail, QLatin1StringView("BomComp"), 2},
        {schema::BomDetail, QLatin1StringView("bomQtyReq"), 0},
        {schema::BomDetail, QLatin1StringView("StartDate"), 0},
    };

    struct Column {
        QString table;
        QString name;
        int keyPosition;
    };
    std::vector<Column> columns;
    Statement query(m_db, schema::SelectColumns, QStringLiteral("Could not read the tables"));
    query.exec();
    while (query.next())
        columns.push_back({query.value(0).toString(), query.value(1).toString(),
                           query.value(2).toInt()});

    // SQLite names compare without regard to ASCII case.
    const auto same = [](const QString& a, QLatin1StringView b) {
        return a.compare(b, Qt::CaseInsensitive) == 0;
    };
    for (QLatin1StringView table : {schema::ItemMaster, schema::BomDetail}) {
        if (std::none_of(columns.begin(), columns.end(),
                         [&](const Column& c) { return same(c.table, table); }))
            throw StoreError(MissingTable,
                             QStringLiteral("Could not find table '%1' in '%2'.").arg(table, m_path));
        const int keyColumns =
            int(std::count_if(columns.begin(), columns.end(), [&](const Column& c) {
                return same(c.table, table) && c.keyPosition > 0;
            }));
        const int wanted = table == schema::BomDetail ? 2 : 1;
        if (keyColumns != wanted)
            throw StoreError(MissingPrimaryKey,
                             QStringLiteral("Table '%1' has no primary key on %2.")
                                 .arg(table, table == schema::BomDetail
                                                 ? QStringLiteral("(BomID, BomComp)")
                                                 : QStringLiteral("(ItemID)")));
    }
    for (const Needed& n : needed) {
        const auto found = std::find_if(columns.begin(), columns.end(), [&](const Column& c) {
            return same(c.table, n.table) && same(c.name, n.column);
        });
        if (found == columns.end())
            throw StoreError(MissingColumn, QStringLiteral("Table '%1' has no column '%2'.")
                                                .arg(n.table, n.column));
        if (n.keyPosition != 0 && found->keyPosition != n.keyPosition)
            throw StoreError(MissingPrimaryKey,
                             QStringLiteral("Column '%1' of table '%2' is not in its place in "
                                            "the primary key.")
                                 .arg(n.column, n.table));
    }
}

QStringList Database::itemIds() {
    NativeStatement query(nativeHandle(m_db), schema::SelectItemIds,
                          QStringLiteral("Could not read ItemMaster"));
    QStringList ids;
    QStringList unreadable;
    while (query.next()) {
        const QByteArrayView bytes = query.bytes(0);
        if (std::optional<QString> id = decodeId(bytes))
            ids.append(std::move(*id));
        else
            unreadable.append(QLatin1Char('\'') + readableId(bytes) + QLatin1Char('\''));
    }
    refuseUnreadable(unreadable);
    return ids;
}

std::vector<ItemLine> Database::itemLines() {
    sqlite3* const connection = nativeHandle(m_db);
    const QString what = QStringLiteral("Could not read ItemMaster");
    // Both passes below see one state of the table.
    const ReadTransaction transaction(connection, what);
    std::vector<ItemLine> lines;
    QStringList unreadable;
    // A description read as it is stored: it is only shown, so a byte that is not UTF-8 shows
    // as U+FFFD rather than refusing the whole list.
    const auto description = [](NativeStatement& query, int column) -> std::optional<QString> {
        if (query.isNull(column))
            return std::nullopt;
        return QString::fromUtf8(query.bytes(column));
    };
    const auto add = [&](QByteArrayView bytes, std::optional<QString> text) {
        if (std::optional<QString> id = decodeId(bytes))
            lines.push_back({std::move(*id), std::move(text)});
        else
            unreadable.append(QLatin1Char('\'') + readableId(bytes) + QLatin1Char('\''));
    };

    if (!hasRowNumbers(connection)) {
        // A table without row numbers is stored in key order: one pass reads it in order.
        NativeStatement query(connection, schema::SelectItemLines, what);
        while (query.next())
            add(query.bytes(0), description(query, 1));
        refuseUnreadable(unreadable);
        return lines;
    }
    // Read in key order, each row costs a look-up in a table stored in another order: about
    // ten times as long as reading the IDs alone. So the key order comes from the primary
    // key's index alone, which holds each row's number, and the descriptions from one pass in
    // row-number order; the two meet by row number.
    std::vector<std::pair<sqlite3_int64, size_t>> rows;
    {
        NativeStatement keys(connection, schema::SelectItemRows, what);
        while (keys.next()) {
            const size_t before = lines.size();
            add(keys.bytes(0), std::nullopt);
            if (lines.size() > before)
                rows.emplace_back(keys.integer(1), before);
        }
    }
    refuseUnreadable(unreadable);
    if (rows.empty())
        return lines;
    // Row numbers are mostly 1 to the number of rows, with the gaps that deletes leave: then a
    // table by row number finds each line without sorting.
    const auto [low, high] = std::minmax_element(rows.cbegin(), rows.cend());
    const sqlite3_int64 first = low->first;
    const sqlite3_int64 span = high->first - first + 1;
    std::vector<size_t> lineOf;
    if (span <= 4 * sqlite3_int64(rows.size())) {
        lineOf.assign(size_t(span), lines.size());
        for (const auto& [number, line] : rows)
            lineOf[size_t(number - first)] = line;
    } else {
        std::sort(rows.begin(), rows.end());
    }
    NativeStatement details(connection, schema::SelectItemDescriptions, what);
    auto row = rows.cbegin();
    while (details.next()) {
        const sqlite3_int64 number = details.integer(0);
        size_t line = lines.size();
        if (!lineOf.empty()) {
            if (number >= first && number - first < span)
                line = lineOf[size_t(number - first)];
        } else {
            while (row != rows.cend() && row->first < number)
                ++row;
            if (row != rows.cend() && row->first == number)
                line = row->second;
        }
        if (line < lines.size())
            lines[line].description = description(details, 1);
    }
    return lines;
}

std::optional<Item> Database::findItem(const QString& id) {
    Statement query(m_db, schema::SelectItem, QStringLiteral("Could not read ItemMaster"));
    query.bind(id).exec();
    if (!query.next())
        return std::nullopt;
    return Item{query.value(0).toString(), optionalText(query.value(1)),
                optionalText(query.value(2))};
}

QStringList Database::components(const QString& assembly) {
    Statement query(m_db, schema::SelectComponents, QStringLiteral("Could not read BomDetail"));
    query.bind(assembly).exec();
    QStringList result;
    while (query.next())
        result.append(query.value(1).toString());
    return result;
}

std::vector<QStringList> Database::componentsOfEach(const QStringList& assemblies) {
    // The hot path of a tree load: one statement for the whole batch, stepped once per
    // assembly through SQLite's own interface.
    sqlite3* const connection = nativeHandle(m_db);
    const QString what = QStringLiteral("Could not read BomDetail");
    // One read transaction for the batch: the file is locked and checked once, not once per
    // assembly, and the whole batch sees one state of the table.
    const bool ownTransaction = sqlite3_get_autocommit(connection) != 0;
    if (ownTransaction && sqlite3_exec(connection, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
        throw failure(QueryFailed, what, sqlite3_extended_errcode(connection),
                      QString::fromUtf8(sqlite3_errmsg(connection)));
    struct EndTransaction {
        sqlite3* connection;
        bool own;
        ~EndTransaction() {
            if (own)
                sqlite3_exec(connection, "COMMIT", nullptr, nullptr, nullptr);
        }
    } endTransaction{connection, ownTransaction};
    // Declared after the transaction: finalized before it ends.
    NativeStatement query(connection, schema::SelectComponents, what);

    std::vector<QStringList> result(size_t(assemblies.size()));
    QByteArray key;
    for (qsizetype i = 0; i < assemblies.size(); ++i) {
        key = assemblies.at(i).toUtf8();
        query.rebind(key);
        while (query.next()) {
            const QByteArrayView bytes = query.bytes(1);
            std::optional<QString> component = decodeId(bytes);
            if (!component)
                throw StoreError(UnreadableId,
                                 QStringLiteral("The bill of material of '%1' lists the "
                                                "component '%2', whose ID is not valid UTF-8 "
                                                "text: correct it in BomDetail, for example by "
                                                "importing it again as UTF-8.")
                                     .arg(assemblies.at(i), readableId(bytes)));
            result[size_t(i)].append(std::move(*component));
        }
    }
    return result;
}

std::optional<std::optional<double>> Database::findQuantity(const QString& assembly,
                                                            const QString& component) {
    Statement query(m_db, schema::SelectLine, QStringLiteral("Could not read BomDetail"));
    query.bind(assembly).bind(component).exec();
    if (!query.next())
        return std::nullopt;
    const QVariant quantity = query.value(0);
    if (quantity.isNull())
        return std::optional<double>();
    bool ok = false;
    const double value = quantity.toDouble(&ok);
    if (!ok)
        throw StoreError(QueryFailed,
                         QStringLiteral("The quantity of '%1' in '%2' is not a number: '%3'.")
                             .arg(component, assembly, quantity.toString()));
    return std::optional<double>(value);
}

void Database::addLine(const QString& assembly, const QString& component, double quantity,
                       const QDateTime& startDate) {
    const QString what = QStringLiteral("Could not add '%1' to '%2'").arg(component, assembly);
    // Statements are declared inside the transaction's scope, so each is finished before the
    // transaction commits or rolls back.
    WriteTransaction transaction(m_db, what);
    refuseCircular(assembly, component);
    {
        Statement existing(m_db, schema::SelectLineExists,
                           QStringLiteral("Could not read BomDetail"));
        existing.bind(assembly).bind(component).exec();
        if (existing.next())
            throw StoreError(DuplicateLine,
                             QStringLiteral("The bill of material of '%1' already lists '%2'.")
                                 .arg(assembly, component));
    }
    if (m_beforeInsert)
        m_beforeInsert();
    {
        Statement insert(m_db, schema::InsertLine, what);
        insert.bind(assembly).bind(component).bind(quantity).bind(
            startDate.toString(schema::StartDateFormat));
        insert.exec(WriteFailed);
    }
    transaction.commit();
}

void Database::setBeforeInsert(std::function<void()> hook) { m_beforeInsert = std::move(hook); }

void Database::refuseCircular(const QString& assembly, const QString& component) {
    if (foldKey(assembly) == foldKey(component))
        throw StoreError(CircularComponent,
                         QStringLiteral("'%1' cannot be a component of itself.").arg(component));
    if (structureContains(component, assembly))
        throw StoreError(CircularComponent,
                         QStringLiteral("'%1' cannot be a component of '%2': '%2' is already "
                                        "part of the structure of '%1'.")
                             .arg(component, assembly));
}

bool Database::deleteLine(const QString& assembly, const QString& component) {
    Statement remove(m_db, schema::DeleteLine, QStringLiteral("Could not delete the line"));
    remove.bind(assembly).bind(component).exec(WriteFailed);
    return remove.query().numRowsAffected() > 0;
}

bool Database::structureContains(const QString& item, const QString& target) {
    Statement query(m_db, schema::SelectReaches, QStringLiteral("Could not read BomDetail"));
    query.bind(item).bind(target).exec();
    return query.next();
}

} // namespace store
