#pragma once

#include <QString>

#include <functional>
#include <memory>

// A window's sound device: opened when the window loads, closed first thing
// when it unloads. play() returns when the prompt has been heard to its end,
// so prompts played one after another are heard one after another. A missing
// or unreadable file, or no audio device at all, is skipped with one line
// on stderr: the drills work the same without sound.
class SoundDevice
{
public:
    virtual ~SoundDevice() = default;
    virtual void open() = 0;
    virtual void play(const QString &path) = 0;
    virtual void close() = 0;

    // A new device of the kind in use (SDL unless a factory was installed).
    static std::unique_ptr<SoundDevice> create();
    // Installs a factory (tests record what is played); nullptr restores SDL.
    static void setFactory(std::function<std::unique_ptr<SoundDevice>()> factory);
};
