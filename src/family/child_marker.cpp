#include "family/child_marker.h"

#include <QJsonDocument>
#include <QJsonObject>

std::optional<ChildMarker> ChildMarker::read(const QByteArray &bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject top = document.object();
    ChildMarker marker;
    marker.child = Child::fromJson(top);
    marker.adopts = top.value(u"adopts").toBool();
    marker.removing = top.value(u"removing").toBool();
    marker.backup = top.value(u"backup").toString();
    return marker;
}

QByteArray ChildMarker::bytes() const
{
    QJsonObject top = child.toJson();
    if (adopts)
        top.insert(u"adopts", true);
    if (removing) {
        top.insert(u"removing", true);
        top.insert(u"backup", backup);
    }
    return QJsonDocument(top).toJson(QJsonDocument::Indented);
}
