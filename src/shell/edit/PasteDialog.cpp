#include "shell/edit/PasteDialog.h"

#include "tree/Quantity.h"

#include "shell/window/ReportTable.h"
#include "tree/BomTreeModel.h"

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
    setWindowTitle(QStringLiteral("Paste Lines"));
    // Each ID with what the Item Master says of it, so that a wrong column shows at a glance.
    m_model->setHorizontalHeaderLabels({QStringLiteral("Item ID"), QStringLiteral("Quantity"),
                                        QStringLiteral("UOM"), QStringLiteral("Description"),
                                        QStringLiteral("Refused")});
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
    heading->setText(
        refused == 0
            ? QStringLiteral("%1 into %2.")
                  .arg(tree::counted(m_addable, QStringLiteral("line goes"), QStringLiteral("lines go")), assembly)
        : m_addable == 0
            ? (refused == 1 ? QStringLiteral("The line cannot go into %1; nothing is written.")
                                  .arg(assembly)
                            : QStringLiteral("None of the %1 lines can go into %2; nothing is written.")
                                  .arg(refused)
                                  .arg(assembly))
            : QStringLiteral("%1 into %2; %3 left out.")
                  .arg(tree::counted(m_addable, QStringLiteral("line goes"), QStringLiteral("lines go")),
                       assembly,
                       tree::counted(refused, QStringLiteral("refused line is"),
                                     QStringLiteral("refused lines are"))));
    m_table = reportTable(QStringLiteral("PasteTable"), QStringLiteral("Lines to paste"), m_model);
    m_table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setText(QStringLiteral("Add %1").arg(
        tree::counted(m_addable, QStringLiteral("Line"), QStringLiteral("Lines"))));
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
