#include "family/child_name.h"

#include <QStringList>

#include <algorithm>

namespace {
bool isHalfWidthKatakana(QChar c)
{
    // ｡ to ﾟ: the half-width forms, with their voiced marks ﾞ and ﾟ.
    return c.unicode() >= 0xFF61 && c.unicode() <= 0xFF9F;
}
} // namespace

bool ChildName::isKana(char32_t c)
{
    return (c >= 0x3041 && c <= 0x3096)     // ぁ … ゖ
           || (c >= 0x30A1 && c <= 0x30FA) // ァ … ヺ
           || c == 0x30FC;                 // ー
}

QString ChildName::normalised(const QString &typed)
{
    // Only the half-width letters are folded to their full-width forms: the
    // compatibility folding of the whole text would also turn ㋐ or ㌀ into kana.
    QString name;
    const QString trimmed = typed.trimmed();
    for (qsizetype i = 0; i < trimmed.size();) {
        qsizetype end = i;
        while (end < trimmed.size() && isHalfWidthKatakana(trimmed.at(end)))
            ++end;
        if (end > i) {
            name += trimmed.mid(i, end - i).normalized(QString::NormalizationForm_KC);
            i = end;
        } else {
            name += trimmed.at(i++);
        }
    }
    return name.normalized(QString::NormalizationForm_C);
}

ChildName::Problem ChildName::problemOf(const QString &typed)
{
    const QList<uint> letters = normalised(typed).toUcs4();
    if (letters.isEmpty())
        return Problem::Empty;
    for (const uint c : letters) {
        if (!isKana(c))
            return Problem::NotKana;
    }
    // The long vowel mark lengthens a letter; alone it is no name.
    if (std::all_of(letters.cbegin(), letters.cend(), [](uint c) { return c == 0x30FC; }))
        return Problem::NotKana;
    return letters.size() > maxLength ? Problem::TooLong : Problem::None;
}

ChildName::Problem ChildName::problemOf(const QString &typed, const QSet<QString> &takenKeys)
{
    const Problem problem = problemOf(typed);
    return problem == Problem::None && takenKeys.contains(key(typed)) ? Problem::Taken : problem;
}

QString ChildName::key(const QString &name)
{
    QString key = normalised(name);
    for (QChar &c : key) {
        const char16_t u = c.unicode();
        if (u >= 0x3041 && u <= 0x3096)
            c = QChar(char16_t(u + 0x60)); // the katakana letter of the same sound
    }
    return key;
}

QString ChildName::message(Problem problem)
{
    switch (problem) {
    case Problem::None:
        return QString();
    case Problem::Empty:
        return QStringLiteral("名前が入っていません､ひらがなかカタカナで入れてください");
    case Problem::TooLong:
        return QStringLiteral("名前が長すぎます､%1文字までで入れてください").arg(maxLength);
    case Problem::NotKana:
        return QStringLiteral("名前はひらがなかカタカナで入れてください");
    case Problem::Taken:
        return QStringLiteral("同じ名前の子がもういます､ほかの名前にしてください");
    }
    return QString();
}

bool ChildName::isPupilName(const QString &name)
{
    const QList<uint> letters = name.toUcs4();
    const auto isSpace = [](uint c) { return c == 0x20 || c == 0x3000; };
    return !letters.isEmpty() && letters.size() <= maxPupilLength
           && std::all_of(letters.cbegin(), letters.cend(), [&](uint c) { return isKana(c) || isSpace(c); })
           && std::any_of(letters.cbegin(), letters.cend(), [&](uint c) { return !isSpace(c) && c != 0x30FC; });
}

QString ChildName::placeholder(const QSet<QString> &takenKeys)
{
    const QString base = QStringLiteral("なまえなし");
    const QString letters = QStringLiteral("あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをん");
    QString name = base;
    // Then base and one letter, two, ...: なまえなしあ … なまえなしん, なまえなしああ …
    for (qsizetype n = 0; takenKeys.contains(key(name)); ++n) {
        name = base;
        for (qsizetype rest = n; rest >= 0; rest = rest / letters.size() - 1)
            name.insert(base.size(), letters.at(rest % letters.size()));
    }
    return name;
}
