#include "tree/TreeEdits.h"

#include "store/Store.h"
#include "store/ItemKey.h"
#include "tree/BomTreeModel.h"
#include "tree/StructureBuilder.h"

#include <QHash>

#include <climits>

namespace tree {

std::optional<store::StoreError> showAddedLine(BomTreeModel& model, store::Store& db,
                                               const QString& assembly,
                                               const QString& component, int nodeLimit,
                                               int depthLimit) {
    const auto places = model.placesOf(assembly);
    if (places.empty())
        return std::nullopt;
    try {
        // Siblings stand in the order the database lists them, as a load would show them.
        StructureBuilder builder(db, nodeLimit, depthLimit);
        const store::ComponentLines order = builder.linesOf(assembly);
        QHash<QString, int> position;
        for (int i = 0; i < order.size(); ++i)
            position.insert(store::foldKey(order.at(i).id), i);
        const int newPosition = position.value(store::foldKey(component), int(order.size()));

        for (const QPersistentModelIndex& place : places) {
            int row = 0;
            for (int r = 0; r < model.rowCount(place); ++r)
                if (position.value(store::foldKey(model.text(model.index(r, 0, place))), INT_MAX) <
                    newPosition)
                    row = r + 1;
            std::optional<store::StoreError> failure;
            try {
                builder.buildComponent(model.pathTo(place), component,
                                       nodeLimit - model.nodeCount());
            } catch (const store::StoreError& error) {
                failure = error;
            }
            // What was built before a limit stays, marked where it stopped, as after a load.
            model.insertSubtree(place, row, std::move(builder.nodes()));
            if (failure)
                return failure;
        }
    } catch (const store::StoreError& error) {
        return error;
    }
    return std::nullopt;
}

void removeLineNodes(BomTreeModel& model, const QString& assembly, const QString& component) {
    for (const QPersistentModelIndex& node : model.nodesOfLine(assembly, component))
        if (node.isValid()) // not already gone with the subtree of another one
            model.removeNode(node);
}

} // namespace tree
