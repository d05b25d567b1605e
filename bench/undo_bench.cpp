// Undo snapshots of a 20-scene, 500-item project: taking one (PushUndo, target 20 ms), undoing
// one (target 50 ms, measured as an undo and its redo), and the memory fifty steps hold.
#include "benchdoc.h"

#include "editor/undo.h"

#include <benchmark/benchmark.h>

using namespace kav;
using namespace kavbench;

namespace {
constexpr int kScenes = 20;
constexpr int kItemsPerScene = 25;

struct Workload {
    Engine engine{"undo-bench"};
    TProject project;
    std::unique_ptr<TUndoStack> stack;

    Workload()
    {
        project.New();
        makeMedia(project.WorkDir());
        QRandomGenerator gen(20261208);
        QList<TScene*> scenes{Doc().Scene(0)};
        while (scenes.size() < kScenes)
            scenes.append(SceneOps::AddScene());
        for (int s = 0; s < kScenes; ++s) {
            Doc().LogicalScene = scenes[s];
            for (int i = 0; i < kItemsPerScene; ++i)
                randomPath(gen, mixedItem(gen, scenes[s], s * kItemsPerScene + i), int(gen.bounded(5)));
        }
        for (TScene* scene : scenes)
            scene->AfterLoad();
        Doc().LogicalScene = scenes.first();
        settings().UndoMaxCount = 50;
        stack = std::make_unique<TUndoStack>(project);
        qint64 bytes = 0, lines = 0;
        TTextStrMem probe;
        probe.Mode = smProject;
        probe.OpenWrite();
        project.Snapshot(probe);
        for (const QString& l : probe.Lines)
            bytes += l.capacity() * 2 + 24;  // the characters and the list's share per line
        lines = probe.Lines.size();
        std::fprintf(stderr, "undo bench: %d scenes x %d items; one step holds %lld lines, about %.2f MB; fifty steps %.1f MB\n",
                     kScenes, kItemsPerScene, qint64(lines), double(bytes) / 1e6, 50 * double(bytes) / 1e6);
    }
};
std::unique_ptr<Workload> g_workload;

void BM_PushUndo(benchmark::State& state)
{
    for (auto _ : state)
        g_workload->stack->PushUndo(MoveItem, {});
    g_workload->stack->Clear();
}

void BM_UndoAndRedo(benchmark::State& state)
{
    g_workload->stack->PushUndo(MoveItem, {});
    for (auto _ : state) {
        g_workload->stack->Undo({});
        g_workload->stack->Redo({});
    }
    g_workload->stack->Clear();
}
} // namespace

BENCHMARK(BM_PushUndo)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_UndoAndRedo)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) { return runBenchmarks(argc, argv, g_workload); }
