#include "tree/EditCommands.h"

namespace tree {

HistoryStep::HistoryStep(BomEditor& editor, const QString& text) : m_editor(editor) {
    // Item IDs may hold an '&': in the Undo and Redo menu items (the part after the line
    // break) it is text, not the mark of a shortcut letter.
    setText(text + u'\n' + QString(text).replace(u'&', QStringLiteral("&&")));
}

void HistoryStep::settle(StepOutcome outcome) {
    if (outcome == StepOutcome::Dropped)
        setObsolete(true);
    else if (outcome == StepOutcome::Kept)
        m_replay = true;
}

LineCommand::LineCommand(BomEditor& editor, store::LineRow row, Edit edit)
    : HistoryStep(editor,
                  edit == Added ? QStringLiteral("Add %1 to %2").arg(row.component, row.assembly)
                                : QStringLiteral("Delete %1 from %2")
                                      .arg(row.component, row.assembly)),
      m_row(std::move(row)), m_edit(edit) {}

void LineCommand::apply(bool present) {
    settle(present ? m_editor.restoreLine(m_row) : m_editor.removeLine(m_row));
}

void LineCommand::undo() {
    if (!replay())
        apply(m_edit == Deleted);
}

void LineCommand::redo() {
    if (!replay())
        apply(m_edit == Added);
}

BatchCommand::BatchCommand(BomEditor& editor, store::LineBatch batch, const QString& text)
    : HistoryStep(editor, text), m_batch(std::move(batch)) {}

void BatchCommand::undo() {
    if (!replay())
        settle(m_editor.applyLines({m_batch.added, m_batch.removed, true}));
}

void BatchCommand::redo() {
    if (!replay())
        settle(m_editor.applyLines(m_batch));
}

QuantityCommand::QuantityCommand(BomEditor& editor, store::LineRow before, store::LineRow after)
    : HistoryStep(editor, QStringLiteral("Change Quantity of %1 in %2")
                              .arg(after.component, after.assembly)),
      m_before(std::move(before)), m_after(std::move(after)) {}

void QuantityCommand::undo() { step(m_after, m_before); }

void QuantityCommand::redo() { step(m_before, m_after); }

void QuantityCommand::step(const store::LineRow& from, store::LineRow& to) {
    if (replay())
        return;
    // The line must still be `from`; once written it is `to` as the write left it.
    store::LineRow line = from;
    const StepOutcome outcome = m_editor.writeQuantity(line, to.quantity);
    if (outcome == StepOutcome::Done)
        to = std::move(line);
    settle(outcome);
}

} // namespace tree
