#include "store/sqlite/SqliteStore.h"

#include "store/ItemKey.h"
#include "store/OpenInterruption.h"
#include "store/LineRules.h"
#include "store/sqlite/SqliteSql.h"
#include "store/SchemaCheck.h"
#include "store/sqlite/SqliteStatement.h"
#include "store/StoreError.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHash>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QVariant>

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>

namespace store {

using namespace sql;

namespace {

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
                         QCoreApplication::translate(
                             "store", "ItemMaster holds the item ID %1, which is not valid "
                                      "UTF-8 text: correct it in the database, for example "
                                      "by importing it again as UTF-8.")
                             .arg(unreadable.constFirst()));
    if (!unreadable.isEmpty()) {
        // Enough to recognise the fault without a message box the height of the screen.
        constexpr qsizetype shown = 5;
        QString named = unreadable.mid(0, shown).join(QStringLiteral(", "));
        const int more = int(unreadable.size() - shown);
        if (more > 0)
            named =
                QCoreApplication::translate("store", "%1 and %n more", nullptr, more).arg(named);
        const int count = int(unreadable.size());
        throw StoreError(UnreadableId,
                         QCoreApplication::translate("store",
                                                     "ItemMaster holds %n item IDs that are not "
                                                     "valid UTF-8 text: %1. Correct them in the "
                                                     "database, for example by importing them "
                                                     "again as UTF-8.",
                                                     nullptr, count)
                             .arg(named));
    }
}

} // namespace

SqliteStore::SqliteStore(const QString& path, OpenInterruption* interruption)
    : m_path(path), m_opening(interruption) {
    static std::atomic<int> serial{0};
    m_connectionName = QStringLiteral("bom-operation-%1").arg(++serial);

    if (path.isEmpty())
        throw StoreError(NoDatabaseChosen,
                         QCoreApplication::translate("store", "No database file has been chosen."));
    const QFileInfo info(path);
    if (!info.exists())
        throw StoreError(
            FileNotFound,
            QCoreApplication::translate("store", "Could not find file '%1'.").arg(path));
    if (!info.isFile())
        throw StoreError(CannotOpen,
                         QCoreApplication::translate("store", "'%1' is not a file.").arg(path));

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
                         QCoreApplication::translate("store", "Could not open '%1': %2.")
                             .arg(path, describe(error)));
    }
    try {
        // The driver's busy timeout cannot be stopped: this wait for the lock can.
        m_handle = nativeHandle(m_db);
        sqlite3_busy_handler(m_handle, &SqliteStore::waitForLock, this);
        if (interruption)
            interruption->setStopper([this] { interrupt(); });
        checkSchema();
        if (interruption)
            interruption->setStopper({});
    } catch (...) {
        if (interruption)
            interruption->setStopper({});
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connectionName);
        throw;
    }
}

SqliteStore::~SqliteStore() {
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
}

int SqliteStore::waitForLock(void* store, int count) {
    auto* const self = static_cast<SqliteStore*>(store);
    if (count == 0)
        self->m_lockWait.start();
    if (self->m_interrupted || (self->m_opening && self->m_opening->interrupted()))
        return 0;
    const qint64 left = BusyWaitMs - self->m_lockWait.elapsed();
    if (left <= 0)
        return 0;
    // Short steps, so that a Cancel is answered within a few milliseconds.
    sqlite3_sleep(int(std::min<qint64>(left, 5)));
    return 1;
}

void SqliteStore::interrupt() {
    m_interrupted = true;
    if (m_handle)
        sqlite3_interrupt(m_handle);
}

void SqliteStore::checkSchema() {
    std::vector<TableColumn> columns;
    SqliteStatement query(m_db, schema::SelectColumns,
                          QCoreApplication::translate("store", "Could not read the tables"));
    query.exec();
    while (query.next())
        columns.push_back({query.value(0).toString(), query.value(1).toString(),
                           query.value(2).toInt()});
    checkColumns(columns, QStringLiteral("'%1'").arg(m_path));
}

QStringList SqliteStore::itemIds() {
    NativeStatement query(nativeHandle(m_db), schema::SelectItemIds,
                          QCoreApplication::translate("store", "Could not read ItemMaster"));
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

std::vector<ItemLine> SqliteStore::itemLines() {
    sqlite3* const connection = nativeHandle(m_db);
    const QString what = QCoreApplication::translate("store", "Could not read ItemMaster");
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

bool SqliteStore::hasLines(const QString& assembly) { return !components(assembly).isEmpty(); }

} // namespace store
