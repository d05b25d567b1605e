#include "core/errors.h"
#include "core/mediacache.h"
#include "core/textstr.h"
#include "docfixture.h"
#include "document/selection.h"
#include "events/timeactions.h"

#include <QPainter>

using namespace kav;
using namespace kavtest;

namespace {
std::unique_ptr<TTextStrMem> saved(TBaseObject& o, TStreamMode mode = smProject)
{
    auto m = std::make_unique<TTextStrMem>();
    m->Mode = mode;
    m->OpenWrite();
    o.Save(*m, "");
    m->OpenRead();
    return m;
}
} // namespace

using Scenes = DocFixture;
using Items = DocFixture;
using Media = DocFixture;

TEST_F(Scenes, RecordsRoundTripAndLayersSortOnLoad)
{
    makeImage("sun", 10, 10);
    scene->Stage->Color = 0x00336699;
    scene->Stage->BorderVisible = true;
    scene->Stage->SetBackground(Doc().ImageFolder(), "sun");
    TItemBase* a = addImage(scene, "sun");
    TItemBase* b = addImage(scene, "sun");
    a->Path.PathPoints = {TStagePoint(-5, 7)};
    EXPECT_EQ(a->InstanceNo, 1);
    EXPECT_EQ(b->InstanceNo, 2);

    auto mem = saved(*scene);
    QStringList lines = mem->Lines;
    EXPECT_EQ(lines.mid(0, 4), QStringList({"TScene", "Scene 1", "TStage", QString::number(0x0000FF00)}));
    EXPECT_TRUE(lines.contains("-5"));
    auto copy = TBaseObject::LoadClassAs<TScene>(*mem, nullptr);
    copy->AfterLoad();
    EXPECT_EQ(copy->Stage->Color, 0x00336699u);
    EXPECT_EQ(copy->Stage->BackgroundImage, "sun");
    ASSERT_EQ(copy->ItemCount(), 2);
    EXPECT_EQ(copy->Item(0)->Path.PathPoints[0], TStagePoint(-5, 7));
    EXPECT_EQ(copy->Item(1)->InstanceNo, 2);
    EXPECT_EQ(saved(*copy)->Lines, lines);

    // Layers 2, 0, 1 in the file come back in the order 0, 1, 2.
    QStringList shuffled = lines;
    int layerLines[3];
    int n = 0;
    for (int i = 0; i < shuffled.size() && n < 2; ++i)
        if (shuffled[i] == "TItemBase")
            layerLines[n++] = i + 1;
    shuffled[layerLines[0]] = "1";
    shuffled[layerLines[1]] = "0";
    TTextStrMem in;
    in.Lines = shuffled;
    auto sorted = TBaseObject::LoadClassAs<TScene>(in, nullptr);
    sorted->AfterLoad();
    EXPECT_EQ(sorted->Item(0)->Path.PathPoints[0], TStagePoint(234, 60));
}

TEST_F(Scenes, OldFormatStageKeepsTheTransparentColour)
{
    Doc().TransparentColor = 0x00FF00FF;
    TTextStrMem in;
    in.Lines = {"TStage", "255", "", "1", "0", "3", "1"};
    in.OldFormat = true;
    auto stage = TBaseObject::LoadClassAs<TStage>(in, nullptr);
    EXPECT_EQ(Doc().TransparentColor, 0x00FF00FFu);
    EXPECT_EQ(stage->Color, 255u);
    EXPECT_EQ(stage->CurrentColor, 255u);
    EXPECT_EQ(stage->TileStyle, tsBackground);
}

TEST_F(Scenes, BackgroundTilesCentresAndBorderFills)
{
    QImage big(100, 100, QImage::Format_RGB32);
    big.fill(qRgb(0, 0, 255));
    big.setPixel(50, 50, qRgb(255, 0, 0));
    big.save(work.filePath("Image/big.bmp"), "BMP");
    TStage& st = *scene->Stage;
    st.Color = 0x00FFFFFF;
    st.CurrentColor = st.Color;
    st.SetBackground(Doc().ImageFolder(), "big");
    st.TileStyle = tsBackground;
    QImage out(40, 20, QImage::Format_RGB32);
    {
        QPainter p(&out);
        st.DrawBackground(p, out.rect(), 40, 20);
    }
    // Centred with negative offsets: the image's pixel (50, 50) lands at (20, 10).
    EXPECT_EQ(out.pixel(20, 10), qRgb(255, 0, 0));
    EXPECT_EQ(out.pixel(0, 0), qRgb(0, 0, 255));

    st.BorderVisible = true;
    st.BorderWidth = 10;  // half the height: the whole stage in the border colour
    st.BorderColor = 0x0000FF00;
    {
        QPainter p(&out);
        st.DrawBorder(p, out.rect());
    }
    EXPECT_EQ(out.pixel(20, 10), qRgb(0, 255, 0));
}

TEST_F(Scenes, SceneOperations)
{
    TScene* second = SceneOps::AddScene();
    EXPECT_EQ(second->Name, "Scene 2");
    makeImage("sun", 10, 10);
    addImage(second, "sun");
    TScene* third = SceneOps::DuplicateScene(second);
    EXPECT_EQ(third->Name, "Scene 3");
    EXPECT_EQ(third->ItemCount(), 1);
    EXPECT_NE(third->Item(0), second->Item(0));
    EXPECT_FALSE(SceneOps::RenameScene(third, ""));
    EXPECT_EQ(third->Name, "Scene 3");
    EXPECT_FALSE(SceneOps::CanChangeTransparentColor());
    SceneOps::DeleteScene(second);
    SceneOps::DeleteScene(third);
    EXPECT_EQ(Doc().SceneCount(), 1);
    EXPECT_TRUE(SceneOps::CanChangeTransparentColor());
    SceneOps::DeleteScene(Doc().Scene(0));  // the only scene: a fresh document
    ASSERT_EQ(Doc().SceneCount(), 1);
    EXPECT_EQ(Doc().Scene(0)->Name, "Scene 1");
}

TEST_F(Items, AnimationFramesLoopAndRest)
{
    makeStrip("spin", 10, 4, 8);
    auto item = std::make_unique<TItemBase>(scene);
    item->AttachGraphic(std::make_unique<TItemAnim>());
    auto* anim = static_cast<TItemAnim*>(item->Graphic);
    anim->SetMedia(Doc().AnimFolder(), "spin", 4);
    anim->Tempo = 3;
    anim->AnimTempoLoop = 2;
    QList<int> frames;
    for (int t = 0; t < 27; ++t) {
        anim->Advance(t);
        frames << anim->FrameIndex;
    }
    EXPECT_EQ(frames, QList<int>({0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 3, 3, 3}));
    // A strip 100 pixels wide in 3 frames gives frames 33 wide.
    makeStrip("wide", 1, 100, 5);
    anim->SetMedia(Doc().AnimFolder(), "wide", 3);
    EXPECT_EQ(anim->Width(), 33);
    EXPECT_EQ(anim->Bitmap->FrameCount(), 3);
}

TEST_F(Items, HitTestSkipsTransparentPixelsAndFindsParts)
{
    makeImage("box", 20, 10);
    TItemBase* item = addImage(scene, "box");
    item->Path.PathPoints = {TStagePoint(100, 50), TStagePoint(150, 50), TStagePoint(200, 50)};
    item->Path.Resample();
    item->ResetPosition();
    item->LayoutEventMarkers();
    EXPECT_EQ(item->HitTest(100, 50, false, false).kind, hkBody);
    EXPECT_EQ(item->HitTest(90, 45, false, false).kind, hkNone);  // the transparent corner
    EXPECT_EQ(item->HitTest(150, 52, true, false).kind, hkControlPoint);
    EXPECT_EQ(item->HitTest(150, 52, true, false).index, 1);
    EXPECT_EQ(item->HitTest(175, 50, true, false).kind, hkSample);
    const QRect bar = item->EventBar;
    EXPECT_EQ(item->HitTest(bar.left() + 10, bar.top() + 10, true, false).kind, hkEventBarTop);
    EXPECT_EQ(item->HitTest(bar.left() + 10, bar.top() + 50, true, false).kind, hkEventBarBottom);
}

TEST_F(Items, SpeedChangeKeepsEventsInPlace)
{
    makeImage("box", 10, 10);
    TItemBase* item = addImage(scene, "box");
    item->Path.PathPoints = {TStagePoint(0, 50), TStagePoint(200, 50), TStagePoint(400, 50)};
    item->Path.Resample();
    item->Path.Speed = 5;
    for (uint32_t frame : {40u, 41u}) {
        auto ev = std::make_unique<TTimeActions>(item);
        ev->Time = frame << 16;
        item->InsertTimedEvent(std::move(ev));
    }
    item->LayoutEventMarkers();
    const int markerBefore = item->Event(0)->MarkerX;
    item->SetSpeed(10);
    EXPECT_EQ(item->Event(0)->Time, 20u << 16);
    EXPECT_EQ(item->Event(1)->Time, (41u << 16) / 2);
    EXPECT_EQ(item->Event(0)->MarkerX, markerBefore);

    // Copy mode leaves the events out.
    auto mem = saved(*item, smCopy);
    auto copy = TBaseObject::LoadClassAs<TItemBase>(*mem, scene);
    EXPECT_EQ(copy->EventCount(), 0);
    EXPECT_EQ(copy->Path.PathPoints, item->Path.PathPoints);
}

TEST_F(Items, MalformedRecordsAreReadErrors)
{
    const QStringList good = {"TItemBase", "0", "1", "10", "20", "0", "-1", "0", "5", "0", "1", "TItemImage", "0",
                              "deflib/cursors/00", "sun;sun"};
    for (const auto& [line, bad] : QList<QPair<int, QString>>{{2, "0"}, {3, "40000"}, {7, "7"}, {8, "-2"}, {10, "0"}, {12, "-1"}}) {
        TTextStrMem in;
        in.Lines = good;
        in.Lines[line] = bad;
        EXPECT_THROW(TBaseObject::LoadClass(in, scene), ReadError) << "line " << line << " = " << bad.toStdString();
    }
    TTextStrMem in;
    in.Lines = good;
    EXPECT_NO_THROW(TBaseObject::LoadClass(in, scene));
}

TEST_F(Media, SharedBitmapsLiveWhileUsed)
{
    makeImage("sun", 8, 8);
    const int before = MediaCache().Count();
    TItemBase* a = addImage(scene, "sun");
    TItemBase* b = addImage(scene, "sun");
    auto* ia = static_cast<TItemImage*>(a->Graphic);
    auto* ib = static_cast<TItemImage*>(b->Graphic);
    EXPECT_EQ(ia->Bitmap, ib->Bitmap);
    // The key names the project's folder: another project's "sun" is another picture.
    const QString key = "Image|" + Doc().ImageFolder() + "sun";
    EXPECT_EQ(MediaCache().RefCount(key), 2);
    scene->Items.Delete(0);
    EXPECT_EQ(MediaCache().RefCount(key), 1);
    EXPECT_EQ(ib->Bitmap->FrameWidth(), 8);
    scene->Items.Delete(0);
    EXPECT_EQ(MediaCache().Find(key), nullptr);
    EXPECT_LE(MediaCache().Count(), before + 1);  // at most the placeholder stays
    MediaCache().Release(nullptr);
    TMaskedBitmap stray;
    MediaCache().Release(&stray);

    // Missing media load as the placeholder and never fail.
    TItemBase* c = addImage(scene, "missing");
    EXPECT_TRUE(static_cast<TItemImage*>(c->Graphic)->Bitmap->IsPlaceholder());
}

TEST(Selection, PicksKeepDescendingKeysAndReplaceOnPartPicks)
{
    TItemBase* a = reinterpret_cast<TItemBase*>(0x10);
    TSelectionCont sel;
    sel.AddPick(a, 2);
    sel.AddPick(a, 5);
    sel.AddPick(a, 3);
    ASSERT_EQ(sel.Count(), 3);
    EXPECT_EQ(sel.Entry(0)->Key, 5);
    EXPECT_EQ(sel.Entry(1)->Key, 3);
    EXPECT_EQ(sel.Entry(2)->Key, 2);
    sel.AddPick(a, 3);
    EXPECT_EQ(sel.Find(a, 3), 1);
    sel.SelectItem(a);
    sel.Pick(a, hkControlPoint, 4, false);
    ASSERT_EQ(sel.Count(), 1);
    EXPECT_EQ(sel.Entry(0)->Key, 4);
    sel.Pick(a, hkBody, 0, true);
    EXPECT_EQ(sel.Count(), 2);
}

TEST_F(Items, FlipMirrorsFramesInPlaceAndBack)
{
    makeStrip("run", 4, 2, 2);  // frame 0 colour 0, frame 1 colour 10
    QImage strip(work.filePath("Animation/run.bmp"));
    strip.setPixel(0, 0, qRgb(255, 0, 0));  // a marker in the left column of frame 0
    strip.save(work.filePath("Animation/run.bmp"), "BMP");
    auto item = std::make_unique<TItemBase>(scene);
    item->AttachGraphic(std::make_unique<TItemAnim>());
    auto* anim = static_cast<TItemAnim*>(item->Graphic);
    anim->SetMedia(Doc().AnimFolder(), "run", 2);
    anim->Flip();
    EXPECT_EQ(anim->MediaName, "run_flip");
    EXPECT_EQ(item->Name, "run_flip");
    const QImage flipped(work.filePath("Animation/run_flip.bmp"));
    EXPECT_EQ(flipped.pixel(3, 0), qRgb(255, 0, 0));   // mirrored inside frame 0
    EXPECT_EQ(flipped.pixel(4, 1), QImage(work.filePath("Animation/run.bmp")).pixel(7, 1));
    anim->Flip();
    EXPECT_EQ(anim->MediaName, "run");

    TItemBase* missing = addImage(scene, "nothing");
    EXPECT_THROW(static_cast<TItemImage*>(missing->Graphic)->Flip(), UserError);
}

TEST_F(Scenes, LayerCommandsMoveWithinTheList)
{
    makeImage("a", 4, 4);
    TItemBase* a = addImage(scene, "a");
    TItemBase* b = addImage(scene, "a");
    TItemBase* c = addImage(scene, "a");
    EXPECT_TRUE(SceneOps::MoveLayer(scene, a, SceneOps::LayerMove::ToFront));
    EXPECT_EQ(scene->Item(2), a);
    EXPECT_FALSE(SceneOps::MoveLayer(scene, a, SceneOps::LayerMove::Forward));
    EXPECT_TRUE(SceneOps::MoveLayer(scene, c, SceneOps::LayerMove::Backward));
    EXPECT_EQ(scene->Item(0), c);
    EXPECT_EQ(scene->Item(1), b);
    EXPECT_TRUE(SceneOps::MoveLayer(scene, a, SceneOps::LayerMove::ToBack));
    EXPECT_EQ(scene->Item(0), a);
}
