// The edits of the loaded bill's lines, one layer below the window: a drop, the Delete of one
// node and a typed quantity, over the document, the tree that shows it and the database,
// asking through a scripted desktop.

#include "desktop/Desktop.h"
#include "store/History.h"
#include "store/StoreError.h"
#include "support/BillEditor.h"

#include <QDateTime>
#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

std::vector<ItemRow> catalogue() {
    std::vector<ItemRow> items;
    for (const char* id : {"A", "B", "C", "D", "E", "NEW", "X", "Y", "S", "T", "K", "L"})
        items.push_back({QString::fromLatin1(id), {}, qstrcmp(id, "NEW") ? QVariant() : u"EA"_s});
    return items;
}

// A = {B = {D}, C}
std::vector<Line> structure() { return {{"A", "B", 1}, {"A", "C", 2}, {"B", "D", 3}}; }

// S stands under X and under Y: one bill, two copies.
std::vector<Line> shared() {
    return {{"A", "X", 2}, {"A", "Y", 1}, {"X", "S", 1}, {"Y", "S", 3}, {"S", "T", 4}};
}

} // namespace

class LineEditsTest : public QObject {
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
        BillFile e(catalogue(), structure());
        e.editor.load(u"A"_s);
        // 2.5 of NEW, counted in whole pieces (EA), is asked about once more, and taken.
        e.desktop.messageAnswers = {answer, int(desktop::ResultOk)};
        e.desktop.inputAnswers = {u"2.5"_s};
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        e.edits().addComponent(e.node(target), u"NEW"_s);

        QCOMPARE(e.desktop.asked.size(), 3);
        QVERIFY(e.desktop.asked.at(2).text.contains(u"2.5"_s));
        const auto question = e.desktop.asked.at(0);
        QCOMPARE(question.text, u"Make Target Item A Parent?"_s);
        QCOMPARE(question.title, u"Fabrilux"_s);
        QCOMPARE(question.style, desktop::YesNo | desktop::IconQuestion);
        // The second line names what each answer does, with the target and its assembly.
        const QString targetId = target.section(u'/', -1);
        const QString targetAssembly = target.contains(u'/') ? target.section(u'/', -2, -2) : "A";
        QCOMPARE(question.informative,
                 u"Yes: NEW goes into %1. No: beside %1, into %2."_s.arg(targetId, targetAssembly));
        const auto quantity = e.desktop.asked.at(1);
        QCOMPARE(quantity.kind, u"input"_s);
        // The prompt as it was, and under it the line the quantity is for.
        QCOMPARE(quantity.text, u"Enter the quantity required of the new component.\n"
                                u"NEW into %1, in EA"_s.arg(assembly));
        QCOMPARE(quantity.title, u"Add BOM Item"_s);
        QCOMPARE(quantity.defaultText, u"0"_s);

        QCOMPARE(e.outline(), outline);
        QCOMPARE(columnOf(e.database, assembly, "NEW", "bomQtyReq").toDouble(), 2.5);
        const QDateTime written = QDateTime::fromString(
            columnOf(e.database, assembly, "NEW", "StartDate").toString(), "yyyy-MM-dd HH:mm:ss");
        QVERIFY(written >= before && written <= QDateTime::currentDateTime());
        QCOMPARE(linesOf(e.database).size(), 4);
        QCOMPARE(e.status, u"Added the line %1 \u2192 NEW, quantity 2.5."_s.arg(assembly));
    }

    // A drop, a move and a paste onto one node ask the one question: its title, buttons and
    // notes on where else the two assemblies are used alike, only what goes said apart; Esc
    // writes nothing, and each answer names its assembly.
    void dropMoveAndPasteAskOneParentQuestion() {
        BillFile e(catalogue(), shared());
        e.editor.load(u"A"_s);
        const QStringList before = linesOf(e.database);
        e.desktop.messageAnswers = {desktop::ResultCancel, desktop::ResultCancel,
                                    desktop::ResultCancel, desktop::ResultYes, desktop::ResultNo};
        e.edits().addComponent(e.node(u"X/S"_s), u"NEW"_s);
        QCOMPARE(e.edits().moveLines({{u"S"_s, u"T"_s, 4.0}}, e.node(u"X/S"_s)),
                 tree::MoveOutcome::Kept);
        const QString pasted = u"the 2 pasted lines go"_s;
        QCOMPARE(e.edits().askParentAt(e.node(u"X/S"_s), pasted), std::nullopt);
        QCOMPARE(e.edits().askParentAt(e.node(u"X/S"_s), pasted), std::optional(u"S"_s));
        QCOMPARE(e.edits().askParentAt(e.node(u"X/S"_s), pasted), std::optional(u"X"_s));
        QCOMPARE(linesOf(e.database), before);

        QCOMPARE(e.desktop.asked.size(), 5);
        const QStringList subjects{u"NEW goes"_s, u"the 1 cut line moves"_s, pasted, pasted,
                                   pasted};
        for (int at = 0; at < subjects.size(); ++at) {
            const auto& question = e.desktop.asked.at(at);
            QCOMPARE(question.text, u"Make Target Item A Parent?"_s);
            QCOMPARE(question.title, u"Fabrilux"_s);
            QCOMPARE(question.style, desktop::YesNo | desktop::IconQuestion);
            QCOMPARE(question.informative,
                     u"Yes: %1 into S. No: beside S, into X.\n"
                     u"If Yes: S is also used in Y: the change shows there too."_s.arg(
                         subjects[at]));
        }
    }

    void dropShowsUnderEveryCopyWithItsStructure() {
        // S stands under X and under Y (one bill); K has a structure of its own, and stands
        // where its circular mark must be worked out from each place.
        BillFile e(catalogue(), {{"A", "X"}, {"A", "Y"}, {"X", "S"}, {"y", "s"}, {"S", "T"},
                                 {"K", "L"}, {"L", "k"}});
        e.editor.load(u"A"_s);
        e.desktop.messageAnswers = {desktop::ResultNo}; // beside T: under S
        e.desktop.inputAnswers = {u"1"_s};
        e.edits().addComponent(e.node(u"Y/s/T"_s), u"K"_s);
        // K comes with L, whose component is K again: circular, as a load marks it.
        QCOMPARE(e.outline(), u"X[S[K[L[k*]] T]] Y[s[K[L[k*]] T]]"_s);
        QCOMPARE(linesOf(e.database).filter(u">K"_s), QStringList{"s>K=1"});

        // Loaded for S itself, its own level is the place of S's lines.
        e.editor.load(u"s"_s);
        e.desktop.messageAnswers = {desktop::ResultNo};
        e.desktop.inputAnswers = {u"2"_s};
        e.edits().addComponent(e.node(u"K"_s), u"L"_s);
        QCOMPARE(e.outline(), u"K[L[k*]] L[k[L*]] T"_s);
    }

    void escapeAtTheParentQuestionCancelsTheDrop() {
        BillFile e(catalogue(), structure());
        e.editor.load(u"A"_s);
        e.desktop.messageAnswers = {desktop::ResultCancel}; // Esc, or the box closed
        e.desktop.inputAnswers = {u"1"_s};
        e.edits().addComponent(e.node(u"C"_s), u"NEW"_s);
        QCOMPARE(e.desktop.asked.size(), 1);
        QCOMPARE(e.outline(), u"B[D] C"_s);
        QCOMPARE(linesOf(e.database).size(), 3);
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
        BillFile e(catalogue(), structure());
        e.editor.load(u"A"_s);
        const QStringList lines = linesOf(e.database);
        e.desktop.messageAnswers = {desktop::ResultYes};
        e.desktop.inputAnswers = {typed};
        e.edits().addComponent(e.node(target), item);

        QCOMPARE(e.outline(), u"B[D] C"_s);
        QCOMPARE(linesOf(e.database), lines);
        // A line the database would refuse is refused before the quantity is asked for.
        const bool refusedByTheStore =
            number == store::DuplicateLine || number == store::CircularComponent;
        QCOMPARE(e.desktop.asked.size() > 1 && e.desktop.asked.at(1).kind == u"input",
                 !refusedByTheStore);
        const QStringList messages = e.desktop.messageTexts().mid(1);
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
        BillFile e(catalogue(), structure());
        e.editor.load(u"A"_s);
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
            e.desktop.asked.clear();
            e.desktop.messageAnswers = {desktop::ResultYes, cases[i].answer};
            e.desktop.inputAnswers = {QString::fromLatin1(cases[i].typed)};
            e.edits().addComponent(e.node(u"C"_s), QString::fromLatin1(items[i]));
            QCOMPARE(columnOf(e.database, "C", items[i], "bomQtyReq"), cases[i].written);
            const auto messages = e.desktop.messages();
            QCOMPARE(messages.size(), cases[i].answer ? 2 : 1);
            if (cases[i].answer) {
                QCOMPARE(messages.at(1).text,
                         u"Use Quantity %1?"_s.arg(QString::fromLatin1(cases[i].typed)));
                QCOMPARE(messages.at(1).style, desktop::YesNo | desktop::IconQuestion);
                QVERIFY(messages.at(1).informative.contains(u"C \u2192 %1"_s.arg(items[i])));
            }
        }
        QCOMPARE(e.outline(), u"B[D] C[D E NEW]"_s);

        // A typed quantity asks the same; No and Esc leave line and tree as they were.
        for (const int answer : {int(desktop::ResultNo), int(desktop::ResultCancel), int(desktop::ResultYes)}) {
            e.desktop.asked.clear();
            e.desktop.messageAnswers = {answer};
            e.edits().changeQuantity(e.node(u"B"_s), u"-0"_s);
            QCOMPARE(e.desktop.messageTexts(), QStringList{u"Use Quantity -0?"_s});
            const double stored = columnOf(e.database, "A", "B", "bomQtyReq").toDouble();
            QCOMPARE(stored, answer == desktop::ResultYes ? 0.0 : 1.0);
            QCOMPARE(e.model.quantity(e.node(u"B"_s)), std::optional<double>(stored));
        }
        // A quantity that is what the line holds already is no new mistake.
        e.desktop.asked.clear();
        e.edits().changeQuantity(e.node(u"B"_s), u"0"_s);
        QVERIFY(e.desktop.asked.isEmpty());
    }

    void dropWithNoDatabaseChosenAsksFirst() {
        BillFile e(catalogue(), structure());
        e.loadWhole(u"A"_s); // the database goes after the whole bill is in
        e.session.path.clear();
        e.desktop.messageAnswers = {desktop::ResultYes};
        e.desktop.inputAnswers = {u"1"_s};
        e.edits().addComponent(e.node(u"C"_s), u"NEW"_s); // the chooser is cancelled
        QCOMPARE(e.session.choosers, 1);
        QCOMPARE(e.desktop.messages().size(), 1);
        QCOMPARE(e.outline(), u"B[D] C"_s);
        QCOMPARE(linesOf(e.database).size(), 3);
    }

    void refusedSaveLeavesNoNode() {
        BillFile e(catalogue(), structure());
        e.loadWhole(u"A"_s); // the database goes after the whole bill is in
        QFile::remove(e.database);
        e.desktop.messageAnswers = {desktop::ResultYes};
        e.desktop.inputAnswers = {u"1"_s};
        e.edits().addComponent(e.node(u"C"_s), u"NEW"_s);
        QCOMPARE(e.outline(), u"B[D] C"_s);
        QVERIFY(e.desktop.messageTexts().last().startsWith(QString::number(store::FileNotFound)));
        QVERIFY(!QFile::exists(e.database));
    }

    void aDropOnTheEmptyTreeStartsANewBill() {
        BillFile e(catalogue(), shared());
        e.editor.load(u"NEW"_s);
        QCOMPARE(e.outline(), QString());
        e.desktop.inputAnswers = {u"2"_s};
        e.edits().addComponent({}, u"S"_s);
        QCOMPARE(e.desktop.asked.size(), 1); // only the quantity
        QCOMPARE(e.desktop.asked.first().kind, u"input"_s);
        QCOMPARE(columnOf(e.database, "NEW", "S", "bomQtyReq").toDouble(), 2.0);
        QCOMPARE(e.outline(), u"S[T]"_s);
        // On a tree with nodes, no node takes no drop.
        e.desktop.asked.clear();
        e.edits().addComponent({}, u"K"_s);
        QVERIFY(e.desktop.asked.isEmpty());
        // And with no item loaded, there is no bill to start.
        e.editor.load(QString());
        e.edits().addComponent({}, u"K"_s);
        QVERIFY(e.desktop.asked.isEmpty());
        QCOMPARE(linesOf(e.database).filter(u">K"_s), QStringList());
    }

    void deletesTheNodesOwnLine() {
        // D is a direct component of A and a component of B.
        BillFile e(catalogue(), {{"A", "B"}, {"A", "C"}, {"A", "D"}, {"B", "D"}, {"C", "E"}});
        e.editor.load(u"A"_s);
        e.desktop.messageAnswers = {desktop::ResultOk};
        e.edits().deleteComponent(e.node(u"B/D"_s));
        const auto confirm = e.desktop.messages().first();
        QCOMPARE(confirm.text, u"Delete Selected Item?"_s);
        QCOMPARE(confirm.title, u"Fabrilux"_s);
        QCOMPARE(confirm.style, desktop::OkCancel | desktop::IconStop);
        QCOMPARE(confirm.informative, u"Deletes the line B \u2192 D, quantity 1."_s);
        QCOMPARE(e.status, u"Deleted the line B \u2192 D, quantity 1."_s);
        QCOMPARE(e.outline(), u"B C[E] D"_s);
        QCOMPARE(linesOf(e.database), (QStringList{"A>B=1", "A>C=1", "A>D=1", "C>E=1"}));

        // A top-level node with children: its line goes, its own bill stays.
        e.desktop.messageAnswers = {desktop::ResultOk};
        e.edits().deleteComponent(e.node(u"C"_s));
        QCOMPARE(e.outline(), u"B D"_s);
        QCOMPARE(linesOf(e.database), (QStringList{"A>B=1", "A>D=1", "C>E=1"}));

        // Cancel, and no node, change nothing.
        e.desktop.asked.clear();
        e.edits().deleteComponent({});
        QVERIFY(e.desktop.asked.isEmpty());
        e.desktop.messageAnswers = {desktop::ResultCancel};
        e.edits().deleteComponent(e.node(u"D"_s));
        QCOMPARE(e.desktop.asked.size(), 1);
        QCOMPARE(e.outline(), u"B D"_s);
        QCOMPARE(linesOf(e.database).size(), 3);
    }

    void aLineChangedWhileTheDeleteQuestionIsUpIsNotDeleted() {
        // Another program sets B → D to 6 while "Deletes the line B → D, quantity 1." is asked.
        BillFile e(catalogue(), {{"A", "B"}, {"B", "D"}});
        e.editor.load(u"A"_s);
        e.desktop.messageAnswers = {desktop::ResultOk, desktop::ResultOk};
        e.desktop.onMessage = [&] {
            e.desktop.onMessage = {};
            execOn(e.database, {"UPDATE BomDetail SET bomQtyReq = 6 WHERE BomComp = 'D'"});
        };
        e.edits().deleteComponent(e.node(u"B/D"_s));
        const QStringList messages = e.desktop.messageTexts();
        QVERIFY2(messages.size() == 2 && messages[1].startsWith(u"1040 "_s),
                 qPrintable(messages.join(u'|')));
        QCOMPARE(linesOf(e.database), (QStringList{"A>B=1", "B>D=6"}));
        // The node shows the line as it now stands, and a second Delete, asked about it, goes.
        QCOMPARE(e.model.quantity(e.node(u"B/D"_s)), std::optional<double>(6));
        e.desktop.messageAnswers = {desktop::ResultOk};
        e.edits().deleteComponent(e.node(u"B/D"_s));
        QCOMPARE(linesOf(e.database), QStringList{"A>B=1"});
    }

    void deleteLeavesEveryCopyOfTheAssembly() {
        // S occurs under X and under Y; its component T shows twice, and the line S>T is one.
        BillFile e(catalogue(), {{"A", "X"}, {"A", "Y"}, {"X", "S"}, {"Y", "S"}, {"S", "T"}});
        e.editor.load(u"A"_s);
        e.desktop.messageAnswers = {desktop::ResultOk};
        e.edits().deleteComponent(e.node(u"X/S/T"_s));
        QCOMPARE(e.desktop.messageTexts(), QStringList{u"Delete Selected Item?"_s});
        QCOMPARE(e.outline(), u"X[S] Y[S]"_s);
        QCOMPARE(linesOf(e.database), (QStringList{"A>X=1", "A>Y=1", "X>S=1", "Y>S=1"}));
    }

    void lineGoneMeanwhileIsReportedAndItsNodesGo() {
        BillFile e(catalogue(), {{"A", "X"}, {"A", "Y"}, {"X", "S"}, {"Y", "S"}, {"S", "T"}});
        e.editor.load(u"A"_s);
        const QModelIndex stale = e.node(u"Y/S/T"_s);
        execOn(e.database, {u"DELETE FROM BomDetail WHERE BomID = 's'"_s});
        e.desktop.messageAnswers = {desktop::ResultOk, desktop::ResultOk};
        e.edits().deleteComponent(stale);
        const auto messages = e.desktop.messages();
        QCOMPARE(messages.size(), 2);
        QCOMPARE(messages.last().text, u"Error in Database!  This item can not be located!"_s);
        QCOMPARE(messages.last().title, u"Fabrilux"_s);
        QCOMPARE(messages.last().style, desktop::MessageStyle(desktop::IconStop));
        // The line is not there, so neither are its nodes.
        QCOMPARE(e.outline(), u"X[S] Y[S]"_s);
    }

    void deleteFailureIsReported() {
        BillFile e(catalogue(), structure());
        e.loadWhole(u"A"_s); // the database goes after the whole bill is in
        QFile::remove(e.database);
        e.desktop.messageAnswers = {desktop::ResultOk};
        e.edits().deleteComponent(e.node(u"C"_s));
        QCOMPARE(e.desktop.messages().size(), 2);
        QVERIFY(e.desktop.messageTexts().last().startsWith(QString::number(store::FileNotFound) + u' '));
        QCOMPARE(e.outline(), u"B[D] C"_s);
    }

    void quantityEditWritesTheLineAndEveryCopy() {
        BillFile e(catalogue(), shared());
        e.editor.load(u"A"_s);
        e.edits().changeQuantity(e.node(u"Y/S/T"_s), u"2.5"_s);
        QCOMPARE(columnOf(e.database, "S", "T", "bomQtyReq").toDouble(), 2.5);
        for (const char* path : {"X/S/T", "Y/S/T"})
            QCOMPARE(e.model.quantity(e.node(QString::fromLatin1(path))), std::optional<double>(2.5));
        // Extended: A needs 2 X, each 1 S, each 2.5 T.
        QCOMPARE(e.model.extendedQuantity(e.node(u"X/S/T"_s)), std::optional<double>(5));
        QCOMPARE(e.model.extendedQuantity(e.node(u"Y/S/T"_s)), std::optional<double>(7.5));
        QVERIFY2(e.difference().isEmpty(), qPrintable(e.difference()));
        QCOMPARE(e.history().undoText(), u"Change Quantity of T in S"_s);

        // What is not a number is refused, as in a drop.
        e.edits().changeQuantity(e.node(u"X/S"_s), u"two"_s);
        QCOMPARE(e.desktop.messages().size(), 1);
        QVERIFY(e.desktop.messageTexts().first().startsWith(QString::number(store::InvalidQuantity)));
        QCOMPARE(columnOf(e.database, "X", "S", "bomQtyReq").toDouble(), 1.0);
        QCOMPARE(e.history().count(), 1);
    }

    void aQuantityEditOnALineChangedElsewhereShowsTheLineAsStored() {
        BillFile e(catalogue(), shared());
        // The whole bill in, as the tree shows it, before another program changes it.
        e.loadWhole(u"A"_s);
        // Another program changes the quantity of S in X and deletes S from Y.
        execOn(e.database, {u"UPDATE BomDetail SET bomQtyReq = 9 WHERE BomID = 'X' AND BomComp = 'S'"_s,
                            u"DELETE FROM BomDetail WHERE BomID = 'Y' AND BomComp = 'S'"_s});
        e.edits().changeQuantity(e.node(u"X/S"_s), u"5"_s);
        e.edits().changeQuantity(e.node(u"Y/S"_s), u"5"_s);
        const QStringList said = e.desktop.messageTexts();
        QCOMPARE(said.size(), 2);
        for (const QString& text : said)
            QVERIFY2(text.startsWith(QString::number(store::LineChanged) + u' '), qPrintable(text));
        QCOMPARE(columnOf(e.database, "X", "S", "bomQtyReq").toDouble(), 9.0);
        QVERIFY2(e.difference().isEmpty(), qPrintable(e.difference()));
        QCOMPARE(e.outline(), u"X[S[T]] Y"_s);
        QVERIFY(!e.history().canUndo());
    }

    void editsReachTheClosedCopiesOfABill() {
        // X is used by A and by Y: an edit in its opened copy is what the closed one shows
        // when it is opened.
        BillFile e(catalogue(),
                   {{"A", "X"}, {"A", "Y"}, {"Y", "X"}, {"X", "S"}, {"X", "T"}, {"X", "K"}});
        tree::BomTreeModel& model = e.model;
        e.editor.load(u"A"_s);
        const QModelIndex x = model.index(0, 0);
        model.fetchMore(x);
        QCOMPARE(model.rowCount(x), 3);
        e.desktop.messageAnswers = {desktop::ResultOk};
        e.edits().deleteComponent(model.index(0, 0, x)); // K
        QCOMPARE(model.rowCount(x), 2);
        QCOMPARE(model.text(model.index(0, 0, x)), u"S"_s);
        e.edits().changeQuantity(model.index(0, 0, x), u"7"_s);
        QCOMPARE(columnOf(e.database, "X", "S", "bomQtyReq").toDouble(), 7.0);
        const QModelIndex y = model.index(1, 0);
        model.fetchMore(y);
        const QModelIndex xInY = model.index(0, 0, y);
        model.fetchMore(xInY);
        QCOMPARE(model.rowCount(xInY), 2);
        QCOMPARE(model.quantity(model.index(0, 0, xInY)), std::optional<double>(7));
        QCOMPARE(model.structureRows(), qint64(2 + 2 + 1 + 2));
        QCOMPARE(e.desktop.messageTexts(), QStringList{u"Delete Selected Item?"_s});
    }

    /// Cut and Paste, or a Shift+drag: one write of the lines at their new place, each with its
    /// quantity and start date, one step whose undo gives back the rows exactly, and one change
    /// set; the drop's checks refuse it whole.
    void aMoveIsOneStepThatKeepsTheLine_data() {
        QTest::addColumn<QString>("line");   // the node whose line moves
        QTest::addColumn<QString>("target"); // where it is pasted, with Yes
        QTest::addColumn<QString>("outline");
        QTest::addColumn<int>("refusal");   // 0: moved
        QTest::newRow("into another assembly") << "Y/S" << "C" << "C[S[T] ZZ] X[S[T]] Y" << 0;
        QTest::newRow("a bill travels with its line") << "X" << "C" << "C[X[S[T]] ZZ] Y[S[T]]" << 0;
        QTest::newRow("duplicate") << "Y/S" << "X" << "" << int(store::DuplicateLine);
        QTest::newRow("into its own bill") << "X" << "X/S/T" << "" << int(store::CircularComponent);
        QTest::newRow("onto itself") << "Y" << "Y" << "" << int(store::CircularComponent);
        QTest::newRow("an item not in the Item Master") << "C/ZZ" << "X" << "" << int(store::PasteUnknownItem);
    }
    void aMoveIsOneStepThatKeepsTheLine() {
        QFETCH(QString, line);
        QFETCH(QString, target);
        QFETCH(QString, outline);
        QFETCH(int, refusal);
        store::setFileHistoryKept(true);
        std::vector<Line> lines = shared();
        lines.push_back({"A", "C", 1});
        lines.push_back({"C", "ZZ", 1}); // an older line, for an item the Item Master lacks
        BillFile e(catalogue(), lines);
        execOn(e.database, {u"UPDATE BomDetail SET StartDate = '2019-03-04 05:06:07'"_s});
        e.editor.load(u"A"_s);
        const QStringList before = rowsOf(e.database);
        const QModelIndex node = e.node(line);
        e.desktop.messageAnswers = {desktop::ResultYes};
        const tree::MoveOutcome outcome = e.edits().moveLines(
            {{e.model.assemblyOf(node), e.model.text(node), e.model.quantity(node)}}, e.node(target));
        store::setFileHistoryKept(false);
        QCOMPARE(e.desktop.asked.at(0).text, u"Make Target Item A Parent?"_s);
        if (refusal) {
            QCOMPARE(outcome, tree::MoveOutcome::Kept);
            QCOMPARE(e.desktop.asked.size(), 2);
            QVERIFY2(e.desktop.asked.at(1).text.startsWith(QString::number(refusal) + u' '),
                     qPrintable(e.desktop.asked.at(1).text));
            QCOMPARE(rowsOf(e.database), before);
            QVERIFY(!e.history().canUndo());
            return;
        }
        QCOMPARE(outcome, tree::MoveOutcome::Moved);
        QCOMPARE(e.outline(), outline);
        QCOMPARE(e.difference(), QString());
        const QString moved = line.section(u'/', -1);
        const QString from = line.contains(u'/') ? line.section(u'/', -2, -2) : u"A"_s;
        QCOMPARE(columnOf(e.database, target, moved, "StartDate").toString(),
                 u"2019-03-04 05:06:07"_s);
        QCOMPARE(columnOf(e.database, target, moved, "bomQtyReq"),
                 QVariant(from == u"Y"_s ? 3.0 : 2.0));
        QVERIFY(!columnOf(e.database, from, moved, "bomQtyReq").isValid());
        QCOMPARE(e.model.startDate(e.node(target + u'/' + moved)), u"2019-03-04 05:06:07"_s);
        const QString step = u"Move %1 from %2 to %3"_s.arg(moved, from, target);
        QCOMPARE(e.history().undoText(), step);
        int sets = 0;
        qint64 last = -1;
        for (const store::ChangeRecord& change : store::openHistory(e.database)->changes({})) {
            QCOMPARE(change.command, step);
            sets += change.changeSet != last ? 1 : 0;
            last = change.changeSet;
        }
        QCOMPARE(sets, 1);

        QCOMPARE(e.history().undo(), tree::StepOutcome::Done);
        QCOMPARE(rowsOf(e.database), before);
        QCOMPARE(e.difference(), QString());
        QVERIFY(!e.history().canUndo());
    }

    /// A line another program changed or removed since the cut moves nowhere, and neither does
    /// any other line of the cut; the tree then shows it as stored.
    void aMoveOfALineChangedSinceItsCutIsRefused() {
        BillFile e(catalogue(), shared());
        e.editor.load(u"A"_s);
        const QModelIndex node = e.node(u"Y/S"_s);
        const std::vector<tree::MovedLine> cut = {
            {e.model.assemblyOf(node), e.model.text(node), e.model.quantity(node)},
            {u"A"_s, u"Y"_s, 1.0}};
        execOn(e.database, {u"UPDATE BomDetail SET bomQtyReq = 7 WHERE BomID = 'Y'"_s});
        const QStringList before = rowsOf(e.database);
        e.desktop.messageAnswers = {desktop::ResultNo}; // beside X: into A
        QCOMPARE(e.edits().moveLines(cut, e.node(u"X"_s)), tree::MoveOutcome::Stale);
        QCOMPARE(rowsOf(e.database), before);
        QVERIFY(e.desktop.asked.at(1).text.startsWith(QString::number(store::LineChanged) + u' '));
        QVERIFY(e.desktop.asked.at(1).text.contains(u"Y \u2192 S"_s));
        QCOMPARE(e.difference(), QString());
        QVERIFY(!e.history().canUndo());
    }
};

QTEST_MAIN(LineEditsTest)
#include "line_edits_test.moc"
