// The time from a click on the right tile to the first samples of OK.WAV
// reaching the audio driver: a number drill (たしざん１０) with a set question,
// the click delivered to the tile as mouse press and release, the real SDL
// sound device writing through SDL's disk driver at real-time pace. A thin
// wrapper installed through SoundDevice::setFactory notes when play(OK.WAV) is
// entered; bench::DiskAudioWatcher notes when OK.WAV's first samples reach the
// driver's file.
//
//   bench_click_latency [CLICKS]     (default 30)
#include "bench_support.h"
#include "drill/drill_kind.h"
#include "drill/drill_window.h"
#include "platform/app_setup.h"
#include "platform/random_draw.h"
#include "platform/random_source.h"
#include "sound/prompt_files.h"
#include "sound/sdl_sound_device.h"
#include "sound/wav_clip.h"

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QTemporaryDir>

namespace {
qint64 playNs = -1; // play(OK.WAV) was entered

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
        if (QFileInfo(path).fileName() == QStringLiteral("OK.WAV"))
            playNs = bench::nowNs();
        inner_.play(path);
    }
    void close() override { inner_.close(); }

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

    QTemporaryDir work;
    QDir::setCurrent(work.path());
    const QString output = work.filePath(QStringLiteral("out.raw"));
    bench::DiskAudioWatcher::useDiskDriver(output);
    bench::DiskAudioWatcher watcher(output);
    QString error;
    const std::optional<WavClip> chime = WavClip::load(PromptFiles::fixed(PromptFiles::OK), &error);
    if (!chime)
        bench::fail(QStringLiteral("OK.WAV: ") + error);
    bench::setRecordGlobals();
    ProjectGlobals::instance().currentDrillName = QStringLiteral("たしざん１０");
    if (!bench::createRecordFile(work.filePath(QStringLiteral("ADO_ZEM.MDB"))))
        bench::fail(QStringLiteral("cannot create the results file"));
    RandomDraw::setSource(std::make_unique<SetQuestion>());
    SoundDevice::setFactory([] { return std::make_unique<TimedDevice>(); });

    const ResultsLog log(work.filePath(QStringLiteral("ADO_ZEM.MDB")));
    DrillWindow w(*DrillTable::atMenuIndex(1), log);
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
        // The reading has just ended, in step with the driver's buffers; a
        // child's click falls anywhere in a buffer's 11.6 ms, so the clicks
        // are spread over it.
        QThread::msleep(static_cast<unsigned long>(i % 12));
        playNs = -1;
        if (!watcher.arm(chime->bytes()))
            bench::fail(QStringLiteral("OK.WAV is silence throughout"));
        const qint64 clickedNs = bench::nowNs();
        click(right);
        if (playNs < 0)
            bench::fail(QStringLiteral("OK.WAV was not played"));
        const qint64 firstNs = watcher.waitForClip(2000);
        if (firstNs < 0)
            bench::fail(QStringLiteral("OK.WAV's first samples never reached the driver's file (no output?)"));
        if (!watcher.holdsClip())
            bench::fail(QStringLiteral("the driver's file does not hold OK.WAV where it was found"));
        if (i > 0) { // the first click also decodes the prompt
            toPlay.push_back(bench::msBetween(clickedNs, playNs));
            driver.push_back(bench::msBetween(playNs, firstNs));
            total.push_back(bench::msBetween(clickedNs, firstNs));
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
    std::printf("click on the right tile to OK.WAV's first samples at the driver, %d clicks, SDL disk driver "
                "(its file looked at every %d us)\n",
                clicks, bench::DiskAudioWatcher::lookMicroseconds);
    bench::printMachine();
    line("click to play() (judging, repaint)", toPlay, 0);
    line("play() to first samples at the driver", driver, 0);
    line("click to first samples at the driver", total, 30);
    w.unloadForm();
    return 0;
}
