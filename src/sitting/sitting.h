#pragma once

#include "sitting/sitting_phase.h"

#include <QString>
#include <QStringList>

#include <optional>

// What both drills' sittings share, without any widget: the phase of the
// question, the count of right answers, and the wait of the first prompt for
// the window to reach the screen. Each drill's rules derive from it; its
// window feeds them timer ticks and clicks and shows what they say.
class Sitting
{
public:
    // What an event asks of the window besides showing the new state: prompts
    // to play now, in order (paths of prompt files), and whether the prompt or
    // reading that has become due is to be started by the window's timer.
    struct Step
    {
        QStringList say;
        bool due = false;
    };

    // A prompt that is held back until the window is on the screen waits at
    // most this long.
    static constexpr qint64 maxScreenWaitMs = 1000;

    SittingPhase phase() const { return phase_; }
    // Right answers of this sitting.
    int CLEAR_CNT() const { return count_; }

    // The clear count as shown: "クリア　N" (the fourth character is the
    // ideographic space U+3000).
    static QString clearCaption(int count);

    // The window closes, in any phase: the sitting ends. Its count, to be
    // recorded when not 0.
    int close();
    // The prompt or reading that was due has been played to its end: Asking
    // becomes Open and Reading becomes Answered.
    void spoken();

protected:
    // A new sitting at nowMs (a monotonic clock's milliseconds): count 0,
    // nothing of an earlier sitting left.
    void begin(qint64 nowMs);
    void setPhase(SittingPhase phase) { phase_ = phase; }
    void countRightAnswer() { ++count_; }
    bool isQuestionOpen() const;
    // True while the first prompt of the sitting is to wait for the window:
    // it is not on the screen yet and the sitting is younger than the wait.
    bool holdForScreen(bool onScreen, qint64 nowMs) const;
    // Changes whenever a sitting begins or ends, so that work begun in one
    // sitting can tell, once it returns, that the sitting is over.
    quint64 epoch() const { return epoch_; }

private:
    SittingPhase phase_ = SittingPhase::Closed;
    int count_ = 0;
    qint64 begunAtMs_ = 0;
    bool spokenOnce_ = false;
    quint64 epoch_ = 0;
};
