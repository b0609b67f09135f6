#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <memory>

#include <unistd.h>

/// bom-editor itself, run on a database file with a home of its own: the desktop's recent
/// files it writes.
class EditorRunTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_database;

    /// Starts the editor on the database.
    void start(QProcess& editor) {
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
        editor.setProcessEnvironment(environment);
        editor.start(program, {m_database});
        QVERIFY(editor.waitForStarted());
    }

private Q_SLOTS:
    void aFileOpenedGoesIntoTheDesktopsRecentFiles() {
        QProcess editor;
        start(editor);
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
};

QTEST_GUILESS_MAIN(EditorRunTest)
#include "editor_run_test.moc"
