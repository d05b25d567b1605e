// The image magazine's window with 500 pictures in the project, through its real widgets on the
// offscreen platform (target 100 ms): the window made, filled from the magazine, shown and
// painted once with its list, preview and info lines, then closed.
#include "benchdoc.h"

#include "media/forms/magazineform.h"
#include "media/magazine.h"
#include "ui/forms/infobar.h"
#include "ui/forms/interstore.h"
#include "ui/forms/msgform.h"

#include <QApplication>

#include <benchmark/benchmark.h>

using namespace kav;
using namespace kavbench;

namespace {

constexpr int kPictures = 500;

struct Workload {
    Engine engine{"magazine-bench"};
    TProject project;

    Workload()
    {
        project.New();
        // The window's own pictures, as installed.
        OpenInterStore(KAV_BUILT_APP_DIR "Data/", KAV_BUILT_APP_DIR "Inter/");
        SetInfoBarHints(LoadInfoBar(KAV_BUILT_APP_DIR "Data/infobar.txt"));
        // Nothing may wait for a click.
        SetMessageBoxHandler([](const QString&, const QString& text, int) {
            die(QStringLiteral("a message came up: %1").arg(text));
            return 0;
        });
        InstallMediaHooks();
        Magazines().Prepare(project.WorkDir());
        QImage picture(48, 36, QImage::Format_RGB32);
        for (int i = 0; i < kPictures; ++i) {
            picture.fill(QColor::fromHsv(i * 7 % 360, 160, 220));
            if (!picture.save(Doc().ImageFolder() + QStringLiteral("picture%1.bmp").arg(i, 3, 10, QLatin1Char('0')), "BMP"))
                die(QStringLiteral("cannot write the pictures"));
        }
        Magazines().Purge();   // lists them, as a project brought from elsewhere
        if (Magazines().Images.Names().size() != kPictures)
            die(QStringLiteral("the magazine lists %1 pictures").arg(Magazines().Images.Names().size()));
    }
};
std::unique_ptr<Workload> g_workload;

void BM_OpenImageMagazine(benchmark::State& state)
{
    QImage canvas;
    for (auto _ : state) {
        TMagazineForm form(TMagazineType::Image);
        form.Prepare();
        form.SelectName(QStringLiteral("picture250"));
        form.show();
        if (canvas.size() != form.size())
            canvas = QImage(form.size(), QImage::Format_ARGB32_Premultiplied);
        form.render(&canvas);
        form.close();
    }
    state.counters["media"] = kPictures;
}

} // namespace

BENCHMARK(BM_OpenImageMagazine)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) { return runBenchmarks<QApplication>(argc, argv, g_workload); }
