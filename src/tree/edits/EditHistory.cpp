#include "tree/edits/EditHistory.h"

#include <utility>

namespace tree {

namespace {

class LineStep : public EditStep {
public:
    LineStep(StepWriter& writer, store::LineRow row, bool added)
        : EditStep(added ? QStringLiteral("Add %1 to %2").arg(row.component, row.assembly)
                         : QStringLiteral("Delete %1 from %2").arg(row.component, row.assembly)),
          m_writer(writer), m_row(std::move(row)), m_added(added) {}
    StepOutcome undo() override { return apply(!m_added); }
    StepOutcome redo() override { return apply(m_added); }

private:
    /// Puts the line back (true) or takes it out (false). A redo of an add adds the line
    /// again with the checks of any new line, as a batch's redo does (its component may have
    /// left the Item Master since); an undo of a delete puts back what was there.
    StepOutcome apply(bool present) {
        if (!present)
            return m_writer.removeLine(m_row);
        if (m_added)
            return m_writer.applyLines({{}, {m_row}});
        return m_writer.restoreLine(m_row);
    }

    StepWriter& m_writer;
    store::LineRow m_row;
    bool m_added;
};

class BatchStep : public EditStep {
public:
    BatchStep(StepWriter& writer, store::LineBatch batch, QString text)
        : EditStep(std::move(text)), m_writer(writer), m_batch(std::move(batch)) {}
    StepOutcome undo() override {
        return m_writer.applyLines({m_batch.added, m_batch.removed, true});
    }
    StepOutcome redo() override { return m_writer.applyLines(m_batch); }

private:
    StepWriter& m_writer;
    store::LineBatch m_batch;
};

class QuantityStep : public EditStep {
public:
    QuantityStep(StepWriter& writer, store::LineRow before, store::LineRow after)
        : EditStep(QStringLiteral("Change Quantity of %1 in %2").arg(after.component, after.assembly)),
          m_writer(writer), m_before(std::move(before)), m_after(std::move(after)) {}
    StepOutcome undo() override { return step(m_after, m_before); }
    StepOutcome redo() override { return step(m_before, m_after); }

private:
    StepOutcome step(const store::LineRow& from, store::LineRow& to) {
        // The line must still be `from`; once written it is `to` as the write left it.
        store::LineRow line = from;
        const StepOutcome outcome = m_writer.writeQuantity(line, to.quantity);
        if (outcome == StepOutcome::Done)
            to = std::move(line);
        return outcome;
    }

    StepWriter& m_writer;
    store::LineRow m_before;
    store::LineRow m_after;
};

} // namespace

std::unique_ptr<EditStep> lineStep(StepWriter& writer, store::LineRow row, bool added) {
    return std::make_unique<LineStep>(writer, std::move(row), added);
}

std::unique_ptr<EditStep> batchStep(StepWriter& writer, store::LineBatch batch, QString text) {
    return std::make_unique<BatchStep>(writer, std::move(batch), std::move(text));
}

std::unique_ptr<EditStep> quantityStep(StepWriter& writer, store::LineRow before,
                                       store::LineRow after) {
    return std::make_unique<QuantityStep>(writer, std::move(before), std::move(after));
}

EditHistory::EditHistory(std::function<void(const QString&)> showStatus,
                         std::function<QString()> restingStatus, QObject* parent)
    : QObject(parent), m_showStatus(std::move(showStatus)),
      m_restingStatus(std::move(restingStatus)) {}

EditHistory::~EditHistory() = default;

void EditHistory::push(std::unique_ptr<EditStep> step) {
    m_steps.resize(size_t(m_index));
    m_steps.push_back(std::move(step));
    m_index = count();
    m_showStatus(tr("Done: %1.").arg(m_steps.back()->text()));
    Q_EMIT changed();
}

StepOutcome EditHistory::undo() {
    if (!canUndo())
        return StepOutcome::Done;
    const int at = m_index - 1;
    // The step is held while it writes: a write lets events run, and nothing of them may
    // take it from the history meanwhile.
    EditStep& step = *m_steps[size_t(at)];
    const StepOutcome outcome = step.undo();
    switch (outcome) {
    case StepOutcome::Done:
        m_index = at;
        m_showStatus(tr("Undone: %1.").arg(step.text()));
        break;
    case StepOutcome::Kept:
        // Undo and Redo go on offering what they offered, so that the step can be taken once
        // the cause is gone.
        m_showStatus(tr("Not undone: %1.").arg(step.text()));
        break;
    case StepOutcome::Dropped:
        // Its refusal has been shown.
        m_steps.erase(m_steps.begin() + at);
        m_index = at;
        m_showStatus(m_restingStatus());
        break;
    }
    Q_EMIT changed();
    return outcome;
}

StepOutcome EditHistory::redo() {
    if (!canRedo())
        return StepOutcome::Done;
    const int at = m_index;
    EditStep& step = *m_steps[size_t(at)];
    const StepOutcome outcome = step.redo();
    switch (outcome) {
    case StepOutcome::Done:
        m_index = at + 1;
        m_showStatus(tr("Redone: %1.").arg(step.text()));
        break;
    case StepOutcome::Kept:
        m_showStatus(tr("Not redone: %1.").arg(step.text()));
        break;
    case StepOutcome::Dropped:
        m_steps.erase(m_steps.begin() + at);
        m_showStatus(m_restingStatus());
        break;
    }
    Q_EMIT changed();
    return outcome;
}

void EditHistory::clear() {
    m_steps.clear();
    m_index = 0;
    Q_EMIT changed();
}

EditHistory::Kept EditHistory::exchange(Kept kept) {
    Kept leaving;
    leaving.m_steps = std::exchange(m_steps, std::move(kept.m_steps));
    leaving.m_index = std::exchange(m_index, kept.m_index);
    Q_EMIT changed();
    return leaving;
}

} // namespace tree
