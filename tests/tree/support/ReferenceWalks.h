#pragma once

#include "store/Store.h"
#include "tree/reports/BillExport.h"

#include <QHash>
#include <QModelIndex>
#include <QString>

#include <functional>
#include <vector>

namespace tree {
class BomTreeModel;
}

/// The trees made path by path, as a naive editor makes them: the references that the
/// editor's view of a structure is checked against, by the tests and by the benchmark (which
/// also times them). Each follows the editor's rules (an item met again on its own path is
/// circular and not opened; IDs compared by the store's key rule) but none of its code.
namespace walks {

/// One node of a tree made path by path.
struct PathNode {
    QString text;
    int parent = -1;
    int row = 0;
    bool circular = false;
    bool hasQuantity = false;
    double quantity = 0;
    QString unit;
    QString description;
    std::vector<int> children;
};

/// The tree of `item` in the SQLite file at `path`: one freshly prepared component query per
/// node, leaves included. Reaching `nodeLimit` stops the walk (the nodes made so far are
/// returned).
std::vector<PathNode> perNodeWalk(const QString& path, const QString& item, int nodeLimit);

/// The same walk on a PostgreSQL server (a postgresql:// URI as the store opens it): one
/// freshly prepared component query per node, on one connection.
std::vector<PathNode> perNodeWalkOnServer(const QString& uri, const QString& item, int nodeLimit);

/// The least any load must do: one pass over BomDetail into memory, then the same nodes built
/// without a view.
std::vector<PathNode> onePassBuild(const QString& path, const QString& item, int nodeLimit);

/// Every path below `top` through bills held in memory (keyed by folded ID, as the store reads
/// them), as indented rows: extended quantities multiplied along the path, a node at
/// `depthLimit` with a bill marked and not opened. The reference for the model, its walks and
/// the sums over the structure.
std::vector<tree::IndentedLine> everyPath(const QHash<QString, store::ComponentLines>& lines,
                                          const QString& top, int depthLimit);

/// Visits every node of the model in pre-order, opening each one before its children as a
/// user's click does; `level` is 1 for the top level. A node whose row or parent the model
/// reports otherwise than it was made fails the current test.
void forEachNodeOpened(tree::BomTreeModel& model,
                       const std::function<void(const QModelIndex& node, int level)>& visit);

} // namespace walks
