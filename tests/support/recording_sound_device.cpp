#include "support/recording_sound_device.h"

#include <QFileInfo>

RecordingSound::RecordingSound()
{
    SoundDevice::setFactory([this] { return std::make_unique<RecordingSoundDevice>(*this); });
}

RecordingSound::~RecordingSound()
{
    SoundDevice::setFactory(nullptr);
}

QStringList RecordingSound::played() const
{
    return playedSince(0);
}

QStringList RecordingSound::playedSince(int from) const
{
    QStringList names;
    int seen = 0;
    for (const QString &e : events) {
        if (!e.startsWith(QStringLiteral("play ")))
            continue;
        if (seen++ >= from)
            names << e.mid(5);
    }
    return names;
}

RecordingSoundDevice::RecordingSoundDevice(RecordingSound &log) : log_(log) {}

RecordingSoundDevice::~RecordingSoundDevice()
{
    if (open_)
        close();
}

void RecordingSoundDevice::open()
{
    open_ = true;
    ++log_.openDevices;
    log_.events << QStringLiteral("open");
}

void RecordingSoundDevice::play(const QString &path)
{
    log_.events << QStringLiteral("play ") + QFileInfo(path).fileName();
}

void RecordingSoundDevice::close()
{
    if (!open_)
        return;
    open_ = false;
    --log_.openDevices;
    log_.events << QStringLiteral("close");
}
