#include "shell/window/ShortcutList.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

namespace shell {

namespace {

/// A caption without the & that marks its access letter ("&&" stays one &).
QString plain(QString caption) {
    caption.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    caption.remove(u'&');
    caption.replace(u'\x01', u'&');
    return caption;
}

void addMenu(QList<info::Shortcut>& list, const QMenu& menu, const QString& path) {
    for (QAction* action : menu.actions()) {
        if (action->isSeparator())
            continue;
        // Undo and Redo name what they would take back; the list names the command.
        const QString name = action->objectName() == QLatin1StringView("mnuUndo")
                                 ? QCoreApplication::translate("shell", "Undo")
                             : action->objectName() == QLatin1StringView("mnuRedo")
                                 ? QCoreApplication::translate("shell", "Redo")
                                 : plain(action->text());
        const QString here = path + QStringLiteral(" ▸ ") + name;
        if (QMenu* sub = action->menu()) {
            addMenu(list, *sub, here);
            continue;
        }
        QStringList keys;
        for (const QKeySequence& key : action->shortcuts())
            keys.append(key.toString(QKeySequence::NativeText));
        if (!keys.isEmpty())
            list.append({keys.join(QStringLiteral(", ")), here});
    }
}

} // namespace

QList<info::Shortcut> keyboardShortcuts(const QMenuBar& menus) {
    QList<info::Shortcut> list;
    for (QAction* top : menus.actions())
        if (QMenu* menu = top->menu())
            addMenu(list, *menu, plain(top->text()));
    const auto key = [](QKeySequence::StandardKey standard) {
        return QKeySequence(standard).toString(QKeySequence::NativeText);
    };
    const auto keys = [](QKeyCombination combination) {
        return QKeySequence(combination).toString(QKeySequence::NativeText);
    };
    list.append({
        {keys(Qt::Key_Return),
         QCoreApplication::translate("shell", "Item ID: load the bill of the item typed; an ID "
                                              "the Item Master lacks loads too, and the status "
                                              "bar asks \"Did you mean …?\" with the nearest "
                                              "IDs")},
        {QStringLiteral("%1, %2").arg(keys(Qt::Key_Down), keys(Qt::Key_Return)),
         QCoreApplication::translate(
             "shell", "Item ID, as you type: a list of the items whose ID holds the text "
                      "opens below (the ID typed first); Down moves into it, Enter loads the "
                      "line moved to. Enter without moving never takes a line: when several "
                      "items hold the text and none is it, the status bar says so")},
        {keys(Qt::Key_Escape), QCoreApplication::translate("shell", "Item ID's list: close it")},
        {keys(Qt::Key_Return),
         QCoreApplication::translate("shell", "Item Master List (or a double-click): load the "
                                              "bill of the line")},
        {keys(Qt::Key_Down),
         QCoreApplication::translate("shell", "Find Item: move to the Item Master List")},
        {keys(Qt::Key_Escape),
         QCoreApplication::translate("shell", "Find Item: show every line again")},
        {keys(Qt::Key_Delete),
         QCoreApplication::translate("shell", "Tree: delete the selected nodes' lines (Shift or "
                                              "Ctrl may be held)")},
        {QStringLiteral("%1, %2").arg(keys(Qt::SHIFT | Qt::Key_Up), keys(Qt::SHIFT | Qt::Key_Down)),
         QCoreApplication::translate("shell",
                                     "Tree: select several nodes (or Shift or Ctrl with a click)")},
        {keys(Qt::Key_F2),
         QCoreApplication::translate("shell", "Tree: change the current node's quantity (or a "
                                              "double-click on its Quantity cell)")},
        {keys(Qt::Key_Escape),
         QCoreApplication::translate("shell", "Quantity cell: leave it unchanged")},
        {QStringLiteral("%1, %2, %3, %4")
             .arg(keys(Qt::Key_Up), keys(Qt::Key_Down), keys(Qt::Key_Home), keys(Qt::Key_End)),
         QCoreApplication::translate("shell", "Tree: move to another node; the statistics follow")},
        {QStringLiteral("%1, %2").arg(keys(Qt::Key_Right), keys(Qt::Key_Left)),
         QCoreApplication::translate("shell", "Tree: open or close the current node")},
        {QStringLiteral("%1, %2").arg(keys(Qt::ALT | Qt::Key_Up), keys(Qt::Key_Backspace)),
         QCoreApplication::translate(
             "shell", "Tree: go to the assembly of the current node; the path under the "
                      "Item Master List shows where the current node stands, from the "
                      "loaded item down")},
        {QStringLiteral("%1, %2").arg(keys(Qt::Key_Menu), keys(Qt::SHIFT | Qt::Key_F10)),
         QCoreApplication::translate(
             "shell", "Tree: the current node's context menu (or a right-click on a node)")},
        {keys(Qt::Key_Asterisk),
         QCoreApplication::translate("shell", "Tree: open everything below the current node")},
        {keys(Qt::Key_Return),
         QCoreApplication::translate("shell", "Where Used (or a double-click): load the "
                                              "assembly of the line")},
        {QStringLiteral("%1, %2").arg(keys(Qt::Key_Tab), keys(Qt::SHIFT | Qt::Key_Tab)),
         QCoreApplication::translate(
             "shell", "Move between the fields, the tree, the list and the buttons")},
        {keys(Qt::Key_Escape),
         QCoreApplication::translate("shell", "Close a question, a box or an information "
                                              "window; a drop's question left open writes "
                                              "nothing")},
        {key(QKeySequence::HelpContents),
         QCoreApplication::translate("shell", "Help ▸ Operation Notes")},
    });
    return list;
}

} // namespace shell
