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

/// A find box for one item of the Item Master: the "Find Item" field over a list of every
/// item, matched as the main window's list matches (ID or description, literally, in any
/// case). OK, Enter or a double-click on a line takes the current line; OK waits for one.
class ItemPickDialog : public QDialog {
    Q_OBJECT
public:
    ItemPickDialog(const QString& title, const QString& prompt,
                   const std::vector<store::ItemLine>& items, QWidget* parent = nullptr);

    /// The ID of the line chosen; empty when none is current.
    QString chosen() const;
    ItemFindField& findField() { return *m_find; }
    ItemList& list() { return *m_list; }

private:
    ItemList* m_list;
    ItemFindField* m_find;
};

} // namespace shell
