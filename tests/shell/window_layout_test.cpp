// The window's own layout on a first start, its menus as the features fill them, and the
// Keyboard Shortcuts window.

#include "info/InfoWindows.h"
#include "shell/database/DatabaseChoice.h"
#include "shell/window/BomTreeView.h"
#include "shell/window/CommandRegistry.h"
#include "shell/window/ItemList.h"
#include "shell/window/ShortcutList.h"
#include "support/WindowFixture.h"
#include "tree/bill/BomTreeModel.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QDebug>
#include <QLabel>
#include <QTimer>

#include <functional>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTest>
#include <QTextBrowser>

using namespace Qt::StringLiterals;

namespace {

/// Every action of the menus that has a shortcut, found by a walk of the test's own.
QList<QAction*> actionsWithShortcuts(const QMenu& menu) {
    QList<QAction*> found;
    for (QAction* action : menu.actions()) {
        if (action->menu())
            found += actionsWithShortcuts(*action->menu());
        else if (!action->shortcut().isEmpty())
            found.append(action);
    }
    return found;
}

/// The menus as a user meets them, one line a command: caption (access key marked), object
/// name, keys, and whether it is off or a check box; "--" for a separator. A recent database
/// is its number only, since its path is the test's own.
void listMenu(const QMenu& menu, const QString& indent, QStringList& lines) {
    for (const QAction* action : menu.actions()) {
        if (action->isSeparator()) {
            lines.append(indent + QStringLiteral("--"));
            continue;
        }
        QString line = indent + (menu.objectName() == QLatin1StringView("mnuRecent")
                                     ? action->text().left(2)
                                     : action->text());
        line += QStringLiteral(" [%1]").arg(action->menu() ? action->menu()->objectName()
                                                           : action->objectName());
        if (!action->shortcut().isEmpty())
            line += u' ' + action->shortcut().toString(QKeySequence::PortableText);
        if (!action->isEnabled())
            line += QStringLiteral(" off");
        if (action->isCheckable())
            line += QStringLiteral(" check");
        lines.append(line);
        if (action->menu())
            listMenu(*action->menu(), indent + QStringLiteral("  "), lines);
    }
}

/// The access key a caption marks ("Rep&lace" gives 'L'), or a null character when it marks
/// none; "&&" is a shown '&'.
QChar accessKey(const QString& caption) {
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != u'&')
            continue;
        if (caption[i + 1] != u'&')
            return caption[i + 1].toUpper();
        ++i;
    }
    return {};
}

/// The caption as the menu shows it.
QString shown(const QString& caption) {
    return QString(caption)
        .replace(QStringLiteral("&&"), QStringLiteral("\x01"))
        .remove(u'&')
        .replace(u'\x01', u'&');
}

/// Every item of `actions` (separators aside) marks an access key of its own among them, and
/// so do the items of each submenu; what fails is said as "File ▸ Export: no key".
void checkAccessKeys(const QList<QAction*>& actions, const QString& where, QStringList& faults) {
    QHash<QChar, QString> taken;
    for (QAction* action : actions) {
        if (action->isSeparator())
            continue;
        const QString caption = action->text();
        const QString name = where + shown(caption);
        const QChar key = accessKey(caption);
        if (key.isNull())
            faults.append(name + QStringLiteral(": no key"));
        else if (taken.contains(key))
            faults.append(name + QStringLiteral(": '%1' taken by %2").arg(key).arg(taken[key]));
        else
            taken.insert(key, shown(caption));
        if (action->menu())
            checkAccessKeys(action->menu()->actions(), name + QStringLiteral(" \u25b8 "), faults);
    }
}

/// Checks the access keys of the context menu that `open` brings up, while it shows, then
/// closes it; false when no menu showed.
bool checkContextMenu(const std::function<void()>& open, const QString& where, QStringList& faults) {
    bool shown = false;
    QTimer::singleShot(0, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            shown = true;
            checkAccessKeys(menu->actions(), where, faults);
            menu->close();
        }
    });
    open();
    // A menu that pops up without waiting shows once the events have run.
    QCoreApplication::processEvents();
    return shown;
}

} // namespace

class WindowLayoutTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void firstStartUsesTheScreenAndColumnsFitWhatIsShown() {
        const QString longId = QStringLiteral("SUB-ASSEMBLY-WITH-A-LONG-ID-0001");
        WindowFixture f({{"TOP", {}, {}}, {longId, "Sub", "EA"}, {"LEAF", {}, {}}},
                        {{"TOP", longId, 2}, {longId, "LEAF", 1.25}});
        const QRect screen = f.window().screen()->availableGeometry();
        QVERIFY2(f.window().width() >= screen.width() * 8 / 10 &&
                     f.window().height() >= screen.height() * 8 / 10,
                 qPrintable(QStringLiteral("%1x%2 on %3x%4")
                                .arg(f.window().width()).arg(f.window().height())
                                .arg(screen.width()).arg(screen.height())));
        QVERIFY(f.window().frameGeometry().width() <= screen.width());

        QHeaderView& header = *f.tree().header();
        const auto captionsWhole = [&] {
            for (int c = 0; c < header.count(); ++c)
                if (header.sectionSize(c) < header.sectionSizeHint(c))
                    return false;
            return true;
        };
        QVERIFY(captionsWhole());
        f.load(QStringLiteral("TOP"));
        QVERIFY(captionsWhole());
        // The long ID fits in its column.
        const int idWidth = f.tree().fontMetrics().horizontalAdvance(longId);
        QVERIFY2(header.sectionSize(tree::ItemIdColumn) > idWidth,
                 qPrintable(QString::number(header.sectionSize(tree::ItemIdColumn))));

        // A column the user has sized stays as they left it across loads.
        header.resizeSection(tree::UnitColumn, 300);
        QCOMPARE(header.sectionSize(tree::UnitColumn), 300); // a program's resize is not theirs
        f.load(QStringLiteral("TOP"));
        QVERIFY(header.sectionSize(tree::UnitColumn) < 300);
    }

    void aFeatureRegistersIntoItsGroupWhateverTheOrder() {
        // Groups laid out A | B (joined) | C | D; C stays empty; D, then A, then B register.
        QMenu menu;
        shell::CommandRegistry commands;
        using enum shell::MenuGroup;
        commands.layOut(&menu, {{FileOpen}, {FileImport, false}, {FileView}, {FileExport}});
        commands.add(FileExport, "d", u"D"_s);
        QMenu* a = commands.addMenu(FileOpen, "a", u"A"_s);
        commands.add(FileImport, "b", u"B"_s, QKeySequence(Qt::Key_F9));
        commands.add(FileExport, "d2", u"D2"_s);
        QStringList lines;
        listMenu(menu, QString(), lines);
        QCOMPARE(lines, QStringList({u"A [a]"_s, u"B [b] F9"_s, u"--"_s, u"D [d]"_s, u"D2 [d2]"_s}));
        // Found by their IDs: the window's buttons and the tree's menu take them so.
        QCOMPARE(commands.action(u"b")->parent(), &menu);
        QCOMPARE(commands.action(u"a"), a->menuAction());
        QCOMPARE(commands.action(u"c"), nullptr);
    }

    void commandWindowsCloseWhenAnotherDatabaseOpens() {
        WindowFixture f({{"TOP", {}, {}}, {"SUB", {}, {}}}, {{"TOP", "SUB", 1}});
        f.load(u"TOP"_s);
        f.tree().setCurrentIndex(f.node(u"SUB"_s));
        for (const char* command :
             {"mnuWhereUsed", "mnuCheckDatabase", "mnuChangeHistory", "mnuAsOf"})
            f.window().findChild<QAction*>(QLatin1StringView(command))->trigger();
        const auto shown = [&f] {
            QStringList names;
            for (const QDialog* dialog : f.window().findChildren<QDialog*>())
                if (dialog->isVisible())
                    names.append(dialog->objectName());
            names.sort();
            return names;
        };
        QCOMPARE(shown(), QStringList({u"ChangeHistoryDialog"_s, u"CheckDatabaseDialog"_s,
                                       u"WhereUsedDialog"_s, u"frmAsOf"_s}));
        QCOMPARE(f.desktop.messageTexts(), QStringList());
        // What they list belongs to the database left.
        const QString other = QFileInfo(f.database).dir().filePath(u"other.db"_s);
        writeDatabase(other, {{"PART", {}, {}}}, {});
        f.window().databaseChoice().openDatabase(other);
        QCOMPARE(f.window().databaseChoice().databasePath(), other);
        QCOMPARE(shown(), QStringList());
    }

    void menusShowEachCommandInItsPlace() {
        WindowFixture f({{"TOP", {}, {}}, {"SUB", {}, {}}}, {{"TOP", "SUB", 1}});
        QStringList lines;
        for (const QAction* menu : f.window().menuBar()->actions()) {
            lines.append(menu->text() + QStringLiteral(" [%1]").arg(menu->menu()->objectName()));
            listMenu(*menu->menu(), QStringLiteral("  "), lines);
        }
        // Each feature registers its own commands; where they show is the window's layout.
        const QStringList expected = {
            u"&File [mnuFile]"_s,
            u"  &Open Database [mnuOpen] Ctrl+O"_s,
            u"  Connect to &Server… [mnuConnect]"_s,
            u"  &Recent Databases [mnuRecent]"_s,
            u"    &1 []"_s,
            u"  &Import [mnuImport]"_s,
            u"    From &Access Database… [mnuImportAccess]"_s,
            u"    From &CSV Files… [mnuImportCsv]"_s,
            u"  --"_s,
            u"  E&xpand All [mnuExpand]"_s,
            u"  &Collapse All [mnuCollapse]"_s,
            u"  --"_s,
            u"  Expor&t [Export]"_s,
            u"    &Indented Bill (CSV)… [Indented Bill (CSV)…] off"_s,
            u"    &Summarised Bill (CSV)… [Summarised Bill (CSV)…] off"_s,
            u"    Indented Bill (&Excel)… [Indented Bill (Excel)…] off"_s,
            u"    Summarised Bill (E&xcel)… [Summarised Bill (Excel)…] off"_s,
            u"    --"_s,
            u"    &With Title Block [With Title Block] check"_s,
            u"  Print Pre&view… [Print Preview…] off"_s,
            u"  &Print… [Print…] Ctrl+P off"_s,
            u"  --"_s,
            u"  &Exit [mnuExit]"_s,
            u"&Edit [mnuEdit]"_s,
            u"  &Undo [mnuUndo] Ctrl+Z off"_s,
            u"  &Redo [mnuRedo] Ctrl+Shift+Z off"_s,
            u"  --"_s,
            u"  &Add Component… [mnuAddComponent] Ins"_s,
            u"  Cu&t [mnuCut] Ctrl+X"_s,
            u"  &Copy [mnuCopy] Ctrl+C"_s,
            u"  &Paste [mnuPaste] Ctrl+V"_s,
            u"  &Delete [mnuDelete] Del"_s,
            u"  --"_s,
            u"  &Where Used [mnuWhereUsed] Ctrl+U"_s,
            u"  --"_s,
            u"  &Find in Tree… [mnuFindInTree] Ctrl+F"_s,
            u"  Find &Next [mnuFindNext] F3"_s,
            u"  Find Pre&vious [mnuFindPrevious] Shift+F3"_s,
            u"  --"_s,
            u"  Rep&lace Component… [mnuReplaceComponent]"_s,
            u"  Remove From &Every Assembly [mnuRemoveEverywhere]"_s,
            u"  Cop&y Bill To… [mnuCopyBill]"_s,
            u"&Tools [mnuTools]"_s,
            u"  &Check Database [mnuCheckDatabase]"_s,
            u"  Co&mpare Bills… [mnuCompareBills]"_s,
            u"  Re&quirements… [mnuRequirements]"_s,
            u"  Change &History… [mnuChangeHistory]"_s,
            u"  &Keep History on This Server… [mnuKeepServerHistory]"_s,
            u"  Show This Bill &As Of… [mnuAsOf]"_s,
            u"  --"_s,
            u"  &New Draft… [mnuNewDraft]"_s,
            u"  Open &Draft… [mnuOpenDraft]"_s,
            u"  Re&view Draft… [mnuReviewDraft]"_s,
            u"  Compare Draft &With Database… [mnuCompareDraft]"_s,
            u"  Clos&e Draft [mnuCloseDraft]"_s,
            u"  A&pply Draft… [mnuApplyDraft]"_s,
            u"  Disca&rd Draft… [mnuDiscardDraft]"_s,
            u"  --"_s,
            u"  &Options… [mnuOptions]"_s,
            u"&Help [mnuHelp]"_s,
            u"  &Operation Notes [mnuOperation] F1"_s,
            u"  &Keyboard Shortcuts [mnuShortcuts]"_s,
            u"  --"_s,
            u"  &About BOM Editor [mnuAbout]"_s,
        };
        if (lines != expected)
            qWarning().noquote() << lines.join(u'\n');
        QCOMPARE(lines, expected);
    }

    void keyboardShortcutsListEveryMenuShortcut() {
        WindowFixture f({{"TOP", {}, {}}}, {});
        QAction* open = f.window().findChild<QAction*>(QStringLiteral("mnuShortcuts"));
        QVERIFY(open);
        open->trigger();
        QWidget* window = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == QLatin1StringView("shortcuts") && top->isVisible())
                window = top;
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), QStringLiteral("Keyboard Shortcuts"));
        const QString text = window->findChild<QTextBrowser*>()->toPlainText();

        int checked = 0;
        for (QAction* menu : f.window().menuBar()->actions())
            for (QAction* action : actionsWithShortcuts(*menu->menu())) {
                const QString keys = action->shortcut().toString(QKeySequence::NativeText);
                QVERIFY2(text.contains(keys), qPrintable(action->objectName() + u' ' + keys));
                ++checked;
            }
        QVERIFY(checked >= 5); // Open, Undo, Redo, Where Used, Print, Operation Notes ...
        // The keys without a menu command, and menu captions as the menus show them.
        for (const char* expected : {"Item ID: load", "Tree: delete", "Tree: change the current "
                                     "node's quantity", "File ▸ Open Database", "Edit ▸ Undo",
                                     "Alt+Up", "the path", "Item ID, as you type", "Did you mean",
                                     "context menu", "Menu, Shift+F10"})
            QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
        QVERIFY(!text.contains(u'&'));
        window->close();
    }

    void everyMenuItemHasAnAccessKeyOfItsOwn() {
        WindowFixture f({{"TOP", {}, {}}}, {});
        // The recent databases hold one line once a database has opened.
        QVERIFY(!f.window().findChild<QMenu*>(QStringLiteral("mnuRecent"))->actions().isEmpty());
        QStringList faults;
        checkAccessKeys(f.window().menuBar()->actions(), QString(), faults);
        // The context menus: a node's (every command shown, those that do not apply disabled),
        // and the column menus of the tree and of the list.
        WindowFixture bill({{"TOP", {}, {}}, {"SUB", {}, {}}, {"LEAF", {}, {}}},
                           {{"TOP", "SUB", 1}, {"SUB", "LEAF", 1}});
        bill.load(QStringLiteral("TOP"));
        shell::BomTreeView& tree = bill.tree();
        tree.setCurrentIndex(bill.node(QStringLiteral("SUB")));
        QVERIFY(checkContextMenu([&] {
            QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(), QPoint());
            QApplication::sendEvent(tree.viewport(), &menuKey);
        }, QStringLiteral("node menu \u25b8 "), faults));
        QVERIFY(checkContextMenu([&] { Q_EMIT tree.header()->customContextMenuRequested({5, 5}); },
                                 QStringLiteral("tree columns \u25b8 "), faults));
        QHeaderView& listHeader = *bill.list().header();
        QVERIFY(checkContextMenu([&] { Q_EMIT listHeader.customContextMenuRequested({5, 5}); },
                                 QStringLiteral("list columns \u25b8 "), faults));
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
    }

    void longTextsNeverWidenTheWindowNorMoveTheList() {
        // An ID of 300 letters, one of 10,000 that no item has, and a path through both.
        const QString longId = QStringLiteral("LONG-") + QString(295, u'X');
        WindowFixture f({{"TOP", {}, {}}, {longId, "Long", "EA"}, {"LEAF", QString(300, u'd'), {}}},
                        {{"TOP", longId, 2}, {longId, "LEAF", 1}});
        const int screen = f.window().screen()->availableGeometry().width();
        QWidget& list = f.list();
        const auto settle = [] {
            for (int pass = 0; pass < 3; ++pass)
                QApplication::processEvents();
        };
        settle();
        const auto& path = *f.window().findChild<QLabel*>(QStringLiteral("NodePath"));
        const QRect listBefore = list.geometry();
        const int pathHeight = path.height();
        f.load(QStringLiteral("TOP"));
        f.tree().expand(f.node(longId));
        f.tree().setCurrentIndex(f.node(longId + QStringLiteral("/LEAF")));
        settle();
        const QString wholePath = QStringLiteral("TOP \u203A %1 \u203A LEAF").arg(longId);
        QCOMPARE(path.text(), wholePath);
        QCOMPARE(path.toolTip(), wholePath);
        // One line: the list above it keeps its place and size.
        QCOMPARE(list.geometry(), listBefore);
        QCOMPARE(path.height(), pathHeight);
        const QString missing = QString(10000, u'Q');
        f.load(missing);
        settle();
        QVERIFY(f.status().contains(missing));
        QCOMPARE(f.label("StatusPanel1").toolTip(), f.status());
        for (const char* name : {"StatusLoad", "StatusPanel1", "NodePath", "Label7", "Label10"})
            QVERIFY2(f.label(name).minimumSizeHint().width() < screen / 4, name);
        QVERIFY2(f.window().minimumSizeHint().width() <= screen &&
                     f.window().frameGeometry().width() <= screen,
                 qPrintable(QStringLiteral("%1 (at least %2) on %3")
                                .arg(f.window().frameGeometry().width())
                                .arg(f.window().minimumSizeHint().width())
                                .arg(screen)));
    }

    void theDescriptionStaysReadableBesideTheStartDate() {
        WindowFixture f({{"TOP", {}, {}}, {"PART", "A part with a long description", "EA"}},
                        {{"TOP", "PART", 2}});
        f.load(QStringLiteral("TOP"));
        shell::BomTreeView& tree = f.tree();
        QHeaderView& header = *tree.header();
        const int readable = 24 * tree.fontMetrics().averageCharWidth();
        tree.setColumnHidden(tree::StartDateColumn, false);
        QVERIFY2(header.sectionSize(tree::DescriptionColumn) >= readable,
                 qPrintable(QString::number(header.sectionSize(tree::DescriptionColumn))));
        // A wider window gives the room back: the description stretches again.
        f.window().resize(f.window().width() * 3, f.window().height());
        QApplication::processEvents();
        QCOMPARE(header.sectionResizeMode(tree::DescriptionColumn), QHeaderView::Stretch);
        tree.setColumnHidden(tree::StartDateColumn, true);
        QVERIFY(header.sectionSize(tree::DescriptionColumn) >= readable);
    }

    void whereUsedKeyIsNotTakenByATextField() {
        WindowFixture f({{"TOP", {}, {}}}, {});
        QLineEdit* fields[] = {&f.Text1(), f.window().findChild<QLineEdit*>(QStringLiteral("FindItem"))};
        QVERIFY(fields[1]);
        for (QLineEdit* field : fields) {
            field->setText(QStringLiteral("TOP"));
            field->setFocus();
            QKeyEvent override(QEvent::ShortcutOverride, Qt::Key_U, Qt::ControlModifier);
            QApplication::sendEvent(field, &override);
            // Not accepted: the key goes to the Where Used shortcut, not to the field.
            QVERIFY2(!override.isAccepted(), qPrintable(field->objectName()));
            QCOMPARE(field->text(), QStringLiteral("TOP"));
        }
    }

    void shortcutTextsAreNotMarkup() {
        const QString html = info::shortcutsDocument({{QStringLiteral("Ctrl+<"), QStringLiteral("a & b")}});
        QTextDocument document;
        document.setHtml(html);
        QVERIFY(document.toPlainText().contains(QStringLiteral("Ctrl+<")));
        QVERIFY(document.toPlainText().contains(QStringLiteral("a & b")));
    }
};

QTEST_MAIN(WindowLayoutTest)
#include "window_layout_test.moc"
