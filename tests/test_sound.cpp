// Sound: decoding prompt files, the supplied prompts, blocking play on the
// real device (SDL's disk driver) and the sound_check tool.
#include "sound/prompt_files.h"
#include "sound/sdl_sound_device.h"
#include "sound/wav_clip.h"
#include "support/test_main.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

namespace {
QByteArray le(quint32 v, int bytes) { v = qToLittleEndian(v); return QByteArray(reinterpret_cast<const char *>(&v), bytes); }

// One sample at half of full scale: 8-bit unsigned, 16-bit signed, 32-bit float.
const QByteArray U8("\xc0", 1), S16("\x00\x40", 2), F32("\x00\x00\x00\x3f", 4);

// A WAV file of `frames` frames of `sample` in every channel, whose data chunk
// claims `claimed` frames (fewer present: a file cut short).
QByteArray wav(quint32 rate, quint32 channels, const QByteArray &sample, quint32 frames, quint32 claimed)
{
    const quint32 bits = sample.size() * 8, frameBytes = channels * sample.size();
    return "RIFF" + le(36 + claimed * frameBytes, 4) + "WAVEfmt " + le(16, 4) + le(bits == 32 ? 3 : 1, 2)
           + le(channels, 2) + le(rate, 4) + le(rate * frameBytes, 4) + le(frameBytes, 2) + le(bits, 2) + "data"
           + le(claimed * frameBytes, 4) + sample.repeated(frames * channels);
}

bool write(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QFile::WriteOnly) && file.write(data) == data.size();
}

QString prompt(const QString &name) { return QStringLiteral(SANSU_PROMPT_DIR "/") + name; }
} // namespace

class TestSound : public QObject
{
    Q_OBJECT
private slots:
    void load_data()
    {
        QTest::addColumn<QByteArray>("content"); // null: no file; "<folder>": a folder
        QTest::addColumn<double>("seconds");     // < 0: refused
        QTest::addColumn<QString>("error");
        QTest::newRow("missing") << QByteArray() << -1.0 << "not found";
        QTest::newRow("folder") << QByteArray("<folder>") << -1.0 << "not a file";
        QTest::newRow("over 32 MB") << QByteArray(WavClip::MAX_FILE_BYTES + 1, '\0') << -1.0 << "too large";
        QTest::newRow("empty") << QByteArray("") << -1.0 << "empty";
        QTest::newRow("text") << QByteArray("いち\n") << -1.0 << "not a WAV file";
        QTest::newRow("44100 Hz stereo 8-bit") << wav(44100, 2, U8, 44100, 44100) << 1.0 << "";
        QTest::newRow("11025 Hz mono float") << wav(11025, 1, F32, 5513, 5513) << 0.5 << "";
        QTest::newRow("4 Hz: 50 s in 436 bytes") << wav(4, 1, S16, 200, 200) << -1.0 << "too long";
        QTest::newRow("data cut short") << wav(22050, 1, S16, 11025, 44100) + "x" << 0.5 << "";
    }
    // A file is refused with its reason, or decoded to the device's format
    // at its own length and level.
    void load()
    {
        QFETCH(QByteArray, content);
        QFETCH(double, seconds);
        QFETCH(QString, error);
        QTemporaryDir dir;
        const QString path = dir.filePath("a.WAV");
        QVERIFY(content.isNull() || (content == "<folder>" ? QDir().mkdir(path) : write(path, content)));
        QString said;
        const std::optional<WavClip> clip = WavClip::load(path, &said);
        QVERIFY2(clip.has_value() == (seconds >= 0) && said.contains(error), qPrintable(said));
        if (clip) {
            QVERIFY2(qAbs(clip->seconds() - seconds) < 0.01, qPrintable(QString::number(clip->seconds())));
            const qint16 middle = reinterpret_cast<const qint16 *>(clip->bytes().constData())[clip->frames() / 2];
            QVERIFY2(qAbs(middle - 16384) < 300, qPrintable(QString::number(middle)));
        }
    }

    // Stored in the device's format, so nothing is converted on playing; a
    // spoken word short, as the words of a question are played one by one.
    void suppliedPrompts()
    {
        for (const QString &name : PromptFiles::required()) {
            QString error;
            const std::optional<WavClip> clip = WavClip::load(prompt(name), &error);
            QVERIFY2(clip && clip->frames() > 0, qPrintable(name + ": " + error));
            const WavClip::SourceFormat &f = clip->source();
            const bool spoken = name != "OK.WAV" && name != "NG.WAV";
            QVERIFY2(f.rate == WavClip::RATE && f.channels == 1 && f.bitsPerSample == 16 && !f.floatingPoint
                         && (!spoken || clip->seconds() <= 1.2),
                     qPrintable(QStringLiteral("%1: %2 Hz, %3 channel(s), %4 bits, %5 s")
                                    .arg(name).arg(f.rate).arg(f.channels).arg(f.bitsPerSample).arg(clip->seconds())));
        }
    }

    void play_data()
    {
        QTest::addColumn<bool>("opened");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("warning"); // said once in all while open, else on every play
        QTest::newRow("missing file") << true << prompt("gone.WAV") << "not found; skipped";
        QTest::newRow("unplayable file") << true << prompt("sound_check") << "not a WAV file.*; skipped";
        QTest::newRow("device never opened") << false << prompt("？.WAV") << "the device is not open; skipped";
    }
    // A bad file, or a device not open, is skipped with a line on stderr,
    // plays nothing and leaves the device whole: a good prompt played next
    // is heard whole, once, before play() returns.
    void play()
    {
        QFETCH(bool, opened);
        QFETCH(QString, path);
        QFETCH(QString, warning);
        // SDL's disk driver writes what is played to a file. At 12 ms per
        // buffer of 256 frames (11.6 ms of sound) it plays no faster than real
        // time; SDL's dummy driver plays about 5% faster, ending prompts early.
        QTemporaryDir dir;
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(dir.filePath("heard.raw")));
        qputenv("SDL_DISKAUDIODELAY", "12");
        QString error;
        const std::optional<WavClip> good = WavClip::load(prompt("いまなんじ？.WAV"), &error);
        QVERIFY2(good, qPrintable(error));
        {
            SdlSoundDevice device;
            if (opened)
                device.open();
            for (int i = opened ? 1 : 2; i > 0; --i)
                QTest::ignoreMessage(QtWarningMsg,
                                     QRegularExpression(QRegularExpression::escape(path) + ": " + warning));
            QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
            device.play(path);
            device.play(path);
            device.open();
            QElapsedTimer played;
            played.start();
            device.play(prompt("いまなんじ？.WAV"));
            QVERIFY2(played.elapsed() >= good->seconds() * 1000, qPrintable(QString::number(played.elapsed())));
        } // closing the device ends the file; what was still queued is lost
        QFile file(dir.filePath("heard.raw"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray heard = file.readAll();
        QCOMPARE(heard.count(good->bytes()), 1);
        heard.replace(good->bytes(), QByteArray());
        QVERIFY2(heard.count('\0') == heard.size(), "more than silence besides the good prompt");
    }

    void soundCheck_data()
    {
        QTest::addColumn<QStringList>("removed");
        QTest::addColumn<QStringList>("damaged"); // garbage, then a WAV holding no sound
        QTest::addColumn<int>("status");
        QTest::newRow("all present") << QStringList() << QStringList() << 0;
        QTest::newRow("one missing, two damaged") << QStringList{"7.WAV"} << QStringList{"＋.WAV", "OK.WAV"} << 1;
    }
    // sound_check gives every prompt's state on a line of its own and ends
    // with status 1 when any is bad.
    void soundCheck()
    {
        QFETCH(QStringList, removed);
        QFETCH(QStringList, damaged);
        QFETCH(int, status);
        const QByteArray damage[] = {"RIFF....WAVEjunk", wav(22050, 1, S16, 0, 0)};
        QTemporaryDir dir;
        for (const QString &name : PromptFiles::required()) {
            const qsizetype d = damaged.indexOf(name);
            const QString copy = dir.filePath(name);
            QVERIFY(d >= 0 ? write(copy, damage[d]) : removed.contains(name) || QFile::copy(prompt(name), copy));
        }
        QProcess check;
        check.start(prompt("sound_check"), {dir.path()});
        QVERIFY(check.waitForFinished(60000));
        const QString out = QString::fromUtf8(check.readAllStandardOutput());
        QVERIFY2(check.exitStatus() == QProcess::NormalExit && check.exitCode() == status, qPrintable(out));
        for (const QString &name : PromptFiles::required()) {
            const QString state = removed.contains(name) ? "MISSING" : damaged.contains(name) ? "NOT PLAYABLE" : "ok";
            const QString line = "^ *" + state + " +" + QRegularExpression::escape(name) + "(:| |$)";
            QVERIFY2(out.contains(QRegularExpression(line, QRegularExpression::MultilineOption)),
                     qPrintable(name + " not " + state + ":\n" + out));
        }
    }
};

SANSU_TEST_MAIN(TestSound)
#include "test_sound.moc"
