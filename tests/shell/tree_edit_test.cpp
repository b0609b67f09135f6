#include "desktop/Desktop.h"
#include "shell/window/ItemList.h"
#include "store/StoreError.h"
#include "support/WindowFixture.h"
#include "shell/database/DatabaseChoice.h"
#include "tree/BomTreeModel.h"
#include "shell/window/BomTreeView.h"

#include <QApplication>
#include <QDateTime>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QFile>
#include <QLineEdit>
#include <QAction>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

std::vector<ItemRow> catalogue() {
    std::vector<ItemRow> items;
    for (const char* id : {"A", "B", "C", "D", "E", "NEW"})
        items.push_back({QString::fromLatin1(id), {}, {}});
    return items;
}

// A = {B = {D}, C}
std::vector<Line> structure() { return {{"A", "B", 1}, {"A", "C", 2}, {"B", "D", 3}}; }

} // namespace

class TreeEditTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void dropAsksThenWritesThenShows_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("outline");
        QTest::addColumn<QString>("assembly");
        // Wherever it is dropped, the new node takes its place in component-ID order, as a
        // load shows it.
        QTest::newRow("Yes on a deep node") << "B/D" << int(desktop::ResultYes) << "B[D[NEW]] C" << "D";
        QTest::newRow("No on a top-level node") << "B" << int(desktop::ResultNo) << "B[D] C NEW" << "A";
        QTest::newRow("No on a deep node") << "B/D" << int(desktop::ResultNo) << "B[D NEW] C" << "B";
        QTest::newRow("Yes on a top-level node") << "C" << int(desktop::ResultYes) << "B[D] C[NEW]" << "C";
    }
    void dropAsksThenWritesThenShows() {
        QFETCH(QString, target);
        QFETCH(int, answer);
        QFETCH(QString, outline);
        QFETCH(QString, assembly);
        WindowFixture f(catalogue(), structure());
        f.load(QStringLiteral("A"));
        f.Text1().setText(QStringLiteral("C")); // edited after the load: not the assembly
        f.desktop.messageAnswers = {answer};
        f.desktop.inputAnswers = {QStringLiteral("2.5")};
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        f.drop(QStringLiteral("NEW"), f.node(target));

        QCOMPARE(f.desktop.asked.size(), 2);
        const auto question = f.desktop.asked.at(0);
        QCOMPARE(question.text, QStringLiteral("Make Target Item A Parent?"));
        QCOMPARE(question.title, QStringLiteral("Fabrilux"));
        QCOMPARE(question.style, desktop::YesNo | desktop::IconQuestion);
        // The second line names what each answer does, with the target and its assembly.
        const QString targetId = target.section(u'/', -1);
        const QString targetAssembly = target.contains(u'/') ? target.section(u'/', -2, -2) : "A";
        QCOMPARE(question.informative, QStringLiteral("Yes: NEW goes into %1. No: beside %1, into %2.")
                                           .arg(targetId, targetAssembly));
        const auto quantity = f.desktop.asked.at(1);
        QCOMPARE(quantity.kind, QStringLiteral("input"));
        QCOMPARE(quantity.text, QStringLiteral("Enter the quantity required of the new component."));
        QCOMPARE(quantity.title, QStringLiteral("Add BOM Item"));
        QCOMPARE(quantity.defaultText, QStringLiteral("0"));

        QCOMPARE(f.outline(), outline);
        QCOMPARE(columnOf(f.database, assembly, "NEW", "bomQtyReq").toDouble(), 2.5);
        const QDateTime written = QDateTime::fromString(
            columnOf(f.database, assembly, "NEW", "StartDate").toString(), "yyyy-MM-dd HH:mm:ss");
        QVERIFY(written >= before && written <= QDateTime::currentDateTime());
        QCOMPARE(linesOf(f.database).size(), 4);
        QCOMPARE(f.status(), QStringLiteral("Added the line %1 \u2192 NEW, quantity 2.5.").arg(assembly));
        QVERIFY(!f.tree().dropHighlight().isValid());
        // The list does not change.
        QCOMPARE(f.list().items().size(), 6);
    }

    void dropShowsUnderEveryCopyWithItsStructure() {
        // S stands under X and under Y (one bill); K has a structure of its own, and stands
        // where its circular mark must be worked out from each place.
        std::vector<ItemRow> items = catalogue();
        for (const char* id : {"X", "Y", "S", "T", "K", "L"})
            items.push_back({QString::fromLatin1(id), {}, {}});
        WindowFixture f(items, {{"A", "X"}, {"A", "Y"}, {"X", "S"}, {"y", "s"}, {"S", "T"},
                                {"K", "L"}, {"L", "k"}});
        f.load(QStringLiteral("A"));
        f.tree().expand(f.node("X"));
        const QModelIndex target = f.node("Y/s/T");
        f.tree().setCurrentIndex(f.node("X"));
        f.desktop.messageAnswers = {desktop::ResultNo}; // beside T: under S
        f.desktop.inputAnswers = {QStringLiteral("1")};
        f.drop(QStringLiteral("K"), target);
        // K comes with L, whose component is K again: circular, as a load marks it.
        QCOMPARE(f.outline(), QStringLiteral("X[S[K[L[k*]] T]] Y[s[K[L[k*]] T]]"));
        QCOMPARE(linesOf(f.database).filter(QStringLiteral(">K")), QStringList{"s>K=1"});
        // Untouched nodes keep their state; only the selected row looks selected.
        QVERIFY(f.tree().isExpanded(f.node("X")));
        QVERIFY(!f.tree().isExpanded(f.node("Y")));
        QCOMPARE(f.tree().selectedNode(), f.node("X"));
        QVERIFY(!f.tree().dropHighlight().isValid());

        // Loaded for S itself, its own level is the place of S's lines.
        f.load(QStringLiteral("s"));
        f.desktop.messageAnswers = {desktop::ResultNo};
        f.desktop.inputAnswers = {QStringLiteral("2")};
        f.drop(QStringLiteral("L"), f.node("K"));
        QCOMPARE(f.outline(), QStringLiteral("K[L[k*]] L[k[L*]] T"));
    }

    void escapeAtTheParentQuestionCancelsTheDrop() {
        WindowFixture f(catalogue(), structure());
        f.load(QStringLiteral("A"));
        f.desktop.messageAnswers = {desktop::ResultCancel}; // Esc, or the box closed
        f.desktop.inputAnswers = {QStringLiteral("1")};
        f.drop(QStringLiteral("NEW"), f.node("C"));
        QCOMPARE(f.desktop.asked.size(), 1);
        QCOMPARE(f.outline(), QStringLiteral("B[D] C"));
        QCOMPARE(linesOf(f.database).size(), 3);
        QVERIFY(!f.tree().dropHighlight().isValid());
    }

    void openingAnotherDatabaseForgetsTheTree() {
        WindowFixture f(catalogue(), structure());
        f.load(QStringLiteral("A"));
        f.click(f.node("C"));
        QAction* open = f.window().findChild<QAction*>(QStringLiteral("mnuOpen"));
        // Cancel reopens the same file: everything stays.
        open->trigger();
        QCOMPARE(f.outline(), QStringLiteral("B[D] C"));
        QCOMPARE(f.label("Label8").text(), QStringLiteral("2"));

        QTemporaryDir other;
        const QString file = other.filePath(QStringLiteral("other.db"));
        writeDatabase(file, {{"Z", {}, {}}}, {});
        f.desktop.fileAnswers = {file};
        open->trigger();
        QCOMPARE(f.outline(), QString());
        for (const char* name : {"Label7", "Label8", "Label9", "Label10"})
            QCOMPARE(f.label(name).text(), QString());
        // A drop now has no node to land on: nothing is written into the new file.
        f.drop(QStringLiteral("Z"), f.model().index(0, 0));
        QVERIFY(linesOf(file).isEmpty());
    }

    void refusedDropsChangeNothing_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("target");
        QTest::addColumn<std::optional<QString>>("typed");
        QTest::addColumn<int>("number"); // 0: no message at all
        QTest::addColumn<QString>("mentions");
        const auto q = [](const char* s) { return std::optional<QString>(QString::fromUtf8(s)); };
        QTest::newRow("cancelled quantity") << "NEW" << "C" << std::optional<QString>() << 0 << "";
        QTest::newRow("empty quantity") << "NEW" << "C" << q("") << int(store::InvalidQuantity) << "";
        QTest::newRow("text quantity") << "NEW" << "C" << q("two") << int(store::InvalidQuantity) << "two";
        QTest::newRow("nan") << "NEW" << "C" << q("nan") << int(store::InvalidQuantity) << "nan";
        QTest::newRow("inf") << "NEW" << "C" << q("inf") << int(store::InvalidQuantity) << "inf";
        QTest::newRow("out of range") << "NEW" << "C" << q("1e999") << int(store::InvalidQuantity) << "out of range";
        QTest::newRow("duplicate line") << "D" << "B" << q("1") << int(store::DuplicateLine) << "D";
        QTest::newRow("item under itself") << "C" << "C" << q("1") << int(store::CircularComponent) << "C";
        QTest::newRow("assembly under its own component")
            << "B" << "B/D" << q("1") << int(store::CircularComponent) << "D";
        QTest::newRow("top item under its component")
            << "A" << "B" << q("1") << int(store::CircularComponent) << "A";
    }
    void refusedDropsChangeNothing() {
        QFETCH(QString, item);
        QFETCH(QString, target);
        QFETCH(std::optional<QString>, typed);
        QFETCH(int, number);
        QFETCH(QString, mentions);
        WindowFixture f(catalogue(), structure());
        f.load(QStringLiteral("A"));
        const QStringList lines = linesOf(f.database);
        f.desktop.messageAnswers = {desktop::ResultYes};
        f.desktop.inputAnswers = {typed};
        f.drop(item, f.node(target));

        QCOMPARE(f.outline(), QStringLiteral("B[D] C"));
        QCOMPARE(linesOf(f.database), lines);
        // A line the database would refuse is refused before the quantity is asked for.
        const bool refusedByTheStore =
            number == store::DuplicateLine || number == store::CircularComponent;
        QCOMPARE(f.desktop.asked.size() > 1 && f.desktop.asked.at(1).kind == u"input",
                 !refusedByTheStore);
        const QStringList messages = f.desktop.messageTexts().mid(1);
        if (number == 0) {
            QVERIFY(messages.isEmpty());
        } else {
            QCOMPARE(messages.size(), 1);
            QVERIFY2(messages.first().startsWith(QString::number(number) + u' '),
                     qPrintable(messages.first()));
            QVERIFY2(messages.first().contains(mentions), qPrintable(messages.first()));
        }
    }

    void zeroAndNegativeQuantitiesAreWrittenAfterOneQuestion() {
        WindowFixture f(catalogue(), structure());
        f.load(QStringLiteral("A"));
        struct Case {
            const char* typed;
            int answer; // to the quantity's question; 0: none is asked
            QVariant written;
        };
        const Case cases[] = {{"-2", desktop::ResultNo, {}},
                              {"0", desktop::ResultCancel, {}},
                              {"0", desktop::ResultYes, 0.0},
                              {"-1.5", desktop::ResultYes, -1.5},
                              {" .75 ", 0, 0.75}};
        const char* items[] = {"NEW", "NEW", "NEW", "E", "D"};
        for (int i = 0; i < 5; ++i) {
            f.desktop.asked.clear();
            f.desktop.messageAnswers = {desktop::ResultYes, cases[i].answer};
            f.desktop.inputAnswers = {QString::fromLatin1(cases[i].typed)};
            f.drop(QString::fromLatin1(items[i]), f.node("C"));
            QCOMPARE(columnOf(f.database, "C", items[i], "bomQtyReq"), cases[i].written);
            const auto messages = f.desktop.messages();
            QCOMPARE(messages.size(), cases[i].answer ? 2 : 1);
            if (cases[i].answer) {
                QCOMPARE(messages.at(1).text, QStringLiteral("Use Quantity %1?")
                                                  .arg(QString::fromLatin1(cases[i].typed)));
                QCOMPARE(messages.at(1).style, desktop::YesNo | desktop::IconQuestion);
                QVERIFY(messages.at(1).informative.contains(QStringLiteral("C \u2192 %1").arg(items[i])));
            }
        }
        QCOMPARE(f.outline(), QStringLiteral("B[D] C[D E NEW]"));

        // F2 on a quantity asks the same; No and Esc leave line and tree as they were.
        const QModelIndex quantity = f.node("B").siblingAtColumn(tree::QuantityColumn);
        for (const int answer : {int(desktop::ResultNo), int(desktop::ResultCancel), int(desktop::ResultYes)}) {
            f.desktop.asked.clear();
            f.desktop.messageAnswers = {answer};
            f.model().setData(quantity, QStringLiteral("-0"));
            QCoreApplication::processEvents();
            QCOMPARE(f.desktop.messageTexts(), QStringList{QStringLiteral("Use Quantity -0?")});
            const double stored = columnOf(f.database, "A", "B", "bomQtyReq").toDouble();
            QCOMPARE(stored, answer == desktop::ResultYes ? 0.0 : 1.0);
            QCOMPARE(f.model().quantity(f.node("B")), std::optional<double>(stored));
        }
        // A quantity that is what the line holds already is no new mistake.
        f.desktop.asked.clear();
        f.model().setData(quantity, QStringLiteral("0"));
        QCoreApplication::processEvents();
        QVERIFY(f.desktop.asked.isEmpty());
    }

    void dragsFromElsewhereAreRefused() {
        WindowFixture f(catalogue(), structure());
        f.load(QStringLiteral("A"));
        // Text dragged in from another program, and even an item ID that no list of this
        // window started: neither may mark a node or be dropped.
        f.list().setCurrentIndex(f.list().model()->index(5, 0));
        QMimeData text;
        text.setText(QStringLiteral("NEW"));
        const std::unique_ptr<QMimeData> item(f.list().dragData());
        for (QMimeData* mime : {&text, item.get()}) {
            const QPoint at = f.tree().visualRect(f.node("B")).center();
            QDragEnterEvent enter(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(f.tree().viewport(), &enter);
            QVERIFY(!enter.isAccepted());
            QDropEvent drop(QPointF(at), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(f.tree().viewport(), &drop);
            QVERIFY(!drop.isAccepted());
        }
        QVERIFY(!f.tree().dropHighlight().isValid());
        QCoreApplication::processEvents();
        QVERIFY(f.desktop.asked.isEmpty());
    }

    void dropOnNothingDoesNothing() {
        WindowFixture f(catalogue(), structure());
        f.drop(QStringLiteral("NEW"), {}); // empty tree
        f.load(QStringLiteral("A"));
        f.drop(QStringLiteral("NEW"), {}); // empty space
        QVERIFY(f.desktop.asked.isEmpty());
        QCOMPARE(linesOf(f.database).size(), 3);
    }

    void dropWithNoDatabaseChosenAsksFirst() {
        WindowFixture f(catalogue(), structure());
        f.load(QStringLiteral("A"));
        f.window().databaseChoice().setDatabasePath(QString());
        f.desktop.messageAnswers = {desktop::ResultYes};
        f.desktop.inputAnswers = {QStringLiteral("1")};
        f.drop(QStringLiteral("NEW"), f.node("C")); // the file dialog is cancelled
        QCOMPARE(f.desktop.asked.last().kind, QStringLiteral("file"));
        QCOMPARE(f.desktop.messages().size(), 1);
        QCOMPARE(f.outline(), QStringLiteral("B[D] C"));
        QCOMPARE(linesOf(f.database).size(), 3);
    }

    void refusedSaveLeavesNoNode() {
        WindowFixture f(catalogue(), structure());
        f.load(QStringLiteral("A"));
        QFile::remove(f.database);
        f.desktop.messageAnswers = {desktop::ResultYes};
        f.desktop.inputAnswers = {QStringLiteral("1")};
        f.drop(QStringLiteral("NEW"), f.node("C"));
        QCOMPARE(f.outline(), QStringLiteral("B[D] C"));
        QVERIFY(f.desktop.messageTexts().last().startsWith(QString::number(store::FileNotFound)));
        QVERIFY(!QFile::exists(f.database));
    }

    void deletesTheNodesOwnLine() {
        // D is a direct component of A and a component of B.
        WindowFixture f(catalogue(), {{"A", "B"}, {"A", "C"}, {"A", "D"}, {"B", "D"}, {"C", "E"}});
        f.load(QStringLiteral("A"));
        f.Text1().setText(QStringLiteral("B")); // edited after the load: not the assembly
        f.desktop.messageAnswers = {desktop::ResultOk};
        f.pressDelete(f.node("B/D"));
        const auto confirm = f.desktop.messages().first();
        QCOMPARE(confirm.text, QStringLiteral("Delete Selected Item?"));
        QCOMPARE(confirm.title, QStringLiteral("Fabrilux"));
        QCOMPARE(confirm.style, desktop::OkCancel | desktop::IconStop);
        QCOMPARE(confirm.informative, QStringLiteral("Deletes the line B \u2192 D, quantity 1."));
        QCOMPARE(f.status(), QStringLiteral("Deleted the line B \u2192 D, quantity 1."));
        QCOMPARE(f.outline(), QStringLiteral("B C[E] D"));
        QCOMPARE(linesOf(f.database), (QStringList{"A>B=1", "A>C=1", "A>D=1", "C>E=1"}));

        // A top-level node with children: its line goes, its own bill stays.
        f.desktop.messageAnswers = {desktop::ResultOk};
        f.pressDelete(f.node("C"), Qt::ShiftModifier);
        QCOMPARE(f.outline(), QStringLiteral("B D"));
        QCOMPARE(linesOf(f.database), (QStringList{"A>B=1", "A>D=1", "C>E=1"}));

        f.desktop.messageAnswers = {desktop::ResultOk};
        f.pressDelete(f.node("D"), Qt::ControlModifier);
        QCOMPARE(f.outline(), QStringLiteral("B"));
        QCOMPARE(f.desktop.messages().size(), 3);
    }

    void aLineChangedWhileTheDeleteQuestionIsUpIsNotDeleted() {
        // Another program sets B → D to 6 while "Deletes the line B → D, quantity 1." is asked.
        WindowFixture f(catalogue(), {{"A", "B"}, {"B", "D"}});
        f.load(QStringLiteral("A"));
        f.desktop.messageAnswers = {desktop::ResultOk, desktop::ResultOk};
        f.desktop.onMessage = [&] {
            f.desktop.onMessage = {};
            execOn(f.database, {"UPDATE BomDetail SET bomQtyReq = 6 WHERE BomComp = 'D'"});
        };
        f.pressDelete(f.node("B/D"));
        const QStringList messages = f.desktop.messageTexts();
        QVERIFY2(messages.size() == 2 && messages[1].startsWith(u"1040 "_s),
                 qPrintable(messages.join(u'|')));
        QCOMPARE(linesOf(f.database), (QStringList{"A>B=1", "B>D=6"}));
        // The node shows the line as it now stands, and a second Delete, asked about it, goes.
        QCOMPARE(f.model().quantity(f.node("B/D")), std::optional<double>(6));
        f.desktop.messageAnswers = {desktop::ResultOk};
        f.pressDelete(f.node("B/D"));
        QCOMPARE(linesOf(f.database), QStringList{"A>B=1"});
    }

    void cancelAndNoSelectionChangeNothing() {
        WindowFixture f(catalogue(), structure());
        f.load(QStringLiteral("A"));
        QTest::keyClick(&f.tree(), Qt::Key_Delete); // nothing selected
        QVERIFY(f.desktop.asked.isEmpty());
        f.desktop.messageAnswers = {desktop::ResultCancel};
        f.pressDelete(f.node("B"));
        QCOMPARE(f.desktop.asked.size(), 1);
        QCOMPARE(f.outline(), QStringLiteral("B[D] C"));
        QCOMPARE(linesOf(f.database).size(), 3);
    }

    void deleteLeavesEveryCopyOfTheAssembly() {
        // S occurs under X and under Y; its component T shows twice, and the line S>T is one.
        WindowFixture f(catalogue(), {{"A", "X"}, {"A", "Y"}, {"X", "S"}, {"Y", "S"}, {"S", "T"}});
        f.load(QStringLiteral("A"));
        f.tree().expandAll();
        f.desktop.messageAnswers = {desktop::ResultOk};
        f.pressDelete(f.node("X/S/T"));
        QCOMPARE(f.desktop.messageTexts(), QStringList{QStringLiteral("Delete Selected Item?")});
        QCOMPARE(f.outline(), QStringLiteral("X[S] Y[S]"));
        QCOMPARE(linesOf(f.database), (QStringList{"A>X=1", "A>Y=1", "X>S=1", "Y>S=1"}));
        // Untouched nodes keep their state.
        QVERIFY(f.tree().isExpanded(f.node("X")) && f.tree().isExpanded(f.node("Y")));
    }

    void lineGoneMeanwhileIsReportedAndItsNodesGo() {
        WindowFixture f(catalogue(), {{"A", "X"}, {"A", "Y"}, {"X", "S"}, {"Y", "S"}, {"S", "T"}});
        f.load(QStringLiteral("A"));
        const QModelIndex stale = f.node("Y/S/T");
        f.tree().setCurrentIndex(stale);
        execOn(f.database, {QStringLiteral("DELETE FROM BomDetail WHERE BomID = 's'")});
        f.desktop.asked.clear();
        f.desktop.messageAnswers = {desktop::ResultOk, desktop::ResultOk};
        f.pressDelete(stale);
        const auto messages = f.desktop.messages();
        QCOMPARE(messages.size(), 2);
        QCOMPARE(messages.last().text, QStringLiteral("Error in Database!  This item can not be located!"));
        QCOMPARE(messages.last().title, QStringLiteral("Fabrilux"));
        QCOMPARE(messages.last().style, desktop::MessageStyle(desktop::IconStop));
        // The line is not there, so neither are its nodes.
        QCOMPARE(f.outline(), QStringLiteral("X[S] Y[S]"));
    }

    void deleteFailureIsReported() {
        WindowFixture f(catalogue(), structure());
        f.load(QStringLiteral("A"));
        f.tree().setCurrentIndex(f.node("C"));
        QFile::remove(f.database);
        f.desktop.messageAnswers = {desktop::ResultOk};
        f.pressDelete(f.node("C"));
        QCOMPARE(f.desktop.messages().size(), 2);
        QVERIFY(f.desktop.messageTexts().last().startsWith(QString::number(store::FileNotFound) + u' '));
        QCOMPARE(f.outline(), QStringLiteral("B[D] C"));
    }

    void expandAllAndCollapseAll() {
        WindowFixture f(catalogue(), {{"A", "B"}, {"B", "C"}, {"C", "D"}, {"A", "E"}});
        QAction* expand = f.window().findChild<QAction*>(QStringLiteral("mnuExpand"));
        QAction* collapse = f.window().findChild<QAction*>(QStringLiteral("mnuCollapse"));
        expand->trigger(); // empty tree: nothing happens
        f.load(QStringLiteral("A"));
        f.tree().expand(f.node("B"));
        collapse->trigger();
        for (const char* path : {"B", "B/C"})
            QVERIFY(!f.tree().isExpanded(f.node(path)));
        expand->trigger();
        for (const char* path : {"B", "B/C"})
            QVERIFY(f.tree().isExpanded(f.node(path)));
        QVERIFY(f.desktop.asked.isEmpty());
    }
};

QTEST_MAIN(TreeEditTest)
#include "tree_edit_test.moc"
