#include "tree/BomTreeView.h"
#include "tree/TreeContext.h"
#include "tree/TreeOperations.h"

namespace tree {

// The view's own walks: one layout pass however many nodes the tree holds.
void expandAll(TreeContext& c) { c.TreeView1.expandAll(); }

void collapseAll(TreeContext& c) { c.TreeView1.collapseAll(); }

} // namespace tree
