// Reading the two tables of an editor's SQLite database, to copy them to a server.

#include "import/Meter.h"
#include "import/Sources.h"

#include "store/StoreError.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <sqlite3.h>

#include <memory>

namespace import {

using store::StoreError;

namespace {

using Connection = std::unique_ptr<sqlite3, int (*)(sqlite3*)>;
using Query = std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)>;

[[noreturn]] void failOn(sqlite3* db, const QString& what) {
    throw StoreError(store::ImportSourceUnreadable,
                     QStringLiteral("%1: %2.").arg(what, QString::fromUtf8(sqlite3_errmsg(db))));
}

Query prepare(sqlite3* db, const QByteArray& sql, const QString& what) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &raw, nullptr) != SQLITE_OK)
        failOn(db, what);
    return Query(raw, &sqlite3_finalize);
}

/// Refuses a missing table or column of the source with the import's numbers, as the Jet and
/// CSV sources do, rather than with SQLite's own words.
void checkColumns(sqlite3* db, const QString& path, const char* table, const QStringList& needed) {
    const Query query = prepare(db, "SELECT name FROM pragma_table_info(?)",
                                QStringLiteral("Could not read '%1'").arg(path));
    sqlite3_bind_text(query.get(), 1, table, -1, SQLITE_STATIC);
    QSet<QString> names;
    int rc;
    while ((rc = sqlite3_step(query.get())) == SQLITE_ROW)
        names.insert(
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(query.get(), 0)))
                .toLower());
    if (rc != SQLITE_DONE)
        failOn(db, QStringLiteral("Could not read '%1'").arg(path));
    if (names.isEmpty())
        throw StoreError(
            store::ImportMissingTable,
            QStringLiteral("'%1' has no table %2.").arg(path, QLatin1StringView(table)));
    for (const QString& column : needed)
        if (!names.contains(column.toLower()))
            throw StoreError(store::ImportMissingColumn,
                             QStringLiteral("Table %1 of '%2' has no column %3.")
                                 .arg(QLatin1StringView(table), path, column));
}

/// A text column as stored: Null kept, text taken as it is. Anything else (a number in an ID,
/// a blob) is refused with `number`, never turned into text that the source did not hold.
std::optional<QString> textOf(sqlite3_stmt* row, int column, const QString& where,
                              QLatin1StringView name, int number = store::ImportInvalidValue) {
    switch (sqlite3_column_type(row, column)) {
    case SQLITE_NULL:
        return std::nullopt;
    case SQLITE_TEXT: {
        const QByteArrayView bytes(reinterpret_cast<const char*>(sqlite3_column_text(row, column)),
                                   sqlite3_column_bytes(row, column));
        if (!bytes.isValidUtf8())
            throw StoreError(number,
                             QStringLiteral("%1: the %2 is not valid text.").arg(where, name));
        return QString::fromUtf8(bytes);
    }
    default:
        throw StoreError(number, QStringLiteral("%1: the %2 is not text.").arg(where, name));
    }
}

QString idOf(sqlite3_stmt* row, int column, const QString& where, QLatin1StringView name) {
    std::optional<QString> text = textOf(row, column, where, name, store::ImportInvalidId);
    if (!text)
        throw StoreError(store::ImportInvalidId,
                         QStringLiteral("%1: the %2 is Null.").arg(where, name));
    return *text;
}

std::optional<double> quantityOf(sqlite3_stmt* row, int column, const QString& where) {
    switch (sqlite3_column_type(row, column)) {
    case SQLITE_NULL:
        return std::nullopt;
    case SQLITE_FLOAT:
    case SQLITE_INTEGER:
        return sqlite3_column_double(row, column);
    default:
        // SQLite keeps text that does not read as a number as text even in a REAL column; a
        // server's number column cannot hold it.
        throw StoreError(store::ImportInvalidValue,
                         QStringLiteral("%1: the bomQtyReq '%2' is not a number.")
                             .arg(where, QString::fromUtf8(reinterpret_cast<const char*>(
                                             sqlite3_column_text(row, column)))));
    }
}

qint64 countOf(sqlite3* db, const QByteArray& sql, const QString& what) {
    const Query query = prepare(db, sql, what);
    if (sqlite3_step(query.get()) != SQLITE_ROW)
        failOn(db, what);
    return sqlite3_column_int64(query.get(), 0);
}

} // namespace

bool isSqliteFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return file.read(16) == QByteArrayView("SQLite format 3\0", 16);
}

SourceRows readSqlite(const QString& path, Meter& meter) {
    if (!QFileInfo(path).isFile())
        throw StoreError(store::ImportSourceUnreadable,
                         QStringLiteral("Could not find file '%1'.").arg(path));
    if (!isSqliteFile(path))
        throw StoreError(store::NotADatabase,
                         QStringLiteral("'%1' is not an SQLite database.").arg(path));
    sqlite3* raw = nullptr;
    // Read-only: the source of a copy is never changed.
    const int rc =
        sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    const Connection db(raw, &sqlite3_close);
    if (rc != SQLITE_OK)
        failOn(raw, QStringLiteral("Could not open '%1'").arg(path));
    // Another program may be writing the file: wait for it a while.
    sqlite3_busy_timeout(raw, 5000);
    // Both tables, and their counts, from one state of the file.
    if (sqlite3_exec(raw, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
        failOn(raw, QStringLiteral("Could not read '%1'").arg(path));

    checkColumns(raw, path, "ItemMaster",
                 {QStringLiteral("ItemID"), QStringLiteral("ItemDesc"), QStringLiteral("ItemUom")});
    checkColumns(raw, path, "BomDetail",
                 {QStringLiteral("BomID"), QStringLiteral("BomComp"), QStringLiteral("bomQtyReq"),
                  QStringLiteral("StartDate")});

    SourceRows rows;
    rows.itemSource = QStringLiteral("ItemMaster");
    rows.lineSource = QStringLiteral("BomDetail");
    const QString reading = QStringLiteral("Could not read '%1'").arg(path);
    const qint64 itemCount = countOf(raw, "SELECT COUNT(*) FROM ItemMaster", reading);
    const qint64 lineCount = countOf(raw, "SELECT COUNT(*) FROM BomDetail", reading);
    rows.items.reserve(size_t(itemCount));
    rows.lines.reserve(size_t(lineCount));

    meter.phase(0, 200);
    const Query items = prepare(raw, "SELECT ItemID, ItemDesc, ItemUom FROM ItemMaster", reading);
    int step;
    while ((step = sqlite3_step(items.get())) == SQLITE_ROW) {
        const Place place{qint64(rows.items.size()) + 1, 0};
        const QString where = describe(rows.itemSource, place);
        rows.items.push_back({idOf(items.get(), 0, where, QLatin1StringView("ItemID")),
                              textOf(items.get(), 1, where, QLatin1StringView("ItemDesc")),
                              textOf(items.get(), 2, where, QLatin1StringView("ItemUom"))});
        rows.itemPlaces.push_back(place);
        meter.step(place.record, itemCount);
    }
    if (step != SQLITE_DONE)
        failOn(raw, reading);

    meter.phase(200, 500);
    const Query lines =
        prepare(raw, "SELECT BomID, BomComp, bomQtyReq, StartDate FROM BomDetail", reading);
    while ((step = sqlite3_step(lines.get())) == SQLITE_ROW) {
        const Place place{qint64(rows.lines.size()) + 1, 0};
        const QString where = describe(rows.lineSource, place);
        rows.lines.push_back({idOf(lines.get(), 0, where, QLatin1StringView("BomID")),
                              idOf(lines.get(), 1, where, QLatin1StringView("BomComp")),
                              quantityOf(lines.get(), 2, where),
                              // As stored: the editor writes its own layout, and a copy keeps
                              // whatever another program wrote.
                              textOf(lines.get(), 3, where, QLatin1StringView("StartDate"))});
        rows.linePlaces.push_back(place);
        meter.step(place.record, lineCount);
    }
    if (step != SQLITE_DONE)
        failOn(raw, reading);
    sqlite3_exec(raw, "COMMIT", nullptr, nullptr, nullptr);
    return rows;
}

} // namespace import
