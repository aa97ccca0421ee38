#include "sound/sdl_sound_device.h"

SdlSoundDevice::SdlSoundDevice() = default;
SdlSoundDevice::~SdlSoundDevice() { close(); }
void SdlSoundDevice::open() { open_ = true; }
void SdlSoundDevice::play(const QString &) {}
void SdlSoundDevice::close() { open_ = false; }
