#pragma once

// Putting lines back as the history says they were: one line, one change set, or a whole bill
// as of a moment. A restore is a new command through the editor's one write path (the checks
// of any write, one undo step), recorded in the history as a restore.

#include "store/History.h"
#include "store/Store.h"
#include "tree/StoreWaiting.h"

#include <QString>

#include <functional>
#include <memory>
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

/// The lines that undoing `changes` (newest change set first, as the history lists them; the
/// rows of one set in the order they were written) would put back, each once, in key order:
/// its target the row before the oldest of its changes, its `left` the row after the newest.
/// Item rows are not restored (the editor changes no item).
std::vector<RestoreLine> planRestore(const std::vector<store::ChangeRecord>& changes);

/// Opens the history of a database for one read; store::openHistory where none is given.
using HistoryOpener = std::function<std::unique_ptr<store::HistoryLog>(const QString& location)>;

/// What a restore would do: its lines, and where else the assemblies it changes are used.
struct RestorePlan {
    std::vector<RestoreLine> lines;
    /// One alsoUsedNote a line for each assembly whose lines are put back and that assemblies
    /// outside the query's own use (a restore of a bill changes every product that shares one
    /// of its sub-assemblies); empty when none is.
    QString alsoUsed;
};

/// The lines that restoring the changes `query` finds would put back (planRestore), each read
/// as stored now (readRestoreLines), and where else they show, in one trip to the database at
/// `location`. Every change the query finds is read, whatever its `limit`.
RestorePlan readRestorePlan(desktop::Desktop& desktop, const QString& location,
                            const store::HistoryQuery& query, const HistoryOpener& opener = {});
/// readRestorePlan's lines.
std::vector<RestoreLine> readRestore(desktop::Desktop& desktop, const QString& location,
                                     const store::HistoryQuery& query,
                                     const HistoryOpener& opener = {});

/// For each assembly of `lines` (each once, the first dozen), the assemblies outside `bill`
/// whose bills list it, as alsoUsedNote says it, one a line; `bill` empty: every assembly
/// that lists it.
QString restoreAlsoUsed(store::Store& db, const std::vector<RestoreLine>& lines,
                        const QStringList& bill);

/// A bill as it stood at a moment, and the moment it was read as of.
struct BillThen {
    StoredBill bill;
    QDateTime moment;         ///< the moment read (UTC): the one asked, or the history's start
    bool fromStart = false;   ///< the moment asked lies before the history's start
};

/// The bill of `item` as it stood at `moment` (UTC, every change up to it and within its
/// millisecond), rebuilt from the history of the database at `location` in one trip. A moment
/// before the history began is read as its start, and says so; one still to come fails with
/// HistoryInFuture, unless it lies within the second under way, which is now.
BillThen readBillThen(desktop::Desktop& desktop, const QString& location, const QString& item,
                      const QDateTime& moment, const HistoryOpener& opener = {});

/// Reads each line as stored now into `lines` and unchooses those changed since; one read.
void readRestoreLines(store::Store& db, std::vector<RestoreLine>& lines);

/// The batch that puts the chosen lines back: each removed exactly as stored now and added as
/// its target holds it. Lines that hold their target already are left out.
store::LineBatch restoreBatch(const std::vector<RestoreLine>& lines);

/// A row as a text for the preview: "quantity, started DATE", "—" for none.
QString rowText(const store::RowImage& row);

} // namespace tree
