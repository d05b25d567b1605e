// The whole export of the showcase sample, and how small its GIFs are: the bytes of our GIFs
// against the same GIFs after `gifsicle -O3` (target: gifsicle saves under 5 %).
//
// Needs the built tree (build/app with Samples/showcase.plt): the build tells the program where
// it is; $KAV_APP_DIR points elsewhere.
#include "document/project.h"
#include "app/startup.h"
#include "export/exporter.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

using namespace kav;

namespace {
QString appDir()
{
    const QString env = qEnvironmentVariable("KAV_APP_DIR");
    return QDir(env.isEmpty() ? QStringLiteral(KAV_BUILT_APP_DIR) : env).absolutePath() + QLatin1Char('/');
}

std::unique_ptr<TProject> g_project;
std::unique_ptr<QTemporaryDir> g_out;

void BM_ExportSample(benchmark::State& state)
{
    int n = 0;
    for (auto _ : state) {
        const QString target = g_out->filePath(QStringLiteral("run%1/showcase.html").arg(n++));
        const TExportResult r = ExportCard(target);
        if (!r.Exported)
            state.SkipWithError("export refused");
    }
}
BENCHMARK(BM_ExportSample)->Unit(benchmark::kMillisecond)->Iterations(10);

void reportGifSizes()
{
    const QString folder = g_out->filePath(QStringLiteral("sizes"));
    ExportCard(folder + QStringLiteral("/showcase.html"));
    qint64 ours = 0, optimised = 0;
    const QFileInfoList gifs = QDir(folder + QStringLiteral("/showcase")).entryInfoList({QStringLiteral("*.gif")});
    for (const QFileInfo& gif : gifs) {
        ours += gif.size();
        const QString opt = gif.absoluteFilePath() + QStringLiteral(".opt");
        if (QProcess::execute(QStringLiteral("gifsicle"), {QStringLiteral("-O3"), gif.absoluteFilePath(), QStringLiteral("-o"), opt}) != 0) {
            std::printf("gifsicle is not available: no size comparison\n");
            return;
        }
        optimised += QFileInfo(opt).size();
    }
    std::printf("GIFs of the sample: %lld files, ours %lld bytes, after gifsicle -O3 %lld bytes: gifsicle saves %.1f %%\n",
                static_cast<long long>(gifs.size()), static_cast<long long>(ours), static_cast<long long>(optimised),
                ours ? 100.0 * double(ours - optimised) / double(ours) : 0.0);
}
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    StartOptions options;
    options.applicationDir = appDir();
    StartEngine(options);
    g_project = std::make_unique<TProject>();
    g_project->Open(appDir() + QStringLiteral("Samples/showcase.plt"));
    g_out = std::make_unique<QTemporaryDir>(qEnvironmentVariable("KAV_BENCH_DIR", QDir::tempPath()) + QStringLiteral("/export-XXXXXX"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    reportGifSizes();
    benchmark::Shutdown();
    g_project.reset();
    return 0;
}
