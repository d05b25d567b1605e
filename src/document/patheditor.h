#pragma once
#include "document/motionpath.h"

#include <QList>
#include <QRect>

#include <optional>
#include <vector>

class QPainter;

namespace kav {

enum TPathEditState : int {
    pesIdle = 0,     // handles shown, nothing dragged
    pesDragging = 1, // a handle follows the mouse
    pesWaiting = 2,  // waiting for the stroke to begin on the item
    pesDrawing = 3,  // the freehand stroke is being drawn
    pesFinished = 4, // the stroke is being fitted
};

// The path editor: a freehand stroke fitted to quadratic segments, and handles on the curve
// that the user drags. It works on the path of one item; the item's position and the sample it
// stands on are given at Start, since the editor does not know items.
class TBezierForm {
public:
    static constexpr int kHandleReach = 7;         // a press within this many pixels takes a handle
    static constexpr int kMinRawStep2 = 25;        // stroke points lie more than 5 px apart
    static constexpr int kMinSegment2 = 144;       // segments are at least 12 px long
    static constexpr int kCorner = 95;             // straightness below this is a corner
    static constexpr int32_t kStraightFill = 0x55555555;

    TMotionPath* Path = nullptr;
    int StartHandle = -1;
    bool BothEnds = false;
    QList<TStagePoint> RawPoints;
    QList<TStagePoint> Handles;                    // entry h is sample 6h of Samples
    QList<TStagePoint> Samples;
    int GrabX = 0;
    int GrabY = 0;
    int Selected = -1;
    QRect LabelRect;
    QList<TStagePoint> ControlPoints;
    int State = pesIdle;
    // 100 x |cos| of the stroke's angle at each raw point; sized to the stroke, so strokes of any
    // length are measured.
    std::vector<int32_t> Straightness;
    bool LabelVisible = true;

    // newStroke: wait for a stroke that starts on the item (an item without a path first takes
    // the default path type). Otherwise show the handles of the path for dragging.
    void Start(TMotionPath* path, bool newStroke, int handle, TStagePoint itemPos = {}, int itemSample = 0);
    // Returns whether the press was taken: on the item (onItem) or its label while waiting, on
    // a handle while idle.
    bool MouseDown(TStagePoint p, bool onItem = false);
    void MouseMove(TStagePoint p);
    void MouseUp(TStagePoint p);
    // Leaving path mode in the middle of a stroke or drag: the path is put back as it was.
    void Cancel();
    // Called by the 100 ms timer; returns whether the label changed and needs a repaint.
    bool BlinkLabel();

    int HandleAt(TStagePoint p) const;
    // Places the "DRAG ME!" label in the item's bounds and returns it.
    QRect LayoutLabel(const QRect& itemBounds);
    // Draws over the stage view already in the painter: the label while waiting, the raw stroke
    // while drawing, otherwise the curve and its handles.
    void Paint(QPainter& painter, uint32_t stageColor, const QRect& itemBounds, bool withLabel);

    // Fits quadratic segments to a stroke: a segment ends at every corner and at the end of the
    // stroke, once it is at least 12 px long; its middle raw point lies on the curve at t = 0.5.
    static QList<TStagePoint> FitStroke(const QList<TStagePoint>& raw, std::vector<int32_t> straightness);
    // 100 x |cos| of the angle a-b-c, truncated.
    static int32_t StraightnessAt(TStagePoint a, TStagePoint b, TStagePoint c);

private:
    void AddStrokePoint(TStagePoint p);
    void Commit(bool afterStroke);
    void RecomputeCurve();

    TStagePoint m_itemPos;
    int m_itemSample = 0;
    QList<TStagePoint> m_head; // a continued path's points before its end, put before the stroke
    std::optional<TMotionPath> m_before;
    int m_blinkTicks = 0;
};

} // namespace kav
