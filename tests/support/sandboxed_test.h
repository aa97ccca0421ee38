#pragma once

#include "support/fake_dialogs.h"
#include "support/recording_sound_device.h"
#include "support/scripted_random.h"
#include "support/temp_work_dir.h"

#include <QDateTime>
#include <QObject>

#include <memory>

// The base of window tests: each test function runs in a fresh working
// directory with a created results file, scripted message boxes and random
// draws, recorded sound and the clock fixed at 2001/04/27 9:05:03.
class SandboxedTest : public QObject
{
protected:
    void enterSandbox();
    void leaveSandbox();

    static QDateTime sandboxNow() { return QDateTime(QDate(2001, 4, 27), QTime(9, 5, 3)); }

    std::unique_ptr<TempWorkDir> dir;
    std::unique_ptr<RecordingSound> sound;
    FakeDialogs *dialogs = nullptr;
    ScriptedRandom *random = nullptr;
};
