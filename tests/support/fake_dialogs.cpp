#include "support/fake_dialogs.h"

void FakeDialogs::tell(const QString &text)
{
    told << text;
}

bool FakeDialogs::ask(const QString &text)
{
    asked << text;
    if (answers.empty())
        return true;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
}

void FakeDialogs::reset()
{
    told.clear();
    asked.clear();
    answers.clear();
}

FakeDialogs &FakeDialogs::installed()
{
    static FakeDialogs *instance = [] {
        auto dialogs = std::make_unique<FakeDialogs>();
        FakeDialogs *raw = dialogs.get();
        Dialogs::install(std::move(dialogs));
        return raw;
    }();
    return *instance;
}
