#include "import/Import.h"
#include "import/Values.h"
#include "store/Database.h"
#include "store/StoreError.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using store::StoreError;

namespace {

/// Items as "id|desc|uom" in key order, Null as <null>.
QStringList itemsOf(const QString& path) {
    QStringList rows;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("items"));
        db.setDatabaseName(path);
        if (!db.open())
            qFatal("cannot open");
        QSqlQuery q(db);
        q.exec(QStringLiteral("SELECT ItemID, ItemDesc, ItemUom FROM ItemMaster ORDER BY ItemID"));
        while (q.next()) {
            QStringList row;
            for (int c = 0; c < 3; ++c)
                row.append(q.value(c).isNull() ? QStringLiteral("<null>") : q.value(c).toString());
            rows.append(row.join(u'|'));
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("items"));
    return rows;
}

} // namespace

class ImportCsvTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_serial = 0;

    /// Writes a file of these bytes and returns its path.
    QString file(const QByteArray& bytes, const QString& name = QStringLiteral("items.csv")) {
        const QString dir = m_dir.filePath(QString::number(++m_serial));
        QDir().mkpath(dir);
        QFile f(dir + u'/' + name);
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write");
        f.write(bytes);
        return f.fileName();
    }
    QString lines(const QByteArray& bytes) { return file(bytes, QStringLiteral("lines.csv")); }
    QString out() { return m_dir.filePath(QStringLiteral("out%1.db").arg(++m_serial)); }

    void expectRefusal(const QByteArray& items, const QByteArray& lineBytes, int number,
                       const QString& mentions) {
        QTemporaryDir outDir;
        const QString target = outDir.filePath(QStringLiteral("out.db"));
        try {
            import::importCsv(file(items), lines(lineBytes), target);
            QFAIL("imported");
        } catch (const StoreError& error) {
            QCOMPARE(error.number(), number);
            QVERIFY2(error.description().contains(mentions), qPrintable(error.message()));
        }
        QCOMPARE(QDir(outDir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

private Q_SLOTS:
    void readsFieldsAsRfc4180WithOrWithoutBomAndHeader_data() {
        QTest::addColumn<QByteArray>("items");
        QTest::addColumn<QByteArray>("lineBytes");
        const QByteArray body = "\"BOLT, M6\",\"Bolt \"\"M6\"\"\nzinc plated\",EA\r\n"
                                "NUT,,\"\"\r\n"
                                "\"ÉCROU-Ø8-ß\",Écrou,PCE\r\n";
        const QByteArray lineBody = "TOP,\"BOLT, M6\",0.1,2024-02-29 13:45:30\n"
                                    "TOP,NUT,,\n"
                                    "TOP,ÉCROU-Ø8-ß,1e-3,2024-03-01\n";
        QTest::newRow("plain") << body << lineBody;
        QTest::newRow("byte order mark and header rows")
            << "\xEF\xBB\xBFItemID,ItemDesc,ItemUom\r\n" + body
            << "\xEF\xBB\xBF"
               "BomID,BomComp,bomQtyReq,StartDate\n" +
                   lineBody;
        QTest::newRow("no final line break, blank lines") << body + "\r\n"
                                                          << "\n" + lineBody.chopped(1);
    }
    void readsFieldsAsRfc4180WithOrWithoutBomAndHeader() {
        QFETCH(QByteArray, items);
        QFETCH(QByteArray, lineBytes);
        const QString target = out();
        const import::Summary summary = import::importCsv(file(items), lines(lineBytes), target);
        QCOMPARE(summary.items, 3);
        QCOMPARE(summary.lines, 3);
        QCOMPARE(itemsOf(target), (QStringList{
                                      "BOLT, M6|Bolt \"M6\"\nzinc plated|EA",
                                      "NUT|<null>|", // empty field Null, "" the empty text
                                      "ÉCROU-Ø8-ß|Écrou|PCE",
                                  }));
        QCOMPARE(linesOf(target),
                 (QStringList{"TOP>BOLT, M6=0.1", "TOP>NUT=", "TOP>ÉCROU-Ø8-ß=0.001"}));
        QCOMPARE(columnOf(target, QStringLiteral("TOP"), QStringLiteral("BOLT, M6"),
                          QStringLiteral("bomQtyReq"))
                     .toDouble(),
                 0.1);
        QCOMPARE(columnOf(target, QStringLiteral("TOP"), QStringLiteral("BOLT, M6"),
                          QStringLiteral("StartDate")),
                 QVariant(QStringLiteral("2024-02-29 13:45:30")));
        QCOMPARE(columnOf(target, QStringLiteral("TOP"), QStringLiteral("ÉCROU-Ø8-ß"),
                          QStringLiteral("StartDate")),
                 QVariant(QStringLiteral("2024-03-01 00:00:00")));
        QVERIFY(columnOf(target, QStringLiteral("TOP"), QStringLiteral("NUT"),
                         QStringLiteral("StartDate"))
                    .isNull());
        store::Database db(target); // passes the editor's check
    }

    void refusesNamingTheRecord_data() {
        QTest::addColumn<QByteArray>("items");
        QTest::addColumn<QByteArray>("lineBytes");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("mentions");
        QTest::newRow("Latin-1") << QByteArray("A,a,EA\nB,\xC9"
                                               "crou,EA\n")
                                 << QByteArray() << int(store::ImportCsvEncoding)
                                 << "items.csv, record 2 (line 2)";
        QTest::newRow("duplicate under the case rule")
            << QByteArray("bolt-m6,,\nNUT,,\nBOLT-M6,,\n") << QByteArray()
            << int(store::ImportDuplicateKey)
            << "items.csv, record 3 (line 3): ItemMaster already "
               "holds the ItemID 'bolt-m6' (the same ID as 'BOLT-M6'";
        QTest::newRow("duplicate line under the case rule")
            << QByteArray("A,,\n") << QByteArray("A,b,1,\nX,y,1,\na,B,2,\n")
            << int(store::ImportDuplicateKey) << "lines.csv, record 3 (line 3)";
        QTest::newRow("blanks count") << QByteArray("A,,\n\"A \",,\na,,\n") << QByteArray()
                                      << int(store::ImportDuplicateKey) << "record 3";
        QTest::newRow("unterminated quote, line counted inside quotes")
            << QByteArray("A,\"two\nlines\",EA\nB,\"open,EA\n") << QByteArray()
            << int(store::ImportCsvMalformed)
            << "record 2 (line 3): a quoted field has no closing quote";
        QTest::newRow("too few fields") << QByteArray("A,a\n") << QByteArray()
                                        << int(store::ImportCsvMalformed) << "2 fields where 3";
        QTest::newRow("quote inside a field") << QByteArray("A,5\" bolt,EA\n") << QByteArray()
                                              << int(store::ImportCsvMalformed) << "not quoted";
        QTest::newRow("empty ID") << QByteArray(",a,EA\n") << QByteArray()
                                  << int(store::ImportInvalidId) << "ItemID is empty";
        QTest::newRow("quantity with a comma")
            << QByteArray("A,,\n") << QByteArray("A,B,\"1,5\",\n") << int(store::ImportInvalidValue)
            << "'1,5'";
        QTest::newRow("no such date")
            << QByteArray("A,,\n") << QByteArray("A,B,1,2023-02-29 00:00:00\n")
            << int(store::ImportInvalidValue) << "StartDate";
    }
    void refusesNamingTheRecord() {
        QFETCH(QByteArray, items);
        QFETCH(QByteArray, lineBytes);
        QFETCH(int, number);
        QFETCH(QString, mentions);
        expectRefusal(items, lineBytes, number, mentions);
    }

    void keepsIdsThatDifferOutsideAscii() {
        // NOCASE folds ASCII letters only: é and É are two items.
        const QString target = out();
        import::importCsv(file("é,,\nÉ,,\n"), lines(""), target);
        QCOMPARE(itemsOf(target), (QStringList{"É|<null>|<null>", "é|<null>|<null>"}));
    }

    void addsToAnExistingDatabaseAllOrNothing() {
        const QString existing = m_dir.filePath(QStringLiteral("existing.db"));
        writeDatabase(existing, {{QStringLiteral("BOLT"), QStringLiteral("Bolt"), {}}},
                      {{QStringLiteral("TOP"), QStringLiteral("BOLT"), 2.0}});
        // The second record collides with the stored BOLT: nothing of the file arrives.
        try {
            import::importCsvInto(file("NUT,,\nbolt,,\n"), lines("TOP,NUT,1,\n"), existing);
            QFAIL("imported");
        } catch (const StoreError& error) {
            QCOMPARE(error.number(), int(store::ImportDuplicateKey));
            QVERIFY2(error.description().contains(QLatin1StringView("record 2")),
                     qPrintable(error.message()));
        }
        QCOMPARE(itemsOf(existing), QStringList{"BOLT|Bolt|<null>"});
        QCOMPARE(linesOf(existing), QStringList{"TOP>BOLT=2"});

        const import::Summary summary =
            import::importCsvInto(file("NUT,,\n"), lines("TOP,NUT,1,\n"), existing);
        QCOMPARE(summary.items, 1);
        QCOMPARE(summary.lines, 1);
        QCOMPARE(linesOf(existing), (QStringList{"TOP>BOLT=2", "TOP>NUT=1"}));
    }

    void cancelHalfWayLeavesNoFile() {
        QByteArray items, lineBytes;
        for (int i = 0; i < 5000; ++i) {
            items += "ITEM-" + QByteArray::number(i) + ",Part,EA\n";
            lineBytes += "TOP,ITEM-" + QByteArray::number(i) + ",1,\n";
        }
        QTemporaryDir outDir;
        const QString target = outDir.filePath(QStringLiteral("out.db"));
        qint64 asked = 0;
        try {
            import::importCsv(file(items), lines(lineBytes), target, [&](qint64 done, qint64 total) {
                ++asked;
            return done < total * 3 / 4;
        });
        QFAIL("not cancelled");
    }
    catch (const StoreError& error) {
        QCOMPARE(error.number(), int(store::ImportCancelled));
    }
    QVERIFY(asked > 10);
    QCOMPARE(QDir(outDir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());

    // A Cancel that comes only once everything is written means nothing: the import has
    // succeeded, and says so.
    const import::Summary summary = import::importCsv(
        file(items), lines(lineBytes), target,
        [&](qint64 done, qint64 total) { return done < total; });
    QCOMPARE(summary.lines, 5000);
    QVERIFY(QFile::exists(target));
}

    void convertsValuesExactly() {
    QCOMPARE(*import::singleAsDecimal(0.1f), 0.1);
    QCOMPARE(*import::singleAsDecimal(1.8f), 1.8);
    QCOMPARE(*import::singleAsDecimal(16777217.0f), 16777216.0);
    QVERIFY(!import::singleAsDecimal(std::numeric_limits<float>::infinity()));
    QCOMPARE(*import::jetDateText(45351.573263888888), QStringLiteral("2024-02-29 13:45:30"));
    // Before 1899-12-30 the day counts back and the time of day still runs forward.
    QCOMPARE(*import::jetDateText(-1.25), QStringLiteral("1899-12-29 06:00:00"));
    QCOMPARE(*import::jetDateText(36525.9999999), QStringLiteral("2000-01-01 00:00:00"));
    QVERIFY(!import::jetDateText(std::nan("")));
    QCOMPARE(*import::parseQuantity(u" 0.30000000000000004 "), 0.30000000000000004);
    QVERIFY(!import::parseQuantity(u"nan"));
    QVERIFY(!import::parseQuantity(u"1.5x"));
}
}
;

QTEST_GUILESS_MAIN(ImportCsvTest)
#include "import_csv_test.moc"
