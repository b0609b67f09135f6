#include "shell/ItemList.h"

#include "shell/Icons.h"
#include "shell/ItemDrag.h"

#include <QApplication>
#include <QDrag>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QStringListModel>

namespace shell {

ItemList::ItemList(QWidget* parent) : QListView(parent), m_model(new QStringListModel(this)) {
    setModel(m_model);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // A hundred thousand lines lay out at once when every line has the same height.
    setUniformItemSizes(true);
    setDragEnabled(false); // drags start in mouseMoveEvent, by the rules of this list
    connect(this, &QAbstractItemView::doubleClicked, this, &ItemList::linePicked);
}

void ItemList::appendItems(const QStringList& ids) {
    if (ids.isEmpty())
        return;
    QStringList lines = m_model->stringList();
    if (lines.isEmpty())
        lines = ids;
    else
        lines += ids;
    m_model->setStringList(lines);
}

void ItemList::removeAllItems() { m_model->setStringList({}); }

QStringList ItemList::items() const { return m_model->stringList(); }

QString ItemList::currentText() const { return currentIndex().data().toString(); }

void ItemList::mousePressEvent(QMouseEvent* event) {
    QListView::mousePressEvent(event);
    m_pressPosition = event->position().toPoint();
    m_pressedOnLine = indexAt(m_pressPosition).isValid();
}

void ItemList::mouseMoveEvent(QMouseEvent* event) {
    // The left button alone; with another button held as well, no drag.
    if (event->buttons() != Qt::LeftButton || !m_pressedOnLine) {
        QListView::mouseMoveEvent(event);
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
    QListView::keyPressEvent(event);
}

} // namespace shell
