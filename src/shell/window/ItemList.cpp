#include "shell/window/ItemList.h"

#include "shell/window/ColumnFit.h"
#include "shell/window/Icons.h"
#include "shell/window/ItemDrag.h"
#include "shell/window/ItemListModel.h"

#include <QApplication>

#include <algorithm>
#include <QDrag>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMetaMethod>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>

namespace shell {

ItemList::ItemList(QWidget* parent) : QTreeView(parent), m_model(new ItemListModel(this)) {
    setModel(m_model);
    // A flat list in two columns: no branches to open, nothing to sort (key order is the
    // order shown).
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setSortingEnabled(false);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // A hundred thousand lines lay out at once when every line has the same height.
    setUniformRowHeights(true);
    // A width that fits the usual ID; measuring every line's text would cost a pass over all.
    header()->resizeSection(ItemListModel::IdColumn, 20 * fontMetrics().averageCharWidth());
    header()->setStretchLastSection(true);
    trackUserSizing(*header());
    // Column widths from the lines in view and a few more: measuring 100,000 lines would
    // cost more than the fill.
    header()->setResizeContentsPrecision(100);
    setDragEnabled(false); // drags start in mouseMoveEvent, by the rules of this list
    connect(this, &QAbstractItemView::doubleClicked, this, &ItemList::linePicked);

    // The low-level code stands between the ID and the description (which keeps the room
    // left over), hidden until the header's menu shows it: reading it costs a pass over
    // every line of the database.
    header()->moveSection(ItemListModel::LowLevelCodeColumn, ItemListModel::DescriptionColumn);
    setColumnHidden(ItemListModel::LowLevelCodeColumn, true);
    m_columnMenu = new QMenu(this);
    QAction* codes = m_columnMenu->addAction(tr("&Low-Level Code"));
    codes->setObjectName(QStringLiteral("mnuListLowLevelCode"));
    codes->setCheckable(true);
    connect(codes, &QAction::toggled, this, [this](bool shown) {
        setColumnHidden(ItemListModel::LowLevelCodeColumn, !shown);
        if (shown)
            Q_EMIT lowLevelCodesWanted();
    });
    header()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header(), &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (isSignalConnected(QMetaMethod::fromSignal(&ItemList::lowLevelCodesWanted)))
            m_columnMenu->popup(header()->mapToGlobal(at));
    });
}

bool ItemList::codesShown() const { return !isColumnHidden(ItemListModel::LowLevelCodeColumn); }

void ItemList::setLowLevelCodes(const tree::LowLevelCodes& codes) { m_model->setLowLevelCodes(codes); }

void ItemList::appendItems(const std::vector<store::ItemLine>& items) {
    m_model->append(items);
    // A list filled again (another database, items added) has codes of its own.
    if (codesShown())
        Q_EMIT lowLevelCodesWanted();
    // The IDs whole where they fit, and never more than half the list: the description
    // needs room too.
    fitColumns(*this, *header(),
               std::min(32 * fontMetrics().averageCharWidth(), viewport()->width() / 2));
}

void ItemList::removeAllItems() { m_model->clear(); }

bool ItemList::showItems(const std::vector<store::ItemLine>& items) {
    const QString current = currentText();
    const int scrolled = verticalScrollBar()->value();
    if (!m_model->replace(items))
        return false;
    if (codesShown())
        Q_EMIT lowLevelCodesWanted();
    // The reset left no line current: the item that was current is again, where it is listed.
    const int item = current.isEmpty() ? -1 : m_model->itemOf(current);
    const int row = item < 0 ? -1 : m_model->rowOf(item);
    if (row >= 0)
        selectionModel()->setCurrentIndex(m_model->index(row, ItemListModel::IdColumn),
                                          QItemSelectionModel::ClearAndSelect |
                                              QItemSelectionModel::Rows);
    verticalScrollBar()->setValue(scrolled);
    return true;
}

QStringList ItemList::items() const { return m_model->shownIds(); }

QString ItemList::currentText() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.siblingAtColumn(ItemListModel::IdColumn).data().toString()
                             : QString();
}

void ItemList::setFindText(const QString& text) {
    const int currentItem = m_model->itemAt(currentIndex().row());
    m_model->setFindText(text);
    // The new lines come in one reset, which leaves no line current: the item that was current
    // becomes so again where it is still shown.
    const int row = currentItem < 0 ? -1 : m_model->rowOf(currentItem);
    if (row < 0) {
        scrollToTop();
        return;
    }
    const QModelIndex line = m_model->index(row, ItemListModel::IdColumn);
    setCurrentIndex(line);
    scrollTo(line);
}

void ItemList::enterFromFind() {
    if (!currentIndex().isValid() && m_model->rowCount() > 0)
        setCurrentIndex(m_model->index(0, ItemListModel::IdColumn));
    if (currentIndex().isValid())
        scrollTo(currentIndex());
    setFocus(Qt::OtherFocusReason);
}

void ItemList::mousePressEvent(QMouseEvent* event) {
    QTreeView::mousePressEvent(event);
    m_pressPosition = event->position().toPoint();
    m_pressedOnLine = indexAt(m_pressPosition).isValid();
}

void ItemList::mouseMoveEvent(QMouseEvent* event) {
    // The left button alone; with another button held as well, no drag.
    if (event->buttons() != Qt::LeftButton || !m_pressedOnLine) {
        QTreeView::mouseMoveEvent(event);
        return;
    }
    if ((event->position().toPoint() - m_pressPosition).manhattanLength() <
        QApplication::startDragDistance())
        return;
    m_pressedOnLine = false;
    auto* drag = new QDrag(this);
    drag->setMimeData(dragData());
    // The pencil for the whole way, over places that take no drop too.
    const QPixmap pencil = pencilDragCursor();
    for (const Qt::DropAction action :
         {Qt::CopyAction, Qt::MoveAction, Qt::LinkAction, Qt::IgnoreAction})
        drag->setDragCursor(pencil, action);
    // The button release ends the drag, with a drop where the pointer is.
    drag->exec(Qt::CopyAction);
}

QMimeData* ItemList::dragData() const { return makeItemDragData(currentText()); }

void ItemList::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        currentIndex().isValid()) {
        event->accept();
        Q_EMIT linePicked();
        return;
    }
    QTreeView::keyPressEvent(event);
}

} // namespace shell
