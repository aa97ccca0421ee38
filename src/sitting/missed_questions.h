#pragma once

#include <deque>
#include <optional>
#include <utility>

// The questions a child missed in this sitting, when a parent chose to have
// them asked again: a question whose first answer was wrong is remembered
// whole (the same numbers in the same boxes, the same time) and comes back in
// place of a new draw once two other questions have been asked, the oldest
// first (the clock draws its labels afresh). It is asked and judged as any question
// is, with no mark of its own; missed again, it comes back again. At most
// five wait at once. Switched off, nothing is remembered and every question
// is drawn as it always was.
template <typename Question>
class MissedQuestions
{
public:
    static constexpr int maxWaiting = 5;
    static constexpr int othersBetween = 2;

    // A new sitting: nothing waits; `enabled` is the parent's choice.
    void begin(bool enabled)
    {
        enabled_ = enabled;
        waiting_.clear();
        posings_ = 0;
        current_.reset();
    }
    int waiting() const { return static_cast<int>(waiting_.size()); }

    // A question is to be posed: the missed one that is due now, taken from
    // those waiting, or nothing (a new one is drawn).
    std::optional<Question> due()
    {
        ++posings_;
        if (waiting_.empty() || waiting_.front().dueAt > posings_)
            return std::nullopt;
        Question back = std::move(waiting_.front().question);
        waiting_.pop_front();
        return back;
    }
    // The question now on the screen, drawn or come back; its first answer
    // is still to come.
    void posed(const Question &question)
    {
        current_ = question;
        answered_ = false;
    }
    // The child answered the question on the screen. Only a wrong first
    // answer is remembered.
    void answered(bool right)
    {
        if (std::exchange(answered_, true) || right || !enabled_ || !current_
            || waiting_.size() >= static_cast<size_t>(maxWaiting))
            return;
        waiting_.push_back({*current_, posings_ + othersBetween + 1});
    }

private:
    struct Waiting
    {
        Question question;
        int dueAt; // the posing at which it comes back, at the earliest
    };
    bool enabled_ = false;
    std::deque<Waiting> waiting_;
    int posings_ = 0;
    std::optional<Question> current_;
    bool answered_ = false;
};
