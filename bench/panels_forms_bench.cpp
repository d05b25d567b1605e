// The lower tool panel through its real widgets on the offscreen platform:
// - a page change of the cast list on a scene of 500 media (target 16 ms): the page turns and
//   the row is painted, with thumbnails made afresh ("cold") and kept from before ("warm");
// - a property change from the panel (the text size box) on a 100-item scene: the command, the
//   panel's refresh and repaint, and the stage composed again (target 16 ms).
#include "benchdoc.h"

#include "editor/editsession.h"
#include "editor/forms/castlist.h"
#include "editor/forms/propertypanels.h"
#include "editor/itemcommands.h"
#include "editor/playback.h"
#include "editor/stagerenderer.h"
#include "ui/forms/bmpbutton.h"

#include <QApplication>
#include <QLineEdit>

#include <benchmark/benchmark.h>

using namespace kav;
using namespace kavbench;

namespace {

struct Workload {
    Engine engine{"panels-bench"};
    TProject project;
    TPlayback playback;
    std::unique_ptr<TEditSession> session;
    std::unique_ptr<TLowerToolPanel> panel;
    TScene* crowded = nullptr;   // 500 media
    TScene* stage = nullptr;     // 100 items
    TItemBase* text = nullptr;
    TStageRenderer renderer;
    QImage frame;
    QImage panelPicture;

    Workload()
    {
        project.New();
        makeMedia(project.WorkDir());
        QRandomGenerator gen(20261209);
        crowded = Doc().Scene(0);
        stage = SceneOps::AddScene();
        for (int i = 0; i < 500; ++i)
            randomPath(gen, mixedItem(gen, crowded, i), int(gen.bounded(5)));
        Doc().LogicalScene = stage;
        for (int i = 0; i < 100; ++i)
            randomPath(gen, mixedItem(gen, stage, i), int(gen.bounded(5)));
        crowded->AfterLoad();
        stage->AfterLoad();
        for (int i = 0; i < stage->ItemCount() && !text; ++i)
            if (dynamic_cast<TItemText*>(stage->Item(i)->Graphic))
                text = stage->Item(i);
        if (!text)
            die(QStringLiteral("the scene has no text"));
        session = std::make_unique<TEditSession>(project, playback);
        panel = std::make_unique<TLowerToolPanel>(*session);
        panel->resize(1280, TLowerToolPanel::kPropHeight + TCastList::kRowHeight);
        panelPicture = QImage(panel->size(), QImage::Format_ARGB32_Premultiplied);
        session->Changed = [this] {
            panel->UpdatePropertyPanels();
            panel->Cast()->RedrawCastList();
            TStageView view;
            view.selected = session->CurrentItem();
            renderer.Compose(frame, playback.Scene(), Doc().StageWidth, Doc().StageHeight, view);
            panel->render(&panelPicture);
        };
    }

    void ShowScene(TScene* scene)
    {
        session->Deselect();
        playback.SetScene(scene);
        playback.RecomputeFrame();
        panel->Cast()->SetFirstTag(0);
        panel->Cast()->RedrawCastList();
    }
};
std::unique_ptr<Workload> g_workload;

void PageChange(benchmark::State& state, bool cold)
{
    Workload& w = *g_workload;
    w.ShowScene(w.crowded);
    TCastList* cast = w.panel->Cast();
    QImage row(cast->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        if (cast->RightButton()->Dimmed())
            cast->SetFirstTag(0);
        else
            cast->ScrollRightPage();
        if (cold) {
            state.PauseTiming();
            cast->DropThumbnails();
            state.ResumeTiming();
        }
        cast->render(&row);
    }
    state.counters["slots"] = cast->SlotCount();
}

void BM_CastPageChangeCold(benchmark::State& state) { PageChange(state, true); }
void BM_CastPageChangeWarm(benchmark::State& state) { PageChange(state, false); }

void BM_PropertyChangeRepaint(benchmark::State& state)
{
    Workload& w = *g_workload;
    w.ShowScene(w.stage);
    w.session->Select(w.text);
    w.session->NotifyChanged();
    bool big = false;
    for (auto _ : state) {
        big = !big;
        // As typed into the size box and applied with Enter.
        emit w.panel->FontSizeCmb->Applied(big ? QStringLiteral("36") : QStringLiteral("24"));
    }
    w.session->Undo.Clear();
}

} // namespace

BENCHMARK(BM_CastPageChangeCold)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CastPageChangeWarm)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PropertyChangeRepaint)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) { return runBenchmarks<QApplication>(argc, argv, g_workload); }
