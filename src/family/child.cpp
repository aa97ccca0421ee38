#include "family/child.h"

#include <QRegularExpression>

QString Child::idOf(int number)
{
    return QStringLiteral("child-%1").arg(number);
}

int Child::numberOf(const QString &id)
{
    // Nine digits at most, so that every number fits an int.
    static const QRegularExpression form(
        QRegularExpression::anchoredPattern(QStringLiteral("child-([1-9][0-9]{0,8})")));
    const QRegularExpressionMatch m = form.match(id);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}
