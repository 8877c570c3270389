#include "ProductLabel.h"

#include <QGraphicsDropShadowEffect>
#include <QLabel>

QLabel *createProductLabel(QWidget *parent)
{
    auto *label = new QLabel(QStringLiteral("Jetwarden"), parent);
    label->setObjectName(QStringLiteral("lProduct"));
    QFont font = label->font();
    font.setBold(true);
    // The dialog font may be given in points or in pixels.
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * 1.6);
    else
        font.setPixelSize(font.pixelSize() * 8 / 5);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    label->setPalette(palette);
    auto *shadow = new QGraphicsDropShadowEffect(label);
    shadow->setColor(Qt::white);
    shadow->setOffset(1.0, 1.0);
    shadow->setBlurRadius(0.0);
    label->setGraphicsEffect(shadow);
    return label;
}
