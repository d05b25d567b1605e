// References between actions and their targets: removing a target takes the actions aimed at
// it along, and no order of destruction leaves a reference to a destroyed object.
#include "eventsupport.h"

using namespace kav;
using namespace kavtest;

namespace {

using Links = EventFixture;

TEST_F(Links, DeletingASceneDestroysTheGotoActionsAimedAtIt)
{
    TScene* intro = addScene("Scene 2");
    TScene* finale = addScene("Scene 3");
    TItemBase* item = addImage(scene, "a");
    TTimeActions* e = addEvent(item, 5);
    put(e, gotoScene(intro));
    TActionGotoScene* toFinale = put(e, gotoScene(finale));
    put(e, gotoScene(intro));
    putUser(item, gotoScene(intro));
    // An action in the deleted scene aimed elsewhere goes with its scene.
    TItemBase* inIntro = addImage(intro, "b");
    put(addEvent(inIntro, 0), gotoScene(scene));
    ASSERT_EQ(intro->GotoLinks.size(), 3);

    SceneOps::RenameScene(intro, "Intro");
    EXPECT_EQ(e->FActions.As<TActionGotoScene>(0)->SceneName, "Intro");
    EXPECT_EQ(saveLines(*e->FActions.At(0)).last(), "Intro");

    SceneOps::DeleteScene(intro);
    ASSERT_EQ(e->FActions.Count(), 1);
    EXPECT_EQ(e->FActions.At(0), toFinale);
    EXPECT_TRUE(item->Graphic->UserEvents.IsEmpty());
    EXPECT_TRUE(scene->GotoLinks.isEmpty());

    SceneOps::DeleteScene(finale);
    EXPECT_TRUE(e->FActions.IsEmpty());
    TTimeActions* none = nullptr;
    item->NormalizeTimedEvents(none);
    EXPECT_EQ(item->EventCount(), 0);
}

TEST_F(Links, AGotoGoesWithTheFirstOfTwoScenesOfItsName)
{
    TScene* twin1 = addScene("Twin");
    TScene* twin2 = addScene("Twin");
    TItemBase* item = addImage(scene, "a");
    TTimeActions* e = addEvent(item, 0);
    TActionGotoScene* go = put(e, gotoScene(twin2));
    EXPECT_EQ(go->Scene, twin1);  // linking finds targets by name, as loading does
    SceneOps::DeleteScene(twin1);
    EXPECT_TRUE(e->FActions.IsEmpty());
    EXPECT_TRUE(twin2->GotoLinks.isEmpty());
}

TEST_F(Links, RemovingAnItemDestroysEveryActionAimedAtIt)
{
    TItemBase* a = addImage(scene, "a");
    TItemBase* b = addImage(scene, "b");
    TTimeActions* mixed = addEvent(b, 5);
    put(mixed, aimedAt<TActionShowItem>(a));
    auto* bg = put(mixed, aimedAt<TActionHideItem>(nullptr));
    auto* freeze = put(mixed, aimedAt<TActionStopAnim>(b));
    TTimeActions* onlyA = addEvent(b, 9);
    put(onlyA, aimedAt<TActionContAnim>(a));
    putUser(b, aimedAt<TActionHideItem>(a));
    put(addEvent(a, 1), aimedAt<TActionHideItem>(a));  // aimed at itself

    TTimeActions* current = onlyA;  // open in the editor: kept only while it exists
    RemoveItemFromScene(a, &current);
    EXPECT_EQ(scene->ItemCount(), 1);
    ASSERT_EQ(b->EventCount(), 2);
    EXPECT_EQ(b->Event(0), mixed);
    ASSERT_EQ(mixed->FActions.Count(), 2);
    EXPECT_EQ(mixed->FActions.At(0), bg);
    EXPECT_EQ(mixed->FActions.At(1), freeze);
    EXPECT_TRUE(b->Graphic->UserEvents.IsEmpty());
    EXPECT_EQ(current, onlyA);  // an empty event survives normalisation while it is edited

    current = mixed;
    RemoveItemFromScene(b, &current);
    EXPECT_EQ(current, nullptr);
    EXPECT_EQ(scene->ItemCount(), 0);
}

TEST_F(Links, DestroyingAnAddActionTakesItsItemOffTheScene)
{
    TItemBase* a = addImage(scene, "a");
    TItemBase* b = addImage(scene, "b");
    TTimeActions* e = addEvent(b, 5);
    TActionAddItem* add = addItemAction(e, "c");
    TItemBase* c = add->Item;
    ASSERT_EQ(scene->ItemCount(), 3);
    EXPECT_EQ(scene->Item(2), c);
    EXPECT_EQ(c->Scene(), scene);
    auto* showC = put(addEvent(a, 0), aimedAt<TActionShowItem>(c));
    put(addEvent(c, 0), aimedAt<TActionHideItem>(a));
    ASSERT_EQ(a->ActionLinks.size(), 1);

    // The action goes (deleted in the event dialog): its item leaves the scene and is
    // destroyed, and so is every action aimed at that item.
    add->RemoveAndDestroy();
    EXPECT_EQ(scene->ItemCount(), 2);
    EXPECT_TRUE(e->FActions.IsEmpty());
    EXPECT_TRUE(a->Event(0)->FActions.IsEmpty());
    EXPECT_TRUE(a->ActionLinks.isEmpty());
    (void)showC;
}

TEST_F(Links, RemovingAnAddedItemRemovesTheActionThatAddsIt)
{
    TItemBase* a = addImage(scene, "a");
    TTimeActions* e = addEvent(a, 5);
    TActionAddItem* add = addItemAction(e, "c");
    put(e, aimedAt<TActionShowItem>(add->Item));
    auto* colour = put(e, std::make_unique<TActionChangeColor>());

    RemoveItemFromScene(add->Item);
    EXPECT_EQ(scene->ItemCount(), 1);
    ASSERT_EQ(e->FActions.Count(), 1);
    EXPECT_EQ(e->FActions.At(0), colour);
}

TEST_F(Links, DeletingAnItemDeletesTheItemsItsActionsAdd)
{
    TItemBase* a = addImage(scene, "a");
    TItemBase* b = addImage(scene, "b");
    TActionAddItem* add = addItemAction(addEvent(b, 5), "c");
    // Nested: the added item adds another one for a click.
    TItemBase* c = add->Item;
    addItemAction(nullptr, "d", true, c);
    put(addEvent(a, 0), aimedAt<TActionShowItem>(c));
    ASSERT_EQ(scene->ItemCount(), 4);

    RemoveItemFromScene(b);
    ASSERT_EQ(scene->ItemCount(), 1);
    EXPECT_EQ(scene->Item(0), a);
    EXPECT_EQ(a->EventCount(), 0);  // its only event lost its action
}

TEST_F(Links, AnAddedItemDestroyedBehindItsActionsBackTakesTheActionAlong)
{
    TItemBase* a = addImage(scene, "a");
    TTimeActions* e = addEvent(a, 5);
    TActionAddItem* add = addItemAction(e, "c");
    scene->Items.Delete(scene->Items.IndexOf(add->Item));
    EXPECT_TRUE(e->FActions.IsEmpty());
    EXPECT_EQ(scene->ItemCount(), 1);
}

TEST_F(Links, ActionsInNoListForgetTargetsThatGo)
{
    TScene* other = addScene("Other");
    TItemBase* a = addImage(scene, "a");
    TItemBase* b = addImage(scene, "b");
    // Being set up by the action chooser: aimed, but not yet in an event.
    auto show = std::make_unique<TActionShowItem>(b);
    show->SetTarget(a);
    auto go = std::make_unique<TActionGotoScene>(b);
    go->SetScene(other);
    auto add = std::make_unique<TActionAddItem>(b);
    add->SetItem([] {
        auto item = std::make_unique<TItemBase>();
        item->AttachGraphic(std::make_unique<TItemImage>());
        return item;
    }());
    ASSERT_EQ(scene->ItemCount(), 3);

    RemoveItemFromScene(a);
    SceneOps::DeleteScene(other);
    EXPECT_EQ(show->Item, nullptr);
    EXPECT_FALSE(show->IsBackground());
    EXPECT_EQ(go->Scene, nullptr);
    // The scene goes while the action still holds its added item.
    scenes.ClearItems();
    EXPECT_NE(add->Item, nullptr);
    EXPECT_EQ(add->Item->Scene(), nullptr);
    show.reset();
    go.reset();
    add.reset();
}

TEST_F(Links, MergingEqualTimesKeepsActionOrderAndRepointsTheirList)
{
    TItemBase* a = addImage(scene, "a");
    TItemBase* b = addImage(scene, "b");
    TTimeActions* first = addEvent(b, 10);
    auto* s1 = put(first, aimedAt<TActionShowItem>(a));
    auto* s2 = put(first, std::make_unique<TActionChangeColor>());
    TTimeActions* second = addEvent(b, 20);
    auto* s3 = put(second, aimedAt<TActionHideItem>(a));
    auto* s4 = put(second, gotoScene(scene));

    second->Time = first->Time;  // dragged onto the first
    TTimeActions* current = second;
    EXPECT_TRUE(b->NormalizeTimedEvents(current));
    ASSERT_EQ(b->EventCount(), 1);
    EXPECT_EQ(current, first);
    const TBaseObjectCont& acts = first->FActions;
    ASSERT_EQ(acts.Count(), 4);
    EXPECT_EQ(acts.At(0), s1);
    EXPECT_EQ(acts.At(1), s2);
    EXPECT_EQ(acts.At(2), s3);
    EXPECT_EQ(acts.At(3), s4);
    EXPECT_EQ(s3->ParentList, &first->FActions);

    // The moved actions leave the right list when their targets go.
    RemoveItemFromScene(a);
    ASSERT_EQ(first->FActions.Count(), 2);
    EXPECT_EQ(first->FActions.At(1), s4);
}

TEST_F(Links, AnEmptyEventGoesAtNormalisationUnlessItIsEdited)
{
    TItemBase* a = addImage(scene, "a");
    TTimeActions* kept = addEvent(a, 3);
    addEvent(a, 4);
    put(addEvent(a, 8), std::make_unique<TActionChangeColor>());
    TTimeActions* current = kept;
    a->NormalizeTimedEvents(current);
    ASSERT_EQ(a->EventCount(), 2);
    EXPECT_EQ(a->Event(0), kept);
    EXPECT_EQ(current, kept);
    current = nullptr;
    a->NormalizeTimedEvents(current);
    EXPECT_EQ(a->EventCount(), 1);
}

// A document with references across items and scenes in every direction.
class Teardown : public EventFixture {
protected:
    // Counts live objects from an empty document on.
    int64_t startCount()
    {
        scenes.ClearItems();
        const int64_t live = TDebugObject::counters().live;
        scene = addScene("Scene 1");
        return live;
    }
    void build()
    {
        TScene* s2 = addScene("Scene 2");
        TScene* s3 = addScene("Scene 3");
        TScene* all[3] = {scene, s2, s3};
        for (int k = 0; k < 3; ++k) {
            TScene* s = all[k];
            TItemBase* a = addImage(s, "a");
            TItemBase* b = addImage(s, "b");
            TTimeActions* ea = addEvent(a, 1);
            TTimeActions* eb = addEvent(b, 2);
            put(ea, gotoScene(all[(k + 1) % 3]));
            put(eb, gotoScene(all[(k + 2) % 3]));
            put(ea, gotoScene(s));
            put(ea, aimedAt<TActionHideItem>(b));
            put(eb, aimedAt<TActionShowItem>(a));
            TActionAddItem* add = addItemAction(eb, "c");
            TItemBase* c = add->Item;
            put(addEvent(c, 0), aimedAt<TActionHideItem>(b));
            put(addEvent(c, 1), gotoScene(all[(k + 1) % 3]));
            put(ea, aimedAt<TActionStopAnim>(c));
            TActionReplaceItem* rep = addItemAction<TActionReplaceItem>(nullptr, "d", true, c);
            putUser(rep->Item, aimedAt<TActionShowItem>(a));
            putUser(a, aimedAt<TActionContAnim>(rep->Item));
            auto play = std::make_unique<TActionPlaySound>();
            play->SetSound("tune");
            put(ea, std::move(play));
            // Sorted after b so that b goes first when the scene clears its items.
            s->Items.Move(s->Items.IndexOf(a), s->ItemCount() - 1);
        }
    }
};

TEST_F(Teardown, WholeDocumentGoesWithoutLeaks)
{
    const int64_t live = startCount();
    const int sounds = int(SoundNames().size());
    build();
    EXPECT_GT(TDebugObject::counters().live, live);
    scenes.ClearItems();
    scene = nullptr;
    EXPECT_EQ(TDebugObject::counters().live, live);
    EXPECT_EQ(int(SoundNames().size()), sounds);
}

TEST_F(Teardown, LoadedDocumentGoesLastSceneFirstToo)
{
    const int64_t live = startCount();
    build();
    // Through a file and back: three fresh scenes, linked once all exist.
    TBaseObjectCont copies;
    {
        const QString file = work.filePath("doc.dat");
        TTextStrFile out(file);
        out.OpenWrite();
        scenes.Save(out, QString());
        out.Commit();
        scenes.ClearItems();
        scene = nullptr;
        TTextStrFile in(file);
        in.OpenRead();
        Doc().Scenes = &copies;
        copies.LoadOf<TScene>(in, nullptr);
        for (const auto& s : copies)
            static_cast<TScene*>(s.get())->AfterLoad();
    }
    ASSERT_EQ(copies.Count(), 3);
    EXPECT_EQ(static_cast<TScene*>(copies.At(0))->GotoLinks.size(), 4);
    while (!copies.IsEmpty())
        copies.Delete(copies.Count() - 1);
    Doc().Scenes = &scenes;
    EXPECT_EQ(TDebugObject::counters().live, live);
}

} // namespace
