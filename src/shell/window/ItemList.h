#pragma once

#include <QPoint>
#include <QTreeView>

#include <vector>

class QMenu;
class QMimeData;

namespace tree {
struct LowLevelCodes;
}

namespace store {
struct ItemLine;
}

namespace shell {

class ItemListModel;

/// The Item Master list: one line per item in the order given, its ID and its description,
/// narrowed to the lines that hold the find text. Dragging a line with the left button alone
/// (past the platform's drag distance) drags its item ID with a pencil pointer; a double-click
/// or Enter picks the line. The header's context menu shows or hides the optional columns
/// (the low-level code, hidden at first) of a list whose owner fills them.
class ItemList : public QTreeView {
    Q_OBJECT
public:
    explicit ItemList(QWidget* parent = nullptr);

    /// Appends items after those already there.
    void appendItems(const std::vector<store::ItemLine>& items);
    void removeAllItems();
    /// Makes `items` the list when they differ from those shown (another editor's change):
    /// the find text applies, and the current line and the scroll position stay where the
    /// current item is still listed. True when the list changed.
    bool showItems(const std::vector<store::ItemLine>& items);
    /// The ID on each line shown, top to bottom.
    QStringList items() const;
    /// The ID of the current line; empty when no line is current.
    QString currentText() const;
    /// Every item of the list, shown or not.
    const ItemListModel& itemModel() const { return *m_model; }
    /// Gives the low-level codes its column shows.
    void setLowLevelCodes(const tree::LowLevelCodes& codes);
    /// The header's context menu: a tick per optional column. Offered only where someone
    /// fills the column (lowLevelCodesWanted is connected).
    QMenu* columnMenu() const { return m_columnMenu; }
    /// What a drag out of the list carries: the current line's item ID.
    QMimeData* dragData() const;

    /// Shows only the lines whose ID or description holds `text`, ignoring case (every line
    /// when it is empty). The current line stays current when it is still shown; otherwise no
    /// line is.
    void setFindText(const QString& text);
    /// Takes the keyboard focus from the find field: the current line, or else the first, is
    /// current and in view.
    void enterFromFind();

Q_SIGNALS:
    /// A line was double-clicked, or Enter was pressed on the current line.
    void linePicked();
    /// The low-level code column is shown, or the list was filled again while it is: its
    /// codes are to be read.
    void lowLevelCodesWanted();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool codesShown() const;

    ItemListModel* m_model;
    QMenu* m_columnMenu;
    QPoint m_pressPosition;
    bool m_pressedOnLine = false;
};

} // namespace shell
