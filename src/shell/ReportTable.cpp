#include "shell/ReportTable.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableView>

namespace shell {

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

} // namespace shell
