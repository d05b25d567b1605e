#include "editor/playback.h"

#include "app/settings.h"
#include "document/document.h"
#include "document/gfxitem.h"
#include "document/item.h"
#include "document/scene.h"
#include "events/actionbase.h"
#include "events/actions.h"
#include "events/timeactions.h"

#include <QSet>

namespace kav {

namespace {
constexpr int64_t kForever = 2147483647;

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
    const TMotionPath& path = item->Path;
    item->CycleLength = path.CycleLength();
    if (!path.HasPath())
        item->MotionEnd = 0;
    else if (path.RepeatCount == -1)
        item->MotionEnd = kForever;
    else
        item->MotionEnd = path.Step() > 0 ? ((int64_t(path.RepeatCount) + 1) * item->CycleLength / path.Step() + 1) * 65536 : 0;
    item->CycleFrames = path.CycleFrames();
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
    const int64_t a = frame - item->StartFrame;
    int64_t s = int64_t(item->StartFrame) * 65536;
    const int64_t step = item->Path.Step();
    const int64_t C = item->CycleLength;
    const int64_t E = item->MotionEnd;
    const bool back = item->Path.PathType == adtReturn;
    auto count = [&] { return item->EventCount(); };
    auto time = [&](int i) { return int64_t(item->Event(i)->Time); };
    auto fire = [&](int i, int64_t at) { item->Event(i)->Fire(uint32_t(at), live); };

    if (item->Path.HasPath() && step > 0 && C > 0) {
        const int64_t G = (C / step) * 65536;
        const int64_t n = (a * step) / C;
        const int64_t f = ((a * step) % C) / step;
        item->CycleIndex = n;
        int64_t h = 0;
        if (live) {
            h = ((((a - 1) * step) % C) / step) * 65536;
            // Actions get absolute times in live play too, as they do when a frame is
            // recomputed: an item added in a later cycle starts at the frame it was added.
            s += n * G;
        } else {
            for (int64_t c = 0; c < n; ++c) {
                if (!(back && c % 2 == 1)) {
                    for (int i = 0; i < count(); ++i) {
                        if (time(i) > E)
                            break;
                        fire(i, s + time(i));
                    }
                } else {
                    for (int i = count() - 1; i >= 0; --i)
                        if (time(i) <= E)
                            fire(i, s + G - time(i));
                }
                s += G;
            }
            h = 0;
        }
        const bool forward = !(back && n % 2 == 1);
        if (item->Path.RepeatCount == -1 || C >= a * step) {
            const int64_t F = f * 65536;
            // Events the previous cycle passed after its last frame belong to that cycle.
            const int64_t previous = n > 0 ? s - G : s;
            if (forward) {
                if (live && !back && F < h)
                    for (int i = 0; i < count(); ++i)
                        if (time(i) > h)
                            fire(i, previous + time(i));
                for (int i = 0; i < count(); ++i) {
                    const int64_t t = time(i);
                    if (t > F)
                        break;
                    if (t < h || (t == h && h > 0))
                        continue;
                    if (live && t == 0 && a == 1 && item->StartFrame == 0)
                        continue;
                    fire(i, s + t);
                }
            } else {
                if (live && back && F < h)
                    for (int i = count() - 1; i >= 0; --i)
                        if (time(i) >= h)
                            fire(i, previous + time(i));
                for (int i = count() - 1; i >= 0; --i) {
                    const int64_t t = time(i);
                    if (t < G - F)
                        break;
                    if (t < G - h)
                        fire(i, s + G - t);
                }
            }
        }
    }
    if (E != kForever) {
        const int64_t t = a * 65536;
        const int64_t p = live ? t - 65536 : 0;
        for (int i = 0; i < count(); ++i) {
            const int64_t et = time(i);
            if (et > t)
                break;
            if (et < p || et < E || (et == p && p > 0))
                continue;
            if (live && et == 0 && t > 0 && item->StartFrame == 0)
                continue;
            fire(i, et + int64_t(item->StartFrame) * 65536);
        }
    }
}

void TPlayback::FireUserEvents(TItemBase* item, int frame)
{
    if (!item->Graphic || item->Graphic->UserEvents.IsEmpty())
        return;
    item->VisibleAtFire = item->Visible;
    TBaseObjectCont& list = item->Graphic->UserEvents;
    for (int i = 0; i < list.Count(); ++i)
        static_cast<TActionBase*>(list.At(i))->PlayAction(uint32_t(int64_t(frame) << 16), true);
}

void TPlayback::RecomputeFrame()
{
    if (Playing || !m_scene)
        return;
    ResetStage();
    const int n = m_scene->ItemCount();
    for (int i = 0; i < n; ++i)
        ResetItem(m_scene->Item(i), false);
    QSet<TItemBase*> handled;
    for (;;) {
        QList<TItemBase*> pass;
        for (int i = 0; i < m_scene->ItemCount(); ++i) {
            TItemBase* item = m_scene->Item(i);
            if (item->Active && !handled.contains(item)) {
                AdvanceItem(item, CurFrame);
                handled.insert(item);
                pass.append(item);
            }
        }
        if (pass.isEmpty())
            break;
        for (TItemBase* item : pass)
            FireDueEvents(item, CurFrame, false);
    }
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
    for (int i = 0; i < m_scene->ItemCount(); ++i) {
        ResetItem(m_scene->Item(i), !fromFrame);
        AdvanceItem(m_scene->Item(i), PlayFrame);
    }
    Playing = true;
    for (int i = 0; i < m_scene->ItemCount(); ++i)
        FireDueEvents(m_scene->Item(i), PlayFrame, !fromFrame);
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
    for (int i = 0; i < m_scene->ItemCount(); ++i) {
        ResetItem(m_scene->Item(i), true);
        AdvanceItem(m_scene->Item(i), 0);
    }
    for (int i = 0; i < m_scene->ItemCount(); ++i)
        FireDueEvents(m_scene->Item(i), 0, true);
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
    m_sound->Play(Doc().SoundFolder() + name + QStringLiteral(".wav"), loop);
    TickSounds.append(QStringLiteral("start ") + name + (loop ? QStringLiteral(" loop") : QString()));
}

void TPlayback::StopSound(const QString& name)
{
    m_sound->StopAll();
    TickSounds.append(QStringLiteral("stop ") + name);
}

} // namespace kav
