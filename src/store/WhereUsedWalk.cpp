#include "store/WhereUsedWalk.h"

#include "store/StoreError.h"

#include <QByteArray>

#include <algorithm>
#include <cstring>
#include <deque>

namespace store {

namespace {

/// Every distinct item ID of the table, numbered as first met, under the store's case rule:
/// one copy of each ID and an open-addressing table over them, so that the pass over the
/// table allocates nothing per line.
class Ids {
public:
    int count() const { return int(m_place.size()); }
    /// The number of the ID with these stored bytes; a new one when it is not known yet.
    int intern(QByteArrayView stored) { return lookup(stored, true); }
    /// The number of the ID, or -1 when the table does not hold it.
    int find(QByteArrayView stored) { return lookup(stored, false); }
    /// The folded form, by which IDs compare and sort as NOCASE does.
    QByteArrayView key(int id) const {
        return QByteArrayView(m_arena).sliced(m_place[size_t(id)].first, m_place[size_t(id)].second);
    }
    /// The ID as first met in the table.
    QByteArrayView spelling(int id) const {
        const auto [at, length] = m_place[size_t(id)];
        return QByteArrayView(m_arena).sliced(at + length, length);
    }

private:
    int lookup(QByteArrayView stored, bool add) {
        // Folded and hashed (FNV-1a) in one go.
        if (m_folded.size() < stored.size())
            m_folded.resize(stored.size());
        char* folded = m_folded.data();
        quint32 hash = 2166136261u;
        for (qsizetype i = 0; i < stored.size(); ++i) {
            const char c = stored[i];
            folded[i] = c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
            hash = (hash ^ uchar(folded[i])) * 16777619u;
        }
        const QByteArrayView key(folded, stored.size());
        if (m_place.size() * 2 >= m_slots.size())
            grow();
        const size_t mask = m_slots.size() - 1;
        for (size_t at = hash & mask;; at = (at + 1) & mask) {
            const Slot slot = m_slots[at];
            if (slot.id < 0) {
                if (!add)
                    return -1;
                m_slots[at] = {hash, count()};
                m_place.emplace_back(m_arena.size(), stored.size());
                m_arena.append(key).append(stored);
                return m_slots[at].id;
            }
            if (slot.hash == hash) {
                const auto [place, length] = m_place[size_t(slot.id)];
                if (length == key.size() &&
                    std::memcmp(m_arena.constData() + place, folded, size_t(length)) == 0)
                    return slot.id;
            }
        }
    }
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
        int id = -1;
    };
    QByteArray m_folded;                              // the ID being sought, folded
    QByteArray m_arena;                               // each ID folded, then as stored
    std::vector<std::pair<qsizetype, qsizetype>> m_place; // per ID: where, and how long
    std::vector<Slot> m_slots;
};

} // namespace

/// One line as the walk needs it.
struct Line {
    int assembly;
    int component;
    double quantity;
    UpwardWalk::Quantity kind;
};

struct UpwardWalk::State {
    Ids ids;
    std::vector<Line> lines;
    int lastAssembly = -1;
    // What walk() found, for spelling() and rowOf(): the node of each row, and the row of each
    // node (node n standing for the item as an assembly of its own structure).
    std::vector<int> listed;
    std::vector<int> rowOfNode;
    int itemId = -1;
};

UpwardWalk::UpwardWalk() : m(std::make_unique<State>()) {}

UpwardWalk::~UpwardWalk() = default;

void UpwardWalk::addLine(QByteArrayView assembly, QByteArrayView component, Quantity kind,
                         double quantity) {
    // Lines come grouped by assembly in most tables, so an assembly is looked up once for its
    // group.
    if (m->lastAssembly < 0 || m->ids.spelling(m->lastAssembly) != assembly)
        m->lastAssembly = m->ids.intern(assembly);
    m->lines.push_back({m->lastAssembly, m->ids.intern(component), quantity, kind});
}

QByteArrayView UpwardWalk::spelling(size_t row) const {
    const int node = m->listed[row];
    return m->ids.spelling(node == m->ids.count() ? m->itemId : node);
}

int UpwardWalk::rowOf(QByteArrayView id) {
    const int found = m->ids.find(id);
    if (found < 0 || m->rowOfNode.empty())
        return -1;
    return m->rowOfNode[size_t(found == m->itemId ? m->ids.count() : found)];
}

std::vector<WhereUsedRow> UpwardWalk::walk(const QString& item) {
    Ids& ids = m->ids;
    const std::vector<Line>& lines = m->lines;
    const int itemId = ids.find(item.toUtf8());
    m->listed.clear();
    m->rowOfNode.clear();
    if (itemId < 0)
        return {};
    // The lines that use each ID, one run per ID.
    const int n = ids.count();
    std::vector<int> firstUse(size_t(n) + 1, 0);
    for (const Line& line : lines)
        ++firstUse[size_t(line.component) + 1];
    for (int id = 0; id < n; ++id)
        firstUse[size_t(id) + 1] += firstUse[size_t(id)];
    std::vector<int> users(lines.size());
    {
        std::vector<int> fill(firstUse.begin(), firstUse.end() - 1);
        for (size_t at = 0; at < lines.size(); ++at)
            users[size_t(fill[size_t(lines[at].component)]++)] = int(at);
    }

    // Upward, level by level (breadth first): the first level that reaches an assembly is its
    // fewest steps down to the item. Each assembly is expanded once, so a cycle ends the walk
    // instead of looping. The item met again above it stands for itself as an assembly (node
    // n) and is not expanded: the assemblies above it are the item's own, already on the way.
    const int itself = n;
    const auto nodeOf = [&](const Line& line) {
        return line.assembly == itemId ? itself : line.assembly;
    };
    std::vector<int> level(size_t(n) + 1, 0);
    std::vector<int> pending(size_t(n) + 1, 0); // its lines whose component has no quantity yet
    std::vector<int>& listed = m->listed;
    std::vector<int> frontier{itemId};
    for (int steps = 1; !frontier.empty(); ++steps) {
        std::vector<int> next;
        for (const int component : frontier)
            for (int at = firstUse[size_t(component)]; at < firstUse[size_t(component) + 1]; ++at) {
                const int assembly = nodeOf(lines[size_t(users[size_t(at)])]);
                if (level[size_t(assembly)] == 0) {
                    level[size_t(assembly)] = steps;
                    listed.push_back(assembly);
                    if (assembly != itself)
                        next.push_back(assembly);
                }
                ++pending[size_t(assembly)];
            }
        frontier = std::move(next);
    }

    // Quantities from the item upward: an assembly's is known once those of all its components
    // on the way are (the order of a walk without cycles). What stays unknown is on a cycle or
    // above one.
    std::vector<double> quantity(size_t(n) + 1, 0);
    std::vector<char> nullQuantity(size_t(n) + 1, 0);
    std::vector<char> known(size_t(n) + 1, 0);
    quantity[size_t(itemId)] = 1;
    std::deque<int> ready{itemId};
    while (!ready.empty()) {
        const int component = ready.front();
        ready.pop_front();
        for (int at = firstUse[size_t(component)]; at < firstUse[size_t(component) + 1]; ++at) {
            const Line& line = lines[size_t(users[size_t(at)])];
            const auto assembly = size_t(nodeOf(line));
            if (line.kind == Quantity::NotANumber)
                throw StoreError(QueryFailed,
                                 QStringLiteral("The quantity of '%1' in '%2' is not a number.")
                                     .arg(QString::fromUtf8(ids.spelling(component)),
                                          QString::fromUtf8(ids.spelling(line.assembly))));
            if (line.kind == Quantity::Null || nullQuantity[size_t(component)])
                nullQuantity[assembly] = 1;
            else
                quantity[assembly] += line.quantity * quantity[size_t(component)];
            if (--pending[assembly] == 0) {
                known[assembly] = 1;
                if (int(assembly) != itself)
                    ready.push_back(int(assembly));
            }
        }
    }

    const auto idOf = [&](int node) { return node == itself ? itemId : node; };
    // Level, then ID in the order of the store's case rule (NOCASE compares folded bytes).
    {
        struct Place {
            int level;
            QByteArrayView key;
            int node;
        };
        std::vector<Place> places;
        places.reserve(listed.size());
        for (const int node : listed)
            places.push_back({level[size_t(node)], ids.key(idOf(node)), node});
        std::sort(places.begin(), places.end(), [](const Place& a, const Place& b) {
            if (a.level != b.level)
                return a.level < b.level;
            const int bytes = std::memcmp(a.key.data(), b.key.data(),
                                          size_t(std::min(a.key.size(), b.key.size())));
            return bytes != 0 ? bytes < 0 : a.key.size() < b.key.size();
        });
        for (size_t at = 0; at < places.size(); ++at)
            listed[at] = places[at].node;
    }

    std::vector<WhereUsedRow> rows(listed.size());
    std::vector<int>& rowOf = m->rowOfNode;
    rowOf.assign(size_t(n) + 1, -1);
    m->itemId = itemId;
    for (size_t at = 0; at < listed.size(); ++at) {
        const int node = listed[at];
        rowOf[size_t(node)] = int(at);
        WhereUsedRow& row = rows[at];
        row.level = level[size_t(node)];
        // When the item contains itself, every assembly that uses it needs it without end.
        row.circular = !known[size_t(node)] || level[size_t(itself)] > 0;
        if (!row.circular && !nullQuantity[size_t(node)])
            row.quantity = quantity[size_t(node)];
    }
    return rows;
}

} // namespace store
