// The "bulk" group of bom-bench: the edits of many lines at once, as the Edit menu's Replace
// Component… and Copy Bill To… write them through the store: the lines read, the batch
// checked, then written in one transaction, and the undo's batch written back.

#include "bulk_bench.h"
#include "BenchRows.h"

#include "ServerData.h"
#include "support/TestDatabase.h"

#include "store/Store.h"
#include "tree/edits/BulkEdits.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace bench {

namespace {

constexpr int Assemblies = 500;
constexpr int CopiedLines = 1000;
const QString OldPart = QStringLiteral("PART-OLD");
const QString NewPart = QStringLiteral("PART-NEW");
const QString BigBill = QStringLiteral("BIG-BILL");
const QString Target = QStringLiteral("COPY-TARGET");

/// 500 assemblies that each list the old part among 20 others, a bill of 1,000 lines, and a
/// target with no bill: 11,500 lines.
void writeBulk(const QString& path) {
    std::vector<ItemRow> items{{OldPart, {}, {}}, {NewPart, {}, {}}, {BigBill, {}, {}},
                               {Target, {}, {}}};
    std::vector<Line> lines;
    for (int p = 0; p < CopiedLines; ++p)
        items.push_back({QStringLiteral("P-%1").arg(p, 4, 10, QLatin1Char('0')), {}, {}});
    for (int a = 0; a < Assemblies; ++a) {
        const QString assembly = QStringLiteral("ASM-%1").arg(a, 4, 10, QLatin1Char('0'));
        items.push_back({assembly, {}, {}});
        lines.push_back({assembly, OldPart, double(1 + a % 7)});
        for (int p = 0; p < 20; ++p)
            lines.push_back({assembly, QStringLiteral("P-%1").arg((a * 20 + p) % CopiedLines, 4, 10,
                                                                  QLatin1Char('0')),
                             1.0});
    }
    for (int p = 0; p < CopiedLines; ++p)
        lines.push_back({BigBill, QStringLiteral("P-%1").arg(p, 4, 10, QLatin1Char('0')), 2.0});
    QFile::remove(path);
    writeDatabase(path, items, lines);
}

void print(const QString& name, const std::vector<double>& ms) {
    const auto [lo, hi] = std::minmax_element(ms.begin(), ms.end());
    std::printf("%-52s %5zu %10.2f %10.2f-%-10.2f %8s\n", qPrintable(name), ms.size(), median(ms),
                *lo, *hi, "");
    std::fflush(stdout);
}

double timed(const std::function<void()>& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e6;
}

/// Each run: the replace, its undo, the copy (each timed, with its own connection, as an
/// operation of the editor opens one), then the copy undone untimed.
void runCases(int runs, const QString& location, const QString& prefix) {
    std::vector<double> replaceMs, undoMs, copyMs;
    const auto shown = [](const std::vector<store::LineRow>& rows) {
        QStringList out;
        for (const store::LineRow& row : rows)
            out.append(row.assembly + u'>' + row.component + u'=' + row.quantity.toString() +
                       u'@' + row.startDate.toString());
        return out;
    };
    const QStringList original = shown(store::openStore(location)->lineRowsUsing(OldPart));
    for (int run = 0; run < runs; ++run) {
        store::LineBatch replace;
        replaceMs.push_back(timed([&] {
            const auto db = store::openStore(location);
            const std::vector<store::LineRow> uses = db->lineRowsUsing(OldPart);
            replace = tree::replaceBatch(uses, NewPart, 2.0);
            if (db->checkLines(replace).any() || uses.size() != size_t(Assemblies))
                qFatal("bulk: the replace would be refused");
            db->writeLines(replace);
        }));
        undoMs.push_back(timed([&] {
            store::openStore(location)->writeLines({replace.added, replace.removed});
        }));
        // The undo puts every line back exactly, start dates included.
        if (shown(store::openStore(location)->lineRowsUsing(OldPart)) != original)
            qFatal("bulk: the undo of the replace did not put the lines back exactly");
        store::LineBatch copy;
        copyMs.push_back(timed([&] {
            const auto db = store::openStore(location);
            copy = tree::copyBatch(db->lineRowsOf(BigBill), Target);
            if (db->checkLines(copy).any() || copy.added.size() != size_t(CopiedLines))
                qFatal("bulk: the copy would be refused");
            db->writeLines(copy);
        }));
        store::openStore(location)->writeLines({copy.added, {}});
    }
    print(prefix + QStringLiteral("bulk: replace a component in 500 assemblies"), replaceMs);
    print(prefix + QStringLiteral("bulk: undo of the replace"), undoMs);
    print(prefix + QStringLiteral("bulk: copy a bill of 1,000 lines"), copyMs);
}

} // namespace

void bulkCases(int runs, const QString& dataDir) {
    const QString path = QDir(dataDir).filePath(QStringLiteral("bulk.db"));
    writeBulk(path);
    runCases(runs, path, {});
    if (!BenchServer::available()) {
        std::printf("bulk: no PostgreSQL server binaries; the server rows are skipped\n");
        return;
    }
    BenchServer server;
    if (const QString failed = server.start(); !failed.isEmpty())
        qFatal("bulk: could not start a server: %s", qPrintable(failed));
    runCases(runs, server.copyDatabase(path, QStringLiteral("bulk")), QStringLiteral("server: "));
}

} // namespace bench
