// Inputs that the fuzz targets of the document (fuzz/fuzz_carddata, fuzz/fuzz_pathfile) found to
// break a reader, kept so the fault stays fixed.
#include "document/project.h"
#include "core/errors.h"
#include "core/textstr.h"
#include "docfixture.h"
#include "events/actions.h"
#include "events/timeactions.h"

#include <QFile>

using namespace kav;
using namespace kavtest;

using FuzzRegressions = DocFixture;

namespace {
// An item record as a data file holds it, in memory: three path points, no events, the given
// repeat count, one way at speed 5, an image.
std::unique_ptr<TItemBase> itemWithRepeatCount(TScene* scene, int repeat)
{
    TTextStrMem mem;
    mem.Lines = {"TItemBase", "0", "3", "10", "20", "60", "5", "110", "20", "0", QString::number(repeat), "0", "5", "0",
                 "1", "TItemImage", "0", "deflib/cursors/00", "sun;sun"};
    std::unique_ptr<TBaseObject> o = ReadFromMemory(mem, scene);
    return std::unique_ptr<TItemBase>(static_cast<TItemBase*>(o.release()));
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// Reads a data file as opening a project does: the document points at the scenes being read.
void readCard(const QString& path, CardData& card)
{
    Doc().Scenes = &card.Scenes;
    ReadCardData(path, card, TProject::sceneHooks());
}

// Lines of a data file, CR LF after each.
QByteArray cardText(const QStringList& lines) { return (lines.join("\r\n") + "\r\n").toUtf8(); }
} // namespace

// fuzz_pathfile: the path of an item whose data file gave it the repeat count 2 (the path runs
// three times) was saved in the long layout ("911111", type, 2, points) and then refused when
// loaded again, because the path-file reader allowed only -1 and 0. It now takes every count an
// item can hold; below -1 is still an error.
TEST_F(FuzzRegressions, APathSavedWithARepeatCountFromADataFileLoadsAgain)
{
    std::unique_ptr<TItemBase> item = itemWithRepeatCount(scene, 2);
    ASSERT_EQ(item->Path.RepeatCount, 2);
    settings().MAgicNumber = 911111;
    const QByteArray text = item->Path.PathFileText();
    EXPECT_EQ(text, "911111\r\n0\r\n2\r\n3\r\n10\r\n20\r\n60\r\n5\r\n110\r\n20\r\n");

    TMotionPath back = item->Path;
    back.RepeatCount = -1;
    ASSERT_NO_THROW(back.LoadPathFileText("saved.pth", QString::fromLatin1(text)));
    EXPECT_EQ(back.RepeatCount, 2);
    EXPECT_EQ(back.PathPoints, item->Path.PathPoints);
    EXPECT_EQ(back.PathLengths, item->Path.PathLengths);

    TMotionPath refused = item->Path;
    EXPECT_THROW(refused.LoadPathFileText("bad.pth", "911111\r\n0\r\n-2\r\n1\r\n0\r\n0\r\n"), ReadError);
    EXPECT_EQ(refused.RepeatCount, 2);
    EXPECT_EQ(refused.PathPoints, item->Path.PathPoints);
}

// fuzz_carddata: an image whose stored name line was quoted with leading blanks
// ("'        sky;Swap", read as media "        sky" and name "Swa") was written back without the
// quotes, so the next read dropped the blanks and the file changed with every save. The same
// held for every string of the records, and a value starting with a quote (a scene called
// "'Tis") even lost its first and last characters. Such values are now written in quotes; plain
// ones keep their plain lines.
TEST_F(FuzzRegressions, StringsWithLeadingBlanksOrQuotesSurviveASaveAndRead)
{
    const QString card = work.filePath("Card.dat"), first = work.filePath("First.dat"), second = work.filePath("Second.dat");
    QFile f(card);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(cardText({"Ver971112", "468", "120", "2",
                      "TScene", "  ''Tis the season'", "  TStage", "    65280", "    255", "    ' bg'", "    0",
                      "    8388608", "    3", "    0",
                      "  1", "  TItemBase", "    0", "    1", "    10", "    20",
                      "    1", "    TTimeActions", "      0", "      3",
                      "      TActionGotoURL", "        0", "        '  page.html'", "        ''frame'", "        0",
                      "      TActionPlaySound", "        0", "        '  chime'", "        1",
                      "      TActionStopSound", "        0", "        '  chime'",
                      "    -1", "    0", "    5", "    0", "    1", "    TItemImage",
                      "    1", "    TActionGotoScene", "      0", "      ''Tis the season'",
                      "      ' cursor'", " '        sky;Swap",
                      "TScene", "  Plain", "  TStage", "    65280", "    255", "    sky", "    0", "    8388608", "    3",
                      "    0", "  1", "  TItemBase", "    0", "    1", "    30", "    40", "    0", "    -1", "    0",
                      "    5", "    0", "    1", "    TItemImage", "    0", "      deflib/cursors/00", "      sun;sun"}));
    f.close();

    CardData a;
    readCard(card, a);
    ASSERT_EQ(a.Scenes.Count(), 2);
    WriteCardData(first, a.StageWidth, a.StageHeight, a.Scenes);
    CardData b;
    readCard(first, b);
    WriteCardData(second, b.StageWidth, b.StageHeight, b.Scenes);
    EXPECT_EQ(fileBytes(second), fileBytes(first));

    const auto* s0 = static_cast<TScene*>(b.Scenes.At(0));
    EXPECT_EQ(s0->Name, "'Tis the season");
    EXPECT_EQ(s0->Stage->BackgroundImage, " bg");
    const TItemBase* item = s0->Item(0);
    EXPECT_EQ(static_cast<TItemImage*>(item->Graphic)->MediaName, "        sky");
    EXPECT_EQ(item->Name, "Swa");
    EXPECT_EQ(item->Graphic->Cursor, " cursor");
    const auto* url = static_cast<TActionGotoURL*>(item->Event(0)->FActions.At(0));
    EXPECT_EQ(url->URL, "  page.html");
    EXPECT_EQ(url->Frame, "'frame");
    EXPECT_EQ(static_cast<TActionPlaySound*>(item->Event(0)->FActions.At(1))->SoundName, "  chime");
    EXPECT_EQ(static_cast<TActionStopSound*>(item->Event(0)->FActions.At(2))->SoundName, "  chime");
    const auto* go = static_cast<TActionGotoScene*>(item->Graphic->UserEvents.At(0));
    EXPECT_EQ(go->Scene, s0);
    // Plain values are written as they are.
    EXPECT_TRUE(fileBytes(first).contains("\r\n  Plain\r\n"));
    EXPECT_TRUE(fileBytes(first).contains("\r\n    sky\r\n"));
    EXPECT_TRUE(fileBytes(first).contains("\r\n      sun;sun\r\n"));

    Doc().Scenes = &b.Scenes;
    b.Scenes.ClearItems();
    Doc().Scenes = &a.Scenes;
    a.Scenes.ClearItems();
    Doc().Scenes = &scenes;
}

TEST(QuotedWhenNeeded, QuotesExactlyWhatWouldNotReadBack)
{
    EXPECT_EQ(QuotedWhenNeeded(""), "");
    EXPECT_EQ(QuotedWhenNeeded("sun;sun"), "sun;sun");
    EXPECT_EQ(QuotedWhenNeeded("a 'b'"), "a 'b'");
    EXPECT_EQ(QuotedWhenNeeded("\tname"), "\tname");
    EXPECT_EQ(QuotedWhenNeeded(" name"), "' name'");
    EXPECT_EQ(QuotedWhenNeeded("'name"), "''name'");
    EXPECT_EQ(QuotedWhenNeeded("\t'name'"), "'\t'name''");
    EXPECT_EQ(QuotedWhenNeeded("\t"), "'\t'");
    for (const QString v : {QString(" a"), QString("'a'"), QString("\t"), QString("\t'x"), QString("x"), QString("")}) {
        TTextStrMem mem;
        mem.WriteString("", QuotedWhenNeeded(v));
        mem.OpenRead();
        EXPECT_EQ(mem.ReadString(), v);
    }
}
