#pragma once

#include <QString>

#include <optional>

class QSettings;
class QWidget;

namespace desktop {
class Desktop;
}
namespace tree {
class BillReads;
class BomTreeModel;
class LineEdits;
} // namespace tree

namespace shell {

class BomTreeView;
class CommandRegistry;
class DatabaseChoice;
class ItemList;

/// What the main window lends the commands of its menus, in one place: the desktop services,
/// the database, the loaded bill and the controls that show it, and the status. Each command
/// asks it at the moment it runs; nothing of it is read back from a control's text.
class CommandContext {
public:
    virtual ~CommandContext() = default;

    virtual desktop::Desktop& desktop() = 0;
    /// The window the commands' boxes belong to.
    virtual QWidget* window() = 0;
    /// The current database (a file path or a server address); empty when there is none.
    virtual QString databasePath() const = 0;
    /// The one owner of the open database: opening another, the recent ones, the list refilled.
    virtual DatabaseChoice& database() = 0;
    /// The menus' groups that each feature registers its commands into, and what the features
    /// tell one another.
    virtual CommandRegistry& commands() = 0;

    /// The loaded bill as the tree shows it, and the edits of its lines.
    virtual tree::BomTreeModel& model() = 0;
    virtual tree::LineEdits& edits() = 0;
    /// The reads the window asks for of the loaded bill (statistics, Expand All).
    virtual tree::BillReads& editor() = 0;
    virtual BomTreeView& tree() = 0;
    virtual ItemList& list() = 0;
    /// The loaded item's description, as its load or a re-read of other editors' changes
    /// gave it.
    virtual QString itemDescription() const = 0;
    /// The item the tree's current node or the list's current line names, as Where Used takes
    /// it; none when that one has none.
    virtual std::optional<QString> currentItem() const = 0;
    /// Loads the bill of `id` as a pick in the Item Master list does.
    virtual void loadItem(const QString& id) = 0;

    /// Where the window keeps what it remembers between runs.
    virtual QSettings& settings() = 0;

    /// The one writer of the status panel, and what it last wrote.
    virtual void showStatus(const QString& text) = 0;
    virtual QString status() const = 0;
    /// Whether the window is in the middle of something (a load, a store trip waited for).
    virtual bool busy() const = 0;
};

} // namespace shell
