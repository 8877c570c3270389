#include "Glyphs.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QString>

#include <cmath>
#include <functional>

namespace glyphs {

namespace {

const QColor kInk(0x3d, 0x44, 0x50);
const QColor kPaper(0xfd, 0xfd, 0xfb);
const QColor kBlue(0x2f, 0x6f, 0xb5);
const QColor kLightBlue(0x8c, 0xb8, 0xe6);
const QColor kGreen(0x2e, 0x9a, 0x3e);
const QColor kRed(0xc8, 0x32, 0x2d);
const QColor kYellow(0xf0, 0xc0, 0x48);
const QColor kDarkYellow(0xc8, 0x92, 0x20);
const QColor kGrey(0x8a, 0x92, 0x9c);

QPen ink(qreal width = 1.0, const QColor &color = kInk)
{
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void shape(QPainter &p, const QPolygonF &polygon, const QColor &fill, const QColor &line = kInk)
{
    p.setPen(ink(1.0, line));
    p.setBrush(fill);
    p.drawPolygon(polygon);
}

void box(QPainter &p, const QRectF &r, const QColor &fill, const QColor &line = kInk)
{
    p.setPen(ink(1.0, line));
    p.setBrush(fill);
    p.drawRect(r);
}

void line(QPainter &p, QPointF a, QPointF b, const QColor &color = kInk, qreal width = 1.0)
{
    p.setPen(ink(width, color));
    p.drawLine(a, b);
}

// A sheet of paper with a folded corner.
void sheet(QPainter &p)
{
    shape(p, QPolygonF({{3.5, 1.5}, {9.5, 1.5}, {12.5, 4.5}, {12.5, 14.5}, {3.5, 14.5}}), kPaper);
    shape(p, QPolygonF({{9.5, 1.5}, {9.5, 4.5}, {12.5, 4.5}}), kGrey);
}

// A head and shoulders centred on x, in front of whatever was drawn before.
void person(QPainter &p, qreal x, qreal scale, const QColor &color)
{
    p.setPen(ink(1.0));
    p.setBrush(color);
    QPainterPath body;
    body.moveTo(x - 4.0 * scale, 14.5);
    body.cubicTo(x - 4.0 * scale, 8.5, x + 4.0 * scale, 8.5, x + 4.0 * scale, 14.5);
    body.closeSubpath();
    p.drawPath(body);
    p.drawEllipse(QPointF(x, 14.5 - 9.0 * scale), 2.4 * scale, 2.4 * scale);
}

// A small table: a header row and one line.
void smallTable(QPainter &p, const QRectF &r)
{
    box(p, r, kPaper);
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawRect(QRectF(r.left() + 0.5, r.top() + 0.5, r.width() - 1.0, 1.5));
    line(p, {r.left() + 1.5, r.bottom() - 1.5}, {r.right() - 1.5, r.bottom() - 1.5}, kGrey);
}

void open(QPainter &p)
{
    shape(p, QPolygonF({{1.5, 3.5}, {5.5, 3.5}, {6.5, 4.5}, {12.5, 4.5}, {12.5, 13.5}, {1.5, 13.5}}), kDarkYellow);
    shape(p, QPolygonF({{3.5, 7.5}, {15.0, 7.5}, {12.5, 13.5}, {1.5, 13.5}}), kYellow);
}

void refresh(QPainter &p)
{
    p.setPen(ink(2.0, kGreen));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(2.5, 2.5, 11.0, 11.0), 100 * 16, 280 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawPolygon(QPolygonF({{6.5, 0.5}, {11.0, 3.2}, {6.5, 6.0}}));
}

void properties(QPainter &p)
{
    box(p, {1.5, 2.5, 13.0, 11.0}, kPaper);
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawRect(QRectF(2.0, 3.0, 12.0, 2.0));
    for (qreal y : {7.5, 10.5}) {
        box(p, {3.5, y - 1.0, 2.0, 2.0}, kLightBlue, kBlue);
        line(p, {7.5, y}, {12.5, y});
    }
}

void accounts(QPainter &p)
{
    person(p, 10.5, 0.85, kLightBlue);
    person(p, 6.0, 1.0, kBlue);
}

void group(QPainter &p)
{
    person(p, 4.0, 0.75, kLightBlue);
    person(p, 12.0, 0.75, kLightBlue);
    person(p, 8.0, 0.9, kGreen);
}

void objectmap(QPainter &p)
{
    line(p, {4.0, 5.5}, {4.0, 12.5});
    line(p, {4.0, 8.0}, {8.5, 8.0});
    line(p, {4.0, 12.5}, {8.5, 12.5});
    box(p, {1.5, 1.5, 5.0, 4.0}, kBlue);
    box(p, {8.5, 6.5, 6.0, 3.0}, kYellow);
    box(p, {8.5, 11.0, 6.0, 3.0}, kLightBlue);
}

void query(QPainter &p)
{
    sheet(p);
    line(p, {5.5, 6.5}, {10.5, 6.5}, kBlue, 1.2);
    line(p, {5.5, 9.0}, {8.5, 9.0}, kGreen, 1.2);
    line(p, {5.5, 11.5}, {10.5, 11.5}, kBlue, 1.2);
}

void preferences(QPainter &p)
{
    const QPointF c(8.0, 8.0);
    p.setPen(Qt::NoPen);
    p.setBrush(kGrey);
    for (int i = 0; i < 8; ++i) {
        p.save();
        p.translate(c);
        p.rotate(45.0 * i);
        p.drawRect(QRectF(-1.4, -7.5, 2.8, 3.5));
        p.restore();
    }
    p.setPen(ink(1.0));
    p.drawEllipse(c, 5.0, 5.0);
    p.setBrush(kPaper);
    p.drawEllipse(c, 2.0, 2.0);
}

void about(QPainter &p)
{
    p.setPen(ink(1.0, kBlue.darker(130)));
    p.setBrush(kBlue);
    p.drawEllipse(QPointF(8.0, 8.0), 6.5, 6.5);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8.0, 4.8), 1.2, 1.2);
    p.drawRect(QRectF(7.0, 7.0, 2.0, 5.5));
}

void exitGlyph(QPainter &p)
{
    box(p, {2.5, 1.5, 7.0, 13.0}, QColor(0xa8, 0x74, 0x44));
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawEllipse(QPointF(7.8, 8.0), 0.7, 0.7);
    line(p, {8.5, 8.0}, {14.0, 8.0}, kGreen, 2.0);
    p.setBrush(kGreen);
    p.drawPolygon(QPolygonF({{11.5, 5.0}, {15.5, 8.0}, {11.5, 11.0}}));
}

void newGlyph(QPainter &p)
{
    sheet(p);
    p.setPen(ink(0.8, kDarkYellow));
    p.setBrush(kYellow);
    QPolygonF star;
    for (int i = 0; i < 8; ++i) {
        const qreal r = (i % 2 == 0) ? 3.5 : 1.3;
        const qreal a = M_PI / 4.0 * i;
        star << QPointF(11.5 + r * std::sin(a), 4.5 - r * std::cos(a));
    }
    p.drawPolygon(star);
}

void execute(QPainter &p)
{
    shape(p, QPolygonF({{4.0, 2.5}, {13.5, 8.0}, {4.0, 13.5}}), kGreen, kGreen.darker(140));
}

void stop(QPainter &p)
{
    QPolygonF octagon;
    for (int i = 0; i < 8; ++i) {
        const qreal a = M_PI / 8.0 + M_PI / 4.0 * i;
        octagon << QPointF(8.0 + 6.8 * std::cos(a), 8.0 + 6.8 * std::sin(a));
    }
    shape(p, octagon, kRed, kRed.darker(140));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.0, 7.0, 8.0, 2.0));
}

void save(QPainter &p)
{
    shape(p, QPolygonF({{1.5, 1.5}, {12.5, 1.5}, {14.5, 3.5}, {14.5, 14.5}, {1.5, 14.5}}), kBlue, kBlue.darker(150));
    box(p, {4.5, 1.5, 7.0, 5.0}, kPaper, kBlue.darker(150));
    box(p, {4.5, 9.5, 7.0, 5.0}, kLightBlue, kBlue.darker(150));
}

void clear(QPainter &p)
{
    p.save();
    p.translate(8.0, 7.5);
    p.rotate(-40.0);
    box(p, {-6.0, -2.5, 7.0, 5.0}, QColor(0xf2, 0x9c, 0xb0));
    box(p, {1.0, -2.5, 4.5, 5.0}, kLightBlue);
    p.restore();
    line(p, {2.0, 14.5}, {14.0, 14.5}, kGrey);
}

void edit(QPainter &p)
{
    shape(p, QPolygonF({{11.0, 1.5}, {14.5, 5.0}, {5.5, 14.0}, {2.0, 10.5}}), kYellow, kDarkYellow.darker(130));
    shape(p, QPolygonF({{2.0, 10.5}, {5.5, 14.0}, {1.0, 15.0}}), kPaper);
    line(p, {9.5, 3.0}, {13.0, 6.5}, kRed, 1.5);
}

void deleteGlyph(QPainter &p)
{
    line(p, {3.5, 3.5}, {12.5, 12.5}, kRed, 3.0);
    line(p, {12.5, 3.5}, {3.5, 12.5}, kRed, 3.0);
}

void table(QPainter &p)
{
    box(p, {1.5, 2.5, 13.0, 11.0}, kPaper);
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawRect(QRectF(2.0, 3.0, 12.0, 2.5));
    for (qreal y : {8.5, 11.0})
        line(p, {2.0, y}, {14.0, y}, kGrey);
    for (qreal x : {6.0, 10.0})
        line(p, {x, 6.0}, {x, 13.0}, kGrey);
}

void relation(QPainter &p)
{
    p.setPen(ink(1.2));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({{4.5, 6.5}, {4.5, 12.0}, {9.0, 12.0}}));
    smallTable(p, {1.5, 1.5, 6.0, 5.0});
    smallTable(p, {8.5, 9.5, 6.0, 5.0});
}

void container(QPainter &p)
{
    box(p, {2.5, 1.5, 11.0, 13.0}, kGrey);
    for (qreal y : {1.5, 6.0, 10.5}) {
        box(p, {3.5, y + 1.0, 9.0, 3.0}, kLightBlue);
        line(p, {6.5, y + 2.5}, {9.5, y + 2.5});
    }
}

// A database cylinder under a warden's shield.
void jetwarden(QPainter &p)
{
    const QColor rim = kBlue.darker(150);
    QPainterPath body;
    body.moveTo(1.5, 3.5);
    body.lineTo(1.5, 12.5);
    body.arcTo(QRectF(1.5, 11.0, 10.0, 3.0), 180.0, 180.0);
    body.lineTo(11.5, 3.5);
    body.closeSubpath();
    p.setPen(ink(1.0, rim));
    p.setBrush(kBlue);
    p.drawPath(body);
    p.setBrush(Qt::NoBrush);
    for (qreal y : {5.5, 8.5}) {
        p.drawArc(QRectF(1.5, y, 10.0, 3.0), 180 * 16, 180 * 16);
    }
    p.setBrush(kLightBlue);
    p.drawEllipse(QRectF(1.5, 2.0, 10.0, 3.0));
    QPainterPath shield;
    shield.moveTo(8.5, 7.0);
    shield.lineTo(15.0, 7.0);
    shield.lineTo(15.0, 10.5);
    shield.cubicTo(15.0, 13.0, 13.0, 14.5, 11.75, 15.2);
    shield.cubicTo(10.5, 14.5, 8.5, 13.0, 8.5, 10.5);
    shield.closeSubpath();
    p.setPen(ink(1.0, kDarkYellow.darker(130)));
    p.setBrush(kYellow);
    p.drawPath(shield);
    line(p, {11.75, 8.0}, {11.75, 13.8}, kDarkYellow.darker(130), 0.8);
}

using Painter = std::function<void(QPainter &)>;

const QHash<QString, Painter> &all()
{
    static const QHash<QString, Painter> painters = {
        {QStringLiteral("open"), open},           {QStringLiteral("refresh"), refresh},
        {QStringLiteral("properties"), properties}, {QStringLiteral("accounts"), accounts},
        {QStringLiteral("objectmap"), objectmap}, {QStringLiteral("query"), query},
        {QStringLiteral("preferences"), preferences}, {QStringLiteral("about"), about},
        {QStringLiteral("exit"), exitGlyph},      {QStringLiteral("new"), newGlyph},
        {QStringLiteral("execute"), execute},     {QStringLiteral("stop"), stop},
        {QStringLiteral("save"), save},           {QStringLiteral("clear"), clear},
        {QStringLiteral("edit"), edit},           {QStringLiteral("delete"), deleteGlyph},
        {QStringLiteral("table"), table},         {QStringLiteral("group"), group},
        {QStringLiteral("relation"), relation},   {QStringLiteral("container"), container},
        {QStringLiteral("jetwarden"), jetwarden},
    };
    return painters;
}

} // namespace

bool exists(const QString &name)
{
    return all().contains(name);
}

bool paint(QPainter &painter, const QString &name)
{
    const auto it = all().constFind(name);
    if (it == all().constEnd())
        return false;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    it.value()(painter);
    painter.restore();
    return true;
}

} // namespace glyphs
