// The edits of many lines at once, one layer below the window, on a file and on a throw-away
// server: a Delete of several lines, pasted lines checked and written, and the notes on a
// shared bill; each write compared row by row with an oracle.

#include "desktop/Desktop.h"
#include "store/StoreError.h"
#include "support/BackendSuite.h"
#include "support/BillEditor.h"
#include "support/LineOracle.h"
#include "tree/edits/LinePaste.h"

#include <QDateTime>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace lineoracle;

namespace {

/// Refusal numbers of checked pasted lines, "ID:NUMBER" ("ID:" when the line can be added).
QStringList refusals(const std::vector<tree::PastedLine>& lines) {
    QStringList result;
    for (const tree::PastedLine& line : lines)
        result.append(line.component + u':' + line.refusal.section(u' ', 0, 0));
    return result;
}


} // namespace

class ManyLinesTest : public BackendSuite {
    Q_OBJECT

    std::unique_ptr<StoreBackend> m_backend;

    /// An editor on the backend of the current row, holding Items and Lines, with A loaded.
    std::unique_ptr<BillEditor> start() {
        m_backend = std::make_unique<StoreBackend>(backend());
        m_backend->write(Items, Lines);
        auto e = std::make_unique<BillEditor>(m_backend->address());
        e->editor.load(u"A"_s);
        return e;
    }

    void byAnotherProgram(const QString& statement) {
        if (m_backend->kind() == StoreBackend::Sqlite)
            execOn(m_backend->address(), {statement});
        else
            execOnServer(m_server, {statement});
    }

private Q_SLOTS:
    void deleteOfManyIsOneQuestionAndOneStep() {
        const auto e = start();
        Oracle oracle;
        const std::vector<QModelIndex> nodes{e->node(u"B/D"_s), e->node(u"B/S/X"_s), e->node(u"C"_s)};
        e->desktop.messageAnswers = {desktop::ResultCancel};
        e->edits().deleteLines(nodes);
        QCOMPARE(e->desktop.asked.size(), 1);
        const auto question = e->desktop.asked.at(0);
        QCOMPARE(question.text, u"Delete 3 Selected Lines?"_s);
        QCOMPARE(question.style, desktop::OkCancel | desktop::IconStop);
        // S's bill is B's and C's: deleting from it under B deletes it under C too.
        QCOMPARE(question.informative, u"Deletes these lines, all or none:\nB → D, quantity 3\n"
                                       u"S → X, quantity 4\nA → C, quantity 2\n"
                                       u"S is also used in C: the change shows there too."_s);
        QCOMPARE(sorted(m_backend->lines()), oracle.lines());

        const QVariant started = m_backend->startDate(u"S"_s, u"X"_s);
        e->edits().deleteLines(nodes);
        oracle.remove(u"B"_s, u"D"_s);
        oracle.remove(u"S"_s, u"X"_s);
        oracle.remove(u"A"_s, u"C"_s);
        QCOMPARE(sorted(m_backend->lines()), oracle.lines());
        QCOMPARE(e->outline(), u"B[S[Y]]"_s);
        QCOMPARE(e->history().undoText(), u"Delete 3 lines"_s);

        // One undo puts every line back exactly, start dates included.
        e->edits().undo();
        QCOMPARE(sorted(m_backend->lines()), Oracle().lines());
        QCOMPARE(m_backend->startDate(u"S"_s, u"X"_s), started);
        QCOMPARE(e->outline(), u"B[D S[X Y]] C[S[X Y]]"_s);
        e->edits().redo();
        QCOMPARE(sorted(m_backend->lines()), oracle.lines());

        // A line that another program changes while the question lists it is not deleted,
        // and neither is any other.
        e->edits().undo();
        e->desktop.asked.clear();
        e->desktop.messageAnswers = {desktop::ResultYes};
        e->desktop.onMessage = [&] {
            e->desktop.onMessage = {};
            m_backend->open()->changeQuantity(u"A"_s, u"C"_s, 2.0, 7.0);
        };
        e->edits().deleteLines({e->node(u"B/D"_s), e->node(u"C"_s)});
        QCOMPARE(e->desktop.asked.size(), 2);
        QVERIFY(e->desktop.asked.at(1).text.startsWith(u"1040 "_s));
        Oracle changed;
        changed.remove(u"A"_s, u"C"_s);
        changed.add(u"A"_s, u"C"_s, 7.0);
        QCOMPARE(sorted(m_backend->lines()), changed.lines());
    }

    void longListsAreShortened() {
        const auto e = start();
        // Twenty lines of one assembly.
        std::vector<Line> lines = Lines;
        std::vector<ItemRow> items = Items;
        for (int i = 0; i < 20; ++i) {
            items.push_back({u"P%1"_s.arg(i, 2, 10, QChar(u'0')), {}, {}});
            lines.push_back({u"W"_s, items.back().id, 1});
        }
        items.push_back({u"W"_s, {}, {}});
        m_backend->write(items, lines);
        e->editor.load(u"W"_s);
        std::vector<QModelIndex> nodes;
        for (int row = 0; row < e->model.rowCount(); ++row)
            nodes.push_back(e->model.index(row, 0));
        e->desktop.messageAnswers = {desktop::ResultCancel};
        e->edits().deleteLines(nodes);
        const QStringList listed = e->desktop.asked.value(0).informative.split(u'\n');
        QCOMPARE(listed.size(), 14); // the heading, 12 lines, what is left
        QCOMPARE(listed.last(), u"and 8 more"_s);
        QCOMPARE(m_backend->lines().size(), qsizetype(lines.size()));
    }

    void spreadsheetRowsAreResolvedAndRefused_data() {
        QTest::addColumn<int>("unknown");
        QTest::newRow("a few lines") << 0;
        QTest::newRow("a hundred unknown items more") << 100;
    }
    void spreadsheetRowsAreResolvedAndRefused() {
        QFETCH(int, unknown);
        const auto e = start();
        Oracle oracle;
        // A spreadsheet's rows into B: each refusal named, the rest written in one step.
        QString rows = u"Item ID\tQuantity\ne\t2\nNOPE\t1\nX\tabc\nE\t3\nA\t1\nD\t1\nZ\t0.5\n"_s;
        QStringList expected{u"E:"_s, u"NOPE:1321"_s, u"X:1032"_s, u"E:1322"_s,
                             u"A:1031"_s, u"D:1022"_s, u"Z:"_s};
        for (int i = 0; i < unknown; ++i) {
            rows += u"UNKNOWN-%1\t1\n"_s.arg(i);
            expected.append(u"UNKNOWN-%1:1321"_s.arg(i));
        }
        tree::PastedLines pasted = tree::readLinesText(rows);
        QVERIFY(e->edits().checkPasted(u"B"_s, pasted.lines));
        // The item as the Item Master spells it; a cycle; what B lists already.
        QCOMPARE(refusals(pasted.lines), expected);
        QVERIFY(e->edits().writeLines(tree::pastedBatch(u"B"_s, pasted.lines), u"Paste 2 lines into B"_s));
        oracle.add(u"B"_s, u"E"_s, 2);
        oracle.add(u"B"_s, u"Z"_s, 0.5);
        QCOMPARE(sorted(m_backend->lines()), oracle.lines());
        QVERIFY(e->node(u"B/E"_s).isValid());
        e->edits().undo();
        oracle.remove(u"B"_s, u"E"_s);
        oracle.remove(u"B"_s, u"Z"_s);
        QCOMPARE(sorted(m_backend->lines()), oracle.lines());
        QVERIFY(!e->node(u"B/E"_s).isValid());
    }

    void aPasteCheckedBeforeAnotherProgramsLineIsRefusedWhole() {
        const auto e = start();
        // Another program adds one of the lines after the check: the write is refused whole,
        // and nothing of the paste is written.
        tree::PastedLines pasted = tree::readLinesText(u"E\t1\nZ\t2\n"_s);
        QVERIFY(e->edits().checkPasted(u"B"_s, pasted.lines));
        QCOMPARE(refusals(pasted.lines), (QStringList{u"E:"_s, u"Z:"_s}));
        m_backend->open()->addLine(u"B"_s, u"Z"_s, 9, QDateTime::currentDateTime());
        QVERIFY(!e->edits().writeLines(tree::pastedBatch(u"B"_s, pasted.lines), u"Paste 2 lines into B"_s));
        QCOMPARE(e->desktop.messages().size(), 1);
        Oracle oracle;
        oracle.add(u"B"_s, u"Z"_s, 9);
        QCOMPARE(sorted(m_backend->lines()), oracle.lines());
        // Nothing pasted, nothing to undo of it.
        QVERIFY(!e->history().canUndo());

        // One line of zero or less is asked about as one; no lines ask nothing.
        e->desktop.messageAnswers = {desktop::ResultNo};
        QVERIFY(!e->edits().confirmUnlikelyQuantities({u"B → E, quantity -2"_s}));
        QCOMPARE(e->desktop.messages().last().text, u"Use a Quantity of Zero or Less?"_s);
        QVERIFY(e->desktop.messages().last().informative.contains(u"B → E, quantity -2"_s));
        QCOMPARE(e->desktop.messages().size(), 2);
        QVERIFY(e->edits().confirmUnlikelyQuantities({}));
        QCOMPARE(e->desktop.messages().size(), 2);
    }

    void editsUnderASharedBillSayWhereElseTheyShowAndRefuseAGoneItem() {
        const auto e = start();
        Oracle oracle;
        // S stands in B and in C: a change under S in B changes C too, and the questions
        // say so below their own texts, which stay as they are.
        const QString shared = u"S is also used in C: the change shows there too."_s;
        e->desktop.messageAnswers = {desktop::ResultCancel};
        e->edits().deleteComponent(e->node(u"B/S/X"_s));
        QCOMPARE(e->desktop.asked.last().text, u"Delete Selected Item?"_s);
        QCOMPARE(e->desktop.asked.last().informative,
                 u"Deletes the line S → X, quantity 4.\n"_s + shared);
        // A node of B's own bill: B is used by A alone, where the user stands.
        e->desktop.messageAnswers = {desktop::ResultCancel};
        e->edits().deleteComponent(e->node(u"B/D"_s));
        QCOMPARE(e->desktop.asked.last().informative, u"Deletes the line B → D, quantity 3."_s);

        // A paste into S: Z leaves the Item Master after the check, and the paste is refused
        // whole.
        tree::PastedLines pasted = tree::readLinesText(u"E\t2\nZ\t3\n"_s);
        QVERIFY(e->edits().checkPasted(u"S"_s, pasted.lines));
        byAnotherProgram(u"DELETE FROM ItemMaster WHERE ItemID = 'Z'"_s);
        e->desktop.asked.clear();
        QVERIFY(!e->edits().writeLines(tree::pastedBatch(u"S"_s, pasted.lines), u"Paste 2 lines into S"_s));
        QCOMPARE(e->desktop.messageTexts().size(), 1);
        QVERIFY2(e->desktop.messageTexts().at(0).startsWith(u"1321 'Z' is not in the Item Master."_s),
                 qPrintable(e->desktop.messageTexts().at(0)));
        QCOMPARE(sorted(m_backend->lines()), oracle.lines());

        // A drop of Z, which the list still offers: refused with the same number, before the
        // quantity is asked.
        e->desktop.asked.clear();
        e->desktop.messageAnswers = {desktop::ResultYes};
        e->desktop.inputAnswers = {u"1"_s};
        e->edits().addComponent(e->node(u"B/D"_s), u"Z"_s);
        QCOMPARE(e->desktop.messageTexts(),
                 (QStringList{u"Make Target Item A Parent?"_s, u"1321 'Z' is not in the Item Master."_s}));
        QCOMPARE(e->desktop.inputAnswers.size(), 1);
        // E leaves the Item Master while the drop's question is open: the write refuses it.
        e->desktop.asked.clear();
        e->desktop.messageAnswers = {desktop::ResultYes};
        e->desktop.onMessage = [&] { byAnotherProgram(u"DELETE FROM ItemMaster WHERE ItemID = 'E'"_s); };
        e->edits().addComponent(e->node(u"B/D"_s), u"E"_s);
        e->desktop.onMessage = {};
        QCOMPARE(e->desktop.messageTexts(),
                 (QStringList{u"Make Target Item A Parent?"_s, u"1321 'E' is not in the Item Master."_s}));
        QVERIFY(e->desktop.inputAnswers.isEmpty());
        QCOMPARE(sorted(m_backend->lines()), oracle.lines());
        QVERIFY(!e->document.hasLine(u"D"_s, u"E"_s));
        // A drop undone, its item deleted, then Redo: a new line again, refused as the drop
        // would be now, and kept to be tried again.
        e->desktop.messageAnswers = {desktop::ResultYes};
        e->desktop.inputAnswers = {u"2"_s};
        e->edits().addComponent(e->node(u"B/D"_s), u"NEW"_s);
        QVERIFY(e->document.hasLine(u"D"_s, u"NEW"_s));
        e->edits().undo();
        byAnotherProgram(u"DELETE FROM ItemMaster WHERE ItemID = 'NEW'"_s);
        e->desktop.asked.clear();
        e->edits().redo();
        QCOMPARE(e->desktop.messageTexts(), QStringList{u"1321 'NEW' is not in the Item Master."_s});
        QCOMPARE(sorted(m_backend->lines()), oracle.lines());
        QVERIFY(e->history().canRedo());

        // The quantity edit asks nothing: the status says it once the line is written.
        e->desktop.asked.clear();
        e->edits().changeQuantity(e->node(u"B/S/Y"_s), u"6"_s);
        QVERIFY(e->desktop.asked.isEmpty());
        QCOMPARE(e->status, shared);
        oracle.add(u"S"_s, u"Y"_s, 6);
        QCOMPARE(sorted(m_backend->lines()), oracle.lines());
    }
};

QTEST_MAIN(ManyLinesTest)
#include "many_lines_test.moc"
