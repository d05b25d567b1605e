// WAV reading and Sun audio writing: the worked examples, bad and hostile input, the exact
// resampling rule, and agreement with sox as an independent reader and decoder.
#include "core/errors.h"
#include "media/audio.h"

#include <QBuffer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <numeric>

using namespace kav;

namespace {

QByteArray le16(int v)
{
    const char b[2] = {char(v), char(v >> 8)};
    return QByteArray(b, 2);
}
QByteArray le32(quint32 v) { return le16(int(v & 0xFFFF)) + le16(int(v >> 16)); }

QByteArray chunk(const char* id, const QByteArray& body, quint32 size)
{
    QByteArray c = QByteArray(id, 4) + le32(size) + body;
    return body.size() % 2 ? c + '\0' : c;
}
QByteArray chunk(const char* id, const QByteArray& body) { return chunk(id, body, quint32(body.size())); }

QByteArray fmt(int channels, int rate, int bits, int tag = 1)
{
    const int block = channels * bits / 8;
    return chunk("fmt ", le16(tag) + le16(channels) + le32(quint32(rate)) + le32(quint32(rate * block)) + le16(block) +
                             le16(bits));
}

QByteArray riff(const QByteArray& chunks) { return "RIFF" + le32(quint32(4 + chunks.size())) + "WAVE" + chunks; }

QByteArray pcm16(const std::vector<int>& interleaved)
{
    QByteArray b;
    for (int v : interleaved)
        b += le16(v);
    return b;
}

// A stereo 16-bit sweep: the left channel, and a third of it on the right; mixed, it reaches
// the loudest mu-law segment.
QByteArray stereoSweep(int rate, int frames)
{
    std::vector<int> s;
    for (int i = 0; i < frames; ++i) {
        const int v = int(30000 * std::sin(i * 0.01 + i * double(i) * 1e-6));
        s.insert(s.end(), {v, v / 3});
    }
    return riff(fmt(2, rate, 16) + chunk("data", pcm16(s)));
}

void put(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray get(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString readError(const QByteArray& bytes)
{
    try {
        TWaveTool::ReadWav(bytes, QStringLiteral("bell.wav"));
    } catch (const UserError& e) {
        return e.message();
    }
    return QStringLiteral("(read without complaint)");
}

TAudio mono(int rate, std::vector<std::int16_t> samples)
{
    TAudio a;
    a.Rate = rate;
    a.Encoding = QStringLiteral("PCM");
    a.Count = qint64(samples.size());
    a.Left = std::move(samples);
    return a;
}

std::vector<std::int16_t> ramp(int n)
{
    std::vector<std::int16_t> r(size_t(n), 0);
    std::iota(r.begin(), r.end(), std::int16_t(0));
    return r;
}

struct Outcome {
    int code;
    QByteArray out, err;
};

Outcome run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(), p.readAllStandardError()};
}

bool haveSox() { return !QStandardPaths::findExecutable(QStringLiteral("sox")).isEmpty(); }

} // namespace

// ---------------------------------------------------------------------------------------------
// Mu-law codes

// Wrong entries of the exponent table show up as codes out of order or codes never reached.
TEST(AudioMuLaw, WorkedExamplesAndEveryCodeInOrder)
{
    EXPECT_EQ(TWaveTool::MuLawCode(0), 0xFF);
    EXPECT_EQ(TWaveTool::MuLawCode(-32768), 2);   // code 0 is written as 2
    EXPECT_EQ(TWaveTool::MuLawCode(32767), 0x80);
    std::vector<bool> seen(256, false);
    int previous = 0x100;
    for (int x = 0; x <= 32767; ++x) {
        const int c = TWaveTool::MuLawCode(x);
        ASSERT_TRUE(c <= previous && c >= 0x80) << x;
        seen[size_t(c)] = true;
        previous = c;
    }
    previous = 0x80;
    for (int x = -1; x >= -32768; --x) {
        const int c = TWaveTool::MuLawCode(x);
        const int unwritten = c == 2 && previous <= 1 ? 0 : c;
        ASSERT_TRUE(c != 0 && unwritten <= previous) << x;
        seen[size_t(c)] = true;
        previous = unwritten;
    }
    EXPECT_EQ(previous, 0);
    for (int c = 1; c < 256; ++c)
        EXPECT_TRUE(seen[size_t(c)]) << c;
}

// ---------------------------------------------------------------------------------------------
// Reading WAV files

TEST(AudioRead, SamplesOfBothDepthsAndOtherChunksSkipped)
{
    const TAudio a = TWaveTool::ReadWav(riff(fmt(1, 1000, 8) + chunk("data", QByteArray("\x80\x00\xFF", 3))), "a.wav");
    EXPECT_EQ(a.Left, (std::vector<std::int16_t>{0, -32768, 32512}));
    EXPECT_TRUE(a.Right.empty());
    EXPECT_EQ(a.Encoding, QStringLiteral("PCM"));
    EXPECT_DOUBLE_EQ(TWaveTool::ReadWav(riff(fmt(1, 1000, 8) + chunk("data", QByteArray(1236, 0))), "a.wav").Duration, 1.24);

    // Odd-sized chunks have a pad byte, format chunks may be longer, and the data's last
    // partial frame is dropped (14 bytes: three frames and a half).
    QByteArray longFmt = fmt(2, 22050, 16);
    longFmt[4] = 18;
    longFmt += le16(0);
    const TAudio s = TWaveTool::ReadWav(riff(chunk("LIST", "abc") + longFmt + chunk("fact", le32(2)) +
                                             chunk("data", pcm16({1, -2, 300, -32768, 32767, 0, 77})) + chunk("junk", "x")),
                                        "s.wav");
    EXPECT_EQ(s.Count, 3);
    EXPECT_EQ(s.Left, (std::vector<std::int16_t>{1, 300, 32767}));
    EXPECT_EQ(s.Right, (std::vector<std::int16_t>{-2, -32768, 0}));
}

TEST(AudioRead, RefusesWhatItCannotReadWithTheFileNameAndTheReason)
{
    const QByteArray data = chunk("data", pcm16({1, 2}));
    const struct {
        const char* what;
        QByteArray bytes;
        QString message;
    } cases[] = {
        {"empty file", QByteArray(), "not a RIFF file"},
        {"not WAVE", "RIFF" + le32(4) + "AVI ", "not a WAVE file"},
        {"RIFF alone", "RIFF", "not a WAVE file"},
        {"data first", riff(data + fmt(1, 8000, 16)), "Data Chunk before Format Chunk"},
        {"24 bit", riff(fmt(1, 8000, 24) + data), "This file has 24 bits per sample. Only 8 and 16 bit files are implemented"},
        {"3 channels", riff(fmt(3, 8000, 16) + data), "This file has 3 channels. Only 1 and 2 channel files are implemented"},
        {"float", riff(fmt(1, 8000, 32, 3) + data), "Unidentified encoding in .WAV file"},
        {"rate 0", riff(fmt(1, 0, 16) + data), "Unusable sample rate 0 in .WAV file"},
        {"rate huge", riff(fmt(1, -1, 16) + data), "Unusable sample rate 4294967295"},
        {"short fmt", riff(chunk("fmt ", le16(1) + le16(1)) + data), "Format Chunk too short"},
        {"no data", riff(fmt(1, 8000, 16) + chunk("LIST", "x")), "No Data Chunk in .WAV file"},
        {"data too long", riff(fmt(1, 8000, 16) + chunk("data", pcm16({1, 2}), 0xFFFFFFFF)), "Data Chunk runs past the end"},
        {"data 1 too long", riff(fmt(1, 8000, 16) + chunk("data", pcm16({1, 2}), 5)), "Data Chunk runs past the end"},
        {"fmt too long", riff(chunk("fmt ", fmt(1, 8000, 16).mid(8), 0x7FFFFFF0) + data), "Format Chunk runs past the end"},
        {"other too long", riff(chunk("LI\x01T", "ab", 0xFFFFFFF0) + fmt(1, 8000, 16) + data), "Chunk 'LI?T' runs past"},
    };
    for (const auto& c : cases) {
        const QString m = readError(c.bytes);
        EXPECT_TRUE(m.startsWith(QStringLiteral("bell.wav: ") + c.message)) << c.what << ": " << qPrintable(m);
    }

    // Cut anywhere, a file is refused; the RIFF length ends the walk but does not stretch the file.
    const QByteArray wav = stereoSweep(22050, 50);
    for (qsizetype n = 0; n < wav.size(); ++n)
        EXPECT_FALSE(readError(QByteArray(wav.constData(), n)).startsWith(QStringLiteral("(read"))) << n;
    QByteArray lying = wav;
    EXPECT_EQ(TWaveTool::ReadWav(lying.replace(4, 4, le32(0xFFFFFFF0)), "l.wav").Count, 50);
    EXPECT_TRUE(readError(lying.replace(4, 4, le32(20))).endsWith(QStringLiteral("No Data Chunk in .WAV file")));
}

// ---------------------------------------------------------------------------------------------
// Mixing, resampling and the whole conversion

TEST(AudioConvert, MixingFloorsAndResamplingFollowsTheAccumulatorExactly)
{
    TAudio a = mono(8012, {3, -1, -32768, 32767});
    a.Channels = 2;
    a.Right = {4, 0, -32768, 32767};
    TWaveTool::MixToMono(a);
    EXPECT_EQ(a.Left, (std::vector<std::int16_t>{3, -1, -32768, 32767}));
    EXPECT_EQ(a.Channels, 1);

    // At twice the output rate the accumulator reaches exactly 1/8012 s after the second sample,
    // which does not exceed it: the third sample is the first output.
    TAudio twice = mono(16024, ramp(10));
    TWaveTool::ResampleTo8012(twice);
    EXPECT_EQ(twice.Left, (std::vector<std::int16_t>{2, 4, 6, 8}));
    EXPECT_EQ(twice.Count, 4);
    EXPECT_EQ(twice.Rate, 8012);

    TAudio cd = mono(22050, ramp(22050));
    TWaveTool::ResampleTo8012(cd);
    ASSERT_EQ(cd.Left.size(), 8011u);
    for (size_t i = 1; i < cd.Left.size(); ++i)
        ASSERT_GT(cd.Left[i], cd.Left[i - 1]) << i;   // no input sample twice

    // Below 8012 samples are repeated, so the sound keeps its length.
    TAudio half = mono(4006, ramp(4));
    TWaveTool::ResampleTo8012(half);
    EXPECT_EQ(half.Left, (std::vector<std::int16_t>{0, 1, 1, 2, 2, 3, 3}));
}

TEST(AudioConvert, StereoAt22050BecomesMonoSunAudioAt8012)
{
    QTemporaryDir tmp;
    put(tmp.filePath("tune.wav"), stereoSweep(22050, 22050));
    ASSERT_TRUE(ConvertWavToAu(tmp.filePath("tune"), tmp.filePath("tune.au")));
    const QByteArray au = get(tmp.filePath("tune.au"));
    ASSERT_EQ(au.size(), 28 + 8011);
    EXPECT_EQ(au.left(28), ".snd" + QByteArray::fromHex("0000001c00001f4b0000000100001f4c00000001") + "wvau");
    EXPECT_FALSE(au.mid(28).contains('\0'));
}

TEST(AudioConvert, MissingAndBadSources)
{
    QTemporaryDir tmp;
    EXPECT_FALSE(ConvertWavToAu(tmp.filePath("none"), tmp.filePath("none.au")));
    EXPECT_FALSE(QFile::exists(tmp.filePath("none.au")));
    try {
        TWaveTool::ReadWav(tmp.filePath("none.wav"));
        ADD_FAILURE();
    } catch (const UserError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("none.wav: file %1 not found").arg(tmp.filePath("none.wav")));
    }

    // A bad sound leaves an earlier file of the same name as it was.
    put(tmp.filePath("bad.wav"), riff(chunk("data", pcm16({1})) + fmt(1, 8000, 16)));
    put(tmp.filePath("bad.au"), "earlier");
    try {
        ConvertWavToAu(tmp.filePath("bad"), tmp.filePath("bad.au"));
        ADD_FAILURE();
    } catch (const UserError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("bad.wav: Data Chunk before Format Chunk"));
    }
    EXPECT_EQ(get(tmp.filePath("bad.au")), "earlier");
}

TEST(AudioConvert, CommandLine)
{
    QTemporaryDir tmp;
    const QString cli = QStringLiteral(KAV_APP_DIR "/kavelins-cli");
    put(tmp.filePath("in.wav"), riff(fmt(1, 16024, 16) + chunk("data", pcm16({0, 0, 0, 0}))));
    Outcome r = run(cli, {"au", tmp.filePath("in.wav"), tmp.filePath("out.au")});
    EXPECT_EQ(r.code, 0) << r.err.constData();
    EXPECT_EQ(get(tmp.filePath("out.au")).mid(28), QByteArray("\xFF"));

    put(tmp.filePath("deep.wav"), riff(fmt(1, 8000, 24) + chunk("data", "abc")));
    r = run(cli, {"au", tmp.filePath("deep.wav"), tmp.filePath("deep.au")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("deep.wav: This file has 24 bits per sample")) << r.err.constData();
    EXPECT_FALSE(QFile::exists(tmp.filePath("deep.au")));
    EXPECT_EQ(run(cli, {"au", tmp.filePath("in.wav")}).code, 2);
}

// ---------------------------------------------------------------------------------------------
// The streamed conversion: the same bytes as the whole sound (a sound too long is refused by
// kavelins-cli au before it is converted: tests/cli/cli_safety_test.cpp)

namespace {
QByteArray streamed(QByteArray wav)
{
    QBuffer in(&wav);
    in.open(QIODevice::ReadOnly);
    QByteArray au;
    QBuffer out(&au);
    out.open(QIODevice::WriteOnly);
    TWaveTool::StreamSunAudio(in, "s.wav", out);
    return au;
}

} // namespace

TEST(AudioStream, GivesTheBytesOfTheWholeSoundConversion)
{
    std::vector<int> mono;
    for (int i = 0; i < 40000; ++i)
        mono.push_back(int(20000 * std::sin(i * 0.003)) - (i % 7) * 300);
    QByteArray bytes8;
    for (int i = 0; i < 40000; ++i)
        bytes8 += char((i * 13) & 0xFF);
    const QList<QByteArray> sounds = {
        stereoSweep(22050, 50000), stereoSweep(8012, 9000), stereoSweep(1000, 7001),
        riff(fmt(1, 44100, 16) + chunk("data", pcm16(mono))), riff(fmt(1, 1000, 8) + chunk("data", bytes8)),
        riff(fmt(2, 11025, 8) + chunk("LIST", "xyz") + chunk("data", bytes8 + 'x')),  // half a frame at the end
        riff(fmt(1, 8000, 16) + chunk("data", QByteArray())),
    };
    for (const QByteArray& wav : sounds) {
        TAudio audio = TWaveTool::ReadWav(wav, "s.wav");
        EXPECT_EQ(streamed(wav), TWaveTool::SunAudio(audio)) << audio.Rate << " Hz, " << audio.Channels << " channels";
    }
    // Refusals read the same as the reader's.
    for (const QByteArray& bad : {QByteArray("RIFX"), riff(chunk("data", "ab") + fmt(1, 8000, 8)), riff(fmt(1, 500, 8))}) {
        QString whole, stream;
        try {
            TWaveTool::ReadWav(bad, "s.wav");
        } catch (const UserError& e) {
            whole = e.message();
        }
        try {
            streamed(bad);
        } catch (const UserError& e) {
            stream = e.message();
        }
        EXPECT_FALSE(whole.isEmpty());
        EXPECT_EQ(stream, whole);
    }
}

// ---------------------------------------------------------------------------------------------
// sox as the independent reader and decoder

namespace {
std::vector<std::int16_t> soxRaw(const QString& file)
{
    const Outcome r = run(QStringLiteral("sox"), {"-D", file, "-t", "raw", "-e", "signed", "-b", "16", "-L", "-"});
    EXPECT_EQ(r.code, 0) << r.err.constData();
    std::vector<std::int16_t> s;
    for (qsizetype i = 0; i + 1 < r.out.size(); i += 2)
        s.push_back(std::int16_t(uchar(r.out[i]) | uchar(r.out[i + 1]) << 8));
    return s;
}
} // namespace

TEST(AudioSox, ReaderAgreesWithSoxOnFilesSoxWrote)
{
    if (!haveSox())
        GTEST_SKIP() << "sox is not installed";
    QTemporaryDir tmp;
    const QString stereo = tmp.filePath("stereo.wav"), narrow = tmp.filePath("narrow.wav");
    ASSERT_EQ(run("sox", {"-D", "-n", "-r", "22050", "-c", "2", "-b", "16", "-e", "signed", stereo, "synth", "0.3", "sine",
                          "440", "sine", "660"}).code, 0);
    ASSERT_EQ(run("sox", {"-D", "-n", "-r", "11025", "-c", "1", "-b", "8", "-e", "unsigned", narrow, "synth", "0.3",
                          "sine", "300"}).code, 0);

    const TAudio s = TWaveTool::ReadWav(stereo);
    const std::vector<std::int16_t> sRaw = soxRaw(stereo);
    ASSERT_EQ(s.Count, 6615);
    ASSERT_EQ(sRaw.size(), size_t(2 * s.Count));
    for (qint64 i = 0; i < s.Count; ++i) {
        ASSERT_EQ(s.Left[size_t(i)], sRaw[size_t(2 * i)]) << i;
        ASSERT_EQ(s.Right[size_t(i)], sRaw[size_t(2 * i + 1)]) << i;
    }
    const TAudio n = TWaveTool::ReadWav(narrow);
    EXPECT_EQ(n.Bits, 8);
    EXPECT_EQ(n.Left, soxRaw(narrow));
}

// sox reads our header and decodes every code back to within the mu-law step of the sample
// that was encoded.
TEST(AudioSox, SoxDecodesOurSunAudio)
{
    if (!haveSox())
        GTEST_SKIP() << "sox is not installed";
    QTemporaryDir tmp;
    const QByteArray wav = stereoSweep(22050, 11025);
    put(tmp.filePath("s.wav"), wav);
    ASSERT_TRUE(ConvertWavToAu(tmp.filePath("s"), tmp.filePath("s.au")));

    const Outcome info = run("sox", {"--i", tmp.filePath("s.au")});
    ASSERT_EQ(info.code, 0);
    EXPECT_TRUE(info.out.contains("Channels       : 1")) << info.out.constData();
    EXPECT_TRUE(info.out.contains("Sample Rate    : 8012")) << info.out.constData();
    EXPECT_TRUE(info.out.contains("u-law")) << info.out.constData();

    TAudio pcm = TWaveTool::ReadWav(wav, "s.wav");
    TWaveTool::MixToMono(pcm);
    TWaveTool::ResampleTo8012(pcm);
    const std::vector<std::int16_t> decoded = soxRaw(tmp.filePath("s.au"));
    ASSERT_EQ(decoded.size(), size_t(4005));   // half a second: ceil(11025 x 8012 / 22050) - 1
    for (size_t i = 0; i < decoded.size(); ++i) {
        const int x = pcm.Left[i];
        ASSERT_LE(std::abs(decoded[i] - x), (std::abs(x) + 132) / 32 + 1) << i << ": " << x << " decoded as " << decoded[i];
    }
}
