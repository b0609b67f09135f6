// A look of a file's history against a whole comparison: another program writes the file in
// every way it can (rows changed in place, deleted, added, replaced under new row numbers,
// renumbered, rows long enough to continue on pages of their own, the file vacuumed, a value
// changed and put back), the editor writes between, and after each look the history's
// recorded state is the file, and the change set of the look names exactly what the program
// changed.

#include "store/History.h"
#include "store/sqlite/history/HistoryFile.h"
#include "support/TestDatabase.h"

#include <QMap>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

using namespace store;
using namespace Qt::StringLiterals;

namespace {

using Rows = QMap<QString, QString>; // "L|assembly|component" or "I|item" → its values

/// Every row of both tables, from the data's tables or from the history's state.
Rows rowsIn(const QString& path, bool state) {
    Rows rows;
    const QString name = QStringLiteral("pages-oracle");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            q.exec(state ? QStringLiteral("SELECT BomID, BomComp, bomQtyReq, StartDate FROM StateLine")
                         : QStringLiteral("SELECT BomID, BomComp, bomQtyReq, StartDate FROM BomDetail"));
            while (q.next())
                rows.insert(u"L|"_s + q.value(0).toString() + u'|' + q.value(1).toString(),
                            q.value(2).toString() + u'@' + q.value(3).toString());
            q.exec(state ? QStringLiteral("SELECT ItemID, ItemDesc, ItemUom FROM StateItem")
                         : QStringLiteral("SELECT ItemID, ItemDesc, ItemUom FROM ItemMaster"));
            while (q.next())
                rows.insert(u"I|"_s + q.value(0).toString(),
                            q.value(1).toString() + u'@' + q.value(2).toString());
        }
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}

/// The keys whose rows differ between two states.
QStringList differing(const Rows& before, const Rows& after) {
    QStringList keys;
    for (auto row = before.cbegin(); row != before.cend(); ++row)
        if (after.value(row.key(), QStringLiteral("\x01")) != row.value())
            keys.append(row.key());
    for (auto row = after.cbegin(); row != after.cend(); ++row)
        if (!before.contains(row.key()))
            keys.append(row.key());
    keys.sort();
    return keys;
}

QString metaOf(const QString& history, const char* key) {
    QString value;
    const QString name = QStringLiteral("pages-meta");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(history);
        QSqlQuery q(db);
        if (db.open() && q.exec(u"SELECT Value FROM Meta WHERE Key = '%1'"_s.arg(QLatin1StringView(key))) &&
            q.next())
            value = q.value(0).toString();
    }
    QSqlDatabase::removeDatabase(name);
    return value;
}

QString longId(int n) {
    return QStringLiteral("LONG-%1-").arg(n) + QString(5000, QLatin1Char('x'));
}

} // namespace

class HistoryPagesTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() {
        setFileHistoryKept(true);
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("data"))));
    }

    void aLookFindsExactlyWhatAnotherProgramChanged() {
        const QString path = m_dir.filePath(QStringLiteral("pages.db"));
        std::vector<ItemRow> items;
        for (int i = 0; i < 300; ++i)
            items.push_back({QStringLiteral("I-%1").arg(i), QStringLiteral("item %1").arg(i), "EA"});
        for (int i = 0; i < 60; ++i) // the editor's, past the row numbers the program deletes
            items.push_back({QStringLiteral("E-%1").arg(i), QStringLiteral("new %1").arg(i), "EA"});
        std::vector<Line> lines;
        for (int i = 0; i < 4000; ++i)
            lines.push_back({QStringLiteral("A-%1").arg(i / 7), QStringLiteral("C-%1").arg(i), i % 9});
        for (int i = 0; i < 3; ++i)
            lines.push_back({QStringLiteral("A-LONG"), longId(i), 1.0});
        writeDatabase(path, items, lines);
        openHistory(path); // the starting state, and the page map with it

        QRandomGenerator random(1409);
        int next = 100000;
        double editorsFrom = 5;
        const auto rowid = [&] {
            return QStringLiteral("(SELECT rowid FROM BomDetail ORDER BY rowid LIMIT 1 OFFSET %1)")
                .arg(random.bounded(3500));
        };
        for (int round = 0; round < 40; ++round) {
            // The editor's own writes, which move the state without a look; the program may
            // put the line back as the map last saw it.
            if (round % 4 == 1) {
                const std::unique_ptr<Store> store = openStore(path);
                store->addLine(u"A-1"_s, u"E-%1"_s.arg(round), 2.0, QDateTime::currentDateTime());
                const QString line = rowsIn(path, false).value(u"L|A-2|C-14"_s);
                if (!line.isEmpty()) {
                    editorsFrom = line.section(u'@', 0, 0).toDouble();
                    store->changeQuantity(u"A-2"_s, u"C-14"_s, editorsFrom, editorsFrom + 1);
                }
            }
            const Rows before = rowsIn(path, false);
            QStringList program;
            const int writes = 1 + random.bounded(4);
            for (int w = 0; w < writes; ++w) {
                switch (random.bounded(12)) {
                case 0: // in place
                    program << u"UPDATE BomDetail SET bomQtyReq = %1 WHERE rowid = %2"_s
                                   .arg(random.bounded(50)).arg(rowid());
                    break;
                case 1:
                    program << u"DELETE FROM BomDetail WHERE rowid = "_s + rowid();
                    break;
                case 2:
                    program << u"INSERT INTO BomDetail VALUES ('A-%1', 'N-%2', 3, NULL)"_s
                                   .arg(random.bounded(600)).arg(++next);
                    break;
                case 3: // the same key under a new row number, values changed or not
                    program << u"INSERT OR REPLACE INTO BomDetail SELECT BomID, BomComp,"
                               " bomQtyReq + %1, StartDate FROM BomDetail WHERE rowid = %2"_s
                                   .arg(random.bounded(2)).arg(rowid());
                    break;
                case 4: // renumbered
                    program << u"UPDATE BomDetail SET rowid = (SELECT max(rowid) + 7 FROM BomDetail)"
                               " WHERE rowid = "_s + rowid();
                    break;
                case 5: // a row that continues on a page of its own
                    program << u"UPDATE BomDetail SET bomQtyReq = %1 WHERE BomComp = '%2'"_s
                                   .arg(random.bounded(50)).arg(longId(random.bounded(3)));
                    break;
                case 6: // changed and put back
                    program << u"UPDATE BomDetail SET bomQtyReq = bomQtyReq + 1 WHERE BomComp = 'C-7'"_s
                            << u"UPDATE BomDetail SET bomQtyReq = bomQtyReq - 1 WHERE BomComp = 'C-7'"_s;
                    break;
                case 7: // the editor's line put back by the program
                    program << u"UPDATE BomDetail SET bomQtyReq = %1 WHERE BomComp = 'C-14'"_s
                                   .arg(editorsFrom);
                    break;
                case 8:
                    program << u"UPDATE ItemMaster SET ItemUom = 'KG%1' WHERE rowid = %2"_s
                                   .arg(round).arg(1 + random.bounded(300));
                    break;
                case 9:
                    program << u"INSERT OR REPLACE INTO ItemMaster VALUES ('I-%1', 'again', 'M')"_s
                                   .arg(random.bounded(400));
                    break;
                case 10: // many at once
                    program << u"UPDATE BomDetail SET StartDate = '2027-0%1-01' WHERE rowid % %2 = 0"_s
                                   .arg(1 + random.bounded(9)).arg(2 + random.bounded(5));
                    break;
                default:
                    program << (round % 3 ? u"DELETE FROM ItemMaster WHERE rowid = %1"_s.arg(1 + random.bounded(300))
                                          : u"VACUUM"_s);
                }
            }
            for (const QString& statement : std::as_const(program))
                execOn(path, {statement});
            const Rows after = rowsIn(path, false);

            history::HistoryFile file(path);
            const qint64 last = file.lastSetAt(std::numeric_limits<qint64>::max());
            file.catchUp();
            QCOMPARE(rowsIn(file.path(), true), after);
            HistoryQuery theirs;
            theirs.source = ChangeSource::AnotherProgram;
            QStringList found;
            for (const ChangeRecord& change : file.changes(theirs))
                if (change.changeSet > last)
                    found << (change.table == schema::BomDetail
                                  ? u"L|"_s + change.key + u'|' + change.component
                                  : u"I|"_s + change.key);
            found.sort();
            QCOMPARE(found, differing(before, after));
            // The map is kept from look to look, not made anew by each.
            QVERIFY(!metaOf(file.path(), "pages").isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(HistoryPagesTest)
#include "history_pages_test.moc"
