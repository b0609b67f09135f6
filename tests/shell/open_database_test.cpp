#include "support/ScriptedDesktop.h"
#include "support/TestDatabase.h"

#include "shell/database/DatabaseChoice.h"
#include "shell/database/Workdir.h"
#include "store/StoreError.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using shell::DatabaseChange;
using shell::DatabaseChoice;

/// The owner of the open database on its own, without a window: what each opening says.
class OpenDatabaseTest : public QObject {
    Q_OBJECT

    static QStringList ids(const DatabaseChange& change) {
        QStringList ids;
        for (const store::ItemLine& item : change.items.value())
            ids.append(item.id);
        return ids;
    }

private Q_SLOTS:
    void eachOpeningSaysOnceWhatToShow() {
        QTemporaryDir dir;
        const QString first = dir.filePath(QStringLiteral("first.db"));
        const QString second = dir.filePath(QStringLiteral("second.db"));
        writeDatabase(first, {{QStringLiteral("A"), {}, {}}}, {});
        writeDatabase(second, {{QStringLiteral("B"), {}, {}}, {QStringLiteral("C"), {}, {}}}, {});
        QSettings settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
        ScriptedDesktop desktop;
        DatabaseChoice choice(desktop, dir.path(), settings);
        std::vector<DatabaseChange> said;
        int working = 0;
        connect(&choice, &DatabaseChoice::databaseChanged, this,
                [&](const DatabaseChange& change) { said.push_back(change); });
        connect(&choice, &DatabaseChoice::working, this, [&] { ++working; });

        // Start-up with nothing remembered: the chooser asks, and nothing was shown before.
        desktop.fileAnswers = {first};
        QVERIFY(choice.FillItemList());
        QCOMPARE(said.size(), size_t(1));
        QVERIFY(!said.back().another);
        QCOMPARE(ids(said.back()), QStringList{"A"});
        QCOMPARE(shell::readRememberedPath(dir.path()), first);

        // Open Database cancelled: the same database, its list read again.
        choice.openDatabase();
        QCOMPARE(said.size(), size_t(2));
        QVERIFY(!said.back().another);
        QCOMPARE(ids(said.back()), QStringList{"A"});

        // Another file: what was shown of the first goes; both are recent, the newest first.
        desktop.fileAnswers = {second};
        choice.openDatabase();
        QCOMPARE(said.size(), size_t(3));
        QVERIFY(said.back().another);
        QCOMPARE(ids(said.back()), (QStringList{"B", "C"}));
        QCOMPARE(choice.recentDatabases(), (QStringList{second, first}));

        // A recent file gone meanwhile: another database, no list, the numbered failure shown.
        QFile::remove(first);
        choice.openDatabase(first);
        QCOMPARE(said.size(), size_t(4));
        QVERIFY(said.back().another);
        QVERIFY(!said.back().items);
        QVERIFY(desktop.messageTexts().value(0).startsWith(QString::number(store::FileNotFound)));
        QCOMPARE(choice.recentDatabases(), (QStringList{first, second}));
        // Each read of the list said first that it was under way.
        QCOMPARE(working, 4);
        // The desktop's recent files: each file opened, not a Cancel nor a file that failed.
        QCOMPARE(desktop.recentFiles, (QStringList{first, second}));
    }
};

QTEST_MAIN(OpenDatabaseTest)
#include "open_database_test.moc"
