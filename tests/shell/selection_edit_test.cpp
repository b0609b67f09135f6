// Add Component…, several nodes selected, Delete of many, Copy and Paste through the window,
// on a file and on a throw-away server, each write compared row by row with an oracle.

#include "desktop/Desktop.h"
#include "shell/edit/ItemPickDialog.h"
#include "shell/window/BomTreeView.h"
#include "shell/window/ItemFindField.h"
#include "shell/window/ItemList.h"
#include "shell/edit/PasteDialog.h"
#include "store/Store.h"
#include "support/BackendSuite.h"
#include "support/WindowFixture.h"
#include "tree/BomTreeModel.h"
#include "tree/LinePaste.h"

#include <QAction>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <map>

using namespace Qt::StringLiterals;

namespace {

const std::vector<ItemRow> Items{
    {"A", "Top", "EA"},       {"B", "Frame", "EA"},     {"C", "Cover", "EA"},
    {"D", "Disc\t6\"", "PC"}, {"E", "Spacer", "PC"},    {"S", "Shared sub", "EA"},
    {"X", "=Bolt", "PC"},     {"Y", "Nut", "PC"},       {"Z", "Washer", "PC"},
    {"NEW", "New part", "PC"}, {"Ærø 'x'", "Odd", "PC"}};
// A = {B = {D, S}, C = {S}}, S = {X, Y}: S is one bill shown twice.
const std::vector<Line> Lines{{"A", "B", 1}, {"A", "C", 2}, {"B", "D", 3},
                              {"B", "S", 1}, {"C", "S", 2}, {"S", "X", 4}, {"S", "Y", 5}};

/// What the database must hold: every line and its quantity, changed as each edit should.
class Oracle {
public:
    Oracle() {
        for (const Line& line : Lines)
            m_lines[{line.assembly, line.component}] = line.quantity.toDouble();
    }
    void add(const QString& assembly, const QString& component, double quantity) {
        m_lines[{assembly, component}] = quantity;
    }
    void remove(const QString& assembly, const QString& component) {
        m_lines.erase({assembly, component});
    }
    /// As StoreBackend::lines gives them, in one order.
    QStringList lines() const {
        QStringList result;
        for (const auto& [key, quantity] : m_lines)
            result.append(u"%1>%2=%3"_s.arg(key.first, key.second, QVariant(quantity).toString()));
        result.sort();
        return result;
    }

private:
    std::map<std::pair<QString, QString>, double> m_lines;
};

QStringList sorted(QStringList lines) {
    lines.sort();
    return lines;
}

QAction* action(WindowFixture& f, const char* name) {
    return f.window().findChild<QAction*>(QLatin1StringView(name));
}

/// Adds the node to the selection with a Ctrl+click, as the user does; it becomes current.
void ctrlClick(WindowFixture& f, const QModelIndex& node) {
    for (QModelIndex up = node.parent(); up.isValid(); up = up.parent())
        f.tree().expand(up);
    f.tree().scrollTo(node);
    QTest::mouseClick(f.tree().viewport(), Qt::LeftButton, Qt::ControlModifier,
                      f.tree().visualRect(node).center());
}

void putOnClipboard(const QString& text) {
    auto* data = new QMimeData;
    data->setText(text);
    QGuiApplication::clipboard()->setMimeData(data);
}

/// Refusal numbers of the preview's lines, "ID:NUMBER" ("ID:" when the line is added).
QStringList refusals(const shell::PasteDialog& dialog) {
    QStringList result;
    for (const QString& line : dialog.shownLines())
        result.append(line.section(u'\t', 0, 0) + u':' + line.section(u'\t', 2).section(u' ', 0, 0));
    return result;
}

} // namespace

class SelectionEditTest : public BackendSuite {
    Q_OBJECT

    std::unique_ptr<StoreBackend> m_backend;

    /// The window on the backend of the current row, holding Items and Lines, with A loaded.
    std::unique_ptr<WindowFixture> start() {
        m_backend = std::make_unique<StoreBackend>(backend());
        m_backend->write(Items, Lines);
        auto f = std::make_unique<WindowFixture>(m_backend->address());
        f->load(u"A"_s);
        return f;
    }

private Q_SLOTS:
    void addComponentFromTheKeyboard() {
        const auto f = start();
        Oracle oracle;
        QCOMPARE(action(*f, "mnuAddComponent")->shortcut(), QKeySequence(Qt::Key_Insert));
        // Esc in the box: nothing is asked after it, nothing written.
        f->tree().setCurrentIndex(f->node(u"B"_s));
        bool closed = false;
        f->desktop.dialogAnswers = {[&](QDialog& dialog) {
            QTest::keyClick(&static_cast<shell::ItemPickDialog&>(dialog).findField(), Qt::Key_Escape);
            closed = !dialog.isVisible();
            return dialog.result();
        }};
        action(*f, "mnuAddComponent")->trigger();
        QVERIFY(closed);
        QCOMPARE(f->desktop.asked.size(), 1);
        QCOMPARE(sorted(m_backend->lines()), oracle.lines());

        // Typed into the find field, the list narrows as the main one does; Enter picks the
        // one line left, then the drop's questions follow.
        f->desktop.asked.clear();
        QStringList shown;
        f->desktop.dialogAnswers = {[&](QDialog& dialog) {
            auto& box = static_cast<shell::ItemPickDialog&>(dialog);
            QTest::keyClicks(&box.findField(), u"part"_s);
            shown = box.list().items();
            QTest::keyClick(&box.findField(), Qt::Key_Return);
            return dialog.result();
        }};
        f->desktop.messageAnswers = {desktop::ResultYes};
        f->desktop.inputAnswers = {u"2.5"_s};
        action(*f, "mnuAddComponent")->trigger();
        QCOMPARE(shown, QStringList{u"NEW"_s});
        QCOMPARE(f->desktop.asked.size(), 3);
        QCOMPARE(f->desktop.asked.at(1).text, u"Make Target Item A Parent?"_s);
        QCOMPARE(f->desktop.asked.at(2).title, u"Add BOM Item"_s);
        oracle.add(u"B"_s, u"NEW"_s, 2.5);
        QCOMPARE(sorted(m_backend->lines()), oracle.lines());
        QVERIFY(f->node(u"B/NEW"_s).isValid());

        // On the empty tree of a loaded item, as a drop there: only the quantity is asked.
        f->load(u"Ærø 'x'"_s);
        f->desktop.asked.clear();
        f->desktop.dialogAnswers = {[](QDialog& dialog) {
            auto& box = static_cast<shell::ItemPickDialog&>(dialog);
            QTest::keyClicks(&box.findField(), u"washer"_s);
            QTest::keyClick(&box.findField(), Qt::Key_Down);
            QTest::keyClick(&box.list(), Qt::Key_Return);
            return dialog.result();
        }};
        f->desktop.inputAnswers = {u"1"_s};
        action(*f, "mnuAddComponent")->trigger();
        QCOMPARE(f->desktop.asked.size(), 2);
        oracle.add(u"Ærø 'x'"_s, u"Z"_s, 1);
        QCOMPARE(sorted(m_backend->lines()), oracle.lines());
    }

    void deleteOfManyIsOneQuestionAndOneStep() {
        const auto f = start();
        Oracle oracle;
        // Shift+Down extends the selection; the statistics follow the current node.
        f->click(f->node(u"B"_s));
        QTest::keyClick(&f->tree(), Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(f->tree().selectedNodes().size(), size_t(2));
        QCOMPARE(f->label("Label8").text(), u"2"_s); // C, the current node

        // The same line under both copies of S is one line; S/Y under the selected C goes
        // with C's line and keeps its own.
        f->click(f->node(u"B/D"_s));
        for (const char* path : {"C/S/X", "B/S/X", "C", "C/S/Y"})
            ctrlClick(*f, f->node(QLatin1StringView(path)));
        QCOMPARE(f->tree().selectedNodes().size(), size_t(5));
        QCOMPARE(f->label("Label8").text(), u"5"_s); // S/Y, clicked last
        f->desktop.messageAnswers = {desktop::ResultCancel};
        QTest::keyClick(&f->tree(), Qt::Key_Delete);
        QCOMPARE(f->desktop.asked.size(), 1);
        const auto question = f->desktop.asked.at(0);
        QCOMPARE(question.text, u"Delete 3 Selected Lines?"_s);
        QCOMPARE(question.style, desktop::OkCancel | desktop::IconStop);
        // S's bill is B's and C's: deleting from it under B deletes it under C too.
        QCOMPARE(question.informative, u"Deletes these lines, all or none:\nB → D, quantity 3\n"
                                       u"S → X, quantity 4\nA → C, quantity 2\n"
                                       u"S is also used in C: the change shows there too."_s);
        QCOMPARE(sorted(m_backend->lines()), oracle.lines());

        const QVariant started = m_backend->startDate(u"S"_s, u"X"_s);
        QTest::keyClick(&f->tree(), Qt::Key_Delete);
        oracle.remove(u"B"_s, u"D"_s);
        oracle.remove(u"S"_s, u"X"_s);
        oracle.remove(u"A"_s, u"C"_s);
        QCOMPARE(sorted(m_backend->lines()), oracle.lines());
        QCOMPARE(f->outline(), u"B[S[Y]]"_s);

        // One undo puts every line back exactly, start dates included.
        action(*f, "mnuUndo")->trigger();
        QCOMPARE(sorted(m_backend->lines()), Oracle().lines());
        QCOMPARE(m_backend->startDate(u"S"_s, u"X"_s), started);
        QCOMPARE(f->outline(), u"B[D S[X Y]] C[S[X Y]]"_s);
        action(*f, "mnuRedo")->trigger();
        QCOMPARE(sorted(m_backend->lines()), oracle.lines());

        // A line that another program changes while the question lists it is not deleted,
        // and neither is any other.
        action(*f, "mnuUndo")->trigger();
        f->click(f->node(u"B/D"_s));
        ctrlClick(*f, f->node(u"C"_s));
        f->desktop.asked.clear();
        f->desktop.onMessage = [&] {
            f->desktop.onMessage = {};
            m_backend->open()->changeQuantity(u"A"_s, u"C"_s, 2.0, 7.0);
        };
        QTest::keyClick(&f->tree(), Qt::Key_Delete);
        QCOMPARE(f->desktop.asked.size(), 2);
        QVERIFY(f->desktop.asked.at(1).text.startsWith(u"1040 "_s));
        Oracle changed;
        changed.remove(u"A"_s, u"C"_s);
        changed.add(u"A"_s, u"C"_s, 7.0);
        QCOMPARE(sorted(m_backend->lines()), changed.lines());
    }

    void longListsAreShortened() {
        const auto f = start();
        // Twenty lines of one assembly, selected with Shift+End.
        std::vector<Line> lines = Lines;
        std::vector<ItemRow> items = Items;
        for (int i = 0; i < 20; ++i) {
            items.push_back({u"P%1"_s.arg(i, 2, 10, QChar(u'0')), {}, {}});
            lines.push_back({u"W"_s, items.back().id, 1});
        }
        items.push_back({u"W"_s, {}, {}});
        m_backend->write(items, lines);
        f->load(u"W"_s);
        f->click(f->node(u"P00"_s));
        QTest::keyClick(&f->tree(), Qt::Key_End, Qt::ShiftModifier);
        f->desktop.messageAnswers = {desktop::ResultCancel};
        QTest::keyClick(&f->tree(), Qt::Key_Delete);
        const QStringList listed = f->desktop.asked.value(0).informative.split(u'\n');
        QCOMPARE(listed.size(), 14); // the heading, 12 lines, what is left
        QCOMPARE(listed.last(), u"and 8 more"_s);
        QCOMPARE(m_backend->lines().size(), qsizetype(lines.size()));
    }

    void copyPutsTextAndExactLines() {
        const auto f = start();
        f->click(f->node(u"B/S/X"_s));
        ctrlClick(*f, f->node(u"B/D"_s));
        ctrlClick(*f, f->node(u"C/S/X"_s)); // the same line again
        action(*f, "mnuCopy")->trigger();
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        QCOMPARE(data->text(), u"Item ID\tQuantity\tUOM\tDescription\n"
                               u"D\t3\tPC\tDisc 6\"\n"
                               u"X\t4\tPC\t'=Bolt\n"_s);
        const tree::PastedLines own = tree::readOwnLines(data->data(tree::LinesMimeType));
        QCOMPARE(own.lines.size(), size_t(2));
        QCOMPARE(own.lines[1].component, u"X"_s);
        QCOMPARE(own.lines[1].quantity, std::optional<double>(4));
        QCOMPARE(f->status(), u"Copied 2 lines."_s);
    }

    void pasteShowsRefusalsAndWritesTheRest() {
        const auto f = start();
        Oracle oracle;
        // Copied lines pasted beside a node: S is there already, D is new.
        f->click(f->node(u"B/D"_s));
        ctrlClick(*f, f->node(u"B/S"_s));
        action(*f, "mnuCopy")->trigger();
        f->tree().setCurrentIndex(f->node(u"C/S"_s));
        QStringList preview;
        f->desktop.dialogAnswers = {[&](QDialog& dialog) {
            preview = refusals(static_cast<shell::PasteDialog&>(dialog));
            return int(QDialog::Accepted);
        }};
        f->desktop.messageAnswers = {desktop::ResultNo};
        action(*f, "mnuPaste")->trigger();
        QCOMPARE(f->desktop.asked.at(0).informative,
                 u"Yes: the 2 pasted lines go into S. No: beside S, into C.\n"
                 u"S is also used in B: the change shows there too."_s);
        QCOMPARE(preview, (QStringList{u"D:"_s, u"S:1022"_s}));
        oracle.add(u"C"_s, u"D"_s, 3);
        QCOMPARE(sorted(m_backend->lines()), oracle.lines());
        QCOMPARE(action(*f, "mnuUndo")->text(), u"&Undo Paste 1 line into C"_s);
    }

    void spreadsheetRowsAreResolvedAndRefused_data() {
        QTest::addColumn<int>("unknown");
        QTest::newRow("a few lines") << 0;
        QTest::newRow("a hundred unknown items more") << 100;
    }
    void spreadsheetRowsAreResolvedAndRefused() {
        QFETCH(int, unknown);
        const auto f = start();
        Oracle oracle;
        // A spreadsheet's rows into B: each refusal named, the rest written in one step.
        QString rows = u"Item ID\tQuantity\ne\t2\nNOPE\t1\nX\tabc\nE\t3\nA\t1\nD\t1\nZ\t0.5\n"_s;
        QStringList expected{u"E:"_s, u"NOPE:1321"_s, u"X:1032"_s, u"E:1322"_s,
                             u"A:1031"_s, u"D:1022"_s, u"Z:"_s};
        for (int i = 0; i < unknown; ++i) {
            rows += u"UNKNOWN-%1\t1\n"_s.arg(i);
            expected.append(u"UNKNOWN-%1:1321"_s.arg(i));
        }
        putOnClipboard(rows);
        f->tree().setCurrentIndex(f->node(u"B"_s));
        QStringList preview;
        f->desktop.dialogAnswers = {[&](QDialog& dialog) {
            preview = refusals(static_cast<shell::PasteDialog&>(dialog));
            return int(QDialog::Accepted);
        }};
        f->desktop.messageAnswers = {desktop::ResultYes};
        action(*f, "mnuPaste")->trigger();
        // The item as the Item Master spells it; a cycle; what B lists already.
        QCOMPARE(preview, expected);
        oracle.add(u"B"_s, u"E"_s, 2);
        oracle.add(u"B"_s, u"Z"_s, 0.5);
        QCOMPARE(sorted(m_backend->lines()), oracle.lines());
        QVERIFY(f->node(u"B/E"_s).isValid());
        action(*f, "mnuUndo")->trigger();
        oracle.remove(u"B"_s, u"E"_s);
        oracle.remove(u"B"_s, u"Z"_s);
        QCOMPARE(sorted(m_backend->lines()), oracle.lines());
        QVERIFY(!f->node(u"B/E"_s).isValid());
    }

    void aPasteOfRefusedLinesWritesNothing() {
        const auto f = start();
        const QStringList before = sorted(m_backend->lines());
        f->tree().setCurrentIndex(f->node(u"B"_s));
        // Esc at the question: no preview, nothing written.
        putOnClipboard(u"E\t1\n"_s);
        f->desktop.messageAnswers = {desktop::ResultCancel};
        action(*f, "mnuPaste")->trigger();
        QCOMPARE(f->desktop.asked.size(), 1);

        // Every line refused: OK is disabled, and even an OK forced through writes nothing.
        putOnClipboard(u"NOPE\t1\nD\t2\nB\t1\n"_s);
        bool okEnabled = true;
        f->desktop.dialogAnswers = {[&](QDialog& dialog) {
            okEnabled = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isEnabled();
            return int(QDialog::Accepted);
        }};
        f->desktop.messageAnswers = {desktop::ResultYes};
        action(*f, "mnuPaste")->trigger();
        QVERIFY(!okEnabled);
        QCOMPARE(sorted(m_backend->lines()), before);

        // A stale preview: another program adds one of the lines before OK. The write is
        // refused whole, and nothing of the paste is written.
        putOnClipboard(u"E\t1\nZ\t2\n"_s);
        f->desktop.dialogAnswers = {[&](QDialog&) {
            m_backend->open()->addLine(u"B"_s, u"Z"_s, 9, QDateTime::currentDateTime());
            return int(QDialog::Accepted);
        }};
        f->desktop.asked.clear();
        f->desktop.messageAnswers = {desktop::ResultYes};
        action(*f, "mnuPaste")->trigger();
        QCOMPARE(f->desktop.messages().size(), 2); // the question, then the refusal
        Oracle oracle;
        oracle.add(u"B"_s, u"Z"_s, 9);
        QCOMPARE(sorted(m_backend->lines()), oracle.lines());
        // Nothing pasted, nothing to undo of it.
        QVERIFY(!action(*f, "mnuUndo")->text().contains(u"Paste"_s));

        // A quantity of zero or less is written only after one more question; No writes
        // none of the paste.
        putOnClipboard(u"E\t-2\n"_s);
        f->desktop.dialogAnswers = {[](QDialog&) { return int(QDialog::Accepted); }};
        f->desktop.asked.clear();
        f->desktop.messageAnswers = {desktop::ResultYes, desktop::ResultNo};
        action(*f, "mnuPaste")->trigger();
        QCOMPARE(f->desktop.messages().size(), 2);
        QCOMPARE(f->desktop.messages().at(1).text, u"Use a Quantity of Zero or Less?"_s);
        QVERIFY(f->desktop.messages().at(1).informative.contains(u"B → E, quantity -2"_s));
        QCOMPARE(sorted(m_backend->lines()), oracle.lines());
    }

    void editsUnderASharedBillSayWhereElseTheyShowAndRefuseAGoneItem() {
        const auto f = start();
        Oracle oracle;
        const auto byAnotherProgram = [&](const QString& statement) {
            if (m_backend->kind() == StoreBackend::Sqlite)
                execOn(m_backend->address(), {statement});
            else
                execOnServer(m_server, {statement});
        };
        // S stands in B and in C: a change under S in B changes C too, and the questions
        // say so below their own texts, which stay as they are.
        const QString shared = u"S is also used in C: the change shows there too."_s;
        f->click(f->node(u"B/S/X"_s));
        f->desktop.messageAnswers = {desktop::ResultCancel};
        QTest::keyClick(&f->tree(), Qt::Key_Delete);
        QCOMPARE(f->desktop.asked.last().text, u"Delete Selected Item?"_s);
        QCOMPARE(f->desktop.asked.last().informative,
                 u"Deletes the line S → X, quantity 4.\n"_s + shared);
        // A node of B's own bill: B is used by A alone, where the user stands.
        f->click(f->node(u"B/D"_s));
        f->desktop.messageAnswers = {desktop::ResultCancel};
        QTest::keyClick(&f->tree(), Qt::Key_Delete);
        QCOMPARE(f->desktop.asked.last().informative, u"Deletes the line B → D, quantity 3."_s);

        // A paste into S: the preview's heading, then Z leaves the Item Master before OK, and
        // the paste is refused whole.
        putOnClipboard(u"E\t2\nZ\t3\n"_s);
        f->tree().setCurrentIndex(f->node(u"B/S"_s));
        QString heading;
        f->desktop.dialogAnswers = {[&](QDialog& dialog) {
            heading = dialog.findChild<QLabel*>(u"PasteHeading"_s)->text();
            byAnotherProgram(u"DELETE FROM ItemMaster WHERE ItemID = 'Z'"_s);
            return int(QDialog::Accepted);
        }};
        f->desktop.messageAnswers = {desktop::ResultYes};
        f->desktop.asked.clear();
        action(*f, "mnuPaste")->trigger();
        QCOMPARE(f->desktop.asked.at(0).informative,
                 u"Yes: the 2 pasted lines go into S. No: beside S, into B.\n"_s + shared);
        QCOMPARE(heading, u"2 lines go into S."_s);
        QCOMPARE(f->desktop.messageTexts().size(), 2);
        QVERIFY2(f->desktop.messageTexts().at(1).startsWith(u"1321 'Z' is not in the Item Master."_s),
                 qPrintable(f->desktop.messageTexts().at(1)));
        QCOMPARE(sorted(m_backend->lines()), oracle.lines());

        // The quantity edit asks nothing: the status says it once the line is written.
        f->model().setData(f->node(u"B/S/Y"_s).siblingAtColumn(tree::QuantityColumn), u"6"_s);
        QTRY_COMPARE(f->status(), shared);
        oracle.add(u"S"_s, u"Y"_s, 6);
        QCOMPARE(sorted(m_backend->lines()), oracle.lines());
    }
};

QTEST_MAIN(SelectionEditTest)
#include "selection_edit_test.moc"
