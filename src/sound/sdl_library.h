#pragma once

#include <QString>

#include <SDL.h>

// SDL2's audio functions, loaded from the shared library on first use rather
// than linked. SDL2 and the sound libraries it pulls in then cost nothing
// until a drill window first opens its sound device, which keeps start-up as
// quick as a bare window; and a machine without SDL2 still runs the drills,
// silently.
class SdlLibrary
{
public:
    // The loaded functions, or nullptr (with the reason in error()) when the
    // library or one of its functions cannot be found.
    static const SdlLibrary *get();
    static QString error();

    decltype(&::SDL_InitSubSystem) InitSubSystem = nullptr;
    decltype(&::SDL_QuitSubSystem) QuitSubSystem = nullptr;
    decltype(&::SDL_SetHint) SetHint = nullptr;
    decltype(&::SDL_GetError) GetError = nullptr;
    decltype(&::SDL_ClearError) ClearError = nullptr;
    decltype(&::SDL_OpenAudioDevice) OpenAudioDevice = nullptr;
    decltype(&::SDL_CloseAudioDevice) CloseAudioDevice = nullptr;
    decltype(&::SDL_PauseAudioDevice) PauseAudioDevice = nullptr;
    decltype(&::SDL_GetAudioDeviceStatus) GetAudioDeviceStatus = nullptr;
    decltype(&::SDL_QueueAudio) QueueAudio = nullptr;
    decltype(&::SDL_GetQueuedAudioSize) GetQueuedAudioSize = nullptr;
    decltype(&::SDL_ClearQueuedAudio) ClearQueuedAudio = nullptr;
    decltype(&::SDL_Delay) Delay = nullptr;
    decltype(&::SDL_RWFromConstMem) RWFromConstMem = nullptr;
    decltype(&::SDL_LoadWAV_RW) LoadWAV_RW = nullptr;
    decltype(&::SDL_FreeWAV) FreeWAV = nullptr;
    decltype(&::SDL_BuildAudioCVT) BuildAudioCVT = nullptr;
    decltype(&::SDL_ConvertAudio) ConvertAudio = nullptr;

    // The last SDL error, cleared once read.
    QString takeError() const;
};
