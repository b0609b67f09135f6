#include "import/Import.h"
#include "store/sqlite/SqliteStore.h"
#include "store/StoreError.h"
#include "support/TestDatabase.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>

using store::StoreError;

namespace {

const QString Data = QStringLiteral(BOM_TEST_DATA "/jet/");

QByteArray hashOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

/// Every row of a query as "a|b|c", Null shown as <null>, numbers as their exact double.
QStringList rowsOf(const QString& path, const QString& sql) {
    QStringList rows;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
        db.setDatabaseName(path);
        if (!db.open())
            qFatal("cannot open %s", qPrintable(path));
        QSqlQuery q(db);
        if (!q.exec(sql))
            qFatal("%s", qPrintable(sql));
        while (q.next()) {
            QStringList row;
            for (int c = 0; c < q.record().count(); ++c) {
                const QVariant v = q.value(c);
                row.append(v.isNull() ? QStringLiteral("<null>")
                           : v.typeId() == QMetaType::Double
                               ? QString::number(v.toDouble(), 'g', 17)
                               : v.toString());
            }
            rows.append(row.join(u'|'));
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
    return rows;
}

} // namespace

class ImportJetTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QStringList leftovers(const QString& dir) const {
        return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

private Q_SLOTS:
    void tellsJetFilesByTheirHeader() {
        QVERIFY(import::isJetFile(Data + QStringLiteral("bom_jet4.mdb")));
        QVERIFY(import::isJetFile(Data + QStringLiteral("foreign/V1997_testV1997.mdb")));
        QVERIFY(!import::isJetFile(Data + QStringLiteral("README.md")));
        QVERIFY(!import::isJetFile(path(QStringLiteral("missing.mdb"))));
        // Access 2007's format has the same layout with another name and version.
        QFile ace(path(QStringLiteral("ace.accdb")));
        QVERIFY(ace.open(QIODevice::WriteOnly));
        ace.write(QByteArray("\x00\x01\x00\x00Standard ACE DB\x00\x02\x00\x00\x00", 24));
        ace.close();
        QVERIFY(!import::isJetFile(ace.fileName()));
    }

    void importsBothBomFilesExactly_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("Double quantities") << QStringLiteral("bom_jet4.mdb");
        QTest::newRow("Single quantities") << QStringLiteral("bom_jet4_2003_single.mdb");
    }
    void importsBothBomFilesExactly() {
        QFETCH(QString, file);
        const QString source = Data + file;
        const QByteArray before = hashOf(source);
        const QString out = path(file + QStringLiteral(".db"));
        const import::Summary summary = import::importJet(source, out);
        QCOMPARE(summary.items, 32);
        QCOMPARE(summary.lines, 42);
        QCOMPARE(summary.jetVersion, 4);
        QCOMPARE(hashOf(source), before); // only read

        QCOMPARE(rowsOf(out, QStringLiteral("SELECT count(*) FROM ItemMaster")), QStringList{"32"});
        const QStringList awkwardItems = rowsOf(
            out, QStringLiteral("SELECT ItemID, ItemDesc, ItemUom FROM ItemMaster WHERE ItemID IN "
                                "('HEAD-BULB', 'BLANK-DESC', 'O''BRIEN-CLIP', 'ÉCROU-Ø8-ß', "
                                "'UNUSED-ITEM') ORDER BY ItemID"));
        QCOMPARE(awkwardItems, (QStringList{
                                   "BLANK-DESC||EA", // the empty text, not Null
                                   "HEAD-BULB|<null>|EA",
                                   "O'BRIEN-CLIP|Cable clip (O'Brien pattern)|EA",
                                   "UNUSED-ITEM|Item in no BOM|EA",
                                   "ÉCROU-Ø8-ß|Écrou Ø8 — Größe ß|PCE",
                               }));

        QCOMPARE(rowsOf(out, QStringLiteral("SELECT count(*) FROM BomDetail")), QStringList{"42"});
        // Every quantity that is not a whole number, and the Null one: exact doubles, the
        // Single file's as the decimals that were typed.
        QCOMPARE(rowsOf(out, QStringLiteral("SELECT BomID, BomComp, bomQtyReq FROM BomDetail "
                                            "WHERE bomQtyReq IS NULL OR bomQtyReq <> "
                                            "CAST(bomQtyReq AS INTEGER) ORDER BY BomID, BomComp")),
                 (QStringList{
                     "BASE-PLATE|PAINT-BLK|0.050000000000000003",
                     "HEAD-SHADE|PAINT-BLK|0.040000000000000001",
                     "SUB-ARM|ARM-TUBE|0.75",
                     "SUB-ARM|PAINT-BLK|0.125",
                     "SUB-BASE|BASE-WEIGHT|1.5",
                     "SUB-BASE|GLUE-EPX|0.02",
                     "SUB-BASE|PAINT-BLK|0.20000000000000001",
                     "SUB-HEAD|HEAD-BULB|<null>",
                     "SUB-WIRE|HEAT-SHRINK|0.10000000000000001",
                     "SUB-WIRE|WIRE-CABLE|1.8",
                 }));
        QCOMPARE(columnOf(out, QStringLiteral("SUB-WIRE"), QStringLiteral("HEAT-SHRINK"),
                          QStringLiteral("bomQtyReq"))
                     .toDouble(),
                 0.1);
        QCOMPARE(rowsOf(out, QStringLiteral("SELECT BomID, BomComp, StartDate FROM BomDetail "
                                            "WHERE StartDate IS NOT NULL ORDER BY StartDate")),
                 (QStringList{
                     "SUB-WIRE|O'BRIEN-CLIP|1999-12-31 00:00:00",
                     "TOP-100|SUB-ARM|2023-04-01 00:00:00",
                     "TOP-100|SUB-BASE|2023-04-01 00:00:00",
                     "TOP-100|LABEL-CE|2024-02-29 13:45:30",
                     "WIRE-PLUG|SCREW-M3|2030-01-01 00:00:00",
                 }));
        // Case kept as stored, a component without an item kept, a sub-assembly used twice.
        QCOMPARE(
            rowsOf(out, QStringLiteral("SELECT BomID, BomComp FROM BomDetail WHERE BomComp "
                                       "IN ('bolt-m6', 'NO-SUCH-ITEM') ORDER BY BomID, BomComp")),
            (QStringList{"ARM-JOINT|BOLT-M6", "SUB-ARM|bolt-m6", "SUB-WIRE|NO-SUCH-ITEM",
                         "TOP-100|BOLT-M6"}));
        QCOMPARE(rowsOf(out, QStringLiteral("SELECT BomID FROM BomDetail WHERE BomComp = "
                                            "'SUB-WIRE' ORDER BY BomID")),
                 (QStringList{"SUB-HEAD", "TOP-100"}));

        // The editor opens it, and TOP-100's bill is there.
        store::SqliteStore db(out);
        QCOMPARE(db.components(QStringLiteral("TOP-100")),
                 (QStringList{"BOLT-M6", "BOX-01", "LABEL-CE", "MANUAL-EN", "SUB-ARM", "SUB-BASE",
                              "SUB-HEAD", "SUB-WIRE"}));
    }

    void bothFilesGiveTheSameDatabase() {
        // The Single file holds the same bills with the quantities stored as Single: once
        // they are turned into the decimals that were typed, nothing may differ.
        const QString dbl = path(QStringLiteral("same-double.db"));
        const QString sgl = path(QStringLiteral("same-single.db"));
        import::importJet(Data + QStringLiteral("bom_jet4.mdb"), dbl);
        import::importJet(Data + QStringLiteral("bom_jet4_2003_single.mdb"), sgl);
        for (const QString& sql :
             {QStringLiteral("SELECT * FROM ItemMaster ORDER BY ItemID"),
              QStringLiteral("SELECT * FROM BomDetail ORDER BY BomID, BomComp")})
            QCOMPARE(rowsOf(sgl, sql), rowsOf(dbl, sql));
    }

    void refusesWhatItCannotImportLeavingNoFile_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("mentions");
        QTest::newRow("Jet 3 without our tables") << Data + "foreign/V1997_testV1997.mdb"
                                                  << int(store::ImportMissingTable) << "ItemMaster";
        QTest::newRow("Jet 4 with deleted rows") << Data + "foreign/V2000_delTestV2000.mdb"
                                                 << int(store::ImportMissingTable) << "ItemMaster";
        QTest::newRow("Jet 4 with compressed text")
            << Data + "foreign/V2003_testUnicodeCompV2003.mdb" << int(store::ImportMissingTable)
            << "ItemMaster";
        QTest::newRow("cut in mid-page")
            << QStringLiteral("cut:135000") << int(store::ImportJetDamaged) << "truncated";
        QTest::newRow("cut at a page boundary")
            << QStringLiteral("cut:131072") << int(store::ImportRowCount) << "BomDetail";
        QTest::newRow("table definition cut off")
            << QStringLiteral("cut:118784") << int(store::ImportJetDamaged) << "BomDetail";
        QTest::newRow("damage that crashes libmdb")
            << QStringLiteral("poke:98359") << int(store::ImportJetDamaged) << "damaged";
        QTest::newRow("not a Jet file")
            << Data + "README.md" << int(store::ImportNotJet) << "README.md";
        QTest::newRow("missing file") << QStringLiteral("/nonexistent/x.mdb")
                                      << int(store::ImportSourceUnreadable) << "x.mdb";
    }
    void refusesWhatItCannotImportLeavingNoFile() {
        QFETCH(QString, source);
        QFETCH(int, number);
        QFETCH(QString, mentions);
        QTemporaryDir out;
        QTemporaryDir in;
        if (source.startsWith(QLatin1StringView("cut:")) ||
            source.startsWith(QLatin1StringView("poke:"))) {
            QFile original(Data + QStringLiteral("bom_jet4.mdb"));
            QVERIFY(original.open(QIODevice::ReadOnly));
            QByteArray bytes = original.readAll();
            const qsizetype at = source.section(u':', 1).toLongLong();
            if (source.startsWith(QLatin1StringView("cut:")))
                bytes.truncate(at);
            else
                bytes[at] = char(0xEA);
            source = in.filePath(QStringLiteral("damaged.mdb"));
            QFile copy(source);
            QVERIFY(copy.open(QIODevice::WriteOnly));
            copy.write(bytes);
        }
        const QString target = out.filePath(QStringLiteral("out.db"));
        try {
            import::importJet(source, target);
            QFAIL("imported");
        } catch (const StoreError& error) {
            QCOMPARE(error.number(), number);
            QVERIFY2(error.description().contains(mentions), qPrintable(error.message()));
        }
        QCOMPARE(leftovers(out.path()), QStringList());
    }

    void cancelLeavesNothingAndKeepsAnOldFile() {
        QTemporaryDir out;
        const QString target = out.filePath(QStringLiteral("bom.db"));
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("the file the user chose to replace");
        old.close();
        const QByteArray before = hashOf(target);
        qint64 seen = 0;
        try {
            import::importJet(Data + QStringLiteral("bom_jet4.mdb"), target, [&](qint64 done, qint64 total) {
                seen = done;
            return done < total / 2 + 100; // cancel in the writing half
        });
        QFAIL("not cancelled");
    }
    catch (const StoreError& error) {
        QCOMPARE(error.number(), int(store::ImportCancelled));
    }
    QVERIFY(seen > 500);
    QCOMPARE(leftovers(out.path()), QStringList{"bom.db"});
    QCOMPARE(hashOf(target), before);

    // Done to the end, the import replaces it.
    qint64 last = 0;
        import::importJet(Data + QStringLiteral("bom_jet4.mdb"), target,
                          [&](qint64 done, qint64) { return (last = done), true; });
QCOMPARE(last, 1000);
QCOMPARE(leftovers(out.path()), QStringList{"bom.db"});
store::SqliteStore db(target);
QCOMPARE(db.itemIds().size(), 32);
}

void refusesToWriteOverTheSource() {
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("bom.mdb"));
    QVERIFY(QFile::copy(Data + QStringLiteral("bom_jet4.mdb"), copy));
    try {
        import::importJet(copy, dir.filePath(QStringLiteral("./bom.mdb")));
        QFAIL("imported over its source");
    } catch (const StoreError& error) {
        QCOMPARE(error.number(), int(store::ImportSameFile));
    }
    QVERIFY(import::isJetFile(copy));
}

void commandImportsAndRefusesWithNumbers() {
    QTemporaryDir dir;
    const QString program = QStringLiteral(BOM_IMPORT_PROGRAM);
    const auto run = [&](const QStringList& arguments) {
        QProcess p;
        p.start(program, arguments);
        p.waitForFinished();
        return std::make_tuple(p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                               QString::fromUtf8(p.readAllStandardError()));
    };
    const QString out = dir.filePath(QStringLiteral("parts.db"));
    auto [code, said, error] = run({QStringLiteral("--help")});
    QCOMPARE(code, 0);
    QVERIFY(said.contains(QLatin1StringView("items.csv lines.csv OUT.db")));

    std::tie(code, said, error) = run({Data + QStringLiteral("bom_jet4.mdb"), out});
    QCOMPARE(code, 0);
    QVERIFY2(said.contains(QLatin1StringView("32 items and 42 lines")), qPrintable(said));
    QCOMPARE(store::SqliteStore(out).itemIds().size(), 32);

    // An existing file is kept unless --force is given.
    std::tie(code, said, error) = run({Data + QStringLiteral("bom_jet4.mdb"), out});
    QCOMPARE(code, 1);
    QVERIFY2(error.startsWith(QLatin1StringView("1115 ")), qPrintable(error));
    std::tie(code, said, error) =
        run({QStringLiteral("--force"), Data + QStringLiteral("bom_jet4.mdb"), out});
    QCOMPARE(code, 0);

    const QString other = dir.filePath(QStringLiteral("other.db"));
    std::tie(code, said, error) =
        run({Data + QStringLiteral("foreign/V1997_testV1997.mdb"), other});
    QCOMPARE(code, 1);
    QVERIFY2(error.startsWith(QLatin1StringView("1104 ")), qPrintable(error));
    QVERIFY(!QFile::exists(other));
}
}
;

QTEST_GUILESS_MAIN(ImportJetTest)
#include "import_jet_test.moc"
