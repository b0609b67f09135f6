#include "shell/plan/RequirementsDialog.h"

#include "shell/window/ReportTable.h"
#include "store/ItemKey.h"
#include "tree/Quantity.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace shell {

namespace {

QPushButton* button(const char* name, const QString& caption) {
    auto* b = new QPushButton(caption);
    b->setObjectName(QLatin1StringView(name));
    b->setAutoDefault(false);
    return b;
}

/// A cell of the answer as the window shows it: a quantity in the user's number format.
QString shownCell(const tree::RequirementLine& line, int column, const QStringList& cells) {
    if (column == 1)
        return line.total ? tree::formatQuantity(*line.total) : QString();
    return cells[column];
}

} // namespace

RequirementsDialog::RequirementsDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmRequirements"));
    setWindowTitle(QStringLiteral("Requirements"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* planHeading = new QLabel(QStringLiteral("Items to &build"));
    m_plan = new QTableWidget(0, 2);
    m_plan->setObjectName(QStringLiteral("tblPlan"));
    m_plan->setAccessibleName(QStringLiteral("Items to build"));
    m_plan->setHorizontalHeaderLabels({QStringLiteral("Item ID"), QStringLiteral("Quantity")});
    m_plan->verticalHeader()->hide();
    m_plan->horizontalHeader()->setStretchLastSection(true);
    m_plan->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_plan->setWordWrap(false);
    m_plan->setColumnWidth(0, m_plan->fontMetrics().averageCharWidth() * 32);
    planHeading->setBuddy(m_plan);
    QPushButton* add = button("cmdAddItem", QStringLiteral("&Add Item…"));
    QPushButton* paste = button("cmdPasteRows", QStringLiteral("&Paste Rows"));
    QPushButton* remove = button("cmdRemoveItem", QStringLiteral("&Remove"));
    connect(add, &QPushButton::clicked, this, &RequirementsDialog::addRequested);
    connect(paste, &QPushButton::clicked, this, &RequirementsDialog::pasteRequested);
    connect(remove, &QPushButton::clicked, this, &RequirementsDialog::removeCurrent);
    auto* planButtons = new QVBoxLayout;
    planButtons->addWidget(add);
    planButtons->addWidget(paste);
    planButtons->addWidget(remove);
    planButtons->addStretch(1);

    m_boughtOnly = new QCheckBox(QStringLiteral("Bought parts &only"));
    m_boughtOnly->setObjectName(QStringLiteral("chkBoughtOnly"));
    m_stopAtLevel = new QCheckBox(QStringLiteral("&Stop at level"));
    m_stopAtLevel->setObjectName(QStringLiteral("chkStopAtLevel"));
    m_level = new QSpinBox;
    m_level->setObjectName(QStringLiteral("spnLevel"));
    m_level->setAccessibleName(QStringLiteral("Stop at level"));
    m_level->setRange(1, 999);
    m_level->setValue(1);
    m_level->setEnabled(false);
    connect(m_stopAtLevel, &QCheckBox::toggled, m_level, &QSpinBox::setEnabled);
    m_includeListed = new QCheckBox(QStringLiteral("&Include the listed items"));
    m_includeListed->setObjectName(QStringLiteral("chkIncludeListed"));
    QPushButton* workOut = button("cmdWorkOut", QStringLiteral("&Work Out"));
    workOut->setDefault(true);
    connect(workOut, &QPushButton::clicked, this, &RequirementsDialog::workOutRequested);
    auto* options = new QHBoxLayout;
    options->addWidget(m_boughtOnly);
    options->addWidget(m_stopAtLevel);
    options->addWidget(m_level);
    options->addWidget(m_includeListed);
    options->addStretch(1);
    options->addWidget(workOut);

    m_heading = reportHeading(QStringLiteral("lblRequirements"));
    m_model = new QStandardItemModel(0, int(tree::requirementHeaders().size()), this);
    m_model->setHorizontalHeaderLabels(tree::requirementHeaders());
    m_table = reportTable(QStringLiteral("tblRequirements"), QStringLiteral("Requirements"), m_model);
    openRowsOnActivation(*m_table, [this](int row) {
        if (row >= 0 && size_t(row) < m_lines.size())
            Q_EMIT itemChosen(m_lines[size_t(row)].item);
    });

    QPushButton* csv = button("cmdExportCsv", QStringLiteral("Export &CSV…"));
    QPushButton* excel = button("cmdExportExcel", QStringLiteral("Export &Excel…"));
    QPushButton* print = button("cmdPrint", QStringLiteral("P&rint…"));
    QPushButton* copy = button("cmdCopy", QStringLiteral("Co&py"));
    QPushButton* close = button("cmdClose", QStringLiteral("Close"));
    connect(csv, &QPushButton::clicked, this, &RequirementsDialog::exportCsvRequested);
    connect(excel, &QPushButton::clicked, this, &RequirementsDialog::exportExcelRequested);
    connect(print, &QPushButton::clicked, this, &RequirementsDialog::printRequested);
    connect(copy, &QPushButton::clicked, this, &RequirementsDialog::copy);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    m_answerButtons = {csv, excel, print, copy};
    for (QPushButton* b : m_answerButtons)
        b->setEnabled(false);
    auto* answerButtons = new QHBoxLayout;
    for (QPushButton* b : m_answerButtons)
        answerButtons->addWidget(b);
    answerButtons->addStretch(1);
    answerButtons->addWidget(close);

    auto* planRow = new QHBoxLayout;
    planRow->addWidget(m_plan, 1);
    planRow->addLayout(planButtons);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(planHeading);
    layout->addLayout(planRow, 1);
    layout->addLayout(options);
    layout->addWidget(m_heading);
    layout->addWidget(m_table, 3);
    layout->addLayout(answerButtons);
    // Wide enough for every column, Needed By included, with two items listed; never wider
    // than the screen it opens on.
    const QRect screen = this->screen()->availableGeometry();
    resize(std::min(1240, screen.width() * 9 / 10), std::min(640, screen.height() * 9 / 10));
}

std::vector<RequirementsDialog::PlanLine> RequirementsDialog::planLines() const {
    std::vector<PlanLine> lines;
    for (int row = 0; row < m_plan->rowCount(); ++row) {
        const QTableWidgetItem* item = m_plan->item(row, 0);
        const QTableWidgetItem* quantity = m_plan->item(row, 1);
        const QString id = item ? item->text().trimmed() : QString();
        if (!id.isEmpty())
            lines.push_back({id, quantity ? quantity->text().trimmed() : QString()});
    }
    return lines;
}

void RequirementsDialog::addPlanLine(const QString& item, const QString& quantity) {
    // An item listed already takes the new quantity rather than a second line: the plan builds
    // each item once.
    int row = 0;
    for (; row < m_plan->rowCount(); ++row)
        if (const QTableWidgetItem* cell = m_plan->item(row, 0);
            cell && store::foldKey(cell->text().trimmed()) == store::foldKey(item))
            break;
    if (row == m_plan->rowCount()) {
        m_plan->insertRow(row);
        m_plan->setItem(row, 0, new QTableWidgetItem(item));
    }
    m_plan->setItem(row, 1, new QTableWidgetItem(quantity));
    m_plan->setCurrentCell(row, 1);
}

void RequirementsDialog::clearPlan() { m_plan->setRowCount(0); }

void RequirementsDialog::removeCurrent() {
    if (const int row = m_plan->currentRow(); row >= 0)
        m_plan->removeRow(row);
}

tree::RequirementOptions RequirementsDialog::options() const {
    tree::RequirementOptions options;
    options.boughtOnly = m_boughtOnly->isChecked();
    options.depthLimit = m_stopAtLevel->isChecked() ? m_level->value() : 0;
    options.includeListed = m_includeListed->isChecked();
    return options;
}

void RequirementsDialog::showRequirements(const QString& heading,
                                          std::vector<tree::RequirementLine> lines) {
    m_lines = std::move(lines);
    m_heading->setText(heading);
    m_model->removeRows(0, m_model->rowCount());
    m_model->setRowCount(int(m_lines.size()));
    for (size_t row = 0; row < m_lines.size(); ++row) {
        const QStringList cells = tree::requirementCells(m_lines[row]);
        for (int column = 0; column < cells.size(); ++column) {
            auto* cell = new QStandardItem(shownCell(m_lines[row], column, cells));
            if (column == 1 || column == 4)
                cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_model->setItem(int(row), column, cell);
        }
    }
    m_table->resizeColumnsToContents();
    for (QPushButton* b : m_answerButtons)
        b->setEnabled(!m_lines.empty());
}

QString RequirementsDialog::requirementsText() const {
    // Tab-separated for spreadsheets; quantities in the C locale's exact form, as the files.
    const auto clean = [](QString text) {
        return text.replace(QLatin1Char('\t'), QLatin1Char(' '))
            .replace(QLatin1Char('\n'), QLatin1Char(' '))
            .replace(QLatin1Char('\r'), QLatin1Char(' '));
    };
    QString text = tree::requirementHeaders().join(QLatin1Char('\t')) + QLatin1Char('\n');
    for (const tree::RequirementLine& line : m_lines) {
        QStringList cells = tree::requirementCells(line);
        for (QString& cell : cells)
            cell = clean(cell);
        text += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    return text;
}

void RequirementsDialog::copy() { QGuiApplication::clipboard()->setText(requirementsText()); }

} // namespace shell
