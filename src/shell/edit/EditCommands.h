#pragma once

namespace shell {

class CommandContext;

/// Registers the edits of the Edit menu: Undo and Redo (each saying what it takes back), the
/// line commands (Add Component…, Cut, Copy, Paste, Delete) and the changes of many lines
/// (Replace Component…, Remove From Every Assembly, Copy Bill To…); and takes the tree's own
/// edits: a drop, a quantity typed, Del, Esc and a node moved by the mouse.
void registerEditCommands(CommandContext& context);

} // namespace shell
