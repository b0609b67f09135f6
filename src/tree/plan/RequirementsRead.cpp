#include "tree/plan/RequirementsRead.h"

#include "store/ItemKey.h"
#include "tree/StoreWaiting.h"

#include <algorithm>

#include <QCoreApplication>

namespace tree {

std::vector<std::optional<store::Item>>
findPlanItems(desktop::Desktop& desktop, const QString& location, const QStringList& ids) {
    std::vector<std::optional<store::Item>> found;
    runOnStore(desktop, location,
               QCoreApplication::translate(
                   "tree", "Looking the items to build up in the Item Master\u2026"),
               [&](store::StoreCall& call) { found = call.db().findItems(ids); });
    return found;
}

PlanAnswer readRequirements(desktop::Desktop& desktop, const QString& location,
                            std::vector<PlannedBuild> builds, const RequirementOptions& options) {
    QStringList items;
    for (const PlannedBuild& build : builds)
        items.append(build.item);
    PlanAnswer answer;
    runOnStore(desktop, location,
               QCoreApplication::translate("tree", "Reading the bills to build\u2026"),
               [&](store::StoreCall& call) {
                   store::Store& db = call.db();
                   answer.found = db.findItems(items);
                   if (std::any_of(answer.found.cbegin(), answer.found.cend(),
                                   [](const auto& item) { return !item; }))
                       return;
                   const QHash<QString, store::ComponentLines> lines =
                       db.reachableLinesOfEach(items);
                   QHash<QString, store::Item> facts;
                   for (size_t at = 0; at < answer.found.size(); ++at) {
                       facts.insert(store::foldKey(answer.found[at]->id), *answer.found[at]);
                       // The list's own spelling becomes the Item Master's.
                       builds[at].item = answer.found[at]->id;
                   }
                   answer.needed = requirements(lines, builds, options, facts,
                                                [&call] { return call.cancelled(); });
               });
    answer.builds = std::move(builds);
    return answer;
}

} // namespace tree
