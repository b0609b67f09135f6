#include "store/SessionName.h"

#include <pwd.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSysInfo>
#include <QMutex>

namespace store {

namespace {

// The server keeps at most 63 bytes of an application_name and shows other characters than
// printable ASCII as "?"; a name that keeps to these is stored as it is, and is one token
// wherever a connection's options are written.
QString tokenOf(const QString& text, int maxBytes) {
    QString token;
    for (QChar c : text) {
        if (token.size() >= maxBytes)
            break;
        const char16_t u = c.unicode();
        const bool kept = (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') ||
                          (u >= u'0' && u <= u'9') || u == u'.' || u == u'_' || u == u'-' ||
                          u == u'/' || u == u'@';
        token += kept ? c : QChar(u'-');
    }
    return token;
}

QMutex nameMutex;
QString chosenName; // empty: editorSessionName()

} // namespace


QString editorSessionName() {
    static const QString name = [] {
        const QString head = QStringLiteral("fabrilux-bom-editor/%1@")
                                 .arg(QCoreApplication::applicationPid());
        return head + tokenOf(QSysInfo::machineHostName(), 63 - int(head.size()));
    }();
    return name;
}

QString sessionApplicationName() {
    const QMutexLocker lock(&nameMutex);
    return chosenName.isEmpty() ? editorSessionName() : chosenName;
}

void setSessionApplicationName(const QString& name) {
    const QMutexLocker lock(&nameMutex);
    chosenName = tokenOf(name, 63);
}

QString systemUserName() {
    static const QString name = [] {
        if (const passwd* entry = getpwuid(geteuid()))
            return QString::fromLocal8Bit(entry->pw_name);
        for (const char* variable : {"USER", "LOGNAME"})
            if (const QString value = qEnvironmentVariable(variable); !value.isEmpty())
                return value;
        return QStringLiteral("unknown");
    }();
    return name;
}

} // namespace store
