#include "store/WhereUsedWalk.h"

#include "store/NoCaseKeys.h"
#include "store/StoreError.h"

#include <QByteArray>
#include <QCoreApplication>

#include <algorithm>
#include <bit>
#include <cstring>
#include <deque>
#include <unordered_map>

namespace store {

namespace {

/// Every distinct item ID of the lines, numbered as first met, under the store's case rule:
/// one copy of each ID as first spelled, one after the other, and an open-addressing table
/// over them, so that reading a table allocates nothing per line.
class Ids {
public:
    int count() const { return int(m_start.size()) - 1; }
    /// The number of the ID with these stored bytes; a new one when it is not known yet.
    int intern(QByteArrayView stored) {
        if (size_t(count() + 1) * 4 > m_slots.size() * 3)
            grow();
        const quint32 hash = hashKey(stored);
        const size_t mask = m_slots.size() - 1;
        for (size_t at = hash & mask;; at = (at + 1) & mask) {
            Slot& slot = m_slots[at];
            if (slot.id < 0) {
                slot = {hash, count()};
                m_arena.insert(m_arena.end(), stored.begin(), stored.end());
                m_start.push_back(qsizetype(m_arena.size()));
                return slot.id;
            }
            if (slot.hash == hash && sameKey(spelling(slot.id), stored))
                return slot.id;
        }
    }
    /// The number of the ID, or -1 when the lines do not hold it.
    int find(QByteArrayView stored) const {
        if (m_slots.empty())
            return -1;
        const quint32 hash = hashKey(stored);
        const size_t mask = m_slots.size() - 1;
        for (size_t at = hash & mask;; at = (at + 1) & mask) {
            const Slot slot = m_slots[at];
            if (slot.id < 0)
                return -1;
            if (slot.hash == hash && sameKey(spelling(slot.id), stored))
                return slot.id;
        }
    }
    /// The ID as first met in the lines.
    QByteArrayView spelling(int id) const {
        return QByteArrayView(m_arena.data() + m_start[size_t(id)],
                              m_start[size_t(id) + 1] - m_start[size_t(id)]);
    }
    void shrink() {
        m_arena.shrink_to_fit();
        m_start.shrink_to_fit();
    }
    qint64 bytes() const {
        return qint64(m_arena.capacity() + m_start.capacity() * sizeof(qsizetype) +
                      m_slots.capacity() * sizeof(Slot));
    }

private:
    void grow() {
        std::vector<Slot> old(std::max<size_t>(1024, m_slots.size() * 2), Slot{});
        old.swap(m_slots);
        const size_t mask = m_slots.size() - 1;
        for (const Slot slot : old) {
            if (slot.id < 0)
                continue;
            size_t at = slot.hash & mask;
            while (m_slots[at].id >= 0)
                at = (at + 1) & mask;
            m_slots[at] = slot;
        }
    }

    struct Slot {
        quint32 hash = 0;
        qint32 id = -1;
    };
    std::vector<char> m_arena;          // each ID as first spelled
    std::vector<qsizetype> m_start{0};  // where each ID starts; the last one ends the arena
    std::vector<Slot> m_slots;
};

/// Quantity codes: Null, not a number, then the distinct values in the order first met.
constexpr quint32 NullCode = 0;
constexpr quint32 NotANumberCode = 1;
constexpr quint32 FirstValueCode = 2;

} // namespace

struct UpwardLines::State {
    Ids ids;
    // While lines are added: each line, and the table that gives each distinct value its code.
    struct Pending {
        qint32 assembly;
        qint32 component;
        quint32 quantity;
    };
    std::vector<Pending> pending;
    std::vector<quint32> valueSlots; // code + 1 of the value there; 0 for a free slot
    int lastAssembly = -1;
    bool sealed = false;
    // Once sealed: the lines of each component, one run per ID.
    struct Use {
        qint32 assembly;
        quint32 quantity;
    };
    std::vector<qint32> firstUse;
    std::vector<Use> uses;
    std::vector<double> values; // by code - FirstValueCode

    quint32 codeOf(double value) {
        // Most tables use a few quantities again and again: each distinct value is kept once.
        if ((values.size() + 1) * 2 > valueSlots.size()) {
            std::vector<quint32> old(std::max<size_t>(256, valueSlots.size() * 2), 0);
            old.swap(valueSlots);
            for (const quint32 code : old)
                if (code != 0)
                    place(code - 1);
        }
        const auto bits = std::bit_cast<quint64>(value);
        const size_t mask = valueSlots.size() - 1;
        for (size_t at = slotOf(bits) & mask;; at = (at + 1) & mask) {
            const quint32 held = valueSlots[at];
            if (held == 0) {
                values.push_back(value);
                const auto code = quint32(values.size() - 1 + FirstValueCode);
                valueSlots[at] = code + 1;
                return code;
            }
            if (std::bit_cast<quint64>(values[held - 1 - FirstValueCode]) == bits)
                return held - 1;
        }
    }
    static size_t slotOf(quint64 bits) { return size_t((bits * 0x9E3779B97F4A7C15ull) >> 20); }
    void place(quint32 code) {
        const size_t mask = valueSlots.size() - 1;
        size_t at = slotOf(std::bit_cast<quint64>(values[code - FirstValueCode])) & mask;
        while (valueSlots[at] != 0)
            at = (at + 1) & mask;
        valueSlots[at] = code + 1;
    }
};

UpwardLines::UpwardLines() : m(std::make_unique<State>()) {}

UpwardLines::~UpwardLines() = default;

void UpwardLines::addLine(QByteArrayView assembly, QByteArrayView component, Quantity kind,
                          double quantity) {
    // Lines come grouped by assembly in most tables, so an assembly is looked up once for its
    // group.
    if (m->lastAssembly < 0 || m->ids.spelling(m->lastAssembly) != assembly)
        m->lastAssembly = m->ids.intern(assembly);
    const quint32 code = kind == Quantity::Null         ? NullCode
                         : kind == Quantity::NotANumber ? NotANumberCode
                                                        : m->codeOf(quantity);
    m->pending.push_back({m->lastAssembly, m->ids.intern(component), code});
}

void UpwardLines::reserve(qint64 lines) {
    // An estimate far beyond any real table (row numbers given by hand) is no guide.
    if (lines > 0 && lines <= (qint64(1) << 27))
        m->pending.reserve(size_t(lines));
}

void UpwardLines::seal() {
    if (m->sealed)
        return;
    m->sealed = true;
    const int n = m->ids.count();
    m->firstUse.assign(size_t(n) + 1, 0);
    for (const State::Pending& line : m->pending)
        ++m->firstUse[size_t(line.component) + 1];
    for (int id = 0; id < n; ++id)
        m->firstUse[size_t(id) + 1] += m->firstUse[size_t(id)];
    m->uses.resize(m->pending.size());
    {
        std::vector<qint32> fill(m->firstUse.begin(), m->firstUse.end() - 1);
        for (const State::Pending& line : m->pending)
            m->uses[size_t(fill[size_t(line.component)]++)] = {line.assembly, line.quantity};
    }
    std::vector<State::Pending>().swap(m->pending);
    std::vector<quint32>().swap(m->valueSlots);
    m->values.shrink_to_fit();
    m->ids.shrink();
}

qint64 UpwardLines::bytes() const {
    return m->ids.bytes() + qint64(m->pending.capacity() * sizeof(State::Pending) +
                                   m->valueSlots.capacity() * sizeof(quint32) +
                                   m->firstUse.capacity() * sizeof(qint32) +
                                   m->uses.capacity() * sizeof(State::Use) +
                                   m->values.capacity() * sizeof(double));
}

struct UpwardWalk::State {
    std::shared_ptr<const UpwardLines> lines;
    std::shared_ptr<UpwardLines> own; // the lines being added, for a walk over its own
    // What walk() found, for spelling() and rowOf(): the node of each row, and the row of each
    // node (node `itself`, one past the last ID, standing for the item as an assembly of its
    // own structure).
    std::vector<int> listed;
    std::unordered_map<int, int> rowOfNode;
    int itemId = -1;
};

UpwardWalk::UpwardWalk() : m(std::make_unique<State>()) {
    m->own = std::make_shared<UpwardLines>();
    m->lines = m->own;
}

UpwardWalk::UpwardWalk(std::shared_ptr<const UpwardLines> lines) : m(std::make_unique<State>()) {
    m->lines = std::move(lines);
}

UpwardWalk::~UpwardWalk() = default;

void UpwardWalk::addLine(QByteArrayView assembly, QByteArrayView component, Quantity kind,
                         double quantity) {
    m->own->addLine(assembly, component, kind, quantity);
}

QByteArrayView UpwardWalk::spelling(size_t row) const {
    const Ids& ids = m->lines->m->ids;
    const int node = m->listed[row];
    return ids.spelling(node == ids.count() ? m->itemId : node);
}

int UpwardWalk::rowOf(QByteArrayView id) const {
    const Ids& ids = m->lines->m->ids;
    const int found = ids.find(id);
    if (found < 0 || m->itemId < 0)
        return -1;
    const auto row = m->rowOfNode.find(found == m->itemId ? ids.count() : found);
    return row == m->rowOfNode.end() ? -1 : row->second;
}

std::vector<WhereUsedRow> UpwardWalk::walk(const QString& item) {
    if (m->own)
        m->own->seal();
    const UpwardLines::State& lines = *m->lines->m;
    const Ids& ids = lines.ids;
    const std::vector<qint32>& firstUse = lines.firstUse;
    const std::vector<UpwardLines::State::Use>& uses = lines.uses;
    std::vector<int>& listed = m->listed;
    listed.clear();
    m->rowOfNode.clear();
    m->itemId = -1;
    const int itemId = ids.find(item.toUtf8());
    if (itemId < 0)
        return {};

    // Only the nodes met are numbered again, locally: the walk costs what the rows cost, not
    // what the table holds.
    struct Node {
        int level = 0;
        int pending = 0; // its lines whose component has no quantity yet
        double quantity = 0;
        quint64 paths = 0; // down to the item, PathCountOver for more than a qint64 holds
        bool nullQuantity = false;
        bool known = false;
    };
    std::vector<Node> nodes;
    std::vector<int> nodeOfLocal;
    std::unordered_map<int, int> local;
    const auto localOf = [&](int node) {
        const auto [at, added] = local.try_emplace(node, int(nodes.size()));
        if (added) {
            nodes.emplace_back();
            nodeOfLocal.push_back(node);
        }
        return at->second;
    };
    // The lines on the way, each once, between local numbers: for the paths of the tops.
    std::vector<PathLine> onTheWay;

    // Upward, level by level (breadth first): the first level that reaches an assembly is its
    // fewest steps down to the item. Each assembly is expanded once, so a cycle ends the walk
    // instead of looping. The item met again above it stands for itself as an assembly (node
    // `itself`) and is not expanded: the assemblies above it are the item's own, already on
    // the way.
    const int itself = ids.count();
    const auto nodeOf = [&](const UpwardLines::State::Use& use) {
        return use.assembly == itemId ? itself : use.assembly;
    };
    const int start = localOf(itemId);
    std::vector<int> frontier{itemId};
    for (int steps = 1; !frontier.empty(); ++steps) {
        std::vector<int> next;
        for (const int component : frontier) {
            const int below = local.at(component);
            for (int at = firstUse[size_t(component)]; at < firstUse[size_t(component) + 1]; ++at) {
                const int assembly = nodeOf(uses[size_t(at)]);
                const int k = localOf(assembly);
                onTheWay.push_back({k, below, uses[size_t(at)].quantity});
                if (nodes[size_t(k)].level == 0) {
                    nodes[size_t(k)].level = steps;
                    listed.push_back(assembly);
                    if (assembly != itself)
                        next.push_back(assembly);
                }
                ++nodes[size_t(k)].pending;
            }
        }
        frontier = std::move(next);
    }

    // Quantities from the item upward: an assembly's is known once those of all its components
    // on the way are (the order of a walk without cycles). What stays unknown is on a cycle or
    // above one.
    nodes[size_t(start)].quantity = 1;
    nodes[size_t(start)].paths = 1;
    std::deque<int> ready{itemId};
    while (!ready.empty()) {
        const int component = ready.front();
        ready.pop_front();
        const Node from = nodes[size_t(local.at(component))];
        for (int at = firstUse[size_t(component)]; at < firstUse[size_t(component) + 1]; ++at) {
            const UpwardLines::State::Use& use = uses[size_t(at)];
            const int assembly = nodeOf(use);
            Node& to = nodes[size_t(local.at(assembly))];
            if (use.quantity == NotANumberCode)
                throw StoreError(QueryFailed,
                                 QCoreApplication::translate(
                                     "store", "The quantity of '%1' in '%2' is not a number.")
                                     .arg(QString::fromUtf8(ids.spelling(component)),
                                          QString::fromUtf8(ids.spelling(use.assembly))));
            if (use.quantity == NullCode || from.nullQuantity)
                to.nullQuantity = true;
            else
                to.quantity += lines.values[use.quantity - FirstValueCode] * from.quantity;
            to.paths = to.paths >= PathCountOver - from.paths ? PathCountOver : to.paths + from.paths;
            if (--to.pending == 0) {
                to.known = true;
                if (assembly != itself)
                    ready.push_back(assembly);
            }
        }
    }

    const auto idOf = [&](int node) { return node == itself ? itemId : node; };
    // Level, then ID in the order of the store's case rule.
    {
        struct Place {
            int level;
            QByteArrayView key;
            int node;
        };
        std::vector<Place> places;
        places.reserve(listed.size());
        for (const int node : listed)
            places.push_back({nodes[size_t(local.at(node))].level, ids.spelling(idOf(node)), node});
        std::sort(places.begin(), places.end(), [](const Place& a, const Place& b) {
            if (a.level != b.level)
                return a.level < b.level;
            return compareKeys(a.key, b.key) < 0;
        });
        for (size_t at = 0; at < places.size(); ++at)
            listed[at] = places[at].node;
    }

    const auto self = local.find(itself);
    // When the item contains itself, every assembly that uses it needs it without end.
    const bool itemOnCycle = self != local.end() && nodes[size_t(self->second)].level > 0;
    std::vector<WhereUsedRow> rows(listed.size());
    m->itemId = itemId;
    m->rowOfNode.reserve(listed.size());
    for (size_t at = 0; at < listed.size(); ++at) {
        const int node = listed[at];
        m->rowOfNode.emplace(node, int(at));
        const Node& found = nodes[size_t(local.at(node))];
        WhereUsedRow& row = rows[at];
        row.level = found.level;
        row.circular = !found.known || itemOnCycle;
        // Every line into a listed assembly leads up from the item too, so the lines held tell
        // whether any line uses it at all.
        row.top = node != itself && firstUse[size_t(node)] == firstUse[size_t(node) + 1];
        if (!row.circular && !found.nullQuantity)
            row.quantity = found.quantity;
        if (row.top && !row.circular)
            row.pathCount = found.paths;
    }
    std::vector<int> rowOfLocal(nodes.size(), -1);
    std::vector<int> localOfRow(listed.size());
    for (size_t at = 0; at < listed.size(); ++at) {
        localOfRow[at] = local.at(listed[at]);
        rowOfLocal[size_t(localOfRow[at])] = int(at);
    }
    listPaths(rows, std::move(onTheWay), rowOfLocal, localOfRow, nodeOfLocal, start);
    return rows;
}

void UpwardWalk::listPaths(std::vector<WhereUsedRow>& rows, std::vector<PathLine> onTheWay,
                           const std::vector<int>& rowOfLocal, const std::vector<int>& localOfRow,
                           const std::vector<int>& nodeOfLocal, int item) const {
    const UpwardLines::State& lines = *m->lines->m;
    const Ids& ids = lines.ids;
    const size_t nodeCount = rowOfLocal.size();
    // The lines grouped by assembly (a counting sort), so that a path goes down from one.
    std::vector<int> firstDown(nodeCount + 1, 0);
    for (const PathLine& line : onTheWay)
        ++firstDown[size_t(line.assembly) + 1];
    for (size_t k = 0; k < nodeCount; ++k)
        firstDown[k + 1] += firstDown[k];
    std::vector<PathLine> down(onTheWay.size());
    {
        std::vector<int> fill(firstDown.begin(), firstDown.end() - 1);
        for (const PathLine& line : onTheWay)
            down[size_t(fill[size_t(line.assembly)]++)] = line;
    }
    std::vector<PathLine>().swap(onTheWay);
    // An assembly's components in the tree's order (by ID under the store's case rule),
    // sorted only for the assemblies the listed paths pass through.
    std::vector<char> sorted(nodeCount, 0);
    const auto componentsOf = [&](int k) {
        const auto first = down.begin() + firstDown[size_t(k)];
        const auto last = down.begin() + firstDown[size_t(k) + 1];
        if (!sorted[size_t(k)]) {
            sorted[size_t(k)] = 1;
            std::stable_sort(first, last, [&](const PathLine& a, const PathLine& b) {
                return compareKeys(ids.spelling(nodeOfLocal[size_t(a.component)]),
                                   ids.spelling(nodeOfLocal[size_t(b.component)])) < 0;
            });
        }
        return std::pair(firstDown[size_t(k)], firstDown[size_t(k) + 1]);
    };
    const auto stepOf = [&](const PathLine& line) {
        WhereUsedStep step;
        step.row = rowOfLocal[size_t(line.component)];
        if (line.quantity >= FirstValueCode)
            step.quantity = lines.values[line.quantity - FirstValueCode];
        return step;
    };

    // Depth first from each top, as the tree opens it: every assembly on the way has a line on
    // the way, so each step down ends in a path (at the item, or at an assembly already on the
    // path), and the cost follows the paths listed, never the paths there are.
    int budget = PathsListedInAll;
    std::vector<char> onPath(nodeCount, 0);
    std::vector<int> chain; // the lines (in `down`) of the path so far
    struct Frame {
        int assembly;
        int next;
        int end;
    };
    std::vector<Frame> stack;
    for (size_t at = 0; at < rows.size() && budget > 0; ++at) {
        if (!rows[at].top)
            continue;
        const int top = localOfRow[at];
        const int wanted = std::min(budget, PathsPerFinishedItem);
        std::vector<WhereUsedPath>& found = rows[at].paths;
        const auto emit = [&](int last, bool circular) {
            WhereUsedPath path;
            path.circular = circular;
            path.steps.reserve(chain.size() + 1);
            for (const int line : chain)
                path.steps.push_back(stepOf(down[size_t(line)]));
            path.steps.push_back(stepOf(down[size_t(last)]));
            found.push_back(std::move(path));
        };
        const auto [first, end] = componentsOf(top);
        stack.push_back({top, first, end});
        onPath[size_t(top)] = 1;
        while (!stack.empty() && int(found.size()) < wanted) {
            Frame& frame = stack.back();
            if (frame.next == frame.end) {
                onPath[size_t(frame.assembly)] = 0;
                stack.pop_back();
                if (!chain.empty())
                    chain.pop_back();
                continue;
            }
            const int line = frame.next++;
            const int component = down[size_t(line)].component;
            if (component == item || onPath[size_t(component)]) {
                emit(line, component != item);
                continue;
            }
            chain.push_back(line);
            onPath[size_t(component)] = 1;
            const auto [from, to] = componentsOf(component);
            stack.push_back({component, from, to});
        }
        for (const Frame& frame : stack)
            onPath[size_t(frame.assembly)] = 0;
        stack.clear();
        chain.clear();
        budget -= int(found.size());
    }
}

} // namespace store
