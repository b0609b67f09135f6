#pragma once

#include "store/Store.h"

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QVariant>

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
};

/// What a paste reads off the clipboard: its lines in their order, or why there are none.
struct PastedLines {
    std::vector<PastedLine> lines;
    QString problem; ///< "NUMBER DESCRIPTION" when no line could be read at all
};

/// The lines of the editor's own format.
PastedLines readOwnLines(const QByteArray& data);

/// The lines of tab-separated text (a spreadsheet's copy, or Copy's own text). The first row
/// is a header when it names an item ID column ("Item ID", "ItemID", "BomComp", "Component",
/// in any letter case); then the quantity comes from the column named "Quantity",
/// "bomQtyReq", "Qty" or "Total Quantity". Without a header the first two columns are item
/// ID and quantity. Quantities are read as a typed one is (parseQuantity: the locale's
/// decimal separator or a point, never digit grouping). Empty rows are skipped; fields in
/// double quotes (a spreadsheet's way with a cell holding a tab or a line break) are
/// unquoted, and one apostrophe that guards a formula-like text is removed.
PastedLines readLinesText(const QString& text, const QLocale& locale = QLocale());

/// Refuses every line that names the same item (under the store's case rule) as an earlier
/// line of the paste that is not refused (PasteRepeated).
void refuseRepeats(std::vector<PastedLine>& lines);

/// The lines not refused, in their order, as new lines of `assembly` (started now): what the
/// paste checks and then writes.
store::LineBatch pastedBatch(const QString& assembly, const std::vector<PastedLine>& lines);

} // namespace tree
