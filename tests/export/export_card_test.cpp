// The card string: token rules, media numbering, and the records as the player walks them.
#include "core/errors.h"
#include "docfixture.h"
#include "document/itemtext.h"
#include "events/actions.h"
#include "events/timeactions.h"
#include "document/fonttables.h"
#include "export_cardreader.h"
#include "ui/langstrings.h"

#include <QFontMetricsF>

using namespace kav;
using namespace kavtest;

namespace {

class CardTest : public DocFixture {
protected:
    void SetUp() override
    {
        DocFixture::SetUp();
        SetFontList({TFontNames::FromLine("Times New Roman:Times:TimesRoman"),
                     TFontNames::FromLine("Arial:Helvetica:Helvetica"), TFontNames::FromLine("Courier New:Courier:Courier")});
    }
    void TearDown() override
    {
        ClearExportLists();
        ReloadFontList();
        DocFixture::TearDown();
    }
    cardtest::Card card() { return cardtest::ReadCard(BuildCardString("ad")); }
    cardtest::Item& first() { return *(m_card = card()).scenes[0].items[0]; }

    TItemBase* addAnim(const QString& media, int frames, int loop)
    {
        auto* item = static_cast<TItemBase*>(scene->Items.Add(std::make_unique<TItemBase>(scene)));
        item->AttachGraphic(std::make_unique<TItemAnim>());
        static_cast<TItemAnim*>(item->Graphic)->AnimTempoLoop = loop;
        item->Graphic->SetMedia(Doc().AnimFolder(), media, frames);
        return item;
    }
    TItemText* addText(const QStringList& lines, int align)
    {
        auto* item = static_cast<TItemBase*>(scene->Items.Add(std::make_unique<TItemBase>(scene)));
        item->AttachGraphic(std::make_unique<TItemText>());
        auto* t = static_cast<TItemText*>(item->Graphic);
        t->SetFontName("Arial");
        t->SetSize(18);
        t->SetTextAlign(align);
        t->SetLines(lines);
        item->Path.PathPoints = {TStagePoint{200, 60}};
        return t;
    }
    template <class A>
    A* timed(TItemBase* item, int frame)
    {
        TTimeActions* e = item->FindTimedEvent(frame, 0);
        if (!e) {
            auto ev = std::make_unique<TTimeActions>(item);
            ev->Time = uint32_t(frame) << 16;
            e = ev.get();
            item->InsertTimedEvent(std::move(ev));
        }
        return static_cast<A*>(e->FActions.Add(std::make_unique<A>(item)));
    }
    template <class A>
    A* onClick(TItemBase* item)
    {
        return static_cast<A*>(item->Graphic->UserEvents.Add(std::make_unique<A>(item)));
    }

    cardtest::Card m_card;
};

class TActionMystery : public TActionBase {
public:
    KAV_CLASS_NAME(TActionMystery)
    using TActionBase::TActionBase;
};

} // namespace

// --- Tokens ------------------------------------------------------------------------------------

TEST(CardTokens, EscapesEmptyValuesAndQuotes)
{
    EXPECT_EQ(FlattenCardTokens({"a;b", "say \"hi\"", "", "'quoted'", "12.1", "ad/ver970815"}),
              "a/cb;say /qhi/q;0;quoted;12.1;ad/ver970815");
    // A slash that would read as an escape is marked, so URLs such as /cart come back whole.
    for (const QString& text : {QStringLiteral("http://shop.example.com/cart?q=1"), QStringLiteral("a/;b/\"c/!//end/")}) {
        const QString token = FlattenCardToken(text);
        EXPECT_FALSE(token.contains(';') || token.contains('"'));
        EXPECT_EQ(UnescapeCardToken(token), text);
    }
    EXPECT_EQ(FlattenCardToken("https://example.com/sunny"), "https://example.com/sunny");
}

TEST_F(CardTest, StringValuesComeBackExactly)
{
    scene->Name = "Say \"hi\"; now";
    TItemBase* item = addText({"'Tis the season", "", "x;y"}, taLeftJustify)->Item();
    onClick<TActionGotoURL>(item)->SetTarget("http://x.com/cart;id=\"7\"", "_top", false);
    const QString flat = BuildCardString("ad");
    EXPECT_TRUE(flat.contains(";Say /qhi/q/c now;"));
    const auto c = cardtest::ReadCard(flat);
    EXPECT_EQ(c.scenes[0].name, "Say \"hi\"; now");
    const auto& t = *c.scenes[0].items[0];
    EXPECT_EQ(t.name, "'Tis the s");  // named after its first line, quote and all
    EXPECT_EQ(t.lines, QStringList({"'Tis the season", " ", "x;y"}));
    const cardtest::Action& a = t.events.back().actions[0];
    EXPECT_EQ(a.p3.left(a.p2.toInt()), "http://x.com/cart;id=\"7\"");
    EXPECT_EQ(a.p3.mid(a.p2.toInt()), "_top");
}

// --- Media names -------------------------------------------------------------------------------

TEST_F(CardTest, NumberingWithAndWithoutBackground)
{
    makeImage("bg", 20, 10);
    makeImage("pic", 8, 6);
    addImage(scene, "pic");
    auto c = card();
    EXPECT_EQ(c.header, "ad/ver970815");
    EXPECT_EQ(c.scenes[0].background, "0");
    EXPECT_EQ(c.scenes[0].items[0]->gif, "Item0.gif");  // the empty background entry counts
    EXPECT_EQ(c.scenes[0].items[1]->gif, "Item1.gif");

    scene->Stage->SetBackground(Doc().ImageFolder(), "bg");
    c = card();
    const auto& s = c.scenes[0];
    EXPECT_EQ(s.background, "Item-1.gif");
    EXPECT_EQ(s.items[0]->gif, "Item0.gif");
    EXPECT_EQ(s.items[1]->name, "Dummy");
    EXPECT_EQ(s.items[1]->index, 1);
    EXPECT_EQ(s.items[1]->gif, "Item1.gif");
    EXPECT_EQ(s.itemCount, 2);
    EXPECT_EQ(scene->ItemCount(), 1);  // the placeholder is gone again
}

TEST_F(CardTest, SharedMediaGetOneNameAcrossItemsAndScenes)
{
    makeImage("bg", 20, 10);
    makeImage("pic", 8, 6);
    makeStrip("pic", 5, 3, 6);  // a strip of the same name is another picture
    TScene* second = SceneOps::AddScene();
    for (TScene* s : {scene, second}) {
        s->Stage->SetBackground(Doc().ImageFolder(), "bg");
        addImage(s, "pic");
    }
    addImage(scene, "pic");
    scene = second;
    addAnim("pic", 3, 0);
    const auto c = card();
    EXPECT_EQ(c.scenes[0].background, c.scenes[1].background);
    EXPECT_EQ(c.scenes[0].items[0]->gif, c.scenes[0].items[1]->gif);
    EXPECT_EQ(c.scenes[0].items[0]->gif, c.scenes[1].items[0]->gif);
    EXPECT_NE(c.scenes[1].items[1]->gif, c.scenes[1].items[0]->gif);
    EXPECT_EQ(ExportImageList().Count(), 4);  // bg, pic, the strip pic, Dummy
}

// --- Records -----------------------------------------------------------------------------------

TEST_F(CardTest, StageRecord)
{
    scene->Stage->Color = 0x00336699;        // red 0x99, green 0x66, blue 0x33
    scene->Stage->BorderColor = 0x02000080;  // the palette flag is not a colour
    scene->Stage->BorderWidth = 4;
    scene->Stage->BorderVisible = false;
    scene->Stage->TileStyle = tsBackground;
    auto s = card().scenes[0];
    EXPECT_EQ(QList<int>({s.color, s.borderColor, s.borderWidth, s.tile}), QList<int>({0x996633, 0x800000, 0, 0}));
    scene->Stage->BorderVisible = true;
    scene->Stage->TileStyle = tsTile;
    s = card().scenes[0];
    EXPECT_EQ(QList<int>({s.borderWidth, s.tile}), QList<int>({4, 1}));
}

TEST_F(CardTest, PathPointsAndBehaviour)
{
    makeImage("pic", 9, 7);
    TItemBase* item = addImage(scene, "pic");
    item->Path.PathPoints = {TStagePoint{100, 50}};
    const QStringList tokens = BuildCardTokens("ad");
    const qsizetype at = tokens.indexOf("pic");
    EXPECT_EQ(tokens.mid(at + 3, 3), QStringList({"0", "96", "47"}));  // count 0, x - 9 div 2, y - 7 div 2

    item->Path.PathPoints = QList<TStagePoint>(7, TStagePoint{10, 10});
    EXPECT_EQ(first().points.size(), 7u);
    const struct {
        uint8_t type;
        int repeat, expected;
    } cases[] = {{adtLoop, -1, 0}, {adtPath, -1, 0}, {adtPath, 0, -1}, {adtReturn, -1, 1}};
    for (const auto& k : cases) {
        item->Path.PathType = k.type;
        item->Path.RepeatCount = k.repeat;
        EXPECT_EQ(first().pathType, k.expected) << int(k.type) << " " << k.repeat;
    }
}

TEST_F(CardTest, FramesOfImagesAndAnimations)
{
    makeStrip("spin", 10, 5, 12);
    makeImage("pic", 4, 4);
    static_cast<TItemAnim*>(addAnim("spin", 5, 1)->Graphic)->Tempo = 7;
    addAnim("spin", 5, 0);
    addImage(scene, "pic");
    addAnim("nowhere", 6, 0);  // shown and exported as the placeholder, one frame
    const auto c = card();
    const auto& it = c.scenes[0].items;
    EXPECT_EQ(QStringList({it[0]->frames, it[1]->frames, it[2]->frames, it[3]->frames}), QStringList({"5.1", "5", "1", "1"}));
    EXPECT_EQ(QList<int>({it[0]->tempo, it[0]->width, it[0]->height, it[2]->tempo}), QList<int>({7, 10, 12, 1}));
    EXPECT_EQ(it[1]->gif, it[0]->gif);
}

TEST_F(CardTest, TextRecordAgreesWithTheEditorsLayout)
{
    TItemText* t = addText({"Wide line here", "ab"}, taRightJustify);
    t->SetTextColor(0x00102030);
    t->SetSpacing(2);
    auto it = first();
    EXPECT_EQ(QList<int>({it.px, it.color, it.spacing}), QList<int>({24, 0x302010, 2}));
    EXPECT_EQ(it.font, "Helvetica");
    EXPECT_EQ(it.offsets[0], 0);  // right-aligned lines end together
    EXPECT_EQ(it.offsets[1] + t->LineWidth(1), t->TextWidth);
    // The player is given the first baseline and the line height (less one) the editor draws with.
    const QFontMetricsF fm(t->ItemFont(18));
    EXPECT_EQ(it.points[0], QPoint(200 - t->TextWidth / 2, 60 - t->TextHeight / 2 + RoundHalfEven(fm.ascent())));
    EXPECT_EQ(it.lineHeight, RoundHalfEven(fm.height()) - 1);
    EXPECT_EQ(it.effects, QList<int>({0, 0, 0, 0, 0}));

    t->SetEffect(TeTolaat, true);
    t->SetEffect(teShrink, true);
    t->SetEffectDelay(4);
    t->EffectsEnabled = true;
    it = first();
    EXPECT_EQ(it.effects, QList<int>({0, 1, 0, 0, 1}));
    EXPECT_EQ(it.offsets, QList<int>({0, 0}));
    EXPECT_EQ(it.tempo, 4);
    t->EffectsEnabled = false;
    EXPECT_EQ(first().effects, QList<int>({0, 0, 0, 0, 0}));

    t->Font.FontJavaName = "Dialog";  // no tables: no baseline offset, no line height
    it = first();
    EXPECT_EQ(it.lineHeight, -1);
    EXPECT_EQ(it.points[0].y(), 60 - t->TextHeight / 2);
}

TEST_F(CardTest, EveryActionRecord)
{
    makeImage("a", 10, 10);
    makeImage("b", 10, 10);
    TItemBase* a = addImage(scene, "a");
    TItemBase* b = addImage(scene, "b");
    TScene* second = SceneOps::AddScene();
    timed<TActionStopSound>(a, 3)->SetSound("ding");  // before any play-sound names it
    timed<TActionHideItem>(a, 10)->SetTarget(b);
    timed<TActionShowItem>(a, 10)->SetTarget(nullptr);
    timed<TActionStopAnim>(a, 10)->SetTarget(b);
    timed<TActionContAnim>(a, 10)->SetTarget(b);
    timed<TActionChangeColor>(a, 10)->Color = 0x00FF8040;
    auto* play = timed<TActionPlaySound>(a, 10);
    play->SetSound("ding");
    play->Loop = true;
    timed<TActionGotoScene>(a, 10)->SetScene(second);
    timed<TActionGotoURL>(a, 10)->SetTarget("docs/a.html", "_blank", true);
    auto* lost = timed<TActionGotoScene>(a, 10);
    lost->SceneName = "Gone";
    lost->Link(&a->Event(1)->FActions, false);
    auto added = std::make_unique<TItemBase>(scene);
    added->AttachGraphic(std::make_unique<TItemImage>());
    added->Graphic->SetMedia(Doc().ImageFolder(), "b", 1);
    onClick<TActionAddItem>(b)->SetItem(std::move(added));

    const auto c = card();
    const auto& s = c.scenes[0];
    EXPECT_EQ(s.itemCount, 4);  // a, b, the added item, the placeholder
    ASSERT_EQ(s.items.size(), 3u);
    const auto& ev = s.items[0]->events;
    ASSERT_EQ(ev.size(), 2u);
    EXPECT_EQ(ev[0].frame, 3);
    EXPECT_EQ(ev[1].frame, 10);
    QStringList records;
    for (const auto& e : ev)
        for (const auto& x : e.actions)
            records << QStringList{QString::number(x.code), x.p1, x.p2, x.p3}.join(' ');
    EXPECT_EQ(records, QStringList({"6 0 0 Item0.au",  // named before a's own GIF
                                    "3 0 1 0", "3 1 -1 0", "4 0 1 0", "4 1 1 0",
                                    "5 0 " + QString::number(0x4080FF) + " 0", "6 1 1 Item0.au", "7 0 1 0",
                                    "8 1 11 docs/a.html_blank", "7 0 -1 0"}));
    const auto& click = s.items[1]->events;
    ASSERT_EQ(click.size(), 1u);
    EXPECT_EQ(click[0].frame, -1);
    ASSERT_EQ(click[0].actions[0].code, 2);
    EXPECT_EQ(click[0].actions[0].item->index, 2);
    EXPECT_EQ(click[0].actions[0].item->gif, s.items[1]->gif);
}

TEST_F(CardTest, AnUnknownActionIsAnErrorAndLeavesTheSceneAsItWas)
{
    makeImage("a", 10, 10);
    onClick<TActionMystery>(addImage(scene, "a"));
    try {
        BuildCardString("ad");
        FAIL() << "no error";
    } catch (const UserError& e) {
        EXPECT_EQ(e.message(), GetString("Error.UnknownAction"));
    }
    EXPECT_EQ(scene->ItemCount(), 1);
}

// --- Font tables -------------------------------------------------------------------------------

TEST(FontTables, FirstSizesAreThePlayersOwnAndTheRestTheEditorsFonts)
{
    const auto firstTen = [](const TIntArray* t) {
        QList<int> v;
        for (int i = 1; i <= 10; ++i)
            v << (*t)[i];
        return v;
    };
    EXPECT_EQ(firstTen(FontHeightTable("TimesRoman")), QList<int>({1, 2, 4, 5, 5, 6, 8, 10, 12, 12}));
    EXPECT_EQ(firstTen(FontHeightTable("courier")), QList<int>({1, 3, 3, 4, 6, 7, 8, 8, 12, 12}));
    EXPECT_EQ(firstTen(FontHeightTable("Helvetica")), QList<int>({1, 2, 4, 5, 6, 6, 7, 10, 12, 13}));
    EXPECT_EQ(firstTen(FontAscentTable("TimesRoman")), QList<int>({1, 2, 3, 4, 4, 5, 6, 8, 10, 10}));
    EXPECT_EQ(firstTen(FontAscentTable("Courier")), QList<int>({1, 2, 2, 3, 4, 5, 6, 6, 9, 9}));
    EXPECT_EQ(firstTen(FontAscentTable("Helvetica")), QList<int>({1, 2, 3, 4, 5, 5, 6, 8, 9, 10}));
    EXPECT_EQ(FontHeightTable("Dialog"), nullptr);

    const QPair<const char*, const char*> fonts[] = {{"TimesRoman", "Times New Roman"}, {"Courier", "Courier New"}, {"Helvetica", "Arial"}};
    for (const auto& [java, platform] : fonts)
        for (int points = 9; points <= 200; ++points) {  // 12 to 267 pixels
            const int px = FontPixelSize(points);
            const QFontMetricsF fm(MakeTextFont(platform, points, 0));
            ASSERT_EQ((*FontAscentTable(java))[px], RoundHalfEven(fm.ascent())) << java << " " << px;
            ASSERT_EQ((*FontHeightTable(java))[px], RoundHalfEven(fm.height())) << java << " " << px;
        }
}

// The card never carries an address that would run in the page hosting the banner, however it
// is disguised; what a browser would refuse or rewrite is written as it will be opened.
TEST_F(CardTest, AddressesAreWrittenAsTheBrowserWillOpenThem)
{
    TItemBase* item = addText({"Go"}, taLeftJustify)->Item();
    const QList<std::tuple<QString, bool, QString>> cases = {
        {"java\tscript:alert(1)", true, ""},
        {QString(QChar(1)) + "javascript:alert(2)", true, ""},
        {"vb\nscript:x", false, ""},
        {"DATA:text/html,x", false, ""},
        {"www.example.org/c", false, "https://www.example.org/c"},
        {"HTTPS://example.org/a b", false, "HTTPS://example.org/a b"},
        {"mailto:ads@example.org", false, "mailto:ads@example.org"},
        {"next/page.html", true, "next/page.html"},
    };
    for (const auto& [url, relative, want] : cases)
        timed<TActionGotoURL>(item, 1)->SetTarget(url, "_top", relative);
    const QString flat = BuildCardString("ad");
    const auto c = cardtest::ReadCard(flat);
    const auto& actions = c.scenes[0].items[0]->events[0].actions;
    ASSERT_EQ(actions.size(), cases.size());
    for (int i = 0; i < cases.size(); ++i)
        EXPECT_EQ(actions[i].p3.left(actions[i].p2.toInt()), std::get<2>(cases[i])) << std::get<0>(cases[i]).toStdString();
    EXPECT_EQ(CardWarnings().size(), 4);
    EXPECT_TRUE(CardWarnings().first().contains("opens nothing"));
}
