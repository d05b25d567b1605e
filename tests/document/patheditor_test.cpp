#include "config/settings.h"
#include "document/patheditor.h"

#include <QImage>
#include <QPainter>
#include <cmath>
#include <numbers>
#include <gtest/gtest.h>

using namespace kav;

namespace {

using P = TStagePoint;

// Mouse points from a to b in steps of about `step` pixels, both ends included.
QList<P> Line(P a, P b, int step)
{
    const int n = std::max(1, int(std::lround(std::hypot(b.x - a.x, b.y - a.y) / step)));
    QList<P> pts;
    for (int i = 0; i <= n; ++i)
        pts.append(P(std::lround(a.x + (b.x - a.x) * double(i) / n), std::lround(a.y + (b.y - a.y) * double(i) / n)));
    return pts;
}

TMotionPath At(P start)
{
    TMotionPath p;
    p.PathPoints = {start};
    return p;
}

TMotionPath Open()
{
    TMotionPath p;
    p.PathPoints = {P(10, 10), P(60, -40), P(110, 30), P(150, 90), P(200, 20)};
    p.Resample();
    return p;
}

class PathEditor : public ::testing::Test {
protected:
    void TearDown() override { settings() = Settings{}; }

    // A stroke that begins with a press on the item.
    void Stroke(TMotionPath& path, P itemPos, const QList<P>& mouse, int itemSample = 0, bool release = true)
    {
        ed.Start(&path, true, -1, itemPos, itemSample);
        ASSERT_TRUE(ed.MouseDown(mouse.first(), true));
        for (qsizetype i = 1; i < mouse.size(); ++i)
            ed.MouseMove(mouse[i]);
        if (release)
            ed.MouseUp(mouse.last());
    }
    void Drag(TMotionPath& path, int handle, P to)
    {
        ed.Start(&path, false, handle);
        ASSERT_TRUE(ed.MouseDown(ed.Handles[handle]));
        ASSERT_EQ(ed.Selected, handle);
        ed.MouseMove(to);
        ed.MouseUp(to);
    }

    TBezierForm ed;
};

} // namespace

// ---- Freehand strokes ----

TEST_F(PathEditor, StraightStrokeOfHundredPixelsGivesOneSegment)
{
    TMotionPath path = At(P(50, 50));
    // Pressed 3 px off the item's place: the stroke still starts on the item.
    Stroke(path, P(50, 50), Line(P(53, 47), P(153, 47), 10));
    EXPECT_EQ(path.PathPoints, (QList<P>{P(50, 50), P(100, 50), P(150, 50)}));
    EXPECT_EQ(path.PathSamples.size(), 13);
    EXPECT_NEAR(path.PathLength(), 25600, 256);
    EXPECT_EQ(path.PathType, adtPath);
}

TEST_F(PathEditor, StrokeEndingNearItsStartClosesAsALoop)
{
    TMotionPath path = At(P(20, 20));
    QList<P> square = Line(P(20, 20), P(100, 20), 10);
    square += Line(P(100, 20), P(100, 100), 10).mid(1);
    square += Line(P(100, 100), P(20, 100), 10).mid(1);
    square += Line(P(20, 100), P(20, 30), 10).mid(1);
    square += P(20, 24);
    Stroke(path, P(20, 20), square);
    EXPECT_EQ(path.PathType, adtLoop);
    ASSERT_EQ(path.PathPoints.size(), 9);
    EXPECT_EQ(path.PathPoints[4], P(100, 100));
    EXPECT_EQ(path.PathPoints.last(), path.PathPoints.first());
}

TEST_F(PathEditor, SmoothLoopWithoutCornersIsKept)
{
    // Every turn is gentle, so no raw point is a corner, and the end is back at the start.
    QList<P> circle;
    for (int k = 0; k <= 60; ++k)
        circle.append(P(std::lround(300 + 150 * std::cos(k * std::numbers::pi / 30)),
                        std::lround(200 + 150 * std::sin(k * std::numbers::pi / 30))));
    TMotionPath path = At(circle.first());
    Stroke(path, circle.first(), circle);
    EXPECT_GE(*std::min_element(ed.Straightness.begin(), ed.Straightness.end()), TBezierForm::kCorner);
    EXPECT_EQ(path.PathType, adtLoop);
    EXPECT_GE(path.PathPoints.size(), 5);
    EXPECT_GT(path.PathLength(), 800 * 256);
    EXPECT_LT(path.PathLength(), 1100 * 256);
}

TEST_F(PathEditor, StrokeThatNeverGetsTwelvePixelsAwayKeepsOnePoint)
{
    TMotionPath path = At(P(50, 50));
    Stroke(path, P(50, 50), {P(50, 50), P(57, 50), P(50, 57), P(44, 50), P(50, 44)});
    EXPECT_GE(ed.RawPoints.size(), 4);
    EXPECT_EQ(path.PathPoints, QList<P>{P(50, 50)});
    EXPECT_TRUE(path.PathSamples.isEmpty());
    EXPECT_EQ(path.PathType, adtPath); // a single point is no loop
}

TEST_F(PathEditor, VeryLongStrokeIsFitted)
{
    QList<P> zigzag; // 3000 raw points, a corner every 20
    for (int i = 0, y = 100; i < 3000; ++i, y += (i / 20) % 2 ? -6 : 6)
        zigzag.append(P(10 + 6 * i, y));
    TMotionPath path = At(zigzag.first());
    Stroke(path, zigzag.first(), zigzag);
    EXPECT_EQ(ed.Straightness.size(), 3000u);
    EXPECT_EQ(path.PathPoints.size() % 2, 1);
    EXPECT_GT(path.PathPoints.size(), 250);
    EXPECT_EQ(path.PathSamples.size(), 6 * (path.PathPoints.size() - 1) + 1);
}

TEST_F(PathEditor, WaitingEditorTakesPressesOnTheItemOrItsLabelOnly)
{
    TMotionPath path = At(P(20, 20));
    ed.Start(&path, true, -1, P(20, 20));
    const QRect label = ed.LayoutLabel(QRect(0, 0, 60, 40));
    EXPECT_FALSE(ed.MouseDown(P(200, 200), false));
    EXPECT_EQ(ed.State, pesWaiting);
    EXPECT_TRUE(ed.MouseDown(P(label.center().x(), label.center().y()), false));
    EXPECT_EQ(ed.State, pesDrawing);
}

TEST_F(PathEditor, StrokeOnAPathContinuesItFromTheItemsPlace)
{
    TMotionPath path;
    path.PathPoints = {P(0, 0), P(50, 0), P(100, 0), P(150, 0), P(200, 0)};
    path.Resample();
    // The item stands at sample 18, the middle of the second segment.
    const QList<P> down = Line(P(150, 0), P(150, 100), 10);
    Stroke(path, P(150, 0), down, 18, false);
    EXPECT_EQ(path.PathPoints.first(), P(150, 100)); // the item follows the pen
    ed.MouseUp(down.last());
    EXPECT_EQ(path.PathPoints, (QList<P>{P(0, 0), P(50, 0), P(100, 0), P(150, 0), P(150, 0), P(150, 50), P(150, 100)}));
}

TEST_F(PathEditor, CancelledStrokePutsThePathBack)
{
    TMotionPath path = Open();
    Stroke(path, P(110, 30), {P(110, 30), P(130, 60)}, 12, false);
    ed.Cancel();
    EXPECT_EQ(path.PathPoints, Open().PathPoints);
    EXPECT_EQ(path.PathSamples, Open().PathSamples);
}

// ---- Dragging handles ----

TEST_F(PathEditor, MiddleHandlePutsItsSampleOnTheMouse)
{
    TMotionPath path = Open();
    Drag(path, 3, P(160, 10));
    EXPECT_LE(std::abs(path.PathSamples[18].x - 160), 1);
    EXPECT_LE(std::abs(path.PathSamples[18].y - 10), 1);
    EXPECT_EQ(path.PathLengths.size(), path.PathSamples.size());
}

TEST_F(PathEditor, EndHandleMovesTheJointItself)
{
    TMotionPath path = Open();
    Drag(path, 2, P(120, 50));
    EXPECT_EQ(path.PathPoints[2], P(120, 50));
    EXPECT_EQ(path.PathSamples[12], P(120, 50));
}

TEST_F(PathEditor, JoinedEndsOfALoopMoveTogether)
{
    TMotionPath path;
    path.PathPoints = {P(10, 10), P(60, -40), P(110, 30), P(60, 60), P(10, 10)};
    path.PathType = adtLoop;
    path.Resample();
    ed.Start(&path, false, 0);
    ASSERT_TRUE(ed.MouseDown(P(12, 8)));
    EXPECT_TRUE(ed.BothEnds);
    ed.MouseMove(P(30, 30));
    ed.MouseUp(P(30, 30));
    EXPECT_EQ(path.PathPoints.first(), P(30, 30));
    EXPECT_EQ(path.PathPoints.last(), P(30, 30));
}

TEST_F(PathEditor, DroppingAnEndOnTheOtherClosesThePath)
{
    TMotionPath path = Open();
    Drag(path, 4, P(12, 13));
    EXPECT_EQ(path.PathType, adtLoop);
    EXPECT_EQ(path.PathPoints.last(), P(10, 10));
    path = Open();
    Drag(path, 0, P(197, 23));
    EXPECT_EQ(path.PathPoints.first(), P(200, 20));
}

// ---- Painting ----

TEST_F(PathEditor, PaintsTheLabelWhileWaitingAndTheCurveAfterwards)
{
    QImage image(300, 150, QImage::Format_RGB32);
    image.fill(Qt::white);
    TMotionPath path = At(P(40, 60));
    ed.Start(&path, true, -1, P(40, 60));
    {
        QPainter painter(&image);
        ed.Paint(painter, 0x00FFFFFF, QRect(20, 40, 60, 40), true);
    }
    EXPECT_EQ(image.pixel(ed.LabelRect.left() + 1, ed.LabelRect.top()), qRgb(174, 253, 4));
    image.fill(Qt::white);
    Stroke(path, P(40, 60), Line(P(40, 60), P(240, 60), 10));
    {
        QPainter painter(&image);
        ed.Paint(painter, 0x00FFFFFF, QRect(), false);
    }
    EXPECT_EQ(image.pixel(80, 60), qRgb(0, 0, 0));
}
