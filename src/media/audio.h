#pragma once
#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <cstdint>
#include <vector>

namespace kav {

// A decoded sound. PCM samples are signed 16-bit values whatever the file's depth (an 8-bit
// sample b is held as b x 256 - 32768); after EncodeMuLaw the arrays hold the codes 0..255.
class TAudio {
public:
    int Channels = 1;           // 1 or 2
    int Bits = 16;              // 8 or 16, as read
    int Rate = 0;               // samples per second
    qint64 Count = 0;           // samples per channel
    QString Encoding;           // "PCM" or "Mu-Law"
    std::vector<std::int16_t> Left;
    std::vector<std::int16_t> Right;   // two channels only
    double Duration = 0;        // seconds, to the nearest hundredth
};

// Reads WAV files and writes the 8-bit mu-law Sun audio that the browser player plays.
// Every failure throws UserError in the form "name.wav: reason" (the name without its folder).
class TWaveTool {
public:
    static constexpr int kSunRate = 8012;
    static constexpr int kSunHeaderSize = 28;
    // Input rates outside this range are refused: below it the repeated samples of the
    // resampling would let a small file grow without bound.
    static constexpr int kMinRate = 1000;

    static TAudio ReadWav(const QString& path);
    // `fileName` only names the sound in messages.
    static TAudio ReadWav(const QByteArray& bytes, const QString& fileName);

    // Every sample becomes the floor of (left + right) / 2; Channels becomes 1.
    static void MixToMono(TAudio& audio);
    // To kSunRate by the time accumulator, kept exact in whole units of 1 / (Rate x 8012) s.
    static void ResampleTo8012(TAudio& audio);
    // PCM to mu-law codes; a sound already in mu-law is left alone.
    static void EncodeMuLaw(TAudio& audio);
    static std::uint8_t MuLawCode(int sample);

    // Mixes, resamples and encodes `audio` as needed and returns the Sun audio file.
    static QByteArray SunAudio(TAudio& audio);
    // The same, written through TSafeFile; throws WriteError when the file cannot be written.
    static void WriteSunAudio(TAudio& audio, const QString& path);

    // The same bytes as SunAudio of the whole sound, made block by block: the memory it takes
    // does not grow with the sound. `wav` must be open and seekable; the length of the result
    // is checked before anything is converted. Throws UserError as ReadWav does, WriteError when
    // `au` refuses a write.
    static void StreamSunAudio(QIODevice& wav, const QString& fileName, QIODevice& au);
    // A WAV file to a Sun audio file, streamed; the target is replaced only when complete.
    static void ConvertToSunAudio(const QString& wavPath, const QString& auPath);
};

// source + ".wav" converted (streamed) to 8-bit mu-law Sun audio at `destination`. False (and nothing
// written) when the WAV file does not exist; a WAV that fails a check throws UserError naming
// the file and the reason.
bool ConvertWavToAu(const QString& sourceWithoutExtension, const QString& destination);

} // namespace kav
