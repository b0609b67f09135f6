#pragma once

#include <QString>

#include <optional>

class QMimeData;

namespace shell {

/// The drag data of an item ID dragged out of the Item Master list. Made here and read here
/// only, so that the list's drag and the tree's drop always speak the same format.
QMimeData* makeItemDragData(const QString& id);

/// The item ID a drag carries; empty when the data is not an item of the Item Master list.
std::optional<QString> draggedItemId(const QMimeData* data);

} // namespace shell
