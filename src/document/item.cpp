#include "document/item.h"

#include "config/settings.h"
#include "core/errors.h"
#include "core/textstr.h"
#include "document/document.h"
#include "document/gfxitem.h"
#include "document/itemimage.h"
#include "document/itemtext.h"
#include "core/limits.h"
#include "document/scene.h"
#include "events/actionbase.h"
#include "events/timeactions.h"
#include "document/cardrecords.h"
#include "document/fonttables.h"
#include "ui/langstrings.h"

#include <cmath>

namespace kav {

TItemBase::TItemBase(TBaseObject* owner) : TBaseObject(owner)
{
    TimedEvents.Owner = this;
    Graphics.Owner = this;
    Path.PathPoints = {TStagePoint{int16_t(Doc().StageWidth / 2), int16_t(Doc().StageHeight / 2)}};
}

TItemBase::~TItemBase()
{
    // Actions aimed at this item go with it. The action that owns the item takes itself off
    // this list before destroying it; an owner still listed here has lost its item to someone
    // else and goes too, rather than live on without one.
    while (!ActionLinks.isEmpty()) {
        TActionBase* a = ActionLinks.takeLast();
        a->TargetGone(this);
        a->RemoveAndDestroy();
    }
    TimedEvents.ClearItems();
    Graphics.ClearItems();
}

QString TItemBase::ClassDesc() const { return Graphic ? Graphic->ClassDesc() : QStringLiteral("Item"); }

TScene* TItemBase::Scene() const { return dynamic_cast<TScene*>(Owner); }

TTimeActions* TItemBase::Event(int i) const { return static_cast<TTimeActions*>(TimedEvents.At(i)); }

void TItemBase::Load(TTextStr& s)
{
    Layer = s.ReadInteger();
    const int32_t points = s.ReadInteger();
    if (points < 1)
        s.Fail(QStringLiteral("an item needs at least one path point, not %1").arg(points));
    if (points > Limits::kMaxPathPoints)
        s.Fail(QStringLiteral("a path of %1 points is more than the %2 a path may have").arg(points).arg(Limits::kMaxPathPoints));
    QList<TStagePoint> pts;
    for (int32_t i = 0; i < points; ++i) {
        const int32_t x = s.ReadInteger();
        const int32_t y = s.ReadInteger();
        if (x < -32768 || x > 32767 || y < -32768 || y > 32767)
            s.Fail(QStringLiteral("the path point %1, %2 lies outside the stage coordinates").arg(x).arg(y));
        pts.append(TStagePoint{int16_t(x), int16_t(y)});
    }
    if (points % 2 == 0)
        pts.removeLast();  // a path has an odd number of points; an even count lost its last handle
    Path.PathPoints = pts;
    if (s.Mode != smCopy)
        TimedEvents.LoadOf<TTimeActions>(s, this);
    Path.RepeatCount = s.ReadInteger();
    if (Path.RepeatCount < -1)
        Path.RepeatCount = -1;
    const int32_t type = s.ReadInteger();
    if (type < 0 || type > 2)
        s.Fail(QStringLiteral("unknown path type %1").arg(type));
    Path.PathType = uint8_t(type);
    Path.Speed = s.ReadInteger();
    if (Path.Speed < 0 || Path.Speed > 9999)
        s.Fail(QStringLiteral("the speed %1 is out of range").arg(Path.Speed));
    Path.EndPause = s.ReadInteger();
    if (Path.EndPause < 0)
        s.Fail(QStringLiteral("the end pause %1 is negative").arg(Path.EndPause));
    Graphics.LoadOf<TGfxItemBase>(s, this);
    if (Graphics.IsEmpty())
        s.Fail(QStringLiteral("an item needs a graphic"));
    Graphic = static_cast<TGfxItemBase*>(Graphics.At(0));
    SortTimedEvents();
    if (Path.HasPath())
        Path.Resample();
    ResetPosition();
    LayoutEventMarkers();
}

void TItemBase::Save(TTextStr& s, const QString& indent)
{
    if (s.Mode == smApplet) {
        const QString in = Deeper(indent);
        const auto* text = dynamic_cast<const TItemText*>(Graphic);
        {
            const auto* anim = dynamic_cast<const TItemAnim*>(Graphic);
            QStringList extras{QString::number(Path.PathType), QString::number(Path.RepeatCount),
                               QString::number(Path.EndPause), QString::number(anim ? anim->AnimTempoLoop : 0),
                               QString::number(TimedEvents.Count())};
            for (const auto& e : TimedEvents)
                extras << QString::number(static_cast<const TTimeActions*>(e.get())->Time);
            AddCardItemExtras(std::move(extras));
        }
        s.WriteChar(in, text ? QLatin1Char('T') : QLatin1Char('G'));
        const QString name = Name.trimmed().isEmpty() ? QStringLiteral("NoName") : Name;
        if (text)
            s.WriteString(in, QLatin1Char('\'') + CardLine(name) + QLatin1Char('\''));
        else
            WriteCardText(s, in, name);
        const TScene* scene = Scene();
        s.WriteInteger(in, scene ? std::max(0, scene->Items.IndexOf(this)) : 0);
        s.WriteInteger(in, Path.Speed);
        s.WriteInteger(in, Path.PathPoints.size() / 2);
        // The player places the graphic's top-left corner (a text's first baseline) on the path.
        const int halfW = Graphic ? Graphic->Width() / 2 : 0;
        const int halfH = Graphic ? Graphic->Height() / 2 : 0;
        int ascent = 0;
        if (text) {
            const int px = FontPixelSize(text->Font.Size);
            const TIntArray* table = FontAscentTable(text->Font.FontJavaName);
            if (table && px >= 1 && px <= 270)
                ascent = (*table)[px];
        }
        for (const TStagePoint& p : Path.PathPoints) {
            s.WriteInteger(in, p.x - halfW);
            s.WriteInteger(in, p.y - halfH + ascent);
        }
        s.WriteInteger(in, Path.RepeatCount == -1 && Path.PathType == adtPath ? 0 : int(Path.PathType) - 1);
        if (const auto* anim = dynamic_cast<const TItemAnim*>(Graphic))
            s.WriteInteger(in, anim->Tempo);
        else
            s.WriteInteger(in, text ? text->EffectDelay : 1);
        const bool clickable = Graphic && !Graphic->UserEvents.IsEmpty();
        s.WriteInteger(in, TimedEvents.Count() + (clickable ? 1 : 0));
        for (const auto& e : TimedEvents)
            e->Save(s, in);
        if (clickable) {
            s.WriteInteger(in, -1);
            Graphic->UserEvents.Save(s, in);
        }
        if (Graphic)
            Graphic->Save(s, in);
        else
            throw UserError(GetString(QStringLiteral("Error.UnrecognizableItem")));
        return;
    }
    TBaseObject::Save(s, indent);
    const QString in = Deeper(indent);
    const TScene* scene = Scene();
    s.WriteInteger(in, scene ? std::max(0, scene->Items.IndexOf(this)) : 0);
    s.WriteInteger(in, Path.PathPoints.size());
    for (const TStagePoint& p : Path.PathPoints) {
        s.WriteInteger(in, p.x);
        s.WriteInteger(in, p.y);
    }
    if (s.Mode != smCopy)
        TimedEvents.Save(s, in);
    s.WriteInteger(in, Path.RepeatCount);
    s.WriteInteger(in, Path.PathType);
    s.WriteInteger(in, Path.Speed);
    s.WriteInteger(in, Path.EndPause);
    Graphics.Save(s, in);
}

void TItemBase::AttachGraphic(std::unique_ptr<TGfxItemBase> graphic)
{
    graphic->Owner = this;
    Graphic = static_cast<TGfxItemBase*>(Graphics.Add(std::move(graphic)));
    Path.PathPoints = {TStagePoint{int16_t(Doc().StageWidth / 2), int16_t(Doc().StageHeight / 2)}};
    Path.PathSamples.clear();
    Path.PathLengths.clear();
    Path.RepeatCount = settings().PathLoop;
    Path.PathType = uint8_t(std::clamp(settings().PathDirType, 0, 2));
    Path.Speed = settings().PathSpeed;
    Graphic->SetItemName(QString());
    ResetPosition();
}

QString TItemBase::GetMediaName() const { return Graphic ? Graphic->GetMediaName() : QString(); }

void TItemBase::SetItemName(const QString& name)
{
    if (Graphic)
        Graphic->SetItemName(name);
}

void TItemBase::ResetPosition()
{
    if (Graphic)
        Graphic->ResetPlayback();
    if (!Path.PathPoints.isEmpty()) {
        X = Path.PathPoints[0].x;
        Y = Path.PathPoints[0].y;
    }
}

TBox TItemBase::BoundingBox() const
{
    TBox b;
    const int w = Graphic ? Graphic->Width() : 0, h = Graphic ? Graphic->Height() : 0;
    b.left = X - HotSpotX - ExtraLeft;
    b.top = Y - HotSpotY;
    b.right = b.left + w + ExtraRight;
    b.bottom = b.top + h;
    return b;
}

void TItemBase::MoveBy(int dx, int dy)
{
    Path.MoveBy(dx, dy);
    X += dx;
    Y += dy;
    LayoutEventMarkers();
}

THit TItemBase::HitTest(int x, int y, bool parts, bool markersShown) const
{
    const auto strictlyInside = [&](const QRect& r) { return x > r.left() && x < r.left() + r.width() && y > r.top() && y < r.top() + r.height(); };
    if (parts) {
        static const int kinds[3] = {hkEventBarTop, hkEventBarMiddle, hkEventBarBottom};
        for (int k = 0; k < 3; ++k)
            if (strictlyInside(QRect(EventBar.left(), EventBar.top() + 20 * k, 20, 20)))
                return {kinds[k], 0};
        if (markersShown) {
            const bool runsOnce = Path.PathType == adtPath && Path.RepeatCount == 0;
            for (int i = 0; i < EventCount(); ++i) {
                const TTimeActions* e = Event(i);
                if (e->MarkerSample < 0 && !runsOnce)
                    continue;
                if (std::abs(e->MarkerX - x) <= 4 && std::abs(e->MarkerY - y) <= 4)
                    return {e->MarkerSample < 0 ? hkEventBeyondPath : hkEventOnPath, i};
            }
        }
        if (Path.HasPath() && !Path.PathSamples.isEmpty()) {
            for (int i = 0; i < Path.PathPoints.size(); ++i) {
                const int si = 6 * i;
                if (si >= Path.PathSamples.size())
                    break;
                const TStagePoint p = Path.PathSamples[si];
                if (std::abs(p.x - x) <= 7 && std::abs(p.y - y) <= 7)
                    return {hkControlPoint, i};
            }
        }
    }
    const TBox box = BoundingBox();
    if (box.Contains(x, y))
        return (Graphic && Graphic->HitPixel(x - box.left, y - box.top)) ? THit{hkBody, 0} : THit{};
    if (parts && Path.HasPath())
        for (int i = 0; i < Path.PathSamples.size(); ++i) {
            const TStagePoint p = Path.PathSamples[i];
            if (std::abs(p.x - x) <= 5 && std::abs(p.y - y) <= 5)
                return {hkSample, i};
        }
    return {};
}

void TItemBase::SetSpeed(int32_t speed)
{
    const int32_t old = Path.Speed;
    if (!Path.SetSpeed(speed))
        return;
    // Events keep their places on the path.
    for (int i = 0; i < EventCount(); ++i)
        Event(i)->Time = TMotionPath::RescaleEventTime(Event(i)->Time, old, Path.Speed);
    LayoutEventMarkers();
}

namespace {
// What every path command leaves behind.
void pathChanged(TItemBase& item)
{
    item.Finished = false;
    item.LayoutEventMarkers();
}
} // namespace

void TItemBase::ReversePath()
{
    Path.Reverse();
    pathChanged(*this);
}

bool TItemBase::StraightenPath()
{
    if (!Path.Straighten())
        return false;
    pathChanged(*this);
    return true;
}

void TItemBase::TrimPath()
{
    Path.Trim(SampleIndex, TStagePoint(X, Y));
    pathChanged(*this);
}

void TItemBase::RemovePath()
{
    Path.Remove(TStagePoint(X, Y));
    pathChanged(*this);
}

void TItemBase::AddPathPoint(int handle)
{
    Path.AddPoint(handle);
    pathChanged(*this);
}

bool TItemBase::RemovePathPoint(int handle, int* selected)
{
    if (!Path.RemovePoint(handle, selected))
        return false;
    pathChanged(*this);
    return true;
}

void TItemBase::SetPathType(int menuIndex)
{
    Path.SetPathTypeByMenu(menuIndex);
    pathChanged(*this);
}

void TItemBase::LoadPath(const QString& file)
{
    Path.LoadPathFile(file);
    pathChanged(*this);
}

void TItemBase::SavePath(const QString& file) const { Path.SavePathFile(file); }

void TItemBase::LayoutEventMarkers()
{
    const TScene* scene = Scene();
    QRect area(0, 0, Doc().StageWidth, Doc().StageHeight);
    if (scene && scene->Stage && scene->Stage->BorderVisible)
        area = scene->Stage->InnerArea(Doc().StageWidth, Doc().StageHeight);
    const int areaLeft = area.left(), areaTop = area.top();
    const int areaRight = area.left() + area.width(), areaBottom = area.top() + area.height();
    const TBox b = BoundingBox();

    int dx = 0;
    if (b.right + 20 > areaRight && areaRight > b.left + 10)
        dx = b.left - b.right - 20;
    else if (areaLeft > b.right - 5)
        dx = -b.right - 20;
    int dy = 0;
    if (b.top < areaTop) {
        if (b.bottom > 20)
            dy = areaTop - b.top;
    } else if (b.top + 60 > areaBottom && areaBottom > b.top + 20) {
        dy = areaBottom - b.top - 60;
    }
    EventBar = QRect(b.right + dx + 1, b.top + dy, 20, 60);

    const int64_t F = int64_t(Path.Speed) * 256;
    const bool onPath = Path.HasPath() && !Path.PathLengths.isEmpty();
    const int64_t length = onPath ? Path.PathLengths.last() : 0;
    int column = 0;
    for (int i = 0; i < EventCount(); ++i) {
        TTimeActions* e = Event(i);
        const int64_t t = e->Time;
        const int64_t d = (t / 65536) * F + ((t % 65536) * F) / 65536;
        if (!onPath || d > length) {
            e->MarkerX = b.right + dx + 11;
            e->MarkerY = b.top + dy + 64 + 11 * column++;
            e->MarkerSample = -1;
            continue;
        }
        int si = int(Path.PathLengths.size()) - 1;
        while (si > 0 && Path.PathLengths[si] > d)
            --si;
        e->MarkerSample = si;
        e->MarkerDistance = int32_t(d);
        e->MarkerX = Path.PathSamples[si].x;
        e->MarkerY = Path.PathSamples[si].y;
        const int64_t r = d - Path.PathLengths[si];
        if (r > 0 && si + 1 < Path.PathSamples.size()) {
            const int64_t ex = Path.PathSamples[si + 1].x - Path.PathSamples[si].x;
            const int64_t ey = Path.PathSamples[si + 1].y - Path.PathSamples[si].y;
            const int64_t L = int64_t(std::sqrt(double(ex * ex + ey * ey)));
            if (L != 0) {
                e->MarkerX += int32_t(int64_t(std::trunc(double(r * ex) / double(L))) / 256);
                e->MarkerY += int32_t(int64_t(std::trunc(double(r * ey) / double(L))) / 256);
            }
        }
    }
}

void TItemBase::SortTimedEvents()
{
    // Saved lists are in order already; equal times (only a file made elsewhere has them)
    // keep the order of the file, as the editor's own sorting keeps it.
    TimedEvents.StableSort([](const TBaseObject* a, const TBaseObject* b) {
        return static_cast<const TTimeActions*>(a)->Time < static_cast<const TTimeActions*>(b)->Time;
    });
}

void TItemBase::InsertTimedEvent(std::unique_ptr<TTimeActions> event)
{
    event->Owner = this;
    int at = 0;
    while (at < EventCount() && Event(at)->Time <= event->Time)
        ++at;
    TimedEvents.Insert(at, std::move(event));
}

TTimeActions* TItemBase::FindTimedEvent(int frame, int mode) const
{
    const uint32_t t = uint32_t(frame) << 16;
    if (mode == 0) {
        for (int i = 0; i < EventCount(); ++i)
            if (Event(i)->Time == t)
                return Event(i);
    } else if (mode > 0) {
        for (int i = 0; i < EventCount(); ++i)
            if (Event(i)->Time > t)
                return Event(i);
    } else {
        for (int i = EventCount() - 1; i >= 0; --i)
            if (Event(i)->Time < t)
                return Event(i);
    }
    return nullptr;
}

int TItemBase::FramesPerCycle() const
{
    if (!Path.HasPath() || Path.Speed <= 0)
        return 0;
    return int(Path.CycleLength() / (int64_t(Path.Speed) * 256) + 1);
}

TTimeActions* TItemBase::TimedEventAtFrame(int& frame) const
{
    const int cf = FramesPerCycle();
    const bool repeats = Path.PathType == adtLoop || Path.PathType == adtReturn ||
                         (Path.PathType == adtPath && Path.RepeatCount == -1);
    if (cf > 0 && repeats)
        frame %= cf;
    return FindTimedEvent(frame, 0);
}

bool TItemBase::NormalizeTimedEvents(TTimeActions*& current)
{
    bool changed = false;
    const bool hadCurrent = current != nullptr;
    const uint32_t currentTime = current ? current->Time : 0;
    // 1. stable sort by time
    for (int i = 1; i < EventCount(); ++i)
        for (int j = i; j > 0 && Event(j)->Time < Event(j - 1)->Time; --j) {
            TimedEvents.Move(j, j - 1);
            changed = true;
        }
    // 2. empty events go, but the one being edited
    for (int i = EventCount() - 1; i >= 0; --i)
        if (Event(i)->FActions.IsEmpty() && Event(i) != current) {
            TimedEvents.Delete(i);
            changed = true;
        }
    // 3. merge equal times into the earlier event
    for (int i = 1; i < EventCount();) {
        TTimeActions* prev = Event(i - 1);
        TTimeActions* e = Event(i);
        if (e->Time != prev->Time) {
            ++i;
            continue;
        }
        while (!e->FActions.IsEmpty()) {
            auto a = e->FActions.Extract(0);
            static_cast<TActionBase*>(a.get())->ParentList = &prev->FActions;
            prev->FActions.Add(std::move(a));
        }
        if (e == current)
            current = prev;
        TimedEvents.Delete(i);
        changed = true;
    }
    // 4. find the edited event again by its time
    if (hadCurrent) {
        current = nullptr;
        for (int i = 0; i < EventCount(); ++i)
            if (Event(i)->Time == currentTime) {
                current = Event(i);
                break;
            }
    }
    if (changed)
        LayoutEventMarkers();
    return changed;
}

} // namespace kav
