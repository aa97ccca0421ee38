#include "sound/prompt_files.h"

#include "platform/app_info.h"
#include "platform/clock_words.h"
#include "platform/drill_table.h"

#include <algorithm>

const QString PromptFiles::OK = QStringLiteral("/OK.WAV");
const QString PromptFiles::NG = QStringLiteral("/NG.WAV");
const QString PromptFiles::WHAT_TIME = QStringLiteral("/いまなんじ？.WAV");

QString PromptFiles::fixed(const QString &separatorAndName)
{
    return AppInfo::programFolder() + separatorAndName;
}

QString PromptFiles::forWord(const QString &word)
{
    return AppInfo::programFolder() + QStringLiteral("/") + word + QStringLiteral(".WAV");
}

QStringList PromptFiles::required()
{
    // What the drills of the drill table say: the verdicts; the numbers of the
    // equations, their signs, "＝" and "？"; the clock's question and its
    // time words, an hour word and a minute word for every time it asks.
    QStringList words{QStringLiteral("OK"), QStringLiteral("NG")};
    QStringList signs;
    int largest = 0;
    bool clock = false;
    for (const DrillTable::Entry &drill : DrillTable::all()) {
        if (drill.isClock()) {
            clock = true;
            continue;
        }
        largest = std::max(largest, drill.limit);
        if (const QString sign = DrillTable::sign(drill.operation); !signs.contains(sign))
            signs << sign;
    }
    for (int n = 0; n <= largest; ++n)
        words << QString::number(n);
    words << signs << QStringLiteral("＝") << QStringLiteral("？");
    if (clock) {
        words << QStringLiteral("いまなんじ？");
        for (int hour = 1; hour <= 12; ++hour)
            words << ClockWords::hour(hour);
        for (int minute = 0; minute <= 55; minute += 5)
            words << ClockWords::minute(minute);
    }
    QStringList names;
    for (const QString &word : words)
        names << word + QStringLiteral(".WAV");
    return names;
}
