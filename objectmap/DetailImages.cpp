#include "DetailImages.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace objectmap {

namespace {

// One picture drawn on a 16 x 16 grid at the sizes a list asks for.
template <class Draw>
QIcon drawn(Draw draw)
{
    QIcon icon;
    for (int size : {16, 24, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 16.0, size / 16.0);
        draw(painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

QIcon requiredFieldImage()
{
    return drawn([](QPainter &p) {
        // An asterisk of three strokes, the usual mark of a required entry.
        p.setPen(QPen(QColor(0xc0, 0x1c, 0x28), 2.2, Qt::SolidLine, Qt::RoundCap));
        const QPointF centre(8, 8);
        for (int angle : {90, 30, -30}) {
            QLineF stroke = QLineF::fromPolar(5.5, angle).translated(centre);
            p.drawLine(QLineF(centre - (stroke.p2() - centre), stroke.p2()));
        }
    });
}

QIcon primaryIndexImage()
{
    return drawn([](QPainter &p) {
        const QColor gold(0xc8, 0x9b, 0x1a), dark(0x6b, 0x50, 0x08);
        p.setPen(QPen(dark, 1.0));
        p.setBrush(gold);
        // The bow, a ring with a hole.
        QPainterPath bow;
        bow.addEllipse(QPointF(5, 8), 3.8, 3.8);
        bow.addEllipse(QPointF(4.2, 8), 1.3, 1.3);
        bow.setFillRule(Qt::OddEvenFill);
        p.drawPath(bow);
        // The shaft and two bits.
        QPainterPath shaft;
        shaft.addRect(QRectF(8.6, 7, 6.4, 2));
        shaft.addRect(QRectF(11.4, 9, 1.4, 2.2));
        shaft.addRect(QRectF(13.6, 9, 1.4, 3));
        p.drawPath(shaft.simplified());
    });
}

} // namespace objectmap
