// The "planning" group of bom-bench: requirements of several items at once, summed over the
// structure however many paths it has, and Where Used up to the finished items.

#include "planning_bench.h"
#include "BenchData.h"
#include "BenchRows.h"

#include "store/ItemKey.h"
#include "store/Store.h"
#include "store/WhereUsedWalk.h"
#include "tree/bill/Structure.h"
#include "tree/plan/LowLevelCodes.h"
#include "tree/plan/Requirements.h"

#include <QElapsedTimer>

#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>

namespace bench {

namespace {

void addLine(QHash<QString, store::ComponentLines>& lines, const QString& assembly,
             const QString& component, double quantity) {
    store::ComponentLine line;
    line.id = component;
    line.quantity = quantity;
    line.unit = QStringLiteral("EA");
    lines[store::foldKey(assembly)].append(line);
}

/// `levels` levels of `width` items each, every item using every item of the next level, under
/// one top: width + (levels - 1) × width² lines, width^levels paths down to the last level.
QHash<QString, store::ComponentLines> dense(int levels, int width, QStringList& items) {
    QHash<QString, store::ComponentLines> lines;
    const auto id = [](int level, int at) { return QStringLiteral("L%1-%2").arg(level).arg(at); };
    items = {QStringLiteral("DENSE-TOP")};
    for (int at = 0; at < width; ++at)
        addLine(lines, items.front(), id(1, at), 1);
    for (int level = 1; level <= levels; ++level)
        for (int at = 0; at < width; ++at) {
            items.append(id(level, at));
            if (level < levels)
                for (int below = 0; below < width; ++below)
                    addLine(lines, id(level, at), id(level + 1, below), 1 + (at + below) % 2);
        }
    return lines;
}

/// `count` items, each using every item after it.
QHash<QString, store::ComponentLines> everyBelow(int count, QStringList& items) {
    QHash<QString, store::ComponentLines> lines;
    items.clear();
    for (int i = 0; i < count; ++i)
        items.append(QStringLiteral("ALL-%1").arg(i, 2, 10, QLatin1Char('0')));
    for (int i = 0; i < count; ++i)
        for (int j = i + 1; j < count; ++j)
            addLine(lines, items[i], items[j], 1);
    return lines;
}

qint64 lineCount(const QHash<QString, store::ComponentLines>& lines) {
    qint64 n = 0;
    for (const auto& bill : lines)
        n += bill.size();
    return n;
}

void planOver(int runs, const QString& name, const QHash<QString, store::ComponentLines>& lines,
              const QStringList& items, int listed) {
    std::vector<tree::PlannedBuild> builds;
    for (int i = 0; i < listed && i < items.size(); ++i)
        builds.push_back({items[i], double(1 + i)});
    tree::Structure top;
    top.reset(items.front(), lines);
    std::printf("# %s: %lld lines, %lld rows (paths) under %s, %zu items listed\n",
                qPrintable(name), lineCount(lines), top.totals().rows, qPrintable(items.front()),
                builds.size());
    std::vector<tree::RequirementLine> got;
    printRow(name, timedRuns(runs, [&] { got = tree::requirements(lines, builds); }));
    if (got.empty())
        qFatal("%s: no requirements", qPrintable(name));
}

/// Where Used of the last item up to the finished items over these lines in memory, with the
/// paths listed: what it costs must follow the paths shown, not the paths there are.
void pathsOver(int runs, const QString& name, const QHash<QString, store::ComponentLines>& lines,
               const QString& item) {
    const auto upward = std::make_shared<store::UpwardLines>();
    for (auto bill = lines.cbegin(); bill != lines.cend(); ++bill)
        for (const store::ComponentLine& line : *bill)
            upward->addLine(bill.key().toUtf8(), line.id.toUtf8(),
                            store::UpwardLines::Quantity::Number, line.quantity.value_or(0));
    upward->seal();
    std::vector<store::WhereUsedRow> rows;
    printRow(name, timedRuns(runs, [&] {
                 store::UpwardWalk walk(upward);
                 rows = walk.walk(item);
             }));
    size_t listed = 0;
    QString count;
    for (const store::WhereUsedRow& row : rows)
        if (row.top) {
            listed += row.paths.size();
            count = row.pathCount ? QString::number(*row.pathCount) : QStringLiteral("circular");
        }
    if (listed == 0)
        qFatal("%s: no paths listed", qPrintable(name));
    std::printf("# %s: %lld lines, %zu assemblies above %s, %zu paths listed of %s\n",
                qPrintable(name), lineCount(lines), rows.size(), qPrintable(item), listed,
                qPrintable(count));
}

} // namespace

void planningCases(int runs, const QString& deep, const QString& whereUsedFile,
                   const QString& leaf) {
    QStringList items;
    const auto denseLines = dense(24, 2, items);
    planOver(runs, QStringLiteral("planning: requirements, 25 items, dense"), denseLines, items, 25);
    const auto allLines = everyBelow(25, items);
    planOver(runs, QStringLiteral("planning: requirements, 25 items, each uses all below"),
             allLines, items, 25);
    for (const int count : {19, 26, 40}) {
        const auto lines = everyBelow(count, items);
        pathsOver(runs,
                  QStringLiteral("planning: where used with paths, %1 items each using all below")
                      .arg(count),
                  lines, items.back());
    }

    {
        // 100,000 lines over 20,000 items, each line from an item to a later one.
        std::vector<std::pair<QString, QString>> lines;
        lines.reserve(100'000);
        quint32 seed = 12345;
        const auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
        for (int n = 0; n < 100'000; ++n) {
            const int a = int(next() % 19'999);
            const int c = a + 1 + int(next() % quint32(std::min(200, 19'999 - a)));
            lines.emplace_back(QStringLiteral("LLC-%1").arg(a), QStringLiteral("LLC-%1").arg(c));
        }
        tree::LowLevelCodes codes;
        printRow(QStringLiteral("planning: low-level codes, 100,000 lines"),
                 timedRuns(runs, [&] { codes = tree::lowLevelCodes(lines); }));
        int deepest = 0;
        for (int code : std::as_const(codes.code))
            deepest = std::max(deepest, code);
        std::printf("# low-level codes: %lld items, deepest code %d\n", qint64(codes.code.size()),
                    deepest);
    }
    {
        const auto db = store::openStore(deep);
        QHash<QString, store::ComponentLines> lines;
        printRow(QStringLiteral("planning: deep bill read (as its load reads it)"),
                 timedRuns(runs, [&] { lines = db->reachableLines(DeepTop); }));
        planOver(runs, QStringLiteral("planning: requirements, deep bill x1"), lines,
                 QStringList{DeepTop}, 1);
    }
    {
        const auto db = store::openStore(whereUsedFile);
        std::vector<store::WhereUsedRow> rows;
        QElapsedTimer first;
        first.start();
        rows = db->whereUsed(leaf);
        printRow(QStringLiteral("planning: where used, first (lines read)"),
                 {double(first.nsecsElapsed()) / 1e6});
        qsizetype tops = 0;
        printRow(QStringLiteral("planning: where used up to the finished items"), timedRuns(runs, [&] {
                     rows = db->whereUsed(leaf);
                     tops = std::count_if(rows.cbegin(), rows.cend(),
                                          [](const store::WhereUsedRow& row) { return row.top; });
                 }));
        std::printf("# %s: %zu assemblies use %s, %lld of them finished items\n",
                    qPrintable(whereUsedFile), rows.size(), qPrintable(leaf), qint64(tops));
    }
}

} // namespace bench
