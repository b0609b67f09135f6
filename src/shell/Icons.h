#pragma once

#include <QIcon>
#include <QPixmap>

namespace shell {

/// The pencil shown while an item is dragged onto the tree (32 x 32, tip at the lower left).
QPixmap pencilPixmap();
/// The program's icon: a small product structure.
QIcon applicationIcon();

} // namespace shell
