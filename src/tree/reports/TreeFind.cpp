#include "tree/reports/TreeFind.h"

#include "tree/bill/BomTreeModel.h"
#include "tree/bill/Structure.h"
#include "tree/reports/FindText.h"

#include <QStringMatcher>

#include <limits>

namespace tree {

namespace {

qint64 saturatedSum(qint64 a, qint64 b) {
    qint64 sum = 0;
    return __builtin_add_overflow(a, b, &sum) ? std::numeric_limits<qint64>::max() : sum;
}

} // namespace

void TreeFind::setText(const QString& text) {
    m_text = text;
    m_folded = findFolded(text);
}

void TreeFind::update(const Structure& structure) {
    const bool sameStructure = m_structure == &structure && m_revision == structure.revision();
    if (sameStructure && m_foundFor == m_folded && !m_holds.empty())
        return;
    m_structure = &structure;
    const int lines = structure.lineCount();
    if (m_textsRevision != structure.revision() || !sameStructure) {
        // Folded once per change of the structure, not once per keystroke.
        qsizetype length = 0;
        for (int id = 0; id < lines; ++id)
            length += structure.line(id).text.size() + structure.line(id).description.size();
        m_lineTexts.resize(length);
        char16_t* const begin = reinterpret_cast<char16_t*>(m_lineTexts.data());
        char16_t* out = begin;
        m_bounds.assign(1, 0);
        m_bounds.reserve(2 * size_t(lines) + 1);
        for (int id = 0; id < lines; ++id) {
            out = writeFindFolded(out, structure.line(id).text);
            m_bounds.push_back(out - begin);
            out = writeFindFolded(out, structure.line(id).description);
            m_bounds.push_back(out - begin);
        }
        m_lineTexts.truncate(out - begin);
        m_textsRevision = structure.revision();
    }
    m_revision = structure.revision();
    m_foundFor = m_folded;

    // One pass over all the folded text; a hit counts inside one ID or one description.
    m_holds.assign(size_t(lines), false);
    if (!m_folded.isEmpty()) {
        const QStringMatcher matcher(m_folded, Qt::CaseSensitive);
        const qsizetype length = m_folded.size();
        size_t line = 0;
        qsizetype from = 0;
        for (qsizetype hit; line < size_t(lines) && (hit = matcher.indexIn(m_lineTexts, from)) >= 0;) {
            while (m_bounds[2 * line + 2] <= hit)
                ++line;
            const qsizetype descriptionStart = m_bounds[2 * line + 1];
            const qsizetype end = m_bounds[2 * line + 2];
            if (hit + length <= descriptionStart || (hit >= descriptionStart && hit + length <= end)) {
                m_holds[line] = true;
                from = end;
                ++line;
            } else {
                from = hit + 1;
            }
        }
    }

    // The hits below each state, each state after the states below it.
    const Structure::Walk& walk = structure.walk();
    m_exact = walk.exact;
    std::vector<qint64> below(walk.steps.size(), 0);
    for (const int state : walk.postOrder) {
        qint64 sum = 0;
        for (const Structure::Step& step : walk.steps[size_t(state)])
            sum = saturatedSum(saturatedSum(sum, holds(step.line) ? 1 : 0),
                               step.child < 0 ? 0 : below[size_t(step.child)]);
        below[size_t(state)] = sum;
    }
    m_count = below.empty() ? 0 : below[0];
    if (m_exact) {
        m_below = std::move(below);
        return;
    }
    // The states of a walk that cut its cycles once are no guide below a node that the tree
    // does not cut there: a step there goes by whether any line below an item holds the text,
    // over the lines themselves. That may send it into a subtree that the tree cuts before the
    // hit; it then comes back out, and never skips one.
    const int items = structure.itemCount();
    std::vector<std::vector<int>> users(static_cast<size_t>(items));
    std::vector<int> pending;
    m_below.assign(size_t(items), 0);
    for (int item = 0; item < items; ++item)
        for (const int line : structure.linesOf(item)) {
            users[size_t(structure.line(line).component)].push_back(item);
            if (holds(line) && !m_below[size_t(item)]) {
                m_below[size_t(item)] = 1;
                pending.push_back(item);
            }
        }
    while (!pending.empty()) {
        const int item = pending.back();
        pending.pop_back();
        for (const int user : users[size_t(item)])
            if (!m_below[size_t(user)]) {
                m_below[size_t(user)] = 1;
                pending.push_back(user);
            }
    }
}

qint64 TreeFind::hitCount(const Structure& structure) {
    update(structure);
    return m_count;
}

bool TreeFind::isExact(const Structure& structure) {
    update(structure);
    return m_exact;
}

int TreeFind::childState(const BomTreeModel& model, int state, const QModelIndex& child) const {
    if (state < 0 || model.isCircular(child))
        return -1;
    if (m_exact)
        return m_structure->walk().steps[size_t(state)][size_t(child.row())].child;
    return m_structure->line(model.lineOf(child)).component;
}

std::vector<int> TreeFind::statesTo(const BomTreeModel& model, const QModelIndex& node) const {
    std::vector<QModelIndex> chain;
    for (QModelIndex at = node; at.isValid(); at = at.parent())
        chain.push_back(at);
    std::vector<int> states;
    states.reserve(chain.size());
    int state = 0;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        states.push_back(state = childState(model, state, *it));
    return states;
}

QModelIndex TreeFind::firstIn(BomTreeModel& model, const QModelIndex& parent, int state, int from) {
    if (parent.isValid() && model.rowCount(parent) == 0 && model.canFetchMore(parent))
        model.fetchMore(parent);
    const int rows = model.rowCount(parent);
    for (int row = std::max(from, 0); row < rows; ++row) {
        const QModelIndex child = model.index(row, 0, parent);
        if (holds(model.lineOf(child)))
            return child;
        const int below = childState(model, state, child);
        if (this->below(below) > 0)
            if (const QModelIndex hit = firstIn(model, child, below, 0); hit.isValid())
                return hit;
    }
    return {};
}

QModelIndex TreeFind::lastIn(BomTreeModel& model, const QModelIndex& parent, int state, int from) {
    if (parent.isValid() && model.rowCount(parent) == 0 && model.canFetchMore(parent))
        model.fetchMore(parent);
    for (int row = std::min(from, model.rowCount(parent) - 1); row >= 0; --row) {
        const QModelIndex child = model.index(row, 0, parent);
        const int below = childState(model, state, child);
        if (this->below(below) > 0)
            if (const QModelIndex hit = lastIn(model, child, below, std::numeric_limits<int>::max());
                hit.isValid())
                return hit;
        if (holds(model.lineOf(child)))
            return child;
    }
    return {};
}

QModelIndex TreeFind::find(BomTreeModel& model, const QModelIndex& from, bool forward,
                           bool inclusive) {
    update(model.structure());
    if (m_count == 0 && m_exact)
        return {};
    const QModelIndex start = from.isValid() ? from.siblingAtColumn(0) : QModelIndex();
    if (inclusive && start.isValid() && holds(model.lineOf(start)))
        return start;
    constexpr int Last = std::numeric_limits<int>::max();
    if (start.isValid()) {
        const std::vector<int> states = statesTo(model, start);
        size_t level = states.size() - 1;
        QModelIndex at = start;
        if (forward)
            if (const QModelIndex hit = firstIn(model, at, states[level], 0); hit.isValid())
                return hit;
        // Then the nodes after (or before) `at` beside it, its parent's, and so on up.
        while (at.isValid()) {
            const QModelIndex parent = at.parent();
            const int parentState = level == 0 ? 0 : states[level - 1];
            const QModelIndex hit = forward ? firstIn(model, parent, parentState, at.row() + 1)
                                            : lastIn(model, parent, parentState, at.row() - 1);
            if (hit.isValid())
                return hit;
            if (!forward && parent.isValid() && holds(model.lineOf(parent)))
                return parent;
            at = parent;
            if (level > 0)
                --level;
        }
    }
    // Round from the other end of the tree.
    return forward ? firstIn(model, {}, 0, 0) : lastIn(model, {}, 0, Last);
}

std::optional<qint64> TreeFind::position(const BomTreeModel& model, const QModelIndex& node) {
    update(model.structure());
    if (!m_exact || !node.isValid() || !holds(model.lineOf(node)))
        return std::nullopt;
    // The hits before the node in the tree's order: at each level, the siblings before it
    // with their subtrees, and the parent itself.
    const Structure::Walk& walk = m_structure->walk();
    const std::vector<int> states = statesTo(model, node);
    qint64 before = 0;
    QModelIndex at = node.siblingAtColumn(0);
    for (size_t level = states.size(); level-- > 0; at = at.parent()) {
        const int parentState = level == 0 ? 0 : states[level - 1];
        const std::vector<Structure::Step>& steps = walk.steps[size_t(parentState)];
        for (int row = 0; row < at.row(); ++row)
            before = saturatedSum(saturatedSum(before, holds(steps[size_t(row)].line) ? 1 : 0),
                                  below(steps[size_t(row)].child));
        if (level > 0 && holds(model.lineOf(at.parent())))
            before = saturatedSum(before, 1);
    }
    return saturatedSum(before, 1);
}

} // namespace tree
