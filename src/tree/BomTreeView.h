#pragma once

#include <QPersistentModelIndex>
#include <QPointer>
#include <QTreeView>

namespace tree {

/// MIME type of an item ID dragged out of the Item Master list.
inline const QString ItemIdMimeType = QStringLiteral("application/x-fabrilux-item-id");

/// The BOM tree control: keeps a drop highlight of its own (the node a dragged item would go
/// to), accepts drags from one source widget only, and reports the Delete key and drops.
class BomTreeView : public QTreeView {
    Q_OBJECT
public:
    explicit BomTreeView(QWidget* parent = nullptr);

    /// The only widget whose drags the tree accepts.
    void setDragSource(QWidget* source) { m_dragSource = source; }
    QModelIndex dropHighlight() const { return m_dropHighlight; }
    void setDropHighlight(const QModelIndex& index);
    /// The selected node, or an invalid index when none is selected.
    QModelIndex selectedNode() const;

Q_SIGNALS:
    /// A drop has ended; emitted after the window system's drag is over, so that handlers may
    /// ask questions.
    void itemDropped();
    /// The Delete key, with any Shift or Ctrl state.
    void deleteRequested();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;

private:
    bool accepts(const QDropEvent* event) const;

    QPointer<QWidget> m_dragSource;
    QPersistentModelIndex m_dropHighlight;
};

} // namespace tree
