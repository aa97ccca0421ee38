#include "sound/prompt_files.h"
#include "support/temp_work_dir.h"

#include <QtTest>

#include <algorithm>
#include <cmath>

// The recordings committed in sounds/: read straight from their bytes.
class TestSoundFiles : public QObject
{
    Q_OBJECT
    std::unique_ptr<TempWorkDir> work;

private slots:
    void init() { work = std::make_unique<TempWorkDir>(); }
    void cleanup() { work.reset(); }

    void everyPromptIsShortLoudMono16BitAt22050()
    {
        for (const QString &name : PromptFiles::required()) {
            QFile file(QStringLiteral(SANSU_SOURCE_DIR "/sounds/") + name);
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(name + QStringLiteral(" is missing")));
            const QByteArray d = file.readAll();
            QVERIFY2(d.size() > 44 && d.startsWith("RIFF") && d.mid(8, 4) == "WAVE", qPrintable(name));
            auto u16 = [&](qsizetype at) { return qFromLittleEndian<quint16>(d.constData() + at); };
            auto u32 = [&](qsizetype at) { return qFromLittleEndian<quint32>(d.constData() + at); };
            qsizetype fmt = -1, data = -1;
            quint32 dataBytes = 0;
            for (qsizetype at = 12; at + 8 <= d.size(); at += 8 + ((u32(at + 4) + 1) & ~1u)) {
                if (d.mid(at, 4) == "fmt ")
                    fmt = at + 8;
                if (d.mid(at, 4) == "data") {
                    data = at + 8;
                    dataBytes = u32(at + 4);
                }
            }
            QVERIFY2(fmt > 0 && data > 0 && data + dataBytes <= d.size(), qPrintable(name));
            QCOMPARE(u16(fmt), quint16(1));      // PCM
            QCOMPARE(u16(fmt + 2), quint16(1));  // mono
            QCOMPARE(u32(fmt + 4), 22050u);
            QCOMPARE(u16(fmt + 14), quint16(16));
            const double seconds = dataBytes / 2 / 22050.0;
            QVERIFY2(seconds > 0.1 && seconds < 1.5, qPrintable(name + QString::number(seconds)));

            int peak = 0;
            double energy = 0;
            for (quint32 i = 0; i < dataBytes / 2; ++i) {
                const int s = qFromLittleEndian<qint16>(d.constData() + data + 2 * i);
                peak = std::max(peak, std::abs(s));
                energy += double(s) * s;
            }
            const double rms = std::sqrt(energy / (dataBytes / 2));
            // Normalised to about -1 dBFS, and more than a click.
            QVERIFY2(peak > 26000, qPrintable(name + QStringLiteral(" peak ") + QString::number(peak)));
            QVERIFY2(rms > 1500, qPrintable(name + QStringLiteral(" rms ") + QString::number(rms)));
        }
    }
};

QTEST_MAIN(TestSoundFiles)
#include "test_sound_files.moc"
