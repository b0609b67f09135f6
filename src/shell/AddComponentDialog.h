#pragma once

#include <QDialog>
#include <QString>

#include <vector>

namespace store {
struct ItemLine;
}

namespace shell {

class ItemFindField;
class ItemList;

/// Edit ▸ "Add Component…": the item to add, picked without the mouse. A Find Item field over
/// the items, which it narrows as the main list's field does; Enter (in the field or the list)
/// or a double-click picks the current line, or the first one shown when none is current;
/// Esc cancels.
class AddComponentDialog : public QDialog {
    Q_OBJECT
public:
    /// `target` names where the item goes, for the heading.
    AddComponentDialog(const std::vector<store::ItemLine>& items, const QString& target,
                       QWidget* parent = nullptr);

    /// The item picked; empty before a pick.
    QString chosenId() const { return m_chosen; }
    ItemFindField& findField() { return *m_find; }
    ItemList& list() { return *m_list; }

    /// Picks the current line (or the first shown) and closes; stays open when no line shows.
    void accept() override;

private:
    ItemFindField* m_find;
    ItemList* m_list;
    QString m_chosen;
};

} // namespace shell
