// The "print" group of bom-bench: what a long print costs, and that a page range costs only
// the pages it prints.

#include "print_bench.h"

#include "BenchData.h"
#include "BenchDesktop.h"
#include "shell/window/BomTreeView.h"

#include <QAction>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

namespace bench {

void printCases(Bench& bench) {
    const QString path = bench.database("print", &writePrint);
    BenchDesktop desktop;
    desktop.messagesStop = "print";
    QTemporaryDir folder;
    const auto w = bench.window(desktop, folder, path);
    Bench::load(*w, PrintTop);
    // The current node: the part every assembly uses, under the first assembly.
    shell::BomTreeView* tree = Bench::treeView(*w);
    const QModelIndex first = tree->model()->index(0, 0);
    tree->expand(first);
    tree->setCurrentIndex(tree->model()->index(0, 0, first));
    tree->setFocus();

    QAction* print = w->findChild<QAction*>(QStringLiteral("Print…"));
    const auto printCase = [&](const QString& name, int choice, const QPageRanges& pages) {
        desktop.saveAnswer = folder.filePath(QStringLiteral("print.pdf"));
        desktop.printChoice = choice;
        desktop.printPages = pages;
        bench.measure(name, [&] { print->trigger(); },
                      [&] { QFile::remove(desktop.saveAnswer); });
        if (desktop.lastPrint.result != desktop::PrintResult::Printed)
            qFatal("%s: %s", qPrintable(name), qPrintable(desktop.lastPrint.cause));
        std::printf("  %d pages, %.1f MB\n", desktop.lastPrint.pages,
                    QFileInfo(desktop.saveAnswer).size() / 1048576.0);
        return desktop.lastPrint.pages;
    };
    const int pages = printCase(QStringLiteral("print: indented bill to PDF, every page"), 0, {});
    QPageRanges last;
    last.addRange(std::max(1, pages - 9), pages);
    printCase(QStringLiteral("print: indented bill to PDF, its last 10 pages"), 0, last);
    printCase(QStringLiteral("print: summarised bill to PDF"), 1, {});
    printCase(QStringLiteral("print: Where Used of a part in every assembly"), 2, {});
}

} // namespace bench
