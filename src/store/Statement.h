#pragma once

// What the store's shared code needs of a database connection to run a statement without
// knowing which database it is: a statement prepared once, its values bound by position, its
// rows stepped and its columns read, and a transaction ended on every path. Each store
// implements both on its own connection (SqliteStatement, pg::PgStatement); its fast paths
// (bulk loading, SQLite's own interface) stay its own.

#include "store/SqlValues.h"

#include <QString>
#include <QVariant>

#include <optional>

namespace store {

/// The statements that every store runs in one shape: the same parameters in the same order
/// and the same columns, each store with its own text for its own key rule.
enum class Sql {
    SelectItem,          ///< (id) → ItemID, ItemDesc, ItemUom of the item, if any
    SelectLine,          ///< (assembly, component) → bomQtyReq of the line, if any
    SelectLineRow,       ///< (assembly, component) → BomID, BomComp, bomQtyReq, StartDate
    SelectLineRowsOf,    ///< (assembly) → its lines as SelectLineRow, in key order
    SelectLineRowsUsing, ///< (component) → the lines listing it as SelectLineRow, by assembly
    SelectReaches,       ///< (item, target) → a row when target stands in item's structure
    InsertLine,          ///< (assembly, component, quantity, start date), as given
    DeleteLineAsIs,      ///< (assembly, component, quantity, start date): only while it holds them
};

/// One statement prepared on a store's connection, finished when destroyed. Every failure is
/// a numbered StoreError that names what was being done: the store's write number (given when
/// it was prepared) for running a write, QueryFailed for reading rows.
class Statement {
public:
    virtual ~Statement() = default;

    /// Binds the next parameter, in the order of the statement's placeholders; a Null
    /// QVariant binds Null. After a run the next bind starts again at the first.
    virtual Statement& bind(const QVariant& value) = 0;
    /// Runs the statement with the values bound since the last run.
    virtual void exec() = 0;
    /// Steps to the next row of the run; false at the end.
    virtual bool next() = 0;
    /// A column of the current row as stored: Null, a number or text.
    virtual QVariant value(int column) const = 0;
    /// How many rows the last run of a write changed.
    virtual qsizetype rowsAffected() const = 0;

    QString text(int column) const { return value(column).toString(); }
    /// A text column; empty for Null.
    std::optional<QString> optionalText(int column) const {
        return store::optionalText(value(column));
    }

protected:
    Statement() = default;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
};

/// A transaction on a store's connection, rolled back when destroyed unless committed. A
/// failed commit (WriteFailed) leaves it to the destructor to roll back.
class Transaction {
public:
    virtual ~Transaction() = default;
    virtual void commit() = 0;

protected:
    Transaction() = default;
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
};

} // namespace store
