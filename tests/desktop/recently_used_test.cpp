#include "desktop/RecentlyUsed.h"

#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <sys/stat.h>

using desktop::addRecentlyUsed;

namespace {

const desktop::RecentApplication Editor{"com.fabrilux.BomEditor", "bom-editor %f"};

QByteArray read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void write(const QString& path, const QByteArray& content) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QDomElement parsed(const QString& path, QDomDocument& document) {
    if (!document.setContent(read(path), false))
        return {};
    return document.documentElement();
}

/// Every bookmark of the list, by its href, as its XML text.
QMap<QString, QString> bookmarks(const QString& path) {
    QDomDocument document;
    QMap<QString, QString> found;
    for (QDomElement e = parsed(path, document).firstChildElement("bookmark"); !e.isNull();
         e = e.nextSiblingElement("bookmark")) {
        QString text;
        QTextStream stream(&text);
        e.save(stream, 1);
        found.insert(e.attribute("href"), text);
    }
    return found;
}

QDomElement application(const QDomElement& bookmark, const QString& name) {
    QDomElement app = bookmark.firstChildElement("info")
                          .firstChildElement("metadata")
                          .firstChildElement("bookmark:applications")
                          .firstChildElement("bookmark:application");
    while (!app.isNull() && app.attribute("name") != name)
        app = app.nextSiblingElement("bookmark:application");
    return app;
}

// As GTK's file chooser and a KDE program leave the list: a file of ours already used by
// another program (its address in place of %1), private and grouped entries, a name beyond
// ASCII.
QByteArray othersList() { return read(BOM_TEST_DESKTOP_DATA "/others-recently-used.xbel"); }

} // namespace

/// The user's list of recently used files, written beside other programs' entries.
class RecentlyUsedTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void aFreshListReadsBackAndCountsEachUse() {
        QTemporaryDir dir;
        const QString list = dir.filePath("share/recently-used.xbel");
        const QString file = dir.filePath("Baugruppe 'A' & B.db");
        write(file, "SQLite format 3");
        const QDateTime first(QDate(2026, 3, 1), QTime(8, 0), Qt::UTC);
        QVERIFY(addRecentlyUsed(list, file, Editor, first));
        // A list of the user's files is the user's alone.
        QCOMPARE(QFile::permissions(list) & (QFile::ReadGroup | QFile::WriteGroup |
                                             QFile::ReadOther | QFile::WriteOther),
                 QFile::Permissions());
        QVERIFY(addRecentlyUsed(list, file, Editor, first.addSecs(60)));

        QDomDocument document;
        const QDomElement root = parsed(list, document);
        QCOMPARE(root.tagName(), "xbel");
        QCOMPARE(root.attribute("xmlns:bookmark"),
                 "http://www.freedesktop.org/standards/desktop-bookmarks");
        const QDomElement bookmark = root.firstChildElement("bookmark");
        QVERIFY(bookmark.nextSiblingElement("bookmark").isNull());
        QCOMPARE(QUrl::fromEncoded(bookmark.attribute("href").toUtf8()).toLocalFile(), file);
        QCOMPARE(bookmark.attribute("added"), "2026-03-01T08:00:00.000Z");
        QCOMPARE(bookmark.attribute("visited"), "2026-03-01T08:01:00.000Z");
        const QDomElement app = application(bookmark, Editor.name);
        QCOMPARE(app.attribute("exec"), "'bom-editor %f'");
        QCOMPARE(app.attribute("count"), "2");
        QCOMPARE(app.attribute("modified"), "2026-03-01T08:01:00.000Z");
        QVERIFY(!QFile::exists(list + ".lock"));
    }

    void otherProgramsEntriesStayWhole() {
        QTemporaryDir dir;
        const QString list = dir.filePath("recently-used.xbel");
        const QString shared = dir.filePath("shared.db");
        const QString ours = dir.filePath("ours.db");
        write(shared, "SQLite format 3");
        write(ours, "SQLite format 3");
        const QString sharedUrl = QString::fromUtf8(QUrl::fromLocalFile(shared).toEncoded());
        write(list, QString::fromUtf8(othersList()).arg(sharedUrl).toUtf8());
        const auto before = bookmarks(list);

        QVERIFY(addRecentlyUsed(list, shared, Editor));
        QVERIFY(addRecentlyUsed(list, ours, Editor));
        const auto after = bookmarks(list);
        QCOMPARE(after.size(), 3);
        QCOMPARE(after.value("file:///home/u/St%C3%BCckliste%20alt.ods"),
                 before.value("file:///home/u/St%C3%BCckliste%20alt.ods"));
        // The file another program used too: its application kept as it was, ours beside it.
        QDomDocument document;
        QDomElement bookmark = parsed(list, document).firstChildElement("bookmark");
        while (bookmark.attribute("href") != sharedUrl)
            bookmark = bookmark.nextSiblingElement("bookmark");
        QCOMPARE(bookmark.attribute("added"), "2025-01-03T09:00:00Z");
        const QDomElement theirs = application(bookmark, "sqlitebrowser");
        QCOMPARE(theirs.attribute("count"), "7");
        QCOMPARE(theirs.attribute("exec"), "'sqlitebrowser %f'");
        QCOMPARE(application(bookmark, Editor.name).attribute("count"), "1");
    }

    void aListItCannotMergeIsLeftAlone_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("locked");
        QTest::newRow("damaged list") << QByteArray("<xbel version=\"1.0\"><bookmark href=")
                                      << "ours.db" << false;
        QTest::newRow("not a bookmark list") << QByteArray("<html/>") << "ours.db" << false;
        QTest::newRow("locked by another writer") << othersList() << "ours.db" << true;
        QTest::newRow("server address") << othersList()
                                        << "postgresql://host/bom" << false;
        QTest::newRow("file gone") << QByteArray() << "gone.db" << false;
        // The user's way to turn the list off, a link to /dev/null, stays. A pipe stands for
        // the device here: a list written through the link would replace it (as root, the
        // machine's own /dev/null), and read through it, wait forever.
        QTest::newRow("turned off") << QByteArray() << "ours.db" << false;
    }
    void aListItCannotMergeIsLeftAlone() {
        QFETCH(QByteArray, content);
        QFETCH(QString, file);
        QFETCH(bool, locked);
        QTemporaryDir dir;
        const QString list = dir.filePath("recently-used.xbel");
        write(dir.filePath("ours.db"), "SQLite format 3");
        if (!content.isEmpty())
            write(list, content);
        const bool off = QByteArray(QTest::currentDataTag()) == "turned off";
        if (off) {
            const QString pipe = dir.filePath("null");
            QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
            QVERIFY(QFile::link(pipe, list));
        }
        QLockFile lock(list + ".lock");
        if (locked)
            QVERIFY(lock.lock());
        const QString path = file.contains(':') ? file : dir.filePath(file);
        QVERIFY(!addRecentlyUsed(list, path, Editor));
        if (off) {
            QVERIFY(QFileInfo(list).isSymLink());
            QVERIFY(!QFileInfo(dir.filePath("null")).isFile());
            return;
        }
        QCOMPARE(read(list), content);
        QCOMPARE(QFile::exists(list), !content.isEmpty());
    }
};

QTEST_GUILESS_MAIN(RecentlyUsedTest)
#include "recently_used_test.moc"
