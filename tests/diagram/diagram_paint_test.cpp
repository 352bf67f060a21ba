#include "paint_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

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

TEST(DiagramRanges, EmptyDiagramShowsMinusOneToOneOnBothAxes)
{
    DiagramHost h;
    PaintTarget t(600, 400);
    ViewState v = h.d->view;
    h.d->Paint(t.area, v);
    EXPECT_EQ(v.yMin, -1);
    EXPECT_EQ(v.yMax, 1);
    EXPECT_EQ(v.tMin, -1);
    EXPECT_EQ(v.tMax, 1);
    EXPECT_EQ(h.d->viewStart, 0u);
    EXPECT_EQ(h.d->viewEnd, 0u);
    // Axes with labels, but no trace colour anywhere.
    EXPECT_GT(h.d->yTickCount, 2);
    EXPECT_GT(h.d->tTickCount, 2);
    EXPECT_EQ(h.d->yTicks[0].value, -1);
    EXPECT_EQ(h.d->yTicks[h.d->yTickCount - 1].value, 1);
    for (Color c : Diagramx::kDefaultColors) {
        if (c != 0x800000 && c != 0xFF0000) { // navy and blue are also title colours
            EXPECT_FALSE(has_colour(t.picture(), t.image.rect(), c)) << std::hex << c;
        }
    }
}

TEST(DiagramRanges, AutomaticRangeRules)
{
    DiagramHost h;
    PaintTarget t(600, 400);

    // Constant 5.0: widened by one each way.
    h.append(100, [](int, int, double) { return 5.0; });
    ViewState v = h.d->view;
    h.d->Paint(t.area, v);
    EXPECT_DOUBLE_EQ(v.yMin, 4);
    EXPECT_DOUBLE_EQ(v.yMax, 6);
    EXPECT_DOUBLE_EQ(v.tMin, 0);
    EXPECT_NEAR(v.tMax, 0.099, 1e-12);

    // 0 to 10: five per cent margins.
    h.d->Clear();
    h.append(11, [](int c, int i, double) { return c == 0 ? double(i) : 5.0; });
    v = h.d->view;
    h.d->Paint(t.area, v);
    EXPECT_DOUBLE_EQ(v.yMin, -0.5);
    EXPECT_DOUBLE_EQ(v.yMax, 10.5);

    // Hidden channels do not count; with none shown the range is -1 .. 1.
    h.showOnly(1);
    h.d->Paint(t.area, v);
    EXPECT_DOUBLE_EQ(v.yMin, 4);
    EXPECT_DOUBLE_EQ(v.yMax, 6);
    for (int c = 0; c < 8; ++c)
        h.d->channelVisible[c] = 0;
    h.d->Paint(t.area, v);
    EXPECT_DOUBLE_EQ(v.yMin, -1);
    EXPECT_DOUBLE_EQ(v.yMax, 1);
    // A single sample: the time range is widened by one each way.
    h.d->Clear();
    h.append(1, [](int, int, double) { return 3.0; });
    h.d->Paint(t.area, v);
    EXPECT_DOUBLE_EQ(v.tMin, -1);
    EXPECT_DOUBLE_EQ(v.tMax, 1);
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
    EXPECT_DOUBLE_EQ(v.tMin, d.samples[d.viewStart].t);
    EXPECT_NEAR(v.tMin, 15.5, 1e-9);
    EXPECT_NEAR(v.tMax, 20.499, 1e-9);

    // Fewer samples than the window: from the oldest.
    h.d->Clear();
    h.append(300, [](int, int i, double) { return double(i); });
    h.d->Paint(t.area, v);
    EXPECT_EQ(h.d->viewStart, h.d->head);
    EXPECT_DOUBLE_EQ(v.tMin, 0);
}

TEST(DiagramRanges, FixedScaleAppliesOnlyWhenItHasExtent)
{
    DiagramHost h;
    h.append(11, [](int c, int i, double) { return c == 0 ? double(i) : 5.0; });
    PaintTarget t(600, 400);
    ViewState v = h.d->view;
    v.fixedScale = 1;
    v.fixedYMax = 2000;
    v.fixedYMin = -2000;
    h.d->Paint(t.area, v);
    EXPECT_EQ(v.yMax, 2000);
    EXPECT_EQ(v.yMin, -2000);

    // Both limits 0 (a fresh settings file) or upside down: the automatic range stays,
    // and the picture is painted rather than the step search running forever.
    for (auto [hi, lo] : {std::pair{0, 0}, std::pair{-5, 5}}) {
        v.fixedYMax = hi;
        v.fixedYMin = lo;
        h.d->Paint(t.area, v);
        EXPECT_DOUBLE_EQ(v.yMin, -0.5);
        EXPECT_DOUBLE_EQ(v.yMax, 10.5);
        EXPECT_GT(h.d->yTickCount, 0);
    }
}

TEST(DiagramRanges, ZoomModeUsesTheRequestedRangesAndFallsBackWhenEmpty)
{
    DiagramHost h;
    h.append(1000, [](int, int i, double) { return double(i); });
    PaintTarget t(600, 400);
    ViewState v = h.d->view;
    v.followLatest = 0;
    v.viewOffset = 100;
    v.viewLength = 200;
    v.tTrimStart = 0.0004;
    v.tTrimEnd = 0.0002;
    v.zoomYMin = 50;
    v.zoomYMax = 150;
    h.d->Paint(t.area, v);
    EXPECT_EQ(h.d->viewStart, 100u);
    EXPECT_EQ(h.d->viewEnd, 300u);
    EXPECT_NEAR(v.tMin, 0.1004, 1e-12);
    EXPECT_NEAR(v.tMax, 0.2998, 1e-12);
    EXPECT_EQ(v.yMin, 50);
    EXPECT_EQ(v.yMax, 150);

    // No zoom range yet, a window past the data: held to the data, automatic ranges.
    v.zoomYMin = v.zoomYMax = 0;
    v.viewOffset = 5000;
    v.viewLength = 5000;
    v.tTrimStart = v.tTrimEnd = 0;
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
    const int x0 = t.area.left + v.plotLeft;
    auto xOf = [&](double time) {
        return x0 + int((time - v.tMin) * v.plotWidth / (v.tMax - v.tMin) + 0.5);
    };
    const Color green = Diagramx::kDefaultColors[0];
    auto yOf = [&](double value) {
        return v.plotBottom - int((value - v.yMin) * v.plotHeight / (v.yMax - v.yMin) + 0.5);
    };
    EXPECT_EQ(t.px(xOf(0.02), yOf(1)), green);
    EXPECT_EQ(t.px(xOf(0.12), yOf(3)), green);
    bool step = false; // the rise from 1 to 3 between 99 and 100 ms
    for (int x = xOf(0.099); x <= xOf(0.1); ++x)
        step = step || t.px(x, yOf(2)) == green;
    EXPECT_TRUE(step);
    for (int x = xOf(0.0495); x <= xOf(0.0525); ++x)
        EXPECT_NE(t.px(x, yOf(1)), green) << x;

    // A time that is not a number is skipped as well, even on the first sample shown.
    h.d->samples[0].t = nan;
    h.d->samples[1].t = HUGE_VAL;
    h.d->Paint(t.area, v);
    EXPECT_DOUBLE_EQ(v.tMin, 0.002);
    EXPECT_EQ(t.px(xOf(0.02), yOf(1)), green);
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
    // Plot geometry from the layout rules, and the frame where it says.
    EXPECT_EQ(v.plotBottom, d.titleHeight + 10 + v.plotHeight);
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
