// What actions do when played: to the items and the stage in every playback, and to the
// outside world (scenes, pages, sound) only in live playback.
#include "eventsupport.h"

using namespace kav;
using namespace kavtest;

namespace {

using Play = EventFixture;

constexpr uint32_t at(int frame) { return uint32_t(frame) << 16; }

TEST_F(Play, RecomputingChangesTheDocumentButNothingOutside)
{
    TScene* other = addScene("Other");
    TItemBase* a = addImage(scene, "a");
    TItemBase* b = addImage(scene, "b");
    TTimeActions* e = addEvent(b, 7);
    put(e, gotoScene(other));
    auto url = std::make_unique<TActionGotoURL>();
    url->SetTarget("http://example.org/", "_top", false);
    put(e, std::move(url));
    auto play = std::make_unique<TActionPlaySound>();
    play->SetSound("tune");
    put(e, std::move(play));
    put(e, aimedAt<TActionHideItem>(a));
    put(e, aimedAt<TActionHideItem>(nullptr));
    auto colour = std::make_unique<TActionChangeColor>();
    colour->Color = 0x00123456;
    put(e, std::move(colour));

    e->Fire(at(7), false);
    EXPECT_TRUE(sink.calls.isEmpty());
    EXPECT_EQ(CurrentSoundAction(), nullptr);
    EXPECT_FALSE(a->Visible);
    EXPECT_TRUE(scene->Stage->HideBackground);
    EXPECT_EQ(scene->Stage->CurrentColor, 0x00123456u);

    e->Fire(at(7), true);
    EXPECT_EQ(sink.calls, QStringList({"scene Other", "url http://example.org/ _top 0", "start tune"}));
}

TEST_F(Play, AnEventHidingItsOwnerStillPlaysItsOtherActions)
{
    TItemBase* a = addImage(scene, "a");
    TTimeActions* e = addEvent(a, 0);
    put(e, aimedAt<TActionHideItem>(a));
    auto play = std::make_unique<TActionPlaySound>();
    play->SetSound("tune");
    put(e, std::move(play));
    e->Fire(0, true);
    EXPECT_FALSE(a->Visible);
    EXPECT_EQ(sink.calls, QStringList({"start tune"}));

    // A hidden owner plays nothing.
    sink.calls.clear();
    put(e, aimedAt<TActionShowItem>(a));
    e->Fire(0, true);
    EXPECT_TRUE(sink.calls.isEmpty());
    EXPECT_FALSE(a->Visible);
}

TEST_F(Play, LoopingSoundStartsOnceAndStopOnlyStopsTheCurrentSound)
{
    TItemBase* a = addImage(scene, "a");
    TTimeActions* e = addEvent(a, 0);
    auto loop = std::make_unique<TActionPlaySound>();
    loop->SetSound("rain");
    loop->Loop = true;
    auto* rain = put(e, std::move(loop));
    auto once = std::make_unique<TActionPlaySound>();
    once->SetSound("ding");
    auto* ding = put(addEvent(a, 1), std::move(once));
    auto stopDing = std::make_unique<TActionStopSound>();
    stopDing->SetSound("ding");
    auto* stopD = put(addEvent(a, 2), std::move(stopDing));
    auto stopRain = std::make_unique<TActionStopSound>();
    stopRain->SetSound("rain");
    auto* stopR = put(addEvent(a, 3), std::move(stopRain));

    rain->PlayAction(0, true);
    rain->PlayAction(0, true);
    EXPECT_EQ(sink.calls, QStringList({"start rain loop"}));
    stopD->PlayAction(0, true);  // not the current sound
    EXPECT_EQ(sink.calls.size(), 1);
    stopR->PlayAction(0, true);
    rain->PlayAction(0, true);   // stopped: starts again
    ding->PlayAction(0, true);
    ding->PlayAction(0, true);   // not looping: every time
    EXPECT_EQ(sink.calls, QStringList({"start rain loop", "stop rain", "start rain loop", "start ding", "start ding"}));
    rain->PlayAction(0, true);   // another sound played meanwhile: the loop starts again
    EXPECT_EQ(sink.calls.last(), "start rain loop");
    EXPECT_EQ(CurrentSoundName(), "rain");

    // The current action goes: its sound state must not point at it.
    rain->RemoveAndDestroy();
    EXPECT_EQ(CurrentSoundAction(), nullptr);
}

TEST_F(Play, AddAndReplaceStartTheirItems)
{
    TItemBase* owner = addImage(scene, "owner");
    owner->Path.PathPoints = {TStagePoint(40, 30)};
    owner->X = 55;
    owner->Y = 35;
    TActionAddItem* add = addItemAction(addEvent(owner, 4), "c");
    add->Item->Active = false;
    add->Item->Visible = false;
    add->PlayAction(at(12), false);
    EXPECT_TRUE(add->Item->Active);
    EXPECT_TRUE(add->Item->Visible);
    EXPECT_EQ(add->Item->StartFrame, 12);
    add->PlayAction(at(20), false);  // already running: keeps its start
    EXPECT_EQ(add->Item->StartFrame, 12);

    // A replacement for a click starts at the owner's current place.
    auto* rep = addItemAction<TActionReplaceItem>(nullptr, "d", true, owner);
    TItemBase* d = rep->Item;
    d->Path.PathPoints = {TStagePoint(100, 100)};
    d->Active = false;
    owner->VisibleAtFire = true;
    rep->PlayAction(at(30), true);
    EXPECT_EQ(d->OffsetX, -45);
    EXPECT_EQ(d->OffsetY, -65);
    EXPECT_EQ(d->X, 55);
    EXPECT_EQ(d->Y, 35);
    EXPECT_EQ(d->StartFrame, 30);
    EXPECT_TRUE(d->Visible);
    EXPECT_FALSE(owner->Visible);

    // One made for a timed event keeps its own path.
    auto* timed = addItemAction<TActionReplaceItem>(addEvent(owner, 9), "e");
    timed->Item->Path.PathPoints = {TStagePoint(7, 8)};
    timed->PlayAction(at(9), false);
    EXPECT_EQ(timed->Item->OffsetX, 0);
}

TEST_F(Play, FreezeAndResumeKeepTheAnimationWhereItStopped)
{
    TItemBase* owner = addImage(scene, "owner");
    TItemBase* anim = addImage(scene, "anim");
    anim->StartFrame = 10;
    TTimeActions* e = addEvent(owner, 0);
    auto* freeze = put(e, aimedAt<TActionStopAnim>(anim));
    auto* resume = put(e, aimedAt<TActionContAnim>(anim));

    resume->PlayAction(at(15), false);  // not frozen: nothing
    EXPECT_EQ(anim->AnimOffset, 0);
    freeze->PlayAction(at(25), false);
    EXPECT_TRUE(anim->Frozen);
    EXPECT_EQ(anim->FreezeFrame, 15);
    freeze->PlayAction(at(30), false);  // stays on the frame it froze at
    EXPECT_EQ(anim->FreezeFrame, 15);
    resume->PlayAction(at(40), false);
    EXPECT_FALSE(anim->Frozen);
    EXPECT_EQ(anim->AnimOffset, 15);
    EXPECT_EQ(anim->FreezeFrame, 0);
}

} // namespace
