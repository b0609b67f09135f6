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

class WhereUsedDialog;

/// Edit > Where Used: finds the item it is for, runs the where-used and shows it in the one
/// Where Used window of the main window.
class WhereUsedCommands : public QObject {
    Q_OBJECT
public:
    /// `loadAssembly` loads an item in the main window, as a pick in the Item Master list does.
    WhereUsedCommands(desktop::Desktop& desktop, tree::DatabaseSession& session, QTreeView& tree,
                      QAbstractItemView& list, std::function<void(const QString&)> loadAssembly,
                      QWidget* window);

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
    /// Where Used for `item` in the session's database, with the progress of a first reading
    /// and its Cancel; on a failure the numbered message (none for Cancel), and nothing.

    desktop::Desktop& m_desktop;
    tree::DatabaseSession& m_session;
    QTreeView& m_tree;
    QAbstractItemView& m_list;
    std::function<void(const QString&)> m_loadAssembly;
    std::function<void(const QString&)> m_replace;
    QWidget* m_window;
    QPointer<WhereUsedDialog> m_dialog;
    bool m_treeLast = true; // the window starts with the focus on the tree
};

} // namespace shell
