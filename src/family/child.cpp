#include "family/child.h"

#include "family/child_name.h"

#include <QRegularExpression>
#include <QUuid>

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

QJsonObject Child::toJson() const
{
    QJsonObject stored{{"id", id}, {"name", name}, {"retryMissed", retryMissed}};
    if (!pupilId.isEmpty())
        stored.insert(u"pupil", pupilId);
    if (!classId.isEmpty())
        stored.insert(u"class", classId);
    return stored;
}

Child Child::fromJson(const QJsonObject &stored)
{
    Child child{stored.value(u"id").toString(), stored.value(u"name").toString(), stored.value(u"retryMissed").toBool(),
                stored.value(u"pupil").toString(), stored.value(u"class").toString()};
    if (QUuid::fromString(child.pupilId).isNull())
        child.pupilId.clear();
    child.name = ChildName::problemOf(child.name) == ChildName::Problem::None ? ChildName::normalised(child.name)
                                                                               : QString();
    return child;
}
