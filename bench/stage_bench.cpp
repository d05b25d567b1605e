// Editing on the stage, measured through the real main window on the offscreen platform.
//
// Target:
// - BM_DragRepaint: one mouse move of an item dragged on a 468 x 120 stage of 100 items
//   (images, animations, texts with effects, a tiled background and a border), the stage
//   editor's move and the widget's repaint after it, in at most 4 ms.
#include "benchdoc.h"

#include "editor/forms/mainform.h"
#include "editor/forms/stagewidget.h"
#include "platform/soundoutput.h"
#include "ui/forms/infobar.h"

#include <QApplication>
#include <QMouseEvent>

using namespace kav;
using namespace kavbench;

namespace {

constexpr int kItems = 100;

struct Workload {
    Engine engine{"stage-bench"};
    std::unique_ptr<TProject> project;
    TSoundOutput sound;
    std::unique_ptr<TMainForm> window;
    TItemBase* dragged = nullptr;

    Workload()
    {
        SetInfoBarHints({});
        project = std::make_unique<TProject>();
        project->New();
        makeMedia(project->WorkDir());
        QRandomGenerator gen(4242);
        TScene* scene = Doc().Scene(0);
        scene->Stage->SetBackground(Doc().ImageFolder(), QStringLiteral("sky"));
        scene->Stage->TileStyle = tsTile;
        scene->Stage->BorderVisible = true;
        scene->Stage->BorderWidth = 2;
        for (int i = 0; i < kItems; ++i)
            randomPath(gen, mixedItem(gen, scene, i), int(gen.bounded(3)));
        scene->AfterLoad();
        // The dragged item: an image in the middle of the list, brought to the front so the
        // press takes it whatever lies around it.
        dragged = scene->Item(kItems / 2 - (kItems / 2) % 3);
        scene->Items.Move(scene->Items.IndexOf(dragged), scene->ItemCount() - 1);
        const TStagePoint first = dragged->Path.PathPoints.first();
        dragged->MoveBy(project->StageWidth / 2 - first.x, project->StageHeight / 2 - first.y);

        window = std::make_unique<TMainForm>(*project, &sound);
        window->resize(900, 600);
        window->show();
        window->DocumentChanged();
        QApplication::processEvents();
        std::fprintf(stderr, "stage bench: %d items, dragging item %d\n", scene->ItemCount(), scene->Items.IndexOf(dragged));
    }

    // An opaque pixel of the dragged item where it stands now.
    QPoint Grip() const
    {
        const TBox b = dragged->BoundingBox();
        for (int y = b.top; y < b.bottom; ++y)
            for (int x = b.left; x < b.right; ++x)
                if (dragged->HitTest(x, y, false, true).kind == hkBody)
                    return QPoint(x, y);
        die(QStringLiteral("no opaque pixel on the dragged item"));
    }
    ~Workload()
    {
        window.reset();
        project.reset();
    }

    void send(QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons held)
    {
        TStageWidget* stage = window->Stage();
        QMouseEvent e(type, QPointF(p), stage->mapToGlobal(QPointF(p)), button, held, Qt::NoModifier);
        QApplication::sendEvent(stage, &e);
    }
};

std::unique_ptr<Workload> g_workload;

void BM_DragRepaint(benchmark::State& state)
{
    Workload& w = *g_workload;
    TStageWidget* stage = w.window->Stage();
    const QPoint grip = w.Grip();
    w.send(QEvent::MouseButtonPress, grip, Qt::LeftButton, Qt::LeftButton);
    if (w.window->Session().CurrentItem() != w.dragged)
        state.SkipWithError("the press did not take the item");
    // Past the drag start distance: from here on every move moves the item.
    QPoint at = grip + QPoint(8, 0);
    w.send(QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
    int step = 0;
    for (auto _ : state) {
        // To and fro over a few pixels, so the item stays where it was.
        at += QPoint((step++ / 10) % 2 ? -1 : 1, 0);
        w.send(QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
        stage->repaint();
    }
    w.send(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    state.counters["undo"] = w.window->Session().Undo.UndoCount();
}

} // namespace

BENCHMARK(BM_DragRepaint)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) { return runBenchmarks<QApplication>(argc, argv, g_workload); }
