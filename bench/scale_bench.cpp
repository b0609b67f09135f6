// The "scale" group of bom-bench: the deep structure among millions of unrelated lines, its
// load and Where Used of its most-used part.

#include "Bench.h"

#include "shell/whereused/WhereUsedDialog.h"
#include "shell/window/ItemList.h"

#include <QAction>
#include <QTableView>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <ctime>

namespace bench {

namespace {

/// The least that any first Where Used must do: one pass over BomDetail's two key columns,
/// each row stepped and its two texts asked for, nothing kept.
void bareKeyScan(const QString& path) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK)
        qFatal("bare scan: cannot open %s", qPrintable(path));
    sqlite3_stmt* scan = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT BomID, BomComp FROM BomDetail", -1, &scan, nullptr) !=
        SQLITE_OK)
        qFatal("bare scan: %s", sqlite3_errmsg(db));
    qint64 rows = 0;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(scan)) == SQLITE_ROW)
        rows += sqlite3_column_text(scan, 0) != nullptr && sqlite3_column_text(scan, 1) != nullptr;
    if (step != SQLITE_DONE || rows == 0)
        qFatal("bare scan: %s after %lld rows", sqlite3_errmsg(db), rows);
    sqlite3_finalize(scan);
    sqlite3_close(db);
}

} // namespace

void Bench::scaleCase(const QString& path, double deepMedian, int expected, const QString& leaf) {
    BenchDesktop desktop;
    QTemporaryDir folder;
    auto w = window(desktop, folder, path);
    const Row row = measure(QStringLiteral("scale: deep tree load among %1 lines").arg(m_sizes.scaleLines),
                            [&] { load(*w, bench::DeepTop); });
    waitWhole(*w);
    if (w->treeModel().structureRows() != expected || !desktop.messages.isEmpty())
        qFatal("scale: %lld rows, expected %d", w->treeModel().structureRows(), expected);
    if (deepMedian > 0)
        printRatio(QStringLiteral("scale load / deep load"), row.median() / deepMedian, 2);

    // The floor of the first Where Used, measured first, so that nothing comes between
    // choosing the list's line and the first Where Used.
    const Row floor = measure(QStringLiteral("where used, scale file: bare key scan"),
                              [&] { bareKeyScan(path); });
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
    const Row firstRow = measure(QStringLiteral("where used, scale file: first"), trigger, [&] {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        const timespec times[2] = {now, {now.tv_sec - 60 - ++dated, 0}};
        utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0);
    });
    printRatio(QStringLiteral("where used first / bare key scan"),
               firstRow.median() / floor.median(), 2);
    const int first = shownRows();
    measure(QStringLiteral("where used, scale file: repeated"), trigger);
    if (shownRows() != first || first == 0)
        qFatal("where used, scale file: %d lines shown, then %d", first, shownRows());
    std::printf("  %s: used in %d assemblies\n", qPrintable(leaf), first);
}

} // namespace bench
