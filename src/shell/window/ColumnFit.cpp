#include "shell/window/ColumnFit.h"

#include <QAbstractItemView>
#include <QGuiApplication>
#include <QHeaderView>
#include <QVariant>

#include <algorithm>

namespace shell {

namespace {
/// The columns the user has dragged, kept on the header itself.
constexpr char UserSized[] = "bomUserSizedColumns";

bool isUserSized(const QHeaderView& header, int column) {
    return header.property(UserSized).toList().contains(column);
}
} // namespace

void trackUserSizing(QHeaderView& header) {
    QObject::connect(&header, &QHeaderView::sectionResized, &header,
                     [&header](int column, int, int) {
                         // Only a drag of the header's handle holds a mouse button; the
                         // program's own fits and restored layouts do not.
                         if (QGuiApplication::mouseButtons() == Qt::NoButton ||
                             isUserSized(header, column))
                             return;
                         QVariantList columns = header.property(UserSized).toList();
                         columns.append(column);
                         header.setProperty(UserSized, columns);
                     });
}

void markAllUserSized(QHeaderView& header) {
    QVariantList columns;
    for (int column = 0; column < header.count(); ++column)
        columns.append(column);
    header.setProperty(UserSized, columns);
}

void fitColumns(QAbstractItemView& view, QHeaderView& header, int cap, bool growOnly) {
    const int last = header.count() - 1;
    for (int column = 0; column <= last; ++column) {
        // A column that stretches fills the room the others leave.
        if (header.isSectionHidden(column) ||
            header.sectionResizeMode(column) != QHeaderView::Interactive ||
            (column == last && header.stretchLastSection()))
            continue;
        const int caption = header.sectionSizeHint(column);
        // No lines to measure: the width stays, but never cuts the caption.
        const int lines = view.model() && view.model()->hasChildren() && !isUserSized(header, column)
                              ? view.sizeHintForColumn(column)
                              : -1;
        int width = lines < 0 ? header.sectionSize(column) : std::min(lines, cap);
        if (growOnly)
            width = std::max(width, header.sectionSize(column));
        header.resizeSection(column, std::max(caption, width));
    }
}

} // namespace shell
