// The database check's reads from an SQLite file: both tables once each, every row as stored,
// through SQLite's own interface, so that an ID that is not valid UTF-8 reaches the check as
// its bytes.

#include "store/sqlite/SqliteStore.h"

#include "store/DatabaseCheck.h"
#include "store/sqlite/SqliteSql.h"
#include "store/sqlite/SqliteStatement.h"
#include <QCoreApplication>

namespace store {

using namespace sql;

namespace {

// Rows between two reports to the sink; the scans go in the tables' own order (SqliteSql.h):
// the check needs every row, not any order.
constexpr int Step = 4096;

/// About how many rows a table holds, from its largest row number; 0 for a table without
/// row numbers (WITHOUT ROWID), which then shows no share done until the end.
qint64 estimate(sqlite3* connection, QLatin1StringView sql) {
    try {
        NativeStatement statement(connection, sql, QString());
        return statement.next() ? statement.integer(0) : 0;
    } catch (const StoreError&) {
        return 0;
    }
}

/// Reads one ID column; the same bytes as the row before are decoded once.
class IdColumn {
public:
    const StoredId& read(NativeStatement& query, int column) {
        const QByteArrayView bytes = query.bytes(column);
        if (m_read && bytes == m_bytes)
            return m_id;
        m_read = true;
        m_bytes = bytes.toByteArray();
        if (std::optional<QString> text = decodeId(bytes))
            m_id = {std::move(*text), {}};
        else
            m_id = {readableId(bytes), m_bytes};
        return m_id;
    }

private:
    bool m_read = false;
    QByteArray m_bytes;
    StoredId m_id;
};

} // namespace

bool SqliteStore::readForCheck(CheckSink& sink) {
    sqlite3* const connection = nativeHandle(m_db);
    const ReadTransaction transaction(
        connection, QCoreApplication::translate("store", "Could not read the database"));
    sink.expect(estimate(connection, schema::SelectItemEstimate),
                estimate(connection, schema::SelectLineEstimate));
    {
        NativeStatement items(connection, schema::SelectCheckItems,
                              QCoreApplication::translate("store", "Could not read ItemMaster"));
        IdColumn id;
        for (int row = 1; items.next(); ++row) {
            sink.item(id.read(items, 0), items.isNull(1) ? QString() : items.text(1));
            if (row % Step == 0 && !sink.proceed())
                return false;
        }
    }
    NativeStatement lines(connection, schema::SelectCheckLines,
                          QCoreApplication::translate("store", "Could not read BomDetail"));
    IdColumn assembly;
    IdColumn component;
    StoredQuantity quantity;
    for (int row = 1; lines.next(); ++row) {
        switch (lines.type(2)) {
        case SQLITE_INTEGER:
        case SQLITE_FLOAT:
            quantity = {StoredQuantity::Number, lines.real(2), {}};
            break;
        case SQLITE_NULL:
            quantity = {StoredQuantity::Null, 0, {}};
            break;
        default:
            quantity = {StoredQuantity::Text, 0, QString::fromUtf8(lines.bytes(2))};
            break;
        }
        sink.line(assembly.read(lines, 0), component.read(lines, 1), quantity);
        if (row % Step == 0 && !sink.proceed())
            return false;
    }
    return sink.proceed();
}

} // namespace store
