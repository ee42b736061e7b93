#include "app/glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

namespace {

// Each glyph is drawn on a 32 x 32 canvas and rendered at the sizes Qt asks for.
QIcon draw(const std::function<void(QPainter&)>& paint)
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 32.0, size / 32.0);
        paint(p);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

void figure(QPainter& p, QPointF at, QColor c)
{
    p.setPen(QPen(c, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(c);
    p.drawEllipse(at + QPointF(2, -10), 2.6, 2.6);
    QPainterPath body;
    body.moveTo(at + QPointF(1, -6));
    body.lineTo(at + QPointF(-1, 2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(body);
    p.drawPolyline(QPolygonF({at + QPointF(-1, 2), at + QPointF(3, 6), at + QPointF(2, 11)}));
    p.drawPolyline(QPolygonF({at + QPointF(-1, 2), at + QPointF(-5, 6), at + QPointF(-8, 7)}));
    p.drawPolyline(QPolygonF({at + QPointF(1, -4), at + QPointF(5, -1), at + QPointF(8, -3)}));
    p.drawPolyline(QPolygonF({at + QPointF(1, -4), at + QPointF(-3, -2), at + QPointF(-5, 1)}));
}

} // namespace

namespace Glyphs {

QIcon run()
{
    return draw([](QPainter& p) {
        figure(p, {12, 17}, QColor(0x2e, 0x7d, 0x32));
        figure(p, {22, 19}, QColor(0xef, 0x6c, 0x00));
    });
}

QIcon options()
{
    return draw([](QPainter& p) {
        const QColor gold(0xf2, 0xb1, 0x1c), edge(0x8a, 0x5a, 0x00);
        p.setPen(QPen(edge, 1.5));
        p.setBrush(gold);
        p.drawEllipse(QPointF(10, 12), 7.5, 7.5);
        QPainterPath blade;
        blade.moveTo(15, 16);
        blade.lineTo(27, 28);
        blade.lineTo(29, 26);
        blade.lineTo(17, 14);
        blade.closeSubpath();
        p.drawPath(blade);
        p.drawRect(QRectF(21, 20, 3, 5).translated(0, 0));
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(8.5, 10.5), 2.5, 2.5);
    });
}

QIcon contents()
{
    return draw([](QPainter& p) {
        p.setPen(QPen(QColor(0x0d, 0x2f, 0x7a), 1.5));
        p.setBrush(QColor(0x1e, 0x63, 0xd6));
        p.drawRoundedRect(QRectF(6, 4, 20, 25), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(8, 25, 18, 3));
        p.setPen(QPen(Qt::white, 2.6, Qt::SolidLine, Qt::RoundCap));
        QFont f;
        f.setPixelSize(16);
        f.setBold(true);
        p.setFont(f);
        p.drawText(QRectF(6, 4, 20, 21), Qt::AlignCenter, QStringLiteral("?"));
    });
}

QIcon search()
{
    return draw([](QPainter& p) {
        p.setPen(QPen(QColor(0x55, 0x55, 0x55), 1.2));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4, 3, 18, 24));
        p.setPen(QPen(QColor(0x9e, 0x9e, 0x9e), 1.2));
        for (int y = 8; y <= 22; y += 4)
            p.drawLine(QPointF(7, y), QPointF(19, y));
        p.setPen(QPen(QColor(0x6d, 0x4c, 0x41), 3.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(22, 22), QPointF(28, 28));
        p.setPen(QPen(QColor(0x37, 0x47, 0x4f), 2));
        p.setBrush(QColor(0xb3, 0xe5, 0xfc, 200));
        p.drawEllipse(QPointF(18, 18), 5.5, 5.5);
    });
}

QIcon about()
{
    return draw([](QPainter& p) {
        const QColor skin(0xff, 0xcc, 0xa0), edge(0xb0, 0x70, 0x40), suit(0x81, 0xc7, 0x84);
        p.setPen(QPen(edge, 1.2));
        p.setBrush(suit);
        p.drawEllipse(QRectF(9, 13, 16, 9)); // body on all fours
        p.setPen(QPen(suit.darker(130), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(12, 20), QPointF(11, 27)); // arm
        p.drawLine(QPointF(22, 20), QPointF(25, 27)); // leg
        p.setPen(QPen(edge, 1.2));
        p.setBrush(skin);
        p.drawEllipse(QPointF(8, 13), 6, 6); // head
        p.setBrush(Qt::black);
        p.drawEllipse(QPointF(6, 12), 0.9, 0.9);
        p.setPen(QPen(edge, 1));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(4.5, 13, 4, 3), 200 * 16, 140 * 16);
    });
}

QIcon application()
{
    return draw([](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x1e, 0x63, 0xd6));
        p.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
        p.setBrush(QColor(0xff, 0xd5, 0x4f));
        p.drawEllipse(QPointF(11, 11), 6, 6);
        p.setBrush(QColor(0x66, 0xbb, 0x6a));
        QPainterPath hill;
        hill.moveTo(1, 31);
        hill.cubicTo(8, 16, 18, 16, 31, 27);
        hill.lineTo(31, 31);
        hill.closeSubpath();
        p.drawPath(hill);
        p.setBrush(QColor(0xef, 0x53, 0x50));
        p.drawEllipse(QPointF(23, 12), 4, 4);
        p.setPen(QPen(Qt::white, 1.2));
        p.drawLine(QPointF(23, 16), QPointF(22, 24));
    });
}

} // namespace Glyphs
