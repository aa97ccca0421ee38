#include "platform/colours.h"

#include <QAbstractButton>
#include <QPalette>
#include <QWidget>

const QColor Colours::green(0, 255, 0);
const QColor Colours::paleYellow(255, 255, 128);
const QColor Colours::lightOrange(255, 192, 128);
const QColor Colours::yellow(255, 255, 0);

void Colours::fill(QWidget *widget, const QColor &background)
{
    widget->setAutoFillBackground(true);
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Window, background);
    // A button paints its own face from the Button role.
    if (qobject_cast<QAbstractButton *>(widget))
        pal.setColor(QPalette::Button, background);
    widget->setPalette(pal);
}
