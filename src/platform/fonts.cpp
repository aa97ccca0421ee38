#include "platform/fonts.h"

#include <QFont>

const QString Fonts::pGothic = QStringLiteral("ＭＳ Ｐゴシック");
const QString Fonts::gothic = QStringLiteral("ＭＳ ゴシック");

void Fonts::substitute()
{
    QFont::insertSubstitution(pGothic, QStringLiteral("IPAPGothic"));
    QFont::insertSubstitution(gothic, QStringLiteral("IPAGothic"));
}
