#pragma once

#include <QObject>
#include <QString>

#include "tree/LinePaste.h"

#include <functional>
#include <optional>

class QAction;
class QMenu;

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

/// Edit ▸ "Add Component…" (Insert), Copy (Ctrl+C) and Paste (Ctrl+V), and the Delete key on
/// several selected nodes: the edits of many lines, and the one edit the mouse alone offered,
/// made from the keyboard. Each write is one transaction and one step of the history.
class LineCommands : public QObject {
    Q_OBJECT
public:
    /// The edits, the tree and the status come from `context`.
    explicit LineCommands(CommandContext& context);

    /// Adds the commands to `editMenu`, before `before`.
    void addTo(QMenu* editMenu, QAction* before);

    /// Picks an item from a list that the Find Item field narrows, then adds it at the
    /// current node as a drop there does (the same questions); on the empty tree of a loaded
    /// item, as its first component.
    void addComponent();
    /// The Delete key: one selected node as ever; several after one question that lists their
    /// lines, deleted together.
    void deleteSelected();
    /// Puts the selected nodes' lines on the clipboard.
    void copy();
    /// Adds the clipboard's lines at the current node, after the drop's question and a preview.
    void paste();

private:
    /// Which columns of a pasted header that the editor does not know hold the item ID and
    /// the quantity: the answer remembered for that header, or else the user's (then
    /// remembered); empty when the user cancelled.
    std::optional<tree::PasteColumns> pasteColumns(const QStringList& header);
    void report(const QString& message);
    /// The node a command acts on (the current one), or none on the empty tree of a loaded
    /// item; false, after saying why, when there is neither.
    bool target(QModelIndex& node);

    CommandContext& m_context;
    desktop::Desktop& m_desktop;
    tree::LineEdits& m_edits;
    tree::BomTreeModel& m_model;
    BomTreeView& m_tree;
};

} // namespace shell
