// The "explode" group of bom-bench: a structure of more rows than the node limit: its load,
// the summarised bill, Expand All to the limit and the indented export of every row.

#include "Bench.h"

#include "tree/bill/BillReads.h"
#include "tree/bill/BomTreeModel.h"
#include "tree/reports/BillExport.h"

#include <QAction>

#include <cmath>

namespace bench {

void Bench::explodeCase(const QString& path, qint64 treeSize) {
    const bool limited = treeSize > tree::DefaultNodeLimit;
    BenchDesktop desktop;
    QTemporaryDir folder;
    auto w = window(desktop, folder, path);
    const qint64 empty = currentKb();
    measure(QStringLiteral("explode load until the top level shows"),
            [&] { load(*w, bench::ExplodeTop); });
    std::printf("  memory above the empty window after the load: %.1f MB\n",
                (currentKb() - empty) / 1024.0);
    Bench::waitWhole(*w);
    if (w->treeModel().structureRows() != treeSize || !desktop.messages.isEmpty())
        qFatal("explode: %lld rows counted, expected %lld", w->treeModel().structureRows(),
               treeSize);

    // The summarised bill over the structure: level k's items are each needed fanOut^(k-1)
    // times, every quantity being 1.
    std::vector<tree::SummaryLine> summary;
    measure(QStringLiteral("explode summarised bill (over the structure)"),
            [&] { summary = tree::summarisedBill(w->treeModel().structure()); });
    for (const tree::SummaryLine& line : summary) {
        const int level = line.itemId.section(u'-', 0, 0).mid(1).toInt();
        if (line.totalQuantity != std::pow(double(m_sizes.explodeFanOut), level - 1))
            qFatal("explode summary: %s needs %g", qPrintable(line.itemId),
                   line.totalQuantity.value_or(-1));
    }

    QAction* expand = w->findChild<QAction*>(QStringLiteral("mnuExpand"));
    measure(QStringLiteral("explode expand all to the node limit"),
            [&] {
                expand->trigger();
                QCoreApplication::processEvents();
            },
            [&] {
                load(*w, bench::ExplodeTop);
                desktop.messages.clear();
            });
    if (desktop.messages.isEmpty() != !limited)
        qFatal("explode: %s", limited ? "no limit message" : "an unexpected message");
    std::printf("  nodes made: %d; message: %s\n", w->treeModel().nodeCount(),
                qPrintable(desktop.messages.value(0)));
    shell::BomTreeView* view = treeView(*w);
    const QModelIndex first = w->treeModel().index(0, 0);
    measure(QStringLiteral("  afterwards: click + expand a node"), [&] {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(first).center());
        view->expand(first);
        QCoreApplication::processEvents();
    });

    // Every row of the structure, whatever is open; the question past a million rows is
    // answered Yes.
    load(*w, bench::ExplodeTop);
    desktop.messages.clear();
    desktop.messageAnswer = desktop::ResultYes;
    desktop.saveAnswer = folder.filePath(QStringLiteral("explode-indented.csv"));
    QAction* exportIndented = w->findChild<QAction*>(QStringLiteral("Indented Bill (CSV)…"));
    measure(QStringLiteral("explode indented export (%1 rows)").arg(treeSize),
            [&] { exportIndented->trigger(); },
            [&] { QFile::remove(desktop.saveAnswer); });
    QFile written(desktop.saveAnswer);
    qint64 records = 0;
    if (written.open(QIODevice::ReadOnly))
        while (!written.atEnd())
            records += written.read(1 << 20).count("\r\n");
    if (records != treeSize + 1)
        qFatal("explode indented export: %lld records, expected %lld", records, treeSize + 1);
}

} // namespace bench
