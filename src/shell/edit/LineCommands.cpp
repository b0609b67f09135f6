#include "shell/edit/LineCommands.h"

#include "desktop/Desktop.h"
#include "shell/window/BomTreeView.h"
#include "shell/edit/ItemPickDialog.h"
#include "shell/edit/LineClipboard.h"
#include "shell/edit/PasteDialog.h"
#include "store/ItemKey.h"
#include "store/Store.h"
#include "store/StoreError.h"
#include "tree/AlsoUsed.h"
#include "tree/BomEditor.h"
#include "tree/BomTreeModel.h"
#include "tree/Quantity.h"
#include "tree/StoreWaiting.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QSet>

namespace shell {

namespace {

/// The lines a question lists before it says how many more there are.
constexpr int ListedLines = 12;

QAction* makeAction(QObject* parent, const char* name, const QString& text,
                    const QKeySequence& shortcut) {
    auto* action = new QAction(text, parent);
    action->setObjectName(QLatin1StringView(name));
    action->setShortcut(shortcut);
    return action;
}

/// "MAST → 1551AGY, quantity 2", as the editor's other questions name a line.
QString lineText(const QString& assembly, const QString& component,
                 std::optional<double> quantity) {
    return QStringLiteral("%1 \u2192 %2, %3")
        .arg(assembly, component,
             quantity ? QStringLiteral("quantity %1").arg(tree::formatQuantity(*quantity))
                      : QStringLiteral("no quantity"));
}

/// The texts one a line, the first ListedLines of them, then how many more.
QString shortened(const QStringList& texts) {
    QStringList shown = texts.mid(0, ListedLines);
    if (texts.size() > ListedLines)
        shown.append(QStringLiteral("and %1 more").arg(texts.size() - ListedLines));
    return shown.join(u'\n');
}

} // namespace

LineCommands::LineCommands(desktop::Desktop& desktop, tree::BomEditor& editor,
                           tree::BomTreeModel& model, BomTreeView& tree,
                           std::function<QString()> databasePath,
                           std::function<void(const QString&)> showStatus, QObject* parent)
    : QObject(parent), m_desktop(desktop), m_editor(editor), m_model(model), m_tree(tree),
      m_databasePath(std::move(databasePath)), m_showStatus(std::move(showStatus)) {}

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
    std::vector<store::ItemLine> items;
    try {
        items = tree::openStoreWaiting(m_desktop, m_databasePath())->itemLines();
    } catch (const store::StoreError& error) {
        report(error.message());
        return;
    }
    ItemPickDialog dialog(QStringLiteral("Add Component"),
                          QStringLiteral("The item to add at %1:")
                              .arg(node.isValid() ? m_model.text(node) : m_model.topAssembly()),
                          items, m_tree.window());
    dialog.setObjectName(QStringLiteral("AddComponent"));
    if (m_desktop.runDialog(dialog) != QDialog::Accepted || dialog.chosen().isEmpty())
        return;
    // A node that went while the box was open takes nothing.
    if (current.isValid() && !node.isValid())
        return;
    m_editor.addComponent(node, dialog.chosen());
}

void LineCommands::deleteSelected() {
    const std::vector<QModelIndex> selected = m_tree.selectedNodes();
    if (selected.size() <= 1) {
        m_editor.deleteComponent(selected.empty() ? QModelIndex() : selected.front());
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
        m_editor.deleteComponent(nodes.front());
        return;
    }
    // Each line as stored, read before the question that lists it: the write deletes only
    // what was listed, and a line another program changes while the question is open is
    // refused (LineChanged), with nothing deleted.
    store::LineBatch batch;
    QStringList gone;
    std::vector<std::pair<QString, QString>> goneLines;
    std::vector<std::pair<QString, QString>> changed; // each line's assembly, and the one above
    for (const QModelIndex& node : nodes)
        changed.emplace_back(m_model.assemblyOf(node), tree::assemblyAbove(m_model, node));
    try {
        const std::unique_ptr<store::Store> db =
            tree::openStoreWaiting(m_desktop, m_databasePath());
        for (const QModelIndex& node : nodes) {
            const QString assembly = m_model.assemblyOf(node);
            const QString component = m_model.text(node);
            if (auto row = db->findLine(assembly, component)) {
                batch.removed.push_back(std::move(*row));
            } else {
                gone.append(assembly + QStringLiteral(" \u2192 ") + component);
                goneLines.emplace_back(assembly, component);
            }
        }
    } catch (const store::StoreError& error) {
        report(error.message());
        return;
    }
    if (!gone.isEmpty()) {
        report(store::StoreError(store::LineChanged,
                                 QStringLiteral("Another program has removed these lines "
                                                "meanwhile; nothing was deleted:\n%1")
                                     .arg(shortened(gone)))
                   .message());
        // The tree shows no line that the database does not hold.
        for (const auto& [assembly, component] : goneLines)
            m_model.removeLine(assembly, component);
        return;
    }
    QStringList texts;
    for (const store::LineRow& row : batch.removed) {
        bool number = false;
        const double quantity = row.quantity.toDouble(&number);
        texts.append(lineText(row.assembly, row.component,
                              number && !row.quantity.isNull() ? std::optional(quantity)
                                                               : std::nullopt));
    }
    if (m_desktop.messageBox(QStringLiteral("Delete %1 Selected Lines?").arg(batch.removed.size()),
                             desktop::OkCancel | desktop::IconStop, tree::ShortTitle,
                             m_editor.withAlsoUsed(
                                 QStringLiteral("Deletes these lines, all or none:\n%1")
                                     .arg(shortened(texts)),
                                 changed)) == desktop::ResultCancel)
        return;
    m_editor.writeLines(batch, QStringLiteral("Delete %1 lines").arg(batch.removed.size()));
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
    m_showStatus(count == 1 ? QStringLiteral("Copied 1 line.")
                            : QStringLiteral("Copied %1 lines.").arg(count));
}

void LineCommands::paste() {
    QModelIndex current;
    if (!target(current))
        return;
    const QPersistentModelIndex node = current;
    tree::PastedLines pasted = pastedLines(QGuiApplication::clipboard()->mimeData());
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
            m_editor.withAlsoUsed(
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
    // Every item must be in the Item Master, and goes in as it spells the ID.
    try {
        const std::unique_ptr<store::Store> db =
            tree::openStoreWaiting(m_desktop, m_databasePath());
        QStringList wanted;
        for (const tree::PastedLine& line : lines)
            wanted.append(line.component);
        const std::vector<std::optional<store::Item>> items = db->findItems(wanted);
        for (size_t at = 0; at < lines.size(); ++at) {
            tree::PastedLine& line = lines[at];
            if (!line.refusal.isEmpty())
                continue;
            if (const auto& item = items[at])
                line.component = item->id;
            else
                line.refusal = store::StoreError(store::PasteUnknownItem,
                                                 QStringLiteral("'%1' is not in the Item Master.")
                                                     .arg(line.component))
                                   .message();
        }
    } catch (const store::StoreError& error) {
        report(error.message());
        return;
    }
    tree::refuseRepeats(lines);
    const auto batchOf = [&](std::vector<size_t>* taken) {
        store::LineBatch batch;
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i].refusal.isEmpty()) {
                batch.added.push_back(store::newLine(assembly, lines[i].component, *lines[i].quantity));
                if (taken)
                    taken->push_back(i);
            }
        return batch;
    };
    std::vector<size_t> taken;
    const store::LineBatch checked = batchOf(&taken);
    if (!checked.added.empty()) {
        const auto refusals = m_editor.checkLines(checked);
        if (!refusals)
            return;
        for (size_t i = 0; i < taken.size() && i < refusals->added.size(); ++i)
            if (const auto& refused = refusals->added[i])
                lines[taken[i]].refusal = refused->message();
    }
    PasteDialog preview(assembly, lines, m_tree.window());
    if (m_desktop.runDialog(preview) != QDialog::Accepted || preview.addable() == 0)
        return;
    // Started now, as a drop's line starts when it is written; the write checks every line
    // again, and refuses the whole paste if anything changed since the preview.
    const store::LineBatch batch = batchOf(nullptr);
    if (batch.added.empty())
        return;
    QStringList unlikely;
    for (const store::LineRow& row : batch.added)
        if (row.quantity.toDouble() <= 0)
            unlikely.append(lineText(row.assembly, row.component, row.quantity.toDouble()));
    if (!m_editor.confirmUnlikelyQuantities(unlikely))
        return;
    m_editor.writeLines(batch, batch.added.size() == 1
                                   ? QStringLiteral("Paste 1 line into %1").arg(assembly)
                                   : QStringLiteral("Paste %1 lines into %2")
                                         .arg(batch.added.size())
                                         .arg(assembly));
}

} // namespace shell
