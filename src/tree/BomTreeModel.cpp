#include "tree/BomTreeModel.h"

#include "tree/BomDocument.h"

#include "store/ItemKey.h"
#include "tree/Quantity.h"

#include <QBrush>

#include <algorithm>
#include <QColor>

namespace tree {

namespace {

QString stopDescription(Stop stop) {
    return stop == Stop::NodeLimit ? BomTreeModel::tr("not expanded: Expand All reached the node limit, it opens by hand")
                                   : BomTreeModel::tr("not expanded: the depth limit was reached");
}

constexpr LineProblems QuantityProblems = LineProblem::NullQuantity | LineProblem::NotPositive;

} // namespace

QString problemNote(LineProblems problems) {
    QStringList notes;
    if (problems.testFlag(LineProblem::UnknownItem))
        notes.append(BomTreeModel::tr("not in the Item Master"));
    if (problems.testFlag(LineProblem::NullQuantity))
        notes.append(BomTreeModel::tr("quantity Null"));
    if (problems.testFlag(LineProblem::NotPositive))
        notes.append(BomTreeModel::tr("quantity zero or negative"));
    return notes.join(QStringLiteral("; "));
}

BomTreeModel::BomTreeModel(BomDocument& document, QObject* parent)
    : QAbstractItemModel(parent), m_document(document), m_structure(document.structure()) {
    connect(&document, &BomDocument::aboutToLoad, this, [this] { beginResetModel(); });
    connect(&document, &BomDocument::loaded, this, &BomTreeModel::followLoad);
    connect(&document, &BomDocument::lineInserted, this, &BomTreeModel::followInsertion);
    connect(&document, &BomDocument::lineErased, this, &BomTreeModel::followErasure);
    connect(&document, &BomDocument::quantityChanged, this, &BomTreeModel::followQuantity);
    connect(&document, &BomDocument::refreshed, this, &BomTreeModel::followRefresh);
}

const QString& BomTreeModel::topAssembly() const { return m_structure.topText(); }

void BomTreeModel::setLimits(int nodeLimit, int depthLimit) {
    m_nodeLimit = nodeLimit;
    m_depthLimit = depthLimit;
}

void BomTreeModel::followLoad() {
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

int BomTreeModel::makeNode(int parent, int row, int line) {
    Node node;
    node.line = line;
    node.parent = parent;
    node.row = row;
    node.depth = parent < 0 ? 1 : m_nodes[size_t(parent)].depth + 1;
    const int item = m_structure.line(line).component;
    // Only a structure with a cycle can put an item on its own path: the walk up is skipped
    // for every other one.
    if (!m_structure.isAcyclic()) {
        node.circular = item == Structure::Top;
        for (int id = parent; id >= 0 && !node.circular; id = m_nodes[size_t(id)].parent)
            node.circular = itemOfNode(id) == item;
    }
    if (!node.circular && node.depth >= m_depthLimit && m_structure.hasLines(item))
        node.stop = Stop::DepthLimit;
    m_nodes.push_back(std::move(node));
    ++m_liveCount;
    return int(m_nodes.size()) - 1;
}

bool BomTreeModel::opens(int id) const {
    const Node& node = m_nodes[size_t(id)];
    return !node.removed && !node.circular && node.stop != Stop::DepthLimit &&
           m_structure.hasLines(itemOfNode(id));
}

void BomTreeModel::makeChildren(int id) {
    const std::vector<int>& lines = m_structure.linesOf(itemOfNode(id));
    std::vector<int> children;
    children.reserve(lines.size());
    for (size_t row = 0; row < lines.size(); ++row)
        children.push_back(makeNode(id, int(row), lines[row]));
    Node& node = m_nodes[size_t(id)];
    node.children = std::move(children);
    node.made = true;
    if (node.stop == Stop::NodeLimit)
        node.stop = Stop::None;
}

bool BomTreeModel::canFetchMore(const QModelIndex& parent) const {
    return !m_holdFetching && parent.isValid() && parent.column() == 0 && !nodeOf(parent).made &&
           opens(idOf(parent));
}

void BomTreeModel::fetchMore(const QModelIndex& parent) {
    if (!canFetchMore(parent))
        return;
    const int id = idOf(parent);
    const int count = int(m_structure.linesOf(itemOfNode(id)).size());
    const bool wasMarked = m_nodes[size_t(id)].stop == Stop::NodeLimit;
    // Marked opened first: a view that asks during the insertion must not open it again.
    m_nodes[size_t(id)].made = true;
    beginInsertRows(parent, 0, count - 1);
    makeChildren(id);
    endInsertRows();
    if (wasMarked)
        Q_EMIT dataChanged(parent, parent.siblingAtColumn(ColumnCount - 1));
}

bool BomTreeModel::openAll() {
    // Top levels first, so that what a limit leaves closed is the deepest part of the tree.
    // The views see one change of layout: the nodes they know keep their places.
    Q_EMIT layoutAboutToBeChanged();
    // Room for every node it may make, at once: growing a vector of a million nodes by
    // doubling holds both copies for a moment, a third more memory at the peak.
    const qint64 rows = m_structure.totals().rows;
    m_nodes.reserve(m_nodes.size() +
                    size_t(std::clamp<qint64>(std::min<qint64>(rows, m_nodeLimit) - m_liveCount, 0,
                                              m_nodeLimit)));
    bool complete = true;
    std::vector<int> level = m_top;
    std::vector<int> next;
    while (!level.empty()) {
        next.clear();
        for (int id : level) {
            if (m_nodes[size_t(id)].removed)
                continue;
            if (!m_nodes[size_t(id)].made && opens(id)) {
                const size_t count = m_structure.linesOf(itemOfNode(id)).size();
                if (size_t(m_liveCount) + count > size_t(m_nodeLimit)) {
                    m_nodes[size_t(id)].stop = Stop::NodeLimit;
                    complete = false;
                    continue;
                }
                makeChildren(id);
            }
            const std::vector<int>& children = m_nodes[size_t(id)].children;
            next.insert(next.end(), children.begin(), children.end());
        }
        std::swap(level, next);
    }
    Q_EMIT layoutChanged();
    return complete;
}

bool BomTreeModel::reachesDepthLimit() const {
    return std::any_of(m_nodes.cbegin(), m_nodes.cend(), [](const Node& node) {
        return !node.removed && node.stop == Stop::DepthLimit;
    });
}

std::vector<QModelIndex> BomTreeModel::openedNodes() const {
    std::vector<QModelIndex> opened;
    // Node ids grow with creation, and a node is made before its children.
    for (size_t id = 0; id < m_nodes.size(); ++id)
        if (!m_nodes[id].removed && !m_nodes[id].children.empty())
            opened.push_back(indexOf(int(id)));
    return opened;
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

QStringList BomTreeModel::pathTo(const QModelIndex& index) const {
    QStringList path;
    for (int id = index.isValid() ? idOf(index) : -1; id >= 0; id = m_nodes[size_t(id)].parent)
        path.prepend(m_structure.line(m_nodes[size_t(id)].line).text);
    path.prepend(topAssembly());
    return path;
}

void BomTreeModel::renumber(int parentId, size_t from) {
    const auto& siblings = childrenOf(parentId);
    for (size_t i = from; i < siblings.size(); ++i)
        m_nodes[size_t(siblings[i])].row = int(i);
}

void BomTreeModel::markRemoved(int id) {
    // The ids stay valid so that the order of creation is kept.
    std::vector<int> pending{id};
    while (!pending.empty()) {
        Node& node = m_nodes[size_t(pending.back())];
        pending.pop_back();
        node.removed = true;
        --m_liveCount;
        pending.insert(pending.end(), node.children.begin(), node.children.end());
        node.children = {};
    }
}

QString BomTreeModel::assemblyOf(const QModelIndex& index) const {
    const QModelIndex parent = index.parent();
    return parent.isValid() ? text(parent) : topAssembly();
}

QString BomTreeModel::text(const QModelIndex& index) const {
    return index.isValid() ? lineAt(index).text : QString();
}

bool BomTreeModel::isCircular(const QModelIndex& index) const {
    return index.isValid() && nodeOf(index).circular;
}

Stop BomTreeModel::stopOf(const QModelIndex& index) const {
    return index.isValid() ? nodeOf(index).stop : Stop::None;
}

LineProblems BomTreeModel::problemsOf(const QModelIndex& index) const {
    LineProblems problems;
    if (!index.isValid())
        return problems;
    const Structure::Line& line = lineAt(index);
    if (!line.known)
        problems |= LineProblem::UnknownItem;
    if (!line.quantity)
        problems |= LineProblem::NullQuantity;
    else if (*line.quantity <= 0)
        problems |= LineProblem::NotPositive;
    return problems;
}

int BomTreeModel::creationIndex(const QModelIndex& index) const {
    return index.isValid() ? idOf(index) + 1 : 0;
}

QModelIndex BomTreeModel::indexOf(int id, int column) const {
    return createIndex(m_nodes[size_t(id)].row, column, internalIdOf(id));
}

QModelIndex BomTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column < 0 || column >= ColumnCount || row < 0 || parent.column() > 0)
        return {};
    const auto& siblings = childrenOf(parent.isValid() ? idOf(parent) : -1);
    if (size_t(row) >= siblings.size())
        return {};
    return createIndex(row, column, internalIdOf(siblings[size_t(row)]));
}

QModelIndex BomTreeModel::parent(const QModelIndex& child) const {
    if (!child.isValid())
        return {};
    const int parentId = m_nodes[size_t(idOf(child))].parent;
    return parentId < 0 ? QModelIndex() : indexOf(parentId);
}

int BomTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0)
        return 0;
    return int(childrenOf(parent.isValid() ? idOf(parent) : -1).size());
}

int BomTreeModel::columnCount(const QModelIndex&) const { return ColumnCount; }

bool BomTreeModel::hasChildren(const QModelIndex& parent) const {
    if (parent.column() > 0)
        return false;
    if (!parent.isValid())
        return !m_top.empty();
    // A node not opened yet has the children its component's lines will make.
    const Node& node = nodeOf(parent);
    return node.made ? !node.children.empty() : opens(idOf(parent));
}

QVariant BomTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const Node& node = nodeOf(index);
    const Structure::Line& line = m_structure.line(node.line);
    const LineProblems problems = problemsOf(index);
    if (index.column() != ItemIdColumn) {
        if (role == Qt::TextAlignmentRole &&
            (index.column() == QuantityColumn || index.column() == ExtendedQuantityColumn))
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        // The quantity cell of a doubtful quantity is marked as well as the item ID.
        if (index.column() == QuantityColumn && (problems & QuantityProblems)) {
            if (role == Qt::ForegroundRole)
                return QBrush(ProblemColour);
            if (role == Qt::ToolTipRole || role == Qt::AccessibleDescriptionRole)
                return problemNote(problems & QuantityProblems);
        }
        if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole && role != Qt::EditRole)
            return {};
        switch (index.column()) {
        case QuantityColumn:
            return line.quantity ? formatQuantity(*line.quantity) : QString();
        case UnitColumn:
            return line.unit;
        case DescriptionColumn:
            return line.description;
        default: {
            const auto extended = extendedQuantity(index);
            return extended ? formatQuantity(*extended) : QString();
        }
        }
    }
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return line.text;
    case Qt::ToolTipRole: {
        QStringList tips;
        if (node.circular)
            tips.append(tr("%1 already stands above this place: the bill of material is "
                           "circular here, so it is not expanded further.")
                            .arg(line.text));
        else if (node.stop != Stop::None)
            tips.append(stopDescription(node.stop));
        if (problems)
            tips.append(tr("This line may be wrong: %1.").arg(problemNote(problems)));
        return tips.isEmpty() ? QVariant() : QVariant(tips.join(u'\n'));
    }
    case Qt::ForegroundRole:
        // The marks of a node that is not expanded come first: they say the tree is partial.
        if (node.circular || node.stop != Stop::None)
            return QBrush(MarkedColour);
        if (problems)
            return QBrush(ProblemColour);
        return {};
    case Qt::DecorationRole:
        if (problems && !m_problemIcon.isNull())
            return m_problemIcon;
        return {};
    case Qt::AccessibleDescriptionRole: {
        QStringList parts;
        if (node.circular)
            parts.append(tr("circular"));
        else if (node.stop != Stop::None)
            parts.append(stopDescription(node.stop));
        if (problems)
            parts.append(problemNote(problems));
        return parts.isEmpty() ? QVariant() : QVariant(parts.join(QStringLiteral("; ")));
    }
    default:
        return {};
    }
}

QVariant BomTreeModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
        return {};
    switch (section) {
    case ItemIdColumn:
        return tr("Item ID");
    case QuantityColumn:
        return tr("Quantity");
    case UnitColumn:
        return tr("UOM");
    case DescriptionColumn:
        return tr("Description");
    case ExtendedQuantityColumn:
        return tr("Extended Quantity");
    default:
        return {};
    }
}

std::optional<double> BomTreeModel::quantity(const QModelIndex& index) const {
    if (!index.isValid())
        return std::nullopt;
    return lineAt(index).quantity;
}

std::optional<double> BomTreeModel::extendedQuantity(const QModelIndex& index) const {
    if (!index.isValid())
        return std::nullopt;
    // Walked up on demand: the view asks for the rows it shows, and a quantity edit then
    // needs no pass over the nodes below it. Multiplied from the top down, in the order the
    // indented bill multiplies, so that both give the same last digit.
    std::vector<double> quantities;
    quantities.reserve(size_t(nodeOf(index).depth));
    for (int id = idOf(index); id >= 0; id = m_nodes[size_t(id)].parent) {
        const std::optional<double>& quantity = m_structure.line(m_nodes[size_t(id)].line).quantity;
        if (!quantity)
            return std::nullopt;
        quantities.push_back(*quantity);
    }
    double product = 1;
    for (auto it = quantities.rbegin(); it != quantities.rend(); ++it)
        product *= *it;
    return product;
}

QString BomTreeModel::unit(const QModelIndex& index) const {
    return index.isValid() ? lineAt(index).unit : QString();
}

QString BomTreeModel::description(const QModelIndex& index) const {
    return index.isValid() ? lineAt(index).description : QString();
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

Qt::ItemFlags BomTreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    // The item ID is never editable: it is what statistics and deletion rely on. The quantity
    // is, through the edit operation.
    if (index.column() == QuantityColumn)
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

bool BomTreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != QuantityColumn || role != Qt::EditRole)
        return false;
    Q_EMIT quantityEntered(index.siblingAtColumn(ItemIdColumn), value.toString());
    return false;
}

} // namespace tree
