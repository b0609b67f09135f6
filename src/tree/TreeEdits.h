#pragma once

#include <QString>

namespace store {
class Store;
}

namespace tree {

class BomTreeModel;

/// Brings a line that has just been saved into the tree's structure, at its place in the
/// database's order of the assembly's lines; every open copy of the assembly shows it. A
/// component new to the structure brings what is below it, read in one call. Nothing is done
/// when the structure does not hold the assembly's bill, or holds the line already. Throws
/// StoreError when a read fails.
void showAddedLine(BomTreeModel& model, store::Store& db, const QString& assembly,
                   const QString& component);

} // namespace tree
