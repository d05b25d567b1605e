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

namespace {
// Sees the rest of its list while it is destroyed, and may take a later member with it.
struct Witness : TBaseObject {
    KAV_CLASS_NAME(Witness)
    Witness(QStringList* log, TBaseObjectCont* list, int key) : log(log), list(list), key(key) {}
    ~Witness() override
    {
        QStringList rest;
        for (int i = 0; i < list->Count(); ++i)
            rest << QString::number(static_cast<Witness*>(list->At(i))->key);
        log->append(QString::number(key) + "[" + rest.join(',') + "]");
        if (takes)
            list->Extract(takes).reset();
    }
    QStringList* log;
    TBaseObjectCont* list;
    int key;
    TBaseObject* takes = nullptr;
};
} // namespace

TEST(Containers, ClearingKeepsTheRestInOrderForEachDestructor)
{
    QStringList log;
    TBaseObjectCont list;
    for (int k : {1, 2, 3, 4})
        list.Add(std::make_unique<Witness>(&log, &list, k));
    static_cast<Witness*>(list.At(1))->takes = list.At(3);
    list.ClearItems();
    EXPECT_EQ(log, QStringList({"1[2,3,4]", "2[3,4]", "4[3]", "3[]"}));
    EXPECT_TRUE(list.IsEmpty());
    list.Add(std::make_unique<Witness>(&log, &list, 5));  // usable again after clearing
    EXPECT_EQ(list.IndexOf(list.At(0)), 0);
    list.ClearItems();
}

TEST(Containers, StableSortAndIndexOfAfterEdits)
{
    QStringList log;
    TBaseObjectCont list;
    const int keys[] = {3, 1, 2, 1, 3, 0};
    for (int i = 0; i < 6; ++i)
        list.Add(std::make_unique<Witness>(&log, &list, keys[i] * 10 + i));
    list.StableSort([](const TBaseObject* a, const TBaseObject* b) {
        return static_cast<const Witness*>(a)->key / 10 < static_cast<const Witness*>(b)->key / 10;
    });
    QList<int> order;
    for (int i = 0; i < list.Count(); ++i)
        order << static_cast<Witness*>(list.At(i))->key;
    EXPECT_EQ(order, QList<int>({5, 11, 13, 22, 30, 34}));  // equal keys keep their order

    // IndexOf stays right whatever moved since its last answer.
    TBaseObject* last = list.At(5);
    EXPECT_EQ(list.IndexOf(last), 5);
    list.Move(5, 0);
    EXPECT_EQ(list.IndexOf(last), 0);
    list.Extract(0).reset();
    EXPECT_EQ(list.IndexOf(last), -1);
    EXPECT_EQ(list.IndexOf(list.At(4)), 4);
    list.Insert(0, std::make_unique<Witness>(&log, &list, 99));
    EXPECT_EQ(list.IndexOf(list.At(4)), 4);
    EXPECT_EQ(list.IndexOf(list.At(1)), 1);
    EXPECT_THROW(list.At(6), std::out_of_range);
    log.clear();
    list.ClearItems();
}

TEST(Containers, AListLongerThanAKavelinMayHoldIsAReadError)
{
    TTextStrMem mem;
    mem.Lines = {QString::number(TBaseObjectCont::kMaxLoadCount + 1)};
    TBaseObjectCont list;
    try {
        list.Load(mem, nullptr);
        ADD_FAILURE();
    } catch (const ReadError& e) {
        EXPECT_TRUE(e.reason().contains("1000001 records")) << e.message().toStdString();
    }
    EXPECT_TRUE(list.IsEmpty());
}
