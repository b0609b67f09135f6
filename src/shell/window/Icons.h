#pragma once

#include <QIcon>
#include <QPixmap>
#include <QPoint>

namespace shell {

/// Where the pencil's tip stands in pencilPixmap().
inline constexpr QPoint PencilTip{3, 29};
/// The pencil of the Item Master list (32 x 32, tip at the lower left).
QPixmap pencilPixmap();
/// The pencil as a drag cursor: twice the size, with the tip at the centre, which is the
/// active point of a cursor made from a pixmap.
QPixmap pencilDragCursor();
/// The program's icon: a small product structure.
QIcon applicationIcon();
/// The mark of a tree line that is probably wrong: a warning triangle with an exclamation
/// mark, told by its shape as well as by its colour.
QIcon problemIcon();

} // namespace shell
