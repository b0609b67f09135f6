// The line operations that undo and redo rely on: each one finds the line exactly as the
// editor left it, or refuses, so that an undo never overwrites what another program wrote
// meanwhile.

#include "store/sqlite/SqliteStore.h"
#include "store/LineRules.h"
#include "store/sqlite/SqliteSql.h"
#include "store/sqlite/SqliteStatement.h"

namespace store {

using namespace sql;

using errors::lineChanged;

std::optional<LineRow> SqliteStore::findLine(const QString& assembly, const QString& component) {
    Statement query(m_db, schema::SelectLineRow, QStringLiteral("Could not read BomDetail"));
    query.bind(assembly).bind(component).exec();
    if (!query.next())
        return std::nullopt;
    return LineRow{query.value(0).toString(), query.value(1).toString(), query.value(2),
                   query.value(3)};
}

std::optional<LineRow> SqliteStore::takeLine(const QString& assembly, const QString& component) {
    const QString what = QStringLiteral("Could not delete the line");
    WriteTransaction transaction(m_db, what);
    std::optional<LineRow> row = findLine(assembly, component);
    if (!row)
        return std::nullopt;
    {
        Statement remove(m_db, schema::DeleteLine, what);
        remove.bind(assembly).bind(component).exec(WriteFailed);
        if (const int rows = remove.query().numRowsAffected(); rows > 1)
            throw errors::lineNotUnique(assembly, component, rows);
    }
    transaction.commit();
    return row;
}

void SqliteStore::restoreLine(const LineRow& row) {
    const QString what =
        QStringLiteral("Could not add '%1' to '%2'").arg(row.component, row.assembly);
    WriteTransaction transaction(m_db, what);
    if (findLine(row.assembly, row.component))
        throw lineChanged(row.assembly, row.component);
    refuseCircular(*this, row.assembly, row.component);
    {
        Statement insert(m_db, schema::InsertLine, what);
        insert.bind(row.assembly).bind(row.component).bind(row.quantity).bind(row.startDate);
        insert.exec(WriteFailed);
    }
    transaction.commit();
}

void SqliteStore::removeUnchangedLine(const LineRow& row) {
    const QString what = QStringLiteral("Could not delete the line");
    WriteTransaction transaction(m_db, what);
    {
        Statement remove(m_db, schema::DeleteLineAsIs, what);
        remove.bind(row.assembly).bind(row.component).bind(row.quantity).bind(row.startDate);
        remove.exec(WriteFailed);
        errors::requireOneLine(remove.query().numRowsAffected(), row.assembly, row.component);
    }
    transaction.commit();
}

namespace {

std::vector<LineRow> lineRows(const QSqlDatabase& db, QLatin1StringView sql, const QString& id) {
    Statement query(db, sql, QStringLiteral("Could not read BomDetail"));
    query.bind(id).exec();
    std::vector<LineRow> rows;
    while (query.next())
        rows.push_back({query.value(0).toString(), query.value(1).toString(), query.value(2),
                        query.value(3)});
    return rows;
}

} // namespace

std::vector<LineRow> SqliteStore::lineRowsOf(const QString& assembly) {
    return lineRows(m_db, schema::SelectLineRowsOf, assembly);
}

std::vector<LineRow> SqliteStore::lineRowsUsing(const QString& component) {
    return lineRows(m_db, schema::SelectLineRowsUsing, component);
}

BatchRefusals SqliteStore::checkLines(const LineBatch& batch) {
    const ReadTransaction transaction(nativeHandle(m_db), QStringLiteral("Could not read BomDetail"));
    return refusalsOf(batch);
}

void SqliteStore::writeLines(const LineBatch& batch) {
    WriteTransaction transaction(m_db, QStringLiteral("Could not write the lines"));
    writeBatch(batch);
    transaction.commit();
}

void SqliteStore::removeRows(const std::vector<LineRow>& rows) {
    const QString what = QStringLiteral("Could not write the lines");
    Statement remove(m_db, schema::DeleteLineAsIs, what);
    for (const LineRow& row : rows) {
        remove.bind(row.assembly).bind(row.component).bind(row.quantity).bind(row.startDate);
        remove.exec(WriteFailed);
        errors::requireOneLine(remove.query().numRowsAffected(), row.assembly, row.component);
    }
}

void SqliteStore::insertRows(const std::vector<LineRow>& rows) {
    const QString what = QStringLiteral("Could not add the lines");
    Statement insert(m_db, schema::InsertLine, what);
    for (const LineRow& row : rows) {
        insert.bind(row.assembly).bind(row.component).bind(row.quantity).bind(row.startDate);
        insert.exec(WriteFailed);
    }
}

LineRow SqliteStore::updateQuantity(const QString& assembly, const QString& component,
                                 const QVariant& expected, const QVariant* startDate,
                                 const QVariant& quantity) {
    const QString what = QStringLiteral("Could not change the quantity of '%1' in '%2'")
                             .arg(component, assembly);
    WriteTransaction transaction(m_db, what);
    {
        Statement update(m_db, startDate ? schema::UpdateQuantityAsIs : schema::UpdateQuantity,
                         what);
        update.bind(quantity).bind(assembly).bind(component).bind(expected);
        if (startDate)
            update.bind(*startDate);
        update.exec(WriteFailed);
        errors::requireOneLine(update.query().numRowsAffected(), assembly, component);
    }
    // Read inside the transaction: the line exactly as this write left it.
    std::optional<LineRow> written = findLine(assembly, component);
    if (!written)
        throw lineChanged(assembly, component);
    transaction.commit();
    return std::move(*written);
}

} // namespace store
