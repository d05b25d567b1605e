#include "document/motionpath.h"

#include "config/settings.h"
#include "core/errors.h"
#include "core/textstr.h"

#include <QPainter>
#include <QPolygon>

#include <cmath>
#include <functional>
#include <optional>

namespace kav {

namespace {

constexpr int kMagicThreshold = 911111;

int64_t SatAdd(int64_t a, int64_t b)
{
    int64_t r;
    if (__builtin_add_overflow(a, b, &r))
        return b > 0 ? INT64_MAX : INT64_MIN;
    return r;
}

int64_t SatMul(int64_t a, int64_t b)
{
    int64_t r;
    if (__builtin_mul_overflow(a, b, &r))
        return (a < 0) != (b < 0) ? INT64_MIN : INT64_MAX;
    return r;
}

// floor(sqrt(n)) exactly; the double square root can be one off near perfect squares.
int64_t ISqrt(int64_t n)
{
    if (n <= 0)
        return 0;
    int64_t r = static_cast<int64_t>(std::sqrt(static_cast<double>(n)));
    while (r > 0 && r * r > n)
        --r;
    while ((r + 1) * (r + 1) <= n)
        ++r;
    return r;
}

TStagePoint Midpoint(TStagePoint a, TStagePoint b)
{
    // Division truncates toward zero, as all path geometry does.
    return TStagePoint((int64_t(a.x) + b.x) / 2, (int64_t(a.y) + b.y) / 2);
}

// The shared reader of path files and path texts: next() yields the following line or false at
// the end. Everything is checked before the path changes.
void ParsePathFile(TMotionPath& path, const QString& source, const std::function<bool(QString&)>& next)
{
    int line = 0;
    auto readInt = [&](const QString& what, int64_t lo, int64_t hi) -> int64_t {
        QString text;
        if (!next(text))
            throw ReadError(source, line + 1, QStringLiteral("unexpected end of file, %1 expected").arg(what));
        ++line;
        const QString t = text.trimmed();
        bool ok = false;
        const qlonglong v = t.toLongLong(&ok);
        if (!ok)
            throw ReadError(source, line, QStringLiteral("%1 expected, found '%2'").arg(what, t.left(40)));
        if (v < lo || v > hi)
            throw ReadError(source, line, QStringLiteral("%1 out of range: %2").arg(what).arg(v));
        return v;
    };

    const int64_t first = readInt(QStringLiteral("path type"), INT32_MIN, INT32_MAX);
    int64_t type = first;
    std::optional<int32_t> repeat;
    if (first >= kMagicThreshold) {
        type = readInt(QStringLiteral("path type"), adtPath, adtReturn);
        // -1 repeats for ever, 0 runs once; an item read from a data file may hold a larger
        // count (runs count + 1 times), and its saved path must load again.
        repeat = static_cast<int32_t>(readInt(QStringLiteral("repeat count"), -1, INT32_MAX));
    } else if (type < adtPath || type > adtReturn) {
        throw ReadError(source, line, QStringLiteral("path type out of range: %1").arg(type));
    }
    const int64_t count = readInt(QStringLiteral("number of points"), 1, TMotionPath::kMaxFilePoints);
    if (count % 2 == 0)
        throw ReadError(source, line, QStringLiteral("the number of points must be odd, found %1").arg(count));
    QList<TStagePoint> points;
    points.reserve(std::min<int64_t>(count, 4096));
    for (int64_t k = 1; k <= count; ++k) {
        const int64_t x = readInt(QStringLiteral("x of point %1").arg(k), INT16_MIN, INT16_MAX);
        const int64_t y = readInt(QStringLiteral("y of point %1").arg(k), INT16_MIN, INT16_MAX);
        points.append(TStagePoint(x, y));
    }

    // The item keeps its start: the file's points move by the same amount.
    if (!path.PathPoints.isEmpty()) {
        const int64_t dx = int64_t(path.PathPoints.first().x) - points.first().x;
        const int64_t dy = int64_t(path.PathPoints.first().y) - points.first().y;
        for (TStagePoint& p : points)
            p = TStagePoint(p.x + dx, p.y + dy);
    }
    path.PathType = static_cast<uint8_t>(type);
    if (repeat)
        path.RepeatCount = *repeat;
    path.PathPoints = std::move(points);
    path.ClosedByType = false;
    path.Resample();
}

} // namespace

// ---------------------------------------------------------------------------------------------
const std::array<std::array<long double, 3>, 13>& Bernstein()
{
    static const auto table = [] {
        std::array<std::array<long double, 3>, 13> b{};
        for (int i = 0; i <= 12; ++i) {
            const long double t = static_cast<long double>(i) / 12.0L;
            b[i][0] = (1.0L - t) * (1.0L - t);
            b[i][1] = 2.0L * t * (1.0L - t);
            b[i][2] = t * t;
        }
        return b;
    }();
    return table;
}

TStagePoint CurvePoint(const QList<TStagePoint>& ctrl, int segment, int i)
{
    const qsizetype e = 2 * qsizetype(segment);
    if (segment < 0 || e + 2 >= ctrl.size() || i < 0 || i > 12)
        return ctrl.isEmpty() ? TStagePoint() : ctrl.value(std::clamp<qsizetype>(e, 0, ctrl.size() - 1));
    const int64_t w0 = int64_t(12 - i) * (12 - i), w1 = 2 * int64_t(i) * (12 - i), w2 = int64_t(i) * i;
    const TStagePoint a = ctrl[e], b = ctrl[e + 1], c = ctrl[e + 2];
    return TStagePoint((w0 * a.x + w1 * b.x + w2 * c.x) / 144, (w0 * a.y + w1 * b.y + w2 * c.y) / 144);
}

TStagePoint ControlPointFromHandle(const QList<TStagePoint>& ctrl, int handle, TStagePoint mouse)
{
    const int e = handle > 0 ? 2 * ((handle - 1) / 2) : 0;
    if (handle - e != 1 || e + 2 >= ctrl.size())
        return mouse;
    // B[6] is (1/4, 1/2, 1/4): solving for the middle point gives (4M - P0 - P2) / 2.
    const TStagePoint p0 = ctrl[e], p2 = ctrl[e + 2];
    return TStagePoint((4 * int64_t(mouse.x) - p0.x - p2.x) / 2, (4 * int64_t(mouse.y) - p0.y - p2.y) / 2);
}

QList<TStagePoint> SampleCurve(const QList<TStagePoint>& ctrl)
{
    QList<TStagePoint> samples;
    if (ctrl.size() < 3)
        return samples;
    const int n = int((ctrl.size() - 1) / 2);
    samples.reserve(12 * qsizetype(n) + 1);
    for (int k = 0; k < n; ++k)
        for (int i = k == 0 ? 0 : 1; i <= 12; ++i)
            samples.append(CurvePoint(ctrl, k, i));
    return samples;
}

// ---------------------------------------------------------------------------------------------
int64_t TMotionPath::CycleLength() const { return SatAdd(PathLength(), SatMul(EndPause, Step())); }

int64_t TMotionPath::CycleFrames() const
{
    const int64_t c = CycleLength();
    // A path of no length has no cycle either: events are not folded onto it.
    if (!HasCurve() || Speed <= 0 || c <= 0)
        return 0;
    return c / Step() + 1;
}

int64_t TMotionPath::MotionEnd() const
{
    if (!HasCurve())
        return 0;
    if (RepeatCount < 0)
        return INT32_MAX;
    const int64_t c = CycleLength();
    if (Step() <= 0 || c <= 0)
        return 0;
    const int64_t frames = SatAdd(SatMul(int64_t(RepeatCount) + 1, c) / Step(), 1);
    return std::min<int64_t>(SatMul(frames, 65536), INT32_MAX);
}

void TMotionPath::Resample()
{
    PathSamples = SampleCurve(PathPoints);
    MeasurePath();
}

void TMotionPath::MeasurePath()
{
    PathLengths.clear();
    if (PathSamples.isEmpty())
        return;
    PathLengths.reserve(PathSamples.size());
    int64_t total = 0;
    PathLengths.append(0);
    for (qsizetype i = 1; i < PathSamples.size(); ++i) {
        const int64_t dx = int64_t(PathSamples[i].x) - PathSamples[i - 1].x;
        const int64_t dy = int64_t(PathSamples[i].y) - PathSamples[i - 1].y;
        // T(256 * sqrt(q)) is exactly floor(sqrt(65536 * q)).
        total = std::min<int64_t>(total + ISqrt(65536 * (dx * dx + dy * dy)), INT32_MAX);
        PathLengths.append(static_cast<int32_t>(total));
    }
}

void TMotionPath::Reverse()
{
    std::reverse(PathPoints.begin(), PathPoints.end());
    std::reverse(PathSamples.begin(), PathSamples.end());
    // The closing segment is now at the front; removing "the last two" would cut the wrong ones.
    ClosedByType = false;
    MeasurePath();
}

bool TMotionPath::Straighten()
{
    if (!HasPath() || PathPoints.first() == PathPoints.last())
        return false;
    const TStagePoint a = PathPoints.first(), b = PathPoints.last();
    PathPoints = {a, Midpoint(a, b), b};
    ClosedByType = false;
    Resample();
    return true;
}

void TMotionPath::Trim(int currentSampleIndex, TStagePoint currentPos)
{
    if (PathPoints.isEmpty()) {
        PathPoints = {currentPos};
        return;
    }
    const int sample = PathSamples.isEmpty() ? 0 : std::clamp(currentSampleIndex, 0, int(PathSamples.size()) - 1);
    const int a = std::min(sample / 6, int(PathPoints.size()) - 1);
    PathPoints.resize(a + 1);
    if (a % 2 == 1)
        PathPoints.append(currentPos);
    else
        PathPoints[a] = currentPos;
    ClosedByType = false;
    Resample();
}

void TMotionPath::Remove(TStagePoint currentPos)
{
    PathPoints = {currentPos};
    PathSamples.clear();
    PathLengths.clear();
    ClosedByType = false;
}

void TMotionPath::AddPoint(int handle)
{
    const int h = handle;
    if (h <= 0 || h % 2 == 0 || h + 1 >= PathPoints.size())
        return;
    const TStagePoint m = 6 * qsizetype(h) < PathSamples.size() ? PathSamples[6 * h] : CurvePoint(PathPoints, (h - 1) / 2, 6);
    // The closing segment is the last three points; splitting it leaves no segment to remove.
    if (h >= PathPoints.size() - 2)
        ClosedByType = false;
    const TStagePoint before = PathPoints[h - 1], after = PathPoints[h + 1];
    PathPoints[h] = m;
    PathPoints.insert(h + 1, Midpoint(m, after));
    PathPoints.insert(h, Midpoint(before, m));
    Resample();
}

bool TMotionPath::RemovePoint(int handle, int* selected)
{
    const int h = handle;
    if (h < 0 || h >= PathPoints.size())
        return true;
    if (PathPoints.size() == 1)
        return false;
    if (h % 2 == 1) {
        if (h + 1 < PathPoints.size())
            PathPoints[h] = Midpoint(PathPoints[h - 1], PathPoints[h + 1]);
    } else {
        if (h >= PathPoints.size() - 3)
            ClosedByType = false;
        PathPoints.removeAt(h);
        PathPoints.removeAt(h == 0 ? 0 : h - 1);
    }
    Resample();
    if (selected && *selected >= PathPoints.size())
        *selected = std::max(0, *selected - 2);
    return true;
}

void TMotionPath::CloseAsLoop(bool moveFirst)
{
    if (!HasPath())
        return;
    PathType = adtLoop;
    if (moveFirst)
        PathPoints.first() = PathPoints.last();
    else
        PathPoints.last() = PathPoints.first();
    Resample();
}

void TMotionPath::MoveBy(int dx, int dy)
{
    bool clamped = false;
    auto move = [&](TStagePoint& p) {
        const int64_t x = int64_t(p.x) + dx, y = int64_t(p.y) + dy;
        p = TStagePoint(x, y);
        clamped = clamped || p.x != x || p.y != y;
    };
    for (TStagePoint& p : PathPoints)
        move(p);
    for (TStagePoint& p : PathSamples)
        move(p);
    ClosedPoint = TStagePoint(int64_t(ClosedPoint.x) + dx, int64_t(ClosedPoint.y) + dy);
    // Points held at the edge no longer match the shifted samples; rebuild them from the points.
    if (clamped && HasCurve())
        Resample();
}

void TMotionPath::SetPathTypeByMenu(int menuIndex)
{
    static constexpr struct { uint8_t type; int32_t repeat; } table[] = {
        {adtLoop, -1}, {adtPath, -1}, {adtPath, 0}, {adtReturn, -1}};
    if (menuIndex < 0 || menuIndex > 3)
        return;
    const uint8_t newType = table[menuIndex].type;
    if (newType == adtLoop && PathType != adtLoop) {
        if (HasPath() && PathPoints.first() != PathPoints.last()) {
            const TStagePoint first = PathPoints.first(), last = PathPoints.last();
            ClosedPoint = last;
            PathPoints.append(Midpoint(last, first));
            PathPoints.append(first);
            ClosedByType = true;
        }
    } else if (newType != adtLoop && PathType == adtLoop && ClosedByType) {
        if (PathPoints.size() >= 5)
            PathPoints.resize(PathPoints.size() - 2);
        ClosedByType = false;
    }
    PathType = newType;
    RepeatCount = table[menuIndex].repeat;
    settings().PathLoop = RepeatCount;
    settings().PathDirType = PathType;
    Resample();
}

int TMotionPath::MenuIndex() const
{
    if (PathType == adtLoop)
        return pmLoop;
    if (PathType == adtReturn)
        return pmReturn;
    return RepeatCount != 0 ? pmRepeat : pmOnce;
}

void TMotionPath::TakeDefaultType()
{
    const Settings& s = settings();
    RepeatCount = s.PathLoop == 0 ? 0 : -1;
    PathType = s.PathDirType >= adtPath && s.PathDirType <= adtReturn ? uint8_t(s.PathDirType) : uint8_t(adtPath);
}

void TMotionPath::TakeDefaults()
{
    TakeDefaultType();
    Speed = std::clamp(settings().PathSpeed, 1, kMaxSpeed);
}

int TMotionPath::SpeedFromText(const QString& text)
{
    bool ok = false;
    const qlonglong v = text.trimmed().toLongLong(&ok);
    return ok ? int(std::clamp<qlonglong>(v, 1, kMaxSpeed)) : 5;
}

bool TMotionPath::SetSpeed(int value)
{
    value = std::clamp(value, 1, kMaxSpeed);
    if (value == Speed)
        return false;
    Speed = value;
    settings().PathSpeed = value;
    return true;
}

uint32_t TMotionPath::RescaleEventTime(uint32_t time, int32_t oldSpeed, int32_t newSpeed)
{
    if (oldSpeed <= 0 || newSpeed <= 0)
        return time;
    // time * (old / new), truncated, computed exactly.
    const uint64_t v = uint64_t(time) * uint64_t(oldSpeed) / uint64_t(newSpeed);
    return static_cast<uint32_t>(std::min<uint64_t>(v, UINT32_MAX));
}

// ---------------------------------------------------------------------------------------------
int TMotionPath::SampleAtDistance(int64_t d) const
{
    if (PathLengths.isEmpty())
        return 0;
    const auto it = std::upper_bound(PathLengths.cbegin(), PathLengths.cend(), d,
                                     [](int64_t v, int32_t l) { return v < int64_t(l); });
    return std::max(0, int(it - PathLengths.cbegin()) - 1);
}

QPoint TMotionPath::PointAtDistance(int64_t d, int* sample) const
{
    if (PathSamples.isEmpty() || PathLengths.size() != PathSamples.size()) {
        if (sample)
            *sample = 0;
        return PathPoints.isEmpty() ? QPoint() : PathPoints.first().toQPoint();
    }
    const int i = SampleAtDistance(d);
    if (sample)
        *sample = i;
    const TStagePoint s = PathSamples[i];
    QPoint p(s.x, s.y);
    const int64_t r = d - PathLengths[i];
    if (r > 0 && i + 1 < PathSamples.size()) {
        const int64_t dx = int64_t(PathSamples[i + 1].x) - s.x, dy = int64_t(PathSamples[i + 1].y) - s.y;
        const int64_t a = ISqrt(dx * dx + dy * dy);
        if (a != 0)
            p += QPoint(int(dx * r / a / 256), int(dy * r / a / 256));
    }
    return p;
}

TPathPlace TMotionPath::PlaceAtFrame(int64_t frame) const
{
    TPathPlace place;
    if (!PathPoints.isEmpty()) {
        place.X = PathPoints.first().x;
        place.Y = PathPoints.first().y;
    }
    const int64_t step = Step(), cycle = CycleLength();
    // No samples, no speed or a cycle of no length (a negative pause from a file): no motion.
    if (PathSamples.isEmpty() || PathLengths.size() != PathSamples.size() || step <= 0 || cycle <= 0)
        return place;
    const int last = int(PathSamples.size()) - 1;
    const int64_t d = SatMul(std::max<int64_t>(frame, 0), step);
    place.CycleIndex = d / cycle;
    const int64_t c = d % cycle;
    bool pause = c > PathLength();
    if (RepeatCount >= 0 && RepeatCount < d / cycle) {
        place.CycleIndex = RepeatCount;
        place.Finished = true;
        pause = true;
    }
    place.Forward = !(PathType == adtReturn && place.CycleIndex % 2 != 0);

    auto at = [&](int i) {
        place.SampleIndex = i;
        place.X = PathSamples[i].x;
        place.Y = PathSamples[i].y;
    };
    if (pause) {
        at(place.Forward && PathType != adtLoop ? last : 0);
    } else if (place.Forward) {
        int i = 0;
        const QPoint p = PointAtDistance(c, &i);
        place.SampleIndex = i;
        place.X = p.x();
        place.Y = p.y();
    } else {
        const int64_t s = PathLength() - c;
        const auto it = std::lower_bound(PathLengths.cbegin(), PathLengths.cend(), s,
                                         [](int32_t l, int64_t v) { return int64_t(l) < v; });
        const int i = std::min(last, int(it - PathLengths.cbegin()));
        at(i);
        const int64_t r = int64_t(PathLengths[i]) - s;
        // Also between the last two samples: the way back starts moving at once.
        if (r != 0 && i > 0) {
            const int64_t dx = int64_t(PathSamples[i - 1].x) - PathSamples[i].x;
            const int64_t dy = int64_t(PathSamples[i - 1].y) - PathSamples[i].y;
            const int64_t a = ISqrt(dx * dx + dy * dy);
            if (a != 0) {
                place.X += int32_t(dx * r / a / 256);
                place.Y += int32_t(dy * r / a / 256);
            }
        }
    }
    return place;
}

int64_t TMotionPath::EventDistance(uint32_t time) const
{
    const int64_t f = Step();
    return SatAdd(SatMul(time >> 16, f), SatMul(time & 0xFFFFu, f) / 65536);
}

int64_t TMotionPath::FrameOfSample(int sample, int64_t frame, int64_t startFrame, bool forward, int64_t cycleIndex) const
{
    const int64_t step = Step(), cycle = CycleLength();
    if (PathLengths.isEmpty() || step <= 0 || cycle <= 0)
        return frame;
    const int last = int(PathLengths.size()) - 1;
    sample = std::clamp(sample, 0, last);
    const int64_t l = PathLengths[sample];
    if (forward) {
        const int64_t passed = SatMul(cycleIndex, cycle);
        const int64_t v = sample == last ? SatAdd(l, passed) / step
                                         : SatAdd(SatAdd(l, step - 1), Repeats() ? passed : 0) / step;
        return SatAdd(v, startFrame);
    }
    const int64_t b = SatMul(std::max<int64_t>(frame - startFrame, 0), step) % cycle;
    return SatAdd(frame, (PathLength() - l - b) / step);
}

// ---------------------------------------------------------------------------------------------
// The numbers of a path file, one a line: the short layout (type) or, with the magic number
// set, the long one (magic, type, repeat count); then the points.
static void WritePathFile(const TMotionPath& path, TTextStr& out)
{
    const int magic = settings().MAgicNumber;
    if (magic < kMagicThreshold) {
        out.WriteInteger(QString(), path.PathType);
    } else {
        out.WriteInteger(QString(), magic);
        out.WriteInteger(QString(), path.PathType);
        out.WriteInteger(QString(), path.RepeatCount);
    }
    out.WriteInteger(QString(), path.PathPoints.size());
    for (const TStagePoint& p : path.PathPoints) {
        out.WriteInteger(QString(), p.x);
        out.WriteInteger(QString(), p.y);
    }
}

void TMotionPath::SavePathFile(const QString& file) const
{
    if (PathPoints.isEmpty())
        return;
    TTextStrFile out(file);
    out.OpenWrite();
    WritePathFile(*this, out);
    out.Commit();
}

QByteArray TMotionPath::PathFileText() const
{
    QByteArray text;
    if (PathPoints.isEmpty())
        return text;
    TTextStrMem lines;
    lines.OpenWrite();
    WritePathFile(*this, lines);
    for (const QString& line : lines.Lines)
        text += line.toUtf8() + "\r\n";
    return text;
}

void TMotionPath::LoadPathFile(const QString& file)
{
    TTextStrFile in(file);
    in.OpenRead();
    ParsePathFile(*this, file, [&in](QString& line) {
        if (in.AtEnd())
            return false;
        line = in.ReadLine();
        return true;
    });
}

void TMotionPath::LoadPathFileText(const QString& source, const QString& text)
{
    qsizetype pos = 0;
    ParsePathFile(*this, source, [&](QString& line) {
        if (pos >= text.size())
            return false;
        qsizetype end = pos;
        while (end < text.size() && text[end] != QLatin1Char('\n') && text[end] != QLatin1Char('\r'))
            ++end;
        line = text.mid(pos, end - pos);
        if (end < text.size() && text[end] == QLatin1Char('\r'))
            ++end;
        if (end < text.size() && text[end] == QLatin1Char('\n'))
            ++end;
        pos = end;
        return true;
    });
}

// ---------------------------------------------------------------------------------------------
QColor ColorFromRef(uint32_t color)
{
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

uint32_t ContrastColor(uint32_t stageColor)
{
    const uint32_t r = 255 - (stageColor & 0xFF), g = 255 - ((stageColor >> 8) & 0xFF),
                   b = 255 - ((stageColor >> 16) & 0xFF);
    auto mid = [](uint32_t c) { return c >= 115 && c <= 140; };
    // A mid-grey stage inverts to mid-grey: the path would vanish on it.
    if (mid(r) && mid(g) && mid(b))
        return 0;
    return r | (g << 8) | (b << 16);
}

void DrawHandles(QPainter& painter, const QList<TStagePoint>& ctrl, const QList<TStagePoint>& samples)
{
    const QColor green(0, 128, 0), red(255, 0, 0), blue(0, 0, 255);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::white);
    const qsizetype last = ctrl.size() - 1;
    for (qsizetype h = 0; h <= last; ++h) {
        const qsizetype s = 6 * h;
        if (h % 2 == 0) {
            const QPoint c = s < samples.size() ? samples[s].toQPoint() : ctrl[h].toQPoint();
            painter.setPen(h == 0 ? green : h == last ? red : blue);
            painter.drawEllipse(QRect(c.x() - 5, c.y() - 5, 10, 10));
            continue;
        }
        if (s + 1 >= samples.size())
            continue;
        const TStagePoint tip = samples[s];
        const int64_t dx = int64_t(samples[s + 1].x) - samples[s - 1].x;
        const int64_t dy = int64_t(samples[s + 1].y) - samples[s - 1].y;
        if (dx == 0 && dy == 0)
            continue;
        const double len = std::sqrt(double(dx * dx + dy * dy));
        const int nx = int(std::trunc(5.0 * double(dx) / len)), ny = int(std::trunc(5.0 * double(dy) / len));
        const QPoint base(tip.x - nx, tip.y - ny);
        const QPolygon tri({tip.toQPoint(), base + QPoint(-ny, nx), base + QPoint(ny, -nx)});
        painter.setPen(green);
        painter.drawPolygon(tri);
    }
    painter.restore();
}

void DrawPath(QPainter& painter, const TMotionPath& path, uint32_t stageColor)
{
    if (path.PathSamples.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setPen(QPen(ColorFromRef(ContrastColor(stageColor)), 0));
    QPolygon line;
    line.reserve(path.PathSamples.size() + 1);
    for (const TStagePoint& p : path.PathSamples)
        line.append(p.toQPoint());
    if (path.PathType == adtLoop)
        line.append(path.PathSamples.first().toQPoint());
    painter.drawPolyline(line);
    painter.restore();
    DrawHandles(painter, path.PathPoints, path.PathSamples);
}

} // namespace kav

namespace kav {

// Timed events fire where the item is. Everything is measured in "runs": distance along the
// path (1/256 pixel) times 65536, so an event's 16.16 time times the step is its run exactly,
// and tick a covers the runs ((a - 1) x step x 65536, a x step x 65536]. An event fires at the
// first tick whose run reaches one of its places: once a pass, from its own time on.
TFiring TMotionPath::NextFiring(uint32_t time, int64_t after) const
{
    using i128 = __int128;
    TFiring none;
    const int64_t step = Step(), cycle = CycleLength();
    const bool moves = HasCurve() && PathLengths.size() == PathSamples.size() && step > 0 && cycle > 0;
    const i128 unit = i128(step) * 65536;
    const i128 run = i128(time) * step;
    const bool stops = RepeatCount >= 0;
    const i128 Cs = i128(cycle) * 65536;
    const i128 end = stops ? (i128(RepeatCount) + 1) * Cs : 0;

    if (!moves || (stops && run > end)) {
        // Without motion, and past the end of a motion that stops: once, at its time.
        const int64_t tick = (int64_t(time) + 65535) / 65536;
        if (tick <= after)
            return none;
        return TFiring{tick, 1, i128(time)};
    }

    const i128 Ls = i128(std::clamp<int64_t>(PathLength(), 0, cycle)) * 65536;
    const i128 from = std::max<i128>(i128(after) * unit + 1, run);
    // The first run >= from that is congruent to r modulo period.
    auto first = [&](i128 r, i128 period) {
        i128 k = (r - from) % period;
        if (k < 0)
            k += period;
        return from + k;
    };
    i128 best = -1;
    auto consider = [&](i128 v) {
        if (best < 0 || v < best)
            best = v;
    };
    if (PathType != adtReturn) {
        consider(first(run % Cs, Cs));
    } else {
        // Back And Forth: a round trip is two cycles. The event's place is where the item is at
        // its time; it is passed once going out and once coming back, and a turning point
        // (the start, the far end with its pause) counts as one visit.
        const i128 P = 2 * Cs, p = run % P;
        i128 place;
        if (p < Cs)
            place = p;
        else
            place = p - Cs <= Ls ? Ls - (p - Cs) : 0;
        if (place > 0)
            consider(first(place, P));
        else if (from <= 0)
            consider(0);
        if (place < Ls)
            consider(first(Cs + Ls - place, P));
    }
    if (best < 0 || (stops && best > end))
        return none;
    return TFiring{int64_t((best + unit - 1) / unit), 0, best};
}

} // namespace kav
