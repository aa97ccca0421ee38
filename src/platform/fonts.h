#pragma once

#include <QString>

// The font families the windows are laid out for. Linux desktops lack them;
// start-up maps each to an installed font with the same cell widths.
class Fonts
{
public:
    static const QString pGothic; // "ＭＳ Ｐゴシック": proportional
    static const QString gothic;  // "ＭＳ ゴシック": fixed width

    // Maps the families to IPA's fonts (IPAPGothic, IPAGothic).
    static void substitute();
};
