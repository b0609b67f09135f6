// Measures imports and prints, for each case, the median and range of several runs:
//
//   bom-import-bench            full sizes, 7 runs each
//   bom-import-bench --smoke    small sizes, 2 runs each (a check that every case still runs)
//   bom-import-bench --runs N
//
// Cases: a CSV pair of 100,000 items and 72,004 lines into a new database (target <= 3 s), and
// the Jet file bom_jet4.mdb (32 items, 42 lines) into a new database, the reading child
// process included (target <= 0.2 s). Each run writes a new file and checks its row counts.

#include "import/Import.h"
#include "store/sqlite/SqliteStore.h"
#include "store/StoreError.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

/// items.csv and lines.csv with a header row, quoted fields with commas and doubled quotes,
/// Null and empty descriptions, fractional quantities and start dates.
void writeCsv(const QString& items, const QString& lines, int itemCount, int lineCount) {
    QByteArray text = "ItemID,ItemDesc,ItemUom\r\n";
    const auto id = [](int i) { return "ITEM-" + QByteArray::number(i).rightJustified(6, '0'); };
    for (int i = 0; i < itemCount; ++i) {
        // Written out of key order, as real files are.
        const int n = int((qint64(i) * 7919) % itemCount);
        text += id(n);
        switch (n % 4) {
        case 0:
            text += ",\"Part " + QByteArray::number(n) + ", \"\"grade A\"\"\",EA\r\n";
            break;
        case 1:
            text += ",,EA\r\n";
            break;
        case 2:
            text += ",\"\",KG\r\n";
            break;
        default:
            text += ",Plain part,M\r\n";
        }
    }
    QFile file(items);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        qFatal("cannot write %s", qPrintable(items));
    file.close();

    text = "BomID,BomComp,bomQtyReq,StartDate\r\n";
    for (int l = 0; l < lineCount; ++l) {
        const int assembly = l / 4;
        const int component = (assembly * 4 + 1 + l % 4) % itemCount;
        text += id(assembly) + ',' + id(component) + ',' + QByteArray::number(0.125 * (l % 9 + 1)) +
                (l % 3 == 0 ? ",2024-02-29 13:45:30\r\n" : ",\r\n");
    }
    file.setFileName(lines);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        qFatal("cannot write %s", qPrintable(lines));
}

struct Case {
    const char* name;
    const char* target;
    std::function<import::Summary(const QString& out)> run;
    qint64 items;
    qint64 lines;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const bool smoke = arguments.contains(QStringLiteral("--smoke"));
    int runs = smoke ? 2 : 7;
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--runs"));
        at > 0 && at + 1 < arguments.size())
        runs = std::max(1, arguments.at(at + 1).toInt());

    QTemporaryDir dir;
    const QString items = dir.filePath(QStringLiteral("items.csv"));
    const QString lines = dir.filePath(QStringLiteral("lines.csv"));
    const int itemCount = smoke ? 1000 : 100000;
    const int lineCount = smoke ? 724 : 72004;
    writeCsv(items, lines, itemCount, lineCount);
    const QString mdb = QStringLiteral(BOM_BENCH_JET_FILE);

    const std::vector<Case> cases{
        {smoke ? "CSV pair, 1,000 items + 724 lines" : "CSV pair, 100,000 items + 72,004 lines",
         "<= 3000", [&](const QString& out) { return import::importCsv(items, lines, out); },
         itemCount, lineCount},
        {"bom_jet4.mdb (32 items + 42 lines)", "<= 200",
         [&](const QString& out) { return import::importJet(mdb, out); }, 32, 42},
    };

    std::printf("Import into a new database; %d runs each, median and range in ms\n\n", runs);
    std::printf("| case | median ms | min-max ms | target ms |\n|---|---:|---:|---|\n");
    int failures = 0;
    for (const Case& c : cases) {
        std::vector<double> times;
        for (int r = 0; r < runs; ++r) {
            const QString out = dir.filePath(QStringLiteral("run%1.db").arg(r));
            QElapsedTimer clock;
            clock.start();
            try {
                const import::Summary summary = c.run(out);
                const double ms = double(clock.nsecsElapsed()) / 1e6;
                if (summary.items != c.items || summary.lines != c.lines ||
                    store::SqliteStore(out).itemIds().size() != c.items) {
                    std::fprintf(stderr, "%s: wrong row counts\n", c.name);
                    ++failures;
                }
                times.push_back(ms);
            } catch (const store::StoreError& error) {
                std::fprintf(stderr, "%s: %s\n", c.name, error.what());
                ++failures;
                break;
            }
            QFile::remove(out);
        }
        if (times.empty())
            continue;
        std::sort(times.begin(), times.end());
        const size_t n = times.size();
        const double median = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
        std::printf("| %s | %.1f | %.1f-%.1f | %s |\n", c.name, median, times.front(), times.back(),
                    c.target);
    }
    return failures == 0 ? 0 : 1;
}
