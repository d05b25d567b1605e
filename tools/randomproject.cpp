#include "randomproject.h"

#include "document/builder.h"
#include "document/document.h"
#include "document/item.h"
#include "document/itemimage.h"
#include "document/itemtext.h"
#include "document/scene.h"
#include "events/actions.h"
#include "events/timeactions.h"

#include <QList>
#include <QPoint>
#include <QStringList>

namespace kav {

int TRandom::Int(int lo, int hi)
{
    if (hi <= lo)
        return lo;
    const uint64_t span = uint64_t(int64_t(hi) - lo) + 1;
    // Draws at or above the largest multiple of the span would favour the low numbers.
    const uint64_t limit = (uint64_t(1) << 32) / span * span;
    uint64_t r = 0;
    do
        r = Next();
    while (r >= limit);
    return int(int64_t(lo) + int64_t(r % span));
}

namespace {

enum class Kind { Image, Anim, Text };

struct Strip {
    const char* name;
    int frames;
};
constexpr const char* kImages[] = {"sun", "cloud", "sky"};
constexpr Strip kStrips[] = {{"bird", 4}, {"spinner", 8}};
constexpr const char* kSounds[] = {"chime", "hum"};
constexpr const char* kFonts[] = {"Times New Roman", "Arial", "Courier New"};
constexpr const char* kWords[] = {"Sale", "Click here", "Kavelins", "Zoom!", "50% off", "Now", "moving;\"quoted\"",
                                  "a/b/c", "Thanks", "New", "Free shipping", "Wow"};
// URL, whether it may be relative.
constexpr struct {
    const char* url;
    bool relative;
} kUrls[] = {{"https://example.com/offer", false},
             {"https://example.com/a?x=1;y=\"2\"/c", false},
             {"www.example.org/cart", false},
             {"next/page.html", true},
             {"offers/index.html", true}};
constexpr const char* kFrames[] = {"_self", "_blank", "_top", "news"};
constexpr const char* kSceneNames[] = {"Intro", "Offer", "Thanks"};

// Timed action kinds, with their weights (clicks use the second column).
enum ActionKind {
    akShow, akHide, akShowBackground, akHideBackground, akAdd, akReplace, akFreeze, akResume,
    akColour, akPlaySound, akStopSound, akGotoScene, akGotoUrl, akCount
};
constexpr int kTimedWeights[akCount] = {10, 10, 4, 4, 6, 5, 5, 5, 6, 5, 3, 3, 4};
constexpr int kClickWeights[akCount] = {3, 4, 2, 2, 3, 3, 2, 2, 4, 4, 2, 3, 5};

class Generator {
public:
    explicit Generator(uint32_t seed) : m_rnd(seed) {}
    QString Build(uint32_t seed);

private:
    template <class T, size_t N>
    const T& pick(const T (&list)[N]) { return list[m_rnd.Int(0, int(N) - 1)]; }
    uint32_t colour() { return uint32_t(m_rnd.Int(0, 0xFFFFFF)); }
    QPoint point() { return QPoint(m_rnd.Int(-40, 500), m_rnd.Int(-30, 150)); }

    void setUpStage(TScene* scene);
    Kind kindFor(const TScene* scene);
    std::unique_ptr<TGfxItemBase> graphic(Kind kind);
    void dress(TItemBase* item, Kind kind);
    TItemBase* addItem(TScene* scene);
    std::unique_ptr<TItemBase> actionItem(TScene* scene);
    void randomPath(TItemBase* item);
    uint32_t eventTime(const TItemBase* item);
    void addTimedEvents(TItemBase* item, int depth);
    void addClickEvents(TItemBase* item, int depth);
    void addAction(TItemBase* owner, TBaseObjectCont& list, bool click, int depth);
    TItemBase* targetItem(const TScene* scene, bool animation);

    TRandom m_rnd;
    QList<TScene*> m_scenes;
    QList<bool> m_textScenes;
    int m_items = 0, m_events = 0, m_actions = 0, m_clicks = 0;
};

void Generator::setUpStage(TScene* scene)
{
    TStage* st = scene->Stage.get();
    st->Color = st->CurrentColor = colour();
    if (m_rnd.Chance(50)) {
        st->SetBackground(Doc().ImageFolder(), QStringLiteral("sky"));
        st->TileStyle = m_rnd.Chance(50) ? tsTile : tsBackground;
    }
    if (m_rnd.Chance(30)) {
        st->BorderVisible = true;
        st->BorderWidth = m_rnd.Int(1, 4);
        st->BorderColor = colour();
    }
}

Kind Generator::kindFor(const TScene* scene)
{
    const bool text = m_textScenes[m_scenes.indexOf(const_cast<TScene*>(scene))];
    const int r = m_rnd.Int(0, text ? 99 : 74);
    return r < 40 ? Kind::Image : r < 75 ? Kind::Anim : Kind::Text;
}

std::unique_ptr<TGfxItemBase> Generator::graphic(Kind kind)
{
    switch (kind) {
    case Kind::Image:
        return std::make_unique<TItemImage>();
    case Kind::Anim:
        return std::make_unique<TItemAnim>();
    case Kind::Text:
        break;
    }
    return std::make_unique<TItemText>();
}

// Media and look, once the graphic is the item's.
void Generator::dress(TItemBase* item, Kind kind)
{
    if (kind == Kind::Image) {
        item->Graphic->SetMedia(Doc().ImageFolder(), QString::fromLatin1(pick(kImages)), 1);
    } else if (kind == Kind::Anim) {
        auto* a = static_cast<TItemAnim*>(item->Graphic);
        a->Tempo = m_rnd.Int(1, 4);
        const int r = m_rnd.Int(0, 9);
        a->AnimTempoLoop = r < 6 ? 0 : r < 8 ? 1 : m_rnd.Int(2, 4);  // for ever, once, a few times
        const Strip& s = pick(kStrips);
        item->Graphic->SetMedia(Doc().AnimFolder(), QString::fromLatin1(s.name), s.frames);
    } else {
        auto* t = static_cast<TItemText*>(item->Graphic);
        t->SetFontName(QString::fromLatin1(pick(kFonts)));
        t->SetSize(m_rnd.Int(8, 24));
        t->SetTextStyle(m_rnd.Int(0, 3));
        t->SetSpacing(m_rnd.Chance(20) ? m_rnd.Int(1, 3) : 0);
        t->SetTextColor(colour());
        t->SetTextAlign(m_rnd.Int(0, 2));
        QStringList lines{QString::fromUtf8(pick(kWords))};
        if (m_rnd.Chance(30))
            lines << QString::fromUtf8(pick(kWords));
        t->SetLines(lines);
        uint32_t effects = 0;
        if (m_rnd.Chance(75))
            for (TTextEffect e : {teBlink, TeTolaat, teElastic, teTypeWriter, teShrink})
                if (m_rnd.Chance(35))
                    effects |= e;
        for (TTextEffect e : {teBlink, TeTolaat, teElastic, teTypeWriter, teShrink})
            t->SetEffect(e, (effects & e) != 0);
        t->EffectsEnabled = effects != 0;
        t->SetEffectDelay(m_rnd.Int(1, 4));
        t->Layout();
    }
    item->ResetPosition();
}

void Generator::randomPath(TItemBase* item)
{
    TMotionPath& path = item->Path;
    if (m_rnd.Chance(20)) {
        // No path: the item stands still. The settings a file keeps for it are fixed too.
        path.PathType = adtPath;
        path.RepeatCount = 0;
        path.Speed = m_rnd.Int(1, 20);
        path.EndPause = 0;
        Build::PlaceAt(item, point());
        return;
    }
    // The four types as the editor's menu makes them, then now and then another repeat count.
    static constexpr struct {
        uint8_t type;
        int32_t repeat;
    } types[] = {{adtLoop, -1}, {adtPath, -1}, {adtPath, 0}, {adtReturn, -1}};
    const auto& t = types[m_rnd.Int(0, 3)];
    int32_t repeat = t.repeat;
    if (m_rnd.Chance(20))
        repeat = m_rnd.Int(1, 3);
    else if (t.type != adtPath && m_rnd.Chance(10))
        repeat = 0;
    const int speed = m_rnd.Int(1, 20);
    path.EndPause = m_rnd.Chance(25) ? m_rnd.Int(1, 8) : 0;

    if (m_rnd.Chance(25)) {
        // A straight line whose length is a whole number of steps: the item lands exactly on
        // the end, where events at the cycle's edges meet.
        const int length = speed * m_rnd.Int(2, std::max(2, 400 / speed));
        const QPoint a(m_rnd.Int(0, 460), m_rnd.Int(0, 115));
        const QPoint b = m_rnd.Chance(70) ? a + QPoint(m_rnd.Chance(50) ? length : -length, 0)
                                          : a + QPoint(0, m_rnd.Chance(50) ? length : -length);
        const QPoint mid = (a + b) / 2;
        path.PathPoints = {TStagePoint(a.x(), a.y()), TStagePoint(mid.x(), mid.y()), TStagePoint(b.x(), b.y())};
        if (t.type == adtLoop)
            path.PathPoints << TStagePoint(mid.x(), mid.y()) << TStagePoint(a.x(), a.y());
        path.PathType = t.type;
        path.RepeatCount = repeat;
        path.Speed = speed;
        path.Resample();
        item->ResetPosition();
        item->LayoutEventMarkers();
        return;
    }
    QList<QPoint> anchors;
    for (int i = m_rnd.Int(2, 4); i > 0; --i)
        anchors << point();
    if (t.type == adtLoop)
        anchors << anchors.first();
    Build::SetAnchorPath(item, anchors, t.type, repeat, speed);
}

TItemBase* Generator::addItem(TScene* scene)
{
    const Kind kind = kindFor(scene);
    TItemBase* item = Build::AddItem(scene, graphic(kind));
    dress(item, kind);
    randomPath(item);
    ++m_items;
    return item;
}

// An item for an add or replace action: a path of its own, or standing still.
std::unique_ptr<TItemBase> Generator::actionItem(TScene* scene)
{
    const Kind kind = kindFor(scene);
    auto item = std::make_unique<TItemBase>(scene);
    item->AttachGraphic(graphic(kind));
    dress(item.get(), kind);
    randomPath(item.get());
    ++m_items;
    return item;
}

uint32_t Generator::eventTime(const TItemBase* item)
{
    const int cf = item->FramesPerCycle();
    const int r = m_rnd.Int(0, 99);
    int frame = 0;
    if (cf > 0) {
        if (r < 10)
            frame = 0;
        else if (r < 50)
            frame = m_rnd.Int(0, cf - 1);
        else if (r < 60)
            frame = std::max(0, cf - m_rnd.Int(0, 1));   // where one pass ends
        else if (r < 85)
            frame = m_rnd.Int(cf, 3 * cf + 10);          // beyond one cycle
        else
            frame = m_rnd.Int(0, 300);
    } else {
        frame = r < 10 ? 0 : m_rnd.Int(0, 250);
    }
    uint32_t time = uint32_t(frame) << 16;
    if (m_rnd.Chance(15))
        time |= uint32_t(m_rnd.Int(1, 65535));   // as a speed change leaves it
    return time;
}

void Generator::addTimedEvents(TItemBase* item, int depth)
{
    const int count = m_rnd.Chance(20) ? 0 : m_rnd.Int(1, 4);
    for (int k = 0; k < count; ++k) {
        const uint32_t time = eventTime(item);
        TTimeActions* event = nullptr;
        for (int i = 0; i < item->EventCount(); ++i)
            if (item->Event(i)->Time == time)
                event = item->Event(i);
        if (!event) {
            auto e = std::make_unique<TTimeActions>(item);
            e->Time = time;
            event = e.get();
            item->InsertTimedEvent(std::move(e));
            ++m_events;
        }
        for (int a = m_rnd.Chance(20) ? 2 : 1; a > 0; --a)
            addAction(item, event->FActions, false, depth);
    }
}

void Generator::addClickEvents(TItemBase* item, int depth)
{
    if (!item->Graphic || !m_rnd.Chance(35))
        return;
    for (int a = m_rnd.Int(1, 2); a > 0; --a)
        addAction(item, item->Graphic->UserEvents, true, depth);
    ++m_clicks;
}

TItemBase* Generator::targetItem(const TScene* scene, bool animation)
{
    QList<TItemBase*> all, strips;
    for (int i = 0; i < scene->ItemCount(); ++i) {
        all << scene->Item(i);
        if (dynamic_cast<TItemAnim*>(scene->Item(i)->Graphic))
            strips << scene->Item(i);
    }
    const QList<TItemBase*>& from = animation && !strips.isEmpty() && m_rnd.Chance(85) ? strips : all;
    return from.isEmpty() ? nullptr : from[m_rnd.Int(0, int(from.size()) - 1)];
}

template <class A>
A* newAction(TItemBase* owner, TBaseObjectCont& list, bool click)
{
    auto action = std::make_unique<A>(owner);
    A* raw = action.get();
    raw->ParentList = &list;
    raw->IsUserEvent = click;
    list.Add(std::move(action));
    return raw;
}

void Generator::addAction(TItemBase* owner, TBaseObjectCont& list, bool click, int depth)
{
    const int* weights = click ? kClickWeights : kTimedWeights;
    int total = 0;
    for (int k = 0; k < akCount; ++k)
        total += weights[k];
    int r = m_rnd.Int(0, total - 1), kind = 0;
    while (r >= weights[kind])
        r -= weights[kind++];
    // Items that actions put on the stage do not add or replace further items.
    if (depth > 0 && (kind == akAdd || kind == akReplace))
        kind = akHide;
    TScene* scene = owner->Scene();
    ++m_actions;
    switch (kind) {
    case akShow:
        newAction<TActionShowItem>(owner, list, click)->SetTarget(targetItem(scene, false));
        break;
    case akHide:
        newAction<TActionHideItem>(owner, list, click)->SetTarget(targetItem(scene, false));
        break;
    case akShowBackground:
        newAction<TActionShowItem>(owner, list, click)->SetTarget(nullptr);
        break;
    case akHideBackground:
        newAction<TActionHideItem>(owner, list, click)->SetTarget(nullptr);
        break;
    case akAdd: {
        auto* add = newAction<TActionAddItem>(owner, list, click);
        std::unique_ptr<TItemBase> item = actionItem(scene);
        TItemBase* added = item.get();
        add->SetItem(std::move(item));
        addTimedEvents(added, depth + 1);
        addClickEvents(added, depth + 1);
        break;
    }
    case akReplace: {
        auto* replace = newAction<TActionReplaceItem>(owner, list, click);
        std::unique_ptr<TItemBase> item = actionItem(scene);
        // Half of the replacements stand where the item they replace starts.
        if (m_rnd.Chance(50))
            Build::PlaceAt(item.get(), QPoint(owner->Path.PathPoints.first().x, owner->Path.PathPoints.first().y));
        TItemBase* replacement = item.get();
        replace->SetItem(std::move(item));
        addTimedEvents(replacement, depth + 1);
        break;
    }
    case akFreeze:
        newAction<TActionStopAnim>(owner, list, click)->SetTarget(targetItem(scene, true));
        break;
    case akResume:
        newAction<TActionContAnim>(owner, list, click)->SetTarget(targetItem(scene, true));
        break;
    case akColour:
        newAction<TActionChangeColor>(owner, list, click)->Color = colour();
        break;
    case akPlaySound: {
        auto* play = newAction<TActionPlaySound>(owner, list, click);
        play->SetSound(QString::fromLatin1(pick(kSounds)));
        play->Loop = m_rnd.Chance(30);
        break;
    }
    case akStopSound:
        newAction<TActionStopSound>(owner, list, click)->SetSound(QString::fromLatin1(pick(kSounds)));
        break;
    case akGotoScene:
        newAction<TActionGotoScene>(owner, list, click)->SetScene(m_scenes[m_rnd.Int(0, int(m_scenes.size()) - 1)]);
        break;
    case akGotoUrl: {
        const auto& u = pick(kUrls);
        newAction<TActionGotoURL>(owner, list, click)
            ->SetTarget(QString::fromUtf8(u.url), QString::fromLatin1(pick(kFrames)), u.relative && m_rnd.Chance(50));
        break;
    }
    }
}

QString Generator::Build(uint32_t seed)
{
    const int sceneCount = m_rnd.Int(1, 3);
    for (int i = 0; i < sceneCount; ++i) {
        TScene* scene = i == 0 ? Doc().Scene(0) : SceneOps::AddScene();
        scene->Rename(QString::fromLatin1(kSceneNames[i]));
        m_scenes << scene;
        m_textScenes << m_rnd.Chance(45);
    }
    // Items first, events second: actions aim at any item of their scene and at any scene.
    for (TScene* scene : m_scenes) {
        Doc().LogicalScene = scene;
        setUpStage(scene);
        for (int i = m_rnd.Int(2, 6); i > 0; --i)
            addItem(scene);
    }
    for (TScene* scene : m_scenes) {
        Doc().LogicalScene = scene;
        // Only the scene's own items: the ones actions add get their events as they are made.
        QList<TItemBase*> own;
        for (int i = 0; i < scene->ItemCount(); ++i)
            own << scene->Item(i);
        for (TItemBase* item : own) {
            addTimedEvents(item, 0);
            addClickEvents(item, 0);
        }
    }
    for (TScene* scene : m_scenes)
        scene->AfterLoad();
    Doc().LogicalScene = m_scenes.first();
    int texts = 0;
    for (bool t : m_textScenes)
        texts += t;
    return QStringLiteral("seed %1: %2 scene(s) (%3 with text), %4 items, %5 timed events, %6 clickable items, %7 actions")
        .arg(seed)
        .arg(sceneCount)
        .arg(texts)
        .arg(m_items)
        .arg(m_events)
        .arg(m_clicks)
        .arg(m_actions);
}

} // namespace

QString BuildRandomProject(uint32_t seed)
{
    Generator g(seed);
    return g.Build(seed);
}

} // namespace kav
