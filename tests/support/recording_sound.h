#pragma once

#include "sound/sound_device.h"

#include <QFileInfo>
#include <QStringList>

#include <functional>

// A sound device that plays nothing and notes what it is asked to do in one
// list shared by every device: "open", the file name of each prompt played,
// "close". onClose, when set, runs as a device closes.
class RecordingSound : public SoundDevice
{
public:
    void open() override { events() << QStringLiteral("open"); }
    void play(const QString &path) override { events() << QFileInfo(path).fileName(); }
    void close() override
    {
        if (onClose())
            onClose()();
        events() << QStringLiteral("close");
    }

    static QStringList &events()
    {
        static QStringList list;
        return list;
    }
    static std::function<void()> &onClose()
    {
        static std::function<void()> hook;
        return hook;
    }
};
