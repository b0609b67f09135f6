#pragma once

// The account of every change to the two shared tables: what a store's writes tell the history
// (ChangeRecorder), and what the history tells back (ChangeRecord, HistoryQuery, HistoryLog).
// A database file's history is a file of the editor's own (sqlite/history/HistoryFile.h); a server's
// is a side schema that triggers fill in each writer's own transaction (postgres/PgHistory.h).
// Both answer in these terms, so that the window, the exports and bom-import read either alike.

#include "store/Store.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace store {

/// One line before and after one write of the editor's: `before` empty for a line added,
/// `after` empty for a line deleted. Whole rows, never a difference, so that any earlier state
/// can be rebuilt from today's rows.
struct LineChange {
    std::optional<LineRow> before;
    std::optional<LineRow> after;
};

/// One Item Master row before and after one write of the editor's (its import adds items):
/// `before` empty for an item added.
struct ItemChange {
    std::optional<Item> before;
    std::optional<Item> after;
};

/// What a store's writes tell the history of a database file. The data's commit and the
/// history's record are two files and cannot be one atomic step, so a write records its change
/// as pending before its commit (`pending`, which throws StoreError to stop the write: a change
/// that cannot be accounted for is not made), and completes it after (`committed`); a write
/// that did not commit drops it (`abandoned`). A pending record left by a write that was
/// killed is settled against the data the next time the history is brought up to date.
class ChangeRecorder {
public:
    virtual ~ChangeRecorder() = default;
    virtual void pending(const WriteCommand& command, const std::vector<LineChange>& changes) = 0;
    virtual void committed() = 0;
    virtual void abandoned() = 0;
    /// As pending, for a write that changes Item Master rows as well as lines (the editor's
    /// own import). A recorder that keeps no items records the lines alone.
    virtual void pendingRows(const WriteCommand& command, const std::vector<LineChange>& changes,
                             const std::vector<ItemChange>& items) {
        Q_UNUSED(items);
        pending(command, changes);
    }
};

/// Where a change came from.
enum class ChangeSource {
    ThisEditor,     ///< this editor process
    AnotherEditor,  ///< another copy of this editor, on this machine or another
    AnotherProgram, ///< any other program (the manufacturing application, a script, bom-import)
    Restore,        ///< an editor putting an earlier state back
};

/// One row of one table before and after one change set. For ItemMaster `key` is the item and
/// `component` empty; its columns stand in `description` and `unit`. For BomDetail `key` is
/// the assembly, `component` the component, with `quantity` and `startDate`. An absent row is
/// `exists == false`.
struct RowImage {
    bool exists = false;
    QVariant quantity;
    QVariant startDate;
    std::optional<QString> description;
    std::optional<QString> unit;
    bool operator==(const RowImage&) const = default;
};

/// One change of one row, with the change set it belongs to.
struct ChangeRecord {
    qint64 changeSet = 0;   ///< the change set: one command, however many rows it touched
    QDateTime time;         ///< when it was committed (UTC); for a change found afterwards, when
                            ///< it was found
    QDateTime notBefore;    ///< for a change found afterwards: the last moment it was not there
    QString person;         ///< the user, as the writer's system or server names them
    QString host;           ///< the machine the writer ran on, where known
    ChangeSource source = ChangeSource::AnotherProgram;
    QString program;        ///< the writing program as it names itself, where known
    QString command;        ///< the command's name, as its undo step is named; empty if unknown
    QString reason;         ///< the reason the user gave, if any
    QLatin1StringView table; ///< schema::BomDetail or schema::ItemMaster
    QString key;
    QString component;
    RowImage before;
    RowImage after;
    /// The descriptions of the assembly and the component (or of the item) at that moment.
    std::optional<QString> keyDescription;
    std::optional<QString> componentDescription;
    /// On a server, for a change by anyone but this editor: who the writing session said it
    /// was ("person@host", as the editor's own settings say it), which the server cannot vouch
    /// for; `person` and `host` are then the session's role and client address, as the server
    /// knows them. Empty where it said nothing.
    QString claimedBy;
    /// Its time is earlier than that of the change before it: the writer's clock was behind
    /// (on a file, where each editor dates its changes by its own clock and the order is the
    /// history's).
    bool timeBackwards = false;
};

/// Which changes to list, newest first.
struct HistoryQuery {
    /// Only lines of these assemblies (a bill: every assembly of its structure), under the
    /// case rule; empty for every line and item.
    QStringList assemblies;
    /// With `assemblies` of one: only that one line.
    QString component;
    /// Only changes that name this item (as assembly, component or ItemMaster row).
    QString item;
    std::optional<QDateTime> since;
    std::optional<QDateTime> until;
    QString person;                     ///< only this person's, when not empty
    std::optional<ChangeSource> source; ///< only from this source
    std::optional<qint64> changeSet;    ///< only the rows of this change set
    int limit = 100000;                 ///< at most this many rows, the newest
};

/// The lines of a bill's assemblies as they stood at one moment, as a store's reachableLines
/// reads them now: by assembly folded under the case rule.
using LinesAsOf = QHash<QString, ComponentLines>;

/// A database's history, opened for one operation (like a Store).
class HistoryLog {
public:
    virtual ~HistoryLog() = default;
    /// The changes that match, newest first (by change set, then by key).
    virtual std::vector<ChangeRecord> changes(const HistoryQuery& query) = 0;
    /// Every line reachable from `item` as it stood at `moment`, with the descriptions of that
    /// moment; rebuilt from the rows as last recorded and the whole rows of the changes since.
    /// A moment before the kept starting state fails with HistoryTooOld.
    virtual LinesAsOf linesAsOf(const QString& item, const QDateTime& moment) = 0;
    /// How many changes are kept, and since when.
    virtual qint64 changeCount() = 0;
    virtual QDateTime keptSince() = 0;
    /// Forgets the changes made before `moment`, oldest first, in pieces of a transaction
    /// each, telling `progress` how many of about how many are gone; "as of" stays exact from
    /// the new start on. A false answer stops after the piece under way: the start is then
    /// where the forgetting stopped. Returns how many changes were forgotten.
    virtual qint64 forgetBefore(const QDateTime& moment, const ReadProgress& progress) = 0;
};

/// A text for a source, as the window and the exports show it.
QString sourceText(ChangeSource source);

/// Whether the stores opened from now on record their writes into the history of a database
/// file (a server records through its triggers, when they are installed). Off until the program
/// turns it on: the editor does, unless the user has turned history off. While it is on, a
/// watch on a server without a history says so once.
void setFileHistoryKept(bool kept);
bool fileHistoryKept();

/// Opens the history of the database at `location` for one operation, brought up to date
/// first (for a file, changes that other programs committed since the last look are recorded
/// now). A server without the history schema fails with HistoryNotKept; a history that cannot
/// be read with HistoryUnreadable, HistoryOtherDatabase or HistoryDamaged. Defined with
/// openStore.
std::unique_ptr<HistoryLog> openHistory(const QString& location);

/// Makes the server at `location` keep the history of every change by anyone (its side schema
/// and triggers, pg::enableHistory) and returns what was created; removes it again. A location
/// that is no server address is refused with ImportUsage.
QStringList enableServerHistory(const QString& location);
void disableServerHistory(const QString& location);

} // namespace store
