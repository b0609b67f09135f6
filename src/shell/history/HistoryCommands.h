#pragma once

#include "shell/history/ChangeHistoryDialog.h"

#include "tree/history/HistoryRestore.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

class QModelIndex;

namespace shell {

class CommandContext;
class CommandRegistry;

/// Tools ▸ "Change History…" and the tree's "History of This Line": the one Change History
/// window of the main window, and what its buttons do. The history is read in one store trip
/// off the window's thread, under the busy pointer; its exports write the listed changes as
/// the bill's exports write their files. Failures are numbered messages.
class HistoryCommands : public QObject {
    Q_OBJECT
public:
    /// Opens the history of a database for one read.
    using Opener = tree::HistoryOpener;

    /// The database, the loaded bill and the tree's current line come from `context`.
    explicit HistoryCommands(CommandContext& context);

    /// Registers "Change History…" and "Keep History on This Server…" in `commands`, the
    /// tree's "History of This Line", and the window's closing when the database changes.
    void addTo(CommandRegistry& commands);
    /// Makes the server of the window keep the history of every change, by anyone, after a
    /// question that names what it creates and what that costs the other programs' writes.
    void keepOnServer();
    /// Opens the window on the loaded bill and lists its changes.
    void open();
    /// Opens the window on the line that `node` of the tree stands for and lists its changes.
    void openLine(const QModelIndex& node);
    /// Reads the changes the window asks for and lists them.
    void read();
    /// Puts back what the current change changed (restoreFromHistory): its whole change set,
    /// or, in the scope of one line, that line as it was before the change.
    void restore();
    /// Forgets the changes before a moment the user chooses, after a question that says how
    /// "as of" is limited then; with progress and Cancel, piece by piece.
    void forget();
    /// Writes the listed changes to a file of the user's choice.
    void exportListed(bool excel);
    /// Closes the window, if it is open, and forgets its line: both belong to the database
    /// shown.
    void closeWindow();
    /// Where the history is opened from; the database's own unless told otherwise.
    void setOpener(Opener opener) { m_opener = std::move(opener); }

Q_SIGNALS:
    /// The user asked for the bill of `item` as it stood just before `moment`, the time of
    /// the current change set: "Show the Bill Before This Change".
    void billBeforeRequested(const QString& item, const QDateTime& moment);
    /// The user asked to compare the bill of `item` now with the bill just before `moment`.
    void compareBeforeRequested(const QString& item, const QDateTime& moment);

private:
    struct Line {
        QString assembly;
        QString component;
    };
    ChangeHistoryDialog& dialog();
    /// The query of the window's scope and filters; none when the scope names nothing (no bill
    /// loaded, no line chosen), and then the heading says so.
    std::optional<store::HistoryQuery> query();
    void remember(const QModelIndex& node);
    /// The bill a change set's "before" is shown for: the loaded bill where it holds the
    /// assembly (or item) the current change names, else that one's own; with the change's
    /// time. Empty when no change is current.
    std::optional<std::pair<QString, QDateTime>> beforeCurrent() const;

    CommandContext& m_context;
    Opener m_opener;
    QPointer<ChangeHistoryDialog> m_dialog;
    std::optional<Line> m_line;
};

/// Registers Tools ▸ "Change History…" and "Keep History on This Server…".
void registerHistoryCommands(CommandContext& context);

} // namespace shell
