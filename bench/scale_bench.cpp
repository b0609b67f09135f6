// The "scale" group of bom-bench: the deep structure among millions of unrelated lines, its
// load and Where Used of its most-used part.

#include "Bench.h"

#include "shell/whereused/WhereUsedDialog.h"
#include "shell/window/ItemList.h"

#include <QAction>
#include <QTableView>

#include <fcntl.h>
#include <sys/stat.h>
#include <ctime>

namespace bench {

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

} // namespace bench
