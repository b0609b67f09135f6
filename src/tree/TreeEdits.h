#pragma once

#include "store/StoreError.h"

#include <QString>

#include <optional>

namespace store {
class Store;
}

namespace tree {

class BomTreeModel;

/// Shows a line that has just been saved everywhere its assembly stands in the tree: one
/// node for the component at each place, in the sibling order of the database, each with the
/// component's whole structure as a load would show it there. The tree stays within
/// `nodeLimit` nodes and `depthLimit` levels; the failure that stopped it (a limit, a failed
/// read) is returned, and what was added before it stays.
std::optional<store::StoreError> showAddedLine(BomTreeModel& model, store::Store& db,
                                               const QString& assembly,
                                               const QString& component, int nodeLimit,
                                               int depthLimit);

/// Removes every node that stands for the line (assembly, component), with their subtrees.
void removeLineNodes(BomTreeModel& model, const QString& assembly, const QString& component);

} // namespace tree
