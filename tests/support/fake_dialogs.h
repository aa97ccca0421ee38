#pragma once

#include "platform/dialogs.h"

#include <QStringList>

#include <deque>
#include <functional>
#include <optional>
#include <utility>

// Message boxes for tests: every text is recorded and questions are answered
// from a queue (OK when it is empty). Installed for the whole test program, so
// no test can ever wait on a real message box.
class FakeDialogs : public Dialogs
{
public:
    void tell(const QString &text) override { told << text; }
    bool ask(const QString &text) override
    {
        asked << text;
        if (whenAsked)
            std::exchange(whenAsked, nullptr)();
        const bool answer = answers.empty() || answers.front();
        if (!answers.empty())
            answers.pop_front();
        return answer;
    }
    std::optional<QString> askText(const QString &text, const QString &) override
    {
        asked << text;
        if (answering)
            return answering(text);
        if (typed.empty())
            return std::nullopt;
        const std::optional<QString> answer = typed.front();
        typed.pop_front();
        return answer;
    }

    QStringList told;
    QStringList asked;
    std::deque<bool> answers;
    // What is typed at each question asked for a text (nothing: Cancel; Cancel when empty).
    std::deque<std::optional<QString>> typed;
    // When set, answers every question asked for a text from its words.
    std::function<std::optional<QString>(const QString &)> answering;
    // Runs once, while the next question is asked (something that happens
    // while a person reads it).
    std::function<void()> whenAsked;

    // The one instance, installed on first use.
    static FakeDialogs &installed()
    {
        static FakeDialogs *instance = [] {
            auto owned = std::make_unique<FakeDialogs>();
            FakeDialogs *raw = owned.get();
            Dialogs::install(std::move(owned));
            return raw;
        }();
        return *instance;
    }
};
