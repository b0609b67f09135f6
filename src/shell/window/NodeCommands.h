#pragma once

#include <QModelIndex>
#include <QObject>

class QAction;
class QMenu;
class QPoint;

namespace tree {
class BillReads;
}

namespace shell {

class CommandContext;

/// The tree's context menu and the commands that only it offers: Change Quantity (F2), Expand
/// This Node and Below (*), Collapse This Node and Below, Load This Item and History of This
/// Line. The menu lists the window's own commands beside them (Add Component…, Delete, Cut,
/// Copy, Paste, Where Used, Replace Component…, Copy Bill To…), found by their object names,
/// each with its shortcut; what does not apply to the node is disabled, never hidden.
class NodeCommands : public QObject {
    Q_OBJECT
public:
    NodeCommands(CommandContext& context, tree::BillReads& editor);

    /// Fills `menu` for `node` (none: empty space, or the empty tree) with proxies of the
    /// commands; returns, for each proxy, the command it stands for (parallel to menu.actions()).
    std::vector<QAction*> fill(QMenu& menu, const QModelIndex& node);
    /// Shows the menu for `node` at `globalPos`; the command chosen runs once the menu has
    /// closed, so that its questions and store trips never run inside the menu's loop.
    void showMenu(const QModelIndex& node, const QPoint& globalPos);

    /// Opens `node` and every node below it (within the tree's node limit), or closes them.
    void expandBelow(const QModelIndex& node);
    void collapseBelow(const QModelIndex& node);

Q_SIGNALS:
    /// "History of This Line" for `node`.
    void lineHistoryRequested(const QModelIndex& node);

private:
    /// Whether the command applies to `node` (or to the empty tree, for none).
    bool applies(const QAction* command, const QModelIndex& node) const;

    CommandContext& m_context;
    tree::BillReads& m_editor;
    QAction* m_changeQuantity;
    QAction* m_expandBelow;
    QAction* m_collapseBelow;
    QAction* m_loadItem;
    QAction* m_history;
};

/// Registers File ▸ Expand All and Collapse All (the buttons beside the list trigger them too)
/// and the tree's context menu with its own commands.
void registerNodeCommands(CommandContext& context);

} // namespace shell
