#pragma once

#include "store/Store.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace desktop {
class Desktop;
}

namespace tree {

/// What Where Used shows for one item.
struct WhereUsedReport {
    QString item;        ///< the item as ItemMaster spells it, else as it was asked for
    QString description; ///< its description; NoDescription for Null, empty without a row
    QString unit;        ///< its unit of measure, in which the quantities count; may be empty
    std::vector<store::WhereUsedRow> rows; ///< by level, then assembly ID (see WhereUsedRow)
};

/// Where Used for `item` in the database at `databasePath`: every assembly that uses the item,
/// directly or through sub-assemblies, read in one trip to the store's thread. A reading of
/// every line (the first on a file, seconds on millions of them) shows a progress window with
/// Cancel, opened only when the store starts such a reading and closed before any message
/// about the outcome. With no item (no node and no list line current) or on a failure it shows
/// the numbered message through the desktop services and returns nothing; the user's own
/// Cancel needs no message.
/// The finished items of a where-used (its rows that no line uses) as CSV: a header row, then
/// one record per finished item with how many of the item one of it holds in all (empty for a
/// Null quantity on the way or a cycle, which the note names), its level and its facts.
QByteArray finishedItemsCsv(const std::vector<store::WhereUsedRow>& rows);

std::optional<WhereUsedReport> findWhereUsed(desktop::Desktop& desktop, const QString& databasePath,
                                             const std::optional<QString>& item);

} // namespace tree
