#include "tree/BomTreeView.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QTimer>

namespace tree {

BomTreeView::BomTreeView(QWidget* parent) : QTreeView(parent) {
    setHeaderHidden(true);
    // Every row has the same height: the view then lays out tens of thousands of rows at once.
    setUniformRowHeights(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSortingEnabled(false);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    // The drop highlight is drawn by drawRow; the view's own indicator would point between rows.
    setDropIndicatorShown(false);
    setAutoExpandDelay(-1);
}

void BomTreeView::setDropHighlight(const QModelIndex& index) {
    if (QModelIndex(m_dropHighlight) == index)
        return;
    const QModelIndex old = m_dropHighlight;
    m_dropHighlight = index;
    if (old.isValid())
        update(visualRect(old));
    if (index.isValid())
        update(visualRect(index));
}

QModelIndex BomTreeView::selectedNode() const {
    const QModelIndexList rows = selectionModel() ? selectionModel()->selectedRows()
                                                  : QModelIndexList();
    return rows.isEmpty() ? QModelIndex() : rows.constFirst();
}

bool BomTreeView::accepts(const QDropEvent* event) const {
    // Only items dragged out of the Item Master list; never text from other programs.
    return m_dragSource && event->source() == m_dragSource &&
           event->mimeData()->hasFormat(ItemIdMimeType);
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
    event->acceptProposedAction();
    // The questions of a drop must not run inside the window system's drag loop.
    QTimer::singleShot(0, this, [this] { Q_EMIT itemDropped(); });
}

void BomTreeView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete) {
        event->accept();
        Q_EMIT deleteRequested();
        return;
    }
    QTreeView::keyPressEvent(event);
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

} // namespace tree
