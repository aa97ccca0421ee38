#pragma once

#include "sound/sound_device.h"

#include <QStringList>

#include <memory>
#include <vector>

// A sound device that plays nothing and records what it is asked to do. All
// devices made while a RecordingSound is installed share one event list, so a
// test sees the order across windows: "open", "play <file name>", "close".
class RecordingSound
{
public:
    RecordingSound();
    ~RecordingSound();

    QStringList events;
    // The file names (without folder) played so far, in order.
    QStringList played() const;
    // Played file names from position `from` on.
    QStringList playedSince(int from) const;
    void clear() { events.clear(); }
    int openDevices = 0;
};

class RecordingSoundDevice : public SoundDevice
{
public:
    explicit RecordingSoundDevice(RecordingSound &log);
    ~RecordingSoundDevice() override;
    void open() override;
    void play(const QString &path) override;
    void close() override;
    bool isOpen() const override { return open_; }

private:
    RecordingSound &log_;
    bool open_ = false;
};
