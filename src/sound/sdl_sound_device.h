#pragma once

#include "sound/sound_device.h"

// The sound device on SDL2's audio subsystem. (Being completed: see the sound work.)
class SdlSoundDevice : public SoundDevice
{
public:
    SdlSoundDevice();
    ~SdlSoundDevice() override;
    void open() override;
    void play(const QString &path) override;
    void close() override;
    bool isOpen() const override { return open_; }

private:
    bool open_ = false;
};
