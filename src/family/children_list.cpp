#include "family/children_list.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

std::optional<ChildrenList> ChildrenList::read(const QByteArray &bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject() || !document.object().value(u"children").isArray())
        return std::nullopt;
    const QJsonObject top = document.object();
    ChildrenList list;
    QSet<QString> ids;
    for (const QJsonValue &value : top.value(u"children").toArray()) {
        const Child child = Child::fromJson(value.toObject());
        if (Child::numberOf(child.id) == 0 || ids.contains(child.id))
            continue;
        ids.insert(child.id);
        list.children << child;
    }
    list.last = ids.contains(top.value(u"last").toString()) ? top.value(u"last").toString() : QString();
    // One past the highest number: no child can be added any more.
    list.next = int(qBound(1.0, top.value(u"next").toDouble(), double(Child::highestNumber) + 1));
    return list;
}

QByteArray ChildrenList::bytes() const
{
    QJsonArray entries;
    for (const Child &child : children)
        entries.append(child.toJson());
    const QJsonObject top{{"format", 1}, {"next", next}, {"last", last}, {"children", entries}};
    return QJsonDocument(top).toJson(QJsonDocument::Indented);
}

qsizetype ChildrenList::indexOf(const QString &id) const
{
    for (qsizetype i = 0; i < children.size(); ++i) {
        if (children.at(i).id == id)
            return i;
    }
    return -1;
}
