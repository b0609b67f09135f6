#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace tree {
class BomTreeModel;
}

/// One row of a bill written down as the indented bill lists it.
struct ListedRow {
    int level = 1;
    QString id;
    std::optional<double> quantity = 1.0;
    QString description;
    QString unit = QStringLiteral("EA");
    bool known = true; ///< the component has an ItemMaster row
};

/// Loads into `model` the structure that the listing shows under `top`: each row is a line of
/// the row above it one level up (or of `top`), and a bill listed again where its item is used
/// once more adds nothing.
void loadListing(tree::BomTreeModel& model, const QString& top, const std::vector<ListedRow>& rows);
