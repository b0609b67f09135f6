#include "shell/Desktop.h"
#include "store/Database.h"
#include "store/StoreError.h"
#include "tree/BomTreeModel.h"
#include "tree/BomTreeView.h"
#include "tree/TreeContext.h"
#include "tree/TreeOperations.h"

namespace tree {

void deleteSelectedComponent(TreeContext& c) {
    const QPersistentModelIndex node = c.TreeView1.selectedNode();
    if (!node.isValid())
        return;
    if (c.desktop.messageBox(QStringLiteral("Delete Selected Item?"),
                             shell::OkCancel | shell::IconStop, ShortTitle) == shell::ResultCancel)
        return;
    if (!node.isValid())
        return;
    try {
        store::Database db(c.session.databasePath());
        if (!db.deleteLine(c.model.assemblyOf(node), c.model.text(node))) {
            c.desktop.messageBox(QStringLiteral("Error in Database!  This item can not be located!"),
                                 shell::IconStop, ShortTitle);
            return;
        }
    } catch (const store::StoreError& error) {
        c.desktop.messageBox(error.message(), shell::OkOnly);
        return;
    }
    c.model.removeNode(node);
}

} // namespace tree
