#include "store/Database.h"
#include "store/StoreError.h"
#include "support/TestDatabase.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using store::Database;

namespace {
QStringList ids(const store::ComponentLines& lines) {
    QStringList result;
    for (const store::ComponentLine& line : lines)
        result.append(line.id);
    return result;
}
} // namespace
using store::StoreError;

namespace {

/// The number of the StoreError that `work` throws, with its description; 0 when none.
template <typename Work>
std::pair<int, QString> failureOf(Work work) {
    try {
        work();
    } catch (const StoreError& error) {
        return {error.number(), error.description()};
    }
    return {0, QString()};
}

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
            Database db(path(name));
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
                QStringLiteral("INSERT INTO itemmaster VALUES ('A', 'Assembly', 'EA')")});
        Database db(file);
        QCOMPARE(db.itemIds(), QStringList{"A"});
        db.addLine(QStringLiteral("A"), QStringLiteral("B"), 2, QDateTime::currentDateTime());
        QCOMPARE(ids(db.componentsOfEach({QStringLiteral("a")}).front()), QStringList{"B"});
    }

    void neverCreatesAFile() {
        for (const QString& missing : {QString(), path(QStringLiteral("missing.mdb"))}) {
            try {
                Database db(missing);
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
            Database db(text.fileName());
            QFAIL("opened a text file");
        } catch (const StoreError& error) {
            QCOMPARE(error.number(), int(store::NotADatabase));
        }
        QCOMPARE(text.size(), content.size()); // left as it was
    }

    void readsItemsInKeyOrderAndSeeksWithoutRegardToCase() {
        const QString file = path(QStringLiteral("items.db"));
        writeDatabase(file,
                      {{QStringLiteral("b-200"), QStringLiteral("Bracket"), QStringLiteral("EA")},
                       {QStringLiteral("A-100"), {}, {}},
                       {QStringLiteral("C 300 "), QString(), QStringLiteral("M")}},
                      {});
        Database db(file);
        QCOMPARE(db.itemIds(), (QStringList{"A-100", "b-200", "C 300 "}));

        const auto bracket = db.findItem(QStringLiteral("B-200"));
        QVERIFY(bracket);
        QCOMPARE(bracket->id, QStringLiteral("b-200"));
        QCOMPARE(bracket->description, std::optional<QString>(QStringLiteral("Bracket")));
        const auto nulls = db.findItem(QStringLiteral("a-100"));
        QVERIFY(nulls && !nulls->description && !nulls->unit);
        // Blanks are part of the key: the store does not trim.
        QVERIFY(!db.findItem(QStringLiteral("C 300")));
        QVERIFY(db.findItem(QStringLiteral("C 300 ")));
    }

    void writesAndDeletesLinesWithAnyCharacters() {
        const QString file = path(QStringLiteral("lines.db"));
        writeDatabase(file, {}, {});
        const QString odd = QStringLiteral("O'Brien \"Spezial\" Größe; DROP TABLE BomDetail;--");
        const QDateTime when(QDate(2026, 12, 8), QTime(9, 30, 15));
        {
            Database db(file);
            db.addLine(QStringLiteral("ASM 1"), odd, 2.5, when);
            db.addLine(QStringLiteral("ASM 1"), QStringLiteral("Ä-1"), 1, when);
            try {
                db.addLine(QStringLiteral("asm 1"), odd, 7, when);
                QFAIL("a second line for the same pair was accepted");
            } catch (const StoreError& error) {
                QCOMPARE(error.number(), int(store::DuplicateLine));
            }
            QCOMPARE(db.components(QStringLiteral("ASM 1")), (QStringList{"O'Brien \"Spezial\" Größe; DROP TABLE BomDetail;--", "Ä-1"}));
            const auto quantity = db.findQuantity(QStringLiteral("asm 1"), odd);
            QVERIFY(quantity && *quantity);
            QCOMPARE(**quantity, 2.5);
        }
        QCOMPARE(columnOf(file, QStringLiteral("ASM 1"), odd, QStringLiteral("StartDate")).toString(),
                 QStringLiteral("2026-12-08 09:30:15"));
        Database db(file);
        QVERIFY(db.deleteLine(QStringLiteral("ASM 1"), odd));
        QVERIFY(!db.deleteLine(QStringLiteral("ASM 1"), odd));
        QCOMPARE(linesOf(file), (QStringList{"ASM 1>Ä-1=1"}));
    }

    void batchedReadMatchesPerAssemblyReads() {
        const QString file = path(QStringLiteral("batch.db"));
        writeDatabase(file, {},
                      {{"B", "z"}, {"A", "C"}, {"b", "D"}, {"A", "B"}, {"X", "Y"}, {"C", "a"}});
        Database db(file);
        const auto lists = db.componentsOfEach({QStringLiteral("A"), QStringLiteral("b"),
                                                QStringLiteral("C"), QStringLiteral("none")});
        QCOMPARE(lists.size(), size_t(4));
        QCOMPARE(ids(lists[0]), (QStringList{"B", "C"}));
        QCOMPARE(ids(lists[1]), (QStringList{"D", "z"}));
        QCOMPARE(ids(lists[2]), (QStringList{"a"}));
        QVERIFY(lists[3].isEmpty());
        QCOMPARE(db.components(QStringLiteral("B")), (QStringList{"D", "z"}));
    }

    void linesCarryQuantitiesAndItemFactsWhicheverWayTheyAreRead() {
        // 1,200 assemblies: asked for all at once, the batch reads the whole table in one
        // pass; asked for in small batches, it searches the index. Both must agree.
        const QString file = path(QStringLiteral("facts.db"));
        std::vector<ItemRow> items;
        std::vector<Line> lines;
        QStringList assemblies;
        for (int i = 0; i < 1200; ++i) {
            const QString a = QStringLiteral("ASM-%1").arg(i);
            assemblies.append(i % 3 ? a : a.toLower());
            lines.push_back({a, QStringLiteral("PART-%1").arg(i % 7), i % 5 ? QVariant(i / 4.0) : QVariant()});
            lines.push_back({a, QStringLiteral("ghost-%1").arg(i), 2});
        }
        for (int p = 0; p < 7; ++p)
            items.push_back({QStringLiteral("part-%1").arg(p),
                             p % 2 ? QVariant(QStringLiteral("Part, \"%1\"").arg(p)) : QVariant(),
                             p % 3 ? QVariant(QStringLiteral("EA")) : QVariant()});
        writeDatabase(file, items, lines);
        Database db(file);
        const auto whole = db.componentsOfEach(assemblies);
        for (qsizetype from = 0; from < assemblies.size(); from += 100) {
            const auto part = db.componentsOfEach(assemblies.mid(from, 100));
            for (size_t i = 0; i < part.size(); ++i) {
                const auto& a = whole[size_t(from) + i];
                const auto& b = part[i];
                QCOMPARE(a.size(), b.size());
                for (qsizetype k = 0; k < a.size(); ++k) {
                    QCOMPARE(a[k].id, b[k].id);
                    QCOMPARE(a[k].quantity, b[k].quantity);
                    QCOMPARE(a[k].unit, b[k].unit);
                    QCOMPARE(a[k].description, b[k].description);
                }
            }
        }
        // ASM-5: PART-5 (Null quantity, unit EA, a description), then its ghost, which has no
        // ItemMaster row.
        const auto& five = whole[5];
        QCOMPARE(ids(five), (QStringList{"ghost-5", "PART-5"}));
        QCOMPARE(five[1].quantity, std::optional<double>());
        QCOMPARE(five[1].unit, std::optional<QString>(QStringLiteral("EA")));
        QCOMPARE(five[1].description, std::optional<QString>(QStringLiteral("Part, \"5\"")));
        QCOMPARE(five[0].quantity, std::optional<double>(2));
        QVERIFY(!five[0].unit && !five[0].description);
        QCOMPARE(whole[6][1].quantity, std::optional<double>(1.5));
        QVERIFY(!whole[6][1].description); // PART-6: Null description
    }

    void tellsWhetherAStructureContainsAnItem() {
        const QString file = path(QStringLiteral("reach.db"));
        // P1 -> P2 -> P3, and an existing cycle Q -> R -> Q.
        writeDatabase(file, {}, {{"P1", "P2"}, {"P2", "P3"}, {"Q", "R"}, {"R", "Q"}});
        Database db(file);
        QVERIFY(db.structureContains(QStringLiteral("P1"), QStringLiteral("p3")));
        QVERIFY(!db.structureContains(QStringLiteral("P3"), QStringLiteral("P1")));
        QVERIFY(!db.structureContains(QStringLiteral("Q"), QStringLiteral("P1")));
        QVERIFY(db.structureContains(QStringLiteral("R"), QStringLiteral("R")));
    }

    void addLineRefusesCyclesThenDuplicates_data() {
        QTest::addColumn<QString>("assembly");
        QTest::addColumn<QString>("component");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("description");
        // Stored: TOP -> MID -> LEAF, and TOP -> ODD with a quantity that is no number.
        QTest::newRow("itself, other case")
            << "top" << "TOP" << int(store::CircularComponent)
            << "'TOP' cannot be a component of itself.";
        QTest::newRow("through its structure")
            << "LEAF" << "top" << int(store::CircularComponent)
            << "'top' cannot be a component of 'LEAF': 'LEAF' is already part of the structure "
               "of 'top'.";
        // A duplicate that would also close a cycle: the cycle is named first.
        QTest::newRow("reverse of a stored line")
            << "MID" << "TOP" << int(store::CircularComponent)
            << "'TOP' cannot be a component of 'MID': 'MID' is already part of the structure "
               "of 'TOP'.";
        QTest::newRow("duplicate, other case")
            << "Top" << "mid" << int(store::DuplicateLine)
            << "The bill of material of 'Top' already lists 'mid'.";
        QTest::newRow("duplicate with a text quantity")
            << "TOP" << "ODD" << int(store::DuplicateLine)
            << "The bill of material of 'TOP' already lists 'ODD'.";
    }

    void addLineRefusesCyclesThenDuplicates() {
        QFETCH(QString, assembly);
        QFETCH(QString, component);
        QFETCH(int, number);
        QFETCH(QString, description);
        const QString file = path(QStringLiteral("refuse-%1.db").arg(QTest::currentDataTag()));
        writeDatabase(file, {}, {{"TOP", "MID"}, {"MID", "LEAF"}, {"TOP", "ODD", "two"}});
        const QStringList before = linesOf(file);
        Database db(file);
        const auto [failed, text] = failureOf(
            [&] { db.addLine(assembly, component, 1, QDateTime::currentDateTime()); });
        QCOMPARE(failed, number);
        QCOMPARE(text, description);
        QCOMPARE(linesOf(file), before);
    }

    void anotherWriterCannotCloseACycleDuringAnAdd() {
        const QString file = path(QStringLiteral("race.db"));
        writeDatabase(file, {}, {{"A", "X"}});
        std::optional<QString> otherWrite;
        {
            Database db(file);
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
        Database db(file);
        QCOMPARE(failureOf([&] {
                     db.addLine(QStringLiteral("B"), QStringLiteral("A"), 1, QDateTime());
                 }).first,
                 int(store::CircularComponent));
    }

    void aFailedAddWritesNothingAndReleasesTheFile() {
        const QString file = path(QStringLiteral("rollback.db"));
        writeDatabase(file, {}, {{"A", "X"}});
        {
            Database db(file);
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
            Database db(file);
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
        Database db(file);
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

        Database db(file);
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
    }

    void nullQuantityIsNoFailure() {
        const QString file = path(QStringLiteral("null.db"));
        writeDatabase(file, {}, {{"A", "B", QVariant()}});
        Database db(file);
        const auto quantity = db.findQuantity(QStringLiteral("A"), QStringLiteral("B"));
        QVERIFY(quantity);
        QVERIFY(!*quantity);
        QVERIFY(!db.findQuantity(QStringLiteral("A"), QStringLiteral("C")));
    }
};

QTEST_GUILESS_MAIN(StoreTest)
#include "store_test.moc"
