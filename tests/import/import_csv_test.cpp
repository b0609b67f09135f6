#include "import/Import.h"
#include "import/Values.h"
#include "store/sqlite/SqliteImportWriter.h"
#include "store/sqlite/SqliteStore.h"
#include "store/History.h"
#include "store/SessionName.h"
#include "store/StoreError.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLockFile>
#include <QProcess>
#include <QScopeGuard>
#include <QThread>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

#include <csignal>

using store::StoreError;
using namespace Qt::StringLiterals;

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
        store::SqliteStore db(target); // passes the editor's check
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
        QTest::newRow("header naming some columns")
            << QByteArray("ItemID,ItemDesc\nA,a\n") << QByteArray() << int(store::ImportCsvMalformed)
            << "record 1 (line 1): the first row looks like a header row (ItemID, ItemDesc) but "
               "does not name every column once; a header row names ItemID, ItemDesc, ItemUom";
        QTest::newRow("header of other names")
            << QByteArray("Item,Description,UOM\nA,a,EA\n") << QByteArray()
            << int(store::ImportCsvMalformed) << "(Item, Description, UOM)";
        QTest::newRow("header naming a column twice")
            << QByteArray("A,,\n") << QByteArray("BomID,BomComp,BomID,StartDate\nA,B,1,\n")
            << int(store::ImportCsvMalformed) << "BomID, BomComp, bomQtyReq, StartDate";
        QTest::newRow("header with an unknown column")
            << QByteArray("itemid,ItemDesc,Colour\nA,a,red\n") << QByteArray()
            << int(store::ImportCsvMalformed) << "(itemid, ItemDesc, Colour)";
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

    void mapsColumnsByTheNamesOfAHeaderRow() {
        // Oracle: the rows of a header-less file in the listed order. Every order of the
        // columns, with names in odd letter case and blanks, must give the same database.
        const std::vector<QByteArrayList> items{{"BOLT", "Bolt", "EA"}, {"NUT", "", "\"\""},
                                                {"ÉCROU", "Écrou", "PCE"}};
        const std::vector<QByteArrayList> lineRows{{"TOP", "BOLT", "0.5", "2024-02-29 13:45:30"},
                                                   {"TOP", "NUT", "", ""},
                                                   {"BOLT", "ÉCROU", "3", "2024-03-01"}};
        const auto csv = [](const std::vector<QByteArrayList>& rows, const std::vector<int>& order,
                            const QByteArrayList& names) {
            QByteArrayList header;
            for (int column : order)
                if (!names.isEmpty())
                    header.append(names[column]);
            QByteArray text = names.isEmpty() ? QByteArray() : header.join(',') + "\r\n";
            for (const QByteArrayList& row : rows) {
                QByteArrayList fields;
                for (int column : order)
                    fields.append(row[column]);
                text += fields.join(',') + "\r\n";
            }
            return text;
        };
        const QString expected = out();
        import::importCsv(file(csv(items, {0, 1, 2}, {})), lines(csv(lineRows, {0, 1, 2, 3}, {})),
                          expected);
        std::vector<int> itemOrder{0, 1, 2}, lineOrder{0, 1, 2, 3};
        int tried = 0;
        do {
            std::next_permutation(lineOrder.begin(), lineOrder.end());
            const QString target = out();
            import::importCsv(file(csv(items, itemOrder, {"itemID", " ITEMDESC", "ItemUom "})),
                              lines(csv(lineRows, lineOrder,
                                        {"bomid", "BomComp ", " BOMQTYREQ", "startdate"})),
                              target);
            QCOMPARE(itemsOf(target), itemsOf(expected));
            QCOMPARE(linesOf(target), linesOf(expected));
            QCOMPARE(columnOf(target, u"BOLT"_s, u"ÉCROU"_s, u"StartDate"_s),
                     QVariant(u"2024-03-01 00:00:00"_s));
            ++tried;
        } while (std::next_permutation(itemOrder.begin(), itemOrder.end()));
        QCOMPARE(tried, 6);
    }

    void refusesAValueTooLongForTheDatabase() {
        // The limit lowered, so that no gigabyte is needed: the value is refused naming its
        // row and field, never written as Null or cut.
        store::ImportWriter::setValueLimit(100);
        const auto restore = qScopeGuard([] { store::ImportWriter::setValueLimit(0); });
        const QByteArray longText(101, 'x');
        expectRefusal("A,a,EA\nB," + longText + ",EA\n", "", int(store::ImportValueTooLong),
                      "items.csv, record 2 (line 2): the ItemDesc is 101 bytes long");
        expectRefusal("A,a,EA\n", "A," + longText + ",1,\n", int(store::ImportValueTooLong),
                      "lines.csv, record 1 (line 1): the BomComp is 101 bytes long");
        // Two bytes a character: 51 of them are over the limit.
        expectRefusal(QString(51, u'é').toUtf8() + ",,\n", "", int(store::ImportValueTooLong),
                      "the ItemID is 102 bytes long");
        const QByteArray fits(100, 'y');
        const QString target = out();
        import::importCsv(file("A," + fits + ",EA\n"), lines(""), target);
        QCOMPARE(itemsOf(target), QStringList{"A|" + QString::fromLatin1(fits) + "|EA"});
        // Into an existing file: nothing of the import arrives.
        try {
            import::importCsvInto(file("C,,\nD,," + longText + "\n"), lines(""), target);
            QFAIL("imported");
        } catch (const StoreError& error) {
            QCOMPARE(error.number(), int(store::ImportValueTooLong));
            QVERIFY2(error.description().contains(u"the ItemUom is 101 bytes long"_s),
                     qPrintable(error.message()));
        }
        QCOMPARE(itemsOf(target).size(), 1);
    }

    void namesWhatIsWrongWithTheFilesGiven() {
        const QString items = file("A,,\n");
        const auto refusal = [](const std::function<void()>& work) {
            try {
                work();
            } catch (const StoreError& error) {
                return error.message();
            }
            return QStringLiteral("imported");
        };
        const QString target = out();
        QCOMPARE(refusal([&] { import::importCsv(u"/dev/null"_s, items, target); }),
                 u"1100 '/dev/null' is not a regular file (a device, a pipe or a socket), not a "
                 "CSV file."_s);
        QCOMPARE(refusal([&] { import::importCsv(items, m_dir.path(), target); }),
                 u"1100 '"_s + m_dir.path() + u"' is a folder, not a CSV file."_s);
        QCOMPARE(refusal([&] { import::importCsv(items, QString(), target); }),
                 u"1100 No file to import was named."_s);
        QCOMPARE(refusal([&] { import::importCsv(items, items, QString()); }),
                 u"1113 No output was named."_s);
        QCOMPARE(refusal([&] { import::importJet(QString(), target); }),
                 u"1100 No file to import was named."_s);
        QCOMPARE(refusal([&] { import::importJet(m_dir.path(), target); }),
                 u"1100 '"_s + m_dir.path() + u"' is a folder, not a Jet (.mdb) database."_s);
        QVERIFY(!QFile::exists(target));
    }

    void aKilledImportsWorkingFileIsRemovedByTheNext() {
        // A real import killed midway: enough rows that it is still writing when killed.
        QByteArray items;
        for (int i = 0; i < 600000; ++i)
            items += "ITEM-" + QByteArray::number(i) + ",A part of some length,EA\n";
        const QString itemsCsv = file(items), linesCsv = lines("");
        QTemporaryDir outDir;
        const QString target = outDir.filePath(u"out.db"_s);
        const auto workingFiles = [&] {
            return QDir(outDir.path())
                .entryList({u".out.db.import-*"_s}, QDir::Files | QDir::Hidden);
        };
        QProcess killed;
        killed.start(QStringLiteral(BOM_IMPORT_PROGRAM), {itemsCsv, linesCsv, target});
        QVERIFY(killed.waitForStarted());
        QElapsedTimer waited;
        waited.start();
        while (workingFiles().size() < 2 && killed.state() == QProcess::Running &&
               waited.elapsed() < 60000)
            QThread::msleep(2);
        QCOMPARE(killed.state(), QProcess::Running);
        ::kill(pid_t(killed.processId()), SIGKILL);
        killed.waitForFinished();
        QVERIFY(!QFile::exists(target));
        QVERIFY(workingFiles().size() >= 2); // the database and its lock, perhaps a journal

        // One that is running (its lock held here) stays, and so does its lock.
        const QString running = outDir.filePath(u".other.db.import-Ab12Cd"_s);
        QLockFile lock(running + u".lock"_s);
        QVERIFY(lock.tryLock(0));
        QFile(running).open(QIODevice::WriteOnly);

        QProcess next;
        next.start(QStringLiteral(BOM_IMPORT_PROGRAM), {file("A,,\n"), lines(""), target});
        QVERIFY(next.waitForFinished());
        QCOMPARE(next.exitCode(), 0);
        const QString said = QString::fromUtf8(next.readAllStandardError());
        QVERIFY2(said.startsWith(u"Removed '"_s + outDir.path() + u"/.out.db.import-"_s) &&
                     said.contains(u"left behind by an import that is no longer running"_s),
                 qPrintable(said));
        QVERIFY(workingFiles().isEmpty());
        QVERIFY(QFile::exists(running));
        QCOMPARE(itemsOf(target), QStringList{"A|<null>|<null>"});
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

    // The editor's own Add Here is its command in the file's history, with the person, one
    // change set for both tables; the same rows written by another program (bom-import) are
    // found at the next look as that program's, without a name.
    void theEditorsImportIsItsCommandInTheHistory() {
        const QString existing = m_dir.filePath(QStringLiteral("recorded.db"));
        writeDatabase(existing, {{QStringLiteral("TOP"), QStringLiteral("Top"), {}}}, {});
        store::setFileHistoryKept(true);
        const auto kept = qScopeGuard([] { store::setFileHistoryKept(false); });
        const import::Summary summary =
            import::addCsvAsCommand(file("NUT,Nut,EA\n"), lines("TOP,NUT,2,2024-01-31\n"), existing);
        QCOMPARE(summary.changed.assemblies, QStringList{"TOP"});
        QCOMPARE(summary.changed.items, QStringList{"NUT"});
        import::importCsvInto(file("BOLT,,\n"), lines(""), existing);
        const std::vector<store::ChangeRecord> changes = store::openHistory(existing)->changes({});
        QCOMPARE(changes.size(), std::size_t(3));
        const store::ChangeRecord& other = changes[0]; // newest first
        QCOMPARE(other.key, QStringLiteral("BOLT"));
        QCOMPARE(other.source, store::ChangeSource::AnotherProgram);
        QVERIFY(other.person.isEmpty() && other.command.isEmpty());
        for (const store::ChangeRecord& own : {changes[1], changes[2]}) {
            QCOMPARE(own.changeSet, changes[2].changeSet);
            QCOMPARE(own.source, store::ChangeSource::ThisEditor);
            QCOMPARE(own.person, store::systemUserName());
            QCOMPARE(own.command, QStringLiteral("Import items.csv and lines.csv: 1 item, 1 line"));
            QVERIFY(!own.before.exists && own.after.exists);
        }
        const auto item = std::find_if(changes.cbegin(), changes.cend(), [](const auto& change) {
            return change.table == store::schema::ItemMaster && change.key == u"NUT"_s;
        });
        QVERIFY(item != changes.cend() && item->after.unit == u"EA"_s);
        // The command names the files that brought rows.
        QCOMPARE(import::importCommand(u"/x/new-items.csv"_s, u"/x/new-lines.csv"_s, 1, 0),
                 QStringLiteral("Import new-items.csv: 1 item, 0 lines"));
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
