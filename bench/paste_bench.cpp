#include "paste_bench.h"
#include "BenchRows.h"

#include "ServerData.h"

#include "BenchDesktop.h"
#include "shell/database/Workdir.h"
#include "shell/edit/PasteDialog.h"
#include "shell/plan/RequirementsDialog.h"
#include "shell/window/BomTreeView.h"
#include "shell/window/BomWindow.h"
#include "store/Store.h"
#include "tree/bill/BomTreeModel.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>

namespace bench {

namespace {

void pasteOn(const QString& prefix, int runs, const Sizes& sizes, const QString& location) {
    // Items the assembly does not list yet, as a spreadsheet's rows with a header.
    const int count = std::min(1000, sizes.items - 20);
    QString text = QStringLiteral("Item ID\tQuantity\n");
    for (int i = 0; i < count; ++i)
        text += QStringLiteral("ITEM-%1\t%2\n").arg(i + 11, 6, 10, QLatin1Char('0')).arg(i % 9 + 1);

    // No to the question (the lines go beside the node, into the loaded item), OK to the
    // preview, noting when the preview was ready.
    BenchDesktop desktop;
    desktop.messageAnswer = desktop::ResultNo;
    QElapsedTimer clock;
    qint64 previewAt = 0;
    int previewLines = 0;
    desktop.dialogAnswer = [&](QDialog& dialog) {
        previewAt = clock.nsecsElapsed();
        if (auto* preview = qobject_cast<shell::PasteDialog*>(&dialog))
            previewLines = preview->addable();
        return int(QDialog::Accepted);
    };
    QTemporaryDir folder;
    shell::rememberPath(folder.path(), location);
    shell::BomWindow window(desktop, folder.path(), folder.filePath(QStringLiteral("settings.ini")));
    window.start();
    auto* text1 = window.findChild<QLineEdit*>(QStringLiteral("Text1"));
    text1->setText(ItemsAssembly);
    QTest::keyClick(text1, Qt::Key_Return);
    auto* tree = window.findChild<shell::BomTreeView*>(QStringLiteral("TreeView1"));
    auto* paste = window.findChild<QAction*>(QStringLiteral("mnuPaste"));
    auto* undo = window.findChild<QAction*>(QStringLiteral("mnuUndo"));
    const int before = window.treeModel().rowCount();

    std::vector<double> previews, writes, wholes;
    for (int run = 0; run < runs; ++run) {
        auto* data = new QMimeData;
        data->setText(text);
        QGuiApplication::clipboard()->setMimeData(data);
        tree->setCurrentIndex(window.treeModel().index(0, 0));
        desktop.messages.clear();
        clock.start();
        paste->trigger();
        QCoreApplication::processEvents(); // the new nodes laid out and painted
        const qint64 done = clock.nsecsElapsed();
        if (previewLines != count || window.treeModel().rowCount() != before + count ||
            desktop.messages.size() != 1)
            qFatal("%spaste: %d lines previewed, %d top-level nodes, %lld messages (%s)",
                   qPrintable(prefix), previewLines, window.treeModel().rowCount(),
                   qint64(desktop.messages.size()), qPrintable(desktop.messages.join(u'|')));
        previews.push_back(previewAt / 1e6);
        writes.push_back((done - previewAt) / 1e6);
        wholes.push_back(done / 1e6);
        // Not timed: the database as it was, for the next run.
        undo->trigger();
        if (window.treeModel().rowCount() != before)
            qFatal("%spaste: the undo left %d top-level nodes", qPrintable(prefix),
                   window.treeModel().rowCount());
    }
    // Requirements ▸ Paste Rows: 10,000 rows, one in ten naming no item of the Item Master,
    // put into an empty plan and looked up in one trip (the nearest IDs of the first unknown
    // ones found while a moment lasts, the others' when their row is entered).
    std::vector<double> planPastes;
    // Each row names another item, also in the smoke run's small Item Master: a repeated item
    // would ask whether to add or replace, and a bench answers no questions.
    const int planned = std::min(10'000, (sizes.items - 20) / 10 * 10);
    if (prefix.isEmpty()) {
        QString rows = QStringLiteral("Item ID\tQuantity\n");
        for (int i = 0; i < planned; ++i)
            rows += i % 10 == 9 ? QStringLiteral("NOT-THERE-%1\t2\n").arg(i)
                                : QStringLiteral("ITEM-%1\t%2\n")
                                      .arg(i % (sizes.items - 20) + 11, 6, 10, QLatin1Char('0'))
                                      .arg(i % 9 + 1);
        window.findChild<QAction*>(QStringLiteral("mnuRequirements"))->trigger();
        auto* plan = window.findChild<shell::RequirementsDialog*>();
        auto* pasteRows = plan->findChild<QPushButton*>(QStringLiteral("cmdPasteRows"));
        for (int run = 0; run < runs; ++run) {
            plan->clearPlan();
            QGuiApplication::clipboard()->setText(rows);
            clock.start();
            pasteRows->click();
            QCoreApplication::processEvents();
            planPastes.push_back(clock.nsecsElapsed() / 1e6);
            const std::vector<shell::RequirementsDialog::PlanLine> lines = plan->planLines();
            const auto unknown = std::count_if(lines.cbegin(), lines.cend(), [&](const auto& line) {
                return plan->itemState(line.row) != shell::RequirementsDialog::ItemState::Known;
            });
            if (lines.size() != size_t(planned) || unknown != planned / 10)
                qFatal("requirements paste: %lld rows, %lld marked unknown", qint64(lines.size()),
                       qint64(unknown));
        }
        plan->close();
    }
    // The store's share: the same lines checked, then written, with nothing shown.
    std::vector<double> checks, stored;
    for (int run = 0; run < runs; ++run) {
        store::LineBatch batch;
        for (int i = 0; i < count; ++i)
            batch.added.push_back(store::newLine(
                ItemsAssembly, QStringLiteral("ITEM-%1").arg(i + 11, 6, 10, QLatin1Char('0')), 1));
        QElapsedTimer timer;
        timer.start();
        if (store::openStore(location)->checkLines(batch).any())
            qFatal("%spaste: the store refuses the lines", qPrintable(prefix));
        checks.push_back(timer.nsecsElapsed() / 1e6);
        timer.start();
        store::openStore(location)->writeLines(batch);
        stored.push_back(timer.nsecsElapsed() / 1e6);
        const std::unique_ptr<store::Store> db = store::openStore(location);
        store::LineBatch back;
        for (const store::LineRow& line : batch.added)
            back.removed.push_back(*db->findLine(line.assembly, line.component));
        db->writeLines(back);
    }
    // The items a paste looks up, one read each as the paste does; the whole Item Master read
    // once, for comparison.
    std::vector<double> eachRead, wholeRead;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        {
            const std::unique_ptr<store::Store> db = store::openStore(location);
            for (int i = 0; i < count; ++i)
                if (!db->findItem(QStringLiteral("ITEM-%1").arg(i + 11, 6, 10, QLatin1Char('0'))))
                    qFatal("%spaste: an item is missing", qPrintable(prefix));
        }
        eachRead.push_back(timer.nsecsElapsed() / 1e6);
        timer.start();
        if (store::openStore(location)->itemLines().size() != size_t(sizes.items))
            qFatal("%spaste: the Item Master is short", qPrintable(prefix));
        wholeRead.push_back(timer.nsecsElapsed() / 1e6);
    }
    printRow(prefix + QStringLiteral("paste %1 lines: preview (read, check, dialog)").arg(count), previews);
    printRow(prefix + QStringLiteral("  items looked up one by one"), eachRead);
    printRow(prefix + QStringLiteral("  the Item Master read whole"), wholeRead);
    printRow(prefix + QStringLiteral("  of it the store's check alone"), checks);
    printRow(prefix + QStringLiteral("paste %1 lines: write and show").arg(count), writes);
    printRow(prefix + QStringLiteral("  of it the store's write alone"), stored);
    printRow(prefix + QStringLiteral("paste %1 lines: whole").arg(count), wholes);
    if (!planPastes.empty())
        printRow(QStringLiteral("Requirements: paste %1 rows, %2 not in the Item Master")
                     .arg(planned)
                     .arg(planned / 10),
                 planPastes);
}

} // namespace

void pasteCases(int runs, const Sizes& sizes, const QString& itemsDatabase) {
    pasteOn(QString(), runs, sizes, itemsDatabase);
    if (!BenchServer::available()) {
        std::printf("paste: no PostgreSQL server binaries; the server rows are skipped\n");
        return;
    }
    BenchServer server;
    if (const QString failed = server.start(); !failed.isEmpty())
        qFatal("paste: could not start a server: %s", qPrintable(failed));
    pasteOn(QStringLiteral("server: "), runs, sizes,
            server.copyDatabase(itemsDatabase, QStringLiteral("paste")));
}

} // namespace bench
