#include "shell/edit/EditCommands.h"

#include "shell/edit/BulkCommands.h"
#include "shell/edit/LineCommands.h"
#include "shell/window/BomTreeView.h"
#include "shell/window/CommandContext.h"
#include "shell/window/CommandRegistry.h"
#include "tree/bill/BomDocument.h"
#include "tree/bill/BomTreeModel.h"
#include "tree/edits/EditHistory.h"
#include "tree/edits/LineEdits.h"

#include <QAction>
#include <QCoreApplication>

namespace shell {

namespace {

/// Undo or Redo as the Edit menu shows it: "&Undo Delete SUB-WIRE from TOP-100" (an '&' of
/// an ID is text, not the mark of a shortcut letter), disabled when there is nothing to take.
QAction* historyAction(CommandRegistry& commands, const char* id, tree::EditHistory& history,
                       const QString& verb, bool forward, const QKeySequence& shortcut) {
    QAction* action = commands.add(MenuGroup::EditUndo, id, verb, shortcut);
    const auto follow = [action, &history, verb, forward] {
        const QString step = forward ? history.redoText() : history.undoText();
        action->setText(step.isEmpty()
                            ? verb
                            : verb + u' ' + QString(step).replace(u'&', QStringLiteral("&&")));
        action->setEnabled(forward ? history.canRedo() : history.canUndo());
    };
    QObject::connect(&history, &tree::EditHistory::changed, action, follow);
    follow();
    return action;
}

} // namespace

void registerEditCommands(CommandContext& context) {
    CommandRegistry& commands = context.commands();
    tree::EditHistory& history = context.model().document().history();
    QAction* undo =
        historyAction(commands, "mnuUndo", history, QCoreApplication::translate("shell", "&Undo"),
                      false, QKeySequence::Undo);
    QAction* redo =
        historyAction(commands, "mnuRedo", history, QCoreApplication::translate("shell", "&Redo"),
                      true, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    QObject::connect(undo, &QAction::triggered, undo, [&context] { context.edits().undo(); });
    QObject::connect(redo, &QAction::triggered, redo, [&context] { context.edits().redo(); });

    // Add Component…, Cut, Copy, Paste, and Delete of one node or several.
    auto* lines = new LineCommands(context);
    lines->addTo(commands);
    BomTreeView& tree = context.tree();
    QObject::connect(&tree, &BomTreeView::deleteRequested, lines, &LineCommands::deleteSelected);
    QObject::connect(&tree, &BomTreeView::escapePressed, lines, &LineCommands::forgetCut);
    QObject::connect(&tree, &BomTreeView::nodeMoveDropped, lines, &LineCommands::moveNode);
    QObject::connect(&tree, &BomTreeView::itemDropped, lines, [&context, &tree](const QString& id) {
        context.edits().addComponent(tree.dropHighlight(), id);
        // However the drop ended, no node stays marked as its target.
        tree.setDropHighlight({});
    });
    // A quantity typed into the tree is written once the editor has closed, so that its
    // questions never run inside the view's editing.
    QObject::connect(
        &context.model(), &tree::BomTreeModel::quantityEntered, lines,
        [&context](const QPersistentModelIndex& node, const QString& text) {
            context.edits().changeQuantity(node, text);
        },
        Qt::QueuedConnection);

    // Replace, remove and copy many lines at once: the component as Where Used takes it, or
    // the one the Where Used window hands on.
    auto* bulk = new BulkCommands(context);
    bulk->addTo(commands);
    QObject::connect(&commands, &CommandRegistry::replaceRequested, bulk,
                     [bulk](const QString& item) { bulk->replace(item); });
    QObject::connect(&commands, &CommandRegistry::changesHeard, bulk, &BulkCommands::noteChanges);
}

} // namespace shell
