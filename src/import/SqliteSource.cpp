// Reading the two tables of an editor's SQLite database, to copy them to a server.

#include "import/Meter.h"
#include "import/Sources.h"

#include "store/StoreError.h"
#include "store/sqlite/SqliteSql.h"
#include "store/sqlite/SqliteStatement.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <sqlite3.h>

#include <memory>

namespace import {

using store::StoreError;

namespace {

using store::sql::NativeStatement;

using Connection = std::unique_ptr<sqlite3, int (*)(sqlite3*)>;

[[noreturn]] void failOn(sqlite3* db, const QString& what) {
    throw StoreError(store::ImportSourceUnreadable,
                     QStringLiteral("%1: %2.").arg(what, QString::fromUtf8(sqlite3_errmsg(db))));
}

/// Refuses a missing table or column of the source with the import's numbers, as the Jet and
/// CSV sources do, rather than with SQLite's own words.
void checkColumns(sqlite3* db, const QString& path, QLatin1StringView table,
                  const QStringList& needed) {
    NativeStatement query(db, store::schema::SelectColumnNames,
                          QCoreApplication::translate("import", "Could not read '%1'").arg(path),
                          store::ImportSourceUnreadable);
    query.bindText(1, table);
    QSet<QString> names;
    while (query.next())
        names.insert(query.text(0).toLower());
    if (names.isEmpty())
        throw StoreError(
            store::ImportMissingTable,
            QCoreApplication::translate("import", "'%1' has no table %2.").arg(path, table));
    for (const QString& column : needed)
        if (!names.contains(column.toLower()))
            throw StoreError(
                store::ImportMissingColumn,
                QCoreApplication::translate("import", "Table %1 of '%2' has no column %3.")
                    .arg(table, path, column));
}

/// A text column as stored: Null kept, text taken as it is. Anything else (a number in an ID,
/// a blob) is refused with `number`, never turned into text that the source did not hold.
std::optional<QString> textOf(NativeStatement& row, int column, const QString& where,
                              QLatin1StringView name, int number = store::ImportInvalidValue) {
    switch (row.type(column)) {
    case SQLITE_NULL:
        return std::nullopt;
    case SQLITE_TEXT: {
        const QByteArrayView bytes = row.bytes(column);
        if (!bytes.isValidUtf8())
            throw StoreError(number,
                             QCoreApplication::translate("import", "%1: the %2 is not valid text.")
                                 .arg(where, name));
        return QString::fromUtf8(bytes);
    }
    default:
        throw StoreError(
            number,
            QCoreApplication::translate("import", "%1: the %2 is not text.").arg(where, name));
    }
}

QString idOf(NativeStatement& row, int column, const QString& where, QLatin1StringView name) {
    std::optional<QString> text = textOf(row, column, where, name, store::ImportInvalidId);
    if (!text)
        throw StoreError(
            store::ImportInvalidId,
            QCoreApplication::translate("import", "%1: the %2 is Null.").arg(where, name));
    return *text;
}

std::optional<double> quantityOf(NativeStatement& row, int column, const QString& where) {
    switch (row.type(column)) {
    case SQLITE_NULL:
        return std::nullopt;
    case SQLITE_FLOAT:
    case SQLITE_INTEGER:
        return row.real(column);
    default:
        // SQLite keeps text that does not read as a number as text even in a REAL column; a
        // server's number column cannot hold it.
        throw StoreError(
            store::ImportInvalidValue,
            QCoreApplication::translate("import", "%1: the bomQtyReq '%2' is not a number.")
                .arg(where, row.text(column)));
    }
}

qint64 countOf(sqlite3* db, QLatin1StringView sql, const QString& what) {
    NativeStatement query(db, sql, what, store::ImportSourceUnreadable);
    if (!query.next())
        failOn(db, what);
    return query.integer(0);
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
        throw StoreError(
            store::ImportSourceUnreadable,
            QCoreApplication::translate("import", "Could not find file '%1'.").arg(path));
    if (!isSqliteFile(path))
        throw StoreError(
            store::NotADatabase,
            QCoreApplication::translate("import", "'%1' is not an SQLite database.").arg(path));
    sqlite3* raw = nullptr;
    // Read-only: the source of a copy is never changed.
    const int rc =
        sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    const Connection db(raw, &sqlite3_close);
    if (rc != SQLITE_OK)
        failOn(raw, QCoreApplication::translate("import", "Could not open '%1'").arg(path));
    // Another program may be writing the file: wait for it a while.
    sqlite3_busy_timeout(raw, 5000);
    const QString reading = QCoreApplication::translate("import", "Could not read '%1'").arg(path);
    // Both tables, and their counts, from one state of the file.
    const store::sql::ReadTransaction snapshot(raw, reading, store::ImportSourceUnreadable);

    checkColumns(raw, path, store::schema::ItemMaster,
                 {QStringLiteral("ItemID"), QStringLiteral("ItemDesc"), QStringLiteral("ItemUom")});
    checkColumns(raw, path, store::schema::BomDetail,
                 {QStringLiteral("BomID"), QStringLiteral("BomComp"), QStringLiteral("bomQtyReq"),
                  QStringLiteral("StartDate")});

    SourceRows rows;
    rows.itemSource = QStringLiteral("ItemMaster");
    rows.lineSource = QStringLiteral("BomDetail");
    const qint64 itemCount = countOf(raw, store::schema::CountItems, reading);
    const qint64 lineCount = countOf(raw, store::schema::CountLines, reading);
    rows.items.reserve(size_t(itemCount));
    rows.lines.reserve(size_t(lineCount));

    meter.phase(0, 200);
    NativeStatement items(raw, store::schema::SelectItems, reading, store::ImportSourceUnreadable);
    while (items.next()) {
        const Place place{qint64(rows.items.size()) + 1, 0};
        const QString where = describe(rows.itemSource, place);
        rows.items.push_back({idOf(items, 0, where, QLatin1StringView("ItemID")),
                              textOf(items, 1, where, QLatin1StringView("ItemDesc")),
                              textOf(items, 2, where, QLatin1StringView("ItemUom"))});
        rows.itemPlaces.push_back(place);
        meter.step(place.record, itemCount);
    }

    meter.phase(200, 500);
    NativeStatement lines(raw, store::schema::SelectLineRows, reading,
                          store::ImportSourceUnreadable);
    while (lines.next()) {
        const Place place{qint64(rows.lines.size()) + 1, 0};
        const QString where = describe(rows.lineSource, place);
        rows.lines.push_back({idOf(lines, 0, where, QLatin1StringView("BomID")),
                              idOf(lines, 1, where, QLatin1StringView("BomComp")),
                              quantityOf(lines, 2, where),
                              // As stored: the editor writes its own layout, and a copy keeps
                              // whatever another program wrote.
                              textOf(lines, 3, where, QLatin1StringView("StartDate"))});
        rows.linePlaces.push_back(place);
        meter.step(place.record, lineCount);
    }
    return rows;
}

} // namespace import
