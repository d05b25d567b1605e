#pragma once
#include "core/baseobject.h"
#include "document/motionpath.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <memory>

namespace kav {

class TActionBase;
class TGfxItemBase;
class TScene;
class TTimeActions;

// Hit kinds of the item hit test.
enum THitKind : int {
    hkNone = -1,
    hkBody = 0,
    hkControlPoint = 1,
    hkEventBeyondPath = 2,
    hkEventOnPath = 3,
    hkSample = 4,
    hkEventBarBottom = 6,
    hkEventBarMiddle = 7,
    hkEventBarTop = 8,
};

struct THit {
    int kind = hkNone;
    int index = -1;
};

// Left, top, right and bottom as the document measures them: right and bottom are exclusive.
struct TBox {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool Contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};

// Something placed on a scene: a motion path, timed events and one graphic that gives its look.
class TItemBase : public TBaseObject {
public:
    KAV_CLASS_NAME(TItemBase)
    explicit TItemBase(TBaseObject* owner = nullptr);
    ~TItemBase() override;

    TMotionPath Path;
    TBaseObjectCont TimedEvents;       // TTimeActions, sorted by Time
    TBaseObjectCont Graphics;          // the first is the graphic
    int32_t Layer = 0;

    QString Name;
    TGfxItemBase* Graphic = nullptr;
    int InstanceNo = 0;
    TActionBase* ActionOwner = nullptr;  // the add or replace action that owns this item
    bool AddedByUserEvent = false;
    QList<TActionBase*> ActionLinks;     // actions aimed at this item; not owned

    // Playback state.
    int X = 0, Y = 0;
    int HotSpotX = 0, HotSpotY = 0;
    int ExtraLeft = 0, ExtraRight = 0;
    bool Visible = true;
    bool VisibleAtFire = true;
    bool Active = true;
    bool KeepShown = false;   // visible when playback stopped: stays drawn until the frame changes
    int StartFrame = 0;
    int SavedStartFrame = 0;
    int OffsetX = 0, OffsetY = 0;
    bool Frozen = false;
    int FreezeFrame = 0;
    int AnimOffset = 0;
    int SampleIndex = 0, PrevSampleIndex = 0;
    bool Forward = true, PrevForward = true;
    int64_t CycleIndex = 0, PrevCycleIndex = 0;
    bool Finished = false;
    int64_t FiredThrough = -1;  // the last tick (from StartFrame) whose timed events have fired
    // The event bar beside the item in the editor (three 20 x 20 boxes, top to bottom).
    QRect EventBar;

    QString ClassDesc() const override;
    void Load(TTextStr& s) override;
    void Save(TTextStr& s, const QString& indent) override;

    TScene* Scene() const;
    TTimeActions* Event(int i) const;
    int EventCount() const { return TimedEvents.Count(); }

    // The graphic becomes the item's; the path starts at the stage centre with the defaults.
    void AttachGraphic(std::unique_ptr<TGfxItemBase> graphic);
    QString GetMediaName() const;
    void SetItemName(const QString& name);

    // Position at the first path point, hot spot from the graphic.
    void ResetPosition();
    TBox BoundingBox() const;
    void MoveBy(int dx, int dy);
    THit HitTest(int x, int y, bool parts, bool markersShown) const;

    // PropertySpeed: events keep their places on the path.
    void SetSpeed(int32_t speed);
    void LayoutEventMarkers();

    // The path commands. Each leaves the item's motion unfinished and its event markers laid out
    // on the new path; the caller records the undo step first and recomputes the frame after.
    void ReversePath();
    bool StraightenPath();  // false (nothing changes) when the ends coincide or there is no path
    void TrimPath();        // cut where the item stands now
    void RemovePath();      // the item stays where it stands, without a path
    void AddPathPoint(int handle);
    // False when the handle was the item's only point: the caller removes the item itself.
    bool RemovePathPoint(int handle, int* selected = nullptr);
    void SetPathType(int menuIndex);
    // A path file replaces the path whole or, on a bad file, not at all (kav::ReadError).
    void LoadPath(const QString& file);
    void SavePath(const QString& file) const;
    // Timed-event list operations.
    void InsertTimedEvent(std::unique_ptr<TTimeActions> event);
    // mode 0: Time equal to frame << 16; 1: the first later; -1: the last earlier.
    TTimeActions* FindTimedEvent(int frame, int mode) const;
    // frames per cycle of the motion, 0 without a moving path
    int FramesPerCycle() const;
    TTimeActions* TimedEventAtFrame(int& frame) const;
    // Sorts, drops empty events (but `current`), merges equal times. True when anything changed.
    bool NormalizeTimedEvents(TTimeActions*& current);
    void SortTimedEvents();
};

} // namespace kav
