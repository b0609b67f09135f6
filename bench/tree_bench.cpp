// The "deep" and "wide" groups of bom-bench: the tree of a generated database in the window,
// loaded, opened whole, exported and printed, checked against the reference walks; on the
// deep one also Where Used, the quantity edits with their undo, and Check Database.

#include "Bench.h"

#include "shell/whereused/WhereUsedDialog.h"
#include "shell/window/ItemList.h"
#include "store/DatabaseCheck.h"
#include "store/Store.h"
#include "support/ReferenceWalks.h"
#include "tree/StoreWaiting.h"
#include "tree/bill/BillReads.h"
#include "tree/bill/BomDocument.h"
#include "tree/bill/BomTreeModel.h"
#include "tree/bill/LoadCounts.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QHash>
#include <QLabel>
#include <QPersistentModelIndex>
#include <QProgressDialog>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>

#include <optional>

namespace bench {

double Bench::treeCases(const char* label, const QString& location, const QString& top, int expected,
                        const QString& source) {
    BenchDesktop desktop;
    QTemporaryDir folder;
    auto w = window(desktop, folder, location);
    const Row viaWindow = measure(QStringLiteral("%1 tree load until the top level shows").arg(QLatin1StringView(label)),
                                  [&] { load(*w, top); }, [&] { waitWhole(*w); });
    // The rest of the bill is read on the store's thread while the window goes on: until it
    // is in, beside the load as it was before the top level came first (every reachable line
    // read in one trip, then the structure made and its top level shown), by turns.
    if (!onServer()) {
        tree::BomDocument before;
        tree::BomTreeModel beforeModel{before};
        const auto [whole, reference] = measureByTurns(
            QStringLiteral("%1 tree load until the whole structure is read").arg(QLatin1StringView(label)),
            [&] {
                load(*w, top);
                waitWhole(*w);
            },
            QStringLiteral("%1 whole load before the top level (reference)").arg(QLatin1StringView(label)),
            [&] { before.load(top, tree::readBill(desktop, location, top).lines); });
        printRatio(QStringLiteral("%1 whole read behind / whole load before").arg(QLatin1StringView(label)),
                   whole.median() / reference.median(), 2);
    }
    // The load makes the top level only, and knows the whole tree's rows from the structure
    // once the rest is in.
    waitWhole(*w);
    if (w->treeModel().nodeCount() != w->treeModel().rowCount() ||
        w->treeModel().structureRows() != expected || !desktop.messages.isEmpty())
        qFatal("%s: %d nodes made, %lld rows counted, expected %d", label,
               w->treeModel().nodeCount(), w->treeModel().structureRows(), expected);
    QAction* expand = w->findChild<QAction*>(QStringLiteral("mnuExpand"));
    QAction* collapse = w->findChild<QAction*>(QStringLiteral("mnuCollapse"));
    // Expand All from a fresh load: every node made, the whole tree laid out and painted.
    measure(QStringLiteral("%1 expand all after a load").arg(QLatin1StringView(label)),
            [&] {
                expand->trigger();
                QCoreApplication::processEvents();
            },
            [&] { load(*w, top); });
    if (w->treeModel().nodeCount() != expected || !desktop.messages.isEmpty())
        qFatal("%s: %d nodes after Expand All, expected %d", label, w->treeModel().nodeCount(),
               expected);

    size_t walked = 0;
    const Row perNode = measure(QStringLiteral("%1 per-node walk (naive)").arg(QLatin1StringView(label)), [&] {
        walked = (onServer() ? walks::perNodeWalkOnServer(location, top, tree::DefaultNodeLimit)
                             : walks::perNodeWalk(location, top, tree::DefaultNodeLimit))
                     .size();
    });
    if (walked != size_t(expected))
        qFatal("%s: the per-node walk made %zu nodes, expected %d", label, walked, expected);
    printRatio(QStringLiteral("%1 per-node walk / window load").arg(QLatin1StringView(label)),
               perNode.median() / viaWindow.median(), 1);
    if (onServer()) {
        // The server holds the same lines; what is measured there is what reaches it.
        if (QLatin1StringView(label) == QLatin1StringView("deep")) {
            whereUsedCase(*w, desktop, location, source);
            historyCases(*w, desktop);
        }
        return viaWindow.median();
    }
    size_t floorNodes = 0;
    const Row floor = measure(QStringLiteral("%1 floor: one pass + nodes").arg(QLatin1StringView(label)), [&] {
        floorNodes = walks::onePassBuild(location, top, tree::DefaultNodeLimit).size();
    });
    if (floorNodes != size_t(expected))
        qFatal("%s: the reference walks disagree", label);
    printRatio(QStringLiteral("%1 window load / floor").arg(QLatin1StringView(label)),
               viaWindow.median() / floor.median(), 2);

    if (QLatin1StringView(label) == QLatin1StringView("deep")) {
        measure(QStringLiteral("deep expand all, nodes made already"),
                [&] {
                    expand->trigger();
                    QCoreApplication::processEvents();
                },
                [&] {
                    collapse->trigger();
                    QCoreApplication::processEvents();
                });
        measure(QStringLiteral("deep collapse all"),
                [&] {
                    collapse->trigger();
                    QCoreApplication::processEvents();
                },
                [&] {
                    expand->trigger();
                    QCoreApplication::processEvents();
                });

        // The menu command itself, its save dialog answered at once: the walk, the CSV
        // text and the write of the whole file.
        desktop.saveAnswer = folder.filePath(QStringLiteral("deep-indented.csv"));
        QAction* exportIndented = w->findChild<QAction*>(QStringLiteral("Indented Bill (CSV)…"));
        measure(QStringLiteral("deep indented export"), [&] { exportIndented->trigger(); },
                [&] { QFile::remove(desktop.saveAnswer); });
        QFile written(desktop.saveAnswer);
        const qsizetype records =
            written.open(QIODevice::ReadOnly) ? written.readAll().count("\r\n") : 0;
        if (records != expected + 1 || !desktop.messages.isEmpty())
            qFatal("deep indented export: %d records, expected %d", int(records), expected + 1);

        printCase(*w, desktop, folder, label, expected);
        whereUsedCase(*w, desktop, location, source);
        historyCases(*w, desktop);
    } else {
        printCase(*w, desktop, folder, label, expected);
    }
    return viaWindow.median();
}

void Bench::millionCase() {
    const QString path = database("million", &bench::writeMillion);
    BenchDesktop desktop;
    QTemporaryDir folder;
    auto w = window(desktop, folder, path);
    const qint64 lines = bench::millionLines(m_sizes);
    measure(QStringLiteral("million: tree load until the top level shows"),
            [&] { load(*w, bench::MillionTop); }, [&] { waitWhole(*w); });
    {
        tree::BomDocument before;
        tree::BomTreeModel beforeModel{before};
        const auto [whole, reference] = measureByTurns(
            QStringLiteral("million: tree load until the whole structure is read"),
            [&] {
                load(*w, bench::MillionTop);
                waitWhole(*w);
            },
            QStringLiteral("million: whole load before the top level (reference)"), [&] {
                before.load(bench::MillionTop, tree::readBill(desktop, path, bench::MillionTop).lines);
            });
        printRatio(QStringLiteral("million: whole read behind / whole load before"),
                   whole.median() / reference.median(), 2);
        // The status bar's counts follow every write that brings or takes a line: a line of
        // the top level taken out and put back by turns, the counts following it, beside a
        // count of the whole structure (as every such write cost before).
        const tree::Structure& structure = before.structure();
        const tree::Structure::Line& firstLine =
            structure.line(structure.linesOf(tree::Structure::Top).front());
        const store::ComponentLine first{firstLine.text, firstLine.quantity, firstLine.unit,
                                         firstLine.description, firstLine.known,
                                         firstLine.startDate};
        (void)tree::loadSummary(before);
        bool taken = false;
        measure(QStringLiteral("million: the load's counts after a line edit"),
                [&] { (void)tree::loadSummary(before); },
                [&] {
                    if ((taken = !taken))
                        before.removeLine(bench::MillionTop, first.id);
                    else
                        before.addLine(bench::MillionTop, 0, first, {});
                });
        double quantity = 1;
        measure(QStringLiteral("million: the whole structure counted again"),
                [&] { (void)tree::loadCounts(before.structure()); },
                [&] { before.setLineQuantity(bench::MillionTop, first.id, quantity += 1); });
        if (taken)
            before.addLine(bench::MillionTop, 0, first, {});
        if (tree::loadCounts(before.structure()) != before.counts())
            qFatal("million: the counts kept differ from a count of the structure");
    }
    const tree::LoadCounts counts = tree::loadCounts(w->treeModel().structure());
    if (counts.lines != lines || !desktop.messages.isEmpty())
        qFatal("million: %lld lines read, expected %lld", counts.lines, lines);
    std::printf("  million: %lld reachable lines, %d top-level rows\n", counts.lines,
                w->treeModel().rowCount());
}

void Bench::printCase(shell::BomWindow& w, BenchDesktop& desktop, QTemporaryDir& folder,
                      const char* label, int expected) {
    desktop.saveAnswer = folder.filePath(QStringLiteral("%1.pdf").arg(QLatin1StringView(label)));
    QAction* print = w.findChild<QAction*>(QStringLiteral("Print…"));
    measure(QStringLiteral("%1 print to PDF (%2 rows)").arg(QLatin1StringView(label)).arg(expected),
            [&] { print->trigger(); }, [&] { QFile::remove(desktop.saveAnswer); });
    if (desktop.lastPrint.result != desktop::PrintResult::Printed || !desktop.messages.isEmpty())
        qFatal("%s print: %s", label, qPrintable(desktop.lastPrint.cause));
    std::printf("  %s print: %d pages, %.1f MB\n", label, desktop.lastPrint.pages,
                QFileInfo(desktop.saveAnswer).size() / 1048576.0);

    // File ▸ Print Preview… until its window shows a page, then closed: what the user
    // waits for before anything of the bill is seen.
    QAction* preview = w.findChild<QAction*>(QStringLiteral("Print Preview…"));
    int shown = 0;
    measure(QStringLiteral("%1 print preview until a page shows").arg(QLatin1StringView(label)), [&] {
        QTimer look;
        look.setInterval(1);
        QObject::connect(&look, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog || qobject_cast<QProgressDialog*>(dialog) || !dialog->isVisible())
                return;
            dialog->repaint(); // the page, painted as the window shows it
            const auto* number = dialog->findChild<QSpinBox*>(QStringLiteral("pageNumber"));
            shown = number ? number->maximum() : -1;
            dialog->reject();
        });
        look.start();
        preview->trigger();
    });
    if (shown != desktop.lastPrint.pages)
        qFatal("%s preview: %d pages, the print has %d", label, shown, desktop.lastPrint.pages);
    // The window has the keyboard again, as after any dialog a user closes: the cases
    // after this one choose their item by the control that has it.
    w.activateWindow();
    QCoreApplication::processEvents();
}

void Bench::historyCases(shell::BomWindow& w, BenchDesktop& desktop) {
    load(w, bench::DeepTop);
    waitWhole(w);
    tree::BomTreeModel& model = w.treeModel();
    // Every node made, none shown open: the copies of a line are where an edit costs.
    model.openAll();
    // A line of the third level: it stands in several places of the tree.
    const QModelIndex node = model.index(0, 0, model.index(0, 0, model.index(0, 0)));
    const QString assembly = model.assemblyOf(node);
    const QString component = model.text(node);
    int typed = 0;
    measure(QStringLiteral("quantity edit (every copy shown)"), [&] {
        model.setData(node.siblingAtColumn(tree::QuantityColumn), QString::number(10 + ++typed % 2));
        QCoreApplication::processEvents();
    });
    if (model.quantity(node) != std::optional<double>(10 + typed % 2) || !desktop.messages.isEmpty())
        qFatal("the quantity edit did not show: %s", qPrintable(desktop.messages.join(u'|')));
    QAction* undo = w.findChild<QAction*>(QStringLiteral("mnuUndo"));
    QAction* redo = w.findChild<QAction*>(QStringLiteral("mnuRedo"));
    measure(QStringLiteral("undo (quantity)"), [&] { undo->trigger(); },
            [&] { redo->trigger(); });
    measure(QStringLiteral("redo (quantity)"), [&] { redo->trigger(); },
            [&] { undo->trigger(); });
    if (!desktop.messages.isEmpty())
        qFatal("undo/redo of %s in %s: %s", qPrintable(component), qPrintable(assembly),
               qPrintable(desktop.messages.join(u'|')));
    currentNodeEditCase(w, desktop);
}

void Bench::currentNodeEditCase(shell::BomWindow& w, BenchDesktop& desktop) {
    tree::BomTreeModel& model = w.treeModel();
    QHash<std::pair<QString, QString>, int> copies;
    QModelIndex most;
    std::vector<QModelIndex> pending{QModelIndex()};
    while (!pending.empty()) {
        const QModelIndex parent = pending.back();
        pending.pop_back();
        for (int row = 0; row < model.rowCount(parent); ++row) {
            const QModelIndex node = model.index(row, 0, parent);
            const int seen = ++copies[{model.assemblyOf(node), model.text(node)}];
            if (!most.isValid() ||
                seen > copies.value({model.assemblyOf(most), model.text(most)}))
                most = node;
            pending.push_back(node);
        }
    }
    const QPersistentModelIndex node = most;
    const int shown = copies.value({model.assemblyOf(node), model.text(node)});
    treeView(w)->setCurrentIndex(node);
    auto* quantityValue = w.findChild<QLabel*>(QStringLiteral("Label8"));
    int typed = 0;
    measure(QStringLiteral("quantity edit with the node current"), [&] {
        model.setData(node.sibling(node.row(), tree::QuantityColumn),
                      QString::number(20 + ++typed % 2));
        QCoreApplication::processEvents();
    });
    if (quantityValue->text() != QString::number(20 + typed % 2) ||
        !desktop.messages.isEmpty())
        qFatal("the quantity edit did not show in the statistics: %s",
               qPrintable(desktop.messages.join(u'|')));
    std::printf("  %s -> %s: %d copies in the tree\n", qPrintable(model.assemblyOf(node)),
                qPrintable(model.text(node)), shown);
}

void Bench::checkCase(const char* label, const QString& location, qint64 lines) {
    size_t findings = 0;
    qint64 read = 0;
    measure(QStringLiteral("check database (%1, %2 lines)").arg(QLatin1StringView(label)).arg(lines), [&] {
        const auto report = store::checkDatabase(*store::openStore(location), {});
        findings = report->size();
        read = report->lines;
    });
    if (read != lines)
        qFatal("check database (%s): %lld lines read, expected %lld", label, read, lines);
    std::printf("  %zu findings\n", findings);
}

void Bench::whereUsedCase(shell::BomWindow& w, BenchDesktop& desktop, const QString& location,
                          const QString& source) {
    const QString leaf = mostUsedLeaf(source);
    auto* list = w.findChild<shell::ItemList*>(QStringLiteral("List1"));
    // The server group comes here without the print case's dialogs: the window is made the
    // active one, or the list never gets the focus that tells Where Used its item.
    w.activateWindow();
    QCoreApplication::processEvents();
    list->setFocus();
    list->setCurrentIndex(list->model()->index(int(list->items().indexOf(leaf)), 0));
    QAction* whereUsed = w.findChild<QAction*>(QStringLiteral("mnuWhereUsed"));
    desktop.messages.clear();
    measure(QStringLiteral("where used, most-used part (deep)"), [&] {
        whereUsed->trigger();
        QCoreApplication::processEvents(); // the window is laid out and painted
    });
    auto* dialog = w.findChild<shell::WhereUsedDialog*>();
    if (!desktop.messages.isEmpty() || !dialog)
        qFatal("where used: %s", qPrintable(desktop.messages.join(u'|')));
    const int shown = dialog->findChild<QTableView*>()->model()->rowCount();
    size_t read = 0;
    measure(QStringLiteral("  of which: the store's read"), [&] {
        read = store::openStore(location)->whereUsed(leaf).size();
    });
    if (shown == 0 || size_t(shown) != read)
        qFatal("where used: %d lines shown, %zu read", shown, read);
    std::printf("  %s: used in %d assemblies\n", qPrintable(leaf), shown);
    dialog->close();
}

} // namespace bench
