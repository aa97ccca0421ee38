#include "support/sandboxed_test.h"

#include "platform/random_draw.h"
#include "platform/system_clock.h"
#include "support/test_setup.h"

void SandboxedTest::enterSandbox()
{
    dir = std::make_unique<TempWorkDir>();
    TestSetup::createDatabase();
    sound = std::make_unique<RecordingSound>();
    dialogs = FakeDialogs::install();
    random = ScriptedRandom::install();
    SystemClock::setFixedNow(sandboxNow());
}

void SandboxedTest::leaveSandbox()
{
    SystemClock::setFixedNow(std::nullopt);
    Dialogs::install(nullptr);
    RandomDraw::seedFromTimer();
    sound.reset();
    SoundDevice::setFactory(nullptr);
    TestSetup::application();
    dir.reset();
}
