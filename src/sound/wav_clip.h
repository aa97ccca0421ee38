#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// One prompt file read into memory and decoded to 16-bit signed mono samples
// at a given rate (the format the sound device is opened with), so that every
// prompt can be queued on the device as it stands.
class WavClip
{
public:
    // The format every clip is converted to, and the format of the supplied
    // prompts: 22050 Hz, mono, 16-bit signed, native byte order.
    static constexpr int RATE = 22050;
    static constexpr int CHANNELS = 1;

    // Files larger than this are refused rather than read into memory: a
    // prompt is a word or two (the supplied ones are well under 100 kB).
    static constexpr qint64 MAX_FILE_BYTES = 32 * 1024 * 1024;

    // Longer recordings are refused: play() blocks the window for the whole
    // prompt, and a damaged header (a rate of a few hertz) can make a short
    // file last for minutes.
    static constexpr double MAX_SECONDS = 30.0;

    // What the file itself held, before conversion.
    struct SourceFormat
    {
        int rate = 0;
        int channels = 0;
        int bitsPerSample = 0;
        bool floatingPoint = false;
    };

    // Reads and decodes the file. On failure returns nothing and sets *error
    // to a short description ("not found", "not a WAV file: …").
    static std::optional<WavClip> load(const QString &path, QString *error);
    // Decodes WAV data already in memory (the same rules as load()).
    static std::optional<WavClip> decode(const QByteArray &fileData, QString *error);

    // The converted samples, as raw bytes ready to be queued.
    const QByteArray &bytes() const { return bytes_; }
    qint64 frames() const { return bytes_.size() / static_cast<qint64>(sizeof(qint16) * CHANNELS); }
    double seconds() const { return static_cast<double>(frames()) / RATE; }
    const SourceFormat &source() const { return source_; }

private:
    QByteArray bytes_;
    SourceFormat source_;
};
