#pragma once

#include "info/InfoWindows.h"

#include <QList>

class QMenuBar;

namespace shell {

/// Every keyboard shortcut of the main window: each menu command's own ("File ▸ Open
/// Database"), read from the menus as they are now so that the list never falls behind them,
/// then the keys that controls understand without a menu command (Enter in the Item ID field,
/// Delete and F2 on a node, Esc in Find Item, ...).
QList<info::Shortcut> keyboardShortcuts(const QMenuBar& menus);

} // namespace shell
