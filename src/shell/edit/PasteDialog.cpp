#include "shell/edit/PasteDialog.h"

#include "tree/edits/Quantity.h"

#include "shell/window/ReportTable.h"
#include "tree/bill/BomTreeModel.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace shell {

namespace {

/// Where a line's refusal shows, after its ID, quantity, unit and description.
constexpr int RefusedColumn = 4;

} // namespace

PasteDialog::PasteDialog(const QString& assembly, const std::vector<tree::PastedLine>& lines,
                         QWidget* parent)
    : QDialog(parent), m_model(new QStandardItemModel(this)) {
    setObjectName(QStringLiteral("PasteLines"));
    setWindowTitle(tr("Paste Lines"));
    // Each ID with what the Item Master says of it, so that a wrong column shows at a glance.
    m_model->setHorizontalHeaderLabels(
        {tr("Item ID"), tr("Quantity"), tr("UOM"), tr("Description"), tr("Refused")});
    m_model->setRowCount(int(lines.size()));
    int row = 0;
    for (const tree::PastedLine& line : lines) {
        const bool refused = !line.refusal.isEmpty();
        if (!refused)
            ++m_addable;
        int column = 0;
        for (const QString& text :
             {line.component, line.quantityText, line.unit, line.description, line.refusal}) {
            auto* cell = new QStandardItem(text);
            cell->setEditable(false);
            if (refused)
                cell->setForeground(tree::ProblemColour);
            m_model->setItem(row, column++, cell);
        }
        ++row;
    }
    const int refused = int(lines.size()) - m_addable;
    QLabel* heading = reportHeading(QStringLiteral("PasteHeading"));
    const QString going = tr("%Ln line(s) go(es)", nullptr, m_addable);
    heading->setText(
        refused == 0 ? tr("%1 into %2.").arg(going, assembly)
        : m_addable == 0
            ? (refused == 1 ? tr("The line cannot go into %1; nothing is written.").arg(assembly)
                            : tr("None of the %Ln lines can go into %1; nothing is written.",
                                 nullptr, refused)
                                  .arg(assembly))
            : tr("%1 into %2; %3 left out.")
                  .arg(going, assembly, tr("%Ln refused line(s) is/are", nullptr, refused)));
    m_table = reportTable(QStringLiteral("PasteTable"), tr("Lines to paste"), m_model);
    m_table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setText(tr("Add %Ln Line(s)", nullptr, m_addable));
    ok->setEnabled(m_addable > 0);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (m_addable > 0)
            accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(m_table, 1);
    layout->addWidget(buttons);
    const int em = fontMetrics().horizontalAdvance(QLatin1Char('M'));
    m_table->setColumnWidth(3, em * 18);
    resize(em * 56, em * 26);
}

QStringList PasteDialog::shownLines() const {
    QStringList shown;
    for (int row = 0; row < m_model->rowCount(); ++row)
        shown.append(m_model->item(row, 0)->text() + u'\t' + m_model->item(row, 1)->text() +
                     u'\t' + m_model->item(row, RefusedColumn)->text());
    return shown;
}

} // namespace shell
