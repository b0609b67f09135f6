#pragma once

#include "store/WholeUnits.h"
#include "tree/bill/Structure.h"

#include <QAbstractItemModel>
#include <QColor>
#include <QHash>
#include <QIcon>
#include <QPersistentModelIndex>
#include <QString>

#include <optional>
#include <vector>

namespace tree {

class BomDocument;

/// The node limit of Expand All: far above what a real product needs, low enough that a
/// structure of millions of paths neither hangs the program nor exhausts its memory. A node
/// opened by hand always opens.
inline constexpr int DefaultNodeLimit = 1'000'000;
/// The depth limit of the tree: far deeper than any product structure, shallow enough that
/// the tree view (whose layout recurses once per level) can expand every level without
/// running out of stack.
inline constexpr int DefaultDepthLimit = 2'000;

/// Why a node that has components of its own shows none.
enum class Stop : quint8 {
    None,
    NodeLimit,  ///< Expand All reached its node limit before opening it; it opens by hand
    DepthLimit, ///< the structure goes deeper than a tree can show
};

/// The columns of the tree, in their order.
enum Column : int {
    ItemIdColumn,
    QuantityColumn,
    UnitColumn,
    DescriptionColumn,
    ExtendedQuantityColumn,
    StartDateColumn, ///< the line's StartDate; hidden until chosen in the header's menu
    ColumnCount
};

/// What may be wrong with the line a node stands for; several may hold at once.
enum class LineProblem : quint8 {
    None = 0,
    UnknownItem = 1,      ///< the component has no ItemMaster row
    NullQuantity = 2,     ///< the line's quantity is Null
    NotPositive = 4,      ///< the line's quantity is zero or negative
    NotWhole = 8,         ///< a fraction of a unit counted in whole pieces (WholeUnits)
};
Q_DECLARE_FLAGS(LineProblems, LineProblem)
Q_DECLARE_OPERATORS_FOR_FLAGS(LineProblems)

/// The colour of a node that the tree does not expand: circular, or where a load stopped.
inline const QColor MarkedColour{0xb0, 0x00, 0x20};
/// The colour of a line that is probably wrong (see LineProblem); an icon and a tooltip say
/// the same for those who cannot tell the colours apart.
inline const QColor ProblemColour{0x9a, 0x4f, 0x00};

/// The colour of the nodes of lines that are cut and wait for their Paste.
inline const QColor CutColour{0x80, 0x80, 0x80};

/// The colours Compare Bills gives a line added to the bill and a line changed in it; the tree
/// gives them to the lines of the draft shown.
inline const QColor AddedColour{0x1b, 0x7f, 0x3b};
inline const QColor ChangedColour{0x9a, 0x4f, 0x00};

/// How the draft shown (see store::showDraftAt) holds a line: as it adds it, or as it changes
/// the tables' line of that key.
enum class DraftMark { None, Added, Changed };

/// What is wrong with a line, in words: "not in the Item Master; quantity Null". Empty for
/// none.
QString problemNote(LineProblems problems);

/// The tree of the loaded bill (BomDocument), which it shows and never changes: the top level
/// is made at the load, and a node's children when it is opened (fetchMore); they then stand for
/// its component's lines, one node each, in their order. The nodes follow the document's
/// notices of what changed. The circular mark and the depth mark of a node are set when it is
/// made; its texts, quantity and extended quantity come from the structure, so that an edit of
/// a line changes it once and every shown copy follows. Node ids follow the order of creation.
class BomTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit BomTreeModel(BomDocument& document, QObject* parent = nullptr);
    BomDocument& document() const { return m_document; }

    /// Bounds of what the tree shows: Expand All stops making nodes at `nodeLimit`; a node
    /// `depthLimit` levels down is not opened.
    void setLimits(int nodeLimit, int depthLimit);
    int depthLimit() const { return m_depthLimit; }
    /// The units counted in whole pieces: a line with a fraction of one is marked. The nodes
    /// shown are marked again at once.
    void setWholeUnits(const store::WholeUnits& units);
    const store::WholeUnits& wholeUnits() const { return m_wholeUnits; }

    /// Opens breadth-first, top levels first, every node not yet opened until the tree holds
    /// the node limit; nodes it leaves closed are marked (Stop::NodeLimit). True when nothing
    /// was left closed.
    bool openAll();
    /// As openAll, for `node` and every node below it alone; a node limit counts every node
    /// of the tree. True when nothing was left closed.
    bool openBelow(const QModelIndex& node);
    /// Every opened node at or below `node` that has children, parents before their children.
    std::vector<QModelIndex> openedNodesBelow(const QModelIndex& node) const;
    /// Shows the nodes of these lines (assembly, component) as cut (CutColour) until they are
    /// pasted or the cut is given up (no lines); a line the structure lacks is passed over.
    void setCutLines(const std::vector<std::pair<QString, QString>>& lines);
    bool isCut(const QModelIndex& index) const;
    /// Marks the nodes of these lines (assembly, component; IDs under the store's case rule)
    /// as the draft shown adds or changes them, in italics and Compare Bills' colours, until
    /// marked again (none: no draft). A line the structure lacks marks nothing; one that
    /// comes later is marked as it comes.
    void setDraftLines(const QHash<QString, DraftMark>& lines);
    /// The key setDraftLines takes for a line.
    static QString draftKey(const QString& assembly, const QString& component);
    DraftMark draftMark(const QModelIndex& index) const;
    /// Whether a node made so far stands at the depth limit with components below it.
    bool reachesDepthLimit() const;
    /// Every opened node that has children, parents before their children.
    std::vector<QModelIndex> openedNodes() const;
    /// While true, views cannot open nodes themselves (QTreeView::expandAll would open every
    /// one, past any limit): they show what openAll made.
    void holdFetching(bool hold) { m_holdFetching = hold; }
    /// Rows of the whole tree, every node open, counted over the structure.
    qint64 structureRows() const { return m_structure.totals().rows; }
    const Structure& structure() const { return m_structure; }

    /// The item IDs from the loaded item down to `index`, itself included.
    QStringList pathTo(const QModelIndex& index) const;

    /// The item whose components stand at the top level: the item the tree was loaded for.
    const QString& topAssembly() const;
    /// The assembly of the line a node stands for: its parent's text, or topAssembly().
    QString assemblyOf(const QModelIndex& index) const;
    QString text(const QModelIndex& index) const;
    bool isCircular(const QModelIndex& index) const;
    /// The structure's line that the node stands for (Structure::line).
    int lineOf(const QModelIndex& index) const { return nodeOf(index).line; }
    /// The line's quantity; empty where it is Null.
    std::optional<double> quantity(const QModelIndex& index) const;
    /// How many of the node's component one loaded item needs along this path: the product
    /// of the quantities from the top down; empty where one of them is Null.
    std::optional<double> extendedQuantity(const QModelIndex& index) const;
    QString unit(const QModelIndex& index) const;
    QString description(const QModelIndex& index) const;
    /// The line's StartDate as stored; empty where Null.
    QString startDate(const QModelIndex& index) const;
    Stop stopOf(const QModelIndex& index) const;
    /// What is wrong with the node's line (None for no node).
    LineProblems problemsOf(const QModelIndex& index) const;
    /// The icon shown before the item ID of a line with problems; none until one is set.
    void setProblemIcon(const QIcon& icon) { m_problemIcon = icon; }
    /// 1-based position in the order of creation.
    int creationIndex(const QModelIndex& index) const;
    /// Nodes made now (the top level and every opened node's children).
    int nodeCount() const { return m_liveCount; }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    /// A quantity typed into a node's quantity cell is not stored here: it is reported with
    /// quantityEntered, and the edit operation writes it everywhere it belongs.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

Q_SIGNALS:
    void quantityEntered(const QPersistentModelIndex& node, const QString& text);
    /// Once per change of a line's quantity, after every copy shows it.
    void lineQuantityChanged(const QString& assembly, const QString& component);

private:
    // The document's notices (BomDocument's signals), followed by the nodes.
    void followLoad();
    void followInsertion(int item, int position, int line, bool hadLines);
    void followErasure(int line);
    void followQuantity(int line, const QString& assembly, const QString& component);
    void followRefresh(const Structure::Refresh& refresh);

    struct Node {
        int line = -1;       ///< the line in m_structure it stands for
        int parent = -1;     ///< -1 at the top level
        int row = 0;
        int depth = 1;       ///< 1 at the top level
        bool made = false;   ///< its children are made (always, at the top level)
        bool circular = false;
        bool removed = false;
        Stop stop = Stop::None;
        std::vector<int> children;
    };
    // A node's id is carried in its indexes scrambled by an odd multiplier (undone by its
    // inverse modulo 2^64): Qt hashes an index as row * 16 + column + internal id, without
    // mixing, and the dense ids of sibling nodes would pile the view's and the persistent
    // indexes' hash tables into long runs (a layout of a million rows took 20 s instead of 1).
    static constexpr quint64 IdScramble = 0x9E3779B97F4A7C15ull;
    static constexpr quint64 IdUnscramble = [] {
        quint64 inverse = IdScramble; // Newton's iteration: each step doubles the right bits
        for (int i = 0; i < 5; ++i)
            inverse *= 2 - IdScramble * inverse;
        return inverse;
    }();
    static_assert(IdScramble * IdUnscramble == 1);
    static quintptr internalIdOf(int id) { return quintptr(quint64(id) * IdScramble); }
    int idOf(const QModelIndex& index) const {
        return int(quint64(index.internalId()) * IdUnscramble);
    }
    const Node& nodeOf(const QModelIndex& index) const { return m_nodes[size_t(idOf(index))]; }
    const Structure::Line& lineAt(const QModelIndex& index) const {
        return m_structure.line(nodeOf(index).line);
    }
    int itemOfNode(int id) const { return m_structure.line(m_nodes[size_t(id)].line).component; }
    const std::vector<int>& childrenOf(int id) const { return id < 0 ? m_top : m_nodes[size_t(id)].children; }
    std::vector<int>& childrenOf(int id) { return id < 0 ? m_top : m_nodes[size_t(id)].children; }
    QModelIndex indexOf(int id, int column = ItemIdColumn) const;
    /// Whether a node may be opened: it is not circular, not at the depth limit, and its
    /// component has lines.
    bool opens(int id) const;
    /// Makes a node for `line` as child number `row` of `parent` (-1: the top level).
    int makeNode(int parent, int row, int line);
    /// Makes every child of an unopened node, without telling the views.
    void makeChildren(int id);
    void renumber(int parentId, size_t from);
    /// Inside a layout change: every persistent index to its node's row now, or invalid where
    /// its node went (node ids stay, rows move).
    void carryPersistentIndexes();
    /// Makes a made node's children follow its item's bill again: the children of lines
    /// gone are removed, lines new get nodes (`position`: each line's place in a bill that
    /// changed, -1 for a line gone). Tells the views row by row when `tell`.
    void refreshChildren(int parentId, const std::vector<int>& position, bool tell);
    void markRemoved(int id);
    /// Opens breadth-first from `level` (see openAll).
    bool openFrom(std::vector<int> level);

    BomDocument& m_document;
    const Structure& m_structure;
    std::vector<Node> m_nodes;
    std::vector<int> m_top;
    int m_liveCount = 0;
    quint64 m_loads = 0; ///< loads followed, so that a node opened across one is left alone
    bool m_holdFetching = false;
    int m_nodeLimit = 1'000'000;
    int m_depthLimit = 2'000;
    store::WholeUnits m_wholeUnits;
    QIcon m_problemIcon;
    std::vector<int> m_cutLines; ///< structure lines, sorted
    QHash<QString, DraftMark> m_draftLines; ///< by draftKey
};

} // namespace tree
