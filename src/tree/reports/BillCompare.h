#pragma once

#include "tree/bill/Structure.h"
#include "tree/reports/BillExport.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace tree {

/// How a line of one bill (B) stands against the same line of another (A).
enum class Mark {
    Unchanged, ///< in both, with the same quantity
    Added,     ///< in B only
    Removed,   ///< in A only
    Changed,   ///< in both, with other quantities (or a quantity on one side only)
    Unknown,   ///< in both, and neither side gives a number to compare (Null or a cycle)
};

/// "Unchanged", "Added", "Removed", "Changed", "Unknown": in English as the comparison's file
/// writes it, or `shown` in the user's language.
QString markText(Mark mark, bool shown = false);

/// One line of a comparison: an item of either summarised bill, or a row of either indented
/// bill, with the quantity each side gives. A side gives no number where the item is not in it
/// (`inA`/`inB` false), where a quantity on the way is Null, or where the need passes through a
/// cycle (there is no finite need); `note` says which.
struct ComparedLine {
    int level = 0; ///< the row's level in the indented comparison (1 for the top's components)
    QString itemId;
    QString description;
    QString unit;
    bool inA = false;
    bool inB = false;
    std::optional<double> quantityA;
    std::optional<double> quantityB;
    Mark mark = Mark::Unchanged;
    QString note;
    /// Indented comparison: this row or a row below it is not Unchanged.
    bool changedHere = false;
    /// What `note` says of each side, as facts, so that the window can say it in the user's
    /// language (compareNote).
    quint8 notesA = 0;
    quint8 notesB = 0;

    /// B less A; a side the line is not in counts as 0. Empty where a side that has the line
    /// gives no number.
    std::optional<double> difference() const;
};

/// The line's note: in English, as `note` and the files hold it, or in the user's language
/// where the window shows it (`shown`).
QString compareNote(const ComparedLine& line, bool shown = false);

/// Each item of either summarised bill once (summarisedBill over each structure), in A's order
/// and then B's new ones, matched under the store's case rule. A side's quantity is the
/// summarised bill's total; it is left empty (and the note says why) where that total has no
/// number (a Null on a path) and where a cycle lies on the way to the item: the tree shows a
/// cycle once and stops, so its rows hold no true need of what lies in or below it.
std::vector<ComparedLine> compareSummarised(const Structure& a, const Structure& b);

/// The two indented bills side by side, row by row in the tree's order, aligned by the path
/// of item IDs from the top (under the store's case rule): a row that only one side has is
/// Added or Removed with all that lies below it; a row both have compares the line's own
/// quantity. The tree's rules hold on each side: a component already on its own path is
/// circular and a row `depthLimit` levels down is not opened; where either side stops, the
/// row is not opened on either (its note says why). The walk makes only the rows it returns
/// and stops after `rowLimit` of them (`truncated` then says so), so that its cost follows
/// the rows shown and never the paths of the whole structure.
struct IndentedComparison {
    std::vector<ComparedLine> rows;
    bool truncated = false;
};
IndentedComparison compareIndented(const Structure& a, const Structure& b, int depthLimit,
                                   size_t rowLimit);

/// The comparison as CSV (the exports' RFC 4180 form and their formula guard): a header row
/// (with a Level column when `indented`), then one record per line given.
QByteArray comparisonCsv(const std::vector<const ComparedLine*>& lines, bool indented);

} // namespace tree
