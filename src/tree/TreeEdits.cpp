#include "tree/TreeEdits.h"

#include "store/ItemKey.h"
#include "store/Store.h"
#include "tree/BomTreeModel.h"

#include <QHash>

#include <climits>

namespace tree {

void showAddedLine(BomTreeModel& model, store::Store& db, const QString& assembly,
                   const QString& component) {
    if (!model.holdsBill(assembly) || model.hasLine(assembly, component))
        return;
    // Siblings stand in the order the database lists them, as a load would show them.
    const store::ComponentLines order = db.componentsOfEach({assembly}).front();
    QHash<QString, int> position;
    for (int i = 0; i < order.size(); ++i)
        position.insert(store::foldKey(order.at(i).id), i);
    const QString key = store::foldKey(component);
    const auto stored = position.constFind(key);
    if (stored == position.cend())
        return; // gone again already: there is nothing to show
    int row = 0;
    const QStringList shown = model.componentsOf(assembly);
    for (int r = 0; r < shown.size(); ++r)
        if (position.value(store::foldKey(shown.at(r)), INT_MAX) < *stored)
            row = r + 1;
    const QHash<QString, store::ComponentLines> below =
        model.holdsBill(component) ? QHash<QString, store::ComponentLines>()
                                   : db.reachableLines(component);
    model.addLine(assembly, row, order.at(*stored), below);
}

} // namespace tree
