// Drawing and playing a scene.
//
// Targets:
// - BM_Compose/100: one frame of a 468 x 120 stage with 100 items (images, animations, texts
//   with every effect), as the playing stage shows it, in at most 1 ms.
// - BM_RecomputeFrame/10000: bringing a scene of 50 items on repeating paths, with 3 timed
//   events each (show, hide, change colour), to frame 10000 in at most 5 ms.
// - BM_TickAndCompose: one tick of play of that scene plus its frame, far below the 40 ms
//   of the play clock.
#include "benchdoc.h"

#include "editor/playback.h"
#include "editor/stagerenderer.h"

#include <QMap>

#include <algorithm>

using namespace kav;
using namespace kavbench;

namespace {

constexpr int kPlayItems = 50;

TScene* composeScene(int items, QRandomGenerator& gen)
{
    TScene* scene = SceneOps::AddScene();
    scene->Rename(QStringLiteral("Compose %1").arg(items));
    Doc().LogicalScene = scene;
    scene->Stage->Color = 0x00EBCE87;
    scene->Stage->CurrentColor = scene->Stage->Color;
    scene->Stage->SetBackground(Doc().ImageFolder(), QStringLiteral("sky"));
    scene->Stage->TileStyle = tsTile;
    scene->Stage->BorderVisible = true;
    scene->Stage->BorderWidth = 2;
    for (int i = 0; i < items; ++i)
        randomPath(gen, mixedItem(gen, scene, i), int(gen.bounded(3)));
    scene->AfterLoad();
    return scene;
}

// 50 items on looping, repeating and back-and-forth paths, each with three timed events that
// show or hide another item or change the background colour.
TScene* playScene(QRandomGenerator& gen)
{
    TScene* scene = SceneOps::AddScene();
    scene->Rename(QStringLiteral("Play"));
    Doc().LogicalScene = scene;
    scene->Stage->Color = 0x00402000;
    scene->Stage->CurrentColor = scene->Stage->Color;
    scene->Stage->SetBackground(Doc().ImageFolder(), QStringLiteral("sky"));
    scene->Stage->TileStyle = tsBackground;
    for (int i = 0; i < kPlayItems; ++i)
        randomPath(gen, mixedItem(gen, scene, i), i % 3);
    for (int i = 0; i < kPlayItems; ++i) {
        TItemBase* item = scene->Item(i);
        TItemBase* other = scene->Item((i + 1 + int(gen.bounded(kPlayItems - 1))) % kPlayItems);
        QList<int> frames;
        while (frames.size() < 3) {
            const int f = eventFrame(gen, item);
            if (!frames.contains(f) || item->FramesPerCycle() <= 4)
                frames.append(f);
        }
        std::sort(frames.begin(), frames.end());
        timed<TActionHideItem>(item, frames[0])->SetTarget(other);
        timed<TActionShowItem>(item, frames[1])->SetTarget(other);
        timed<TActionChangeColor>(item, frames[2])->Color = gen.generate() & 0x00FFFFFFu;
    }
    scene->AfterLoad();
    return scene;
}

struct Workload {
    Engine engine{"playback-bench"};
    std::unique_ptr<TProject> project;
    QMap<int, TScene*> compose;   // by item count
    TScene* play = nullptr;
    int width = 468, height = 120;
    int events = 0;

    Workload()
    {
        project = std::make_unique<TProject>();
        project->New();
        makeMedia(project->WorkDir());
        QRandomGenerator gen(777);
        for (int n : {10, 100, 1000})
            compose[n] = composeScene(n, gen);
        play = playScene(gen);
        for (int i = 0; i < play->ItemCount(); ++i)
            for (int e = 0; e < play->Item(i)->EventCount(); ++e)
                events += play->Item(i)->Event(e)->FActions.Count();
        width = project->StageWidth;
        height = project->StageHeight;
        std::fprintf(stderr, "playback bench: stage %d x %d, play scene %d items, %d timed actions\n", width, height,
                     play->ItemCount(), events);
    }

    ~Workload() { project.reset(); }
};

std::unique_ptr<Workload> g_workload;

// The scene at a frame of play: items placed and their graphics and effects advanced.
void playTo(TPlayback& playback, TScene* scene, int frames)
{
    playback.SetScene(scene);
    playback.Start(false);
    for (int i = 0; i < frames; ++i)
        playback.Tick();
}

void BM_Compose(benchmark::State& state)
{
    Workload& w = *g_workload;
    TScene* scene = w.compose.value(int(state.range(0)));
    TPlayback playback;
    playTo(playback, scene, 23);
    TStageRenderer renderer;
    TStageView view;
    view.playing = true;
    QImage target;
    int drawn = 0;
    for (int i = 0; i < scene->ItemCount(); ++i)
        drawn += scene->Item(i)->Visible;
    renderer.Compose(target, scene, w.width, w.height, view);  // the background and the fonts of this frame
    for (auto _ : state) {
        renderer.Compose(target, scene, w.width, w.height, view);
        benchmark::DoNotOptimize(target.constBits());
    }
    playback.Stop();
    state.counters["drawn"] = drawn;
    state.SetItemsProcessed(state.iterations() * scene->ItemCount());
}

void BM_RecomputeFrame(benchmark::State& state)
{
    Workload& w = *g_workload;
    TPlayback playback;
    playback.SetScene(w.play);
    playback.SetCurTimeLine(int(state.range(0)));
    for (auto _ : state)
        playback.RecomputeFrame();
    int visible = 0;
    for (int i = 0; i < w.play->ItemCount(); ++i)
        visible += w.play->Item(i)->Visible;
    state.counters["visible"] = visible;
}

void BM_Tick(benchmark::State& state)
{
    Workload& w = *g_workload;
    TPlayback playback;
    playTo(playback, w.play, 0);
    for (auto _ : state)
        playback.Tick();
    state.counters["frame"] = playback.PlayFrame;
    playback.Stop();
}

void BM_TickAndCompose(benchmark::State& state)
{
    Workload& w = *g_workload;
    TPlayback playback;
    playTo(playback, w.play, 0);
    TStageRenderer renderer;
    TStageView view;
    view.playing = true;
    QImage target;
    for (auto _ : state) {
        playback.Tick();
        renderer.Compose(target, w.play, w.width, w.height, view);
        benchmark::DoNotOptimize(target.constBits());
    }
    state.counters["frame"] = playback.PlayFrame;
    playback.Stop();
}

} // namespace

BENCHMARK(BM_Compose)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RecomputeFrame)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Tick)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TickAndCompose)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) { return runBenchmarks(argc, argv, g_workload); }
