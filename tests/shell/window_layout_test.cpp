// The window's own layout on a first start, and the Keyboard Shortcuts window.

#include "info/InfoWindows.h"
#include "shell/window/BomTreeView.h"
#include "shell/window/ItemList.h"
#include "shell/window/ShortcutList.h"
#include "support/WindowFixture.h"
#include "tree/BomTreeModel.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
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
