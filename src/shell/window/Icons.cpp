#include "shell/window/Icons.h"

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
    // The figure of packaging/com.fabrilux.BomEditor.svg, on its 128-unit grid, painted at
    // each size a window, a task bar or a high-DPI screen asks for, so that none is scaled up.
    QIcon painted;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 128.0, size / 128.0);
        const QColor outline(0x20, 0x30, 0x60);
        p.setPen(QPen(outline, 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawLine(64, 40, 64, 58);
        p.drawLine(24, 58, 104, 58);
        for (const int x : {24, 64, 104})
            p.drawLine(x, 58, x, 80);
        p.setPen(QPen(outline, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(QColor(0x40, 0x80, 0xd0));
        p.drawRoundedRect(QRectF(38, 6, 52, 34), 6, 6);
        p.setBrush(QColor(0xf0, 0xb0, 0x30));
        for (const int x : {6, 46, 86})
            p.drawRoundedRect(QRectF(x, 80, 36, 36), 5, 5);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 89));
        p.drawRoundedRect(QRectF(44, 12, 40, 6), 3, 3);
        for (const int x : {11, 51, 91})
            p.drawRoundedRect(QRectF(x, 86, 26, 5), 2.5, 2.5);
        p.end();
        painted.addPixmap(pixmap);
    }
    // An installed editor shows the icon its launcher shows, from the icon theme.
    return QIcon::fromTheme(QStringLiteral("com.fabrilux.BomEditor"), painted);
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
