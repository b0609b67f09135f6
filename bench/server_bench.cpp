// The "server" group of bom-bench: a throw-away server with the deep and items databases copied
// onto it, and the cases that reach the store measured there.

#include "server_bench.h"

#include "Bench.h"
#include "ServerData.h"

#include "store/Store.h"

#include <QHash>

namespace bench {

void serverCases(int runs, const Sizes& sizes, const QString& dataDir, const QString& deep,
                 const QString& items, int deepNodes) {
    if (!BenchServer::available()) {
        std::printf("server: no PostgreSQL server binaries under /usr/lib/postgresql; "
                    "the server rows are skipped\n");
        return;
    }
    BenchServer server;
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
    onServer.treeCases("deep", deepUri, DeepTop, deepNodes, deep);
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
        [&] { fromFile = lineCount(store::openStore(deep)->reachableLines(DeepTop)); });
    const Row serverRead = onServer.measure(QStringLiteral("structure read (reachableLines)"), [&] {
        fromServer = lineCount(store::openStore(deepUri)->reachableLines(DeepTop));
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

} // namespace bench
