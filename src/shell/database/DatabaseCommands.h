#pragma once

namespace shell {

class CommandContext;

/// Registers File ▸ Open Database (Ctrl+O), Connect to Server…, Recent Databases (each with its
/// number as its access key, drawn again whenever the database changes) and the Import submenu,
/// all handed to the one owner of the open database.
void registerDatabaseCommands(CommandContext& context);

} // namespace shell
