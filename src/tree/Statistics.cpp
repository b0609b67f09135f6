#include "shell/Desktop.h"
#include "store/Database.h"
#include "store/StoreError.h"
#include "tree/BomTreeModel.h"
#include "tree/Quantity.h"
#include "tree/TreeContext.h"
#include "tree/TreeOperations.h"

#include <QLabel>

namespace tree {

void showStatistics(TreeContext& c, const QModelIndex& node) {
    const auto clearFields = [&] {
        c.Label8.clear();
        c.Label9.clear();
        c.Label7.clear();
    };
    // With no node current there is nothing to show, and nothing of another node may stay.
    if (!node.isValid()) {
        clearFields();
        return;
    }
    c.statusText.setText(QStringLiteral("...accessing Item Master record..."));
    if (c.session.databasePath().isEmpty()) {
        // Chosen for this run only: the remembered database stays the one of the last start.
        const auto chosen = c.desktop.openFile(shell::FileDialogTitle);
        if (!chosen) {
            c.statusText.setText(c.session.databasePath());
            return;
        }
        c.session.setDatabasePath(*chosen);
    }
    try {
        store::Database db(c.session.databasePath());
        const QString component = c.model.text(node);
        // The node's own line: (parent node, node), or (loaded item, node) at the top level.
        const auto line = db.findQuantity(c.model.assemblyOf(node), component);
        c.Label8.setText(line && *line ? formatQuantity(**line) : QString());
        if (const auto item = db.findItem(component)) {
            c.Label9.setText(item->unit.value_or(QString()));
            c.Label7.setText(item->description.value_or(NoDescription));
        } else {
            c.Label9.clear();
            c.Label7.clear();
        }
    } catch (const store::StoreError& error) {
        // Half a read would show this node's quantity beside another node's description.
        clearFields();
        c.desktop.messageBox(error.message(), shell::OkOnly);
    }
    c.statusText.setText(c.session.databasePath());
}

} // namespace tree
