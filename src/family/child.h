#pragma once

#include <QJsonObject>
#include <QString>

#include <utility>

// One child of a family, as a value: the id that names the child's folder and
// never changes, the name as the child reads it, and the child's own choices.
// Nothing of it depends on where the child's results are kept, so the same
// value can stand in a row of a shared results server later.
struct Child
{
    Child(QString id = QString(), QString name = QString(), bool retryMissed = false, QString pupilId = QString(),
          QString classId = QString())
        : id(std::move(id)), name(std::move(name)), retryMissed(retryMissed), pupilId(std::move(pupilId)),
          classId(std::move(classId))
    {
    }

    QString id;   // "child-3": also the name of the child's folder
    QString name; // kana, as the child reads it
    // "まちがえた もんだいを もういちど": a missed question comes back later in
    // the sitting. Off until a parent turns it on.
    bool retryMissed = false;
    // Once the computer belongs to a school: the child's key on the school's
    // server (a UUID made here, or the class roster's) and the class the
    // child's results are sent for. Empty in a family without a school, whose
    // files stay exactly as they were.
    QString pupilId;
    QString classId;

    friend bool operator==(const Child &, const Child &) = default;

    // The most a child's number can be: nine digits.
    static constexpr int highestNumber = 999999999;

    // The id of the child numbered `number` (1, 2, ...): "child-NUMBER".
    static QString idOf(int number);
    // The number of an id written exactly as idOf writes it, or 0 for any other
    // text (a name, "../x", "Child-3", "child-03").
    static int numberOf(const QString &id);

    // As the children list and a child's marker store it: {"id", "name",
    // "retryMissed"}, and "pupil" and "class" only once the child has them. A
    // name read that breaks the naming rules reads as empty, for the family to
    // name the child afresh; a pupil that is no UUID reads as none.
    QJsonObject toJson() const;
    static Child fromJson(const QJsonObject &stored);
};
