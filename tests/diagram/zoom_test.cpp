// Rubber-band zoom, the zoom window as sample offsets, and right-button panning.

#include "paint_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <tuple>

namespace {

// A shown diagram with `n` live samples, painted once, its plot 520 pixels high.
struct ZoomScene : LiveScene {
    explicit ZoomScene(int n = 20000, int width = 760, int height = 520 + 57 + 36)
        : LiveScene(n, width, height)
    {}
};

} // namespace

TEST(Zoom, DragRightAndDownZoomsToThatRectangleHeldToThePlotOtherDragsFollowAgain)
{
    ZoomScene s;
    Diagramx& d = s.d;
    const ViewState before = d.view;
    const double st = before.tMax - before.tMin;
    const double sy = before.yMax - before.yMin;
    const std::uint64_t paints = d.paintCount();

    s.leftDrag({100, 100}, {300, 200}, {{150, 120}, {250, 260}});

    EXPECT_EQ(d.paintCount(), paints + 1); // only the release repaints
    const ViewState& v = d.view;
    EXPECT_EQ(v.followLatest, 0);
    // The band's corners in the old picture's times and values.
    EXPECT_DOUBLE_EQ(v.zoomTMin, before.tMin + st * (100 - before.plotLeft) / before.plotWidth);
    EXPECT_DOUBLE_EQ(v.zoomTMax, before.tMin + st * (300 - before.plotLeft) / before.plotWidth);
    EXPECT_DOUBLE_EQ(v.zoomYMin, before.yMin + sy * (before.plotBottom - 200) / before.plotHeight);
    EXPECT_DOUBLE_EQ(v.zoomYMax, before.yMin + sy * (before.plotBottom - 100) / before.plotHeight);
    // The picture shows exactly that range.
    EXPECT_NEAR(v.tMin, v.zoomTMin, 1e-9);
    EXPECT_NEAR(v.tMax, v.zoomTMax, 1e-9);

    // A drag in any other direction returns to following the newest samples.
    for (QPoint to : {QPoint(100, 100), QPoint(100, 300), QPoint(350, 100)}) {
        s.leftDrag({200, 200}, {300, 300}); // zoom first
        ASSERT_EQ(v.followLatest, 0);
        s.leftDrag({200, 200}, to);
        EXPECT_EQ(std::tuple(v.followLatest, v.tMax), std::tuple(1, s.newest())) << to.x();
    }

    // From above and left of the plot to below and right of it: the whole plot. (The
    // hidden cursor handles wait at the top left corner.)
    ASSERT_LT(24, s.plotTop());
    s.leftDrag({3, 24}, {s.plotRight() + 40, v.plotBottom + 30});
    EXPECT_EQ(std::tuple(v.zoomTMin, v.zoomYMin), std::tuple(before.tMin, before.yMin));
    EXPECT_DOUBLE_EQ(v.zoomTMax, before.tMax);
    EXPECT_DOUBLE_EQ(v.zoomYMax, before.yMax);
}

TEST(WindowFromZoom, OffsetsAndTrimsFollowTheRequestedTimes)
{
    ZoomScene s(1000); // t = 0 .. 0.999
    Diagramx& d = s.d;
    ViewState& v = d.view;

    v.zoomTMin = 0.1004;
    v.zoomTMax = 0.2506;
    d.WindowFromZoom();
    EXPECT_EQ(std::tuple(v.followLatest, v.viewOffset, v.viewOffset + v.viewLength),
              std::tuple(0, 100u, 251u));
    d.Redraw();
    EXPECT_NEAR(v.tMin, 0.1004, 1e-12);
    EXPECT_NEAR(v.tMax, 0.2506, 1e-12);

    // Requests that make no sense keep the window inside the ring.
    const double bad[][2] = {{0.5, 0.2}, {0.9995, 5}, {NAN, 0.5}, {1e300, 1e301}};
    for (const auto& r : bad) {
        v.zoomTMin = r[0];
        v.zoomTMax = r[1];
        d.WindowFromZoom();
        EXPECT_LE(v.viewOffset + v.viewLength, 999u);
        d.Redraw();
        EXPECT_TRUE(std::isfinite(v.tMin) && std::isfinite(v.tMax) && v.tMax > v.tMin);
    }
}

TEST(Zoom, ZoomWindowKeepsItsOffsetsFromHeadWhileSamplesArrive)
{
    ZoomScene s(19500);
    Diagramx& d = s.d;
    s.leftDrag({100, 100}, {300, 200});
    const std::uint32_t offset = d.view.viewOffset;
    const std::uint32_t length = d.view.viewLength;
    const double tMin = d.view.tMin;

    s.add(1500); // full, and 1000 samples dropped:: the window moves with head
    ASSERT_EQ(d.head, 1000u);
    EXPECT_EQ(std::tuple(d.view.viewOffset, d.view.viewLength, d.viewStart),
              std::tuple(offset, length, d.RingAdd(d.head, offset)));
    EXPECT_NEAR(d.view.tMin, tMin + 1000 * d.samplePeriod, 1e-9);
}

TEST(Pan, MovesTheWindowAndStopsAtTheOldestAndNewestSample)
{
    ZoomScene s;
    Diagramx& d = s.d;
    s.leftDrag({200, 100}, {400, 300});
    const ViewState z = d.view;
    const double width = z.tMax - z.tMin;

    // Dragging right by 50 pixels shows earlier times; dragging down shows higher values.
    s.pan({300, 200}, {350, 230});
    const double dx = 50 * width / z.plotWidth;
    const double dy = 30 * (z.yMax - z.yMin) / z.plotHeight;
    EXPECT_NEAR(d.view.tMin, z.tMin - dx, 1e-9);
    EXPECT_NEAR(d.view.tMax, z.tMax - dx, 1e-9);
    EXPECT_EQ(std::tuple(d.view.yMin, d.view.yMax), std::tuple(z.yMin + dy, z.yMax + dy));

    // Far to the right: the window stops at the oldest sample; far left, at the newest.
    for (int right : {1, 0}) {
        for (int i = 0; i < 20; ++i)
            s.pan({right ? 10 : 700, 200}, {right ? 700 : 10, 200});
        if (right)
            EXPECT_EQ(std::tuple(d.view.zoomTMin, d.view.viewOffset), std::tuple(s.oldest(), 0u));
        else
            EXPECT_EQ(std::tuple(d.view.tMax, d.view.viewOffset + d.view.viewLength),
                      std::tuple(s.newest(), d.SampleCount() - 1));
        EXPECT_NEAR(d.view.tMax - d.view.tMin, width, 1e-9);
    }
}

// Random mouse and scroll sequences against a small diagram that keeps filling and wraps
// many times: the window stays inside the ring and every picture has a usable range.
TEST(ZoomPanScroll, RandomSequencesOnALiveDiagramStayInsideTheRing)
{
    DiagramHost h(500, 380, 60, 301);
    Diagramx& d = *h.d;
    h.host->show();
    QApplication::processEvents();
    std::mt19937 rng(2024);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto point = [&] { return QPoint(pick(-40, 540), pick(-40, 300)); };

    for (int step = 0; step < 3000; ++step) {
        const int action = pick(0, 99);
        if (action < 20) { // samples arrive
            h.append(pick(0, 40), [&](int c, int, double t) { return c * std::sin(t * 30); });
            d.Redraw();
        } else if (action < 30) {
            d.PlotMouseDown(mouse_at(point(), Qt::LeftButton));
            for (int i = pick(0, 3); i > 0; --i)
                d.PlotMouseMove(mouse_at(point(), Qt::LeftButton));
            if (pick(0, 3) == 0) { // samples arrive in the middle of the drag
                h.append(pick(1, 30), [](int, int i, double) { return i % 7; });
                d.Redraw();
            }
            d.PlotMouseUp(mouse_at(point(), Qt::NoButton));
        } else if (action < 50) {
            d.PlotMouseDown(mouse_at(point(), Qt::RightButton, MouseButton::Right));
            for (int i = pick(1, 4); i > 0; --i) {
                d.PlotMouseMove(mouse_at(point(), Qt::RightButton));
                d.PanStep();
            }
            d.PlotMouseUp(mouse_at(point(), Qt::NoButton, MouseButton::Right));
        } else if (action < 70) {
            d.scrollBar->setValue(pick(0, Diagramx::kScrollRange));
            d.OnScrollTimer();
            d.OnScrollTimer();
        } else if (action < 80) {
            d.ScrollTo(pick(-100, 11000), Diagramx::kScrollRange);
        } else if (action < 90) {
            d.view.followLatest = 1; // Refresh
            d.Redraw();
        } else if (action < 92) {
            d.Clear();
            d.Redraw();
        }
        if (!d.view.followLatest) {
            ASSERT_GE(d.SampleCount(), 2u);
            ASSERT_LE(d.view.viewOffset + d.view.viewLength, d.SampleCount() - 1) << step;
        }
        ASSERT_LT(d.viewStart, d.capacity);
        ASSERT_LT(d.viewEnd, d.capacity);
        ASSERT_TRUE(std::isfinite(d.view.tMin) && std::isfinite(d.view.tMax));
        ASSERT_TRUE(d.view.tMax > d.view.tMin && d.view.yMax > d.view.yMin) << step;
        ASSERT_EQ(d.rubberBand, 0);
    }
    d.StopPan();
    d.scrollTimer->stop();
}
