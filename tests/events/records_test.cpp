// The project records of timed events and actions: what is written is what is read back.
#include "core/errors.h"
#include "eventsupport.h"

using namespace kav;
using namespace kavtest;

namespace {

using Records = EventFixture;

TEST_F(Records, TimedEventExampleLoadsAndSavesBackLineForLine)
{
    TItemBase* item = addImage(scene, "a");
    const QStringList lines = {"TTimeActions", "6553600", "1", "TActionGotoScene", "0", "Scene 1"};
    auto loaded = loadLines<TTimeActions>(lines, item);
    TTimeActions* e = loaded.get();
    item->InsertTimedEvent(std::move(loaded));
    e->LinkActions();

    EXPECT_EQ(e->Frame(), 100);
    ASSERT_EQ(e->FActions.Count(), 1);
    auto* go = dynamic_cast<TActionGotoScene*>(e->FActions.At(0));
    ASSERT_NE(go, nullptr);
    EXPECT_EQ(go->Scene, scene);
    EXPECT_EQ(go->Owner, item);
    EXPECT_EQ(go->ParentList, &e->FActions);
    EXPECT_TRUE(scene->GotoLinks.contains(go));
    EXPECT_EQ(saveLines(*e), lines);

    // On disk: the action's class line at the indent of the count, its fields two deeper.
    const QString file = work.filePath("event.dat");
    TTextStrFile out(file);
    out.OpenWrite();
    e->Save(out, QString());
    out.Commit();
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("TTimeActions\r\n  6553600\r\n  1\r\n  TActionGotoScene\r\n    0\r\n    Scene 1\r\n"));
}

// One event of an item carries every kind of action; the scene goes to disk and back and must
// write the same lines again, with every reference resolved to the matching object.
TEST_F(Records, EveryActionRoundTripsThroughMemoryAndFile)
{
    TScene* other = addScene("Finale");
    TItemBase* target = addImage(scene, "target");
    TItemBase* owner = addImage(scene, "owner");
    TItemBase* top = addImage(scene, "top");
    TTimeActions* e = addEvent(owner, 12);

    put(e, aimedAt<TActionShowItem>(target));
    put(e, aimedAt<TActionHideItem>(nullptr));
    put(e, aimedAt<TActionStopAnim>(top));
    put(e, aimedAt<TActionContAnim>(top));
    put(e, gotoScene(other));
    auto url = std::make_unique<TActionGotoURL>();
    url->SetTarget("http://example.org/a b", "", true);
    put(e, std::move(url));
    auto colour = std::make_unique<TActionChangeColor>();
    colour->Color = 0x02FF8040;
    put(e, std::move(colour));
    auto play = std::make_unique<TActionPlaySound>();
    play->SetSound("Sound/ding");
    play->Loop = true;
    put(e, std::move(play));
    auto stop = std::make_unique<TActionStopSound>();
    stop->SetSound("Sound/ding");
    put(e, std::move(stop));
    TActionAddItem* add = addItemAction(e, "added");
    TActionReplaceItem* replace = addItemAction<TActionReplaceItem>(nullptr, "swap", true, owner);
    // An action of the added item aims back at an ordinary item.
    put(addEvent(add->Item, 3), aimedAt<TActionHideItem>(owner));
    // The first item of the scene carries an event too, so the added items load while the
    // scene's list is still being read.
    put(addEvent(target, 1), aimedAt<TActionShowItem>(add->Item));

    ASSERT_EQ(scene->ItemCount(), 5);
    const QStringList lines = saveLines(*scene);
    // Items owned by actions are written inside their action, not counted by the scene.
    EXPECT_EQ(lines.mid(lines.indexOf("TItemBase") - 1, 1), QStringList({"3"}));
    EXPECT_EQ(lines.filter("TActionGotoURL").size(), 1);
    EXPECT_TRUE(lines.contains("_self"));

    TScene* copy = reloadThroughFile(scene);
    EXPECT_EQ(saveLines(*copy), lines);
    ASSERT_EQ(copy->ItemCount(), 5);

    TItemBase* cOwner = copy->Item(1);
    ASSERT_EQ(cOwner->Name, "owner");
    ASSERT_EQ(cOwner->EventCount(), 1);
    const TBaseObjectCont& acts = cOwner->Event(0)->FActions;
    ASSERT_EQ(acts.Count(), 10);
    EXPECT_EQ(acts.As<TActionShowItem>(0)->Item, copy->Item(0));
    EXPECT_TRUE(acts.As<TActionHideItem>(1)->IsBackground());
    EXPECT_EQ(acts.As<TActionStopAnim>(2)->Item->Name, "top");
    EXPECT_EQ(acts.As<TActionGotoScene>(4)->Scene, other);
    const auto* u = acts.As<TActionGotoURL>(5);
    EXPECT_EQ(u->URL, "http://example.org/a b");
    EXPECT_EQ(u->Frame, "_self");
    EXPECT_TRUE(u->Relative);
    EXPECT_EQ(acts.As<TActionChangeColor>(6)->Color, 0x02FF8040u);
    EXPECT_TRUE(acts.As<TActionPlaySound>(7)->Loop);
    EXPECT_EQ(acts.As<TActionStopSound>(8)->DisplayName, "Sound/ding");

    const auto* cAdd = acts.As<TActionAddItem>(9);
    ASSERT_NE(cAdd->Item, nullptr);
    EXPECT_EQ(cAdd->Item->Name, "added");
    EXPECT_EQ(cAdd->Item->ActionOwner, cAdd);
    EXPECT_EQ(cAdd->Item->Graphic->ActionOwner, cAdd);
    EXPECT_FALSE(cAdd->Item->AddedByUserEvent);
    EXPECT_GE(copy->Items.IndexOf(cAdd->Item), 0);
    EXPECT_EQ(cAdd->Item->Event(0)->FActions.As<TActionHideItem>(0)->Item, cOwner);
    EXPECT_EQ(copy->Item(0)->Event(0)->FActions.As<TActionShowItem>(0)->Item, cAdd->Item);

    ASSERT_EQ(cOwner->Graphic->UserEvents.Count(), 1);
    const auto* cReplace = cOwner->Graphic->UserEvents.As<TActionReplaceItem>(0);
    EXPECT_TRUE(cReplace->IsUserEvent);
    EXPECT_TRUE(cReplace->Item->AddedByUserEvent);
    EXPECT_TRUE(cReplace->Item->Graphic->AddedByUserEvent);
    EXPECT_EQ(cReplace->UserDesc(), "Replace with: swap");
    (void)replace;
}

TEST_F(Records, SavingAShowActionWritesItsTargetsCurrentIndex)
{
    TItemBase* a = addImage(scene, "a");
    TItemBase* b = addImage(scene, "b");
    auto* show = put(addEvent(b, 0), aimedAt<TActionShowItem>(a));
    EXPECT_EQ(saveLines(*show).last(), "0");
    scene->Items.Move(0, 1);  // a to the front
    EXPECT_EQ(saveLines(*show).last(), "1");

    TScene* copy = reloadThroughFile(scene);
    EXPECT_EQ(copy->Item(0)->Name, "b");
    EXPECT_EQ(copy->Item(0)->Event(0)->FActions.As<TActionShowItem>(0)->Item, copy->Item(1));
}

TEST_F(Records, OldestFormatGotoUrlHasNoFrameLine)
{
    auto url = loadLines<TActionGotoURL>({"TActionGotoURL", "0", "http://x.example/", "1"}, nullptr, true);
    EXPECT_EQ(url->URL, "http://x.example/");
    EXPECT_EQ(url->Frame, "_self");
    EXPECT_TRUE(url->Relative);
    EXPECT_EQ(saveLines(*url, smProject, true), QStringList({"TActionGotoURL", "0", "http://x.example/", "1"}));
    EXPECT_EQ(saveLines(*url), QStringList({"TActionGotoURL", "0", "http://x.example/", "_self", "1"}));
}

TEST_F(Records, SoundNamesThatLeaveTheSoundFolderAreReadErrors)
{
    for (const QString name : {"../../etc/x", "/tmp/x", "a\\..\\..\\b", "C:x"}) {
        const QStringList play{"TActionPlaySound", "0", name, "0"}, stop{"TActionStopSound", "0", name};
        EXPECT_THROW(loadLines<TActionPlaySound>(play, nullptr), ReadError);
        EXPECT_THROW(loadLines<TActionStopSound>(stop, nullptr), ReadError);
    }
    EXPECT_EQ(loadLines<TActionPlaySound>({"TActionPlaySound", "0", "chime", "1"}, nullptr)->SoundName, "chime");
}

TEST_F(Records, UnresolvedReferencesFollowTheirRules)
{
    TItemBase* item = addImage(scene, "a");
    TTimeActions* e = addEvent(item, 0);
    // A go-to whose scene does not exist is written empty once linked; before linking (a copy
    // in memory) it keeps the name read.
    auto loose = loadLines<TActionGotoScene>({"TActionGotoScene", "0", "Nowhere"}, item);
    EXPECT_EQ(saveLines(*loose).last(), "Nowhere");
    TActionGotoScene* go = put(e, std::move(loose));
    EXPECT_EQ(go->Scene, nullptr);
    EXPECT_EQ(saveLines(*go).last(), "");

    // A show action whose index names no item does nothing and is written as read, and is not
    // taken for the background.
    TActionShowItem* show = put(e, loadLines<TActionShowItem>({"TActionShowItem", "0", "7"}, item));
    EXPECT_EQ(show->Item, nullptr);
    EXPECT_FALSE(show->IsBackground());
    scene->Stage->HideBackground = true;
    show->PlayAction(0, false);
    EXPECT_TRUE(scene->Stage->HideBackground);
    EXPECT_EQ(saveLines(*show).last(), "7");
}

TEST_F(Records, SoundNamesCountEveryPlayActionSorted)
{
    const QStringList before = SoundNames();
    {
        auto b1 = loadLines<TActionPlaySound>({"TActionPlaySound", "0", "bell", "0"}, nullptr);
        auto a = loadLines<TActionPlaySound>({"TActionPlaySound", "0", "Alarm", "1"}, nullptr);
        auto b2 = loadLines<TActionPlaySound>({"TActionPlaySound", "0", "bell", "0"}, nullptr);
        EXPECT_EQ(SoundNames(), QStringList({"Alarm", "bell", "bell"}));
        b1.reset();
        EXPECT_EQ(SoundNames(), QStringList({"Alarm", "bell"}));
        a->SetSound("cymbal");
        EXPECT_EQ(SoundNames(), QStringList({"bell", "cymbal"}));
        // A new action that never chose a sound takes nobody's entry when it goes.
        auto fresh = std::make_unique<TActionPlaySound>();
        fresh->SoundName = "bell";
        fresh.reset();
        EXPECT_EQ(SoundNames(), QStringList({"bell", "cymbal"}));
        TMediaList media;
        a->Loop = true;
        a->CollectMedia(media);
        EXPECT_EQ(media, TMediaList({{"cymbal", 1}}));
    }
    EXPECT_EQ(SoundNames(), before);
}

TEST_F(Records, ALargeTargetIsScaledIntoThePreviewAndCentred)
{
    makeImage("big", 200, 100);
    TItemBase* item = addImage(scene, "big");
    QImage preview(50, 50, QImage::Format_ARGB32);
    put(addEvent(item, 0), aimedAt<TActionShowItem>(item))->DrawPreview(preview);
    EXPECT_EQ(preview.pixel(25, 25), qRgb(200, 30, 30));   // 50 x 25 in the middle
    EXPECT_EQ(preview.pixel(25, 5), qRgb(255, 255, 255));  // the fill above it
}

} // namespace
