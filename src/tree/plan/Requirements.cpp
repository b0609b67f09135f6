#include "tree/plan/Requirements.h"

#include "store/ItemKey.h"
#include "store/StoreError.h"
#include "tree/bill/Structure.h"
#include "tree/edits/Quantity.h"
#include "tree/reports/BillExport.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <QCoreApplication>

namespace tree {

using store::foldKey;

namespace {

/// What one listed item's structure needs of each of its items, per one built.
struct Needs {
    std::vector<double> total;
    std::vector<bool> lost;     ///< a Null quantity stands on a path to the item
    std::vector<bool> met;      ///< a counted line leads into the item
    std::vector<bool> circular; ///< a counted line into the item closes a cycle
    std::vector<int> level;     ///< the deepest counted line into it
};

Needs needsOf(const Structure& structure, int depthLimit) {
    const Structure::Walk& walk = structure.walk();
    const size_t items = size_t(structure.itemCount());
    Needs needs;
    needs.total.assign(items, 0);
    needs.lost.assign(items, false);
    needs.met.assign(items, false);
    needs.circular.assign(items, false);
    needs.level.assign(items, 0);

    const auto count = [&](const Structure::Step& step, double weight, bool lost, int depth) {
        const Structure::Line& line = structure.line(step.line);
        const size_t item = size_t(line.component);
        const bool lostHere = lost || !line.quantity;
        const double added = lostHere ? 0 : weight * *line.quantity;
        needs.total[item] += added;
        needs.lost[item] = needs.lost[item] || lostHere;
        needs.met[item] = true;
        needs.circular[item] = needs.circular[item] || step.child < 0;
        needs.level[item] = std::max(needs.level[item], depth);
        return std::pair(added, lostHere);
    };

    if (depthLimit <= 0) {
        // Each state once, in reverse post-order (every state before the states below it), as
        // the summarised bill sums; a state's depth is its longest way down from the top.
        std::vector<double> weight(walk.steps.size(), 0);
        std::vector<bool> lost(walk.steps.size(), false);
        std::vector<int> depth(walk.steps.size(), 0);
        weight[0] = 1;
        for (auto it = walk.postOrder.rbegin(); it != walk.postOrder.rend(); ++it) {
            const size_t state = size_t(*it);
            for (const Structure::Step& step : walk.steps[state]) {
                const auto [added, lostHere] = count(step, weight[state], lost[state], depth[state] + 1);
                if (step.child < 0)
                    continue;
                weight[size_t(step.child)] += added;
                lost[size_t(step.child)] = lost[size_t(step.child)] || lostHere;
                depth[size_t(step.child)] = std::max(depth[size_t(step.child)], depth[state] + 1);
            }
        }
        return needs;
    }

    // A depth limit cuts a state's subtree at different places for its different depths: the
    // states are summed level by level instead, each state once per level it stands at.
    std::vector<double> weight(walk.steps.size(), 0), nextWeight(walk.steps.size(), 0);
    std::vector<bool> lost(walk.steps.size(), false), nextLost(walk.steps.size(), false);
    std::vector<bool> listed(walk.steps.size(), false);
    std::vector<int> current{0}, next;
    weight[0] = 1;
    for (int depth = 1; depth <= depthLimit && !current.empty(); ++depth) {
        for (int state : current) {
            for (const Structure::Step& step : walk.steps[size_t(state)]) {
                const auto [added, lostHere] =
                    count(step, weight[size_t(state)], lost[size_t(state)], depth);
                if (step.child < 0 || depth == depthLimit)
                    continue;
                const size_t child = size_t(step.child);
                nextWeight[child] += added;
                nextLost[child] = nextLost[child] || lostHere;
                if (!listed[child]) {
                    listed[child] = true;
                    next.push_back(step.child);
                }
            }
            weight[size_t(state)] = 0;
            lost[size_t(state)] = false;
        }
        current.swap(next);
        next.clear();
        for (int state : current) {
            listed[size_t(state)] = false;
            weight[size_t(state)] = nextWeight[size_t(state)];
            lost[size_t(state)] = nextLost[size_t(state)];
            nextWeight[size_t(state)] = 0;
            nextLost[size_t(state)] = false;
        }
    }
    return needs;
}

struct Gathered {
    QString key; ///< the folded ID, by which the lines are ordered
    RequirementLine line;
    double total = 0;
    bool lost = false;
    std::vector<bool> neededBy; ///< per listed item
};

} // namespace

std::vector<RequirementLine> requirements(const QHash<QString, store::ComponentLines>& lines,
                                          const std::vector<PlannedBuild>& builds,
                                          const RequirementOptions& options,
                                          const QHash<QString, store::Item>& listedFacts,
                                          const std::function<bool()>& stopped) {
    // The listed items, each once, in the list's order.
    std::vector<PlannedBuild> listed;
    QHash<QString, size_t> listedOf;
    for (const PlannedBuild& build : builds) {
        const QString key = foldKey(build.item);
        if (const auto found = listedOf.constFind(key); found != listedOf.cend()) {
            listed[*found].quantity += build.quantity;
            continue;
        }
        listedOf.insert(key, listed.size());
        listed.push_back(build);
    }

    QHash<QString, size_t> rowOf;
    std::vector<Gathered> rows;
    const auto rowFor = [&](const QString& key, const QString& text) -> Gathered& {
        if (const auto found = rowOf.constFind(key); found != rowOf.cend())
            return rows[*found];
        rowOf.insert(key, rows.size());
        Gathered& row = rows.emplace_back();
        row.key = key;
        row.line.item = text;
        row.line.made = !lines.value(key).isEmpty();
        if (const auto facts = listedFacts.constFind(key); facts != listedFacts.cend()) {
            row.line.unit = facts->unit.value_or(QString());
            row.line.description = facts->description.value_or(QString());
        }
        row.neededBy.assign(listed.size(), false);
        return row;
    };

    for (size_t b = 0; b < listed.size(); ++b) {
        if (stopped && stopped())
            throw store::StoreError(
                store::OperationCancelled,
                QCoreApplication::translate("tree", "The requirements were not worked out."));
        const PlannedBuild& build = listed[b];
        Structure structure;
        structure.reset(build.item, lines);
        const Needs needs = needsOf(structure, options.depthLimit);
        // The facts of an item, from a line into it; the listed item's own come with the row
        // of a plan that has it as a component, or stay empty.
        std::vector<const Structure::Line*> lineInto(size_t(structure.itemCount()), nullptr);
        for (int id = 0; id < structure.lineCount(); ++id)
            if (!lineInto[size_t(structure.line(id).component)])
                lineInto[size_t(structure.line(id).component)] = &structure.line(id);
        for (auto it = structure.itemIndex().cbegin(); it != structure.itemIndex().cend(); ++it) {
            const size_t item = size_t(*it);
            if (!needs.met[item])
                continue;
            Gathered& row = rowFor(it.key(), structure.textOf(int(item)));
            row.total += needs.total[item] * build.quantity;
            row.lost = row.lost || needs.lost[item];
            row.line.circular = row.line.circular || needs.circular[item];
            row.line.level = std::max(row.line.level, needs.level[item]);
            row.neededBy[b] = true;
            if (const Structure::Line* line = lineInto[item]) {
                row.line.unit = line->unit;
                row.line.description = line->description;
            }
        }
    }
    if (options.includeListed)
        for (const PlannedBuild& build : listed) {
            Gathered& row = rowFor(foldKey(build.item), build.item);
            row.line.item = build.item;
            row.total += build.quantity;
        }

    // By level, then by ID as the database orders its keys (its case rule over the IDs'
    // bytes), each ID made bytes once.
    std::vector<size_t> order;
    std::vector<QByteArray> sortKey(rows.size());
    order.reserve(rows.size());
    for (size_t at = 0; at < rows.size(); ++at)
        if (!options.boughtOnly || !rows[at].line.made) {
            order.push_back(at);
            sortKey[at] = store::orderKey(rows[at].line.item);
        }
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        if (rows[a].line.level != rows[b].line.level)
            return rows[a].line.level < rows[b].line.level;
        return sortKey[a] < sortKey[b];
    });
    std::vector<RequirementLine> result;
    result.reserve(order.size());
    for (size_t at : order) {
        Gathered& row = rows[at];
        // Infinity or NaN is no amount to order: the line says so instead of "inf" or "nan".
        row.line.tooLarge = !std::isfinite(row.total);
        if (!row.lost && !row.line.tooLarge)
            row.line.total = row.total;
        for (size_t b = 0; b < listed.size(); ++b)
            if (row.neededBy[b])
                row.line.neededBy.append(listed[b].item);
        result.push_back(std::move(row.line));
    }
    return result;
}

namespace {

/// A word of the requirements' columns: in the user's language where the window shows it, in
/// English in the files, whose columns stay the same in every language. Each is marked
/// QT_TRANSLATE_NOOP("tree", …).
QString word(const char* text, bool shown) {
    return shown ? QCoreApplication::translate("tree", text) : QString::fromUtf8(text);
}

} // namespace

QStringList requirementHeaders(bool shown) {
    QStringList headers;
    for (const char* heading :
         {QT_TRANSLATE_NOOP("tree", "Item ID"), QT_TRANSLATE_NOOP("tree", "Total Quantity"),
          QT_TRANSLATE_NOOP("tree", "UOM"), QT_TRANSLATE_NOOP("tree", "Description"),
          QT_TRANSLATE_NOOP("tree", "Level"), QT_TRANSLATE_NOOP("tree", "Made or Bought"),
          QT_TRANSLATE_NOOP("tree", "Needed By"), QT_TRANSLATE_NOOP("tree", "Note")})
        headers.append(word(heading, shown));
    return headers;
}

QStringList requirementCells(const RequirementLine& line, bool shown) {
    QStringList notes;
    if (!line.total && !line.tooLarge)
        notes.append(word(QT_TRANSLATE_NOOP("tree", "no quantity on a path"), shown));
    if (line.tooLarge)
        notes.append(tooLargeNote(shown));
    if (line.circular)
        notes.append(word(QT_TRANSLATE_NOOP("tree", "circular"), shown));
    return {line.item,
            csvQuantity(line.total),
            line.unit,
            line.description,
            QString::number(line.level),
            line.made ? word(QT_TRANSLATE_NOOP("tree", "made"), shown)
                      : word(QT_TRANSLATE_NOOP("tree", "bought"), shown),
            line.neededBy.join(QStringLiteral(", ")),
            notes.join(QStringLiteral("; "))};
}

QString tooLargeNote(bool shown) {
    return word(QT_TRANSLATE_NOOP("tree", "total past what a number holds (above %1)"), shown)
        .arg(formatQuantity(std::numeric_limits<double>::max(), QLocale::c()));
}

QByteArray requirementsCsv(const std::vector<RequirementLine>& lines) {
    QByteArray out;
    appendCsvRecord(out, requirementHeaders());
    for (const RequirementLine& line : lines) {
        QStringList cells = requirementCells(line);
        for (int column : {0, 2, 3, 6})
            cells[column] = csvText(cells[column]);
        appendCsvRecord(out, cells);
    }
    return out;
}

} // namespace tree
