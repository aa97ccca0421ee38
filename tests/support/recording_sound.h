#pragma once

#include "sound/sound_device.h"
#include "sound/wav_clip.h"

#include <QFileInfo>
#include <QStringList>
#include <QThread>

#include <functional>

// A sound device that plays nothing and notes what it is asked to do in one
// list shared by every device: "open", the file name of each prompt played,
// "close". onClose, when set, runs as a device closes; onPlay, as a prompt
// starts. With realLength set, play() takes as long as the prompt lasts,
// blocking as the real device does.
class RecordingSound : public SoundDevice
{
public:
    void open() override { events << QStringLiteral("open"); }
    void play(const QString &path) override
    {
        events << QFileInfo(path).fileName();
        if (onPlay)
            onPlay();
        QString error;
        if (const auto clip = realLength ? WavClip::load(path, &error) : std::nullopt)
            QThread::usleep(static_cast<unsigned long>(clip->seconds() * 1e6));
    }
    void close() override
    {
        if (onClose)
            onClose();
        events << QStringLiteral("close");
    }

    static inline QStringList events;
    static inline std::function<void()> onClose, onPlay;
    static inline bool realLength = false;
};
