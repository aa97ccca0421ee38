#include "app/face_icon.h"

#include <QPainter>
#include <QPainterPath>

QImage FaceIcon::image(int size)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size / 32.0;
    p.scale(s, s);

    QPen outline(QColor(96, 64, 0));
    outline.setWidthF(1.2);
    p.setPen(outline);
    p.setBrush(QColor(255, 220, 0));
    p.drawEllipse(QRectF(1.5, 1.5, 29, 29));

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 30, 0));
    p.drawEllipse(QRectF(9.5, 10, 3.5, 5));
    p.drawEllipse(QRectF(19, 10, 3.5, 5));

    p.setBrush(QColor(255, 150, 150, 160));
    p.drawEllipse(QRectF(5.5, 16.5, 5, 3));
    p.drawEllipse(QRectF(21.5, 16.5, 5, 3));

    QPen smile(QColor(40, 30, 0));
    smile.setWidthF(1.8);
    smile.setCapStyle(Qt::RoundCap);
    p.setPen(smile);
    p.setBrush(Qt::NoBrush);
    QPainterPath mouth;
    mouth.moveTo(10, 19.5);
    mouth.quadTo(16, 26.5, 22, 19.5);
    p.drawPath(mouth);
    return img;
}

QIcon FaceIcon::icon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 128})
        icon.addPixmap(QPixmap::fromImage(image(size)));
    return icon;
}
