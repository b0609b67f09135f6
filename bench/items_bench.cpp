// The "items" group of bom-bench: the item list of a large Item Master filled, the statistics
// click, a drop and a delete, and a search typed into Find Item.

#include "Bench.h"

#include "shell/window/ItemIdCompleter.h"
#include "shell/window/ItemList.h"
#include "shell/window/ItemListModel.h"
#include "store/sqlite/SqliteStore.h"

#include <QAction>
#include <QLocale>

namespace bench {

void Bench::itemCases(const QString& location) {
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

    if (!onServer()) { // the list filters in memory: no different on a server
        findCase(*w, *list, path);
        idSuggestionCase(*list);
    }
}

void Bench::idSuggestionCase(shell::ItemList& list) {
    const shell::ItemListModel& items = list.itemModel();
    const QString count = QLocale(QLocale::English).toString(items.itemCount());
    // The first nine letters of the middle item's ID, in lower case: "item-0500" of 100,000
    // items, and one that begins some ID in a smoke run's 500 as well.
    const QString typed = items.id(items.itemCount() / 2).left(9).toLower();
    Row completing{m_prefix + QStringLiteral("Item ID completion, per keystroke (%1 items)").arg(count),
                   {}, 0};
    std::vector<int> lines;
    resetPeak();
    for (int run = 0; run < m_runs; ++run)
        for (qsizetype length = 1; length <= typed.size(); ++length) {
            QElapsedTimer timer;
            timer.start();
            lines = shell::completionOrder(items, typed.left(length), 500);
            completing.ms.push_back(timer.nsecsElapsed() / 1e6);
        }
    completing.peak = peakKb();
    print(completing);
    if (lines.empty() || !items.id(lines.front()).startsWith(typed, Qt::CaseInsensitive))
        qFatal("completion: no ID begins with %s", qPrintable(typed));

    // One letter too many, and two letters swapped: a wrong ID as it is typed; and a text of
    // 10,000 letters pasted by mistake, which no ID is near.
    const QString unknown[] = {QStringLiteral("ITEM-0500000"), QStringLiteral("ITME-050000"),
                               QString(10000, u'Q')};
    for (const QString& id : unknown) {
        const bool pasted = id.size() > 100;
        Row nearest{m_prefix + QStringLiteral("nearest IDs to %1 (%2 items)")
                                   .arg(pasted ? QStringLiteral("10,000 letters") : id, count),
                    {}, 0};
        std::vector<int> found;
        resetPeak();
        for (int run = 0; run < m_runs; ++run) {
            QElapsedTimer timer;
            timer.start();
            found = shell::nearestItems(items, id);
            nearest.ms.push_back(timer.nsecsElapsed() / 1e6);
        }
        nearest.peak = peakKb();
        print(nearest);
        std::printf("  the status offers \"%s\"\n", qPrintable(shell::didYouMean(items, found)));
        if (found.empty() != pasted)
            qFatal("nearest: %s offered for %s", found.empty() ? "nothing" : "an ID",
                   qPrintable(id.left(20)));
    }
}

void Bench::findCase(shell::BomWindow& w, shell::ItemList& list, const QString& path) {
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

} // namespace bench
