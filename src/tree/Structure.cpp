#include "tree/Structure.h"

#include "store/ItemKey.h"

#include <limits>

namespace tree {

using store::foldKey;

namespace {

qint64 saturatedSum(qint64 a, qint64 b) {
    qint64 sum = 0;
    return __builtin_add_overflow(a, b, &sum) ? std::numeric_limits<qint64>::max() : sum;
}

} // namespace

int Structure::intern(const QString& key) {
    const auto found = m_itemOf.constFind(key);
    if (found != m_itemOf.cend())
        return *found;
    const int item = int(m_items.size());
    m_items.emplace_back().key = key;
    m_itemOf.insert(key, item);
    return item;
}

int Structure::itemOf(const QString& id) const { return m_itemOf.value(foldKey(id), -1); }

Structure::Line Structure::lineFrom(int assembly, const store::ComponentLine& read) {
    Line line;
    line.assembly = assembly;
    line.text = read.id;
    line.quantity = read.quantity;
    line.unit = read.unit.value_or(QString());
    line.description = read.description.value_or(QString());
    line.known = read.inItemMaster;
    line.component = intern(foldKey(read.id));
    return line;
}

void Structure::addBill(int item, const store::ComponentLines& lines) {
    std::vector<int>& bill = m_items[size_t(item)].lines;
    bill.reserve(size_t(lines.size()));
    for (const store::ComponentLine& read : lines) {
        m_lines.push_back(lineFrom(item, read)); // m_items may grow: `bill` is not used after
        m_items[size_t(item)].lines.push_back(int(m_lines.size()) - 1);
    }
}

void Structure::readBills(int from, const QHash<QString, store::ComponentLines>& bills) {
    // Every item reachable from `from` that the structure has not read yet: its bill is in
    // `bills`, or it has none.
    std::vector<int> pending{from};
    while (!pending.empty()) {
        const int item = pending.back();
        pending.pop_back();
        if (m_items[size_t(item)].read)
            continue;
        m_items[size_t(item)].read = true;
        if (const auto found = bills.constFind(m_items[size_t(item)].key); found != bills.cend())
            addBill(item, *found);
        for (int id : m_items[size_t(item)].lines)
            pending.push_back(m_lines[size_t(id)].component);
    }
}

void Structure::reset(const QString& top, const QHash<QString, store::ComponentLines>& lines) {
    m_topText = top;
    m_items.clear();
    m_itemOf.clear();
    m_lines.clear();
    m_itemOf.reserve(lines.size() * 2 + 1);
    m_lines.reserve(size_t(lines.size()) * 4);
    intern(foldKey(top));
    readBills(Top, lines);
    m_acyclic = findAcyclic();
}

int Structure::positionOf(int assembly, const QString& component) const {
    const QString key = foldKey(component);
    const int item = m_itemOf.value(key, -1);
    if (item < 0)
        return -1;
    const std::vector<int>& bill = m_items[size_t(assembly)].lines;
    for (size_t i = 0; i < bill.size(); ++i)
        if (m_lines[size_t(bill[i])].component == item)
            return int(i);
    return -1;
}

int Structure::insertLine(int assembly, int position, const store::ComponentLine& read,
                          const QHash<QString, store::ComponentLines>& bills) {
    m_lines.push_back(lineFrom(assembly, read));
    const int component = m_lines.back().component;
    const int id = int(m_lines.size()) - 1;
    std::vector<int>& bill = m_items[size_t(assembly)].lines;
    bill.insert(bill.begin() + std::clamp(position, 0, int(bill.size())), id);
    readBills(component, bills);
    // The new line may close a cycle, and so may the bills it brings or makes reachable: the
    // walk that tells is over the lines reachable from the top, a few milliseconds on the
    // largest bills, and a wrong answer would open a cycle without end.
    if (m_acyclic)
        m_acyclic = findAcyclic();
    return id;
}

int Structure::eraseLine(int assembly, int position) {
    std::vector<int>& bill = m_items[size_t(assembly)].lines;
    const int id = bill[size_t(position)];
    bill.erase(bill.begin() + position);
    if (!m_acyclic)
        m_acyclic = findAcyclic();
    return id;
}

void Structure::setQuantity(int lineId, std::optional<double> quantity) {
    m_lines[size_t(lineId)].quantity = quantity;
}

bool Structure::findAcyclic() const {
    // Colours of a depth-first walk from the loaded item: a line into an item still on the
    // walk's path closes a cycle.
    enum : quint8 { Unseen, OnPath, Done };
    std::vector<quint8> colour(m_items.size(), Unseen);
    std::vector<std::pair<int, size_t>> stack{{Top, 0}};
    colour[Top] = OnPath;
    while (!stack.empty()) {
        auto& [item, next] = stack.back();
        const std::vector<int>& bill = m_items[size_t(item)].lines;
        if (next == bill.size()) {
            colour[size_t(item)] = Done;
            stack.pop_back();
            continue;
        }
        const int component = m_lines[size_t(bill[next++])].component;
        if (colour[size_t(component)] == OnPath)
            return false;
        if (colour[size_t(component)] == Unseen) {
            colour[size_t(component)] = OnPath;
            stack.emplace_back(component, 0);
        }
    }
    return true;
}

Structure::Totals Structure::totals() const {
    const size_t items = m_items.size();
    Totals totals;
    totals.need.assign(items, std::nullopt);
    totals.circular.assign(items, false);

    // One depth-first walk from the loaded item, each item entered once: its pre-order is the
    // order in which the tree first shows the items, its post-order puts every item after all
    // that it uses, and a line into an item on the walk's path is one the tree shows circular.
    enum : quint8 { Unseen, OnPath, Done };
    std::vector<quint8> colour(items, Unseen);
    std::vector<bool> closesCycle(m_lines.size(), false);
    std::vector<bool> shown(items, false);
    std::vector<qint64> rows(items, 0);
    std::vector<int> postOrder;
    postOrder.reserve(items);
    std::vector<std::pair<int, size_t>> stack{{Top, 0}};
    colour[Top] = OnPath;
    while (!stack.empty()) {
        auto& [item, next] = stack.back();
        const std::vector<int>& bill = m_items[size_t(item)].lines;
        if (next == bill.size()) {
            colour[size_t(item)] = Done;
            qint64 below = 0;
            for (int id : bill) {
                below = saturatedSum(below, 1);
                if (!closesCycle[size_t(id)])
                    below = saturatedSum(below, rows[size_t(m_lines[size_t(id)].component)]);
            }
            rows[size_t(item)] = below;
            postOrder.push_back(item);
            stack.pop_back();
            continue;
        }
        const int id = bill[next++];
        const int component = m_lines[size_t(id)].component;
        if (!shown[size_t(component)]) {
            shown[size_t(component)] = true;
            totals.firstShown.emplace_back(component, id);
        }
        if (colour[size_t(component)] == OnPath) {
            closesCycle[size_t(id)] = true;
            totals.circular[size_t(component)] = true;
        } else if (colour[size_t(component)] == Unseen) {
            colour[size_t(component)] = OnPath;
            stack.emplace_back(component, 0);
        }
    }
    totals.rows = rows[Top];

    // Needs flow down in reverse post-order, so that an item's need is whole before it is
    // handed to its components; one Null quantity on the way leaves a need unknown.
    std::vector<double> need(items, 0);
    std::vector<bool> unknown(items, false);
    std::vector<double> closing(items, 0); // what lines that close a cycle add, not handed on
    need[Top] = 1;
    for (auto it = postOrder.rbegin(); it != postOrder.rend(); ++it) {
        const int item = *it;
        for (int id : m_items[size_t(item)].lines) {
            const Line& line = m_lines[size_t(id)];
            const size_t component = size_t(line.component);
            const bool lost = unknown[size_t(item)] || !line.quantity;
            const double added = lost ? 0 : need[size_t(item)] * *line.quantity;
            unknown[component] = unknown[component] || lost;
            if (closesCycle[size_t(id)])
                closing[component] += added;
            else
                need[component] += added;
        }
    }
    for (const auto& shownItem : totals.firstShown) {
        const size_t item = size_t(shownItem.first);
        // The loaded item's own need of 1 is not a line: it counts only where it is circular.
        if (!unknown[item])
            totals.need[item] = (item == Top ? 0 : need[item]) + closing[item];
    }
    return totals;
}

} // namespace tree
