#include "core/errors.h"
#include "core/textcodec.h"
#include "core/textstr.h"
#include "docfixture.h"
#include "document/itemtext.h"
#include "recordclasses.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>

using namespace kav;
using namespace kavtest;

namespace {

// An object of the oldest files that a text record carries and nobody reads any more.
class OldFontRecord : public TBaseObject {
public:
    KAV_CLASS_NAME(TOldFont)
    using TBaseObject::TBaseObject;
    void Load(TTextStr& s) override { s.ReadInteger(), s.ReadString(); }
};

// A record as a file holds it: two lines, Wave and Typewriter, effects on, delay 2.
const QStringList kRecord = QString("TItemText|0|  deflib/cursors/00|  2|  'Hello'|  ' two '|  0|"
                                    "  Times New Roman;Banner|  18|  0|  0|  0|  0|  1|  0|  1|  0|  1|  2")
                                .split('|');

class TextFixture : public DocFixture {
protected:
    void SetUp() override
    {
        DocFixture::SetUp();
        SetFontList({TFontNames::FromLine("Times New Roman:Times:TimesRoman"),
                     TFontNames::FromLine("Arial:Helvetica:Helvetica"), TFontNames::FromLine("Courier New:Courier:Courier")});
    }
    void TearDown() override
    {
        SetCurrentLanguage("ENGLISH");
        ReloadFontList();
        DocFixture::TearDown();
    }

    TItemBase* addItem() { return static_cast<TItemBase*>(scene->Items.Add(std::make_unique<TItemBase>(scene))); }
    TItemText* addText(const QStringList& lines)
    {
        TItemBase* item = addItem();
        item->AttachGraphic(std::make_unique<TItemText>());
        auto* t = static_cast<TItemText*>(item->Graphic);
        t->SetLines(lines);
        return t;
    }
    TItemText* withEffects(TItemText* t, std::initializer_list<TTextEffect> effects, int delay = 1)
    {
        for (TTextEffect e : effects)
            t->SetEffect(e, true);
        t->EffectsEnabled = true;
        t->SetEffectDelay(delay);
        return t;
    }

    std::unique_ptr<TBaseObject> readRecord(const QStringList& lines, TItemBase* owner = nullptr, bool old = false)
    {
        QFile f(work.filePath("record.dat"));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write((lines.join("\r\n") + "\r\n").toUtf8());
        f.close();
        TTextStrFile s(f.fileName());
        s.OldFormat = old;
        s.OpenRead();
        auto o = TBaseObject::LoadClass(s, owner ? owner : addItem());
        if (old)
            EXPECT_EQ(s.ReadString(), "next");
        return o;
    }

    static QImage render(const TItemText& t, DrawStyle style = DrawStyle::Transparent)
    {
        QImage img(400, 160, QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        t.DrawText(p, 20, 20, style);
        return img;
    }
    // First and last columns, and first row, with ink in the rows [top, bottom).
    static QRect ink(const QImage& img, int top = 0, int bottom = 160)
    {
        QRect r;
        for (int y = top; y < bottom; ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixel(x, y) != qRgb(255, 255, 255))
                    r |= QRect(x, y, 1, 1);
        return r;
    }
};

using TextRecord = TextFixture;
using TextEffects = TextFixture;
using TextLayout = TextFixture;
using TextNaming = TextFixture;

} // namespace

// ---------------------------------------------------------------------------------------------
TEST_F(TextRecord, WaveAndTypewriterRecordReadsAndWritesBackByteForByte)
{
    TItemBase* item = addItem();
    auto o = readRecord(kRecord, item);
    auto* t = dynamic_cast<TItemText*>(o.get());
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->Lines, QStringList({"Hello", " two "}));
    EXPECT_EQ(t->Font.FontName, "Times New Roman");
    EXPECT_EQ(t->Font.FontJavaName, "TimesRoman");
    EXPECT_EQ(t->Font.Size, 18);
    EXPECT_EQ(t->Effects, TTextEffects(TeTolaat | teTypeWriter));
    EXPECT_TRUE(t->EffectsEnabled);
    EXPECT_EQ(t->EffectDelay, 2);
    EXPECT_EQ(item->Name, "Banner");

    TTextStrFile s(work.filePath("out.dat"));
    s.OpenWrite();
    t->Save(s, "");
    s.Commit();
    QFile f(s.FileName());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(f.readAll()), kRecord.join("\r\n") + "\r\n");

    // A font missing from the list falls back; reading a project leaves the user's defaults.
    settings().FontName = "Arial";
    QStringList rec = kRecord;
    rec[7] = "  Wingdings";
    auto w = readRecord(rec, item);
    EXPECT_EQ(static_cast<TItemText*>(w.get())->Font.FontJavaName, "TimesRoman");
    EXPECT_EQ(item->Name, "Hello");
    EXPECT_EQ(settings().FontName, "Arial");
}

TEST_F(TextRecord, EveryFieldSurvivesARoundTrip)
{
    TItemText* t = withEffects(addText({"  it's", "", "\u65E5\u672C\U0001F600"}),
                               {teBlink, TeTolaat, teElastic, teTypeWriter, teShrink, teNervous}, 20);
    t->EffectsEnabled = false;
    t->Item()->Name = "Name;with semicolon";
    t->SetFontName("Courier New");
    t->SetSize(31);
    t->SetTextStyle(fsBold | fsItalic);
    t->SetTextAlign(taCenter);
    t->SetSpacing(7);
    t->SetTextColor(0x020000FF);

    TTextStrMem m;
    m.OpenWrite();
    t->Save(m, "");
    m.OpenRead();
    TItemBase* other = addItem();
    auto o = TBaseObject::LoadClass(m, other);
    auto* r = static_cast<TItemText*>(o.get());
    EXPECT_EQ(m.Position, m.Lines.size());
    EXPECT_EQ(other->Name, "Name;with semicolon");
    EXPECT_EQ(std::tie(r->Lines, r->Font.FontJavaName, r->Font.Size, r->Font.Style, r->Font.TextColor, r->Spacing),
              std::tie(t->Lines, t->Font.FontJavaName, t->Font.Size, t->Font.Style, t->Font.TextColor, t->Spacing));
    EXPECT_EQ(std::tie(r->TextAlign, r->EffectsEnabled, r->EffectDelay, r->TextWidth),
              std::tie(t->TextAlign, t->EffectsEnabled, t->EffectDelay, t->TextWidth));
    EXPECT_EQ(r->Effects, t->Effects & ~TTextEffects(teNervous));  // never stored
}

TEST_F(TextRecord, OldestFormatSkipsItsEmbeddedObjectAndHasNoEffects)
{
    RegistryGuard guard({"TOldFont"});
    ClassRegistry().Register<OldFontRecord>();
    QStringList old = kRecord.mid(0, 12) << "  TOldFont" << "    12" << "    Arial" << "next";
    auto o = readRecord(old, nullptr, true);
    auto* t = static_cast<TItemText*>(o.get());
    EXPECT_EQ(t->Lines, QStringList({"Hello", " two "}));
    EXPECT_EQ(t->Effects, 0u);
    EXPECT_FALSE(t->EffectsEnabled);
    EXPECT_EQ(t->EffectDelay, 1);

    old[12] = "  TNoSuchClass";
    EXPECT_THROW(readRecord(old, nullptr, true), ReadError);

    // Old records inside old records end in a read error long before the stack does.
    QStringList deep;
    for (int i = 0; i < 20; ++i)
        deep << kRecord.mid(0, 12);
    deep << "  TOldFont" << "    12" << "    Arial" << "next";
    try {
        readRecord(deep, nullptr, true);
        ADD_FAILURE() << "read";
    } catch (const ReadError& e) {
        EXPECT_TRUE(e.reason().contains("nested")) << e.message().toStdString();
    }
}

TEST_F(TextRecord, BadNumbersAreReadErrors)
{
    const std::pair<int, const char*> cases[] = {
        {3, "  -1"}, {3, "  many"},              // line count
        {8, "  0"}, {8, "  201"}, {8, "  "},     // size
        {10, "  3"},                             // alignment
        {11, "  -2"}, {11, "  31"},              // spacing
        {18, "  0"}, {18, "  21"},               // effect delay: it divides the frame count
    };
    for (const auto& [line, value] : cases) {
        QStringList bad = kRecord;
        bad[line] = value;
        EXPECT_THROW(readRecord(bad), ReadError) << line << " " << value;
    }
    EXPECT_THROW(readRecord(kRecord.mid(0, 15)), ReadError);
}

TEST_F(TextRecord, JapaneseSessionReadsTextAsJapaneseTextAndKeepsNames)
{
    SetCurrentLanguage("JAPANESE");
    TItemBase* named = addItem();
    auto a = readRecord(kRecord, named);
    EXPECT_EQ(a->ClassName(), "TItemJapText");
    EXPECT_EQ(named->Name, "Banner");
    QStringList rec = kRecord;
    rec[7] = "  Times New Roman;";
    TItemBase* unnamed = addItem();
    auto b = readRecord(rec, unnamed);
    EXPECT_EQ(unnamed->Name, "Text");

    TTextStrMem m;
    m.OpenWrite();
    a->Save(m, "");
    SetCurrentLanguage("ENGLISH");
    m.OpenRead();
    EXPECT_EQ(TBaseObject::LoadClass(m, addItem())->ClassName(), "TItemJapText");
}

// ---------------------------------------------------------------------------------------------
TEST_F(TextEffects, TypewriterRevealsOneCharacterPerDelayAcrossLines)
{
    TItemText* t = withEffects(addText({"AB", "CD"}), {teTypeWriter}, 3);
    const std::pair<int, QStringList> frames[] = {{0, {"A"}}, {2, {"A"}}, {3, {"AB"}}, {6, {"AB", "C"}}};
    for (const auto& [frame, shown] : frames) {
        t->Advance(frame);
        EXPECT_EQ(render(*t), render(*addText(shown))) << frame;
    }
}

TEST_F(TextEffects, ZoomGrowsToFullSizeAndBackCentred)
{
    TItemText* t = withEffects(addText({"Wide line of text", "Short"}), {teShrink});
    const int sizes[] = {1, 4, 7, 11, 14, 18, 14, 11, 7, 4, 1};  // 2m/10 x 18, halves to even
    for (int a = 0; a <= 10; ++a) {
        t->Advance(a);
        EXPECT_EQ(t->ZoomSize, sizes[a]) << a;
    }
    // At full size Zoom draws exactly the centred text.
    TItemText* centred = addText(t->Lines);
    centred->SetTextAlign(taCenter);
    t->Advance(5);
    EXPECT_EQ(render(*t), render(*centred));

    t->SetSize(5);
    t->SetEffectDelay(2);
    t->Advance(3);
    EXPECT_EQ(t->ZoomSize, 2);  // 2 x 3 / 20 x 5 = 1.5
}

TEST_F(TextEffects, BungeeSwingsOutAndBackAndItsOffsetsAddUp)
{
    TItemText* t = withEffects(addText({"Bo"}), {teElastic}, 2);
    QList<int> steps;
    for (int a = 0; a < 122; a += 2) {
        t->Advance(a);
        steps.append(t->BungeeStep);
    }
    EXPECT_EQ(steps.mid(0, 3), QList<int>({1, 2, 3}));
    EXPECT_EQ(steps.mid(29, 4), QList<int>({30, 31, 30, 29}));
    EXPECT_EQ(steps.mid(59, 2), QList<int>({2, 1}));

    t->Advance(0);
    const QRect rest = ink(render(*t));
    t->Advance(60);
    const QRect spread = ink(render(*t));
    EXPECT_EQ(spread.left() - rest.left(), 31 - 1);
    EXPECT_EQ(spread.right() - rest.right(), 3 * 31 - 3 * 1);
}

TEST_F(TextEffects, BlinkingRepeatsForTheSameFrameAndWaveRaisesCharacters)
{
    TItemText* t = withEffects(addText({"Blinking text"}), {teBlink});
    t->Advance(7);
    const QImage a = render(*t);
    EXPECT_EQ(render(*t), a);
    t->Advance(8);
    EXPECT_NE(render(*t), a);

    TItemText* w = addText({"Wave"});
    const int restTop = ink(render(*w)).top();
    withEffects(w, {TeTolaat})->Advance(1);  // the second character at three times the size
    EXPECT_LT(ink(render(*w)).top(), restTop - 10);
}

TEST_F(TextEffects, GreyedTextIsSilverWhateverItsColourAndEffects)
{
    TItemText* t = addText({"Grey me", "too"});
    t->SetTextColor(0x000000FF);
    const QImage normal = render(*t);
    bool red = false;
    for (int y = 0; y < normal.height(); ++y)
        for (int x = 0; x < normal.width(); ++x)
            red = red || normal.pixel(x, y) == qRgb(255, 0, 0);
    EXPECT_TRUE(red);

    const QImage grey = render(*withEffects(t, {teBlink}), DrawStyle::Greyed);
    bool silver = false;
    for (int y = 0; y < grey.height(); ++y)
        for (int x = 0; x < grey.width(); ++x) {
            const QRgb c = grey.pixel(x, y);
            ASSERT_TRUE(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c) && qRed(c) >= 192) << x << "," << y;
            silver = silver || c == qRgb(192, 192, 192);
        }
    EXPECT_TRUE(silver);
}

// ---------------------------------------------------------------------------------------------
TEST_F(TextLayout, FontsArePointsAtNinetySixDotsPerInchInTheirMetricTwins)
{
    EXPECT_EQ(FontPixelSize(18), 24);
    EXPECT_EQ(FontPixelSize(2), 3);
    EXPECT_EQ(FontPixelSize(200), 267);
    EXPECT_EQ(RoundDivHalfEven(5, 2), 2);
    EXPECT_EQ(RoundDivHalfEven(-5, 2), -2);
    for (const auto& [name, twin] : {std::pair{"Times New Roman", "Liberation Serif"}, std::pair{"Arial", "Liberation Sans"},
                                     std::pair{"Courier New", "Liberation Mono"}})
        if (!QFontDatabase::hasFamily(name))
            EXPECT_EQ(QFontInfo(MakeTextFont(name, 18, 0)).family(), twin);
    // Japanese characters come from a Japanese family at full width.
    EXPECT_NEAR(QFontMetricsF(MakeTextFont("Arial", 18, 0)).horizontalAdvance(QString("\u3042")), 24.0, 1.0);
}

TEST_F(TextLayout, WidthsScaleWithSizeAndSpacing)
{
    TItemText* t = addText({"Scaling text", "", "x"});
    const int w18 = t->TextWidth, h18 = t->TextHeight;
    t->SetSize(36);
    EXPECT_NEAR(t->TextWidth, 2 * w18, 2);
    EXPECT_NEAR(t->TextHeight, 2 * h18, 3);
    EXPECT_EQ(t->TextHeight % 3, 0);  // the empty line counts as a full line
    const int w = t->TextWidth;
    t->SetSpacing(5);
    EXPECT_EQ(t->Width(), w + 11 * 5);

    TItemText* mono = addText({"iiii", "WWWW"});
    mono->SetFontName("Courier New");
    EXPECT_EQ(mono->LineWidth(0), mono->LineWidth(1));
    EXPECT_EQ(addText({})->Height(), 0);
}

TEST_F(TextLayout, AlignmentPlacesLinesWithinTheWidestLine)
{
    TItemText* t = addText({"A much longer line", "short", "mid length"});
    t->SetTextAlign(taRightJustify);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(t->LineOffset(i) + t->LineWidth(i), t->TextWidth) << i;
    const int lh = t->TextHeight / 3;
    EXPECT_NEAR(ink(render(*t), 20 + lh, 20 + 2 * lh).right(), 20 + t->TextWidth, 3);
    t->SetTextAlign(taCenter);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(t->LineOffset(i), RoundDivHalfEven(t->TextWidth - t->LineWidth(i), 2)) << i;
    EXPECT_NEAR(ink(render(*t), 20 + lh, 20 + 2 * lh).left(), 20 + t->LineOffset(1), 2);

    withEffects(t, {teBlink});  // effects on: lines start at the left, as the player is told
    EXPECT_EQ(t->LineOffset(1), 0);
}

TEST_F(TextLayout, BoundsAndThumbnailShowTheFirstFiveCharacters)
{
    TItemText* t = addText({"Thumbnail", "", "ab"});
    const QRect b = t->GetBounds();
    EXPECT_EQ(b.width(), qRound(QFontMetricsF(t->ItemFont(18)).horizontalAdvance("Thumb")));
    EXPECT_EQ(b.height(), t->TextHeight);
    QImage img(300, 160, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    t->DrawAt(p, QPoint(10, 10));
    p.end();
    EXPECT_TRUE(QRect(10, 10, b.width() + 1, b.height()).contains(ink(img)));

    // An italic j reaches left of its origin: the item's box grows on the left.
    TItemText* j = addText({"jump"});
    j->SetTextStyle(fsItalic);
    j->SetSize(60);
    EXPECT_GT(j->Item()->ExtraLeft, 0);
    EXPECT_EQ(j->GetBounds().width(), j->LeftOverhang + qRound(QFontMetricsF(j->ItemFont(60)).horizontalAdvance("jump")));
}

// ---------------------------------------------------------------------------------------------
TEST_F(TextNaming, NamesAndDescriptionsComeFromTheFirstLine)
{
    TItemText* t = addText({"   Spring sale now on at every store   ", "second"});
    EXPECT_EQ(t->Item()->Name, "Spring sal");
    EXPECT_EQ(t->GetMediaName(), "Spring sale now on at eve");
    t->SetItemName("Mine");
    EXPECT_EQ(t->Item()->Name, "Mine");
    t->SetLines({QString("\U0001F600").repeated(11)});
    EXPECT_EQ(TextCharacterCount(t->Item()->Name), 10);  // never half a character

    TItemText* none = addText({});
    EXPECT_EQ(none->Item()->Name, "NoName");
    EXPECT_EQ(none->GetMediaName(), "None");

    TItemBase* item = addItem();
    item->AttachGraphic(std::make_unique<TItemJapText>());
    static_cast<TItemText*>(item->Graphic)->SetLines({"\u3053\u3093\u306B\u3061\u306F"});
    EXPECT_EQ(item->Name, "Text");
    EXPECT_EQ(item->Graphic->GetMediaName(), QString("\u3053\u3093\u306B\u3061\u306F"));
}

TEST_F(TextNaming, SettersBecomeTheDefaultsForNewText)
{
    TItemText* t = addText({"Defaults"});
    t->SetFontName("Arial");
    t->SetSize(24);
    t->SetTextColor(0x00FF0000);
    EXPECT_EQ(settings().FontName, "Arial");
    EXPECT_EQ(settings().FontColor, 0x00FF0000u);

    TItemText* fresh = addText({"New"});
    EXPECT_EQ(fresh->Font.FontDisplayName, "Helvetica");
    EXPECT_EQ(fresh->Font.Size, 24);
    EXPECT_EQ(fresh->Effects, 0u);
    EXPECT_EQ(fresh->EffectDelay, 1);

    settings().FontSize = 11;
    t->SetSize(24);  // unchanged: stores nothing
    EXPECT_EQ(settings().FontSize, 11);
    t->SetSize(900);
    EXPECT_EQ(t->Font.Size, 200);
    t->SetFontName(QString(40, 'x'));
    EXPECT_EQ(t->Font.FontName, "Times New Roman");
}
