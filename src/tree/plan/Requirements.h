#pragma once

#include "store/Store.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace tree {

/// One line of a build plan: how many of an item are to be built.
struct PlannedBuild {
    QString item;
    double quantity = 1;
};

/// What the requirements list holds.
struct RequirementOptions {
    bool boughtOnly = false;    ///< only the items without a bill of their own
    int depthLimit = 0;         ///< lines more than this many levels below a listed item are
                                ///< not counted; 0: every level
    bool includeListed = false; ///< the listed items count what is built of them as well
};

/// One item the plan needs.
struct RequirementLine {
    QString item;                  ///< as the first line met spells it (the list's own spelling
                                   ///< for a listed item)
    std::optional<double> total;   ///< how many the plan needs; empty when a Null quantity
                                   ///< stands on a path to it, or when the sum is past what a
                                   ///< number holds (`tooLarge`)
    QString unit;
    QString description;
    int level = 0;         ///< the lowest level at which the plan's bills hold the item (0: a
                           ///< listed item nothing of the plan uses)
    bool made = false;     ///< the item has a bill of its own; otherwise it is bought
    bool circular = false; ///< a line into it closes a cycle: its bill is not opened there
    bool tooLarge = false; ///< the sum overflows what a number holds (or meets an infinite
                           ///< quantity another program stored): no total is given for it
    QStringList neededBy;  ///< the listed items whose bills hold it, in the list's order
};

/// What the plan `builds` needs of every item, worked out over `lines` (every line reachable
/// from the listed items, by folded assembly ID, as Store::reachableLinesOfEach reads them).
///
/// Summed over each listed item's structure, each line once however many paths pass through
/// it (Structure::walk): the same totals as the summarised bill, times the quantity built. A
/// Null quantity on the way leaves the total empty; a line into an item already on its own
/// path counts once and is not opened, as the tree shows it. A listed item given twice is built
/// for the sum of its quantities. A total past what a number holds (1e200 × 1e200, or infinite
/// quantities of opposite signs on two paths) is never given as a number: it is `tooLarge`. The
/// lines are ordered by level, then by item ID under the store's case rule (as the database
/// orders its keys), so that each item comes before its components. `listedFacts` (by folded ID) gives the unit and
/// description of a listed item that no line of the plan has as its component.
///
/// `stopped`, when given, is asked between the listed items: once it says true the work stops
/// with OperationCancelled (a plan of thousands of items is worked out off the window's
/// thread, and its Cancel stops it).
std::vector<RequirementLine> requirements(const QHash<QString, store::ComponentLines>& lines,
                                          const std::vector<PlannedBuild>& builds,
                                          const RequirementOptions& options = {},
                                          const QHash<QString, store::Item>& listedFacts = {},
                                          const std::function<bool()>& stopped = {});

/// The requirements as CSV: a header row, then one record per item (RFC 4180, as the bill's
/// exports are written).
QByteArray requirementsCsv(const std::vector<RequirementLine>& lines);
/// The header of the requirements' columns, shared by the window, the files and the print:
/// in English as the files write it, or `shown` in the user's language.
QStringList requirementHeaders(bool shown = false);
/// One line's cells under requirementHeaders(), as shown (quantities in the C locale's form);
/// its words in English, or `shown` in the user's language.
QStringList requirementCells(const RequirementLine& line, bool shown = false);
/// The note of a line whose total is past what a number holds.
QString tooLargeNote(bool shown = false);

} // namespace tree
