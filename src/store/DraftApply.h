#pragma once

// A draft compared with the tables as they are now, and its apply: all of it in one
// transaction, never over a line that another program changed since it entered the draft.

#include "store/Draft.h"
#include "store/Store.h"

#include <QHash>
#include <QPair>

#include <optional>
#include <vector>

namespace store {

/// One line of a draft beside the tables' row of the same key now.
struct DraftLineNow {
    enum class Since {
        Unchanged,     ///< the tables still hold its base: the draft's row may be written
        AlreadyAsDraft, ///< the tables hold what the draft gives it: nothing to write
        Changed,       ///< changed, removed or added in the tables since it entered the draft
    };
    DraftLine line;
    std::optional<LineRow> live;
    Since since = Since::Unchanged;
};

/// Each line of `lines` beside the row that `live` holds for its key, read at once.
std::vector<DraftLineNow> compareWithLive(Store& live, const std::vector<DraftLine>& lines);

/// What to do with a line changed since it entered the draft.
enum class DraftChoice {
    KeepLive,  ///< leave the tables' row as it is now
    TakeDraft, ///< write the draft's row over it
};
/// Choices by line: the assembly's and the component's IDs folded under the case rule.
using DraftChoices = QHash<QPair<QString, QString>, DraftChoice>;
QPair<QString, QString> draftKey(const DraftLine& line);

struct DraftApplyResult {
    /// Whether the draft is now applied (its lines written, one change set).
    bool applied = false;
    /// When it is not: the lines changed since, for which no choice was given; nothing was
    /// written. Each choice answers one of them and the apply may be asked again.
    std::vector<DraftLineNow> changed;
    qint64 written = 0;  ///< lines written
    qint64 keptLive = 0; ///< lines left as the tables hold them, as chosen
};

/// Applies the open draft `name` to the tables of `live`: each line whose base the tables
/// still hold is written; a line changed since is written as `choices` say, and without a
/// choice stops the apply before anything is written (returned in `changed`). The write is one
/// transaction through Store::writeLines, with its checks (an item deleted from the Item Master
/// since, a cycle made meanwhile, a quantity refused: the check's numbered error, nothing
/// written), recorded in the history as the command "Apply Draft NAME" with the draft's reason.
/// Lines the draft adds start at the moment of the apply. A line that another program changes
/// between the comparison and the write is met inside the transaction and reported as changed.
/// Of two applies of one draft at once exactly one writes: the other fails with DraftNotOpen
/// naming who applied it, or DraftBeingApplied while the first is under way. An apply killed
/// before it marked its draft is settled a minute later, from what the tables hold.
DraftApplyResult applyDraft(Store& live, Drafts& drafts, const QString& name,
                            const DraftChoices& choices = {});

/// applyDraft on the tables at `location` themselves, whichever draft is shown there
/// (showDraftAt), with the drafts kept there. Defined with openStore.
DraftApplyResult applyDraftAt(const QString& location, const QString& name,
                              const DraftChoices& choices = {});

/// The open draft `name` and its lines beside the rows of the tables at `location` themselves,
/// whichever draft is shown there; one applied or discarded fails with DraftNotOpen. Defined
/// with openStore.
struct DraftNow {
    DraftInfo draft;
    std::vector<DraftLineNow> lines;
};
DraftNow reviewDraftAt(const QString& location, const QString& name);

/// A draft that is not open, in words: by whom and when it was applied or discarded.
StoreError draftClosed(const DraftInfo& draft);

} // namespace store
