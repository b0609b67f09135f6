// Quantity edits in place, Undo and Redo of every edit, and the first component of a new bill.

#include "desktop/Desktop.h"
#include "shell/window/BomTreeView.h"
#include "store/StoreError.h"
#include "support/TreeCompare.h"
#include "support/WindowFixture.h"
#include "tree/BomTreeModel.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

namespace {

std::vector<ItemRow> catalogue() {
    std::vector<ItemRow> items;
    for (const char* id : {"A", "X", "Y", "S", "T", "K", "NEW"})
        items.push_back({QString::fromLatin1(id), {}, {}});
    return items;
}

// S stands under X and under Y: one bill, two copies.
std::vector<Line> shared() {
    return {{"A", "X", 2}, {"A", "Y", 1}, {"X", "S", 1}, {"Y", "S", 3}, {"S", "T", 4}};
}

/// Every column of every line, StartDate included, to tell a line put back exactly.
QStringList rows(const QString& database) {
    QStringList result;
    for (const QString& line : linesOf(database)) {
        const QString assembly = line.section(u'>', 0, 0);
        const QString component = line.section(u'>', 1).section(u'=', 0, 0);
        result.append(line + u'@' + columnOf(database, assembly, component, "StartDate").toString());
    }
    return result;
}

QAction* action(WindowFixture& f, const char* name) {
    return f.window().findChild<QAction*>(QLatin1StringView(name));
}

/// Opens the quantity editor of the node with F2, as a user does; null when none opened.
QLineEdit* openEditor(WindowFixture& f, const QModelIndex& node) {
    f.tree().setFocus();
    f.tree().setCurrentIndex(node);
    QTest::keyClick(&f.tree(), Qt::Key_F2);
    for (QLineEdit* editor : f.tree().viewport()->findChildren<QLineEdit*>())
        if (editor->isVisible())
            return editor;
    return nullptr;
}

/// Types a quantity into the node's quantity cell as the view's editor commits it.
void typeQuantity(WindowFixture& f, const QModelIndex& node, const QString& text) {
    f.model().setData(node.siblingAtColumn(tree::QuantityColumn), text);
    QCoreApplication::processEvents();
}

} // namespace

class HistoryTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void quantityEditWritesTheLineAndEveryCopy() {
        WindowFixture f(catalogue(), shared());
        f.load(QStringLiteral("A"));
        typeQuantity(f, f.node("Y/S/T"), QStringLiteral("2.5"));
        QCOMPARE(columnOf(f.database, "S", "T", "bomQtyReq").toDouble(), 2.5);
        for (const char* path : {"X/S/T", "Y/S/T"})
            QCOMPARE(f.model().quantity(f.node(QString::fromLatin1(path))), std::optional<double>(2.5));
        // Extended: A needs 2 X, each 1 S, each 2.5 T.
        QCOMPARE(f.model().extendedQuantity(f.node("X/S/T")), std::optional<double>(5));
        QCOMPARE(f.model().extendedQuantity(f.node("Y/S/T")), std::optional<double>(7.5));
        QVERIFY(differenceFromFreshLoad(f).isEmpty());
        QCOMPARE(action(f, "mnuUndo")->text(), QStringLiteral("&Undo Change Quantity of T in S"));

        // The statistics of the current node follow its quantity, and its undo.
        f.click(f.node("X/S/T"));
        QCOMPARE(f.label("Label8").text(), QStringLiteral("2.5"));
        typeQuantity(f, f.node("X/S/T"), QStringLiteral("6"));
        QCOMPARE(f.label("Label8").text(), QStringLiteral("6"));
        action(f, "mnuUndo")->trigger();
        QCOMPARE(f.label("Label8").text(), QStringLiteral("2.5"));

        // What is not a number is refused, as in a drop.
        typeQuantity(f, f.node("X/S"), QStringLiteral("two"));
        QCOMPARE(f.desktop.messages().size(), 1);
        QVERIFY(f.desktop.messageTexts().first().startsWith(QString::number(store::InvalidQuantity)));
        QCOMPARE(columnOf(f.database, "X", "S", "bomQtyReq").toDouble(), 1.0);
    }

    void f2EditsTheQuantityOfTheCurrentNode() {
        WindowFixture f(catalogue(), shared());
        f.load(QStringLiteral("A"));
        f.tree().setFocus();
        f.tree().setCurrentIndex(f.node("X"));
        QTest::keyClick(&f.tree(), Qt::Key_F2);
        auto* editor = f.tree().viewport()->findChild<QLineEdit*>();
        QVERIFY(editor);
        QCOMPARE(editor->text(), QStringLiteral("2"));
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("6"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(columnOf(f.database, "A", "X", "bomQtyReq").toDouble(), 6.0);
        QCOMPARE(f.model().text(f.tree().currentIndex()), QStringLiteral("X"));
    }

    void undoAndRedoWalkTheWholeHistory() {
        WindowFixture f(catalogue(), shared());
        const QStringList before = rows(f.database);
        f.load(QStringLiteral("A"));
        f.desktop.messageAnswers = {desktop::ResultYes};
        f.desktop.inputAnswers = {QStringLiteral("5")};
        f.drop(QStringLiteral("K"), f.node("X/S"));        // add S>K, under both copies
        f.desktop.messageAnswers = {desktop::ResultOk};
        f.pressDelete(f.node("Y/S/T"));                     // delete S>T, from both copies
        typeQuantity(f, f.node("Y"), QStringLiteral("9"));  // change A>Y
        const QStringList after = rows(f.database);
        QCOMPARE(after.size(), before.size());
        QCOMPARE(action(f, "mnuUndo")->text(), QStringLiteral("&Undo Change Quantity of Y in A"));

        QAction* undo = action(f, "mnuUndo");
        QAction* redo = action(f, "mnuRedo");
        undo->trigger();
        QCOMPARE(action(f, "mnuUndo")->text(), QStringLiteral("&Undo Delete T from S"));
        undo->trigger();
        QVERIFY2(differenceFromFreshLoad(f).isEmpty(), qPrintable(differenceFromFreshLoad(f)));
        QCOMPARE(f.outline(), QStringLiteral("X[S[K T]] Y[S[K T]]"));
        undo->trigger();
        QVERIFY(!undo->isEnabled());
        // Row by row as it was, StartDate of the deleted line included.
        QCOMPARE(rows(f.database), before);
        QVERIFY2(differenceFromFreshLoad(f).isEmpty(), qPrintable(differenceFromFreshLoad(f)));

        for (int i = 0; i < 3; ++i)
            redo->trigger();
        QVERIFY(!redo->isEnabled());
        QCOMPARE(linesOf(f.database), [&] {
            QStringList plain;
            for (const QString& row : after)
                plain.append(row.section(u'@', 0, 0));
            return plain;
        }());
        QVERIFY2(differenceFromFreshLoad(f).isEmpty(), qPrintable(differenceFromFreshLoad(f)));
        QCOMPARE(f.outline(), QStringLiteral("X[S[K]] Y[S[K]]"));
        QVERIFY(f.desktop.messageTexts().filter(QStringLiteral("10")).isEmpty());
    }

    void anUndoThatWouldOverwriteAnotherProgramIsRefused() {
        WindowFixture f(catalogue(), shared());
        f.load(QStringLiteral("A"));
        f.desktop.messageAnswers = {desktop::ResultOk};
        f.pressDelete(f.node("X/S/T"));
        // Another program puts a line of the same pair back, with its own quantity.
        execOn(f.database, {QStringLiteral("INSERT INTO BomDetail VALUES ('S', 'T', 8, NULL)")});
        f.desktop.asked.clear();
        action(f, "mnuUndo")->trigger();
        QCOMPARE(f.desktop.messages().size(), 1);
        QVERIFY2(f.desktop.messageTexts().first().startsWith(QString::number(store::LineChanged) + u' '),
                 qPrintable(f.desktop.messageTexts().first()));
        QCOMPARE(columnOf(f.database, "S", "T", "bomQtyReq").toDouble(), 8.0);
        QVERIFY(!action(f, "mnuUndo")->isEnabled());

        // A quantity changed meanwhile is not overwritten either.
        typeQuantity(f, f.node("X"), QStringLiteral("3"));
        execOn(f.database, {QStringLiteral("UPDATE BomDetail SET bomQtyReq = 11 WHERE BomID = 'A' AND BomComp = 'X'")});
        action(f, "mnuUndo")->trigger();
        QVERIFY(f.desktop.messageTexts().last().startsWith(QString::number(store::LineChanged) + u' '));
        QCOMPARE(columnOf(f.database, "A", "X", "bomQtyReq").toDouble(), 11.0);
        // After the refusal the tree shows the line as the database holds it.
        QVERIFY2(differenceFromFreshLoad(f).isEmpty(), qPrintable(differenceFromFreshLoad(f)));
    }

    void aQuantityEditOnALineChangedElsewhereShowsTheLineAsStored() {
        WindowFixture f(catalogue(), shared());
        f.load(QStringLiteral("A"));
        // Another program changes the quantity of S in X and deletes S from Y.
        execOn(f.database, {QStringLiteral("UPDATE BomDetail SET bomQtyReq = 9 WHERE BomID = 'X' AND BomComp = 'S'"),
                            QStringLiteral("DELETE FROM BomDetail WHERE BomID = 'Y' AND BomComp = 'S'")});
        typeQuantity(f, f.node("X/S"), QStringLiteral("5"));
        typeQuantity(f, f.node("Y/S"), QStringLiteral("5"));
        const QStringList said = f.desktop.messageTexts();
        QCOMPARE(said.size(), 2);
        for (const QString& text : said)
            QVERIFY2(text.startsWith(QString::number(store::LineChanged) + u' '), qPrintable(text));
        QCOMPARE(columnOf(f.database, "X", "S", "bomQtyReq").toDouble(), 9.0);
        QVERIFY2(differenceFromFreshLoad(f).isEmpty(), qPrintable(differenceFromFreshLoad(f)));
        QCOMPARE(f.outline(), QStringLiteral("X[S[T]] Y"));
        QVERIFY(!action(f, "mnuUndo")->isEnabled());
    }

    void aDropOnTheEmptyTreeStartsANewBill() {
        WindowFixture f(catalogue(), shared());
        f.load(QStringLiteral("NEW"));
        QCOMPARE(f.outline(), QString());
        f.desktop.inputAnswers = {QStringLiteral("2")};
        f.drop(QStringLiteral("S"), {});
        QCOMPARE(f.desktop.asked.size(), 1); // only the quantity
        QCOMPARE(f.desktop.asked.first().kind, QStringLiteral("input"));
        QCOMPARE(columnOf(f.database, "NEW", "S", "bomQtyReq").toDouble(), 2.0);
        QCOMPARE(f.outline(), QStringLiteral("S[T]"));
        // On a tree with nodes, empty space still takes no drop.
        f.desktop.asked.clear();
        f.drop(QStringLiteral("K"), {});
        QVERIFY(f.desktop.asked.isEmpty());
        // And with no item loaded, there is no bill to start.
        f.load(QString());
        f.drop(QStringLiteral("K"), {});
        QVERIFY(f.desktop.asked.isEmpty());
    }

    void f2AndEnterWithoutTypingWritesNothing() {
        // 17 significant digits, shown with 15; a Null quantity; an '&' in an ID.
        const double seventeen = 0.30000000000000004;
        WindowFixture f({{"A", {}, {}}, {"R&D", {}, {}}, {"N", {}, {}}},
                        {{"A", "R&D", seventeen}, {"A", "N", QVariant()}});
        f.load(QStringLiteral("A"));
        for (const char* path : {"R&D", "N"}) {
            QLineEdit* editor = openEditor(f, f.node(QString::fromLatin1(path)));
            QVERIFY(editor);
            QTest::keyClick(editor, Qt::Key_Return);
            QCoreApplication::processEvents();
        }
        QCOMPARE(columnOf(f.database, "A", "R&D", "bomQtyReq").toDouble(), seventeen);
        QVERIFY(columnOf(f.database, "A", "N", "bomQtyReq").isNull());
        QCOMPARE(f.desktop.messageTexts(), QStringList());
        QVERIFY(!action(f, "mnuUndo")->isEnabled());

        // The menu items show the '&' as text; the undo puts back every digit.
        typeQuantity(f, f.node("R&D"), QStringLiteral("2"));
        QCOMPARE(action(f, "mnuUndo")->text(), QStringLiteral("&Undo Change Quantity of R&&D in A"));
        action(f, "mnuUndo")->trigger();
        QCOMPARE(action(f, "mnuRedo")->text(), QStringLiteral("&Redo Change Quantity of R&&D in A"));
        QCOMPARE(columnOf(f.database, "A", "R&D", "bomQtyReq").toDouble(), seventeen);
    }

    void anUndoFindsTheWholeLineAsTheEditLeftIt() {
        WindowFixture f(catalogue(), shared());
        f.load(QStringLiteral("A"));
        typeQuantity(f, f.node("Y"), QStringLiteral("9"));
        // Another program deletes the line and adds it again: the same quantity, another start.
        execOn(f.database,
               {QStringLiteral("DELETE FROM BomDetail WHERE BomID = 'A' AND BomComp = 'Y'"),
                QStringLiteral("INSERT INTO BomDetail VALUES ('A', 'Y', 9, '2031-05-05 00:00:00')")});
        action(f, "mnuUndo")->trigger();
        QCOMPARE(f.desktop.messageTexts().size(), 1);
        QVERIFY2(f.desktop.messageTexts().first().startsWith(QString::number(store::LineChanged) + u' '),
                 qPrintable(f.desktop.messageTexts().first()));
        QCOMPARE(columnOf(f.database, "A", "Y", "bomQtyReq").toDouble(), 9.0);
        QVERIFY(!action(f, "mnuUndo")->isEnabled());
        QVERIFY(!action(f, "mnuRedo")->isEnabled());
    }

    void aStepRefusedForAPassingCauseStaysWhereItStood() {
        WindowFixture f(catalogue(), shared());
        f.load(QStringLiteral("A"));
        f.desktop.messageAnswers = {desktop::ResultOk};
        f.pressDelete(f.node("Y/S/T"));
        typeQuantity(f, f.node("Y"), QStringLiteral("9"));
        QAction* undo = action(f, "mnuUndo");
        QAction* redo = action(f, "mnuRedo");
        // The database is away while the step is tried (moved, a share unmounted).
        const QString away = f.database + QStringLiteral(".away");
        const auto refusedWhileAway = [&](QAction* step) {
            QVERIFY(QFile::rename(f.database, away));
            f.desktop.asked.clear();
            step->trigger();
            QVERIFY(QFile::rename(away, f.database));
            QCOMPARE(f.desktop.messageTexts().size(), 1);
            QVERIFY2(f.desktop.messageTexts().first().startsWith(QString::number(store::FileNotFound) + u' '),
                     qPrintable(f.desktop.messageTexts().first()));
            // The status does not report the step as taken.
            const QString expected = step == undo ? QStringLiteral("Not undone: ") : QStringLiteral("Not redone: ");
            QVERIFY2(f.status().startsWith(expected), qPrintable(f.status()));
        };
        const QString undoChange = QStringLiteral("&Undo Change Quantity of Y in A");
        const QString redoChange = QStringLiteral("&Redo Change Quantity of Y in A");
        const QString undoDelete = QStringLiteral("&Undo Delete T from S");

        refusedWhileAway(undo);
        QCOMPARE(undo->text(), undoChange);
        QVERIFY(!redo->isEnabled());
        QCOMPARE(columnOf(f.database, "A", "Y", "bomQtyReq").toDouble(), 9.0);
        undo->trigger();
        QCOMPARE(columnOf(f.database, "A", "Y", "bomQtyReq").toDouble(), 1.0);

        // A refused redo offers the same redo again, and the undo before it.
        refusedWhileAway(redo);
        QCOMPARE(redo->text(), redoChange);
        QCOMPARE(undo->text(), undoDelete);
        QCOMPARE(columnOf(f.database, "A", "Y", "bomQtyReq").toDouble(), 1.0);
        redo->trigger();
        QCOMPARE(columnOf(f.database, "A", "Y", "bomQtyReq").toDouble(), 9.0);
        QCOMPARE(undo->text(), undoChange);

        // The delete's undo and redo as well.
        undo->trigger();
        refusedWhileAway(undo);
        QCOMPARE(undo->text(), undoDelete);
        QCOMPARE(redo->text(), redoChange);
        undo->trigger();
        QCOMPARE(columnOf(f.database, "S", "T", "bomQtyReq").toDouble(), 4.0);
        refusedWhileAway(redo);
        QCOMPARE(redo->text(), QStringLiteral("&Redo Delete T from S"));
        QVERIFY(!undo->isEnabled());
        QVERIFY2(differenceFromFreshLoad(f).isEmpty(), qPrintable(differenceFromFreshLoad(f)));
    }

    void aQuantityThatIsNotANumberCanBeSetRight() {
        WindowFixture f(catalogue(), shared());
        // Another program wrote text where a quantity belongs.
        execOn(f.database, {QStringLiteral("UPDATE BomDetail SET bomQtyReq = 'abc' WHERE BomID = "
                                           "'A' AND BomComp = 'Y'")});
        f.load(QStringLiteral("A"));
        QCOMPARE(f.model().quantity(f.node("Y")), std::nullopt);
        typeQuantity(f, f.node("Y"), QStringLiteral("4"));
        QCOMPARE(f.desktop.messageTexts(), QStringList());
        QCOMPARE(columnOf(f.database, "A", "Y", "bomQtyReq").toDouble(), 4.0);
        QCOMPARE(f.model().quantity(f.node("Y")), std::optional<double>(4));
        // The undo puts back what was there, text and all.
        action(f, "mnuUndo")->trigger();
        QCOMPARE(columnOf(f.database, "A", "Y", "bomQtyReq"), QVariant(QStringLiteral("abc")));
        QCOMPARE(f.model().quantity(f.node("Y")), std::nullopt);
        action(f, "mnuRedo")->trigger();
        QCOMPARE(columnOf(f.database, "A", "Y", "bomQtyReq").toDouble(), 4.0);
        QVERIFY(f.desktop.messageTexts().filter(QString::number(store::LineChanged)).isEmpty());
    }

    void aRefusedStepOfManyLinesReadsThemBackAtOnce() {
        // Thirty lines of K, deleted as one step.
        std::vector<ItemRow> items = catalogue();
        std::vector<Line> lines = shared();
        constexpr int Many = 30;
        for (int i = 0; i < Many; ++i) {
            items.push_back({QStringLiteral("P%1").arg(i, 2, 10, QChar(u'0')), {}, {}});
            lines.push_back({"K", items.back().id, 1});
        }
        WindowFixture f(items, lines);
        f.load(QStringLiteral("K"));
        const auto deleteAll = [&] {
            f.click(f.node("P00"));
            QTest::keyClick(&f.tree(), Qt::Key_End, Qt::ShiftModifier);
            f.desktop.messageAnswers = {desktop::ResultOk};
            QTest::keyClick(&f.tree(), Qt::Key_Delete);
            QCOMPARE(f.outline(), QString());
        };
        // The step's lines are read back in one call however many there are: the calls the
        // refused step waited for, and the tree as the database holds it.
        const auto refused = [&](QAction* step, store::ErrorNumber number) {
            f.desktop.asked.clear();
            const qsizetype waited = f.desktop.waitLabels.size();
            step->trigger();
            QCOMPARE(f.desktop.messageTexts().size(), 1);
            QVERIFY2(f.desktop.messageTexts().first().startsWith(QString::number(number) + u' '),
                     qPrintable(f.desktop.messageTexts().first()));
            const qsizetype calls = f.desktop.waitLabels.size() - waited;
            QVERIFY2(calls < Many / 3, qPrintable(QString::number(calls)));
            QVERIFY2(differenceFromFreshLoad(f).isEmpty(), qPrintable(differenceFromFreshLoad(f)));
        };
        QAction* undo = action(f, "mnuUndo");
        QAction* redo = action(f, "mnuRedo");

        // Another program changes a quantity of a line put back by the undo: the redo is refused.
        deleteAll();
        undo->trigger();
        execOn(f.database, {QStringLiteral("UPDATE BomDetail SET bomQtyReq = 8 WHERE BomID = 'K' AND BomComp = 'P07'")});
        refused(redo, store::LineChanged);
        QCOMPARE(f.model().quantity(f.node("P07")), std::optional<double>(8));

        // It puts one of the deleted lines back: the undo is refused.
        deleteAll();
        execOn(f.database, {QStringLiteral("INSERT INTO BomDetail VALUES ('K', 'P07', 9, NULL)")});
        refused(undo, store::DuplicateLine);
        QCOMPARE(f.outline(), QStringLiteral("P07"));
    }

    void anotherDatabaseStartsAnEmptyHistory() {
        WindowFixture f(catalogue(), shared());
        f.load(QStringLiteral("A"));
        typeQuantity(f, f.node("X"), QStringLiteral("3"));
        QVERIFY(action(f, "mnuUndo")->isEnabled());
        QTemporaryDir other;
        const QString file = other.filePath(QStringLiteral("other.db"));
        writeDatabase(file, catalogue(), shared());
        f.desktop.fileAnswers = {file};
        action(f, "mnuOpen")->trigger();
        QVERIFY(!action(f, "mnuUndo")->isEnabled());
    }
};

QTEST_MAIN(HistoryTest)
#include "history_test.moc"
