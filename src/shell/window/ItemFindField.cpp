#include "shell/window/ItemFindField.h"

#include "shell/window/ItemList.h"

#include <QKeyEvent>

namespace shell {

ItemFindField::ItemFindField(ItemList& list, QWidget* parent) : QLineEdit(parent), m_list(list) {
    setObjectName(QStringLiteral("FindItem"));
    setAccessibleName(tr("Find Item"));
    setPlaceholderText(tr("Find Item"));
    setClearButtonEnabled(true);
    // Every edit, typed, pasted or cleared, filters at once: the filter is fast enough to
    // keep up with typing on the largest lists.
    connect(this, &QLineEdit::textChanged, &m_list, &ItemList::setFindText);
}

void ItemFindField::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && !text().isEmpty()) {
        clear();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Down && event->modifiers() == Qt::NoModifier) {
        m_list.enterFromFind();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

} // namespace shell
