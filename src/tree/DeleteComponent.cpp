#include "shell/Desktop.h"
#include "store/Database.h"
#include "store/StoreError.h"
#include "tree/BomTreeModel.h"
#include "tree/BomTreeView.h"
#include "tree/TreeContext.h"
#include "tree/TreeEdits.h"
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
    const QString assembly = c.model.assemblyOf(node);
    const QString component = c.model.text(node);
    try {
        store::Database db(c.session.databasePath());
        if (!db.deleteLine(assembly, component))
            // Another program removed the line meanwhile. Its nodes go all the same: the tree
            // shows no line that the database does not hold.
            c.desktop.messageBox(QStringLiteral("Error in Database!  This item can not be located!"),
                                 shell::IconStop, ShortTitle);
    } catch (const store::StoreError& error) {
        c.desktop.messageBox(error.message(), shell::OkOnly);
        return;
    }
    // The assembly is one bill wherever it stands: the line leaves every copy of it.
    removeLineNodes(c.model, assembly, component);
}

} // namespace tree
