#pragma once

// A draft's review: its lines beside what the tables hold now, as the window lists them and as
// files hand them to whoever approves the draft.

#include "store/DraftApply.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace desktop {
class Desktop;
}

namespace tree {

struct PrintedRow;

/// The open draft `name` and each of its lines with the row the tables hold now
/// (store::reviewDraftAt, one trip off the window's thread). A draft applied or discarded
/// meanwhile fails with DraftNotOpen.
store::DraftNow readDraftReview(desktop::Desktop& desktop, const QString& location,
                            const QString& name);

/// What a line does: "added", "changed", "removed".
QString draftChangeText(const store::DraftLine& line);
/// Where its live row stands: "unchanged", "changed since", "already as drafted".
QString draftSinceText(store::DraftLineNow::Since since);

/// The heading of the review's columns, one per field: the change, where the live row stands,
/// then assembly, component, quantity and start date of the base, the draft and the live row.
QStringList draftLinesHeader();
/// One line's fields under that heading: values as stored (a quantity in its shortest exact
/// form, Null empty), IDs exactly as they are.
QStringList draftLineFields(const store::DraftLineNow& line);
/// The lines as CSV under that heading. `guardFormulas` for a file a person opens in a
/// spreadsheet (a text that would run as a formula is written as text); without it a script
/// gets back exactly what the tables and the draft hold.
QByteArray draftLinesCsv(const std::vector<store::DraftLineNow>& lines, bool guardFormulas);

/// The lines as a printed draft lists them (draftDocument): the change, the component, the
/// assembly, the quantity of the draft, the base and the live row; the note says where the live
/// row moved since and where the draft moves a start date. Marked: a line changed since.
std::vector<PrintedRow> draftRows(const std::vector<store::DraftLineNow>& lines);

} // namespace tree
