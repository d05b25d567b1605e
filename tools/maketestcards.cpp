// Builds the small projects the browser player's tests compare with the editor: one for the
// path types and animation, one for events on paths, one with every action, one with every text
// effect. Each project is made through the engine from the sample media the build drew.
// Usage: kav-maketestcards APPDIR OUTDIR
#include "document/project.h"
#include "config/settings.h"
#include "app/startup.h"
#include "config/workdir.h"
#include "core/errors.h"
#include "document/builder.h"
#include "document/document.h"
#include "document/item.h"
#include "document/itemimage.h"
#include "document/itemtext.h"
#include "document/scene.h"
#include "events/actions.h"
#include "events/timeactions.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <cstdio>
#include <functional>

using namespace kav;

namespace {

// An item for an add-item or replace-item action, which puts it on the scene itself.
std::unique_ptr<TItemBase> newItem(TScene* scene, const QString& kind, const QString& media, int frames = 1)
{
    auto item = std::make_unique<TItemBase>(scene);
    if (kind == QLatin1String("anim")) {
        auto gfx = std::make_unique<TItemAnim>();
        gfx->Tempo = 2;
        gfx->AnimTempoLoop = 0;
        item->AttachGraphic(std::move(gfx));
        item->Graphic->SetMedia(Doc().AnimFolder(), media, frames);
    } else {
        item->AttachGraphic(std::make_unique<TItemImage>());
        item->Graphic->SetMedia(Doc().ImageFolder(), media, 1);
    }
    return item;
}

TItemBase* image(TScene* scene, const QString& media) { return Build::AddImage(scene, media); }
TItemBase* anim(TScene* scene, const QString& media, int frames) { return Build::AddAnim(scene, media, frames, 2); }

TItemBase* text(TScene* scene, const QStringList& lines, const QString& font, int size, uint32_t effects, int delay,
                int align = 0, int spacing = 0, int style = 0)
{
    Build::TextStyle look;
    look.font = font;
    look.size = size;
    look.colour = 0x00400000 | uint32_t(size * 5);
    look.effects = effects;
    look.delay = delay;
    look.spacing = spacing;
    look.style = style;
    TItemBase* item = Build::AddText(scene, lines, look);
    static_cast<TItemText*>(item->Graphic)->SetTextAlign(align);
    return item;
}

void path(TItemBase* item, const QList<QPoint>& anchors, int type, int repeat, int speed)
{
    Build::SetAnchorPath(item, anchors, type, repeat, speed);
}
void at(TItemBase* item, QPoint p) { Build::PlaceAt(item, p); }

template <class A>
A* timed(TItemBase* item, int frame) { return Build::Timed<A>(item, frame); }
template <class A>
A* onClick(TItemBase* item) { return Build::OnClick<A>(item); }

// An event at exactly this frame, also past the end of a repeating path (where the editor's
// "at this frame" would find the event of the same place in the pass).
template <class A>
A* timedPastTheEnd(TItemBase* item, int frame)
{
    auto ev = std::make_unique<TTimeActions>(item);
    ev->Time = uint32_t(frame) << 16;
    auto action = std::make_unique<A>(item);
    A* raw = action.get();
    raw->ParentList = &ev->FActions;
    ev->FActions.Add(std::move(action));
    item->InsertTimedEvent(std::move(ev));
    return raw;
}

TScene* firstScene(const QString& name, uint32_t color)
{
    TScene* scene = Doc().Scene(0);
    scene->Rename(name);
    Doc().LogicalScene = scene;
    scene->Stage->Color = scene->Stage->CurrentColor = color;
    return scene;
}

TScene* nextScene(const QString& name, uint32_t color)
{
    TScene* scene = SceneOps::AddScene();
    scene->Rename(name);
    Doc().LogicalScene = scene;
    scene->Stage->Color = scene->Stage->CurrentColor = color;
    return scene;
}

// The four path types, a path partly off the stage, a strip that repeats and one that plays once.
void paths()
{
    TScene* s = firstScene(QStringLiteral("Paths"), 0x00E0C080);
    s->Stage->SetBackground(Doc().ImageFolder(), QStringLiteral("sky"));
    s->Stage->TileStyle = tsBackground;
    s->Stage->BorderVisible = true;
    s->Stage->BorderWidth = 3;
    s->Stage->BorderColor = 0x00203040;
    path(image(s, QStringLiteral("sun")), {{30, 30}, {200, 90}, {420, 40}, {30, 30}}, adtLoop, -1, 3);
    path(image(s, QStringLiteral("cloud")), {{-50, 100}, {150, 60}, {300, 95}}, adtPath, -1, 4);
    path(image(s, QStringLiteral("cloud")), {{460, 10}, {380, 70}}, adtPath, 0, 2);
    path(anim(s, QStringLiteral("bird"), 4), {{60, 20}, {240, 50}, {440, 100}}, adtReturn, -1, 5);
    path(anim(s, QStringLiteral("spinner"), 8), {{-30, -20}, {100, 60}, {-45, 130}}, adtReturn, -1, 7);
    TItemBase* once = anim(s, QStringLiteral("bird"), 4);
    static_cast<TItemAnim*>(once->Graphic)->AnimTempoLoop = 1;
    static_cast<TItemAnim*>(once->Graphic)->Tempo = 3;
    path(once, {{230, 60}, {260, 30}, {300, 60}}, adtPath, 0, 1);
}

// Events on every kind of path: once per pass, mirrored on the way back, on the time line after
// a path that stops, on items without a path and on an item that an event adds.
void events()
{
    TScene* s = firstScene(QStringLiteral("Events"), 0x00F0E0D0);
    TItemBase* flags[6];
    for (int i = 0; i < 6; ++i) {
        flags[i] = image(s, QStringLiteral("sun"));
        at(flags[i], {30 + 70 * i, 100});
    }
    TItemBase* back = anim(s, QStringLiteral("spinner"), 8);
    path(back, {{30, 30}, {200, 20}, {300, 50}}, adtReturn, -1, 6);
    timed<TActionHideItem>(back, 0)->SetTarget(flags[0]);
    timed<TActionShowItem>(back, 9)->SetTarget(flags[0]);
    timed<TActionHideItem>(back, 20)->SetTarget(flags[1]);
    timed<TActionShowItem>(back, 30)->SetTarget(flags[1]);
    timed<TActionStopAnim>(back, 12)->SetTarget(back);
    timed<TActionContAnim>(back, 25)->SetTarget(back);

    TItemBase* repeat = image(s, QStringLiteral("cloud"));
    path(repeat, {{420, 20}, {300, 40}, {180, 30}}, adtPath, -1, 9);
    timed<TActionHideItem>(repeat, 0)->SetTarget(flags[2]);
    timed<TActionShowItem>(repeat, 14)->SetTarget(flags[2]);
    timed<TActionChangeColor>(repeat, 7)->Color = 0x00C0FFC0;
    timed<TActionChangeColor>(repeat, 20)->Color = 0x00F0E0D0;

    TItemBase* stop = image(s, QStringLiteral("cloud"));
    path(stop, {{100, 60}, {160, 70}, {220, 60}}, adtPath, 0, 4);
    timed<TActionHideItem>(stop, 5)->SetTarget(flags[3]);
    timed<TActionShowItem>(stop, 40)->SetTarget(flags[3]);   // beyond the end of the path
    timed<TActionHideItem>(stop, 60)->SetTarget(nullptr);     // the background
    timed<TActionShowItem>(stop, 75)->SetTarget(nullptr);

    TItemBase* still = image(s, QStringLiteral("sun"));
    at(still, {400, 70});
    timed<TActionHideItem>(still, 33)->SetTarget(flags[4]);
    // Sounds show in the trace each time they start: an event at frame 0 fires once.
    timed<TActionPlaySound>(back, 0)->SetSound(QStringLiteral("chime"));
    timed<TActionPlaySound>(still, 0)->SetSound(QStringLiteral("hum"));
    timed<TActionPlaySound>(repeat, 3)->SetSound(QStringLiteral("chime"));
    // Every pass: on the way out and mirrored on the way back, and just past the end of the
    // path, where the event fires as the path starts over.
    timed<TActionPlaySound>(back, 11)->SetSound(QStringLiteral("hum"));
    timedPastTheEnd<TActionPlaySound>(back, back->FramesPerCycle())->SetSound(QStringLiteral("chime"));
    timedPastTheEnd<TActionPlaySound>(repeat, repeat->FramesPerCycle())->SetSound(QStringLiteral("hum"));

    auto added = newItem(s, QStringLiteral("anim"), QStringLiteral("bird"), 4);
    path(added.get(), {{440, 60}, {340, 90}, {240, 60}}, adtLoop, -1, 3);
    TItemBase* addedItem = added.get();
    timed<TActionAddItem>(still, 15)->SetItem(std::move(added));
    timed<TActionHideItem>(addedItem, 10)->SetTarget(flags[5]);
    timed<TActionShowItem>(addedItem, 30)->SetTarget(flags[5]);
}

// Every action, timed and on clicks, across three scenes.
void actions()
{
    TScene* a = firstScene(QStringLiteral("A"), 0x00FFFFFF);
    TScene* b = nextScene(QStringLiteral("B"), 0x00205080);
    TScene* c = nextScene(QStringLiteral("C"), 0x00808000);
    a->Stage->SetBackground(Doc().ImageFolder(), QStringLiteral("sky"));
    a->Stage->TileStyle = tsTile;
    Doc().LogicalScene = a;

    TItemBase* bird = anim(a, QStringLiteral("bird"), 4);
    path(bird, {{40, 40}, {200, 30}, {420, 50}}, adtPath, -1, 2);
    TItemBase* sun = image(a, QStringLiteral("sun"));
    at(sun, {60, 85});
    TItemBase* cloud = image(a, QStringLiteral("cloud"));
    at(cloud, {200, 85});
    TItemBase* button = image(a, QStringLiteral("sun"));
    at(button, {400, 85});

    timed<TActionPlaySound>(sun, 5)->SetSound(QStringLiteral("chime"));
    timed<TActionHideItem>(sun, 10)->SetTarget(cloud);
    timed<TActionShowItem>(sun, 20)->SetTarget(cloud);
    timed<TActionHideItem>(sun, 25)->SetTarget(nullptr);
    timed<TActionShowItem>(sun, 35)->SetTarget(nullptr);
    timed<TActionStopAnim>(sun, 30)->SetTarget(bird);
    timed<TActionContAnim>(sun, 50)->SetTarget(bird);
    timed<TActionChangeColor>(sun, 45)->Color = 0x000080FF;
    timed<TActionGotoURL>(sun, 55)->SetTarget(QStringLiteral("https://example.com/a?x=1;y=\"2\"/c"), QStringLiteral("_blank"), false);

    auto added = newItem(a, QStringLiteral("image"), QStringLiteral("cloud"));
    path(added.get(), {{470, 20}, {300, 10}, {120, 25}}, adtPath, 0, 3);
    timed<TActionAddItem>(cloud, 22)->SetItem(std::move(added));
    auto replacement = newItem(a, QStringLiteral("anim"), QStringLiteral("spinner"), 8);
    at(replacement.get(), {200, 85});
    timed<TActionReplaceItem>(cloud, 40)->SetItem(std::move(replacement));

    TActionPlaySound* hum = onClick<TActionPlaySound>(button);
    hum->SetSound(QStringLiteral("hum"));
    hum->Loop = true;
    onClick<TActionChangeColor>(button)->Color = 0x00A0A0A0;
    onClick<TActionGotoURL>(bird)->SetTarget(QStringLiteral("next/page.html"), QStringLiteral("news"), true);
    auto clicked = newItem(a, QStringLiteral("anim"), QStringLiteral("bird"), 4);
    at(clicked.get(), {60, 85});
    onClick<TActionReplaceItem>(sun)->SetItem(std::move(clicked));
    timed<TActionStopSound>(button, 70)->SetSound(QStringLiteral("hum"));
    timed<TActionGotoScene>(button, 90)->SetScene(b);

    Doc().LogicalScene = b;
    TItemBase* go = image(b, QStringLiteral("sun"));
    at(go, {234, 60});
    onClick<TActionGotoScene>(go)->SetScene(c);
    onClick<TActionPlaySound>(go)->SetSound(QStringLiteral("chime"));
    TItemBase* mover = anim(b, QStringLiteral("spinner"), 8);
    path(mover, {{20, 20}, {240, 100}, {460, 20}}, adtReturn, -1, 4);
    timed<TActionGotoScene>(mover, 80)->SetScene(a);
    // Clicked on its way, the mover gives way to a bird that runs its own path from there.
    auto runner = newItem(b, QStringLiteral("anim"), QStringLiteral("bird"), 4);
    path(runner.get(), {{20, 20}, {120, 40}, {220, 20}}, adtPath, -1, 2);
    onClick<TActionReplaceItem>(mover)->SetItem(std::move(runner));

    Doc().LogicalScene = c;
    TItemBase* back = image(c, QStringLiteral("cloud"));
    at(back, {100, 60});
    onClick<TActionGotoScene>(back)->SetScene(a);
    timed<TActionGotoURL>(back, 3)->SetTarget(QStringLiteral("www.example.org/c"), QStringLiteral("_top"), false);
}

// Every text effect, the three fonts, alignment, spacing and styles, text on a path.
void texts()
{
    TScene* s = firstScene(QStringLiteral("Text"), 0x00F8F8F8);
    at(text(s, {QStringLiteral("Blink")}, QStringLiteral("Times New Roman"), 14, teBlink, 2), {40, 15});
    at(text(s, {QStringLiteral("Waving")}, QStringLiteral("Arial"), 12, TeTolaat, 3), {150, 30});
    at(text(s, {QStringLiteral("Bungee")}, QStringLiteral("Courier New"), 12, teElastic, 1), {300, 15});
    at(text(s, {QStringLiteral("Typewriter"), QString(), QStringLiteral("two")}, QStringLiteral("Arial"), 10, teTypeWriter, 2), {420, 40});
    at(text(s, {QStringLiteral("Zoom"), QStringLiteral("zoom")}, QStringLiteral("Times New Roman"), 16, teShrink, 2), {60, 70});
    at(text(s, {QStringLiteral("centred"), QStringLiteral("lines here")}, QStringLiteral("Arial"), 11, 0, 1, taCenter, 2, 1), {200, 80});
    at(text(s, {QStringLiteral("right"), QStringLiteral("aligned text")}, QStringLiteral("Times New Roman"), 11, 0, 1, taRightJustify, 0, 2), {330, 95});
    TItemBase* mover = text(s, {QStringLiteral("moving;\"quoted\"")}, QStringLiteral("Courier New"), 9, teBlink | teElastic, 4);
    path(mover, {{-20, 110}, {200, 100}, {480, 112}}, adtPath, -1, 3);
    TItemBase* click = text(s, {QStringLiteral("Click")}, QStringLiteral("Arial"), 14, 0, 1);
    at(click, {420, 100});
    onClick<TActionHideItem>(click)->SetTarget(mover);
}

// When timed events fire, where the trace shows it: every event opens a page named after its
// item and time. Straight paths of 100 px at speed 10 take 10 frames a pass.
void firing()
{
    TScene* s = firstScene(QStringLiteral("Firing"), 0x00FFFFFF);
    auto straight = [&](int y, int length, int type, int repeat, int speed, int endPause = 0) {
        TItemBase* item = image(s, QStringLiteral("sun"));
        item->Path.PathPoints = {TStagePoint(10, int16_t(y)), TStagePoint(int16_t(10 + length / 2), int16_t(y)),
                                 TStagePoint(int16_t(10 + length), int16_t(y))};
        item->Path.PathType = uint8_t(type);
        item->Path.RepeatCount = repeat;
        item->Path.Speed = speed;
        item->Path.EndPause = endPause;
        item->Path.Resample();
        item->ResetPosition();
        return item;
    };
    auto page = [](TItemBase* item, uint32_t time, const QString& name) {
        auto ev = std::make_unique<TTimeActions>(item);
        ev->Time = time;
        auto action = std::make_unique<TActionGotoURL>(item);
        action->SetTarget(QStringLiteral("https://example.com/") + name + QLatin1Char('-') +
                              QString::number(time / 65536.0),
                          QStringLiteral("_blank"), false);
        action->ParentList = &ev->FActions;
        ev->FActions.Add(std::move(action));
        item->InsertTimedEvent(std::move(ev));
    };
    const struct {
        const char* name;
        int length, type, repeat, speed, pause;
        QList<uint32_t> times;
    } cases[] = {
        {"return", 100, adtReturn, -1, 10, 0, {0, 5 << 16, 9 << 16}},
        {"loop", 100, adtLoop, -1, 10, 0, {0, 5 << 16, 9 << 16, 25 << 16}},
        {"repeat", 100, adtPath, -1, 10, 0, {0, 5 << 16, 9 << 16}},
        {"stop", 200, adtPath, 0, 10, 0, {5 << 16, 30 << 16, 35 << 16}},
        {"twice", 100, adtPath, 2, 10, 0, {4 << 16, 41 << 16}},
        {"still", 100, adtLoop, -1, 0, 0, {3 << 16, 12 << 16}},
        {"paused", 100, adtReturn, -1, 10, 3, {0, 7 << 16, 11 << 16}},
        {"fraction", 90, adtLoop, 3, 7, 2, {(3 << 16) + 0x4000, (11 << 16) + 0xC000}},
    };
    int y = 8;
    for (const auto& c : cases) {
        TItemBase* item = straight(y, c.length, c.type, c.repeat, c.speed, c.pause);
        item->Name = QString::fromLatin1(c.name);
        for (uint32_t t : c.times)
            page(item, t, item->Name);
        y += 14;
    }
    // A strip that plays three times, then stays on its last frame.
    TItemBase* thrice = anim(s, QStringLiteral("bird"), 4);
    static_cast<TItemAnim*>(thrice->Graphic)->AnimTempoLoop = 3;
    at(thrice, {400, 60});
}

void write(const QString& appDir, const QString& file, const std::function<void()>& build)
{
    TProject project;
    project.New();
    Build::CopySampleMedia(appDir, project.WorkDir());
    build();
    for (int i = 0; i < Doc().SceneCount(); ++i)
        Doc().Scene(i)->AfterLoad();
    Doc().LogicalScene = Doc().Scene(0);
    project.SetModified();
    project.SaveAs(file);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: kav-maketestcards APPDIR OUTDIR\n");
        return 2;
    }
    const QString appDir = QDir(QString::fromLocal8Bit(argv[1])).absolutePath() + QLatin1Char('/');
    const QString out = QDir(QString::fromLocal8Bit(argv[2])).absolutePath() + QLatin1Char('/');
    try {
        StartOptions options;
        options.applicationDir = appDir;
        StartEngine(options);
        QDir().mkpath(out);
        write(appDir, out + QStringLiteral("paths.plt"), paths);
        write(appDir, out + QStringLiteral("events.plt"), events);
        write(appDir, out + QStringLiteral("actions.plt"), actions);
        write(appDir, out + QStringLiteral("text.plt"), texts);
        write(appDir, out + QStringLiteral("firing.plt"), firing);
    } catch (const UserError& e) {
        std::fprintf(stderr, "kav-maketestcards: %s\n", qPrintable(e.message()));
        return 1;
    }
    ReplaceRunWorkDir(nullptr);
    return 0;
}
