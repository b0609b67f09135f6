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
#include "tree/bill/BomTreeModel.h"

#include <QApplication>
#include <QDrag>

namespace shell {

namespace {

/// The drag data of a node moved within the tree: the node itself is known to the view that
/// started the drag, and no other program may drop it.
const QString NodeMoveType = QStringLiteral("application/x-fabrilux-bom-node-move");

} // namespace

BomTreeView::BomTreeView(QWidget* parent) : QTreeView(parent) {
    // Columns can be hidden from the header's context menu; the item ID always shows.
    header()->setContextMenuPolicy(Qt::CustomContextMenu);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    connect(header(), &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(this);
        menu.setObjectName(QStringLiteral("columnMenu"));
        // Each caption marks its first letter that no caption above it has taken.
        QString taken;
        for (int column = 1; column < header()->count(); ++column) {
            QString caption = model()->headerData(column, Qt::Horizontal).toString();
            for (qsizetype at = 0; at < caption.size(); ++at)
                if (caption[at].isLetterOrNumber() && !taken.contains(caption[at].toUpper())) {
                    taken += caption[at].toUpper();
                    caption.insert(at, u'&');
                    break;
                }
            QAction* shown = menu.addAction(caption);
            shown->setCheckable(true);
            shown->setChecked(!isColumnHidden(column));
            connect(shown, &QAction::toggled, this, [this, column](bool on) {
                setColumnHidden(column, !on);
                // A column shown again fits what it shows.
                if (on && column != tree::DescriptionColumn)
                    resizeColumnToContents(column);
            });
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
    // The start date is there for those who ask for it in the header's menu.
    if (header()->count() > tree::StartDateColumn)
        setColumnHidden(tree::StartDateColumn, true);
    // The description takes whatever room the window gives.
    if (header()->count() > tree::DescriptionColumn)
        header()->setSectionResizeMode(tree::DescriptionColumn, QHeaderView::Stretch);
    // A column shown, hidden or fitted changes the room the description has.
    connect(header(), &QHeaderView::sectionResized, this, [this](int column) {
        if (column != tree::DescriptionColumn)
            keepDescriptionReadable();
    });
}

void BomTreeView::resizeEvent(QResizeEvent* event) {
    QTreeView::resizeEvent(event);
    keepDescriptionReadable();
}

void BomTreeView::keepDescriptionReadable() {
    QHeaderView& columns = *header();
    if (columns.count() <= tree::DescriptionColumn || m_fittingDescription)
        return;
    m_fittingDescription = true;
    int others = 0;
    for (int column = 0; column < columns.count(); ++column)
        if (column != tree::DescriptionColumn && !columns.isSectionHidden(column))
            others += columns.sectionSize(column);
    const int readable = 24 * fontMetrics().averageCharWidth();
    const bool stretching =
        columns.sectionResizeMode(tree::DescriptionColumn) == QHeaderView::Stretch;
    if (viewport()->width() - others >= readable) {
        if (!stretching)
            columns.setSectionResizeMode(tree::DescriptionColumn, QHeaderView::Stretch);
    } else if (stretching) {
        columns.setSectionResizeMode(tree::DescriptionColumn, QHeaderView::Interactive);
        columns.resizeSection(tree::DescriptionColumn, readable);
    }
    m_fittingDescription = false;
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
    // A node of this tree moved with Shift.
    if (event->source() == this && event->mimeData()->hasFormat(NodeMoveType))
        return m_moveFrom.isValid();
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
    if (event->source() == this) {
        if (takeMoveDrop(m_moveFrom, indexAt(event->position().toPoint())))
            event->acceptProposedAction();
        else
            event->ignore();
        setDropHighlight({});
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

bool BomTreeView::takeMoveDrop(const QModelIndex& node, const QModelIndex& target) {
    if (!node.isValid() || !target.isValid())
        return false;
    const QPersistentModelIndex from = node.siblingAtColumn(tree::ItemIdColumn);
    const QPersistentModelIndex to = target.siblingAtColumn(tree::ItemIdColumn);
    // The move's questions must not run inside the window system's drag loop.
    QTimer::singleShot(0, this, [this, from, to] { Q_EMIT nodeMoveDropped(from, to); });
    return true;
}

bool BomTreeView::goToParent() {
    const QModelIndex parent = currentIndex().parent();
    if (!parent.isValid())
        return false;
    setCurrentIndex(parent.siblingAtColumn(tree::ItemIdColumn));
    scrollTo(parent);
    return true;
}

void BomTreeView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete) {
        event->accept();
        Q_EMIT deleteRequested();
        return;
    }
    // Up to the assembly, as a file manager goes up a folder.
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if ((event->key() == Qt::Key_Backspace && modifiers == Qt::NoModifier) ||
        (event->key() == Qt::Key_Up && modifiers == Qt::AltModifier)) {
        event->accept();
        goToParent();
        return;
    }
    // '*' opens everything below the current node, as in other trees, but within the tree's
    // node limit, which the view's own '*' would open past. It is typed with Shift on many
    // keyboards: a shortcut would not see it there.
    if (event->key() == Qt::Key_Asterisk) {
        event->accept();
        Q_EMIT expandBelowRequested();
        return;
    }
    if (event->key() == Qt::Key_Escape && modifiers == Qt::NoModifier) {
        Q_EMIT escapePressed();
        event->accept();
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
    // With Shift held the press may start a move of the node; it still extends the
    // selection, as Shift+click always has.
    m_moveFrom = event->button() == Qt::LeftButton && event->modifiers() == Qt::ShiftModifier
                     ? QPersistentModelIndex(indexAt(event->position().toPoint()))
                     : QPersistentModelIndex();
    m_movePress = event->position().toPoint();
    const QModelIndex before = currentIndex();
    QTreeView::mousePressEvent(event);
    const QModelIndex at = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && at.isValid() && at == before &&
        currentIndex() == before)
        Q_EMIT currentNodeClicked(at);
}

void BomTreeView::mouseMoveEvent(QMouseEvent* event) {
    // A plain drag selects rows as ever; with Shift from a node it moves that node.
    if (!m_moveFrom.isValid() || !(event->buttons() & Qt::LeftButton) ||
        (event->position().toPoint() - m_movePress).manhattanLength() <
            QApplication::startDragDistance()) {
        QTreeView::mouseMoveEvent(event);
        return;
    }
    auto* drag = new QDrag(this);
    auto* data = new QMimeData;
    data->setData(NodeMoveType, QByteArray());
    drag->setMimeData(data);
    drag->exec(Qt::MoveAction);
    m_moveFrom = QPersistentModelIndex();
    setDropHighlight({});
}

void BomTreeView::contextMenuEvent(QContextMenuEvent* event) {
    // From the keyboard the menu is for the current node, from the mouse for the node under
    // it, which becomes current so that the menu's commands act on it.
    QModelIndex node = event->reason() == QContextMenuEvent::Mouse ? indexAt(event->pos())
                                                                   : currentIndex();
    node = node.siblingAtColumn(tree::ItemIdColumn);
    if (node.isValid() && node != currentIndex().siblingAtColumn(tree::ItemIdColumn))
        setCurrentIndex(node);
    QPoint at = event->globalPos();
    // From the keyboard the menu opens at the node, not wherever the pointer rests.
    if (event->reason() != QContextMenuEvent::Mouse && node.isValid())
        at = viewport()->mapToGlobal(visualRect(node).bottomLeft());
    event->accept();
    Q_EMIT nodeMenuRequested(node, at);
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
