// Measures the sound device: the time from play() to the first samples taken
// by the audio driver, and how much longer a play() call takes than the
// prompt it plays. Runs with SDL's dummy driver and with its disk driver (at
// real-time pace), each over repeated plays of the same prompt.
//
//   bench_sound_latency [PLAYS]     (default 25 plays per driver)

#include "bench_support.h"
#include "sound/prompt_files.h"
#include "sound/sdl_sound_device.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

namespace {

void print(const char *what, const bench::Summary &s, double limit)
{
    std::printf("  %-34s median %6.2f ms  (min %6.2f, p90 %6.2f, max %6.2f)  limit %.0f ms: %s\n", what,
                s.median(), s.min(), s.percentile(0.9), s.max(), limit, s.median() < limit ? "ok" : "OVER");
}

bool measure(const char *driver, int plays, const QString &promptPath)
{
    qputenv("SDL_AUDIODRIVER", driver);
    SdlSoundDevice device;
    device.open();
    if (!device.hasOutput()) {
        std::printf("%s driver: no output, skipped\n", driver);
        return true;
    }
    std::vector<double> first, extra;
    double soundMs = 0;
    device.play(promptPath); // the first play decodes the file; later ones use the cache
    const auto cold = device.lastTiming();
    for (int i = 0; i < plays; ++i) {
        QThread::msleep(static_cast<unsigned long>(i % 7) * 3); // start at varying buffer phases
        device.play(promptPath);
        const auto t = device.lastTiming();
        if (!t.played)
            return false;
        first.push_back(t.firstSampleMs);
        extra.push_back(t.totalMs - t.soundMs);
        soundMs = t.soundMs;
    }
    std::printf("%s driver: %d plays of a %.0f ms prompt, output latency %.1f ms\n", driver, plays, soundMs,
                device.outputLatencyMs());
    std::printf("  first play (reads and decodes the file): first sample %.2f ms, %.2f ms over its length\n",
                cold.firstSampleMs, cold.totalMs - cold.soundMs);
    const bench::Summary f(first);
    const bench::Summary e(extra);
    print("play() to first sample at driver", f, 20);
    print("play() time beyond prompt length", e, 50);
    device.close();
    return f.median() < 20 && e.median() < 50;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int plays = argc > 1 ? std::max(3, QString::fromLocal8Bit(argv[1]).toInt()) : 25;
    std::printf("machine: %d cores (nproc), CPU %s\n", bench::cpuCount(), qPrintable(bench::cpuModel()));
    const QString promptPath = PromptFiles::forWord(QStringLiteral("3"));
    if (!QFile::exists(promptPath)) {
        std::fprintf(stderr, "bench_sound_latency: %s not found\n", qPrintable(promptPath));
        return 2;
    }
    QTemporaryDir dir;
    qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(dir.filePath(QStringLiteral("out.raw"))));
    qunsetenv("SDL_DISKAUDIODELAY"); // real-time pace
    bool ok = measure("dummy", plays, promptPath);
    ok = measure("disk", plays, promptPath) && ok;
    return ok ? 0 : 1;
}
