#pragma once

#include <QDialog>
#include <QString>

#include <vector>

namespace store {
struct ItemLine;
}

class QLabel;
class QLineEdit;
class QVBoxLayout;

namespace shell {

class ItemFindField;
class ItemList;

/// A find box for one item of the Item Master (Add Component…, Replace Component…, Copy Bill
/// To…): the "Find Item" field over a list of every item, matched as the main window's list
/// matches (ID or description, literally, in any case), the item whose ID the store takes as
/// the find text first. OK, Enter (in the field or the list) or a double-click takes the line
/// the user moved to, or else the item whose ID is the find text; with neither, the box says
/// why and stays open: it never takes a line for the user. Typing makes no line current. Esc
/// cancels.
/// The ID column fits the longest ID up to half the list; each ID's tooltip shows it whole.
class ItemPickDialog : public QDialog {
    Q_OBJECT
public:
    ItemPickDialog(const QString& title, const QString& prompt,
                   const std::vector<store::ItemLine>& items, QWidget* parent = nullptr);

    /// The ID of the line the user moved to, or else of the item whose ID the store takes as
    /// the find text; empty when there is neither.
    QString chosen() const;
    ItemFindField& findField() { return *m_find; }
    /// Adds an optional reason, kept with the command's change set in the database's history.
    void askReason();
    QString reason() const;
    ItemList& list() { return *m_list; }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    /// OK, Enter or a double-click: accepts what chosen() names, or says why there is none.
    void take();
    /// The ID column as wide as the longest ID, up to half the list: IDs show whole.
    void fitIdColumn();

    ItemList* m_list;
    int m_longestId = 0; // pixels
    ItemFindField* m_find;
    QLineEdit* m_reason = nullptr;
    QLabel* m_note;
    QVBoxLayout* m_column;
};

} // namespace shell
