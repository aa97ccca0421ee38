#pragma once

#include <QColor>

class QWidget;

// The colours of the windows, and the one way a control gets a solid fill.
class Colours
{
public:
    static const QColor green;       // RGB(0,255,0): every window's background
    static const QColor paleYellow;  // RGB(255,255,128): the number boxes
    static const QColor lightOrange; // RGB(255,192,128): number tiles and answer labels
    static const QColor yellow;      // RGB(255,255,0): the clear count and the chosen answer

    // Paints the widget's own background in a solid colour; its text keeps
    // the desktop's window-text colour.
    static void fill(QWidget *widget, const QColor &background);
};
