#pragma once

// Drafts of changes: line edits prepared beside the shared tables, where the history is kept (a
// database file's history file, a server's side schema), that the tables gain nothing of until
// the draft is applied. A draft keeps, for each line it touches, the row the tables held when
// the line entered the draft (its base) and the row it is to hold, so that its apply can tell
// the lines another program changed meanwhile from those it may write.

#include "store/Store.h"
#include "store/StoreError.h"

#include <QDateTime>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace store {

enum class DraftState {
    Open,      ///< edited into, not in the tables yet
    Applied,   ///< written into the tables; kept read-only
    Discarded, ///< given up unapplied; kept read-only
};

/// One draft as its list shows it.
struct DraftInfo {
    qint64 id = 0;
    QString name;
    QString reason;
    QString madeBy;
    QDateTime made; ///< UTC
    DraftState state = DraftState::Open;
    /// Who applied or discarded it, and when (UTC); empty while open.
    QString closedBy;
    QDateTime closed;
    /// Who is applying it now, where an apply is under way (or was killed and not settled).
    QString applyingBy;
    QDateTime applyingSince; ///< UTC
    qint64 lines = 0;
};

/// Who has a draft open for editing: one editor at a time writes into a draft, the others read
/// it. Nobody: `by` empty.
struct DraftEditor {
    QString by;
    QDateTime since; ///< UTC
    bool here = false; ///< this process holds it
};

/// One line of a draft: the row the tables held when the line entered the draft (empty: the
/// tables had no such line) and the row the draft gives it (empty: the draft removes it). Never
/// both empty, never equal: a line edited back to its base leaves the draft.
struct DraftLine {
    std::optional<LineRow> base;
    std::optional<LineRow> draft;

    const QString& assembly() const { return draft ? draft->assembly : base->assembly; }
    const QString& component() const { return draft ? draft->component : base->component; }
};

/// Whether two rows hold the same values, as the deletes that write only unchanged lines
/// compare them: Null with Null, numbers as numbers, anything else as its text; IDs under the
/// store's case rule.
bool sameRow(const std::optional<LineRow>& a, const std::optional<LineRow>& b);

/// The drafts of one database, opened for one operation (openDrafts). Every write is one
/// transaction of the side store's; the shared tables are never touched here.
class Drafts {
public:
    virtual ~Drafts() = default;

    /// Every draft, open ones first, then by name.
    virtual std::vector<DraftInfo> list() = 0;
    /// The draft of that name (names compare under the store's case rule); DraftNotFound.
    virtual DraftInfo find(const QString& name) = 0;
    /// A new, empty, open draft made by this user now; a name in use fails with DraftNameTaken,
    /// an empty one with DraftNameInvalid.
    virtual DraftInfo create(const QString& name, const QString& reason) = 0;
    /// The draft's lines, by assembly and component under the case rule.
    virtual std::vector<DraftLine> lines(qint64 draft) = 0;
    /// Puts these lines into the draft, all or none, each in place of the draft's line of the
    /// same key: a line whose draft row equals its base leaves the draft. A draft that is no
    /// longer open (applied, discarded or being applied by someone) fails with DraftNotOpen;
    /// one that another editor holds for editing (hold) fails with DraftHeld. A write takes
    /// or renews this process's hold.
    virtual void putLines(qint64 draft, const std::vector<DraftLine>& lines) = 0;

    /// Takes or renews this process's hold on the draft for editing, where nobody else holds
    /// it (a hold not renewed for DraftHoldMs has lapsed); returns who holds it now.
    virtual DraftEditor hold(qint64 draft) = 0;
    /// Gives up this process's hold on the draft, if it has one.
    virtual void letGo(qint64 draft) = 0;

    /// Takes the draft for an apply by this user, if it is open and nobody else's apply holds
    /// it (an apply killed without settling holds it for a minute): false otherwise.
    virtual bool claim(qint64 draft) = 0;
    /// An apply that wrote: the draft is applied by the claimant, now.
    virtual void markApplied(qint64 draft) = 0;
    /// An apply that wrote nothing gives the draft back.
    virtual void release(qint64 draft) = 0;
    /// Settles an apply that was killed holding the draft: `written` tells whether its lines
    /// are in the tables (the write is one transaction: all or none). Does nothing to a
    /// draft that no apply holds, or one whose apply may still be under way.
    virtual void settle(qint64 draft, bool written) = 0;
    /// Gives the draft up unapplied: kept read-only. An applied draft fails with DraftNotOpen.
    virtual void discard(qint64 draft) = 0;
};

/// Opens the drafts of the database at `location`: beside a file's history (only while the
/// program keeps the history of files), or in a server's side schema (made by bom-import
/// --enable-history). Where there is no place for them, or it cannot be read, fails with
/// DraftsUnavailable saying why. Defined with openStore.
std::unique_ptr<Drafts> openDrafts(const QString& location);

/// How long an apply may hold its draft: one that holds it longer was killed (an apply of
/// thousands of lines takes seconds, a wait for another writer's lock a few more).
inline constexpr qint64 ApplyInFlightMs = 60'000;
/// How long a hold on a draft for editing lasts unrenewed: an editor renews its hold every
/// minute while it shows the draft, so a hold older than this belongs to one that is gone.
inline constexpr qint64 DraftHoldMs = 180'000;
/// What tells this process's hold from another's, the same for the process's whole life.
QString draftHolderToken();
/// Makes this process hold drafts as another editor would from now on (a second editor in one
/// process, as the drafts' tests play one).
void setDraftHolderToken(const QString& token);
/// Who holds the draft for editing, as the error of a write that another's hold refused says.
StoreError draftHeld(const DraftEditor& editor);

/// Whether an apply that holds a draft since `claimedAt` (UTC) may still be under way.
bool applyMayBeUnderWay(const QDateTime& claimedAt);

/// A draft's state in words: "open", "applied", "discarded", as bom-import lists them, or
/// `shown` in the user's language.
QString draftStateText(DraftState state, bool shown = false);

} // namespace store
