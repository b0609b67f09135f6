#pragma once

#include "tree/BillExport.h"

#include <QDate>
#include <QString>

#include <memory>
#include <vector>

class QTextDocument;

namespace tree {

/// What stands above a printed bill.
struct BillHeading {
    QString item;        ///< the loaded item
    QString description; ///< its description, as the window shows it
    QString database;    ///< the database's path
    QDate date;          ///< the day it is printed
};

/// The indented bill as a document to print: the heading, then a table of the lines with the
/// item IDs indented by level and the quantities in the user's number format, as the tree
/// shows them.
std::unique_ptr<QTextDocument> billDocument(const std::vector<IndentedLine>& lines,
                                            const BillHeading& heading);

} // namespace tree
