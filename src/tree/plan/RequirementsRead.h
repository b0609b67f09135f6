#pragma once

// The Requirements window's trips: the items of a plan looked up in the Item Master, and the
// bills of a plan read and worked out. Each runs off the window's thread while the window
// waits (runOnStore), with Cancel; failures are thrown as numbered errors.

#include "store/Store.h"
#include "tree/plan/Requirements.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace desktop {
class Desktop;
}

namespace tree {

/// The Item Master's entry for each of `ids`, in their order (none where it holds none), in
/// one trip to the database at `location`.
std::vector<std::optional<store::Item>>
findPlanItems(desktop::Desktop& desktop, const QString& location, const QStringList& ids);

/// What a plan needs, as read from the database.
struct PlanAnswer {
    /// Each item to build as the Item Master holds it, in the plan's order; none for an item
    /// it does not hold.
    std::vector<std::optional<store::Item>> found;
    /// The plan, each item spelt as the Item Master spells it once every one is found.
    std::vector<PlannedBuild> builds;
    /// What the plan needs (requirements), worked out only when the Item Master holds every
    /// item to build: one it lacks would add nothing and leave an answer that looks whole.
    std::vector<RequirementLine> needed;
};

/// One trip to the database at `location`: the items of `builds` looked up and, when each is
/// there, every line reachable from them read and the answer worked out there too, so that a
/// plan of thousands of items keeps the window alive and its Cancel stops the work.
PlanAnswer readRequirements(desktop::Desktop& desktop, const QString& location,
                            std::vector<PlannedBuild> builds, const RequirementOptions& options);

} // namespace tree
