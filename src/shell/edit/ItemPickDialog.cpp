#include "shell/edit/ItemPickDialog.h"

#include "shell/window/ItemFindField.h"
#include "shell/window/ItemList.h"
#include "shell/window/ItemListModel.h"

#include "store/Store.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace shell {

ItemPickDialog::ItemPickDialog(const QString& title, const QString& prompt,
                               const std::vector<store::ItemLine>& items, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("ItemPick"));
    setWindowTitle(title);
    m_list = new ItemList(this);
    m_list->setObjectName(QStringLiteral("PickList"));
    m_list->setAccessibleName(tr("Item Master List"));
    m_list->appendItems(items);
    // The longest IDs by length are the widest but for a few narrow letters: measuring those
    // alone costs little however many items there are.
    qsizetype longest = 0;
    for (const store::ItemLine& item : items)
        longest = std::max(longest, item.id.size());
    const QFontMetrics metrics = m_list->fontMetrics();
    int measured = 0;
    for (const store::ItemLine& item : items) {
        if (item.id.size() + 4 < longest || measured == 2000)
            continue;
        m_longestId = std::max(m_longestId, metrics.horizontalAdvance(item.id));
        ++measured;
    }
    m_find = new ItemFindField(*m_list, this);
    auto* label = new QLabel(prompt, this);
    label->setTextFormat(Qt::PlainText); // item IDs are text, never markup
    label->setWordWrap(true);
    label->setBuddy(m_find);

    // Why OK took nothing, under the find field.
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("pickNote"));
    m_note->setTextFormat(Qt::PlainText);
    m_note->setWordWrap(true);
    m_note->hide();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &ItemPickDialog::take);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &ItemList::linePicked, this, &ItemPickDialog::take);
    // The list keeps the line that was current where it still shows it; a new find text
    // makes no line current, so that Enter never takes a line the user did not move to.
    connect(m_find, &QLineEdit::textChanged, this, [this] {
        m_list->selectionModel()->clear();
        m_note->hide();
    });
    // OK once there is something to take or to say why not.
    const auto follow = [this, ok] {
        ok->setEnabled(m_list->currentIndex().isValid() || !m_find->text().isEmpty());
    };
    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this, follow);
    connect(m_find, &QLineEdit::textChanged, this, follow);
    follow();

    m_column = new QVBoxLayout(this);
    m_column->addWidget(label);
    m_column->addWidget(m_find);
    m_column->addWidget(m_note);
    m_column->addWidget(m_list, 1);
    m_column->addWidget(buttons);
    resize(480, 420);
    m_find->setFocus();
}

void ItemPickDialog::askReason() {
    if (m_reason)
        return;
    m_reason = new QLineEdit(this);
    m_reason->setObjectName(QStringLiteral("pickReason"));
    auto* row = new QFormLayout;
    row->addRow(tr("&Reason (optional):"), m_reason);
    m_column->insertLayout(m_column->count() - 1, row); // above the buttons
}

QString ItemPickDialog::reason() const {
    return m_reason ? m_reason->text().trimmed() : QString();
}

void ItemPickDialog::fitIdColumn() {
    QHeaderView& header = *m_list->header();
    // The cell's margins and a little air, as the view pads a column fitted to its contents.
    const int wanted = m_longestId + 3 * m_list->fontMetrics().averageCharWidth();
    header.resizeSection(ItemListModel::IdColumn,
                         std::max(header.sectionSizeHint(ItemListModel::IdColumn),
                                  std::min(wanted, m_list->viewport()->width() / 2)));
}

void ItemPickDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    fitIdColumn();
}

void ItemPickDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    fitIdColumn();
}

QString ItemPickDialog::chosen() const {
    if (const QString current = m_list->currentText(); !current.isEmpty())
        return current;
    const ItemListModel& items = m_list->itemModel();
    const int named = items.itemWithKey(m_find->text());
    return named < 0 ? QString() : items.id(named);
}

void ItemPickDialog::take() {
    if (!chosen().isEmpty()) {
        accept();
        return;
    }
    const QString find = m_find->text();
    const int shown = m_list->itemModel().rowCount();
    if (find.isEmpty())
        m_note->setText(tr("Choose an item in the list, or type its ID."));
    else if (shown == 0)
        m_note->setText(tr("No item's ID or description holds '%1'.").arg(find));
    else
        m_note->setText(tr("No item's ID is '%1'; %Ln item(s) hold(s) it: choose one in the "
                           "list (Down, then Enter).",
                           nullptr, shown)
                            .arg(find));
    m_note->show();
}

} // namespace shell
