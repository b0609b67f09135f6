// A draft made in the window on a file: every edit goes into it while the tables stay as they
// were, the tree shows the bill with it applied, and its apply meets another program's change
// to a drafted line with the three rows and the user's choice.

#include "support/WindowFixture.h"

#include "shell/compare/CompareDialog.h"
#include "shell/drafts/DraftReviewDialog.h"
#include "shell/window/BomTreeView.h"
#include "store/History.h"
#include "store/sqlite/history/HistoryFile.h"
#include "tree/bill/BomDocument.h"
#include "tree/bill/BomTreeModel.h"
#include "tree/edits/EditHistory.h"
#include "tree/reports/PrintedBill.h"
#include "tree/drafts/DraftReview.h"

#include <QAbstractButton>
#include <QAction>
#include <QBrush>
#include <QFile>
#include <QFileInfo>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

class DraftsWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { store::setFileHistoryKept(true); }
    void cleanupTestCase() { store::setFileHistoryKept(false); }

    void editsGoIntoTheDraftUntilItIsApplied() {
        WindowFixture f({{"A", {}, {}}, {"B", {}, {}}, {"C", {}, {}}, {"D", {}, {}}},
                        {{"A", "B"}, {"A", "C"}});
        f.load(QStringLiteral("A"));
        // A command, then the load it queues to show the bill anew, the tree opened again.
        const auto run = [&](const char* name) {
            f.window().findChild<QAction*>(QLatin1String(name))->trigger();
            for (int pass = 0; pass < 5; ++pass)
                QCoreApplication::processEvents();
            if (const QModelIndex b = f.node("B"); b.isValid())
                f.tree().expand(b);
        };
        f.desktop.formAnswers = {QStringList{QStringLiteral("ECO-12"), QStringLiteral("why")}};
        run("mnuNewDraft");
        const QString title = QStringLiteral("Bill of Material Structural Viewer/Editor \u2014 ");
        QCOMPARE(f.window().windowTitle(),
                 title + QStringLiteral("Draft ECO-12: 0 lines added, 0 changed, 0 removed "
                                        "\u2014 not in the database yet"));

        // An add and a delete, through the window's own commands and checks.
        f.desktop.messageAnswers = {desktop::ResultYes};
        f.desktop.inputAnswers = {QStringLiteral("2")};
        f.drop(QStringLiteral("D"), f.node("B"));
        f.desktop.messageAnswers = {desktop::ResultYes};
        f.drop(QStringLiteral("B"), f.node("B"));
        QVERIFY(f.desktop.messageTexts().last().startsWith(QStringLiteral("1031 ")));
        f.desktop.messageAnswers = {desktop::ResultOk};
        f.pressDelete(f.node("C"));
        QCOMPARE(f.outline(), QStringLiteral("B[D]"));
        QCOMPARE(linesOf(f.database), (QStringList{"A>B=1", "A>C=1"}));
        // A quantity is counted as it is made, as every other edit.
        f.model().setData(f.node("B").siblingAtColumn(tree::QuantityColumn), QStringLiteral("3"));
        QTRY_COMPARE(f.window().windowTitle(),
                     title + QStringLiteral("Draft ECO-12: 1 line added, 1 changed, 1 removed "
                                            "\u2014 not in the database yet"));
        QCOMPARE(linesOf(f.database), (QStringList{"A>B=1", "A>C=1"}));
        // The tree marks what the draft adds and changes, as Compare Bills marks them.
        QTRY_COMPARE(f.model().draftMark(f.node("B/D")), tree::DraftMark::Added);
        QCOMPARE(f.model().draftMark(f.node("B")), tree::DraftMark::Changed);
        QCOMPARE(f.node("B/D").data(Qt::ForegroundRole).value<QBrush>().color(), tree::AddedColour);

        // Closing shows the tables; opening again shows the draft.
        run("mnuCloseDraft");
        QCOMPARE(f.outline(), QStringLiteral("B C"));
        QCOMPARE(f.model().draftMark(f.node("B")), tree::DraftMark::None);
        // The draft's undo steps stay with it: undone here they would write into the tables.
        tree::EditHistory& steps = f.model().document().history();
        QVERIFY(!steps.canUndo());
        f.desktop.inputAnswers = {QStringLiteral("eco-12")};
        run("mnuOpenDraft");
        QCOMPARE(f.outline(), QStringLiteral("B[D]"));
        QCOMPARE(steps.undoText(), QStringLiteral("Change Quantity of B in A"));
        QTRY_COMPARE(f.window().windowTitle(),
                     title + QStringLiteral("Draft ECO-12: 1 line added, 1 changed, 1 removed "
                                            "\u2014 not in the database yet"));

        // Compare Bills shows the bill as the tables hold it (A) beside it with the draft (B).
        run("mnuCompareDraft");
        auto* compare = f.window().findChild<shell::CompareDialog*>();
        QVERIFY(compare && compare->withoutDraftA());
        bool indented = true;
        QStringList compared;
        for (const tree::ComparedLine* line : compare->shownLines(indented))
            compared.append(line->itemId + u':' + tree::markText(line->mark));
        QCOMPARE(compared, (QStringList{"B:Changed", "C:Removed", "D:Added"}));
        compare->close();

        // Another program changes the line the draft removes: the apply asks, Cancel writes
        // nothing, then the draft's removal is taken.
        execOn(f.database, {QStringLiteral("UPDATE BomDetail SET bomQtyReq = 9 WHERE BomComp = 'C'")});

        // The review lists each line with its base, draft and live rows, the line changed
        // since marked, and hands the same to a file.
        run("mnuReviewDraft");
        auto* review = f.window().findChild<shell::DraftReviewDialog*>();
        QVERIFY(review && review->isVisible());
        const QAbstractItemModel* lines =
            review->findChild<QTableView*>(QStringLiteral("draftReviewTable"))->model();
        QStringList shown;
        for (int row = 0; row < lines->rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < lines->columnCount(); ++column)
                cells.append(lines->index(row, column).data().toString());
            // The fixture's lines start in 1996; a line added starts when it is applied.
            shown.append(cells.join(u'|').replace(QStringLiteral("1996-01-01 00:00:00"),
                                                    QStringLiteral("1996")));
            QCOMPARE(lines->index(row, 0).data(Qt::ForegroundRole).isValid(),
                     cells.last() == QStringLiteral("changed since"));
        }
        QCOMPARE(shown.size(), 3);
        QCOMPARE(shown.first(2), (QStringList{"changed|A|B|1|1996|3|1996|1|1996|as it was",
                                              "removed|A|C|1|1996|||9|1996|changed since"}));
        QVERIFY2(shown[2].startsWith(u"added|B|D|||2|20") && shown[2].endsWith(u"|||as it was"),
                 qPrintable(shown[2]));
        QTemporaryDir folder;
        const QString csv = folder.filePath(QStringLiteral("eco.csv"));
        f.desktop.saveAnswers = {csv};
        review->findChild<QAbstractButton*>(QStringLiteral("draftReviewCsv"))->click();
        QFile written(csv);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QList<QByteArray> records = written.readAll().split('\n');
        QCOMPARE(records.size(), 5);
        QVERIFY(records[2].startsWith("removed,changed since,A,C,1,"));
        QVERIFY(records[2].contains(",A,C,9,"));
        // Printed for whoever approves it, one page here.
        f.desktop.printTarget = folder.filePath(QStringLiteral("eco.pdf"));
        f.desktop.printAnswers = {true};
        review->findChild<QAbstractButton*>(QStringLiteral("draftReviewPrint"))->click();
        QCOMPARE(f.status(), QStringLiteral("Draft ECO-12 printed: 1 page."));
        QVERIFY(QFileInfo(folder.filePath(QStringLiteral("eco.pdf"))).size() > 0);
        // What each printed row says: the change, component, assembly, the draft's, base and
        // live quantity, and why a line is marked.
        QStringList printed;
        for (const tree::PrintedRow& row : tree::draftRows(review->review().lines))
            printed.append(QStringList{row.level, row.id, row.description, row.quantity, row.unit,
                                       row.extended, row.note, row.marked ? "marked" : ""}
                               .join(u'|'));
        QCOMPARE(printed, (QStringList{"changed|B|A|3|1|1||", "removed|C|A||1|9|changed since|marked",
                                       "added|D|B|2||||"}));
        f.desktop.messageAnswers = {desktop::ResultOk, desktop::ResultCancel};
        run("mnuApplyDraft");
        QVERIFY(f.desktop.messageTexts().last().contains(QStringLiteral("quantity 9")));
        QCOMPARE(linesOf(f.database), (QStringList{"A>B=1", "A>C=9"}));
        f.desktop.messageAnswers = {desktop::ResultOk, desktop::ResultNo, desktop::ResultOk};
        run("mnuApplyDraft");
        QCOMPARE(linesOf(f.database), (QStringList{"A>B=3", "B>D=2"}));
        QCOMPARE(f.outline(), QStringLiteral("B[D]"));
        QCOMPARE(f.desktop.messageTexts().last(),
                 QStringLiteral("The draft ECO-12 is applied: 3 lines written as one change, 0 "
                                "kept as they were."));
        QCOMPARE(f.window().windowTitle(), title.chopped(3));
        // The review went with the draft it showed.
        QTRY_VERIFY(f.window().findChild<shell::DraftReviewDialog*>() == nullptr);
        QVERIFY(!steps.canUndo());
        // Edits go to the tables again.
        f.desktop.messageAnswers = {desktop::ResultOk};
        f.pressDelete(f.node("B"));
        QCOMPARE(linesOf(f.database), QStringList{"B>D=2"});
        QCOMPARE(f.outline(), QString());
    }

    /// Another editor applies or discards the draft this window shows: the window shows the
    /// tables again and says why, rather than failing every load from then on.
    void aDraftClosedElsewhereLeavesTheTablesShown() {
        WindowFixture f({{"A", {}, {}}, {"B", {}, {}}, {"C", {}, {}}}, {{"A", "B"}});
        f.load(QStringLiteral("A"));
        f.desktop.formAnswers = {QStringList{QStringLiteral("ECO-7"), QString()}};
        f.window().findChild<QAction*>(QStringLiteral("mnuNewDraft"))->trigger();
        f.desktop.messageAnswers = {desktop::ResultYes};
        f.desktop.inputAnswers = {QStringLiteral("1")};
        f.drop(QStringLiteral("C"), f.node("B"));
        QTRY_COMPARE(f.outline(), QStringLiteral("B C"));
        execOn(store::history::historyPlace(f.database).path,
               {QStringLiteral("UPDATE Draft SET State = 2, ClosedBy = 'anna', ClosedAt = 0")});
        // The next look at the draft (a load, an edit, the minute's renewal) finds it.
        f.desktop.messageAnswers = {desktop::ResultOk, desktop::ResultOk};
        f.load(QStringLiteral("A"));
        QTRY_VERIFY(f.desktop.messageTexts().last().endsWith(
            QStringLiteral("The window shows the database again.")));
        QVERIFY(f.desktop.messageTexts().last().startsWith(QStringLiteral("1604 ")));
        QTRY_COMPARE(f.outline(), QStringLiteral("B"));
        QVERIFY(!f.window().windowTitle().contains(QStringLiteral("ECO-7")));
        const qsizetype said = f.desktop.messageTexts().size();
        f.load(QStringLiteral("A"));
        QCOMPARE(f.outline(), QStringLiteral("B"));
        QCOMPARE(f.desktop.messageTexts().size(), said);
    }
};

QTEST_MAIN(DraftsWindowTest)
#include "drafts_window_test.moc"
