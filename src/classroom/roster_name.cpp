#include "classroom/roster_name.h"

#include "family/child_name.h"

namespace {
bool isSpace(QChar c)
{
    return c == u' ' || c == u'\u3000';
}
} // namespace

QString RosterName::normalised(const QString &written)
{
    return foldedSpaces(ChildName::normalised(written));
}

QString RosterName::foldedSpaces(const QString &text)
{
    QString folded;
    for (const QChar c : text) {
        if (!isSpace(c))
            folded += c;
        else if (!folded.isEmpty() && !folded.endsWith(u'\u3000'))
            folded += u'\u3000';
    }
    if (folded.endsWith(u'\u3000'))
        folded.chop(1);
    return folded;
}

RosterName::Problem RosterName::problemOf(const QString &written)
{
    const QList<uint> letters = normalised(written).toUcs4();
    bool sounded = false; // a letter other than ー and spaces
    for (const uint c : letters) {
        if (c != u'\u3000' && !ChildName::isKana(c))
            return Problem::NotKana;
        sounded = sounded || (c != u'\u3000' && c != u'ー');
    }
    if (!sounded)
        return Problem::Empty;
    return letters.size() > maxLength ? Problem::TooLong : Problem::None;
}

QString RosterName::key(const QString &name)
{
    return ChildName::key(normalised(name).remove(u'\u3000'));
}
