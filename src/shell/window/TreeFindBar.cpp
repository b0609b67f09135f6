#include "shell/window/TreeFindBar.h"

#include "shell/window/CommandRegistry.h"

#include "tree/bill/BomDocument.h"
#include "tree/bill/BomTreeModel.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

namespace shell {

namespace {

QToolButton* barButton(const char* name, const QString& text, const QString& tip) {
    auto* button = new QToolButton;
    button->setObjectName(QLatin1StringView(name));
    button->setText(text);
    button->setToolTip(tip);
    button->setAccessibleName(text);
    button->setAutoRaise(true);
    return button;
}

} // namespace

TreeFindBar::TreeFindBar(tree::BomTreeModel& model, QTreeView& view, QWidget* parent)
    : QWidget(parent), m_model(model), m_view(view) {
    setObjectName(QStringLiteral("FindInTreeBar"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(tr("F&ind in tree:"));
    m_field = new QLineEdit;
    m_field->setObjectName(QStringLiteral("txtFindInTree"));
    m_field->setAccessibleName(tr("Find in Tree"));
    m_field->setPlaceholderText(tr("ID or description"));
    m_field->setClearButtonEnabled(true);
    m_field->installEventFilter(this);
    label->setBuddy(m_field);
    m_count = new QLabel;
    m_count->setObjectName(QStringLiteral("lblFindCount"));
    m_count->setAccessibleDescription(tr("Hits of the find text in the tree"));
    QToolButton* previous =
        barButton("cmdFindPrevious", tr("Previous"), tr("The previous hit (Shift+F3)"));
    QToolButton* next = barButton("cmdFindNext", tr("Next"), tr("The next hit (F3)"));
    QToolButton* closeButton =
        barButton("cmdFindClose", tr("Close"), tr("Close the find bar (Esc)"));
    row->addWidget(label);
    row->addWidget(m_field, 1);
    row->addWidget(previous);
    row->addWidget(next);
    row->addWidget(m_count);
    row->addWidget(closeButton);
    hide();

    connect(m_field, &QLineEdit::textChanged, this, &TreeFindBar::textTyped);
    connect(previous, &QToolButton::clicked, this, [this] { step(false); });
    connect(next, &QToolButton::clicked, this, [this] { step(true); });
    connect(closeButton, &QToolButton::clicked, this, &TreeFindBar::close);
    // An edit, a load or a node opened changes the count or which hit is current; it is
    // worked out once the change is over.
    connect(&m_model, &QAbstractItemModel::modelReset, this, &TreeFindBar::scheduleCount);
    connect(&m_model, &QAbstractItemModel::rowsInserted, this, &TreeFindBar::scheduleCount);
    connect(&m_model, &QAbstractItemModel::rowsRemoved, this, &TreeFindBar::scheduleCount);
    connect(&m_model, &QAbstractItemModel::layoutChanged, this, &TreeFindBar::scheduleCount);
    connect(&m_model, &QAbstractItemModel::dataChanged, this, &TreeFindBar::scheduleCount);
}

void TreeFindBar::addTo(CommandRegistry& commands) {
    m_openAction = commands.add(MenuGroup::EditFind, "mnuFindInTree", tr("&Find in Tree…"),
                                QKeySequence::Find);
    connect(m_openAction, &QAction::triggered, this, &TreeFindBar::open);
    m_nextAction = commands.add(MenuGroup::EditFind, "mnuFindNext", tr("Find &Next"),
                                QKeySequence(Qt::Key_F3));
    connect(m_nextAction, &QAction::triggered, this, [this] { step(true); });
    m_previousAction = commands.add(MenuGroup::EditFind, "mnuFindPrevious", tr("Find Pre&vious"),
                                    QKeySequence(Qt::SHIFT | Qt::Key_F3));
    connect(m_previousAction, &QAction::triggered, this, [this] { step(false); });
}

void TreeFindBar::open() {
    show();
    m_field->setFocus(Qt::ShortcutFocusReason);
    m_field->selectAll();
    updateCount();
}

void TreeFindBar::close() {
    hide();
    m_view.setFocus(Qt::OtherFocusReason);
}

void TreeFindBar::textTyped(const QString& text) {
    if (!text.isEmpty() && m_wholeWait && !m_wholeWait())
        return;
    m_find.setText(text);
    // Typing on keeps the current node while it still holds the text.
    if (!text.isEmpty())
        showNode(m_find.find(m_model, m_view.currentIndex(), true, true));
    updateCount();
}

void TreeFindBar::step(bool forward) {
    if (isHidden() || m_find.text().isEmpty()) {
        open();
        return;
    }
    if (m_wholeWait && !m_wholeWait())
        return;
    showNode(m_find.find(m_model, m_view.currentIndex(), forward, false));
    updateCount();
}

void TreeFindBar::showNode(const QModelIndex& node) {
    if (!node.isValid())
        return;
    std::vector<QModelIndex> above;
    for (QModelIndex at = node.parent(); at.isValid(); at = at.parent())
        above.push_back(at);
    for (auto it = above.rbegin(); it != above.rend(); ++it)
        m_view.expand(*it);
    m_view.setCurrentIndex(node);
    // In the middle, with the rows around it: a hit at the view's edge hides its neighbours.
    m_view.scrollTo(node, QAbstractItemView::PositionAtCenter);
}

void TreeFindBar::scheduleCount() {
    if (m_countPending || isHidden())
        return;
    m_countPending = true;
    QTimer::singleShot(0, this, [this] {
        m_countPending = false;
        updateCount();
    });
}

QString TreeFindBar::countText() const { return m_count->text(); }

void TreeFindBar::updateCount() {
    if (m_find.text().isEmpty()) {
        m_count->clear();
        return;
    }
    // Counted over the whole bill only: a count of the levels read so far would be wrong.
    if (!m_model.document().isWhole()) {
        m_count->clear();
        return;
    }
    const QLocale locale;
    const qint64 hits = m_find.hitCount(m_model.structure());
    if (hits == 0) {
        m_count->setText(tr("Not found"));
        return;
    }
    const std::optional<qint64> at = m_find.position(m_model, m_view.currentIndex());
    const QString count = m_find.isExact(m_model.structure())
                              ? locale.toString(hits)
                              : tr("about %1").arg(locale.toString(hits));
    m_count->setText(at ? tr("%1 of %2").arg(locale.toString(*at), count)
                        : tr("%1 found").arg(count));
}

bool TreeFindBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_field && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape) {
            close();
            return true;
        }
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            step(!(key->modifiers() & Qt::ShiftModifier));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace shell
