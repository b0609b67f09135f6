#pragma once

#include "shell/compare/CompareDialog.h"

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
class CommandRegistry;

/// Tools ▸ "Compare Bills…": the one Compare Bills window of the main window, and what its
/// buttons do. Each side is read with one store operation (its reachable lines), on its own
/// connection, under the busy pointer; B from the database shown, another database file or a
/// server (with the server's login). "Export CSV…" writes what the tab shows as the other
/// exports write their files. Failures are numbered messages.
class CompareCommands : public QObject {
    Q_OBJECT
public:
    /// The database shown and the item loaded in the tree come from `context`; the status
    /// says what an export has written.
    explicit CompareCommands(CommandContext& context);

    /// Registers "Compare Bills…" in `commands`, and the comparison with the bill before a
    /// change that the history asks for.
    void addTo(CommandRegistry& commands);
    /// Opens the window, item A the loaded item.
    void open();
    /// Compares the bill of `item` now with the bill just before `moment` (a change's time),
    /// in the database shown: "Compare With Before This Change".
    void compareBefore(const QString& item, const QDateTime& moment);
    /// Compares the bill of `item` in the tables with its bill with the draft shown applied:
    /// "Compare With Database".
    void compareDraft(const QString& item);
    /// Reads both bills and shows their comparison.
    void compare();
    /// Writes what the tab shows to a CSV file of the user's choice.
    void exportShown();

private:
    void chooseSource(CompareDialog::Source source, CompareDialog::Source previous);
    /// B's database: the one shown, or the one chosen.
    QString locationB() const;

    CommandContext& m_context;
    desktop::Desktop& m_desktop;
    QWidget* m_window;
    QPointer<CompareDialog> m_dialog;
    QString m_otherLocation; ///< the file or server chosen for B; empty: the database shown
};

/// Registers Tools ▸ "Compare Bills…".
void registerCompareCommands(CommandContext& context);

} // namespace shell
