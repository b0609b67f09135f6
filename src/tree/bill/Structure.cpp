#include "tree/bill/Structure.h"

#include "store/ItemKey.h"
#include "store/runtime/StoreThread.h"
#include "tree/bill/LiveChanges.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <tuple>

namespace tree {

using store::foldKey;

namespace {

qint64 saturatedSum(qint64 a, qint64 b) {
    qint64 sum = 0;
    return __builtin_add_overflow(a, b, &sum) ? std::numeric_limits<qint64>::max() : sum;
}

/// Below this many lines a bill is freed where it is left: handing it on costs more. A larger
/// one (a bill of a million lines takes the window's thread almost half a second to free, and
/// the next bill's top level waited for it) is freed as an errand of the store's threads; the
/// strings in it may be shared, and their counts are atomic.
constexpr size_t FreedInPlace = 20'000;

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
    line.startDate = read.startDate;
    line.component = intern(foldKey(read.id));
    if (m_items[size_t(line.component)].text.isEmpty())
        m_items[size_t(line.component)].text = read.id;
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

void Structure::readBills(int from, const QHash<QString, store::ComponentLines>& bills,
                          const QSet<QString>* only) {
    // Every item reachable from `from` that the structure has not read yet: its bill is in
    // `bills`, or it has none.
    std::vector<int> pending{from};
    while (!pending.empty()) {
        const int item = pending.back();
        pending.pop_back();
        if (m_items[size_t(item)].read || (only && !only->contains(m_items[size_t(item)].key)))
            continue;
        m_items[size_t(item)].read = true;
        m_items[size_t(item)].marked = false;
        if (const auto found = bills.constFind(m_items[size_t(item)].key); found != bills.cend())
            addBill(item, *found);
        for (int id : m_items[size_t(item)].lines)
            pending.push_back(m_lines[size_t(id)].component);
    }
}

void Structure::reset(const QString& top, const QHash<QString, store::ComponentLines>& lines) {
    startAt(top, lines);
    readBills(Top, lines);
    m_acyclic = findAcyclic();
}

void Structure::reset(const QString& top, const QHash<QString, store::ComponentLines>& lines,
                      const QSet<QString>& read, const QSet<QString>& marked) {
    startAt(top, lines);
    readBills(Top, lines, &read);
    mark(marked);
    m_acyclic = findAcyclic();
}

void Structure::mark(const QSet<QString>& marked) {
    for (const QString& key : marked)
        if (const int item = m_itemOf.value(key, -1); item >= 0 && !m_items[size_t(item)].read)
            m_items[size_t(item)].marked = true;
}

void Structure::startAt(const QString& top, const QHash<QString, store::ComponentLines>& lines) {
    if (m_lines.size() >= FreedInPlace) {
        // Moved from, each is empty.
        auto left = std::make_shared<std::tuple<decltype(m_items), decltype(m_itemOf),
                                                decltype(m_lines), decltype(m_totals),
                                                decltype(m_walk)>>(
            std::move(m_items), std::move(m_itemOf), std::move(m_lines), std::move(m_totals),
            std::move(m_walk));
        store::runErrand([left = std::move(left)]() mutable { left.reset(); });
        m_items = {};
        m_itemOf = {};
        m_lines = {};
        m_walk = {};
    }
    changed();
    m_topText = top;
    m_items.clear();
    m_itemOf.clear();
    m_lines.clear();
    m_itemOf.reserve(lines.size() * 2 + 1);
    m_lines.reserve(size_t(lines.size()) * 4);
    intern(foldKey(top));
    m_items[Top].text = top;
}

bool Structure::readItems(const QHash<QString, store::ComponentLines>& lines,
                          const QSet<QString>& read, const QSet<QString>& marked) {
    bool any = false;
    for (const QString& key : read)
        if (const int item = m_itemOf.value(key, -1); item >= 0 && !m_items[size_t(item)].read) {
            readBills(item, lines, &read);
            any = true;
        }
    mark(marked);
    if (any) {
        changed();
        // A bill read now may close a cycle that the nodes about to be made must show.
        m_acyclic = findAcyclic();
    }
    return any;
}

bool Structure::readRest(const QHash<QString, store::ComponentLines>& lines) {
    const std::vector<int> unread = unreadItems();
    for (const int item : unread)
        readBills(item, lines);
    if (unread.empty())
        return false;
    changed();
    m_acyclic = findAcyclic();
    return true;
}

QStringList Structure::unreadReached() const {
    QStringList unread;
    for (const int item : unreadItems())
        unread.append(m_items[size_t(item)].text);
    return unread;
}

std::vector<int> Structure::unreadItems() const {
    std::vector<int> unread;
    std::vector<bool> seen(m_items.size(), false);
    std::vector<int> pending{Top};
    seen[Top] = true;
    while (!pending.empty()) {
        const int item = pending.back();
        pending.pop_back();
        if (!m_items[size_t(item)].read) {
            unread.push_back(item);
            continue;
        }
        for (int id : m_items[size_t(item)].lines)
            if (const int below = m_lines[size_t(id)].component; !seen[size_t(below)]) {
                seen[size_t(below)] = true;
                pending.push_back(below);
            }
    }
    return unread;
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
    changed();
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
    changed();
    std::vector<int>& bill = m_items[size_t(assembly)].lines;
    const int id = bill[size_t(position)];
    bill.erase(bill.begin() + position);
    if (!m_acyclic)
        m_acyclic = findAcyclic();
    return id;
}

void Structure::setQuantity(int lineId, std::optional<double> quantity) {
    changed();
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

Structure::Totals Structure::firstWalkTotals(Walk* kept) const {
    const size_t items = m_items.size();
    Totals totals;
    totals.need.assign(items, std::nullopt);
    totals.circular.assign(items, false);

    // One depth-first walk from the loaded item, each item entered once: its pre-order is the
    // order in which the tree first shows the items, its post-order puts every item after all
    // that it uses, and a line into an item on the walk's path is one the tree shows circular.
    // Each item is a state of its own.
    enum : quint8 { Unseen, OnPath, Done };
    std::vector<quint8> colour(items, Unseen);
    std::vector<bool> shown(items, false);
    std::vector<std::vector<Step>> steps(items);
    std::vector<int> postOrder;
    postOrder.reserve(items);
    std::vector<std::pair<int, size_t>> stack{{Top, 0}};
    colour[Top] = OnPath;
    while (!stack.empty()) {
        auto& [item, next] = stack.back();
        const std::vector<int>& bill = m_items[size_t(item)].lines;
        if (next == bill.size()) {
            colour[size_t(item)] = Done;
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
            totals.circular[size_t(component)] = true;
            steps[size_t(item)].push_back({id, -1});
            continue;
        }
        steps[size_t(item)].push_back({id, component});
        if (colour[size_t(component)] == Unseen) {
            colour[size_t(component)] = OnPath;
            stack.emplace_back(component, 0);
        }
    }
    sumOverWalk(steps, postOrder, totals);
    if (kept)
        *kept = {std::move(steps), std::move(postOrder), m_acyclic};
    return totals;
}

void Structure::sumOverWalk(const std::vector<std::vector<Step>>& steps,
                            const std::vector<int>& postOrder, Totals& totals) const {
    // Rows in post-order, each state after the states below it.
    std::vector<qint64> rows(steps.size(), 0);
    for (int state : postOrder) {
        qint64 below = 0;
        for (const Step& step : steps[size_t(state)])
            below = saturatedSum(saturatedSum(below, 1), step.child < 0 ? 0 : rows[size_t(step.child)]);
        rows[size_t(state)] = below;
    }
    totals.rows = rows.empty() ? 0 : rows[0];

    // What each state's nodes need in all flows down in reverse post-order, which puts every
    // state before the states below it; one Null quantity on the way leaves a need unknown.
    // The loaded item's own need of 1 is not a line: only lines add to an item's total.
    const size_t items = m_items.size();
    std::vector<double> weight(steps.size(), 0), need(items, 0);
    std::vector<bool> weightLost(steps.size(), false), needLost(items, false);
    weight[0] = 1;
    for (auto it = postOrder.rbegin(); it != postOrder.rend(); ++it) {
        const size_t state = size_t(*it);
        for (const Step& step : steps[state]) {
            const Line& line = m_lines[size_t(step.line)];
            const bool lost = weightLost[state] || !line.quantity;
            const double added = lost ? 0 : weight[state] * *line.quantity;
            need[size_t(line.component)] += added;
            needLost[size_t(line.component)] = needLost[size_t(line.component)] || lost;
            if (step.child >= 0) {
                weight[size_t(step.child)] += added;
                weightLost[size_t(step.child)] = weightLost[size_t(step.child)] || lost;
            }
        }
    }
    for (const auto& shownItem : totals.firstShown) {
        const size_t item = size_t(shownItem.first);
        if (!needLost[item])
            totals.need[item] = need[item];
    }
}

std::optional<Structure::Totals> Structure::exactTotals(Walk* kept) const {
    const size_t items = m_items.size();
    // The items that reach each other (a cycle's items) by Tarjan's walk, without recursion.
    // Below a node, only the items of its own group that stand on its path change what the
    // tree shows: an item of another group on the path could not be reached from it.
    std::vector<int> group(items, -1), low(items, 0), order(items, -1), bit(items, 0);
    std::vector<int> groupSize;
    {
        std::vector<int> stack;
        std::vector<bool> onStack(items, false);
        std::vector<std::pair<int, size_t>> walk{{Top, 0}};
        int counter = 0;
        order[Top] = low[Top] = counter++;
        stack.push_back(Top);
        onStack[Top] = true;
        while (!walk.empty()) {
            auto& [item, next] = walk.back();
            const std::vector<int>& bill = m_items[size_t(item)].lines;
            if (next < bill.size()) {
                const int component = m_lines[size_t(bill[next++])].component;
                if (order[size_t(component)] < 0) {
                    order[size_t(component)] = low[size_t(component)] = counter++;
                    stack.push_back(component);
                    onStack[size_t(component)] = true;
                    walk.emplace_back(component, 0);
                } else if (onStack[size_t(component)]) {
                    low[size_t(item)] = std::min(low[size_t(item)], order[size_t(component)]);
                }
                continue;
            }
            const int done = item;
            walk.pop_back();
            if (!walk.empty())
                low[size_t(walk.back().first)] =
                    std::min(low[size_t(walk.back().first)], low[size_t(done)]);
            if (low[size_t(done)] == order[size_t(done)]) {
                const int id = int(groupSize.size());
                int size = 0;
                for (int member = -1; member != done;) {
                    member = stack.back();
                    stack.pop_back();
                    onStack[size_t(member)] = false;
                    group[size_t(member)] = id;
                    bit[size_t(member)] = size++;
                }
                if (size > 64)
                    return std::nullopt;
                groupSize.push_back(size);
            }
        }
    }

    // A state is an item with the set of its group's items on the path above it (itself
    // included); equal states have equal subtrees, so each is walked once.
    struct State {
        int item;
        quint64 onPath;
    };
    std::vector<State> states;
    std::vector<std::vector<Step>> steps;
    QHash<std::pair<int, quint64>, int> stateOf;
    constexpr size_t StateLimit = 200'000;
    const auto stateFor = [&](int item, quint64 onPath) {
        const auto key = std::pair(item, onPath);
        if (const auto found = stateOf.constFind(key); found != stateOf.cend())
            return std::pair(*found, false);
        const int id = int(states.size());
        states.push_back({item, onPath});
        steps.emplace_back();
        stateOf.insert(key, id);
        return std::pair(id, true);
    };

    Totals totals;
    totals.need.assign(items, std::nullopt);
    totals.circular.assign(items, false);
    std::vector<bool> shown(items, false);
    std::vector<int> postOrder;
    // Depth-first over the states in the tree's order: its pre-order is the order in which
    // the tree first shows each item, as a state met again shows nothing new.
    std::vector<std::pair<int, size_t>> walk{{stateFor(Top, quint64(1) << bit[Top]).first, 0}};
    while (!walk.empty()) {
        auto& [state, next] = walk.back();
        const State here = states[size_t(state)];
        const std::vector<int>& bill = m_items[size_t(here.item)].lines;
        if (next == bill.size()) {
            postOrder.push_back(state);
            walk.pop_back();
            continue;
        }
        const int line = bill[next++];
        const int component = m_lines[size_t(line)].component;
        if (!shown[size_t(component)]) {
            shown[size_t(component)] = true;
            totals.firstShown.emplace_back(component, line);
        }
        const quint64 mine = quint64(1) << bit[size_t(component)];
        const bool sameGroup = group[size_t(component)] == group[size_t(here.item)];
        if (sameGroup && (here.onPath & mine)) {
            totals.circular[size_t(component)] = true;
            steps[size_t(state)].push_back({line, -1});
            continue;
        }
        const auto [child, isNew] = stateFor(component, sameGroup ? here.onPath | mine : mine);
        steps[size_t(state)].push_back({line, child}); // `state` is still valid: an index
        if (states.size() > StateLimit)
            return std::nullopt;
        if (isNew)
            walk.emplace_back(child, 0);
    }

    sumOverWalk(steps, postOrder, totals);
    if (kept)
        *kept = {std::move(steps), std::move(postOrder), true};
    return totals;
}

const Structure::Totals& Structure::totals() const {
    // Kept until the next change: Expand All, its message and the export's question all ask.
    if (!m_totals) {
        if (m_acyclic)
            m_totals = firstWalkTotals(&m_walk); // exact without cycles, one pass over the lines
        else if (std::optional<Totals> exact = exactTotals(&m_walk))
            m_totals = std::move(exact);
        else
            m_totals = firstWalkTotals(&m_walk);
    }
    return *m_totals;
}

const Structure::Walk& Structure::walk() const {
    totals();
    return m_walk;
}

void Structure::shownItems(std::vector<bool>& reached, std::vector<bool>& component) const {
    reached.assign(m_items.size(), false);
    component.assign(m_items.size(), false);
    std::vector<int> pending{Top};
    reached[Top] = true;
    while (!pending.empty()) {
        const int item = pending.back();
        pending.pop_back();
        for (int id : m_items[size_t(item)].lines) {
            const int below = m_lines[size_t(id)].component;
            component[size_t(below)] = true;
            if (!reached[size_t(below)]) {
                reached[size_t(below)] = true;
                pending.push_back(below);
            }
        }
    }
}

Structure::Refresh Structure::applyFresh(const FreshLines& fresh) {
    const size_t before = m_items.size();
    Refresh refresh;
    refresh.billChanged.assign(before, false);
    refresh.hadLines.resize(before);
    std::vector<bool> billValues(before, false);
    for (size_t i = 0; i < before; ++i)
        refresh.hadLines[i] = !m_items[i].lines.empty();
    std::vector<bool> reachedBefore, componentBefore;
    shownItems(reachedBefore, componentBefore);

    // The facts of each item as now stored, from every line read and every row read: they go
    // into every line of the item, not only the lines read.
    struct Facts {
        QString unit;
        QString description;
        bool known = false;
    };
    QHash<int, Facts> facts;
    for (const store::ComponentLines& bill : fresh.bills)
        for (const store::ComponentLine& read : bill)
            if (const int item = m_itemOf.value(foldKey(read.id), -1); item >= 0)
                facts.insert(item, {read.unit.value_or(QString()),
                                    read.description.value_or(QString()), read.inItemMaster});
    for (auto it = fresh.items.cbegin(); it != fresh.items.cend(); ++it)
        if (const int item = m_itemOf.value(it.key(), -1); item >= 0)
            facts.insert(item, *it ? Facts{(*it)->unit.value_or(QString()),
                                           (*it)->description.value_or(QString()), true}
                                   : Facts{});

    // Each bill read again replaces the one held. A line whose component stays keeps its
    // number (its nodes stay); the others go, and new ones are numbered after every other.
    std::vector<int> added;
    const auto replace = [&](int item, const store::ComponentLines& now) {
        const std::vector<int> old = m_items[size_t(item)].lines;
        QHash<int, std::pair<int, int>> oldOf; // component -> (line, place in the old bill)
        oldOf.reserve(qsizetype(old.size()));
        for (size_t place = 0; place < old.size(); ++place)
            oldOf.insert(m_lines[size_t(old[place])].component, {old[place], int(place)});
        std::vector<int> lines;
        lines.reserve(size_t(now.size()));
        bool membership = false;
        int lastKept = -1;
        for (const store::ComponentLine& read : now) {
            const int component = m_itemOf.value(foldKey(read.id), -1);
            const auto kept = component < 0 ? oldOf.end() : oldOf.find(component);
            if (kept == oldOf.end()) {
                m_lines.push_back(lineFrom(item, read));
                lines.push_back(int(m_lines.size()) - 1);
                added.push_back(lines.back());
                membership = true;
                continue;
            }
            const auto [id, place] = *kept;
            oldOf.erase(kept);
            if (place < lastKept)
                membership = refresh.reordered = true;
            lastKept = place;
            Line& line = m_lines[size_t(id)];
            if (line.quantity != read.quantity || line.text != read.id ||
                line.startDate != read.startDate) {
                line.quantity = read.quantity;
                line.text = read.id;
                line.startDate = read.startDate;
                billValues[size_t(item)] = true;
                refresh.valuesChanged = true;
            }
            lines.push_back(id);
        }
        m_items[size_t(item)].lines = std::move(lines);
        if (membership || !oldOf.isEmpty())
            refresh.billChanged[size_t(item)] = true;
    };
    if (fresh.everything) {
        for (size_t i = 0; i < before; ++i)
            if (m_items[i].read)
                replace(int(i), fresh.bills.value(m_items[i].key));
    } else {
        for (const QString& key : fresh.billsRead)
            if (const int item = m_itemOf.value(key, -1); item >= 0 && m_items[size_t(item)].read)
                replace(item, fresh.bills.value(key));
    }
    for (int id : added)
        readBills(m_lines[size_t(id)].component, fresh.bills);
    // A re-read of everything holds the bills that a load still reading its lower levels
    // lacks: the structure is whole from here on, as the database stands now.
    if (fresh.everything)
        readRest(fresh.bills);

    std::vector<bool> factsChanged(m_items.size(), false);
    if (!facts.isEmpty())
        for (Line& line : m_lines) {
            const auto found = facts.constFind(line.component);
            if (found == facts.cend() ||
                (line.unit == found->unit && line.description == found->description &&
                 line.known == found->known))
                continue;
            line.unit = found->unit;
            line.description = found->description;
            line.known = found->known;
            factsChanged[size_t(line.component)] = true;
            refresh.valuesChanged = true;
        }

    std::vector<bool> reached, component;
    shownItems(reached, component);
    // A bill the loaded item no longer reaches was not read again, and may be out of date by
    // now: a line that reaches it later reads it anew.
    bool forgot = false;
    if (fresh.everything)
        for (size_t i = 0; i < m_items.size(); ++i)
            if (!reached[i] && m_items[i].read) {
                m_items[i].read = false;
                m_items[i].lines.clear();
                forgot = true;
            }
    // What was worked out over the structure stays while a re-read finds nothing new: a file
    // is re-read whole after every other program's commit.
    if (forgot || refresh.valuesChanged ||
        std::find(refresh.billChanged.cbegin(), refresh.billChanged.cend(), true) !=
            refresh.billChanged.cend()) {
        changed();
        m_acyclic = findAcyclic();
    }

    // Listed: what showed before and shows now, differently.
    for (size_t i = 0; i < before; ++i) {
        if (reached[i] && reachedBefore[i] && (refresh.billChanged[i] || billValues[i]))
            refresh.assemblies.append(m_items[i].text);
        if (component[i] && componentBefore[i] && factsChanged[i])
            refresh.items.append(m_items[i].text);
    }
    refresh.billChanged.resize(m_items.size(), false);
    refresh.hadLines.resize(m_items.size(), false);
    return refresh;
}

} // namespace tree
