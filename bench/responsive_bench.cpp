// The "responsive" group of bom-bench: how the window's thread fares while a store call waits
// for another connection's lock, and what running store calls off that thread costs.

#include "responsive_bench.h"
#include "BenchRows.h"

#include "BenchData.h"
#include "ServerData.h"

#include "BenchDesktop.h"
#include "shell/database/Workdir.h"
#include "shell/window/BomWindow.h"
#include "store/Store.h"
#include "store/runtime/StoreThread.h"
#include "tree/bill/BomDocument.h"
#include "tree/bill/BomTreeModel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPainter>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace bench {

namespace {

/// A widget repainted on every tick of a 10 ms timer of the window's thread, which notes the
/// longest gap between two ticks and between two painted frames.
class Pulse : public QWidget {
public:
    Pulse() {
        resize(64, 64);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            note(m_lastTick, m_longestTick);
            ++ticks;
            update();
        });
    }
    void start() {
        m_longestTick = m_longestPaint = 0;
        ticks = paints = 0;
        m_clock.start();
        m_lastTick = m_lastPaint = 0;
        m_timer.start(10);
    }
    void stop() { m_timer.stop(); }
    double longestTickMs() const { return m_longestTick / 1e6; }
    double longestPaintMs() const { return m_longestPaint / 1e6; }
    int ticks = 0;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(rect(), paints % 2 ? Qt::black : Qt::white);
        if (m_clock.isValid()) {
            note(m_lastPaint, m_longestPaint);
            ++paints;
        }
    }

private:
    void note(qint64& last, qint64& longest) {
        const qint64 now = m_clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    }
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastTick = 0, m_lastPaint = 0, m_longestTick = 0, m_longestPaint = 0;
};

/// Another program's connection that holds the write lock, released by a timer of the
/// window's thread: the release itself needs that thread to run.
class Locker {
public:
    Locker(const QString& location, const PgServer* server) : m_server(server != nullptr) {
        if (m_server) {
            m_db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
            m_db.setHostName(server->socketFolder());
            m_db.setDatabaseName(location.section(u'/', 3).section(u'?', 0, 0));
            m_db.setUserName(server->user());
        } else {
            m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
            m_db.setDatabaseName(location);
        }
        if (!m_db.open())
            qFatal("responsive: cannot open the locking connection: %s",
                   qPrintable(m_db.lastError().text()));
    }
    ~Locker() {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
    void holdFor(int ms) {
        run(m_server ? QStringList{QStringLiteral("BEGIN"),
                                   QStringLiteral("LOCK TABLE bomdetail IN EXCLUSIVE MODE")}
                     : QStringList{QStringLiteral("BEGIN IMMEDIATE")});
        QTimer::singleShot(ms, [this] { run({QStringLiteral("ROLLBACK")}); });
    }

private:
    void run(const QStringList& statements) {
        QSqlQuery query(m_db);
        for (const QString& sql : statements)
            if (!query.exec(sql))
                qFatal("responsive: %s: %s", qPrintable(sql), qPrintable(query.lastError().text()));
    }
    bool m_server;
    QString m_name = QStringLiteral("bench-locker");
    QSqlDatabase m_db;
};

/// The window on `location` with the deep structure loaded; a quantity edit waits `holdMs` on
/// another connection's write lock while the pulse measures the window's thread.
void lockWaitCase(const char* label, const QString& location, const PgServer* server, int holdMs) {
    BenchDesktop desktop;
    QTemporaryDir folder;
    shell::rememberPath(folder.path(), location);
    shell::BomWindow window(desktop, folder.path(),
                            folder.filePath(QStringLiteral("settings.ini")));
    window.start();
    window.show();
    auto* text1 = window.findChild<QLineEdit*>(QStringLiteral("Text1"));
    text1->setText(DeepTop);
    QTest::keyClick(text1, Qt::Key_Return);
    while (!window.treeModel().document().isWhole())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    tree::BomTreeModel& model = window.treeModel();
    model.openAll();
    // A line of the third level, as the history's quantity edit takes.
    const QModelIndex node = model.index(0, 0, model.index(0, 0, model.index(0, 0)));
    if (!node.isValid() || !desktop.messages.isEmpty())
        qFatal("responsive: %s: the load failed: %s", label,
               qPrintable(desktop.messages.join(u'|')));
    const double before = model.quantity(node).value_or(0);
    Pulse pulse;
    pulse.show();
    QCoreApplication::processEvents();

    Locker locker(location, server);
    locker.holdFor(holdMs);
    pulse.start();
    QElapsedTimer waited;
    waited.start();
    // The edit runs once the event that the typed quantity posts is handled.
    model.setData(node.siblingAtColumn(tree::QuantityColumn), QString::number(before + 1));
    QCoreApplication::processEvents();
    const qint64 ms = waited.elapsed();
    pulse.stop();
    if (model.quantity(node) != std::optional<double>(before + 1) || !desktop.messages.isEmpty())
        qFatal("responsive: %s: the edit did not go through after %lld ms of lock: %s", label, ms,
               qPrintable(desktop.messages.join(u'|')));
    std::printf("responsive: %s: an edit waited %lld ms on a lock; longest gap between timer "
                "ticks %.1f ms (%d ticks), between painted frames %.1f ms (%d frames)\n",
                label, ms, pulse.longestTickMs(), pulse.ticks, pulse.longestPaintMs(),
                pulse.paints);
    std::fflush(stdout);
}

/// Waits as the window does, without a busy box.
class LoopWait : public store::StoreWait {
public:
    void waitFor(const std::function<bool()>& finished, const std::function<void()>&,
                 const QString&) override {
        while (!finished())
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                            QEventLoop::WaitForMoreEvents);
    }
};

/// What the store's thread costs: one small read, and the read of a load, each on a store
/// opened directly and in one trip to the store's thread.
void overheadCases(const char* label, const QString& location, int runs) {
    LoopWait wait;
    const auto time = [&](const char* name, const std::function<void()>& work, int repeat) {
        std::vector<double> ms;
        for (int run = 0; run < runs; ++run) {
            QElapsedTimer timer;
            timer.start();
            for (int i = 0; i < repeat; ++i)
                work();
            ms.push_back(timer.nsecsElapsed() / 1e6 / repeat);
        }
        std::printf("responsive: %s: %-40s %10.3f ms (median of %d)\n", label, name, median(ms),
                    runs);
        std::fflush(stdout);
    };
    // A trip opens, works and closes on the store's thread: each case opens and closes too.
    const auto trip = [&](const std::function<void(store::Store&)>& work) {
        store::runOnStore(wait, location, {}, [&](store::StoreCall& call) { work(call.db()); });
    };
    time(
        "findItem, direct", [&] { store::openStore(location)->findItem(DeepTop); }, 20);
    time(
        "findItem, one trip", [&] { trip([](store::Store& db) { db.findItem(DeepTop); }); }, 20);
    time(
        "reachableLines (a load), direct",
        [&] { store::openStore(location)->reachableLines(DeepTop); }, 1);
    time(
        "reachableLines (a load), one trip",
        [&] { trip([](store::Store& db) { db.reachableLines(DeepTop); }); }, 1);
    time(
        "open and close, direct", [&] { store::openStore(location); }, 20);
    time(
        "open and close, one trip", [&] { trip([](store::Store&) {}); }, 20);
}

} // namespace

void responsiveCases(int runs, const QString& deep) {
    // A file's lock is waited for up to 5 s (the store's busy wait), then refused: 4 s of it.
    lockWaitCase("file", deep, nullptr, 4000);
    overheadCases("file", deep, runs);
    if (!BenchServer::available()) {
        std::printf("responsive: no PostgreSQL server binaries; the server rows are skipped\n");
        return;
    }
    BenchServer server;
    if (const QString failed = server.start(); !failed.isEmpty())
        qFatal("responsive: could not start a server: %s", qPrintable(failed));
    const QString uri = server.copyDatabase(deep, QStringLiteral("deep"));
    lockWaitCase("server", uri, &server.pgServer(), 10000);
    overheadCases("server", uri, runs);
}

} // namespace bench
