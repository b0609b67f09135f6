// Add Component…, several nodes selected, Delete of many, Copy and Paste through the window,
// on a file and on a throw-away server, each write compared row by row with an oracle. What
// the edits of many lines check, write and undo: tests/tree/many_lines_test.

#include "desktop/Desktop.h"
#include "shell/edit/ItemPickDialog.h"
#include "shell/edit/PasteDialog.h"
#include "shell/window/BomTreeView.h"
#include "shell/window/ItemFindField.h"
#include "shell/window/ItemList.h"
#include "store/Store.h"
#include "support/BackendSuite.h"
#include "support/LineOracle.h"
#include "support/WindowFixture.h"
#include "tree/bill/BomTreeModel.h"
#include "tree/edits/LinePaste.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace lineoracle;

namespace {

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

        // Typed into the find field, the list narrows as the main one does; Enter takes no line
        // the user did not move to, Down and Enter take the one left, then the drop's
        // questions follow.
        f->desktop.asked.clear();
        QStringList shown;
        bool stayedOpen = false;
        f->desktop.dialogAnswers = {[&](QDialog& dialog) {
            auto& box = static_cast<shell::ItemPickDialog&>(dialog);
            QTest::keyClicks(&box.findField(), u"part"_s);
            shown = box.list().items();
            QTest::keyClick(&box.findField(), Qt::Key_Return);
            stayedOpen = dialog.isVisible();
            QTest::keyClick(&box.findField(), Qt::Key_Down);
            QTest::keyClick(&box.list(), Qt::Key_Return);
            return dialog.result();
        }};
        f->desktop.messageAnswers = {desktop::ResultYes};
        f->desktop.inputAnswers = {u"2.5"_s};
        action(*f, "mnuAddComponent")->trigger();
        QCOMPARE(shown, QStringList{u"NEW"_s});
        QVERIFY(stayedOpen);
        QCOMPARE(f->desktop.asked.size(), 4);
        QCOMPARE(f->desktop.asked.at(1).text, u"Make Target Item A Parent?"_s);
        QCOMPARE(f->desktop.asked.at(2).title, u"Add BOM Item"_s);
        // NEW is counted in whole pieces: 2.5 of it is asked about once (OK here).
        QCOMPARE(f->desktop.asked.at(3).text, u"Use 2.5 PC?"_s);
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

        QTest::keyClick(&f->tree(), Qt::Key_Delete);
        oracle.remove(u"B"_s, u"D"_s);
        oracle.remove(u"S"_s, u"X"_s);
        oracle.remove(u"A"_s, u"C"_s);
        QCOMPARE(sorted(m_backend->lines()), oracle.lines());
        QCOMPARE(f->outline(), u"B[S[Y]]"_s);
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
        // Each note says which answer it concerns: S is shared, and Yes pastes into it.
        QCOMPARE(f->desktop.asked.at(0).informative,
                 u"Yes: the 2 pasted lines go into S. No: beside S, into C.\n"
                 u"If Yes: S is also used in B: the change shows there too."_s);
        QCOMPARE(preview, (QStringList{u"D:"_s, u"S:1022"_s}));
        oracle.add(u"C"_s, u"D"_s, 3);
        QCOMPARE(sorted(m_backend->lines()), oracle.lines());
        QCOMPARE(action(*f, "mnuUndo")->text(), u"&Undo Paste 1 line into C"_s);
        // Under C's S, beside X is into S, which B uses as well: that is No's note.
        f->desktop.asked.clear();
        f->tree().setCurrentIndex(f->node(u"C/S/X"_s));
        f->desktop.messageAnswers = {desktop::ResultCancel};
        action(*f, "mnuPaste")->trigger();
        QCOMPARE(f->desktop.asked.at(0).informative,
                 u"Yes: the 2 pasted lines go into X. No: beside X, into S.\n"
                 u"If No: S is also used in B: the change shows there too."_s);
        QCOMPARE(sorted(m_backend->lines()), oracle.lines());
    }

    void pasteAsksOnceAboutAHeaderItDoesNotKnowAndShowsWhatEachIdNames() {
        const auto f = start();
        Oracle oracle;
        f->tree().setCurrentIndex(f->node(u"C"_s));
        QStringList shown; // each box's name, and the preview's rows as "ID QTY UOM DESCRIPTION"
        const auto preview = [&](QDialog& dialog) {
            shown.append(dialog.objectName());
            const QAbstractItemModel* rows = dialog.findChild<QTableView*>(u"PasteTable"_s)->model();
            for (int r = 0; r < rows->rowCount(); ++r) {
                QStringList cells;
                for (int c = 0; c < 4; ++c)
                    cells.append(rows->index(r, c).data().toString());
                shown.append(cells.join(u' '));
            }
            return int(QDialog::Accepted);
        };
        putOnClipboard(u"Pieces\tStock No\n2\tE\n"_s);
        f->desktop.dialogAnswers = {[&](QDialog& dialog) {
                                        shown.append(dialog.objectName());
                                        // The quantity is in the first column, the ID in the second.
                                        dialog.findChild<QComboBox*>(u"IdColumn"_s)->setCurrentIndex(1);
                                        dialog.findChild<QComboBox*>(u"QuantityColumn"_s)->setCurrentIndex(0);
                                        return int(QDialog::Accepted);
                                    },
                                    preview};
        f->desktop.messageAnswers = {desktop::ResultYes};
        action(*f, "mnuPaste")->trigger();
        oracle.add(u"C"_s, u"E"_s, 2);
        QCOMPARE(sorted(m_backend->lines()), oracle.lines());

        // The same header again: its columns as answered, and no question.
        putOnClipboard(u"Pieces\tStock No\n3\tZ\n4\tNOPE\n"_s);
        f->desktop.dialogAnswers = {preview};
        f->desktop.messageAnswers = {desktop::ResultYes};
        action(*f, "mnuPaste")->trigger();
        oracle.add(u"C"_s, u"Z"_s, 3);
        QCOMPARE(sorted(m_backend->lines()), oracle.lines());
        QCOMPARE(shown, (QStringList{u"PasteColumns"_s, u"PasteLines"_s, u"E 2 PC Spacer"_s,
                                     u"PasteLines"_s, u"Z 3 PC Washer"_s, u"NOPE 4  "_s}));

        // Cancel at the question: nothing more is asked, nothing written.
        putOnClipboard(u"Count\tThing\n5\tY\n"_s);
        f->desktop.asked.clear();
        action(*f, "mnuPaste")->trigger();
        QCOMPARE(f->desktop.asked.size(), 1);
        QCOMPARE(sorted(m_backend->lines()), oracle.lines());
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

        // A quantity of zero or less is written only after one more question; No writes
        // none of the paste.
        putOnClipboard(u"E\t-2\nZ\t-1\n"_s);
        QString heading;
        f->desktop.dialogAnswers = {[&](QDialog& dialog) {
            heading = dialog.findChild<QLabel*>(u"PasteHeading"_s)->text();
            return int(QDialog::Accepted);
        }};
        f->desktop.asked.clear();
        f->desktop.messageAnswers = {desktop::ResultYes, desktop::ResultNo};
        action(*f, "mnuPaste")->trigger();
        QCOMPARE(f->desktop.messages().size(), 2);
        QCOMPARE(heading, u"2 lines go into B."_s);
        QCOMPARE(f->desktop.messages().at(1).text, u"Use Quantities of Zero or Less?"_s);
        QVERIFY(f->desktop.messages().at(1).informative.contains(u"B → E, quantity -2"_s));
        QCOMPARE(sorted(m_backend->lines()), before);
    }
};

QTEST_MAIN(SelectionEditTest)
#include "selection_edit_test.moc"
