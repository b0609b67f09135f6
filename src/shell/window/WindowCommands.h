#pragma once

namespace shell {

class CommandContext;

/// Registers the window's own commands: File ▸ Exit, and the Help menu's Operation Notes (F1),
/// Keyboard Shortcuts (read from the menus as they stand when asked) and About.
void registerWindowCommands(CommandContext& context);

} // namespace shell
