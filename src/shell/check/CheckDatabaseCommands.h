#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QWidget;

namespace desktop {
class Desktop;
}

namespace shell {

class CommandContext;

class CheckDatabaseDialog;

/// Tools > Check Database: checks the database shown, with the busy pointer and a progress
/// window with Cancel, and shows the findings in the one Check Database window.
class CheckDatabaseCommands : public QObject {
    Q_OBJECT
public:
    /// `loadAssembly` loads an item in the main window, as a pick in the Item Master list does.
    /// A finding's assembly loads through `context` as a pick in the list does.
    explicit CheckDatabaseCommands(CommandContext& context);

    /// Runs the check and shows its findings (or the numbered message); a Cancel shows
    /// nothing, as the check has changed nothing.
    void run();
    /// Closes the window, if it is open: its findings belong to the database shown.
    void closeWindow();

private:
    CommandContext& m_context;
    desktop::Desktop& m_desktop;
    QPointer<CheckDatabaseDialog> m_dialog;
};

/// Registers Tools ▸ Check Database; its window closes when the database changes.
void registerCheckDatabaseCommands(CommandContext& context);

} // namespace shell
