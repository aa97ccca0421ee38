#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// The classes a school's PC practises for and their pupils, as the school's
// server gives them to this PC's login, and as the PC keeps them for when the
// server is away: a small file in the data folder, written whole. The class
// picker is filled from it at once and follows a fresh copy when it comes.
struct PcRoster
{
    struct Pupil
    {
        QString id;   // the pupil's key on the server
        QString name; // in kana, as the child reads it
        int number = 0; // 出席番号
        bool left = false; // 転出
        std::optional<int> keptDays;     // the teacher's setting, when there is one
        std::optional<bool> retryMissed; // まちがえた もんだいを もういちど
        bool operator==(const Pupil &) const = default;
    };
    struct Class
    {
        QString id;
        QString name;
        QList<Pupil> pupils; // in 出席番号 order, those who left included
        bool operator==(const Class &) const = default;
    };
    QList<Class> classes;
    QDateTime fetched; // when the server gave it

    bool operator==(const PcRoster &) const = default;
    const Class *classOf(const QString &id) const;

    static inline const QString fileName = QStringLiteral("roster.json");
    // The copy kept in `folder`; nothing when there is none or it is damaged.
    static std::optional<PcRoster> read(const QString &folder);
    // Keeps this copy in `folder`; empty when done, else why not.
    QString write(const QString &folder) const;
    // From the server named by the libpq `service`: it blocks (bounded by the
    // connection's timeouts), so it runs off the GUI thread; nothing when the
    // server cannot give it (`words` receives why).
    static std::optional<PcRoster> fetch(const QString &service, QString *words);
};
