#pragma once

namespace shell {

class CommandContext;

/// Each feature of the window registers its commands, one call each. A new feature adds its
/// folder and its call here; the window's own files stay as they are.
void registerFeatures(CommandContext& context);

} // namespace shell
