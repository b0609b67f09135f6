#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <initializer_list>

class QAbstractItemModel;
class QLabel;
class QTableView;

namespace shell {

/// The heading of a report window (Where Used, Check Database): plain text, since it names
/// item IDs and paths, which are data and never markup; wrapped and selectable.
QLabel* reportHeading(const QString& objectName);

/// The list of a report window: whole rows, one current line, nothing to edit, no row
/// numbers, the last column filling the rest.
QTableView* reportTable(const QString& objectName, const QString& accessibleName,
                        QAbstractItemModel* model);

/// Calls `open(row)` for the line double-clicked or current when Enter or Return is pressed
/// in `table`: how a report window loads the assembly of one of its lines.
void openRowsOnActivation(QTableView& table, std::function<void(int row)> open);

/// The lines of a report window (Where Used, Compare Bills, Requirements, Change History) over
/// the report's own rows, with no copy per cell: a flat table of fixed columns, its numbers
/// right-aligned, nothing to edit. Each report says how many lines it shows and what a cell
/// of one shows.
class ReportTableModel : public QAbstractTableModel {
public:
    /// `columns` titled `titles` (none: the report titles them in headerData), those of
    /// `numberColumns` right-aligned.
    ReportTableModel(int columns, QStringList titles, std::initializer_list<int> numberColumns,
                     QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const final;
    int columnCount(const QModelIndex& parent = {}) const final;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    QVariant data(const QModelIndex& index, int role) const final;

protected:
    /// The lines shown.
    virtual int lineCount() const = 0;
    /// What the cell at `index` (a line below lineCount()) shows in `role`; its alignment is
    /// the table's.
    virtual QVariant cell(const QModelIndex& index, int role) const = 0;
    /// Replaces what the table shows: `change` runs inside one reset, so that the views ask
    /// for nothing between the old lines and the new.
    void resetLines(const std::function<void()>& change);

private:
    int m_columns;
    QStringList m_titles;
    QList<int> m_numberColumns;
};

} // namespace shell
