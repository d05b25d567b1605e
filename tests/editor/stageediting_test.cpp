// Editing on the stage without a window: the stage editor driven with stage points and keys as
// the stage widget passes them, questions answered through its hooks.
#include "app/startup.h"
#include "config/settings.h"
#include "config/workdir.h"
#include "document/document.h"
#include "document/item.h"
#include "document/itemimage.h"
#include "document/project.h"
#include "document/scene.h"
#include "editor/editsession.h"
#include "editor/playback.h"
#include "editor/stageediting.h"
#include "events/actions.h"
#include "events/timeactions.h"

#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kav;

namespace {

class StageEditing : public ::testing::Test {
protected:
    void SetUp() override
    {
        StartOptions options;
        options.applicationDir = app.path() + "/";
        StartEngine(options);
        project = std::make_unique<TProject>();
        project->New();
        QImage box(20, 20, QImage::Format_RGB32);
        box.fill(qRgb(200, 40, 40));
        box.save(Doc().ImageFolder() + "box.bmp", "BMP");
        session = std::make_unique<TEditSession>(*project, playback);
        editor = std::make_unique<TStageEditor>(*session);
        playback.SetScene(Doc().Scene(0));
        playback.RecomputeFrame();
    }
    void TearDown() override
    {
        editor.reset();
        session.reset();
        project.reset();
        ReplaceRunWorkDir(nullptr);
    }

    TScene* scene() const { return Doc().Scene(0); }
    TItemBase* addBox(QList<TStagePoint> path)
    {
        auto item = std::make_unique<TItemBase>(scene());
        item->AttachGraphic(std::make_unique<TItemImage>());
        item->Graphic->SetMedia(Doc().ImageFolder(), "box", 1);
        item->Path.PathPoints = path;
        item->Path.PathType = adtPath;
        item->Path.RepeatCount = 0;
        item->Path.Speed = 5;
        item->Path.Resample();
        auto* raw = static_cast<TItemBase*>(scene()->Items.Add(std::move(item)));
        scene()->NumberItem(raw);
        playback.RecomputeFrame();
        return raw;
    }
    static QPoint centre(const TItemBase* item)
    {
        const TBox b = item->BoundingBox();
        return QPoint((b.left + b.right) / 2, (b.top + b.bottom) / 2);
    }
    static QPoint sample(const TItemBase* item, int i) { return item->Path.PathSamples[i].toQPoint(); }
    void press(QPoint p) { editor->MouseDown(p, Qt::LeftButton); }
    void drag(QPoint p) { editor->MouseMove(p, Qt::LeftButton); }
    void release(QPoint p) { editor->MouseUp(p, Qt::LeftButton); }
    void addUrlEvent(TItemBase* item, int frame)
    {
        auto event = std::make_unique<TTimeActions>(item);
        event->Time = uint32_t(frame) << 16;
        auto go = std::make_unique<TActionGotoURL>(item);
        go->SetTarget(QStringLiteral("https://example.com/%1").arg(frame), QString(), false);
        auto* raw = static_cast<TActionBase*>(event->FActions.Add(std::move(go)));
        raw->Link(&event->FActions, false);
        item->InsertTimedEvent(std::move(event));
        item->LayoutEventMarkers();
    }

    QTemporaryDir app;
    std::unique_ptr<TProject> project;
    TPlayback playback;
    std::unique_ptr<TEditSession> session;
    std::unique_ptr<TStageEditor> editor;
};

TEST_F(StageEditing, AFivePixelDragLeavesTheItemAndASixPixelDragMovesItWithOneUndoStep)
{
    TItemBase* box = addBox({TStagePoint(100, 60)});
    const QPoint at = centre(box);
    press(at);
    ASSERT_EQ(session->CurrentItem(), box);
    ASSERT_EQ(session->SelectMode(), selBody);
    drag(at + QPoint(3, 4));   // 5 pixels away
    drag(at + QPoint(5, 0));
    release(at + QPoint(5, 0));
    EXPECT_EQ(box->Path.PathPoints[0], TStagePoint(100, 60));
    EXPECT_EQ(session->Undo.UndoCount(), 0);

    press(at);
    drag(at + QPoint(6, 0));
    drag(at + QPoint(9, 2));
    drag(at + QPoint(12, -3));
    release(at + QPoint(12, -3));
    EXPECT_EQ(box->Path.PathPoints[0], TStagePoint(112, 57));
    EXPECT_EQ(box->X, 112);
    EXPECT_EQ(session->Undo.UndoCount(), 1);
    EXPECT_EQ(session->Undo.UndoCaption(), "&Undo Move Item");

    ASSERT_TRUE(session->UndoStep());
    EXPECT_EQ(scene()->Item(0)->Path.PathPoints[0], TStagePoint(100, 60));
}

TEST_F(StageEditing, DroppingTheLastPointNearTheFirstClosesThePath)
{
    TItemBase* box = addBox({TStagePoint(40, 60), TStagePoint(100, 0), TStagePoint(160, 60)});
    press(centre(box));   // the item is selected: its path points can be taken
    release(centre(box));
    const QPoint last = sample(box, 12);
    press(last);
    ASSERT_EQ(session->SelectMode(), selPathPoint);
    ASSERT_TRUE(editor->DrawingPath());
    // Dropped 7 pixels off the first point in both directions: nearer than 9.
    for (int step = 1; step <= 10; ++step)
        drag(last + (QPoint(47, 67) - last) * step / 10);
    release(QPoint(47, 67));

    EXPECT_FALSE(editor->DrawingPath());
    EXPECT_EQ(box->Path.PathType, adtLoop);
    EXPECT_EQ(box->Path.PathPoints.last(), box->Path.PathPoints.first());
    EXPECT_EQ(session->Undo.UndoCount(), 1);
    EXPECT_EQ(session->Undo.UndoCaption(), "&Undo Edit Path");

    // Farther than 9 pixels the path stays open.
    ASSERT_TRUE(session->UndoStep());
    box = scene()->Item(0);
    EXPECT_EQ(box->Path.PathType, adtPath);
    editor->Deselect();
    press(centre(box));
    release(centre(box));
    press(sample(box, 12));
    drag(QPoint(100, 90));
    drag(QPoint(51, 60));
    release(QPoint(51, 60));
    EXPECT_EQ(box->Path.PathType, adtPath);
    EXPECT_EQ(box->Path.PathPoints.last(), TStagePoint(51, 60));
}

TEST_F(StageEditing, TabWalksTheStackingOrderThroughTheBackground)
{
    TItemBase* back = addBox({TStagePoint(40, 60)});
    TItemBase* middle = addBox({TStagePoint(140, 60)});
    TItemBase* front = addBox({TStagePoint(240, 60)});
    session->Select(front);
    ASSERT_TRUE(editor->KeyUp(Qt::Key_Tab, {}));
    EXPECT_TRUE(session->BackgroundSelected());
    editor->KeyUp(Qt::Key_Tab, {});
    EXPECT_EQ(session->CurrentItem(), back);
    editor->KeyUp(Qt::Key_Tab, {});
    EXPECT_EQ(session->CurrentItem(), middle);
    editor->KeyUp(Qt::Key_Tab, Qt::ShiftModifier);
    editor->KeyUp(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(session->BackgroundSelected());
    editor->KeyUp(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(session->CurrentItem(), front);
    // Ctrl+Tab is not the stage's.
    EXPECT_FALSE(editor->KeyUp(Qt::Key_Tab, Qt::ControlModifier));
}

TEST_F(StageEditing, ArrowKeysMoveByOneFiveTenAndTwentyWithAnUndoStepPerPress)
{
    TItemBase* box = addBox({TStagePoint(100, 60), TStagePoint(200, 60), TStagePoint(300, 60)});
    session->Select(box);
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(editor->KeyDown(Qt::Key_Right, Qt::ControlModifier));
    EXPECT_EQ(box->Path.PathPoints[0], TStagePoint(115, 60));
    EXPECT_EQ(box->Path.PathPoints[2], TStagePoint(315, 60));
    EXPECT_EQ(session->Undo.UndoCount(), 3);
    editor->KeyDown(Qt::Key_Down, Qt::ShiftModifier);
    editor->KeyDown(Qt::Key_Left, Qt::ShiftModifier | Qt::ControlModifier);
    editor->KeyDown(Qt::Key_Up, {});
    EXPECT_EQ(box->Path.PathPoints[0], TStagePoint(95, 69));

    ASSERT_TRUE(session->UndoStep());
    ASSERT_TRUE(session->UndoStep());
    ASSERT_TRUE(session->UndoStep());
    ASSERT_TRUE(session->UndoStep());
    EXPECT_EQ(scene()->Item(0)->Path.PathPoints[0], TStagePoint(110, 60));
    EXPECT_EQ(session->Undo.UndoCount(), 2);
}

TEST_F(StageEditing, PastingTwiceAddsTwoCopiesInPlaceThatUndoRemovesOneByOne)
{
    TItemBase* box = addBox({TStagePoint(60, 60), TStagePoint(120, 20), TStagePoint(180, 60)});
    box->Path.ClosedByType = true;
    box->Path.ClosedPoint = TStagePoint(7, 9);
    box->Name = "Box";
    session->Select(box);
    EXPECT_FALSE(editor->CanPaste());
    ASSERT_TRUE(editor->Copy());
    EXPECT_EQ(session->Undo.UndoCount(), 0);   // Copy changes nothing
    // The copy is taken now: later changes of the item do not reach it.
    editor->MoveSelected(30, 0);
    ASSERT_TRUE(editor->Paste());
    ASSERT_TRUE(editor->Paste());
    ASSERT_EQ(scene()->ItemCount(), 3);
    for (int i = 1; i < 3; ++i) {
        const TItemBase* copy = scene()->Item(i);
        EXPECT_EQ(copy->Path.PathPoints, (QList<TStagePoint>{TStagePoint(60, 60), TStagePoint(120, 20), TStagePoint(180, 60)}));
        EXPECT_EQ(copy->Path.PathSamples.size(), 13);
        EXPECT_TRUE(copy->Path.ClosedByType);
        EXPECT_EQ(copy->Path.ClosedPoint, TStagePoint(7, 9));
        EXPECT_EQ(copy->GetMediaName(), box->GetMediaName());
    }
    EXPECT_EQ(session->CurrentItem(), scene()->Item(2));
    EXPECT_EQ(session->Undo.UndoCaption(), "&Undo Paste Item");

    ASSERT_TRUE(session->UndoStep());
    EXPECT_EQ(scene()->ItemCount(), 2);
    ASSERT_TRUE(session->UndoStep());
    EXPECT_EQ(scene()->ItemCount(), 1);
    // Duplicate puts its copy 20 pixels right and down.
    session->Select(scene()->Item(0));
    ASSERT_TRUE(editor->DuplicateSelectedItem());
    EXPECT_EQ(scene()->Item(1)->Path.PathPoints[0], TStagePoint(110, 80));
}

TEST_F(StageEditing, RemovingAnItemTakesTheItemsItsActionsAddAndUndoBringsAllBack)
{
    TItemBase* host = addBox({TStagePoint(60, 60)});
    TItemBase* other = addBox({TStagePoint(300, 60)});
    // A timed event of the host puts a new box on the stage.
    auto event = std::make_unique<TTimeActions>(host);
    event->Time = 5u << 16;
    auto add = std::make_unique<TActionAddItem>(host);
    auto* addRaw = static_cast<TActionAddItem*>(event->FActions.Add(std::move(add)));
    addRaw->Link(&event->FActions, false);
    host->InsertTimedEvent(std::move(event));
    auto added = std::make_unique<TItemBase>();
    added->AttachGraphic(std::make_unique<TItemImage>());
    added->Graphic->SetMedia(Doc().ImageFolder(), "box", 1);
    addRaw->SetItem(std::move(added));
    ASSERT_EQ(scene()->ItemCount(), 3);

    session->Select(host);
    ASSERT_TRUE(editor->RemoveSelectedItem());
    ASSERT_EQ(scene()->ItemCount(), 1);
    EXPECT_EQ(scene()->Item(0), other);
    EXPECT_EQ(session->CurrentItem(), nullptr);
    EXPECT_EQ(session->Undo.UndoCaption(), "&Undo Remove Item");

    ASSERT_TRUE(session->UndoStep());
    ASSERT_EQ(scene()->ItemCount(), 3);
    // The added item is the action's again: removing it alone takes the action, not its host.
    TItemBase* again = nullptr;
    for (int i = 0; i < scene()->ItemCount(); ++i)
        if (scene()->Item(i)->ActionOwner)
            again = scene()->Item(i);
    ASSERT_NE(again, nullptr);
    session->Select(again);
    ASSERT_TRUE(editor->RemoveSelectedItem());
    ASSERT_EQ(scene()->ItemCount(), 2);
    EXPECT_EQ(scene()->Item(0)->EventCount(), 0);   // the event left without actions went too
}

TEST_F(StageEditing, DraggingAMarkerOntoAnotherEventAsksAndCancelPutsItBack)
{
    TItemBase* box = addBox({TStagePoint(20, 60), TStagePoint(220, 60), TStagePoint(420, 60)});
    // One segment of 13 samples, 33 pixels apart: the item reaches sample 2 at frame 14, and
    // the event of frame 20 lies on sample 3.
    addUrlEvent(box, 14);
    addUrlEvent(box, 20);
    int questions = 0;
    bool ok = false;
    editor->ConfirmMerge = [&] {
        ++questions;
        return ok;
    };
    press(centre(box));
    release(centre(box));
    const QPoint from(box->Event(1)->MarkerX, box->Event(1)->MarkerY);
    const QPoint onto(box->Event(0)->MarkerX, box->Event(0)->MarkerY);

    auto dragMarker = [&] {
        press(from);
        ASSERT_EQ(session->SelectMode(), selEventOnPath);
        ASSERT_EQ(playback.CurFrame, 20);
        drag(from + (onto - from) / 2);
        drag(onto);
        EXPECT_EQ(box->Event(1)->Time, 14u << 16);
        EXPECT_EQ(playback.CurFrame, 14);
        release(onto);
    };
    dragMarker();
    EXPECT_EQ(questions, 1);
    ASSERT_EQ(box->EventCount(), 2);
    EXPECT_EQ(box->Event(1)->Time, 20u << 16);
    EXPECT_EQ(QPoint(box->Event(1)->MarkerX, box->Event(1)->MarkerY), from);
    EXPECT_EQ(playback.CurFrame, 20);
    EXPECT_EQ(session->Undo.UndoCount(), 0);

    // The item stands on the marker at frame 20 now: back to the start, then OK merges.
    playback.SetCurTimeLine(0);
    playback.RecomputeFrame();
    box->LayoutEventMarkers();
    ok = true;
    dragMarker();
    EXPECT_EQ(questions, 2);
    ASSERT_EQ(box->EventCount(), 1);
    EXPECT_EQ(box->Event(0)->FActions.Count(), 2);
    EXPECT_EQ(session->Undo.UndoCount(), 1);
    ASSERT_TRUE(session->UndoStep());
    EXPECT_EQ(scene()->Item(0)->EventCount(), 2);
}

TEST_F(StageEditing, PopupsOfferWhatTheItemCanDo)
{
    TItemBase* box = addBox({TStagePoint(40, 60), TStagePoint(100, 0), TStagePoint(160, 60)});
    QList<TPopupRequest> popups;
    editor->OpenPopup = [&](const TPopupRequest& r) { popups << r; };
    editor->MouseDown(centre(box), Qt::RightButton);
    editor->MouseUp(centre(box), Qt::RightButton);
    ASSERT_EQ(popups.size(), 1);
    EXPECT_EQ(popups[0].Kind, TPopupKind::Item);
    EXPECT_EQ(popups[0].At, centre(box) + QPoint(2, 2));
    EXPECT_EQ(popups[0].Entries[0].Caption, "Replace Image");
    for (const TPopupEntry& e : popups[0].Entries)
        if (e.Name.startsWith("PathType"))
            EXPECT_EQ(e.Checked, e.Name == "PathType2") << e.Name.toStdString();   // Stop At End

    // On the middle point "Add Point" is offered, and it splits the segment.
    editor->MouseDown(sample(box, 6), Qt::RightButton);
    editor->MouseUp(sample(box, 6), Qt::RightButton);
    ASSERT_EQ(popups.size(), 2);
    EXPECT_EQ(popups[1].Kind, TPopupKind::PathPoint);
    EXPECT_FALSE(editor->DrawingPath());
    for (const TPopupEntry& e : popups[1].Entries)
        if (e.Name == "AddPoint")
            EXPECT_TRUE(e.Enabled);
    ASSERT_TRUE(editor->RunCommand("AddPoint"));
    EXPECT_EQ(box->Path.PathPoints.size(), 5);

    // The event bar's timed-event box opens its popup on the left press.
    const QRect bar = box->EventBar;
    editor->MouseDown(QPoint(bar.left() + 10, bar.top() + 50), Qt::LeftButton);
    ASSERT_EQ(popups.size(), 3);
    EXPECT_EQ(popups[2].Kind, TPopupKind::TimedEvent);
    EXPECT_EQ(popups[2].Entries[0].Caption, "New Timed Event");
    EXPECT_FALSE(popups[2].Entries[1].Enabled);
}

TEST_F(StageEditing, ScrollStageKeepsTheItemInView)
{
    // Left of the view: scroll to it; beyond the right edge less 15: past it by two widths.
    EXPECT_EQ(TStageEditor::ScrollStageTo(QPoint(100, 0), QSize(200, 100), QPoint(40, 50), QSize(20, 10)), QPoint(40, 0));
    EXPECT_EQ(TStageEditor::ScrollStageTo(QPoint(0, 0), QSize(200, 100), QPoint(190, 90), QSize(20, 10)), QPoint(30, 10));
    EXPECT_EQ(TStageEditor::ScrollStageTo(QPoint(0, 0), QSize(200, 100), QPoint(185, 85), QSize(20, 10)), QPoint(0, 0));
}

} // namespace
