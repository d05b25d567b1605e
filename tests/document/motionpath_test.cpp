#include "config/settings.h"
#include "core/errors.h"
#include "document/motionpath.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kav;

namespace {

QList<TStagePoint> Pts(std::initializer_list<std::pair<int, int>> xy)
{
    QList<TStagePoint> out;
    for (auto [x, y] : xy)
        out.append(TStagePoint(x, y));
    return out;
}

TMotionPath Made(const QList<TStagePoint>& points)
{
    TMotionPath p;
    p.PathPoints = points;
    p.Resample();
    return p;
}

TMotionPath Straight(int length, int y = 50) { return Made(Pts({{0, y}, {length / 2, y}, {length, y}})); }
TMotionPath Wavy() { return Made(Pts({{10, 10}, {60, -40}, {110, 30}, {150, 90}, {200, 20}})); }

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray FileBytes(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

class PathSettings : public ::testing::Test {
protected:
    void TearDown() override { settings() = Settings{}; }
};

} // namespace

// ---- Curve, samples and lengths ----

TEST(PathCurve, StraightHundredPixelsGivesThirteenSamplesAndFullLength)
{
    const TMotionPath p = Straight(100);
    ASSERT_EQ(p.PathSamples.size(), 13);
    EXPECT_EQ(p.PathLengths.size(), 13);
    EXPECT_EQ(p.PathLength(), 25600);
    for (const TStagePoint& s : p.PathSamples)
        EXPECT_EQ(s.y, 50); // a whole coordinate is not lost to rounding a hair below it
    EXPECT_EQ(p.PathSamples[6], TStagePoint(50, 50));
    // -0.25 truncates toward zero.
    EXPECT_EQ(CurvePoint(Pts({{-1, 1}, {0, 0}, {0, 0}}), 0, 6), TStagePoint(0, 0));
}

TEST(PathCurve, MiddleHandleControlPointPutsTheCurveThroughTheMouse)
{
    QList<TStagePoint> ctrl = Wavy().PathPoints;
    const TStagePoint m(77, 3);
    ctrl[3] = ControlPointFromHandle(ctrl, 3, m);
    const TStagePoint s = CurvePoint(ctrl, 1, 6);
    EXPECT_LE(std::abs(s.x - m.x), 1);
    EXPECT_LE(std::abs(s.y - m.y), 1);
    EXPECT_EQ(ControlPointFromHandle(ctrl, 4, m), m);
}

TEST(PathCurve, SixteenBitOverflowClampsInsteadOfWrapping)
{
    // The middle point would be 2M - (P0 + P2) / 2 = 96000.
    EXPECT_EQ(ControlPointFromHandle(Pts({{-32000, 0}, {0, 0}, {-32000, 0}}), 1, TStagePoint(32000, 0)).x, 32767);
    TMotionPath p = Straight(100);
    p.MoveBy(32700, 0);
    EXPECT_EQ(p.PathPoints.last().x, 32767);
    EXPECT_EQ(p.PathSamples, SampleCurve(p.PathPoints));
    EXPECT_EQ(TStagePoint(-5, 3).pack(), 0x0003FFFBu);
    EXPECT_EQ(TStagePoint::unpack(0x0003FFFBu), TStagePoint(-5, 3));
}

TEST(PathCurve, HugePathLengthSaturatesInsteadOfWrapping)
{
    QList<TStagePoint> zigzag;
    for (int i = 0; i < 401; ++i)
        zigzag.append(TStagePoint(i % 2 ? 32767 : -32768, i % 4 < 2 ? -32768 : 32767));
    const TMotionPath p = Made(zigzag);
    EXPECT_EQ(p.PathLength(), INT32_MAX);
    EXPECT_TRUE(std::is_sorted(p.PathLengths.begin(), p.PathLengths.end()));
}

// ---- Path commands ----

TEST(PathCommands, ReversingTwiceRestoresThePathExactly)
{
    const TMotionPath original = Wavy();
    TMotionPath p = original;
    p.Reverse();
    EXPECT_EQ(p.PathSamples, SampleCurve(p.PathPoints));
    EXPECT_EQ(p.PathLength(), original.PathLength());
    p.Reverse();
    EXPECT_EQ(p.PathPoints, original.PathPoints);
    EXPECT_EQ(p.PathSamples, original.PathSamples);
    EXPECT_EQ(p.PathLengths, original.PathLengths);
}

TEST(PathCommands, StraightenAndTrim)
{
    TMotionPath p = Wavy();
    ASSERT_TRUE(p.Straighten());
    EXPECT_EQ(p.PathPoints, Pts({{10, 10}, {105, 15}, {200, 20}}));
    TMotionPath loop = Made(Pts({{10, 10}, {60, -40}, {10, 10}}));
    EXPECT_FALSE(loop.Straighten());

    // Past the first middle point (a = 1): the item's place ends the path.
    p = Wavy();
    p.Trim(9, TStagePoint(90, 5));
    EXPECT_EQ(p.PathPoints, Pts({{10, 10}, {60, -40}, {90, 5}}));
    // On the joint (a = 2) the joint moves to the item.
    p = Wavy();
    p.Trim(12, TStagePoint(111, 31));
    EXPECT_EQ(p.PathPoints.last(), TStagePoint(111, 31));
    EXPECT_EQ(p.PathSamples.size(), 13);
    // Before the first middle point nothing remains.
    p = Wavy();
    p.Trim(3, TStagePoint(20, 5));
    EXPECT_EQ(p.PathPoints, Pts({{20, 5}}));
    EXPECT_TRUE(p.PathLengths.isEmpty());
}

TEST(PathCommands, AddAndRemovePoints)
{
    TMotionPath p = Wavy();
    p.AddPoint(1); // through the curve's middle (60, -10), with straight halves
    EXPECT_EQ(p.PathPoints, Pts({{10, 10}, {35, 0}, {60, -10}, {85, 10}, {110, 30}, {150, 90}, {200, 20}}));
    EXPECT_EQ(p.PathSamples.size(), 37);

    p = Wavy();
    ASSERT_TRUE(p.RemovePoint(3));
    EXPECT_EQ(p.PathPoints[3], TStagePoint(155, 25));
    p = Wavy();
    int selected = 4;
    ASSERT_TRUE(p.RemovePoint(2, &selected));
    EXPECT_EQ(p.PathPoints, Pts({{10, 10}, {150, 90}, {200, 20}}));
    EXPECT_EQ(selected, 2);
    p = Wavy();
    ASSERT_TRUE(p.RemovePoint(0));
    ASSERT_TRUE(p.RemovePoint(2));
    EXPECT_EQ(p.PathPoints, Pts({{110, 30}}));
    EXPECT_TRUE(p.PathSamples.isEmpty());
    EXPECT_FALSE(p.RemovePoint(0)); // the item's only point: the item goes
}

// ---- Path types ----

TEST_F(PathSettings, ClosedLoopAppendsAClosingSegmentAndLeavingRemovesIt)
{
    TMotionPath p = Wavy();
    p.SetPathTypeByMenu(pmLoop);
    EXPECT_EQ(p.PathType, adtLoop);
    EXPECT_TRUE(p.ClosedByType);
    EXPECT_EQ(p.PathPoints.mid(5), Pts({{105, 15}, {10, 10}}));
    EXPECT_EQ(p.PathSamples.size(), 37);
    EXPECT_EQ(settings().PathDirType, adtLoop);
    p.SetPathTypeByMenu(pmOnce);
    EXPECT_EQ(p.PathPoints, Wavy().PathPoints);
    EXPECT_EQ(p.MenuIndex(), pmOnce);
    EXPECT_EQ(settings().PathLoop, 0);

    // A path whose ends already meet gets no extra segment.
    TMotionPath closed = Made(Pts({{10, 10}, {60, -40}, {10, 10}}));
    closed.SetPathTypeByMenu(pmLoop);
    EXPECT_EQ(closed.PathPoints.size(), 3);
    EXPECT_FALSE(closed.ClosedByType);
}

TEST_F(PathSettings, EditsThatMoveTheClosingSegmentKeepTheUserPoints)
{
    // Reversed, the appended segment is at the front: leaving must not cut the user's last one.
    TMotionPath p = Wavy();
    p.SetPathTypeByMenu(pmLoop);
    p.Reverse();
    QList<TStagePoint> kept = p.PathPoints;
    p.SetPathTypeByMenu(pmRepeat);
    EXPECT_EQ(p.PathPoints, kept);
    // A split closing segment has become the user's path.
    p = Wavy();
    p.SetPathTypeByMenu(pmLoop);
    p.AddPoint(5);
    kept = p.PathPoints;
    p.SetPathTypeByMenu(pmRepeat);
    EXPECT_EQ(p.PathPoints, kept);
    // A point added elsewhere leaves it removable.
    p = Wavy();
    p.SetPathTypeByMenu(pmLoop);
    p.AddPoint(1);
    p.SetPathTypeByMenu(pmRepeat);
    EXPECT_EQ(p.PathPoints.size(), 7);
    EXPECT_EQ(p.PathPoints.last(), TStagePoint(200, 20));
}

TEST_F(PathSettings, SpeedAndDefaults)
{
    EXPECT_EQ(TMotionPath::SpeedFromText("abc"), 5);
    EXPECT_EQ(TMotionPath::SpeedFromText("250"), 99);
    TMotionPath p;
    EXPECT_FALSE(p.SetSpeed(5));
    EXPECT_TRUE(p.SetSpeed(10));
    EXPECT_EQ(settings().PathSpeed, 10);
    // An event 200 pixels along at speed 5 (frame 40) lies at frame 20 at speed 10.
    EXPECT_EQ(TMotionPath::RescaleEventTime(40u << 16, 5, 10), 20u << 16);
    EXPECT_EQ(TMotionPath::RescaleEventTime(0xFFFF0000u, 99, 1), 0xFFFFFFFFu);
    settings().PathDirType = 7;
    settings().PathSpeed = 0;
    p.TakeDefaults();
    EXPECT_EQ(p.PathType, adtPath);
    EXPECT_EQ(p.Speed, 1);
}

// ---- Motion along the path ----

TEST(PathMotion, StopAtEndReachesTheEndAfterFortyFramesAndStays)
{
    TMotionPath p = Straight(200, 0);
    p.RepeatCount = 0;
    EXPECT_EQ(p.PlaceAtFrame(20).X, 100);
    EXPECT_EQ(p.PlaceAtFrame(39).X, 195);
    EXPECT_FALSE(p.PlaceAtFrame(39).Finished);
    EXPECT_TRUE(p.PlaceAtFrame(40).Finished);
    EXPECT_EQ(p.PlaceAtFrame(40).X, 200);
    EXPECT_EQ(p.PlaceAtFrame(500).SampleIndex, 12);
}

TEST(PathMotion, RepeatPausesOnTheLastSampleThenStartsAgain)
{
    TMotionPath p = Straight(200, 0);
    p.EndPause = 3;
    EXPECT_EQ(p.CycleFrames(), 44);
    EXPECT_EQ(p.PlaceAtFrame(42).X, 200);
    EXPECT_EQ(p.PlaceAtFrame(43).X, 0);
    EXPECT_EQ(p.PlaceAtFrame(43).CycleIndex, 1);
}

TEST(PathMotion, BackAndForthLeavesTheEndAtOnce)
{
    TMotionPath p = Straight(120, 0);
    p.Speed = 1;
    p.PathType = adtReturn;
    EXPECT_FALSE(p.PlaceAtFrame(121).Forward);
    EXPECT_EQ(p.PlaceAtFrame(121).X, 119);
    EXPECT_EQ(p.PlaceAtFrame(125).X, 115);
    EXPECT_EQ(p.PlaceAtFrame(180).X, 60);
    EXPECT_EQ(p.PlaceAtFrame(240).X, 0);
}

TEST(PathMotion, NoSpeedOrNoLengthStandsStill)
{
    TMotionPath p = Straight(100);
    p.Speed = 0;
    EXPECT_EQ(p.PlaceAtFrame(10).X, 0);
    EXPECT_EQ(p.FrameOfSample(6, 7, 0, true, 0), 7);
    const TMotionPath dot = Made(Pts({{5, 5}, {5, 5}, {5, 5}}));
    EXPECT_EQ(dot.PlaceAtFrame(10).X, 5);
    EXPECT_EQ(dot.CycleFrames(), 0);
}

TEST(PathMotion, EventDistanceAndFrameOfSample)
{
    TMotionPath p = Straight(200, 0);
    EXPECT_EQ(p.EventDistance(40u << 16), 200 * 256);
    EXPECT_EQ(p.EventDistance((1u << 16) | 0x8000u), 1280 + 640);
    EXPECT_EQ(p.FrameOfSample(6, 0, 0, true, 0), 20);
    EXPECT_EQ(p.FrameOfSample(6, 0, 10, true, 2), 10 + (100 * 256 + 2 * 200 * 256 + 1279) / 1280);
    EXPECT_EQ(p.FrameOfSample(12, 0, 0, true, 0), 40);
    // Five frames into the way back, 100 px remain to sample 6.
    p.PathType = adtReturn;
    EXPECT_EQ(p.FrameOfSample(6, 45, 0, false, 1), 60);
    EXPECT_EQ(p.PointAtDistance(100 * 256 + 128), QPoint(100, 0));
}

// ---- Path files ----

TEST_F(PathSettings, SavedFileLayoutFollowsTheMagicNumber)
{
    QTemporaryDir dir;
    TMotionPath p = Straight(100, 5);
    p.PathType = adtReturn;
    p.SavePathFile(dir.filePath("short.pth"));
    EXPECT_EQ(FileBytes(dir.filePath("short.pth")), "2\r\n3\r\n0\r\n5\r\n50\r\n5\r\n100\r\n5\r\n");
    settings().MAgicNumber = 911111;
    p.SavePathFile(dir.filePath("long.pth"));
    EXPECT_EQ(FileBytes(dir.filePath("long.pth")), "911111\r\n2\r\n-1\r\n3\r\n0\r\n5\r\n50\r\n5\r\n100\r\n5\r\n");

    TMotionPath back;
    back.PathPoints = Pts({{0, 5}});
    back.LoadPathFile(dir.filePath("long.pth"));
    EXPECT_EQ(back.PathPoints, p.PathPoints);
    EXPECT_EQ(back.PathLengths, p.PathLengths);
}

TEST(PathFile, LoadingShiftsTheFileOntoTheItemsStart)
{
    TMotionPath p;
    p.PathPoints = Pts({{10, 20}});
    p.LoadPathFileText("a.pth", "911112\r\n2\r\n0\r\n3\r\n100\r\n100\r\n150\r\n60\r\n200\r\n100\r\n");
    EXPECT_EQ(p.PathPoints, Pts({{10, 20}, {60, -20}, {110, 20}}));
    EXPECT_EQ(p.PathType, adtReturn);
    EXPECT_EQ(p.RepeatCount, 0);
    EXPECT_EQ(p.PathSamples.size(), 13);
    // The short header keeps the repeat count; a shift past the coordinate range clamps.
    p.PathPoints = Pts({{32000, 0}});
    p.LoadPathFileText("b.pth", "1\n3\n0\n0\n1000\n0\n2000\n0\n");
    EXPECT_EQ(p.PathType, adtLoop);
    EXPECT_EQ(p.RepeatCount, 0);
    EXPECT_EQ(p.PathPoints, Pts({{32000, 0}, {32767, 0}, {32767, 0}}));
}

TEST(PathFile, MalformedFilesLeaveThePathUntouchedAndNameFileAndLine)
{
    const std::pair<const char*, int> cases[] = {
        {"0\r\n3\r\n1\r\n2\r\nx\r\n4\r\n5\r\n6\r\n", 5}, // not a number
        {"0\r\n3\r\n1\r\n2\r\n3\r\n", 6},                  // truncated
        {"0\r\n-3\r\n", 2},                                // negative count
        {"0\r\n2000000000\r\n1\r\n2\r\n", 2},              // huge count
        {"0\r\n2\r\n1\r\n2\r\n3\r\n4\r\n", 2},             // even count
        {"7\r\n1\r\n1\r\n2\r\n", 1},                       // path type
        {"911111\r\n1\r\n-2\r\n1\r\n1\r\n2\r\n", 3},       // repeat count
        {"0\r\n1\r\n40000\r\n2\r\n", 3},                   // beyond 16 bits
        {"0\r\n1\r\n12abc\r\n2\r\n", 3},                   // trailing junk
        {"", 1},
    };
    QTemporaryDir dir;
    const QString file = dir.filePath("bad.pth");
    for (const auto& [text, line] : cases) {
        WriteFile(file, text);
        TMotionPath p = Wavy();
        try {
            p.LoadPathFile(file);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const ReadError& e) {
            EXPECT_EQ(e.source(), file);
            EXPECT_EQ(e.line(), line) << text << " -> " << e.message().toStdString();
        }
        EXPECT_EQ(p.PathPoints, Wavy().PathPoints);
        EXPECT_EQ(p.PathSamples, Wavy().PathSamples);
        EXPECT_EQ(p.PathType, adtPath);
        EXPECT_EQ(p.RepeatCount, -1);
    }
    TMotionPath p;
    EXPECT_THROW(p.LoadPathFile(dir.filePath("missing.pth")), UserError);
}

// ---- Drawing ----

TEST(PathDrawing, SelectedPathIsDrawnInTheContrastColour)
{
    EXPECT_EQ(ContrastColor(0x000000FF), 0x00FFFF00u);
    EXPECT_EQ(ContrastColor(0x00808080), 0x00000000u); // mid-grey would vanish on itself
    QImage image(240, 120, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        DrawPath(painter, Made(Pts({{20, 60}, {120, 60}, {220, 60}})), 0x00FFFFFF);
    }
    EXPECT_EQ(image.pixel(45, 60), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(20, 55), qRgb(0, 128, 0));  // first end handle
    EXPECT_EQ(image.pixel(220, 55), qRgb(255, 0, 0)); // last end handle
}
