#include "store/Database.h"

#include "store/Schema.h"
#include "store/StoreError.h"

#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QVariant>

#include <sqlite3.h>

#include <atomic>
#include <memory>

namespace store {

namespace {

// SQLite's primary result codes, as the driver reports them in nativeErrorCode().
constexpr int SqliteConstraint = 19;
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
    Statement query(m_db, schema::SelectItemIds, QStringLiteral("Could not read ItemMaster"));
    query.exec();
    QStringList ids;
    while (query.next())
        ids.append(query.value(0).toString());
    return ids;
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
    // assembly through SQLite's own interface, which reads a row without the per-value
    // conversions of the Qt SQL layer.
    const QVariant handle = m_db.driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0)
        throw StoreError(QueryFailed, QStringLiteral("The database driver is not SQLite."));
    sqlite3* const connection = *static_cast<sqlite3* const*>(handle.constData());

    const auto sqliteFailure = [&] {
        return failure(QueryFailed, QStringLiteral("Could not read BomDetail"),
                       sqlite3_errcode(connection),
                       QString::fromUtf8(sqlite3_errmsg(connection)));
    };
    // One read transaction for the batch: the file is locked and checked once, not once per
    // assembly, and the whole batch sees one state of the table.
    const bool ownTransaction = sqlite3_get_autocommit(connection) != 0;
    if (ownTransaction && sqlite3_exec(connection, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
        throw sqliteFailure();
    struct EndTransaction {
        sqlite3* connection;
        bool own;
        ~EndTransaction() {
            if (own)
                sqlite3_exec(connection, "COMMIT", nullptr, nullptr, nullptr);
        }
    } endTransaction{connection, ownTransaction};

    sqlite3_stmt* raw = nullptr;
    const QByteArray sql = QByteArray(schema::SelectComponents.data(), schema::SelectComponents.size());
    if (sqlite3_prepare_v2(connection, sql.constData(), int(sql.size()), &raw, nullptr) != SQLITE_OK)
        throw sqliteFailure();
    // Finalized before the transaction ends.
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> statement(raw, &sqlite3_finalize);

    std::vector<QStringList> result(size_t(assemblies.size()));
    QByteArray key;
    for (qsizetype i = 0; i < assemblies.size(); ++i) {
        // The file stores UTF-8: binding and reading it as such spares SQLite a translation.
        key = assemblies.at(i).toUtf8();
        sqlite3_reset(raw);
        sqlite3_bind_text(raw, 1, key.constData(), int(key.size()), SQLITE_STATIC);
        int step;
        while ((step = sqlite3_step(raw)) == SQLITE_ROW) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(raw, 1));
            result[size_t(i)].append(QString::fromUtf8(text, sqlite3_column_bytes(raw, 1)));
        }
        if (step != SQLITE_DONE)
            throw sqliteFailure();
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
    Statement insert(m_db, schema::InsertLine, QStringLiteral("Could not add the line"));
    insert.bind(assembly).bind(component).bind(quantity).bind(
        startDate.toString(schema::StartDateFormat));
    if (insert.query().exec())
        return;
    const QSqlError error = insert.query().lastError();
    if (primaryCode(error) == SqliteConstraint && findQuantity(assembly, component))
        throw StoreError(DuplicateLine,
                         QStringLiteral("The bill of material of '%1' already lists '%2'.")
                             .arg(assembly, component));
    fail(WriteFailed, QStringLiteral("Could not add '%1' to '%2'").arg(component, assembly),
         error);
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
