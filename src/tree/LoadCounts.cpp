#include "tree/LoadCounts.h"

#include "tree/BomDocument.h"
#include "tree/Quantity.h"
#include "tree/Structure.h"

#include <algorithm>

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

QString loadSummary(const QString& item, const LoadCounts& counts) {
    if (counts.components == 0)
        return QStringLiteral("%1: no components").arg(item);
    return QStringLiteral("%1: %2, %3 in %4, %5")
        .arg(item, counted(counts.components, QStringLiteral("component"), QStringLiteral("components")),
             counted(counts.rows, QStringLiteral("row"), QStringLiteral("rows")),
             counted(counts.levels, QStringLiteral("level"), QStringLiteral("levels")),
             counted(counts.lines, QStringLiteral("line"), QStringLiteral("lines")));
}

QString loadSummary(const BomDocument& document) {
    const QString& item = document.topAssembly();
    if (document.isWhole())
        return loadSummary(item, loadCounts(document.structure()));
    const Structure& structure = document.structure();
    const qint64 components = qint64(structure.linesOf(Structure::Top).size());
    return QStringLiteral("%1: %2; counting the rows, levels and lines\u2026")
        .arg(item, counted(components, QStringLiteral("component"), QStringLiteral("components")));
}

} // namespace tree
