#include "store/Database.h"
#include "store/StoreError.h"
#include "support/TestDatabase.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using store::Database;
using store::StoreError;

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
        QCOMPARE(lists[0], (QStringList{"B", "C"}));
        QCOMPARE(lists[1], (QStringList{"D", "z"}));
        QCOMPARE(lists[2], (QStringList{"a"}));
        QVERIFY(lists[3].isEmpty());
        QCOMPARE(db.components(QStringLiteral("B")), (QStringList{"D", "z"}));
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
