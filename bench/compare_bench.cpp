#include "compare_bench.h"
#include "BenchRows.h"

#include "BenchData.h"

#include "BenchDesktop.h"
#include "shell/compare/CompareDialog.h"
#include "shell/window/BomWindow.h"
#include "store/ItemKey.h"
#include "store/Store.h"
#include "tree/bill/BillReads.h"
#include "tree/bill/Structure.h"
#include "tree/reports/BillCompare.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QComboBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace bench {

namespace {

void measure(int runs, const char* name, const std::function<void()>& work) {
    const std::vector<double> ms = timedRuns(runs, work);
    const auto [lo, hi] = std::minmax_element(ms.begin(), ms.end());
    std::printf("%-52s %5zu %10.2f %10.2f-%-10.2f %8s\n", name, ms.size(), median(ms), *lo, *hi, "");
    std::fflush(stdout);
}

/// A copy of the deep database with three quantities changed, two lines gone and one new.
QString changedCopy(const QString& deep, const QString& dataDir) {
    const QString path = QDir(dataDir).filePath(QStringLiteral("deep-changed.db"));
    QFile::remove(path);
    if (!QFile::copy(deep, path))
        qFatal("cannot copy %s", qPrintable(deep));
    const auto db = store::openStore(path);
    const auto lines = db->reachableLines(DeepTop);
    const store::ComponentLines& top = lines.value(store::foldKey(DeepTop));
    const QString first = top.value(0).id;
    const store::ComponentLines& below = lines.value(store::foldKey(first));
    const QDateTime now = QDateTime::currentDateTime();
    for (int i = 0; i < 3 && i < below.size(); ++i) {
        db->takeLine(first, below[i].id);
        db->addLine(first, below[i].id, below[i].quantity.value_or(1) * 2 + 1, now);
    }
    db->takeLine(DeepTop, top.value(1).id);
    db->takeLine(first, below.value(3).id);
    // A leaf of the deepest level, new under the first component: no cycle can come of it.
    QString leaf = below.value(0).id;
    for (auto bill = lines.constFind(store::foldKey(leaf)); bill != lines.cend() && !bill->isEmpty();
         bill = lines.constFind(store::foldKey(leaf)))
        leaf = bill->value(0).id;
    db->addLine(first, leaf, 5, now);
    return path;
}

} // namespace

void compareCases(int runs, const QString& deep, const QString& dataDir) {
    const QString changed = changedCopy(deep, dataDir);

    // The comparison alone, from the two structures in memory.
    tree::Structure a;
    tree::Structure b;
    a.reset(DeepTop, store::openStore(deep)->reachableLines(DeepTop));
    b.reset(DeepTop, store::openStore(changed)->reachableLines(DeepTop));
    size_t rows = 0;
    measure(runs, "compare: deep, summarised + indented (in memory)", [&] {
        tree::Structure copyA = a; // the sums are kept in a structure: each run makes its own
        tree::Structure copyB = b;
        const auto summarised = tree::compareSummarised(copyA, copyB);
        rows = tree::compareIndented(copyA, copyB, tree::DefaultDepthLimit, 1'000'000).rows.size();
    });

    BenchDesktop desktop;
    QTemporaryDir folder;
    {
        QFile workdir(folder.filePath(QStringLiteral("workdir.txt")));
        workdir.open(QIODevice::WriteOnly);
        workdir.write(deep.toUtf8() + "\r\n");
    }
    shell::BomWindow window(desktop, folder.path(), folder.filePath(QStringLiteral("settings.ini")));
    window.start();
    auto* text1 = window.findChild<QLineEdit*>(QStringLiteral("Text1"));
    text1->setText(DeepTop);
    QTest::keyClick(text1, Qt::Key_Return);
    QCoreApplication::processEvents();

    // In the window: both bills read from their files, compared and shown.
    window.findChild<QAction*>(QStringLiteral("mnuCompareBills"))->trigger();
    auto* dialog = window.findChild<shell::CompareDialog*>();
    desktop.fileAnswer = changed;
    auto* source = dialog->findChild<QComboBox*>(QStringLiteral("sourceB"));
    QTest::keyClick(source, Qt::Key_Down);
    auto* compare = dialog->findChild<QPushButton*>(QStringLiteral("compare"));
    auto* indented = dialog->findChild<QTableView*>(QStringLiteral("indentedTable"));
    measure(runs, "compare: deep against a changed copy, window", [&] {
        compare->click();
        QCoreApplication::processEvents();
    });
    if (!desktop.messages.isEmpty() || size_t(indented->model()->rowCount()) != rows)
        qFatal("compare: %d rows shown, %zu expected; %s", indented->model()->rowCount(), rows,
               qPrintable(desktop.messages.join(u'\n')));
    const QString heading = dialog->findChild<QLabel*>(QStringLiteral("compareHeading"))->text();
    std::printf("  %s (%zu indented rows)\n", qPrintable(heading.section(u'\n', 2)), rows);
    dialog->close();

    // The deep bill as Excel workbooks.
    desktop.saveAnswer = folder.filePath(QStringLiteral("deep-indented.xlsx"));
    measure(runs, "deep indented export to xlsx", [&] {
        window.findChild<QAction*>(QStringLiteral("Indented Bill (Excel)…"))->trigger();
    });
    std::printf("  %lld bytes\n", qint64(QFileInfo(desktop.saveAnswer).size()));
    desktop.saveAnswer = folder.filePath(QStringLiteral("deep-summary.xlsx"));
    measure(runs, "deep summarised export to xlsx", [&] {
        window.findChild<QAction*>(QStringLiteral("Summarised Bill (Excel)…"))->trigger();
    });
    if (!desktop.messages.isEmpty())
        qFatal("xlsx export: %s", qPrintable(desktop.messages.join(u'\n')));
}

} // namespace bench
