#pragma once

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace store {

/// One row of ItemMaster; a Null column is an empty optional.
struct Item {
    QString id;
    std::optional<QString> description;
    std::optional<QString> unit;
};

/// An open, checked connection to one database file, for the length of one user operation.
/// The constructor opens the file read-write without ever creating it and checks that it holds
/// ItemMaster and BomDetail with the columns and primary keys the editor relies on; it throws
/// StoreError otherwise. The destructor releases the connection and everything opened on it.
class Database {
public:
    explicit Database(const QString& path);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    /// Every ItemID, in key order, read in one forward pass.
    QStringList itemIds();
    /// The item with this ID under the store's comparison, if there is one.
    std::optional<Item> findItem(const QString& id);
    /// One assembly's components in key order, with a statement prepared for this call alone.
    QStringList components(const QString& assembly);
    /// The components of many assemblies: element i lists those of assemblies[i], in key
    /// order. The whole batch is served by one prepared statement.
    std::vector<QStringList> componentsOfEach(const QStringList& assemblies);
    /// Whether the line exists; when it does, its quantity (empty optional for Null).
    std::optional<std::optional<double>> findQuantity(const QString& assembly,
                                                      const QString& component);
    /// Adds one line; a pair that the table already holds fails with DuplicateLine.
    void addLine(const QString& assembly, const QString& component, double quantity,
                 const QDateTime& startDate);
    /// Deletes one line; false when there was none.
    bool deleteLine(const QString& assembly, const QString& component);
    /// Whether `target` stands in the structure of `item` (or is `item` itself).
    bool structureContains(const QString& item, const QString& target);

private:
    void checkSchema();

    QString m_path;
    QString m_connectionName;
    QSqlDatabase m_db;
};

} // namespace store
