#include "store/DraftApply.h"

#include "store/ItemKey.h"

#include <QCoreApplication>

namespace store {

namespace {

QString shownTime(const QDateTime& utc) {
    return utc.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

StoreError beingApplied(const DraftInfo& draft) {
    return StoreError(DraftBeingApplied,
                      QCoreApplication::translate("store", "'%1' is applying the draft '%2' now (since %3); "
                                                 "nothing was written.")
                          .arg(draft.applyingBy, draft.name, shownTime(draft.applyingSince)));
}

bool allAsDraft(const std::vector<DraftLineNow>& lines) {
    for (const DraftLineNow& line : lines)
        if (line.since != DraftLineNow::Since::AlreadyAsDraft)
            return false;
    return true;
}

} // namespace

QPair<QString, QString> draftKey(const DraftLine& line) {
    return {foldKey(line.assembly()), foldKey(line.component())};
}

StoreError draftClosed(const DraftInfo& draft) {
    if (draft.state == DraftState::Open)
        return beingApplied(draft);
    return StoreError(DraftNotOpen,
                      QCoreApplication::translate("store", "The draft '%1' was %2 by '%3' at %4; it is kept as "
                                                 "it is and nothing was written.")
                          .arg(draft.name, draftStateText(draft.state, true), draft.closedBy,
                               shownTime(draft.closed)));
}

std::vector<DraftLineNow> compareWithLive(Store& live, const std::vector<DraftLine>& lines) {
    std::vector<LineRow> keys;
    keys.reserve(lines.size());
    for (const DraftLine& line : lines)
        keys.push_back({line.assembly(), line.component(), {}, {}});
    const std::vector<std::optional<LineRow>> rows = live.findLines(keys);
    std::vector<DraftLineNow> compared;
    compared.reserve(lines.size());
    for (size_t at = 0; at < lines.size(); ++at) {
        DraftLineNow now{lines[at], rows[at], DraftLineNow::Since::Changed};
        if (sameRow(now.live, now.line.base))
            now.since = DraftLineNow::Since::Unchanged;
        else if (sameRow(now.live, now.line.draft) ||
                 // A line the draft adds is dated when it is applied: another start date
                 // alone does not make it a different line.
                 (!now.line.base && now.live && now.line.draft &&
                  sameRow(LineRow{now.live->assembly, now.live->component,
                                  now.live->quantity, now.line.draft->startDate},
                          now.line.draft)))
            now.since = DraftLineNow::Since::AlreadyAsDraft;
        compared.push_back(std::move(now));
    }
    return compared;
}

namespace {

/// One try of applyDraft; empty when another program changed a drafted line between the
/// comparison and the write in a way that needs no choice (the try is then made again).
std::optional<DraftApplyResult> tryApply(Store& live, Drafts& drafts, const QString& name,
                                         const DraftChoices& choices) {
    DraftInfo draft = drafts.find(name);
    if (draft.state != DraftState::Open)
        throw draftClosed(draft);
    const std::vector<DraftLine> lines = drafts.lines(draft.id);
    const std::vector<DraftLineNow> compared = compareWithLive(live, lines);
    if (!draft.applyingBy.isEmpty()) {
        if (applyMayBeUnderWay(draft.applyingSince))
            throw beingApplied(draft);
        // An apply that was killed holding the draft: its write was all or nothing.
        drafts.settle(draft.id, allAsDraft(compared));
        draft = drafts.find(name);
        if (draft.state != DraftState::Open || !draft.applyingBy.isEmpty())
            throw draftClosed(draft);
    }

    DraftApplyResult result;
    LineBatch batch;
    const QString now = QDateTime::currentDateTime().toString(schema::StartDateFormat);
    for (const DraftLineNow& line : compared) {
        std::optional<LineRow> replaced = line.line.base;
        switch (line.since) {
        case DraftLineNow::Since::AlreadyAsDraft:
            continue;
        case DraftLineNow::Since::Unchanged:
            break;
        case DraftLineNow::Since::Changed: {
            const auto choice = choices.constFind(draftKey(line.line));
            if (choice == choices.cend()) {
                result.changed.push_back(line);
                continue;
            }
            if (*choice == DraftChoice::KeepLive) {
                ++result.keptLive;
                continue;
            }
            replaced = line.live;
            break;
        }
        }
        if (replaced)
            batch.removed.push_back(*replaced);
        if (line.line.draft) {
            LineRow row = *line.line.draft;
            if (!line.line.base)
                row.startDate = now;
            batch.added.push_back(row);
        }
        ++result.written;
    }
    if (!result.changed.empty()) {
        result.written = 0;
        result.keptLive = 0;
        return result;
    }

    if (!drafts.claim(draft.id))
        throw draftClosed(drafts.find(name));
    try {
        live.setCommand({QStringLiteral("Apply Draft %1").arg(draft.name), draft.reason, false});
        if (!batch.removed.empty() || !batch.added.empty())
            live.writeLines(batch);
    } catch (const StoreError& error) {
        drafts.release(draft.id);
        // Another program wrote a drafted line between the comparison and the write: the
        // write found it inside its transaction and wrote nothing.
        if (error.number() == LineChanged || error.number() == DuplicateLine)
            return std::nullopt;
        throw;
    } catch (...) {
        drafts.release(draft.id);
        throw;
    }
    try {
        drafts.markApplied(draft.id);
    } catch (const StoreError& error) {
        throw StoreError(error.number(),
                         QCoreApplication::translate("store", "The draft's lines were written into the tables, but "
                                                    "the draft could not be marked applied (%1); it "
                                                    "is marked so at its next look, a minute from "
                                                    "now.")
                             .arg(error.description()));
    }
    result.applied = true;
    return result;
}

} // namespace

DraftApplyResult applyDraft(Store& live, Drafts& drafts, const QString& name,
                            const DraftChoices& choices) {
    // A few tries: each that fails has met another program's commit, and the next compares
    // with it.
    for (int attempt = 1;; ++attempt) {
        if (std::optional<DraftApplyResult> result = tryApply(live, drafts, name, choices))
            return std::move(*result);
        if (attempt == 3)
            throw StoreError(DraftChangedSince,
                             QCoreApplication::translate("store", "Other programs kept changing the draft's "
                                                        "lines while '%1' was applied; nothing was "
                                                        "written.")
                                 .arg(name));
    }
}

} // namespace store
