// What a data file may hold: media inside the project's folders, sizes that keep memory in
// proportion to the file, values that cannot overflow, and the order loading gives.
#include "core/errors.h"
#include "core/textstr.h"
#include "docfixture.h"
#include "document/itemtext.h"
#include "core/limits.h"
#include "events/actions.h"
#include "events/timeactions.h"
#include "export/cardstring.h"

using namespace kav;
using namespace kavtest;

namespace {
QStringList imageItem(const QString& layer, const QString& stored, const QStringList& events = {"0"})
{
    return QStringList{"TItemBase", layer, "1", "10", "20"} + events +
           QStringList{"-1", "0", "5", "0", "1", "TItemImage", "0", "deflib/cursors/00", stored};
}

QStringList event(uint32_t time, const QString& tag)
{
    return {"TTimeActions", QString::number(time), "1", "TActionChangeColor", "0", tag};
}

QStringList sceneWith(const QList<QStringList>& items, const QString& background = {})
{
    QStringList lines{"TScene", "Scene", "TStage", "65280", "255", background, "0", "0", "0", "0", QString::number(items.size())};
    for (const QStringList& item : items)
        lines += item;
    return lines;
}

std::unique_ptr<TScene> load(const QStringList& lines)
{
    TTextStrMem in;
    in.Lines = lines;
    auto scene = TBaseObject::LoadClassAs<TScene>(in, nullptr);
    scene->AfterLoad();
    return scene;
}

QString readError(const QStringList& lines)
{
    try {
        load(lines);
    } catch (const ReadError& e) {
        return e.reason();
    }
    return QString();
}

QStringList appletStage(TStage& stage)
{
    TTextStrMem out;
    out.Mode = smApplet;
    out.OpenWrite();
    stage.Save(out, "");
    ClearExportLists();
    return out.Lines;
}
} // namespace

using LoadOrder = DocFixture;
using DocumentLimits = DocFixture;

TEST_F(LoadOrder, EqualLayersAndTimesKeepTheOrderOfTheFile)
{
    makeImage("a", 4, 4);
    makeImage("b", 4, 4);
    auto s = load(sceneWith({imageItem("1", "a;first"), imageItem("1", "a;second"), imageItem("0", "b;third"),
                             imageItem("0", "a;fourth", QStringList{"4"} + event(5 << 16, "1") + event(3 << 16, "2") +
                                                           event(5 << 16, "3") + event(1 << 16, "4"))}));
    QStringList names;
    QList<int> numbers;
    for (int i = 0; i < s->ItemCount(); ++i) {
        names << s->Item(i)->Name;
        numbers << s->Item(i)->InstanceNo;
    }
    EXPECT_EQ(names, QStringList({"third", "fourth", "first", "second"}));
    EXPECT_EQ(numbers, QList<int>({1, 1, 2, 3}));  // like items counted in the new order

    const TItemBase* timed = s->Item(1);
    QList<uint32_t> times;
    QList<uint32_t> colours;
    for (int e = 0; e < timed->EventCount(); ++e) {
        times << (timed->Event(e)->Time >> 16);
        colours << static_cast<TActionChangeColor*>(timed->Event(e)->FActions.At(0))->Color;
    }
    EXPECT_EQ(times, QList<uint32_t>({1, 3, 5, 5}));
    EXPECT_EQ(colours, QList<uint32_t>({4, 2, 1, 3}));
}

TEST_F(DocumentLimits, MediaNamesThatLeaveTheProjectAreReadErrors)
{
    for (const QString& name : {"../x", "../../etc/passwd", "/etc/passwd", "..\\..\\x", "sub/x", ".."}) {
        const QString reason = readError(sceneWith({imageItem("0", name + ";hero")}));
        EXPECT_EQ(reason, "item 'hero': the media name '" + name + "' does not name a file of the project's Image folder");
        EXPECT_TRUE(readError(sceneWith({}, name)).startsWith("scene 'Scene': the background '" + name + "'")) << name.toStdString();
    }
    EXPECT_EQ(readError(sceneWith({imageItem("0", "sun;sun"), imageItem("0", ";blank")}, "sky")), QString());
}

TEST_F(DocumentLimits, SizesBeyondWhatThePlayerPlaysAreReadErrors)
{
    // The count alone decides: the reader does not first allocate or read a million points.
    QStringList huge = imageItem("0", "sun;sun");
    huge[2] = QString::number(Limits::kMaxPathPoints + 2);
    EXPECT_TRUE(readError(sceneWith({huge})).startsWith("a path of 1000003 points is more than")) << readError(sceneWith({huge})).toStdString();

    auto text = std::make_unique<TItemText>();
    text->SetLines({QString(Limits::kMaxTextLineLength + 1, 'w')});
    TTextStrMem mem;
    mem.OpenWrite();
    text->Save(mem, "");
    mem.OpenRead();
    try {
        TBaseObject::LoadClass(mem, nullptr);
        ADD_FAILURE();
    } catch (const ReadError& e) {
        EXPECT_TRUE(e.reason().startsWith("a text line of 10001 characters")) << e.message().toStdString();
    }
}

TEST_F(DocumentLimits, ExtremeBorderAndTileValuesNeitherOverflowNorLeaveThePlayersRange)
{
    TStage& stage = *scene->Stage;
    stage.BorderVisible = true;
    for (const auto& [width, drawn] : QList<QPair<int32_t, int>>{{INT32_MIN, 0}, {-7, 0}, {3, 3}, {INT32_MAX, Limits::kMaxBorderWidth}}) {
        stage.BorderWidth = width;
        const QRect inner = stage.InnerArea(468, 120);
        EXPECT_EQ(inner.left(), drawn) << width;
        EXPECT_LE(inner.width(), 468) << width;
        EXPECT_EQ(appletStage(stage).value(4), QString::number(drawn)) << width;
    }
    // Only the centred style centres; every other value tiles.
    for (const auto& [style, tiles] : QList<QPair<int32_t, QString>>{{INT32_MIN, "1"}, {0, "1"}, {1, "0"}, {7, "1"}}) {
        stage.TileStyle = style;
        EXPECT_EQ(appletStage(stage).value(2), tiles) << style;
    }
}
