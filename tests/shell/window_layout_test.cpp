// The window's own layout on a first start, and the Keyboard Shortcuts window.

#include "info/InfoWindows.h"
#include "shell/window/BomTreeView.h"
#include "shell/window/ShortcutList.h"
#include "support/WindowFixture.h"
#include "tree/BomTreeModel.h"

#include <QAction>
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
                                     "node's quantity", "File ▸ Open Database", "Edit ▸ Undo"})
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
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
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
