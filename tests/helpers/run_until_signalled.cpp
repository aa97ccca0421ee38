// run_until_signalled carrying|sitting: the program's start-up in the current
// folder, with its signal handling, every question answered OK and no sound.
// "carrying": ADO_ZEM.MDB is an old Jet file, and start-up waits in the
// carry-over on the tools found first on the search path. "sitting": opens
// たしざん１０, answers its first question right, prints "ready" and waits.
// Either way it runs until a signal ends it.
#include "app/menu_window.h"
#include "app/quit_signals.h"
#include "drill/drill_window.h"
#include "platform/app_setup.h"
#include "platform/random_draw.h"
#include "support/fake_dialogs.h"
#include "support/recording_sound.h"
#include "support/scripted_random.h"

#include <QApplication>
#include <QTextStream>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    AppSetup::configure(app);
    QuitSignals::install();
    FakeDialogs::installed();
    SoundDevice::setFactory([] { return std::make_unique<RecordingSound>(); });
    auto draws = std::make_unique<ScriptedRandom>();
    draws->draws({3, 4}); // たしざん１０ asks 3 ＋ 4
    RandomDraw::setSource(std::move(draws));
    MenuWindow menu;
    menu.showForm();
    if (QByteArray(argc > 1 ? argv[1] : "") == "sitting") {
        menu.Command1_Click(1);
        auto *drill = static_cast<DrillWindow *>(menu.drillWindow(1));
        drill->Label6_Click(7);
        if (drill->Timer1->isActive())
            drill->Timer1_Timer();
    }
    QTextStream(stdout) << "ready" << Qt::endl;
    return app.exec();
}
