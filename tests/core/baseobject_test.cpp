#include "core/baseobject.h"
#include "core/errors.h"
#include "core/textcodec.h"
#include "core/textstr.h"
#include "recordclasses.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include "testfiles.h"

using namespace kav;
using namespace kavtest;

namespace {

// Logs which members are still in their list when they are destroyed.
struct Probe : TBaseObject {
    KAV_CLASS_NAME(Probe)
    Probe(QStringList* log, TBaseObjectCont* list, QString name) : log(log), list(list), name(std::move(name)) {}
    ~Probe() override { log->append(name + (list->IndexOf(this) < 0 ? ":out" : ":in")); }
    QStringList* log;
    TBaseObjectCont* list;
    QString name;
};

struct JapText : TBaseObject {
    KAV_CLASS_NAME(TItemJapText)
    using TBaseObject::TBaseObject;
};
struct PlainText : TBaseObject {
    KAV_CLASS_NAME(TItemText)
    using TBaseObject::TBaseObject;
};
} // namespace

// The example data file reads through the registry and writes back byte for byte.
TEST(Persistence, ExampleDataFileRoundTripsByteIdentical)
{
    RegistryGuard guard(RecordClassNames());
    RegisterRecordClasses();
    const QString source = QStringLiteral(KAV_TEST_DATA_DIR "/core/example-card.dat");
    TTextStrFile in(source);
    in.OpenRead();
    EXPECT_EQ(in.ReadString(), "Ver971112");
    const int w = in.ReadInteger(), h = in.ReadInteger();
    TBaseObjectCont scenes;
    scenes.LoadOf<TestScene>(in, nullptr);
    ASSERT_EQ(scenes.Count(), 1);
    auto* scene = scenes.As<TestScene>(0);
    EXPECT_EQ(scene->name, "Scene 1");
    EXPECT_EQ(scene->stage->values[2].toString(), "");
    ASSERT_EQ(scene->items.Count(), 1);
    auto* item = scene->items.As<TestItem>(0);
    EXPECT_EQ(item->Owner, scene);
    EXPECT_EQ(item->values[2].toInt(), 234);
    EXPECT_EQ(static_cast<FieldRecord*>(item->graphic.get())->values[1].toString(), "sun;sun");

    QTemporaryDir dir;
    TTextStrFile out(dir.filePath("Card.dat"));
    out.OpenWrite();
    out.WriteString("", "Ver971112");
    out.WriteInteger("", w);
    out.WriteInteger("", h);
    scenes.Save(out, "");
    out.Commit();
    EXPECT_EQ(get(dir.filePath("Card.dat")), get(source));

    // The same scene copied through the memory stream reads back equal.
    TTextStrMem mem;
    mem.OpenWrite();
    scene->Save(mem, "");
    mem.OpenRead();
    auto copy = TBaseObject::LoadClassAs<TestScene>(mem, nullptr);
    EXPECT_EQ(copy->items.As<TestItem>(0)->values, item->values);
    EXPECT_EQ(mem.Position, mem.Lines.size());
}

TEST(Persistence, UnknownOrUnexpectedClassesFailTheLoadCleanly)
{
    RegistryGuard guard(RecordClassNames());
    RegisterRecordClasses();
    TTextStrMem mem;
    mem.Lines = {"2", "TStage", "1", "2", "", "0", "0", "1", "0", "TNoSuchThing"};
    mem.OpenRead();
    TBaseObjectCont list;
    try {
        list.Load(mem, nullptr);
        FAIL();
    } catch (const ReadError& e) {
        EXPECT_EQ(e.line(), 10);
        EXPECT_TRUE(e.reason().contains("TNoSuchThing"));
    }
    // The member read before the failure stays; no empty slot is left behind.
    ASSERT_EQ(list.Count(), 1);
    EXPECT_NE(list.At(0), nullptr);

    TTextStrMem scenes;
    scenes.Lines = {"1", "TStage", "1", "2", "", "0", "0", "1", "0"};
    scenes.OpenRead();
    TBaseObjectCont sceneList;
    EXPECT_THROW(sceneList.LoadOf<TestScene>(scenes, nullptr), ReadError);
    EXPECT_EQ(sceneList.Count(), 0);

    TTextStrMem negative;
    negative.Lines = {"-3"};
    negative.OpenRead();
    EXPECT_THROW(sceneList.Load(negative, nullptr), ReadError);
}

TEST(Persistence, JapaneseLanguageReadsTextRecordsAsTheJapaneseClass)
{
    RegistryGuard guard({"TItemText", "TItemJapText"});
    ClassRegistry().Register<PlainText>();
    ClassRegistry().Register<JapText>();
    TTextStrMem mem;
    mem.Lines = {"TItemText"};
    mem.OpenRead();
    EXPECT_EQ(TBaseObject::LoadClass(mem, nullptr)->ClassName(), "TItemText");
    SetCurrentLanguage("JAPANESE");
    mem.OpenRead();
    EXPECT_EQ(TBaseObject::LoadClass(mem, nullptr)->ClassName(), "TItemJapText");
    SetCurrentLanguage("ENGLISH");
}

TEST(Containers, ClearDestroysFirstToLastOutOfTheList)
{
    QStringList log;
    TBaseObjectCont list;
    for (QString n : {"a", "b", "c"})
        list.Add(std::make_unique<Probe>(&log, &list, n));
    list.ClearItems();
    EXPECT_EQ(log, QStringList({"a:out", "b:out", "c:out"}));
    EXPECT_EQ(list.Count(), 0);

    TTextStrMem mem;
    mem.OpenWrite();
    list.Save(mem, "    ");
    EXPECT_EQ(mem.Lines, QStringList({"0"}));
}

TEST(Containers, DescriptionsAndClassesMatchCaseSensitively)
{
    QStringList log;
    TBaseObjectCont list;
    list.Add(std::make_unique<Probe>(&log, &list, "x"));
    EXPECT_NE(list.FindDesc("Probe"), nullptr);
    EXPECT_EQ(list.FindDesc("probe"), nullptr);
    QStringList lines;
    QList<TBaseObject*> objects;
    list.PutInListBox(lines, objects);
    EXPECT_EQ(lines, QStringList({"Probe"}));
    EXPECT_EQ(objects.value(0), list.At(0));

    RegistryGuard guard(RecordClassNames());
    RegisterRecordClasses();
    EXPECT_NE(ClassRegistry().FindClass("TScene"), nullptr);
    EXPECT_EQ(ClassRegistry().FindClass("tscene"), nullptr);
}

TEST(DebugObjects, CountersAndCreationLog)
{
    const auto before = TDebugObject::counters();
    QStringList log;
    {
        TBaseObjectCont list;
        list.Add(std::make_unique<TestStage>());
        auto after = TDebugObject::counters();
        EXPECT_EQ(after.live, before.live + 1);
        EXPECT_EQ(after.created, before.created + 1);
        EXPECT_EQ(after.liveBytes, before.liveBytes + qint64(sizeof(TestStage)));
        EXPECT_EQ(list.At(0)->CreationNo(), after.created);
    }
    EXPECT_EQ(TDebugObject::counters().live, before.live);
    EXPECT_EQ(TDebugObject::counters().liveBytes, before.liveBytes);
    EXPECT_TRUE(log.isEmpty());

    TDebugObject::SetLogSink([&](const QString& line) { log.append(line); });
    TDebugObject::SetCreationLogging(true);
    auto scene = std::make_unique<TestScene>();
    const int no = scene->CreationNo();
    scene->stage = std::make_unique<TestStage>(scene.get());
    EXPECT_EQ(TDebugObject::LiveObjects().size(), 2);
    scene.reset();
    TDebugObject::SetCreationLogging(false);
    TDebugObject::SetLogSink({});
    EXPECT_EQ(log, QStringList({QString("Created TScene # %1").arg(no), QString("Created TStage # %1").arg(no + 1),
                                QString("Destroyed TStage # %1").arg(no + 1), QString("Destroyed TScene # %1").arg(no)}));
}
