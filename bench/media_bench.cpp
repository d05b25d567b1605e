// Media: importing a 1920 x 1080 JPEG into the image magazine (decode, reduce to 8 bits, save
// the bitmap, the 80 x 80 preview of what was saved), and resolving 10 000 library references
// written in mixed case against a library of 1 000 entries.
//
// Targets: the import at most 60 ms; the 10 000 references at most 20 ms.
#include "core/maskedbitmap.h"
#include "document/document.h"
#include "media/library.h"
#include "media/magazine.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

using namespace kav;

namespace {

QString benchDir()
{
    const QByteArray env = qgetenv("KAV_BENCH_DIR");
    return env.isEmpty() ? QDir::tempPath() : QString::fromLocal8Bit(env);
}

// A photograph-like picture: a sky gradient, a sun and fine noise, so the JPEG is realistic
// and the picture holds far more than 256 colours.
QString makePhoto(const QString& dir)
{
    QImage img(1920, 1080, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, 0, 1080);
    g.setColorAt(0, QColor(40, 90, 200));
    g.setColorAt(1, QColor(250, 200, 150));
    p.fillRect(img.rect(), g);
    p.setBrush(QColor(255, 230, 80));
    p.drawEllipse(QPoint(1400, 300), 160, 160);
    p.end();
    QRandomGenerator rng(7);
    for (int y = 0; y < 1080; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < 1920; ++x) {
            const int n = int(rng.bounded(9)) - 4;
            const QRgb c = line[x];
            line[x] = qRgb(std::clamp(qRed(c) + n, 0, 255), std::clamp(qGreen(c) + n, 0, 255), std::clamp(qBlue(c) + n, 0, 255));
        }
    }
    const QString file = dir + "/photo.jpg";
    img.save(file, "JPEG", 85);
    return file;
}

void BM_ImportJpeg1920x1080(benchmark::State& state)
{
    QTemporaryDir work(benchDir() + "/media-XXXXXX");
    const QString photo = makePhoto(work.path());
    QDir(work.path()).mkpath("project");
    Doc().WorkDir = work.path() + "/project/";
    TMagazines mags;
    mags.Prepare(Doc().WorkDir);
    TMediaQuestions ask;
    ask.Notify = [](const QString&, bool& dontNotify) {
        dontNotify = true;
        return true;
    };
    for (auto _ : state) {
        const TMediaResult r = mags.ImportImages({photo}, ask);
        if (r.Added.size() != 1) {
            state.SkipWithError("the import failed");
            return;
        }
        const QImage preview = MagazinePreview(ReadImageFile(mags.Images.Folder() + r.Added.first() + ".bmp"));
        benchmark::DoNotOptimize(preview.constBits());
        state.PauseTiming();
        mags.Images.Drop(r.Added.first());
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ImportJpeg1920x1080)->Unit(benchmark::kMillisecond);

void BM_Resolve10000References(benchmark::State& state)
{
    QTemporaryDir lib(benchDir() + "/lib-XXXXXX");
    QByteArray index;
    QStringList refs;
    for (int i = 0; i < 1000; ++i) {
        const QString name = QStringLiteral("topic%1\\o1s%2c%3.bmp").arg(i / 9).arg(i % 3 + 1).arg(i % 9 / 3 + 1);
        index += name.toUtf8() + ';' + QByteArray::number(i * 100) + ";100\r\n";
    }
    QFile rif(lib.path() + "/image.rif");
    rif.open(QIODevice::WriteOnly);
    rif.write(index);
    rif.close();
    QFile rdf(lib.path() + "/image.rdf");
    rdf.open(QIODevice::WriteOnly);
    rdf.write(QByteArray(100000, 'x'));
    rdf.close();
    for (int i = 0; i < 10000; ++i) {
        const int e = (i * 7919) % 1000;
        refs << (i % 2 ? QStringLiteral("DefLib\\Image\\Topic%1\\O1S%2C%3").arg(e / 9).arg(e % 3 + 1).arg(e % 9 / 3 + 1)
                       : QStringLiteral("deflib/image/topic%1/o1s%2c%3.bmp").arg(e / 9).arg(e % 3 + 1).arg(e % 9 / 3 + 1));
    }
    TMediaLibraries libs;
    libs.SetLibraries({"deflib"}, {{lib.path() + "/", lib.path() + "/", lib.path() + "/"}}, QString(), true);
    libs.LoadIndexes();
    for (auto _ : state) {
        int found = 0;
        TLibPlace place;
        for (const QString& ref : refs)
            found += libs.Resolve(ref, lkMedia, place) ? 1 : 0;
        if (found != refs.size()) {
            state.SkipWithError("a reference was not resolved");
            return;
        }
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_Resolve10000References)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
