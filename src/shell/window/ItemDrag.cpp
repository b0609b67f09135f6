#include "shell/window/ItemDrag.h"

#include <QMimeData>

namespace shell {

namespace {
const QString ItemIdMimeType = QStringLiteral("application/x-fabrilux-item-id");
}

QMimeData* makeItemDragData(const QString& id) {
    auto* data = new QMimeData;
    data->setData(ItemIdMimeType, id.toUtf8());
    return data;
}

std::optional<QString> draggedItemId(const QMimeData* data) {
    if (!data || !data->hasFormat(ItemIdMimeType))
        return std::nullopt;
    return QString::fromUtf8(data->data(ItemIdMimeType));
}

} // namespace shell
