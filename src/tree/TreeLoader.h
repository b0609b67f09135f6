#pragma once

#include "tree/BomTreeModel.h"

#include <QString>

#include <vector>

namespace store {
class Database;
}

namespace tree {

struct TreeContext;

/// The tree of one item, read with a few batched queries (one per level of the structure,
/// each assembly read once per load) and built depth-first, exactly as a walk that ran the
/// component query for every node would build it. A component that already stands on its own
/// path from the top is marked circular and not expanded. Reaching `nodeLimit` stops the walk
/// with a NodeLimit error; the nodes made so far stay in `nodes()`.
class StructureBuilder {
public:
    StructureBuilder(store::Database& db, int nodeLimit);
    ~StructureBuilder();

    /// Adds, depth-first, the whole structure of `BomID` under the node `nodeindex` (-1: the
    /// top level). Throws StoreError; what was built before stays.
    void populate(int nodeindex, const QString& BomID);

    std::vector<Node>& nodes() { return m_nodes; }

private:
    struct Memo;
    const QStringList& componentsOf(const QString& assembly);

    store::Database& m_db;
    int m_nodeLimit;
    int m_topLevelCount = 0;
    std::vector<Node> m_nodes;
    std::unique_ptr<Memo> m_memo;
};

/// The node limit of a load: far above what a real product needs, low enough that a structure
/// that explodes combinatorially neither hangs the program nor exhausts its memory.
inline constexpr int DefaultNodeLimit = 1'000'000;

/// Loads the tree of the item in Text1 (the Enter key in Text1). A load asked for while one
/// runs (its event pump lets input through) runs after it, never inside it.
class TreeLoader {
public:
    explicit TreeLoader(TreeContext& context, int nodeLimit = DefaultNodeLimit)
        : m_context(context), m_nodeLimit(nodeLimit) {}

    void requestLoad();

private:
    void load();

    TreeContext& m_context;
    int m_nodeLimit;
    bool m_loading = false;
    bool m_pending = false;
};

} // namespace tree
