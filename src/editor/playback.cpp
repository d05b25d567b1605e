#include "editor/playback.h"

#include "config/settings.h"
#include "document/document.h"
#include "document/gfxitem.h"
#include "document/item.h"
#include "core/limits.h"
#include "document/scene.h"
#include "events/actionbase.h"
#include "events/actions.h"
#include "events/timeactions.h"

#include <QVarLengthArray>

#include <algorithm>

namespace kav {

namespace {

bool addedByUserEventChain(const TItemBase* item)
{
    // The adding item was itself added by a user event, and so on up.
    const TItemBase* adder = item->ActionOwner ? dynamic_cast<const TItemBase*>(item->ActionOwner->Owner) : nullptr;
    return adder && adder->ActionOwner && adder->AddedByUserEvent;
}
} // namespace

TPlayback::TPlayback() { SetPlaybackSink(this); }

TPlayback::~TPlayback()
{
    if (&PlaybackSink() == this)
        SetPlaybackSink(nullptr);
}

void TPlayback::LogicalSetScene(TScene* scene)
{
    m_scene = scene;
    Doc().LogicalScene = scene;
}

void TPlayback::SetScene(TScene* scene)
{
    if (scene == m_scene)
        return;
    m_selected = nullptr;
    if (scene)
        scene->Stage->HideBackground = false;
    LogicalSetScene(scene);
    SetCurTimeLine(0);
    if (SceneChanged)
        SceneChanged();
}

void TPlayback::SetCurTimeLine(int frame)
{
    frame = std::max(0, frame);
    if (frame == CurFrame)
        return;
    if (m_scene)
        for (int i = 0; i < m_scene->ItemCount(); ++i)
            m_scene->Item(i)->KeepShown = false;
    CurFrame = frame;
}

void TPlayback::ResetStage()
{
    if (m_scene)
        m_scene->Stage->ResetPlayback();
}

void TPlayback::ResetItem(TItemBase* item, bool forPlay)
{
    if (!item->Graphics.IsEmpty())
        item->Graphic = static_cast<TGfxItemBase*>(item->Graphics.At(0));
    if (item->Graphic)
        item->Graphic->ResetPlayback();
    item->CycleIndex = item->PrevCycleIndex = 0;
    // The motion's cycle, end and the firing of events all follow from the path itself.
    const TMotionPath& path = item->Path;
    item->SampleIndex = item->PrevSampleIndex = 0;
    if (!path.PathPoints.isEmpty()) {
        item->X = path.PathPoints[0].x;
        item->Y = path.PathPoints[0].y;
    }
    item->OffsetX = item->OffsetY = 0;
    item->Forward = item->PrevForward = true;

    if (!forPlay && item->AddedByUserEvent && item->ActionOwner) {
        const TBaseObject* adder = item->ActionOwner->Owner;
        item->Active = item == m_selected || (m_selected && adder == m_selected);
    } else if (!forPlay && item->ActionOwner && addedByUserEventChain(item)) {
        item->Active = item == m_selected;
    } else {
        item->Active = item->ActionOwner == nullptr;
        item->SavedStartFrame = item->StartFrame;
        item->StartFrame = 0;
    }
    item->Visible = item->Active;
    item->Finished = item->Frozen = false;
    item->FiredThrough = -1;
    item->AnimOffset = item->FreezeFrame = 0;
}

void TPlayback::AdvanceItem(TItemBase* item, int frame)
{
    const int a = frame - item->StartFrame;
    if (a < 0)
        return;
    if (!item->Active)
        return;
    if (item->Graphic)
        item->Graphic->Advance(a);
    if (item->Finished || !item->Path.HasPath())
        return;
    item->PrevSampleIndex = item->SampleIndex;
    item->PrevForward = item->Forward;
    item->PrevCycleIndex = item->CycleIndex;
    const TPathPlace place = item->Path.PlaceAtFrame(a);
    item->SampleIndex = place.SampleIndex;
    item->Forward = place.Forward;
    item->CycleIndex = place.CycleIndex;
    item->Finished = place.Finished;
    item->X = place.X + item->OffsetX;
    item->Y = place.Y + item->OffsetY;
}

void TPlayback::StopItem(TItemBase* item)
{
    item->KeepShown = item->Visible;
    if (item->Graphic)
        item->Graphic->Rewind();
    item->StartFrame = item->SavedStartFrame;
}

void TPlayback::FireDueEvents(TItemBase* item, int frame, bool live)
{
    if (!item->Active || frame < item->StartFrame)
        return;
    const int64_t a = int64_t(frame) - item->StartFrame;
    const int64_t after = item->FiredThrough;
    if (a <= after)
        return;
    item->FiredThrough = a;
    // Every event due since the last call, each once, in the order the item passed them.
    struct Due {
        TFiring at;
        int index;
    };
    QVarLengthArray<Due, 8> due;
    const int n = item->EventCount();
    for (int i = 0; i < n; ++i) {
        const TFiring f = item->Path.NextFiring(item->Event(i)->Time, after);
        if (f.Tick >= 0 && f.Tick <= a)
            due.append({f, i});
    }
    std::stable_sort(due.begin(), due.end(), [](const Due& x, const Due& y) { return x.at < y.at; });
    QVarLengthArray<TTimeActions*, 8> events;
    for (const Due& d : due)
        events.append(item->Event(d.index));
    for (TTimeActions* e : events)
        e->Fire(int64_t(frame) << 16, live);
}

int64_t TPlayback::NextDueFrame(const TItemBase* item) const
{
    if (!item->Active)
        return -1;
    int64_t best = -1;
    for (int i = 0; i < item->EventCount(); ++i) {
        const TFiring f = item->Path.NextFiring(item->Event(i)->Time, item->FiredThrough);
        if (f.Tick >= 0 && (best < 0 || f.Tick < best))
            best = f.Tick;
    }
    return best < 0 ? -1 : best + item->StartFrame;
}

void TPlayback::CatchUp(int frame)
{
    // Exactly what live play does from frame 0 to `frame`, without sound, pages or scene
    // changes, visiting only the frames at which some event is due.
    int64_t t = 0;
    for (;;) {
        for (int i = 0; i < m_scene->ItemCount(); ++i)
            FireDueEvents(m_scene->Item(i), int(t), false);
        if (t >= frame)
            break;
        int64_t next = frame;
        for (int i = 0; i < m_scene->ItemCount(); ++i) {
            const int64_t due = NextDueFrame(m_scene->Item(i));
            if (due >= 0)
                next = std::min(next, std::max(due, t + 1));
        }
        t = next;
    }
}

void TPlayback::FireUserEvents(TItemBase* item, int frame)
{
    if (!item->Graphic || item->Graphic->UserEvents.IsEmpty())
        return;
    item->VisibleAtFire = item->Visible;
    TBaseObjectCont& list = item->Graphic->UserEvents;
    for (int i = 0; i < list.Count(); ++i)
        static_cast<TActionBase*>(list.At(i))->PlayAction(int64_t(frame) << 16, true);
}

void TPlayback::RecomputeFrame()
{
    if (Playing || !m_scene)
        return;
    ResetStage();
    for (int i = 0; i < m_scene->ItemCount(); ++i)
        ResetItem(m_scene->Item(i), false);
    CatchUp(CurFrame);
    for (int i = 0; i < m_scene->ItemCount(); ++i)
        AdvanceItem(m_scene->Item(i), CurFrame);
}

void TPlayback::Start(bool wholeKavelin)
{
    if (Playing)
        return;
    PlayStartScene = m_scene;
    PlayStartItem = m_selected;
    if (wholeKavelin) {
        CurFrame = 0;
        SetScene(Doc().Scene(0));
    }
    if (!m_scene)
        return;
    ResetSoundState();
    HoverCursor = nullptr;
    TickSounds.clear();
    TickUrls.clear();
    const bool fromFrame = settings().PlayFromFrame;
    PlayFrame = fromFrame ? CurFrame : 0;
    PendingScene = nullptr;
    ResetStage();
    for (int i = 0; i < m_scene->ItemCount(); ++i)
        ResetItem(m_scene->Item(i), !fromFrame);
    if (fromFrame) {
        // The frames before replay silently: items appear, colours change, no sound or page.
        CatchUp(PlayFrame);
        Playing = true;
    } else {
        Playing = true;
        for (int i = 0; i < m_scene->ItemCount(); ++i)
            FireDueEvents(m_scene->Item(i), PlayFrame, true);
    }
    for (int i = 0; i < m_scene->ItemCount(); ++i)
        AdvanceItem(m_scene->Item(i), PlayFrame);
    if (PendingScene)
        SwitchScene();
}

void TPlayback::Tick()
{
    if (!Playing || !m_scene)
        return;
    TickSounds.clear();
    TickUrls.clear();
    ++PlayFrame;
    for (int i = 0; i < m_scene->ItemCount(); ++i)
        FireDueEvents(m_scene->Item(i), PlayFrame, true);
    if (PendingScene) {
        SwitchScene();
        return;
    }
    for (int i = 0; i < m_scene->ItemCount(); ++i) {
        TItemBase* item = m_scene->Item(i);
        if (item->Active)
            AdvanceItem(item, PlayFrame);
    }
}

void TPlayback::SwitchScene()
{
    TScene* target = PendingScene;
    PendingScene = nullptr;
    // The selection belongs to the scene being left.
    m_selected = nullptr;
    if (target != m_scene) {
        target->Stage->HideBackground = false;
        LogicalSetScene(target);
        if (SceneChanged)
            SceneChanged();
    }
    PlayFrame = 0;
    ResetStage();
    for (int i = 0; i < m_scene->ItemCount(); ++i)
        ResetItem(m_scene->Item(i), true);
    for (int i = 0; i < m_scene->ItemCount(); ++i)
        FireDueEvents(m_scene->Item(i), 0, true);
    for (int i = 0; i < m_scene->ItemCount(); ++i)
        AdvanceItem(m_scene->Item(i), 0);
    // A go-to at frame 0 of the new scene: follow it at the next tick, not in a loop here.
}

void TPlayback::Stop()
{
    if (!Playing)
        return;
    Playing = false;
    m_sound->StopAll();
    ResetSoundState();
    HoverCursor = nullptr;
    if (m_scene)
        for (int i = 0; i < m_scene->ItemCount(); ++i)
            StopItem(m_scene->Item(i));
    if (settings().StopResetFrame) {
        SetScene(PlayStartScene);
        CurFrame = 0;
    } else {
        CurFrame = PlayFrame;
    }
    if (m_scene != PlayStartScene)
        m_selected = nullptr;
    RecomputeFrame();
}

bool TPlayback::RewindScene()
{
    if (CurFrame <= 0)
        return false;
    SetCurTimeLine(0);
    RecomputeFrame();
    return true;
}

bool TPlayback::RewindBanner()
{
    if (m_scene == Doc().Scene(0) && CurFrame <= 0)
        return false;
    SetCurTimeLine(0);
    SetScene(Doc().Scene(0));
    RecomputeFrame();
    return true;
}

void TPlayback::StepForward(int frames)
{
    SetCurTimeLine(CurFrame + std::max(1, frames));
    RecomputeFrame();
}

void TPlayback::StepBack(int frames)
{
    if (CurFrame <= 0)
        return;
    SetCurTimeLine(std::max(0, CurFrame - std::max(1, frames)));
    RecomputeFrame();
}

TItemBase* TPlayback::ItemAt(QPoint at) const
{
    if (!m_scene)
        return nullptr;
    for (int i = m_scene->ItemCount() - 1; i >= 0; --i) {
        TItemBase* item = m_scene->Item(i);
        if (item->Visible && item->HitTest(at.x(), at.y(), false, false).kind == hkBody)
            return item;
    }
    return nullptr;
}

void TPlayback::Click(QPoint at)
{
    if (!Playing)
        return;
    TickSounds.clear();
    TickUrls.clear();
    if (TItemBase* item = ItemAt(at))
        FireUserEvents(item, PlayFrame);
    if (PendingScene)
        SwitchScene();
}

void TPlayback::Hover(QPoint at)
{
    TItemBase* item = Playing ? ItemAt(at) : nullptr;
    HoverClickable = item && item->Graphic && !item->Graphic->UserEvents.IsEmpty();
    HoverCursor = HoverClickable ? item->Graphic->CursorBitmap : nullptr;
}

void TPlayback::GotoScene(TScene* scene)
{
    if (scene)
        PendingScene = scene;
}

void TPlayback::OpenUrl(const QString& url, const QString& frame, bool relative)
{
    // The editor shows no pages while playing; the trace records what a browser would open.
    TickUrls.append(url + QLatin1Char(' ') + frame + (relative ? QStringLiteral(" relative") : QString()));
}

// The actions decide when a sound starts or stops (a looping sound is not restarted by its own
// action); here it only reaches the speakers and the trace.
void TPlayback::PlaySound(const QString& name, bool loop, TActionPlaySound*)
{
    if (Limits::IsNameInsideFolder(name))
        m_sound->Play(Doc().SoundFolder() + name + QStringLiteral(".wav"), loop);
    TickSounds.append(QStringLiteral("start ") + name + (loop ? QStringLiteral(" loop") : QString()));
}

void TPlayback::StopSound(const QString& name)
{
    m_sound->StopAll();
    TickSounds.append(QStringLiteral("stop ") + name);
}

} // namespace kav
