// The primitives of the line writes (SqlStore) on a database file: the statements' texts, the
// write transaction that holds the file's write lock, and the two writes whose statement is
// the file's own.

#include "store/LineRules.h"
#include "store/sqlite/SqliteSql.h"
#include "store/sqlite/SqliteStatement.h"
#include "store/sqlite/SqliteStore.h"
#include <QCoreApplication>

namespace store {

using namespace sql;

namespace {

QLatin1StringView textOf(Sql which) {
    switch (which) {
    case Sql::SelectItem:
        return schema::SelectItem;
    case Sql::SelectLine:
        return schema::SelectLine;
    case Sql::SelectLineRow:
        return schema::SelectLineRow;
    case Sql::SelectLineRowsOf:
        return schema::SelectLineRowsOf;
    case Sql::SelectLineRowsUsing:
        return schema::SelectLineRowsUsing;
    case Sql::SelectReaches:
        return schema::SelectReaches;
    case Sql::InsertLine:
        return schema::InsertLine;
    case Sql::DeleteLineAsIs:
        return schema::DeleteLineAsIs;
    }
    Q_UNREACHABLE();
    return {};
}

} // namespace

std::unique_ptr<Statement> SqliteStore::prepare(Sql which, const QString& what, int failureNumber) {
    return std::make_unique<SqliteStatement>(m_db, textOf(which), what, failureNumber);
}

std::unique_ptr<Transaction> SqliteStore::beginWrite(const QString& what, Lock) {
    // BEGIN IMMEDIATE takes the file's one write lock, which covers the structure as well.
    return std::make_unique<WriteTransaction>(m_db, what);
}

std::optional<LineRow> SqliteStore::takeRow(const QString& assembly, const QString& component,
                                            const QString& what) {
    std::optional<LineRow> row = findLine(assembly, component);
    if (!row)
        return std::nullopt;
    SqliteStatement remove(m_db, schema::DeleteLine, what, WriteFailed);
    remove.bind(assembly).bind(component).exec();
    if (const qsizetype rows = remove.rowsAffected(); rows > 1)
        throw errors::lineNotUnique(assembly, component, int(rows));
    return row;
}

LineRow SqliteStore::updateRow(const QString& assembly, const QString& component,
                               const QVariant& expected, const QVariant* startDate,
                               const QVariant& quantity, const QString& what) {
    {
        SqliteStatement update(m_db,
                               startDate ? schema::UpdateQuantityAsIs : schema::UpdateQuantity,
                               what, WriteFailed);
        update.bind(quantity).bind(assembly).bind(component).bind(expected);
        if (startDate)
            update.bind(*startDate);
        update.exec();
        errors::requireOneLine(update.rowsAffected(), assembly, component);
    }
    // Read inside the transaction: the line exactly as this write left it.
    std::optional<LineRow> written = findLine(assembly, component);
    if (!written)
        throw errors::lineChanged(assembly, component);
    return std::move(*written);
}

BatchRefusals SqliteStore::checkLines(const LineBatch& batch) {
    const ReadTransaction transaction(
        nativeHandle(m_db), QCoreApplication::translate("store", "Could not read BomDetail"));
    return refusalsOf(batch);
}

} // namespace store
