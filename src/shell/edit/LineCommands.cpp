#include "shell/edit/LineCommands.h"

#include "desktop/Desktop.h"
#include "shell/window/BomTreeView.h"
#include "shell/window/CommandContext.h"
#include "shell/edit/ItemPickDialog.h"
#include "shell/edit/LineClipboard.h"
#include "shell/edit/PasteColumnsDialog.h"
#include "shell/edit/PasteDialog.h"
#include "store/ItemKey.h"
#include "store/Store.h"
#include "store/StoreError.h"
#include "tree/AlsoUsed.h"
#include "tree/LineEdits.h"
#include "tree/Texts.h"
#include "tree/LinePaste.h"
#include "tree/BomTreeModel.h"
#include "tree/Quantity.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QSet>
#include <QSettings>

namespace shell {

namespace {

/// The answers about pasted headers, by header (pasteHeaderKey): the item ID's and the
/// quantity's columns.
const QString PasteColumnsKey = QStringLiteral("paste/headerColumns");

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

void LineCommands::addTo(QMenu* editMenu, QAction* before) {
    QAction* add = makeAction(this, "mnuAddComponent", QStringLiteral("&Add Component…"),
                              QKeySequence(Qt::Key_Insert));
    QAction* copy = makeAction(this, "mnuCopy", QStringLiteral("&Copy"), QKeySequence::Copy);
    QAction* paste = makeAction(this, "mnuPaste", QStringLiteral("&Paste"), QKeySequence::Paste);
    connect(add, &QAction::triggered, this, &LineCommands::addComponent);
    connect(copy, &QAction::triggered, this, &LineCommands::copy);
    connect(paste, &QAction::triggered, this, &LineCommands::paste);
    editMenu->insertActions(before, {add, copy, paste});
    editMenu->insertSeparator(before);
}

std::optional<tree::PasteColumns> LineCommands::pasteColumns(const QStringList& header) {
    // The answer for a header is kept with the window's settings: the next paste of the same
    // columns, from the same spreadsheet or system, asks nothing.
    const QString key = pasteHeaderKey(header);
    QSettings& settings = m_context.settings();
    QVariantMap known = settings.value(PasteColumnsKey).toMap();
    const QVariantList kept = known.value(key).toList();
    if (kept.size() == 2) {
        const tree::PasteColumns columns{kept[0].toInt(), kept[1].toInt()};
        if (columns.id >= 0 && columns.quantity >= 0 && columns.id < header.size() &&
            columns.quantity < header.size() && columns.id != columns.quantity)
            return columns;
    }
    PasteColumnsDialog ask(header, m_tree.window());
    if (m_desktop.runDialog(ask) != QDialog::Accepted)
        return std::nullopt;
    const tree::PasteColumns chosen = ask.chosen();
    known.insert(key, QVariantList{chosen.id, chosen.quantity});
    settings.setValue(PasteColumnsKey, known);
    return chosen;
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
                                 ? QStringLiteral("No bill is loaded: load an item's bill first.")
                                 : QStringLiteral("No node is current: choose the node the "
                                                  "lines go to."))
               .message());
    return false;
}

void LineCommands::addComponent() {
    QModelIndex current;
    if (!target(current))
        return;
    const QPersistentModelIndex node = current;
    const auto items = m_edits.itemLines();
    if (!items)
        return;
    ItemPickDialog dialog(QStringLiteral("Add Component"),
                          QStringLiteral("The item to add at %1:")
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

void LineCommands::deleteSelected() {
    const std::vector<QModelIndex> selected = m_tree.selectedNodes();
    if (selected.size() <= 1) {
        m_edits.deleteComponent(selected.empty() ? QModelIndex() : selected.front());
        return;
    }
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
    m_context.showStatus(count == 1 ? QStringLiteral("Copied 1 line.")
                            : QStringLiteral("Copied %1 lines.").arg(count));
}

void LineCommands::paste() {
    QModelIndex current;
    if (!target(current))
        return;
    const QPersistentModelIndex node = current;
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
        const int answer = m_desktop.messageBox(
            QStringLiteral("Make Target Item A Parent?"), desktop::YesNo | desktop::IconQuestion,
            tree::ShortTitle,
            m_edits.withAlsoUsed(
                QStringLiteral("Yes: the %1 into %2. No: beside %2, into %3.")
                    .arg(tree::counted(qint64(lines.size()), QStringLiteral("pasted line goes"),
                                       QStringLiteral("pasted lines go")),
                         m_model.text(node), m_model.assemblyOf(node)),
                {{m_model.text(node), m_model.assemblyOf(node)},
                 {m_model.assemblyOf(node), tree::assemblyAbove(m_model, node)}}));
        // Esc: the user has not decided, and nothing is written.
        if (answer == desktop::ResultCancel || !node.isValid())
            return;
        assembly = answer == desktop::ResultNo ? m_model.assemblyOf(node) : m_model.text(node);
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
    m_edits.writeLines(batch, batch.added.size() == 1
                                   ? QStringLiteral("Paste 1 line into %1").arg(assembly)
                                   : QStringLiteral("Paste %1 lines into %2")
                                         .arg(batch.added.size())
                                         .arg(assembly));
}

} // namespace shell
