#include "tree/StructureBuilder.h"

#include "store/Store.h"
#include "store/ItemKey.h"
#include "store/StoreError.h"

#include <QHash>
#include <QSet>

#include <algorithm>

#include <optional>
#include <utility>

namespace tree {

using store::foldKey;

/// The component lists of one load, each assembly read from the database once. Assemblies
/// are read in batches: everything seen as a component but not read yet goes into the next
/// query, which makes one query per level of the structure.
struct StructureBuilder::Memo {
    QHash<QString, store::ComponentLines> components; // folded assembly ID -> its lines, key order
    QStringList unread;                     // components seen but not read as assemblies yet
    QSet<QString> seen;                     // folded IDs that are read or in `unread`
    bool complete = false; // every line of the table is in `components`
    qint64 lineEstimate = -1;
};

StructureBuilder::StructureBuilder(store::Store& db, int nodeLimit, int depthLimit)
    : m_db(db), m_nodeLimit(nodeLimit), m_depthLimit(depthLimit),
      m_memo(std::make_unique<Memo>()) {}

StructureBuilder::~StructureBuilder() = default;

const store::ComponentLines& StructureBuilder::componentsOf(const QString& assembly) {
    static const store::ComponentLines none;
    const QString key = foldKey(assembly);
    if (const auto found = m_memo->components.constFind(key); found != m_memo->components.cend())
        return *found;
    if (m_memo->complete)
        return none;
    if (!m_memo->seen.contains(key)) {
        m_memo->seen.insert(key);
        m_memo->unread.append(assembly);
    }
    const QStringList batch = std::exchange(m_memo->unread, {});
    // A batch that asks for a large part of the table reads all of it in one pass instead of
    // one index search per assembly, and leaves nothing to read for the rest of the load.
    if (batch.size() >= 1000) {
        if (m_memo->lineEstimate < 0)
            m_memo->lineEstimate = m_db.lineEstimate();
        if (m_memo->lineEstimate / 16 <= batch.size()) {
            m_memo->components = m_db.allComponentLines();
            m_memo->complete = true;
            return m_memo->components.contains(key) ? m_memo->components[key] : none;
        }
    }
    const std::vector<store::ComponentLines> lists = m_db.componentsOfEach(batch);
    for (qsizetype i = 0; i < batch.size(); ++i) {
        const store::ComponentLines& lines = lists[size_t(i)];
        m_memo->components.insert(foldKey(batch.at(i)), lines);
        for (const store::ComponentLine& line : lines) {
            const QString componentKey = foldKey(line.id);
            if (!m_memo->seen.contains(componentKey)) {
                m_memo->seen.insert(componentKey);
                m_memo->unread.append(line.id);
            }
        }
    }
    return m_memo->components[key];
}

int StructureBuilder::depthOf(int node) const {
    // The loaded item stands above the top level without a node of its own.
    int depth = std::max(0, int(m_outerPath.size()) - 1);
    for (int id = node; id >= 0; id = m_nodes[size_t(id)].parent)
        ++depth;
    return depth;
}

void StructureBuilder::buildComponent(const QStringList& path, const QString& component,
                                      int nodeBudget) {
    m_nodes.clear();
    m_topLevelCount = 0;
    m_nodeLimit = nodeBudget;
    m_outerPath.clear();
    for (const QString& id : path)
        m_outerPath.append(foldKey(id));
    if (m_nodeLimit <= 0)
        throw nodeLimitReached();
    if (int(path.size()) > m_depthLimit)
        throw depthLimitReached();
    // The new line, as the database now holds it, with its component's facts.
    const QString key = foldKey(component);
    const store::ComponentLines& lines = componentsOf(path.constLast());
    const auto line = std::find_if(lines.cbegin(), lines.cend(), [&](const store::ComponentLine& l) {
        return foldKey(l.id) == key;
    });
    Node node = line != lines.cend() ? nodeFor(*line) : Node{};
    node.text = component;
    node.circular = m_outerPath.contains(key);
    m_nodes.push_back(std::move(node));
    if (!m_nodes.front().circular)
        populate(0, component);
}

Node StructureBuilder::nodeFor(const store::ComponentLine& line) {
    Node node;
    node.text = line.id;
    node.hasQuantity = line.quantity.has_value();
    node.quantity = line.quantity.value_or(0);
    node.unit = line.unit.value_or(QString());
    node.description = line.description.value_or(QString());
    node.known = line.inItemMaster;
    return node;
}

store::StoreError StructureBuilder::depthLimitReached() const {
    return store::StoreError(store::DepthLimit,
                             QStringLiteral("The structure is deeper than %1 levels; the tree "
                                            "shows the first %1 and stops there.")
                                 .arg(m_depthLimit));
}

store::StoreError StructureBuilder::nodeLimitReached() const {
    return store::StoreError(store::NodeLimit,
                             QStringLiteral("The structure is larger than %1 nodes; the tree "
                                            "shows the first %1 and stops there.")
                                 .arg(m_nodeLimit));
}

void StructureBuilder::populate(int nodeindex, const QString& BomID) {
    // Depth-first with a stack of its own: a deep structure cannot overflow the call stack.
    struct Level {
        int node;
        store::ComponentLines components; // shared with the memo, not copied
        qsizetype next;
        QString key;
        int depth; // of the node; its components go one level deeper
    };
    QSet<QString> onPath(m_outerPath.cbegin(), m_outerPath.cend());
    for (int id = nodeindex; id >= 0; id = m_nodes[size_t(id)].parent)
        onPath.insert(foldKey(m_nodes[size_t(id)].text));
    const QString rootKey = foldKey(BomID);
    onPath.insert(rootKey);

    const auto expand = [&](int node, int depth, const store::ComponentLines& components) {
        if (depth + 1 > m_depthLimit) {
            if (node >= 0)
                m_nodes[size_t(node)].stop = Stop::DepthLimit;
            throw depthLimitReached();
        }
        return Level{node, components, 0, {}, depth};
    };

    std::vector<Level> stack;
    {
        const store::ComponentLines& top = componentsOf(BomID);
        if (top.isEmpty())
            return;
        stack.push_back(expand(nodeindex, depthOf(nodeindex), top));
        stack.back().key = rootKey;
    }
    while (!stack.empty()) {
        Level& level = stack.back();
        if (level.next == level.components.size()) {
            onPath.remove(level.key);
            stack.pop_back();
            continue;
        }
        const store::ComponentLine& line = level.components.at(level.next++);
        const QString& component = line.id;
        const int parent = level.node;
        const int depth = level.depth + 1;

        if (int(m_nodes.size()) >= m_nodeLimit) {
            // The node being filled looks complete, or like a leaf: say that it is neither.
            if (parent >= 0)
                m_nodes[size_t(parent)].stop = Stop::NodeLimit;
            throw nodeLimitReached();
        }
        const int id = int(m_nodes.size());
        Node node = nodeFor(line);
        node.parent = parent;
        if (parent >= 0) {
            auto& siblings = m_nodes[size_t(parent)].children;
            node.row = int(siblings.size());
            siblings.push_back(id);
        } else {
            node.row = m_topLevelCount++;
        }
        const QString key = foldKey(component);
        node.circular = onPath.contains(key);
        m_nodes.push_back(std::move(node));
        if (m_nodes.back().circular)
            continue;

        const store::ComponentLines& below = componentsOf(component);
        if (below.isEmpty())
            continue;
        Level next = expand(id, depth, below); // `level` is invalid from here on
        next.key = key;
        onPath.insert(key);
        stack.push_back(std::move(next));
    }
}

} // namespace tree
