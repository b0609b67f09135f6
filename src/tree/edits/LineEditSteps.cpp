// The writes that the history's steps take, and the one way a write and its showing go
// together: what LineEdits' edits and their undo and redo share.

#include "tree/edits/LineEdits.h"

#include "desktop/Desktop.h"
#include "store/ItemKey.h"
#include "store/StoreError.h"
#include "store/runtime/StoreThread.h"
#include "tree/StoreWaiting.h"
#include "tree/Texts.h"
#include "tree/bill/BomDocument.h"

namespace tree {

namespace {

/// A line's key under the store's case rule.
QString lineKey(const store::LineRow& row) {
    return store::foldKey(row.assembly) + QChar(0) + store::foldKey(row.component);
}

} // namespace

std::optional<store::StoreError>
LineEdits::writeAndShow(const store::LineBatch& batch, const std::function<void()>& committed) {
    // A line written back under its own key (a quantity set in many assemblies, a restore) is
    // the same line: where only its quantity differs it keeps its nodes, open ones included, and
    // shows the new quantity; otherwise it leaves and comes back as stored. Either way it must
    // not count as shown already, which is what planning over the bill before the write would
    // say of it.
    QHash<QString, const store::LineRow*> removedAt; // by folded assembly and component
    for (const store::LineRow& row : batch.removed)
        removedAt.insert(lineKey(row), &row);
    std::vector<store::LineRow> fresh;
    std::vector<store::LineRow> inPlace;
    QSet<QString> kept;
    LinesToShow comeBack;
    for (const store::LineRow& row : batch.added) {
        const store::LineRow* was = removedAt.value(lineKey(row));
        if (!was) {
            fresh.push_back(row);
        } else if (was->assembly == row.assembly && was->component == row.component &&
                   was->startDate == row.startDate) {
            inPlace.push_back(row);
            kept.insert(lineKey(row));
        } else if (m_document.holdsBill(row.assembly)) {
            comeBack.rows.push_back(row);
            if (m_document.holdsBill(row.component))
                comeBack.componentsHeld.insert(store::foldKey(row.component));
        }
    }
    LinesToShow plan = m_document.planShowing(fresh);
    // A line of a bill not read yet: the rest's read may have read it before this write.
    for (const store::LineRow& row : batch.added)
        if (removedAt.contains(lineKey(row)) && !m_document.holdsBill(row.assembly))
            plan.outside = true;
    plan.rows.insert(plan.rows.end(), comeBack.rows.cbegin(), comeBack.rows.cend());
    plan.componentsHeld.unite(comeBack.componentsHeld);
    ShowingRead read;
    const Written written =
        writeThenRead([&](store::Store& db) { db.writeLines(batch); }, plan, read);
    if (!written.committed)
        return written.failure;
    const BomDocument::ChangeScope scope(m_document);
    for (const store::LineRow& row : batch.removed)
        if (!kept.contains(lineKey(row)))
            m_document.removeLine(row.assembly, row.component);
    for (const store::LineRow& row : inPlace)
        m_document.showQuantity(row);
    if (!written.failure)
        m_document.showSaved(read);
    if (committed)
        committed();
    if (written.failure)
        showWritten(written, plan, read);
    return std::nullopt;
}

StepOutcome LineEdits::applyLines(const store::LineBatch& batch) {
    if (const auto failure = writeAndShow(batch, {})) {
        report(failure->message());
        // A line that another program changed, removed, added or made part of a cycle
        // meanwhile: the step can never be taken. Its lines show as the database holds them.
        const int number = failure->number();
        if (number == store::LineChanged || number == store::CircularComponent ||
            number == store::DuplicateLine || number == store::UnknownAssembly) {
            std::vector<store::LineRow> lines = batch.removed;
            lines.insert(lines.end(), batch.added.cbegin(), batch.added.cend());
            showLinesAsStored(lines);
            return StepOutcome::Dropped;
        }
        return StepOutcome::Kept;
    }
    return StepOutcome::Done;
}

StepOutcome LineEdits::removeLine(const store::LineRow& row) {
    if (const auto failure =
            trip([&](store::StoreCall& call) { call.db().removeUnchangedLine(row); }))
        return refusedStep(*failure, row.assembly, row.component);
    m_document.removeLine(row.assembly, row.component);
    return StepOutcome::Done;
}

StepOutcome LineEdits::restoreLine(const store::LineRow& row) {
    const LinesToShow plan = m_document.planShowing({row});
    ShowingRead read;
    const Written written =
        writeThenRead([&](store::Store& db) { db.restoreLine(row); }, plan, read);
    if (!written.committed)
        return refusedStep(*written.failure, row.assembly, row.component);
    // The line is back whatever becomes of its showing: the step is done.
    showWritten(written, plan, read);
    return StepOutcome::Done;
}

StepOutcome LineEdits::writeQuantity(store::LineRow& row, const QVariant& quantity) {
    if (const auto failure = trip([&](store::StoreCall& call) {
            row = call.db().changeUnchangedLine(row, quantity);
        }))
        return refusedStep(*failure, row.assembly, row.component);
    m_document.showQuantity(row);
    return StepOutcome::Done;
}

StepOutcome LineEdits::refusedStep(const store::StoreError& error, const QString& assembly,
                                   const QString& component) {
    report(error.message());
    if (error.number() == store::LineChanged)
        showLinesAsStored({{assembly, component, {}, {}}});
    // Only a changed line makes a step impossible for good.
    if (error.number() == store::LineChanged || error.number() == store::CircularComponent)
        return StepOutcome::Dropped;
    return StepOutcome::Kept;
}

LineEdits::Written LineEdits::writeThenRead(const std::function<void(store::Store&)>& write,
                                            const LinesToShow& plan, ShowingRead& read) {
    Written done;
    std::optional<BomDocument::OutsideWrite> outside;
    if (plan.outside)
        outside.emplace(m_document);
    done.failure = trip([&](store::StoreCall& call) {
        write(call.db());
        done.committed = true;
        if (plan.empty())
            return;
        call.name(showingSavedLabel());
        read = BomDocument::readShowing(call.db(), plan);
    });
    return done;
}

void LineEdits::showWritten(const Written& written, const LinesToShow& plan, ShowingRead& read) {
    std::optional<store::StoreError> failure = written.failure;
    while (failure) {
        // The change is saved all the same: a read that failed (a limit that kept part of a
        // structure from showing, a server gone) is said as it is, and the tree shows the
        // change at the next load.
        if (failure->number() != store::OperationCancelled) {
            report(failure->message());
            return;
        }
        // The user stopped the reads, not the write: never "nothing was written".
        m_showStatus(showingStopped());
        if (m_desktop.messageBox(showingStopped(), desktop::YesNo | desktop::IconQuestion,
                                 ShortTitle, showingStoppedChoice()) != desktop::ResultYes)
            return;
        failure =
            trip([&](store::StoreCall& call) { read = BomDocument::readShowing(call.db(), plan); },
                 showingSavedLabel());
    }
    m_document.showSaved(read);
}

void LineEdits::showLinesAsStored(const std::vector<store::LineRow>& lines) {
    const LinesToShow plan = m_document.planShowing(lines);
    StoredLines read;
    // A failure stays unsaid: the refusal has been shown, and without a read the nodes stay
    // as they were.
    if (!trip([&](store::StoreCall& call) {
            read = BomDocument::readStored(call.db(), lines, plan);
        }))
        m_document.showStored(read);
}

} // namespace tree
