#include "shell/window/ReportTable.h"

#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QTableView>

namespace shell {

namespace {

/// Enter and Return on the table's current line; the table's own handling of them (moving the
/// current line) is not wanted in a report.
class EnterOpensRow : public QObject {
public:
    EnterOpensRow(QTableView& table, std::function<void(int)> open)
        : QObject(&table), m_table(table), m_open(std::move(open)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &m_table && event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if ((key == Qt::Key_Return || key == Qt::Key_Enter) &&
                m_table.currentIndex().isValid()) {
                m_open(m_table.currentIndex().row());
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QTableView& m_table;
    std::function<void(int)> m_open;
};

} // namespace

QLabel* reportHeading(const QString& objectName) {
    auto* heading = new QLabel;
    heading->setObjectName(objectName);
    heading->setTextFormat(Qt::PlainText);
    heading->setWordWrap(true);
    heading->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return heading;
}

QTableView* reportTable(const QString& objectName, const QString& accessibleName,
                        QAbstractItemModel* model) {
    auto* table = new QTableView;
    table->setObjectName(objectName);
    table->setAccessibleName(accessibleName);
    table->setModel(model);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setWordWrap(false);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

void openRowsOnActivation(QTableView& table, std::function<void(int row)> open) {
    table.installEventFilter(new EnterOpensRow(table, open));
    QObject::connect(&table, &QAbstractItemView::doubleClicked, &table,
                     [open](const QModelIndex& index) { open(index.row()); });
}

ReportTableModel::ReportTableModel(int columns, QStringList titles,
                                   std::initializer_list<int> numberColumns, QObject* parent)
    : QAbstractTableModel(parent), m_columns(columns), m_titles(std::move(titles)),
      m_numberColumns(numberColumns) {}

int ReportTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : lineCount();
}

int ReportTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_columns;
}

QVariant ReportTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= m_titles.size())
        return {};
    return m_titles[section];
}

QVariant ReportTableModel::data(const QModelIndex& index, int role) const {
    // An index kept from before a reset may name a line that is gone.
    if (!index.isValid() || index.row() >= lineCount() || index.column() >= m_columns)
        return {};
    if (role == Qt::TextAlignmentRole)
        return m_numberColumns.contains(index.column()) ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter))
                                                        : QVariant();
    return cell(index, role);
}

void ReportTableModel::resetLines(const std::function<void()>& change) {
    beginResetModel();
    change();
    endResetModel();
}

} // namespace shell
