#pragma once

namespace shell {

class CommandContext;

/// Registers the drafts of changes in the Tools menu: "New Draft…", "Open Draft…", "Close Draft",
/// "Apply Draft…" and "Discard Draft…". While a draft is open, every edit of the window goes
/// into it through the usual operations and checks, and the tree shows the bill with it applied.
void registerDraftCommands(CommandContext& context);

} // namespace shell
