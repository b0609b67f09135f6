#pragma once

#include <QListView>
#include <QPoint>

class QMimeData;
class QStringListModel;

namespace shell {

/// The Item Master list: one line per ItemID, in the order given. Dragging a line with the
/// left button alone (past the platform's drag distance) drags its item ID with a pencil
/// pointer; a double-click or Enter picks the line.
class ItemList : public QListView {
    Q_OBJECT
public:
    explicit ItemList(QWidget* parent = nullptr);

    /// Appends lines after those already there.
    void appendItems(const QStringList& ids);
    void removeAllItems();
    QStringList items() const;
    /// The text of the current line; empty when no line is current.
    QString currentText() const;
    /// What a drag out of the list carries: the current line's item ID.
    QMimeData* dragData() const;

Q_SIGNALS:
    /// A line was double-clicked, or Enter was pressed on the current line.
    void linePicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QStringListModel* m_model;
    QPoint m_pressPosition;
    bool m_pressedOnLine = false;
};

} // namespace shell
