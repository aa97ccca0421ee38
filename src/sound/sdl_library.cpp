#include "sound/sdl_library.h"

#include <QLibrary>

namespace {
struct Loaded
{
    SdlLibrary functions;
    bool ok = false;
    QString error;
};

template <typename Function> bool resolve(QLibrary &library, const char *name, Function &slot)
{
    slot = reinterpret_cast<Function>(library.resolve(name));
    return slot != nullptr;
}

Loaded load()
{
    Loaded loaded;
    // The runtime library's names: libSDL2-2.0.so.0 on Linux, SDL2.dll on
    // Windows, libSDL2-2.0.0.dylib on macOS.
    QLibrary library;
    for (const auto &[name, version] : {std::pair{"SDL2-2.0", 0}, std::pair{"SDL2", -1}}) {
        if (version >= 0)
            library.setFileNameAndVersion(QString::fromLatin1(name), version);
        else
            library.setFileName(QString::fromLatin1(name));
        if (library.load())
            break;
    }
    if (!library.isLoaded()) {
        loaded.error = QStringLiteral("SDL2 library not found (%1)").arg(library.errorString());
        return loaded;
    }
    SdlLibrary &f = loaded.functions;
    const bool all = resolve(library, "SDL_InitSubSystem", f.InitSubSystem)
                     && resolve(library, "SDL_QuitSubSystem", f.QuitSubSystem)
                     && resolve(library, "SDL_SetHint", f.SetHint)
                     && resolve(library, "SDL_GetError", f.GetError)
                     && resolve(library, "SDL_ClearError", f.ClearError)
                     && resolve(library, "SDL_OpenAudioDevice", f.OpenAudioDevice)
                     && resolve(library, "SDL_CloseAudioDevice", f.CloseAudioDevice)
                     && resolve(library, "SDL_PauseAudioDevice", f.PauseAudioDevice)
                     && resolve(library, "SDL_GetAudioDeviceStatus", f.GetAudioDeviceStatus)
                     && resolve(library, "SDL_QueueAudio", f.QueueAudio)
                     && resolve(library, "SDL_GetQueuedAudioSize", f.GetQueuedAudioSize)
                     && resolve(library, "SDL_ClearQueuedAudio", f.ClearQueuedAudio)
                     && resolve(library, "SDL_Delay", f.Delay)
                     && resolve(library, "SDL_RWFromConstMem", f.RWFromConstMem)
                     && resolve(library, "SDL_LoadWAV_RW", f.LoadWAV_RW)
                     && resolve(library, "SDL_FreeWAV", f.FreeWAV)
                     && resolve(library, "SDL_BuildAudioCVT", f.BuildAudioCVT)
                     && resolve(library, "SDL_ConvertAudio", f.ConvertAudio);
    if (!all) {
        loaded.error = QStringLiteral("SDL2 library incomplete (%1)").arg(library.errorString());
        return loaded;
    }
    // The library stays loaded for the rest of the run.
    loaded.ok = true;
    return loaded;
}

const Loaded &loadedOnce()
{
    static const Loaded loaded = load();
    return loaded;
}
} // namespace

const SdlLibrary *SdlLibrary::get()
{
    return loadedOnce().ok ? &loadedOnce().functions : nullptr;
}

QString SdlLibrary::error()
{
    return loadedOnce().error;
}

QString SdlLibrary::takeError() const
{
    const QString text = QString::fromUtf8(GetError());
    ClearError();
    return text.isEmpty() ? QStringLiteral("unknown error") : text;
}
