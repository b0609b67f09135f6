#pragma once

#include <QModelIndex>
#include <QString>

#include <optional>
#include <vector>

namespace tree {

class BomTreeModel;
class Structure;

/// Find in the tree: the nodes whose line holds a text in its component's ID or description
/// (the Item Master list's matching, FindText.h), counted and visited in the tree's order
/// without making the tree. What is worked out follows the structure's lines and states
/// (Structure::walk), never the paths: a bill of millions of rows is counted in one pass over
/// its lines, and a step to the next hit makes only the nodes on the way to it.
class TreeFind {
public:
    /// What to find; nothing is worked out until asked.
    void setText(const QString& text);
    const QString& text() const { return m_text; }

    /// How many rows of the whole tree (every node open) hold the text; 0 for no text.
    qint64 hitCount(const Structure& structure);
    /// Whether hitCount and position count the tree's rows exactly. Only where a cycle is too
    /// large for the structure's exact walk do they follow its one walk from the top
    /// (Structure::Totals); the steps from hit to hit are exact always.
    bool isExact(const Structure& structure);

    /// The first hit after `from` in the tree's order (before it, when not `forward`), going
    /// round at the end; `from` itself when `inclusive` and it holds the text; the first (or
    /// last) hit of the tree for no `from`. The nodes on the way to it are made (the model's
    /// fetchMore), no others. Invalid when no node holds the text.
    QModelIndex find(BomTreeModel& model, const QModelIndex& from, bool forward, bool inclusive);
    /// Which hit `node` is, from 1, in the tree's order; empty when it holds no hit or the
    /// count is not exact.
    std::optional<qint64> position(const BomTreeModel& model, const QModelIndex& node);

private:
    /// Brings what is worked out up to the structure's revision and the text.
    void update(const Structure& structure);
    bool holds(int line) const { return m_holds[size_t(line)]; }
    qint64 below(int state) const { return state < 0 ? 0 : m_below[size_t(state)]; }
    /// The state of the node's children: row `row` of a node in `state`.
    int childState(const BomTreeModel& model, int state, const QModelIndex& child) const;
    /// The node's state, with the states of its ancestors, top first.
    std::vector<int> statesTo(const BomTreeModel& model, const QModelIndex& node) const;
    /// The first hit among the children of `parent` from row `from` on, their subtrees included.
    QModelIndex firstIn(BomTreeModel& model, const QModelIndex& parent, int state, int from);
    /// The last hit among the children of `parent` from row `from` down to the first.
    QModelIndex lastIn(BomTreeModel& model, const QModelIndex& parent, int state, int from);
    const Structure* m_structure = nullptr;

    QString m_text;
    QString m_folded;
    // The lines' folded IDs and descriptions, one after the other (line i's ID from
    // m_bounds[2i], its description from m_bounds[2i+1]), for one search over all of them.
    QString m_lineTexts;
    std::vector<qsizetype> m_bounds;
    quint64 m_textsRevision = ~quint64(0);
    quint64 m_revision = ~quint64(0);
    QString m_foundFor;
    bool m_exact = true;
    std::vector<bool> m_holds;   // per line
    std::vector<qint64> m_below; // per state: hits in a node's subtree, itself not counted
    qint64 m_count = 0;
};

} // namespace tree
