#include "shell/database/DatabaseChoice.h"
#include "shell/window/BomTreeView.h"
#include "shell/window/BomWindow.h"
#include "shell/window/ItemList.h"
#include "store/StoreError.h"
#include "support/TestDatabase.h"
#include "support/WindowFixture.h"
#include "tree/bill/BomTreeModel.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QCryptographicHash>
#include <QDir>
#include <QLabel>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// Importing from the window: a Jet file chosen as the database, and File ▸ Import.
using namespace Qt::StringLiterals;

namespace {

const QString Data = QStringLiteral(BOM_TEST_DATA "/jet/");

} // namespace

class ImportWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowFixture> m_window;
    std::unique_ptr<QTemporaryDir> m_dir; // where the sources are, and the new files go
    QString m_mdb;

    QString path(const QString& name) const { return m_dir->filePath(name); }
    QStringList filesLeft() const { return QDir(m_dir->path()).entryList(QDir::Files); }
    QString workdirText() const {
        return QString::fromUtf8(
            readAll(QFileInfo(m_window->database).dir().filePath(QStringLiteral("workdir.txt"))));
    }
    void trigger(const char* name) {
        QAction* action = m_window->window().findChild<QAction*>(QLatin1StringView(name));
        QVERIFY2(action, name);
        action->trigger();
    }
    QStringList topLevel() {
        QStringList texts;
        for (int row = 0; row < m_window->model().rowCount({}); ++row)
            texts.append(m_window->model().text(m_window->model().index(row, 0)));
        return texts;
    }
    QStringList kindsAsked() const {
        QStringList kinds;
        for (const auto& question : m_window->desktop.asked)
            kinds.append(question.kind);
        return kinds;
    }
    /// The window on a database of its own, with A's bill (B) loaded.
    void startOnSmallDatabase() {
        m_window = std::make_unique<WindowFixture>(
            std::vector<ItemRow>{{QStringLiteral("A"), QStringLiteral("Assembly"), {}},
                                 {QStringLiteral("B"), QStringLiteral("Bolt"), {}}},
            std::vector<Line>{{QStringLiteral("A"), QStringLiteral("B")}});
        m_window->load(QStringLiteral("A"));
        QCOMPARE(m_window->outline(), QStringLiteral("B"));
        m_window->desktop.asked.clear();
    }
    /// The window still works on its own database, as before the import was asked for.
    void checkNothingChosen(const QString& workdirBefore) {
        QCOMPARE(m_window->window().databaseChoice().databasePath(), m_window->database);
        QCOMPARE(m_window->list().items(), (QStringList{"A", "B"}));
        QCOMPARE(workdirText(), workdirBefore);
        QCOMPARE(m_window->desktop.busyDepth, 0);
    }

private Q_SLOTS:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_mdb = path(QStringLiteral("bom_jet4.mdb"));
        QVERIFY(QFile::copy(Data + QStringLiteral("bom_jet4.mdb"), m_mdb));
        startOnSmallDatabase();
    }
    void cleanup() {
        m_window.reset();
        m_dir.reset();
    }

    void openDatabaseOnJetFileImportsAndOpensIt() {
        const QByteArray mdbBefore = readAll(m_mdb);
        auto& desktop = m_window->desktop;
        desktop.fileAnswers = {m_mdb};
        desktop.saveAnswers = {path(QStringLiteral("bom_jet4.db"))};
        trigger("mnuOpen");

        QCOMPARE(kindsAsked(), (QStringList{"file", "message", "save", "progress"}));
        QCOMPARE(desktop.asked[1].style, desktop::OkCancel | desktop::IconQuestion);
        QVERIFY(desktop.asked[1].text.contains(QDir::toNativeSeparators(m_mdb)));
        // NAME.db beside the Access file is proposed.
        QCOMPARE(desktop.asked[2].defaultText, path(QStringLiteral("bom_jet4.db")));
        QVERIFY(desktop.progressReports > 1);
        QCOMPARE(desktop.maxBusyDepth, 1);
        QCOMPARE(desktop.busyDepth, 0);

        const QString db = path(QStringLiteral("bom_jet4.db"));
        QCOMPARE(m_window->window().databaseChoice().databasePath(), db);
        QCOMPARE(m_window->list().items().size(), 32);
        QCOMPARE(workdirText(), db + QStringLiteral("\r\n"));
        QCOMPARE(m_window->status(), db);
        // The old database's tree went with it.
        QCOMPARE(m_window->model().rowCount({}), 0);
        QCOMPARE(readAll(m_mdb), mdbBefore);
        QCOMPARE(filesLeft(), (QStringList{"bom_jet4.db", "bom_jet4.mdb"}));

        m_window->load(QStringLiteral("TOP-100"));
        QCOMPARE(topLevel(), (QStringList{"BOLT-M6", "BOX-01", "LABEL-CE", "MANUAL-EN", "SUB-ARM",
                                          "SUB-BASE", "SUB-HEAD", "SUB-WIRE"}));
        QVERIFY(m_window->node(QStringLiteral("SUB-HEAD/SUB-WIRE/NO-SUCH-ITEM")).isValid());
        QVERIFY(desktop.messages().size() == 1); // the explanation only
    }

    void jetSavedOverTheCurrentDatabaseEmptiesTheTree() {
        // The save dialog asked before replacing it; A's tree must not stay over the new lines.
        m_window->desktop.fileAnswers = {m_mdb};
        m_window->desktop.saveAnswers = {m_window->database};
        trigger("mnuOpen");
        QCOMPARE(m_window->window().databaseChoice().databasePath(), m_window->database);
        QCOMPARE(m_window->list().items().size(), 32);
        QCOMPARE(m_window->model().rowCount({}), 0);
    }

    void cancelAtEachStepChoosesNothing_data() {
        QTest::addColumn<int>("step");
        QTest::newRow("explanation") << 0;
        QTest::newRow("save dialog") << 1;
        QTest::newRow("progress, half-way") << 2;
    }
    void cancelAtEachStepChoosesNothing() {
        QFETCH(int, step);
        const QString workdirBefore = workdirText();
        auto& desktop = m_window->desktop;
        desktop.fileAnswers = {m_mdb};
        if (step == 0)
            desktop.messageAnswers = {desktop::ResultCancel};
        if (step == 2) {
            desktop.saveAnswers = {path(QStringLiteral("out.db"))};
            desktop.cancelProgressAfter = 2;
        }
        trigger("mnuOpen");

        QCOMPARE(kindsAsked().size(), step + 2);
        if (step == 2)
            QCOMPARE(desktop.progressReports, 3);
        // A Cancel says nothing more; the tree shown belongs to the database still open.
        QCOMPARE(desktop.messages().size(), 1);
        QCOMPARE(filesLeft(), QStringList{"bom_jet4.mdb"});
        checkNothingChosen(workdirBefore);
        QCOMPARE(m_window->outline(), QStringLiteral("B"));
    }

    void refusedFilesGiveANumberedMessage_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<int>("number");
        QTest::newRow("foreign Jet file, Open Database")
            << QStringLiteral("foreign/V2000_delTestV2000.mdb") << QByteArray("mnuOpen")
            << int(store::ImportMissingTable);
        QTest::newRow("truncated Jet file, Import")
            << QStringLiteral("truncated") << QByteArray("mnuImportAccess")
            << int(store::ImportJetDamaged);
        QTest::newRow("not a Jet file, Import")
            << QStringLiteral("text") << QByteArray("mnuImportAccess") << int(store::ImportNotJet);
    }
    void refusedFilesGiveANumberedMessage() {
        QFETCH(QString, source);
        QFETCH(QByteArray, command);
        QFETCH(int, number);
        const QString workdirBefore = workdirText();
        QFile::remove(m_mdb);
        if (source == QLatin1StringView("truncated"))
            writeFile(m_mdb, readAll(Data + QStringLiteral("bom_jet4.mdb")).left(135000));
        else if (source == QLatin1StringView("text"))
            writeFile(m_mdb, "ItemID,ItemDesc\r\n");
        else
            QVERIFY(QFile::copy(Data + source, m_mdb));
        auto& desktop = m_window->desktop;
        desktop.fileAnswers = {m_mdb};
        desktop.saveAnswers = {path(QStringLiteral("out.db"))};
        trigger(command.constData());

        const QStringList said = desktop.messageTexts();
        QVERIFY2(!said.isEmpty() && said.last().startsWith(QString::number(number) + u' '),
                 qPrintable(said.join(u'|')));
        QCOMPARE(desktop.messages().last().style, desktop::OkOnly);
        QCOMPARE(filesLeft(), QStringList{"bom_jet4.mdb"});
        checkNothingChosen(workdirBefore);
    }

    void csvIntoCurrentDatabaseAddsAllRowsOrNone() {
        auto& desktop = m_window->desktop;
        const QString items = path(QStringLiteral("items.csv"));
        const QString lines = path(QStringLiteral("lines.csv"));
        writeFile(items, "ItemID,ItemDesc,ItemUom\r\nC,\"Clip, small\",EA\r\n");
        writeFile(lines, "BomID,BomComp,bomQtyReq,StartDate\r\nA,C,2.5,2024-01-31\r\nB,C,1.0,\r\n");
        desktop.fileAnswers = {items, lines};
        desktop.messageAnswers = {desktop::ResultYes};
        trigger("mnuImportCsv");
        QCOMPARE(kindsAsked(), (QStringList{"file", "file", "message", "progress"}));
        QCOMPARE(desktop.asked[2].style, desktop::YesNoCancel | desktop::IconQuestion);
        QCOMPARE(desktop.asked[2].buttons,
                 (QStringList{u"Add Here"_s, u"New File\u2026"_s, u"Cancel"_s}));
        QCOMPARE(m_window->list().items(), (QStringList{"A", "B", "C"}));
        // The loaded bill shows the new lines.
        QCOMPARE(m_window->outline(), QStringLiteral("B[C] C"));
        QCOMPARE(m_window->window().databaseChoice().databasePath(), m_window->database);
        // The status says what came in, in its own panel; the first keeps the database's path.
        QCOMPARE(m_window->label("StatusLoad").text(),
                 QStringLiteral("1 item and 2 lines imported into %1")
                     .arg(QDir::toNativeSeparators(m_window->database)));

        // "a" is A under the store's rule: the record is named and nothing is added.
        writeFile(items, "ItemID,ItemDesc,ItemUom\r\nD,Disc,EA\r\na,Again,EA\r\n");
        writeFile(lines, "BomID,BomComp,bomQtyReq,StartDate\r\nA,D,1.0,\r\n");
        desktop.asked.clear();
        desktop.fileAnswers = {items, lines};
        desktop.messageAnswers = {desktop::ResultYes};
        trigger("mnuImportCsv");
        const QStringList said = desktop.messageTexts();
        QCOMPARE(said.size(), 2);
        QVERIFY2(said[1].startsWith(QStringLiteral("1108 ")) && said[1].contains(u"items.csv") &&
                     said[1].contains(u"record 3"),
                 qPrintable(said[1]));
        QCOMPARE(linesOf(m_window->database), (QStringList{"A>B=1", "A>C=2.5", "B>C=1"}));
        QCOMPARE(m_window->list().items(), (QStringList{"A", "B", "C"}));

        // The question's words name its buttons; the nodes open before an import stay open,
        // and the current one stays current, with the new line in place.
        QVERIFY2(desktop.asked[2].text.contains(u"\n\nAdd Here: add them to it (every row or none).\n"
                                                u"New File\u2026: write them into a new database file."_s),
                 qPrintable(desktop.asked[2].text));
        const QPersistentModelIndex b = m_window->node(u"B"_s);
        m_window->tree().expand(b);
        m_window->click(m_window->node(u"B/C"_s));
        writeFile(items, "ItemID,ItemDesc,ItemUom\r\nD,Disc,EA\r\n");
        writeFile(lines, "BomID,BomComp,bomQtyReq,StartDate\r\nB,D,4,\r\n");
        desktop.fileAnswers = {items, lines};
        desktop.messageAnswers = {desktop::ResultYes};
        trigger("mnuImportCsv");
        QVERIFY(b.isValid() && m_window->tree().isExpanded(b));
        QCOMPARE(m_window->model().pathTo(m_window->tree().currentIndex()), (QStringList{"A", "B", "C"}));
        QCOMPARE(m_window->outline(), QStringLiteral("B[C D] C"));
        QCOMPARE(m_window->label("StatusLoad").text(),
                 QStringLiteral("1 item and 1 line imported into %1")
                     .arg(QDir::toNativeSeparators(m_window->database)));
    }

    void csvIntoNewFileOpensIt() {
        auto& desktop = m_window->desktop;
        const QString items = path(QStringLiteral("items.csv"));
        const QString lines = path(QStringLiteral("lines.csv"));
        writeFile(items, "X,Box,EA\r\nY,Lid,EA\r\n");
        writeFile(lines, "X,Y,1.0,\r\n");
        // Saved over the current database (the save dialog asked): its tree must not stay.
        const QString db = m_window->database;

        // Cancel at the question: nothing written, nothing chosen.
        const QString workdirBefore = workdirText();
        desktop.fileAnswers = {items, lines};
        desktop.messageAnswers = {desktop::ResultCancel};
        trigger("mnuImportCsv");
        QCOMPARE(filesLeft(), (QStringList{"bom_jet4.mdb", "items.csv", "lines.csv"}));
        checkNothingChosen(workdirBefore);

        desktop.asked.clear();
        desktop.fileAnswers = {items, lines};
        desktop.messageAnswers = {desktop::ResultNo};
        desktop.saveAnswers = {db};
        trigger("mnuImportCsv");
        QCOMPARE(kindsAsked(), (QStringList{"file", "file", "message", "save", "progress"}));
        QCOMPARE(desktop.asked[3].defaultText, path(QStringLiteral("items.db")));
        QCOMPARE(m_window->window().databaseChoice().databasePath(), db);
        QCOMPARE(m_window->list().items(), (QStringList{"X", "Y"}));
        QCOMPARE(workdirText(), db + QStringLiteral("\r\n"));
        QCOMPARE(m_window->model().rowCount({}), 0);
    }

    void csvWithAHeaderInAnotherOrderOpensAndClearsTheFilter() {
        auto& desktop = m_window->desktop;
        const QString items = path(QStringLiteral("items.csv"));
        const QString lines = path(QStringLiteral("lines.csv"));
        writeFile(items, "ItemUom, itemid ,ItemDesc\r\nEA,X,Box\r\nPCE,Y,Lid\r\n");
        writeFile(lines, "bomQtyReq,StartDate,BomComp,BomID\r\n2.5,,Y,X\r\n");
        auto* find = m_window->window().findChild<QLineEdit*>(QStringLiteral("FindItem"));
        find->setText(QStringLiteral("A"));
        m_window->Text1().setText(QStringLiteral("A"));
        const QString db = path(QStringLiteral("new.db"));
        desktop.fileAnswers = {items, lines};
        desktop.messageAnswers = {desktop::ResultNo};
        desktop.saveAnswers = {db};
        trigger("mnuImportCsv");
        QCOMPARE(m_window->window().databaseChoice().databasePath(), db);
        QStringList stored;
        {
            QSqlDatabase file = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), u"read"_s);
            file.setDatabaseName(db);
            QVERIFY(file.open());
            QSqlQuery query(u"SELECT ItemID, ItemDesc, ItemUom FROM ItemMaster ORDER BY 1"_s, file);
            while (query.next())
                stored.append(query.value(0).toString() + u'|' + query.value(1).toString() +
                              u'|' + query.value(2).toString());
        }
        QSqlDatabase::removeDatabase(u"read"_s);
        QCOMPARE(stored, (QStringList{"X|Box|EA", "Y|Lid|PCE"}));
        QCOMPARE(linesOf(db), QStringList{"X>Y=2.5"});
        // The filter and the ID belonged to the database left: every new item shows.
        QCOMPARE(find->text(), QString());
        QCOMPARE(m_window->Text1().text(), QString());
        QCOMPARE(m_window->list().items(), (QStringList{"X", "Y"}));

        // A header that names only some columns is refused, naming the names it needs.
        writeFile(items, "ItemID,Desc,ItemUom\r\nZ,Zip,EA\r\n");
        desktop.asked.clear();
        desktop.fileAnswers = {items, lines};
        desktop.messageAnswers = {desktop::ResultYes};
        trigger("mnuImportCsv");
        const QStringList said = desktop.messageTexts();
        QCOMPARE(said.size(), 2);
        QVERIFY2(said[1].startsWith(QStringLiteral("1110 items.csv, record 1 (line 1)")) &&
                     said[1].contains(u"ItemID, ItemDesc, ItemUom"),
                 qPrintable(said[1]));
        QCOMPARE(m_window->list().items(), (QStringList{"X", "Y"}));
    }

    void aJetFileNamedAtStartIsOfferedTheImport() {
        m_window.reset();
        const QString folder = path(QStringLiteral("app"));
        QVERIFY(QDir().mkpath(folder));
        const QString db = path(QStringLiteral("bom_jet4.db"));
        {
            ScriptedDesktop desktop;
            desktop.messageAnswers = {desktop::ResultCancel}; // no import: nothing remembered
            shell::BomWindow window(desktop, folder, folder + QStringLiteral("/settings.ini"));
            window.start(m_mdb);
            QCOMPARE(desktop.asked.size(), 2); // the import's question, then the chooser
            QCOMPARE(desktop.asked[0].style, desktop::OkCancel | desktop::IconQuestion);
            QCOMPARE(desktop.asked[1].kind, QStringLiteral("file"));
            QCOMPARE(readAll(folder + QStringLiteral("/workdir.txt")), QByteArray());
        }
        ScriptedDesktop desktop;
        desktop.saveAnswers = {db};
        shell::BomWindow window(desktop, folder, folder + QStringLiteral("/settings.ini"));
        window.start(m_mdb);
        QCOMPARE(window.databaseChoice().databasePath(), db);
        QCOMPARE(window.findChild<shell::ItemList*>(QStringLiteral("List1"))->items().size(), 32);
        QCOMPARE(readAll(folder + QStringLiteral("/workdir.txt")), db.toUtf8() + "\r\n");
        QCOMPARE(window.findChild<QMenu*>(QStringLiteral("mnuRecent"))->actions().value(0)->data().toString(),
                 db);
    }
};

QTEST_MAIN(ImportWindowTest)
#include "import_window_test.moc"
