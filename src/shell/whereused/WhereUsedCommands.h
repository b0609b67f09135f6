#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

namespace desktop {
class Desktop;
}
namespace store {
struct Changes;
}
namespace tree {
class DatabaseSession;
struct WhereUsedReport;
}


namespace shell {

class CommandContext;

class WhereUsedDialog;

/// Edit > Where Used: finds the item it is for, runs the where-used and shows it in the one
/// Where Used window of the main window.
class WhereUsedCommands : public QObject {
    Q_OBJECT
public:
    /// A line of the window loads its assembly through `context`, as a pick in the Item
    /// Master list does.
    explicit WhereUsedCommands(CommandContext& context);

    /// Runs Where Used for the window's current item (CommandContext::currentItem) and shows
    /// the result (or the numbered message).
    void run();
    /// The window's "Replace Component…" button hands its item to `replace`.
    void setReplace(std::function<void(const QString&)> replace) { m_replace = std::move(replace); }
    /// Closes the Where Used window, if it is open (its lines belong to the database shown).
    void closeWindow();
    /// Another editor's commit: the open window says so when it touches the lines it lists.
    void noteChanges(const store::Changes& changes);

private:
    CommandContext& m_context;
    std::function<void(const QString&)> m_replace;
    QPointer<WhereUsedDialog> m_dialog;
};

/// Registers Edit ▸ Where Used (Ctrl+U); its window closes when the database changes and says
/// when another editor's commit touches what it lists.
void registerWhereUsedCommands(CommandContext& context);

} // namespace shell
