#include "shell/Icons.h"

#include <QPainter>
#include <QPainterPath>

namespace shell {

QPixmap pencilPixmap() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(PencilTip);
    p.rotate(-45);
    // Drawn along the x axis from the tip, then turned so that the tip points down-left.
    QPainterPath tip;
    tip.moveTo(0, 0);
    tip.lineTo(8, -4);
    tip.lineTo(8, 4);
    tip.closeSubpath();
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(0xf0, 0xd0, 0xa0));
    p.drawPath(tip);
    p.setBrush(Qt::black);
    p.drawPolygon(QPolygonF({QPointF(0, 0), QPointF(3, -1.5), QPointF(3, 1.5)}));
    p.setBrush(QColor(0xf5, 0xc0, 0x20));
    p.drawRect(QRectF(8, -4, 22, 8));
    p.setBrush(QColor(0xe0, 0x70, 0x80));
    p.drawRect(QRectF(30, -4, 6, 8));
    return pixmap;
}

QPixmap pencilDragCursor() {
    // A cursor made from a pixmap takes the pixmap's centre as its active point, so the pencil
    // is drawn with its tip there.
    const QPixmap pencil = pencilPixmap();
    QPixmap pixmap(pencil.width() * 2, pencil.height() * 2);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.drawPixmap(QPoint(pencil.width(), pencil.height()) - PencilTip, pencil);
    return pixmap;
}

QIcon applicationIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x20, 0x30, 0x60), 2));
    p.drawLine(16, 9, 16, 14);
    p.drawLine(6, 14, 26, 14);
    p.drawLine(6, 14, 6, 20);
    p.drawLine(26, 14, 26, 20);
    p.setBrush(QColor(0x40, 0x80, 0xd0));
    p.drawRect(10, 2, 12, 8);
    p.setBrush(QColor(0xf0, 0xb0, 0x30));
    p.drawRect(1, 20, 10, 9);
    p.drawRect(21, 20, 10, 9);
    return QIcon(pixmap);
}

QIcon problemIcon() {
    QIcon icon;
    for (const int size : {16, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 16.0, size / 16.0);
        p.setPen(QPen(QColor(0x5a, 0x2e, 0x00), 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(QColor(0xf5, 0xb0, 0x20));
        p.drawPolygon(QPolygonF({QPointF(8, 1.2), QPointF(15, 14.5), QPointF(1, 14.5)}));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        p.drawRect(QRectF(7.1, 5, 1.8, 5.5));
        p.drawEllipse(QRectF(7.0, 11.4, 2, 2));
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace shell
