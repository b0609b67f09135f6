#pragma once

#include "tree/edits/LineEdits.h"

#include <QByteArray>
#include <QModelIndex>
#include <QObject>
#include <QString>

#include "tree/edits/LinePaste.h"

#include <functional>
#include <optional>
#include <vector>

class QAction;

namespace desktop {
class Desktop;
}
namespace tree {
class LineEdits;
class BomTreeModel;
} // namespace tree

namespace shell {

class BomTreeView;
class CommandContext;
class CommandRegistry;

/// Edit ▸ "Add Component…" (Insert), Cut (Ctrl+X), Copy (Ctrl+C), Paste (Ctrl+V) and Delete
/// (Del, on one selected node or several): the edits of many lines, and the one edit the mouse
/// alone offered, made from the keyboard. Cut then Paste moves the lines. Each write is one
/// transaction and one step of the history.
class LineCommands : public QObject {
    Q_OBJECT
public:
    /// The edits, the tree and the status come from `context`.
    explicit LineCommands(CommandContext& context);

    /// Registers the commands in the Edit menu's group of line commands.
    void addTo(CommandRegistry& commands);

    /// Picks an item from a list that the Find Item field narrows, then adds it at the
    /// current node as a drop there does (the same questions); on the empty tree of a loaded
    /// item, as its first component.
    void addComponent();
    /// The Delete key: one selected node as ever; several after one question that lists their
    /// lines, deleted together.
    void deleteSelected();
    /// Puts the selected nodes' lines on the clipboard.
    void copy();
    /// Puts the selected nodes' lines on the clipboard as Copy does and shows them as cut: the
    /// next Paste moves them. Nothing changes until then.
    void cut();
    /// Adds the clipboard's lines at the current node, after the drop's question and a preview;
    /// lines cut here and still on the clipboard move there instead (tree::LineEdits::moveLines).
    void paste();
    /// The cut lines stay where they are and show as any other (Esc, or another clipboard).
    void forgetCut();
    bool hasCut() const { return !m_cut.empty(); }
    /// A Shift+drag of `node` onto `target`: moves its line as Cut and Paste would.
    void moveNode(const QModelIndex& node, const QModelIndex& target);

private:
    /// Which columns of a pasted header that the editor does not know hold the item ID and
    /// the quantity: the answer remembered for that header, or else the user's (then
    /// remembered); empty when the user cancelled.
    std::optional<tree::PasteColumns> pasteColumns(const QStringList& header);
    /// The selected nodes (the current one when none is selected) in the tree's order, each
    /// line once and none below another: a node goes with the line of the one above it.
    std::vector<QModelIndex> chosenNodes() const;
    /// Moves the cut lines to `node` (none: the empty tree of the loaded item).
    void pasteCut(const QModelIndex& node);
    void report(const QString& message);
    /// The node a command acts on (the current one), or none on the empty tree of a loaded
    /// item; false, after saying why, when there is neither.
    bool target(QModelIndex& node);

    CommandContext& m_context;
    desktop::Desktop& m_desktop;
    tree::LineEdits& m_edits;
    tree::BomTreeModel& m_model;
    BomTreeView& m_tree;
    /// The lines cut and not yet pasted, and the clipboard data that carries them: another
    /// clipboard gives the cut up.
    std::vector<tree::MovedLine> m_cut;
    QByteArray m_cutData;
};

} // namespace shell
