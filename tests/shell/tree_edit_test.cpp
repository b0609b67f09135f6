#include "desktop/Desktop.h"
#include "shell/database/DatabaseChoice.h"
#include "shell/window/BomTreeView.h"
#include "shell/window/ItemList.h"
#include "shell/window/NodeCommands.h"
#include "support/WindowFixture.h"
#include "tree/bill/BomTreeModel.h"

#include <QApplication>
#include <QDialog>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QLineEdit>
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

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
    // A fraction of a unit counted in whole pieces is asked about once before it is written
    // (Cancel writes nothing) and marked once it is; Tools ▸ Options… changes the units, which
    // the tree follows at once and the settings keep for the next window.
    void wholePieceUnitsAreAskedAboutAndKeptInTheOptions() {
        WindowFixture f({{"TOP", {}, "EA"}, {"NUT", {}, "pcs"}, {"OIL", {}, "L"}},
                        {{"TOP", "NUT", 2}, {"TOP", "OIL", 1}});
        const QStringList before = rowsOf(f.database);
        f.load(QStringLiteral("TOP"));
        const auto notWhole = [&](const char* id) {
            return f.model().problemsOf(f.node(QString::fromLatin1(id)))
                .testFlag(tree::LineProblem::NotWhole);
        };
        const auto type = [&](const char* id, const char* quantity) {
            f.model().setData(f.node(QString::fromLatin1(id)).siblingAtColumn(tree::QuantityColumn),
                              QString::fromLatin1(quantity));
            // The window writes a typed quantity once the view's editor has closed (queued).
            QCoreApplication::processEvents();
        };
        f.desktop.messageAnswers = {desktop::ResultCancel};
        type("NUT", "2.5");
        QCOMPARE(f.desktop.messages().size(), 1);
        QCOMPARE(f.desktop.messages().last().text, QStringLiteral("Use 2.5 pcs?"));
        QCOMPARE(rowsOf(f.database), before);
        QVERIFY(!notWhole("NUT"));
        f.desktop.messageAnswers = {desktop::ResultOk};
        type("NUT", "2.5");
        QCOMPARE(f.desktop.messages().size(), 2);
        QVERIFY(rowsOf(f.database).join(u' ').contains(u"TOP>NUT=2.5@"));
        QVERIFY(notWhole("NUT"));
        type("OIL", "0.5"); // litres are not counted whole: no question
        QCOMPARE(f.desktop.messages().size(), 2);
        QVERIFY(!notWhole("OIL"));

        QString offered;
        f.desktop.dialogAnswers = {[&](QDialog& dialog) {
            auto* units = dialog.findChild<QLineEdit*>(QStringLiteral("optionsWholeUnits"));
            offered = units->text();
            units->setText(QStringLiteral(" l; Kg "));
            return int(QDialog::Accepted);
        }};
        f.window().findChild<QAction*>(QStringLiteral("mnuOptions"))->trigger();
        QCOMPARE(offered, QStringLiteral("EA, PC, PCS, NOS, each"));
        QVERIFY(!notWhole("NUT"));
        QVERIFY(notWhole("OIL"));
        QCOMPARE(QSettings(f.folder() + QStringLiteral("/settings.ini"), QSettings::IniFormat)
                     .value(QStringLiteral("Options/WholeNumberUnits")),
                 QVariant(QStringLiteral("l, Kg")));
    }

    // The drop's questions, refusals and what it writes and shows: tests/tree/line_edits_test.
    void aDropWritesAndShowsAndLeavesTheViewAsItWas() {
        std::vector<ItemRow> items = catalogue();
        for (const char* id : {"X", "Y", "S"})
            items.push_back({QString::fromLatin1(id), {}, {}});
        WindowFixture f(items, {{"A", "X"}, {"A", "Y"}, {"X", "S"}, {"Y", "S"}});
        f.load(QStringLiteral("A"));
        f.Text1().setText(QStringLiteral("C")); // edited after the load: not the assembly
        f.tree().expand(f.node("X"));
        f.tree().setCurrentIndex(f.node("X"));
        f.desktop.messageAnswers = {desktop::ResultNo}; // beside Y: into A
        f.desktop.inputAnswers = {QStringLiteral("2.5")};
        f.drop(QStringLiteral("NEW"), f.node("Y"));
        QCOMPARE(f.desktop.asked.size(), 2);
        QCOMPARE(f.outline(), QStringLiteral("NEW X[S] Y[S]"));
        QCOMPARE(columnOf(f.database, "A", "NEW", "bomQtyReq").toDouble(), 2.5);
        QCOMPARE(f.status(), QStringLiteral("Added the line A \u2192 NEW, quantity 2.5."));
        // Untouched nodes keep their state; only the selected row looks selected.
        QVERIFY(f.tree().isExpanded(f.node("X")));
        QVERIFY(!f.tree().isExpanded(f.node("Y")));
        QCOMPARE(f.tree().selectedNode(), f.node("X"));
        QVERIFY(!f.tree().dropHighlight().isValid());
        // The list does not change.
        QCOMPARE(f.list().items().size(), 9);

        // Esc at the question: nothing written, and no node stays marked.
        f.desktop.asked.clear();
        f.desktop.messageAnswers = {desktop::ResultCancel};
        f.drop(QStringLiteral("E"), f.node("Y"));
        QCOMPARE(f.desktop.asked.size(), 1);
        QCOMPARE(linesOf(f.database).size(), 5);
        QVERIFY(!f.tree().dropHighlight().isValid());
        // Nor does a refused one: X lists S already.
        f.desktop.messageAnswers = {desktop::ResultYes};
        f.drop(QStringLiteral("S"), f.node("X"));
        QVERIFY(f.desktop.messageTexts().last().startsWith(QStringLiteral("1022 ")));
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

    // The Delete's question, its refusals and what it writes and shows:
    // tests/tree/line_edits_test.
    void deleteKeysDeleteTheNodesOwnLine() {
        // D is a direct component of A and a component of B.
        WindowFixture f(catalogue(), {{"A", "B"}, {"A", "C"}, {"A", "D"}, {"B", "D"}, {"C", "E"}});
        f.load(QStringLiteral("A"));
        QTest::keyClick(&f.tree(), Qt::Key_Delete); // nothing selected
        QVERIFY(f.desktop.asked.isEmpty());
        f.Text1().setText(QStringLiteral("B")); // edited after the load: not the assembly
        f.tree().expand(f.node("C"));
        f.desktop.messageAnswers = {desktop::ResultOk};
        f.pressDelete(f.node("B/D"));
        QCOMPARE(f.desktop.messageTexts(), QStringList{QStringLiteral("Delete Selected Item?")});
        QCOMPARE(f.status(), QStringLiteral("Deleted the line B \u2192 D, quantity 1."));
        QCOMPARE(f.outline(), QStringLiteral("B C[E] D"));
        QCOMPARE(linesOf(f.database), (QStringList{"A>B=1", "A>C=1", "A>D=1", "C>E=1"}));
        // Untouched nodes keep their state.
        QVERIFY(f.tree().isExpanded(f.node("C")));

        // Shift+Delete and Ctrl+Delete delete as Delete does.
        f.desktop.messageAnswers = {desktop::ResultOk};
        f.pressDelete(f.node("C"), Qt::ShiftModifier);
        QCOMPARE(f.outline(), QStringLiteral("B D"));
        QCOMPARE(linesOf(f.database), (QStringList{"A>B=1", "A>D=1", "C>E=1"}));
        f.desktop.messageAnswers = {desktop::ResultOk};
        f.pressDelete(f.node("D"), Qt::ControlModifier);
        QCOMPARE(f.outline(), QStringLiteral("B"));
        QCOMPARE(f.desktop.messages().size(), 3);
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

    /// Cut and Paste from the keyboard move the line, greyed until then; Esc keeps it where it
    /// is; Undo puts it back. A Shift+drag moves as they do. What the move checks and writes:
    /// tests/tree/line_edits_test.
    void cutAndPasteMoveTheLine() {
        WindowFixture f(catalogue(), structure());
        f.load(QStringLiteral("A"));
        f.tree().setFocus();
        f.tree().expand(f.node("B"));
        f.tree().setCurrentIndex(f.node("B/D"));
        QTest::keyClick(&f.tree(), Qt::Key_X, Qt::ControlModifier);
        QVERIFY(f.model().isCut(f.node("B/D")));
        QVERIFY(!f.model().isCut(f.node("B")));
        QTest::keyClick(&f.tree(), Qt::Key_Escape);
        QVERIFY(!f.model().isCut(f.node("B/D")));
        QTest::keyClick(&f.tree(), Qt::Key_X, Qt::ControlModifier);
        f.tree().setCurrentIndex(f.node("C"));
        f.desktop.messageAnswers = {desktop::ResultYes};
        QTest::keyClick(&f.tree(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(f.desktop.messageTexts(), QStringList{QStringLiteral("Make Target Item A Parent?")});
        QCOMPARE(f.outline(), QStringLiteral("B C[D]"));
        QCOMPARE(linesOf(f.database), (QStringList{"A>B=1", "A>C=2", "C>D=3"}));
        // Pasted once: the clipboard holds no copy of it to paste again.
        QTest::keyClick(&f.tree(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(linesOf(f.database), (QStringList{"A>B=1", "A>C=2", "C>D=3"}));
        QTest::keyClick(&f.tree(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.outline(), QStringLiteral("B[D] C"));
        QCOMPARE(linesOf(f.database), (QStringList{"A>B=1", "A>C=2", "B>D=3"}));

        // Shift+drag of C onto B, Yes: C and its line go into B.
        f.desktop.messageAnswers = {desktop::ResultYes};
        QVERIFY(f.tree().takeMoveDrop(f.node("C"), f.node("B")));
        QTRY_COMPARE(f.outline(), QStringLiteral("B[C D]"));
        QCOMPARE(linesOf(f.database), (QStringList{"A>B=1", "B>C=2", "B>D=3"}));
    }

    /// The path of the current node shows above the statistics; Backspace and Alt+Up go to the
    /// parent, and stay at the top level. The load's panel says what was loaded.
    void thePathFollowsTheCurrentNodeAndTheKeysGoUp() {
        WindowFixture f(catalogue(), structure());
        execOn(f.database, {QStringLiteral("UPDATE BomDetail SET StartDate = '2024-05-06 07:08:09'"
                                           " WHERE BomComp = 'D'")});
        f.load(QStringLiteral("A"));
        // Counted once the rest of the bill is in (until then the panel says it is counting).
        QTRY_COMPARE(f.label("StatusLoad").text(), QStringLiteral("A: 2 components, 3 rows in 2 levels, 3 lines"));
        QCOMPARE(f.status(), f.database); // panel 1 keeps the database's path
        QCOMPARE(f.label("NodePath").text(), QStringLiteral("A"));
        f.tree().setFocus();
        f.tree().expand(f.node("B"));
        f.tree().setCurrentIndex(f.node("B/D"));
        QCOMPARE(f.label("NodePath").text(), QStringLiteral("A \u203A B \u203A D"));
        // Its line's start date beside its quantity and unit, and in the tree's hidden column.
        QCOMPARE(f.label("StartDateValue").text(), QStringLiteral("2024-05-06 07:08:09"));
        QCOMPARE(f.label("Label8").text(), QStringLiteral("3"));
        QVERIFY(f.tree().isColumnHidden(tree::StartDateColumn));
        QCOMPARE(f.node("B/D").siblingAtColumn(tree::StartDateColumn).data().toString(),
                 QStringLiteral("2024-05-06 07:08:09"));
        QTest::keyClick(&f.tree(), Qt::Key_Backspace);
        QCOMPARE(f.tree().currentIndex(), f.node("B"));
        QCOMPARE(f.label("NodePath").text(), QStringLiteral("A \u203A B"));
        QTest::keyClick(&f.tree(), Qt::Key_Up, Qt::AltModifier);
        QCOMPARE(f.tree().currentIndex(), f.node("B"));
        f.tree().setCurrentIndex(f.node("B/D"));
        QTest::keyClick(&f.tree(), Qt::Key_Up, Qt::AltModifier);
        QCOMPARE(f.tree().currentIndex(), f.node("B"));
    }

    /// The context menu lists every command with its shortcut, the same on the empty tree, and
    /// disables what does not apply.
    void theNodeMenuDisablesWhatDoesNotApply() {
        WindowFixture f(catalogue(), structure());
        auto* commands = f.window().findChild<shell::NodeCommands*>();
        QVERIFY(commands);
        const auto listed = [&](const QModelIndex& node) {
            QMenu menu;
            commands->fill(menu, node);
            QStringList items;
            for (const QAction* item : menu.actions())
                if (!item->isSeparator())
                    items.append((item->isEnabled() ? QString() : QStringLiteral("-")) +
                                 item->text() +
                                 (item->shortcut().isEmpty()
                                      ? QString()
                                      : u'=' + item->shortcut().toString()));
            return items.join(u'|');
        };
        f.load(QStringLiteral("A"));
        f.tree().setCurrentIndex(f.node("C"));
        QCOMPARE(listed(f.node("C")),
                 QStringLiteral("&Add Component\u2026=Ins|&Delete=Del|Cu&t=Ctrl+X|&Copy=Ctrl+C|"
                                "-&Paste=Ctrl+V|Change &Quantity=F2|&Where Used=Ctrl+U|"
                                "Rep&lace Component\u2026|Cop&y Bill To\u2026|"
                                "-&Expand This Node and Below=*|-C&ollapse This Node and Below|"
                                "Load This &Item|&History of This Line"));
        QTest::keyClick(&f.tree(), Qt::Key_C, Qt::ControlModifier);
        QVERIFY(listed(f.node("B")).contains(QStringLiteral("|&Paste=Ctrl+V|")));
        QVERIFY(listed(f.node("B")).contains(QStringLiteral("|&Expand This Node and Below=*|C&ollapse")));
        // The empty tree of an item loaded takes a first component, pasted or added.
        f.load(QStringLiteral("NEW"));
        QCOMPARE(listed({}).section(u'|', 0, 4),
                 QStringLiteral("&Add Component\u2026=Ins|-&Delete=Del|-Cu&t=Ctrl+X|-&Copy=Ctrl+C|"
                                "&Paste=Ctrl+V"));
        QVERIFY(!listed({}).contains(QStringLiteral("|&Load")));

        // Load This Item and Expand This Node and Below, from the menu's commands.
        f.load(QStringLiteral("A"));
        f.tree().setCurrentIndex(f.node("B"));
        QTest::keyClick(&f.tree(), Qt::Key_Asterisk, Qt::ShiftModifier);
        QVERIFY(f.tree().isExpanded(f.node("B")));
        f.window().findChild<QAction*>(QStringLiteral("mnuCollapseBelow"))->trigger();
        QVERIFY(!f.tree().isExpanded(f.node("B")));
        f.window().findChild<QAction*>(QStringLiteral("mnuLoadItem"))->trigger();
        QTRY_COMPARE(f.model().topAssembly(), QStringLiteral("B"));
        QCOMPARE(f.Text1().text(), QStringLiteral("B"));
        QCOMPARE(f.outline(), QStringLiteral("D"));
    }
};

QTEST_MAIN(TreeEditTest)
#include "tree_edit_test.moc"
