// The reads of a tree load: the lines of many assemblies at once, with their quantities and
// their components' ItemMaster facts, through SQLite's own interface.

#include "store/sqlite/SqliteStore.h"

#include "store/ItemKey.h"
#include "store/sqlite/SqliteSql.h"
#include "store/sqlite/SqliteStatement.h"

#include <QCoreApplication>
#include <limits>

namespace store {

using namespace sql;

QStringList SqliteStore::components(const QString& assembly) {
    SqliteStatement query(m_db, schema::SelectComponents,
                          QCoreApplication::translate("store", "Could not read BomDetail"));
    query.bind(assembly).exec();
    QStringList result;
    while (query.next())
        result.append(query.value(1).toString());
    return result;
}

namespace {

/// Reads the lines of SelectComponentLines' shape. Items repeat from line to line: each one's
/// unit and description are decoded once per read and shared.
class LineReader {
public:
    ComponentLine read(NativeStatement& query, const QString& assembly) {
        const QByteArrayView bytes = query.bytes(1);
        std::optional<QString> component = decodeId(bytes);
        if (!component)
            throw StoreError(UnreadableId,
                             QCoreApplication::translate(
                                 "store", "The bill of material of '%1' lists the "
                                          "component '%2', whose ID is not valid UTF-8 "
                                          "text: correct it in BomDetail, for example by "
                                          "importing it again as UTF-8.")
                                 .arg(assembly, readableId(bytes)));
        const QString key = foldKey(*component);
        auto facts = m_facts.constFind(key);
        if (facts == m_facts.cend())
            facts = m_facts.insert(key, {text(query, 3), text(query, 4), query.integer(5) != 0});
        return ComponentLine{std::move(*component), query.number(2), facts->unit,
                             facts->description, facts->known,
                             text(query, 6).value_or(QString())};
    }

private:
    static std::optional<QString> text(NativeStatement& query, int column) {
        if (query.isNull(column))
            return std::nullopt;
        return QString::fromUtf8(query.bytes(column));
    }

    struct Facts {
        std::optional<QString> unit;
        std::optional<QString> description;
        bool known;
    };
    QHash<QString, Facts> m_facts;
};


} // namespace

std::vector<ComponentLines> SqliteStore::componentsOfEach(const QStringList& assemblies) {
    // The hot path of a tree load: one statement for the whole batch, stepped once per
    // assembly through SQLite's own interface.
    sqlite3* const connection = nativeHandle(m_db);
    const QString what = QCoreApplication::translate("store", "Could not read BomDetail");
    const ReadTransaction transaction(connection, what);
    // Declared after the transaction: finalized before it ends.
    NativeStatement query(connection, schema::SelectComponentLines, what);
    LineReader reader;
    std::vector<ComponentLines> result(size_t(assemblies.size()));
    QByteArray key;
    for (qsizetype i = 0; i < assemblies.size(); ++i) {
        key = assemblies.at(i).toUtf8();
        query.rebind(key);
        while (query.next())
            result[size_t(i)].append(reader.read(query, assemblies.at(i)));
    }
    return result;
}

std::vector<bool> SqliteStore::haveLines(const QStringList& assemblies) {
    sqlite3* const connection = nativeHandle(m_db);
    const QString what = QCoreApplication::translate("store", "Could not read BomDetail");
    const ReadTransaction transaction(connection, what);
    NativeStatement query(connection, schema::SelectHasLine, what);
    std::vector<bool> have(size_t(assemblies.size()));
    QByteArray key;
    for (qsizetype i = 0; i < assemblies.size(); ++i) {
        key = assemblies.at(i).toUtf8();
        query.rebind(key);
        have[size_t(i)] = query.next();
    }
    return have;
}

QHash<QString, ComponentLines> SqliteStore::allComponentLines() {
    sqlite3* const connection = nativeHandle(m_db);
    const QString what = QCoreApplication::translate("store", "Could not read BomDetail");
    const ReadTransaction transaction(connection, what);
    NativeStatement query(connection, schema::SelectAllComponentLines, what);
    LineReader reader;
    QHash<QString, ComponentLines> result;
    QByteArray lastBytes;
    QString assembly;
    ComponentLines* lines = nullptr;
    while (query.next()) {
        const QByteArrayView bytes = query.bytes(0);
        if (!lines || bytes != lastBytes) {
            lastBytes = bytes.toByteArray();
            // An assembly ID that is not text can never be sought, so it lists nothing.
            assembly = decodeId(bytes).value_or(QString());
            lines = &result[foldKey(assembly)];
        }
        lines->append(reader.read(query, assembly));
    }
    return result;
}

qint64 SqliteStore::lineEstimate() {
    sqlite3* const connection = nativeHandle(m_db);
    sqlite3_stmt* statement = nullptr;
    // A table declared WITHOUT ROWID has no row numbers to estimate from: then the table is
    // taken as too large to read whole.
    if (sqlite3_prepare_v2(connection, schema::SelectLineEstimate.data(),
                           int(schema::SelectLineEstimate.size()), &statement,
                           nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return std::numeric_limits<qint64>::max();
    }
    sqlite3_finalize(statement);
    NativeStatement query(connection, schema::SelectLineEstimate,
                          QCoreApplication::translate("store", "Could not read BomDetail"));
    return query.next() ? query.integer(0) : 0;
}

} // namespace store
