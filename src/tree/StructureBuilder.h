#pragma once

#include "store/Store.h"
#include "tree/BomTreeModel.h"

#include <QString>

#include <vector>

namespace store {
class StoreError;
}

namespace tree {

/// The node limit of a load: far above what a real product needs, low enough that a structure
/// that explodes combinatorially neither hangs the program nor exhausts its memory.
inline constexpr int DefaultNodeLimit = 1'000'000;
/// The depth limit of a load: far deeper than any product structure, shallow enough that the
/// tree view (whose layout recurses once per level) can expand every level without running
/// out of stack.
inline constexpr int DefaultDepthLimit = 2'000;

/// The tree of one item, read with a few batched queries (one per level of the structure,
/// each assembly read once per load) and built depth-first, exactly as a walk that ran the
/// component query for every node would build it. A component that already stands on its own
/// path from the top is marked circular and not expanded. Reaching `nodeLimit` nodes or
/// `depthLimit` levels stops the walk with a NodeLimit or DepthLimit error; the node where it
/// stopped is marked, and the nodes made so far stay in `nodes()`.
class StructureBuilder {
public:
    StructureBuilder(store::Store& db, int nodeLimit, int depthLimit = DefaultDepthLimit);
    ~StructureBuilder();

    /// Adds, depth-first, the whole structure of `BomID` under the node `nodeindex` (-1: the
    /// top level). Throws StoreError; what was built before stays.
    void populate(int nodeindex, const QString& BomID);

    /// Starts a new structure for one new line: a node for `component` (at index 0 of
    /// `nodes()`, with parent -1) and everything below it, as a load would show it at a place
    /// whose path from the loaded item down to the assembly is `path`, with at most
    /// `nodeBudget` nodes. Earlier nodes are dropped; the component lists read stay memoised for
    /// the next call.
    void buildComponent(const QStringList& path, const QString& component, int nodeBudget);

    std::vector<Node>& nodes() { return m_nodes; }
    /// The lines of `assembly` as this builder reads them (once per builder).
    store::ComponentLines linesOf(const QString& assembly) { return componentsOf(assembly); }

private:
    struct Memo;
    const store::ComponentLines& componentsOf(const QString& assembly);
    static Node nodeFor(const store::ComponentLine& line);
    int depthOf(int node) const;
    store::StoreError nodeLimitReached() const;
    store::StoreError depthLimitReached() const;

    store::Store& m_db;
    int m_nodeLimit;
    int m_depthLimit;
    int m_topLevelCount = 0;
    /// Folded IDs standing above the nodes built here, and how many levels they make.
    QStringList m_outerPath;
    std::vector<Node> m_nodes;
    std::unique_ptr<Memo> m_memo;
};

} // namespace tree
