// The time from a click on the right tile to the first samples of OK.WAV taken
// by the audio driver: a number drill with a set question, the click delivered
// to the tile as mouse press and release, the real SDL sound device (the moment
// play() starts is noted by a thin wrapper, the rest is the device's own
// timing of its first samples).
//
//   bench_click_latency [CLICKS]     (default 30; SDL_AUDIODRIVER=dummy without sound card)
#include "bench_support.h"
#include "drill/drill_window.h"
#include "platform/app_setup.h"
#include "platform/random_draw.h"
#include "platform/random_source.h"
#include "sound/sdl_sound_device.h"

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QTemporaryDir>

namespace {
QElapsedTimer clock_;
qint64 clickedNs = 0;   // the press was sent
qint64 playNs = -1;     // play(OK.WAV) was entered
double firstSampleMs = -1;

// Every draw gives 3, then 4: the question is always 3 + 4 = ?.
class SetQuestion : public RandomSource
{
public:
    double next() override { return (flip_ = !flip_) ? 3 / 10000000.0 : 4 / 10000000.0; }

private:
    bool flip_ = false;
};

// The real device, with the moment each OK prompt starts noted.
class TimedDevice : public SoundDevice
{
public:
    void open() override { inner_.open(); }
    void play(const QString &path) override
    {
        const bool ok = QFileInfo(path).fileName() == QStringLiteral("OK.WAV");
        if (ok)
            playNs = clock_.nsecsElapsed();
        inner_.play(path);
        if (ok)
            firstSampleMs = inner_.lastTiming().firstSampleMs;
    }
    void close() override { inner_.close(); }
    bool isOpen() const override { return inner_.isOpen(); }
    bool hasOutput() const { return inner_.hasOutput(); }

private:
    SdlSoundDevice inner_;
};

void click(QWidget *w)
{
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    const QPointF global = w->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QApplication::sendEvent(w, &release);
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    AppSetup::configure(app);
    const int clicks = argc > 1 ? std::max(3, std::atoi(argv[1])) : 30;
    clock_.start();

    QTemporaryDir work;
    QDir::setCurrent(work.path());
    bench::setRecordGlobals();
    ProjectGlobals::instance().currentDrillName = QStringLiteral("たしざん１０");
    if (!bench::createRecordFile(work.filePath(QStringLiteral("ADO_ZEM.MDB"))))
        bench::fail(QStringLiteral("cannot create the results file"));
    RandomDraw::setSource(std::make_unique<SetQuestion>());
    TimedDevice *device = nullptr;
    SoundDevice::setFactory([&device] {
        auto d = std::make_unique<TimedDevice>();
        device = d.get();
        return d;
    });

    DrillWindow w(QStringLiteral("たしざん10"));
    w.showForm();
    std::vector<double> total, toPlay, driver;
    for (int i = 0; i < clicks + 1; ++i) {
        // Wait for the question's reading to end ("次" hidden, timer idle).
        bench::settleUntil([&] { return !w.Timer1->isActive() && w.Label5->text() == QStringLiteral("？"); }, 10000);
        ClickLabel *right = nullptr;
        for (ClickLabel *tile : w.Label6)
            if (tile->text() == QStringLiteral("7"))
                right = tile;
        if (!right || w.Label5->text() != QStringLiteral("？")) {
            std::fprintf(stderr, "bench_click_latency: the question did not come\n");
            return 1;
        }
        playNs = -1;
        firstSampleMs = -1;
        clickedNs = clock_.nsecsElapsed();
        click(right);
        if (playNs < 0 || firstSampleMs < 0) {
            std::fprintf(stderr, "bench_click_latency: OK.WAV was not played (output %d)\n",
                         device && device->hasOutput());
            return 1;
        }
        const double before = (playNs - clickedNs) / 1e6;
        if (i > 0) { // the first click also decodes the prompt
            toPlay.push_back(before);
            driver.push_back(firstSampleMs);
            total.push_back(before + firstSampleMs);
        }
        bench::settleUntil([&] { return w.Command1->isVisible(); }, 20000);
        w.Command1_Click();
    }
    const auto line = [](const char *what, const std::vector<double> &v, double limit) {
        const bench::Summary s(v);
        std::printf("  %-40s median %6.2f ms  (min %6.2f, p90 %6.2f, max %6.2f)", what, s.median(), s.min(),
                    s.percentile(0.9), s.max());
        if (limit > 0)
            std::printf("  limit %.0f ms: %s", limit, s.median() < limit ? "ok" : "OVER");
        std::printf("\n");
    };
    std::printf("click on the right tile to OK.WAV's first samples, %d clicks, audio driver %s\n", clicks,
                qPrintable(qEnvironmentVariable("SDL_AUDIODRIVER", QStringLiteral("default"))));
    bench::printMachine();
    line("click to play() (judging, repaint)", toPlay, 0);
    line("play() to first samples taken", driver, 0);
    line("click to first samples", total, 30);
    w.unloadForm();
    return 0;
}
