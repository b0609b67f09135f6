#include "draft_bench.h"
#include "BenchRows.h"

#include "store/DraftApply.h"
#include "store/DraftStore.h"
#include "store/History.h"
#include "store/Store.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace bench {

namespace {

QString copyOf(const QString& database, const QTemporaryDir& folder, const QString& name) {
    const QString copy = folder.filePath(name);
    if (!QFile::copy(database, copy))
        qFatal("drafts: could not copy %s", qPrintable(database));
    return copy;
}

/// Removes the lines of `batch.added` again, not timed, for the next run.
void takeBack(const QString& location, const store::LineBatch& batch) {
    const std::unique_ptr<store::Store> db = store::openStore(location);
    store::LineBatch back;
    for (const store::LineRow& line : batch.added)
        back.removed.push_back(*db->findLine(line.assembly, line.component));
    db->writeLines(back);
}

void applyCases(int runs, const Sizes& sizes, const QString& location) {
    const int count = std::min(5000, sizes.items - 20);
    store::LineBatch batch;
    for (int i = 0; i < count; ++i)
        batch.added.push_back(store::newLine(
            ItemsAssembly, QStringLiteral("ITEM-%1").arg(i + 11, 6, 10, QLatin1Char('0')), 1));
    std::vector<double> pastes, applies;
    for (int run = 0; run < runs; ++run) {
        pastes.push_back(timedRuns(1, [&] { store::openStore(location)->writeLines(batch); })[0]);
        takeBack(location, batch);
        const QString name = QStringLiteral("bench %1").arg(run);
        store::openDrafts(location)->create(name, QStringLiteral("the drafts bench"));
        store::openDraftStore(location, name)->writeLines(batch);
        store::DraftApplyResult result;
        applies.push_back(timedRuns(1, [&] { result = store::applyDraftAt(location, name); })[0]);
        if (!result.applied || result.written != count)
            qFatal("drafts: the apply wrote %lld of %d lines", result.written, count);
        takeBack(location, batch);
    }
    printRow(QStringLiteral("drafts: %1 lines written straight (paste)").arg(count), pastes);
    printRow(QStringLiteral("drafts: a draft of %1 lines applied").arg(count), applies);
    std::printf("%-52s %38.2fx\n", "drafts: apply / paste (at most 1.2x)",
                median(applies) / median(pastes));
}

void loadCases(int runs, const QString& location) {
    // 1,000 lines of the structure changed in the draft, spread over its levels.
    const QHash<QString, store::ComponentLines> all = store::openStore(location)->allComponentLines();
    std::vector<store::LineRow> rows;
    for (auto bill = all.cbegin(); bill != all.cend(); ++bill)
        for (const store::ComponentLine& line : bill.value())
            rows.push_back({bill.key(), line.id, {}, {}});
    std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
        return std::pair(a.assembly, a.component) < std::pair(b.assembly, b.component);
    });
    const size_t step = std::max<size_t>(1, rows.size() / 1000);
    const QString name = QStringLiteral("bench load");
    store::openDrafts(location)->create(name, {});
    {
        const std::unique_ptr<store::DraftStore> draft = store::openDraftStore(location, name);
        int changed = 0;
        for (size_t at = 0; at < rows.size() && changed < 1000; at += step, ++changed) {
            const double now =
                draft->findQuantity(rows[at].assembly, rows[at].component)->value_or(0);
            draft->changeQuantity(rows[at].assembly, rows[at].component, now, now + 1);
        }
    }
    const auto reads = [&](const QString& shown) {
        store::showDraftAt(location, shown);
        std::vector<double> top = timedRuns(runs, [&] {
            if (store::openStore(location)->componentsOfEach({DeepTop}).front().empty())
                qFatal("drafts: the top level is empty");
        });
        std::vector<double> whole = timedRuns(runs, [&] {
            if (store::openStore(location)->reachableLines(DeepTop).isEmpty())
                qFatal("drafts: the bill is empty");
        });
        store::showDraftAt(location, {});
        return std::pair(top, whole);
    };
    const auto [liveTop, liveWhole] = reads({});
    const auto [draftTop, draftWhole] = reads(name);
    printRow(QStringLiteral("drafts: deep top level, no draft"), liveTop);
    printRow(QStringLiteral("drafts: deep top level, a draft of 1000 lines"), draftTop);
    printRow(QStringLiteral("drafts: deep whole bill, no draft"), liveWhole);
    printRow(QStringLiteral("drafts: deep whole bill, a draft of 1000 lines"), draftWhole);
    std::printf("%-52s %38.2fx\n", "drafts: whole bill with / without (at most 1.2x)",
                median(draftWhole) / median(liveWhole));
}

} // namespace

void draftCases(int runs, const Sizes& sizes, const QString& deep, const QString& items) {
    const bool kept = store::fileHistoryKept();
    store::setFileHistoryKept(true);
    QTemporaryDir folder;
    applyCases(runs, sizes, copyOf(items, folder, QStringLiteral("items.db")));
    loadCases(runs, copyOf(deep, folder, QStringLiteral("deep.db")));
    store::setFileHistoryKept(kept);
}

} // namespace bench
