#pragma once

#include "TestDatabase.h"

#include "store/Store.h"

#include <QString>

#include <memory>

#include "store/StoreError.h"

class PgServer;

/// The component IDs of `lines`, in their order.
QStringList ids(const store::ComponentLines& lines);

/// The number of the StoreError that `work` throws, with its description; 0 when none.
template <typename Work>
std::pair<int, QString> failureOf(Work work) {
    try {
        work();
    } catch (const store::StoreError& error) {
        return {error.number(), error.description()};
    }
    return {0, QString()};
}

/// The database a store test runs on: a new SQLite file, or the editor's tables on a
/// throw-away PostgreSQL server. Lets one suite check both stores with the same cases.
class StoreBackend {
public:
    enum Kind { Sqlite, Postgres };

    /// `file` is the SQLite file to write; `server` the running server for Postgres.
    StoreBackend(Kind kind, QString file, const PgServer* server);

    Kind kind() const { return m_kind; }
    /// Replaces the tables by new ones that hold these rows in this order.
    void write(const std::vector<ItemRow>& items, const std::vector<Line>& lines) const;
    /// A database without the editor's tables.
    void writeEmpty() const;
    /// The store on the database, as the editor opens it.
    std::unique_ptr<store::Store> open() const;
    /// The address the store opens: the file's path or the server's URI.
    QString address() const;
    /// Every line as "assembly>component=quantity", in key order.
    QStringList lines() const;
    /// Every line as "assembly>component=quantity@startdate", in key order: the rows exactly,
    /// Null shown as "<null>".
    QStringList rows() const;
    /// The StartDate of the line as stored; an invalid QVariant when it is absent.
    QVariant startDate(const QString& assembly, const QString& component) const;

private:
    Kind m_kind;
    QString m_file;
    const PgServer* m_server;
};

/// Reads and a write that the tests make through the contract alone, whichever store.
/// Every ItemID in key order, as the Item Master list reads them.
QStringList itemIds(store::Store& db);
/// One assembly's components in key order, as a load reads them.
QStringList componentIds(store::Store& db, const QString& assembly);
/// How many components the assembly has in the database at `location`, opened anew; -1 while
/// it cannot be opened (a standby still starting, say).
qsizetype componentCountAt(const QString& location, const QString& assembly);
/// Deletes the line as the editor's Delete does; false when there was none.
bool deleteLine(store::Store& db, const QString& assembly, const QString& component);

/// Runs statements on the server's database from a connection of the test's own, with
/// `values` bound in turn to each statement's placeholders; the first value of the last
/// statement's first row (invalid when it has none). A failure ends the test program.
QVariant execOnServer(const PgServer& server, const QStringList& statements,
                      const QVariantList& values = {});
