#include "shell/window/BomTreeView.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>

#include <algorithm>

#include "shell/window/Icons.h"
#include "shell/window/ItemDrag.h"
#include "tree/BomTreeModel.h"
#include "tree/BomTreeModel.h"

namespace shell {

BomTreeView::BomTreeView(QWidget* parent) : QTreeView(parent) {
    // Columns can be hidden from the header's context menu; the item ID always shows.
    header()->setContextMenuPolicy(Qt::CustomContextMenu);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    connect(header(), &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(this);
        menu.setObjectName(QStringLiteral("columnMenu"));
        for (int column = 1; column < header()->count(); ++column) {
            QAction* shown = menu.addAction(model()->headerData(column, Qt::Horizontal).toString());
            shown->setCheckable(true);
            shown->setChecked(!isColumnHidden(column));
            connect(shown, &QAction::toggled, this,
                    [this, column](bool on) { setColumnHidden(column, !on); });
        }
        menu.exec(header()->mapToGlobal(at));
    });
    // Every row has the same height: the view then lays out tens of thousands of rows at once.
    setUniformRowHeights(true);
    // F2 or a double-click on a quantity changes it; nothing else can be edited.
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::DoubleClicked);
    // Shift and Ctrl with a click or the arrows select several nodes, for Delete and Copy; the
    // statistics, F2 and Where Used follow the current node alone.
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSortingEnabled(false);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    // The drop highlight is drawn by drawRow; the view's own indicator would point between rows.
    setDropIndicatorShown(false);
    setAutoExpandDelay(-1);
}

void BomTreeView::setModel(QAbstractItemModel* model) {
    if (auto* bom = qobject_cast<tree::BomTreeModel*>(model))
        bom->setProblemIcon(problemIcon());
    QTreeView::setModel(model);
    // Room for an item ID a few levels down; the numbers and the unit are short.
    const int em = fontMetrics().horizontalAdvance(QLatin1Char('M'));
    const int widths[] = {em * 18, em * 6, em * 3, em * 12, em * 9};
    for (int column = 0; column < header()->count() && column < 5; ++column)
        header()->resizeSection(column, widths[column]);
    // The description takes whatever room the window gives.
    if (header()->count() > tree::DescriptionColumn)
        header()->setSectionResizeMode(tree::DescriptionColumn, QHeaderView::Stretch);
}

void BomTreeView::setDropHighlight(const QModelIndex& index) {
    if (QModelIndex(m_dropHighlight) == index)
        return;
    const QModelIndex old = m_dropHighlight;
    m_dropHighlight = index;
    updateRow(old);
    updateRow(index);
}

void BomTreeView::updateRow(const QModelIndex& index) {
    // visualRect leaves out the indentation, which drawRow paints as well.
    if (!index.isValid())
        return;
    const QRect cell = visualRect(index);
    viewport()->update(QRect(0, cell.top(), viewport()->width(), cell.height()));
}

void BomTreeView::expandNodes(const std::vector<QModelIndex>& nodes) {
    // With a layout pending, expand() only notes the node; the layout then opens all at once.
    scheduleDelayedItemsLayout();
    for (const QModelIndex& node : nodes)
        expand(node);
    executeDelayedItemsLayout();
}

QModelIndex BomTreeView::selectedNode() const {
    const QModelIndexList rows = selectionModel() ? selectionModel()->selectedRows()
                                                  : QModelIndexList();
    return rows.isEmpty() ? QModelIndex() : rows.constFirst();
}

std::vector<QModelIndex> BomTreeView::selectedNodes() const {
    if (!selectionModel())
        return {};
    const QModelIndexList rows = selectionModel()->selectedRows();
    // The selection lists its ranges in the order they were chosen; the tree's order is
    // the order of each node's rows from the top.
    std::vector<std::pair<std::vector<int>, QModelIndex>> keyed;
    keyed.reserve(size_t(rows.size()));
    for (const QModelIndex& row : rows) {
        std::vector<int> path;
        for (QModelIndex up = row; up.isValid(); up = up.parent())
            path.push_back(up.row());
        std::reverse(path.begin(), path.end());
        keyed.emplace_back(std::move(path), row);
    }
    std::sort(keyed.begin(), keyed.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<QModelIndex> nodes;
    nodes.reserve(keyed.size());
    for (auto& [path, node] : keyed)
        nodes.push_back(node);
    return nodes;
}

bool BomTreeView::accepts(const QDropEvent* event) const {
    // Only items dragged out of the Item Master list; never text from other programs.
    return m_dragSource && event->source() == m_dragSource &&
           draggedItemId(event->mimeData()).has_value();
}

void BomTreeView::dragEnterEvent(QDragEnterEvent* event) {
    // Entering is a move like any other: the node under the pointer becomes the target.
    dragMoveEvent(event);
}

void BomTreeView::dragMoveEvent(QDragMoveEvent* event) {
    if (!accepts(event)) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    setDropHighlight(indexAt(event->position().toPoint()));
}

void BomTreeView::dragLeaveEvent(QDragLeaveEvent* event) {
    // Off the tree the pointer is over no node.
    setDropHighlight({});
    event->accept();
}

void BomTreeView::dropEvent(QDropEvent* event) {
    if (!accepts(event)) {
        event->ignore();
        return;
    }
    if (takeDrop(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

bool BomTreeView::takeDrop(const QMimeData* data) {
    const auto id = draggedItemId(data);
    if (!id)
        return false;
    // The questions of a drop must not run inside the window system's drag loop.
    QTimer::singleShot(0, this, [this, id = *id] { Q_EMIT itemDropped(id); });
    return true;
}

void BomTreeView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete) {
        event->accept();
        Q_EMIT deleteRequested();
        return;
    }
    QTreeView::keyPressEvent(event);
}

bool BomTreeView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    // F2 edits the quantity of the current node, whichever of its cells is current.
    if (trigger == EditKeyPressed && index.isValid())
        return QTreeView::edit(index.siblingAtColumn(tree::QuantityColumn), trigger, event);
    return QTreeView::edit(index, trigger, event);
}

void BomTreeView::mousePressEvent(QMouseEvent* event) {
    const QModelIndex before = currentIndex();
    QTreeView::mousePressEvent(event);
    const QModelIndex at = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && at.isValid() && at == before &&
        currentIndex() == before)
        Q_EMIT currentNodeClicked(at);
}

void BomTreeView::contextMenuEvent(QContextMenuEvent* event) {
    // From the keyboard the menu is for the current node, from the mouse for the node under it.
    const QModelIndex node = event->reason() == QContextMenuEvent::Mouse
                                 ? indexAt(event->pos())
                                 : currentIndex();
    if (!node.isValid()) {
        event->ignore();
        return;
    }
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("nodeMenu"));
    QAction* history = menu.addAction(QStringLiteral("History of This &Line"));
    history->setObjectName(QStringLiteral("mnuLineHistory"));
    const QPersistentModelIndex chosen(node);
    // The history's read waits on the store, which it must not do inside the menu's loop.
    if (menu.exec(event->globalPos()) == history && chosen.isValid())
        Q_EMIT lineHistoryRequested(chosen);
}

void BomTreeView::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const {
    if (index != m_dropHighlight) {
        QTreeView::drawRow(painter, option, index);
        return;
    }
    QStyleOptionViewItem highlighted = option;
    highlighted.state |= QStyle::State_Selected | QStyle::State_Active;
    QTreeView::drawRow(painter, highlighted, index);
}

} // namespace shell
