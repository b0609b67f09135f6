#include "desktop/RecentlyUsed.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QMimeDatabase>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

#include <optional>

namespace desktop {

namespace {

const QString BookmarkNamespace =
    QStringLiteral("http://www.freedesktop.org/standards/desktop-bookmarks");
const QString MimeNamespace = QStringLiteral("http://www.freedesktop.org/standards/shared-mime-info");
const QString MetadataOwner = QStringLiteral("http://freedesktop.org");

/// How long another writer's lock is waited for: a writer holds it for a moment only.
constexpr int LockWaitMs = 500;
/// How often the list is read again when another program replaced it while it was merged.
constexpr int Attempts = 3;

/// The first child element of `parent` named `name` whose attribute `key` (when given) is
/// `value`, made at its end when there is none.
QDomElement child(QDomElement parent, const QString& name, const QString& key = {},
                  const QString& value = {}) {
    for (QDomElement e = parent.firstChildElement(name); !e.isNull();
         e = e.nextSiblingElement(name))
        if (key.isEmpty() || e.attribute(key) == value)
            return e;
    QDomElement made = parent.ownerDocument().createElement(name);
    if (!key.isEmpty())
        made.setAttribute(key, value);
    parent.appendChild(made);
    return made;
}

/// The command line as GLib's bookmark files keep it: quoted for a shell.
QString shellQuoted(QString text) {
    return QLatin1Char('\'') + text.replace(u'\'', QStringLiteral("'\\''")) + QLatin1Char('\'');
}

/// `content` (the list as read; empty for none) with `url` used by `application` at `stamp`;
/// nothing when `content` is no XBEL list.
std::optional<QByteArray> merged(const QByteArray& content, const QUrl& url, const QString& mime,
                                 const RecentApplication& application, const QString& stamp) {
    QDomDocument document;
    // Without namespace processing every name and xmlns attribute is kept as it was written.
    if (content.trimmed().isEmpty()) {
        document.appendChild(document.createProcessingInstruction(
            QStringLiteral("xml"), QStringLiteral("version=\"1.0\" encoding=\"UTF-8\"")));
        QDomElement root = document.createElement(QStringLiteral("xbel"));
        root.setAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
        document.appendChild(root);
    } else if (!document.setContent(content, false)) {
        return std::nullopt;
    }
    QDomElement root = document.documentElement();
    if (root.tagName() != QStringLiteral("xbel"))
        return std::nullopt;
    for (const auto& [prefix, space] : {std::pair{QStringLiteral("xmlns:bookmark"), BookmarkNamespace},
                                        std::pair{QStringLiteral("xmlns:mime"), MimeNamespace}})
        if (!root.hasAttribute(prefix))
            root.setAttribute(prefix, space);

    QDomElement bookmark;
    for (QDomElement e = root.firstChildElement(QStringLiteral("bookmark")); !e.isNull();
         e = e.nextSiblingElement(QStringLiteral("bookmark")))
        if (QUrl::fromEncoded(e.attribute(QStringLiteral("href")).toUtf8()) == url) {
            bookmark = e;
            break;
        }
    if (bookmark.isNull()) {
        bookmark = document.createElement(QStringLiteral("bookmark"));
        bookmark.setAttribute(QStringLiteral("href"),
                              QString::fromUtf8(url.toEncoded(QUrl::FullyEncoded)));
        bookmark.setAttribute(QStringLiteral("added"), stamp);
        root.appendChild(bookmark);
    }
    bookmark.setAttribute(QStringLiteral("modified"), stamp);
    bookmark.setAttribute(QStringLiteral("visited"), stamp);
    QDomElement metadata = child(child(bookmark, QStringLiteral("info")),
                                 QStringLiteral("metadata"), QStringLiteral("owner"), MetadataOwner);
    child(metadata, QStringLiteral("mime:mime-type"))
        .setAttribute(QStringLiteral("type"), mime);
    QDomElement app = child(child(metadata, QStringLiteral("bookmark:applications")),
                            QStringLiteral("bookmark:application"), QStringLiteral("name"),
                            application.name);
    app.setAttribute(QStringLiteral("exec"), shellQuoted(application.exec));
    app.setAttribute(QStringLiteral("modified"), stamp);
    app.setAttribute(QStringLiteral("count"),
                     QString::number(app.attribute(QStringLiteral("count")).toInt() + 1));
    return document.toByteArray(2);
}

/// The list's bytes as they are now; empty when there is none. Nothing when it cannot be read.
std::optional<QByteArray> readList(const QString& path) {
    QFile file(path);
    if (!file.exists())
        return QByteArray();
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

} // namespace

QString recentlyUsedPath() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("recently-used.xbel"));
}

bool addRecentlyUsed(const QString& xbelPath, const QString& file,
                     const RecentApplication& application, const QDateTime& when) {
    // A server address or a file gone is nothing a file dialog could open again.
    const QFileInfo info(file);
    if (!info.isFile())
        return false;
    const QUrl url = QUrl::fromLocalFile(info.absoluteFilePath());
    const QString mime = QMimeDatabase().mimeTypeForFile(info).name();
    const QString stamp = when.toUTC().toString(Qt::ISODateWithMs);

    // A list made a link to /dev/null or a folder is the user's way to turn it off.
    if (const QFileInfo list(xbelPath); list.exists() && !list.isFile())
        return false;
    if (!QDir().mkpath(QFileInfo(xbelPath).absolutePath()))
        return false;
    QLockFile lock(xbelPath + QStringLiteral(".lock"));
    if (!lock.tryLock(LockWaitMs))
        return false;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        const auto before = readList(xbelPath);
        if (!before)
            return false;
        const auto content = merged(*before, url, mime, application, stamp);
        if (!content)
            return false;
        QSaveFile out(xbelPath);
        if (!out.open(QIODevice::WriteOnly))
            return false;
        // A list of files the user opened is nobody else's business.
        if (before->isEmpty())
            out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        if (out.write(*content) != content->size())
            return false;
        // GTK's writers take no lock: one that replaced the list since it was read would lose
        // its entry to this one, so the merge starts again from what it wrote.
        if (readList(xbelPath) != before) {
            out.cancelWriting();
            continue;
        }
        return out.commit();
    }
    return false;
}

} // namespace desktop
