#pragma once

// The window's trips for drafts of changes: the drafts of a database, a new one, the one
// shown, its apply. Each is one trip off the window's thread while the desktop waits.

#include "store/DraftApply.h"
#include "tree/bill/BomTreeModel.h"

#include <QHash>

#include <QString>

#include <vector>

namespace desktop {
class Desktop;
}

namespace tree {

/// How many lines a draft adds, changes and removes.
struct DraftCounts {
    qint64 added = 0;
    qint64 changed = 0;
    qint64 removed = 0;
};
DraftCounts countsOf(const std::vector<store::DraftLine>& lines);

/// What the window says while it shows a draft: "Draft ECO-12: 3 lines added, 2 changed, 1
/// removed — not in the database yet".
QString draftShownText(const QString& name, const DraftCounts& counts);

/// The drafts of the database at `location`.
std::vector<store::DraftInfo> readDrafts(desktop::Desktop& desktop, const QString& location);
/// A new, empty draft there.
store::DraftInfo makeDraft(desktop::Desktop& desktop, const QString& location,
                           const QString& name, const QString& reason);
/// The counts of the open draft `name`; fails as the draft's store opens (DraftNotOpen for one
/// applied or discarded meanwhile).
DraftCounts readDraftCounts(desktop::Desktop& desktop, const QString& location,
                            const QString& name);
/// What the window shows of the open draft `name`: its counts, how it holds each line it adds
/// or changes, by BomTreeModel::draftKey (the tree marks them), and who has it open for
/// editing: this process's hold is taken or renewed in the same trip, where nobody else holds
/// it. Fails as readDraftCounts.
struct DraftShown {
    DraftCounts counts;
    QHash<QString, DraftMark> lines;
    store::DraftEditor editor;
};
DraftShown readDraftShown(desktop::Desktop& desktop, const QString& location, const QString& name);
/// Applies the draft `name` to the tables themselves (store::applyDraftAt).
store::DraftApplyResult applyDraftTrip(desktop::Desktop& desktop, const QString& location,
                                       const QString& name, const store::DraftChoices& choices);
/// The user's answer for a line changed since it entered the draft, for the next apply.
void choose(store::DraftChoices& choices, const store::DraftLineNow& line,
            store::DraftChoice choice);
/// Gives up this process's hold on the draft `name` for editing, as the window leaves it.
void letGoDraft(desktop::Desktop& desktop, const QString& location, const QString& name);
/// The same as the window closes, with no desktop to wait on: a file's hold is given up at
/// once; a server's lapses (the window does not wait for a server as it closes). Never fails.
void letGoDraftAsWindowCloses(const QString& location, const QString& name);
/// What the window says of a draft that another editor has open for editing: "read-only: anna
/// has it open for editing since 11.12.26 14:05".
QString draftReadOnlyText(const store::DraftEditor& editor);
/// Discards the open draft `name`.
void discardDraft(desktop::Desktop& desktop, const QString& location, const QString& name);

/// Every operation on `location` from now on reads and edits the draft `name` (empty: the
/// tables themselves): store::showDraftAt.
void showDraft(const QString& location, const QString& name);
QString shownDraft(const QString& location);

} // namespace tree
