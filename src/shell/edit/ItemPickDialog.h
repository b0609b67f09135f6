#pragma once

#include <QDialog>
#include <QString>

#include <vector>

namespace store {
struct ItemLine;
}

class QLineEdit;
class QVBoxLayout;

namespace shell {

class ItemFindField;
class ItemList;

/// A find box for one item of the Item Master (Add Component…, Replace Component…, Copy Bill
/// To…): the "Find Item" field over a list of every item, matched as the main window's list
/// matches (ID or description, literally, in any case). OK, Enter (in the field or the list)
/// or a double-click takes the current line, or the first one shown when none is current, so
/// that typing part of an ID and Enter is enough; OK waits while no line shows. Esc cancels.
/// The ID column fits the longest ID up to half the list; each ID's tooltip shows it whole.
class ItemPickDialog : public QDialog {
    Q_OBJECT
public:
    ItemPickDialog(const QString& title, const QString& prompt,
                   const std::vector<store::ItemLine>& items, QWidget* parent = nullptr);

    /// The ID of the current line, or of the first one shown when none is current; empty when
    /// the list shows none.
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
    /// The ID column as wide as the longest ID, up to half the list: IDs show whole.
    void fitIdColumn();

    ItemList* m_list;
    int m_longestId = 0; // pixels
    ItemFindField* m_find;
    QLineEdit* m_reason = nullptr;
    QVBoxLayout* m_column;
};

} // namespace shell
