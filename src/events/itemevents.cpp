#include "events/itemevents.h"

#include "config/settings.h"
#include "document/item.h"
#include "document/scene.h"
#include "events/actionbase.h"
#include "events/timeactions.h"

#include <algorithm>
#include <limits>

namespace kav {

void ForEachTimedAction(const TScene& scene,
                        const std::function<void(const TItemBase&, const TTimeActions&, const TActionBase&)>& visit)
{
    for (int i = 0; i < scene.ItemCount(); ++i) {
        const TItemBase& item = *scene.Item(i);
        for (int e = 0; e < item.EventCount(); ++e) {
            const TTimeActions& event = *item.Event(e);
            for (const auto& a : event.FActions)
                visit(item, event, static_cast<const TActionBase&>(*a));
        }
    }
}

namespace {
// The largest whole frame a 16.16 time holds.
constexpr int64_t kMaxEventFrame = 0xFFFF;
} // namespace

int FrameOfSample(const TItemBase& item, int frame, int sample)
{
    // Direction and pass as playback finds them at this frame.
    const TPathPlace place = item.Path.PlaceAtFrame(int64_t(frame) - item.StartFrame);
    const int64_t f = item.Path.FrameOfSample(sample, frame, item.StartFrame, place.Forward, place.CycleIndex);
    return int(std::clamp<int64_t>(f, 0, std::numeric_limits<int>::max()));
}

int ItemLastFrame(const TItemBase& item)
{
    const TMotionPath& path = item.Path;
    int64_t cf = item.FramesPerCycle();
    if (path.HasPath() && path.Speed > 0 && path.CycleLength() < cf * path.Step())
        --cf;
    const bool oneWay = path.PathType == adtPath;
    if (cf == 0 || !path.HasPath() || (oneWay && path.RepeatCount != -1))
        cf += settings().ExtraFrames;
    if (oneWay && path.RepeatCount == -1 && item.EventCount() > 0)
        cf = std::max<int64_t>(cf, item.Event(item.EventCount() - 1)->Time >> 16);
    return int(std::clamp<int64_t>(cf + item.StartFrame, 0, std::numeric_limits<int>::max()));
}

uint32_t DragMarkerTo(TItemBase& item, TTimeActions& event, QPoint mouse)
{
    const TMotionPath& path = item.Path;
    const int64_t step = path.Step();
    const int count = int(path.PathSamples.size());
    if (event.MarkerSample < 0 || count == 0 || path.PathLengths.size() != path.PathSamples.size() || step <= 0)
        return event.Time;
    const int64_t mx = int64_t(mouse.x()) - event.MarkerX, my = int64_t(mouse.y()) - event.MarkerY;
    if (mx * mx + my * my <= 9)
        return event.Time;

    const int last = count - 1;
    const int at = std::min(event.MarkerSample, last);
    int first, window;
    if (path.PathType == adtLoop) {
        first = ((at - 10) % count + count) % count;
        window = 20;
    } else {
        first = std::max(0, at - 10);
        window = std::min(20, count - first);
    }
    int best = at;
    int64_t bestDistance = std::numeric_limits<int64_t>::max();
    for (int k = 0; k < window; ++k) {
        const int i = (first + k) % count;
        const int64_t dx = int64_t(path.PathSamples[i].x) - mouse.x(), dy = int64_t(path.PathSamples[i].y) - mouse.y();
        const int64_t d = dx * dx + dy * dy;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    event.MarkerSample = best;
    event.MarkerX = path.PathSamples[best].x;
    event.MarkerY = path.PathSamples[best].y;
    event.MarkerDistance = path.PathLengths[best];
    const int64_t length = path.PathLengths[best];
    // Rounded up, so the item has reached the sample at that frame; the end is where it stops.
    const int64_t frames = best == last ? length / step : (length + step - 1) / step;
    event.Time = uint32_t(std::min(frames, kMaxEventFrame) << 16);
    return event.Time;
}

bool MoveEventInTime(const TItemBase& item, TTimeActions& event, int frames, int& currentFrame)
{
    const int64_t old = event.Time;
    int64_t time = old;
    int64_t frame = currentFrame;
    if (frames > 0) {
        // Limited, but a move forward never takes anything back.
        const int64_t lastFrame = ItemLastFrame(item);
        const int64_t lastTime = std::clamp<int64_t>(lastFrame - item.StartFrame, 0, kMaxEventFrame) << 16;
        time = std::max(old, std::min(old + int64_t(frames) * 65536, lastTime));
        frame = std::max(frame, std::min(frame + frames, lastFrame));
    } else if (frames < 0) {
        time = std::max<int64_t>(0, old + int64_t(frames) * 65536);
        frame = std::max<int64_t>(0, frame + frames);
    }
    event.Time = uint32_t(time);
    currentFrame = int(frame);
    return time != old;
}

TTimeActions* EventAtSameTime(const TItemBase& item, const TTimeActions& event)
{
    for (int i = 0; i < item.EventCount(); ++i)
        if (item.Event(i) != &event && item.Event(i)->Time == event.Time)
            return item.Event(i);
    return nullptr;
}

TTimeActions* TimedEventForAdding(TItemBase& item, int currentFrame)
{
    int frame = std::max(0, currentFrame - item.StartFrame);
    if (TTimeActions* existing = item.TimedEventAtFrame(frame))
        return existing;
    auto event = std::make_unique<TTimeActions>(&item);
    event->Time = uint32_t(std::min<int64_t>(frame, kMaxEventFrame) << 16);
    TTimeActions* added = event.get();
    item.InsertTimedEvent(std::move(event));
    item.LayoutEventMarkers();
    return added;
}

bool DeleteTimedEvent(TItemBase& item, TTimeActions* event)
{
    const int i = item.TimedEvents.IndexOf(event);
    if (i < 0)
        return false;
    item.TimedEvents.Delete(i);
    item.LayoutEventMarkers();
    return true;
}

} // namespace kav
