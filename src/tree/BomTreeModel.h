#pragma once

#include <QAbstractItemModel>
#include <QColor>
#include <QIcon>
#include <QPersistentModelIndex>
#include <QString>

#include <optional>
#include <vector>

namespace tree {

/// Why a load left a node that has components of its own without children.
enum class Stop : quint8 {
    None,
    NodeLimit,  ///< the load reached its node limit here
    DepthLimit, ///< the structure goes deeper than a tree can show
};

/// One node of the BOM tree: one BomDetail line, shown by its component's item ID.
struct Node {
    QString text;        ///< the component's item ID, exactly as BomComp holds it
    int parent = -1;     ///< the node of the assembly; -1 at the top level
    int row = 0;         ///< place among its siblings
    bool circular = false; ///< the component already stands above this place (not expanded)
    Stop stop = Stop::None; ///< the load stopped here: not expanded, though it may have components
    bool removed = false;  ///< deleted from the tree; the id stays taken
    bool hasQuantity = false; ///< false where the line's quantity is Null
    double quantity = 0;      ///< the line's bomQtyReq: how many per one assembly
    QString unit;             ///< the component's ItemUom (empty: Null or no ItemMaster row)
    QString description;      ///< the component's ItemDesc (empty: Null or no ItemMaster row)
    bool known = true;        ///< ItemMaster has a row for the component
    std::vector<int> children;
};

/// The columns of the tree, in their order.
enum Column : int {
    ItemIdColumn,
    QuantityColumn,
    UnitColumn,
    DescriptionColumn,
    ExtendedQuantityColumn,
    ColumnCount
};

/// What may be wrong with the line a node stands for; several may hold at once.
enum class LineProblem : quint8 {
    None = 0,
    UnknownItem = 1,      ///< the component has no ItemMaster row
    NullQuantity = 2,     ///< the line's quantity is Null
    NotPositive = 4,      ///< the line's quantity is zero or negative
};
Q_DECLARE_FLAGS(LineProblems, LineProblem)
Q_DECLARE_OPERATORS_FOR_FLAGS(LineProblems)

/// The colour of a node that the tree does not expand: circular, or where a load stopped.
inline const QColor MarkedColour{0xb0, 0x00, 0x20};
/// The colour of a line that is probably wrong (see LineProblem); an icon and a tooltip say
/// the same for those who cannot tell the colours apart.
inline const QColor ProblemColour{0x9a, 0x4f, 0x00};

/// What is wrong with a line, in words: "not in the Item Master; quantity Null". Empty for
/// none.
QString problemNote(LineProblems problems);

/// The loaded structure, kept compactly so that trees of a million nodes stay small and fast.
/// Node ids follow the order of creation, which for a load is the pre-order of the tree. The
/// top-level nodes are the components of the assembly the load was for.
class BomTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    /// Where a node goes relative to another one.
    enum class Relationship { Next, Child };

    explicit BomTreeModel(QObject* parent = nullptr);

    /// Empties the tree; its top level now belongs to `assembly`.
    void clear(const QString& assembly);
    /// Replaces the whole tree with nodes built outside the model (all live, in pre-order).
    void adopt(const QString& assembly, std::vector<Node> nodes);
    /// Adds a node after (Next) or as the last child of (Child) `relative`.
    QModelIndex insertNode(const QModelIndex& relative, Relationship relationship,
                           const QString& text);
    /// Removes a node and everything below it.
    void removeNode(const QModelIndex& index);
    /// Adds a whole structure as row `row` under `parent` (invalid: the top level). `nodes` is in
    /// pre-order; its first node is the new child, and parents refer to places in `nodes`.
    void insertSubtree(const QModelIndex& parent, int row, std::vector<Node> nodes);

    /// Every place where the components of `assembly` stand, under the store's case rule: the
    /// top level (an invalid index) when the tree was loaded for it, and every node of it that
    /// is not circular. A node where a load stopped holds only part of its components: it is
    /// left out unless `withStopped` (for edits of lines it may show).
    std::vector<QPersistentModelIndex> placesOf(const QString& assembly,
                                                bool withStopped = false) const;
    /// Every node that stands for the line (assembly, component), under the store's case rule.
    std::vector<QPersistentModelIndex> nodesOfLine(const QString& assembly,
                                                   const QString& component) const;
    /// The item IDs from the loaded item down to `index`, itself included.
    QStringList pathTo(const QModelIndex& index) const;

    /// The item whose components stand at the top level: the item the tree was loaded for.
    const QString& topAssembly() const { return m_assembly; }
    /// The assembly of the line a node stands for: its parent's text, or topAssembly().
    QString assemblyOf(const QModelIndex& index) const;
    QString text(const QModelIndex& index) const;
    bool isCircular(const QModelIndex& index) const;
    /// The line's quantity; empty where it is Null.
    std::optional<double> quantity(const QModelIndex& index) const;
    /// How many of the node's component one loaded item needs along this path: the product
    /// of the quantities from the top down; empty where one of them is Null.
    std::optional<double> extendedQuantity(const QModelIndex& index) const;
    QString unit(const QModelIndex& index) const;
    QString description(const QModelIndex& index) const;
    /// Sets the quantity of every node of the line (assembly, component); returns how many.
    int setLineQuantity(const QString& assembly, const QString& component,
                        std::optional<double> quantity);
    Stop stopOf(const QModelIndex& index) const;
    /// What is wrong with the node's line (None for no node).
    LineProblems problemsOf(const QModelIndex& index) const;
    /// The icon shown before the item ID of a line with problems; none until one is set.
    void setProblemIcon(const QIcon& icon) { m_problemIcon = icon; }
    /// 1-based position in the order of creation (the load's pre-order).
    int creationIndex(const QModelIndex& index) const;
    /// Nodes in the tree now.
    int nodeCount() const { return m_liveCount; }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    /// A quantity typed into a node's quantity cell is not stored here: it is reported with
    /// quantityEntered, and the edit operation writes it everywhere it belongs.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

Q_SIGNALS:
    void quantityEntered(const QPersistentModelIndex& node, const QString& text);
    /// Once per setLineQuantity that changed nodes, after every copy of the line shows its
    /// new quantity (dataChanged comes once per copy, and once more for the whole tree).
    void lineQuantityChanged(const QString& assembly, const QString& component);

private:
    int idOf(const QModelIndex& index) const { return int(index.internalId()); }
    const std::vector<int>& childrenOf(int id) const { return id < 0 ? m_top : m_nodes[size_t(id)].children; }
    std::vector<int>& childrenOf(int id) { return id < 0 ? m_top : m_nodes[size_t(id)].children; }
    QModelIndex indexOf(int id, int column = ItemIdColumn) const;
    void renumber(int parentId, size_t from);
    void markRemoved(int id);

    QString m_assembly;
    std::vector<Node> m_nodes;
    std::vector<int> m_top;
    int m_liveCount = 0;
    QIcon m_problemIcon;
};

} // namespace tree
