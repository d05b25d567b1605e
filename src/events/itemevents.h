#pragma once
#include <QPoint>
#include <cstdint>
#include <functional>

namespace kav {

class TActionBase;
class TItemBase;
class TScene;
class TTimeActions;

// Every action of every timed event of the scene's items (items that actions add included), in
// item and event order.
void ForEachTimedAction(const TScene& scene,
                        const std::function<void(const TItemBase&, const TTimeActions&, const TActionBase&)>& visit);

// Editing an item's timed events in time and along its path. Frames given and returned here
// are the scene's frames (the item's start frame included); event times are 16.16 frames from
// the item's start.

// The frame at which the item reaches a path sample, seen from the current frame: later in
// the pass it is making there, or, on the way back of Back And Forth, later on that way back.
int FrameOfSample(const TItemBase& item, int frame, int sample);

// The last frame up to which an event of the item can be moved in time.
int ItemLastFrame(const TItemBase& item);

// Follows the mouse with a marker held on the path: beyond 3 pixels from the marker it snaps
// to the nearest of 20 samples around its own and takes that sample's time. Returns the
// event's Time (unchanged for a column marker or a small move); the current frame becomes
// (Time >> 16) + the item's start frame.
uint32_t DragMarkerTo(TItemBase& item, TTimeActions& event, QPoint mouse);

// Moves an event by `frames` (negative: back) together with the current frame: forward both
// stop at the item's last frame, back both stop at 0. Returns whether the event's time changed.
bool MoveEventInTime(const TItemBase& item, TTimeActions& event, int frames, int& currentFrame);

// Another event of the item at the event's time: finishing a drag or a move would merge them.
TTimeActions* EventAtSameTime(const TItemBase& item, const TTimeActions& event);

// The event that new actions at the current frame go into: the one at that time (on a
// repeating path, the time within the pass), else a new empty one inserted in time order.
TTimeActions* TimedEventForAdding(TItemBase& item, int currentFrame);

// Removes the event from the item and destroys it with its actions; false when the item does
// not hold it.
bool DeleteTimedEvent(TItemBase& item, TTimeActions* event);

} // namespace kav
