#include "shell/AddComponentDialog.h"

#include "shell/ItemFindField.h"
#include "shell/ItemList.h"
#include "store/Store.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace shell {

AddComponentDialog::AddComponentDialog(const std::vector<store::ItemLine>& items,
                                       const QString& target, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("AddComponent"));
    setWindowTitle(QStringLiteral("Add Component"));
    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(QStringLiteral("The item to add at %1:").arg(target));
    heading->setTextFormat(Qt::PlainText); // item IDs are text, never markup
    heading->setWordWrap(true);
    m_list = new ItemList;
    m_list->setObjectName(QStringLiteral("AddComponentList"));
    m_list->setAccessibleName(QStringLiteral("Item Master List"));
    m_find = new ItemFindField(*m_list);
    m_find->setObjectName(QStringLiteral("AddComponentFind"));
    heading->setBuddy(m_find);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    // Enter in the find field picks, as in the list.
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    layout->addWidget(heading);
    layout->addWidget(m_find);
    layout->addWidget(m_list, 1);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &AddComponentDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &ItemList::linePicked, this, &AddComponentDialog::accept);
    m_list->appendItems(items);
    const int em = fontMetrics().horizontalAdvance(QLatin1Char('M'));
    resize(em * 36, em * 30);
    m_find->setFocus();
}

void AddComponentDialog::accept() {
    QString id = m_list->currentText();
    if (id.isEmpty()) {
        const QStringList shown = m_list->items();
        if (!shown.isEmpty())
            id = shown.constFirst();
    }
    if (id.isEmpty())
        return;
    m_chosen = id;
    QDialog::accept();
}

} // namespace shell
