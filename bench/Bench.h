#pragma once

#include "BenchData.h"
#include "BenchDesktop.h"
#include "BenchRows.h"

#include "shell/window/BomTreeView.h"
#include "shell/window/BomWindow.h"
#include "tree/bill/BomDocument.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace shell {
class ItemList;
}

namespace bench {

/// The process's peak resident size in kB, and its current one; resetPeak() starts a new peak.
long peakKb();
long currentKb();
void resetPeak();

/// The leaf (an item without components) that the most lines use; the first by ID among equals.
QString mostUsedLeaf(const QString& path);

/// One row of the table: the case, its runs' times in milliseconds, the peak memory in kB.
struct Row {
    QString name;
    std::vector<double> ms;
    long peak;
    double median() const { return bench::median(ms); }
};

/// The runs of the groups measured in the window on the generated databases (deep, scale, wide,
/// items, explode, find and the server's): the timing, the table's rows, the window started on
/// a database. Each group's cases are defined in a file of its own.
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

    /// Times `first` and `second` by turns, `m_runs` times each, so that both meet the same
    /// moments of a busy machine; prints a row for each.
    std::pair<Row, Row> measureByTurns(const QString& firstName, const std::function<void()>& first,
                                       const QString& secondName, const std::function<void()>& second) {
        resetPeak();
        Row a{m_prefix + firstName, {}, 0}, b{m_prefix + secondName, {}, 0};
        for (int run = 0; run < m_runs; ++run)
            for (Row* row : {&a, &b}) {
                QElapsedTimer timer;
                timer.start();
                (row == &a ? first : second)();
                row->ms.push_back(timer.nsecsElapsed() / 1e6);
            }
        a.peak = b.peak = peakKb();
        print(a);
        print(b);
        return {a, b};
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

    /// Lets the window run until the rest of its bill, read in the background, is in.
    static void waitWhole(shell::BomWindow& w) {
        while (!w.treeModel().document().isWhole())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }

    /// A ratio line under the rows it compares.
    void printRatio(const QString& name, double ratio, int decimals) {
        std::printf("%-52s %16.*fx\n", qPrintable(m_prefix + name), decimals, ratio);
        std::fflush(stdout);
    }

    // The cases of the groups "deep" and "wide" (tree_bench.cpp): a tree loaded, opened,
    // exported, printed and edited; and Check Database, which "scale" and "server" run too.
    /// Returns the median of the window's load. `location` is the database the window opens
    /// (a file or a server URI); `source` the SQLite file its data came from.
    double treeCases(const char* label, const QString& location, const QString& top, int expected,
                     const QString& source);
    /// File ▸ Print… to a PDF file, its dialog answered at once: the walk, the layout of the
    /// pages and the whole file written.
    void printCase(shell::BomWindow& w, BenchDesktop& desktop, QTemporaryDir& folder,
                   const char* label, int expected);
    /// A quantity typed into the tree, then its undo and redo, each until the tree shows it.
    void historyCases(shell::BomWindow& w, BenchDesktop& desktop);
    /// A quantity typed into the current node's cell on the line the tree shows most often,
    /// until the tree and the statistics panel show it.
    void currentNodeEditCase(shell::BomWindow& w, BenchDesktop& desktop);
    /// Tools > Check Database's work on a whole database: the store opened, both tables read
    /// once, the findings made and ordered. `lines` is what the database holds.
    void checkCase(const char* label, const QString& location, qint64 lines);
    /// Edit > Where Used on a list line, until the Where Used window shows every assembly.
    void whereUsedCase(shell::BomWindow& w, BenchDesktop& desktop, const QString& location,
                       const QString& source);

    // The cases of the group "scale" (scale_bench.cpp).
    /// The deep structure inside a database of millions of unrelated lines: the load must cost
    /// what the nodes shown cost, not what the table holds.
    void scaleCase(const QString& path, double deepMedian, int expected, const QString& leaf);
    /// A generated bill of about a million reachable lines (writeMillion): its top level, and
    /// the whole of it read behind.
    void millionCase();

    // The cases of the group "items" (items_bench.cpp).
    /// `location`: the database the window opens (a file or a server URI).
    void itemCases(const QString& location);
    /// A search typed into the real Find Item field one key at a time, each key timed from
    /// the key press until the list is filtered and painted; the figure is per keystroke.
    void findCase(shell::BomWindow& w, shell::ItemList& list, const QString& path);
    /// The Item ID's completion typed one keystroke at a time, and the nearest IDs offered
    /// for an ID the Item Master lacks, over every item of the list.
    void idSuggestionCase(shell::ItemList& list);

    // The cases of the group "explode" (explode_bench.cpp).
    void explodeCase(const QString& path, qint64 treeSize);

    // The cases of the group "find" (find_bench.cpp).
    /// Find in the tree of `top`: `word` typed into the find bar one keystroke at a time, each
    /// timed with the move to its first hit and the count, then steps to the next hit.
    void findCase(const char* label, const QString& path, const QString& top, const QString& word);

    int m_runs;
    bench::Sizes m_sizes;
    QString m_dataDir;
    QString m_prefix;
};

} // namespace bench
