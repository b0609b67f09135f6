#include "store/sqlite/history/HistoryRows.h"

#include "store/sqlite/history/HistoryFile.h"
#include "store/sqlite/history/HistorySql.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTimeZone>

#include <sqlite3.h>

namespace store::history {

namespace {

void (*g_stepHook)(const char*) = nullptr;

bool isNumber(const QVariant& value) {
    return value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Double ||
           value.typeId() == QMetaType::Int;
}

/// Whether two stored values are the same as SQLite's IS compares them (2 and 2.0 are).
bool sameValue(const QVariant& a, const QVariant& b) {
    if (a.isNull() || b.isNull())
        return a.isNull() && b.isNull();
    if (isNumber(a) != isNumber(b))
        return false;
    if (isNumber(a))
        return a.toDouble() == b.toDouble();
    return a.toString() == b.toString();
}

} // namespace

void HistoryFile::setStepHook(void (*hook)(const char*)) {
    g_stepHook = hook;
}

void step(const char* name) {
    if (g_stepHook)
        g_stepHook(name);
}

qint64 nowMs() {
    return QDateTime::currentMSecsSinceEpoch();
}

QDateTime utc(qint64 ms) {
    return QDateTime::fromMSecsSinceEpoch(ms, QTimeZone::utc());
}

void execute(sqlite3* db, QLatin1StringView text) {
    if (sqlite3_exec(db, text.data(), nullptr, nullptr, nullptr) != SQLITE_OK)
        throw StoreError(HistoryUnreadable,
                         QCoreApplication::translate("store", "Could not read the history: %1.")
                             .arg(QString::fromUtf8(sqlite3_errmsg(db))));
}

RowImage lineImage(const std::optional<LineRow>& row) {
    if (!row)
        return {};
    return RowImage{true, row->quantity, row->startDate, std::nullopt, std::nullopt};
}

RowImage itemImage(const std::optional<Item>& item) {
    if (!item)
        return {};
    return RowImage{true, {}, {}, item->description, item->unit};
}

bool sameLine(const RowImage& image, const RowImage& stored) {
    if (!image.exists || !stored.exists)
        return image.exists == stored.exists;
    return sameValue(image.quantity, stored.quantity) &&
           sameValue(image.startDate, stored.startDate);
}

bool sameItem(const RowImage& a, const RowImage& b) {
    return a.exists == b.exists && (!a.exists || (a.description == b.description && a.unit == b.unit));
}

bool sameRow(int table, const RowImage& a, const RowImage& b) {
    return table == LineTable ? sameLine(a, b) : sameItem(a, b);
}

std::vector<RowRecord> rowRecords(const std::vector<LineChange>& changes,
                                  const std::vector<ItemChange>& items) {
    std::vector<RowRecord> rows;
    rows.reserve(items.size() + changes.size());
    for (const ItemChange& change : items) {
        const Item& key = change.after ? *change.after : *change.before;
        rows.push_back({ItemTable, key.id, QString(), itemImage(change.before),
                        itemImage(change.after)});
    }
    for (const LineChange& change : changes) {
        const LineRow& key = change.after ? *change.after : *change.before;
        rows.push_back({LineTable, key.assembly, key.component, lineImage(change.before),
                        lineImage(change.after)});
    }
    return rows;
}

RowReader::RowReader(sqlite3* db, QLatin1StringView lineSql, QLatin1StringView itemSql)
    : m_line(statement(db, lineSql)), m_item(statement(db, itemSql)) {}

RowImage RowReader::line(const LineKey& key) {
    m_line.bind(key.first).bind(key.second);
    RowImage image;
    if (m_line.next())
        image = RowImage{true, m_line.value(0), m_line.value(1), std::nullopt, std::nullopt};
    m_line.clear();
    return image;
}

RowImage RowReader::item(const QString& id) {
    m_item.bind(id);
    RowImage image;
    if (m_item.next())
        image = RowImage{true, {}, {}, m_item.optionalText(0), m_item.optionalText(1)};
    m_item.clear();
    return image;
}

RowReader dataRows(sqlite3* db) {
    return RowReader(db, historyschema::DataLine, historyschema::DataItem);
}

RowReader stateRows(sqlite3* db) {
    return RowReader(db, historyschema::StateLineRow, historyschema::StateItemRow);
}

} // namespace store::history
