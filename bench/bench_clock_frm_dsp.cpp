// How long one clock question takes to set: choose the time, fill the eight
// answer labels and draw the face, at the window's design size on the
// offscreen platform. Prints the median and spread over many runs and the
// machine they ran on.
#include "clock/clock_window.h"
#include "platform/app_setup.h"
#include "platform/project_globals.h"
#include "platform/random_draw.h"
#include "sound/sound_device.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
// Setting a question plays nothing; the window still wants a device at load.
class SilentSound : public SoundDevice
{
public:
    void open() override { open_ = true; }
    void play(const QString &) override {}
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }

private:
    bool open_ = false;
};

QString cpuModel()
{
    QFile info(QStringLiteral("/proc/cpuinfo"));
    // /proc files report no size: read to the end rather than testing atEnd().
    if (info.open(QIODevice::ReadOnly | QIODevice::Text)) {
        const QStringList lines = QString::fromUtf8(info.readAll()).split(QLatin1Char('\n'));
        for (const QString &line : lines)
            if (line.startsWith(QStringLiteral("model name")))
                return line.section(QLatin1Char(':'), 1).trimmed();
    }
    return QStringLiteral("unknown");
}

double percentile(const std::vector<double> &sorted, double p)
{
    const auto at = static_cast<std::size_t>(p * static_cast<double>(sorted.size() - 1) + 0.5);
    return sorted[at];
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    AppSetup::configure(app);
    SoundDevice::setFactory([] { return std::make_unique<SilentSound>(); });
    RandomDraw::seedFromTimer();
    ProjectGlobals::instance().currentDrillName = QStringLiteral("とけい");

    ClockWindow window;
    window.showForm();
    window.Timer1->stop();
    window.Timer2->stop();
    QCoreApplication::processEvents();

    constexpr int warmUp = 50;
    constexpr int runs = 1000;
    for (int i = 0; i < warmUp; ++i)
        window.frm_dsp();

    std::vector<double> ms;
    ms.reserve(runs);
    QElapsedTimer timer;
    for (int i = 0; i < runs; ++i) {
        timer.start();
        window.frm_dsp();
        ms.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        // Let the window paint now and then, as it would between questions.
        if (i % 50 == 0)
            QCoreApplication::processEvents();
    }
    std::sort(ms.begin(), ms.end());

    const QSize size = window.size();
    std::printf("frm_dsp at %dx%d px (%s platform), %d runs\n", size.width(), size.height(),
                qPrintable(QGuiApplication::platformName()), runs);
    std::printf("median %.3f ms  p10 %.3f ms  p90 %.3f ms  min %.3f ms  max %.3f ms\n",
                percentile(ms, 0.5), percentile(ms, 0.1), percentile(ms, 0.9), ms.front(), ms.back());
    std::printf("machine: %d cores (nproc), %s\n", QThread::idealThreadCount(), qPrintable(cpuModel()));
    std::printf("target: median under 5 ms: %s\n", percentile(ms, 0.5) < 5.0 ? "met" : "NOT met");

    window.unloadForm();
    return percentile(ms, 0.5) < 5.0 ? 0 : 1;
}
