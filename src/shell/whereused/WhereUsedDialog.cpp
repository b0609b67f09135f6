#include "shell/whereused/WhereUsedDialog.h"

#include "shell/live/ChangeNote.h"
#include "shell/window/ColumnFit.h"
#include "shell/window/ReportTable.h"

#include "tree/bill/BillReads.h"
#include "tree/bill/BomTreeModel.h"
#include "tree/edits/Quantity.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace shell {

/// The lines of the window, straight from the report: no copy per cell, so that a part used
/// in thousands of assemblies shows at once. Under each finished item, when paths are shown,
/// its listed paths indented and a line with the count of the rest.
class WhereUsedDialog::Lines : public ReportTableModel {
public:
    enum Column { Assembly, Level, Quantity, Unit, Description, ColumnCount };

    explicit Lines(QObject* parent) : ReportTableModel(ColumnCount, {}, {Level, Quantity}, parent) {}

    /// Shows every row of the where-used of `item`, or its finished items alone with their
    /// paths (`topsOnly`). The paths name their steps by the rows of the whole where-used.
    void reset(std::vector<store::WhereUsedRow> rows, const QString& item, bool topsOnly) {
        resetLines([&] {
            m_rows = std::move(rows);
            m_item = item;
            m_lines.clear();
            m_lines.reserve(m_rows.size());
            for (size_t at = 0; at < m_rows.size(); ++at) {
                const store::WhereUsedRow& row = m_rows[at];
                if (topsOnly && !row.top)
                    continue;
                m_lines.push_back({int(at), Whole});
                if (!topsOnly)
                    continue;
                for (size_t path = 0; path < row.paths.size(); ++path)
                    m_lines.push_back({int(at), int(path)});
                if (!tree::morePathsText(row).isEmpty())
                    m_lines.push_back({int(at), MorePaths});
            }
        });
    }

    /// The assembly row a line shows, or stands under (a path, the count of the rest).
    const store::WhereUsedRow& row(int at) const { return m_rows[size_t(m_lines[size_t(at)].row)]; }
    /// Whether the line shows an assembly itself, not one of its paths.
    bool isAssembly(int at) const { return m_lines[size_t(at)].path == Whole; }

    int lineCount() const override { return int(m_lines.size()); }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        switch (section) {
        case Assembly:
            return QCoreApplication::translate("shell::WhereUsedDialog", "Assembly");
        case Level:
            return QCoreApplication::translate("shell::WhereUsedDialog", "Level");
        case Quantity:
            return QCoreApplication::translate("shell::WhereUsedDialog", "Quantity");
        case Unit:
            return QCoreApplication::translate("shell::WhereUsedDialog", "UOM");
        case Description:
            return QCoreApplication::translate("shell::WhereUsedDialog", "Description");
        default: return {};
        }
    }

    /// Orders the lines by one column; equal values keep the report's order (level, then
    /// ID), so a second click on another header sorts within the first. A finished item's
    /// paths stay under it, in their order.
    void sort(int column, Qt::SortOrder order) override {
        Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        const QModelIndexList before = persistentIndexList();
        std::vector<size_t> heads; // the line of each assembly, its paths after it
        for (size_t at = 0; at < m_lines.size(); ++at)
            if (m_lines[at].path == Whole)
                heads.push_back(at);
        const auto less = [&](size_t a, size_t b) {
            return lessThan(column, m_rows[size_t(m_lines[a].row)], m_rows[size_t(m_lines[b].row)]);
        };
        if (order == Qt::AscendingOrder)
            std::stable_sort(heads.begin(), heads.end(), less);
        else
            std::stable_sort(heads.begin(), heads.end(),
                             [&](size_t a, size_t b) { return less(b, a); });
        std::vector<Line> sorted;
        sorted.reserve(m_lines.size());
        std::vector<int> newPlace(m_lines.size());
        for (const size_t head : heads)
            for (size_t at = head; at == head || (at < m_lines.size() && m_lines[at].path != Whole);
                 ++at) {
                newPlace[at] = int(sorted.size());
                sorted.push_back(m_lines[at]);
            }
        m_lines = std::move(sorted);
        QModelIndexList after;
        after.reserve(before.size());
        for (const QModelIndex& index : before)
            after.append(this->index(newPlace[size_t(index.row())], index.column()));
        changePersistentIndexList(before, after);
        Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    }
    QVariant cell(const QModelIndex& index, int role) const override {
        const store::WhereUsedRow& line = row(index.row());
        if (const int path = m_lines[size_t(index.row())].path; path != Whole)
            return pathData(line, path, index.column(), role);
        switch (role) {
        case Qt::DisplayRole:
            switch (index.column()) {
            case Assembly: return line.assembly;
            case Level: return line.level;
            case Quantity: return line.quantity ? tree::formatQuantity(*line.quantity) : QString();
            case Unit: return line.unit.value_or(QString());
            case Description:
                return line.inItemMaster ? line.description.value_or(tree::noDescription())
                                         : QString();
            default: return {};
            }
        case Qt::ForegroundRole:
            // Marked as the tree marks what it does not expand.
            return line.circular ? QVariant(tree::MarkedColour) : QVariant();
        case Qt::ToolTipRole:
            if (index.column() != Quantity && index.column() != Assembly)
                return {};
            if (line.circular)
                return QCoreApplication::translate(
                    "shell::WhereUsedDialog",
                    "Circular: a cycle in the structure stands between this "
                    "assembly and the item, so it would need the item "
                    "without end.");
            if (!line.quantity)
                return QCoreApplication::translate(
                    "shell::WhereUsedDialog",
                    "A line on the way down to the item has no quantity.");
            return {};
        default:
            return {};
        }
    }

private:
    /// A line is an assembly (Whole), one of a finished item's paths (its number), or the
    /// count of the paths not listed.
    static constexpr int Whole = -1;
    static constexpr int MorePaths = -2;
    struct Line {
        int row;
        int path;
    };

    /// The lines under a finished item, indented under it: a path ("→ 2 × SUB → 3 × BOLT")
    /// with its quantity and its number of lines, or the count of the rest.
    QVariant pathData(const store::WhereUsedRow& top, int at, int column, int role) const {
        static const QString indent = QStringLiteral("    ");
        const store::WhereUsedPath* path = at >= 0 ? &top.paths[size_t(at)] : nullptr;
        const bool marked = path ? path->circular : top.circular;
        switch (role) {
        case Qt::DisplayRole:
            if (!path)
                return column == Assembly ? indent + tree::morePathsText(top, true) : QVariant();
            switch (column) {
            case Assembly:
                // The finished item stands on the line above: the path goes on from it.
                return indent + tree::pathText(m_rows, top, *path, m_item).mid(top.assembly.size() + 1);
            case Level: return int(path->steps.size());
            case Quantity: {
                const std::optional<double> quantity = tree::pathQuantity(*path);
                return quantity ? tree::formatQuantity(*quantity) : QString();
            }
            default: return QString();
            }
        case Qt::ForegroundRole:
            return marked ? QVariant(tree::MarkedColour) : QVariant();
        case Qt::ToolTipRole:
            // The whole path, however narrow the column.
            if (column == Assembly && path)
                return tree::pathText(m_rows, top, *path, m_item);
            return {};
        default:
            return {};
        }
    }

    /// Numbers as numbers (a line without a quantity after every one with), texts by the
    /// store's case rule as the tree and the list order them.
    static bool lessThan(int column, const store::WhereUsedRow& a, const store::WhereUsedRow& b) {
        const auto text = [](const QString& x, const QString& y) {
            return QString::compare(x, y, Qt::CaseInsensitive) < 0;
        };
        switch (column) {
        case Assembly: return text(a.assembly, b.assembly);
        case Level: return a.level < b.level;
        case Quantity:
            if (a.quantity && b.quantity)
                return *a.quantity < *b.quantity;
            return a.quantity.has_value() && !b.quantity.has_value();
        case Unit: return text(a.unit.value_or(QString()), b.unit.value_or(QString()));
        case Description:
            return text(a.description.value_or(QString()), b.description.value_or(QString()));
        default: return false;
        }
    }

    std::vector<store::WhereUsedRow> m_rows;
    std::vector<Line> m_lines;
    QString m_item;
};

WhereUsedDialog::WhereUsedDialog(std::function<void(const QString&)> loadAssembly,
                                 QWidget* parent)
    : QDialog(parent), m_loadAssembly(std::move(loadAssembly)) {
    setObjectName(QStringLiteral("WhereUsedDialog"));
    setWindowTitle(tr("Where Used"));
    setModal(false);

    m_heading = reportHeading(QStringLiteral("whereUsedHeading"));
    m_changeNote = makeChangeNote(this);
    m_lines = new Lines(this);
    m_table = reportTable(QStringLiteral("whereUsedTable"), tr("Assemblies"), m_lines);
    // A long path keeps both ends in view: where it starts and how it reaches the item.
    m_table->setTextElideMode(Qt::ElideMiddle);
    // The report's order (level, then ID) until a header is clicked; a click on the same
    // header again turns the order round (the header flips its indicator itself).
    QHeaderView* header = m_table->horizontalHeader();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    connect(header, &QHeaderView::sortIndicatorChanged, this,
            [this](int column, Qt::SortOrder order) {
                if (column >= 0)
                    m_lines->sort(column, order);
            });
    // Column widths from the first lines only: measuring thousands of lines would cost more
    // than the where-used itself.
    m_table->horizontalHeader()->setResizeContentsPrecision(200);
    trackUserSizing(*m_table->horizontalHeader());
    m_heading->setBuddy(m_table);
    openRowsOnActivation(*m_table, [this](int row) { loadLine(row); });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    // Enter belongs to the table (it loads the line), never to the Close button.
    buttons->button(QDialogButtonBox::Close)->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    m_replaceButton = buttons->addButton(tr("Replace Component…"), QDialogButtonBox::ActionRole);
    m_replaceButton->setObjectName(QStringLiteral("whereUsedReplace"));
    m_replaceButton->setAutoDefault(false);
    m_replaceButton->setVisible(false);
    connect(m_replaceButton, &QPushButton::clicked, this, [this] {
        if (m_replace && !m_item.isEmpty())
            m_replace(m_item);
    });

    // The finished items alone: the same walk's rows that no line uses, each with the item's
    // total per finished unit and, indented under it, its paths down to the item.
    m_topsOnly = new QCheckBox(tr("Up to the finished items"));
    m_topsOnly->setObjectName(QStringLiteral("whereUsedTops"));
    connect(m_topsOnly, &QCheckBox::toggled, this, [this] { showRows(); });

    auto* column = new QVBoxLayout(this);
    column->addWidget(m_topsOnly);
    column->addWidget(m_heading);
    column->addWidget(m_changeNote);
    column->addWidget(m_table, 1);
    column->addWidget(buttons);
    resize(720, 420);
}

WhereUsedDialog::~WhereUsedDialog() = default;

void WhereUsedDialog::showReport(const tree::WhereUsedReport& report) {
    m_report = report;
    m_item = report.item;
    m_changeNote->hide();
    showRows();
}

void WhereUsedDialog::showRows() {
    const tree::WhereUsedReport& report = m_report;
    const bool topsOnly = m_topsOnly->isChecked();
    const size_t shown =
        topsOnly ? size_t(std::count_if(report.rows.cbegin(), report.rows.cend(),
                                        [](const store::WhereUsedRow& row) { return row.top; }))
                 : report.rows.size();
    const QString item = report.description.isEmpty()
                             ? report.item
                             : QStringLiteral("%1 (%2)").arg(report.item, report.description);
    const QString count = QLocale().toString(qulonglong(shown));
    QString heading = shown == 0 ? (topsOnly ? tr("%1 is in no finished item.").arg(item)
                                             : tr("%1 is used in no assembly.").arg(item))
                      : topsOnly ? tr("Finished items that use %1: %2").arg(item, count)
                                 : tr("Assemblies that use %1: %2").arg(item, count);
    // The UOM column is each assembly's own unit; the quantities count the item in its unit.
    if (shown != 0 && !report.unit.isEmpty())
        heading += u'\n' + (topsOnly ? tr("Quantities in %1 per finished unit.").arg(report.unit)
                                     : tr("Quantities in %1.").arg(report.unit));
    m_heading->setText(heading);
    const bool any = shown != 0;
    m_lines->reset(report.rows, report.item, topsOnly);
    m_table->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    // Paths need more room than IDs.
    fitColumns(*m_table, *m_table->horizontalHeader(),
               m_table->fontMetrics().averageCharWidth() * (topsOnly ? 64 : 40));
    if (any)
        m_table->setCurrentIndex(m_lines->index(0, 0));
    m_table->setFocus();
}

void WhereUsedDialog::setReplace(std::function<void(const QString&)> replace) {
    m_replace = std::move(replace);
    m_replaceButton->setVisible(bool(m_replace));
}

QStringList WhereUsedDialog::assemblies() const {
    QStringList listed;
    for (int row = 0; row < m_lines->rowCount(); ++row)
        if (m_lines->isAssembly(row))
            listed.append(m_lines->row(row).assembly);
    return listed;
}

void WhereUsedDialog::noteChange(const QString& text) { showChangeNote(*m_changeNote, text); }

// A path's line loads its finished item's bill: the bill that the path runs through.
void WhereUsedDialog::loadLine(int row) {
    if (row >= 0 && row < m_lines->rowCount())
        m_loadAssembly(m_lines->row(row).assembly);
}

} // namespace shell
