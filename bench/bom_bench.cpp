// Measures the editor's operations on generated databases and prints, for each case, the
// median and range of several runs with the process's peak memory.
//
//   bom-bench                full sizes, 7 runs each, SQLite and server rows
//   bom-bench --smoke        small sizes, 2 runs each (a check that every case still runs)
//   bom-bench --runs N       N runs of each case
//   bom-bench --only GROUP   one group of cases: deep, scale, wide, items, explode, find,
//                            compare, server, bulk, paste, responsive or live
//
// The server group (rows named "server: ...") starts a throw-away PostgreSQL server (the
// tests' PgServer: a new cluster reached only through its Unix socket, fsync off), copies the
// deep and items databases onto it and runs the store-bound cases there: the deep load and
// the per-node walk on the same server, where used, the quantity edits, the list fill, the
// statistics click, drop and delete. A machine without the server binaries prints one line
// and skips these rows.

#include "BenchData.h"
#include "BenchDesktop.h"
#include "ServerData.h"
#include "support/ReferenceWalks.h"
#include "bulk_bench.h"
#include "paste_bench.h"
#include "live_bench.h"
#include "compare_bench.h"
#include "responsive_bench.h"

#include "shell/window/BomWindow.h"
#include "shell/window/ItemList.h"
#include "desktop/PagedPrint.h"
#include "desktop/QtDesktop.h"
#include "store/DatabaseCheck.h"
#include "store/sqlite/SqliteStore.h"
#include "store/Store.h"
#include "tree/BomTreeModel.h"
#include "shell/window/BomTreeView.h"
#include "shell/whereused/WhereUsedDialog.h"
#include "tree/BillExport.h"
#include "tree/BomEditor.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPrinter>
#include <QProgressDialog>
#include <QSpinBox>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QTimer>
#include <QTreeView>

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>
#include <optional>

namespace {

using bench::BenchDesktop;

long statusKb(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qsizetype(qstrlen(field))).trimmed().split(' ').first().toLong();
    return -1;
}

long peakKb() { return statusKb("VmHWM:"); }
long currentKb() { return statusKb("VmRSS:"); }

/// The leaf (an item without components) that the most lines use; the first by ID among equals.
QString mostUsedLeaf(const QString& path) {
    const QString name = QStringLiteral("bench-most-used");
    QString leaf;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open())
            qFatal("cannot open %s", qPrintable(path));
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral(
                "SELECT BomComp FROM BomDetail WHERE BomComp NOT IN (SELECT BomID FROM BomDetail) "
                "GROUP BY BomComp ORDER BY count(*) DESC, BomComp LIMIT 1")) ||
            !q.next())
            qFatal("no leaf in %s", qPrintable(path));
        leaf = q.value(0).toString();
    }
    QSqlDatabase::removeDatabase(name);
    return leaf;
}

void resetPeak() {
    // Writing 5 to clear_refs resets the peak resident size to the current one.
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

struct Row {
    QString name;
    std::vector<double> ms;
    long peak;
    double median() const {
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        const size_t n = sorted.size();
        return n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
    }
};

class Bench {
public:
    /// `prefix` starts every row's name; a non-empty one marks the cases of a server.
    Bench(int runs, const bench::Sizes& sizes, const QString& dataDir, const QString& prefix = {})
        : m_runs(runs), m_sizes(sizes), m_dataDir(dataDir), m_prefix(prefix) {}

    bool onServer() const { return !m_prefix.isEmpty(); }

    /// Times `work` `m_runs` times after `prepare`, which is not timed.
    Row measure(const QString& name, const std::function<void()>& work,
                const std::function<void()>& prepare = {}) {
        resetPeak();
        Row row{m_prefix + name, {}, 0};
        for (int run = 0; run < m_runs; ++run) {
            if (prepare)
                prepare();
            QElapsedTimer timer;
            timer.start();
            work();
            row.ms.push_back(timer.nsecsElapsed() / 1e6);
        }
        row.peak = peakKb();
        print(row);
        return row;
    }

    void print(const Row& row) {
        const auto [lo, hi] = std::minmax_element(row.ms.begin(), row.ms.end());
        std::printf("%-52s %5zu %10.2f %10.2f-%-10.2f %8.1f\n", qPrintable(row.name),
                    row.ms.size(), row.median(), *lo, *hi, row.peak / 1024.0);
        std::fflush(stdout);
    }

    QString database(const char* name, void (*write)(const QString&, const bench::Sizes&)) {
        const QString path = QDir(m_dataDir).filePath(QLatin1StringView(name) + QStringLiteral(".db"));
        // Written anew each time (fixed seeds), so that no run starts from another's edits.
        write(path, m_sizes);
        return path;
    }

    /// A main window started on `path`, as a user's start-up does.
    std::unique_ptr<shell::BomWindow> window(BenchDesktop& desktop, QTemporaryDir& folder,
                                             const QString& path) {
        QFile workdir(folder.filePath(QStringLiteral("workdir.txt")));
        workdir.open(QIODevice::WriteOnly);
        workdir.write(path.toUtf8() + "\r\n");
        workdir.close();
        auto w = std::make_unique<shell::BomWindow>(desktop, folder.path(), folder.filePath(QStringLiteral("settings.ini")));
        w->start();
        return w;
    }

    static QLineEdit* text1(shell::BomWindow& w) {
        return w.findChild<QLineEdit*>(QStringLiteral("Text1"));
    }
    static shell::BomTreeView* treeView(shell::BomWindow& w) {
        return w.findChild<shell::BomTreeView*>(QStringLiteral("TreeView1"));
    }
    static void load(shell::BomWindow& w, const QString& item) {
        text1(w)->setText(item);
        QTest::keyClick(text1(w), Qt::Key_Return);
        QCoreApplication::processEvents(); // the tree is laid out and painted
    }

    /// A ratio line under the rows it compares.
    void printRatio(const QString& name, double ratio, int decimals) {
        std::printf("%-52s %16.*fx\n", qPrintable(m_prefix + name), decimals, ratio);
        std::fflush(stdout);
    }

    /// Returns the median of the window's load. `location` is the database the window opens
    /// (a file or a server URI); `source` the SQLite file its data came from.
    double treeCases(const char* label, const QString& location, const QString& top, int expected,
                     const QString& source) {
        BenchDesktop desktop;
        QTemporaryDir folder;
        auto w = window(desktop, folder, location);
        const Row viaWindow = measure(QStringLiteral("%1 tree load until the top level shows").arg(QLatin1StringView(label)),
                                      [&] { load(*w, top); });
        // The load makes the top level only, and knows the whole tree's rows from the structure.
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

    /// File ▸ Print… to a PDF file, its dialog answered at once: the walk, the layout of the
    /// pages and the whole file written.
    void printCase(shell::BomWindow& w, BenchDesktop& desktop, QTemporaryDir& folder,
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

    /// A quantity typed into the tree, then its undo and redo, each until the tree shows it.
    void historyCases(shell::BomWindow& w, BenchDesktop& desktop) {
        load(w, bench::DeepTop);
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

    /// A quantity typed into the current node's cell on the line the tree shows most often,
    /// until the tree and the statistics panel show it.
    void currentNodeEditCase(shell::BomWindow& w, BenchDesktop& desktop) {
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

    /// The deep structure inside a database of millions of unrelated lines: the load must cost
    /// what the nodes shown cost, not what the table holds.
    void scaleCase(const QString& path, double deepMedian, int expected, const QString& leaf) {
        BenchDesktop desktop;
        QTemporaryDir folder;
        auto w = window(desktop, folder, path);
        const Row row = measure(QStringLiteral("scale: deep tree load among %1 lines").arg(m_sizes.scaleLines),
                                [&] { load(*w, bench::DeepTop); });
        if (w->treeModel().structureRows() != expected || !desktop.messages.isEmpty())
            qFatal("scale: %lld rows, expected %d", w->treeModel().structureRows(), expected);
        if (deepMedian > 0)
            printRatio(QStringLiteral("scale load / deep load"), row.median() / deepMedian, 2);

        // Edit > Where Used on the deep structure's most-used part, among all those lines: the
        // first one reads the file (each run's file dated anew, as another program's write
        // would leave it), a repeated one walks what was kept.
        auto* list = w->findChild<shell::ItemList*>(QStringLiteral("List1"));
        list->setFocus();
        list->setCurrentIndex(list->model()->index(int(list->items().indexOf(leaf)), 0));
        QAction* whereUsed = w->findChild<QAction*>(QStringLiteral("mnuWhereUsed"));
        const auto shownRows = [&] {
            auto* dialog = w->findChild<shell::WhereUsedDialog*>();
            if (!desktop.messages.isEmpty() || !dialog)
                qFatal("where used: %s", qPrintable(desktop.messages.join(u'|')));
            return dialog->findChild<QTableView*>()->model()->rowCount();
        };
        const auto trigger = [&] {
            whereUsed->trigger();
            QCoreApplication::processEvents(); // the window is laid out and painted
        };
        int dated = 0;
        measure(QStringLiteral("where used, scale file: first"), trigger, [&] {
            timespec now{};
            clock_gettime(CLOCK_REALTIME, &now);
            const timespec times[2] = {now, {now.tv_sec - 60 - ++dated, 0}};
            utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0);
        });
        const int first = shownRows();
        measure(QStringLiteral("where used, scale file: repeated"), trigger);
        if (shownRows() != first || first == 0)
            qFatal("where used, scale file: %d lines shown, then %d", first, shownRows());
        std::printf("  %s: used in %d assemblies\n", qPrintable(leaf), first);
    }

    /// Tools > Check Database's work on a whole database: the store opened, both tables read
    /// once, the findings made and ordered. `lines` is what the database holds.
    void checkCase(const char* label, const QString& location, qint64 lines) {
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

    /// Edit > Where Used on a list line, until the Where Used window shows every assembly.
    void whereUsedCase(shell::BomWindow& w, BenchDesktop& desktop, const QString& location,
                       const QString& source) {
        const QString leaf = mostUsedLeaf(source);
        auto* list = w.findChild<shell::ItemList*>(QStringLiteral("List1"));
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

    /// `location`: the database the window opens (a file or a server URI).
    void itemCases(const QString& location) {
        const QString& path = location;
        BenchDesktop desktop;
        QTemporaryDir folder;
        std::unique_ptr<shell::BomWindow> w;
        measure(
            QStringLiteral("items list fill, start-up"), [&] { w->start(); },
            [&] {
                w.reset();
                QFile workdir(folder.filePath(QStringLiteral("workdir.txt")));
                workdir.open(QIODevice::WriteOnly);
                workdir.write(path.toUtf8() + "\r\n");
                workdir.close();
                w = std::make_unique<shell::BomWindow>(desktop, folder.path(), folder.filePath(QStringLiteral("settings.ini")));
            });
        auto* list = w->findChild<shell::ItemList*>(QStringLiteral("List1"));
        if (list->items().size() != m_sizes.items)
            qFatal("list holds %d lines", int(list->items().size()));
        desktop.fileAnswer = path;
        QAction* open = w->findChild<QAction*>(QStringLiteral("mnuOpen"));
        measure(QStringLiteral("items list fill, Open Database"), [&] { open->trigger(); });

        load(*w, bench::ItemsAssembly);
        shell::BomTreeView* view = treeView(*w);
        tree::BomTreeModel& model = w->treeModel();
        const QModelIndex first = model.index(0, 0);
        measure(QStringLiteral("statistics click"), [&] {
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(first).center());
        });

        // A drop as a sibling of the first component, then its delete: each pair of runs
        // leaves the database as it found it.
        const QString dropped =
            QStringLiteral("ITEM-%1").arg(m_sizes.items / 2, 6, 10, QLatin1Char('0'));
        const int droppedRow = int(list->items().indexOf(dropped));
        const auto dropOne = [&] {
            desktop.messageAnswer = desktop::ResultNo;
            list->setCurrentIndex(list->model()->index(droppedRow, 0));
            view->setDropHighlight(first);
            Q_EMIT view->itemDropped(dropped);
        };
        const auto deleteOne = [&] {
            desktop.messageAnswer = desktop::ResultOk;
            for (int row = 0; row < model.rowCount(); ++row)
                if (model.text(model.index(row, 0)) == dropped)
                    view->setCurrentIndex(model.index(row, 0));
            QTest::keyClick(view, Qt::Key_Delete);
        };
        measure(QStringLiteral("drop (answers scripted)"), dropOne, [&] {
            if (model.nodeCount() == 11)
                deleteOne();
            desktop.messages.clear();
        });
        desktop.messages.removeAll(QStringLiteral("Make Target Item A Parent?"));
        if (model.nodeCount() != 11 || !desktop.messages.isEmpty())
            qFatal("the drop did not add its node: %s", qPrintable(desktop.messages.join(u'|')));
        measure(QStringLiteral("delete"), deleteOne, [&] {
            if (model.nodeCount() == 10)
                dropOne();
            desktop.messages.clear();
        });
        desktop.messages.removeAll(QStringLiteral("Delete Selected Item?"));
        if (model.nodeCount() != 10 || !desktop.messages.isEmpty())
            qFatal("the delete did not remove its node: %s", qPrintable(desktop.messages.join(u'|')));

        if (!onServer()) // the list filters in memory: no different on a server
            findCase(*w, *list, path);
    }

    /// A search typed into the real Find Item field one key at a time, each key timed from
    /// the key press until the list is filtered and painted; the figure is per keystroke.
    void findCase(shell::BomWindow& w, shell::ItemList& list, const QString& path) {
        const QString search = QStringLiteral("bolt m8");
        auto* find = w.findChild<QLineEdit*>(QStringLiteral("FindItem"));
        resetPeak();
        Row row{m_prefix + QStringLiteral("find, per keystroke (%1 items)")
                    .arg(QLocale(QLocale::English).toString(m_sizes.items)),
                {}, 0};
        for (int run = 0; run < m_runs; ++run) {
            find->clear();
            QCoreApplication::processEvents();
            for (const QChar key : search) {
                QElapsedTimer timer;
                timer.start();
                QTest::keyClick(find, key.toLatin1());
                QCoreApplication::processEvents(); // the list is laid out and painted
                row.ms.push_back(timer.nsecsElapsed() / 1e6);
            }
        }
        row.peak = peakKb();
        print(row);
        // The lines left must be the ones a plain reading of every item finds.
        qsizetype expected = 0;
        for (const store::ItemLine& item : store::SqliteStore(path).itemLines())
            if (item.id.contains(search, Qt::CaseInsensitive) ||
                item.description.value_or(QString()).contains(search, Qt::CaseInsensitive))
                ++expected;
        if (list.items().size() != expected || expected == 0)
            qFatal("find: %d lines shown, %d expected", int(list.items().size()), int(expected));
        find->clear();
    }

    /// Find in the tree of `top`: `word` typed into the find bar one keystroke at a time, each
    /// timed with the move to its first hit and the count, then steps to the next hit.
    void findCase(const char* label, const QString& path, const QString& top, const QString& word) {
        BenchDesktop desktop;
        QTemporaryDir folder;
        auto w = window(desktop, folder, path);
        load(*w, top);
        auto* field = w->findChild<QLineEdit*>(QStringLiteral("txtFindInTree"));
        auto* count = w->findChild<QLabel*>(QStringLiteral("lblFindCount"));
        auto* open = w->findChild<QAction*>(QStringLiteral("mnuFindInTree"));
        auto* next = w->findChild<QAction*>(QStringLiteral("mnuFindNext"));
        if (!field || !count || !open || !next)
            qFatal("find: no find bar");
        open->trigger();
        resetPeak();
        Row typing{QStringLiteral("%1 find, per keystroke of \"%2\"").arg(QLatin1StringView(label), word), {}, 0};
        Row stepping{QStringLiteral("%1 find next (F3)").arg(QLatin1StringView(label)), {}, 0};
        for (int run = 0; run < m_runs; ++run) {
            field->clear();
            w->findChild<QTreeView*>(QStringLiteral("TreeView1"))->setCurrentIndex({});
            for (qsizetype typed = 1; typed <= word.size(); ++typed) {
                QElapsedTimer timer;
                timer.start();
                field->setText(word.left(typed));
                QCoreApplication::processEvents(); // the count, the layout and the paint
                typing.ms.push_back(timer.nsecsElapsed() / 1e6);
            }
            for (int step = 0; step < 5; ++step) {
                QElapsedTimer timer;
                timer.start();
                next->trigger();
                QCoreApplication::processEvents();
                stepping.ms.push_back(timer.nsecsElapsed() / 1e6);
            }
        }
        typing.peak = stepping.peak = peakKb();
        print(typing);
        print(stepping);
        std::printf("  the bar says \"%s\" for \"%s\"\n", qPrintable(count->text()), qPrintable(word));
        if (!count->text().contains(QStringLiteral(" of ")))
            qFatal("find: no hit is current");
    }

    void explodeCase(const QString& path, qint64 treeSize) {
        const bool limited = treeSize > tree::DefaultNodeLimit;
        BenchDesktop desktop;
        QTemporaryDir folder;
        auto w = window(desktop, folder, path);
        const qint64 empty = currentKb();
        measure(QStringLiteral("explode load until the top level shows"),
                [&] { load(*w, bench::ExplodeTop); });
        std::printf("  memory above the empty window after the load: %.1f MB\n",
                    (currentKb() - empty) / 1024.0);
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

    int m_runs;
    bench::Sizes m_sizes;
    QString m_dataDir;
    QString m_prefix;
};

/// The server group: a throw-away server with the deep and items databases copied onto it,
/// and the cases that reach the store measured there.
void serverCases(int runs, const bench::Sizes& sizes, const QString& dataDir, const QString& deep,
                 const QString& items, int deepNodes) {
    if (!bench::BenchServer::available()) {
        std::printf("server: no PostgreSQL server binaries under /usr/lib/postgresql; "
                    "the server rows are skipped\n");
        return;
    }
    bench::BenchServer server;
    if (const QString failed = server.start(); !failed.isEmpty())
        qFatal("server: could not start a server: %s", qPrintable(failed));
    QElapsedTimer copying;
    copying.start();
    const QString deepUri = server.copyDatabase(deep, QStringLiteral("deep"));
    const QString itemsUri = server.copyDatabase(items, QStringLiteral("items"));
    std::printf("  server: started in %lld ms; deep and items copied onto it in %lld ms\n",
                server.startMilliseconds(), copying.elapsed());
    Bench onServer(runs, sizes, dataDir, QStringLiteral("server: "));
    // What every operation pays before its first statement: the connection and the check of
    // the tables.
    onServer.measure(QStringLiteral("connect and check the tables"),
                     [&] { store::openStore(deepUri); });
    onServer.treeCases("deep", deepUri, bench::DeepTop, deepNodes, deep);
    // A load's read of the structure on its own, the same lines from the file and the server.
    const auto lineCount = [](const QHash<QString, store::ComponentLines>& lines) {
        qsizetype count = 0;
        for (const store::ComponentLines& list : lines)
            count += list.size();
        return count;
    };
    qsizetype fromFile = 0;
    qsizetype fromServer = 0;
    const Row fileRead = Bench(runs, sizes, dataDir).measure(
        QStringLiteral("structure read (reachableLines), file"),
        [&] { fromFile = lineCount(store::openStore(deep)->reachableLines(bench::DeepTop)); });
    const Row serverRead = onServer.measure(QStringLiteral("structure read (reachableLines)"), [&] {
        fromServer = lineCount(store::openStore(deepUri)->reachableLines(bench::DeepTop));
    });
    if (fromFile == 0 || fromFile != fromServer)
        qFatal("structure read: %lld lines from the file, %lld from the server",
               qint64(fromFile), qint64(fromServer));
    onServer.printRatio(QStringLiteral("structure read, server / file"),
                        serverRead.median() / fileRead.median(), 2);
    onServer.checkCase("deep", deepUri,
                       qint64(sizes.deepLevels - 1) * sizes.deepPerLevel * sizes.deepComponents +
                           sizes.deepComponents);
    onServer.itemCases(itemsUri);
}

} // namespace

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
    Bench bench(runs, sizes, dataDir);
    const QString deep = bench.database("deep", &bench::writeDeep);
    const QString wide = bench.database("wide", &bench::writeWide);
    const QString items = bench.database("items", &bench::writeItems);
    const QString explode = bench.database("explode", &bench::writeExplode);

    int deepNodes = 0;
    for (int level = 1, n = 1; level <= sizes.deepLevels; ++level)
        deepNodes += (n *= sizes.deepComponents);
    const int wideNodes = sizes.wideDirect * (1 + sizes.wideLeaves);

    // --only NAME runs one group of cases (deep, scale, wide, items, explode, find, compare,
    // server, bulk, paste, responsive, live).
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
    if (wanted("scale")) {
        const QString scale = bench.database("scale", &bench::writeScale);
        bench.scaleCase(scale, deepMedian, deepNodes, mostUsedLeaf(deep));
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
        serverCases(runs, sizes, dataDir, deep, items, deepNodes);
    if (wanted("bulk"))
        bench::bulkCases(runs, dataDir);
    if (wanted("paste"))
        bench::pasteCases(runs, sizes, items);
    if (wanted("responsive"))
        bench::responsiveCases(runs, deep);
    if (wanted("live"))
        bench::liveCases(runs, deep);
    return 0;
}
