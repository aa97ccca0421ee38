#include "sound/sdl_sound_device.h"

#include "platform/app_info.h"
#include "sound/sdl_library.h"

#include <QDebug>
#include <QElapsedTimer>

#include <algorithm>
#include <cmath>

namespace {

// Frames per device buffer asked for: about 12 ms at 22050 Hz, short enough
// that a prompt starts at once and the wait after the queue has drained is
// small. The driver may choose another size; the one obtained is used.
constexpr Uint16 BUFFER_FRAMES = 256;

// How long past its own length a prompt may take before the output is taken
// to be stuck (an output that stops consuming must not hang the window).
constexpr double STUCK_MARGIN_MS = 2000;

const SdlLibrary &sdl()
{
    // Only reached once an output was acquired, which needs the library.
    return *SdlLibrary::get();
}

// The one SDL output shared by every open device. Several drivers (SDL's
// dummy and disk drivers, plain ALSA hardware) allow only one open output at
// a time, and playing blocks the one GUI thread, so prompts of different
// windows never overlap: sharing the output loses nothing. The audio
// subsystem is started for the first user and shut down, with the output,
// after the last.
struct SharedOutput
{
    int users = 0;
    SDL_AudioDeviceID id = 0;
    SDL_AudioSpec spec{};
};

SharedOutput &output()
{
    static SharedOutput shared;
    return shared;
}

bool acquireOutput(QString *error)
{
    SharedOutput &out = output();
    if (out.users == 0) {
        if (!SdlLibrary::get()) {
            *error = SdlLibrary::error();
            return false;
        }
        // Only audio is used: leave Ctrl+C and the like to the program.
        sdl().SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        sdl().SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, AppInfo::title().toUtf8().constData());
        if (sdl().InitSubSystem(SDL_INIT_AUDIO) < 0) {
            *error = QStringLiteral("no audio output (%1)").arg(sdl().takeError());
            return false;
        }
        SDL_AudioSpec wanted{};
        wanted.freq = WavClip::RATE;
        wanted.format = AUDIO_S16SYS;
        wanted.channels = WavClip::CHANNELS;
        wanted.samples = BUFFER_FRAMES;
        wanted.callback = nullptr; // samples are queued
        out.spec = SDL_AudioSpec{};
        // Format, rate and channels stay as asked (SDL converts for the
        // hardware), so the prompts can be queued as decoded.
        out.id = sdl().OpenAudioDevice(nullptr, 0, &wanted, &out.spec, SDL_AUDIO_ALLOW_SAMPLES_CHANGE);
        if (out.id == 0) {
            *error = QStringLiteral("cannot open an audio device (%1)").arg(sdl().takeError());
            sdl().QuitSubSystem(SDL_INIT_AUDIO);
            return false;
        }
        sdl().PauseAudioDevice(out.id, 0);
    }
    ++out.users;
    return true;
}

void releaseOutput()
{
    SharedOutput &out = output();
    if (out.users <= 0 || --out.users > 0)
        return;
    sdl().CloseAudioDevice(out.id);
    out.id = 0;
    sdl().QuitSubSystem(SDL_INIT_AUDIO);
}

} // namespace

SdlSoundDevice::SdlSoundDevice() = default;

SdlSoundDevice::~SdlSoundDevice()
{
    close();
}

double SdlSoundDevice::outputLatencyMs() const
{
    const SDL_AudioSpec &spec = output().spec;
    if (device_ == 0 || spec.freq <= 0)
        return 0;
    // The buffer the driver has just taken is still to be heard, and most
    // drivers keep one more buffer in the hardware.
    return 2.0 * 1000.0 * spec.samples / spec.freq;
}

void SdlSoundDevice::open()
{
    if (open_)
        return;
    open_ = true;
    QString error;
    if (!acquireOutput(&error)) {
        qWarning().noquote() << QStringLiteral("sound: %1; prompts are skipped").arg(error);
        return;
    }
    device_ = output().id;
}

void SdlSoundDevice::close()
{
    if (!open_)
        return;
    open_ = false;
    cache_.clear();
    unplayable_.clear();
    if (device_ != 0) {
        device_ = 0;
        releaseOutput();
    }
}

const WavClip *SdlSoundDevice::clipFor(const QString &path)
{
    const auto cached = cache_.constFind(path);
    if (cached != cache_.constEnd())
        return &cached.value();
    if (unplayable_.contains(path))
        return nullptr;
    QString error;
    std::optional<WavClip> clip = WavClip::load(path, &error);
    if (!clip) {
        // Said once per file while the device is open, not on every play.
        unplayable_.insert(path);
        qWarning().noquote() << QStringLiteral("sound: %1: %2; skipped").arg(path, error);
        return nullptr;
    }
    return &cache_.insert(path, std::move(*clip)).value();
}

void SdlSoundDevice::play(const QString &path)
{
    if (!open_) {
        qWarning().noquote() << QStringLiteral("sound: %1: the device is not open; skipped").arg(path);
        return;
    }
    if (device_ == 0)
        return; // no output: already said when opening
    const WavClip *clip = clipFor(path);
    if (!clip || clip->bytes().isEmpty() || sdl().GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED)
        return;
    // Anything left over from a play that gave up waiting is dropped, so this
    // prompt is not heard after stale samples.
    sdl().ClearQueuedAudio(device_);
    const QByteArray &bytes = clip->bytes();
    if (sdl().QueueAudio(device_, bytes.constData(), static_cast<Uint32>(bytes.size())) < 0) {
        qWarning().noquote() << QStringLiteral("sound: %1: cannot queue (%2); skipped").arg(path, sdl().takeError());
        return;
    }
    waitUntilPlayed(clip->seconds() * 1000.0);
}

// Blocks the calling thread (no events are handled meanwhile) until the
// queued samples have all been taken by the driver and played out.
void SdlSoundDevice::waitUntilPlayed(double soundMs)
{
    QElapsedTimer waited;
    waited.start();
    const SDL_AudioSpec &spec = output().spec;
    const double bytesPerMs = spec.freq * static_cast<double>(sizeof(qint16)) * spec.channels / 1000.0;
    const double giveUpMs = soundMs + outputLatencyMs() + STUCK_MARGIN_MS;
    for (;;) {
        const Uint32 left = sdl().GetQueuedAudioSize(device_);
        if (left == 0)
            break;
        if (waited.elapsed() > giveUpMs || sdl().GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED) {
            qWarning().noquote() << QStringLiteral("sound: the audio output stopped playing; prompt cut short");
            sdl().ClearQueuedAudio(device_);
            return;
        }
        // Sleep through about half of what is left each time, so the end is
        // seen within a millisecond or two without polling all along.
        const double leftMs = bytesPerMs > 0 ? left / bytesPerMs : 1.0;
        sdl().Delay(static_cast<Uint32>(std::clamp(leftMs / 2.0, 1.0, 50.0)));
    }
    sdl().Delay(static_cast<Uint32>(std::ceil(outputLatencyMs())));
}
