#pragma once

#include <QPersistentModelIndex>
#include <QPointer>
#include <QTreeView>

#include <vector>

class QMimeData;

namespace shell {

/// The BOM tree control: keeps a drop highlight of its own (the node a dragged item would go
/// to), accepts drags from one source widget only, and reports the Delete key and drops.
class BomTreeView : public QTreeView {
    Q_OBJECT
public:
    /// Whether a quantity is being typed into a cell, or a node dragged: changes by other
    /// editors wait until it is over.
    bool editing() const { return state() == EditingState || state() == DraggingState; }
    explicit BomTreeView(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;
    /// The only widget whose drags the tree accepts.
    void setDragSource(QWidget* source) { m_dragSource = source; }
    QModelIndex dropHighlight() const { return m_dropHighlight; }
    void setDropHighlight(const QModelIndex& index);
    /// The selected node, or an invalid index when none is selected.
    QModelIndex selectedNode() const;
    /// Every selected node, in the order the tree shows them (top to bottom).
    std::vector<QModelIndex> selectedNodes() const;
    /// Takes a drop of this drag data on the drop highlight: reports it with itemDropped once
    /// the window system's drag is over. False when the data carries no item of the list.
    bool takeDrop(const QMimeData* data);
    /// Takes a Shift+drag of `node` dropped on `target`: reports it with nodeMoveDropped once
    /// the drag is over. False when either is no node.
    bool takeMoveDrop(const QModelIndex& node, const QModelIndex& target);
    /// Makes the parent of the current node current (Alt+Up, Backspace); false at the top.
    bool goToParent();
    /// Shows every node of `nodes` expanded, in one layout of the whole tree. Unlike
    /// expandAll(), it opens no node that the model has not made.
    void expandNodes(const std::vector<QModelIndex>& nodes);

Q_SIGNALS:
    /// An item of the Item Master list was dropped; emitted after the window system's drag is
    /// over, so that handlers may ask questions.
    void itemDropped(const QString& id);
    /// The Delete key, with any Shift or Ctrl state.
    void deleteRequested();
    /// A click on the node that was current already (a click on another node makes it
    /// current, which the selection model reports).
    void currentNodeClicked(const QModelIndex& node);
    /// The context menu is asked for at `globalPos` (the right button, the Menu key or
    /// Shift+F10), for `node`: the node under the pointer, which is then current, or the
    /// current one from the keyboard; none on empty space.
    void nodeMenuRequested(const QModelIndex& node, const QPoint& globalPos);
    /// Esc on the tree (gives up a cut).
    void escapePressed();
    /// '*' on the tree: the current node and everything below it are to open.
    void expandBelowRequested();
    /// A node dragged with Shift was dropped on `target`; emitted after the window system's
    /// drag is over, so that handlers may ask questions.
    void nodeMoveDropped(const QPersistentModelIndex& node, const QPersistentModelIndex& target);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;

    void resizeEvent(QResizeEvent* event) override;

private:
    /// The description stretches over the room the other columns leave while that is enough
    /// to read it; else it keeps a readable width and the tree scrolls sideways.
    void keepDescriptionReadable();
    bool accepts(const QDropEvent* event) const;
    /// Repaints the whole row of a node, branch lines included.
    void updateRow(const QModelIndex& index);

    QPointer<QWidget> m_dragSource;
    QPersistentModelIndex m_dropHighlight;
    /// The node a press with Shift held landed on, and where: a drag from there moves it.
    QPersistentModelIndex m_moveFrom;
    QPoint m_movePress;
    bool m_fittingDescription = false;
};

} // namespace shell
