#include "shell/options/OptionsCommands.h"

#include "shell/options/OptionsDialog.h"
#include "shell/window/CommandContext.h"
#include "shell/window/CommandRegistry.h"

#include "desktop/Desktop.h"
#include "desktop/Language.h"
#include "store/WholeUnits.h"
#include "tree/bill/BomTreeModel.h"

#include <QAction>
#include <QCoreApplication>
#include <QSettings>

namespace shell {

OptionsCommands::OptionsCommands(CommandContext& context)
    : QObject(context.window()), m_context(context) {
    context.model().setWholeUnits(store::wholeUnitsFrom(context.settings()));
}

void OptionsCommands::addTo(CommandRegistry& commands) {
    QAction* options = commands.add(MenuGroup::ToolsOptions, "mnuOptions", tr("&Options\u2026"));
    connect(options, &QAction::triggered, this, &OptionsCommands::open);
}

void registerOptionsCommands(CommandContext& context) {
    (new OptionsCommands(context))->addTo(context.commands());
}

void OptionsCommands::open() {
    tree::BomTreeModel& model = m_context.model();
    QSettings& settings = m_context.settings();
    OptionsDialog dialog(model.wholeUnits().units(), m_context.window(),
                         settings.value(QLatin1StringView(desktop::LanguageSetting)).toString(),
                         desktop::availableLanguages(
                             desktop::catalogueFolders(QCoreApplication::applicationDirPath())));
    if (m_context.desktop().runDialog(dialog) != QDialog::Accepted)
        return;
    settings.setValue(QLatin1StringView(desktop::LanguageSetting), dialog.language());
    store::saveWholeUnits(m_context.settings(), dialog.wholeUnits());
    model.setWholeUnits(store::WholeUnits(dialog.wholeUnits()));
}

} // namespace shell
