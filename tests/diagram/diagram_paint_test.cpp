#include "paint_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

namespace {

constexpr Color kBackground = 0xDDDDDD;

// Nearly black (antialiased text has few pure black pixels), bluish, or not the colour c.
bool has_dark(const QImage& img, const QRect& r)
{
    return has_pixel(img, r, [](QColor c) { return c.red() < 0x60 && c.green() < 0x60 && c.blue() < 0x60; });
}

bool has_bluish(const QImage& img, const QRect& r)
{
    return has_pixel(img, r, [](QColor c) { return c.blue() > 200 && c.red() < 100 && c.green() < 100; });
}

bool only_colour(const QImage& img, Color c)
{
    return !has_pixel(img, img.rect(), [c](QColor q) { return from_qcolor(q) != c; });
}

} // namespace

TEST(DiagramRanges, AutomaticAndFixedRanges)
{
    const double any = NAN; // not checked in that case
    const auto ramp = [](int c, int i, double) { return c == 0 ? double(i) : 5.0; };
    const auto constant = [](double value) { return [value](int, int, double) { return value; }; };
    const struct {
        int n;
        std::function<double(int, int, double)> f;
        int shown; // the only channel shown; -1 all, 8 none
        bool fixed;
        int fixedMax, fixedMin;
        double yMin, yMax, tMin, tMax;
    } cases[] = {
        {0, ramp, -1, false, 0, 0, -1, 1, -1, 1},           // empty: -1 .. 1 on both axes
        {100, constant(5), -1, false, 0, 0, 4, 6, 0, 0.099}, // constant: widened by one each way
        {1, constant(3), -1, false, 0, 0, 2, 4, -1, 1},     // a single sample: likewise in time
        {11, ramp, -1, false, 0, 0, -0.5, 10.5, any, any},  // five per cent margins
        {11, ramp, 1, false, 0, 0, 4, 6, any, any},         // hidden channels do not count
        {11, ramp, 8, false, 0, 0, -1, 1, any, any},
        {11, ramp, -1, true, 2000, -2000, -2000, 2000, any, any},
        // Both limits 0 (a fresh settings file) or upside down: the automatic range stays,
        // rather than the step search running forever.
        {11, ramp, -1, true, 0, 0, -0.5, 10.5, any, any},
        {11, ramp, -1, true, -5, 5, -0.5, 10.5, any, any},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.n << " samples, shown " << c.shown << ", fixed " << c.fixedMax);
        DiagramHost h;
        h.append(c.n, c.f);
        if (c.shown >= 0)
            h.showOnly(c.shown);
        PaintTarget t(600, 400);
        ViewState v = h.d->view;
        v.fixedScale = c.fixed;
        v.fixedYMax = c.fixedMax;
        v.fixedYMin = c.fixedMin;
        h.d->Paint(t.area, v);
        EXPECT_NEAR(v.yMin, c.yMin, 1e-12);
        EXPECT_NEAR(v.yMax, c.yMax, 1e-12);
        if (!std::isnan(c.tMin)) {
            EXPECT_NEAR(v.tMin, c.tMin, 1e-12);
            EXPECT_NEAR(v.tMax, c.tMax, 1e-12);
        }
        EXPECT_GT(h.d->yTickCount, 2);
        if (c.n == 0) {
            EXPECT_EQ(h.d->viewEnd, 0u);
            EXPECT_EQ(h.d->yTicks[0].value, -1);
            EXPECT_EQ(h.d->yTicks[h.d->yTickCount - 1].value, 1);
            EXPECT_GT(h.d->tTickCount, 2);
            for (Color colour : Diagramx::kDefaultColors)
                if (colour != 0x800000 && colour != 0xFF0000) { // navy and blue are title colours too
                    EXPECT_FALSE(has_colour(t.picture(), t.image.rect(), colour)) << std::hex << colour;
                }
        }
    }
}

TEST(DiagramRanges, FollowWindowStartsWindowSamplesBeforeTail)
{
    DiagramHost h;
    h.append(20500, [](int c, int i, double) { return c == 0 ? double(i % 100) : 0.0; });
    ASSERT_EQ(h.d->SampleCount(), 20000u);
    PaintTarget t(600, 400);
    ViewState v = h.d->view;
    h.d->Paint(t.area, v);
    const Diagramx& d = *h.d;
    EXPECT_EQ(d.viewStart, d.RingBack(d.tail, 5000));
    EXPECT_EQ(d.viewEnd, d.tail);
    EXPECT_EQ(v.viewOffset, 15000u);
    EXPECT_NEAR(v.tMin, 15.5, 1e-9);
    EXPECT_NEAR(v.tMax, 20.499, 1e-9);

    // Fewer samples than the window: from the oldest.
    h.d->Clear();
    h.append(300, [](int, int i, double) { return double(i); });
    h.d->Paint(t.area, v);
    EXPECT_EQ(h.d->viewStart, h.d->head);
    EXPECT_DOUBLE_EQ(v.tMin, 0);
}

// (Zoom windows with a range are checked with the zoom and pan tests.)
TEST(DiagramRanges, ZoomWindowWithoutARangePastTheDataIsHeldToItWithAutomaticRanges)
{
    DiagramHost h;
    h.append(1000, [](int, int i, double) { return double(i); });
    PaintTarget t(600, 400);
    ViewState v = zoomed(h.d->view, 5000, 5000, 0, 0);
    h.d->Paint(t.area, v);
    EXPECT_EQ(h.d->viewStart, 999u);
    EXPECT_EQ(h.d->viewEnd, 999u);
    EXPECT_DOUBLE_EQ(v.yMin, 998);
    EXPECT_DOUBLE_EQ(v.yMax, 1000);
    EXPECT_LT(v.tMin, v.tMax);
}

TEST(DiagramRanges, SamplesThatAreNotNumbersAreLeftOutAndBreakTheTrace)
{
    DiagramHost h;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    h.append(200, [nan](int c, int i, double) {
        if (c != 0)
            return 0.0;
        if (i == 50)
            return nan;
        if (i == 51)
            return HUGE_VAL;
        if (i == 52)
            return -HUGE_VAL;
        return i < 100 ? 1.0 : 3.0;
    });
    h.showOnly(0);
    PaintTarget t(600, 400);
    ViewState v = h.d->view;
    h.d->Paint(t.area, v);
    EXPECT_DOUBLE_EQ(v.yMin, 0.9);
    EXPECT_DOUBLE_EQ(v.yMax, 3.1);
    // The trace is there on both sides of the gap, and the gap itself stays empty.
    const Scale sc{v};
    const Color green = Diagramx::kDefaultColors[0];
    EXPECT_EQ(t.px(sc.x(0.02), sc.y(1)), green);
    EXPECT_EQ(t.px(sc.x(0.12), sc.y(3)), green);
    bool step = false; // the rise from 1 to 3 between 99 and 100 ms
    for (int x = sc.x(0.099); x <= sc.x(0.1); ++x)
        step = step || t.px(x, sc.y(2)) == green;
    EXPECT_TRUE(step);
    for (int x = sc.x(0.0495); x <= sc.x(0.0525); ++x)
        EXPECT_NE(t.px(x, sc.y(1)), green) << x;

    // A time that is not a number is skipped as well, even on the first sample shown.
    h.d->samples[0].t = nan;
    h.d->samples[1].t = HUGE_VAL;
    h.d->Paint(t.area, v);
    EXPECT_DOUBLE_EQ(v.tMin, 0.002);
    EXPECT_EQ(t.px(Scale{v}.x(0.02), sc.y(1)), green);
}

TEST(DiagramRanges, ExtremeValuesAndTimesPaintWithoutHanging)
{
    DiagramHost h;
    h.append(50, [](int c, int i, double) {
        return c == 0 ? (i % 2 ? 1.7e308 : -1.7e308) : (c == 1 ? 1e-300 * i : 0.0);
    });
    h.d->samples[49].t = 1.7e308;
    PaintTarget t(600, 400);
    ViewState v = h.d->view;
    h.d->Paint(t.area, v);
    EXPECT_LE(h.d->yTickCount, Diagramx::kMaxTicks);
    h.showOnly(1); // a range of 5e-299
    h.d->Paint(t.area, v);
    EXPECT_LT(v.yMin, v.yMax);
    EXPECT_GT(h.d->yTickCount, 0);
}

TEST(DiagramAxes, ZeroToTenLabelsAndTickTables)
{
    DiagramHost h;
    h.append(11, [](int c, int i, double) { return c == 0 ? double(i) : 5.0; });
    PaintTarget t(700, 500);
    ViewState v = h.d->view;
    h.d->Paint(t.area, v);
    const Diagramx& d = *h.d;
    EXPECT_EQ(d.yLabelFormat, "0.");
    ASSERT_GT(d.yTickCount, 1);
    // Ascending values, descending pixels; T ticks inside the time range.
    for (int i = 1; i < d.yTickCount; ++i) {
        EXPECT_GT(d.yTicks[i].value, d.yTicks[i - 1].value);
        EXPECT_LT(d.yTicks[i].pixel, d.yTicks[i - 1].pixel);
    }
    EXPECT_EQ(d.yTicks[0].value, 0);
    EXPECT_EQ(d.yTicks[0].pixel, v.plotBottom - int(v.plotHeight * 0.5 / 11 + 0.5));
    for (int i = 0; i < d.tTickCount; ++i) {
        EXPECT_GE(d.tTicks[i].value, v.tMin);
        EXPECT_LE(d.tTicks[i].value, v.tMax);
    }
    // The frame around the plot.
    const int top = v.plotBottom - v.plotHeight;
    EXPECT_EQ(t.px(v.plotLeft, top + 3), clBlack);
    EXPECT_EQ(t.px(v.plotLeft + v.plotWidth, top + 3), clBlack);
    EXPECT_EQ(t.px(v.plotLeft + 3, v.plotBottom), clBlack);
    EXPECT_EQ(t.px(v.plotLeft + 3, top), clBlack);
    EXPECT_EQ(t.px(v.plotLeft + v.plotWidth + 1, top + 3), kBackground);
    // A major Y tick reaches left of the frame and into the plot.
    const int ty = d.yTicks[1].pixel;
    EXPECT_EQ(t.px(v.plotLeft - 2, ty), clBlack);
    EXPECT_EQ(t.px(v.plotLeft + 4, ty), clBlack);
    // The grid line of a label is grey, dotted: some pixels grey, some background.
    bool grey = false, gap = false;
    for (int x = v.plotLeft + 6; x < v.plotLeft + 40; ++x) {
        grey = grey || t.px(x, ty) == clGray;
        gap = gap || t.px(x, ty) == kBackground;
    }
    EXPECT_TRUE(grey);
    EXPECT_TRUE(gap);
    // Label text left of the tick: dark pixels in the label box.
    EXPECT_TRUE(has_dark(t.picture(),
                         QRect(d.titleYWidth + 5, ty - 6, v.plotLeft - d.titleYWidth - 12, 12)));
    // Nothing but the title left of the labels.
    EXPECT_FALSE(has_dark(t.picture(), QRect(0, ty - 6, 3, 12)));
}

TEST(DiagramAxes, TicksThroughZeroAreExactlyZero)
{
    DiagramHost h;
    h.append(100, [](int, int i, double) { return -0.3 + i * 0.0061; });
    PaintTarget t(600, 400);
    ViewState v = h.d->view;
    h.d->Paint(t.area, v);
    bool sawZero = false;
    for (int i = 0; i < h.d->yTickCount; ++i) {
        const double value = h.d->yTicks[i].value;
        EXPECT_TRUE(value == 0 || std::fabs(value) > 1e-9) << value;
        sawZero = sawZero || (value == 0 && !std::signbit(value));
    }
    EXPECT_TRUE(sawZero);
}

TEST(DiagramAxes, TallPlotRecordsAtMostFiftyTicks)
{
    DiagramHost h;
    h.append(11, [](int c, int i, double) { return c == 0 ? double(i) : 5.0; });
    PaintTarget t(500, 4000);
    ViewState v = h.d->view;
    h.d->Paint(t.area, v);
    EXPECT_EQ(h.d->yTickCount, Diagramx::kMaxTicks);
    // The labels stop at the fiftieth: no grid line above it.
    const int last = h.d->yTicks[Diagramx::kMaxTicks - 1].pixel;
    const double next = h.d->yTicks[Diagramx::kMaxTicks - 1].value + h.d->yTickStep;
    ASSERT_LE(next, v.yMax);
    const int nextY = v.plotBottom - int(v.plotHeight * (next - v.yMin) / (v.yMax - v.yMin) + 0.5);
    ASSERT_LT(nextY, last);
    bool grey = false;
    for (int x = v.plotLeft + 6; x < v.plotLeft + 60; ++x)
        grey = grey || t.px(x, nextY) == clGray;
    EXPECT_FALSE(grey);
}

TEST(DiagramAxes, AreasTooSmallPaintOnlyTheBackground)
{
    DiagramHost h;
    h.append(100, [](int, int i, double) { return double(i); });
    for (QSize size : {QSize(66, 300), QSize(300, 60), QSize(67, 300)}) {
        PaintTarget t(size.width(), size.height());
        ViewState v = h.d->view;
        h.d->Paint(t.area, v);
        if (size.width() == 67) {
            // Wide enough for the layout, too narrow for labels and plot: plotWidth <= 0.
            EXPECT_LE(v.plotWidth, 0);
        }
        EXPECT_TRUE(only_colour(t.picture(), kBackground)) << size.width() << "x" << size.height();
    }
    // A narrow plot where no T step fits: no T labels, the T title is still drawn.
    h.d->Clear();
    PaintTarget narrow(140, 200);
    ViewState v = h.d->view;
    h.d->Paint(narrow.area, v);
    ASSERT_GT(v.plotWidth, 0);
    EXPECT_TRUE(h.d->tLabelFormat.isEmpty());
    EXPECT_EQ(h.d->tTickCount, 0);
    EXPECT_TRUE(has_bluish(narrow.picture(), QRect(0, v.plotBottom + 10, 140, 60)));
}

TEST(DiagramAxes, PrinterTargetScalesSizesAndLeavesTheScreenAlone)
{
    DiagramHost h(700, 500);
    h.host->show();
    QApplication::processEvents();
    h.append(500, [](int c, int i, double) { return c * 10 + std::sin(i * 0.05); });
    h.d->Redraw();
    ASSERT_GT(h.d->screenArea.width, 100);
    const QImage snapshotBefore = h.d->Snapshot().copy();
    EXPECT_EQ(snapshotBefore, h.d->plotImage->picture()); // the screen paint filled it
    const QImage screenBefore = h.d->plotImage->picture().copy();
    const int screenPlotHeight = h.d->view.plotHeight;

    PaintTarget page(2100, 1500, 3 * kScreenPixelsPerInch);
    h.d->printView = h.d->view;
    h.d->printView.background = 0xFFFFFF;
    h.d->Paint(page.area, h.d->printView);
    EXPECT_EQ(h.d->printView.tickLength, 15);
    EXPECT_GT(h.d->titleHeight, 30); // 12 pt at 288 pixels per inch
    EXPECT_EQ(h.d->Snapshot(), snapshotBefore);
    EXPECT_EQ(h.d->plotImage->picture(), screenBefore);
    EXPECT_EQ(h.d->view.plotHeight, screenPlotHeight);
    EXPECT_EQ(page.px(5, 5), 0xFFFFFFu);
    EXPECT_TRUE(has_colour(page.picture(), page.image.rect(), Diagramx::kDefaultColors[0]));
}
