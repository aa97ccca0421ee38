#include "family/parents_check.h"

#include "family/family_files.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QtGlobal>

#include <algorithm>

#include <utility>

ParentsCheck::ParentsCheck(Draw draw) : draw_(std::move(draw))
{
    drawQuestion();
}

void ParentsCheck::drawQuestion()
{
    tens_ = 10 + qBound(0, draw_(90), 89);
    ones_ = 2 + qBound(0, draw_(8), 7);
}

QString ParentsCheck::question() const
{
    return QStringLiteral("%1 × %2 ＝ ？").arg(tens_).arg(ones_);
}

ParentsCheck::State ParentsCheck::answer(const QString &typed)
{
    if (state_ != State::Asking)
        return state_;
    if (numberOf(typed) == static_cast<long long>(tens_) * ones_) {
        state_ = State::Passed;
    } else if (++wrong_ >= tries) {
        state_ = State::Closed;
    } else {
        drawQuestion();
    }
    return state_;
}

std::optional<long long> ParentsCheck::numberOf(const QString &typed)
{
    const QString text = typed.trimmed();
    // More digits than any product has are wrong, and cannot overflow.
    if (text.isEmpty() || text.size() > 9)
        return std::nullopt;
    long long number = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const int digit = u >= u'0' && u <= u'9'           ? u - u'0'
                          : u >= 0xFF10 && u <= 0xFF19 ? u - 0xFF10 // ０ … ９
                                                        : -1;
        if (digit < 0)
            return std::nullopt;
        number = number * 10 + digit;
    }
    return number;
}

namespace {
// When the pause ends (ms since the epoch) for each data folder, as this
// process knows it: for a folder not made yet, and as a floor when the
// folder cannot be written.
qint64 &pauseEndHere(const QString &dataFolder)
{
    static QHash<QString, qint64> ends;
    return ends[dataFolder];
}
} // namespace

void ParentsCheck::startPause(const QString &dataFolder, const QDateTime &now)
{
    const qint64 end = now.toMSecsSinceEpoch() + pauseSeconds * 1000LL;
    pauseEndHere(dataFolder) = end;
    if (dataFolder.isEmpty() || !QFileInfo(dataFolder).isDir())
        return;
    const QString file = QDir(dataFolder).filePath(pauseFileName);
    const QString temporary = FamilyFiles::temporaryFor(file);
    if (FamilyFiles::writeTemporary(temporary, QByteArray::number(end)).isEmpty())
        FamilyFiles::replace(temporary, file);
}

int ParentsCheck::pauseLeft(const QString &dataFolder, const QDateTime &now)
{
    qint64 end = pauseEndHere(dataFolder);
    if (!dataFolder.isEmpty()) {
        if (const std::optional<QByteArray> stored = FamilyFiles::readSmall(QDir(dataFolder).filePath(pauseFileName), 32))
            end = std::max(end, stored->trimmed().toLongLong());
    }
    const qint64 left = std::min<qint64>(end - now.toMSecsSinceEpoch(), pauseSeconds * 1000LL);
    return left <= 0 ? 0 : static_cast<int>((left + 999) / 1000);
}
