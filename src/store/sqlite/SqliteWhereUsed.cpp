#include "store/Store.h"

#include "store/sqlite/SqliteStore.h"
#include "store/sqlite/SqliteSql.h"
#include "store/sqlite/SqliteStatement.h"
#include "store/StoreError.h"
#include "store/WhereUsedWalk.h"

#include <QByteArray>
#include <QHash>
#include <QSqlDriver>

#include <sqlite3.h>


namespace store {

using namespace sql;

namespace {

const QString ReadWhat = QStringLiteral("Could not read BomDetail");

/// An ID as text; an ID that is not valid UTF-8 cannot be shown or sought as stored.
QString decodeOrFail(QByteArrayView bytes, const char* table) {
    if (std::optional<QString> id = decodeId(bytes))
        return *id;
    const QString readable = readableId(bytes);
    throw StoreError(UnreadableId,
                     QStringLiteral("%1 holds the item ID '%2', which is not valid UTF-8 text: "
                                    "correct it in the database, for example by importing it "
                                    "again as UTF-8.")
                         .arg(QLatin1StringView(table), readable));
}

} // namespace

std::vector<WhereUsedRow> SqliteStore::whereUsed(const QString& item) {
    sqlite3* const connection = nativeHandle(m_db);
    // One state of the file for the lines and the descriptions alike.
    const ReadTransaction transaction(connection, ReadWhat);

    // The whole table once, walked in memory.
    UpwardWalk walk;
    {
        NativeStatement all(connection, schema::SelectAllLines, ReadWhat);
        while (all.next()) {
            double quantity = 0;
            UpwardWalk::Quantity kind = UpwardWalk::Quantity::Number;
            switch (all.type(2)) {
            case SQLITE_NULL:
                kind = UpwardWalk::Quantity::Null;
                break;
            case SQLITE_INTEGER:
            case SQLITE_FLOAT:
                quantity = all.real(2);
                break;
            default: {
                bool ok = false;
                quantity = all.bytes(2).toByteArray().trimmed().toDouble(&ok);
                if (!ok)
                    kind = UpwardWalk::Quantity::NotANumber;
            }
            }
            walk.addLine(all.bytes(0), all.bytes(1), kind, quantity);
        }
    }
    std::vector<WhereUsedRow> rows = walk.walk(item);
    const auto describe = [&](WhereUsedRow& row, NativeStatement& master) {
        row.inItemMaster = true;
        row.assembly = decodeOrFail(master.bytes(0), "ItemMaster");
        if (master.type(1) != SQLITE_NULL)
            row.description = QString::fromUtf8(master.bytes(1));
        if (master.type(2) != SQLITE_NULL)
            row.unit = QString::fromUtf8(master.bytes(2));
    };
    const QString masterWhat = QStringLiteral("Could not read ItemMaster");
    // Spellings and descriptions: one search per assembly costs about as much as reading eight
    // rows of ItemMaster in a pass, so a part used nearly everywhere reads the table instead.
    qint64 masterRows = 0;
    if (!rows.empty()) {
        NativeStatement count(connection, schema::CountItemMaster, masterWhat);
        if (count.next())
            masterRows = count.integer(0);
    }
    if (masterRows < qint64(rows.size()) * 8) {
        NativeStatement master(connection, schema::SelectItems, masterWhat);
        while (master.next()) {
            const int row = walk.rowOf(master.bytes(0));
            if (row >= 0)
                describe(rows[size_t(row)], master);
        }
    } else {
        NativeStatement master(connection, schema::SelectItemDescription, masterWhat);
        QByteArray spelling;
        for (size_t at = 0; at < rows.size(); ++at) {
            spelling = walk.spelling(at).toByteArray();
            master.rebind(spelling);
            if (master.next())
                describe(rows[at], master);
        }
    }
    for (size_t at = 0; at < rows.size(); ++at)
        if (!rows[at].inItemMaster)
            rows[at].assembly = decodeOrFail(walk.spelling(at), "BomDetail");
    return rows;
}

} // namespace store
