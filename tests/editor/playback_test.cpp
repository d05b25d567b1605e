#include "docfixture.h"
#include "editor/playback.h"
#include "events/actionbase.h"
#include "events/actions.h"
#include "events/timeactions.h"

using namespace kav;
using namespace kavtest;

namespace {
// Records every time it is played, and whether live.
struct Probe : TActionBase {
    KAV_CLASS_NAME(TProbeAction)
    explicit Probe(QList<QPair<uint32_t, bool>>* log) : log(log) {}
    void PlayAction(int64_t time, bool live) override { log->append({uint32_t(time >> 16), live}); }
    QList<QPair<uint32_t, bool>>* log;
};

class Playback : public DocFixture {
protected:
    void SetUp() override
    {
        DocFixture::SetUp();
        makeImage("box", 10, 10);
        playback = std::make_unique<TPlayback>();
        playback->SetScene(scene);
    }
    void TearDown() override
    {
        playback.reset();
        DocFixture::TearDown();
    }
    // A straight path of `length` pixels along y = 50 from x = 0.
    TItemBase* mover(int length, int type, int repeat, int speed = 5, int endPause = 0)
    {
        TItemBase* item = addImage(scene, "box");
        item->Path.PathPoints = {TStagePoint(0, 50), TStagePoint(length / 2, 50), TStagePoint(length, 50)};
        item->Path.PathType = uint8_t(type);
        item->Path.RepeatCount = repeat;
        item->Path.Speed = speed;
        item->Path.EndPause = endPause;
        item->Path.Resample();
        return item;
    }
    void eventAt(TItemBase* item, int frame)
    {
        auto ev = std::make_unique<TTimeActions>(item);
        ev->Time = uint32_t(frame) << 16;
        auto* probe = new Probe(&fired);
        probe->Owner = item;
        ev->FActions.Add(std::unique_ptr<TBaseObject>(probe));
        item->InsertTimedEvent(std::move(ev));
    }
    int xAt(int frame)
    {
        playback->SetCurTimeLine(frame);
        playback->RecomputeFrame();
        return scene->Item(0)->X;
    }

    std::unique_ptr<TPlayback> playback;
    QList<QPair<uint32_t, bool>> fired;
};
} // namespace

TEST_F(Playback, StopAtEndReachesTheEndAtFrame40AndStays)
{
    mover(200, adtPath, 0);
    EXPECT_EQ(xAt(0), 0);
    EXPECT_EQ(xAt(20), 100);
    EXPECT_EQ(xAt(39), 195);
    EXPECT_EQ(xAt(40), 200);
    EXPECT_EQ(xAt(41), 200);
    EXPECT_EQ(xAt(400), 200);
    // Live play agrees with the recomputed frames.
    playback->Start(false);
    for (int i = 0; i < 45; ++i)
        playback->Tick();
    EXPECT_EQ(scene->Item(0)->X, 200);
}

TEST_F(Playback, RepeatFromBeginningWithAndWithoutAnEndPause)
{
    TItemBase* item = mover(200, adtPath, -1);
    EXPECT_EQ(xAt(45), (45 * 5 * 256) % (200 * 256) / 256);
    item->Path.EndPause = 3;
    // The cycle is 200 px + 3 frames: it rests on the last sample for frames 40 to 42.
    EXPECT_EQ(xAt(40), 200);
    EXPECT_EQ(xAt(42), 200);
    EXPECT_EQ(xAt(43), 0);
    EXPECT_EQ(xAt(44), 5);
}

TEST_F(Playback, BackAndForthRunsBackwardsInOddCycles)
{
    mover(200, adtReturn, -1);
    EXPECT_EQ(xAt(10), 50);
    EXPECT_EQ(xAt(50), 150);   // cycle 1: from the end back
    EXPECT_EQ(xAt(90), 50);    // cycle 2: forward again
}

TEST_F(Playback, BackAndForthEventsMirrorOnTheWayBack)
{
    TItemBase* item = mover(200, adtReturn, -1);
    eventAt(item, 10);
    eventAt(item, 30);
    playback->Start(false);
    for (int i = 0; i < 80; ++i)
        playback->Tick();
    QList<uint32_t> frames;
    for (const auto& f : fired)
        frames << f.first;
    // Forward at 10 and 30; back at 40 + (40 - 30) and 40 + (40 - 10), in descending event order.
    EXPECT_EQ(frames, QList<uint32_t>({10, 30, 50, 70}));
}

TEST_F(Playback, EventsAtTimeZeroFireOnce)
{
    TItemBase* item = mover(200, adtPath, -1);
    eventAt(item, 0);
    playback->Start(false);
    for (int i = 0; i < 5; ++i)
        playback->Tick();
    ASSERT_EQ(fired.size(), 1);
    EXPECT_EQ(fired[0], qMakePair(0u, true));

    // Without a path, on the time line.
    playback->Stop();
    fired.clear();
    scene->Items.ClearItems();
    TItemBase* still = addImage(scene, "box");
    eventAt(still, 0);
    eventAt(still, 3);
    playback->Start(false);
    for (int i = 0; i < 6; ++i)
        playback->Tick();
    EXPECT_EQ(fired, (QList<QPair<uint32_t, bool>>{{0, true}, {3, true}}));
}

TEST_F(Playback, PlayFromFrameReplaysEarlierEventsSilently)
{
    TItemBase* item = addImage(scene, "box");
    eventAt(item, 5);
    eventAt(item, 60);
    settings().PlayFromFrame = true;
    playback->SetCurTimeLine(50);
    playback->Start(false);
    EXPECT_EQ(fired, (QList<QPair<uint32_t, bool>>{{5, false}}));
    for (int i = 0; i < 12; ++i)
        playback->Tick();
    EXPECT_EQ(fired.last(), qMakePair(60u, true));
    playback->Stop();
    EXPECT_EQ(playback->CurFrame, 62);  // StopResetFrame off: the editor stays where playback got
    settings().PlayFromFrame = false;
}

TEST_F(Playback, RecomputeFiresEveryCompletedCycleOnce)
{
    TItemBase* item = mover(200, adtLoop, -1);
    eventAt(item, 10);
    playback->SetCurTimeLine(95);  // cycles of 41 frames: 2 completed, then frame 13 of the third
    playback->RecomputeFrame();
    EXPECT_EQ(fired.size(), 3);
    for (const auto& f : fired)
        EXPECT_FALSE(f.second);
}

// Where the item is when its events fire, on every kind of path, live and recomputed alike. A
// straight path of 100 px at speed 10 takes 10 frames a pass.
TEST_F(Playback, EventsFireOncePerPassWhereTheItemIsAndRecomputeAgrees)
{
    struct Case {
        const char* name;
        int length, type, repeat, speed;
        QList<int> events;
        QList<uint32_t> want;  // live firings in the first 45 ticks, by the frame they fire at
    };
    const QList<Case> cases = {
        {"back and forth", 100, adtReturn, -1, 10, {0, 5, 9}, {0, 5, 9, 11, 15, 20, 25, 29, 31, 35, 40, 45}},
        {"closed loop", 100, adtLoop, -1, 10, {0, 5, 9}, {0, 5, 9, 10, 15, 19, 20, 25, 29, 30, 35, 39, 40, 45}},
        {"repeat from the beginning", 100, adtPath, -1, 10, {0, 5, 9}, {0, 5, 9, 10, 15, 19, 20, 25, 29, 30, 35, 39, 40, 45}},
        // The motion ends at 20; later events fire once on the time line.
        {"stop at end", 200, adtPath, 0, 10, {5, 30, 35, 40}, {5, 30, 35, 40}},
        // Stored beyond one pass of a repeating path: from its own time on, once a pass.
        {"beyond one pass", 100, adtLoop, -1, 10, {25}, {25, 35, 45}},
        // Without speed nothing moves: every event once at its time.
        {"speed 0", 100, adtLoop, -1, 0, {3, 12}, {3, 12}},
        // Three passes, then the time line.
        {"repeated twice", 100, adtPath, 2, 10, {4, 41}, {4, 14, 24, 41}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        scene->Items.ClearItems();
        TItemBase* item = mover(c.length, c.type, c.repeat, c.speed);
        for (int t : c.events)
            eventAt(item, t);
        fired.clear();
        playback->Start(false);
        for (int i = 0; i < 45; ++i)
            playback->Tick();
        playback->Stop();
        QList<uint32_t> live;
        for (const auto& f : fired)
            if (f.second)
                live << f.first;
        EXPECT_EQ(live, c.want);
        for (int frame : {0, 9, 10, 11, 20, 26, 44}) {
            fired.clear();
            playback->SetCurTimeLine(frame);
            playback->RecomputeFrame();
            QList<uint32_t> recomputed, upTo;
            for (const auto& f : fired)
                recomputed << f.first;
            for (uint32_t t : c.want)
                if (t <= uint32_t(frame))
                    upTo << t;
            EXPECT_EQ(recomputed, upTo) << "recomputing frame " << frame;
        }
    }
}

// An event at a fractional time (left by a change of speed) fires at the first tick that reaches
// it; a far frame is computed by visiting only the frames at which something is due.
TEST_F(Playback, FractionalTimesAndFarFrames)
{
    TItemBase* item = addImage(scene, "box");
    auto ev = std::make_unique<TTimeActions>(item);
    ev->Time = (7u << 16) + 0x8000;
    auto* probe = new Probe(&fired);
    probe->Owner = item;
    ev->FActions.Add(std::unique_ptr<TBaseObject>(probe));
    item->InsertTimedEvent(std::move(ev));
    playback->SetCurTimeLine(7);
    playback->RecomputeFrame();
    EXPECT_TRUE(fired.isEmpty());
    playback->SetCurTimeLine(8);
    playback->RecomputeFrame();
    EXPECT_EQ(fired, (QList<QPair<uint32_t, bool>>{{8, false}}));

    scene->Items.ClearItems();
    TItemBase* looper = mover(100, adtLoop, -1, 10);
    eventAt(looper, 3);
    fired.clear();
    playback->SetCurTimeLine(9999999);
    playback->RecomputeFrame();
    EXPECT_EQ(fired.size(), 1000000);
    EXPECT_EQ(fired.last().first, 9999993u);
    EXPECT_EQ(looper->X, 90);
}

TEST_F(Playback, ClicksGoToTheTopmostVisibleItem)
{
    TItemBase* lower = addImage(scene, "box");
    TItemBase* upper = addImage(scene, "box");
    QList<QPair<uint32_t, bool>> lowerLog, upperLog;
    for (auto [item, log] : {std::pair{lower, &lowerLog}, std::pair{upper, &upperLog}}) {
        auto* probe = new Probe(log);
        probe->Owner = item;
        item->Graphic->UserEvents.Add(std::unique_ptr<TBaseObject>(probe));
    }
    playback->Start(false);
    const QPoint at(lower->X, lower->Y);
    playback->Click(at);
    EXPECT_EQ(upperLog.size(), 1);
    EXPECT_TRUE(lowerLog.isEmpty());
    upper->Visible = false;
    playback->Click(at);
    EXPECT_EQ(lowerLog.size(), 1);
    lower->Visible = false;
    playback->Click(at);
    EXPECT_EQ(lowerLog.size() + upperLog.size(), 2);
}

TEST_F(Playback, AGotoSceneAndAMoveInOneTickLeaveTheOldItemsWhereTheyWere)
{
    TItemBase* item = mover(200, adtPath, -1);
    TScene* second = SceneOps::AddScene();
    auto ev = std::make_unique<TTimeActions>(item);
    ev->Time = 10u << 16;
    auto go = std::make_unique<TActionGotoScene>(item);
    go->SetScene(second);
    ev->FActions.Add(std::move(go));
    item->InsertTimedEvent(std::move(ev));
    scene->AfterLoad();
    playback->Start(false);
    for (int i = 0; i < 9; ++i)
        playback->Tick();
    EXPECT_EQ(item->X, 45);
    playback->Tick();
    EXPECT_EQ(playback->Scene(), second);
    EXPECT_EQ(playback->PlayFrame, 0);
    EXPECT_EQ(item->X, 45);  // not moved in the tick that left the scene
    // While a frame is recomputed the same event changes nothing outside the document.
    playback->Stop();
    playback->SetScene(scene);
    playback->SetCurTimeLine(20);
    playback->RecomputeFrame();
    EXPECT_EQ(playback->Scene(), scene);
    EXPECT_EQ(playback->PendingScene, nullptr);
}
