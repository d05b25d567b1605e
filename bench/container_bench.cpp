// Packing and unpacking a project of about 50 MB, against tar on the same folder.
//
// Target: ProjectContainer::Pack no slower than 1.5 x `tar cf`, Unpack no slower than 1.5 x
// `tar xf`. Compare the bytes_per_second of each Ours/Tar pair. Times are wall-clock, since tar
// runs in a child process.
//
// The working folder is made once per run below $KAV_BENCH_DIR (default: the system's temporary
// folder). Put it on the disk the projects live on: a memory file system hides the writes.
#include "core/projectcontainer.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QString>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

using namespace kav;

namespace {

constexpr int kMediaFiles = 200;
constexpr qint64 kCardSize = 1 << 20;
constexpr qint64 kTotalSize = 50ll << 20;

QString shellQuote(const QString& s)
{
    QString q = s;
    q.replace(QLatin1String("'"), QLatin1String("'\\''"));
    return QLatin1Char('\'') + q + QLatin1Char('\'');
}

void run(benchmark::State& state, const QString& command)
{
    if (std::system(command.toLocal8Bit().constData()) != 0)
        state.SkipWithError(qPrintable(QStringLiteral("failed: %1").arg(command)));
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
}

// Media-like bytes: runs of noise and of repeated rows, the same every run.
QByteArray mediaBytes(QRandomGenerator& gen, qint64 size)
{
    QByteArray b(size, Qt::Uninitialized);
    char* d = b.data();
    qint64 i = 0;
    while (i < size) {
        const qint64 run = std::min<qint64>(size - i, 256 + gen.bounded(4096));
        if (gen.bounded(3) == 0) {
            std::memset(d + i, char(gen.bounded(256)), size_t(run));
        } else {
            for (qint64 k = 0; k < run; k += 4) {
                const quint32 v = gen.generate();
                std::memcpy(d + i + k, &v, size_t(std::min<qint64>(4, run - k)));
            }
        }
        i += run;
    }
    return b;
}

// A data file's worth of lines: class names, indented numbers and names.
QByteArray cardBytes(QRandomGenerator& gen, qint64 size)
{
    QByteArray b = "Ver971112\r\n468\r\n60\r\n1\r\nTScene\r\n  Scene 1\r\n";
    b.reserve(size + 64);
    while (b.size() < size) {
        b += "  TItemBase\r\n";
        for (int k = 0; k < 10; ++k)
            b += "    " + QByteArray::number(gen.bounded(100000)) + "\r\n";
        b += "    TItemImage\r\n    0\r\n      deflib/image" + QByteArray::number(gen.bounded(1000)) + "\r\n";
    }
    b.truncate(size);
    return b;
}

struct Workload {
    std::unique_ptr<QTemporaryDir> scratch;
    QString work;       // the working folder
    QString plt;        // that folder packed once, for unpacking
    QString tarFile;    // that folder in tar form, for extracting
    QString packOut;
    QString tarOut;
    QString unpackDir;
    qint64 bytes = 0;   // content bytes of all files

    Workload()
    {
        QString base = QString::fromLocal8Bit(qgetenv("KAV_BENCH_DIR"));
        if (base.isEmpty())
            base = QDir::tempPath();
        QDir().mkpath(base);
        scratch = std::make_unique<QTemporaryDir>(base + QStringLiteral("/kav-container-bench-XXXXXX"));
        if (!scratch->isValid()) {
            std::fprintf(stderr, "cannot make a folder in %s\n", qPrintable(base));
            std::exit(1);
        }
        work = scratch->filePath(QStringLiteral("work"));
        plt = scratch->filePath(QStringLiteral("in.plt"));
        tarFile = scratch->filePath(QStringLiteral("in.tar"));
        packOut = scratch->filePath(QStringLiteral("out.plt"));
        tarOut = scratch->filePath(QStringLiteral("out.tar"));
        unpackDir = scratch->filePath(QStringLiteral("unpacked"));

        QRandomGenerator gen(20240611);
        const char* folders[] = {"Image", "Animation", "Sound"};
        for (const char* f : folders)
            QDir(work).mkpath(QLatin1String(f));
        writeFile(work + QStringLiteral("/Card.dat"), cardBytes(gen, kCardSize));
        bytes = kCardSize;

        // Sizes from 10 KB to 1 MB, scaled so that all files come to about 50 MB.
        std::vector<qint64> sizes(kMediaFiles);
        double sum = 0;
        for (qint64& s : sizes) {
            s = 10240 + qint64(gen.bounded(1048576 - 10240));
            sum += double(s);
        }
        const double scale = double(kTotalSize - kCardSize) / sum;
        for (int i = 0; i < kMediaFiles; ++i) {
            const qint64 size = std::clamp<qint64>(qint64(double(sizes[size_t(i)]) * scale), 10240, 1048576);
            const QString name = QStringLiteral("%1/media%2.bin").arg(QLatin1String(folders[i % 3])).arg(i, 3, 10, QLatin1Char('0'));
            writeFile(work + QLatin1Char('/') + name, mediaBytes(gen, size));
            bytes += size;
        }

        ProjectContainer::Pack(work, plt);
        if (std::system(QStringLiteral("tar cf %1 -C %2 .").arg(shellQuote(tarFile), shellQuote(work)).toLocal8Bit().constData()) != 0) {
            std::fprintf(stderr, "tar cf failed\n");
            std::exit(1);
        }
        std::fprintf(stderr, "container bench: %d files, %.1f MB in %s\n", kMediaFiles + 1, double(bytes) / (1 << 20),
                     qPrintable(work));
    }
};

Workload& workload()
{
    static Workload w;
    return w;
}

void BM_Pack_Ours(benchmark::State& state)
{
    Workload& w = workload();
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(w.packOut);
        state.ResumeTiming();
        ProjectContainer::Pack(w.work, w.packOut);
    }
    state.SetBytesProcessed(state.iterations() * w.bytes);
}

void BM_Pack_Tar(benchmark::State& state)
{
    Workload& w = workload();
    const QString command = QStringLiteral("tar cf %1 -C %2 .").arg(shellQuote(w.tarOut), shellQuote(w.work));
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(w.tarOut);
        state.ResumeTiming();
        run(state, command);
    }
    state.SetBytesProcessed(state.iterations() * w.bytes);
}

void BM_Unpack_Ours(benchmark::State& state)
{
    Workload& w = workload();
    for (auto _ : state) {
        state.PauseTiming();
        QDir(w.unpackDir).removeRecursively();
        state.ResumeTiming();
        ProjectContainer::Unpack(w.plt, w.unpackDir);
    }
    state.SetBytesProcessed(state.iterations() * w.bytes);
}

void BM_Unpack_Tar(benchmark::State& state)
{
    Workload& w = workload();
    const QString command = QStringLiteral("tar xf %1 -C %2").arg(shellQuote(w.tarFile), shellQuote(w.unpackDir));
    for (auto _ : state) {
        state.PauseTiming();
        QDir(w.unpackDir).removeRecursively();
        QDir().mkpath(w.unpackDir);
        state.ResumeTiming();
        run(state, command);
    }
    state.SetBytesProcessed(state.iterations() * w.bytes);
}

} // namespace

BENCHMARK(BM_Pack_Ours)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_Pack_Tar)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_Unpack_Ours)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_Unpack_Tar)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

BENCHMARK_MAIN();
