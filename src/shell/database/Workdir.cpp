#include "shell/database/Workdir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QTemporaryFile>

namespace shell {

namespace {

QString workdirFile(const QString& folder) {
    return QDir(folder).filePath(QStringLiteral("workdir.txt"));
}

/// Whether workdir.txt can be replaced in `folder`: its replacement is written beside it, so
/// a file must be creatable there. Trying is the one answer that holds for read-only mounts,
/// access lists and an administrator alike, where the permission bits say otherwise.
bool canWriteIn(const QString& folder) {
    if (!QFileInfo(folder).isDir())
        return false;
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".workdir-XXXXXX")));
    return probe.open();
}

bool sameFolder(const QString& one, const QString& other) {
    if (one.isEmpty() || other.isEmpty())
        return false;
    const QString a = QFileInfo(one).canonicalFilePath();
    return !a.isEmpty() && a == QFileInfo(other).canonicalFilePath();
}

} // namespace

QString readRememberedPath(const QString& folder) {
    QFile file(workdirFile(folder));
    if (!file.exists()) {
        // First start: an empty file, which holds no path.
        file.open(QIODevice::WriteOnly);
        return {};
    }
    // A FIFO or a device would block the start in open() or read() until some other program
    // wrote to it, or never end; only a regular file (or a link to one) holds a path.
    if (!QFileInfo(file.fileName()).isFile() || !file.open(QIODevice::ReadOnly))
        return {};
    // The first line that holds anything: an editor that saves the file with a blank line
    // after the path (or before it) must not lose the choice.
    while (!file.atEnd()) {
        QByteArray line = file.readLine();
        if (line.endsWith('\n'))
            line.chop(1);
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.trimmed().isEmpty())
            return QString::fromUtf8(line);
    }
    return {};
}

bool rememberPath(const QString& folder, const QString& path) {
    QSaveFile file(workdirFile(folder));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(path.toUtf8());
    file.write("\r\n");
    return file.commit();
}

QString workdirFolder(const QString& programFolder, const QString& installedFolder,
                      const QString& configFolder) {
    if (!sameFolder(programFolder, installedFolder) && canWriteIn(programFolder))
        return programFolder;
    QDir().mkpath(configFolder);
    const QString beside = workdirFile(programFolder);
    const QString own = workdirFile(configFolder);
    if (!sameFolder(programFolder, installedFolder) && QFileInfo(beside).isFile() &&
        !QFileInfo::exists(own))
        QFile::copy(beside, own);
    return configFolder;
}

bool rememberSampleOnFirstStart(const QString& folder, const QString& sample,
                                const QString& dataFolder) {
    if (QFileInfo::exists(workdirFile(folder)) || !QFileInfo(sample).isFile())
        return false;
    const QString copy = QDir(dataFolder).filePath(QStringLiteral("sample.db"));
    if (!QFileInfo::exists(copy)) {
        if (!QDir().mkpath(dataFolder) || !QFile::copy(sample, copy))
            return false;
        // The installed file is read-only for the user; the copy is theirs to change.
        QFile::setPermissions(copy, QFile::permissions(copy) | QFile::WriteOwner | QFile::ReadOwner);
    }
    return rememberPath(folder, copy);
}

bool moveUnnamedSettings(QSettings& settings) {
    if (!settings.allKeys().isEmpty())
        return false;
    // What a QSettings made without an organisation name used, in the same place and format.
    QSettings unnamed(settings.format(), settings.scope(), QStringLiteral("Unknown Organization"),
                      QCoreApplication::applicationName());
    if (unnamed.fileName() == settings.fileName())
        return false;
    const QStringList keys = unnamed.allKeys();
    if (keys.isEmpty())
        return false;
    for (const QString& key : keys)
        settings.setValue(key, unnamed.value(key));
    settings.sync();
    if (settings.status() != QSettings::NoError)
        return false;
    const QString oldFile = unnamed.fileName();
    unnamed.clear();
    unnamed.sync();
    QFile::remove(oldFile);
    // The folder goes too when nothing else of Qt's defaults is left in it.
    QDir().rmdir(QFileInfo(oldFile).path());
    return true;
}

} // namespace shell
