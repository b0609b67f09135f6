#pragma once

#include <QLineEdit>

namespace shell {

class ItemList;

/// The "Find Item" field over the Item Master list: the list shows only the lines that hold
/// what is typed, from the first character on. Esc empties the field (and so shows every
/// line again); the Down arrow moves to the list.
class ItemFindField : public QLineEdit {
    Q_OBJECT
public:
    explicit ItemFindField(ItemList& list, QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    ItemList& m_list;
};

} // namespace shell
