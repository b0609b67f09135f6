#pragma once

class QModelIndex;
class QString;

namespace tree {

struct TreeContext;

/// A node became current (or was clicked again): shows the quantity of the node's own BomDetail
/// line and its component's unit of measure and description. No node: the fields are emptied.
void showStatistics(TreeContext& context, const QModelIndex& node);

/// A drop of `component` from the Item Master list on the node under the drop highlight: asks
/// parent or sibling and the quantity, writes the line, and only then shows it, wherever its
/// assembly stands in the tree.
void addDroppedComponent(TreeContext& context, const QString& component);

/// The Delete key: after confirmation deletes the selected node's line and removes the node.
void deleteSelectedComponent(TreeContext& context);

/// File > Expand All and File > Collapse All.
void expandAll(TreeContext& context);
void collapseAll(TreeContext& context);

} // namespace tree
