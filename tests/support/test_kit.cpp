#include "support/test_kit.h"

#include "drill/drill_window.h"
#include "platform/project_globals.h"
#include "support/sqlite_file.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QtEndian>

namespace Kit {
int countColour(const QImage &image, const QRect &area, const QColor &colour)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += image.pixelColor(x, y) == colour ? 1 : 0;
    return n;
}

QStringList dbRows(const QString &query)
{
    return SqliteFile::rows(SqliteFile::defaultPath(), query);
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void postClick(QWidget *target)
{
    const QPointF at(target->width() / 2.0, target->height() / 2.0);
    const QPointF global = target->mapToGlobal(at);
    for (auto [type, buttons] : {std::pair{QEvent::MouseButtonPress, Qt::LeftButton},
                                 std::pair{QEvent::MouseButtonRelease, Qt::NoButton}})
        QCoreApplication::postEvent(target, new QMouseEvent(type, at, global, Qt::LeftButton,
                                                            buttons, Qt::NoModifier));
}

std::unique_ptr<DrillWindow> openDrill(const QString &windowName)
{
    const DrillKind *kind = DrillKind::find(windowName);
    ProjectGlobals::instance().currentDrillName = kind ? kind->caption() : QString();
    auto window = std::make_unique<DrillWindow>(windowName);
    window->showForm();
    return window;
}

QStringList equation(const DrillWindow &w)
{
    return {w.Label1[0]->text(), w.Label2->text(), w.Label1[1]->text(), w.Label4->text(),
            w.Label5->text()};
}

QVector<qint16> Wav::samples() const
{
    QVector<qint16> s(data.size() / 2);
    for (qsizetype i = 0; i < s.size(); ++i)
        s[i] = qFromLittleEndian<qint16>(data.constData() + 2 * i);
    return s;
}

Wav parseWav(const QByteArray &d)
{
    Wav wav;
    if (d.size() < 12 || !d.startsWith("RIFF") || d.mid(8, 4) != "WAVE")
        return wav;
    auto u16 = [&](qsizetype at) { return int(qFromLittleEndian<quint16>(d.constData() + at)); };
    auto u32 = [&](qsizetype at) { return qFromLittleEndian<quint32>(d.constData() + at); };
    bool fmt = false, data = false;
    for (qsizetype at = 12; at + 8 <= d.size(); at += 8 + ((u32(at + 4) + 1) & ~1u)) {
        const QByteArray id = d.mid(at, 4);
        if (id == "fmt " && at + 24 <= d.size()) {
            wav.format = u16(at + 8);
            wav.channels = u16(at + 10);
            wav.rate = int(u32(at + 12));
            wav.bits = u16(at + 22);
            fmt = true;
        } else if (id == "data") {
            data = at + 8 + qsizetype(u32(at + 4)) <= d.size();
            wav.data = d.mid(at + 8, u32(at + 4));
        }
    }
    wav.ok = fmt && data;
    return wav;
}

QByteArray makeWav(int rate, int channels, int bits, const QByteArray &data)
{
    QByteArray h;
    auto put = [&](quint32 v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            h.append(char(v >> (8 * i)));
    };
    h.append("RIFF");
    put(36 + data.size(), 4);
    h.append("WAVEfmt ");
    put(16, 4);
    put(1, 2);
    put(channels, 2);
    put(rate, 4);
    put(rate * channels * bits / 8, 4);
    put(channels * bits / 8, 2);
    put(bits, 2);
    h.append("data");
    put(data.size(), 4);
    return h + data;
}
} // namespace Kit

namespace {
class WatchedDevice : public SoundDevice
{
public:
    explicit WatchedDevice(WatchedSound &log) : log_(log) {}
    void open() override
    {
        open_ = true;
        log_.events << QStringLiteral("open");
    }
    void play(const QString &path) override
    {
        const QString name = QFileInfo(path).fileName();
        log_.events << QStringLiteral("play ") + name;
        if (log_.onPlay)
            log_.onPlay(name);
    }
    void close() override
    {
        if (log_.onClose)
            log_.onClose();
        open_ = false;
        log_.events << QStringLiteral("close");
    }
    bool isOpen() const override { return open_; }

private:
    WatchedSound &log_;
    bool open_ = false;
};
} // namespace

WatchedSound::WatchedSound()
{
    SoundDevice::setFactory([this] { return std::make_unique<WatchedDevice>(*this); });
}

WatchedSound::~WatchedSound()
{
    SoundDevice::setFactory(nullptr);
}
