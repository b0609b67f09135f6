#include "shell/check/CheckDatabaseCommands.h"

#include "shell/check/CheckDatabaseDialog.h"
#include "shell/window/CommandContext.h"
#include "shell/window/CommandRegistry.h"

#include "desktop/Desktop.h"
#include "store/DatabaseCheck.h"
#include "store/Store.h"
#include "store/StoreError.h"
#include "tree/StoreWaiting.h"
#include "tree/bill/BomTreeModel.h"

#include <QAction>
#include <QCoreApplication>

namespace shell {

CheckDatabaseCommands::CheckDatabaseCommands(CommandContext& context)
    : QObject(context.window()), m_context(context), m_desktop(context.desktop()) {}

void registerCheckDatabaseCommands(CommandContext& context) {
    auto* check = new CheckDatabaseCommands(context);
    QAction* run = context.commands().add(MenuGroup::ToolsCheck, "mnuCheckDatabase",
                                          QCoreApplication::translate("shell", "&Check Database"));
    QObject::connect(run, &QAction::triggered, check, &CheckDatabaseCommands::run);
    QObject::connect(&context.commands(), &CommandRegistry::databaseLeft, check,
                     &CheckDatabaseCommands::closeWindow);
}

void CheckDatabaseCommands::run() {
    const QString location = m_context.databasePath();
    std::optional<store::CheckReport> report;
    std::optional<store::StoreError> failure;
    {
        const desktop::BusyPointer busy(m_desktop);
        // The progress window closes before any message about the outcome appears.
        const QString label = tr("Checking %1…").arg(store::shownLocation(location));
        const auto progress = m_desktop.startProgress(label, tr("Check Database"));
        try {
            // The reading runs off the window's thread; the progress is shown on it.
            report = tree::checkDatabase(m_desktop, location, label,
                                         [&progress](qint64 done, qint64 total) {
                                             return progress->advance(done, total);
                                         },
                                         m_context.model().wholeUnits());
        } catch (const store::StoreError& error) {
            failure = error;
        }
    }
    if (failure) {
        // The user's own Cancel of the busy box needs no message, as that of the progress.
        if (failure->number() != store::OperationCancelled)
            m_desktop.messageBox(failure->message(), desktop::OkOnly);
        return;
    }
    if (!report)
        return; // cancelled: the check only reads, so nothing is left to say
    if (!m_dialog)
        m_dialog = new CheckDatabaseDialog(
            m_desktop, [this](const QString& id) { m_context.loadItem(id); }, m_context.window());
    m_dialog->showReport(std::move(*report), location);
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}

void CheckDatabaseCommands::closeWindow() {
    if (m_dialog)
        m_dialog->close();
}

} // namespace shell
