#include "shell/window/WindowCommands.h"

#include "info/InfoWindows.h"
#include "shell/window/CommandContext.h"
#include "shell/window/CommandRegistry.h"
#include "shell/window/ShortcutList.h"

#include <QAction>
#include <QCoreApplication>
#include <QMainWindow>
#include <QMenuBar>

namespace shell {

namespace {

/// The Help menu's windows, kept while the main window lives.
class HelpWindows : public QObject {
public:
    using QObject::QObject;
    info::InfoWindows windows;
};

} // namespace

void registerWindowCommands(CommandContext& context) {
    CommandRegistry& commands = context.commands();
    QWidget* window = context.window();
    QAction* exit =
        commands.add(MenuGroup::FileExit, "mnuExit", QCoreApplication::translate("shell", "&Exit"));
    QObject::connect(exit, &QAction::triggered, window, &QWidget::close);

    auto* help = new HelpWindows(window);
    QAction* notes = commands.add(MenuGroup::HelpNotes, "mnuOperation",
                                  QCoreApplication::translate("shell", "&Operation Notes"),
                                  QKeySequence::HelpContents);
    QObject::connect(notes, &QAction::triggered, help, [help] { help->windows.showOperationNotes(); });
    QAction* shortcuts = commands.add(MenuGroup::HelpNotes, "mnuShortcuts",
                                      QCoreApplication::translate("shell", "&Keyboard Shortcuts"));
    QObject::connect(shortcuts, &QAction::triggered, help, [help, window] {
        if (auto* main = qobject_cast<QMainWindow*>(window))
            help->windows.showShortcuts(keyboardShortcuts(*main->menuBar()));
    });
    QAction* about = commands.add(MenuGroup::HelpAbout, "mnuAbout",
                                  QCoreApplication::translate("shell", "&About BOM Editor"));
    QObject::connect(about, &QAction::triggered, help, [help] { help->windows.showAbout(); });
}

} // namespace shell
