#pragma once

#include "sound/sound_device.h"
#include "sound/wav_clip.h"

#include <QHash>
#include <QSet>

#include <SDL.h>

// The sound device on SDL2's audio subsystem.
//
// open() takes a share of the program's one SDL output, opened at the
// prompts' own format (SDL converts to whatever the hardware wants) and left
// running while any device is open. play() decodes the file
// (once per device; later plays use the cached samples), queues the samples
// and waits on the calling thread, without handling any events, until the
// queue has drained and the device's buffer has been played out. A prompt
// that cannot be played, or a device that could not be opened, is reported
// on stderr once and skipped: play() then returns at once.
class SdlSoundDevice : public SoundDevice
{
public:
    SdlSoundDevice();
    ~SdlSoundDevice() override;
    SdlSoundDevice(const SdlSoundDevice &) = delete;
    SdlSoundDevice &operator=(const SdlSoundDevice &) = delete;

    void open() override;
    void play(const QString &path) override;
    void close() override;

private:
    const WavClip *clipFor(const QString &path);
    // The time the device takes to play out its buffer once the queue is
    // empty, in milliseconds (0 without output).
    double outputLatencyMs() const;
    void waitUntilPlayed(double soundMs);

    bool open_ = false;
    SDL_AudioDeviceID device_ = 0;
    QHash<QString, WavClip> cache_;
    QSet<QString> unplayable_;
};
