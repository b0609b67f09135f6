#pragma once

#include "store/Store.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace tree {

struct FreshLines;

/// The bill of material of one loaded item as the database holds it: each line once, each
/// assembly one bill however many places use it. The tree is a view of this structure (the
/// paths through it), and every sum over paths is worked out here, each line once, without
/// making the paths.
///
/// Items are numbered from 0 (the loaded item) and compared under the store's case rule;
/// lines are numbered in the order they were added, and a line taken out keeps its number.
class Structure {
public:
    struct Line {
        int assembly = -1;
        int component = -1;
        QString text;                   ///< the component's ID, exactly as BomComp holds it
        std::optional<double> quantity; ///< the line's bomQtyReq; empty where Null
        QString unit;                   ///< the component's ItemUom (empty: Null or no row)
        QString description;            ///< the component's ItemDesc (empty: Null or no row)
        bool known = true;              ///< ItemMaster has a row for the component
        QString startDate;              ///< the line's StartDate as stored; empty where Null
    };

    /// No item loaded: an empty top item without lines.
    Structure() { reset({}, {}); }
    /// The structure of `top` from its reachable lines (Store::reachableLines).
    void reset(const QString& top, const QHash<QString, store::ComponentLines>& lines);
    /// The structure of `top` from the first levels of its lines: the items in `read` (folded
    /// IDs) hold their bill from `lines` (none where absent); every other item it meets stays
    /// unread until readItems or readRest brings its bill, those in `marked` known to have
    /// lines (hasLines).
    void reset(const QString& top, const QHash<QString, store::ComponentLines>& lines,
               const QSet<QString>& read, const QSet<QString>& marked = {});
    /// Reads the bills of the unread items among `read` (folded IDs) from `lines`, one level:
    /// the components they bring stay unread, those in `marked` known to have lines. Returns
    /// whether any was read.
    bool readItems(const QHash<QString, store::ComponentLines>& lines, const QSet<QString>& read,
                   const QSet<QString>& marked = {});
    /// Reads every unread item the loaded item reaches, and all below it, from `lines` (the
    /// reachable lines of those items, as a whole read of them found them; an item absent has
    /// none). Items already read keep what they hold. Returns whether any was read.
    bool readRest(const QHash<QString, store::ComponentLines>& lines);
    /// The unread items that the loaded item reaches through read ones, as the tree spells
    /// them; empty when the structure holds the whole bill.
    QStringList unreadReached() const;

    const QString& topText() const { return m_topText; }
    static constexpr int Top = 0;
    /// The item with this ID under the store's case rule; -1 when the structure has none.
    int itemOf(const QString& id) const;
    /// Whether the structure holds the item's bill (false for an item met only now, or forgotten).
    bool isRead(int item) const { return m_items[size_t(item)].read; }
    int itemCount() const { return int(m_items.size()); }
    /// The items by folded ID (implicitly shared: a copy costs nothing).
    const QHash<QString, int>& itemIndex() const { return m_itemOf; }

    /// The item's lines, in the database's key order.
    const std::vector<int>& linesOf(int item) const { return m_items[size_t(item)].lines; }
    /// Whether the item has lines: in its bill, or, unread, as the load found them.
    bool hasLines(int item) const {
        return !m_items[size_t(item)].lines.empty() || m_items[size_t(item)].marked;
    }
    const Line& line(int id) const { return m_lines[size_t(id)]; }
    /// Lines numbered so far, those taken out included.
    int lineCount() const { return int(m_lines.size()); }
    /// The place of the line (assembly, component) among the assembly's lines, or -1.
    int positionOf(int assembly, const QString& component) const;

    /// Adds a line at `position` among its assembly's lines; an item met for the first time
    /// brings its reachable lines (`bills`, by folded assembly ID). Returns the line's number.
    int insertLine(int assembly, int position, const store::ComponentLine& line,
                   const QHash<QString, store::ComponentLines>& bills);
    /// Takes the line at `position` out of its assembly's lines and returns its number.
    int eraseLine(int assembly, int position);
    void setQuantity(int lineId, std::optional<double> quantity);

    /// The item's ID as the tree spells it: the loaded item's as loaded, another's as the
    /// first line met that has it as component.
    const QString& textOf(int item) const { return m_items[size_t(item)].text; }

    /// What applyFresh changed, for the tree's nodes to follow. Per-item vectors cover the
    /// items the structure had before; items met only now are new to the tree as well.
    struct Refresh {
        std::vector<bool> billChanged; ///< lines of the item's bill came, went or moved
        std::vector<bool> hadLines;    ///< the item had lines before
        bool reordered = false;        ///< lines kept in a bill stand in another order
        bool valuesChanged = false;    ///< a quantity, an ID's spelling or a unit, description
                                       ///< or Item-Master-ness changed
        QStringList assemblies;        ///< shown assemblies whose bill shows differently
        QStringList items;             ///< shown components whose facts show differently
    };
    /// Makes the structure hold what a re-read found: each bill read again replaces the one
    /// held (a line kept keeps its number, so that the nodes of it stay), a line new to the
    /// structure brings the bills below it, and the facts read of an item go into every line
    /// of it. After a re-read of everything, the bills the loaded item no longer reaches are
    /// forgotten, to be read again when a line reaches them. One pass over the lines.
    Refresh applyFresh(const FreshLines& fresh);

    /// No item reaches itself: no path of the tree can hold an item twice.
    bool isAcyclic() const { return m_acyclic; }

    /// What the whole tree of the loaded item holds, counted over the structure: its rows
    /// (every path; saturated at the largest qint64) and, for each item, how many one loaded
    /// item needs. Exact: without a cycle each line is met once; with one, each item is met
    /// once per set of its cycle's items standing above it (exactTotals). Only where a cycle
    /// has more than 64 items, or those sets run past 200,000, do the sums follow one
    /// depth-first walk from the top instead: a line whose component stands on that walk's path
    /// counts as one row and one use of its component, and nothing below it.
    struct Totals {
        qint64 rows = 0;
        /// Per item: total need (empty where a path to it has a Null quantity).
        std::vector<std::optional<double>> need;
        /// Per item: whether a line into it closes a cycle of that walk.
        std::vector<bool> circular;
        /// Items in the order the tree first shows them (its pre-order), each once, with the
        /// line through which it is first shown.
        std::vector<std::pair<int, int>> firstShown; // (item, line)
    };
    const Totals& totals() const;
    /// One line of a walk's state, and the state below it (-1 where the line is circular).
    struct Step {
        int line;
        int child;
    };
    /// The walk behind totals(): the tree's nodes folded into states, state 0 the loaded
    /// item's, each with its steps in the tree's order (a node's children are the steps of its
    /// state, row for row) and the states in post-order. Equal states have equal subtrees, so
    /// a sum over the tree's rows is one pass over the states.
    struct Walk {
        std::vector<std::vector<Step>> steps;
        std::vector<int> postOrder;
        /// Whether the states are the tree's, row for row, at every depth: always without a
        /// cycle; with one, when exactTotals could walk it. Otherwise the states are the items
        /// and a line is circular only as the one walk from the top met it.
        bool exact = true;
    };
    const Walk& walk() const;
    /// Changes with every change of the structure, so that what was worked out over it can
    /// tell whether it still holds.
    quint64 revision() const { return m_revision; }

    /// On a structure without a cycle: exact. With one, by the rule above. `walk`, when
    /// given, `kept` receives the states summed.
    Totals firstWalkTotals(Walk* kept = nullptr) const;
    /// Exact on any structure: each item with the items of its cycle that stand above it is
    /// walked once. Empty when a cycle has more than 64 items or the walk would make more than
    /// 200,000 such states.
    std::optional<Totals> exactTotals(Walk* kept = nullptr) const;

private:
    struct Item {
        QString key; ///< the folded ID
        QString text; ///< the ID as first met
        std::vector<int> lines;
        bool read = false;
        bool marked = false; ///< unread, known to have lines
    };
    void changed() {
        m_totals.reset();
        ++m_revision;
    }
    /// Rows and needs over a walk's states (state 0 the loaded item's), given each state's
    /// steps in the tree's order and the states in post-order.
    void sumOverWalk(const std::vector<std::vector<Step>>& steps, const std::vector<int>& postOrder,
                     Totals& totals) const;
    /// Empties the structure down to the loaded item `top`, unread.
    void startAt(const QString& top, const QHash<QString, store::ComponentLines>& lines);
    int intern(const QString& key);
    Line lineFrom(int assembly, const store::ComponentLine& read);
    void addBill(int item, const store::ComponentLines& lines);
    /// Reads every unread item reachable from `from` from `bills`; with `only`, the items
    /// outside it stay unread and nothing below them is walked.
    void readBills(int from, const QHash<QString, store::ComponentLines>& bills,
                   const QSet<QString>* only = nullptr);
    /// The unread items among `marked` (folded IDs) have lines.
    void mark(const QSet<QString>& marked);
    bool findAcyclic() const;
    /// unreadReached's items, by number.
    std::vector<int> unreadItems() const;
    /// The items the loaded item reaches (itself included), and those that stand as a
    /// component of a line it reaches.
    void shownItems(std::vector<bool>& reached, std::vector<bool>& component) const;

    QString m_topText;
    std::vector<Item> m_items;
    QHash<QString, int> m_itemOf; // folded ID -> item
    std::vector<Line> m_lines;
    bool m_acyclic = true;
    mutable std::optional<Totals> m_totals;
    mutable Walk m_walk;
    quint64 m_revision = 0;
};

} // namespace tree
