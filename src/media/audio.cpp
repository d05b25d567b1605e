#include "media/audio.h"

#include "core/errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/safefile.h"

#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <functional>

namespace kav {

namespace {

const QString kPcm = QStringLiteral("PCM");
const QString kMuLaw = QStringLiteral("Mu-Law");

quint32 le16(const uchar* p) { return quint32(p[0]) | quint32(p[1]) << 8; }
quint32 le32(const uchar* p) { return le16(p) | le16(p + 2) << 16; }

void putBe32(QByteArray& out, quint32 v)
{
    out.append(char(v >> 24)).append(char(v >> 16)).append(char(v >> 8)).append(char(v));
}

// The segment of a biased magnitude, indexed by its bits 7..14: G.711's exponent table.
constexpr std::array<std::uint8_t, 256> makeExponentTable()
{
    std::array<std::uint8_t, 256> t{};
    for (int i = 0; i < 256; ++i) {
        int e = 0;
        for (int v = i >> 1; v; v >>= 1)
            ++e;
        t[size_t(i)] = std::uint8_t(e);
    }
    return t;
}
constexpr std::array<std::uint8_t, 256> kExponent = makeExponentTable();
static_assert(kExponent[1] == 0 && kExponent[2] == 1 && kExponent[7] == 2 && kExponent[8] == 3 &&
              kExponent[127] == 6 && kExponent[128] == 7 && kExponent[255] == 7);

// Chunk ids come from the file: show them only when they are plain text.
QString chunkName(const uchar* id)
{
    QString s;
    for (int i = 0; i < 4; ++i)
        s += (id[i] >= 0x20 && id[i] < 0x7F) ? QChar(id[i]) : QChar(u'?');
    return s;
}

// Where a WAV file keeps its samples and how they are laid out.
struct WavLayout {
    int channels = 1;
    int bits = 16;
    int rate = 0;
    qint64 dataOffset = 0;
    qint64 dataSize = 0;
    int FrameBytes() const { return channels * bits / 8; }
    // Whole sample frames only: a partial frame at the end of the chunk would take its missing
    // bytes from whatever follows the chunk.
    qint64 Frames() const { return dataSize / FrameBytes(); }
};

// Reads `n` bytes at `pos` of the file; fewer when the file ends sooner.
using ReadAt = std::function<QByteArray(qint64 pos, qint64 n)>;

// One pass over the chunk list of a RIFF WAVE file, in memory or on disk. Every size in the
// file is checked against the bytes that are really there before anything is read.
class WavParser {
public:
    WavParser(qint64 size, ReadAt read, const QString& fileName) : m_size(size), m_read(std::move(read)), m_name(fileName) {}

    WavLayout Parse() const
    {
        const QByteArray head = m_read(0, 12);
        if (head.size() < 4 || std::memcmp(head.constData(), "RIFF", 4) != 0)
            fail(QStringLiteral("not a RIFF file"));
        if (head.size() < 12 || std::memcmp(head.constData() + 8, "WAVE", 4) != 0)
            fail(QStringLiteral("not a WAVE file"));
        // The RIFF length counts from after its own field; a file cut short ends sooner.
        const qint64 end = std::min<qint64>(8 + qint64(le32(bytes(head) + 4)), m_size);
        WavLayout layout;
        bool haveFormat = false;
        qint64 pos = 12;
        while (pos + 8 <= end) {
            const QByteArray chunkHead = m_read(pos, 8);
            if (chunkHead.size() != 8)
                fail(QStringLiteral("cannot be read"));
            const uchar* id = bytes(chunkHead);
            const qint64 size = le32(id + 4);
            pos += 8;
            const bool fits = size <= m_size - pos;
            if (std::memcmp(id, "fmt ", 4) == 0) {
                if (!fits)
                    fail(QStringLiteral("Format Chunk runs past the end of the file"));
                readFormat(layout, m_read(pos, std::min<qint64>(size, 16)), size);
                haveFormat = true;
            } else if (std::memcmp(id, "data", 4) == 0) {
                if (!haveFormat)
                    fail(QStringLiteral("Data Chunk before Format Chunk"));
                if (!fits)
                    fail(QStringLiteral("Data Chunk runs past the end of the file"));
                layout.dataOffset = pos;
                layout.dataSize = size;
                return layout;
            } else if (!fits) {
                fail(QStringLiteral("Chunk '%1' runs past the end of the file").arg(chunkName(id)));
            }
            // Chunks of odd size are followed by a pad byte.
            pos += size + (size & 1);
        }
        fail(QStringLiteral("No Data Chunk in .WAV file"));
    }

    [[noreturn]] void fail(const QString& reason) const { throw UserError(m_name + QStringLiteral(": ") + reason); }

private:
    static const uchar* bytes(const QByteArray& b) { return reinterpret_cast<const uchar*>(b.constData()); }

    void readFormat(WavLayout& layout, const QByteArray& chunk, qint64 size) const
    {
        if (size < 16 || chunk.size() < 16)
            fail(QStringLiteral("Format Chunk too short"));
        const uchar* p = bytes(chunk);
        if (le16(p) != 1)
            fail(QStringLiteral("Unidentified encoding in .WAV file"));
        const quint32 channels = le16(p + 2);
        if (channels != 1 && channels != 2)
            fail(QStringLiteral("This file has %1 channels. Only 1 and 2 channel files are implemented").arg(channels));
        const quint32 rate = le32(p + 4);
        if (rate < quint32(TWaveTool::kMinRate) || rate > quint32(INT_MAX))
            fail(QStringLiteral("Unusable sample rate %1 in .WAV file").arg(rate));
        // The byte rate and the block size are not needed: both follow from the rest.
        const quint32 bits = le16(p + 14);
        if (bits != 8 && bits != 16)
            fail(QStringLiteral("This file has %1 bits per sample. Only 8 and 16 bit files are implemented").arg(bits));
        layout.channels = int(channels);
        layout.rate = int(rate);
        layout.bits = int(bits);
    }

    qint64 m_size;
    ReadAt m_read;
    QString m_name;
};

// One sample of channel `c` of the frame at p, as a signed 16-bit value.
inline std::int16_t sampleAt(const uchar* p, int bits, int c)
{
    return bits == 8 ? std::int16_t(int(p[c]) * 256 - 32768) : std::int16_t(le16(p + 2 * c));
}

void readSamples(TAudio& audio, const WavLayout& layout, const uchar* p)
{
    const int channels = layout.channels;
    const int frameBytes = layout.FrameBytes();
    const qint64 count = layout.Frames();
    audio.Count = count;
    audio.Left.assign(size_t(count), 0);
    audio.Right.assign(channels == 2 ? size_t(count) : 0, 0);
    std::int16_t* left = audio.Left.data();
    std::int16_t* right = audio.Right.data();
    for (qint64 i = 0; i < count; ++i, p += frameBytes) {
        left[i] = sampleAt(p, layout.bits, 0);
        if (channels == 2)
            right[i] = sampleAt(p, layout.bits, 1);
    }
    const qint64 rate = audio.Rate;
    audio.Duration = double((count * 200 + rate) / (2 * rate)) / 100.0;
}

// Samples at kSunRate, as the resampling of TWaveTool makes them, from `frames` input frames.
qint64 sunSampleCount(qint64 frames, qint64 rate)
{
    if (rate == TWaveTool::kSunRate)
        return frames;
    // The accumulator ends in (0, rate] after n inputs, so the output has this many samples.
    return frames == 0 ? 0 : (frames * TWaveTool::kSunRate + rate - 1) / rate - 1;
}

QByteArray sunHeader(qint64 count)
{
    QByteArray out;
    out.append(".snd", 4);
    putBe32(out, TWaveTool::kSunHeaderSize);
    putBe32(out, quint32(count));
    putBe32(out, 1);   // 8-bit mu-law
    putBe32(out, TWaveTool::kSunRate);
    putBe32(out, 1);   // channels
    out.append("wvau", 4);
    return out;
}

// 0xFFFFFFFF means "size unknown" in this format.
constexpr qint64 kMaxSunSamples = qint64(0xFFFFFFFF) - 1;

} // namespace

TAudio TWaveTool::ReadWav(const QByteArray& bytes, const QString& fileName)
{
    const WavLayout layout =
        WavParser(bytes.size(), [&](qint64 pos, qint64 n) { return bytes.mid(qsizetype(pos), qsizetype(n)); }, fileName).Parse();
    TAudio audio;
    audio.Encoding = kPcm;
    audio.Channels = layout.channels;
    audio.Rate = layout.rate;
    audio.Bits = layout.bits;
    readSamples(audio, layout, reinterpret_cast<const uchar*>(bytes.constData()) + layout.dataOffset);
    return audio;
}

TAudio TWaveTool::ReadWav(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    QFile f(path);
    if (!f.exists())
        throw UserError(QStringLiteral("%1: file %2 not found").arg(name, QDir::toNativeSeparators(path)));
    if (!f.open(QIODevice::ReadOnly))
        throw UserError(QStringLiteral("%1: cannot be read: %2").arg(name, f.errorString()));
    // Mapped rather than copied: the bytes are only looked at once.
    const qint64 size = f.size();
    if (uchar* mapped = size > 0 ? f.map(0, size) : nullptr)
        return ReadWav(QByteArray::fromRawData(reinterpret_cast<const char*>(mapped), qsizetype(size)), name);
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw UserError(QStringLiteral("%1: cannot be read: %2").arg(name, f.errorString()));
    return ReadWav(bytes, name);
}

void TWaveTool::MixToMono(TAudio& audio)
{
    if (audio.Channels != 2)
        return;
    const size_t n = std::min(audio.Left.size(), audio.Right.size());
    for (size_t i = 0; i < n; ++i)
        audio.Left[i] = std::int16_t((int(audio.Left[i]) + int(audio.Right[i])) >> 1);   // floor, also below 0
    audio.Left.resize(n);
    audio.Right.clear();
    audio.Right.shrink_to_fit();
    audio.Channels = 1;
    audio.Count = qint64(n);
}

// The accumulator grows by 1/Rate s per input sample; while it exceeds 1/8012 s the current
// sample is output and 1/8012 s taken off. Counted in units of 1/(Rate x 8012) s it grows by
// 8012 and loses Rate, so equal times compare equal and no rounding drifts over a long sound.
// At or above 8012 per second each input sample is output at most once; below, "while" repeats
// samples so the sound keeps its length instead of playing too fast.
void TWaveTool::ResampleTo8012(TAudio& audio)
{
    if (audio.Rate == kSunRate)
        return;
    if (audio.Rate <= 0)
        throw UserError(QStringLiteral("Unusable sample rate %1").arg(audio.Rate));
    const qint64 rate = audio.Rate;
    const qint64 n = qint64(audio.Left.size());
    // The accumulator ends in (0, rate] after n inputs, so the output has this many samples.
    const qint64 outCount = n == 0 ? 0 : (n * kSunRate + rate - 1) / rate - 1;
    auto resample = [&](std::vector<std::int16_t>& samples) {
        if (samples.empty())
            return;
        std::vector<std::int16_t> out(size_t(outCount), 0);
        qint64 acc = 0;
        size_t o = 0;
        for (qint64 i = 0; i < n; ++i) {
            acc += kSunRate;
            while (acc > rate) {
                out[o++] = samples[size_t(i)];
                acc -= rate;
            }
        }
        samples.swap(out);
    };
    resample(audio.Left);
    resample(audio.Right);
    audio.Count = outCount;
    audio.Rate = kSunRate;
}

std::uint8_t TWaveTool::MuLawCode(int sample)
{
    constexpr int kClip = 32635;
    constexpr int kBias = 132;
    int sign = 0;
    if (sample < 0) {
        sign = 0x80;
        sample = sample < -kClip ? kClip : -sample;
    } else if (sample > kClip) {
        sample = kClip;
    }
    sample += kBias;
    const int exponent = kExponent[size_t((sample >> 7) & 0xFF)];
    const int mantissa = (sample >> (exponent + 3)) & 0x0F;
    const auto code = std::uint8_t(~(sign | exponent << 4 | mantissa));
    // An all-zero byte is avoided on the line: the loudest negative code is written as 2.
    return code == 0 ? 2 : code;
}

void TWaveTool::EncodeMuLaw(TAudio& audio)
{
    if (audio.Encoding == kMuLaw)
        return;
    if (audio.Encoding != kPcm)
        throw UserError(QStringLiteral("Unimplemented Encoding Change."));
    for (std::int16_t& s : audio.Left)
        s = MuLawCode(s);
    for (std::int16_t& s : audio.Right)
        s = MuLawCode(s);
    audio.Encoding = kMuLaw;
}

QByteArray TWaveTool::SunAudio(TAudio& audio)
{
    MixToMono(audio);
    ResampleTo8012(audio);
    EncodeMuLaw(audio);
    const qint64 count = qint64(audio.Left.size());
    if (count > kMaxSunSamples)
        throw UserError(QStringLiteral("The sound is too long for Sun audio"));
    QByteArray out = sunHeader(count);
    const qsizetype header = out.size();
    out.resize(header + count);
    char* d = out.data() + header;
    for (qint64 i = 0; i < count; ++i)
        d[i] = char(audio.Left[size_t(i)]);
    return out;
}

void TWaveTool::WriteSunAudio(TAudio& audio, const QString& path)
{
    WriteFileSafely(path, SunAudio(audio));
}

void TWaveTool::StreamSunAudio(QIODevice& wav, const QString& fileName, QIODevice& au)
{
    const qint64 size = wav.size();
    const WavParser parser(size, [&](qint64 pos, qint64 n) { return wav.seek(pos) ? wav.read(n) : QByteArray(); }, fileName);
    const WavLayout layout = parser.Parse();
    const qint64 frames = layout.Frames();
    const qint64 rate = layout.rate;
    // The length is known before a single sample is converted: a sound too long is refused
    // before anything is allocated or written.
    const qint64 count = sunSampleCount(frames, rate);
    if (count > kMaxSunSamples)
        parser.fail(QStringLiteral("the sound is too long for Sun audio (%1 samples at %2 Hz; at most %3)")
                        .arg(count).arg(kSunRate).arg(kMaxSunSamples));
    auto put = [&](const char* data, qint64 n) {
        if (au.write(data, n) != n)
            throw WriteError(QStringLiteral("Cannot write the Sun audio of %1").arg(fileName), false);
    };
    const QByteArray header = sunHeader(count);
    put(header.constData(), header.size());

    // The same steps as mixing, resampling and encoding a whole sound, one block at a time.
    constexpr qint64 kBlockFrames = 1 << 15;
    const int frameBytes = layout.FrameBytes();
    QByteArray out;
    out.reserve(2 * kBlockFrames * (kSunRate / TWaveTool::kMinRate + 2));
    qint64 acc = 0, written = 0;
    for (qint64 done = 0; done < frames;) {
        const qint64 n = std::min(kBlockFrames, frames - done);
        if (!wav.seek(layout.dataOffset + done * frameBytes))
            parser.fail(QStringLiteral("cannot be read: %1").arg(wav.errorString()));
        const QByteArray block = wav.read(n * frameBytes);
        if (block.size() != n * frameBytes)
            parser.fail(QStringLiteral("cannot be read: it changed while it was converted"));
        const uchar* p = reinterpret_cast<const uchar*>(block.constData());
        out.clear();
        for (qint64 i = 0; i < n; ++i, p += frameBytes) {
            int sample = sampleAt(p, layout.bits, 0);
            if (layout.channels == 2)
                sample = (sample + int(sampleAt(p, layout.bits, 1))) >> 1;   // floor, also below 0
            const char code = char(MuLawCode(sample));
            if (rate == kSunRate) {
                out.append(code);
                continue;
            }
            acc += kSunRate;
            while (acc > rate) {
                out.append(code);
                acc -= rate;
            }
        }
        put(out.constData(), out.size());
        written += out.size();
        done += n;
    }
    if (written != count)
        parser.fail(QStringLiteral("%1 samples were converted where %2 were due").arg(written).arg(count));
}

void TWaveTool::ConvertToSunAudio(const QString& wavPath, const QString& auPath)
{
    const QString name = QFileInfo(wavPath).fileName();
    QFile in(wavPath);
    if (!in.exists())
        throw UserError(QStringLiteral("%1: file %2 not found").arg(name, QDir::toNativeSeparators(wavPath)));
    if (!in.open(QIODevice::ReadOnly))
        throw UserError(QStringLiteral("%1: cannot be read: %2").arg(name, in.errorString()));
    if (in.isSequential())
        throw UserError(QStringLiteral("%1: cannot be read: it is not a regular file").arg(name));
    TSafeFile out(auPath);
    out.Open();
    try {
        StreamSunAudio(in, name, out);
    } catch (const WriteError&) {
        if (out.Failed())
            out.ThrowFailure();
        throw;
    }
    out.Commit();
}

bool ConvertWavToAu(const QString& sourceWithoutExtension, const QString& destination)
{
    const QString wav = sourceWithoutExtension + QStringLiteral(".wav");
    if (!QFileInfo::exists(wav))
        return false;
    TWaveTool::ConvertToSunAudio(wav, destination);
    return true;
}

} // namespace kav
