// Builds the showcase project through the engine, from the sample media the build drew:
// several scenes, every kind of item, the four path types, text with every effect, timed and
// user events with every kind of action, and sounds.
// Usage: kav-makesample APPDIR OUT.plt
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

using namespace kav;

namespace {

TItemBase* image(TScene* scene, const QString& media) { return Build::AddImage(scene, media); }
TItemBase* anim(TScene* scene, const QString& media, int frames, int tempo) { return Build::AddAnim(scene, media, frames, tempo); }

TItemBase* text(TScene* scene, const QStringList& lines, const QString& font, int size, uint32_t colour,
                uint32_t effects, int delay)
{
    Build::TextStyle look;
    look.font = font;
    look.size = size;
    look.colour = colour;
    look.effects = effects;
    look.delay = delay;
    return Build::AddText(scene, lines, look);
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

void build(TProject& project)
{
    TScene* welcome = static_cast<TScene*>(Doc().Scene(0));
    welcome->Rename(QStringLiteral("Welcome"));
    TScene* offer = SceneOps::AddScene();
    offer->Rename(QStringLiteral("Offer"));
    TScene* finale = SceneOps::AddScene();
    finale->Rename(QStringLiteral("Thanks"));

    // Welcome: a tiled sky, a sun that stops, clouds that repeat, a bird that loops.
    Doc().LogicalScene = welcome;
    welcome->Stage->Color = 0x00EBCE87;
    welcome->Stage->CurrentColor = welcome->Stage->Color;
    welcome->Stage->SetBackground(Doc().ImageFolder(), QStringLiteral("sky"));
    welcome->Stage->TileStyle = tsTile;
    welcome->Stage->BorderVisible = true;
    welcome->Stage->BorderWidth = 2;
    welcome->Stage->BorderColor = 0x00602010;

    TItemBase* sun = image(welcome, QStringLiteral("sun"));
    path(sun, {{30, 95}, {110, 30}}, adtPath, 0, 2);                       // Stop At End
    TItemBase* cloud = image(welcome, QStringLiteral("cloud"));
    path(cloud, {{-40, 28}, {200, 22}, {510, 30}}, adtPath, -1, 3);        // Repeat From Beginning
    TItemBase* bird = anim(welcome, QStringLiteral("bird"), 4, 3);
    path(bird, {{250, 40}, {330, 20}, {400, 60}, {320, 95}, {250, 40}}, adtLoop, -1, 4);  // Closed Loop
    TItemBase* title = text(welcome, {QStringLiteral("Kavelins")}, QStringLiteral("Arial"), 26, 0x00802000,
                            TeTolaat | teTypeWriter, 2);
    at(title, {380, 60});
    TItemBase* zoom = text(welcome, {QStringLiteral("Zoom!")}, QStringLiteral("Times New Roman"), 16, 0x000000C0,
                           teShrink, 1);
    at(zoom, {170, 90});

    timed<TActionPlaySound>(sun, 20)->SetSound(QStringLiteral("chime"));
    timed<TActionHideItem>(zoom, 60)->SetTarget(zoom);
    timed<TActionShowItem>(zoom, 80)->SetTarget(zoom);
    timed<TActionGotoScene>(title, 160)->SetScene(offer);
    onClick<TActionGotoURL>(sun)->SetTarget(QStringLiteral("https://example.com/sunny"), QStringLiteral("_blank"), false);

    // Offer: a centred background, a spinner going back and forth, clickable blinking text.
    Doc().LogicalScene = offer;
    offer->Stage->Color = 0x00402000;
    offer->Stage->CurrentColor = offer->Stage->Color;
    offer->Stage->SetBackground(Doc().ImageFolder(), QStringLiteral("sky"));
    offer->Stage->TileStyle = tsBackground;
    TItemBase* spinner = anim(offer, QStringLiteral("spinner"), 8, 2);
    path(spinner, {{40, 60}, {140, 40}, {230, 60}}, adtReturn, -1, 3);    // Back And Forth
    TItemBase* offerText = text(offer, {QStringLiteral("Click me!"), QStringLiteral("Save 50%")},
                                QStringLiteral("Courier New"), 18, 0x0000FFFF, teBlink | teElastic, 3);
    at(offerText, {340, 60});
    TItemBase* sun2 = image(offer, QStringLiteral("sun"));
    at(sun2, {440, 30});

    timed<TActionStopAnim>(spinner, 30)->SetTarget(spinner);
    timed<TActionContAnim>(spinner, 50)->SetTarget(spinner);
    timed<TActionChangeColor>(spinner, 70)->Color = 0x00204080;
    timed<TActionHideItem>(spinner, 90)->SetTarget(nullptr);   // the background
    timed<TActionShowItem>(spinner, 110)->SetTarget(nullptr);
    TActionPlaySound* hum = timed<TActionPlaySound>(offerText, 5);
    hum->SetSound(QStringLiteral("hum"));
    hum->Loop = true;
    timed<TActionStopSound>(offerText, 120)->SetSound(QStringLiteral("hum"));

    // A cloud that a timed event adds, and a bird that replaces the sun when it is clicked.
    auto added = std::make_unique<TItemBase>(offer);
    added->AttachGraphic(std::make_unique<TItemImage>());
    added->Graphic->SetMedia(Doc().ImageFolder(), QStringLiteral("cloud"), 1);
    path(added.get(), {{480, 100}, {300, 95}, {-60, 100}}, adtPath, 0, 2);
    timed<TActionAddItem>(sun2, 40)->SetItem(std::move(added));

    auto replacement = std::make_unique<TItemBase>(offer);
    replacement->AttachGraphic(std::make_unique<TItemAnim>());
    replacement->Graphic->SetMedia(Doc().AnimFolder(), QStringLiteral("bird"), 4);
    at(replacement.get(), {440, 30});
    onClick<TActionReplaceItem>(sun2)->SetItem(std::move(replacement));
    onClick<TActionGotoScene>(offerText)->SetScene(finale);

    // Thanks: plain colour, a text that waves, a click back to the start.
    Doc().LogicalScene = finale;
    finale->Stage->Color = 0x00F0F0FF;
    finale->Stage->CurrentColor = finale->Stage->Color;
    TItemBase* thanks = text(finale, {QStringLiteral("Thank you")}, QStringLiteral("Times New Roman"), 24,
                             0x00000080, TeTolaat, 2);
    at(thanks, {234, 60});
    onClick<TActionGotoScene>(thanks)->SetScene(welcome);
    timed<TActionGotoURL>(thanks, 100)->SetTarget(QStringLiteral("offers/index.html"), QStringLiteral("_self"), true);

    for (int i = 0; i < Doc().SceneCount(); ++i)
        Doc().Scene(i)->AfterLoad();
    Doc().LogicalScene = welcome;
    project.SetModified();
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: kav-makesample APPDIR OUT.plt\n");
        return 2;
    }
    const QString appDir = QDir(QString::fromLocal8Bit(argv[1])).absolutePath() + QLatin1Char('/');
    try {
        StartOptions options;
        options.applicationDir = appDir;
        StartEngine(options);
        TProject project;
        project.New();
        Build::CopySampleMedia(appDir, project.WorkDir());
        build(project);
        QDir().mkpath(QFileInfo(QString::fromLocal8Bit(argv[2])).absolutePath());
        project.SaveAs(QString::fromLocal8Bit(argv[2]));
    } catch (const UserError& e) {
        std::fprintf(stderr, "kav-makesample: %s\n", qPrintable(e.message()));
        return 1;
    }
    ReplaceRunWorkDir(nullptr);
    return 0;
}
