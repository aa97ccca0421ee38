#pragma once

#include "sound/sound_device.h"
#include "sound/wav_clip.h"

#include <QHash>
#include <QSet>

#include <SDL.h>

class QElapsedTimer;

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
    // Opened by the window and not closed yet, whether or not audio output
    // could be had.
    bool isOpen() const override { return open_; }

    // The SDL output is held (false when there is no usable output).
    bool hasOutput() const { return device_ != 0; }
    // The time the device takes to play out its buffer once the queue is
    // empty, in milliseconds (0 without output).
    double outputLatencyMs() const;

    // How the last play() went, for measuring.
    struct Timing
    {
        bool played = false;       // samples were queued
        double soundMs = 0;        // length of the prompt
        double firstSampleMs = -1; // play() start to the first samples taken by the driver
        double totalMs = 0;        // play() start to its return
    };
    const Timing &lastTiming() const { return timing_; }

    // Devices holding the SDL output at the moment (0 when the output is
    // closed and SDL audio is shut down).
    static int outputUsers();

private:
    const WavClip *clipFor(const QString &path);
    void waitUntilPlayed(const QElapsedTimer &timer, Uint32 queuedBytes);

    bool open_ = false;
    SDL_AudioDeviceID device_ = 0;
    QHash<QString, WavClip> cache_;
    QSet<QString> unplayable_;
    Timing timing_;
};
