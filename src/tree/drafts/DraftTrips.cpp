#include "tree/drafts/DraftTrips.h"

#include "store/DraftStore.h"
#include "tree/StoreWaiting.h"

#include <QCoreApplication>
#include <QLocale>

namespace tree {

DraftCounts countsOf(const std::vector<store::DraftLine>& lines) {
    DraftCounts counts;
    for (const store::DraftLine& line : lines) {
        if (!line.base)
            ++counts.added;
        else if (line.draft)
            ++counts.changed;
        else
            ++counts.removed;
    }
    return counts;
}

QString draftShownText(const QString& name, const DraftCounts& counts) {
    return QCoreApplication::translate("tree",
                                       "Draft %1: %n line(s) added, %2 changed, %3 removed "
                                       "\u2014 not in the database yet",
                                       nullptr, int(counts.added))
        .arg(name)
        .arg(counts.changed)
        .arg(counts.removed);
}

std::vector<store::DraftInfo> readDrafts(desktop::Desktop& desktop, const QString& location) {
    std::vector<store::DraftInfo> drafts;
    runWaiting(desktop, QCoreApplication::translate("tree", "Reading the drafts"),
               [&](const store::ReadProgress&) { drafts = store::openDrafts(location)->list(); },
               {});
    return drafts;
}

store::DraftInfo makeDraft(desktop::Desktop& desktop, const QString& location,
                           const QString& name, const QString& reason) {
    store::DraftInfo made;
    runWaiting(desktop, QCoreApplication::translate("tree", "Making the draft"),
               [&](const store::ReadProgress&) {
                   made = store::openDrafts(location)->create(name, reason);
               },
               {});
    return made;
}

namespace {

/// The open draft's lines, read in one trip; with `editor`, this process's hold on it taken or
/// renewed in the same trip, and who holds it.
std::vector<store::DraftLine> readOpenDraft(desktop::Desktop& desktop, const QString& location,
                                            const QString& name,
                                            store::DraftEditor* editor = nullptr) {
    std::vector<store::DraftLine> lines;
    runWaiting(
        desktop, QCoreApplication::translate("tree", "Reading the draft"),
        [&](const store::ReadProgress&) {
            const std::unique_ptr<store::Drafts> drafts = store::openDrafts(location);
            const store::DraftInfo draft = drafts->find(name);
            if (draft.state != store::DraftState::Open)
                throw store::draftClosed(draft);
            lines = drafts->lines(draft.id);
            if (editor)
                *editor = drafts->hold(draft.id);
        },
        {});
    return lines;
}

} // namespace

DraftCounts readDraftCounts(desktop::Desktop& desktop, const QString& location,
                            const QString& name) {
    return countsOf(readOpenDraft(desktop, location, name));
}

DraftShown readDraftShown(desktop::Desktop& desktop, const QString& location, const QString& name) {
    store::DraftEditor editor;
    const std::vector<store::DraftLine> lines = readOpenDraft(desktop, location, name, &editor);
    DraftShown shown{countsOf(lines), {}, editor};
    for (const store::DraftLine& line : lines)
        if (line.draft)
            shown.lines.insert(BomTreeModel::draftKey(line.draft->assembly, line.draft->component),
                               line.base ? DraftMark::Changed : DraftMark::Added);
    return shown;
}

store::DraftApplyResult applyDraftTrip(desktop::Desktop& desktop, const QString& location,
                                       const QString& name, const store::DraftChoices& choices) {
    store::DraftApplyResult result;
    runWaiting(
        desktop, QCoreApplication::translate("tree", "Applying the draft"),
        [&](const store::ReadProgress&) { result = store::applyDraftAt(location, name, choices); },
        {});
    return result;
}

void choose(store::DraftChoices& choices, const store::DraftLineNow& line,
            store::DraftChoice choice) {
    choices.insert(store::draftKey(line.line), choice);
}

void discardDraft(desktop::Desktop& desktop, const QString& location, const QString& name) {
    runWaiting(desktop, QCoreApplication::translate("tree", "Discarding the draft"),
               [&](const store::ReadProgress&) {
                   const std::unique_ptr<store::Drafts> drafts = store::openDrafts(location);
                   drafts->discard(drafts->find(name).id);
               },
               {});
}

namespace {

void letGoNow(const QString& location, const QString& name) {
    const std::unique_ptr<store::Drafts> drafts = store::openDrafts(location);
    drafts->letGo(drafts->find(name).id);
}

} // namespace

void letGoDraft(desktop::Desktop& desktop, const QString& location, const QString& name) {
    runWaiting(desktop, QCoreApplication::translate("tree", "Closing the draft"),
               [&](const store::ReadProgress&) { letGoNow(location, name); }, {});
}

void letGoDraftAsWindowCloses(const QString& location, const QString& name) {
    if (!store::databaseFile(location))
        return;
    try {
        letGoNow(location, name);
    } catch (const store::StoreError&) {
        // Not renewed, it lapses.
    }
}

QString draftReadOnlyText(const store::DraftEditor& editor) {
    return QCoreApplication::translate("tree", "read-only: %1 has it open for editing since %2")
        .arg(editor.by,
             QLocale().toString(editor.since.toLocalTime(), QLocale::ShortFormat));
}

void showDraft(const QString& location, const QString& name) {
    store::showDraftAt(location, name);
}

QString shownDraft(const QString& location) {
    return store::draftShownAt(location);
}

} // namespace tree
