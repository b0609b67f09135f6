#include "shell/whereused/WhereUsedCommands.h"

#include "shell/window/CommandContext.h"
#include "shell/window/CommandRegistry.h"

#include "shell/live/ChangeNote.h"

#include "desktop/Desktop.h"
#include "shell/whereused/WhereUsedDialog.h"
#include "store/Store.h"
#include "store/StoreError.h"
#include "tree/DatabaseSession.h"
#include "tree/reports/WhereUsedReport.h"

#include <QAction>
#include <QCoreApplication>

namespace shell {

WhereUsedCommands::WhereUsedCommands(CommandContext& context)
    : QObject(context.window()), m_context(context) {}

void registerWhereUsedCommands(CommandContext& context) {
    CommandRegistry& commands = context.commands();
    auto* whereUsed = new WhereUsedCommands(context);
    QAction* run = commands.add(MenuGroup::EditWhereUsed, "mnuWhereUsed",
                                QCoreApplication::translate("shell", "&Where Used"),
                                QKeySequence(Qt::CTRL | Qt::Key_U));
    QObject::connect(run, &QAction::triggered, whereUsed, &WhereUsedCommands::run);
    // The window's "Replace Component…" hands its item to whichever feature replaces.
    whereUsed->setReplace(
        [&commands](const QString& item) { Q_EMIT commands.replaceRequested(item); });
    QObject::connect(&commands, &CommandRegistry::databaseLeft, whereUsed,
                     &WhereUsedCommands::closeWindow);
    QObject::connect(&commands, &CommandRegistry::changesHeard, whereUsed,
                     &WhereUsedCommands::noteChanges);
}

void WhereUsedCommands::run() {
    // With no item, the numbered message says what to choose.
    const auto report = tree::findWhereUsed(m_context.desktop(), m_context.databasePath(),
                                            m_context.currentItem());
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
        m_dialog->noteChange(
            changeNoteFor(changes, m_dialog->assemblies(),
                          tr("run Where Used again to see them as they are now.")));
}

} // namespace shell
