#pragma once

class QModelIndex;

namespace tree {

struct TreeContext;

/// A click on a node: shows the quantity of the node's own BomDetail line and its component's
/// unit of measure and description.
void showStatistics(TreeContext& context, const QModelIndex& node);

/// A drop from the Item Master list on the node under the drop highlight: asks parent or
/// sibling and the quantity, writes the line, and only then shows its node.
void addDroppedComponent(TreeContext& context);

/// The Delete key: after confirmation deletes the selected node's line and removes the node.
void deleteSelectedComponent(TreeContext& context);

/// File > Expand All and File > Collapse All.
void expandAll(TreeContext& context);
void collapseAll(TreeContext& context);

} // namespace tree
