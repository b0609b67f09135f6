// Store work off the window's thread: another connection holds a lock while the editor
// writes or loads, the wait is cancelled, nothing is written and nothing new is shown, and
// once the lock is gone the same operation goes through. On a file and on a throw-away server.

#include "desktop/Desktop.h"
#include "store/runtime/StoreThread.h"
#include "store/StoreError.h"
#include "support/BackendSuite.h"
#include "support/BillEditor.h"

#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QThread>

using namespace Qt::StringLiterals;

namespace {

const std::vector<ItemRow> Items{
    {"A", "Top", "EA"}, {"B", "Frame", "EA"}, {"C", "Cover", "EA"}, {"NEW", "New part", "PC"}};
const std::vector<Line> Lines{{"A", "B", 1}, {"A", "C", 2}, {"B", "C", 3}};

/// Another program's connection to the database, holding its locks while the window works.
class Locker {
public:
    Locker(const StoreBackend& backend, const PgServer& server)
        : m_server(backend.kind() == StoreBackend::Postgres) {
        if (m_server) {
            m_db = QSqlDatabase::addDatabase(u"QPSQL"_s, m_name);
            m_db.setHostName(server.socketFolder());
            m_db.setDatabaseName(u"postgres"_s);
            m_db.setUserName(server.user());
        } else {
            m_db = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_name);
            m_db.setDatabaseName(backend.address());
        }
        if (!m_db.open())
            qFatal("cannot open the locking connection: %s", qPrintable(m_db.lastError().text()));
    }
    ~Locker() {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }

    /// Others may read, but not write.
    void holdWrites() {
        run(m_server ? QStringList{u"BEGIN"_s, u"LOCK TABLE bomdetail IN EXCLUSIVE MODE"_s}
                     : QStringList{u"BEGIN IMMEDIATE"_s});
    }
    /// Others may neither read nor write.
    void holdEverything() {
        run(m_server ? QStringList{u"BEGIN"_s, u"LOCK TABLE bomdetail IN ACCESS EXCLUSIVE MODE"_s}
                     : QStringList{u"BEGIN EXCLUSIVE"_s});
    }
    void release() { run({u"ROLLBACK"_s}); }
    /// Whether another connection is waiting for a lock this one holds. A file cannot tell:
    /// there every moment of the call is one in which it waits, or is about to.
    bool someoneWaits() {
        if (!m_server)
            return true;
        QSqlQuery query(m_db);
        return query.exec(u"SELECT count(*) FROM pg_locks WHERE NOT granted"_s) && query.next() &&
               query.value(0).toInt() > 0;
    }

private:
    void run(const QStringList& statements) {
        QSqlQuery query(m_db);
        for (const QString& sql : statements)
            if (!query.exec(sql))
                qFatal("%s: %s", qPrintable(sql), qPrintable(query.lastError().text()));
    }

    bool m_server;
    QString m_name = u"locker"_s;
    QSqlDatabase m_db;
};

bool started(QElapsedTimer& timer) {
    timer.start();
    return true;
}

/// The wait ended through the Cancel, long before the lock's own time-outs (5 s on a file, 30 s
/// on a server) would have ended it.
void endedByCancel(const QElapsedTimer& sinceCancel) {
    QVERIFY2(sinceCancel.isValid() && sinceCancel.elapsed() < 2000,
             qPrintable(u"%1 ms from Cancel to the end of the wait"_s.arg(sinceCancel.elapsed())));
}

QString lastMessageNumber(const ScriptedDesktop& desktop) {
    const QStringList texts = desktop.messageTexts();
    return texts.isEmpty() ? QString() : texts.last().section(u' ', 0, 0);
}

} // namespace

class StoreWaitTest : public BackendSuite {
    Q_OBJECT

    std::unique_ptr<StoreBackend> m_backend;

    std::unique_ptr<BillEditor> start() {
        m_backend = std::make_unique<StoreBackend>(backend());
        m_backend->write(Items, Lines);
        auto f = std::make_unique<BillEditor>(m_backend->address());
        f->editor.load(u"A"_s);
        return f;
    }

    /// Drops NEW on B as the component of B, quantity 2.
    static void addNewToB(BillEditor& f) {
        f.desktop.messageAnswers = {desktop::ResultYes};
        f.desktop.inputAnswers = {u"2"_s};
        f.edits().addComponent(f.node(u"B"_s), u"NEW"_s);
    }

private Q_SLOTS:
    void cancelDuringALockWaitWritesNothingAndTheWriteGoesThroughLater() {
        const auto f = start();
        const QString outline = f->outline();
        const QStringList before = m_backend->lines();
        Locker locker(*m_backend, m_server);
        locker.holdWrites();
        // The write's wait is the one after the quantity was asked.
        f->desktop.asked.clear();
        QElapsedTimer sinceCancel;
        f->desktop.cancelWaitWhen = [&] {
            return f->desktop.asked.size() >= 2 && locker.someoneWaits() && started(sinceCancel);
        };
        addNewToB(*f);
        f->desktop.cancelWaitWhen = {};
        QCOMPARE(f->desktop.cancelledWaits, 1);
        endedByCancel(sinceCancel);
        QCOMPARE(f->desktop.asked.size(), 3);
        QCOMPARE(lastMessageNumber(f->desktop), QString::number(store::OperationCancelled));
        QVERIFY(!store::storeCallWaiting());
        QCOMPARE(f->outline(), outline);
        QCOMPARE(m_backend->lines(), before);

        // The editor is usable as before, and the lock gone, the same drop writes.
        locker.release();
        f->desktop.asked.clear();
        addNewToB(*f);
        QCOMPARE(f->desktop.messageTexts().size(), 1); // the question alone
        QVERIFY(f->node(u"B/NEW"_s).isValid());
        QVERIFY(m_backend->lines().contains(u"B>NEW=2"_s));
        QCOMPARE(m_backend->lines().size(), before.size() + 1);

        // The read before the question waits on a lock and is cancelled; the lock goes while
        // the question is open: the line is checked as the database then is, and written.
        f->editor.load(u"A"_s);
        locker.holdEverything();
        f->desktop.asked.clear();
        f->desktop.cancelledWaits = 0;
        f->desktop.cancelWaitWhen = [&] {
            return f->desktop.asked.isEmpty() && locker.someoneWaits();
        };
        f->desktop.onMessage = [&] {
            f->desktop.onMessage = {};
            f->desktop.cancelWaitWhen = {};
            locker.release();
        };
        f->desktop.messageAnswers = {desktop::ResultYes};
        f->desktop.inputAnswers = {u"5"_s};
        f->edits().addComponent(f->node(u"C"_s), u"NEW"_s);
        QCOMPARE(f->desktop.cancelledWaits, 1);
        QCOMPARE(f->desktop.messageTexts(), QStringList{u"Make Target Item A Parent?"_s});
        QVERIFY(m_backend->lines().contains(u"C>NEW=5"_s));
    }

    void aLoadWaitingOnALockIsCancelledAndLoadsLater() {
        const auto f = start();
        const QString outline = f->outline();
        QVERIFY(!outline.isEmpty());
        Locker locker(*m_backend, m_server);
        locker.holdEverything();
        f->desktop.asked.clear();
        QElapsedTimer sinceCancel;
        f->desktop.cancelWaitWhen = [&] { return locker.someoneWaits() && started(sinceCancel); };
        f->editor.load(u"A"_s);
        f->desktop.cancelWaitWhen = {};
        QCOMPARE(f->desktop.cancelledWaits, 1);
        endedByCancel(sinceCancel);
        QCOMPARE(lastMessageNumber(f->desktop), QString::number(store::OperationCancelled));
        QCOMPARE(f->outline(), QString());

        locker.release();
        f->desktop.asked.clear();
        f->editor.load(u"A"_s);
        QCOMPARE(f->desktop.messageTexts(), QStringList());
        QCOMPARE(f->outline(), outline);
    }

    void aCancelWhileASavedChangeIsShownSaysItWasSaved() {
        const auto f = start();
        tree::EditHistory& history = f->history();
        // NEW has a bill of its own, which the tree does not hold: showing a line of NEW reads
        // the assembly's lines and then NEW's structure, so that a Cancel pressed as the first
        // read starts stops the second whatever the first does with it.
        m_backend->open()->addLine(u"NEW"_s, u"C"_s, 4, QDateTime::currentDateTime());
        // Cancel in the busy box of the reads that show a committed write, once, the moment
        // they start.
        f->desktop.cancelBeforeFirstLook = true;
        f->desktop.cancelWaitWhen = [&] {
            return f->desktop.cancelledWaits == 0 &&
                   f->desktop.waitLabels.last() == tree::showingSavedLabel();
        };
        const auto saidSaved = [&](const QString& first) {
            QStringList said{tree::showingStopped()};
            if (!first.isEmpty())
                said.prepend(first);
            QCOMPARE(f->desktop.messageTexts(), said);
            QCOMPARE(f->desktop.messages().last().informative, tree::showingStoppedChoice());
            QCOMPARE(f->desktop.cancelledWaits, 1);
            f->desktop.cancelledWaits = 0;
            f->desktop.asked.clear();
        };

        // A drop: written, its step in the history, and No leaves the tree as it was.
        f->desktop.asked.clear();
        f->desktop.messageAnswers = {desktop::ResultYes, desktop::ResultNo};
        f->desktop.inputAnswers = {u"2"_s};
        f->edits().addComponent(f->node(u"B"_s), u"NEW"_s);
        saidSaved(u"Make Target Item A Parent?"_s);
        QVERIFY(m_backend->lines().contains(u"B>NEW=2"_s));
        QCOMPARE(f->status, tree::showingStopped());
        QVERIFY(!f->node(u"B/NEW"_s).isValid());
        QCOMPARE(history.undoText(), u"Add NEW to B"_s);
        // The step holds the line as written: its undo takes it out.
        f->edits().undo();
        QVERIFY(!m_backend->lines().contains(u"B>NEW=2"_s));
        QCOMPARE(f->desktop.messageTexts(), QStringList());

        // A redo that puts the line back, its showing stopped too: Yes shows it now.
        f->editor.load(u"A"_s);
        f->desktop.messageAnswers = {desktop::ResultYes};
        f->edits().redo();
        saidSaved({});
        QVERIFY(m_backend->lines().contains(u"B>NEW=2"_s));
        QVERIFY(f->node(u"B/NEW"_s).isValid());
        QCOMPARE(history.undoText(), u"Add NEW to B"_s);

        // Many lines at once: both lines of B deleted as one step; its undo writes them back
        // and its showing is stopped.
        const QStringList all = m_backend->lines();
        f->desktop.messageAnswers = {desktop::ResultOk};
        f->edits().deleteLines({f->node(u"B/C"_s), f->node(u"B/NEW"_s)});
        QCOMPARE(m_backend->lines().size(), all.size() - 2);
        f->editor.load(u"A"_s);
        f->desktop.asked.clear();
        f->desktop.messageAnswers = {desktop::ResultNo};
        f->edits().undo();
        saidSaved({});
        QCOMPARE(m_backend->lines(), all);
        QCOMPARE(history.redoText(), u"Delete 2 lines"_s);
        QCOMPARE(f->outline(), u"B C"_s);
        // The next load shows what was saved.
        f->editor.load(u"A"_s);
        QCOMPARE(f->outline(), u"B[C NEW[C]] C"_s);
    }

    void aTripRunsOffTheWindowsThreadAndItsErrorsComeBack() {
        const auto f = start();
        // A trip, its open included, is waited for once, and once more for each new name.
        struct Wait : store::StoreWait {
            QStringList labels;
            void waitFor(const std::function<bool()>& finished, const std::function<void()>&,
                         const QString& label) override {
                labels.append(label);
                QVERIFY(store::storeCallWaiting());
                while (!finished())
                    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            }
        } wait;
        const auto windowThread = QThread::currentThread();
        int components = 0;
        bool askedOnTheWindowsThread = false;
        std::optional<std::optional<double>> quantity;
        // A refusal crosses back as the store threw it, after what ran before it.
        try {
            store::runOnStore(wait, m_backend->address(), u"Reading"_s,
                              [&](store::StoreCall& call) {
                                  QVERIFY(QThread::currentThread() != windowThread);
                                  components = int(call.db().componentsOfEach({u"A"_s}).at(0).size());
                                  askedOnTheWindowsThread = call.ask(
                                      [&] { return QThread::currentThread() == windowThread; });
                                  call.name(u"Writing"_s);
                                  quantity = call.db().findQuantity(u"B"_s, u"C"_s);
                                  call.db().addLine(u"A"_s, u"B"_s, 1, QDateTime::currentDateTime());
                              });
            QFAIL("a duplicate line was added");
        } catch (const store::StoreError& error) {
            QCOMPARE(error.number(), int(store::DuplicateLine));
        }
        QVERIFY(!store::storeCallWaiting());
        QCOMPARE(components, 2);
        QVERIFY(askedOnTheWindowsThread);
        QCOMPARE(quantity, std::optional<std::optional<double>>(3.0));
        QCOMPARE(wait.labels, QStringList({u"Reading"_s, u"Writing"_s}));
        // An open that fails fails as openStore's does, and the work never runs.
        bool ran = false;
        try {
            store::runOnStore(wait, m_dir.filePath(u"missing.db"_s), {},
                              [&](store::StoreCall&) { ran = true; });
            QFAIL("a missing file opened");
        } catch (const store::StoreError& error) {
            QCOMPARE(error.number(), int(store::FileNotFound));
        }
        QVERIFY(!ran);
    }
};

QTEST_MAIN(StoreWaitTest)
#include "store_wait_test.moc"
