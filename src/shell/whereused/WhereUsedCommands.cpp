#include "shell/whereused/WhereUsedCommands.h"

#include "shell/window/CommandContext.h"
#include "shell/window/BomTreeView.h"
#include "shell/window/ItemList.h"

#include "shell/live/ChangeNote.h"

#include "shell/whereused/WhereUsedDialog.h"
#include "desktop/Desktop.h"
#include "store/Store.h"
#include "store/StoreError.h"
#include "tree/DatabaseSession.h"
#include "tree/WhereUsedReport.h"

#include <QApplication>
#include <QAbstractItemView>
#include <QTreeView>

namespace shell {

WhereUsedCommands::WhereUsedCommands(CommandContext& context)
    : QObject(context.window()), m_context(context), m_tree(context.tree()),
      m_list(context.list()) {
    // The menu takes the focus while it is open, so the item follows the control that had it
    // last, not the one that has it now.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now == &m_tree)
            m_treeLast = true;
        else if (now == &m_list)
            m_treeLast = false;
    });
}

std::optional<QString> WhereUsedCommands::item() const {
    const QModelIndex current = m_treeLast ? m_tree.currentIndex() : m_list.currentIndex();
    if (!current.isValid())
        return std::nullopt;
    // Whatever column of the node is current, the item is its ID.
    return current.siblingAtColumn(0).data().toString();
}

void WhereUsedCommands::run() {
    // With no item, the numbered message says what to choose.
    const auto report = tree::findWhereUsed(m_context.desktop(), m_context.databasePath(), item());
    if (!report)
        return;
    if (!m_dialog) {
        m_dialog = new WhereUsedDialog([this](const QString& id) { m_context.loadItem(id); },
                                       m_context.window());
        m_dialog->setReplace(m_replace);
    }
    m_dialog->showReport(*report);
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}

} // namespace shell

namespace shell {

void WhereUsedCommands::closeWindow() {
    if (m_dialog)
        m_dialog->close();
}

void WhereUsedCommands::noteChanges(const store::Changes& changes) {
    if (m_dialog && m_dialog->isVisible())
        m_dialog->noteChange(changeNoteFor(
            changes, m_dialog->assemblies(),
            QStringLiteral("run Where Used again to see them as they are now.")));
}

} // namespace shell
