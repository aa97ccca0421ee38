#include "platform/app_info.h"
#include "sound/prompt_files.h"
#include "sound/sdl_sound_device.h"
#include "support/temp_work_dir.h"
#include "support/test_kit.h"
#include "support/test_setup.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QtTest>

#include <SDL.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <atomic>
#include <functional>
#include <thread>

namespace {

// Counts the warning lines the code writes.
QStringList warnings;
void keepWarning(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtWarningMsg)
        warnings << text;
}

QString prompt(const QString &word) { return PromptFiles::forWord(word); }

} // namespace

class TestSound : public QObject
{
    Q_OBJECT
    std::unique_ptr<TempWorkDir> work;

private slots:
    void initTestCase() { TestSetup::application(); }
    void init()
    {
        work = std::make_unique<TempWorkDir>();
        warnings.clear();
        qInstallMessageHandler(keepWarning);
    }
    void cleanup()
    {
        qInstallMessageHandler(nullptr);
        qputenv("SDL_AUDIODRIVER", "dummy");
        qunsetenv("SDL_DISKAUDIOFILE");
        QCOMPARE(SdlSoundDevice::outputUsers(), 0);
        QCOMPARE(SDL_WasInit(SDL_INIT_AUDIO), 0u);
        work.reset();
    }

    // Through SDL's disk driver: the captured output holds each prompt's
    // samples whole, in the order played, also when a prompt is played again
    // at once (the second time from the device's cache).
    void readingIsHeardWholeAndInOrder()
    {
        const QString capture = work->filePath(QStringLiteral("captured.raw"));
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(capture));
        qputenv("SDL_DISKAUDIODELAY", "2");
        const QStringList words{"3", "＋", "4", "＝", "？", "NG", "NG"};
        {
            SdlSoundDevice device;
            device.open();
            QVERIFY(device.hasOutput());
            for (const QString &w : words)
                device.play(prompt(w));
            device.close();
        }
        QFile file(capture);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray raw = file.readAll();
        const auto *out = reinterpret_cast<const qint16 *>(raw.constData());
        const qint16 *end = out + raw.size() / 2;
        const qint16 *from = out;
        for (const QString &w : words) {
            const QVector<qint16> expected = Kit::parseWav(Kit::readFile(prompt(w))).samples();
            QVERIFY2(expected.size() > 2000, qPrintable(w));
            const qint16 *found = std::search(from, end, expected.cbegin(), expected.cend());
            QVERIFY2(found != end, qPrintable(w + QStringLiteral(".WAV not found whole after the prompt before it")));
            from = found + expected.size();
        }
        QVERIFY(warnings.isEmpty());
    }

    // With a device that plays in real time, play() returns only after the
    // prompt's own length, and a second play follows the first.
    void playReturnsWhenThePromptHasBeenHeard()
    {
        SdlSoundDevice device;
        device.open();
        QElapsedTimer both;
        both.start();
        double sound = 0;
        for (int i = 0; i < 2; ++i) {
            device.play(prompt(QStringLiteral("NG")));
            const auto t = device.lastTiming();
            QVERIFY(t.played);
            // The dummy driver runs a few percent faster than real time.
            QVERIFY2(t.totalMs >= t.soundMs * 0.94, qPrintable(QString::number(t.totalMs)));
            QVERIFY(t.totalMs < t.soundMs + 1000);
            sound += t.soundMs;
        }
        QVERIFY(both.elapsed() >= sound * 0.94);
    }

    // Clicks made while a prompt plays are handled after it, in order.
    void clicksDuringAPromptAreHandledAfterIt()
    {
        QWidget window;
        QPushButton a(QStringLiteral("A"), &window), b(QStringLiteral("B"), &window);
        b.move(0, 40);
        window.show();
        QStringList clicks;
        connect(&a, &QPushButton::clicked, [&] { clicks << QStringLiteral("A"); });
        connect(&b, &QPushButton::clicked, [&] { clicks << QStringLiteral("B"); });
        QList<std::pair<QWidget *, QEvent *>> events;
        for (QPushButton *button : {&a, &b})
            for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
                events.append({button, new QMouseEvent(type, QPointF(5, 5), button->mapToGlobal(QPointF(5, 5)),
                                                       Qt::LeftButton, Qt::LeftButton, Qt::NoModifier)});
        SdlSoundDevice device;
        device.open();
        std::atomic<bool> posted = false;
        std::thread clicker([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(80));
            for (auto [target, event] : events)
                QCoreApplication::postEvent(target, event);
            posted = true;
        });
        device.play(prompt(QStringLiteral("？")));
        const bool postedWhilePlaying = posted;
        clicker.join();
        QVERIFY(postedWhilePlaying);
        QVERIFY(clicks.isEmpty());
        QCoreApplication::processEvents();
        QCOMPARE(clicks, QStringList({"A", "B"}));
    }

    // Files that cannot be played are skipped at once with one line each,
    // and the device goes on playing good prompts.
    void unplayableFilesAreSkippedAtOnce()
    {
        QDir().mkdir(QStringLiteral("folder.WAV"));
        QVERIFY(mkfifo("pipe.WAV", 0600) == 0);
        QFile three(prompt(QStringLiteral("3")));
        QVERIFY(three.open(QIODevice::ReadOnly));
        QByteArray badFormat = Kit::makeWav(22050, 1, 16, QByteArray(200, 0));
        badFormat[20] = 0x55; // neither PCM nor any coding SDL knows
        for (const auto &[name, bytes] : {std::pair{"empty.WAV", QByteArray()},
                                          std::pair{"text.WAV", QByteArray("これは音ではありません\n")},
                                          std::pair{"header.WAV", three.read(30)}, std::pair{"coding.WAV", badFormat}})
            QVERIFY(Kit::writeFile(QString::fromUtf8(name), bytes));

        SdlSoundDevice device;
        device.open();
        const QStringList bad{"missing.WAV", "folder.WAV", "pipe.WAV", "empty.WAV", "text.WAV", "header.WAV",
                              "coding.WAV"};
        for (const QString &name : bad) {
            for (int again = 0; again < 2; ++again) {
                QElapsedTimer timer;
                timer.start();
                device.play(work->filePath(name));
                QVERIFY2(timer.elapsed() < 50, qPrintable(name));
                QVERIFY(!device.lastTiming().played);
            }
            QCOMPARE(warnings.size(), bad.indexOf(name) + 1);
            QVERIFY2(warnings.last().contains(name), qPrintable(warnings.last()));
        }
        device.play(prompt(QStringLiteral("5")));
        QVERIFY(device.lastTiming().played);
    }

    // Damaged copies of a prompt (cut anywhere in the header, bytes changed
    // in it) fail or decode to no more than a prompt may last; none crashes.
    void damagedWavDataNeverCrashes()
    {
        QFile three(prompt(QStringLiteral("3")));
        QVERIFY(three.open(QIODevice::ReadOnly));
        const QByteArray whole = three.readAll();
        QString error;
        const auto full = WavClip::decode(whole, &error);
        QVERIFY(full);
        int failed = 0;
        for (int cut = 0; cut < 120; ++cut)
            failed += WavClip::decode(whole.left(cut), &error) ? 0 : 1;
        QVERIFY(failed >= 44); // nothing up to the end of the header plays
        for (int at = 0; at < 60; ++at)
            for (char value : {'\0', '\x7f', '\xff'}) {
                QByteArray damaged = whole;
                damaged[at] = value;
                if (const auto clip = WavClip::decode(damaged, &error))
                    QVERIFY2(clip->seconds() <= WavClip::MAX_SECONDS, qPrintable(QString::number(at)));
            }
    }

    // No usable audio driver: opening says so once, plays return at once and
    // the device still opens and closes as the windows expect.
    void noAudioDeviceIsSkippedQuietly()
    {
        qputenv("SDL_AUDIODRIVER", "no-such-driver");
        std::unique_ptr<SoundDevice> device = SoundDevice::create();
        QVERIFY(dynamic_cast<SdlSoundDevice *>(device.get()));
        device->open();
        QVERIFY(device->isOpen());
        QCOMPARE(warnings.size(), 1);
        QElapsedTimer timer;
        timer.start();
        for (const char *w : {"3", "＋", "4"})
            device->play(prompt(QString::fromUtf8(w)));
        QVERIFY(timer.elapsed() < 20);
        device->close();
        QVERIFY(!device->isOpen());
        QCOMPARE(warnings.size(), 1);

        qputenv("SDL_AUDIODRIVER", "dummy");
        device->open();
        QVERIFY(static_cast<SdlSoundDevice *>(device.get())->hasOutput());
        device->close();
    }

    // Each open holds the audio subsystem and each close gives it back, any
    // number of times; two windows hold two devices at once.
    void devicesOpenCloseAndCoexist()
    {
        SdlSoundDevice device;
        for (int i = 0; i < 25; ++i) {
            device.open();
            device.open();
            QVERIFY(device.hasOutput());
            QCOMPARE(SdlSoundDevice::outputUsers(), 1);
            device.close();
            device.close();
            QVERIFY(!device.hasOutput());
            QCOMPARE(SDL_WasInit(SDL_INIT_AUDIO), 0u);
        }
        device.play(prompt(QStringLiteral("3")));
        QVERIFY(!device.lastTiming().played);

        auto first = std::make_unique<SdlSoundDevice>();
        SdlSoundDevice second;
        first->open();
        second.open();
        QCOMPARE(SdlSoundDevice::outputUsers(), 2);
        first->play(prompt(QStringLiteral("1")));
        QVERIFY(first->lastTiming().played);
        first.reset(); // a device dropped while open closes itself
        QCOMPARE(SdlSoundDevice::outputUsers(), 1);
        second.play(prompt(QStringLiteral("2")));
        QVERIFY(second.lastTiming().played);
        QVERIFY(second.lastTiming().totalMs >= second.lastTiming().soundMs * 0.94);
        second.close();
    }

    // Prompts in other WAV formats (a parent's own recording) are converted
    // and played to their end.
    void otherWavFormatsArePlayedWhole()
    {
        QByteArray stereo44(44100 * 2 * 2 * 3 / 10, 0); // 0.3 s
        for (qsizetype i = 0; i + 1 < stereo44.size(); i += 2)
            qToLittleEndian<qint16>(qint16((i / 4) % 100 * 200 - 10000), stereo44.data() + i);
        QByteArray mono8(8000 * 4 / 10, char(0x80)); // 0.4 s of 8-bit silence
        for (qsizetype i = 0; i < mono8.size(); i += 7)
            mono8[i] = char(0xC0);
        QString error;
        for (const auto &[file, seconds] : {std::pair{Kit::makeWav(44100, 2, 16, stereo44), 0.3},
                                            std::pair{Kit::makeWav(8000, 1, 8, mono8), 0.4}}) {
            const auto clip = WavClip::decode(file, &error);
            QVERIFY2(clip, qPrintable(error));
            QVERIFY(std::abs(clip->seconds() - seconds) < 0.01);
            QVERIFY(Kit::writeFile(QStringLiteral("own.WAV"), file));
            SdlSoundDevice device;
            device.open();
            device.play(work->filePath(QStringLiteral("own.WAV")));
            QVERIFY(device.lastTiming().played);
            QVERIFY(device.lastTiming().totalMs >= seconds * 1000 * 0.94);
        }
    }

    // The committed recordings, read straight from their bytes: PCM, mono,
    // 16-bit at 22050 Hz, a word long. The chime and the buzz are normalised to
    // about -1 dBFS. The spoken prompts are matched in loudness instead: the
    // RMS of each one's voiced part is -17 dBFS, as sounds/make-prompts.sh
    // measures and sets it, no sample is above -1 dBFS, and none lasts longer
    // than 1.2 s.
    void everyPromptIsShortMono16BitAt22050AndLevelled()
    {
        for (const QString &name : PromptFiles::required()) {
            const Kit::Wav wav = Kit::parseWav(Kit::readFile(QStringLiteral(SANSU_SOURCE_DIR "/sounds/") + name));
            QVERIFY2(wav.ok, qPrintable(name));
            QCOMPARE(QList<int>({wav.format, wav.channels, wav.rate, wav.bits}), QList<int>({1, 1, 22050, 16}));
            const QVector<qint16> samples = wav.samples();
            const double seconds = samples.size() / 22050.0;
            QVERIFY2(seconds > 0.1 && seconds < 1.5, qPrintable(name + QString::number(seconds)));
            int peak = 0;
            double energy = 0;
            for (qint16 s : samples) {
                peak = std::max(peak, std::abs(int(s)));
                energy += double(s) * s;
            }
            const double rms = std::sqrt(energy / samples.size());
            QVERIFY2(rms > 1500, qPrintable(QStringLiteral("%1 rms %2").arg(name).arg(rms)));
            if (name == QStringLiteral("OK.WAV") || name == QStringLiteral("NG.WAV")) {
                QVERIFY2(peak > 26000, qPrintable(QStringLiteral("%1 peak %2").arg(name).arg(peak)));
                continue;
            }
            const double level = voicedLevel(samples);
            QVERIFY2(std::abs(level + 17) <= 0.25, qPrintable(QStringLiteral("%1 voiced %2 dBFS").arg(name).arg(level)));
            QVERIFY2(peak <= 29205, qPrintable(QStringLiteral("%1 peak %2").arg(name).arg(peak)));
            QVERIFY2(seconds <= 1.2, qPrintable(name + QString::number(seconds)));
        }
    }

private:
    // The RMS level in dBFS of the voiced part of a recording, measured as
    // sounds/make-prompts.sh does: the 10 ms frames with fewer than one zero
    // crossing in four samples and no more than 25 dB below the loudest frame.
    static double voicedLevel(const QVector<qint16> &samples)
    {
        const int frame = 220;
        QVector<double> energies, crossingRates;
        double energy = 0;
        int crossings = 0, n = 0;
        for (int i = 0; i < samples.size(); ++i) {
            const double x = samples[i] / 32768.0;
            energy += x * x;
            if (i > 0 && (samples[i] >= 0) != (samples[i - 1] >= 0))
                ++crossings;
            if (++n == frame) {
                energies << energy / frame;
                crossingRates << double(crossings) / frame;
                energy = 0;
                crossings = n = 0;
            }
        }
        const double loudest = *std::max_element(energies.cbegin(), energies.cend());
        double sum = 0;
        int voiced = 0;
        for (int f = 0; f < energies.size(); ++f) {
            if (crossingRates[f] < 0.25 && energies[f] >= loudest * std::pow(10.0, -2.5)) {
                sum += energies[f];
                ++voiced;
            }
        }
        return voiced ? 10 * std::log10(sum / voiced) : -200;
    }
};

QTEST_MAIN(TestSound)
#include "test_sound.moc"
