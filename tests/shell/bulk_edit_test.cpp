// Replace Component, Remove From Every Assembly and Copy Bill To through the window, each
// compared with the database it should leave, row by row with start dates, and its Undo with
// the database before it. The batches' writes, refusals and steps: tests/tree/edit_history_test.

#include "shell/window/BomTreeView.h"
#include "shell/window/ItemFindField.h"
#include "shell/window/ItemList.h"
#include "shell/edit/ReplaceDialog.h"
#include "store/History.h"
#include "store/StoreError.h"
#include "support/TreeCompare.h"
#include "support/WindowFixture.h"

#include <QAction>
#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

namespace {

QStringList sortedRows(QStringList list) {
    std::sort(list.begin(), list.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return list;
}

void trigger(WindowFixture& f, const char* name) {
    QAction* action = f.window().findChild<QAction*>(QLatin1StringView(name));
    QVERIFY2(action, name);
    action->trigger();
}

/// A find box answered as a user does: the text typed, then the line of `item` made current.
std::function<int(QDialog&)> pick(const QString& typed, const QString& item) {
    return [=](QDialog& dialog) {
        auto* find = dialog.findChild<shell::ItemFindField*>();
        auto* list = dialog.findChild<shell::ItemList*>(QStringLiteral("PickList"));
        if (!find || !list)
            return int(QDialog::Rejected);
        find->setText(typed);
        const int row = int(list->items().indexOf(item));
        if (row < 0)
            return int(QDialog::Rejected);
        list->setCurrentIndex(list->model()->index(row, 0));
        return int(QDialog::Accepted);
    };
}

const QString Stored = QStringLiteral("1996-01-01 00:00:00");

} // namespace

class BulkEditTest : public QObject {
    Q_OBJECT

    static std::vector<ItemRow> items() {
        std::vector<ItemRow> all;
        for (const char* id : {"A", "B", "C", "P", "Q", "R", "T"})
            all.push_back({QString::fromLatin1(id), {}, {}});
        return all;
    }
    // P stands in A, B, C and R. Q stands in A already, and C stands under Q: putting Q in
    // place of P is a duplicate in A and a cycle in C.
    static std::vector<Line> lines() {
        return {{"A", "P", 2}, {"A", "Q", 1}, {"B", "P", 1}, {"C", "P", 3},
                {"Q", "C", 1}, {"R", "P", 5}, {"R", "T", QVariant()}};
    }

private Q_SLOTS:
    void replaceAndRemoveEverywhereAreOneStepEach() {
        WindowFixture f(items(), lines());
        const QStringList before = rowsOf(f.database);
        f.load(QStringLiteral("B"));
        f.click(f.node(QStringLiteral("P")));

        // Esc in the find box, then in the list of assemblies: nothing is written.
        trigger(f, "mnuReplaceComponent");
        QCOMPARE(f.desktop.asked.last().kind, QStringLiteral("dialog"));
        QCOMPARE(f.desktop.asked.last().title, QStringLiteral("Replace Component"));
        f.desktop.dialogAnswers = {pick(QStringLiteral("q"), QStringLiteral("Q"))};
        trigger(f, "mnuReplaceComponent");
        QCOMPARE(f.desktop.asked.last().title, QStringLiteral("Replace Component"));
        QCOMPARE(rowsOf(f.database), before);

        std::vector<size_t> offered;
        store::setFileHistoryKept(true);
        f.desktop.dialogAnswers = {
            pick(QStringLiteral("q"), QStringLiteral("Q")), [&](QDialog& dialog) {
                auto& box = static_cast<shell::ReplaceDialog&>(dialog);
                offered = box.ticked();
                box.setTicked(0, true); // refused lines cannot be ticked
                box.setFactorText(QStringLiteral("2"));
                box.findChild<QLineEdit*>(QStringLiteral("replaceReason"))
                    ->setText(QStringLiteral("  new supplier "));
                return int(QDialog::Accepted);
            }};
        trigger(f, "mnuReplaceComponent");
        store::setFileHistoryKept(false);
        // One change set in the history, named as the step, with the reason given.
        const std::vector<store::ChangeRecord> recorded =
            store::openHistory(f.database)->changes({});
        QCOMPARE(recorded.size(), std::size_t(4)); // B and R: P out and Q in, a row each
        for (const store::ChangeRecord& change : recorded) {
            QCOMPARE(change.command, QStringLiteral("Replace P with Q in 2 assemblies"));
            QCOMPARE(change.reason, QStringLiteral("new supplier"));
        }
        // A (duplicate) and C (cycle) are listed unticked: B and R are written.
        QCOMPARE(offered, (std::vector<size_t>{1, 3}));
        const QStringList replaced = sortedRows(
            {"A>P=2@" + Stored, "A>Q=1@" + Stored, "B>Q=2@" + Stored, "C>P=3@" + Stored,
             "Q>C=1@" + Stored, "R>Q=10@" + Stored, "R>T=@" + Stored});
        QCOMPARE(sortedRows(rowsOf(f.database)), replaced);
        QCOMPARE(f.outline(), QStringLiteral("Q[C[P]]"));

        trigger(f, "mnuUndo");
        QCOMPARE(rowsOf(f.database), before);
        QCOMPARE(f.outline(), QStringLiteral("P"));

        // A factor that makes quantities zero or less is asked about; No writes nothing.
        f.click(f.node(QStringLiteral("P")));
        f.desktop.dialogAnswers = {
            pick(QStringLiteral("q"), QStringLiteral("Q")), [](QDialog& dialog) {
                static_cast<shell::ReplaceDialog&>(dialog).setFactorText(QStringLiteral("-1"));
                return int(QDialog::Accepted);
            }};
        f.desktop.messageAnswers = {desktop::ResultNo};
        f.desktop.asked.clear();
        trigger(f, "mnuReplaceComponent");
        QCOMPARE(f.desktop.messages().size(), 1);
        QCOMPARE(f.desktop.messages().at(0).text, QStringLiteral("Use Quantities of Zero or Less?"));
        QCOMPARE(rowsOf(f.database), before);

        // Remove P everywhere but from A.
        f.click(f.node(QStringLiteral("P")));
        f.desktop.dialogAnswers = {[](QDialog& dialog) {
            auto& box = static_cast<shell::ReplaceDialog&>(dialog);
            box.setTicked(0, false);
            return int(QDialog::Accepted);
        }};
        trigger(f, "mnuRemoveEverywhere");
        QCOMPARE(f.desktop.asked.last().title, QStringLiteral("Remove From Every Assembly"));
        QCOMPARE(rowsOf(f.database),
                 (QStringList{"A>P=2@" + Stored, "A>Q=1@" + Stored, "Q>C=1@" + Stored,
                              "R>T=@" + Stored}));
        QCOMPARE(f.outline(), QString());
        trigger(f, "mnuUndo");
        QCOMPARE(rowsOf(f.database), before);
        QCOMPARE(f.outline(), QStringLiteral("P"));

        // The Where Used window's button replaces the item it shows.
        f.click(f.node(QStringLiteral("P")));
        trigger(f, "mnuWhereUsed");
        auto* button = f.window().findChild<QPushButton*>(QStringLiteral("whereUsedReplace"));
        QVERIFY(button && button->isVisible());
        const qsizetype asked = f.desktop.asked.size();
        button->click();
        QCOMPARE(f.desktop.asked.size(), asked + 1);
        QCOMPARE(f.desktop.asked.last().title, QStringLiteral("Replace Component"));
    }

    // The same item as old and new sets the quantity of the ticked lines (a value, then a
    // factor): each line rewritten under its own key and start date, one change set of one
    // change per line, and one Undo that gives back the database exactly.
    void theSameItemSetsItsQuantityInOneStep() {
        WindowFixture f(items(), lines());
        const QStringList before = rowsOf(f.database);
        f.load(QStringLiteral("R"));
        f.click(f.node(QStringLiteral("P")));
        QString heading;
        bool okWithoutNumber = true;
        store::setFileHistoryKept(true);
        f.desktop.dialogAnswers = {
            pick(QStringLiteral("p"), QStringLiteral("P")), [&](QDialog& dialog) {
                auto& box = static_cast<shell::ReplaceDialog&>(dialog);
                auto* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
                okWithoutNumber = ok->isEnabled();
                box.setTicked(0, false);
                box.setQuantityText(false, QStringLiteral("4"));
                heading = dialog.findChild<QLabel*>(QStringLiteral("replaceHeading"))->text();
                return int(QDialog::Accepted);
            }};
        trigger(f, "mnuReplaceComponent");
        store::setFileHistoryKept(false);
        QCOMPARE(f.desktop.asked.last().title, QStringLiteral("Set Quantity"));
        QVERIFY(!okWithoutNumber);
        QCOMPARE(heading, QStringLiteral("Set the quantity of P in 3 assemblies"));
        QCOMPARE(sortedRows(rowsOf(f.database)),
                 sortedRows({"A>P=2@" + Stored, "A>Q=1@" + Stored, "B>P=4@" + Stored,
                             "C>P=4@" + Stored, "Q>C=1@" + Stored, "R>P=4@" + Stored,
                             "R>T=@" + Stored}));
        QVERIFY2(differenceFromFreshLoad(f).isEmpty(), qPrintable(differenceFromFreshLoad(f)));
        const std::vector<store::ChangeRecord> recorded =
            store::openHistory(f.database)->changes({});
        QCOMPARE(recorded.size(), std::size_t(3));
        for (const store::ChangeRecord& change : recorded) {
            QCOMPARE(change.changeSet, recorded.front().changeSet);
            QCOMPARE(change.command, QStringLiteral("Set the quantity of P in 3 assemblies"));
            QVERIFY(change.before.exists && change.after.exists);
            QCOMPARE(change.after.quantity.toDouble(), 4.0);
            QCOMPARE(change.after.startDate.toString(), Stored);
        }
        trigger(f, "mnuUndo");
        QCOMPARE(rowsOf(f.database), before);
        QVERIFY2(differenceFromFreshLoad(f).isEmpty(), qPrintable(differenceFromFreshLoad(f)));

        // A factor scales every ticked line.
        f.click(f.node(QStringLiteral("P")));
        f.desktop.dialogAnswers = {
            pick(QStringLiteral("p"), QStringLiteral("P")), [](QDialog& dialog) {
                static_cast<shell::ReplaceDialog&>(dialog).setQuantityText(true,
                                                                           QStringLiteral("2"));
                return int(QDialog::Accepted);
            }};
        trigger(f, "mnuReplaceComponent");
        QCOMPARE(sortedRows(rowsOf(f.database)),
                 sortedRows({"A>P=4@" + Stored, "A>Q=1@" + Stored, "B>P=2@" + Stored,
                             "C>P=6@" + Stored, "Q>C=1@" + Stored, "R>P=10@" + Stored,
                             "R>T=@" + Stored}));
        QVERIFY2(differenceFromFreshLoad(f).isEmpty(), qPrintable(differenceFromFreshLoad(f)));
        trigger(f, "mnuUndo");
        QCOMPARE(rowsOf(f.database), before);
    }

    // What the window adds to a replace: the box says that the start dates stay, the current
    // node stays on the line that took its place (not on a sibling), and the same item spelt
    // in another case is the same item, whose quantity is set.
    void aReplaceKeepsTheCurrentLineAndTellsSetQuantityByTheKeyRule() {
        WindowFixture f(items(), {{"A", "P", 2}, {"R", "p", 5}, {"R", "T", 1}});
        f.load(QStringLiteral("R"));
        f.click(f.node(QStringLiteral("p")));
        QString dates;
        f.desktop.dialogAnswers = {
            pick(QStringLiteral("q"), QStringLiteral("Q")), [&](QDialog& dialog) {
                dates = dialog.findChild<QLabel*>(QStringLiteral("replaceDates"))->text();
                return int(QDialog::Accepted);
            }};
        trigger(f, "mnuReplaceComponent");
        QCOMPARE(dates, QStringLiteral("Each new line keeps the start date of the line it replaces."));
        QCOMPARE(f.outline(), QStringLiteral("Q T"));
        QCOMPARE(f.model().text(f.tree().currentIndex()), QStringLiteral("Q"));
        // And the status still says what was done.
        QVERIFY2(f.status().startsWith(QStringLiteral("Done: Replace p with Q")), qPrintable(f.status()));
        trigger(f, "mnuUndo");

        // Old "p" as R's line spells it, new "P" as the Item Master does: Set Quantity.
        f.click(f.node(QStringLiteral("p")));
        QString heading;
        f.desktop.dialogAnswers = {
            pick(QStringLiteral("p"), QStringLiteral("P")), [&](QDialog& dialog) {
                heading = dialog.findChild<QLabel*>(QStringLiteral("replaceHeading"))->text();
                dates = dialog.findChild<QLabel*>(QStringLiteral("replaceDates"))->text();
                return int(QDialog::Rejected);
            }};
        trigger(f, "mnuReplaceComponent");
        QCOMPARE(f.desktop.asked.last().title, QStringLiteral("Set Quantity"));
        QCOMPARE(heading, QStringLiteral("Set the quantity of p in 2 assemblies"));
        QCOMPARE(dates, QStringLiteral("Each line keeps its start date."));
    }

    void aReplaceOffersNoInfiniteQuantity() {
        WindowFixture f(items(), lines());
        const QStringList before = rowsOf(f.database);
        f.load(QStringLiteral("B"));
        // 1e308 times 5 is no finite number: R's new quantity says so and OK is disabled; an
        // OK forced through writes nothing.
        f.click(f.node(QStringLiteral("P")));
        bool okEnabled = true;
        QString shownForR;
        f.desktop.dialogAnswers = {
            pick(QStringLiteral("q"), QStringLiteral("Q")), [&](QDialog& dialog) {
                auto& box = static_cast<shell::ReplaceDialog&>(dialog);
                box.setFactorText(QStringLiteral("1e308"));
                okEnabled = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isEnabled();
                shownForR = dialog.findChild<QTreeWidget*>()->topLevelItem(3)->text(2);
                return int(QDialog::Accepted);
            }};
        trigger(f, "mnuReplaceComponent");
        QVERIFY(!okEnabled);
        QCOMPARE(shownForR, QStringLiteral("not a finite number"));
        QCOMPARE(rowsOf(f.database), before);
    }

    void copyBillAsksBeforeAddingAndListsWhatItSkips() {
        WindowFixture f(items(), lines());
        const QStringList before = rowsOf(f.database);

        // Nothing loaded: nothing to copy.
        trigger(f, "mnuCopyBill");
        QVERIFY(f.desktop.messageTexts().last().startsWith(QStringLiteral("1302 ")));

        f.load(QStringLiteral("A"));
        // Into P, which A lists (a component of itself), and Q stands above P: every line is
        // refused, listed, and nothing is written.
        f.desktop.dialogAnswers = {pick(QStringLiteral("P"), QStringLiteral("P"))};
        trigger(f, "mnuCopyBill");
        QCOMPARE(f.desktop.asked.at(f.desktop.asked.size() - 2).title,
                 QStringLiteral("Copy Bill To"));
        QVERIFY(f.desktop.messageTexts().last().startsWith(QStringLiteral("1303 ")));
        QVERIFY(f.desktop.messageTexts().last().contains(QStringLiteral("1031 ")));
        QCOMPARE(rowsOf(f.database), before);

        // Into B, which has a bill: asked first; Cancel writes nothing.
        f.desktop.dialogAnswers = {pick(QStringLiteral("B"), QStringLiteral("B"))};
        f.desktop.messageAnswers = {desktop::ResultCancel};
        trigger(f, "mnuCopyBill");
        QCOMPARE(f.desktop.asked.last().text, QStringLiteral("B Has A Bill Of Material. Add To It?"));
        QVERIFY(f.desktop.asked.last().informative.contains(QStringLiteral("B \u2192 P: 1022 ")));
        QCOMPARE(rowsOf(f.database), before);

        // OK: Q goes in, started now; P, which B lists, is skipped.
        f.desktop.dialogAnswers = {pick(QStringLiteral("B"), QStringLiteral("B"))};
        f.desktop.messageAnswers = {desktop::ResultOk};
        const QDateTime start = QDateTime::currentDateTime().addSecs(-1);
        trigger(f, "mnuCopyBill");
        const QVariant date = columnOf(f.database, "B", "Q", "StartDate");
        QVERIFY(QDateTime::fromString(date.toString(), store::schema::StartDateFormat) >=
                start.addMSecs(-start.time().msec()));
        QStringList copied = before;
        copied.append("B>Q=1@" + date.toString());
        QCOMPARE(sortedRows(rowsOf(f.database)), sortedRows(copied));
        QCOMPARE(f.window().findChild<QAction*>(QStringLiteral("mnuUndo"))->text(),
                 QStringLiteral("&Undo Copy Bill of A to B"));
        trigger(f, "mnuUndo");
        QCOMPARE(rowsOf(f.database), before);

        // Into T, which has no bill: no question. The reason given goes with the change set.
        f.desktop.dialogAnswers = {[](QDialog& dialog) {
            dialog.findChild<QLineEdit*>(QStringLiteral("pickReason"))
                ->setText(QStringLiteral("second line "));
            return pick(QStringLiteral("t"), QStringLiteral("T"))(dialog);
        }};
        const qsizetype asked = f.desktop.messages().size();
        store::setFileHistoryKept(true);
        trigger(f, "mnuCopyBill");
        store::setFileHistoryKept(false);
        QCOMPARE(f.desktop.messages().size(), asked);
        QCOMPARE(linesOf(f.database).filter(QStringLiteral("T>")),
                 (QStringList{"T>P=2", "T>Q=1"}));
        const std::vector<store::ChangeRecord> recorded =
            store::openHistory(f.database)->changes({});
        QCOMPARE(recorded.size(), std::size_t(2));
        for (const store::ChangeRecord& change : recorded) {
            QCOMPARE(change.command, QStringLiteral("Copy Bill of A to T"));
            QCOMPARE(change.reason, QStringLiteral("second line"));
        }
    }
};

QTEST_MAIN(BulkEditTest)
#include "bulk_edit_test.moc"
