#include "sound/prompt_files.h"

#include "platform/app_info.h"
#include "platform/drill_table.h"

#include <algorithm>

const QString PromptFiles::OK = QStringLiteral("/OK.WAV");
const QString PromptFiles::NG = QStringLiteral("/NG.WAV");
const QString PromptFiles::WHAT_TIME = QStringLiteral("/いまなんじ？.WAV");
const QString PromptFiles::HOUR = QStringLiteral("/じ.WAV");
const QString PromptFiles::MINUTE = QStringLiteral("/ふん.WAV");

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
    // equations (and of the clock's hours and minutes), their signs, "＝" and
    // "？"; the clock's question and its words after the hour and the minute.
    QStringList words{QStringLiteral("OK"), QStringLiteral("NG")};
    QStringList signs;
    int largest = 0;
    bool clock = false;
    for (const DrillTable::Entry &drill : DrillTable::all()) {
        if (drill.isClock()) {
            clock = true;
            largest = std::max(largest, 12);
            continue;
        }
        largest = std::max(largest, drill.limit);
        if (const QString sign = DrillTable::sign(drill.operation); !signs.contains(sign))
            signs << sign;
    }
    for (int n = 0; n <= largest; ++n)
        words << QString::number(n);
    for (int minute = 0; clock && minute <= 55; minute += 5) {
        if (minute > largest)
            words << QString::number(minute);
    }
    words << signs << QStringLiteral("＝") << QStringLiteral("？");
    if (clock)
        words << QStringLiteral("いまなんじ？") << QStringLiteral("じ") << QStringLiteral("ふん");
    QStringList names;
    for (const QString &word : words)
        names << word + QStringLiteral(".WAV");
    return names;
}
