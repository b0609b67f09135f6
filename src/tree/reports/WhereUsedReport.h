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
    QString description; ///< its description; noDescription() for Null, empty without a row
    QString unit;        ///< its unit of measure, in which the quantities count; may be empty
    std::vector<store::WhereUsedRow> rows; ///< by level, then assembly ID (see WhereUsedRow)
};

/// A path of a where-used on one line, from its finished item down to the item (`item` as it
/// is shown), each step with its line's quantity: "KIT → 2 × TOP → 3 × BOLT"; "?" for a line
/// without a quantity, "(circular)" after an assembly met again. Quantities in the C locale's
/// form for a file (`forFile`), else as the window shows them.
QString pathText(const std::vector<store::WhereUsedRow>& rows, const store::WhereUsedRow& top,
                 const store::WhereUsedPath& path, const QString& item, bool forFile = false);

/// How many of the item one finished unit holds along this one path (the product of its
/// lines); empty where a line has no quantity or the path stops at a cycle.
std::optional<double> pathQuantity(const store::WhereUsedPath& path);

/// What follows a finished item's listed paths: "… and 12,345 more paths", "… and more paths
/// without end: a cycle stands on the way"; empty when every path is listed. In English as
/// the files give it, or `shown` in the user's language and number format.
QString morePathsText(const store::WhereUsedRow& top, bool shown = false);

/// How many paths lead from the finished item down to the item, as the files give it:
/// "12345", "more than 9223372036854775807", empty on a cycle.
QString pathCountText(const store::WhereUsedRow& top);

/// The finished items of a where-used of `item` (its rows that no line uses) as CSV: a header
/// row, then one record per finished item with how many of the item one of it holds in all
/// (empty for a Null quantity on the way or a cycle, which the note names), its level and its
/// facts; after each, its listed paths (the path's quantity and number of lines) and a record
/// with the count of the rest. The column Row tells them apart ("finished item", "path",
/// "more paths"); Path holds the path's text, Paths the count.
QByteArray finishedItemsCsv(const std::vector<store::WhereUsedRow>& rows, const QString& item);

/// Where Used for `item` in the database at `databasePath`: every assembly that uses the item,
/// directly or through sub-assemblies, read in one trip to the store's thread. A reading of
/// every line (the first on a file, seconds on millions of them) shows a progress window with
/// Cancel, opened only when the store starts such a reading and closed before any message
/// about the outcome. With no item (no node and no list line current) or on a failure it shows
/// the numbered message through the desktop services and returns nothing; the user's own
/// Cancel needs no message.
std::optional<WhereUsedReport> findWhereUsed(desktop::Desktop& desktop, const QString& databasePath,
                                             const std::optional<QString>& item);

} // namespace tree
