#pragma once

#include "store/Store.h"
#include "tree/BomEditor.h"

#include <QUndoCommand>

#include <utility>

namespace tree {

/// The steps of the edit history, thin wrappers over the editor's own operations, taken with
/// BomEditor::undo and redo. A command is pushed once its edit is done, so its first redo does
/// nothing. An undo or redo that the database refuses is reported and writes nothing; the step
/// leaves the history when the line changed meanwhile, and otherwise stays where it stood.
class HistoryStep : public QUndoCommand {
protected:
    HistoryStep(BomEditor& editor, const QString& text);
    /// Whether this call only moves the stack back to where the step stands (the push's redo,
    /// or the editor's after a refused write), so that the step writes nothing.
    bool replay() { return std::exchange(m_replay, false); }
    /// After a write: a step whose line changed leaves the history; one refused for a passing
    /// cause skips the editor's move back over it.
    void settle(StepOutcome outcome);

    BomEditor& m_editor;

private:
    bool m_replay = true;
};

/// A line added by a drop, or deleted with the Delete key: undoing the one is redoing the
/// other.
class LineCommand : public HistoryStep {
public:
    enum Edit { Added, Deleted };
    LineCommand(BomEditor& editor, store::LineRow row, Edit edit);
    void undo() override;
    void redo() override;

private:
    /// Puts the line back (true) or takes it out (false).
    void apply(bool present);

    store::LineRow m_row;
    Edit m_edit;
};

/// Many lines changed as one (a replace, a copy of a bill, a delete of several lines): its
/// undo takes the added lines out, while they are as written, and puts the removed ones back
/// exactly, in one transaction; its redo writes the batch again.
class BatchCommand : public HistoryStep {
public:
    BatchCommand(BomEditor& editor, store::LineBatch batch, const QString& text);
    void undo() override;
    void redo() override;

private:
    store::LineBatch m_batch;
};

/// A quantity typed into the tree. Each write compares the whole line as the previous one
/// left it, so that a line removed and added again by another program is never written into.
class QuantityCommand : public HistoryStep {
public:
    /// `before` and `after`: the line before and after the edit, start date included.
    QuantityCommand(BomEditor& editor, store::LineRow before, store::LineRow after);
    void undo() override;
    void redo() override;

private:
    void step(const store::LineRow& from, store::LineRow& to);

    store::LineRow m_before;
    store::LineRow m_after;
};

} // namespace tree
