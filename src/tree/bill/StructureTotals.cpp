// The sums over the loaded bill's paths: whether it has a cycle, and each item's rows, worked
// out over lines (each line once), and the walk that shows the paths.

#include "tree/bill/Structure.h"

#include <algorithm>
#include <limits>

namespace tree {

namespace {

qint64 saturatedSum(qint64 a, qint64 b) {
    qint64 sum = 0;
    return __builtin_add_overflow(a, b, &sum) ? std::numeric_limits<qint64>::max() : sum;
}

} // namespace

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

} // namespace tree
