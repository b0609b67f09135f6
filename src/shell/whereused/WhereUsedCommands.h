#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

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

class QTreeView;
class QAbstractItemView;

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

    /// The item Where Used is for: the tree's current node when the tree has the focus or had
    /// it last of the two, otherwise the list's current line; none when that one has none.
    std::optional<QString> item() const;
    /// Runs Where Used for item() and shows the result (or the numbered message).
    void run();
    /// The window's "Replace Component…" button hands its item to `replace`.
    void setReplace(std::function<void(const QString&)> replace) { m_replace = std::move(replace); }
    /// Closes the Where Used window, if it is open (its lines belong to the database shown).
    void closeWindow();
    /// Another editor's commit: the open window says so when it touches the lines it lists.
    void noteChanges(const store::Changes& changes);

private:
    CommandContext& m_context;
    QTreeView& m_tree;
    QAbstractItemView& m_list;
    std::function<void(const QString&)> m_replace;
    QPointer<WhereUsedDialog> m_dialog;
    bool m_treeLast = true; // the window starts with the focus on the tree
};

} // namespace shell
