// Reading and writing the data file of a large project, and laying out text.
//
// The project: 100 scenes of 50 items each (images, animations and texts in turn, with real
// media files), every item on a path of 5 to 9 points of one of the path kinds, with 2 or 3
// timed events (show, hide, go to a scene, change colour) and, for about a third, a user event.
// It is built through the engine and saved once; the benchmarks read and write its Card.dat.
//
// Target: reading plus writing at least 20 MB/s of data-file text (bytes_per_second of
// BM_LoadAndSave, where one iteration reads and writes the file once and counts its size once).
#include "benchdoc.h"

#include <QFileInfo>

using namespace kav;
using namespace kavbench;

namespace {

constexpr int kScenes = 100;
constexpr int kItemsPerScene = 50;
constexpr int kLayoutTexts = 1000;

TItemBase* randomItemOf(QRandomGenerator& gen, TScene* scene)
{
    // A tenth of the show and hide actions aim at the background.
    if (gen.bounded(10) == 0)
        return nullptr;
    return scene->Item(int(gen.bounded(scene->ItemCount())));
}

void addEvents(QRandomGenerator& gen, TItemBase* item, TScene* scene, const QList<TScene*>& scenes)
{
    const int events = 2 + int(gen.bounded(2));
    for (int e = 0; e < events; ++e) {
        const int frame = eventFrame(gen, item);
        const int actions = 1 + int(gen.bounded(2));
        for (int a = 0; a < actions; ++a) {
            switch (gen.bounded(4)) {
            case 0: timed<TActionShowItem>(item, frame)->SetTarget(randomItemOf(gen, scene)); break;
            case 1: timed<TActionHideItem>(item, frame)->SetTarget(randomItemOf(gen, scene)); break;
            case 2: timed<TActionGotoScene>(item, frame)->SetScene(scenes[int(gen.bounded(scenes.size()))]); break;
            default: timed<TActionChangeColor>(item, frame)->Color = gen.generate() & 0x00FFFFFFu; break;
            }
        }
    }
    if (gen.bounded(3) != 0)
        return;
    switch (gen.bounded(3)) {
    case 0:
        onClick<TActionGotoURL>(item)->SetTarget(QStringLiteral("https://example.com/offer/%1").arg(gen.bounded(1000)),
                                                QStringLiteral("_blank"), false);
        break;
    case 1: onClick<TActionGotoScene>(item)->SetScene(scenes[int(gen.bounded(scenes.size()))]); break;
    default: onClick<TActionShowItem>(item)->SetTarget(randomItemOf(gen, scene)); break;
    }
}

void build(TProject& project)
{
    QRandomGenerator gen(20240612);
    QList<TScene*> scenes{Doc().Scene(0)};
    while (scenes.size() < kScenes)
        scenes.append(SceneOps::AddScene());
    for (int s = 0; s < kScenes; ++s) {
        TScene* scene = scenes[s];
        if (s % 7 == 0)
            scene->Rename(QStringLiteral("Offer %1").arg(s));
        Doc().LogicalScene = scene;
        scene->Stage->Color = gen.generate() & 0x00FFFFFFu;
        scene->Stage->CurrentColor = scene->Stage->Color;
        if (s % 4 == 0) {
            scene->Stage->SetBackground(Doc().ImageFolder(), QStringLiteral("sky"));
            scene->Stage->TileStyle = s % 8 == 0 ? tsTile : tsBackground;
        }
        if (s % 5 == 0) {
            scene->Stage->BorderVisible = true;
            scene->Stage->BorderWidth = 1 + s % 3;
        }
        for (int i = 0; i < kItemsPerScene; ++i)
            randomPath(gen, mixedItem(gen, scene, s * kItemsPerScene + i), int(gen.bounded(5)));
    }
    for (TScene* scene : scenes) {
        Doc().LogicalScene = scene;
        for (int i = 0; i < scene->ItemCount(); ++i)
            addEvents(gen, scene->Item(i), scene, scenes);
    }
    for (TScene* scene : scenes)
        scene->AfterLoad();
    Doc().LogicalScene = scenes.first();
    project.SetModified();
}

struct Workload {
    Engine engine{"document-bench"};
    QString workDir;     // the saved project's working folder
    QString card;        // its data file
    QString outCard;     // where the write benchmarks put theirs
    qint64 bytes = 0;
    int stageWidth = 0, stageHeight = 0;
    CardData loaded;     // the data file read once, for writing
    std::unique_ptr<TScene> texts;  // the text items for layout

    Workload()
    {
        {
            TProject project;
            project.New();
            makeMedia(project.WorkDir());
            build(project);
            project.SaveAs(engine.path(QStringLiteral("bench.plt")));
            workDir = project.WorkDir();
        }
        card = workDir + QStringLiteral("Card.dat");
        bytes = QFileInfo(card).size();
        QDir().mkpath(engine.path(QStringLiteral("out")));
        outCard = engine.path(QStringLiteral("out/Card.dat"));

        read(loaded);
        stageWidth = loaded.StageWidth;
        stageHeight = loaded.StageHeight;
        write(loaded);
        QFile a(card), b(outCard);
        a.open(QIODevice::ReadOnly);
        b.open(QIODevice::ReadOnly);
        const bool same = a.readAll() == b.readAll();
        std::fprintf(stderr, "document bench: %d scenes x %d items, Card.dat %.2f MB in %s%s\n", kScenes,
                     kItemsPerScene, double(bytes) / 1e6, qPrintable(workDir),
                     same ? "" : "\nWARNING: the data file written back differs from the one read");

        makeTexts();
    }

    ~Workload()
    {
        drop(loaded);
        Doc().LogicalScene = nullptr;
        texts.reset();
    }

    // As opening a project does: the document points at what is being read.
    void read(CardData& out)
    {
        Doc().Scenes = &out.Scenes;
        Doc().WorkDir = workDir;
        Doc().LogicalScene = nullptr;
        try {
            ReadCardData(card, out, TProject::sceneHooks());
        } catch (const UserError& e) {
            die(e.message());
        }
        Doc().StageWidth = out.StageWidth;
        Doc().StageHeight = out.StageHeight;
    }

    void write(CardData& from)
    {
        Doc().Scenes = &from.Scenes;
        WriteCardData(outCard, from.StageWidth, from.StageHeight, from.Scenes);
    }

    void drop(CardData& data)
    {
        Doc().Scenes = &data.Scenes;
        data.Scenes.ClearItems();
        Doc().Scenes = nullptr;
        Doc().LogicalScene = nullptr;
    }

    // 1 to 3 lines in the three fonts, 6 to 72 points, every style, spacing and effect.
    void makeTexts()
    {
        QRandomGenerator gen(1000);
        texts = SceneOps::NewScene(QStringLiteral("Texts"));
        Doc().LogicalScene = texts.get();
        for (int i = 0; i < kLayoutTexts; ++i)
            text(texts.get(), textLines(gen, i), fontNames()[i % 3], 6 + int(gen.bounded(67)), int(gen.bounded(4)),
                 int(gen.bounded(4)), 0, effectsFor(i), 1);
        Doc().LogicalScene = nullptr;
    }
};

std::unique_ptr<Workload> g_workload;

void BM_ReadCardData(benchmark::State& state)
{
    Workload& w = *g_workload;
    for (auto _ : state) {
        CardData card;
        w.read(card);
        state.PauseTiming();
        w.drop(card);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * w.bytes);
}

void BM_WriteCardData(benchmark::State& state)
{
    Workload& w = *g_workload;
    for (auto _ : state)
        w.write(w.loaded);
    state.SetBytesProcessed(state.iterations() * w.bytes);
}

// One iteration reads the file and writes it back; its size counts once.
void BM_LoadAndSave(benchmark::State& state)
{
    Workload& w = *g_workload;
    for (auto _ : state) {
        CardData card;
        w.read(card);
        w.write(card);
        state.PauseTiming();
        w.drop(card);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * w.bytes);
}

void BM_TextLayout(benchmark::State& state)
{
    Workload& w = *g_workload;
    TScene* scene = w.texts.get();
    for (auto _ : state)
        for (int i = 0; i < scene->ItemCount(); ++i)
            static_cast<TItemText*>(scene->Item(i)->Graphic)->Layout();
    state.SetItemsProcessed(state.iterations() * scene->ItemCount());
}

} // namespace

BENCHMARK(BM_ReadCardData)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_WriteCardData)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_LoadAndSave)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_TextLayout)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) { return runBenchmarks(argc, argv, g_workload); }
