#include "shell/Workdir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace shell {

namespace {

QString workdirFile(const QString& folder) {
    return QDir(folder).filePath(QStringLiteral("workdir.txt"));
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

} // namespace shell
