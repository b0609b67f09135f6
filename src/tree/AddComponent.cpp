#include "shell/Desktop.h"
#include "store/Database.h"
#include "store/ItemKey.h"
#include "store/StoreError.h"
#include "tree/BomTreeModel.h"
#include "tree/BomTreeView.h"
#include "tree/Quantity.h"
#include "tree/TreeContext.h"
#include "tree/TreeEdits.h"
#include "tree/TreeOperations.h"

#include <QDateTime>

namespace tree {

namespace {

void report(TreeContext& c, const store::StoreError& error) {
    c.desktop.messageBox(error.message(), shell::OkOnly);
}

/// Refuses a line that would make an item a component of itself, directly or through the
/// structure the component already has.
void refuseCircular(store::Database& db, const QString& assembly, const QString& component) {
    if (store::foldKey(assembly) == store::foldKey(component))
        throw store::StoreError(store::CircularComponent,
                                QStringLiteral("'%1' cannot be a component of itself.")
                                    .arg(component));
    if (db.structureContains(component, assembly))
        throw store::StoreError(
            store::CircularComponent,
            QStringLiteral("'%1' cannot be a component of '%2': '%2' is already part of the "
                           "structure of '%1'.")
                .arg(component, assembly));
}

} // namespace

void addDroppedComponent(TreeContext& c, const QString& component) {
    const QPersistentModelIndex target = c.TreeView1.dropHighlight();
    if (!target.isValid() || component.isEmpty())
        return;
    // However the drop ends, the highlight must not stay on a node afterwards.
    struct ClearHighlight {
        BomTreeView& view;
        ~ClearHighlight() { view.setDropHighlight({}); }
    } clearHighlight{c.TreeView1};

    const int answer = c.desktop.messageBox(QStringLiteral("Make Target Item A Parent?"),
                                            shell::YesNo | shell::IconQuestion, ShortTitle);
    // Esc or closing the box: the user has not decided, so the drop ends here.
    if (answer == shell::ResultCancel)
        return;
    const auto typed =
        c.desktop.inputBox(QStringLiteral("Enter the quantity required of the new component."),
                           QStringLiteral("Add BOM Item"), QStringLiteral("0"));
    if (!typed)
        return;
    const auto quantity = parseQuantity(*typed);
    if (!quantity) {
        report(c, store::StoreError(store::InvalidQuantity,
                                    QStringLiteral("'%1' is not a quantity: enter a number, "
                                                   "for example 2 or 0.5.")
                                        .arg(*typed)));
        return;
    }
    if (!target.isValid())
        return;

    const bool asChild = answer != shell::ResultNo;
    const QString assembly = asChild ? c.model.text(target) : c.model.assemblyOf(target);
    if (c.session.databasePath().isEmpty()) {
        c.session.openFileDialog();
        if (c.session.databasePath().isEmpty())
            return;
    }
    std::optional<store::StoreError> failure;
    try {
        store::Database db(c.session.databasePath());
        refuseCircular(db, assembly, component);
        db.addLine(assembly, component, *quantity, QDateTime::currentDateTime());
        // Only a saved line gets nodes: the tree never shows a line that is not in the
        // database. It gets them wherever its assembly stands, with their structure.
        failure = showAddedLine(c.model, db, assembly, component, c.nodeLimit, c.depthLimit);
    } catch (const store::StoreError& error) {
        failure = error;
    }
    if (failure)
        report(c, *failure);
}

} // namespace tree
