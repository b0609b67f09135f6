#include "shell/window/ItemIdCompleter.h"

#include "shell/window/ItemListModel.h"
#include "tree/reports/FindText.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStringMatcher>

#include <algorithm>

namespace shell {

namespace {

/// More lines than anyone reads in a popup: the next keystroke narrows them.
constexpr int PopupLines = 500;

/// An ID further than this from what was typed is another ID, not a slip of the keys. The
/// bound also keeps the search short however long the text typed: only IDs within this many
/// characters of its length are looked at, each along a band this wide.
constexpr int MostEdits = 8;

/// The edit distance of `a` and `b` (insertions, deletions, substitutions), or any number
/// above `bound` once it is sure to exceed it. Only the cells within `bound` of the diagonal
/// can stay under it, so each row looks at those alone, and most IDs are ruled out after a
/// few characters.
int boundedDistance(QStringView a, QStringView b, int bound) {
    const qsizetype n = b.size();
    if (std::abs(int(a.size()) - int(n)) > bound)
        return bound + 1;
    const int over = bound + 1;
    thread_local std::vector<int> previous, current;
    previous.assign(size_t(n) + 1, over);
    current.assign(size_t(n) + 1, over);
    for (qsizetype j = 0; j <= std::min<qsizetype>(n, bound); ++j)
        previous[size_t(j)] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        const qsizetype from = std::max<qsizetype>(1, i - bound);
        const qsizetype to = std::min<qsizetype>(n, i + bound);
        current[0] = i <= bound ? int(i) : over;
        // The cells beside the band count as out of reach, whatever an earlier row left there.
        current[size_t(from - 1)] = from == 1 ? current[0] : over;
        if (to < n)
            current[size_t(to + 1)] = over;
        int rowBest = from == 1 ? current[0] : over;
        for (qsizetype j = from; j <= to; ++j) {
            const int substitute = previous[size_t(j - 1)] + (a[i - 1] == b[j - 1] ? 0 : 1);
            current[size_t(j)] = std::min(
                {substitute, previous[size_t(j)] + 1, current[size_t(j - 1)] + 1, over});
            rowBest = std::min(rowBest, current[size_t(j)]);
        }
        if (rowBest > bound)
            return over;
        std::swap(previous, current);
    }
    return previous[size_t(n)];
}

} // namespace

std::vector<int> completionOrder(const ItemListModel& items, const QString& typed, int limit) {
    std::vector<int> starting;
    std::vector<int> holding;
    const QString folded = tree::findFolded(typed);
    if (folded.isEmpty())
        return starting;
    // The item the store takes as the typed ID itself comes first, wherever the list has it.
    const int named = items.itemWithKey(typed);
    if (named >= 0 && limit > 0)
        starting.push_back(named);
    const QStringMatcher matcher(folded, Qt::CaseSensitive);
    for (int item = 0; item < items.itemCount() && int(starting.size()) < limit; ++item) {
        if (item == named)
            continue;
        const qsizetype at = matcher.indexIn(items.foldedId(item));
        if (at == 0)
            starting.push_back(item);
        else if (at > 0 && int(holding.size()) < limit)
            holding.push_back(item);
    }
    holding.resize(std::min(holding.size(), size_t(std::max(0, limit)) - starting.size()));
    starting.insert(starting.end(), holding.begin(), holding.end());
    return starting;
}

std::vector<int> nearestItems(const ItemListModel& items, const QString& typed, int count) {
    const QString folded = tree::findFolded(typed);
    const int furthest = std::clamp(int(folded.size()) / 3, 1, MostEdits);
    // The best so far, nearest first; a later item at the same distance comes after.
    std::vector<std::pair<int, int>> best; // distance, item
    for (int item = 0; item < items.itemCount(); ++item) {
        const int bound =
            int(best.size()) == count ? best.back().first - 1 : furthest;
        if (bound < 0)
            break;
        const int distance = boundedDistance(folded, items.foldedId(item), bound);
        if (distance > bound)
            continue;
        const auto at = std::upper_bound(
            best.begin(), best.end(), distance,
            [](int d, const std::pair<int, int>& kept) { return d < kept.first; });
        best.insert(at, {distance, item});
        if (int(best.size()) > count)
            best.pop_back();
    }
    std::vector<int> nearest;
    for (const auto& [distance, item] : best)
        nearest.push_back(item);
    return nearest;
}

QString didYouMean(const ItemListModel& items, const std::vector<int>& nearest) {
    if (nearest.empty())
        return {};
    QStringList ids;
    for (const int item : nearest)
        ids.append(items.id(item));
    const QString last = ids.takeLast();
    return ids.isEmpty() ? QCoreApplication::translate("shell", "Did you mean %1?").arg(last)
                         : QCoreApplication::translate("shell", "Did you mean %1 or %2?")
                               .arg(ids.join(QStringLiteral(", ")), last);
}

ItemIdCompletionModel::ItemIdCompletionModel(const ItemListModel& items, QObject* parent)
    : QAbstractListModel(parent), m_items(items) {
    // Another database, an import or another editor's change: the lines follow the list.
    connect(&items, &QAbstractItemModel::modelReset, this, [this] {
        beginResetModel();
        m_rows = completionOrder(m_items, m_typed, PopupLines);
        endResetModel();
    });
}

void ItemIdCompletionModel::setTyped(const QString& typed) {
    beginResetModel();
    m_typed = typed;
    m_rows = completionOrder(m_items, typed, PopupLines);
    endResetModel();
}

int ItemIdCompletionModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant ItemIdCompletionModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || size_t(index.row()) >= m_rows.size())
        return {};
    const int item = m_rows[size_t(index.row())];
    if (item >= m_items.itemCount())
        return {};
    switch (role) {
    case Qt::EditRole:
        return m_items.id(item);
    case Qt::DisplayRole:
    case Qt::ToolTipRole: {
        const QString& description = m_items.description(item);
        return description.isEmpty() ? m_items.id(item)
                                     : m_items.id(item) + QStringLiteral("  \u2014  ") + description;
    }
    default:
        return {};
    }
}

ItemIdCompleter::ItemIdCompleter(QLineEdit& field, const ItemListModel& items)
    : QCompleter(&field), m_field(field), m_lines(new ItemIdCompletionModel(items, this)) {
    setModel(m_lines);
    // The lines are chosen and ordered by completionOrder; the completer only shows them.
    setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    setCompletionRole(Qt::EditRole);
    setMaxVisibleItems(12);
    setWidget(&field);
    m_popup = popup();
    m_popup->setObjectName(QStringLiteral("ItemIdCompletion"));
    // Only what the user types opens the popup: a load from the list or from Where Used
    // sets the field's text without it.
    connect(&field, &QLineEdit::textEdited, this, &ItemIdCompleter::followTyping);
    connect(this, qOverload<const QModelIndex&>(&QCompleter::activated), this,
            [this](const QModelIndex& line) {
                m_field.setText(line.data(Qt::EditRole).toString());
                Q_EMIT chosen();
            });
}

void ItemIdCompleter::followTyping() { showLines(); }

void ItemIdCompleter::showLines() {
    m_lines->setTyped(m_field.text());
    m_moved = false;
    if (m_lines->rowCount() == 0) {
        popup()->hide();
        return;
    }
    complete();
    // The completer makes current the first line that begins with the text typed; Enter would
    // then take it for the user. No line is current until the user moves to one.
    m_popup->setCurrentIndex({});
    m_popup->selectionModel()->clear();
}

bool ItemIdCompleter::eventFilter(QObject* watched, QEvent* event) {
    // The completer's own filter on its popup: Enter there would only complete the line.
    // The popup as it was made: asking for it here would make it again while it is made.
    if (m_popup && watched == m_popup && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: {
            // Enter loads, as it does in the field: the line the user moved to in the popup,
            // or else what was typed, which the window takes as it takes Enter in the field.
            const QModelIndex line = m_popup->currentIndex();
            m_popup->hide();
            if (m_moved && line.isValid())
                m_field.setText(line.data(Qt::EditRole).toString());
            Q_EMIT chosen();
            return true;
        }
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            m_moved = true;
            break;
        case Qt::Key_Home:
        case Qt::Key_End:
            // With Ctrl they move in the popup; alone they move in the field.
            m_moved = m_moved || (key->modifiers() & Qt::ControlModifier);
            break;
        default:
            break;
        }
    }
    if (m_popup && watched == m_popup && event->type() == QEvent::MouseButtonPress) {
        // A click outside the popup closes it and would go nowhere: the completer takes it.
        // It goes on to where it was aimed, so that one click on the tree selects a row.
        const auto* press = static_cast<QMouseEvent*>(event);
        const QPoint global = press->globalPosition().toPoint();
        if (!m_popup->rect().contains(m_popup->mapFromGlobal(global))) {
            m_popup->hide();
            QWidget* target = QApplication::widgetAt(global);
            if (target && target->window() != m_popup->window() && target->isEnabled()) {
                QMouseEvent replay(QEvent::MouseButtonPress,
                                   target->mapFromGlobal(press->globalPosition()),
                                   press->globalPosition(), press->button(), press->buttons(),
                                   press->modifiers(), press->pointingDevice());
                QCoreApplication::sendEvent(target, &replay);
            }
            return true;
        }
    }
    return QCompleter::eventFilter(watched, event);
}

} // namespace shell
