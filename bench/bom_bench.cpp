// Measures the editor's operations on generated databases and prints, for each case, the
// median and range of several runs with the process's peak memory.
//
//   bom-bench                full sizes, 7 runs each, SQLite and server rows
//   bom-bench --smoke        small sizes, 2 runs each (a check that every case still runs)
//   bom-bench --runs N       N runs of each case
//   bom-bench --only GROUP   one group of cases: deep, scale, wide, items, explode, find,
//                            compare, server, bulk, paste, responsive, live, history, print,
//                            drafts or
//                            million (a bill of a million lines, written first)
//
// The server group (rows named "server: ...") starts a throw-away PostgreSQL server (the
// tests' PgServer: a new cluster reached only through its Unix socket, fsync off), copies the
// deep and items databases onto it and runs the store-bound cases there: the deep load and
// the per-node walk on the same server, where used, the quantity edits, the list fill, the
// statistics click, drop and delete. A machine without the server binaries prints one line
// and skips these rows.

#include "Bench.h"
#include "BenchData.h"
#include "bulk_bench.h"
#include "compare_bench.h"
#include "draft_bench.h"
#include "history_bench.h"
#include "planning_bench.h"
#include "live_bench.h"
#include "paste_bench.h"
#include "print_bench.h"
#include "responsive_bench.h"
#include "server_bench.h"

#include <QApplication>
#include <QDir>

#include <algorithm>
#include <cstdio>

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const bool smoke = args.contains(QStringLiteral("--smoke"));
    const bench::Sizes sizes = smoke ? bench::Sizes::small() : bench::Sizes::full();
    int runs = smoke ? 2 : 7;
    if (const qsizetype at = args.indexOf(QStringLiteral("--runs")); at > 0 && at + 1 < args.size())
        runs = std::max(1, args.at(at + 1).toInt());

    const QString dataDir = QDir(QCoreApplication::applicationDirPath())
                                .filePath(smoke ? QStringLiteral("bench-data-small")
                                                : QStringLiteral("bench-data"));
    QDir().mkpath(dataDir);
    bench::Bench bench(runs, sizes, dataDir);
    const QString deep = bench.database("deep", &bench::writeDeep);
    const QString wide = bench.database("wide", &bench::writeWide);
    const QString items = bench.database("items", &bench::writeItems);
    const QString explode = bench.database("explode", &bench::writeExplode);

    int deepNodes = 0;
    for (int level = 1, n = 1; level <= sizes.deepLevels; ++level)
        deepNodes += (n *= sizes.deepComponents);
    const int wideNodes = sizes.wideDirect * (1 + sizes.wideLeaves);

    // --only NAME runs one group of cases (deep, scale, wide, items, explode, find, compare,
    // server, bulk, paste, responsive, live, history, planning, print, drafts; history-writes: the
    // history's writes alone).
    QString only;
    if (const qsizetype at = args.indexOf(QStringLiteral("--only")); at > 0 && at + 1 < args.size())
        only = args.at(at + 1);
    const auto wanted = [&](const char* name) { return only.isEmpty() || only == QLatin1StringView(name); };

    std::printf("%-52s %5s %10s %21s %8s\n", "case", "runs", "median ms", "min-max ms", "peak MB");
    double deepMedian = 0;
    if (wanted("deep") || wanted("scale"))
        deepMedian = bench.treeCases("deep", deep, bench::DeepTop, deepNodes, deep);
    // The lines of the deep structure: every level but the last lists its components.
    const qint64 deepLines =
        qint64(sizes.deepLevels - 1) * sizes.deepPerLevel * sizes.deepComponents + sizes.deepComponents;
    if (wanted("deep"))
        bench.checkCase("deep", deep, deepLines);
    // A bill of a million reachable lines: its file takes a while to write, so only on request
    // (with the deep group, or alone as --only million).
    if ((wanted("deep") && qEnvironmentVariableIsSet("BOM_BENCH_MILLION")) ||
        only == QLatin1StringView("million"))
        bench.millionCase();
    if (wanted("scale")) {
        const QString scale = bench.database("scale", &bench::writeScale);
        bench.scaleCase(scale, deepMedian, deepNodes, bench::mostUsedLeaf(deep));
        bench.checkCase("scale", scale, sizes.scaleLines);
    }
    if (wanted("wide"))
        bench.treeCases("wide", wide, bench::WideTop, wideNodes, wide);
    if (wanted("items"))
        bench.itemCases(items);
    qint64 explodeNodes = 0;
    for (int level = 1, n = 1; level <= sizes.explodeLevels; ++level)
        explodeNodes += (n *= sizes.explodeFanOut);
    if (wanted("explode"))
        bench.explodeCase(explode, explodeNodes);
    if (wanted("find")) {
        bench.findCase("deep", deep, bench::DeepTop, QStringLiteral("d%1-0000").arg(sizes.deepLevels));
        bench.findCase("explode", explode, bench::ExplodeTop, QStringLiteral("item x"));
    }
    if (wanted("compare"))
        bench::compareCases(runs, deep, dataDir);
    if (wanted("server"))
        bench::serverCases(runs, sizes, dataDir, deep, items, deepNodes);
    if (wanted("bulk"))
        bench::bulkCases(runs, dataDir);
    if (wanted("paste"))
        bench::pasteCases(runs, sizes, items);
    if (wanted("responsive"))
        bench::responsiveCases(runs, deep);
    if (wanted("live"))
        bench::liveCases(runs, deep);
    if (wanted("history"))
        bench::historyCases(runs, sizes, dataDir);
    else if (only == QLatin1StringView("history-writes"))
        bench::historyCases(runs, sizes, dataDir, true);
    if (wanted("planning"))
        bench::planningCases(runs, deep,
                             qEnvironmentVariableIsSet("BOM_BENCH_PLANNING_SCALE")
                                 ? bench.database("scale", &bench::writeScale)
                                 : deep,
                             bench::mostUsedLeaf(deep));
    if (wanted("print"))
        bench::printCases(bench);
    if (wanted("drafts"))
        bench::draftCases(runs, sizes, deep, items);
    return 0;
}
