#include "tree/BomTreeModel.h"

#include "store/ItemKey.h"
#include "tree/Quantity.h"

#include <QBrush>
#include <QColor>

namespace tree {

namespace {

QString stopDescription(Stop stop) {
    return stop == Stop::NodeLimit ? BomTreeModel::tr("not expanded: the node limit was reached")
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

BomTreeModel::BomTreeModel(QObject* parent) : QAbstractItemModel(parent) {}

void BomTreeModel::clear(const QString& assembly) { adopt(assembly, {}); }

void BomTreeModel::adopt(const QString& assembly, std::vector<Node> nodes) {
    beginResetModel();
    m_assembly = assembly;
    m_nodes = std::move(nodes);
    m_top.clear();
    for (size_t id = 0; id < m_nodes.size(); ++id)
        if (m_nodes[id].parent < 0) {
            m_nodes[id].row = int(m_top.size());
            m_top.push_back(int(id));
        }
    m_liveCount = int(m_nodes.size());
    endResetModel();
}

QModelIndex BomTreeModel::insertNode(const QModelIndex& relative, Relationship relationship,
                                     const QString& text) {
    const int relativeId = relative.isValid() ? idOf(relative) : -1;
    int parentId = -1;
    size_t row = m_top.size();
    if (relationship == Relationship::Child && relativeId >= 0) {
        parentId = relativeId;
        row = m_nodes[size_t(relativeId)].children.size();
    } else if (relativeId >= 0) {
        parentId = m_nodes[size_t(relativeId)].parent;
        row = size_t(m_nodes[size_t(relativeId)].row) + 1;
    }

    const int id = int(m_nodes.size());
    beginInsertRows(parentId < 0 ? QModelIndex() : indexOf(parentId), int(row), int(row));
    Node node;
    node.text = text;
    node.parent = parentId;
    m_nodes.push_back(std::move(node));
    auto& siblings = childrenOf(parentId);
    siblings.insert(siblings.begin() + qsizetype(row), id);
    renumber(parentId, row);
    ++m_liveCount;
    endInsertRows();
    return indexOf(id);
}

void BomTreeModel::removeNode(const QModelIndex& index) {
    if (!index.isValid())
        return;
    const int id = idOf(index);
    const int parentId = m_nodes[size_t(id)].parent;
    const size_t row = size_t(m_nodes[size_t(id)].row);
    beginRemoveRows(index.parent(), int(row), int(row));
    auto& siblings = childrenOf(parentId);
    siblings.erase(siblings.begin() + qsizetype(row));
    renumber(parentId, row);
    markRemoved(id);
    endRemoveRows();
}

void BomTreeModel::insertSubtree(const QModelIndex& parent, int row, std::vector<Node> nodes) {
    if (nodes.empty())
        return;
    const int parentId = parent.isValid() ? idOf(parent) : -1;
    auto& siblings = childrenOf(parentId);
    row = std::clamp(row, 0, int(siblings.size()));
    const int base = int(m_nodes.size());
    beginInsertRows(parent, row, row);
    for (Node& node : nodes) {
        node.parent = node.parent < 0 ? parentId : node.parent + base;
        for (int& child : node.children)
            child += base;
        m_nodes.push_back(std::move(node));
    }
    m_liveCount += int(nodes.size());
    auto& places = childrenOf(parentId); // m_nodes may have moved
    places.insert(places.begin() + row, base);
    renumber(parentId, size_t(row));
    endInsertRows();
}

std::vector<QPersistentModelIndex> BomTreeModel::placesOf(const QString& assembly,
                                                          bool withStopped) const {
    const QString key = store::foldKey(assembly);
    std::vector<QPersistentModelIndex> places;
    if (store::foldKey(m_assembly) == key)
        places.emplace_back();
    for (size_t id = 0; id < m_nodes.size(); ++id) {
        const Node& node = m_nodes[id];
        if (!node.removed && !node.circular && (withStopped || node.stop == Stop::None) &&
            store::foldKey(node.text) == key)
            places.emplace_back(indexOf(int(id)));
    }
    return places;
}

std::vector<QPersistentModelIndex> BomTreeModel::nodesOfLine(const QString& assembly,
                                                             const QString& component) const {
    const QString componentKey = store::foldKey(component);
    std::vector<QPersistentModelIndex> nodes;
    for (const QPersistentModelIndex& place : placesOf(assembly, true))
        for (int id : childrenOf(place.isValid() ? idOf(place) : -1))
            if (store::foldKey(m_nodes[size_t(id)].text) == componentKey)
                nodes.emplace_back(indexOf(id));
    return nodes;
}

QStringList BomTreeModel::pathTo(const QModelIndex& index) const {
    QStringList path;
    for (int id = index.isValid() ? idOf(index) : -1; id >= 0; id = m_nodes[size_t(id)].parent)
        path.prepend(m_nodes[size_t(id)].text);
    path.prepend(m_assembly);
    return path;
}

void BomTreeModel::renumber(int parentId, size_t from) {
    const auto& siblings = childrenOf(parentId);
    for (size_t i = from; i < siblings.size(); ++i)
        m_nodes[size_t(siblings[i])].row = int(i);
}

void BomTreeModel::markRemoved(int id) {
    // The ids stay valid so that the order of creation is kept; only the texts are freed.
    std::vector<int> pending{id};
    while (!pending.empty()) {
        Node& node = m_nodes[size_t(pending.back())];
        pending.pop_back();
        node.text.clear();
        node.removed = true;
        --m_liveCount;
        pending.insert(pending.end(), node.children.begin(), node.children.end());
        node.children.clear();
    }
}

QString BomTreeModel::assemblyOf(const QModelIndex& index) const {
    const QModelIndex parent = index.parent();
    return parent.isValid() ? text(parent) : m_assembly;
}

QString BomTreeModel::text(const QModelIndex& index) const {
    return index.isValid() ? m_nodes[size_t(idOf(index))].text : QString();
}

bool BomTreeModel::isCircular(const QModelIndex& index) const {
    return index.isValid() && m_nodes[size_t(idOf(index))].circular;
}

Stop BomTreeModel::stopOf(const QModelIndex& index) const {
    return index.isValid() ? m_nodes[size_t(idOf(index))].stop : Stop::None;
}

LineProblems BomTreeModel::problemsOf(const QModelIndex& index) const {
    LineProblems problems;
    if (!index.isValid())
        return problems;
    const Node& node = m_nodes[size_t(idOf(index))];
    if (!node.known)
        problems |= LineProblem::UnknownItem;
    if (!node.hasQuantity)
        problems |= LineProblem::NullQuantity;
    else if (node.quantity <= 0)
        problems |= LineProblem::NotPositive;
    return problems;
}

int BomTreeModel::creationIndex(const QModelIndex& index) const {
    return index.isValid() ? idOf(index) + 1 : 0;
}

QModelIndex BomTreeModel::indexOf(int id, int column) const {
    return createIndex(m_nodes[size_t(id)].row, column, quintptr(id));
}

QModelIndex BomTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column < 0 || column >= ColumnCount || row < 0 || parent.column() > 0)
        return {};
    const auto& siblings = childrenOf(parent.isValid() ? idOf(parent) : -1);
    if (size_t(row) >= siblings.size())
        return {};
    return createIndex(row, column, quintptr(siblings[size_t(row)]));
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
    return !childrenOf(parent.isValid() ? idOf(parent) : -1).empty();
}

QVariant BomTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const Node& node = m_nodes[size_t(idOf(index))];
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
            return node.hasQuantity ? formatQuantity(node.quantity) : QString();
        case UnitColumn:
            return node.unit;
        case DescriptionColumn:
            return node.description;
        default: {
            const auto extended = extendedQuantity(index);
            return extended ? formatQuantity(*extended) : QString();
        }
        }
    }
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return node.text;
    case Qt::ToolTipRole: {
        QStringList tips;
        if (node.circular)
            tips.append(tr("%1 already stands above this place: the bill of material is "
                           "circular here, so it is not expanded further.")
                            .arg(node.text));
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
    const Node& node = m_nodes[size_t(idOf(index))];
    return node.hasQuantity ? std::optional<double>(node.quantity) : std::nullopt;
}

std::optional<double> BomTreeModel::extendedQuantity(const QModelIndex& index) const {
    if (!index.isValid())
        return std::nullopt;
    // Walked up on demand: the view asks for the rows it shows, and a quantity edit then
    // needs no pass over the nodes below it.
    double product = 1;
    for (int id = idOf(index); id >= 0; id = m_nodes[size_t(id)].parent) {
        const Node& node = m_nodes[size_t(id)];
        if (!node.hasQuantity)
            return std::nullopt;
        product *= node.quantity;
    }
    return product;
}

QString BomTreeModel::unit(const QModelIndex& index) const {
    return index.isValid() ? m_nodes[size_t(idOf(index))].unit : QString();
}

QString BomTreeModel::description(const QModelIndex& index) const {
    return index.isValid() ? m_nodes[size_t(idOf(index))].description : QString();
}

int BomTreeModel::setLineQuantity(const QString& assembly, const QString& component,
                                  std::optional<double> quantity) {
    const auto nodes = nodesOfLine(assembly, component);
    for (const QPersistentModelIndex& index : nodes) {
        Node& node = m_nodes[size_t(idOf(index))];
        node.hasQuantity = quantity.has_value();
        node.quantity = quantity.value_or(0);
        Q_EMIT dataChanged(index.sibling(index.row(), QuantityColumn),
                           index.sibling(index.row(), QuantityColumn));
    }
    if (!nodes.empty() && !m_top.empty())
        // Extended quantities below the changed lines change too: a range over the whole top
        // level makes the view repaint every row it shows.
        Q_EMIT dataChanged(index(0, 0), index(int(m_top.size()) - 1, ColumnCount - 1));
    if (!nodes.empty())
        Q_EMIT lineQuantityChanged(assembly, component);
    return int(nodes.size());
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
