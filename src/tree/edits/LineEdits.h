#pragma once

#include "store/ChangeSet.h"
#include "store/History.h"
#include "store/Store.h"
#include "tree/edits/EditHistory.h"

#include <QCoreApplication>
#include <QModelIndex>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace desktop {
class Desktop;
}
namespace store {
class StoreCall;
class StoreError;
} // namespace store

namespace tree {

class BomDocument;
class BomTreeModel;
class DatabaseSession;
struct LinesToShow;
struct PastedLine;
struct ShowingRead;

/// A line that a move takes from its assembly, as the tree showed it when it was cut.
struct MovedLine {
    QString assembly;
    QString component;
    std::optional<double> quantity; ///< empty where Null
};

/// What became of a move.
enum class MoveOutcome {
    Moved, ///< written, one step of the history
    Kept,  ///< nothing written: the user said no, or the destination refused the lines
    Stale, ///< nothing written: a line changed or went since it was cut
};

/// "MAST → 1551AGY, quantity 2", as the questions name a line.
QString lineText(const QString& assembly, const QString& component,
                 std::optional<double> quantity);
/// The texts one a line, the first dozen of them, then how many more.
QString shortened(const QStringList& texts);

/// Every edit of the lines of the loaded bill, for one line or many: each asks its questions and
/// reports its failures through the desktop services, does its store work on the store's
/// thread in as few trips as its questions allow (the checks before a question in one, the
/// write and the reads that show it in one), shows what was written through the document, and
/// pushes one step of the document's history. The dialogs that pick, tick and preview stay
/// with the window, which asks here for what they list and to write what they chose.
class LineEdits : public StepWriter {
    Q_DECLARE_TR_FUNCTIONS(tree::LineEdits)

public:
    LineEdits(desktop::Desktop& desktop, DatabaseSession& session, BomDocument& document,
              BomTreeModel& model, std::function<void(const QString&)> showStatus);

    /// The first check of every edit of the bill, made before it asks anything: where the
    /// database takes no edits (a server's read-only standby, as its connections found it when
    /// they were made) it says so in the server's words (StandbyReadOnly) and returns true.
    /// It costs no trip to the database. Each edit below makes it first; a command of the
    /// window that asks something before it reaches them makes it before its first question.
    bool refusesEdits();

    /// A drop of `component` on `target` (or Add Component at it): asks parent or sibling and
    /// the quantity, writes the line, and only then shows it, wherever its assembly stands in
    /// the tree. On an empty tree (no target) of a loaded item, the component becomes the
    /// item's first one, and only the quantity is asked.
    void addComponent(const QModelIndex& target, const QString& component);
    /// The Delete key on `node`: after confirmation deletes the node's line and removes it
    /// from every copy of its assembly.
    void deleteComponent(const QModelIndex& node);
    /// The Delete key on several nodes (each line once, none below another): one question that
    /// lists their lines as stored, then one write of all or none.
    void deleteLines(const std::vector<QModelIndex>& nodes);
    /// Cut then Paste at `target`, or a Shift+drag onto it: asks parent or beside once, then
    /// moves `lines` (each as it was cut: one still as shown, else nothing moves) into the
    /// assembly chosen, each with its quantity and start date, after the checks of a drop
    /// (cycle, duplicate, unknown item): one write of all or none, one step of the history.
    /// On the empty tree of a loaded item (no target) they go into the loaded item.
    MoveOutcome moveLines(const std::vector<MovedLine>& lines, const QModelIndex& target);
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
    /// cannot be read. The n-th note begins with `answers`' n-th text (see alsoUsedNotes).
    QString withAlsoUsed(const QString& informative,
                         const std::vector<std::pair<QString, QString>>& assemblies,
                         const QStringList& answers = {});

    /// The one question of a drop, a paste and a move onto a node: "Make Target Item A
    /// Parent?", Yes putting `subject` ("PRT-KNOB goes", "the 3 pasted lines go") into
    /// `into`, No beside it, into `beside`; `notes` (where else the two assemblies are used) below.
    /// True for into, false for beside, none on Esc: the user has not decided.
    std::optional<bool> askParent(const QString& subject, const QString& into,
                                  const QString& beside, const QString& notes);
    /// askParent for lines onto the node `target` (into its item, or beside it into its
    /// assembly), where else both are used read first: the assembly chosen, or none on Esc and
    /// when the node went while the question was open.
    std::optional<QString> askParentAt(const QPersistentModelIndex& target,
                                       const QString& subject);

    // What the window's dialogs list; each an empty optional when the database could not be
    // read (reported).
    /// Every item of the Item Master, for a pick.
    std::optional<std::vector<store::ItemLine>> itemLines();
    /// The lines that list `component` directly, as stored.
    std::optional<std::vector<store::LineRow>> linesUsing(const QString& component);
    /// The assembly's own lines as stored.
    std::optional<std::vector<store::LineRow>> linesOf(const QString& assembly);
    /// Checks `batch` as writeLines would write it, writing nothing.
    std::optional<store::BatchRefusals> checkLines(const store::LineBatch& batch);
    /// Pasted lines into `assembly`, for the preview: each item as the Item Master spells it,
    /// refused when it has none, and each line that the write would refuse refused so, in one
    /// read. False when the database could not be read (reported).
    bool checkPasted(const QString& assembly, std::vector<PastedLine>& lines);
    /// Writes `batch` in one transaction, shows it on every copy of the assemblies it touches,
    /// and pushes one history step named `text`, whose undo removes the added lines (only while
    /// they are as written) and puts the removed ones back exactly, in one transaction too.
    /// True when written; a refusal is reported and nothing changes. The removed rows are put
    /// back as `batch.removed` holds them: give them as the store read them (findLine).
    /// `reason`, when given, is kept with the change in the database's history; `restore`
    /// records it there as a restore of an earlier state.
    bool writeLines(const store::LineBatch& batch, const QString& text,
                    const QString& reason = {}, bool restore = false);

    /// After rows the editor wrote outside its edits of lines (its import): the bill shows the
    /// lines and items of `changes` as the database now holds them, as a change of another
    /// program's would show, its open nodes open still. A read that fails is reported; the
    /// rows are written all the same, and the next load shows them.
    void showWrittenRows(const store::Changes& changes);

    /// Undoes the history's current step; one refused for a cause that may pass stays where it
    /// stood, to be tried again.
    void undo();
    /// Redoes the next step of the history, as undo() undoes one.
    void redo();

    // The steps' writes (StepWriter); each reports its own refusal.
    StepOutcome applyLines(const store::LineBatch& batch) override;
    StepOutcome removeLine(const store::LineRow& row) override;
    StepOutcome restoreLine(const store::LineRow& row) override;
    StepOutcome writeQuantity(store::LineRow& row, const QVariant& quantity) override;

private:
    /// Where else each assembly's bill shows (alsoUsedNotes), read in one trip; empty when no
    /// database is chosen or the read fails.
    QString alsoUsed(const std::vector<std::pair<QString, QString>>& assemblies,
                     const QStringList& answers);
    void report(const QString& message);
    /// One trip to the current database: `work` runs on the store's thread (it touches nothing
    /// but the store and its own copies) while the window waits; the failure, if any, for the
    /// caller's own handling. `label` names the work in the busy box.
    std::optional<store::StoreError> trip(const std::function<void(store::StoreCall&)>& work,
                                          const QString& label = {});
    /// As trip, a failure reported as "NUMBER DESCRIPTION"; true when none came.
    bool readTrip(const std::function<void(store::StoreCall&)>& work);
    /// Asks once before a quantity of zero or less is written into the line; true for Yes.
    bool confirmUnlikelyQuantity(const QString& typed, const QString& assembly,
                                 const QString& component);
    /// Asks once before a fraction of a unit counted in whole pieces is written into the line;
    /// true when it is not one, or for OK.
    bool confirmWholeUnit(double quantity, const QString& typed, const QString& unit,
                          const QString& assembly, const QString& component);
    /// What became of a write and the reads that show it, in one trip.
    struct Written {
        bool committed = false; ///< the write committed (a failure after it is the showing's)
        std::optional<store::StoreError> failure;
    };
    /// Runs `write` and then, in the same trip, reads what showing `plan` needs into `read`;
    /// the busy box names the reads "Showing the saved change…", so that a Cancel is seen to
    /// stop only them.
    Written writeThenRead(const std::function<void(store::Store&)>& write, const LinesToShow& plan,
                          ShowingRead& read);
    /// Writes `batch` and shows it on every copy of the assemblies it touches; `committed` runs
    /// once it is written, before a question about its showing. The write's failure when
    /// nothing was written.
    std::optional<store::StoreError> writeAndShow(const store::LineBatch& batch,
                                                  const std::function<void()>& committed);
    /// After a write that committed: shows it (`read`), or says what became of its showing. A
    /// Cancel says that the change was saved and only showing it was stopped, and reads it
    /// again when the user asks; any other failure is reported as it is. The history holds
    /// the change either way.
    void showWritten(const Written& written, const LinesToShow& plan, ShowingRead& read);
    /// After another program changed, removed or put back lines under the editor
    /// (LineChanged): their nodes show them as the database now holds them, go with them, or
    /// come with them; read back in one trip.
    void showLinesAsStored(const std::vector<store::LineRow>& lines);
    /// Reports a refused step's write and says what becomes of the step.
    StepOutcome refusedStep(const store::StoreError& error, const QString& assembly,
                            const QString& component);

    /// Names the writes of one command for the database's history, for as long as it lives:
    /// as the command's undo step is named, with the user's reason.
    class Command {
    public:
        Command(LineEdits& edits, QString name, QString reason = {}, bool restore = false);
        ~Command();
        Command(const Command&) = delete;
        Command& operator=(const Command&) = delete;

    private:
        LineEdits& m_edits;
        store::WriteCommand m_was;
    };

    desktop::Desktop& m_desktop;
    DatabaseSession& m_session;
    store::WriteCommand m_command;
    BomDocument& m_document;
    BomTreeModel& m_model;
    std::function<void(const QString&)> m_showStatus;
};

} // namespace tree
