#include "live_bench.h"
#include "BenchRows.h"

#include "BenchData.h"
#include "ServerData.h"

#include "BenchDesktop.h"
#include "shell/database/Workdir.h"
#include "shell/window/BomWindow.h"
#include "tree/bill/BomTreeModel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>

namespace bench {

namespace {

/// `writer` commits the quantity given to it on DEEP-TOP's first line, from another process.
void liveOn(const QString& prefix, int runs, const QString& location,
            const std::function<QStringList(const QString& statement)>& writer,
            const QString& program) {
    BenchDesktop desktop;
    desktop.messagesStop = "live";
    QTemporaryDir folder;
    shell::rememberPath(folder.path(), location);
    shell::BomWindow window(desktop, folder.path(), folder.filePath(QStringLiteral("settings.ini")));
    window.start();
    auto* text1 = window.findChild<QLineEdit*>(QStringLiteral("Text1"));
    text1->setText(DeepTop);
    QTest::keyClick(text1, Qt::Key_Return);
    tree::BomTreeModel& model = window.treeModel();
    const QModelIndex first = model.index(0, 0);
    if (!first.isValid())
        qFatal("%slive: the deep tree did not load", qPrintable(prefix));
    const QString component = model.text(first);
    const std::optional<double> original = model.quantity(first);
    const auto statementFor = [&](const QString& quantity) {
        return QStringLiteral("UPDATE BomDetail SET bomQtyReq = %1 WHERE BomID = '%2' AND "
                              "BomComp = '%3'")
            .arg(quantity, DeepTop, component);
    };
    std::vector<double> latencies;
    for (int run = 0; run < runs; ++run) {
        const double quantity = 100 + run;
        const QString statement = statementFor(QString::number(quantity));
        QElapsedTimer clock;
        clock.start();
        QProcess process;
        process.start(program, writer(statement));
        const bool shown = QTest::qWaitFor(
            [&] { return model.quantity(model.index(0, 0)) == std::optional<double>(quantity); },
            20000);
        const double ms = clock.nsecsElapsed() / 1e6;
        process.waitForFinished();
        if (!shown || process.exitCode() != 0)
            qFatal("%slive: the change did not show (%s exit %d: %s)", qPrintable(prefix),
                   qPrintable(program), process.exitCode(),
                   process.readAllStandardError().constData());
        latencies.push_back(ms);
        // Apart from each other, at no fixed moment of the editor's checks, as edits by people
        // come: a commit just after a check of the file waits for the next one.
        QTest::qWait(50 + int(QRandomGenerator::global()->bounded(1000)));
    }
    // The database as it was, for the other groups of later runs.
    QProcess restore;
    restore.start(program, writer(statementFor(original ? QString::number(*original, 'g', 17)
                                                        : QStringLiteral("NULL"))));
    restore.waitForFinished();
    printRow(prefix + QStringLiteral("another process's commit shown (deep)"), latencies);
}

} // namespace

void liveCases(int runs, const QString& deepDatabase) {
    // A latency's median needs many commits; a smoke run (2 runs) only checks that it works.
    const int count = runs <= 2 ? runs : std::max(runs, 20);
    const QString sqlite = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (sqlite.isEmpty())
        std::printf("live: no sqlite3 program; the file row is skipped\n");
    else
        liveOn(QString(), count, deepDatabase,
               // Waiting for a lock held by the editor's reads, as a program that shares a file
               // does, rather than failing at once as sqlite3 does unless told.
               [&](const QString& statement) {
                   return QStringList{QStringLiteral("-cmd"), QStringLiteral(".timeout 10000"),
                                      deepDatabase, statement};
               },
               sqlite);
    if (!BenchServer::available()) {
        std::printf("live: no PostgreSQL server binaries; the server rows are skipped\n");
        return;
    }
    BenchServer server;
    if (const QString failed = server.start(); !failed.isEmpty())
        qFatal("live: could not start a server: %s", qPrintable(failed));
    const QString uri = server.copyDatabase(deepDatabase, QStringLiteral("live"));
    const QString psql = QStandardPaths::findExecutable(QStringLiteral("psql"));
    liveOn(QStringLiteral("server: "), count, uri,
           [&](const QString& statement) {
               return QStringList{QStringLiteral("-X"), QStringLiteral("-q"),
                                  QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
                                  QStringLiteral("-d"), uri, QStringLiteral("-c"), statement};
           },
           psql.isEmpty() ? QStringLiteral("psql") : psql);
}

} // namespace bench
