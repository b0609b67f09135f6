#pragma once

#include <QString>

#include <functional>

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

} // namespace shell
