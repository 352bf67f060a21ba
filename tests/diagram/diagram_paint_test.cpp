#include "paint_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

namespace {

// A diagram with `n` samples of f painted once on a 600 x 400 picture.
struct Painted {
    DiagramHost h;
    PaintTarget t;
    ViewState v;
    Painted(int n, const std::function<double(int, int, double)>& f, int w = 600, int ht = 400)
        : t(w, ht)
    {
        h.append(n, f);
        v = h.d->view;
    }
    Diagramx& d() { return *h.d; }
    void paint() { h.d->Paint(t.area, v); }
};

double ramp(int c, int i, double)
{
    return c == 0 ? double(i) : 5.0;
}

} // namespace

TEST(DiagramRanges, AutomaticAndFixedRanges)
{
    const double any = NAN; // not checked in that case
    const auto constant = [](double value) { return [value](int, int, double) { return value; }; };
    // shown: the only channel shown, -1 all, 8 none.
    const struct {
        int n;
        std::function<double(int, int, double)> f;
        int shown;
        bool fixed;
        int fixedMax, fixedMin;
        double yMin, yMax, tMin, tMax;
    } cases[] = {
        {0, ramp, -1, false, 0, 0, -1, 1, -1, 1},            // empty: -1 .. 1 on both axes
        {100, constant(5), -1, false, 0, 0, 4, 6, 0, 0.099}, // constant: widened by one each way
        {1, constant(3), -1, false, 0, 0, 2, 4, -1, 1},      // a single sample: likewise in time
        {11, ramp, -1, false, 0, 0, -0.5, 10.5, any, any},   // five per cent margins
        {11, ramp, 1, false, 0, 0, 4, 6, any, any},          // hidden channels do not count
        {11, ramp, 8, false, 0, 0, -1, 1, any, any},
        {11, ramp, -1, true, 2000, -2000, -2000, 2000, any, any},
        // Both limits 0 (a fresh settings file) or upside down: the automatic range stays,
        // rather than the step search running forever.
        {11, ramp, -1, true, 0, 0, -0.5, 10.5, any, any},
        {11, ramp, -1, true, -5, 5, -0.5, 10.5, any, any},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.n << " samples, shown " << c.shown << ", fixed " << c.fixedMax);
        Painted p(c.n, c.f);
        if (c.shown >= 0)
            p.h.showOnly(c.shown);
        p.v.fixedScale = c.fixed;
        p.v.fixedYMax = c.fixedMax;
        p.v.fixedYMin = c.fixedMin;
        p.paint();
        EXPECT_NEAR(p.v.yMin, c.yMin, 1e-12);
        EXPECT_NEAR(p.v.yMax, c.yMax, 1e-12);
        if (!std::isnan(c.tMin)) {
            EXPECT_NEAR(p.v.tMin, c.tMin, 1e-12);
            EXPECT_NEAR(p.v.tMax, c.tMax, 1e-12);
        }
        EXPECT_GT(p.d().yTickCount, 2);
    }
}

TEST(DiagramRanges, SamplesThatAreNotNumbersAreLeftOutAndBreakTheTrace)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    Painted p(200, [nan](int c, int i, double) {
        if (c != 0)
            return 0.0;
        if (i == 50)
            return nan;
        if (i == 51 || i == 52)
            return i == 51 ? HUGE_VAL : -HUGE_VAL;
        return i < 100 ? 1.0 : 3.0;
    });
    p.h.showOnly(0);
    p.paint();
    EXPECT_DOUBLE_EQ(p.v.yMin, 0.9);
    EXPECT_DOUBLE_EQ(p.v.yMax, 3.1);
    // The trace is there on both sides of the gap, and the gap itself stays empty.
    const Scale sc{p.v};
    const Color green = Diagramx::kDefaultColors[0];
    EXPECT_EQ(p.t.px(sc.x(0.02), sc.y(1)), green);
    EXPECT_EQ(p.t.px(sc.x(0.12), sc.y(3)), green);
    for (int x = sc.x(0.0495); x <= sc.x(0.0525); ++x)
        EXPECT_NE(p.t.px(x, sc.y(1)), green) << x;

    // A time that is not a number is skipped as well, even on the first sample shown.
    p.d().samples[0].t = nan;
    p.d().samples[1].t = HUGE_VAL;
    p.paint();
    EXPECT_DOUBLE_EQ(p.v.tMin, 0.002);
    EXPECT_EQ(p.t.px(Scale{p.v}.x(0.02), sc.y(1)), green);
}

TEST(DiagramAxes, TicksThroughZeroAreExactlyZero)
{
    Painted p(100, [](int, int i, double) { return -0.3 + i * 0.0061; });
    p.paint();
    bool sawZero = false;
    for (int i = 0; i < p.d().yTickCount; ++i) {
        const double value = p.d().yTicks[i].value;
        EXPECT_TRUE(value == 0 || std::fabs(value) > 1e-9) << value;
        sawZero = sawZero || (value == 0 && !std::signbit(value));
    }
    EXPECT_TRUE(sawZero);
}

TEST(DiagramAxes, TallPlotRecordsAtMostFiftyTicksAndDrawsNoGridAboveThem)
{
    Painted p(11, ramp, 500, 4000);
    p.paint();
    const Diagramx& d = p.d();
    ASSERT_EQ(d.yTickCount, Diagramx::kMaxTicks);
    const double next = d.yTicks[Diagramx::kMaxTicks - 1].value + d.yTickStep;
    ASSERT_LE(next, p.v.yMax);
    const int nextY = Scale{p.v}.y(next);
    ASSERT_LT(nextY, d.yTicks[Diagramx::kMaxTicks - 1].pixel);
    EXPECT_FALSE(has_colour(p.t.picture(), QRect(p.v.plotLeft + 6, nextY, 54, 1), clGray));
}

TEST(DiagramAxes, AreasTooSmallPaintOnlyTheBackground)
{
    DiagramHost h;
    h.append(100, [](int, int i, double) { return double(i); });
    // 67 wide is enough for the layout but too narrow for labels and plot: plotWidth <= 0.
    for (QSize size : {QSize(66, 300), QSize(300, 60), QSize(67, 300)}) {
        PaintTarget t(size.width(), size.height());
        ViewState v = h.d->view;
        h.d->Paint(t.area, v);
        EXPECT_EQ(inked(t.picture(), kDiagramBackground), QRect())
            << size.width() << "x" << size.height();
    }
}
