// How long one clock question takes to set: choose the time, fill the eight
// answer labels and draw the face, at the window's design size on the
// offscreen platform. Prints the median and spread over many runs and the
// machine they ran on.
#include "bench_support.h"
#include "clock/clock_window.h"
#include "platform/app_setup.h"
#include "platform/random_draw.h"
#include "sound/sound_device.h"

#include <QApplication>

namespace {
// Setting a question plays nothing; the window still wants a device at load.
class SilentSound : public SoundDevice
{
public:
    void open() override {}
    void play(const QString &) override {}
    void close() override {}
};
} // namespace

int main(int argc, char **argv)
{
    bench::preferOffscreen();
    QApplication app(argc, argv);
    AppSetup::configure(app);
    SoundDevice::setFactory([] { return std::make_unique<SilentSound>(); });
    RandomDraw::seedFromTimer();
    ProjectGlobals::instance().currentDrillName = QStringLiteral("とけい");

    const ResultsLog log(QStringLiteral("ADO_ZEM.MDB"));
    ClockWindow window(*DrillTable::atMenuIndex(6), log);
    window.showForm();
    window.Timer1->stop();
    window.Timer2->stop();
    QCoreApplication::processEvents();

    constexpr int warmUp = 50;
    constexpr int runs = 1000;
    // A new question: chosen, its labels filled, its face drawn.
    const auto newQuestion = [&] {
        window.Command1_Click();
        window.Timer2->stop();
    };
    for (int i = 0; i < warmUp; ++i)
        newQuestion();

    std::vector<double> ms;
    ms.reserve(runs);
    QElapsedTimer timer;
    for (int i = 0; i < runs; ++i) {
        timer.start();
        newQuestion();
        ms.push_back(bench::elapsedMs(timer));
        // Let the window paint now and then, as it would between questions.
        if (i % 50 == 0)
            QCoreApplication::processEvents();
    }
    const bench::Summary s(ms);

    const QSize size = window.size();
    std::printf("a new clock question at %dx%d px (%s platform), %d runs\n", size.width(), size.height(),
                qPrintable(QGuiApplication::platformName()), runs);
    std::printf("median %.3f ms  p10 %.3f ms  p90 %.3f ms  min %.3f ms  max %.3f ms\n",
                s.median(), s.percentile(0.1), s.percentile(0.9), s.min(), s.max());
    std::printf("machine: %d cores (nproc), %s\n", bench::cpuCount(), qPrintable(bench::cpuModel()));
    std::printf("target: median under 5 ms: %s\n", s.median() < 5.0 ? "met" : "NOT met");

    window.unloadForm();
    return s.median() < 5.0 ? 0 : 1;
}
