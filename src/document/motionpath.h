#pragma once
#include <QColor>
#include <QList>
#include <QPoint>
#include <QString>

#include <algorithm>
#include <array>
#include <cstdint>

class QPainter;

namespace kav {

enum TAnimDirType : uint8_t { adtPath = 0, adtLoop = 1, adtReturn = 2 };

// The four path types the editor offers, in menu order; each is a PathType and a RepeatCount.
enum TPathMenuType : int { pmLoop = 0, pmRepeat = 1, pmOnce = 2, pmReturn = 3 };

// A stage point: two signed 16-bit coordinates, packed into 32 bits with x in the low half.
// Building one from wider numbers clamps to the 16-bit range: a path pushed past the edge of
// the coordinate space stops there instead of wrapping to the opposite side.
struct TStagePoint {
    int16_t x = 0;
    int16_t y = 0;

    constexpr TStagePoint() = default;
    constexpr TStagePoint(int64_t px, int64_t py) : x(Clamp16(px)), y(Clamp16(py)) {}

    static constexpr int16_t Clamp16(int64_t v)
    {
        return static_cast<int16_t>(std::clamp<int64_t>(v, INT16_MIN, INT16_MAX));
    }
    constexpr uint32_t pack() const
    {
        return static_cast<uint32_t>(static_cast<uint16_t>(x)) |
               (static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16);
    }
    static constexpr TStagePoint unpack(uint32_t v)
    {
        TStagePoint p;
        p.x = static_cast<int16_t>(static_cast<uint16_t>(v & 0xFFFFu));
        p.y = static_cast<int16_t>(static_cast<uint16_t>(v >> 16));
        return p;
    }
    QPoint toQPoint() const { return QPoint(x, y); }
    constexpr bool operator==(const TStagePoint&) const = default;
};

// Where an item stands on its path at a frame (before the item's own offset is added).
struct TPathPlace {
    int32_t X = 0;
    int32_t Y = 0;
    int SampleIndex = 0;
    bool Forward = true;
    int64_t CycleIndex = 0;
    bool Finished = false;
};

// One firing of a timed event: its tick (from the item's start) and, for events of one tick,
// the order they fire in: along the path first (by the distance run, so the way back of Back
// And Forth fires in mirrored order), then on the time line by time.
struct TFiring {
    int64_t Tick = -1;
    int Kind = 0;      // 0 on the path, 1 on the time line
    __int128 Key = 0;

    bool operator<(const TFiring& o) const
    {
        if (Tick != o.Tick)
            return Tick < o.Tick;
        if (Kind != o.Kind)
            return Kind < o.Kind;
        return Key < o.Key;
    }
};

// The motion path an item owns: the control polygon, the curve sampled from it, the cumulative
// lengths along the samples and the settings that say how the item runs along it.
//
// Distances are in 1/256 pixel. PathLengths holds 32-bit values: a path up to 8,388,607 pixels
// long is measured exactly, a longer one (only reachable with absurd coordinates) saturates at
// INT32_MAX instead of wrapping. Arithmetic on distances is 64-bit and saturating.
class TMotionPath {
public:
    static constexpr int kMaxSpeed = 99;
    static constexpr int kLoopCloseDistance = 5;   // |dx| and |dy| below this join the ends
    static constexpr int kMaxFilePoints = 1000001; // path files with more points are refused

    QList<TStagePoint> PathPoints{TStagePoint()}; // 2n + 1 control points; one without a path
    QList<TStagePoint> PathSamples;               // 12n + 1 curve points, empty without a path
    QList<int32_t> PathLengths;                   // cumulative length at each sample
    int32_t RepeatCount = -1;
    uint8_t PathType = adtPath;
    int32_t Speed = 5;
    int32_t EndPause = 0;
    // Set when choosing Closed Loop appended a closing segment; ClosedPoint is the end the path
    // had before. Leaving Closed Loop removes the segment again while the flag holds.
    bool ClosedByType = false;
    TStagePoint ClosedPoint{};

    bool HasPath() const { return PathPoints.size() >= 2; }
    bool HasCurve() const { return !PathSamples.isEmpty(); }
    int SegmentCount() const { return PathPoints.size() >= 3 ? int((PathPoints.size() - 1) / 2) : 0; }
    int32_t PathLength() const { return PathLengths.isEmpty() ? 0 : PathLengths.last(); }
    // 64-bit: a speed read from a file may be far beyond what the editor lets the user type.
    int64_t Step() const { return int64_t(Speed) * 256; }
    int64_t CycleLength() const;
    // Frames in one cycle: 0 without a path, without speed or without length.
    int64_t CycleFrames() const;
    // The 16.16 frame count at which the motion stops (2147483647 when it never does).
    int64_t MotionEnd() const;
    // Closed Loop, Back And Forth, or one way repeated for ever.
    bool Repeats() const { return PathType == adtLoop || PathType == adtReturn || RepeatCount == -1; }

    // Samples from the control points, then lengths; a path of fewer than three points has none.
    void Resample();
    void MeasurePath();

    void Reverse();
    // Returns false (and changes nothing) when the ends coincide or there is no path.
    bool Straighten();
    // Cuts the path where the item is now.
    void Trim(int currentSampleIndex, TStagePoint currentPos);
    // The item stays where it is, without a path.
    void Remove(TStagePoint currentPos);
    // Splits the segment of middle handle h into two straight halves meeting on the curve.
    void AddPoint(int handle);
    // A middle handle straightens its segment; an end handle joins its two segments into one.
    // Returns false when the handle is the item's only point: the caller removes the item.
    // selected, when given, is moved back by 2 when it would lie past the end.
    bool RemovePoint(int handle, int* selected = nullptr);
    // Closes the path by joining its ends (the last point moves onto the first, or the first
    // onto the last); used when a dragged end is dropped onto the other end.
    void CloseAsLoop(bool moveFirst = false);
    void MoveBy(int dx, int dy);

    void SetPathTypeByMenu(int menuIndex);
    int MenuIndex() const;
    // The defaults of new items (and of an item that starts its first path) from the settings.
    void TakeDefaultType();
    void TakeDefaults();
    // The speed box: a text that is not a number gives 5; the value is limited to 1 ... 99.
    static int SpeedFromText(const QString& text);
    // Returns whether the speed changed; the new speed becomes the default for new items. The
    // caller moves the timed events with RescaleEventTime so they keep their places.
    bool SetSpeed(int value);
    static uint32_t RescaleEventTime(uint32_t time, int32_t oldSpeed, int32_t newSpeed);

    // Playback geometry.
    // The place at `frame` frames after the item's start.
    TPathPlace PlaceAtFrame(int64_t frame) const;
    // The last sample whose cumulative length is at most d (0 without samples).
    int SampleAtDistance(int64_t d) const;
    // The point d along the path, running forward; sample (if given) receives the sample before it.
    QPoint PointAtDistance(int64_t d, int* sample = nullptr) const;
    // When a timed event at `time` (16.16 frames from the item's start) fires: the first tick
    // after `after` (-1 before the first tick) at which the item is at the event's place, or on
    // the time line past the end of a motion that stops. Tick -1 when it never fires again.
    TFiring NextFiring(uint32_t time, int64_t after) const;
    // Distance along the path of a 16.16 event time.
    int64_t EventDistance(uint32_t time) const;
    // The frame at which the item reaches a sample, given its current frame, start frame,
    // direction and cycle.
    int64_t FrameOfSample(int sample, int64_t frame, int64_t startFrame, bool forward, int64_t cycleIndex) const;

    // Path files (.pth). Saving writes nothing without points. Loading reads and checks the
    // whole file before changing anything: a malformed file throws kav::ReadError naming the
    // file and the line and leaves the path as it was.
    void SavePathFile(const QString& file) const;
    void LoadPathFile(const QString& file);
    // As SavePathFile/LoadPathFile on the text of a file; source names it in errors.
    QByteArray PathFileText() const;
    void LoadPathFileText(const QString& source, const QString& text);
};

// B[i][j] = C(2, j) t^j (1 - t)^(2 - j) for t = i / 12.
const std::array<std::array<long double, 3>, 13>& Bernstein();
// The curve point at t = i / 12 of a segment, truncated toward zero. Evaluated exactly in
// integers ((12-i)^2, 2i(12-i) and i^2 over 144) so a point that should be whole is not lost
// to a rounding error a hair below it.
TStagePoint CurvePoint(const QList<TStagePoint>& ctrl, int segment, int i);
// The control point that puts handle h (a control point index) at the mouse: end handles are the
// mouse itself; a middle handle makes the curve pass through the mouse at t = 0.5.
TStagePoint ControlPointFromHandle(const QList<TStagePoint>& ctrl, int handle, TStagePoint mouse);
// The curve sampled at 13 points per segment, joints stored once.
QList<TStagePoint> SampleCurve(const QList<TStagePoint>& ctrl);

// Drawing. Colours are 32-bit values with red in the low byte.
uint32_t ContrastColor(uint32_t stageColor);
QColor ColorFromRef(uint32_t color);
// The samples as a polyline (closed for loops) with end and middle handles, as a selected item
// shows its path on the stage.
void DrawPath(QPainter& painter, const TMotionPath& path, uint32_t stageColor);
// The handles of a control polygon: ends as circles, middles as triangles pointing along the
// curve at sample 6h.
void DrawHandles(QPainter& painter, const QList<TStagePoint>& ctrl, const QList<TStagePoint>& samples);

} // namespace kav
