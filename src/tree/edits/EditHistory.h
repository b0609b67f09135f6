#pragma once

#include "store/Store.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace tree {

/// What became of an undo or redo step's write.
enum class StepOutcome {
    Done,    ///< written
    Dropped, ///< refused because the line changed (LineChanged, CircularComponent): the step
             ///< can never be taken, and leaves the history
    Kept,    ///< refused for a cause that may pass (a read-only file, a lock held, a server
             ///< away): the step stays, to be tried again
};

/// The writes that the steps of the history take; each reports its own refusal and says what
/// becomes of the step.
class StepWriter {
public:
    virtual ~StepWriter() = default;
    /// Writes `batch` and shows it (an undo writes the step's reverse).
    virtual StepOutcome applyLines(const store::LineBatch& batch) = 0;
    /// Deletes the line if it is still exactly `row`, and its nodes.
    virtual StepOutcome removeLine(const store::LineRow& row) = 0;
    /// Puts `row` back exactly, and shows it wherever its assembly stands.
    virtual StepOutcome restoreLine(const store::LineRow& row) = 0;
    /// Writes `quantity` into the line if it still holds exactly `row` (quantity and start
    /// date, as the last write left it), shows it, and sets `row` to the line as written.
    virtual StepOutcome writeQuantity(store::LineRow& row, const QVariant& quantity) = 0;
};

/// One step of the history: an edit already written, which it can take back and write again.
class EditStep {
public:
    explicit EditStep(QString text) : m_text(std::move(text)) {}
    virtual ~EditStep() = default;
    /// "Delete T from S", as the status names the step.
    const QString& text() const { return m_text; }
    virtual StepOutcome undo() = 0;
    virtual StepOutcome redo() = 0;

private:
    QString m_text;
};

/// A line added by a drop, or deleted with the Delete key: undoing the one is redoing the
/// other.
std::unique_ptr<EditStep> lineStep(StepWriter& writer, store::LineRow row, bool added);
/// Many lines changed as one (a replace, a copy of a bill, a delete of several lines, a
/// paste), named `text`: its undo takes the added lines out, while they are as written, and
/// puts the removed ones back exactly, in one transaction; its redo writes the batch again.
std::unique_ptr<EditStep> batchStep(StepWriter& writer, store::LineBatch batch, QString text);
/// A quantity typed into the tree. `before` and `after`: the whole line before and after the
/// edit, start date included; each write compares the line as the previous one left it, so
/// that a line removed and added again by another program is never written into.
std::unique_ptr<EditStep> quantityStep(StepWriter& writer, store::LineRow before,
                                       store::LineRow after);

/// Every edit since the database was opened, for Undo and Redo: steps are pushed once their
/// edit is written, and each undo or redo says at the call what became of its write. A step
/// whose write was refused for good leaves the history; one refused for a passing cause stays
/// where it stood. The status says what each move did.
class EditHistory : public QObject {
    Q_OBJECT
public:
    /// `showStatus` shows what a move did; `restingStatus` is the status when nothing is to be
    /// said (after a refusal, which has been shown already).
    EditHistory(std::function<void(const QString&)> showStatus,
                std::function<QString()> restingStatus, QObject* parent = nullptr);
    ~EditHistory() override;

    /// A step whose edit has just been written; the steps that redo offered go.
    void push(std::unique_ptr<EditStep> step);
    StepOutcome undo();
    StepOutcome redo();
    /// Forgets every step (another database).
    void clear();

    /// The steps of one place of editing (the tables themselves, or one draft), set aside
    /// while the window edits another: a step undone elsewhere would write its rows where
    /// they never were.
    class Kept {
        friend class EditHistory;
        std::vector<std::unique_ptr<EditStep>> m_steps;
        int m_index = 0;
    };
    /// Hands the steps over, set aside, and takes `kept` in their place.
    Kept exchange(Kept kept);

    int count() const { return int(m_steps.size()); }
    /// How many steps are done: undo takes step index() - 1.
    int index() const { return m_index; }
    const QString& text(int step) const { return m_steps[size_t(step)]->text(); }
    bool canUndo() const { return m_index > 0; }
    bool canRedo() const { return m_index < count(); }
    /// The texts of the steps that Undo and Redo would take; empty for none.
    QString undoText() const { return canUndo() ? text(m_index - 1) : QString(); }
    QString redoText() const { return canRedo() ? text(m_index) : QString(); }

Q_SIGNALS:
    /// After every push, move and clearing: what Undo and Redo offer may have changed.
    void changed();

private:
    std::vector<std::unique_ptr<EditStep>> m_steps;
    int m_index = 0;
    std::function<void(const QString&)> m_showStatus;
    std::function<QString()> m_restingStatus;
};

} // namespace tree
