// The scroll bar under the diagram and the buffer overview strip above it.

#include "paint_support.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr Color kRed = 0x0000FF;
constexpr Color kGreen = 0x008000;
constexpr Color kBlue = 0xFF0000;
constexpr int kMax = Diagramx::kScrollRange;

struct OverviewScene : LiveScene {
    explicit OverviewScene(int n, int width = 700) : LiveScene(n, width, 480 + 57 + 36) {}
    double held() const { return newest() - oldest(); }
    double shown() const { return d.view.tMax - d.view.tMin; }
    int page() const { return int(shown() * kMax / held()); }
    void zoom(double tMin, double tMax)
    {
        d.view.zoomTMin = tMin;
        d.view.zoomTMax = tMax;
        d.view.zoomYMin = -10;
        d.view.zoomYMax = 100;
        d.WindowFromZoom();
        d.Redraw();
    }
    const QImage& strip() { return d.infoImage->picture(); }
    Color px(int x, int y) { return from_qcolor(strip().pixelColor(x, y)); }
    int W() { return strip().width(); }
    bool rowHas(int y, Color c) { return has_colour(strip(), QRect(0, y, W(), 1), c); }
};

} // namespace

TEST(ScrollBar, DisabledWhileEverythingIsShownElsePagedToTheShownWindow)
{
    OverviewScene s(3000); // fewer than the follow window: all shown
    QScrollBar& bar = *s.d.scrollBar;
    EXPECT_FALSE(bar.isEnabled());

    s.add(17000); // 20000 held, the newest 5000 shown
    ASSERT_TRUE(bar.isEnabled());
    const int page = s.page();
    EXPECT_EQ(page, int(4.999 * kMax / 19.999));
    EXPECT_EQ(bar.pageStep(), page);
    EXPECT_EQ(bar.value(), kMax - page);
    EXPECT_EQ(bar.maximum(), kMax - page); // the thumb ends where the track ends

    // Zoomed to a window ending at the newest sample.
    s.zoom(12.0, 30.0);
    EXPECT_EQ(s.d.view.tMax, s.newest());
    EXPECT_EQ(bar.pageStep(), s.page());
    EXPECT_EQ(bar.value(), kMax - s.page());

    // A window in the middle, and one starting at the oldest sample.
    s.zoom(5.0, 9.0);
    EXPECT_EQ(bar.pageStep(), s.page());
    EXPECT_EQ(bar.value(), int((s.d.view.tMin - s.oldest()) * kMax / s.held()));
    s.zoom(-1.0, 2.0);
    EXPECT_EQ(bar.value(), 0);

    // Zoomed to everything: disabled again.
    s.zoom(-1.0, 100.0);
    EXPECT_FALSE(bar.isEnabled());
    EXPECT_FALSE(s.d.scrollTimer->isActive());
}

TEST(ScrollBar, ScrollingMovesTheWindowAndKeepsItsWidthAndYRange)
{
    OverviewScene s(20000);
    Diagramx& d = s.d;
    s.zoom(10.0, 12.0);
    const double width = s.shown();
    const double yMin = d.view.yMin, yMax = d.view.yMax;

    d.scrollBar->setValue(0); // the user's move starts the timer; its tick applies it
    EXPECT_TRUE(d.scrollTimer->isActive());
    const std::uint64_t paints = d.paintCount();
    d.OnScrollTimer();
    EXPECT_EQ(d.paintCount(), paints + 1);
    EXPECT_NEAR(d.view.tMin, s.oldest(), 1e-9);
    EXPECT_NEAR(s.shown(), width, 1e-9);
    EXPECT_EQ(d.view.yMin, yMin);
    EXPECT_EQ(d.view.yMax, yMax);
    EXPECT_EQ(d.view.viewOffset, 0u);
    d.OnScrollTimer(); // unchanged position: the timer stops
    EXPECT_FALSE(d.scrollTimer->isActive());
    EXPECT_EQ(d.paintCount(), paints + 1);

    d.scrollBar->setValue(5000);
    d.OnScrollTimer();
    EXPECT_NEAR(d.view.tMin, s.oldest() + 0.5 * s.held(), 1e-9);
    d.OnScrollTimer();

    // Past the newest sample the window ends there and the thumb is set to match.
    d.ScrollTo(kMax, kMax);
    EXPECT_EQ(d.view.tMax, s.newest());
    EXPECT_NEAR(s.shown(), width, 1e-9);
    EXPECT_NEAR(d.scrollBar->value(), int(kMax * (s.newest() - width - s.oldest()) / s.held()), 1);
    EXPECT_EQ(d.lastScrollPos, d.scrollBar->value());
    EXPECT_FALSE(d.scrollTimer->isActive());
}

// The diagram's own settings of the bar are not the user's scrolling: painting a live
// diagram never switches it to zoom mode, and a later move of the thumb to where it was
// before the paint still scrolls. Pictures in quick succession set the bar once; the
// last setting held back is applied when the spacing is up, with the thumb at the end.
TEST(ScrollBar, ThePaintsOwnSettingsDoNotScroll)
{
    OverviewScene s(6000);
    Diagramx& d = s.d;
    const int first = d.scrollBar->value();
    s.add(300);
    s.add(300);
    const int set = d.scrollBar->value();
    for (int i = 0; i < 18; ++i)
        s.add(300);
    EXPECT_EQ(d.scrollBar->value(), set);
    QTimer wait;
    wait.setSingleShot(true);
    wait.start(Diagramx::kScrollBarSpacingMs + 50);
    while (wait.isActive())
        QApplication::processEvents();
    EXPECT_FALSE(d.scrollTimer->isActive());
    EXPECT_EQ(d.view.followLatest, 1);
    EXPECT_EQ(d.scrollBar->value(), d.scrollBar->maximum());
    EXPECT_NE(d.scrollBar->value(), set);
    ASSERT_NE(d.scrollBar->value(), first);

    d.scrollBar->setValue(first);
    d.OnScrollTimer();
    EXPECT_EQ(d.view.followLatest, 0);
    EXPECT_NEAR(d.view.tMin, s.oldest() + first * s.held() / kMax, 1e-9);
}

TEST(Overview, ShortGaugeShowsOnlyTheArrowsAndShorterStillNotEvenThose)
{
    OverviewScene few(500);
    const int g = int(500.0 * (few.W() - 14) / 20000 + 0.5);
    for (int y = 32; y <= 40; ++y) // below the gauge track's outline: no text
        for (int x = 12; x < 8 + g - 6; ++x)
            ASSERT_GE(qGray(few.strip().pixel(x, y)), 100) << x << "," << y;
    EXPECT_EQ(few.px(7, 35), clBlack);
    OverviewScene fewer(100);
    EXPECT_NE(fewer.px(7, 35), clBlack);

    // An empty diagram: the two tracks and nothing else.
    few.d.Clear();
    few.d.Redraw();
    EXPECT_FALSE(few.rowHas(27, kBlue));
    EXPECT_FALSE(few.rowHas(14, kRed));
    EXPECT_EQ(few.px(5, 40), 0xDDDDDDu);
    EXPECT_EQ(few.px(few.W() / 2, 14), clWhite);
}

// The strip is the drawing of its boxes, lines, arrowheads and texts in that order, whatever
// the diagram keeps from earlier pictures: compared with a drawing made from scratch while
// following and zoomed, before the wrap (red window bar, growing gauge), at capacity - 2 and
// capacity - 1 samples (the bar turns green) and after the wrap (full gauge).
TEST(Overview, StripIsTheDrawingOfItsPartsAfterEveryChange)
{
    OverviewScene s(10000, 640);
    auto expected = [&s] {
        Diagramx& d = s.d;
        const int W = s.W();
        PaintTarget t(W, 57);
        Canvas& c = t.canvas;
        FillCanvas(c, 0xDDDDDD);
        DrawBevelBox(c, 5, 8, W - 5, 20, clWhite, 2, 0, 1, 2, QString());
        const double span = s.held();
        const int f = W - 14;
        const int b = std::max(int(f * s.shown() / span + 0.5), 2);
        int p = int(f * (d.view.tMin - s.oldest()) / span + 0.5);
        if (p == f)
            p -= b;
        DrawBevelBox(c, 7 + p, 10, 7 + p + b, 18, d.SampleCount() >= d.capacity - 1 ? kGreen : kRed,
                     2, 1, 1, 2, QString());
        DrawBevelBox(c, 5, 24, W - 5, 32, clWhite, 1, 0, 1, 2, QString());
        const int g = std::max(int(d.SampleCount() * (W - 14.0) / (d.capacity - 1) + 0.5), 2);
        DrawBevelBox(c, 7, 26, 7 + g, 30, kBlue, 2, 1, 1, 2, QString());
        const int xl = 5, xr = 8 + g;
        c.pen = CanvasPen{};
        c.MoveTo(xl, 28);
        c.LineTo(xl, 42);
        c.MoveTo(xr, 28);
        c.LineTo(xr, 42);
        c.brushColor = clBlack;
        const QPoint left[3] = {{xl, 35}, {xl + 5, 30}, {xl + 5, 40}};
        const QPoint right[3] = {{xr, 35}, {xr - 5, 30}, {xr - 5, 40}};
        c.Polygon(left, 3);
        c.Polygon(right, 3);
        for (const QPoint* corners : {left, right}) // a closed outline has all its corners
            for (int i = 0; i < 3; ++i)
                FillBox(c, corners[i].x(), corners[i].y(), 1, 1, clBlack);
        c.font = CanvasFont{};
        const int h = c.TextHeight("0");
        const QString first = format_number(s.oldest(), u"0.000", u'.');
        const QString last = format_number(s.newest(), u"0.000", u'.');
        const int w1 = c.TextWidth(first), w2 = c.TextWidth(last);
        c.brushColor = 0xDDDDDD;
        DrawText(c, QRect(xl + 8, 35 - h / 2, w1, h), 2, first);
        DrawText(c, QRect(xr - 8 - w2, 35 - h / 2, w2, h), 2, last);
        return t.picture().copy();
    };
    auto compare = [&s](const QImage& want) {
        s.d.infoCanvas->release();
        return count_differing(s.strip(), want);
    };
    EXPECT_EQ(compare(expected()), 0);
    s.zoom(2.0, 4.0);
    EXPECT_EQ(compare(expected()), 0);
    s.add(9999); // capacity - 2: not yet wrapped
    EXPECT_EQ(compare(expected()), 0);
    EXPECT_TRUE(s.rowHas(14, kRed));
    s.add(1);
    EXPECT_EQ(compare(expected()), 0);
    EXPECT_TRUE(s.rowHas(14, kGreen));
    s.add(5000);
    EXPECT_EQ(compare(expected()), 0);
    s.zoom(s.newest() - 1, s.newest());
    EXPECT_EQ(compare(expected()), 0);
    s.d.view.followLatest = 1;
    s.d.Redraw();
    EXPECT_EQ(compare(expected()), 0);
}
