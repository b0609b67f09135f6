#include "shell/window/NodeCommands.h"

#include "desktop/Desktop.h"
#include "shell/window/BomTreeView.h"
#include "shell/window/CommandContext.h"
#include "shell/window/CommandRegistry.h"
#include "store/StoreError.h"
#include "tree/bill/BillReads.h"
#include "tree/bill/BomDocument.h"
#include "tree/bill/BomTreeModel.h"
#include "tree/edits/LinePaste.h"

#include <QAction>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLocale>
#include <QMenu>
#include <QMimeData>

namespace shell {

namespace {

/// The window's commands the menu lists, in its order; empty names are separators.
const char* const MenuCommands[] = {
    "mnuAddComponent", "mnuDelete",    "",        "mnuCut", "mnuCopy", "mnuPaste", "",
    "mnuChangeQuantity", "",           "mnuWhereUsed", "mnuReplaceComponent", "mnuCopyBill", "",
    "mnuExpandBelow", "mnuCollapseBelow", "", "mnuLoadItem", "mnuLineHistory"};

QAction* command(QObject* parent, const char* name, const QString& text,
                 const QKeySequence& shortcut = {}) {
    auto* action = new QAction(text, parent);
    action->setObjectName(QLatin1StringView(name));
    action->setShortcut(shortcut);
    return action;
}

} // namespace

NodeCommands::NodeCommands(CommandContext& context, tree::BillReads& editor)
    : QObject(context.window()), m_context(context), m_editor(editor) {
    BomTreeView& view = context.tree();
    // F2 is the tree's own key for the quantity: the menu's item only shows it.
    m_changeQuantity =
        command(this, "mnuChangeQuantity", tr("Change &Quantity"), QKeySequence(Qt::Key_F2));
    connect(m_changeQuantity, &QAction::triggered, this, [this] {
        BomTreeView& tree = m_context.tree();
        const QModelIndex node = tree.currentIndex();
        if (node.isValid()) {
            tree.setCurrentIndex(node.siblingAtColumn(tree::QuantityColumn));
            static_cast<QAbstractItemView&>(tree).edit(node.siblingAtColumn(tree::QuantityColumn));
        }
    });
    // '*' is the tree's own key for it (BomTreeView): the menu's item only shows it.
    m_expandBelow = command(this, "mnuExpandBelow", tr("&Expand This Node and Below"),
                            QKeySequence(Qt::Key_Asterisk));
    connect(m_expandBelow, &QAction::triggered, this,
            [this] { expandBelow(m_context.tree().currentIndex()); });
    connect(&view, &BomTreeView::expandBelowRequested, m_expandBelow, &QAction::trigger);
    m_collapseBelow = command(this, "mnuCollapseBelow", tr("C&ollapse This Node and Below"));
    connect(m_collapseBelow, &QAction::triggered, this,
            [this] { collapseBelow(m_context.tree().currentIndex()); });
    m_loadItem = command(this, "mnuLoadItem", tr("Load This &Item"));
    connect(m_loadItem, &QAction::triggered, this, [this] {
        const QModelIndex node = m_context.tree().currentIndex();
        if (node.isValid())
            m_context.loadItem(m_context.model().text(node));
    });
    m_history = command(this, "mnuLineHistory", tr("&History of This Line"));
    connect(m_history, &QAction::triggered, this, [this] {
        const QModelIndex node = m_context.tree().currentIndex();
        if (node.isValid())
            Q_EMIT lineHistoryRequested(node.siblingAtColumn(tree::ItemIdColumn));
    });
    connect(&view, &BomTreeView::nodeMenuRequested, this, &NodeCommands::showMenu);
}

void registerNodeCommands(CommandContext& context) {
    CommandRegistry& commands = context.commands();
    BomTreeView& tree = context.tree();
    QAction* expand = commands.add(MenuGroup::FileView, "mnuExpand",
                                   QCoreApplication::translate("shell", "E&xpand All"));
    // The view's own walks: one layout pass however many nodes the tree holds.
    QObject::connect(expand, &QAction::triggered, &tree, [&context, &tree] {
        context.editor().expandAll(
            [&tree](const std::vector<QModelIndex>& nodes) { tree.expandNodes(nodes); });
    });
    QAction* collapse = commands.add(MenuGroup::FileView, "mnuCollapse",
                                     QCoreApplication::translate("shell", "&Collapse All"));
    QObject::connect(collapse, &QAction::triggered, &tree, &QTreeView::collapseAll);
    auto* nodes = new NodeCommands(context, context.editor());
    QObject::connect(nodes, &NodeCommands::lineHistoryRequested, &commands,
                     &CommandRegistry::lineHistoryRequested);
}

bool NodeCommands::applies(const QAction* command, const QModelIndex& node) const {
    const QString name = command->objectName();
    const tree::BomTreeModel& model = m_context.model();
    const bool emptyBill = !node.isValid() && model.rowCount() == 0 &&
                           !model.topAssembly().isEmpty();
    if (name == QLatin1String("mnuAddComponent"))
        return node.isValid() || emptyBill;
    if (name == QLatin1String("mnuPaste")) {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        return (node.isValid() || emptyBill) && data &&
               (data->hasFormat(tree::LinesMimeType) || data->hasText());
    }
    if (!node.isValid())
        return false;
    if (name == QLatin1String("mnuExpandBelow") || name == QLatin1String("mnuCollapseBelow"))
        return model.hasChildren(node);
    // A circular node's line is a line like any other; its quantity can be changed.
    return true;
}

std::vector<QAction*> NodeCommands::fill(QMenu& menu, const QModelIndex& node) {
    std::vector<QAction*> commands;
    QWidget* window = m_context.window();
    for (const char* name : MenuCommands) {
        if (!*name) {
            if (!menu.actions().isEmpty() && !menu.actions().constLast()->isSeparator()) {
                menu.addSeparator();
                commands.push_back(nullptr);
            }
            continue;
        }
        QAction* source = window->findChild<QAction*>(QLatin1StringView(name));
        if (!source)
            continue;
        // A proxy: the window's command keeps its own state, and runs after the menu closed.
        QAction* proxy = menu.addAction(source->icon(), source->text());
        proxy->setObjectName(source->objectName());
        proxy->setShortcut(source->shortcut());
        proxy->setShortcutVisibleInContextMenu(true);
        proxy->setEnabled(source->isEnabled() && applies(source, node));
        commands.push_back(source);
    }
    return commands;
}

void NodeCommands::showMenu(const QModelIndex& node, const QPoint& globalPos) {
    QMenu menu(m_context.window());
    menu.setObjectName(QStringLiteral("nodeMenu"));
    const std::vector<QAction*> commands = fill(menu, node);
    QAction* chosen = menu.exec(globalPos);
    const QList<QAction*> shown = menu.actions();
    const qsizetype at = shown.indexOf(chosen);
    if (at >= 0 && size_t(at) < commands.size() && commands[size_t(at)])
        commands[size_t(at)]->trigger();
}

void NodeCommands::expandBelow(const QModelIndex& node) {
    if (!node.isValid())
        return;
    const QPersistentModelIndex at = node.siblingAtColumn(tree::ItemIdColumn);
    tree::BomTreeModel& model = m_context.model();
    if (!model.document().ensureWhole(m_context.desktop()) || !at.isValid())
        return;
    const bool complete = model.openBelow(at);
    BomTreeView& view = m_context.tree();
    // The view shows what the model opened; it must not open past the limit itself.
    model.holdFetching(true);
    view.expandNodes(model.openedNodesBelow(at));
    model.holdFetching(false);
    if (!complete)
        m_context.desktop().messageBox(
            store::StoreError(store::NodeLimit,
                              tr("The tree holds %Ln row(s); the nodes below %1 were opened "
                                 "up to that many.",
                                 nullptr, int(model.nodeCount()))
                                  .arg(model.text(at)))
                .message(),
            desktop::OkOnly);
}

void NodeCommands::collapseBelow(const QModelIndex& node) {
    if (!node.isValid())
        return;
    BomTreeView& view = m_context.tree();
    const std::vector<QModelIndex> opened =
        m_context.model().openedNodesBelow(node.siblingAtColumn(tree::ItemIdColumn));
    // Children first, so that each node closes once and the view lays out once.
    for (auto it = opened.rbegin(); it != opened.rend(); ++it)
        view.collapse(*it);
}

} // namespace shell
