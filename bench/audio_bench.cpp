// Converting a 10 s 16-bit stereo 22050 Hz WAV to 8012 Hz mono mu-law Sun audio, against
// `sox in.wav -r 8012 -c 1 -e u-law out.au` on the same file.
//
// Target: ConvertWavToAu no slower than sox. Times are wall-clock, since sox runs in a child
// process; the line printed at the end gives the ratio of the two mean times.
//
// The files are made once per run below $KAV_BENCH_DIR (default: the system's temporary folder).
#include "media/audio.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace kav;

namespace {

constexpr int kRate = 22050;
constexpr int kSeconds = 10;

void appendLe(QByteArray& b, quint32 v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        b.append(char(v >> (8 * i)));
}

// Two tones with a little noise, so the encoder sees every segment.
QByteArray makeWav()
{
    const int frames = kRate * kSeconds;
    QByteArray b = "RIFF";
    appendLe(b, 36 + frames * 4, 4);
    b += "WAVEfmt ";
    appendLe(b, 16, 4);
    appendLe(b, 1, 2);
    appendLe(b, 2, 2);
    appendLe(b, kRate, 4);
    appendLe(b, kRate * 4, 4);
    appendLe(b, 4, 2);
    appendLe(b, 16, 2);
    b += "data";
    appendLe(b, frames * 4, 4);
    quint32 noise = 12345;
    for (int i = 0; i < frames; ++i) {
        noise = noise * 1103515245u + 12345u;
        const double t = double(i) / kRate;
        const int n = int((noise >> 16) & 0x3FF) - 512;
        appendLe(b, quint32(int(16000 * std::sin(2 * M_PI * 440 * t)) + n), 2);
        appendLe(b, quint32(int(12000 * std::sin(2 * M_PI * 660 * t) * std::sin(M_PI * t)) - n), 2);
    }
    return b;
}

struct Workload {
    std::unique_ptr<QTemporaryDir> scratch;
    QString base;    // the WAV without its extension
    QString ours;
    QString theirs;

    Workload()
    {
        QString dir = QString::fromLocal8Bit(qgetenv("KAV_BENCH_DIR"));
        if (dir.isEmpty())
            dir = QDir::tempPath();
        QDir().mkpath(dir);
        scratch = std::make_unique<QTemporaryDir>(dir + QStringLiteral("/kav-audio-bench-XXXXXX"));
        if (!scratch->isValid()) {
            std::fprintf(stderr, "cannot make a folder in %s\n", qPrintable(dir));
            std::exit(1);
        }
        base = scratch->filePath(QStringLiteral("tune"));
        ours = scratch->filePath(QStringLiteral("ours.au"));
        theirs = scratch->filePath(QStringLiteral("sox.au"));
        QFile f(base + QStringLiteral(".wav"));
        const QByteArray wav = makeWav();
        if (!f.open(QIODevice::WriteOnly) || f.write(wav) != wav.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(f.fileName()));
            std::exit(1);
        }
    }
};

Workload& workload()
{
    static Workload w;
    return w;
}

double oursSeconds = 0, soxSeconds = 0;   // mean wall-clock time per conversion

void BM_ConvertWavToAu_Ours(benchmark::State& state)
{
    Workload& w = workload();
    QElapsedTimer clock;
    qint64 ns = 0;
    for (auto _ : state) {
        clock.start();
        if (!ConvertWavToAu(w.base, w.ours))
            state.SkipWithError("the WAV file is missing");
        ns += clock.nsecsElapsed();
    }
    oursSeconds = double(ns) * 1e-9 / double(state.iterations());
    state.SetBytesProcessed(state.iterations() * kRate * kSeconds * 4);
}

void BM_ConvertWavToAu_Sox(benchmark::State& state)
{
    Workload& w = workload();
    if (QStandardPaths::findExecutable(QStringLiteral("sox")).isEmpty()) {
        state.SkipWithError("sox is not installed");
        return;
    }
    const QStringList args = {w.base + QStringLiteral(".wav"), QStringLiteral("-r"), QStringLiteral("8012"),
                              QStringLiteral("-c"), QStringLiteral("1"), QStringLiteral("-e"), QStringLiteral("u-law"),
                              w.theirs};
    QElapsedTimer clock;
    qint64 ns = 0;
    for (auto _ : state) {
        clock.start();
        QProcess sox;
        sox.start(QStringLiteral("sox"), args);
        if (!sox.waitForFinished(60000) || sox.exitStatus() != QProcess::NormalExit || sox.exitCode() != 0) {
            state.SkipWithError("sox failed");
            break;
        }
        ns += clock.nsecsElapsed();
    }
    soxSeconds = double(ns) * 1e-9 / double(state.iterations());
    state.SetBytesProcessed(state.iterations() * kRate * kSeconds * 4);
}

} // namespace

BENCHMARK(BM_ConvertWavToAu_Ours)->Unit(benchmark::kMillisecond)->Iterations(50)->UseRealTime();
BENCHMARK(BM_ConvertWavToAu_Sox)->Unit(benchmark::kMillisecond)->Iterations(50)->UseRealTime();

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);   // QProcess wants one
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (oursSeconds > 0 && soxSeconds > 0)
        std::printf("audio bench: ours %.2f ms, sox %.2f ms per conversion; sox / ours = %.1f\n", oursSeconds * 1e3,
                    soxSeconds * 1e3, soxSeconds / oursSeconds);
    return 0;
}
