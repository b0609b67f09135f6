// The reads that the edits and their commands ask for on the store's thread (the items, the
// lines using or under an item, a batch's check, a paste's check), and the showing of rows that
// another command wrote: LineEdits' part that writes nothing.

#include "tree/edits/LineEdits.h"

#include "store/StoreError.h"
#include "store/runtime/StoreThread.h"
#include "tree/Texts.h"
#include "tree/bill/BomDocument.h"
#include "tree/bill/LiveChanges.h"
#include "tree/edits/LinePaste.h"

#include <QCoreApplication>

namespace tree {

std::optional<std::vector<store::ItemLine>> LineEdits::itemLines() {
    std::optional<std::vector<store::ItemLine>> items;
    if (!readTrip([&](store::StoreCall& call) { items = call.db().itemLines(); }))
        return std::nullopt;
    return items;
}

std::optional<std::vector<store::LineRow>> LineEdits::linesUsing(const QString& component) {
    std::optional<std::vector<store::LineRow>> rows;
    if (!readTrip([&](store::StoreCall& call) { rows = call.db().lineRowsUsing(component); }))
        return std::nullopt;
    return rows;
}

std::optional<std::vector<store::LineRow>> LineEdits::linesOf(const QString& assembly) {
    std::optional<std::vector<store::LineRow>> rows;
    if (!readTrip([&](store::StoreCall& call) { rows = call.db().lineRowsOf(assembly); }))
        return std::nullopt;
    return rows;
}

std::optional<store::BatchRefusals> LineEdits::checkLines(const store::LineBatch& batch) {
    std::optional<store::BatchRefusals> refusals;
    if (!readTrip([&](store::StoreCall& call) { refusals = call.db().checkLines(batch); }))
        return std::nullopt;
    return refusals;
}

bool LineEdits::checkPasted(const QString& assembly, std::vector<PastedLine>& pasted) {
    std::vector<PastedLine> lines = pasted;
    if (!readTrip([&](store::StoreCall& call) {
            store::Store& db = call.db();
            // Every item must be in the Item Master, and goes in as it spells the ID.
            QStringList wanted;
            for (const PastedLine& line : lines)
                wanted.append(line.component);
            const std::vector<std::optional<store::Item>> items = db.findItems(wanted);
            for (size_t at = 0; at < lines.size(); ++at) {
                PastedLine& line = lines[at];
                const auto& item = items[at];
                // The preview shows what each ID names, so that a wrong column shows.
                if (item) {
                    line.description = item->description.value_or(QString());
                    line.unit = item->unit.value_or(QString());
                }
                if (!line.refusal.isEmpty())
                    continue;
                if (item)
                    line.component = item->id;
                else
                    line.refusal = store::StoreError(store::PasteUnknownItem,
                                                     QCoreApplication::translate(
                                                         "tree", "'%1' is not in the Item Master.")
                                                         .arg(line.component))
                                       .message();
            }
            refuseRepeats(lines);
            const store::LineBatch checked = pastedBatch(assembly, lines);
            std::vector<size_t> taken; // the lines of the batch, by their place among all
            for (size_t i = 0; i < lines.size(); ++i)
                if (lines[i].refusal.isEmpty())
                    taken.push_back(i);
            if (checked.added.empty())
                return;
            const store::BatchRefusals refusals = db.checkLines(checked);
            for (size_t i = 0; i < taken.size() && i < refusals.added.size(); ++i)
                if (const auto& refused = refusals.added[i])
                    lines[taken[i]].refusal = refused->message();
        }))
        return false;
    pasted = std::move(lines);
    return true;
}

bool LineEdits::writeLines(const store::LineBatch& batch, const QString& text,
                           const QString& reason, bool restore) {
    if (batch.removed.empty() && batch.added.empty())
        return true;
    if (refusesEdits())
        return false;
    const Command command(*this, text, reason, restore);
    // Committed: the step is there whatever happens to the showing.
    if (const auto failure = writeAndShow(
            batch, [&] { m_document.history().push(batchStep(*this, batch, text)); })) {
        report(failure->message());
        return false;
    }
    return true;
}

void LineEdits::showWrittenRows(const store::Changes& changes) {
    // The rest of a bill read before the write may lack what it wrote.
    m_document.readRestAgain();
    // The window may take another program's change while the read runs: planned again then.
    for (int tries = 0; tries < 3; ++tries) {
        const std::optional<ChangePlan> plan = m_document.planChanges(changes);
        if (!plan)
            return;
        FreshLines fresh;
        if (!readTrip([&](store::StoreCall& call) { fresh = readChanges(call.db(), plan->read); }))
            return;
        ShownChanges shown;
        if (m_document.showChanges(*plan, fresh, shown))
            return;
    }
}

} // namespace tree
