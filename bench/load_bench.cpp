// Loading a data file must take time in proportion to its size: many items in one scene, many
// timed events on one item.
//
// The files are written as a script or another program would write them: one scene of N image
// items (12 pictures, a curved path each, one timed event each), and one item with 100,000 timed
// events stored latest first, so that loading has to put them in order.
//
// Targets: 50,000 items and 100,000 events each load in under 1 s (BM_LoadItems/50000 and
// BM_LoadEvents); items_per_second stays about the same from 1,000 to 50,000 items. Closing (the
// destruction of what was loaded) is measured apart and has the same target.
#include "benchdoc.h"

#include <QFileInfo>

using namespace kav;
using namespace kavbench;

namespace {

constexpr int kEvents = 100000;

QByteArray header(int scenes) { return "Ver971112\r\n468\r\n120\r\n" + QByteArray::number(scenes) + "\r\n"; }

QByteArray sceneHead(int items)
{
    return "TScene\r\n  Many\r\n  TStage\r\n    65280\r\n    15453831\r\n    \r\n    0\r\n    0\r\n    0\r\n    0\r\n  " +
           QByteArray::number(items) + "\r\n";
}

// One image item; `events` timed events with a change-colour action each, latest first.
QByteArray item(int index, int events)
{
    QByteArray out = "  TItemBase\r\n    " + QByteArray::number(index) + "\r\n    3\r\n";
    const int x = index % 400, y = index % 100;
    for (int v : {x, y, x + 30, y + 10, x + 60, y})
        out += "    " + QByteArray::number(v) + "\r\n";
    out += "    " + QByteArray::number(events) + "\r\n";
    for (int e = events; e > 0; --e)
        out += "    TTimeActions\r\n      " + QByteArray::number(qint64(e) * 40000) +
               "\r\n      1\r\n      TActionChangeColor\r\n        0\r\n        255\r\n";
    out += "    -1\r\n    0\r\n    5\r\n    0\r\n    1\r\n    TItemImage\r\n    0\r\n      deflib/cursors/00\r\n      " +
           imageName(index % kImageCount).toUtf8() + ";\r\n";
    return out;
}

struct Workload {
    Engine engine{"load-bench"};
    QString workDir;
    QMap<int, QString> itemFiles;   // item count -> data file
    QString eventFile;

    Workload()
    {
        TProject project;
        project.New();
        workDir = project.WorkDir();
        makeMedia(workDir);
        for (int n : {1000, 10000, 50000}) {
            QByteArray text = header(1) + sceneHead(n);
            for (int i = 0; i < n; ++i)
                text += item(i, 1);
            itemFiles.insert(n, engine.path(QStringLiteral("items%1.dat").arg(n)));
            Engine::write(itemFiles[n], text);
        }
        eventFile = engine.path(QStringLiteral("events.dat"));
        Engine::write(eventFile, header(1) + sceneHead(1) + item(0, kEvents));
        QStringList files = itemFiles.values();
        files << eventFile;
        for (const QString& f : files)
            std::fprintf(stderr, "load bench: %s %.2f MB\n", qPrintable(QFileInfo(f).fileName()), double(QFileInfo(f).size()) / 1e6);
    }

    void read(const QString& file, CardData& out)
    {
        Doc().Scenes = &out.Scenes;
        Doc().WorkDir = workDir;
        Doc().LogicalScene = nullptr;
        try {
            ReadCardData(file, out, TProject::sceneHooks());
        } catch (const UserError& e) {
            die(e.message());
        }
    }

    void drop(CardData& data)
    {
        Doc().Scenes = &data.Scenes;
        data.Scenes.ClearItems();
        Doc().Scenes = nullptr;
        Doc().LogicalScene = nullptr;
    }
};

std::unique_ptr<Workload> g_workload;

void load(benchmark::State& state, const QString& file, int64_t units)
{
    Workload& w = *g_workload;
    for (auto _ : state) {
        CardData card;
        w.read(file, card);
        state.PauseTiming();
        w.drop(card);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * units);
    state.SetBytesProcessed(state.iterations() * QFileInfo(file).size());
}

void close(benchmark::State& state, const QString& file, int64_t units)
{
    Workload& w = *g_workload;
    for (auto _ : state) {
        state.PauseTiming();
        CardData card;
        w.read(file, card);
        state.ResumeTiming();
        w.drop(card);
    }
    state.SetItemsProcessed(state.iterations() * units);
}

void BM_LoadItems(benchmark::State& state) { load(state, g_workload->itemFiles.value(int(state.range(0))), state.range(0)); }
void BM_CloseItems(benchmark::State& state) { close(state, g_workload->itemFiles.value(int(state.range(0))), state.range(0)); }
void BM_LoadEvents(benchmark::State& state) { load(state, g_workload->eventFile, kEvents); }
void BM_CloseEvents(benchmark::State& state) { close(state, g_workload->eventFile, kEvents); }

} // namespace

BENCHMARK(BM_LoadItems)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CloseItems)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadEvents)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CloseEvents)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) { return runBenchmarks(argc, argv, g_workload); }
