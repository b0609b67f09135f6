// The "find" group of bom-bench: Find in the tree, typed one keystroke at a time, and F3.

#include "Bench.h"


#include <QAction>
#include <QLabel>
#include <QTreeView>

namespace bench {

void Bench::findCase(const char* label, const QString& path, const QString& top, const QString& word) {
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

} // namespace bench
