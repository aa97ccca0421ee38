// Sound: blocking play on the real device (SDL's disk driver), and decoding
// prompt files as the sound_check tool reports them, the supplied ones among
// them.
#include "sound/prompt_files.h"
#include "sound/sdl_sound_device.h"
#include "sound/wav_clip.h"
#include "support/sandbox.h"
#include "support/test_main.h"

#include <QDir>
#include <QProcess>
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

QString prompt(const QString &name) { return QStringLiteral(SANSU_PROMPT_DIR "/") + name; }
} // namespace

class TestSound : public QObject
{
    Q_OBJECT
private slots:
    void play_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("warning");
        QTest::newRow("missing file") << prompt("gone.WAV") << "not found; skipped";
        QTest::newRow("folder") << prompt("") << "not a file; skipped";
        QTest::newRow("not a WAV file") << prompt("sound_check") << "not a WAV file.*; skipped";
        QTest::newRow("device never opened") << prompt("？.WAV") << "the device is not open; skipped";
    }
    // A bad file, or a device not open, is skipped with a line on stderr, said
    // once in all while the device is open (else on every play), and leaves
    // the device whole: a good prompt played next is heard whole, as stored
    // (so in the right byte order), once, before play() returns (closing the
    // device drops what is still queued). SDL's disk driver, at 12 ms per
    // buffer of 256 frames (11.6 ms of sound), plays no faster than real time.
    void play()
    {
        QFETCH(QString, path);
        QFETCH(QString, warning);
        const bool opened = !warning.startsWith("the device is not open");
        QTemporaryDir dir;
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(dir.filePath("heard.raw")));
        qputenv("SDL_DISKAUDIODELAY", "12");
        {
            SdlSoundDevice device;
            if (opened)
                device.open();
            for (int i = opened ? 1 : 2; i > 0; --i)
                QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QRegularExpression::escape(path) + ": " + warning));
            QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
            device.play(path);
            device.play(path);
            device.open();
            device.play(prompt("いまなんじ？.WAV"));
        }
        // The supplied prompts are in the device's format, behind a 44-byte header.
        const QByteArray good = Sandbox::bytes(prompt("いまなんじ？.WAV")).mid(44);
        QCOMPARE(Sandbox::bytes(dir.filePath("heard.raw")).count(good), 1);
    }

    void soundCheck_data()
    {
        QTest::addColumn<QString>("name");       // the one prompt taken away or replaced
        QTest::addColumn<QByteArray>("content"); // what it holds instead; null: taken away
        QTest::addColumn<QString>("listed");     // its line, NAME standing for its name
        QTest::newRow("44100 Hz stereo 8-bit") << "1.WAV" << wav(44100, 2, U8, 44100, 44100)
                                               << R"(ok +NAME +\(1\.00 s, 44100 Hz, 2 channels, 8-bit\)$)";
        QTest::newRow("8000 Hz mono 8-bit") << "4.WAV" << wav(8000, 1, U8, 4000, 4000)
                                            << R"(ok +NAME +\(0\.50 s, 8000 Hz, mono, 8-bit\)$)";
        QTest::newRow("11025 Hz mono float") << "2.WAV" << wav(11025, 1, F32, 5513, 5513)
                                             << R"(ok +NAME +\(0\.50 s, 11025 Hz, mono, 32-bit float\)$)";
        QTest::newRow("data cut short") << "3.WAV" << wav(22050, 1, S16, 11025, 44100) + "x"
                                        << R"(ok +NAME +\(0\.50 s, 22050 Hz, mono, 16-bit\)$)";
        QTest::newRow("missing") << "7.WAV" << QByteArray() << "MISSING +NAME$";
        QTest::newRow("not a WAV file") << "＋.WAV" << QByteArray("RIFF....WAVEjunk")
                                        << "NOT PLAYABLE +NAME: not a WAV file";
        QTest::newRow("empty") << "NG.WAV" << QByteArray("") << "NOT PLAYABLE +NAME: .*empty";
        QTest::newRow("no sound") << "OK.WAV" << wav(22050, 1, S16, 0, 0) << "NOT PLAYABLE +NAME: holds no sound";
        QTest::newRow("4 Hz: 50 s in 436 bytes") << "4じ.WAV" << wav(4, 1, S16, 200, 200) << "NOT PLAYABLE +NAME: too long";
        QTest::newRow("over 32 MB") << "10ぷん.WAV" << QByteArray(WavClip::MAX_FILE_BYTES + 1, '\0')
                                    << "NOT PLAYABLE +NAME: too large";
    }
    // sound_check lists every prompt on a line of its own: a file is decoded
    // to the device's format at its own length, or refused with its reason;
    // the status is 1 when any is missing or refused. The supplied prompts are
    // stored in the device's format, so nothing is converted on playing, and
    // a spoken word is short, as the words of a question are played one by one.
    void soundCheck()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, listed);
        QTemporaryDir dir;
        for (const QString &p : PromptFiles::required())
            QVERIFY(p == name || QFile::copy(prompt(p), dir.filePath(p)));
        QFile replaced(dir.filePath(name));
        QVERIFY(content.isNull()
                || (replaced.open(QFile::WriteOnly) && replaced.write(content) == content.size() && replaced.flush()));
        QProcess check;
        check.start(prompt("sound_check"), {dir.path()});
        QVERIFY(check.waitForFinished(60000));
        const QString out = QString::fromUtf8(check.readAllStandardOutput());
        QVERIFY2(check.exitStatus() == QProcess::NormalExit && check.exitCode() == (listed.startsWith("ok") ? 0 : 1),
                 qPrintable(out));
        const QString supplied = QStringLiteral(R"(ok +NAME +\(([.0-9]+) s, 22050 Hz, mono, 16-bit\)$)");
        for (const QString &p : PromptFiles::required()) {
            const QString line = QString(p == name ? listed : supplied).replace("NAME", QRegularExpression::escape(p));
            const QRegularExpressionMatch m = QRegularExpression("(?m)^ *" + line).match(out);
            const bool spoken = p != name && p != "OK.WAV" && p != "NG.WAV";
            QVERIFY2(m.hasMatch() && (!spoken || m.captured(1).toDouble() <= 1.2), qPrintable(p + ":\n" + out));
        }
    }

    // The prompts supplied are exactly those the drills play: none missing,
    // and none shipped that nothing plays any more.
    void suppliedPromptsAreThoseNeeded()
    {
        QStringList supplied = QDir(QStringLiteral(SANSU_SOURCE_DIR "/sounds")).entryList({"*.WAV"}, QDir::Files);
        QStringList needed = PromptFiles::required();
        supplied.sort();
        needed.sort();
        QCOMPARE(supplied, needed);
    }
};

SANSU_TEST_MAIN(TestSound)
#include "test_sound.moc"
