// How the tree's nodes follow the document's notices: a load, a line that came or went, a
// quantity changed, a re-read taken in.

#include "tree/bill/BomTreeModel.h"

#include "tree/bill/BomDocument.h"

#include <algorithm>

namespace tree {

void BomTreeModel::followLoad() {
    ++m_loads;
    m_nodes.clear();
    m_top.clear();
    m_liveCount = 0;
    const std::vector<int>& top = m_structure.linesOf(Structure::Top);
    m_nodes.reserve(top.size());
    m_top.reserve(top.size());
    for (size_t row = 0; row < top.size(); ++row)
        m_top.push_back(makeNode(-1, int(row), top[row]));
    endResetModel();
}

void BomTreeModel::followInsertion(int item, int position, int lineId, bool hadLines) {
    // The places of the assembly: every node of it that shows its components, and every one
    // that had none to show and now opens with this one.
    std::vector<int> places;
    for (size_t id = 0; id < m_nodes.size(); ++id) {
        const Node& node = m_nodes[id];
        if (node.removed || node.circular || node.stop == Stop::DepthLimit ||
            itemOfNode(int(id)) != item)
            continue;
        if (node.made || !hadLines)
            places.push_back(int(id));
    }
    // Every place counts as opened before the first insertion is told: a view that asks
    // meanwhile must not open one of them from the structure, which has the line already.
    for (int place : places)
        if (m_nodes[size_t(place)].depth < m_depthLimit)
            m_nodes[size_t(place)].made = true;
    if (item == Structure::Top) {
        beginInsertRows({}, position, position);
        m_top.insert(m_top.begin() + position, makeNode(-1, position, lineId));
        renumber(-1, size_t(position));
        endInsertRows();
    }
    for (int place : places) {
        if (m_nodes[size_t(place)].depth >= m_depthLimit) {
            // A leaf at the depth limit that now has components: marked, as a load would.
            m_nodes[size_t(place)].stop = Stop::DepthLimit;
            const QModelIndex index = indexOf(place);
            Q_EMIT dataChanged(index, index.siblingAtColumn(ColumnCount - 1));
            continue;
        }
        beginInsertRows(indexOf(place), position, position);
        const int id = makeNode(place, position, lineId);
        Node& node = m_nodes[size_t(place)];
        node.children.insert(node.children.begin() + position, id);
        renumber(place, size_t(position));
        endInsertRows();
    }
}

void BomTreeModel::followErasure(int lineId) {
    std::vector<int> copies;
    for (size_t id = 0; id < m_nodes.size(); ++id)
        if (!m_nodes[id].removed && m_nodes[id].line == lineId)
            copies.push_back(int(id));
    const auto take = [this](int id) {
        const int parentId = m_nodes[size_t(id)].parent;
        const size_t row = size_t(m_nodes[size_t(id)].row);
        auto& siblings = childrenOf(parentId);
        siblings.erase(siblings.begin() + qsizetype(row));
        renumber(parentId, row);
        markRemoved(id);
    };
    if (copies.size() == 1) {
        const QModelIndex index = indexOf(copies.front());
        beginRemoveRows(index.parent(), index.row(), index.row());
        take(copies.front());
        endRemoveRows();
        return;
    }
    // Several copies go as one change of layout: a view lays out its rows once, not once per
    // copy (a line with 60,000 copies in a tree of a million open rows took hours that way).
    // Nodes keep their ids, so every persistent index is carried to its node's new row.
    Q_EMIT layoutAboutToBeChanged();
    for (int id : copies)
        if (!m_nodes[size_t(id)].removed) // not gone with the subtree of another copy
            take(id);
    carryPersistentIndexes();
    Q_EMIT layoutChanged();
}

void BomTreeModel::carryPersistentIndexes() {
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before) {
        const Node& node = m_nodes[size_t(idOf(index))];
        after.append(node.removed ? QModelIndex()
                                  : createIndex(node.row, index.column(), index.internalId()));
    }
    changePersistentIndexList(before, after);
}

void BomTreeModel::refreshChildren(int parentId, const std::vector<int>& position, bool tell) {
    const int item = parentId < 0 ? Structure::Top : itemOfNode(parentId);
    const std::vector<int>& bill = m_structure.linesOf(item);
    const auto parent = [&] { return parentId < 0 ? QModelIndex() : indexOf(parentId); };
    const auto lineOfChild = [&](size_t row) { return m_nodes[size_t(childrenOf(parentId)[row])].line; };
    // The children of lines gone, a run of neighbours at a time, from the last row up: the
    // rows above a run keep their numbers while it goes. The children are looked up again
    // after every signal, since a view may make nodes while it is told.
    for (int last = int(childrenOf(parentId).size()) - 1; last >= 0;) {
        if (position[size_t(lineOfChild(size_t(last)))] >= 0) {
            --last;
            continue;
        }
        int first = last;
        while (first > 0 && position[size_t(lineOfChild(size_t(first - 1)))] < 0)
            --first;
        if (tell)
            beginRemoveRows(parent(), first, last);
        std::vector<int>& children = childrenOf(parentId);
        const std::vector<int> going(children.begin() + first, children.begin() + last + 1);
        children.erase(children.begin() + first, children.begin() + last + 1);
        renumber(parentId, size_t(first));
        for (int id : going)
            markRemoved(id);
        if (tell)
            endRemoveRows();
        last = first - 1;
    }
    // The children left are the bill's lines kept, in its order: each run of new lines
    // between them gets its nodes.
    for (size_t row = 0; row < bill.size();) {
        const auto kept = [&](size_t at) {
            return row < childrenOf(parentId).size() && lineOfChild(row) == bill[at];
        };
        if (kept(row)) {
            ++row;
            continue;
        }
        size_t end = row + 1;
        while (end < bill.size() && !kept(end))
            ++end;
        if (tell)
            beginInsertRows(parent(), int(row), int(end) - 1);
        std::vector<int> made;
        made.reserve(end - row);
        for (size_t r = row; r < end; ++r)
            made.push_back(makeNode(parentId, int(r), bill[r]));
        std::vector<int>& children = childrenOf(parentId);
        children.insert(children.begin() + qsizetype(row), made.begin(), made.end());
        renumber(parentId, row);
        if (tell)
            endInsertRows();
        row = end;
    }
}

void BomTreeModel::followRefresh(const Structure::Refresh& refresh) {
    const size_t nodes = m_nodes.size();
    const auto billChanged = [&](int item) { return bool(refresh.billChanged[size_t(item)]); };
    const auto linesCame = [&](int item) {
        return !refresh.hadLines[size_t(item)] && m_structure.hasLines(item);
    };
    // A node of an item whose first lines came opens with them where a load would open it, as
    // addLine opens it.
    const auto opensNow = [&](const Node& node) {
        return !node.circular && node.depth < m_depthLimit && node.stop == Stop::None;
    };

    // The places whose children change, and each changed bill's lines by their place.
    int places = billChanged(Structure::Top) ? 1 : 0;
    for (size_t id = 0; id < nodes; ++id) {
        const Node& node = m_nodes[id];
        const int item = itemOfNode(int(id));
        if (!node.removed && billChanged(item) && (node.made || (linesCame(item) && opensNow(node))))
            ++places;
    }
    if (!refresh.valuesChanged && std::none_of(refresh.billChanged.cbegin(),
                                               refresh.billChanged.cend(), [](bool b) { return b; }))
        return;
    std::vector<int> position(size_t(m_structure.lineCount()), -1);
    for (int item = 0; item < m_structure.itemCount(); ++item)
        if (billChanged(item)) {
            const std::vector<int>& bill = m_structure.linesOf(item);
            for (size_t place = 0; place < bill.size(); ++place)
                position[size_t(bill[place])] = int(place);
        }

    // A few places are told row by row, as any insertion or removal: views keep the current
    // node and the selection their usual way. Many go as one change of layout, as removeLine
    // takes many copies, since each row signal costs a pass over every persistent index.
    constexpr int RowSignalPlaces = 32;
    const bool asLayout = refresh.reordered || places > RowSignalPlaces;
    if (asLayout)
        Q_EMIT layoutAboutToBeChanged();
    bool marks = false;
    bool decorations = false;
    if (billChanged(Structure::Top))
        refreshChildren(-1, position, !asLayout);
    // Parents before their children: a node under a line gone is removed before its turn.
    for (size_t id = 0; id < nodes; ++id) {
        if (m_nodes[id].removed)
            continue;
        const int item = itemOfNode(int(id));
        const bool came = linesCame(item);
        const bool went = refresh.hadLines[size_t(item)] && !m_structure.hasLines(item);
        if ((came || went) && !m_nodes[id].circular) {
            // The marks of a node that does not open, as a load sets them.
            Node& node = m_nodes[id];
            const Stop stop = node.depth >= m_depthLimit && came ? Stop::DepthLimit
                              : went                             ? Stop::None
                                                                 : node.stop;
            marks = marks || stop != node.stop;
            node.stop = stop;
            decorations = decorations || (went && !node.made);
        }
        if (!billChanged(item))
            continue;
        if (m_nodes[id].made) {
            refreshChildren(int(id), position, !asLayout);
        } else if (came && opensNow(m_nodes[id])) {
            m_nodes[id].made = true; // before the views are told, as in addLine
            refreshChildren(int(id), position, !asLayout);
        }
    }
    if (asLayout) {
        carryPersistentIndexes();
        Q_EMIT layoutChanged();
    } else if (decorations || marks || refresh.valuesChanged) {
        // Quantities, facts and marks of rows anywhere, the extended quantities below them,
        // and a closed node whose lines all went, which shows no expander any more: views
        // show them when they lay out and paint their rows again. A change of layout that
        // moves nothing asks for that once; a dataChanged over the whole top level would
        // have a tree view measure every open row again (a minute on a million rows).
        Q_EMIT layoutAboutToBeChanged();
        Q_EMIT layoutChanged();
    }
}

void BomTreeModel::followQuantity(int lineId, const QString& assembly, const QString& component) {
    bool shown = false;
    for (const Node& node : m_nodes)
        shown = shown || (!node.removed && node.line == lineId);
    if (shown) {
        // The line's copies and the extended quantities below them change: a change of layout
        // that moves nothing has views paint every row they show again, as a refresh does (a
        // dataChanged over the whole top level had a tree view measure every open row again,
        // seconds on a tree of a hundred thousand open rows).
        Q_EMIT layoutAboutToBeChanged();
        Q_EMIT layoutChanged();
    }
    Q_EMIT lineQuantityChanged(assembly, component);
}

} // namespace tree
