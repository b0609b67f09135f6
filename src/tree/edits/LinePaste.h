#pragma once

#include "store/Store.h"

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QVariant>

#include <functional>
#include <optional>
#include <vector>

namespace tree {

/// The editor's own clipboard format for lines: each line exactly as stored (IDs as spelt,
/// quantities as numbers to the last bit), so that a copy pasted into another assembly is the
/// same line.
inline const QString LinesMimeType = QStringLiteral("application/x-fabrilux-bom-lines");

/// The header of the lines as tab-separated text.
inline const QString LinesTextHeader = QStringLiteral("Item ID\tQuantity\tUOM\tDescription");

/// One line as Copy puts it on the clipboard.
struct CopiedLine {
    QString assembly;
    QString component;
    std::optional<double> quantity; ///< empty for Null
    QString unit;
    QString description;
};

/// The lines in the editor's own format (LinesMimeType).
QByteArray ownLinesData(const std::vector<CopiedLine>& lines);
/// The lines as tab-separated text for spreadsheets: LinesTextHeader, then one row each (item
/// ID, quantity in the C locale with the fewest digits that read back exactly, unit,
/// description), rows ended by a line feed. A tab or line break inside a field becomes a
/// blank, and a text a spreadsheet would run as a formula starts with an apostrophe, as the
/// CSV exports write it.
QString linesText(const std::vector<CopiedLine>& lines);

/// One line of a paste, as read from the clipboard and then judged.
struct PastedLine {
    QString component;              ///< the item ID (the Item Master's spelling once resolved)
    std::optional<double> quantity; ///< empty when the text is no quantity
    QString quantityText;           ///< the quantity as pasted, for the preview
    QString refusal;                ///< why the line is not written ("NUMBER DESCRIPTION"); empty: it is
    QString description = {};       ///< the Item Master's, once the paste is checked
    QString unit = {};              ///< the Item Master's, once the paste is checked
};

/// What a paste reads off the clipboard: its lines in their order, or why there are none.
struct PastedLines {
    std::vector<PastedLine> lines;
    QString problem; ///< "NUMBER DESCRIPTION" when no line could be read at all
    bool cancelled = false; ///< the user cancelled the question about the columns
};

/// The columns of pasted text that hold the item ID and the quantity (from 0; -1: none).
struct PasteColumns {
    int id = -1;
    int quantity = -1;
    bool operator==(const PasteColumns&) const = default;
};

/// The columns a header row names, its names compared ignoring case and blanks ("part
/// number" is "Part Number"). The item ID: "Item ID", "BomComp", "Component", "Item Code",
/// "Part Number", "Part", "Item", "SKU" or "Product"; the quantity: "Quantity", "bomQtyReq",
/// "Qty", "Qty Per", "Total Quantity" or "Amount". Of several columns so named, the one whose
/// name comes first in this order counts ("Product, Item ID, Qty": "Item ID").
PasteColumns namedColumns(const QStringList& header);

/// Asks which columns of a header row that the editor does not know hold the item ID and
/// the quantity; an empty optional when the user cancelled.
using AskPasteColumns = std::function<std::optional<PasteColumns>(const QStringList& header)>;

/// The lines of the editor's own format.
PastedLines readOwnLines(const QByteArray& data);

/// The lines of tab-separated text (a spreadsheet's copy, or Copy's own text). The first row
/// is a header when it names an item ID column (namedColumns); then the quantity comes from
/// the column it names. Without a header the first two columns are item ID and quantity.
/// A first row that the editor does not know but that reads as a header (no quantity in it,
/// one in the row after it; or an item ID column named and no quantity column) goes to
/// `ask`, when given, for its columns; a Cancel there reads nothing (`cancelled`). Quantities are read as a typed one is (parseQuantity: the locale's
/// decimal separator or a point, never digit grouping). Empty rows are skipped; fields in
/// double quotes (a spreadsheet's way with a cell holding a tab or a line break) are
/// unquoted, and one apostrophe that guards a formula-like text is removed.
PastedLines readLinesText(const QString& text, const QLocale& locale = QLocale(),
                          const AskPasteColumns& ask = {});

/// Refuses every line that names the same item (under the store's case rule) as an earlier
/// line of the paste that is not refused (PasteRepeated).
void refuseRepeats(std::vector<PastedLine>& lines);

/// The lines not refused, in their order, as new lines of `assembly` (started now): what the
/// paste checks and then writes.
store::LineBatch pastedBatch(const QString& assembly, const std::vector<PastedLine>& lines);

} // namespace tree
