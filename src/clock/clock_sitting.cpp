#include "clock/clock_sitting.h"

#include "sound/prompt_files.h"

#include <utility>

ClockSitting::ClockSitting(PendingEvents handlePending) : handlePending_(std::move(handlePending))
{
    labels_.fill(QStringLiteral("Label1"));
}

ClockSitting::Shown ClockSitting::shown() const
{
    const SittingPhase p = phase();
    Shown s;
    s.labels = labels_;
    s.labelsVisible = isQuestionOpen();
    s.answer = answer_;
    s.answerVisible = p == SittingPhase::AnsweredPending || p == SittingPhase::Reading
                      || p == SittingPhase::Answered;
    // 次 is offered exactly when the question is answered and its time read.
    s.nextVisible = p == SittingPhase::Answered;
    s.nextEnabled = p != SittingPhase::Asking && p != SittingPhase::Reading;
    s.hour = question_.hour;
    s.minute = question_.minute;
    return s;
}

Sitting::Step ClockSitting::load(qint64 nowMs)
{
    begin(nowMs);
    freshQuestionWanted_ = true;
    setQuestion();
    return {{}, phase() == SittingPhase::Posed};
}

Sitting::Step ClockSitting::next()
{
    if (phase() == SittingPhase::Closed)
        return {};
    setPhase(SittingPhase::Posed);
    setQuestion();
    return {{}, phase() == SittingPhase::Posed};
}

Sitting::Step ClockSitting::freshQuestionDue()
{
    // It comes once, and only for the question set at load while that one is
    // unanswered: a question answered is never replaced under the child.
    if (std::exchange(freshQuestionWanted_, false) && isQuestionOpen())
        setQuestion();
    return {};
}

void ClockSitting::setQuestion()
{
    // A question asked for while one is being set (by an event handled during
    // a redraw) is set after it, never halfway through it, so the labels and
    // the face always belong to one question.
    if (settingQuestion_) {
        questionWanted_ = true;
        return;
    }
    settingQuestion_ = true;
    do {
        questionWanted_ = false;
        const ClockQuestion drawn = ClockQuestion::draw([this](const ClockQuestion &soFar) {
            // A click handled meanwhile is judged against this question.
            adopt(soFar);
            if (handlePending_)
                handlePending_();
        });
        adopt(drawn);
        ++questionsSet_;
    } while (questionWanted_ && isQuestionOpen());
    settingQuestion_ = false;
}

void ClockSitting::adopt(const ClockQuestion &question)
{
    question_ = question;
    for (size_t i = 0; i < labels_.size(); ++i) {
        if (!question.labels[i].isEmpty())
            labels_[i] = question.labels[i];
    }
}

std::optional<Sitting::Step> ClockSitting::promptDue(bool onScreen, qint64 nowMs)
{
    if (phase() != SittingPhase::Posed)
        return Step{}; // answered before it was asked: nothing to ask
    if (holdForScreen(onScreen, nowMs))
        return std::nullopt;
    setPhase(SittingPhase::Asking);
    return Step{{PromptFiles::fixed(PromptFiles::WHAT_TIME)}, false};
}

Sitting::Step ClockSitting::label(int index)
{
    if (index < 0 || index >= static_cast<int>(labels_.size()) || !isQuestionOpen())
        return {};
    if (index != question_.answerIndex)
        return {{PromptFiles::fixed(PromptFiles::NG)}, false};
    answer_ = labels_[static_cast<size_t>(index)];
    answeredHour_ = question_.hour;
    answeredMinute_ = question_.minute;
    freshQuestionWanted_ = false;
    countRightAnswer();
    setPhase(SittingPhase::AnsweredPending);
    return {{PromptFiles::fixed(PromptFiles::OK)}, true};
}

Sitting::Step ClockSitting::readingDue()
{
    if (phase() != SittingPhase::AnsweredPending)
        return {};
    setPhase(SittingPhase::Reading);
    // The time the child answered, whatever question is shown by now.
    return {{PromptFiles::forWord(QString::number(answeredHour_)), PromptFiles::fixed(PromptFiles::HOUR),
             PromptFiles::forWord(QString::number(answeredMinute_)), PromptFiles::fixed(PromptFiles::MINUTE)},
            false};
}
