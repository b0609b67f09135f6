#pragma once

#include "store/Store.h"
#include "tree/LiveChanges.h"

#include <QString>
#include <QUndoStack>

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QModelIndex;

namespace desktop {
class Desktop;
}

namespace store {
class StoreError;
}

namespace tree {

/// The node limit of Expand All: far above what a real product needs, low enough that a
/// structure of millions of paths neither hangs the program nor exhausts its memory. A node
/// opened by hand always opens.
inline constexpr int DefaultNodeLimit = 1'000'000;
/// The depth limit of the tree: far deeper than any product structure, shallow enough that
/// the tree view (whose layout recurses once per level) can expand every level without
/// running out of stack.
inline constexpr int DefaultDepthLimit = 2'000;

class BomTreeModel;

/// What became of an undo or redo step's write.
enum class StepOutcome {
    Done,    ///< written
    Dropped, ///< refused because the line changed (LineChanged, CircularComponent): the step
             ///< can never be taken, and leaves the history
    Kept,    ///< refused for a cause that may pass (a read-only file, a lock held, a server
             ///< away): the step stays, to be tried again
};

/// The window's database choice, as the tree operations use it.
class DatabaseSession {
public:
    virtual ~DatabaseSession() = default;
    /// The current database path; empty until one is known.
    virtual QString databasePath() const = 0;
    /// Sets the path for this run only (the remembered one is left alone).
    virtual void setDatabasePath(const QString& path) = 0;
    /// The database chooser: asks for a file and remembers the choice for the next start.
    /// Returns 0, or the number of the failure that stopped it (32755 for Cancel).
    virtual int openFileDialog() = 0;

    // An operation that finds no database known yet meets it in one of three ways, named
    // here side by side so that each operation says which is its own.
    /// The chooser asks, and remembers the choice for the next start (a load, a drop). True
    /// when a database is known afterwards.
    bool chooseIfNone();
    /// A file is asked for this run only, the remembered database left alone (a node's
    /// statistics). False after a Cancel.
    bool chooseForThisRunIfNone(desktop::Desktop& desktop);
    /// Nothing is asked (a check that can wait for the write; a write, whose store then
    /// refuses the empty path with its numbered error). True when a database is known.
    bool isKnown() const { return !databasePath().isEmpty(); }
};

/// What the statistics panel shows for one node.
struct ComponentFacts {
    QString quantity;    ///< the quantity per assembly of the node's own line
    QString unit;        ///< the component's unit of measure
    QString description; ///< the component's description
    bool operator==(const ComponentFacts&) const = default;
};

/// A read planned for other editors' changes, and the structure's revision it was planned at.
struct ChangePlan {
    quint64 revision = 0;
    ChangeRead read;
};

/// What a re-read of the shown tree found different from what it showed.
struct ShownChanges {
    QStringList assemblies;  ///< assemblies whose bill now shows differently, as the tree spells them
    QStringList items;       ///< items whose unit, description or Item Master row now shows differently
    /// The loaded item's description as now stored (NoDescription, NotInItemMaster), when it
    /// was read again and differs from the one shown: for the Item Description field.
    std::optional<QString> topDescription;
    bool any() const { return !assemblies.isEmpty() || !items.isEmpty() || topDescription; }
};

/// Shown for an item whose description is Null.
inline const QString NoDescription = QStringLiteral("(no description on file)");
/// Shown as the description of a loaded item that has no ItemMaster row.
inline const QString NotInItemMaster = QStringLiteral("(not in the Item Master)");
/// Title of the boxes that ask the user something about the tree.
inline const QString ShortTitle = QStringLiteral("Fabrilux");
/// The busy box of the reads that show a committed write: its Cancel stops only the showing.
inline const QString ShowingSavedLabel = QStringLiteral("Showing the saved change\u2026");
/// Said (status and box) when the user stopped the showing of a committed write.
inline const QString ShowingStopped =
    QStringLiteral("The change was saved; only showing it was stopped.");
/// The box's second line: what its answers do.
inline const QString ShowingStoppedChoice =
    QStringLiteral("Yes: the tree shows it now. No: the tree shows it when the bill is loaded "
                   "again (Enter in the Item ID).");

/// The operations on the BOM tree, without a widget of their own: each takes what it needs,
/// works on the tree model and the database (one connection per operation), asks its
/// questions and reports its failures through the desktop services, and returns what the
/// window is to show. Status texts go to `showStatus`.
class BomEditor {
public:
    BomEditor(desktop::Desktop& desktop, DatabaseSession& session, BomTreeModel& model,
              std::function<void(const QString&)> showStatus);

    /// Bounds of what the tree shows: the nodes Expand All makes, the levels a node opens to.
    void setLimits(int nodeLimit, int depthLimit);

    /// Expand All: opens the tree breadth-first up to the node limit, has `expandView` show
    /// every opened node that has children (the model's openedNodes), and says how many rows
    /// the whole structure has when the limit left nodes closed.
    void expandAll(const std::function<void(const std::vector<QModelIndex>&)>& expandView);

    /// Loads the tree of `item` (Enter in the Item ID field) and returns the item's
    /// description: NotInItemMaster when the item has no ItemMaster row (the status names
    /// it), empty when the load failed or no item was typed. The tree
    /// remembers `item` as the assembly of its top level. Lets window events run once, after
    /// the tree has been emptied.
    QString load(const QString& item);

    /// The facts about the node's own line and its component; all empty for no node and after
    /// a failed read (which is reported). Empty optional: the user cancelled the database
    /// chooser, and the panel stays as it is.
    std::optional<ComponentFacts> statistics(const QModelIndex& node);

    /// A drop of `component` on `target`: asks parent or sibling and the quantity, writes the
    /// line, and only then shows it, wherever its assembly stands in the tree. On an empty
    /// tree (no target) of a loaded item, the component becomes the item's first one, and
    /// only the quantity is asked.
    void addComponent(const QModelIndex& target, const QString& component);

    /// The Delete key on `node`: after confirmation deletes the node's line and removes it
    /// from every copy of its assembly.
    void deleteComponent(const QModelIndex& node);

    /// A quantity typed into a node's quantity cell: checked as a drop's quantity, written
    /// into the node's line in one statement (only while the line still holds the quantity
    /// the tree shows), and shown on every copy of the line.
    void changeQuantity(const QModelIndex& node, const QString& typed);

    /// Asks once before lines of many (each "A → B, quantity -2") get a quantity of zero or
    /// less, as one typed quantity is asked about; true for Yes, and always for no lines.
    bool confirmUnlikelyQuantities(const QStringList& lines);
    /// A question's `informative` text with, one a line below it, where else each assembly's
    /// bill shows (alsoUsedNotes over (assembly, the assembly above it) pairs): a change under
    /// a shared sub-assembly changes every product that uses it. As it is when the database
    /// cannot be read.
    QString withAlsoUsed(const QString& informative,
                         const std::vector<std::pair<QString, QString>>& assemblies);

    /// Every add, delete and quantity change since the database was opened, for Undo and
    /// Redo. Its steps are taken with undo() and redo(), never with the stack's own.
    QUndoStack& history() { return m_history; }
    /// Undoes the history's current step. When its write is refused for a cause that may pass
    /// (StepOutcome::Kept), the step stays where it stood, to be tried again.
    void undo();
    /// Redoes the next step of the history, as undo() undoes one.
    void redo();

    /// Re-reads what the tree shows that `changes` may touch: with `everything`, every line
    /// the loaded item reaches (one reachableLines); otherwise the bills of the named
    /// assemblies that the structure holds and the Item Master facts of the named items that
    /// it shows (a few reads, never the whole structure). Shows the result as the database
    /// holds it now: lines that came, went or changed quantity, and changed units,
    /// descriptions and Item-Master-ness, in every copy; a line new to the structure brings
    /// the structure below it, circular and at the depth limit as a load shows it. Open nodes
    /// stay open, the current node and the selection stay (a node whose line went gives its
    /// place to its row's neighbours as for any removed row), the scroll position stays.
    /// Lines the editor itself just wrote are shown already, so they show no difference. No
    /// message box: a failed read returns its error and changes nothing. The history stays as
    /// it is: a step whose line changed is refused when taken (LineChanged).
    std::optional<store::StoreError> showChanges(const StoreChanges& changes, ShownChanges& shown);

    // showChanges in two halves, for a read that runs apart from the window's thread while the
    // window goes on: the plan here, readChanges(plan.read) on any thread, then showFresh.
    /// What to read for `changes`, planned over the structure as it stands now; empty when
    /// they touch nothing the tree shows (or no tree is loaded).
    std::optional<ChangePlan> planChanges(const StoreChanges& changes) const;
    /// Shows what the planned read found, unless the structure has changed since the plan
    /// (false: read again).
    bool showFresh(quint64 revision, const FreshLines& fresh, ShownChanges& shown);

    /// The lines that list `component` directly, as stored; an empty optional when the
    /// database could not be read (reported).
    std::optional<std::vector<store::LineRow>> linesUsing(const QString& component);
    /// The assembly's own lines as stored, likewise.
    std::optional<std::vector<store::LineRow>> linesOf(const QString& assembly);
    /// Checks `batch` as writeLines would write it, writing nothing; an empty optional when the
    /// database could not be read (reported).
    std::optional<store::BatchRefusals> checkLines(const store::LineBatch& batch);
    /// Writes `batch` in one transaction, shows it on every copy of the assemblies it touches,
    /// and pushes one history step named `text`, whose undo removes the added lines (only while
    /// they are as written) and puts the removed ones back exactly, in one transaction too.
    /// True when written; a refusal is reported and nothing changes. The removed rows are put
    /// back as `batch.removed` holds them: give them as the store read them (findLine).
    bool writeLines(const store::LineBatch& batch, const QString& text);

    // The steps that undo and redo take; each reports its own failure.
    /// Writes a batch step's `batch` and shows it (an undo writes the step's reverse).
    StepOutcome applyLines(const store::LineBatch& batch);
    /// Deletes the line if it is still exactly `row`, and its nodes.
    StepOutcome removeLine(const store::LineRow& row);
    /// Puts `row` back exactly, and shows it wherever its assembly stands.
    StepOutcome restoreLine(const store::LineRow& row);
    /// Writes `quantity` into the line if it still holds exactly `row` (quantity and start
    /// date, as the last write left it), shows it, and sets `row` to the line as written.
    StepOutcome writeQuantity(store::LineRow& row, const QVariant& quantity);

private:
    void report(const QString& message);
    /// Opens the current database, runs `work(store::Store&)` on it and releases it on every
    /// path: the failure, if any, of the open or of the work, for the caller's own handling.
    /// `label` names the work in the busy box that shows when it lasts.
    template <class Work>
    std::optional<store::StoreError> tryStore(Work&& work, const QString& label = {});
    /// As tryStore, and a failure is reported as "NUMBER DESCRIPTION"; true when none came.
    template <class Work> bool withStore(Work&& work);
    /// Asks once before a quantity of zero or less is written into the line; true for Yes.
    bool confirmUnlikelyQuantity(const QString& typed, const QString& assembly,
                                 const QString& component);
    /// After each step of the history (an edit, an undo, a redo) the status says what was
    /// done.
    void reportHistoryStep(int index);
    /// After another program changed, removed or put back a line under the editor
    /// (LineChanged): its nodes show the line as the database now holds it, go with it, or
    /// come with it.
    void showLineAsStored(const QString& assembly, const QString& component);
    /// Reports a refused step's write and says what becomes of the step.
    StepOutcome refusedStep(const store::StoreError& error, const QString& assembly,
                            const QString& component);
    /// The showing of a written batch on every copy of the assemblies it touches: the reads of
    /// the added lines' structures, when the tree holds one of their bills. `batch` must
    /// outlive the function.
    std::function<void(store::Store&)> batchShowing(const store::LineBatch& batch);
    /// The showing of a saved line wherever its assembly stands, when the tree holds the
    /// assembly's bill and does not show the line yet.
    std::function<void(store::Store&)> lineShowing(const QString& assembly,
                                                   const QString& component);
    /// After a write that committed, what became of its showing, which ran in the same store
    /// call right after the commit: `failure` is the showing's, never the write's. A Cancel
    /// says that the change was saved and only showing it was stopped, and shows it (`show`,
    /// in a store call of its own) when the user asks; any other failure is reported as it is.
    /// The history holds the change either way.
    void afterShowing(std::optional<store::StoreError> failure,
                      const std::function<void(store::Store&)>& show);
    /// What became of a write and its showing in one store call.
    struct Written {
        bool committed = false; ///< the write committed (a failure after it is the showing's)
        std::optional<store::StoreError> failure;
    };
    /// Runs `write` and then, in the same store call, `show` (one connection for both).
    Written writeThenShow(const std::function<void(store::Store&)>& write,
                          const std::function<void(store::Store&)>& show);
    /// Names the rest of the current store work's calls in its busy box: a write's showing is
    /// "Showing the saved change…", so that its Cancel is seen to stop only that.
    void nameCalls(const QString& label);
    /// showLineAsStored for many lines, read back in one call.
    void showLinesAsStored(const std::vector<store::LineRow>& lines);
    /// Shows `row`'s quantity on every node of its line.
    void showQuantity(const store::LineRow& row);
    void stepHistory(bool forward);

    desktop::Desktop& m_desktop;
    DatabaseSession& m_session;
    BomTreeModel& m_model;
    std::function<void(const QString&)> m_showStatus;
    /// The history as reportHistoryStep last saw it; declared first, since the history
    /// reports its own emptying when it goes.
    int m_historyIndex = 0;
    int m_historyCount = 0;
    QList<const QUndoCommand*> m_historySeen;
    QUndoStack m_history;
    /// Set by a step's write that was refused for a passing cause.
    bool m_stepKept = false;
    /// The busy box label of the store work running now (tryStore), which its work may change.
    std::shared_ptr<QString> m_callLabel;
    /// The loaded item's description as load() or showChanges() last gave it.
    QString m_topDescription;
};

} // namespace tree
