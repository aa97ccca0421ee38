#include "drill/number_sitting.h"

#include "sound/prompt_files.h"

NumberSitting::NumberSitting(const DrillKind &kind) : kind_(kind), equation_(kind.initialEquation()) {}

NumberSitting::Shown NumberSitting::shown() const
{
    Shown s;
    s.equation = equation_;
    // 次 shows on loading and once an answer has been read; it is disabled
    // while anything is read and hidden while a question waits for its answer.
    switch (phase()) {
    case SittingPhase::Closed:
    case SittingPhase::Posed:
    case SittingPhase::Answered:
        break;
    case SittingPhase::Asking:
        s.nextEnabled = false;
        break;
    case SittingPhase::Open:
    case SittingPhase::AnsweredPending:
        s.nextVisible = false;
        break;
    case SittingPhase::Reading:
        s.nextVisible = false;
        s.nextEnabled = false;
        break;
    }
    return s;
}

Sitting::Step NumberSitting::load(qint64 nowMs, bool askMissedAgain)
{
    begin(nowMs);
    missed_.begin(askMissedAgain);
    equation_ = kind_.initialEquation();
    return pose();
}

Sitting::Step NumberSitting::next()
{
    if (phase() == SittingPhase::Closed)
        return {};
    return pose();
}

Sitting::Step NumberSitting::pose()
{
    // A missed question that is due comes back whole and takes no draw.
    const std::optional<DrillKind::Equation> back = missed_.due();
    equation_ = back ? *back : kind_.pose(equation_);
    missed_.posed(equation_);
    setPhase(SittingPhase::Posed);
    return {{}, true};
}

Sitting::Step NumberSitting::tile(const QString &caption)
{
    if (!isQuestionOpen())
        return {}; // answered already: the click has no effect
    const std::optional<DrillKind::Unknown> unknown = kind_.openQuestion(equation_);
    if (!unknown)
        return {};
    bool isNumber = false;
    const int number = caption.toInt(&isNumber);
    const bool right = isNumber && number == unknown->answer;
    missed_.answered(right);
    if (!right)
        return {{PromptFiles::fixed(PromptFiles::NG)}, false};

    switch (unknown->box) {
    case DrillKind::Box::First:
        equation_.first = caption;
        break;
    case DrillKind::Box::Second:
        equation_.second = caption;
        break;
    case DrillKind::Box::Result:
        equation_.result = caption;
        break;
    }
    countRightAnswer();
    setPhase(SittingPhase::AnsweredPending);
    return {{PromptFiles::fixed(PromptFiles::OK)}, true};
}

std::optional<Sitting::Step> NumberSitting::readingDue(bool onScreen, qint64 nowMs)
{
    const bool question = phase() == SittingPhase::Posed;
    if (!question && phase() != SittingPhase::AnsweredPending)
        return Step{};
    if (holdForScreen(onScreen, nowMs))
        return std::nullopt;
    setPhase(question ? SittingPhase::Asking : SittingPhase::Reading);
    Step step;
    for (const QString &box : {equation_.first, kind_.sign(), equation_.second,
                               DrillKind::equalsSign, equation_.result})
        step.say << PromptFiles::forWord(box);
    return step;
}
