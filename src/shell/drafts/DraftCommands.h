#pragma once

class QMenu;

namespace shell {

class CommandContext;

/// Adds the drafts of changes to `menu` (Tools): "New Draft…", "Open Draft…", "Close Draft",
/// "Apply Draft…" and "Discard Draft…". While a draft is open, every edit of the window goes
/// into it through the usual operations and checks, and the tree shows the bill with it applied.
void addDraftCommands(CommandContext& context, QMenu* menu);

} // namespace shell
