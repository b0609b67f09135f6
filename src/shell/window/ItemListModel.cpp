#include "shell/window/ItemListModel.h"

#include "store/ItemKey.h"
#include "store/Store.h"
#include "tree/reports/FindText.h"

#include <QStringMatcher>

#include <algorithm>
#include <numeric>

namespace shell {

using tree::findFolded;
using tree::writeFindFolded;

ItemListModel::ItemListModel(QObject* parent) : QAbstractTableModel(parent) {}

void ItemListModel::append(const std::vector<store::ItemLine>& items) {
    if (items.empty())
        return;
    beginResetModel();
    appendRows(items);
    endResetModel();
}

void ItemListModel::appendRows(const std::vector<store::ItemLine>& items) {
    const qsizetype before = m_folded.size();
    qsizetype length = before;
    for (const store::ItemLine& item : items)
        length += item.id.size() + (item.description ? item.description->size() : 0);
    m_folded.resize(length);
    char16_t* const begin = reinterpret_cast<char16_t*>(m_folded.data());
    char16_t* out = begin + before;
    m_ids.reserve(m_ids.size() + qsizetype(items.size()));
    m_descriptions.reserve(m_ids.capacity());
    m_bounds.reserve(m_bounds.size() + 2 * items.size());
    for (const store::ItemLine& item : items) {
        m_ids.append(item.id);
        m_descriptions.append(item.description.value_or(QString()));
        out = writeFindFolded(out, item.id);
        m_bounds.push_back(out - begin);
        out = writeFindFolded(out, m_descriptions.constLast());
        m_bounds.push_back(out - begin);
    }
    m_folded.truncate(out - begin);
    m_shown = matching(m_foldedFind, nullptr);
    placeNamedFirst();
}

bool ItemListModel::replace(const std::vector<store::ItemLine>& items) {
    bool same = qsizetype(items.size()) == m_ids.size();
    for (size_t i = 0; same && i < items.size(); ++i)
        same = items[i].id == m_ids.at(qsizetype(i)) &&
               items[i].description.value_or(QString()) == m_descriptions.at(qsizetype(i));
    if (same)
        return false;
    beginResetModel();
    emptyRows();
    appendRows(items);
    endResetModel();
    return true;
}

void ItemListModel::setLowLevelCodes(const tree::LowLevelCodes& codes) {
    m_codesRead = true;
    m_codes = codes.code;
    m_circular.clear();
    for (const QString& id : codes.circular)
        m_circular.insert(store::foldKey(id));
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0, LowLevelCodeColumn), index(rowCount() - 1, LowLevelCodeColumn));
}

int ItemListModel::itemOf(const QString& id) const { return int(m_ids.indexOf(id)); }

int ItemListModel::itemWithKey(const QString& id) const {
    if (id.isEmpty())
        return -1;
    const QString key = store::foldKey(id);
    for (int item = 0; item < int(m_ids.size()); ++item)
        if (m_ids.at(item).size() == key.size() && store::foldKey(m_ids.at(item)) == key)
            return item;
    return -1;
}

void ItemListModel::placeNamedFirst() {
    m_first = -1;
    if (m_findText.isEmpty())
        return;
    const QString key = store::foldKey(m_findText);
    for (size_t at = 0; at < m_shown.size(); ++at) {
        const QString& id = m_ids.at(m_shown[at]);
        if (id.size() == key.size() && store::foldKey(id) == key) {
            m_first = m_shown[at];
            m_firstAt = at;
            return;
        }
    }
}

void ItemListModel::clear() {
    beginResetModel();
    emptyRows();
    endResetModel();
}

void ItemListModel::emptyRows() {
    m_ids.clear();
    m_descriptions.clear();
    m_folded.clear();
    m_bounds.assign(1, 0);
    m_shown.clear();
    m_first = -1;
}

void ItemListModel::setFindText(const QString& text) {
    QString find = findFolded(text);
    if (find == m_foldedFind) {
        // Another spelling of the same find ("N" after "n") may name another item.
        const int first = m_first;
        m_findText = text;
        placeNamedFirst();
        if (m_first != first) {
            beginResetModel();
            endResetModel();
        }
        return;
    }
    // Typing on narrows the search: a line that holds the longer text holds the shorter one,
    // so only the lines shown now need a look.
    const bool narrowing = !m_foldedFind.isEmpty() && find.contains(m_foldedFind);
    std::vector<int> shown = matching(find, narrowing ? &m_shown : nullptr);
    beginResetModel();
    m_findText = text;
    m_foldedFind = std::move(find);
    m_shown = std::move(shown);
    placeNamedFirst();
    endResetModel();
}

std::vector<int> ItemListModel::matching(const QString& find,
                                         const std::vector<int>* candidates) const {
    const int count = int(m_ids.size());
    std::vector<int> result;
    if (find.isEmpty()) {
        result.resize(size_t(count));
        std::iota(result.begin(), result.end(), 0);
        return result;
    }
    const QStringMatcher matcher(find, Qt::CaseSensitive);
    const qsizetype length = find.size();
    const auto holds = [&](qsizetype from, qsizetype to) {
        return to - from >= length &&
               matcher.indexIn(QStringView(m_folded.constData() + from, to - from)) >= 0;
    };
    if (candidates) {
        for (const int item : *candidates) {
            const size_t at = 2 * size_t(item);
            if (holds(m_bounds[at], m_bounds[at + 1]) || holds(m_bounds[at + 1], m_bounds[at + 2]))
                result.push_back(item);
        }
        return result;
    }
    // One pass over all the folded text. A hit counts when it lies inside one ID or one
    // description; one that runs across a border is skipped, and the search goes on after it.
    size_t item = 0;
    qsizetype from = 0;
    for (qsizetype hit; item < size_t(count) && (hit = matcher.indexIn(m_folded, from)) >= 0;) {
        while (m_bounds[2 * item + 2] <= hit)
            ++item;
        const qsizetype descriptionStart = m_bounds[2 * item + 1];
        const qsizetype end = m_bounds[2 * item + 2];
        if (hit + length <= descriptionStart || (hit >= descriptionStart && hit + length <= end)) {
            result.push_back(int(item));
            from = end;
            ++item;
        } else {
            from = hit + 1;
        }
    }
    return result;
}

QStringList ItemListModel::shownIds() const {
    QStringList ids;
    ids.reserve(qsizetype(m_shown.size()));
    for (int row = 0; row < int(m_shown.size()); ++row)
        ids.append(m_ids.at(itemAt(row)));
    return ids;
}

int ItemListModel::itemAt(int row) const {
    if (row < 0 || size_t(row) >= m_shown.size())
        return -1;
    // The named item on the first line; the lines before its place in key order move down one.
    if (m_first < 0 || size_t(row) > m_firstAt)
        return m_shown[size_t(row)];
    return row == 0 ? m_first : m_shown[size_t(row) - 1];
}

int ItemListModel::rowOf(int item) const {
    const auto at = std::lower_bound(m_shown.begin(), m_shown.end(), item);
    if (at == m_shown.end() || *at != item)
        return -1;
    const size_t place = size_t(at - m_shown.begin());
    if (m_first < 0 || place > m_firstAt)
        return int(place);
    return item == m_first ? 0 : int(place) + 1;
}

int ItemListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_shown.size());
}

int ItemListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ItemListModel::data(const QModelIndex& index, int role) const {
    const int item = itemAt(index.row());
    if (item < 0 || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    // An ID cut by a narrow column shows whole in its tooltip.
    if (index.column() == IdColumn)
        return m_ids.at(item);
    if (index.column() == LowLevelCodeColumn) {
        if (!m_codesRead)
            return {};
        const QString key = store::foldKey(m_ids.at(item));
        if (m_circular.contains(key))
            return role == Qt::ToolTipRole ? QVariant(tr("On or below a cycle: no low-level code"))
                                           : QVariant();
        return role == Qt::DisplayRole ? QVariant(m_codes.value(key, 0)) : QVariant();
    }
    // A description wider than its column shows in full as a tooltip.
    const QString& description = m_descriptions.at(item);
    return description.isEmpty() ? QVariant() : QVariant(description);
}

QVariant ItemListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case IdColumn:
        return tr("Item ID");
    case DescriptionColumn:
        return tr("Description");
    case LowLevelCodeColumn:
        return tr("Low-Level Code");
    default:
        return {};
    }
}

} // namespace shell
