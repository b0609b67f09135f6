#include "tree/bill/LoadCounts.h"

#include "tree/bill/BomDocument.h"
#include "tree/bill/Structure.h"
#include "tree/edits/Quantity.h"

#include <QCoreApplication>
#include <QLocale>

#include <algorithm>
#include <limits>

namespace tree {

LoadCounts loadCounts(const Structure& structure) {
    const Structure::Totals& totals = structure.totals();
    const Structure::Walk& walk = structure.walk();
    LoadCounts counts;
    counts.rows = totals.rows;
    if (walk.steps.empty())
        return counts;
    counts.components = qint64(walk.steps[0].size());
    // A state's depth is the same wherever it stands, as its subtree is: one pass in
    // post-order, children before their parents. A circular row ends its path where it stands.
    std::vector<qint64> depth(walk.steps.size(), 0);
    std::vector<bool> shown(size_t(structure.lineCount()), false);
    for (const int state : walk.postOrder) {
        qint64 deepest = 0;
        for (const Structure::Step& step : walk.steps[size_t(state)]) {
            deepest = std::max(deepest, 1 + (step.child < 0 ? 0 : depth[size_t(step.child)]));
            if (!shown[size_t(step.line)]) {
                shown[size_t(step.line)] = true;
                ++counts.lines;
            }
        }
        depth[size_t(state)] = deepest;
    }
    counts.levels = depth[0];
    return counts;
}

namespace {

qint64 saturatedSum(qint64 a, qint64 b) {
    qint64 sum = 0;
    return __builtin_add_overflow(a, b, &sum) ? std::numeric_limits<qint64>::max() : sum;
}

} // namespace

bool CountKeeper::follows(const Structure& structure) {
    if (!m_valid || structure.revision() != m_revision + 1 || !structure.isAcyclic()) {
        m_valid = false;
        return false;
    }
    m_revision = structure.revision();
    return true;
}

void CountKeeper::unchanged(const Structure& structure) { follows(structure); }

void CountKeeper::grow(const Structure& structure) {
    const size_t items = size_t(structure.itemCount());
    m_rows.resize(items, 0);
    m_depth.resize(items, 0);
    m_dirty.resize(items, true);
    m_uses.resize(items, 0);
    m_usedBy.resize(items);
}

void CountKeeper::rebuild(const Structure& structure) {
    m_valid = structure.isAcyclic();
    m_revision = structure.revision();
    m_rows.clear();
    m_depth.clear();
    m_dirty.clear();
    m_uses.clear();
    m_usedBy.clear();
    m_lines = 0;
    if (!m_valid)
        return;
    grow(structure);
    for (int item = 0; item < structure.itemCount(); ++item)
        for (const int line : structure.linesOf(item))
            m_usedBy[size_t(structure.line(line).component)].push_back(line);
    addUse(structure, Structure::Top);
}

void CountKeeper::addUse(const Structure& structure, int item) {
    // An item shown for the first time shows its lines, and uses what they use.
    std::vector<int> pending{item};
    while (!pending.empty()) {
        const int next = pending.back();
        pending.pop_back();
        if (m_uses[size_t(next)]++ > 0)
            continue;
        m_lines += qint64(structure.linesOf(next).size());
        for (const int line : structure.linesOf(next))
            pending.push_back(structure.line(line).component);
    }
}

void CountKeeper::dropUse(const Structure& structure, int item) {
    std::vector<int> pending{item};
    while (!pending.empty()) {
        const int next = pending.back();
        pending.pop_back();
        if (--m_uses[size_t(next)] > 0)
            continue;
        m_lines -= qint64(structure.linesOf(next).size());
        for (const int line : structure.linesOf(next))
            pending.push_back(structure.line(line).component);
    }
}

void CountKeeper::markAbove(const Structure& structure, int item) {
    // The items whose rows or depth are to be summed again stand above every other such item:
    // one already marked has everything above it marked.
    std::vector<int> pending{item};
    while (!pending.empty()) {
        const int next = pending.back();
        pending.pop_back();
        if (m_dirty[size_t(next)])
            continue;
        m_dirty[size_t(next)] = true;
        for (const int line : m_usedBy[size_t(next)])
            pending.push_back(structure.line(line).assembly);
    }
}

void CountKeeper::lineInserted(const Structure& structure, int line, int linesBefore) {
    if (!follows(structure))
        return;
    grow(structure);
    // The line, and the lines of the bills it brought (numbered after it).
    for (int added = linesBefore; added < structure.lineCount(); ++added)
        m_usedBy[size_t(structure.line(added).component)].push_back(added);
    const Structure::Line& inserted = structure.line(line);
    markAbove(structure, inserted.assembly);
    if (m_uses[size_t(inserted.assembly)] > 0) {
        ++m_lines;
        addUse(structure, inserted.component);
    }
}

void CountKeeper::lineErased(const Structure& structure, int line) {
    if (!follows(structure))
        return;
    const Structure::Line& erased = structure.line(line);
    std::vector<int>& users = m_usedBy[size_t(erased.component)];
    if (const auto found = std::find(users.begin(), users.end(), line); found != users.end())
        users.erase(found);
    markAbove(structure, erased.assembly);
    if (m_uses[size_t(erased.assembly)] > 0) {
        --m_lines;
        dropUse(structure, erased.component);
    }
}

LoadCounts CountKeeper::counts(const Structure& structure) {
    if (!m_valid || structure.revision() != m_revision || !structure.isAcyclic())
        rebuild(structure);
    if (!m_valid)
        return loadCounts(structure);
    // Depth-first from the loaded item into the items marked only, each summed after the
    // items below it; without a cycle no item can stand on its own path.
    std::vector<std::pair<int, size_t>> walk;
    if (m_dirty[Structure::Top])
        walk.emplace_back(Structure::Top, 0);
    while (!walk.empty()) {
        auto& [item, next] = walk.back();
        const std::vector<int>& bill = structure.linesOf(item);
        if (next < bill.size()) {
            const int component = structure.line(bill[next++]).component;
            if (m_dirty[size_t(component)])
                walk.emplace_back(component, 0); // `item` and `next` are not used after
            continue;
        }
        qint64 rows = 0, depth = 0;
        for (const int line : bill) {
            const size_t component = size_t(structure.line(line).component);
            rows = saturatedSum(saturatedSum(rows, 1), m_rows[component]);
            depth = std::max(depth, 1 + m_depth[component]);
        }
        m_rows[size_t(item)] = rows;
        m_depth[size_t(item)] = depth;
        m_dirty[size_t(item)] = false;
        walk.pop_back();
    }
    LoadCounts counts;
    counts.components = qint64(structure.linesOf(Structure::Top).size());
    counts.rows = m_rows[Structure::Top];
    counts.levels = m_depth[Structure::Top];
    counts.lines = m_lines;
    return counts;
}

namespace {

/// "1 row", "21,844 rows": a count in the user's number format with its word, `text` being
/// marked QT_TRANSLATE_N_NOOP("tree", …) with %1 for the number. The plural form only differs
/// for small counts, so a count past what an int holds takes the form of the largest.
QString countedText(const char* text, qint64 count) {
    const int plural = int(std::clamp<qint64>(count, 0, std::numeric_limits<int>::max()));
    return QCoreApplication::translate("tree", text, nullptr, plural)
        .arg(QLocale().toString(count));
}

QString componentsText(qint64 count) {
    return countedText(QT_TRANSLATE_N_NOOP("tree", "%1 component(s)"), count);
}

} // namespace

QString loadSummary(const QString& item, const LoadCounts& counts) {
    if (counts.components == 0)
        return QCoreApplication::translate("tree", "%1: no components").arg(item);
    return QCoreApplication::translate("tree", "%1: %2, %3 in %4, %5")
        .arg(item, componentsText(counts.components),
             countedText(QT_TRANSLATE_N_NOOP("tree", "%1 row(s)"), counts.rows),
             countedText(QT_TRANSLATE_N_NOOP("tree", "%1 level(s)"), counts.levels),
             countedText(QT_TRANSLATE_N_NOOP("tree", "%1 line(s)"), counts.lines));
}

QString loadSummary(const BomDocument& document) {
    const QString& item = document.topAssembly();
    if (document.isWhole())
        return loadSummary(item, document.counts());
    const Structure& structure = document.structure();
    const qint64 components = qint64(structure.linesOf(Structure::Top).size());
    return QCoreApplication::translate("tree", "%1: %2; counting the rows, levels and lines\u2026")
        .arg(item, componentsText(components));
}

} // namespace tree
