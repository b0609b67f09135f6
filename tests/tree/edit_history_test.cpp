// Undo and Redo of every edit of the lines, one layer below the window: each step's write,
// what the tree shows after it, and what becomes of the step when its write is refused
// (Dropped for good, or Kept to be tried again), with the status it leaves.

#include "desktop/Desktop.h"
#include "store/History.h"
#include "store/StoreError.h"
#include "support/BillEditor.h"
#include "tree/edits/BulkEdits.h"
#include "tree/history/HistoryRestore.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using tree::StepOutcome;

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

bool startsWithNumber(const QString& text, int number) {
    return text.startsWith(QString::number(number) + u' ');
}

// P stands in A, B, C and R. Q stands in A already, and C stands under Q: putting Q in place
// of P is a duplicate in A and a cycle in C.
std::vector<ItemRow> bulkItems() {
    std::vector<ItemRow> all;
    for (const char* id : {"A", "B", "C", "P", "Q", "R", "T"})
        all.push_back({QString::fromLatin1(id), {}, {}});
    return all;
}
std::vector<Line> bulkLines() {
    return {{"A", "P", 2}, {"A", "Q", 1}, {"B", "P", 1}, {"C", "P", 3},
            {"Q", "C", 1}, {"R", "P", 5}, {"R", "T", QVariant()}};
}
const QString Stored = u"1996-01-01 00:00:00"_s;

} // namespace

class EditHistoryTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void undoAndRedoWalkTheWholeHistory() {
        BillFile e(catalogue(), shared());
        const QStringList before = rowsOf(e.database);
        e.editor.load(u"A"_s);
        e.desktop.messageAnswers = {desktop::ResultYes};
        e.desktop.inputAnswers = {u"5"_s};
        e.edits().addComponent(e.node(u"X/S"_s), u"K"_s); // add S>K, under both copies
        e.desktop.messageAnswers = {desktop::ResultOk};
        e.edits().deleteComponent(e.node(u"Y/S/T"_s));     // delete S>T, from both copies
        e.edits().changeQuantity(e.node(u"Y"_s), u"9"_s);  // change A>Y
        const QStringList after = rowsOf(e.database);
        QCOMPARE(after.size(), before.size());
        QCOMPARE(e.history().undoText(), u"Change Quantity of Y in A"_s);

        QCOMPARE(e.history().undo(), StepOutcome::Done);
        QCOMPARE(e.history().undoText(), u"Delete T from S"_s);
        QCOMPARE(e.history().undo(), StepOutcome::Done);
        QVERIFY2(e.difference().isEmpty(), qPrintable(e.difference()));
        QCOMPARE(e.outline(), u"X[S[K T]] Y[S[K T]]"_s);
        QCOMPARE(e.history().undo(), StepOutcome::Done);
        QVERIFY(!e.history().canUndo());
        // Row by row as it was, StartDate of the deleted line included.
        QCOMPARE(rowsOf(e.database), before);
        QVERIFY2(e.difference().isEmpty(), qPrintable(e.difference()));

        for (int i = 0; i < 3; ++i)
            QCOMPARE(e.history().redo(), StepOutcome::Done);
        QVERIFY(!e.history().canRedo());
        QStringList plain;
        for (const QString& row : after)
            plain.append(row.section(u'@', 0, 0));
        QCOMPARE(linesOf(e.database), plain);
        QVERIFY2(e.difference().isEmpty(), qPrintable(e.difference()));
        QCOMPARE(e.outline(), u"X[S[K]] Y[S[K]]"_s);
        QVERIFY(e.desktop.messageTexts().filter(u"10"_s).isEmpty());
    }

    /// The database's history names each command's change set as its step is named, one set
    /// however many lines it wrote, undo and redo included.
    void eachCommandIsRecordedAsItsStepIsNamed() {
        store::setFileHistoryKept(true);
        BillFile e(catalogue(), shared());
        e.editor.load(u"A"_s);
        e.desktop.messageAnswers = {desktop::ResultYes};
        e.desktop.inputAnswers = {u"5"_s};
        e.edits().addComponent(e.node(u"X/S"_s), u"K"_s);
        e.desktop.messageAnswers = {desktop::ResultOk};
        e.edits().deleteComponent(e.node(u"Y/S/T"_s));
        e.edits().changeQuantity(e.node(u"Y"_s), u"9"_s);
        QVERIFY(e.edits().writeLines({{}, {store::newLine(u"T"_s, u"NEW"_s, 1),
                                           store::newLine(u"K"_s, u"NEW"_s, 2)}},
                                     u"Paste 2 lines into T and K"_s, u"new supplier"_s));
        e.edits().undo();
        e.edits().redo();
        store::setFileHistoryKept(false);

        QStringList sets;
        qint64 last = -1;
        for (const store::ChangeRecord& change : store::openHistory(e.database)->changes({})) {
            QCOMPARE(change.source, store::ChangeSource::ThisEditor);
            if (change.changeSet != last)
                sets.prepend(change.command + (change.reason.isEmpty() ? QString()
                                                                       : u" ("_s + change.reason + u')'));
            last = change.changeSet;
        }
        QCOMPARE(sets, QStringList({u"Add K to S"_s, u"Delete T from S"_s,
                                    u"Change Quantity of Y in A"_s,
                                    u"Paste 2 lines into T and K (new supplier)"_s,
                                    u"Undo Paste 2 lines into T and K"_s,
                                    u"Redo Paste 2 lines into T and K"_s}));
    }

    /// A change set put back: each line as it was before it, one that another program changed
    /// since left as it is unless chosen; a new step, recorded as a restore.
    void aRestorePutsBackWhatAChangeSetChanged() {
        store::setFileHistoryKept(true);
        BillFile e(catalogue(), shared());
        e.editor.load(u"A"_s);
        const std::vector<store::LineRow> was{*store::openStore(e.database)->findLine(u"A"_s, u"X"_s),
                                              *store::openStore(e.database)->findLine(u"S"_s, u"T"_s)};
        QVERIFY(e.edits().writeLines({was, {store::newLine(u"A"_s, u"X"_s, 5),
                                            store::newLine(u"A"_s, u"K"_s, 1)}},
                                     u"Edit three lines"_s));
        QCOMPARE(e.difference(), QString());
        execOn(e.database, {u"UPDATE BomDetail SET bomQtyReq = 9 WHERE BomComp = 'K'"_s});
        e.editor.load(u"A"_s); // as the watch would show it
        qint64 set = 0;
        for (const store::ChangeRecord& change : store::openHistory(e.database)->changes({}))
            if (change.command == u"Edit three lines"_s)
                set = change.changeSet;

        store::HistoryQuery query;
        query.changeSet = set;
        std::vector<tree::RestoreLine> lines = tree::readRestore(e.desktop, e.database, query);
        QStringList planned;
        for (const tree::RestoreLine& line : lines)
            planned.append(line.assembly + u'>' + line.component + u' ' + tree::rowText(line.target) +
                           (line.chosen ? u""_s : u" (changed since)"_s));
        QCOMPARE(planned, QStringList({u"A>K — (changed since)"_s, u"A>X 2, started "_s + Stored,
                                       u"S>T 4, started "_s + Stored}));
        QVERIFY(e.edits().writeLines(tree::restoreBatch(lines), u"Restore Edit three lines"_s, {},
                                     true));
        QCOMPARE(linesOf(e.database),
                 QStringList({u"A>K=9"_s, u"A>X=2"_s, u"A>Y=1"_s, u"S>T=4"_s, u"X>S=1"_s,
                              u"Y>S=3"_s}));
        QCOMPARE(rowsOf(e.database).filter(u"S>T"_s), QStringList(u"S>T=4@"_s + Stored));
        // The restored lines show as a load would show them: the tree is not left for the
        // watch to put right as another editor's change.
        QCOMPARE(e.difference(), QString());
        const std::vector<store::ChangeRecord> changes = store::openHistory(e.database)->changes({});
        QCOMPARE(changes[0].source, store::ChangeSource::Restore);
        QCOMPARE(changes[0].command, u"Restore Edit three lines"_s);
        QCOMPARE(changes[1].changeSet, changes[0].changeSet); // one set: A>X and S>T
        QCOMPARE_NE(changes[2].changeSet, changes[0].changeSet);
        store::setFileHistoryKept(false);
        // An ordinary step: undone as any other.
        QCOMPARE(e.history().undo(), StepOutcome::Done);
        QCOMPARE(linesOf(e.database).filter(u"A>X"_s), QStringList(u"A>X=5"_s));
    }

    void anUndoThatWouldOverwriteAnotherProgramIsRefused() {
        BillFile e(catalogue(), shared());
        e.editor.load(u"A"_s);
        e.desktop.messageAnswers = {desktop::ResultOk};
        e.edits().deleteComponent(e.node(u"X/S/T"_s));
        // Another program puts a line of the same pair back, with its own quantity.
        execOn(e.database, {u"INSERT INTO BomDetail VALUES ('S', 'T', 8, NULL)"_s});
        e.desktop.asked.clear();
        // The menu follows the history: a step dropped is no longer offered.
        QSignalSpy changed(&e.history(), &tree::EditHistory::changed);
        QCOMPARE(e.history().undo(), StepOutcome::Dropped);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(e.desktop.messages().size(), 1);
        QVERIFY2(startsWithNumber(e.desktop.messageTexts().first(), store::LineChanged),
                 qPrintable(e.desktop.messageTexts().first()));
        QCOMPARE(columnOf(e.database, "S", "T", "bomQtyReq").toDouble(), 8.0);
        QVERIFY(!e.history().canUndo());

        // A quantity changed meanwhile is not overwritten either.
        e.edits().changeQuantity(e.node(u"X"_s), u"3"_s);
        execOn(e.database, {u"UPDATE BomDetail SET bomQtyReq = 11 WHERE BomID = 'A' AND BomComp = 'X'"_s});
        QCOMPARE(e.history().undo(), StepOutcome::Dropped);
        QVERIFY(startsWithNumber(e.desktop.messageTexts().last(), store::LineChanged));
        QCOMPARE(columnOf(e.database, "A", "X", "bomQtyReq").toDouble(), 11.0);
        // After the refusal the tree shows the line as the database holds it.
        QVERIFY2(e.difference().isEmpty(), qPrintable(e.difference()));
    }

    void anUndoFindsTheWholeLineAsTheEditLeftIt() {
        BillFile e(catalogue(), shared());
        e.editor.load(u"A"_s);
        e.edits().changeQuantity(e.node(u"Y"_s), u"9"_s);
        // Another program deletes the line and adds it again: the same quantity, another start.
        execOn(e.database, {u"DELETE FROM BomDetail WHERE BomID = 'A' AND BomComp = 'Y'"_s,
                            u"INSERT INTO BomDetail VALUES ('A', 'Y', 9, '2031-05-05 00:00:00')"_s});
        QCOMPARE(e.history().undo(), StepOutcome::Dropped);
        QCOMPARE(e.desktop.messageTexts().size(), 1);
        QVERIFY2(startsWithNumber(e.desktop.messageTexts().first(), store::LineChanged),
                 qPrintable(e.desktop.messageTexts().first()));
        QCOMPARE(columnOf(e.database, "A", "Y", "bomQtyReq").toDouble(), 9.0);
        QVERIFY(!e.history().canUndo());
        QVERIFY(!e.history().canRedo());
    }

    void aStepRefusedForAPassingCauseStaysWhereItStood() {
        BillFile e(catalogue(), shared());
        e.editor.load(u"A"_s);
        e.desktop.messageAnswers = {desktop::ResultOk};
        e.edits().deleteComponent(e.node(u"Y/S/T"_s));
        e.edits().changeQuantity(e.node(u"Y"_s), u"9"_s);
        tree::EditHistory& history = e.history();
        // The database is away while the step is tried (moved, a share unmounted).
        const QString away = e.database + u".away"_s;
        const auto refusedWhileAway = [&](bool undo) {
            QVERIFY(QFile::rename(e.database, away));
            e.desktop.asked.clear();
            const StepOutcome outcome = undo ? history.undo() : history.redo();
            QVERIFY(QFile::rename(away, e.database));
            QCOMPARE(outcome, StepOutcome::Kept);
            QCOMPARE(e.desktop.messageTexts().size(), 1);
            QVERIFY2(startsWithNumber(e.desktop.messageTexts().first(), store::FileNotFound),
                     qPrintable(e.desktop.messageTexts().first()));
            // The status does not report the step as taken.
            QVERIFY2(e.status.startsWith(undo ? u"Not undone: "_s : u"Not redone: "_s),
                     qPrintable(e.status));
        };
        const QString change = u"Change Quantity of Y in A"_s;
        const QString deleted = u"Delete T from S"_s;

        refusedWhileAway(true);
        QCOMPARE(history.undoText(), change);
        QVERIFY(!history.canRedo());
        QCOMPARE(columnOf(e.database, "A", "Y", "bomQtyReq").toDouble(), 9.0);
        QCOMPARE(history.undo(), StepOutcome::Done);
        QCOMPARE(columnOf(e.database, "A", "Y", "bomQtyReq").toDouble(), 1.0);

        // A refused redo offers the same redo again, and the undo before it.
        refusedWhileAway(false);
        QCOMPARE(history.redoText(), change);
        QCOMPARE(history.undoText(), deleted);
        QCOMPARE(columnOf(e.database, "A", "Y", "bomQtyReq").toDouble(), 1.0);
        QCOMPARE(history.redo(), StepOutcome::Done);
        QCOMPARE(columnOf(e.database, "A", "Y", "bomQtyReq").toDouble(), 9.0);
        QCOMPARE(history.undoText(), change);

        // The delete's undo and redo as well.
        QCOMPARE(history.undo(), StepOutcome::Done);
        refusedWhileAway(true);
        QCOMPARE(history.undoText(), deleted);
        QCOMPARE(history.redoText(), change);
        QCOMPARE(history.undo(), StepOutcome::Done);
        QCOMPARE(columnOf(e.database, "S", "T", "bomQtyReq").toDouble(), 4.0);
        refusedWhileAway(false);
        QCOMPARE(history.redoText(), deleted);
        QVERIFY(!history.canUndo());
        QVERIFY2(e.difference().isEmpty(), qPrintable(e.difference()));
    }

    void aQuantityThatIsNotANumberCanBeSetRight() {
        BillFile e(catalogue(), shared());
        // Another program wrote text where a quantity belongs.
        execOn(e.database, {u"UPDATE BomDetail SET bomQtyReq = 'abc' WHERE BomID = 'A' AND BomComp = 'Y'"_s});
        e.editor.load(u"A"_s);
        QCOMPARE(e.model.quantity(e.node(u"Y"_s)), std::nullopt);
        e.edits().changeQuantity(e.node(u"Y"_s), u"4"_s);
        QCOMPARE(e.desktop.messageTexts(), QStringList());
        QCOMPARE(columnOf(e.database, "A", "Y", "bomQtyReq").toDouble(), 4.0);
        QCOMPARE(e.model.quantity(e.node(u"Y"_s)), std::optional<double>(4));
        // The undo puts back what was there, text and all.
        QCOMPARE(e.history().undo(), StepOutcome::Done);
        QCOMPARE(columnOf(e.database, "A", "Y", "bomQtyReq"), QVariant(u"abc"_s));
        QCOMPARE(e.model.quantity(e.node(u"Y"_s)), std::nullopt);
        QCOMPARE(e.history().redo(), StepOutcome::Done);
        QCOMPARE(columnOf(e.database, "A", "Y", "bomQtyReq").toDouble(), 4.0);
        QVERIFY(e.desktop.messageTexts().filter(QString::number(store::LineChanged)).isEmpty());
    }

    void aRefusedStepOfManyLinesReadsThemBackAtOnce() {
        // Thirty lines of K, deleted as one step.
        std::vector<ItemRow> items = catalogue();
        std::vector<Line> lines = shared();
        constexpr int Many = 30;
        for (int i = 0; i < Many; ++i) {
            items.push_back({u"P%1"_s.arg(i, 2, 10, QChar(u'0')), {}, {}});
            lines.push_back({"K", items.back().id, 1});
        }
        BillFile e(items, lines);
        e.editor.load(u"K"_s);
        const auto deleteAll = [&] {
            std::vector<QModelIndex> nodes;
            for (int row = 0; row < e.model.rowCount(); ++row)
                nodes.push_back(e.model.index(row, 0));
            e.desktop.messageAnswers = {desktop::ResultOk};
            e.edits().deleteLines(nodes);
            QCOMPARE(e.outline(), QString());
        };
        // The step's lines are read back in one call however many there are: the calls the
        // refused step waited for, and the tree as the database holds it.
        const auto refused = [&](bool undo, store::ErrorNumber number) {
            e.desktop.asked.clear();
            const qsizetype waited = e.desktop.waitLabels.size();
            QCOMPARE(undo ? e.history().undo() : e.history().redo(), StepOutcome::Dropped);
            QCOMPARE(e.desktop.messageTexts().size(), 1);
            QVERIFY2(startsWithNumber(e.desktop.messageTexts().first(), number),
                     qPrintable(e.desktop.messageTexts().first()));
            const qsizetype calls = e.desktop.waitLabels.size() - waited;
            QVERIFY2(calls < Many / 3, qPrintable(QString::number(calls)));
            QVERIFY2(e.difference().isEmpty(), qPrintable(e.difference()));
        };

        // Another program changes a quantity of a line put back by the undo: the redo is refused.
        deleteAll();
        QCOMPARE(e.history().undo(), StepOutcome::Done);
        execOn(e.database, {u"UPDATE BomDetail SET bomQtyReq = 8 WHERE BomID = 'K' AND BomComp = 'P07'"_s});
        refused(false, store::LineChanged);
        QCOMPARE(e.model.quantity(e.node(u"P07"_s)), std::optional<double>(8));

        // It puts one of the deleted lines back: the undo is refused.
        deleteAll();
        execOn(e.database, {u"INSERT INTO BomDetail VALUES ('K', 'P07', 9, NULL)"_s});
        refused(true, store::DuplicateLine);
        QCOMPARE(e.outline(), u"P07"_s);
    }

    void aReplaceAndARemoveAreOneStepEach() {
        BillFile e(bulkItems(), bulkLines());
        const QStringList before = rowsOf(e.database);
        e.editor.load(u"B"_s);
        const auto uses = e.edits().linesUsing(u"P"_s);
        QVERIFY(uses && uses->size() == 4);
        // A (duplicate) and C (cycle) are refused: B and R can be written.
        const auto refusals = e.edits().checkLines(tree::replaceBatch(*uses, u"Q"_s, {}));
        QVERIFY(refusals);
        QCOMPARE(tree::unrefused(refusals->added), (std::vector<size_t>{1, 3}));
        QVERIFY(e.edits().writeLines(tree::replaceBatch(tree::linesAt(*uses, {1, 3}), u"Q"_s, 2),
                                     u"Replace P with Q in 2 assemblies"_s));
        // Each new line stands since its old one did, its quantity scaled; a Null stays Null.
        const QStringList replaced = rowsOf(e.database);
        QCOMPARE(replaced, (QStringList{"A>P=2@" + Stored, "A>Q=1@" + Stored, "B>Q=2@" + Stored,
                                        "C>P=3@" + Stored, "Q>C=1@" + Stored, "R>Q=10@" + Stored,
                                        "R>T=@" + Stored}));
        QCOMPARE(e.outline(), u"Q[C[P]]"_s);
        QCOMPARE(e.history().undoText(), u"Replace P with Q in 2 assemblies"_s);

        QCOMPARE(e.history().undo(), StepOutcome::Done);
        QCOMPARE(rowsOf(e.database), before);
        QCOMPARE(e.outline(), u"P"_s);
        QCOMPARE(e.history().redo(), StepOutcome::Done);
        QCOMPARE(rowsOf(e.database), replaced);
        QCOMPARE(e.history().undo(), StepOutcome::Done);
        QCOMPARE(rowsOf(e.database), before);

        // Remove P everywhere but from A.
        QVERIFY(e.edits().writeLines(tree::removeBatch(tree::linesAt(*uses, {1, 2, 3})),
                                     u"Remove P from 3 assemblies"_s));
        QCOMPARE(rowsOf(e.database), (QStringList{"A>P=2@" + Stored, "A>Q=1@" + Stored,
                                                "Q>C=1@" + Stored, "R>T=@" + Stored}));
        QCOMPARE(e.outline(), QString());
        QCOMPARE(e.history().undo(), StepOutcome::Done);
        QCOMPARE(rowsOf(e.database), before);
        QCOMPARE(e.outline(), u"P"_s);

        // Another program changes one of the lines: the redo is refused whole, and leaves the
        // history.
        execOn(e.database, {u"UPDATE BomDetail SET StartDate = '2001-01-01 00:00:00' "
                            u"WHERE BomID = 'R' AND BomComp = 'P'"_s});
        const QStringList changed = rowsOf(e.database);
        QSignalSpy offered(&e.history(), &tree::EditHistory::changed);
        QCOMPARE(e.history().redo(), StepOutcome::Dropped);
        QCOMPARE(offered.size(), 1);
        QCOMPARE(rowsOf(e.database), changed);
        QVERIFY2(startsWithNumber(e.desktop.messageTexts().last(), store::LineChanged),
                 qPrintable(e.desktop.messageTexts().last()));
        QVERIFY(!e.history().canRedo());
    }

    void aReplaceWritesNoInfiniteQuantityAndNoLineOfAGoneItem() {
        BillFile e(bulkItems(), bulkLines());
        const QStringList before = rowsOf(e.database);
        e.editor.load(u"B"_s);
        const auto uses = e.edits().linesUsing(u"P"_s);
        QVERIFY(uses);
        const std::vector<store::LineRow> chosen = tree::linesAt(*uses, {1, 3});
        // 1e308 times 5 is no finite number: the batch is refused whole.
        QVERIFY(!e.edits().writeLines(tree::replaceBatch(chosen, u"Q"_s, 1e308), u"Replace"_s));
        QCOMPARE(e.desktop.messageTexts().size(), 1);
        QVERIFY2(startsWithNumber(e.desktop.messageTexts().at(0), store::InvalidQuantity),
                 qPrintable(e.desktop.messageTexts().at(0)));
        QCOMPARE(rowsOf(e.database), before);

        // The new item left the Item Master after the lines were checked.
        e.desktop.asked.clear();
        execOn(e.database, {u"DELETE FROM ItemMaster WHERE ItemID = 'Q'"_s});
        QVERIFY(!e.edits().writeLines(tree::replaceBatch(chosen, u"Q"_s, {}), u"Replace"_s));
        QCOMPARE(e.desktop.messageTexts(), QStringList{u"1321 'Q' is not in the Item Master."_s});
        QCOMPARE(rowsOf(e.database), before);
        QVERIFY(!e.history().canUndo());
        QCOMPARE(e.outline(), u"P"_s);
    }
};

QTEST_MAIN(EditHistoryTest)
#include "edit_history_test.moc"
