#include "desktop/CrashReport.h"
#include "support/ScriptedDesktop.h"

#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <fcntl.h>
#include <unistd.h>

/// What a crash report holds, written without crashing, and the offer of the reports at the
/// next start.
class CrashReportTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString folder() const { return m_dir.filePath("state/crash-reports"); }

    QString report(int signal) {
        const QString path = m_dir.filePath("report.txt");
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        desktop::writeCrashReport(fd, signal);
        ::close(fd);
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private Q_SLOTS:
    void initTestCase() {
        // No BOM_CRASH_TEST here: the handlers only, which a test never meets.
        qunsetenv("BOM_CRASH_TEST");
        desktop::installCrashReport(folder(), "9.8");
        QVERIFY(QFileInfo(folder()).isDir());
    }

    void theReportNamesVersionsDatabaseKindAndLastCommands() {
        QCOMPARE(report(SIGFPE).contains("Last commands, the latest last:\n  none\n"), true);
        QMenu file("&File");
        QMenu recent("&Recent Databases");
        QList<QAction*> actions;
        for (int i = 0; i < 14; ++i) {
            actions.append(file.addAction(QString("Command %1").arg(i)));
            actions.back()->setObjectName(QString("mnu%1").arg(i));
        }
        QAction* print = file.addAction("&Print…");
        QAction* secret = recent.addAction("&1 /home/u/secret plant.db");
        secret->setData(QString("/home/u/secret plant.db"));
        for (QAction* action : actions)
            action->trigger();
        print->trigger();
        secret->trigger();
        actions.first()->trigger();
        desktop::noteDatabaseKind(desktop::DatabaseKind::Server);

        const QString text = report(SIGSEGV);
        QVERIFY2(text.startsWith("The Fabrilux Bill of Material Editor stopped on SIGSEGV"), qPrintable(text));
        QVERIFY(text.contains("\nVersion: 9.8\nQt: " + QString::fromLatin1(qVersion()) + "\nSQLite: 3."));
        QVERIFY(QRegularExpression("\nlibpq: \\d+\\.\\d+\n").match(text).hasMatch());
        QVERIFY(text.contains("\nDatabase: a PostgreSQL server\n"));
        // The last twelve, in order; a recent database by its place in its menu, not its path.
        QStringList last;
        for (int i = 5; i < 14; ++i)
            last.append(QString("  mnu%1").arg(i));
        last << "  Print…" << "  Recent Databases ▸ entry 1" << "  mnu0";
        QVERIFY2(text.contains("Last commands, the latest last:\n" + last.join('\n') + "\nBacktrace:\n"),
                 qPrintable(text));
        QVERIFY(!text.contains("secret"));
        // The frames of this very call, from the test's own program.
        QVERIFY2(text.contains("crash_report_test("), qPrintable(text));
    }

    void eachReportIsOfferedOnceAtTheNextStart() {
        const QString dir = m_dir.filePath("offers");
        QDir().mkpath(dir);
        const auto crash = [&](const QString& name) {
            QFile file(dir + "/crash-" + name + ".txt");
            QVERIFY(file.open(QIODevice::WriteOnly));
        };
        ScriptedDesktop desktop;
        desktop::offerCrashReports(desktop, dir);
        QVERIFY(desktop.asked.isEmpty());

        crash("2026-01-01T100000Z-11");
        desktop.messageAnswers = {desktop::ResultNo};
        desktop::offerCrashReports(desktop, dir);
        QCOMPARE(desktop.asked.size(), 1);
        QVERIFY(desktop.foldersShown.isEmpty());
        desktop::offerCrashReports(desktop, dir);
        QCOMPARE(desktop.asked.size(), 1);

        // Two more since: one question for both, and Yes opens their folder.
        crash("2026-01-02T100000Z-12");
        crash("2026-01-03T100000Z-13");
        desktop.messageAnswers = {desktop::ResultYes};
        desktop::offerCrashReports(desktop, dir);
        QCOMPARE(desktop.asked.size(), 2);
        QVERIFY(desktop.asked.back().text.contains(" 2 times"));
        QVERIFY(desktop.asked.back().informative.endsWith("crash-2026-01-03T100000Z-13.txt"));
        QCOMPARE(desktop.foldersShown, QStringList{dir});
        desktop::offerCrashReports(desktop, dir);
        QCOMPARE(desktop.asked.size(), 2);
    }
};

QTEST_MAIN(CrashReportTest)
#include "crash_report_test.moc"
