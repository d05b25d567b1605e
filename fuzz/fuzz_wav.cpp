// Fuzzes the WAV reader: TWaveTool::ReadWav of arbitrary bytes, and the conversion of every
// sound it accepts to Sun audio.
//
// A run aborts when
//  - anything but kav::UserError is thrown (an uncaught exception ends the process), or a
//    refusal does not read "name: reason",
//  - an accepted sound is not whole: channels, depth or rate outside what is accepted, sample
//    arrays of another length than Count, more sample bytes than the input holds, 8-bit samples
//    that no byte gives, a duration that is not Count / Rate to the hundredth,
//  - the streamed conversion (StreamSunAudio) refuses with another message or gives other bytes,
//  - the Sun audio is not a 28-byte header (".snd", 28, Count, 1, 8012, 1, "wvau") followed by
//    exactly the number of samples the resampling rule gives, or holds a zero byte.
// The sanitizers catch reads past the input and arithmetic faults; the fuzzer's memory limit
// catches allocations that the input's size does not justify.
#include "core/errors.h"
#include "media/audio.h"

#include <QBuffer>
#include <QByteArray>
#include <QString>

#include <cmath>
#include <cstdio>
#include <cstdlib>

using namespace kav;

namespace {

[[noreturn]] void violation(const QString& what)
{
    std::fprintf(stderr, "fuzz_wav: %s\n", qPrintable(what));
    std::fflush(stderr);
    std::abort();
}

quint32 be32(const QByteArray& b, int at)
{
    const auto* p = reinterpret_cast<const uchar*>(b.constData()) + at;
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
}

void checkSound(const TAudio& a, qsizetype inputSize)
{
    if ((a.Channels != 1 && a.Channels != 2) || (a.Bits != 8 && a.Bits != 16) || a.Rate < TWaveTool::kMinRate ||
        a.Encoding != QLatin1String("PCM"))
        violation(QStringLiteral("accepted %1 channels, %2 bits, %3 per second, %4").arg(a.Channels).arg(a.Bits).arg(a.Rate).arg(a.Encoding));
    if (a.Count < 0 || qint64(a.Left.size()) != a.Count || qint64(a.Right.size()) != (a.Channels == 2 ? a.Count : 0))
        violation(QStringLiteral("Count %1 with %2 left and %3 right samples").arg(a.Count).arg(a.Left.size()).arg(a.Right.size()));
    if (a.Count * a.Channels * (a.Bits / 8) > qint64(inputSize) - 44)
        violation(QStringLiteral("%1 samples from %2 bytes").arg(a.Count).arg(inputSize));
    if (a.Bits == 8) {
        for (const auto* channel : {&a.Left, &a.Right})
            for (std::int16_t s : *channel)
                if ((s & 0xFF) != 0)
                    violation(QStringLiteral("8-bit sample %1").arg(s));
    }
    const double hundredths = std::floor(double(a.Count) * 100.0 / a.Rate + 0.5);
    if (std::fabs(a.Duration * 100.0 - hundredths) > 1e-6)
        violation(QStringLiteral("duration %1 for %2 samples at %3").arg(a.Duration).arg(a.Count).arg(a.Rate));
}

// The streamed conversion reads the same bytes the same way: the same refusal, the same file.
QByteArray streamed(const QByteArray& bytes, const QString& name, QString* refusal)
{
    QByteArray copy = bytes;
    QBuffer in(&copy);
    in.open(QIODevice::ReadOnly);
    QByteArray au;
    QBuffer out(&au);
    out.open(QIODevice::WriteOnly);
    try {
        TWaveTool::StreamSunAudio(in, name, out);
    } catch (const UserError& e) {
        *refusal = e.message();
        return {};
    }
    return au;
}

QByteArray checkSunAudio(TAudio a)
{
    const qint64 n = a.Count;
    const qint64 expected = a.Rate == TWaveTool::kSunRate ? n : n == 0 ? 0 : (n * 8012 + a.Rate - 1) / a.Rate - 1;
    const QByteArray au = TWaveTool::SunAudio(a);
    if (au.size() != 28 + expected || a.Count != expected)
        violation(QStringLiteral("%1 samples at %2 gave %3 bytes of Sun audio, Count %4").arg(n).arg(a.Rate).arg(au.size()).arg(a.Count));
    if (!au.startsWith(".snd") || be32(au, 4) != 28 || be32(au, 8) != quint32(expected) || be32(au, 12) != 1 ||
        be32(au, 16) != 8012 || be32(au, 20) != 1 || au.mid(24, 4) != "wvau")
        violation(QStringLiteral("header %1").arg(QString::fromLatin1(au.left(28).toHex())));
    if (au.indexOf('\0', 28) >= 0)
        violation(QStringLiteral("a zero byte in the samples"));
    return au;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString name = QStringLiteral("fuzz.wav");
    QString refusal;
    const QByteArray stream = streamed(bytes, name, &refusal);
    TAudio audio;
    try {
        audio = TWaveTool::ReadWav(bytes, name);
    } catch (const UserError& e) {
        if (!e.message().startsWith(name + QStringLiteral(": ")) || e.message().size() <= name.size() + 2)
            violation(QStringLiteral("refused as '%1'").arg(e.message()));
        if (refusal != e.message())
            violation(QStringLiteral("refused as '%1', streamed as '%2'").arg(e.message(), refusal));
        return 0;
    }
    checkSound(audio, bytes.size());
    QByteArray au;
    try {
        au = checkSunAudio(std::move(audio));
    } catch (const UserError& e) {
        violation(QStringLiteral("an accepted sound was not converted: %1").arg(e.message()));
    }
    if (stream != au)
        violation(QStringLiteral("the streamed conversion differs (%1 bytes against %2; '%3')").arg(stream.size()).arg(au.size()).arg(refusal));
    return 0;
}
