#include "shell/database/DatabaseChoice.h"
#include "shell/edit/ItemPickDialog.h"
#include "shell/window/BomTreeView.h"
#include "shell/window/ItemDrag.h"
#include "shell/window/ItemFindField.h"
#include "shell/window/ItemIdCompleter.h"
#include "shell/window/ItemList.h"
#include "shell/window/ItemListModel.h"
#include "store/StoreError.h"
#include "store/sqlite/SqliteStore.h"
#include "support/WindowFixture.h"
#include "tree/bill/BomTreeModel.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <numeric>

namespace {

QVariant text(const char* s) { return QString::fromUtf8(s); }

/// IDs with the characters that a regular expression or a wildcard would take for its own,
/// and descriptions in mixed case, non-ASCII and Null.
std::vector<ItemRow> catalogue() {
    const auto item = [](const char* id, QVariant description, QVariant unit = {}) {
        return ItemRow{QString::fromUtf8(id), std::move(description), std::move(unit)};
    };
    return {item("bolt-3", text("Hex BOLT m6"), text("EA")),
            item("A.1", text("Dot item")),
            item("AX1", text("plain")),
            item("A*1", text("star")),
            item("A[1", text("Bracket [open")),
            item("A\\1", text("back slash")),
            item("ÉCROU-7", text("Écrou à embase")),
            item("NUT-9", {}),
            item("Z-1", text("café noir"))};
}

/// The catalogue in key order: ASCII letters folded to lower case ("AX1" after "A[1"), bytes
/// otherwise.
const QStringList KeyOrder{"A*1", "A.1", "A[1", "A\\1", "AX1", "bolt-3", "NUT-9", "Z-1", "ÉCROU-7"};

/// The IDs that a plain reading of the catalogue finds, in key order.
QStringList found(const QString& find) {
    QStringList ids;
    for (const QString& id : KeyOrder)
        for (const ItemRow& row : catalogue())
            if (row.id == id && (id.contains(find, Qt::CaseInsensitive) ||
                                 row.description.toString().contains(find, Qt::CaseInsensitive)))
                ids.append(id);
    return ids;
}

/// Types each character as a key of its own, non-ASCII ones too.
void type(QWidget& widget, const QString& text) {
    for (const QChar key : text)
        QTest::sendKeyEvent(QTest::Click, &widget, Qt::Key_unknown, QString(key), Qt::NoModifier);
}

/// The IDs of `items` at these places.
QStringList idsOf(const shell::ItemListModel& items, const std::vector<int>& places) {
    QStringList ids;
    for (const int place : places)
        ids.append(items.id(place));
    return ids;
}

/// The list's model holding these IDs, in this order.
void fill(shell::ItemListModel& items, const QStringList& ids) {
    std::vector<store::ItemLine> lines;
    for (const QString& id : ids)
        lines.push_back({id, QStringLiteral("about ") + id});
    items.append(lines);
}

/// The edit distance of `a` and `b` by the whole table: the measure the ranking must keep.
int plainDistance(const QString& a, const QString& b) {
    std::vector<int> row(size_t(b.size()) + 1);
    std::iota(row.begin(), row.end(), 0);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = int(i);
        for (qsizetype j = 1; j <= b.size(); ++j)
            diagonal = std::exchange(row[size_t(j)],
                                     std::min({diagonal + (a[i - 1] == b[j - 1] ? 0 : 1),
                                               row[size_t(j)] + 1, row[size_t(j - 1)] + 1}));
    }
    return row.back();
}

QLineEdit& findField(WindowFixture& f) {
    return *f.window().findChild<QLineEdit*>(QStringLiteral("FindItem"));
}

/// The Item ID field's popup, a window of its own once it has shown.
QAbstractItemView* completionPopup() {
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == QLatin1StringView("ItemIdCompletion"))
            return qobject_cast<QAbstractItemView*>(top);
    return nullptr;
}

/// Items whose IDs begin with, or whose descriptions hold, what a user types for another.
std::vector<ItemRow> neighbours() {
    return {{"ASM-1", text("Assembly one"), {}}, {"LAMP-CLAMP-300", text("Clamp lamp"), {}},
            {"LAMP-DESK-100", text("Desk lamp"), {}}, {"N", text("Nut"), {}},
            {"P-1", {}, {}}, {"P-2", {}, {}}, {"P-3", {}, {}}, {"P-4", {}, {}}};
}

} // namespace

class ItemListTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void itemIdCompletionAndNearestIds_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("completions");
        QTest::addColumn<QString>("offer");
        QTest::newRow("prefix before contains, any case, list order within each")
            << "lamp" << QStringList{"LAMP-DESK-100", "LAMP-DESK-10", "Lamp-Base", "KLAMP"}
            << "Did you mean KLAMP?";
        QTest::newRow("a contains-only match; nothing near enough to offer")
            << "desk" << QStringList{"desk-pad", "LAMP-DESK-100", "LAMP-DESK-10"} << "";
        QTest::newRow("an ID one longer: the nearest first")
            << "lamp-desk-1000" << QStringList{}
            << "Did you mean LAMP-DESK-100 or LAMP-DESK-10?";
        QTest::newRow("letters swapped") << "LMAP-DESK-100" << QStringList{}
                                         << "Did you mean LAMP-DESK-100 or LAMP-DESK-10?";
        QTest::newRow("at one distance the list's order, three at most")
            << "ab-5" << QStringList{} << "Did you mean AB-1, AB-2 or AB-3?";
        QTest::newRow("non-ASCII in any case") << "ærø" << QStringList{"Ærø-1"} << "";
        QTest::newRow("markup and quotes are text")
            << "<b>" << QStringList{"<b>\"x\"</b>"} << "";
        QTest::newRow("nothing typed") << "" << QStringList{} << "";
        QTest::newRow("the ID typed, in another case, first; then those it begins")
            << "lamp-desk-10" << QStringList{"LAMP-DESK-10", "LAMP-DESK-100"}
            << "Did you mean LAMP-DESK-10 or LAMP-DESK-100?";
        QTest::newRow("non-ASCII letters are not folded by the store: no ID is the one typed")
            << "ærø-1" << QStringList{"Ærø-1"} << "Did you mean Ærø-1?";
        // A third of 27 letters would be 9 edits; an ID that far off is another ID.
        QTest::newRow("never more than eight edits away")
            << "ab-1xxxxxxxxxxxxxxxxxxxxxxx"
            << QStringList{"AB-1xxxxxxxxxxxxxxxxxxxxxxxyyyyyyyy", "AB-1xxxxxxxxxxxxxxxxxxxxxxxyyyyyyyyy"}
            << "Did you mean AB-1xxxxxxxxxxxxxxxxxxxxxxxyyyyyyyy?";
    }
    void itemIdCompletionAndNearestIds() {
        QFETCH(QString, typed);
        QFETCH(QStringList, completions);
        QFETCH(QString, offer);
        shell::ItemListModel items;
        fill(items, {"AB-1", "AB-2", "ASM-HEAD-10", "desk-pad", "AB-3", "KLAMP", "LAMP-DESK-100",
                     "LAMP-DESK-10", "Lamp-Base", "AB-4", "PRT-GROMMET", "Ærø-1", "<b>\"x\"</b>",
                     "AB-1xxxxxxxxxxxxxxxxxxxxxxxyyyyyyyy", "AB-1xxxxxxxxxxxxxxxxxxxxxxxyyyyyyyyy"});
        QCOMPARE(idsOf(items, shell::completionOrder(items, typed, 50)), completions);
        QCOMPARE(shell::didYouMean(items, shell::nearestItems(items, typed)), offer);
        // The popup's lines complete to the ID and show its description beside it.
        if (!completions.isEmpty()) {
            shell::ItemIdCompletionModel lines(items);
            lines.setTyped(typed);
            QCOMPARE(lines.rowCount(), completions.size());
            QCOMPARE(lines.index(0).data(Qt::EditRole).toString(), completions[0]);
            QVERIFY(lines.index(0).data().toString().contains(QStringLiteral("about ") + completions[0]));
        }
    }

    void itemIdCompletesFromTheKeyboardAndOffersTheNearest() {
        WindowFixture f({{"TOP-100", "Top", "EA"}, {"TOP-200", "Other", "EA"}, {"LEAF", {}, {}}},
                        {{"TOP-200", "LEAF", 1}});
        QLineEdit& field = f.Text1();
        field.setFocus();
        type(field, QStringLiteral("top"));
        // The popup is a window of its own.
        QAbstractItemView* popup = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == QLatin1StringView("ItemIdCompletion"))
                popup = qobject_cast<QAbstractItemView*>(top);
        QVERIFY(popup);
        QTRY_VERIFY(popup->isVisible());
        QCOMPARE(popup->model()->rowCount(), 2);
        // Down to the second line, Enter: its bill loads, as Enter in the field loads one.
        QTest::keyClick(popup, Qt::Key_Down);
        QTest::keyClick(popup, Qt::Key_Down);
        QTest::keyClick(popup, Qt::Key_Return);
        QVERIFY(!popup->isVisible());
        QCOMPARE(field.text(), QStringLiteral("TOP-200"));
        QCOMPARE(f.outline(), QStringLiteral("LEAF"));
        // Down from the field goes to the tree's first row.
        field.setFocus();
        QTest::keyClick(&field, Qt::Key_Down);
        QCOMPARE(f.window().focusWidget(), &f.tree());
        QCOMPARE(f.tree().currentIndex(), f.node(QStringLiteral("LEAF")));

        // An ID the Item Master lacks still loads; the status offers the nearest.
        f.load(QStringLiteral("top-1000"));
        QCOMPARE(f.label("Label10").text(), QStringLiteral("(not in the Item Master)"));
        QVERIFY2(f.status().endsWith(QStringLiteral(". Did you mean TOP-100 or TOP-200?")), qPrintable(f.status()));
    }

    void itemIdEnterTakesTheIdTypedOrTheLineMovedTo() {
        WindowFixture f(neighbours(), {{"LAMP-CLAMP-300", "P-1", 1}, {"LAMP-CLAMP-300", "P-2", 1},
                                       {"LAMP-CLAMP-300", "P-3", 1}, {"LAMP-CLAMP-300", "P-4", 1},
                                       {"LAMP-DESK-100", "P-1", 1}, {"N", "P-2", 1}});
        QLineEdit& field = f.Text1();
        // Typed as a user types, then Enter where the keys go: the popup while it shows.
        const auto typeThenEnter = [&](const QString& typed) {
            field.clear();
            field.setFocus();
            type(field, typed);
            QAbstractItemView* popup = completionPopup();
            QTest::keyClick(popup && popup->isVisible() ? static_cast<QWidget*>(popup) : &field,
                            Qt::Key_Return);
        };
        // The only ID that begins with it is not what was typed: that loads as typed.
        typeThenEnter(QStringLiteral("LAMP-DESK-10"));
        QCOMPARE(f.model().topAssembly(), QStringLiteral("LAMP-DESK-10"));
        QCOMPARE(f.label("Label10").text(), QStringLiteral("(not in the Item Master)"));
        // An ID in another case of its letters is that item, as the store takes it.
        typeThenEnter(QStringLiteral("n"));
        QCOMPARE(f.label("Label10").text(), QStringLiteral("Nut"));
        QCOMPARE(f.outline(), QStringLiteral("P-2"));
        // Part of two IDs and neither: nothing loads, the status says so, the popup offers them.
        typeThenEnter(QStringLiteral("lamp"));
        QCOMPARE(f.label("Label10").text(), QStringLiteral("Nut"));
        QVERIFY2(f.status().startsWith(QStringLiteral("No item's ID is 'lamp'")), qPrintable(f.status()));
        QAbstractItemView* popup = completionPopup();
        QVERIFY(popup && popup->isVisible());
        QVERIFY(!popup->currentIndex().isValid());
        // Enter again: the text as typed.
        QTest::keyClick(popup, Qt::Key_Return);
        QCOMPARE(f.model().topAssembly(), QStringLiteral("lamp"));
        QCOMPARE(f.label("Label10").text(), QStringLiteral("(not in the Item Master)"));
        // Moved to, a line is taken.
        typeThenEnter(QStringLiteral("lamp"));
        QTest::keyClick(popup, Qt::Key_Down);
        QTest::keyClick(popup, Qt::Key_Return);
        QCOMPARE(f.model().topAssembly(), QStringLiteral("LAMP-CLAMP-300"));

        // A click on the tree while the popup shows closes it and selects the row clicked.
        field.clear();
        field.setFocus();
        type(field, QStringLiteral("asm"));
        QTRY_VERIFY(popup->isVisible());
        const QModelIndex last = f.node(QStringLiteral("P-4"));
        const QPoint at = f.tree().viewport()->mapToGlobal(f.tree().visualRect(last).center());
        QVERIFY(!popup->frameGeometry().contains(at));
        QTest::mouseClick(popup, Qt::LeftButton, {}, popup->mapFromGlobal(at));
        QVERIFY(!popup->isVisible());
        QCOMPARE(f.tree().currentIndex().siblingAtColumn(0), last);
        QCOMPARE(f.label("Label8").text(), QStringLiteral("1"));
    }

    void pickBoxTakesTheIdTypedOrTheLineMovedTo() {
        std::vector<store::ItemLine> items;
        for (const ItemRow& row : neighbours())
            items.push_back({row.id, row.description.isNull() ? std::nullopt
                                                               : std::optional(row.description.toString())});
        shell::ItemPickDialog box(QStringLiteral("Add Component"), QStringLiteral("Item:"), items);
        QLineEdit& find = box.findField();
        const QLabel& note = *box.findChild<QLabel*>(QStringLiteral("pickNote"));
        // What Enter in the field takes, or an empty text when the box stays open.
        const auto enter = [&](const QString& typed) {
            box.setResult(QDialog::Rejected);
            box.show();
            find.setText(typed);
            QTest::keyClick(&find, Qt::Key_Return);
            return box.result() == QDialog::Accepted ? box.chosen() : QString();
        };
        // ASM-1's description holds an n: the item N is listed first and taken.
        QCOMPARE(enter(QStringLiteral("n")), QStringLiteral("N"));
        QCOMPARE(box.list().items(), (QStringList{"N", "ASM-1"}));
        // One ID begins with it, several hold it: neither is taken, and the box says why.
        QCOMPARE(enter(QStringLiteral("LAMP-DESK-10")), QString());
        QCOMPARE(note.text(), QStringLiteral("No item's ID is 'LAMP-DESK-10'; 1 item holds it: "
                                             "choose one in the list (Down, then Enter)."));
        QVERIFY(note.isVisible());
        QCOMPARE(enter(QStringLiteral("lamp")), QString());
        QVERIFY(note.text().contains(QStringLiteral("2 items hold it")));
        QCOMPARE(enter(QStringLiteral("zzz")), QString());
        QCOMPARE(note.text(), QStringLiteral("No item's ID or description holds 'zzz'."));
        // The line moved to is taken; typing again makes no line current.
        find.setText(QStringLiteral("lamp"));
        QTest::keyClick(&find, Qt::Key_Down);
        QTest::keyClick(&box.list(), Qt::Key_Return);
        QCOMPARE(box.result(), int(QDialog::Accepted));
        QCOMPARE(box.chosen(), QStringLiteral("LAMP-CLAMP-300"));
        QCOMPARE(enter(QStringLiteral("lam")), QString());
    }

    void nearestIdsAreThoseOfThePlainEditDistance() {
        // Random IDs of a few letters against the whole table: the ranking's shortcuts (the
        // length test, the row that cannot get under the bound) never change the answer.
        QRandomGenerator random(30);
        const QString letters = QStringLiteral("ABCab-1");
        const auto word = [&] {
            QString w;
            for (int n = int(random.bounded(1, 9)); n > 0; --n)
                w += letters[int(random.bounded(letters.size()))];
            return w;
        };
        QStringList ids;
        for (int i = 0; i < 1500; ++i)
            ids.append(word());
        shell::ItemListModel items;
        fill(items, ids);
        for (int query = 0; query < 300; ++query) {
            const QString typed = word();
            const QString folded = typed.toCaseFolded();
            const int furthest = std::clamp(int(typed.size()) / 3, 1, 8);
            std::vector<std::pair<int, int>> ranked; // distance, place
            for (int i = 0; i < ids.size(); ++i)
                if (const int d = plainDistance(folded, ids[i].toCaseFolded()); d <= furthest)
                    ranked.push_back({d, i});
            std::stable_sort(ranked.begin(), ranked.end(),
                             [](const auto& a, const auto& b) { return a.first < b.first; });
            std::vector<int> expected;
            for (size_t i = 0; i < ranked.size() && i < 3; ++i)
                expected.push_back(ranked[i].second);
            QCOMPARE(shell::nearestItems(items, typed), expected);
        }
    }

    void listShowsIdAndDescriptionInKeyOrder() {
        WindowFixture f(catalogue(), {});
        shell::ItemList& list = f.list();
        QCOMPARE(list.accessibleName(), QStringLiteral("Item Master List"));
        QCOMPARE(list.items(), KeyOrder);
        // The low-level code is the optional third column, hidden until the header's menu
        // shows it.
        QCOMPARE(list.model()->columnCount(), 3);
        QVERIFY(list.isColumnHidden(2));
        QCOMPARE(list.model()->headerData(2, Qt::Horizontal), QVariant(QStringLiteral("Low-Level Code")));
        QCOMPARE(list.model()->headerData(0, Qt::Horizontal), QVariant(QStringLiteral("Item ID")));
        QCOMPARE(list.model()->headerData(1, Qt::Horizontal), QVariant(QStringLiteral("Description")));
        QCOMPARE(list.model()->index(5, 1).data(), text("Hex BOLT m6"));
        QCOMPARE(list.model()->index(6, 1).data(), QVariant()); // a Null description
        QLineEdit& find = findField(f);
        QCOMPARE(find.accessibleName(), QStringLiteral("Find Item"));
        QCOMPARE(find.placeholderText(), QStringLiteral("Find Item"));
        QVERIFY(find.isClearButtonEnabled());
    }

    // Shown from the header's menu, the column is filled from every line of the database, read
    // off the window's thread: the lowest level of each item (0 for one that nothing uses),
    // nothing for the items on or below a cycle, which the status names.
    void theLowLevelCodeColumnIsReadWhenShown() {
        WindowFixture f({{"A", {}, {}}, {"B", {}, {}}, {"C", {}, {}}, {"D", {}, {}},
                         {"X", {}, {}}, {"Y", {}, {}}, {"Z", {}, {}}},
                        {{"A", "B"}, {"A", "c"}, {"B", "C"}, {"X", "Y"}, {"Y", "X"}, {"Y", "Z"}});
        shell::ItemList& list = f.list();
        auto* shown = list.findChild<QAction*>(QStringLiteral("mnuListLowLevelCode"));
        QVERIFY(shown && list.columnMenu()->actions().contains(shown));
        shown->trigger();
        QVERIFY(!list.isColumnHidden(2));
        const auto codes = [&list] {
            QStringList all;
            for (int row = 0; row < list.model()->rowCount(); ++row)
                all.append(list.model()->index(row, 2).data().toString());
            return all;
        };
        QTRY_COMPARE(codes(), (QStringList{"0", "1", "2", "0", "", "", ""}));
        QCOMPARE(f.status(),
                 QStringLiteral("3 items stand on or below a cycle, without a low-level code: "
                                "X, Y, Z"));
        QVERIFY(list.model()->index(6, 2).data(Qt::ToolTipRole).toString().contains(u"cycle"));
    }

    void findIsLiteralAndIgnoresCase_data() {
        QTest::addColumn<QString>("find");
        QTest::addColumn<QStringList>("shown");
        // A regular expression would take these for "any", "repeat", a class or an escape.
        QTest::newRow("dot") << "." << QStringList{"A.1"};
        QTest::newRow("dot between") << "a.1" << QStringList{"A.1"};
        QTest::newRow("star") << "*" << QStringList{"A*1"};
        QTest::newRow("star between") << "a*" << QStringList{"A*1"};
        QTest::newRow("open bracket, in ID and description") << "[" << QStringList{"A[1"};
        QTest::newRow("bracket class") << "[1" << QStringList{"A[1"};
        QTest::newRow("backslash") << "\\" << QStringList{"A\\1"};
        QTest::newRow("backslash digit") << "\\1" << QStringList{"A\\1"};
        QTest::newRow("description, other case") << "hex bolt" << QStringList{"bolt-3"};
        QTest::newRow("ID, other case") << "BOLT-" << QStringList{"bolt-3"};
        QTest::newRow("inside a word") << "lai" << QStringList{"AX1"};
        QTest::newRow("non-ASCII, other case") << "écrou" << QStringList{"ÉCROU-7"};
        QTest::newRow("non-ASCII in description") << "CAFÉ" << QStringList{"Z-1"};
        QTest::newRow("across ID and description") << "1dot" << QStringList{};
        QTest::newRow("across two items") << "stara" << QStringList{};
        QTest::newRow("nothing") << "zzz" << QStringList{};
        QTest::newRow("empty") << "" << KeyOrder;
    }
    void findIsLiteralAndIgnoresCase() {
        QFETCH(QString, find);
        QFETCH(QStringList, shown);
        QCOMPARE(found(find), shown); // the expectation agrees with a plain reading
        WindowFixture f(catalogue(), {});
        findField(f).setText(find);
        QCOMPARE(f.list().items(), shown);
        QCOMPARE(f.list().model()->rowCount(), shown.size());
    }

    void typingAndErasingAgreeWithAPlainReading() {
        // Each key narrows the lines shown (a longer text) or widens them again: every step
        // must show what a search from scratch shows.
        WindowFixture f(catalogue(), {});
        QLineEdit& find = findField(f);
        const auto check = [&] { QCOMPARE(f.list().items(), found(find.text())); };
        for (const char* typed : {"a.1", "bolt m", "é", "ÉCR"}) {
            for (const QChar key : QString::fromUtf8(typed)) {
                type(find, QString(key));
                check();
            }
            while (!find.text().isEmpty()) {
                QTest::keyClick(&find, Qt::Key_Backspace);
                check();
            }
        }
        find.setText(QStringLiteral("A"));
        check();
        find.setText(QStringLiteral("X")); // a new text, not a longer one
        check();
    }

    void clearingRestoresTheListAndTheCurrentLine() {
        WindowFixture f(catalogue(), {});
        shell::ItemList& list = f.list();
        QLineEdit& find = findField(f);
        list.setCurrentIndex(list.model()->index(1, 0));
        QCOMPARE(list.currentText(), QStringLiteral("A.1"));
        // Still shown: still current, on its new line.
        type(find, QStringLiteral("a"));
        QCOMPARE(list.currentText(), QStringLiteral("A.1"));
        type(find, QStringLiteral("."));
        QCOMPARE(list.items(), QStringList{"A.1"});
        QCOMPARE(list.currentText(), QStringLiteral("A.1"));
        QCOMPARE(list.currentIndex().row(), 0);
        // Esc empties the field: every line in key order, the same line current.
        QTest::keyClick(&find, Qt::Key_Escape);
        QVERIFY(find.text().isEmpty());
        QCOMPARE(list.items(), KeyOrder);
        QCOMPARE(list.currentText(), QStringLiteral("A.1"));
        // Hidden: no line is current, so no hidden item can be picked or dragged.
        find.setText(QStringLiteral("bolt"));
        QVERIFY(list.currentText().isEmpty());
        QVERIFY(!list.currentIndex().isValid());
        find.clear();
        QCOMPARE(list.items(), KeyOrder);
        QVERIFY(list.currentText().isEmpty());
    }

    void downArrowMovesToTheList() {
        WindowFixture f(catalogue(), {});
        QLineEdit& find = findField(f);
        find.setFocus();
        type(find, QStringLiteral("bolt"));
        QTest::keyClick(&find, Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), &f.list());
        QCOMPARE(f.list().currentText(), QStringLiteral("bolt-3"));
        // Enter there picks it, as on the full list.
        QTest::keyClick(&f.list(), Qt::Key_Return);
        QCOMPARE(f.Text1().text(), QStringLiteral("bolt-3"));
    }

    void pickAndDragTakeTheFilteredLine_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("double-click") << "double-click";
        QTest::newRow("Enter") << "Enter";
        QTest::newRow("drag") << "drag";
    }
    void pickAndDragTakeTheFilteredLine() {
        QFETCH(QString, how);
        std::vector<ItemRow> items = catalogue();
        items.push_back({QStringLiteral("TOP"), text("Top assembly"), {}});
        WindowFixture f(items, {{"TOP", "NUT-9", 2}, {"Z-1", "A*1", 1}});
        f.load(QStringLiteral("TOP"));
        shell::ItemList& list = f.list();
        // Line 0 of the filtered list is far down the full one.
        findField(f).setText(QStringLiteral("CAFÉ"));
        const QModelIndex line = list.model()->index(0, 1);
        list.setCurrentIndex(line);
        if (how == QLatin1StringView("drag")) {
            const std::unique_ptr<QMimeData> data(list.dragData());
            QCOMPARE(shell::draggedItemId(data.get()), std::optional<QString>(QStringLiteral("Z-1")));
            f.desktop.messageAnswers = {desktop::ResultYes};
            f.desktop.inputAnswers = {QStringLiteral("3")};
            f.drop(QStringLiteral("Z-1"), f.node(QStringLiteral("NUT-9")));
            QCOMPARE(f.outline(), QStringLiteral("NUT-9[Z-1[A*1]]"));
            return;
        }
        if (how == QLatin1StringView("Enter"))
            QTest::keyClick(&list, Qt::Key_Return);
        else {
            // A double-click is a press, a release, then the second press.
            const QPoint at = list.visualRect(line).center();
            QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
        }
        QCOMPARE(f.Text1().text(), QStringLiteral("Z-1"));
        QTRY_COMPARE(f.model().topAssembly(), QStringLiteral("Z-1"));
        QCOMPARE(f.outline(), QStringLiteral("A*1"));
    }

    void openDatabaseKeepsTheFindText() {
        // The field still says what it finds, so the new database's list is filtered too.
        WindowFixture f(catalogue(), {});
        findField(f).setText(QStringLiteral("."));
        f.desktop.fileAnswers = {f.database};
        f.window().databaseChoice().openDatabase();
        QCOMPARE(f.list().items(), QStringList{"A.1"});
    }

    void storeReadsEveryItemWithItsDescription_data() {
        QTest::addColumn<bool>("rowNumbers");
        QTest::addColumn<bool>("sparse");
        QTest::newRow("row numbers 1 to 9") << true << false;
        QTest::newRow("row numbers far apart") << true << true;
        QTest::newRow("a table WITHOUT ROWID") << false << false;
    }
    void storeReadsEveryItemWithItsDescription() {
        QFETCH(bool, rowNumbers);
        QFETCH(bool, sparse);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("items.db"));
        writeDatabase(file, catalogue(), {});
        if (!rowNumbers)
            execOn(file, {QStringLiteral("ALTER TABLE ItemMaster RENAME TO Old"),
                          QStringLiteral("CREATE TABLE ItemMaster (ItemID TEXT COLLATE NOCASE "
                                         "NOT NULL PRIMARY KEY, ItemDesc TEXT, ItemUom TEXT) "
                                         "WITHOUT ROWID"),
                          QStringLiteral("INSERT INTO ItemMaster SELECT * FROM Old"),
                          QStringLiteral("DROP TABLE Old")});
        if (sparse) // rows moved to row numbers far apart, in another order than the keys
            execOn(file, {QStringLiteral("UPDATE ItemMaster SET rowid = 1000000 - 1000 * rowid")});
        // A description in another character set shows its bytes as U+FFFD; the list is read.
        execOn(file, {QStringLiteral("UPDATE ItemMaster SET ItemDesc = CAST(X'43616689' AS TEXT) "
                                     "WHERE ItemID = 'AX1'")});
        {
            store::SqliteStore db(file);
            const std::vector<store::ItemLine> items = db.itemLines();
            QStringList ids;
            for (const store::ItemLine& item : items)
                ids.append(item.id);
            QCOMPARE(ids, KeyOrder);
            QCOMPARE(items[4].description, std::optional<QString>(QStringLiteral("Caf\uFFFD")));
            QCOMPARE(items[5].description, std::optional<QString>(QStringLiteral("Hex BOLT m6")));
            QCOMPARE(items[6].description, std::optional<QString>()); // Null stays Null
            QCOMPARE(items[8].description, std::optional<QString>(text("Écrou à embase").toString()));
        }
        // An ID that is not UTF-8 cannot be shown or sought: the list is refused, naming it.
        execOn(file, {QStringLiteral("INSERT INTO ItemMaster VALUES "
                                     "(CAST(X'434146C9' AS TEXT), 'Coffee', NULL)")});
        store::SqliteStore db(file);
        try {
            db.itemLines();
            QFAIL("an unreadable ID was accepted");
        } catch (const store::StoreError& error) {
            QCOMPARE(error.number(), int(store::UnreadableId));
            QVERIFY2(error.description().contains(QStringLiteral("'CAF\\xC9'")),
                     qPrintable(error.description()));
        }
    }
};

QTEST_MAIN(ItemListTest)
#include "item_list_test.moc"
