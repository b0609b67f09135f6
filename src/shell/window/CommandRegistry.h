#pragma once

#include <QDateTime>
#include <QHash>
#include <QKeySequence>
#include <QModelIndex>
#include <QObject>
#include <QString>

#include <initializer_list>
#include <map>
#include <memory>
#include <vector>

class QAction;
class QMenu;

namespace store {
struct Changes;
}

namespace shell {

/// A place in the window's menus that a feature puts its commands into. The window decides
/// where each group stands (CommandRegistry::layOut); a feature only names its group, so that
/// the order in which the features register never moves a menu item.
enum class MenuGroup {
    FileOpen,
    FileImport,
    FileView,
    FileExport,
    FileExit,
    EditUndo,
    EditLines,
    EditWhereUsed,
    EditFind,
    EditBulk,
    ToolsCheck,
    ToolsCompare,
    ToolsRequirements,
    ToolsHistory,
    ToolsAsOf,
    ToolsDrafts,
    ToolsOptions,
    HelpNotes,
    HelpAbout,
};

/// A group where a menu shows it: after a separator from the groups above, or joined to them.
struct MenuPlace {
    MenuGroup group;
    bool separated = true;
};

/// The commands of the main window, registered by their features: the menus' groups, each
/// command found by its ID (its object name, which tests, the users' scripts, the tree's
/// context menu and the crash report's ring also know it by), and what the features tell one
/// another without knowing each other (the signals). A feature adds its commands in one
/// registration function; the window lays out the menus and routes.
class CommandRegistry : public QObject {
    Q_OBJECT
public:
    explicit CommandRegistry(QObject* parent = nullptr);
    ~CommandRegistry() override;

    /// The window's layout: `menu` shows `places` in this order. A separator stands between
    /// two runs of groups that both show a command; an empty group shows nothing.
    void layOut(QMenu* menu, std::initializer_list<MenuPlace> places);

    /// Puts `action` at the end of `group`, found from now on by its object name.
    QAction* add(MenuGroup group, QAction* action);
    /// A new command at the end of `group`, owned by the menu that shows it.
    QAction* add(MenuGroup group, const char* id, const QString& text,
                 const QKeySequence& shortcut = {});
    /// A submenu at the end of `group`, named `id` (action(id) is its item), for a feature to
    /// fill as its own.
    QMenu* addMenu(MenuGroup group, const char* id, const QString& title);
    /// The menu that shows `group`.
    QMenu* menu(MenuGroup group) const;
    /// The command registered as `id`; none when no feature registered it.
    QAction* action(QStringView id) const;

Q_SIGNALS:
    /// The window now shows another database: what a command's windows show belongs to the
    /// one left, and they close.
    void databaseLeft();
    /// Another editor's or program's commit was heard of, before it is shown.
    void changesHeard(const store::Changes& changes);
    /// A command's window wants `item` replaced in every assembly ("Replace Component…").
    void replaceRequested(const QString& item);
    /// "History of This Line" for `node` of the tree.
    void lineHistoryRequested(const QModelIndex& node);
    /// The bill of `item` as it stood just before `moment`.
    void billBeforeRequested(const QString& item, const QDateTime& moment);
    /// The bill of `item` now compared with the bill just before `moment`.
    void compareBeforeRequested(const QString& item, const QDateTime& moment);
    /// The bill of `item` in the tables compared with its bill with the draft shown applied.
    void compareDraftRequested(const QString& item);
    /// What an import wrote, for the status bar's panel of what the last load brought.
    void importSummary(const QString& summary);

private:
    struct Menu;
    /// Shows the menu's groups as they now stand, with their separators.
    void rebuild(Menu& menu);

    std::vector<std::unique_ptr<Menu>> m_menus;
    std::map<MenuGroup, Menu*> m_menuOf;
    std::map<MenuGroup, std::vector<QAction*>> m_groups;
    QHash<QString, QAction*> m_byId;
};

} // namespace shell
