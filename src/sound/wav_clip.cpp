#include "sound/wav_clip.h"

#include "sound/sdl_library.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>


namespace {

// SDL_LoadWAV_RW's buffer, freed however the decoding ends.
struct SdlWavBuffer
{
    const SdlLibrary &sdl;
    Uint8 *data = nullptr;
    Uint32 length = 0;
    ~SdlWavBuffer()
    {
        if (data)
            sdl.FreeWAV(data);
    }
};

} // namespace

std::optional<WavClip> WavClip::load(const QString &path, QString *error)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        *error = QStringLiteral("not found");
        return std::nullopt;
    }
    if (!info.isFile()) {
        *error = QStringLiteral("not a file");
        return std::nullopt;
    }
    if (info.size() > MAX_FILE_BYTES) {
        *error = QStringLiteral("too large (%1 bytes) for a prompt").arg(info.size());
        return std::nullopt;
    }
    // Read through QFile rather than by name in SDL, so that names with
    // full-width characters open the same way everywhere.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot be read: ") + file.errorString();
        return std::nullopt;
    }
    const QByteArray data = file.read(MAX_FILE_BYTES + 1);
    if (file.error() != QFileDevice::NoError) {
        *error = QStringLiteral("cannot be read: ") + file.errorString();
        return std::nullopt;
    }
    if (data.size() > MAX_FILE_BYTES) {
        *error = QStringLiteral("too large for a prompt");
        return std::nullopt;
    }
    return decode(data, error);
}

std::optional<WavClip> WavClip::decode(const QByteArray &fileData, QString *error)
{
    if (fileData.isEmpty()) {
        *error = QStringLiteral("not a WAV file: the file is empty");
        return std::nullopt;
    }
    const SdlLibrary *sdl = SdlLibrary::get();
    if (!sdl) {
        *error = SdlLibrary::error();
        return std::nullopt;
    }
    SDL_RWops *rw = sdl->RWFromConstMem(fileData.constData(), static_cast<int>(fileData.size()));
    if (!rw) {
        *error = sdl->takeError();
        return std::nullopt;
    }
    SDL_AudioSpec spec{};
    SdlWavBuffer wav{*sdl};
    // freesrc = 1: SDL closes the RWops whatever happens.
    if (!sdl->LoadWAV_RW(rw, 1, &spec, &wav.data, &wav.length)) {
        *error = QStringLiteral("not a WAV file: ") + sdl->takeError();
        return std::nullopt;
    }

    WavClip clip;
    clip.source_.rate = spec.freq;
    clip.source_.channels = spec.channels;
    clip.source_.bitsPerSample = SDL_AUDIO_BITSIZE(spec.format);
    clip.source_.floatingPoint = SDL_AUDIO_ISFLOAT(spec.format);

    SDL_AudioCVT cvt;
    const int built = sdl->BuildAudioCVT(&cvt, spec.format, spec.channels, spec.freq,
                                        AUDIO_S16SYS, CHANNELS, RATE);
    if (built < 0) {
        *error = QStringLiteral("unsupported WAV format: ") + sdl->takeError();
        return std::nullopt;
    }
    const int frameBytes = static_cast<int>(SDL_AUDIO_BITSIZE(spec.format) / 8) * spec.channels;
    // Drop a trailing partial frame, which a truncated file may leave.
    const int length = frameBytes > 0 ? static_cast<int>(wav.length) / frameBytes * frameBytes : 0;
    if (spec.freq <= 0 || static_cast<double>(length / std::max(frameBytes, 1)) / spec.freq > MAX_SECONDS) {
        *error = QStringLiteral("too long for a prompt (over %1 s)").arg(MAX_SECONDS);
        return std::nullopt;
    }
    if (built == 0) {
        clip.bytes_ = QByteArray(reinterpret_cast<const char *>(wav.data), length);
        return clip;
    }
    QByteArray work(length * cvt.len_mult, Qt::Uninitialized);
    std::memcpy(work.data(), wav.data, static_cast<size_t>(length));
    cvt.buf = reinterpret_cast<Uint8 *>(work.data());
    cvt.len = length;
    if (sdl->ConvertAudio(&cvt) < 0) {
        *error = QStringLiteral("cannot convert: ") + sdl->takeError();
        return std::nullopt;
    }
    work.truncate(cvt.len_cvt / static_cast<int>(sizeof(qint16) * CHANNELS) * static_cast<int>(sizeof(qint16) * CHANNELS));
    clip.bytes_ = work;
    return clip;
}
