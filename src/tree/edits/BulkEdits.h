#pragma once

// The batches of the bulk edits: a component replaced or removed in every assembly that lists
// it, and a bill copied to another item. Plain functions over the lines as stored; the editor
// checks and writes the batch as one step (LineEdits::writeLines).

#include "store/Store.h"

#include <QString>
#include <QVariant>

#include <optional>
#include <vector>

namespace tree {

/// The quantity of a line that replaces one with quantity `stored`: `stored` itself when there
/// is no factor (kept exactly, whatever the column holds), else the number times `factor`. A
/// Null quantity stays Null, and text that is no number stays as it is: neither can be
/// multiplied, and neither is made up.
QVariant scaledQuantity(const QVariant& stored, std::optional<double> factor);

/// Replaces the component of each of `uses` (lines as stored) by `component`: each old line
/// removed, and a line of `component` added in its assembly with its start date (the line
/// stands where the old one stood, since when it stood there) and its quantity scaled. Line i
/// of `added` replaces line i of `removed`.
store::LineBatch replaceBatch(const std::vector<store::LineRow>& uses, const QString& component,
                              std::optional<double> factor);

/// How a quantity set in many assemblies at once is made: the number itself, or the stored
/// quantity times the number.
struct QuantityRule {
    bool multiply = false;
    double number = 1;
};

/// The quantity `rule` makes of the stored one: a value replaces whatever was stored (Null
/// too: the user gave one); a factor scales as scaledQuantity does.
QVariant ruledQuantity(const QVariant& stored, const QuantityRule& rule);

/// Sets the quantity of each of `uses` (lines as stored): each line removed and added again
/// under its own key, as stored (spelling and start date kept), with its new quantity, so that
/// the write, its undo and the history see one change per line, from the old row to the new.
store::LineBatch quantityBatch(const std::vector<store::LineRow>& uses, const QuantityRule& rule);

/// Removes each of `uses` (lines as stored).
store::LineBatch removeBatch(const std::vector<store::LineRow>& uses);

/// Copies the lines of a bill (as stored) into the bill of `target`: each line's component
/// and quantity as stored, started now.
store::LineBatch copyBatch(const std::vector<store::LineRow>& bill, const QString& target);

/// The lines of `rows` at the places `chosen`, in their order.
std::vector<store::LineRow> linesAt(const std::vector<store::LineRow>& rows,
                                    const std::vector<size_t>& chosen);

/// The places of the lines that no refusal stops.
std::vector<size_t> unrefused(const std::vector<std::optional<store::StoreError>>& refusals);

/// A refused line as the lists of refusals show it: "TOP → SUB: 1022 The bill of …".
QString refusalLine(const store::LineRow& row, const store::StoreError& refusal);

/// Up to `shown` refused lines, one a line, and how many more there are.
QString refusalList(const std::vector<store::LineRow>& rows,
                    const std::vector<std::optional<store::StoreError>>& refusals,
                    int shown = 10);

} // namespace tree
