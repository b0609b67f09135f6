// Quantity edits in place and Undo and Redo through the window: the view's editor, the menu's
// texts and states, the statistics that follow.

#include "desktop/Desktop.h"
#include "shell/window/BomTreeView.h"
#include "support/TreeCompare.h"
#include "support/WindowFixture.h"
#include "tree/bill/BomTreeModel.h"

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
    // What a quantity edit writes and shows, and its refusals: tests/tree/line_edits_test.
    void aQuantityEditNamesItsUndoAndTheStatisticsFollow() {
        WindowFixture f(catalogue(), shared());
        f.load(QStringLiteral("A"));
        typeQuantity(f, f.node("Y/S/T"), QStringLiteral("2.5"));
        QCOMPARE(columnOf(f.database, "S", "T", "bomQtyReq").toDouble(), 2.5);
        QCOMPARE(action(f, "mnuUndo")->text(), QStringLiteral("&Undo Change Quantity of T in S"));

        // The statistics of the current node follow its quantity, and its undo.
        f.click(f.node("X/S/T"));
        QCOMPARE(f.label("Label8").text(), QStringLiteral("2.5"));
        typeQuantity(f, f.node("X/S/T"), QStringLiteral("6"));
        QCOMPARE(f.label("Label8").text(), QStringLiteral("6"));
        action(f, "mnuUndo")->trigger();
        QCOMPARE(f.label("Label8").text(), QStringLiteral("2.5"));
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

    // Every step's write, refusal and outcome: tests/tree/edit_history_test.
    void undoAndRedoThroughTheMenu() {
        WindowFixture f(catalogue(), shared());
        const QStringList before = rowsOf(f.database);
        f.load(QStringLiteral("A"));
        f.desktop.messageAnswers = {desktop::ResultOk};
        f.pressDelete(f.node("Y/S/T"));                     // delete S>T, from both copies
        typeQuantity(f, f.node("Y"), QStringLiteral("9"));  // change A>Y
        QAction* undo = action(f, "mnuUndo");
        QAction* redo = action(f, "mnuRedo");
        QCOMPARE(undo->text(), QStringLiteral("&Undo Change Quantity of Y in A"));
        QVERIFY(!redo->isEnabled());

        // A step refused while the database is away stays on offer, and the status says so.
        const QString away = f.database + QStringLiteral(".away");
        QVERIFY(QFile::rename(f.database, away));
        undo->trigger();
        QVERIFY(QFile::rename(away, f.database));
        QVERIFY2(f.status().startsWith(QStringLiteral("Not undone: ")), qPrintable(f.status()));
        QCOMPARE(undo->text(), QStringLiteral("&Undo Change Quantity of Y in A"));
        QVERIFY(!redo->isEnabled());

        undo->trigger();
        QCOMPARE(undo->text(), QStringLiteral("&Undo Delete T from S"));
        QCOMPARE(redo->text(), QStringLiteral("&Redo Change Quantity of Y in A"));
        undo->trigger();
        QVERIFY(!undo->isEnabled());
        QCOMPARE(rowsOf(f.database), before);
        QVERIFY2(differenceFromFreshLoad(f).isEmpty(), qPrintable(differenceFromFreshLoad(f)));
        redo->trigger();
        redo->trigger();
        QVERIFY(!redo->isEnabled());
        QCOMPARE(f.outline(), QStringLiteral("X[S] Y[S]"));
        QCOMPARE(columnOf(f.database, "A", "Y", "bomQtyReq").toDouble(), 9.0);
        QVERIFY2(differenceFromFreshLoad(f).isEmpty(), qPrintable(differenceFromFreshLoad(f)));
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
