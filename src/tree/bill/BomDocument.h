#pragma once

#include "store/Store.h"
#include "store/StoreError.h"
#include "tree/bill/LiveChanges.h"
#include "tree/bill/LoadCounts.h"
#include "tree/bill/Structure.h"
#include "tree/edits/EditHistory.h"

#include <QObject>
#include <QSet>
#include <QString>

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace desktop {
class Desktop;
}
namespace store {
class BackgroundTrip;
class StoreCall;
} // namespace store

namespace tree {

/// Saved lines that the document is to show, planned on the window's thread over the structure
/// as it stands: the lines whose assembly's bill it holds and that it does not show yet, and
/// which of their components' bills it holds already.
struct LinesToShow {
    std::vector<store::LineRow> rows;
    QSet<QString> componentsHeld; ///< folded
    /// Some of the saved lines belong to a bill the structure has not read yet.
    bool outside = false;
    bool empty() const { return rows.empty(); }
};

/// What the store holds of such lines: each assembly's lines in the database's order, and the
/// lines below the components new to the structure. Read on any thread (readShowing).
struct ShowingRead {
    std::vector<store::LineRow> rows; ///< the planned lines still to show
    QStringList assemblies;
    std::vector<store::ComponentLines> orders; ///< by assemblies
    QHash<QString, store::ComponentLines> below;
    bool outside = false; ///< as LinesToShow::outside
};

/// The first levels of a bill as a load reads them: the bills of the items read (folded IDs in
/// `read`, one without lines absent from `lines`), and of the items met below them, those that
/// have lines (`marked`, folded IDs): their nodes show that they open, their bills still unread.
struct LevelRead {
    QHash<QString, store::ComponentLines> lines;
    QSet<QString> read;
    QSet<QString> marked;
};

/// Lines as the database holds them now, read after another program changed them under an
/// edit: each line's row (none where it went) and the showing of those new to the tree.
struct StoredLines {
    std::vector<store::LineRow> lines;
    std::vector<std::optional<store::LineRow>> stored;
    ShowingRead showing;
};

/// The loaded bill: its structure, the loaded item's description, and the history of the edits
/// since the database was opened. Every change of the structure passes here, and the views
/// follow the notices it gives (BomTreeModel); what is shown of a write is read on the store's
/// thread (the read functions, which touch only the store and what they are given) and shown
/// here on the window's thread.
class BomDocument : public QObject {
    Q_OBJECT
public:
    /// `showStatus` and `restingStatus` are the history's (EditHistory).
    explicit BomDocument(std::function<void(const QString&)> showStatus = [](const QString&) {},
                         std::function<QString()> restingStatus = [] { return QString(); },
                         QObject* parent = nullptr);
    ~BomDocument() override;

    const Structure& structure() const { return m_structure; }
    /// The item whose components stand at the top level: the item the bill was loaded for.
    const QString& topAssembly() const { return m_structure.topText(); }
    /// The loaded item's description as the load or a re-read last gave it.
    const QString& topDescription() const { return m_topDescription; }
    void setTopDescription(const QString& description) { m_topDescription = description; }
    EditHistory& history() { return m_history; }
    /// The load's counts of the structure as it stands (loadCounts' figures), following each
    /// line added or taken out rather than counting the whole bill again.
    LoadCounts counts() const { return m_counts.counts(m_structure); }

    /// Shows the structure of `assembly` from its reachable lines (Store::reachableLines).
    void load(const QString& assembly, const QHash<QString, store::ComponentLines>& lines);
    /// Shows the structure of `assembly` from its first levels (readLevels); the rest comes
    /// with readRest, or level by level as nodes open.
    void loadLevels(const QString& assembly, const LevelRead& levels);
    /// Reads the bills of `items` and of the items below them, `levels` levels down in all,
    /// one statement a level, and then which of the items met below have lines (one look at
    /// the key index each where the store can: no line of theirs is read). Throws StoreError.
    static LevelRead readLevels(store::Store& db, const QStringList& items, int levels);

    // A big bill shows its top level at once: the rest of it is read on the store's thread
    // while the window goes on, and merged into the items the window has not read meanwhile.
    /// Whether the structure holds the whole bill of the loaded item (what the sums, Expand All,
    /// the exports and find need).
    bool isWhole() const { return m_whole; }
    /// Starts reading, at `location`, the bills the structure lacks (none: whole at once);
    /// wholeRead comes once they are in.
    void readRest(const QString& location);
    /// The database changed under the read running: what it read may be out of date, and it
    /// starts again (nothing when the structure is whole).
    void readRestAgain();
    /// Held while a write into bills the structure has not read runs: the rest's read that
    /// began before it or ends while it runs may have read those bills before the commit, so
    /// what it brings is not taken but read again once the write has ended.
    class OutsideWrite {
    public:
        explicit OutsideWrite(BomDocument& document);
        ~OutsideWrite();
        OutsideWrite(const OutsideWrite&) = delete;
        OutsideWrite& operator=(const OutsideWrite&) = delete;

    private:
        BomDocument& m_document;
    };
    /// Waits for the whole bill, the busy box of `desktop` showing only when it takes a
    /// moment; false when the read failed (reported) or the user cancelled the wait.
    bool ensureWhole(desktop::Desktop& desktop);
    /// How the window reads the bills of items at once (each one's lines by folded ID, absent
    /// where it has none), for a node opened before the rest is in; empty after a failure,
    /// which it has reported.
    using BillReader = std::function<std::optional<LevelRead>(const QStringList&)>;
    void setBillReader(BillReader reader) { m_billReader = std::move(reader); }
    /// Before the components of `item` show as nodes: reads the item's bill if only its mark
    /// is known, with the marks of its components, one trip. False when the read failed.
    bool readComponentsOf(int item);
    /// Called on the store's thread after each level the rest's read has read (tests stop the
    /// read there); none by default.
    using RestLevelHook = std::function<void(int level, const store::StoreCall& call)>;
    static void setRestLevelHook(RestLevelHook hook);
    /// Empties the bill; its top level now belongs to `assembly`.
    void clear(const QString& assembly) { load(assembly, {}); }

    /// Holds countsChanged back while one edit brings or takes many lines: it comes once, as
    /// the outermost scope ends, if any line came or went meanwhile.
    class ChangeScope {
    public:
        explicit ChangeScope(BomDocument& document);
        ~ChangeScope();
        ChangeScope(const ChangeScope&) = delete;
        ChangeScope& operator=(const ChangeScope&) = delete;

    private:
        BomDocument& m_document;
    };

    /// Whether the structure holds the bill of `item` as read from the database (the loaded
    /// item, or one it uses): lines of it show, and a new line with it as component needs no
    /// read of what is below it.
    bool holdsBill(const QString& item) const;
    /// Whether the structure holds the line (assembly, component).
    bool hasLine(const QString& assembly, const QString& component) const;
    /// The components of `assembly`'s lines as the structure lists them, in their order.
    QStringList componentsOf(const QString& assembly) const;

    /// Adds a saved line to the bill of `assembly` at `position` among its lines; every open
    /// copy of the assembly shows it. `bills`: the lines reachable from the component, needed
    /// when holdsBill(component) is false.
    void addLine(const QString& assembly, int position, const store::ComponentLine& line,
                 const QHash<QString, store::ComponentLines>& bills);
    /// Takes the line (assembly, component) out of the structure and every copy.
    void removeLine(const QString& assembly, const QString& component);
    /// Sets the quantity of the line (assembly, component) on every copy.
    void setLineQuantity(const QString& assembly, const QString& component,
                         std::optional<double> quantity);
    /// Shows `row`'s quantity on every copy of its line; nothing when it shows it already.
    void showQuantity(const store::LineRow& row);
    /// Takes in what a re-read of the database found (readChanges).
    Structure::Refresh showFresh(const FreshLines& fresh);

    // The one way a saved line comes into the bill, for one line or many: planned here, read
    // on the store's thread, shown here.
    /// Which of `rows` (just saved) the bill is to show.
    LinesToShow planShowing(const std::vector<store::LineRow>& rows) const;
    /// Reads what showing them needs: one read of their assemblies' lines and one of what lies
    /// below the components new to the structure, however many lines there are. Throws
    /// StoreError.
    static ShowingRead readShowing(store::Store& db, const LinesToShow& plan);
    /// Shows each line read at its place in the database's order of its assembly's lines, on
    /// every open copy of the assembly; a line gone again meanwhile shows nowhere.
    void showSaved(const ShowingRead& read);

    /// Reads `lines` as the database holds them now, and what showing those new to the tree
    /// needs (`plan`: planShowing(lines)), in one call. Throws StoreError.
    static StoredLines readStored(store::Store& db, const std::vector<store::LineRow>& lines,
                                  const LinesToShow& plan);
    /// Shows them so: a line gone leaves every copy, one put in by another program shows as a
    /// load would show it, one kept shows its stored quantity.
    void showStored(const StoredLines& read);

    /// What to read for other editors' changes, planned over the structure as it stands now;
    /// empty when they touch nothing the bill shows (or no bill is loaded).
    std::optional<ChangePlan> planChanges(const store::Changes& changes) const;
    /// Shows what the planned read found, unless the structure has changed since the plan
    /// (false: read again).
    bool showChanges(const ChangePlan& plan, const FreshLines& fresh, ShownChanges& shown);

Q_SIGNALS:
    /// Before and after the structure is replaced by a load.
    void aboutToLoad();
    void loaded();
    /// A line came into `item`'s bill at `position`; `hadLines`: whether the bill had lines
    /// before.
    void lineInserted(int item, int position, int line, bool hadLines);
    /// A line left its bill (the structure's line `line`, whose nodes go).
    void lineErased(int line);
    /// The quantity of a line changed (every copy and the extended quantities below follow).
    void quantityChanged(int line, const QString& assembly, const QString& component);
    /// A re-read was taken in: the views make their nodes follow it.
    void refreshed(const Structure::Refresh& refresh);
    /// The structure holds the whole bill now: totals and counts are exact.
    void wholeRead();
    /// Lines came into the bill or left it (an edit, its undo or redo, another program's
    /// change): the load's counts may say otherwise now. Once for each edit, however many
    /// lines it moved (ChangeScope); not for a load, which says its counts itself.
    void countsChanged();

private:
    /// Starts the rest's read anew; a read running is dropped.
    void restartRest();
    void takeRest(quint64 generation, quint64 outsideWrites, std::exception_ptr failure,
                  const QHash<QString, store::ComponentLines>& lines);
    /// A write to a bill the structure has not read: the rest's read may have read it before.
    void wroteOutside();
    void becameWhole();
    /// A line came or went: countsChanged now, or as the outermost ChangeScope ends.
    void linesChanged();

    Structure m_structure;
    mutable CountKeeper m_counts;
    QString m_topDescription;
    EditHistory m_history;
    bool m_whole = true;
    /// Counts loads and restarts of the rest's read: a read of an earlier one is dropped.
    quint64 m_generation = 0;
    /// Counts the writes begun into bills not read (OutsideWrite), and those running.
    quint64 m_outsideWrites = 0;
    int m_outsideRunning = 0;
    /// A rest's read was dropped while such a write ran: it starts again as the write ends.
    bool m_restAfterWrite = false;
    QString m_restLocation;
    std::unique_ptr<store::BackgroundTrip> m_restTrip;
    std::optional<store::StoreError> m_restFailure;
    BillReader m_billReader;
    int m_scopes = 0;           ///< ChangeScopes open
    bool m_linesChanged = false; ///< a line came or went within them
};

} // namespace tree
