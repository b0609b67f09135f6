#include "store/sqlite/SqliteStore.h"
#include "store/sqlite/SqliteUpwardKeys.h"
#include "store/ItemKey.h"
#include "store/StoreError.h"
#include "store/WhereUsedWalk.h"
#include "support/StoreBackend.h"
#include "support/TestDatabase.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSet>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>

using store::SqliteStore;

using store::StoreError;

namespace {

/// Overwrites one leaf page in the middle of the b-tree `name` with bytes that are no page.
void damageMiddlePage(const QString& path, const QString& name) {
    qint64 page = 0;
    qint64 pageSize = 0;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("pages"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec(QStringLiteral("PRAGMA page_size")) && q.next());
        pageSize = q.value(0).toLongLong();
        // The b-tree's leaves in key order: dbstat walks each tree from the left.
        QVERIFY(q.prepare(QStringLiteral(
            "SELECT pageno FROM dbstat WHERE name = ? AND pagetype = 'leaf' ORDER BY path")));
        q.addBindValue(name);
        QVERIFY(q.exec());
        QList<qint64> leaves;
        while (q.next())
            leaves.append(q.value(0).toLongLong());
        QVERIFY2(leaves.size() >= 5, qPrintable(name));
        page = leaves.at(leaves.size() / 2);
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("pages"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.seek((page - 1) * pageSize));
    QCOMPARE(file.write(QByteArray(pageSize, char(0xA5))), pageSize);
}

/// Where Used of `item` by the walk that every store shares, over every line of the file as
/// stored (read as bytes, so that IDs that are not UTF-8 stay as they are): each row as
/// "level key quantity circular top", the key folded, or the number of the failure.
QStringList genericWhereUsed(const QString& path, const QString& item) {
    store::UpwardWalk walk;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("generic"));
        db.setDatabaseName(path);
        if (!db.open())
            qFatal("cannot open %s", qPrintable(path));
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("SELECT CAST(BomID AS BLOB), CAST(BomComp AS BLOB), "
                                   "bomQtyReq, typeof(bomQtyReq) FROM BomDetail")))
            qFatal("cannot read %s", qPrintable(path));
        while (q.next()) {
            const QString type = q.value(3).toString();
            bool number = type == u"real" || type == u"integer";
            double quantity = q.value(2).toDouble();
            if (type == u"text")
                quantity = q.value(2).toString().trimmed().toDouble(&number);
            walk.addLine(q.value(0).toByteArray(), q.value(1).toByteArray(),
                         type == u"null" ? store::UpwardWalk::Quantity::Null
                         : number        ? store::UpwardWalk::Quantity::Number
                                         : store::UpwardWalk::Quantity::NotANumber,
                         quantity);
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("generic"));
    QStringList rows;
    try {
        const std::vector<store::WhereUsedRow> found = walk.walk(item);
        for (size_t at = 0; at < found.size(); ++at) {
            const QByteArrayView spelling = walk.spelling(at);
            if (!spelling.isValidUtf8())
                return {QString::number(store::UnreadableId)};
            const store::WhereUsedRow& row = found[at];
            rows.append(QStringLiteral("%1 %2 %3 %4 %5")
                            .arg(row.level)
                            .arg(store::foldKey(QString::fromUtf8(spelling)))
                            .arg(row.quantity ? QString::number(*row.quantity) : QStringLiteral("-"))
                            .arg(row.circular)
                            .arg(row.top));
        }
    } catch (const StoreError& error) {
        return {QString::number(error.number())};
    }
    return rows;
}

/// As genericWhereUsed, from the store's own reading.
QStringList storeWhereUsed(SqliteStore& db, const QString& item) {
    QStringList rows;
    try {
        for (const store::WhereUsedRow& row : db.whereUsed(item))
            rows.append(QStringLiteral("%1 %2 %3 %4 %5")
                            .arg(row.level)
                            .arg(store::foldKey(row.assembly))
                            .arg(row.quantity ? QString::number(*row.quantity) : QStringLiteral("-"))
                            .arg(row.circular)
                            .arg(row.top));
    } catch (const StoreError& error) {
        return {QString::number(error.number())};
    }
    return rows;
}

} // namespace

class StoreTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

private Q_SLOTS:
    void refusesFilesItCannotUse_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("setup");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("mentions");

        const QString itemMaster = QStringLiteral(
            "CREATE TABLE ItemMaster (ItemID TEXT PRIMARY KEY, ItemDesc TEXT, ItemUom TEXT)");
        const QString bomDetail = QStringLiteral(
            "CREATE TABLE BomDetail (BomID TEXT, BomComp TEXT, bomQtyReq REAL, StartDate TEXT, "
            "PRIMARY KEY (BomID, BomComp))");
        QTest::newRow("no BomDetail") << "nobom.db" << QStringList{itemMaster}
                                      << int(store::MissingTable) << "BomDetail";
        QTest::newRow("no ItemMaster") << "noitems.db" << QStringList{bomDetail}
                                       << int(store::MissingTable) << "ItemMaster";
        QTest::newRow("no quantity column")
            << "nocolumn.db"
            << QStringList{itemMaster,
                           QStringLiteral("CREATE TABLE BomDetail (BomID TEXT, BomComp TEXT, "
                                          "StartDate TEXT, PRIMARY KEY (BomID, BomComp))")}
            << int(store::MissingColumn) << "bomQtyReq";
        QTest::newRow("no primary key")
            << "nokey.db"
            << QStringList{itemMaster,
                           QStringLiteral("CREATE TABLE BomDetail (BomID TEXT, BomComp TEXT, "
                                          "bomQtyReq REAL, StartDate TEXT)")}
            << int(store::MissingPrimaryKey) << "BomDetail";
        QTest::newRow("key in the wrong order")
            << "swapped.db"
            << QStringList{itemMaster,
                           QStringLiteral("CREATE TABLE BomDetail (BomID TEXT, BomComp TEXT, "
                                          "bomQtyReq REAL, StartDate TEXT, "
                                          "PRIMARY KEY (BomComp, BomID))")}
            << int(store::MissingPrimaryKey) << "BomID";
        // A wider key lets one assembly list a component more than once.
        QTest::newRow("three-column key")
            << "widekey.db"
            << QStringList{itemMaster,
                           QStringLiteral("CREATE TABLE BomDetail (BomID TEXT, BomComp TEXT, "
                                          "bomQtyReq REAL, StartDate TEXT, "
                                          "PRIMARY KEY (BomID, BomComp, StartDate))")}
            << int(store::MissingPrimaryKey) << "BomDetail";
    }

    void refusesFilesItCannotUse() {
        QFETCH(QString, name);
        QFETCH(QStringList, setup);
        QFETCH(int, number);
        QFETCH(QString, mentions);
        execOn(path(name), setup);
        try {
            SqliteStore db(path(name));
            QFAIL("opened a database without the editor's tables");
        } catch (const StoreError& error) {
            QCOMPARE(error.number(), number);
            QVERIFY2(error.description().contains(mentions), qPrintable(error.message()));
        }
    }

    void acceptsNamesInAnyCase() {
        const QString file = path(QStringLiteral("lower.db"));
        execOn(file,
               {QStringLiteral("CREATE TABLE itemmaster (itemid TEXT COLLATE NOCASE PRIMARY KEY, "
                               "itemdesc TEXT, ITEMUOM TEXT)"),
                QStringLiteral("CREATE TABLE bomdetail (bomid TEXT COLLATE NOCASE, "
                               "bomcomp TEXT COLLATE NOCASE, BOMQTYREQ REAL, startdate TEXT, "
                               "PRIMARY KEY (bomid, bomcomp))"),
                QStringLiteral("INSERT INTO itemmaster VALUES ('A', 'Assembly', 'EA'), "
                               "('B', 'Bolt', 'EA')")});
        SqliteStore db(file);
        QCOMPARE(db.itemIds(), (QStringList{"A", "B"}));
        db.addLine(QStringLiteral("A"), QStringLiteral("B"), 2, QDateTime::currentDateTime());
        QCOMPARE(ids(db.componentsOfEach({QStringLiteral("a")}).front()), QStringList{"B"});
    }

    void neverCreatesAFile() {
        for (const QString& missing : {QString(), path(QStringLiteral("missing.mdb"))}) {
            try {
                SqliteStore db(missing);
                QFAIL("opened a database that does not exist");
            } catch (const StoreError& error) {
                QVERIFY(error.number() == store::NoDatabaseChosen ||
                        error.number() == store::FileNotFound);
                QVERIFY(error.message().startsWith(QString::number(error.number()) + u' '));
            }
        }
        QVERIFY(!QFile::exists(path(QStringLiteral("missing.mdb"))));
    }

    void refusesAFileThatIsNotADatabase() {
        QFile text(path(QStringLiteral("notes.mdb")));
        const QByteArray content =
            QByteArray("These are not the tables you are looking for.\n").repeated(200);
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write(content);
        text.close();
        try {
            SqliteStore db(text.fileName());
            QFAIL("opened a text file");
        } catch (const StoreError& error) {
            QCOMPARE(error.number(), int(store::NotADatabase));
        }
        QCOMPARE(text.size(), content.size()); // left as it was
    }

    // The operations that every store shares run on SQLite and on PostgreSQL alike in
    // store_backends_test; the cases here are the file's own.

    void aDuplicateIsRefusedWhateverItsQuantityColumnHolds() {
        const QString file = path(QStringLiteral("textquantity.db"));
        writeDatabase(file, {{QStringLiteral("ODD"), {}, {}}}, {{"TOP", "ODD", "two"}});
        const QStringList before = linesOf(file);
        SqliteStore db(file);
        const auto [failed, text] = failureOf([&] {
            db.addLine(QStringLiteral("TOP"), QStringLiteral("ODD"), 1, QDateTime::currentDateTime());
        });
        QCOMPARE(failed, int(store::DuplicateLine));
        QCOMPARE(text, QStringLiteral("The bill of material of 'TOP' already lists 'ODD'."));
        QCOMPARE(linesOf(file), before);
    }

    void anotherWriterCannotCloseACycleDuringAnAdd() {
        const QString file = path(QStringLiteral("race.db"));
        writeDatabase(file, {{QStringLiteral("B"), {}, {}}}, {{"A", "X"}});
        std::optional<QString> otherWrite;
        {
            SqliteStore db(file);
            // Another program adds the reverse line between the check and the insert.
            db.setBeforeInsert([&] {
                otherWrite = tryExecOn(
                    file,
                    {QStringLiteral("INSERT INTO BomDetail VALUES ('B', 'A', 1, '2026-01-01')")},
                    50);
            });
            db.addLine(QStringLiteral("A"), QStringLiteral("B"), 3, QDateTime::currentDateTime());
        }
        QVERIFY2(otherWrite && otherWrite->contains(QStringLiteral("locked")),
                 "the other program wrote while the add held its checks");
        QCOMPARE(linesOf(file), (QStringList{"A>B=3", "A>X=1"}));
        // Once the add has committed, the other program's line is the one that is refused.
        SqliteStore db(file);
        QCOMPARE(failureOf([&] {
                     db.addLine(QStringLiteral("B"), QStringLiteral("A"), 1, QDateTime());
                 }).first,
                 int(store::CircularComponent));
    }

    void aFailedAddWritesNothingAndReleasesTheFile() {
        const QString file = path(QStringLiteral("rollback.db"));
        writeDatabase(file, {{QStringLiteral("B"), {}, {}}}, {{"A", "X"}});
        {
            SqliteStore db(file);
            db.setBeforeInsert([] {
                throw StoreError(store::WriteFailed, QStringLiteral("interrupted"));
            });
            QCOMPARE(failureOf([&] {
                         db.addLine(QStringLiteral("A"), QStringLiteral("B"), 1, QDateTime());
                     }).first,
                     int(store::WriteFailed));
            // Still open, yet the write lock is gone and nothing of the add remains.
            QCOMPARE(tryExecOn(file,
                               {QStringLiteral("INSERT INTO BomDetail VALUES ('C', 'D', 1, '')")},
                               50),
                     std::optional<QString>());
            db.setBeforeInsert({});
            db.addLine(QStringLiteral("A"), QStringLiteral("B"), 2, QDateTime());
        }
        QCOMPARE(linesOf(file), (QStringList{"A>B=2", "A>X=1", "C>D=1"}));
    }

    void unreadableIdsAreNamed() {
        const QString file = path(QStringLiteral("latin1.db"));
        // U+FFFD stored as UTF-8 is valid text and must read as it is.
        writeDatabase(file, {{QStringLiteral("A\uFFFDB"), {}, {}}, {QStringLiteral("TOP"), {}, {}}},
                      {{"TOP", "A\uFFFDB"}, {"TOP", "Z"}});
        {
            SqliteStore db(file);
            QCOMPARE(db.itemIds(), (QStringList{"A\uFFFDB", "TOP"}));
            QCOMPARE(ids(db.componentsOfEach({QStringLiteral("TOP")}).front()),
                     (QStringList{"A\uFFFDB", "Z"}));
        }
        // What a Latin-1 import leaves: "CAFÉ" as the single byte 0xC9, "né" with 0xE9.
        execOn(file, {QStringLiteral("INSERT INTO ItemMaster VALUES "
                                     "(CAST(X'434146C9' AS TEXT), 'Coffee', NULL)"),
                      QStringLiteral("INSERT INTO BomDetail VALUES "
                                     "('TOP', CAST(X'434146C9' AS TEXT), 1, '')"),
                      QStringLiteral("INSERT INTO BomDetail VALUES "
                                     "('TOP', CAST(X'6EE9' AS TEXT), 1, '')")});
        SqliteStore db(file);
        auto [number, text] = failureOf([&] { db.itemIds(); });
        QCOMPARE(number, int(store::UnreadableId));
        QVERIFY2(text.contains(QStringLiteral("'CAF\\xC9'")) &&
                     text.contains(QStringLiteral("ItemMaster")),
                 qPrintable(text));
        std::tie(number, text) =
            failureOf([&] { db.componentsOfEach({QStringLiteral("Z"), QStringLiteral("top")}); });
        QCOMPARE(number, int(store::UnreadableId));
        QVERIFY2(text.startsWith(QStringLiteral("The bill of material of 'top' lists the "
                                                "component 'CAF\\xC9'")),
                 qPrintable(text));

        execOn(file, {QStringLiteral("INSERT INTO ItemMaster VALUES "
                                     "(CAST(X'6EE9' AS TEXT), NULL, NULL)")});
        std::tie(number, text) = failureOf([&] { db.itemIds(); });
        QCOMPARE(number, int(store::UnreadableId));
        QVERIFY2(text.contains(QStringLiteral("2 item IDs")) &&
                     text.contains(QStringLiteral("'CAF\\xC9', 'n\\xE9'")),
                 qPrintable(text));
    }

    void aDamagedPageIsAnErrorNeverTheEnd() {
        const QString file = path(QStringLiteral("damaged.db"));
        // Long IDs, so that each index spans many pages.
        const auto id = [](const char* prefix, int i) {
            return QStringLiteral("%1-%2-")
                       .arg(QLatin1StringView(prefix))
                       .arg(i, 5, 10, QLatin1Char('0')) +
                   QString(60, QLatin1Char('x'));
        };
        std::vector<ItemRow> items;
        std::vector<Line> lines;
        for (int i = 0; i < 2000; ++i) {
            items.push_back({id("ITEM", i), {}, {}});
            lines.push_back({QStringLiteral("WIDE"), id("PART", i)});
        }
        writeDatabase(file, items, lines);
        damageMiddlePage(file, QStringLiteral("sqlite_autoindex_ItemMaster_1"));
        damageMiddlePage(file, QStringLiteral("sqlite_autoindex_BomDetail_1"));

        SqliteStore db(file);
        const QString nowhere = QStringLiteral("NOT-IN-THE-FILE");
        const auto reportsTheDamage = [](auto work) {
            const auto [number, text] = failureOf(work);
            return number == store::QueryFailed && text.contains(QStringLiteral("malformed"));
        };
        QVERIFY(reportsTheDamage([&] { db.itemIds(); }));
        QVERIFY(reportsTheDamage([&] { db.componentsOfEach({nowhere, QStringLiteral("WIDE")}); }));
        // Read through Qt SQL: the first rows come, then the damaged page.
        QVERIFY(reportsTheDamage([&] { db.components(QStringLiteral("WIDE")); }));
        // The walk cannot finish, so it cannot say that the structure lacks the item.
        QVERIFY(reportsTheDamage([&] { db.structureContains(QStringLiteral("WIDE"), nowhere); }));
        QVERIFY(reportsTheDamage(
            [&] { db.addLine(nowhere, QStringLiteral("WIDE"), 1, QDateTime()); }));
        QVERIFY(reportsTheDamage([&] { db.whereUsed(id("PART", 7)); }));
    }

    void whereUsedReadsTheLinesAsTheSharedWalkDoes() {
        // IDs that sort differently folded and unfolded ('_' lies between 'Z' and 'a'), that
        // differ in case only in ASCII letters (equal) or beyond (different items), quotes,
        // blanks, non-ASCII text, bytes that are not UTF-8, a cycle, Null and text quantities.
        const QString file = path(QStringLiteral("odd-ids.db"));
        writeDatabase(file, {{QStringLiteral("TOP"), QStringLiteral("Top"), {}}},
                      {{"TOP", "A_1", 2},     {"top", "az", 3},      {"Top", "a\"", 0.5},
                       {"A_1", "bolt", 4},    {"AZ", "BOLT", 1},     {"a\"", "Bolt", QVariant()},
                       {"az", "Écrou", 2},   {"A_1", "écrou", 5},   {"TOP", "O'Brien 2", 7},
                       {"O'BRIEN 2", "bolt", 3}, {"ünit", "bolt", 2}, {"ÜNIT", "Écrou", 1},
                       {"A Z", "a z ", 1},   {"loop", "az", 1},     {"AZ", "LOOP", 2},
                       {"sub", "bolt", 1},   {"TOP", "sub", QStringLiteral(" 3 ")},
                       {"odd", "nut", QStringLiteral("two")}, {"TOP", "odd", 1}});
        // What a Latin-1 import leaves: "CAFÉ" as the single byte 0xC9, as an assembly above
        // "a z " and as a component of TOP.
        execOn(file, {QStringLiteral("INSERT INTO BomDetail VALUES "
                                     "(CAST(X'434146C9' AS TEXT), 'a z ', 1, '')"),
                      QStringLiteral("INSERT INTO BomDetail VALUES "
                                     "('top', CAST(X'434146C9' AS TEXT), 1, '')")});
        const QStringList items{"bolt", "BOLT", "écrou", "Écrou", "az", "a\"", "a z ", "A Z",
                                "O'brien 2", "loop", "nut", "odd", "ünit", "sub", "TOP", "none"};
        int withRows = 0;
        QSet<int> failures;
        // Read whole, then by its keys; each round's first item reads the file, the others
        // walk what it kept (dated back, and anew each round, so that it is kept afresh).
        const qint64 smallest = store::SqliteUpwardKeys::smallestTable();
        for (int round = 0; round < 2; ++round) {
            store::SqliteUpwardKeys::setSmallestTable(round == 0 ? smallest : 0);
            timespec now{};
            clock_gettime(CLOCK_REALTIME, &now);
            const timespec times[2] = {now, {now.tv_sec - 60 - round, 0}};
            QCOMPARE(utimensat(AT_FDCWD, QFile::encodeName(file).constData(), times, 0), 0);
            SqliteStore db(file);
            for (const QString& item : items) {
                const QStringList expected = genericWhereUsed(file, item);
                QCOMPARE(storeWhereUsed(db, item), expected);
                withRows += expected.size() > 1;
                if (expected.size() == 1 && !expected.front().contains(u' '))
                    failures.insert(expected.front().toInt());
            }
        }
        store::SqliteUpwardKeys::setSmallestTable(smallest);
        // The data must exercise what it is there for.
        QVERIFY(withRows >= 10);
        QCOMPARE(failures, (QSet<int>{store::UnreadableId, store::QueryFailed}));
    }

    void whereUsedReadsManyLinesByTheirKeysAsTheSharedWalkDoes() {
        // Lines enough for several batches and a table of components grown many times over,
        // IDs in either case, and an index whose order is not the one it declares (written
        // under one collation, declared under another, as a damaged file might be): its keys
        // cannot be relied on, and the lines are read whole.
        const QString file = path(QStringLiteral("many.db"));
        std::vector<Line> lines;
        QSet<QString> keys;
        quint32 seed = 7;
        const auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
        for (int n = 0; n < 40000; ++n) {
            const int assembly = int(next() % 9000);
            const int component = assembly + 1 + int(next() % 400);
            const QString a = QStringLiteral("Q-%1").arg(assembly);
            const QString c = QStringLiteral("Q-%1").arg(component);
            if (!keys.contains(a + u'>' + c)) {
                keys.insert(a + u'>' + c);
                lines.push_back({next() % 3 ? a : a.toLower(), next() % 3 ? c : c.toLower(),
                                 double(1 + next() % 4)});
            }
        }
        writeDatabase(file, {}, lines);
        const QString misdeclared = path(QStringLiteral("misdeclared.db"));
        execOn(misdeclared,
               {QStringLiteral("CREATE TABLE ItemMaster (ItemID TEXT NOT NULL PRIMARY KEY, "
                               "ItemDesc TEXT, ItemUom TEXT)"),
                QStringLiteral("CREATE TABLE BomDetail (BomID TEXT NOT NULL, BomComp TEXT NOT NULL, "
                               "bomQtyReq REAL, StartDate TEXT, PRIMARY KEY (BomID, BomComp))"),
                QStringLiteral("INSERT INTO BomDetail VALUES ('B', 'x', 1, ''), ('C', 'X', 2, ''), "
                               "('a', 'x', 3, ''), ('x', 'y', 4, '')"),
                QStringLiteral("PRAGMA writable_schema = ON"),
                QStringLiteral("UPDATE sqlite_schema SET sql = replace(sql, 'TEXT NOT NULL', "
                               "'TEXT COLLATE NOCASE NOT NULL') WHERE name = 'BomDetail'")});

        const qint64 smallest = store::SqliteUpwardKeys::smallestTable();
        store::SqliteUpwardKeys::setSmallestTable(0);
        SqliteStore db(file);
        for (const int item : {9100, 9000, 4500, 120, 9399})
            for (const QString& id : {QStringLiteral("Q-%1").arg(item), QStringLiteral("q-%1").arg(item)})
                QCOMPARE(storeWhereUsed(db, id), genericWhereUsed(file, id));
        SqliteStore damaged(misdeclared);
        QCOMPARE(storeWhereUsed(damaged, QStringLiteral("Y")), genericWhereUsed(misdeclared, "Y"));
        QCOMPARE(storeWhereUsed(damaged, QStringLiteral("Y")).size(), 4);
        store::SqliteUpwardKeys::setSmallestTable(smallest);
    }

};

QTEST_GUILESS_MAIN(StoreTest)
#include "store_test.moc"
