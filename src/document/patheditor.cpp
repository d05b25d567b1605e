#include "document/patheditor.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>

#include <cmath>
#include <cstdlib>

namespace kav {

namespace {

int64_t Dist2(TStagePoint a, TStagePoint b)
{
    const int64_t dx = int64_t(a.x) - b.x, dy = int64_t(a.y) - b.y;
    return dx * dx + dy * dy;
}

bool NearlyJoined(TStagePoint a, TStagePoint b)
{
    return std::abs(int(a.x) - b.x) < TMotionPath::kLoopCloseDistance &&
           std::abs(int(a.y) - b.y) < TMotionPath::kLoopCloseDistance;
}

QFont LabelFont()
{
    // Arial 7 pt at 96 dpi.
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(9);
    return f;
}

const QString kLabel = QStringLiteral("DRAG ME!");

// The line in the contrast colour over a soft halo, so it shows on a busy background image as
// well as on the stage colour; one pixel wide at any screen scale.
void DrawWithHalo(QPainter& painter, const QPolygon& line, const QColor& contrast)
{
    const QColor halo = qGray(contrast.rgb()) > 128 ? QColor(0, 0, 0, 90) : QColor(255, 255, 255, 110);
    painter.setPen(QPen(halo, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(line);
    painter.setPen(QPen(contrast, 1));
    painter.drawPolyline(line);
}

} // namespace

void TBezierForm::Start(TMotionPath* path, bool newStroke, int handle, TStagePoint itemPos, int itemSample)
{
    Path = path;
    StartHandle = handle;
    ControlPoints.clear();
    Handles.clear();
    Samples.clear();
    m_head.clear();
    m_before.reset();
    m_itemPos = itemPos;
    m_itemSample = itemSample;
    Selected = -1;
    BothEnds = false;
    if (!Path) {
        State = pesIdle;
        return;
    }
    if (newStroke) {
        RawPoints.clear();
        if (!Path->HasPath())
            Path->TakeDefaultType();
        LabelVisible = true;
        m_blinkTicks = 0;
        State = pesWaiting;
        return;
    }
    ControlPoints = Path->PathPoints;
    RecomputeCurve();
    State = pesIdle;
}

bool TBezierForm::MouseDown(TStagePoint p, bool onItem)
{
    if (!Path)
        return false;
    if (State == pesWaiting) {
        if (!onItem && !LabelRect.contains(p.toQPoint()))
            return false;
        m_before = *Path;
        GrabX = m_itemPos.x - p.x;
        GrabY = m_itemPos.y - p.y;
        // A new stroke on a path continues it from where the item stands.
        m_head.clear();
        if (Path->HasPath()) {
            Path->Trim(m_itemSample, m_itemPos);
            if (Path->HasCurve()) {
                m_head = Path->PathPoints.mid(0, Path->PathPoints.size() - 1);
                m_head.first() = Path->PathSamples.first();
            }
        }
        State = pesDrawing;
        RawPoints = {TStagePoint(int64_t(p.x) + GrabX, int64_t(p.y) + GrabY)};
        Straightness.assign(1, kStraightFill);
        return true;
    }
    if (State == pesIdle) {
        const int h = HandleAt(p);
        if (h < 0)
            return false;
        m_before = *Path;
        Selected = h;
        State = pesDragging;
        BothEnds = (h == 0 || h == ControlPoints.size() - 1) && Path->PathType == adtLoop;
        return true;
    }
    return false;
}

void TBezierForm::MouseMove(TStagePoint p)
{
    if (!Path)
        return;
    if (State == pesDrawing) {
        const TStagePoint raw(int64_t(p.x) + GrabX, int64_t(p.y) + GrabY);
        if (!Path->PathPoints.isEmpty())
            Path->PathPoints.first() = raw; // the item follows the pen
        if (Dist2(raw, RawPoints.last()) > kMinRawStep2)
            AddStrokePoint(raw);
        return;
    }
    if (State != pesDragging || Selected < 0 || Selected >= ControlPoints.size())
        return;
    if (BothEnds) {
        ControlPoints.first() = p;
        ControlPoints.last() = p;
    } else {
        ControlPoints[Selected] = ControlPointFromHandle(ControlPoints, Selected, p);
    }
    if (6 * qsizetype(Selected) < Path->PathSamples.size())
        Path->PathSamples[6 * Selected] = p;
    RecomputeCurve();
}

void TBezierForm::MouseUp(TStagePoint)
{
    if (!Path)
        return;
    if (State == pesDrawing) {
        State = pesFinished;
        ControlPoints = FitStroke(RawPoints, Straightness);
        Commit(true);
        State = pesIdle;
        return;
    }
    if (State == pesDragging) {
        if (Path->PathType != adtLoop && ControlPoints.size() >= 3 &&
            NearlyJoined(ControlPoints.first(), ControlPoints.last())) {
            Path->PathType = adtLoop;
            if (Selected == 0)
                ControlPoints.first() = ControlPoints.last();
            else
                ControlPoints.last() = ControlPoints.first();
        }
        Commit(false);
        State = pesIdle;
    }
}

void TBezierForm::Cancel()
{
    if (Path && m_before)
        *Path = *m_before;
    m_before.reset();
    RawPoints.clear();
    Selected = -1;
    BothEnds = false;
    if (Path) {
        ControlPoints = Path->PathPoints;
        RecomputeCurve();
    }
    State = pesIdle;
}

bool TBezierForm::BlinkLabel()
{
    if (State != pesWaiting)
        return false;
    if (++m_blinkTicks % 2 != 0)
        return false;
    LabelVisible = !LabelVisible;
    return true;
}

int TBezierForm::HandleAt(TStagePoint p) const
{
    for (qsizetype h = 0; h < Handles.size(); ++h)
        if (std::abs(int(Handles[h].x) - p.x) <= kHandleReach && std::abs(int(Handles[h].y) - p.y) <= kHandleReach)
            return int(h);
    return -1;
}

int32_t TBezierForm::StraightnessAt(TStagePoint a, TStagePoint b, TStagePoint c)
{
    const int64_t ux = int64_t(a.x) - b.x, uy = int64_t(a.y) - b.y;
    const int64_t vx = int64_t(c.x) - b.x, vy = int64_t(c.y) - b.y;
    const long double uu = (long double)(ux * ux + uy * uy), vv = (long double)(vx * vx + vy * vy);
    if (uu == 0 || vv == 0)
        return 100;
    const long double dot = std::fabs((long double)(ux * vx + uy * vy));
    return static_cast<int32_t>(dot / std::sqrt(uu * vv) * 100.0L);
}

void TBezierForm::AddStrokePoint(TStagePoint p)
{
    RawPoints.append(p);
    Straightness.resize(RawPoints.size(), kStraightFill);
    const qsizetype m = RawPoints.size() - 1;
    if (m >= 2)
        Straightness[m - 1] = StraightnessAt(RawPoints[m - 2], RawPoints[m - 1], RawPoints[m]);
}

QList<TStagePoint> TBezierForm::FitStroke(const QList<TStagePoint>& raw, std::vector<int32_t> s)
{
    QList<TStagePoint> ctrl;
    if (raw.isEmpty())
        return ctrl;
    const int m = int(raw.size()) - 1;
    s.resize(raw.size(), kStraightFill);
    // Of two neighbouring corners only the first counts.
    for (int i = 1; i <= m; ++i)
        if (s[i] < kCorner && s[i - 1] < kCorner)
            s[i] = 100;

    ctrl.append(raw.first());
    int a = 0;
    auto accept = [&](int i) {
        const TStagePoint mid = raw[(i + a) / 2];
        ctrl.append(mid);
        ctrl.append(raw[i]);
        ctrl[ctrl.size() - 2] = ControlPointFromHandle(ctrl, int(ctrl.size()) - 2, mid);
        a = i;
    };
    for (int i = 1; i <= m; ++i)
        if ((s[i] < kCorner || i == m) && Dist2(raw[i], raw[a]) >= kMinSegment2)
            accept(i);

    // The end came back near the last anchor (a loop drawn without corners, a hairpin): the
    // part after it would be dropped. Break it at its farthest point instead.
    if (a < m) {
        int far = a;
        for (int j = a + 1; j < m; ++j)
            if (Dist2(raw[j], raw[a]) > Dist2(raw[far], raw[a]))
                far = j;
        if (far != a && Dist2(raw[far], raw[a]) >= kMinSegment2) {
            accept(far);
            if (Dist2(raw[m], raw[far]) >= kMinSegment2)
                accept(m);
        }
    }
    return ctrl;
}

void TBezierForm::Commit(bool afterStroke)
{
    if (afterStroke && !m_head.isEmpty())
        ControlPoints = m_head + ControlPoints;
    // A single point is no path and cannot be a loop.
    if (afterStroke && ControlPoints.size() >= 3 && NearlyJoined(ControlPoints.first(), ControlPoints.last())) {
        Path->PathType = adtLoop;
        ControlPoints.last() = ControlPoints.first();
    }
    Path->PathPoints = ControlPoints;
    if (afterStroke)
        Path->ClosedByType = false;
    Path->Resample();
    RecomputeCurve();
    m_head.clear();
    m_before.reset();
}

void TBezierForm::RecomputeCurve()
{
    Samples = SampleCurve(ControlPoints);
    Handles.resize(ControlPoints.size());
    for (qsizetype h = 0; h < ControlPoints.size(); ++h)
        Handles[h] = 6 * h < Samples.size() ? Samples[6 * h] : ControlPoints[h];
}

QRect TBezierForm::LayoutLabel(const QRect& itemBounds)
{
    const QFontMetrics fm(LabelFont());
    const int w = fm.horizontalAdvance(kLabel) + 4, h = fm.height();
    LabelRect = QRect(itemBounds.left() + 1, itemBounds.bottom() - h, w, h);
    return LabelRect;
}

void TBezierForm::Paint(QPainter& painter, uint32_t stageColor, const QRect& itemBounds, bool withLabel)
{
    const QColor contrast = ColorFromRef(ContrastColor(stageColor));
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (State == pesWaiting) {
        LayoutLabel(itemBounds);
        if (withLabel && LabelVisible) {
            painter.setPen(contrast);
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(itemBounds.adjusted(0, 0, -1, -1));
            painter.fillRect(LabelRect, QColor(174, 253, 4));
            painter.setFont(LabelFont());
            painter.setPen(QColor(255, 0, 0));
            painter.drawText(LabelRect, Qt::AlignCenter, kLabel);
        }
    } else if (State == pesDrawing || State == pesFinished) {
        QPolygon line;
        for (const TStagePoint& p : RawPoints)
            line.append(p.toQPoint());
        DrawWithHalo(painter, line, contrast);
    } else {
        QPolygon line;
        for (const TStagePoint& p : Samples)
            line.append(p.toQPoint());
        DrawWithHalo(painter, line, contrast);
        DrawHandles(painter, ControlPoints, Samples);
    }
    painter.restore();
}

} // namespace kav
