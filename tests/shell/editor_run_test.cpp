#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <memory>

#include <unistd.h>

/// bom-editor itself, run on a database file with a home of its own: the desktop's recent
/// files it writes, and the report a crash on purpose (its environment switch) leaves.
class EditorRunTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_database;

    /// Starts the editor on the database; `crash` is BOM_CRASH_TEST's value, or empty.
    void start(QProcess& editor, const QString& crash) {
        // Beside the build: the program keeps workdir.txt in its own folder, which is then
        // this test's, linked there rather than copied where it can be.
        m_dir = std::make_unique<QTemporaryDir>(QDir::current().filePath("editor-run-XXXXXX"));
        const QString program = m_dir->filePath("bom-editor");
        if (::link(BOM_EDITOR_PROGRAM, QFile::encodeName(program).constData()) != 0)
            QVERIFY(QFile::copy(BOM_EDITOR_PROGRAM, program));
        m_database = m_dir->filePath("Secret Plant.db");
        writeDatabase(m_database, {{"TOP-1", "Top", "EA"}}, {});
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME",
                                 "XDG_CACHE_HOME"})
            environment.insert(name, m_dir->filePath(QString::fromLatin1(name).toLower()));
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.remove("BOM_CRASH_TEST");
        if (!crash.isEmpty()) {
            environment.insert("BOM_CRASH_TEST", crash);
            // A build with AddressSanitizer would meet the crash with its own report first:
            // the editor's handler is what is tried here.
            const QString asan = environment.value("ASAN_OPTIONS");
            environment.insert("ASAN_OPTIONS",
                               (asan.isEmpty() ? QString() : asan + QLatin1Char(':')) +
                                   "handle_segv=0:handle_abort=0:handle_sigbus=0:handle_sigfpe=0:"
                                   "handle_sigill=0");
        }
        editor.setProcessEnvironment(environment);
        editor.start(program, {m_database});
        QVERIFY(editor.waitForStarted());
    }

private Q_SLOTS:
    void aFileOpenedGoesIntoTheDesktopsRecentFiles() {
        QProcess editor;
        start(editor, {});
        const auto recent = [&] {
            QFile file(m_dir->filePath("xdg_data_home/recently-used.xbel"));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        const QByteArray href = "href=\"" + QUrl::fromLocalFile(m_database).toEncoded() + '"';
        QTRY_VERIFY2_WITH_TIMEOUT(recent().contains(href), recent().constData(), 30000);
        QVERIFY(recent().contains("name=\"com.fabrilux.BomEditor\""));
        editor.kill();
        editor.waitForFinished();
    }

    void aCrashLeavesItsReport_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("signal");
        QTest::newRow("invalid access") << "1" << "SIGSEGV";
        QTest::newRow("abort") << "abort" << "SIGABRT";
    }
    void aCrashLeavesItsReport() {
        QFETCH(QString, how);
        QFETCH(QString, signal);
        QProcess editor;
        start(editor, how);
        QVERIFY(editor.waitForFinished(60000));
        QCOMPARE(editor.exitStatus(), QProcess::CrashExit);

        const QDir reports(m_dir->filePath("xdg_state_home/fabrilux-bom-editor/crash-reports"));
        const QStringList written = reports.entryList({"crash-*.txt"}, QDir::Files);
        QCOMPARE(written.size(), 1);
        QFile file(reports.filePath(written.first()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        QVERIFY2(text.startsWith("The Fabrilux Bill of Material Editor stopped on " + signal), qPrintable(text));
        QVERIFY(QRegularExpression("\nVersion: \\d+\\.\\d+\nQt: 6\\.[\\d.]+\nSQLite: 3\\.[\\d.]+\n"
                                   "libpq: \\d+\\.\\d+\nDatabase: an SQLite file\n")
                    .match(text)
                    .hasMatch());
        QVERIFY(!text.contains("Secret"));
        // Down through the signal's own frame to the event loop that main() runs.
        QVERIFY2(text.contains("bom-editor(main+"), qPrintable(text));
        QVERIFY(text.endsWith("nothing was sent anywhere. It holds neither the database's path "
                              "nor a password; add what you were doing when you pass it on.\n"));
    }
};

QTEST_GUILESS_MAIN(EditorRunTest)
#include "editor_run_test.moc"
