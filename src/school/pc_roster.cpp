#include "school/pc_roster.h"

#include "school/server_link.h"
#include "school/server_statements.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QUuid>

namespace {
// More than any school's classes hold: a larger file is no roster of ours.
constexpr qint64 fileLimit = 4 << 20;

QJsonValue optional(const std::optional<int> &value)
{
    return value ? QJsonValue(*value) : QJsonValue();
}

QJsonValue optional(const std::optional<bool> &value)
{
    return value ? QJsonValue(*value) : QJsonValue();
}
} // namespace

const PcRoster::Class *PcRoster::classOf(const QString &id) const
{
    for (const Class &c : classes) {
        if (c.id == id)
            return &c;
    }
    return nullptr;
}

std::optional<PcRoster> PcRoster::read(const QString &folder)
{
    // Only a file of its own is read: a named pipe put in its place would hold the start.
    const QFileInfo info(QDir(folder).filePath(fileName));
    QFile file(info.filePath());
    if (!info.isFile() || info.size() > fileLimit || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(file.read(fileLimit));
    if (!document.isObject())
        return std::nullopt;
    PcRoster roster;
    roster.fetched = QDateTime::fromString(document[u"fetched"].toString(), Qt::ISODate);
    for (const QJsonValue &c : document[u"classes"].toArray()) {
        Class one{c[u"id"].toString(), c[u"name"].toString(), {}};
        for (const QJsonValue &p : c[u"pupils"].toArray()) {
            Pupil pupil{p[u"id"].toString(), p[u"name"].toString(), p[u"number"].toInt(), p[u"left"].toBool(), {}, {}};
            if (p[u"keptDays"].isDouble())
                pupil.keptDays = p[u"keptDays"].toInt();
            if (p[u"retryMissed"].isBool())
                pupil.retryMissed = p[u"retryMissed"].toBool();
            if (!QUuid::fromString(pupil.id).isNull() && !pupil.name.isEmpty())
                one.pupils << pupil;
        }
        if (!one.id.isEmpty())
            roster.classes << one;
    }
    return roster;
}

QString PcRoster::write(const QString &folder) const
{
    QJsonArray all;
    for (const Class &c : classes) {
        QJsonArray pupils;
        for (const Pupil &p : c.pupils)
            pupils.append(QJsonObject{{"id", p.id}, {"name", p.name}, {"number", p.number}, {"left", p.left},
                                      {"keptDays", optional(p.keptDays)}, {"retryMissed", optional(p.retryMissed)}});
        all.append(QJsonObject{{"id", c.id}, {"name", c.name}, {"pupils", pupils}});
    }
    QSaveFile file(QDir(folder).filePath(fileName));
    const QByteArray bytes =
        QJsonDocument(QJsonObject{{"fetched", fetched.toString(Qt::ISODate)}, {"classes", all}}).toJson();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return file.errorString();
    return QString();
}

std::optional<PcRoster> PcRoster::fetch(const QString &service, QString *words)
{
    ServerLink link({service, QString(), QString(), 5, 15000});
    if (link.open(words) != ServerLink::Opened::Ready)
        return std::nullopt;
    const std::optional<std::vector<QVariantList>> rows = link.select(ServerStatements::pcRoster(), words);
    link.close();
    if (!rows)
        return std::nullopt;
    PcRoster roster;
    roster.fetched = QDateTime::currentDateTime();
    for (const QVariantList &row : *rows) {
        if (roster.classes.isEmpty() || roster.classes.last().id != row[0].toString())
            roster.classes << Class{row[0].toString(), row[1].toString(), {}};
        Pupil pupil{row[2].toString(), row[4].toString(), row[3].toInt(), row[5].toBool(), {}, {}};
        if (!row[6].isNull())
            pupil.keptDays = row[6].toInt();
        if (!row[7].isNull())
            pupil.retryMissed = row[7].toBool();
        roster.classes.last().pupils << pupil;
    }
    return roster;
}
