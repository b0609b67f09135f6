// The reads of one line or item and the writes of one line, the same on every database: each
// write in a transaction of its own, with its checks inside it, over the statements and the
// primitives a store gives. The writes that undo and redo rely on find the line exactly as the
// editor left it, or refuse, so that an undo never overwrites what another program wrote
// meanwhile.

#include "store/SqlStore.h"

#include "store/LineRules.h"

#include <QCoreApplication>
#include <cmath>

namespace store {

namespace {

QString readItemMaster() {
    return QCoreApplication::translate("store", "Could not read ItemMaster");
}
QString readBomDetail() {
    return QCoreApplication::translate("store", "Could not read BomDetail");
}

/// The current row of a statement of SelectLineRow's shape.
LineRow lineRow(const Statement& query) {
    return LineRow{query.text(0), query.text(1), query.value(2), query.value(3)};
}

/// A batch's lines as changes: a line removed and added again under the same key (a quantity
/// replaced) is one change from its old row to its new one.
std::vector<LineChange> batchChanges(const LineBatch& batch) {
    std::vector<LineChange> changes;
    QHash<QPair<QString, QString>, std::size_t> removedAt;
    for (const LineRow& row : batch.removed) {
        removedAt.insert({row.assembly, row.component}, changes.size());
        changes.push_back({row, std::nullopt});
    }
    for (const LineRow& row : batch.added) {
        const auto at = removedAt.constFind({row.assembly, row.component});
        if (at != removedAt.cend() && !changes[*at].after)
            changes[*at].after = row;
        else
            changes.push_back({std::nullopt, row});
    }
    return changes;
}

std::vector<LineRow> lineRows(Statement& query) {
    std::vector<LineRow> rows;
    while (query.next())
        rows.push_back(lineRow(query));
    return rows;
}

} // namespace

std::optional<Item> SqlStore::findItem(const QString& id) {
    const std::unique_ptr<Statement> query = prepare(Sql::SelectItem, readItemMaster());
    query->bind(id).exec();
    if (!query->next())
        return std::nullopt;
    return Item{query->text(0), query->optionalText(1), query->optionalText(2)};
}

std::optional<std::optional<double>> SqlStore::findQuantity(const QString& assembly,
                                                            const QString& component) {
    const std::unique_ptr<Statement> query = prepare(Sql::SelectLine, readBomDetail());
    query->bind(assembly).bind(component).exec();
    if (!query->next())
        return std::nullopt;
    const QVariant quantity = query->value(0);
    if (quantity.isNull())
        return std::optional<double>();
    bool ok = false;
    const double value = quantity.toDouble(&ok);
    if (!ok)
        throw StoreError(QueryFailed,
                         QCoreApplication::translate(
                             "store", "The quantity of '%1' in '%2' is not a number: '%3'.")
                             .arg(component, assembly, quantity.toString()));
    return std::optional<double>(value);
}

std::optional<LineRow> SqlStore::findLine(const QString& assembly, const QString& component) {
    const std::unique_ptr<Statement> query = prepare(Sql::SelectLineRow, readBomDetail());
    query->bind(assembly).bind(component).exec();
    if (!query->next())
        return std::nullopt;
    return lineRow(*query);
}

bool SqlStore::structureContains(const QString& item, const QString& target) {
    const std::unique_ptr<Statement> query = prepare(Sql::SelectReaches, readBomDetail());
    query->bind(item).bind(target).exec();
    return query->next();
}

std::vector<LineRow> SqlStore::lineRowsOf(const QString& assembly) {
    const std::unique_ptr<Statement> query = prepare(Sql::SelectLineRowsOf, readBomDetail());
    query->bind(assembly).exec();
    return lineRows(*query);
}

std::vector<LineRow> SqlStore::lineRowsUsing(const QString& component) {
    const std::unique_ptr<Statement> query = prepare(Sql::SelectLineRowsUsing, readBomDetail());
    query->bind(component).exec();
    return lineRows(*query);
}

// Each write below runs its statements in functions of their own, so that every statement is
// finished before its transaction commits or rolls back.

void SqlStore::addLine(const QString& assembly, const QString& component, double quantity,
                       const QDateTime& startDate) {
    const QString what =
        QCoreApplication::translate("store", "Could not add '%1' to '%2'").arg(component, assembly);
    if (!std::isfinite(quantity))
        throw errors::notFinite(assembly, component, quantity);
    const std::unique_ptr<Transaction> transaction = beginWrite(what, Lock::Structure);
    checkNewLine(assembly, component);
    if (m_beforeInsert)
        m_beforeInsert();
    const LineRow row{assembly, component, QVariant(quantity),
                      startDate.toString(schema::StartDateFormat)};
    insertLine(row, what);
    commitRecorded(*transaction, {{std::nullopt, row}});
}

std::optional<LineRow> SqlStore::takeLine(const QString& assembly, const QString& component) {
    const QString what = QCoreApplication::translate("store", "Could not delete the line");
    const std::unique_ptr<Transaction> transaction = beginWrite(what, Lock::Rows);
    std::optional<LineRow> row = takeRow(assembly, component, what);
    commitRecorded(*transaction, row ? std::vector<LineChange>{{row, std::nullopt}}
                                     : std::vector<LineChange>{});
    return row;
}

void SqlStore::restoreLine(const LineRow& row) {
    const QString what = QCoreApplication::translate("store", "Could not add '%1' to '%2'")
                             .arg(row.component, row.assembly);
    const std::unique_ptr<Transaction> transaction = beginWrite(what, Lock::Structure);
    if (findLine(row.assembly, row.component))
        throw errors::lineChanged(row.assembly, row.component);
    refuseCircular(*this, row.assembly, row.component);
    insertLine(row, what);
    commitRecorded(*transaction, {{std::nullopt, row}});
}

void SqlStore::removeUnchangedLine(const LineRow& row) {
    const QString what = QCoreApplication::translate("store", "Could not delete the line");
    const std::unique_ptr<Transaction> transaction = beginWrite(what, Lock::Rows);
    removeRows({row}, what);
    commitRecorded(*transaction, {{row, std::nullopt}});
}

LineRow SqlStore::updateQuantity(const QString& assembly, const QString& component,
                                 const QVariant& expected, const QVariant* startDate,
                                 const QVariant& quantity) {
    const QString what =
        QCoreApplication::translate("store", "Could not change the quantity of '%1' in '%2'")
            .arg(component, assembly);
    const std::unique_ptr<Transaction> transaction = beginWrite(what, Lock::Rows);
    LineRow written = updateRow(assembly, component, expected, startDate, quantity, what);
    LineRow before = written;
    before.quantity = expected;
    commitRecorded(*transaction, {{before, written}});
    return written;
}

void SqlStore::writeLines(const LineBatch& batch) {
    const std::unique_ptr<Transaction> transaction = beginWrite(
        QCoreApplication::translate("store", "Could not write the lines"), Lock::Structure);
    writeBatch(batch);
    commitRecorded(*transaction, batchChanges(batch));
}

void SqlStore::setCommand(const WriteCommand& command) {
    m_command = command;
}

void SqlStore::setRecorder(std::unique_ptr<ChangeRecorder> recorder) {
    m_recorder = std::move(recorder);
}

void SqlStore::commitRecorded(Transaction& transaction, const std::vector<LineChange>& changes) {
    if (!m_recorder || changes.empty()) {
        transaction.commit();
        return;
    }
    m_recorder->pending(m_command, changes);
    try {
        transaction.commit();
    } catch (...) {
        m_recorder->abandoned();
        throw;
    }
    m_recorder->committed();
}

void SqlStore::insertLine(const LineRow& row, const QString& what) {
    const std::unique_ptr<Statement> insert = prepare(Sql::InsertLine, what, WriteFailed);
    insert->bind(row.assembly).bind(row.component).bind(row.quantity).bind(row.startDate);
    insert->exec();
}

void SqlStore::insertRows(const std::vector<LineRow>& rows, const QString& what) {
    const std::unique_ptr<Statement> insert = prepare(Sql::InsertLine, what, WriteFailed);
    for (const LineRow& row : rows) {
        insert->bind(row.assembly).bind(row.component).bind(row.quantity).bind(row.startDate);
        insert->exec();
    }
}

void SqlStore::removeRows(const std::vector<LineRow>& rows, const QString& what) {
    const std::unique_ptr<Statement> remove = prepare(Sql::DeleteLineAsIs, what, WriteFailed);
    for (const LineRow& row : rows) {
        remove->bind(row.assembly).bind(row.component).bind(row.quantity).bind(row.startDate);
        remove->exec();
        errors::requireOneLine(remove->rowsAffected(), row.assembly, row.component);
    }
}

} // namespace store
