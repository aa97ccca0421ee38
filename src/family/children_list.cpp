#include "family/children_list.h"

#include "family/child_name.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

namespace {
constexpr int highestNumber = 999999999; // the most digits Child::numberOf reads
}

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
        const QJsonObject entry = value.toObject();
        Child child{entry.value(u"id").toString(), entry.value(u"name").toString(),
                    entry.value(u"retryMissed").toBool()};
        if (Child::numberOf(child.id) == 0 || ids.contains(child.id))
            continue;
        child.name = ChildName::problemOf(child.name) == ChildName::Problem::None ? ChildName::normalised(child.name)
                                                                                   : QString();
        ids.insert(child.id);
        list.children << child;
    }
    list.last = ids.contains(top.value(u"last").toString()) ? top.value(u"last").toString() : QString();
    list.next = int(qBound(1.0, top.value(u"next").toDouble(), double(highestNumber)));
    return list;
}

QByteArray ChildrenList::bytes() const
{
    QJsonArray entries;
    for (const Child &child : children)
        entries.append(QJsonObject{{"id", child.id}, {"name", child.name}, {"retryMissed", child.retryMissed}});
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
