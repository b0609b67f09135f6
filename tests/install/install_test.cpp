#include "shell/window/BomWindow.h"
#include "shell/database/Workdir.h"
#include "support/ScriptedDesktop.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

} // namespace

class InstallTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        // Every QSettings of this process lives here, the unnamed organisation's as well.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, path(u"settings"_s));
        QCoreApplication::setApplicationName(u"Fabrilux Bill of Material Editor"_s);
    }

    void workdirStaysBesideAProgramWhoseFolderCanBeWritten() {
        const QString program = path(u"portable"_s), config = path(u"config-a"_s);
        QVERIFY(QDir().mkpath(program));
        QCOMPARE(shell::workdirFolder(program, u"/usr/bin"_s, config), program);
        QVERIFY(!QFileInfo::exists(config));
        // No probe is left behind.
        QCOMPARE(QDir(program).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
    }

    void theInstalledProgramKeepsItInTheConfigFolderEvenWhereItMayWrite() {
        const QString program = path(u"bin"_s), config = path(u"config-b/Fabrilux/editor"_s);
        QVERIFY(QDir().mkpath(program));
        writeFile(program + u"/workdir.txt"_s, "/somewhere/else.db\r\n");
        QCOMPARE(shell::workdirFolder(program, program + u"/."_s, config), config);
        QVERIFY(QFileInfo(config).isDir());
        // The system folder's file is not the user's choice.
        QVERIFY(!QFileInfo::exists(config + u"/workdir.txt"_s));
        QVERIFY(shell::rememberPath(config, u"/home/me/bom.db"_s));
        QCOMPARE(readAll(config + u"/workdir.txt"_s), QByteArray("/home/me/bom.db\r\n"));
    }

    void aFolderThatCannotBeWrittenSendsItToTheConfigFolder() {
        // /proc takes no new file even from root; a folder without write bits stops others.
        const QString config = path(u"config-c"_s);
        QCOMPARE(shell::workdirFolder(u"/proc"_s, u"/usr/bin"_s, config), config);
        if (geteuid() == 0)
            QSKIP("root writes in a folder without write bits: scripts/check-package.sh runs "
                  "the unpacked editor as nobody");
        const QString program = path(u"readonly"_s), other = path(u"config-d"_s);
        QVERIFY(QDir().mkpath(program));
        writeFile(program + u"/workdir.txt"_s, "/shared/bom.db\r\n");
        QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner));
        const QString chosen = shell::workdirFolder(program, u"/usr/bin"_s, other);
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(chosen, other);
        // The choice that stood beside the program is kept, in the same format.
        QCOMPARE(readAll(other + u"/workdir.txt"_s), QByteArray("/shared/bom.db\r\n"));
    }

    void theFirstStartOpensTheUsersOwnCopyOfTheSample() {
        const QString config = path(u"config-e"_s), data = path(u"data-e"_s);
        const QString sample = path(u"sample.db"_s);
        QVERIFY(QDir().mkpath(config));
        writeFile(sample, "sample bytes");
        QVERIFY(QFile::setPermissions(sample, QFile::ReadOwner | QFile::ReadGroup));
        QVERIFY(shell::rememberSampleOnFirstStart(config, sample, data));
        const QString copy = data + u"/sample.db"_s;
        QCOMPARE(readAll(config + u"/workdir.txt"_s), copy.toUtf8() + "\r\n");
        QCOMPARE(readAll(copy), QByteArray("sample bytes"));
        QVERIFY(QFileInfo(copy).permissions() & QFile::WriteOwner);

        // Later starts keep what the user chose since.
        QVERIFY(shell::rememberPath(config, u"/home/me/bom.db"_s));
        QVERIFY(!shell::rememberSampleOnFirstStart(config, sample, data));
        QCOMPARE(readAll(config + u"/workdir.txt"_s), QByteArray("/home/me/bom.db\r\n"));
        // A copy the user changed is not replaced when workdir.txt goes.
        writeFile(copy, "changed by the user");
        QVERIFY(QFile::remove(config + u"/workdir.txt"_s));
        QVERIFY(shell::rememberSampleOnFirstStart(config, sample, data));
        QCOMPARE(readAll(copy), QByteArray("changed by the user"));
        // Without a sample (a build tree) nothing is remembered.
        QVERIFY(QFile::remove(config + u"/workdir.txt"_s));
        QVERIFY(!shell::rememberSampleOnFirstStart(config, path(u"no-sample.db"_s), data));
        QVERIFY(!QFileInfo::exists(config + u"/workdir.txt"_s));
    }

    void settingsSavedWithoutAnOrganisationMoveOnce() {
        QString oldFile;
        {
            // What the previous release wrote: no organisation name.
            QCoreApplication::setOrganizationName(QString());
            QSettings before;
            before.setValue(u"window/geometry"_s, QByteArray("\x01\x02\xff", 3));
            before.setValue(u"recent/databases"_s, QStringList{u"/a.db"_s, u"/b é.db"_s});
            before.sync();
            oldFile = before.fileName();
        }
        QVERIFY(QFileInfo::exists(oldFile));
        QCoreApplication::setOrganizationName(u"Fabrilux"_s);
        {
            QSettings settings;
            QVERIFY(settings.fileName() != oldFile);
            QVERIFY(shell::moveUnnamedSettings(settings));
            QCOMPARE(settings.value(u"window/geometry"_s).toByteArray(), QByteArray("\x01\x02\xff", 3));
            QCOMPARE(settings.value(u"recent/databases"_s).toStringList(),
                     (QStringList{u"/a.db"_s, u"/b é.db"_s}));
        }
        QVERIFY(!QFileInfo::exists(oldFile));
        QSettings reread;
        QCOMPARE(reread.value(u"recent/databases"_s).toStringList().size(), 2);
        QVERIFY(!shell::moveUnnamedSettings(reread));

        // Settings of the program's own are never overwritten by old ones.
        {
            QCoreApplication::setOrganizationName(QString());
            QSettings stale;
            stale.setValue(u"recent/databases"_s, QStringList{u"/old.db"_s});
        }
        QCoreApplication::setOrganizationName(u"Fabrilux"_s);
        QSettings own;
        QVERIFY(!shell::moveUnnamedSettings(own));
        QCOMPARE(own.value(u"recent/databases"_s).toStringList().size(), 2);
    }

    void valueFieldsTakeTheDesktopsDarkPalette() {
        QPalette dark;
        dark.setColor(QPalette::Window, QColor(0x30, 0x30, 0x30));
        dark.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xee));
        dark.setColor(QPalette::Base, QColor(0x20, 0x20, 0x20));
        dark.setColor(QPalette::Text, QColor(0xf0, 0xf0, 0xf0));
        const QPalette before = QApplication::palette();
        QApplication::setPalette(dark);
        ScriptedDesktop desktop;
        shell::BomWindow window(desktop, path(u"window"_s), path(u"window/settings.ini"_s));
        for (const char* name : {"Label10", "Label7", "Label8", "Label9"}) {
            auto* field = window.findChild<QLabel*>(QLatin1StringView(name));
            QVERIFY(field);
            const QPalette shown = field->palette();
            const QColor back = shown.color(field->backgroundRole());
            const QColor text = shown.color(field->foregroundRole());
            QVERIFY2(back == dark.color(QPalette::Base) || back == dark.color(QPalette::Window), name);
            // Light text on a dark field: the text stands out whatever the palette.
            QVERIFY2(qAbs(text.lightness() - back.lightness()) > 128, name);
        }
        QApplication::setPalette(before);
    }
};

QTEST_MAIN(InstallTest)
#include "install_test.moc"
