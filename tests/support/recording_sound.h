#pragma once

#include "sound/sound_device.h"

#include <QStringList>

#include <functional>

// A sound device that plays nothing and notes what it is asked to do in one
// list shared by every device: "open", the file name of each prompt played,
// "close". onClose, when set, runs as a device closes.
class RecordingSound : public SoundDevice
{
public:
    void open() override;
    void play(const QString &path) override;
    void close() override;

    static QStringList &events();
    static std::function<void()> &onClose();
};
