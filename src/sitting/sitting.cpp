#include "sitting/sitting.h"

QString Sitting::clearCaption(int count)
{
    return QStringLiteral("クリア\u3000") + QString::number(count);
}

int Sitting::close()
{
    ++epoch_;
    phase_ = SittingPhase::Closed;
    return count_;
}

void Sitting::begin(qint64 nowMs)
{
    ++epoch_;
    phase_ = SittingPhase::Posed;
    count_ = 0;
    begunAtMs_ = nowMs;
    spokenOnce_ = false;
}

bool Sitting::isQuestionOpen() const
{
    return phase_ == SittingPhase::Posed || phase_ == SittingPhase::Asking
           || phase_ == SittingPhase::Open;
}

bool Sitting::holdForScreen(bool onScreen, qint64 nowMs) const
{
    return !spokenOnce_ && !onScreen && nowMs - begunAtMs_ < maxScreenWaitMs;
}

void Sitting::spoken()
{
    spokenOnce_ = true;
    if (phase_ == SittingPhase::Asking)
        phase_ = SittingPhase::Open;
    else if (phase_ == SittingPhase::Reading)
        phase_ = SittingPhase::Answered;
}
