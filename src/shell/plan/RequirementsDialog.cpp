#include "shell/plan/RequirementsDialog.h"

#include "shell/window/ReportTable.h"
#include "store/ItemKey.h"
#include "tree/bill/BomTreeModel.h"
#include "tree/edits/Quantity.h"

#include <QBrush>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QScreen>
#include <QSet>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace shell {

namespace {

constexpr int ItemColumn = 0;
constexpr int QuantityColumn = 1;
constexpr int NoteColumn = 2;
/// The ItemState of a plan row, kept on its note's cell.
constexpr int StateRole = Qt::UserRole + 1;
/// The rows the plan shows at least, however small the window.
constexpr int PlanRowsShown = 6;

QTableWidgetItem* noteCell() {
    auto* cell = new QTableWidgetItem;
    cell->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled); // said by the editor, not typed
    return cell;
}

/// A list's rows as high as its text needs: the style's default is near twice that.
void compactRows(QTableView& table) {
    table.verticalHeader()->setMinimumSectionSize(1);
    table.verticalHeader()->setDefaultSectionSize(table.fontMetrics().height() + 6);
}

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

/// The answer's lines as the dialog holds them, each cell made when the view asks for it.
class RequirementsDialog::Lines final : public ReportTableModel {
public:
    Lines(const std::vector<tree::RequirementLine>& lines, QObject* parent)
        : ReportTableModel(int(tree::requirementHeaders().size()), tree::requirementHeaders(true),
                           {1, 4}, parent),
          m_lines(lines) {}
    /// The dialog's lines change in `change`, inside one reset.
    void replace(const std::function<void()>& change) { resetLines(change); }

protected:
    int lineCount() const override { return int(m_lines.size()); }
    QVariant cell(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole && role != Qt::EditRole)
            return {};
        const tree::RequirementLine& line = m_lines[size_t(index.row())];
        return shownCell(line, index.column(), tree::requirementCells(line, true));
    }

private:
    const std::vector<tree::RequirementLine>& m_lines;
};

RequirementsDialog::RequirementsDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmRequirements"));
    setWindowTitle(tr("Requirements"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* planHeading = new QLabel(tr("Items to &build"));
    m_plan = new QTableWidget(0, 3);
    m_plan->setObjectName(QStringLiteral("tblPlan"));
    m_plan->setAccessibleName(tr("Items to build"));
    m_plan->setHorizontalHeaderLabels({tr("Item ID"), tr("Quantity"), tr("Note")});
    m_plan->verticalHeader()->hide();
    m_plan->horizontalHeader()->setStretchLastSection(true);
    m_plan->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_plan->setWordWrap(false);
    m_plan->setColumnWidth(ItemColumn, m_plan->fontMetrics().averageCharWidth() * 32);
    m_plan->setColumnWidth(QuantityColumn, m_plan->fontMetrics().averageCharWidth() * 12);
    compactRows(*m_plan);
    m_plan->setMinimumHeight(m_plan->horizontalHeader()->sizeHint().height() +
                             PlanRowsShown * m_plan->verticalHeader()->defaultSectionSize() +
                             2 * m_plan->frameWidth());
    planHeading->setBuddy(m_plan);
    // An item typed into the list is checked at once; what the editor puts there is not.
    connect(m_plan, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* cell) {
        if (cell->column() == ItemColumn)
            Q_EMIT planItemEdited(cell->row());
    });
    connect(m_plan, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int previousRow, int) {
                if (row >= 0 && row != previousRow)
                    Q_EMIT planRowEntered(row);
            });
    m_planNote = new QLabel;
    m_planNote->setObjectName(QStringLiteral("lblPlanNote"));
    m_planNote->setWordWrap(true);
    m_planNote->setTextFormat(Qt::PlainText); // it names item IDs, which are data
    m_planNote->hide();
    QPushButton* add = button("cmdAddItem", tr("&Add Item…"));
    QPushButton* paste = button("cmdPasteRows", tr("&Paste Rows"));
    QPushButton* remove = button("cmdRemoveItem", tr("&Remove"));
    connect(add, &QPushButton::clicked, this, &RequirementsDialog::addRequested);
    connect(paste, &QPushButton::clicked, this, &RequirementsDialog::pasteRequested);
    connect(remove, &QPushButton::clicked, this, &RequirementsDialog::removeCurrent);
    auto* planButtons = new QVBoxLayout;
    planButtons->addWidget(add);
    planButtons->addWidget(paste);
    planButtons->addWidget(remove);
    planButtons->addStretch(1);

    m_boughtOnly = new QCheckBox(tr("Bought parts &only"));
    m_boughtOnly->setObjectName(QStringLiteral("chkBoughtOnly"));
    m_stopAtLevel = new QCheckBox(tr("&Stop at level"));
    m_stopAtLevel->setObjectName(QStringLiteral("chkStopAtLevel"));
    m_level = new QSpinBox;
    m_level->setObjectName(QStringLiteral("spnLevel"));
    m_level->setAccessibleName(tr("Stop at level"));
    m_level->setRange(1, 999);
    m_level->setValue(1);
    m_level->setEnabled(false);
    connect(m_stopAtLevel, &QCheckBox::toggled, m_level, &QSpinBox::setEnabled);
    m_includeListed = new QCheckBox(tr("&Include the listed items"));
    m_includeListed->setObjectName(QStringLiteral("chkIncludeListed"));
    QPushButton* workOut = button("cmdWorkOut", tr("&Work Out"));
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
    m_model = new Lines(m_lines, this);
    m_table = reportTable(QStringLiteral("tblRequirements"), tr("Requirements"), m_model);
    compactRows(*m_table);
    openRowsOnActivation(*m_table, [this](int row) {
        if (row >= 0 && size_t(row) < m_lines.size())
            Q_EMIT itemChosen(m_lines[size_t(row)].item);
    });

    QPushButton* csv = button("cmdExportCsv", tr("Export &CSV…"));
    QPushButton* excel = button("cmdExportExcel", tr("Export &Excel…"));
    QPushButton* print = button("cmdPrint", tr("P&rint…"));
    QPushButton* copy = button("cmdCopy", tr("Co&py"));
    QPushButton* close = button("cmdClose", tr("Close"));
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
    layout->addWidget(m_planNote);
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
        const QTableWidgetItem* item = m_plan->item(row, ItemColumn);
        const QTableWidgetItem* quantity = m_plan->item(row, QuantityColumn);
        const QString id = item ? item->text().trimmed() : QString();
        if (!id.isEmpty())
            lines.push_back({id, quantity ? quantity->text().trimmed() : QString(), row});
    }
    return lines;
}

int RequirementsDialog::addPlanLine(const QString& item, const QString& quantity) {
    const Merged merged = mergePlanLines({{item, quantity}}, Listed::Replace);
    const int row = merged.rows.front();
    m_plan->setCurrentCell(row, QuantityColumn);
    return row;
}

QStringList RequirementsDialog::repeatedAmong(const std::vector<PlanLine>& lines) const {
    QSet<QString> seen;
    for (int row = 0; row < m_plan->rowCount(); ++row)
        if (const QTableWidgetItem* cell = m_plan->item(row, ItemColumn))
            seen.insert(store::foldKey(cell->text().trimmed()));
    QSet<QString> named;
    QStringList repeated;
    for (const PlanLine& line : lines) {
        const QString key = store::foldKey(line.item);
        if (seen.contains(key)) {
            if (!named.contains(key)) {
                named.insert(key);
                repeated.append(line.item);
            }
        } else {
            seen.insert(key);
        }
    }
    return repeated;
}

RequirementsDialog::Merged RequirementsDialog::mergePlanLines(const std::vector<PlanLine>& lines,
                                                              Listed listed) {
    Merged merged;
    // The rows by folded item, each found in one step: a paste of 10,000 rows into a plan of
    // as many costs their number, never their product.
    QHash<QString, int> rowOf;
    const int before = m_plan->rowCount();
    for (int row = 0; row < before; ++row)
        if (const QTableWidgetItem* cell = m_plan->item(row, ItemColumn))
            rowOf.insert(store::foldKey(cell->text().trimmed()), row);
    std::vector<PlanLine> added;
    std::vector<QString> quantities(static_cast<size_t>(before));
    std::vector<bool> changed(size_t(before), false);
    QSet<QString> named;
    const auto quantityOf = [&](int row) -> QString& {
        if (row < before) {
            if (!changed[size_t(row)]) {
                const QTableWidgetItem* cell = m_plan->item(row, QuantityColumn);
                quantities[size_t(row)] = cell ? cell->text().trimmed() : QString();
                changed[size_t(row)] = true;
            }
            return quantities[size_t(row)];
        }
        return added[size_t(row - before)].quantity;
    };
    for (const PlanLine& line : lines) {
        const QString key = store::foldKey(line.item);
        const auto found = rowOf.constFind(key);
        if (found == rowOf.cend()) {
            rowOf.insert(key, before + int(added.size()));
            added.push_back(line);
            continue;
        }
        if (!named.contains(key)) {
            named.insert(key);
            merged.listed.append(line.item);
        }
        QString& quantity = quantityOf(*found);
        const std::optional<double> mine = tree::parseQuantity(quantity);
        const std::optional<double> given = tree::parseQuantity(line.quantity);
        quantity = listed == Listed::Add && mine && given ? tree::formatQuantity(*mine + *given)
                                                         : line.quantity;
    }

    const QSignalBlocker quiet(m_plan);
    m_plan->setUpdatesEnabled(false);
    for (int row = 0; row < before; ++row)
        if (changed[size_t(row)]) {
            m_plan->setItem(row, QuantityColumn, new QTableWidgetItem(quantities[size_t(row)]));
            merged.rows.push_back(row);
        }
    m_plan->setRowCount(before + int(added.size()));
    for (size_t at = 0; at < added.size(); ++at) {
        const int row = before + int(at);
        m_plan->setItem(row, ItemColumn, new QTableWidgetItem(added[at].item));
        m_plan->setItem(row, QuantityColumn, new QTableWidgetItem(added[at].quantity));
        m_plan->setItem(row, NoteColumn, noteCell());
        merged.rows.push_back(row);
    }
    m_plan->setUpdatesEnabled(true);
    merged.added = int(added.size());
    return merged;
}

void RequirementsDialog::clearPlan() { m_plan->setRowCount(0); }

void RequirementsDialog::markItem(int row, ItemState state, const QString& note) {
    QTableWidgetItem* item = m_plan->item(row, ItemColumn);
    if (!item)
        return;
    const QSignalBlocker quiet(m_plan);
    QTableWidgetItem* noteItem = m_plan->item(row, NoteColumn);
    if (!noteItem) {
        noteItem = noteCell();
        m_plan->setItem(row, NoteColumn, noteItem);
    }
    const bool marked = state != ItemState::Known;
    noteItem->setText(marked ? note : QString());
    noteItem->setData(StateRole, int(state));
    item->setData(Qt::ForegroundRole, marked ? QVariant(QBrush(tree::ProblemColour)) : QVariant());
    item->setData(Qt::DecorationRole,
                  marked ? QVariant(style()->standardIcon(QStyle::SP_MessageBoxWarning)) : QVariant());
    item->setToolTip(marked ? note : QString());
}

RequirementsDialog::ItemState RequirementsDialog::itemState(int row) const {
    const QTableWidgetItem* note = m_plan->item(row, NoteColumn);
    return note ? ItemState(note->data(StateRole).toInt()) : ItemState::Known;
}

QString RequirementsDialog::itemNote(int row) const {
    const QTableWidgetItem* note = m_plan->item(row, NoteColumn);
    return note ? note->text() : QString();
}

void RequirementsDialog::respell(int row, const QString& id) {
    if (QTableWidgetItem* item = m_plan->item(row, ItemColumn); item && item->text() != id) {
        const QSignalBlocker quiet(m_plan);
        item->setText(id);
    }
}

void RequirementsDialog::setPlanNote(const QString& text) {
    m_planNote->setText(text);
    m_planNote->setVisible(!text.isEmpty());
}

void RequirementsDialog::removeCurrent() {
    // The note said what a paste or a check found among rows that have changed since.
    if (const int row = m_plan->currentRow(); row >= 0) {
        m_plan->removeRow(row);
        setPlanNote({});
    }
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
    m_model->replace([&] { m_lines = std::move(lines); });
    m_heading->setText(heading);
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
