#pragma once

#include "store/Store.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace desktop {
class Desktop;
}
namespace store {
struct Changes;
}
namespace tree {
class BomTreeModel;
class LineEdits;
} // namespace tree

namespace shell {

class CommandContext;
class CommandRegistry;
class ReplaceDialog;

/// Edit ▸ "Replace Component…", "Remove From Every Assembly" and "Copy Bill To…": the changes
/// of many lines at once, each checked before anything is written, written in one transaction
/// and taken back with one Undo (tree::LineEdits::writeLines).
class BulkCommands : public QObject {
    Q_OBJECT
public:
    /// The component acted on is `context`'s current item, as Where Used takes it.
    explicit BulkCommands(CommandContext& context);

    /// Registers the three actions in the Edit menu's group of changes of many lines.
    void addTo(CommandRegistry& commands);
    /// Replaces `old` (the current item when empty) by an item picked in a find box, in the
    /// assemblies ticked.
    void replace(const QString& old = {});
    /// Removes the current item from the assemblies ticked.
    void removeEverywhere();
    /// Copies the loaded item's own lines into the bill of an item picked in a find box.
    void copyBill();
    /// Another editor's commit: the open Replace or Remove box says so when it touches the
    /// lines it lists.
    void noteChanges(const store::Changes& changes);

private:
    /// The old component of a replace or removal; none (said) when nothing is current.
    std::optional<QString> oldComponent(const QString& given);
    /// The component to act on (oldComponent) and every line that lists it, as stored; empty
    /// when there is none, the read failed, or no assembly lists it (reported, naming what
    /// there is nothing to `verb`).
    std::optional<std::pair<QString, std::vector<store::LineRow>>> usesOf(const QString& given,
                                                                         const QString& verb);
    /// The item picked in a find box over the Item Master; none for Cancel or a failed read.
    /// `reason`, when given, receives the optional reason the dialog then asks for.
    std::optional<QString> pickItem(const QString& title, const QString& prompt,
                                    QString* reason = nullptr);
    /// Replace Component with the same item as old and new: sets the quantity of `component`
    /// in the ticked assemblies of `rows` (its lines as stored), one step.
    void setQuantity(const QString& component, const std::vector<store::LineRow>& rows);
    /// Says why nothing was done, as "NUMBER DESCRIPTION".
    void report(int number, const QString& description);

    CommandContext& m_context;
    desktop::Desktop& m_desktop;
    tree::LineEdits& m_edits;
    tree::BomTreeModel& m_model;
    QWidget* m_window;
    /// The Replace or Remove box while it is open.
    QPointer<ReplaceDialog> m_open;
};

} // namespace shell
