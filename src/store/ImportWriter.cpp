#include "store/ImportWriter.h"

#include "store/StoreError.h"

#include <QCoreApplication>
#include <atomic>

namespace store {

namespace {

/// SQLite's default limit on a string or blob (SQLITE_MAX_LENGTH), below the server's 1 GB: the
/// one limit for every store, so that what imports into a file imports into a server too. A
/// library built with a lower one lowers it further when the file is opened.
constexpr qint64 SqliteMaxLength = 1'000'000'000;

std::atomic<qint64> lowerValueLimit{0};

} // namespace

QString ImportWriter::sameKey(const QString& stored, const QString& imported) {
    if (stored == imported)
        return QStringLiteral("'%1'").arg(stored);
    return QCoreApplication::translate(
               "store", "'%1' (the same ID as '%2': IDs compare without regard to ASCII case)")
        .arg(stored, imported);
}

void ImportWriter::checkRowCounts(const QString& shown, qint64 items, qint64 lines,
                                  qint64 expectedItems, qint64 expectedLines) {
    if (items != expectedItems || lines != expectedLines)
        throw StoreError(ImportRowCount,
                         QCoreApplication::translate(
                             "store", "'%1' would hold %2 ItemMaster and %3 BomDetail rows "
                                      "instead of %4 and %5.")
                             .arg(shown)
                             .arg(items)
                             .arg(lines)
                             .arg(expectedItems)
                             .arg(expectedLines));
}

qint64 ImportWriter::valueLimit() {
    const qint64 lower = lowerValueLimit.load();
    return lower > 0 && lower < SqliteMaxLength ? lower : SqliteMaxLength;
}

void ImportWriter::setValueLimit(qint64 bytes) {
    lowerValueLimit.store(bytes);
}

void ImportWriter::checkLength(const QString& text, QLatin1StringView field,
                               const std::function<QString()>& where) {
    const qint64 limit = valueLimit();
    // At most three bytes of UTF-8 per UTF-16 unit: most values need no count.
    if (qint64(text.size()) * 3 <= limit)
        return;
    const qint64 bytes = text.toUtf8().size();
    if (bytes > limit)
        throw StoreError(ImportValueTooLong,
                         QCoreApplication::translate(
                             "store", "%1: the %2 is %3 bytes long; a value may hold at most "
                                      "%4 bytes.")
                             .arg(where(), field)
                             .arg(bytes)
                             .arg(limit));
}

} // namespace store
