// Measures the sound device from outside: how much longer a play() call takes
// than the prompt it plays (a timer around the call), and the time from
// play() to the prompt's first samples reaching the audio driver (SDL's disk
// driver at real-time pace, its file watched by bench::DiskAudioWatcher). The
// extra time is measured with SDL's dummy driver and with its disk driver,
// each over repeated plays of the same prompt; the first samples with the
// disk driver only, the one whose output can be seen.
//
//   bench_sound_latency [PLAYS]     (default 25 plays per driver)

#include "bench_support.h"
#include "sound/prompt_files.h"
#include "sound/sdl_sound_device.h"
#include "sound/wav_clip.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

namespace {

void print(const char *what, const bench::Summary &s, double limit)
{
    std::printf("  %-34s median %6.2f ms  (min %6.2f, p90 %6.2f, max %6.2f)  limit %.0f ms: %s\n", what,
                s.median(), s.min(), s.percentile(0.9), s.max(), limit, s.median() < limit ? "ok" : "OVER");
}

// One play: its moments, and when the watcher (if any) saw its first samples.
struct Play
{
    double totalMs = 0;        // play() entered to play() returned
    double firstSampleMs = -1; // play() entered to the first samples at the driver
};

Play playOnce(SoundDevice &device, const QString &promptPath, const WavClip &clip,
              bench::DiskAudioWatcher *watcher)
{
    if (watcher && !watcher->arm(clip.bytes()))
        bench::fail(QStringLiteral("the prompt is silence throughout"));
    Play p;
    const qint64 start = bench::nowNs();
    device.play(promptPath);
    const qint64 end = bench::nowNs();
    p.totalMs = bench::msBetween(start, end);
    if (watcher) {
        const qint64 first = watcher->waitForClip(2000);
        if (first < 0)
            bench::fail(QStringLiteral("the prompt's first samples never reached the driver's file"));
        if (!watcher->holdsClip())
            bench::fail(QStringLiteral("the driver's file does not hold the prompt where it was found"));
        p.firstSampleMs = bench::msBetween(start, first);
    }
    return p;
}

// Plays the prompt once cold (the device reads and decodes the file), then
// `plays` times from its cache. With a watcher, the output is SDL's disk driver
// writing into the watched file.
bool measure(const char *driver, int plays, const QString &promptPath, const WavClip &clip,
             bench::DiskAudioWatcher *watcher)
{
    SdlSoundDevice device;
    device.open();
    const double soundMs = clip.seconds() * 1000.0;
    const Play cold = playOnce(device, promptPath, clip, watcher);
    if (cold.totalMs < soundMs / 2) {
        // play() returns at once when there is no output to play on.
        std::printf("%s driver: no output, skipped\n", driver);
        return true;
    }
    std::vector<double> first, extra;
    for (int i = 0; i < plays; ++i) {
        QThread::msleep(static_cast<unsigned long>(i % 7) * 3); // start at varying buffer phases
        const Play p = playOnce(device, promptPath, clip, watcher);
        extra.push_back(p.totalMs - soundMs);
        if (watcher)
            first.push_back(p.firstSampleMs);
    }
    device.close();
    std::printf("%s driver: %d plays of a %.0f ms prompt\n", driver, plays, soundMs);
    std::printf("  first play (reads and decodes the file):");
    if (watcher)
        std::printf(" first sample %.2f ms,", cold.firstSampleMs);
    std::printf(" %.2f ms over its length\n", cold.totalMs - soundMs);
    bool ok = true;
    if (watcher) {
        const bench::Summary f(first);
        print("play() to first sample at driver", f, 20);
        ok = f.median() < 20;
    }
    const bench::Summary e(extra);
    print("play() time beyond prompt length", e, 50);
    return ok && e.median() < 50;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int plays = argc > 1 ? std::max(3, QString::fromLocal8Bit(argv[1]).toInt()) : 25;
    bench::printMachine();
    const QString promptPath = PromptFiles::forWord(QStringLiteral("3"));
    QString error;
    const std::optional<WavClip> clip = WavClip::load(promptPath, &error);
    if (!clip)
        bench::fail(QStringLiteral("%1: %2").arg(promptPath, error));
    std::printf("timer around play(); first samples seen in the disk driver's file, looked at every %d us\n",
                bench::DiskAudioWatcher::lookMicroseconds);

    qputenv("SDL_AUDIODRIVER", "dummy");
    bool ok = measure("dummy", plays, promptPath, *clip, nullptr);

    QTemporaryDir dir;
    const QString output = dir.filePath(QStringLiteral("out.raw"));
    bench::DiskAudioWatcher::useDiskDriver(output);
    {
        bench::DiskAudioWatcher watcher(output);
        ok = measure("disk", plays, promptPath, *clip, &watcher) && ok;
    }
    return ok ? 0 : 1;
}
