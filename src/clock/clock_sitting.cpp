#include "clock/clock_sitting.h"

#include "platform/clock_words.h"
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
    // 次 is offered exactly when the question is answered and its time read,
    // and cannot be pressed while the next question is being drawn.
    s.nextVisible = p == SittingPhase::Answered;
    s.nextEnabled = p != SittingPhase::Asking && p != SittingPhase::Reading && !drawingQuestion();
    s.hour = question_.hour;
    s.minute = question_.minute;
    return s;
}

Sitting::Step ClockSitting::load(qint64 nowMs, bool askMissedAgain)
{
    // The window is not on the screen yet: nothing of the new sitting is
    // shown until its first question is drawn.
    const std::optional<ClockQuestion> first = drawQuestion();
    if (!first)
        return {};
    begin(nowMs);
    missed_.begin(askMissedAgain);
    freshQuestionWanted_ = true;
    adopt(*first);
    return {{}, true};
}

Sitting::Step ClockSitting::next()
{
    if (phase() == SittingPhase::Closed || drawingQuestion())
        return {};
    // A missed question that is due comes back: its time, with its labels
    // drawn afresh.
    const std::optional<ClockQuestion> missed = missed_.due();
    const std::optional<ClockQuestion> question = drawQuestion(missed);
    if (!question)
        return {};
    adopt(*question);
    setPhase(SittingPhase::Posed);
    return {{}, true};
}

Sitting::Step ClockSitting::freshQuestionDue()
{
    // It comes once, and only for the question set at load while that one is
    // unanswered: a question answered is never replaced under the child, not
    // even when the answer comes while the fresh one is being drawn.
    if (!std::exchange(freshQuestionWanted_, false) || !isQuestionOpen() || drawingQuestion())
        return {};
    const std::optional<ClockQuestion> fresh = drawQuestion();
    if (fresh && isQuestionOpen())
        adopt(*fresh);
    return {};
}

std::optional<ClockQuestion> ClockSitting::drawQuestion(const std::optional<ClockQuestion> &again)
{
    const quint64 sitting = epoch();
    ++drawing_;
    const auto beforeRedraw = [this] {
        if (handlePending_)
            handlePending_();
    };
    const ClockQuestion drawn = again ? ClockQuestion::again(*again, beforeRedraw) : ClockQuestion::draw(beforeRedraw);
    --drawing_;
    if (epoch() != sitting)
        return std::nullopt;
    return drawn;
}

void ClockSitting::adopt(const ClockQuestion &question)
{
    question_ = question;
    labels_ = question.labels;
    ++questionsSet_;
    missed_.posed(question);
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
    missed_.answered(index == question_.answerIndex);
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
    // The time the child answered, each word said whole: 4じ (よじ), 10ぷん.
    return {{PromptFiles::forWord(ClockWords::hour(answeredHour_)),
             PromptFiles::forWord(ClockWords::minute(answeredMinute_))},
            false};
}
