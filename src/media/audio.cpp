#include "media/audio.h"

#include "core/errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <array>
#include <cerrno>
#include <climits>
#include <cstring>

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

// One pass over a RIFF WAVE file in memory. Every size in the file is checked against the bytes
// that are really there before anything is read or allocated.
class WavReader {
public:
    WavReader(const QByteArray& bytes, const QString& fileName)
        : m_data(reinterpret_cast<const uchar*>(bytes.constData())), m_size(bytes.size()), m_name(fileName) {}

    TAudio Read()
    {
        if (m_size < 4 || std::memcmp(m_data, "RIFF", 4) != 0)
            fail(QStringLiteral("not a RIFF file"));
        if (m_size < 12 || std::memcmp(m_data + 8, "WAVE", 4) != 0)
            fail(QStringLiteral("not a WAVE file"));
        // The RIFF length counts from after its own field; a file cut short ends sooner.
        const qint64 end = std::min<qint64>(8 + qint64(le32(m_data + 4)), m_size);
        TAudio audio;
        bool haveFormat = false;
        qint64 pos = 12;
        while (pos + 8 <= end) {
            const uchar* id = m_data + pos;
            const qint64 size = le32(m_data + pos + 4);
            pos += 8;
            const bool fits = size <= m_size - pos;
            if (std::memcmp(id, "fmt ", 4) == 0) {
                if (!fits)
                    fail(QStringLiteral("Format Chunk runs past the end of the file"));
                readFormat(audio, m_data + pos, size);
                haveFormat = true;
            } else if (std::memcmp(id, "data", 4) == 0) {
                if (!haveFormat)
                    fail(QStringLiteral("Data Chunk before Format Chunk"));
                if (!fits)
                    fail(QStringLiteral("Data Chunk runs past the end of the file"));
                readSamples(audio, m_data + pos, size);
                return audio;
            } else if (!fits) {
                fail(QStringLiteral("Chunk '%1' runs past the end of the file").arg(chunkName(id)));
            }
            // Chunks of odd size are followed by a pad byte.
            pos += size + (size & 1);
        }
        fail(QStringLiteral("No Data Chunk in .WAV file"));
    }

private:
    [[noreturn]] void fail(const QString& reason) const { throw UserError(m_name + QStringLiteral(": ") + reason); }

    void readFormat(TAudio& audio, const uchar* p, qint64 size) const
    {
        if (size < 16)
            fail(QStringLiteral("Format Chunk too short"));
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
        audio.Encoding = kPcm;
        audio.Channels = int(channels);
        audio.Rate = int(rate);
        audio.Bits = int(bits);
    }

    // Whole sample frames only: a partial frame at the end of the chunk would take its missing
    // bytes from whatever follows the chunk.
    static void readSamples(TAudio& audio, const uchar* p, qint64 size)
    {
        const int channels = audio.Channels;
        const int frameBytes = channels * audio.Bits / 8;
        const qint64 count = size / frameBytes;
        audio.Count = count;
        audio.Left.assign(size_t(count), 0);
        audio.Right.assign(channels == 2 ? size_t(count) : 0, 0);
        std::int16_t* left = audio.Left.data();
        std::int16_t* right = audio.Right.data();
        if (audio.Bits == 8) {
            for (qint64 i = 0; i < count; ++i, p += frameBytes) {
                left[i] = std::int16_t(int(p[0]) * 256 - 32768);
                if (channels == 2)
                    right[i] = std::int16_t(int(p[1]) * 256 - 32768);
            }
        } else {
            for (qint64 i = 0; i < count; ++i, p += frameBytes) {
                left[i] = std::int16_t(le16(p));
                if (channels == 2)
                    right[i] = std::int16_t(le16(p + 2));
            }
        }
        const qint64 rate = audio.Rate;
        audio.Duration = double((count * 200 + rate) / (2 * rate)) / 100.0;
    }

    const uchar* m_data;
    qint64 m_size;
    QString m_name;
};

} // namespace

TAudio TWaveTool::ReadWav(const QByteArray& bytes, const QString& fileName)
{
    return WavReader(bytes, fileName).Read();
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
    // 0xFFFFFFFF means "size unknown" in this format.
    if (count >= qint64(0xFFFFFFFF))
        throw UserError(QStringLiteral("The sound is too long for Sun audio"));
    QByteArray out;
    out.reserve(kSunHeaderSize + count);
    out.append(".snd", 4);
    putBe32(out, kSunHeaderSize);
    putBe32(out, quint32(count));
    putBe32(out, 1);   // 8-bit mu-law
    putBe32(out, kSunRate);
    putBe32(out, 1);   // channels
    out.append("wvau", 4);
    const qsizetype header = out.size();
    out.resize(header + count);
    char* d = out.data() + header;
    for (qint64 i = 0; i < count; ++i)
        d[i] = char(audio.Left[size_t(i)]);
    return out;
}

void TWaveTool::WriteSunAudio(TAudio& audio, const QString& path)
{
    const QByteArray bytes = SunAudio(audio);
    const QString shown = QDir::toNativeSeparators(path);
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        throw UserError(QStringLiteral("Cannot write %1: %2").arg(shown, f.errorString()));
    errno = 0;
    if (f.write(bytes) != bytes.size() || !f.commit()) {
        const int err = errno;
        QString reason = f.errorString();
        if (err != 0 && (reason.isEmpty() || reason == QLatin1String("Unknown error")))
            reason = QString::fromLocal8Bit(strerror(err));
        throw WriteError(QStringLiteral("Cannot write %1: %2").arg(shown, reason),
                         err == ENOSPC || err == EDQUOT || f.error() == QFileDevice::ResourceError);
    }
}

bool ConvertWavToAu(const QString& sourceWithoutExtension, const QString& destination)
{
    const QString wav = sourceWithoutExtension + QStringLiteral(".wav");
    if (!QFileInfo::exists(wav))
        return false;
    TAudio audio = TWaveTool::ReadWav(wav);
    TWaveTool::WriteSunAudio(audio, destination);
    return true;
}

} // namespace kav
