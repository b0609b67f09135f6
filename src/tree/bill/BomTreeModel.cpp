#include "tree/bill/BomTreeModel.h"

#include "tree/bill/BomDocument.h"

#include "store/ItemKey.h"
#include "tree/edits/Quantity.h"

#include <QBrush>
#include <QColor>
#include <QCoreApplication>
#include <QFont>

#include <algorithm>
#include <iterator>
#include <utility>

namespace tree {

namespace {

QString stopDescription(Stop stop) {
    return stop == Stop::NodeLimit
               ? QCoreApplication::translate(
                     "tree", "not expanded: Expand All reached the node limit, it opens by hand")
               : QCoreApplication::translate("tree", "not expanded: the depth limit was reached");
}

constexpr LineProblems QuantityProblems =
    LineProblem::NullQuantity | LineProblem::NotPositive | LineProblem::NotWhole;

} // namespace

QString problemNote(LineProblems problems) {
    QStringList notes;
    if (problems.testFlag(LineProblem::UnknownItem))
        notes.append(QCoreApplication::translate("tree", "not in the Item Master"));
    if (problems.testFlag(LineProblem::NullQuantity))
        notes.append(QCoreApplication::translate("tree", "quantity Null"));
    if (problems.testFlag(LineProblem::NotPositive))
        notes.append(QCoreApplication::translate("tree", "quantity zero or negative"));
    if (problems.testFlag(LineProblem::NotWhole))
        notes.append(QCoreApplication::translate(
            "tree", "not a whole number of a unit counted in whole pieces"));
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

void BomTreeModel::setWholeUnits(const store::WholeUnits& units) {
    // Every node shown may change its mark: the views paint them all again, no node moves.
    Q_EMIT layoutAboutToBeChanged();
    m_wholeUnits = units;
    Q_EMIT layoutChanged();
}

void BomTreeModel::setLimits(int nodeLimit, int depthLimit) {
    m_nodeLimit = nodeLimit;
    m_depthLimit = depthLimit;
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

void BomTreeModel::fetchMore(const QModelIndex& asked) {
    if (!canFetchMore(asked))
        return;
    const int id = idOf(asked);
    const quint64 loads = m_loads;
    // The children's own expand marks need their bills: those the load has not read yet are
    // read now, in one statement. Events run meanwhile, and may have changed the node.
    if (!m_document.readComponentsOf(itemOfNode(id)) || m_loads != loads ||
        !canFetchMore(indexOf(id)))
        return;
    const QModelIndex parent = indexOf(id);
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

bool BomTreeModel::openAll() { return openFrom(m_top); }

bool BomTreeModel::openBelow(const QModelIndex& node) {
    if (!node.isValid())
        return true;
    return openFrom({idOf(node)});
}

bool BomTreeModel::openFrom(std::vector<int> level) {
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
    std::vector<int> next;
    while (!level.empty()) {
        next.clear();
        for (int id : level) {
            if (m_nodes[size_t(id)].removed)
                continue;
            // An item whose bill is not read yet stays closed: opening it reads (fetchMore).
            if (!m_nodes[size_t(id)].made && opens(id) && m_structure.isRead(itemOfNode(id))) {
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

std::vector<QModelIndex> BomTreeModel::openedNodesBelow(const QModelIndex& node) const {
    std::vector<QModelIndex> opened;
    if (!node.isValid())
        return opened;
    // Depth-first, a parent before its children, as openedNodes lists them.
    std::vector<int> pending{idOf(node)};
    while (!pending.empty()) {
        const int id = pending.back();
        pending.pop_back();
        const Node& at = m_nodes[size_t(id)];
        if (at.removed || at.children.empty())
            continue;
        opened.push_back(indexOf(id));
        pending.insert(pending.end(), at.children.rbegin(), at.children.rend());
    }
    return opened;
}

void BomTreeModel::setCutLines(const std::vector<std::pair<QString, QString>>& lines) {
    std::vector<int> cut;
    for (const auto& [assembly, component] : lines) {
        const int item = m_structure.itemOf(assembly);
        if (item < 0)
            continue;
        const int position = m_structure.positionOf(item, component);
        if (position >= 0)
            cut.push_back(m_structure.linesOf(item)[size_t(position)]);
    }
    std::sort(cut.begin(), cut.end());
    if (cut == m_cutLines)
        return;
    std::vector<int> touched;
    std::set_symmetric_difference(cut.begin(), cut.end(), m_cutLines.begin(), m_cutLines.end(),
                                  std::back_inserter(touched));
    m_cutLines = std::move(cut);
    // Only the nodes made show it; the others show it when they are made.
    for (size_t id = 0; id < m_nodes.size(); ++id)
        if (!m_nodes[id].removed &&
            std::binary_search(touched.begin(), touched.end(), m_nodes[id].line)) {
            const QModelIndex index = indexOf(int(id));
            Q_EMIT dataChanged(index, index.siblingAtColumn(ColumnCount - 1));
        }
}

QString BomTreeModel::draftKey(const QString& assembly, const QString& component) {
    return store::foldKey(assembly) + QChar(0) + store::foldKey(component);
}

void BomTreeModel::setDraftLines(const QHash<QString, DraftMark>& lines) {
    if (lines == m_draftLines)
        return;
    const QHash<QString, DraftMark> before = std::exchange(m_draftLines, lines);
    // Only the nodes made show it; the others show it when they are made.
    for (size_t id = 0; id < m_nodes.size(); ++id) {
        if (m_nodes[id].removed)
            continue;
        const Structure::Line& line = m_structure.line(m_nodes[id].line);
        const QString key = draftKey(m_structure.textOf(line.assembly), line.text);
        if (before.value(key, DraftMark::None) != m_draftLines.value(key, DraftMark::None)) {
            const QModelIndex index = indexOf(int(id));
            Q_EMIT dataChanged(index, index.siblingAtColumn(ColumnCount - 1));
        }
    }
}

DraftMark BomTreeModel::draftMark(const QModelIndex& index) const {
    if (!index.isValid() || m_draftLines.isEmpty())
        return DraftMark::None;
    const Structure::Line& line = m_structure.line(nodeOf(index).line);
    return m_draftLines.value(draftKey(m_structure.textOf(line.assembly), line.text),
                              DraftMark::None);
}

bool BomTreeModel::isCut(const QModelIndex& index) const {
    return index.isValid() &&
           std::binary_search(m_cutLines.begin(), m_cutLines.end(), nodeOf(index).line);
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
    if (m_wholeUnits.broken(line.quantity, line.unit))
        problems |= LineProblem::NotWhole;
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
    // A cut line is greyed in every cell until its Paste, whatever else marks it.
    if (role == Qt::ForegroundRole && isCut(index))
        return QBrush(CutColour);
    // A line of the draft shown is in italics in every cell, and in Compare Bills' colour
    // where nothing else marks it: it is not in the database yet.
    const DraftMark drafted = draftMark(index);
    if (role == Qt::FontRole && drafted != DraftMark::None) {
        QFont italic;
        italic.setItalic(true);
        return italic;
    }
    const QBrush draftColour(drafted == DraftMark::Added ? AddedColour : ChangedColour);
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
        if (index.column() == QuantityColumn && role == Qt::ForegroundRole &&
            drafted != DraftMark::None)
            return draftColour;
        if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole && role != Qt::EditRole)
            return {};
        switch (index.column()) {
        case QuantityColumn:
            return line.quantity ? formatQuantity(*line.quantity) : QString();
        case UnitColumn:
            return line.unit;
        case DescriptionColumn:
            return line.description;
        case StartDateColumn:
            return line.startDate;
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
            tips.append(QCoreApplication::translate(
                            "tree", "%1 already stands above this place: the bill of material is "
                                    "circular here, so it is not expanded further.")
                            .arg(line.text));
        else if (node.stop != Stop::None)
            tips.append(stopDescription(node.stop));
        if (problems)
            tips.append(QCoreApplication::translate("tree", "This line may be wrong: %1.")
                            .arg(problemNote(problems)));
        if (drafted == DraftMark::Added)
            tips.append(QCoreApplication::translate(
                "tree", "The draft adds this line: it is not in the database yet."));
        else if (drafted == DraftMark::Changed)
            tips.append(QCoreApplication::translate(
                "tree", "The draft changes this line: the database holds it as it was."));
        return tips.isEmpty() ? QVariant() : QVariant(tips.join(u'\n'));
    }
    case Qt::ForegroundRole:
        // The marks of a node that is not expanded come first: they say the tree is partial.
        if (node.circular || node.stop != Stop::None)
            return QBrush(MarkedColour);
        if (problems)
            return QBrush(ProblemColour);
        if (drafted != DraftMark::None)
            return draftColour;
        return {};
    case Qt::DecorationRole:
        if (problems && !m_problemIcon.isNull())
            return m_problemIcon;
        return {};
    case Qt::AccessibleDescriptionRole: {
        QStringList parts;
        if (node.circular)
            parts.append(QCoreApplication::translate("tree", "circular"));
        else if (node.stop != Stop::None)
            parts.append(stopDescription(node.stop));
        if (problems)
            parts.append(problemNote(problems));
        if (isCut(index))
            parts.append(QCoreApplication::translate("tree", "cut"));
        if (drafted == DraftMark::Added)
            parts.append(QCoreApplication::translate("tree", "added in the draft"));
        else if (drafted == DraftMark::Changed)
            parts.append(QCoreApplication::translate("tree", "changed in the draft"));
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
        return QCoreApplication::translate("tree", "Item ID");
    case QuantityColumn:
        return QCoreApplication::translate("tree", "Quantity");
    case UnitColumn:
        return QCoreApplication::translate("tree", "UOM");
    case DescriptionColumn:
        return QCoreApplication::translate("tree", "Description");
    case ExtendedQuantityColumn:
        return QCoreApplication::translate("tree", "Extended Quantity");
    case StartDateColumn:
        return QCoreApplication::translate("tree", "Start Date");
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

QString BomTreeModel::startDate(const QModelIndex& index) const {
    return index.isValid() ? lineAt(index).startDate : QString();
}

QString BomTreeModel::description(const QModelIndex& index) const {
    return index.isValid() ? lineAt(index).description : QString();
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
