#pragma once

// Putting lines back as the history says they were: one line, one change set, or a whole bill
// as of a moment. A restore is a new command through the editor's one write path (the checks
// of any write, one undo step), recorded in the history as a restore.

#include "store/History.h"
#include "store/Store.h"

#include <QString>

#include <optional>
#include <vector>

namespace desktop {
class Desktop;
}

namespace tree {

/// One line a restore would put back.
struct RestoreLine {
    QString assembly;
    QString component;
    store::RowImage target; ///< what it held before the first change undone (absent: none)
    store::RowImage left;   ///< what the last change undone left
    std::optional<store::LineRow> now; ///< as stored now
    /// Whether to put it back: the user's choice where someone changed it since.
    bool chosen = true;

    /// Someone changed the line since the changes undone: the user chooses.
    bool changedSince() const;
    /// It holds the target already: nothing to write.
    bool asTarget() const;
};

/// The lines that undoing `changes` (newest first, as the history lists them) would put back,
/// each once, in key order: its target the row before the oldest of its changes, its `left`
/// the row after the newest. Item rows are not restored (the editor changes no item).
std::vector<RestoreLine> planRestore(const std::vector<store::ChangeRecord>& changes);

/// The lines that restoring the changes `query` finds would put back (planRestore), each read
/// as stored now (readRestoreLines), in one trip to the database at `location`.
std::vector<RestoreLine> readRestore(desktop::Desktop& desktop, const QString& location,
                                     const store::HistoryQuery& query);

/// Reads each line as stored now into `lines` and unchooses those changed since; one read.
void readRestoreLines(store::Store& db, std::vector<RestoreLine>& lines);

/// The batch that puts the chosen lines back: each removed exactly as stored now and added as
/// its target holds it. Lines that hold their target already are left out.
store::LineBatch restoreBatch(const std::vector<RestoreLine>& lines);

/// A row as a text for the preview: "quantity, started DATE", "—" for none.
QString rowText(const store::RowImage& row);

} // namespace tree
