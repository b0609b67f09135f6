#include "shell/Features.h"

#include "shell/check/CheckDatabaseCommands.h"
#include "shell/compare/CompareCommands.h"
#include "shell/database/DatabaseCommands.h"
#include "shell/drafts/DraftCommands.h"
#include "shell/edit/EditCommands.h"
#include "shell/export/ExportCommands.h"
#include "shell/history/AsOfView.h"
#include "shell/history/HistoryCommands.h"
#include "shell/options/OptionsCommands.h"
#include "shell/plan/RequirementsCommands.h"
#include "shell/whereused/WhereUsedCommands.h"
#include "shell/window/NodeCommands.h"
#include "shell/window/WindowCommands.h"

namespace shell {

void registerFeatures(CommandContext& context) {
    // Where each command shows is the window's layout of the menus' groups, not this order.
    registerDatabaseCommands(context);
    registerNodeCommands(context);
    registerExportCommands(context);
    registerEditCommands(context);
    registerWhereUsedCommands(context);
    registerCheckDatabaseCommands(context);
    registerCompareCommands(context);
    registerRequirementsCommands(context);
    registerHistoryCommands(context);
    registerAsOfCommands(context);
    registerOptionsCommands(context);
    registerDraftCommands(context);
    registerWindowCommands(context);
}

} // namespace shell
