#include "sound/sound_device.h"

#include "sound/sdl_sound_device.h"

namespace {
std::function<std::unique_ptr<SoundDevice>()> &factory()
{
    static std::function<std::unique_ptr<SoundDevice>()> make;
    return make;
}
} // namespace

std::unique_ptr<SoundDevice> SoundDevice::create()
{
    if (factory())
        return factory()();
    return std::make_unique<SdlSoundDevice>();
}

void SoundDevice::setFactory(std::function<std::unique_ptr<SoundDevice>()> make)
{
    factory() = std::move(make);
}
