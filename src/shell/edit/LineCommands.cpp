#include "shell/edit/LineCommands.h"

#include "desktop/Desktop.h"
#include "shell/edit/ItemPickDialog.h"
#include "shell/edit/LineClipboard.h"
#include "shell/edit/PasteColumnsDialog.h"
#include "shell/edit/PasteDialog.h"
#include "shell/window/BomTreeView.h"
#include "shell/window/CommandContext.h"
#include "shell/window/CommandRegistry.h"
#include "store/ItemKey.h"
#include "store/Store.h"
#include "store/StoreError.h"
#include "tree/Texts.h"
#include "tree/bill/BomTreeModel.h"
#include "tree/edits/AlsoUsed.h"
#include "tree/edits/LineEdits.h"
#include "tree/edits/LinePaste.h"
#include "tree/edits/Quantity.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QSet>

namespace shell {

namespace {

QAction* makeAction(QObject* parent, const char* name, const QString& text,
                    const QKeySequence& shortcut) {
    auto* action = new QAction(text, parent);
    action->setObjectName(QLatin1StringView(name));
    action->setShortcut(shortcut);
    return action;
}

} // namespace

LineCommands::LineCommands(CommandContext& context)
    : QObject(context.window()), m_context(context), m_desktop(context.desktop()),
      m_edits(context.edits()), m_model(context.model()), m_tree(context.tree()) {}

void LineCommands::addTo(CommandRegistry& commands) {
    QAction* add =
        makeAction(this, "mnuAddComponent", tr("&Add Component…"), QKeySequence(Qt::Key_Insert));
    QAction* cut = makeAction(this, "mnuCut", tr("Cu&t"), QKeySequence::Cut);
    QAction* copy = makeAction(this, "mnuCopy", tr("&Copy"), QKeySequence::Copy);
    QAction* paste = makeAction(this, "mnuPaste", tr("&Paste"), QKeySequence::Paste);
    QAction* remove = makeAction(this, "mnuDelete", tr("&Delete"), QKeySequence(Qt::Key_Delete));
    // Del deletes a line only where the tree has the keyboard: in the Item ID or the find
    // fields it deletes a character, in the list it does nothing.
    remove->setShortcutContext(Qt::WidgetShortcut);
    m_tree.addAction(remove);
    connect(add, &QAction::triggered, this, &LineCommands::addComponent);
    connect(cut, &QAction::triggered, this, &LineCommands::cut);
    connect(copy, &QAction::triggered, this, &LineCommands::copy);
    connect(paste, &QAction::triggered, this, &LineCommands::paste);
    connect(remove, &QAction::triggered, this, &LineCommands::deleteSelected);
    for (QAction* action : {add, cut, copy, paste, remove})
        commands.add(MenuGroup::EditLines, action);
    // Copying or cutting anything else gives the cut up: its lines stay where they are.
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        if (hasCut() && (!data || data->data(tree::LinesMimeType) != m_cutData))
            forgetCut();
    });
    // A new load or another database: the lines cut belong to what was shown.
    connect(&m_model, &QAbstractItemModel::modelReset, this, &LineCommands::forgetCut);
}

std::optional<tree::PasteColumns> LineCommands::pasteColumns(const QStringList& header) {
    return askPasteColumns(m_desktop, m_context.settings(), m_tree.window(), header);
}

void LineCommands::report(const QString& message) { m_desktop.messageBox(message, desktop::OkOnly); }

bool LineCommands::target(QModelIndex& node) {
    node = m_tree.currentIndex().siblingAtColumn(tree::ItemIdColumn);
    if (node.isValid())
        return true;
    // A new bill starts on the empty tree of the item loaded, as a drop there starts it.
    if (m_model.rowCount() == 0 && !m_model.topAssembly().isEmpty())
        return true;
    report(store::StoreError(store::NoNodeChosen,
                             m_model.topAssembly().isEmpty()
                                 ? tr("No bill is loaded: load an item's bill first.")
                                 : tr("No node is current: choose the node the "
                                      "lines go to."))
               .message());
    return false;
}

void LineCommands::addComponent() {
    QModelIndex current;
    if (m_edits.refusesEdits() || !target(current))
        return;
    const QPersistentModelIndex node = current;
    const auto items = m_edits.itemLines();
    if (!items)
        return;
    ItemPickDialog dialog(tr("Add Component"),
                          tr("The item to add at %1:")
                              .arg(node.isValid() ? m_model.text(node) : m_model.topAssembly()),
                          *items, m_tree.window());
    dialog.setObjectName(QStringLiteral("AddComponent"));
    if (m_desktop.runDialog(dialog) != QDialog::Accepted || dialog.chosen().isEmpty())
        return;
    // A node that went while the box was open takes nothing.
    if (current.isValid() && !node.isValid())
        return;
    m_edits.addComponent(node, dialog.chosen());
}

std::vector<QModelIndex> LineCommands::chosenNodes() const {
    std::vector<QModelIndex> selected = m_tree.selectedNodes();
    if (selected.empty() && m_tree.currentIndex().isValid())
        selected.push_back(m_tree.currentIndex().siblingAtColumn(tree::ItemIdColumn));
    if (selected.size() <= 1)
        return selected;
    // A node below another selected one goes with that one's line: its own line, in the
    // bill of a sub-assembly that may be used elsewhere, is left alone.
    QSet<QPersistentModelIndex> chosen(selected.begin(), selected.end());
    std::vector<QModelIndex> nodes;
    QSet<QString> seen;
    for (const QModelIndex& node : selected) {
        bool below = false;
        for (QModelIndex up = node.parent(); up.isValid() && !below; up = up.parent())
            below = chosen.contains(up);
        if (below)
            continue;
        // The same line shown under two copies of its assembly is one line.
        const QString key = store::foldKey(m_model.assemblyOf(node)) + QChar(0) +
                            store::foldKey(m_model.text(node));
        if (seen.contains(key))
            continue;
        seen.insert(key);
        nodes.push_back(node);
    }
    return nodes;
}

void LineCommands::deleteSelected() {
    const std::vector<QModelIndex> selected = m_tree.selectedNodes();
    if (selected.size() <= 1) {
        m_edits.deleteComponent(selected.empty() ? QModelIndex() : selected.front());
        return;
    }
    const std::vector<QModelIndex> nodes = chosenNodes();
    if (nodes.size() == 1) {
        m_edits.deleteComponent(nodes.front());
        return;
    }
    m_edits.deleteLines(nodes);
}

void LineCommands::copy() {
    std::vector<QModelIndex> nodes = m_tree.selectedNodes();
    if (nodes.empty() && m_tree.currentIndex().isValid())
        nodes.push_back(m_tree.currentIndex().siblingAtColumn(tree::ItemIdColumn));
    if (nodes.empty())
        return;
    QMimeData* data = copiedLinesData(m_model, nodes);
    const int count =
        int(tree::readOwnLines(data->data(tree::LinesMimeType)).lines.size());
    QGuiApplication::clipboard()->setMimeData(data);
    m_context.showStatus(tr("Copied %n line(s).", nullptr, count));
}

void LineCommands::cut() {
    const std::vector<QModelIndex> nodes = chosenNodes();
    if (nodes.empty())
        return;
    std::vector<tree::MovedLine> lines;
    std::vector<std::pair<QString, QString>> shown;
    for (const QModelIndex& node : nodes) {
        lines.push_back({m_model.assemblyOf(node), m_model.text(node), m_model.quantity(node)});
        shown.emplace_back(lines.back().assembly, lines.back().component);
    }
    QMimeData* data = copiedLinesData(m_model, nodes);
    const QByteArray own = data->data(tree::LinesMimeType);
    // The clipboard says it changed before it is known to hold the cut: the old cut goes first.
    forgetCut();
    QGuiApplication::clipboard()->setMimeData(data);
    m_cut = std::move(lines);
    m_cutData = own;
    m_model.setCutLines(shown);
    m_context.showStatus(tr("Cut %n line(s): Paste moves it (them), Esc keeps it (them).", nullptr,
                            int(m_cut.size())));
}

void LineCommands::forgetCut() {
    if (m_cut.empty())
        return;
    m_cut.clear();
    m_cutData.clear();
    m_model.setCutLines({});
}

void LineCommands::pasteCut(const QModelIndex& node) {
    const std::vector<tree::MovedLine> lines = m_cut;
    const tree::MoveOutcome outcome = m_edits.moveLines(lines, node);
    if (outcome == tree::MoveOutcome::Kept)
        return;
    forgetCut();
    // Moved lines are not there to be pasted again as copies.
    if (outcome == tree::MoveOutcome::Moved)
        QGuiApplication::clipboard()->clear();
}

void LineCommands::moveNode(const QModelIndex& node, const QModelIndex& target) {
    if (!node.isValid() || !target.isValid())
        return;
    m_edits.moveLines({{m_model.assemblyOf(node), m_model.text(node), m_model.quantity(node)}},
                      target);
}

void LineCommands::paste() {
    QModelIndex current;
    if (m_edits.refusesEdits() || !target(current))
        return;
    const QPersistentModelIndex node = current;
    if (const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        hasCut() && data && data->data(tree::LinesMimeType) == m_cutData) {
        pasteCut(node);
        return;
    }
    tree::PastedLines pasted =
        pastedLines(QGuiApplication::clipboard()->mimeData(), QLocale(),
                    [this](const QStringList& header) { return pasteColumns(header); });
    // Cancel at the question about the columns: nothing is pasted, nothing more is asked.
    if (pasted.cancelled)
        return;
    if (!pasted.problem.isEmpty()) {
        report(pasted.problem);
        return;
    }
    std::vector<tree::PastedLine>& lines = pasted.lines;
    QString assembly = m_model.topAssembly();
    if (node.isValid()) {
        const std::optional<QString> chosen = m_edits.askParentAt(
            node, tr("the %Ln pasted line(s) go(es)", nullptr, int(lines.size())));
        // Esc: the user has not decided, and nothing is written.
        if (!chosen)
            return;
        assembly = *chosen;
    }
    // Each item as the Item Master spells it, and each line the write would refuse refused.
    if (!m_edits.checkPasted(assembly, lines))
        return;
    PasteDialog preview(assembly, lines, m_tree.window());
    if (m_desktop.runDialog(preview) != QDialog::Accepted || preview.addable() == 0)
        return;
    // Started now, as a drop's line starts when it is written; the write checks every line
    // again, and refuses the whole paste if anything changed since the preview.
    const store::LineBatch batch = tree::pastedBatch(assembly, lines);
    if (batch.added.empty())
        return;
    QStringList unlikely;
    for (const store::LineRow& row : batch.added)
        if (row.quantity.toDouble() <= 0)
            unlikely.append(tree::lineText(row.assembly, row.component, row.quantity.toDouble()));
    if (!m_edits.confirmUnlikelyQuantities(unlikely))
        return;
    // Named in English, as the database's change history records every command's name.
    m_edits.writeLines(batch, batch.added.size() == 1
                                   ? QStringLiteral("Paste 1 line into %1").arg(assembly)
                                   : QStringLiteral("Paste %1 lines into %2")
                                         .arg(batch.added.size())
                                         .arg(assembly));
}

} // namespace shell
