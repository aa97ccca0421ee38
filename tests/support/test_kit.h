#pragma once

#include "sound/sound_device.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QStringList>
#include <QVector>

#include <functional>
#include <memory>

class DrillWindow;
class QWidget;

// Small helpers several window, store and sound tests share.
namespace Kit {
// Pixels of exactly `colour` inside `area`.
int countColour(const QImage &image, const QRect &area, const QColor &colour);
// Rows of a query on ADO_ZEM.MDB in the current directory (see SqliteFile::rows).
QStringList dbRows(const QString &query);
// Writes `bytes` to `path`, replacing it; false if that failed.
bool writeFile(const QString &path, const QByteArray &bytes);
QByteArray readFile(const QString &path);
// Posts a press and release in the middle of `target`, handled when events are next processed.
void postClick(QWidget *target);

// Opens a number drill as the menu does: its caption becomes the current drill name first.
std::unique_ptr<DrillWindow> openDrill(const QString &windowName);
// The equation boxes of a drill window, left to right.
QStringList equation(const DrillWindow &w);

// The chunks of a RIFF/WAVE file, read independently of the code under test.
struct Wav
{
    int format = 0, channels = 0, rate = 0, bits = 0;
    QByteArray data;
    bool ok = false; // a "fmt " and a whole "data" chunk were found
    QVector<qint16> samples() const;
};
Wav parseWav(const QByteArray &bytes);
QByteArray makeWav(int rate, int channels, int bits, const QByteArray &data);
} // namespace Kit

// Installed as the sound device factory while alive. Logs "open", "play <file
// name>", "close" like RecordingSound, and calls the hooks as a prompt starts
// and before the device closes, so a test can look at the window then.
class WatchedSound
{
public:
    WatchedSound();
    ~WatchedSound();
    QStringList events;
    std::function<void(const QString &fileName)> onPlay;
    std::function<void()> onClose;
};
