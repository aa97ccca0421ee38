#include "sound/prompt_files.h"

#include "platform/app_info.h"

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
    QStringList names{QStringLiteral("OK.WAV"), QStringLiteral("NG.WAV")};
    for (int n = 0; n <= 20; ++n)
        names << QString::number(n) + QStringLiteral(".WAV");
    for (int n = 25; n <= 55; n += 5)
        names << QString::number(n) + QStringLiteral(".WAV");
    for (const char16_t *word : {u"＋", u"－", u"＝", u"？", u"いまなんじ？", u"じ", u"ふん"})
        names << QString::fromUtf16(word) + QStringLiteral(".WAV");
    return names;
}
