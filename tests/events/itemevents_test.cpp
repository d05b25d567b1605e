// Editing timed events in time and along the path: dragging markers, moving events with the
// arrow buttons, the limits of an item's time line, adding and deleting events.
#include "core/errors.h"
#include "eventsupport.h"
#include "events/itemevents.h"

#include <QTemporaryDir>

using namespace kav;
using namespace kavtest;

namespace {

class ItemEvents : public EventFixture {
protected:
    // A square path, 120 pixels a side, corners at (0, 0) and (120, 120), run clockwise from
    // (0, 0): 49 samples 10 pixels (2560 units) apart; speed 5 runs 1280 units a frame.
    TItemBase* squareItem(uint8_t type, int32_t repeat)
    {
        TItemBase* item = addImage(scene, "sq");
        item->Path.PathPoints = {TStagePoint(0, 0),     TStagePoint(60, 0),  TStagePoint(120, 0),
                                 TStagePoint(120, 60),  TStagePoint(120, 120), TStagePoint(60, 120),
                                 TStagePoint(0, 120),   TStagePoint(0, 60),  TStagePoint(0, 0)};
        item->Path.Resample();
        item->Path.PathType = type;
        item->Path.RepeatCount = repeat;
        item->Path.Speed = 5;
        item->LayoutEventMarkers();
        return item;
    }
};

TEST_F(ItemEvents, DraggedMarkerSnapsToTheNearestSampleAroundIt)
{
    TItemBase* item = squareItem(adtPath, 0);
    ASSERT_EQ(item->Path.PathSamples.size(), 49);
    ASSERT_EQ(item->Path.PathSamples[5], TStagePoint(50, 0));
    TTimeActions* e = addEvent(item, 0);
    put(e, std::make_unique<TActionChangeColor>());
    item->LayoutEventMarkers();
    ASSERT_EQ(e->MarkerSample, 0);

    EXPECT_EQ(DragMarkerTo(*item, *e, QPoint(2, 2)), 0u);  // within 3 pixels: stays
    // Sample 5 lies 12800 units along: 10 frames at 1280 a frame.
    EXPECT_EQ(DragMarkerTo(*item, *e, QPoint(52, 6)), 10u << 16);
    EXPECT_EQ(e->MarkerSample, 5);
    EXPECT_EQ(e->MarkerX, 50);
    EXPECT_EQ(e->MarkerDistance, 12800);
    // Part way between frames the time rounds up: the item has reached the sample by then.
    item->Path.Speed = 3;
    DragMarkerTo(*item, *e, QPoint(60, 0));  // sample 6: 15360 / 768 = 20 frames exactly
    EXPECT_EQ(e->Time >> 16, 20u);
    DragMarkerTo(*item, *e, QPoint(70, 0));  // sample 7: 17920 / 768 = 23.3 frames
    EXPECT_EQ(e->Time >> 16, 24u);
}

TEST_F(ItemEvents, DragWindowWrapsOnlyOnAClosedLoop)
{
    // The marker near the start; the mouse near the end of the path, which on a loop is just
    // behind the marker.
    TItemBase* loop = squareItem(adtLoop, -1);
    TTimeActions* e = addEvent(loop, 0);
    put(e, std::make_unique<TActionChangeColor>());
    e->Time = 2u << 16;  // sample 1
    loop->LayoutEventMarkers();
    ASSERT_EQ(e->MarkerSample, 1);
    DragMarkerTo(*loop, *e, QPoint(0, 30));
    EXPECT_EQ(e->MarkerSample, 45);
    EXPECT_EQ(e->Time >> 16, 90u);

    TItemBase* oneWay = squareItem(adtPath, -1);
    TTimeActions* f = addEvent(oneWay, 0);
    put(f, std::make_unique<TActionChangeColor>());
    f->Time = 2u << 16;
    oneWay->LayoutEventMarkers();
    DragMarkerTo(*oneWay, *f, QPoint(0, 30));
    EXPECT_EQ(f->MarkerSample, 0);
    EXPECT_EQ(f->Time, 0u);

    // The last sample is where the item ends: its time is not rounded up.
    f->Time = 95u << 16;
    oneWay->LayoutEventMarkers();
    ASSERT_EQ(f->MarkerSample, 47);
    oneWay->Path.Speed = 7;  // 122880 / 1792 = 68.6 frames
    DragMarkerTo(*oneWay, *f, QPoint(0, 0));
    EXPECT_EQ(f->MarkerSample, 48);
    EXPECT_EQ(f->Time >> 16, 68u);
}

TEST_F(ItemEvents, FrameOfSampleFollowsTheDirectionAtTheCurrentFrame)
{
    TItemBase* item = squareItem(adtReturn, -1);
    item->StartFrame = 10;
    // Forward, in the first pass: sample 6 is 15360 units along, 12 frames after the start.
    EXPECT_EQ(FrameOfSample(*item, 20, 6), 22);
    // Frame 10 + 97: second pass (backward), 1 frame into it; the way back reaches sample 6
    // after (122880 - 15360 - 1280) / 1280 = 83 more frames.
    EXPECT_EQ(FrameOfSample(*item, 107, 6), 107 + 83);
}

TEST_F(ItemEvents, LastFrameOfAnItem)
{
    TItemBase* still = addImage(scene, "still");
    still->StartFrame = 5;
    EXPECT_EQ(ItemLastFrame(*still), 1005);  // no path: ExtraFrames

    TItemBase* loop = squareItem(adtLoop, -1);  // 122880 / 1280 = 96 frames a pass
    EXPECT_EQ(ItemLastFrame(*loop), 96);
    TItemBase* once = squareItem(adtPath, 0);
    EXPECT_EQ(ItemLastFrame(*once), 96 + 1000);
    TItemBase* repeat = squareItem(adtPath, -1);
    put(addEvent(repeat, 300), std::make_unique<TActionChangeColor>());
    EXPECT_EQ(ItemLastFrame(*repeat), 300);
}

TEST_F(ItemEvents, MovingAnEventStopsAtTheEndsOfItsTimeLine)
{
    TItemBase* loop = squareItem(adtLoop, -1);
    loop->StartFrame = 4;  // last frame 100
    TTimeActions* e = addEvent(loop, 90);
    int current = 94;
    EXPECT_TRUE(MoveEventInTime(*loop, *e, 5, current));
    EXPECT_EQ(e->Time, 95u << 16);
    EXPECT_EQ(current, 99);
    MoveEventInTime(*loop, *e, 5, current);
    EXPECT_EQ(e->Time, 96u << 16);
    EXPECT_EQ(current, 100);
    EXPECT_FALSE(MoveEventInTime(*loop, *e, 1, current));

    // An event beyond the limit (from a file) is not pulled back by a move forward.
    e->Time = 500u << 16;
    EXPECT_FALSE(MoveEventInTime(*loop, *e, 1, current));
    EXPECT_EQ(e->Time, 500u << 16);

    e->Time = 3u << 16;
    current = 2;
    EXPECT_TRUE(MoveEventInTime(*loop, *e, -5, current));
    EXPECT_EQ(e->Time, 0u);
    EXPECT_EQ(current, 0);
}

TEST_F(ItemEvents, AddingAtAFrameReusesTheEventOfThatTimeInThePass)
{
    TItemBase* loop = squareItem(adtLoop, -1);  // 97 frames per pass
    loop->StartFrame = 3;
    TTimeActions* e = addEvent(loop, 11);
    put(e, std::make_unique<TActionChangeColor>());
    EXPECT_EQ(TimedEventForAdding(*loop, 3 + 97 + 11), e);

    TTimeActions* fresh = TimedEventForAdding(*loop, 3 + 5);
    ASSERT_NE(fresh, e);
    EXPECT_EQ(fresh->Time, 5u << 16);
    EXPECT_EQ(loop->Event(0), fresh);
    EXPECT_TRUE(fresh->FActions.IsEmpty());
    // Before the item starts: time 0.
    TItemBase* still = addImage(scene, "still");
    still->StartFrame = 50;
    EXPECT_EQ(TimedEventForAdding(*still, 20)->Time, 0u);
}

TEST_F(ItemEvents, DeletingAnEventDestroysItsActionsAndTheirLinks)
{
    TItemBase* a = addImage(scene, "a");
    TItemBase* b = addImage(scene, "b");
    TTimeActions* e = addEvent(b, 4);
    put(e, aimedAt<TActionShowItem>(a));
    put(e, gotoScene(scene));
    TActionAddItem* add = addItemAction(e, "c");
    (void)add;
    ASSERT_EQ(scene->ItemCount(), 3);
    EXPECT_TRUE(DeleteTimedEvent(*b, e));
    EXPECT_EQ(b->EventCount(), 0);
    EXPECT_TRUE(a->ActionLinks.isEmpty());
    EXPECT_TRUE(scene->GotoLinks.isEmpty());
    EXPECT_EQ(scene->ItemCount(), 2);
    EXPECT_FALSE(DeleteTimedEvent(*b, e));
}

} // namespace

// The path commands on an item: its event markers follow the new path, a finished motion runs
// again, the only point cannot be removed, and a bad path file changes nothing.
TEST_F(ItemEvents, PathCommandsKeepMarkersOnTheNewPathAndRestartTheMotion)
{
    TItemBase* item = squareItem(adtPath, 0);
    TTimeActions* e = addEvent(item, 6);  // 6 x 1280 = 7680: sample 3, (30, 0)
    item->LayoutEventMarkers();
    EXPECT_EQ(QPoint(e->MarkerX, e->MarkerY), QPoint(30, 0));

    item->Finished = true;
    item->ReversePath();  // now run from (0, 0) down the left side
    EXPECT_FALSE(item->Finished);
    EXPECT_EQ(QPoint(e->MarkerX, e->MarkerY), QPoint(0, 30));

    EXPECT_FALSE(item->StraightenPath());  // a closed square: the ends coincide
    item->SetPathType(pmReturn);
    EXPECT_EQ(item->Path.PathType, adtReturn);

    // Cut where the item stands: at the left side's midpoint (sample 6, handle 1).
    item->SampleIndex = 6;
    item->X = 0;
    item->Y = 60;
    item->TrimPath();
    EXPECT_EQ(item->Path.PathPoints.last(), TStagePoint(0, 60));
    EXPECT_EQ(QPoint(e->MarkerX, e->MarkerY), QPoint(0, 30));

    const QList<TStagePoint> before = item->Path.PathPoints;
    QTemporaryDir dir;
    const QString bad = dir.filePath("bad.pth");
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a path\r\n");
    f.close();
    EXPECT_THROW(item->LoadPath(bad), ReadError);
    EXPECT_EQ(item->Path.PathPoints, before);
    item->SavePath(dir.filePath("good.pth"));
    item->RemovePath();
    EXPECT_FALSE(item->Path.HasPath());
    EXPECT_EQ(e->MarkerSample, -1);  // no path: the event stands in the column
    // A path file holds the shape; it starts where the item stands now, (0, 60).
    item->LoadPath(dir.filePath("good.pth"));
    ASSERT_EQ(item->Path.PathPoints.size(), before.size());
    for (int i = 0; i < before.size(); ++i)
        EXPECT_EQ(item->Path.PathPoints[i], TStagePoint(before[i].x, before[i].y + 60));
    EXPECT_EQ(QPoint(e->MarkerX, e->MarkerY), QPoint(0, 90));

    item->RemovePath();
    EXPECT_FALSE(item->RemovePathPoint(0));  // the only point: the caller removes the item
}
