#include "tree/LineShow.h"

#include "store/ItemKey.h"
#include "tree/BomTreeModel.h"

#include <QHash>

#include <algorithm>

namespace tree {

void showAddedLines(BomTreeModel& model, store::Store& db, const std::vector<store::LineRow>& rows) {
    // The new lines by assembly, of the assemblies whose bill the structure holds.
    QStringList assemblies;
    QHash<QString, std::vector<QString>> added; // by folded assembly
    QStringList fresh;
    QSet<QString> freshKeys;
    for (const store::LineRow& row : rows) {
        if (!model.holdsBill(row.assembly) || model.hasLine(row.assembly, row.component))
            continue;
        const QString key = store::foldKey(row.assembly);
        auto& components = added[key];
        if (components.empty())
            assemblies.append(row.assembly);
        components.push_back(row.component);
        if (!model.holdsBill(row.component) && !freshKeys.contains(store::foldKey(row.component))) {
            freshKeys.insert(store::foldKey(row.component));
            fresh.append(row.component);
        }
    }
    if (assemblies.isEmpty())
        return;
    const std::vector<store::ComponentLines> orders = db.componentsOfEach(assemblies);
    const QHash<QString, store::ComponentLines> below =
        fresh.isEmpty() ? QHash<QString, store::ComponentLines>() : db.reachableLinesOfEach(fresh);
    for (qsizetype a = 0; a < assemblies.size(); ++a) {
        const QString& assembly = assemblies.at(a);
        const store::ComponentLines& order = orders[size_t(a)];
        // Siblings stand in the order the database lists them, as a load would show them.
        QHash<QString, int> position;
        for (int i = 0; i < order.size(); ++i)
            position.insert(store::foldKey(order.at(i).id), i);
        // The stored places of the lines shown now, in the order shown; each new line goes
        // after those that come before it in the database's order.
        std::vector<int> shown;
        for (const QString& component : model.componentsOf(assembly))
            shown.push_back(position.value(store::foldKey(component), INT_MAX));
        std::vector<int> places;
        for (const QString& component : added.value(store::foldKey(assembly))) {
            const auto stored = position.constFind(store::foldKey(component));
            if (stored != position.cend()) // gone again already: nothing to show
                places.push_back(*stored);
        }
        std::sort(places.begin(), places.end());
        places.erase(std::unique(places.begin(), places.end()), places.end());
        for (const int place : places) {
            int row = 0;
            for (int r = 0; r < int(shown.size()); ++r)
                if (shown[size_t(r)] < place)
                    row = r + 1;
            model.addLine(assembly, row, order.at(place), below);
            shown.insert(shown.begin() + row, place);
        }
    }
}

} // namespace tree
