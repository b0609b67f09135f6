// Where Used on a file keeps the lines it read for later calls: a kept reading must give the
// answer of the file as it is now, whoever changed it, and a cancelled reading keeps nothing.

#include "store/sqlite/SqliteStore.h"
#include "store/sqlite/SqliteUpwardKeys.h"
#include "store/StoreError.h"
#include "support/StoreBackend.h"
#include "support/TestDatabase.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>

namespace {

/// Dates the file's last write a minute back, as a file that nobody is writing: only then
/// are its lines kept.
void settle(const QString& path) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const timespec times[2] = {now, {now.tv_sec - 60, now.tv_nsec}};
    QCOMPARE(utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

/// The rows as "ASSEMBLY level quantity", quantity "-" when none.
QStringList shown(const std::vector<store::WhereUsedRow>& rows) {
    QStringList result;
    for (const store::WhereUsedRow& row : rows)
        result.append(QStringLiteral("%1 %2 %3")
                          .arg(row.assembly)
                          .arg(row.level)
                          .arg(row.quantity ? QString::number(*row.quantity) : QStringLiteral("-")));
    return result;
}

/// Where Used for `item` on a connection of its own, with the number of progress reports made
/// (none when the kept lines served).
std::pair<QStringList, int> whereUsed(const QString& path, const QString& item) {
    int reports = 0;
    store::SqliteStore db(path);
    const auto rows = db.whereUsed(item, [&](qint64, qint64) {
        ++reports;
        return true;
    });
    return {shown(rows), reports};
}

} // namespace

class WhereUsedIndexTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() {
        // The keys and the quantities read line by line, as in a large file.
        store::SqliteUpwardKeys::setSmallestTable(0);
    }

    void keptLinesFollowEveryChangeOfTheFile_data() {
        QTest::addColumn<bool>("wal");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("after");
        const QStringList inserted{"SUB 1 3", "TOP 1 7", "NEW 2 12"};
        const QStringList deleted{"SUB 1 3", "TOP 1 1"};
        const QStringList changed{"SUB 1 5", "TOP 1 11"};
        for (const bool wal : {false, true}) {
            const char* mode = wal ? "WAL" : "rollback journal";
            QTest::addRow("%s, insert", mode)
                << wal << "INSERT INTO BomDetail VALUES ('NEW', 'sub', 4, NULL)" << inserted;
            QTest::addRow("%s, delete", mode)
                << wal << "DELETE FROM BomDetail WHERE BomID = 'top' AND BomComp = 'SUB'"
                << deleted;
            QTest::addRow("%s, quantity", mode)
                << wal << "UPDATE BomDetail SET bomQtyReq = 5 WHERE BomID = 'SUB'" << changed;
        }
    }
    void keptLinesFollowEveryChangeOfTheFile() {
        QFETCH(bool, wal);
        QFETCH(QString, change);
        QFETCH(QStringList, after);
        const QString path = m_dir.filePath(QStringLiteral("%1.db").arg(QTest::currentDataTag()));
        // TOP uses BOLT directly and through SUB: 1 + 2 * 3.
        writeDatabase(path, {{"TOP", {}, {}}, {"SUB", {}, {}}, {"BOLT", {}, {}}},
                      {{"TOP", "SUB", 2}, {"SUB", "BOLT", 3}, {"TOP", "BOLT", 1},
                       {"OTHER", "NUT", 1}});
        if (wal)
            execOn(path, {QStringLiteral("PRAGMA journal_mode=WAL")});
        settle(path);
        // Another program holds the file open throughout: in WAL mode its commits stay in the
        // log, and the file itself does not change.
        const QString name = QStringLiteral("other-program");
        {
            QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            other.setDatabaseName(path);
            QVERIFY(other.open());
            QSqlQuery read(other);
            QVERIFY(read.exec(QStringLiteral("SELECT count(*) FROM BomDetail")) && read.next());
            read.finish();

            const QStringList before{"SUB 1 3", "TOP 1 7"};
            const auto first = whereUsed(path, QStringLiteral("bolt"));
            QCOMPARE(first.first, before);
            QVERIFY(first.second > 0);
            // The kept lines serve: no reading, the same answer.
            QCOMPARE(whereUsed(path, QStringLiteral("BOLT")), std::pair(before, 0));

            QSqlQuery write(other);
            QVERIFY2(write.exec(change), qPrintable(write.lastError().text()));
            const auto fresh = whereUsed(path, QStringLiteral("BOLT"));
            QCOMPARE(fresh.first, after);
            QVERIFY(fresh.second > 0);
        }
        QSqlDatabase::removeDatabase(name);
    }

    void aCancelledReadingKeepsNothing() {
        // 40,002 lines: the first reading reports three times before it ends.
        std::vector<Line> lines;
        for (int i = 0; i < 20000; ++i) {
            const QString assembly = QStringLiteral("A-%1").arg(i);
            lines.push_back({QStringLiteral("TOP"), assembly, 1});
            lines.push_back({assembly, QStringLiteral("PART"), 2});
        }
        lines.push_back({QStringLiteral("TOP"), QStringLiteral("PART"), QVariant()});
        lines.push_back({QStringLiteral("X"), QStringLiteral("Y"), 1});
        const QString path = m_dir.filePath(QStringLiteral("cancel.db"));
        writeDatabase(path, {}, lines);
        settle(path);

        int reports = 0;
        const auto [number, text] = failureOf([&] {
            store::SqliteStore(path).whereUsed(QStringLiteral("PART"), [&](qint64 done, qint64 total) {
                if (total < 40002 || done > total)
                    qFatal("progress %lld of %lld", done, total);
                return ++reports < 2;
            });
        });
        QCOMPARE(number, int(store::WhereUsedCancelled));
        QCOMPARE(reports, 2);
        // Read again from the start, whole, and kept from then on.
        const auto [rows, read] = whereUsed(path, QStringLiteral("part"));
        QVERIFY(read >= 3);
        QCOMPARE(rows.size(), 20001);
        QCOMPARE(rows.first(), QStringLiteral("A-0 1 2"));
        QCOMPARE(rows.last(), QStringLiteral("TOP 1 -"));
        QCOMPARE(whereUsed(path, QStringLiteral("PART")).second, 0);
    }

    void aFileWrittenJustNowIsReadEachTime() {
        // Its last write may share a tick of the clock with the next one.
        const QString path = m_dir.filePath(QStringLiteral("recent.db"));
        writeDatabase(path, {}, {{"A", "B", 2}});
        QCOMPARE(whereUsed(path, QStringLiteral("B")), std::pair(QStringList{"A 1 2"}, 1));
        QCOMPARE(whereUsed(path, QStringLiteral("B")), std::pair(QStringList{"A 1 2"}, 1));
        settle(path);
        whereUsed(path, QStringLiteral("B"));
        QCOMPARE(whereUsed(path, QStringLiteral("B")), std::pair(QStringList{"A 1 2"}, 0));
    }
};

QTEST_GUILESS_MAIN(WhereUsedIndexTest)
#include "where_used_index_test.moc"
