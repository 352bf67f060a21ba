// The scroll bar under the diagram and the buffer overview strip above it.

#include "paint_support.h"

#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

namespace {

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
};

} // namespace

TEST(ScrollBar, DisabledWhileEverythingIsShownElsePagedToTheShownWindowWhichItScrolls)
{
    OverviewScene s(3000); // fewer than the follow window: all shown
    QScrollBar& bar = *s.d.scrollBar;
    EXPECT_FALSE(bar.isEnabled());

    s.add(17000); // 20000 held, the newest 5000 shown
    ASSERT_TRUE(bar.isEnabled());
    const int page = int(4.999 * kMax / 19.999); // the thumb ends where the track ends
    EXPECT_EQ(std::tuple(bar.pageStep(), bar.value(), bar.maximum()),
              std::tuple(page, kMax - page, kMax - page));

    // Zoomed to a window ending at the newest sample: the thumb at the end; zoomed to
    // everything: disabled again.
    s.zoom(12.0, 30.0);
    EXPECT_EQ(bar.value(), kMax - s.page());
    s.zoom(-1.0, 100.0);
    EXPECT_FALSE(bar.isEnabled() || s.d.scrollTimer->isActive());

    // Scrolling moves the window and keeps its width and value range.
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
    EXPECT_EQ(std::tuple(d.view.yMin, d.view.yMax), std::tuple(yMin, yMax));
    d.OnScrollTimer(); // unchanged position: the timer stops
    EXPECT_FALSE(d.scrollTimer->isActive());
    EXPECT_EQ(d.paintCount(), paints + 1);
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
    EXPECT_TRUE(QTest::qWaitFor([&] { return d.scrollBar->value() != set; }, 5000));
    EXPECT_FALSE(d.scrollTimer->isActive());
    EXPECT_EQ(std::tuple(d.view.followLatest, d.scrollBar->value()),
              std::tuple(1, d.scrollBar->maximum()));
    ASSERT_NE(d.scrollBar->value(), first);

    d.scrollBar->setValue(first);
    d.OnScrollTimer();
    EXPECT_EQ(d.view.followLatest, 0);
    EXPECT_NEAR(d.view.tMin, s.oldest() + first * s.held() / kMax, 1e-9);
}

// Whatever the diagram keeps from earlier pictures, its strip is the one a fresh diagram
// in the same state draws: following and zoomed, before the wrap (red window bar, growing
// gauge), at capacity - 2 and capacity - 1 samples (the bar turns green) and after the
// wrap (full gauge). The window bar sits over the shown times, the gauge ends at the fill
// level, and the labels give the oldest and newest time.
TEST(Overview, StripMatchesAFreshDiagramShowingTheWindowFillLevelAndTimes)
{
    OverviewScene s(10000, 640);
    int n = 10000;
    auto check = [&s, &n](bool zoomed) {
        SCOPED_TRACE(testing::Message() << n << " samples, zoomed " << zoomed);
        OverviewScene fresh(n, 640);
        if (zoomed)
            fresh.zoom(s.d.view.tMin, s.d.view.tMax);
        s.d.infoCanvas->release();
        EXPECT_EQ(count_differing(s.strip(), fresh.strip()), 0);
        const int f = s.W() - 14;
        const double mid = ((s.d.view.tMin + s.d.view.tMax) / 2 - s.oldest()) / s.held();
        EXPECT_EQ(s.px(7 + int(mid * f), 14), n >= 20000 ? clGreen : clRed);
        const int g = int(s.d.SampleCount() * double(f) / 20000 + 0.5);
        EXPECT_EQ(s.px(7 + g - 3, 28), clBlue);
        EXPECT_NE(s.px(7 + g + 3, 28), clBlue);
        EXPECT_TRUE(
            shows_text(s.strip(), format_number(s.oldest(), u"0.000", u'.'), kDiagramBackground));
        EXPECT_TRUE(
            shows_text(s.strip(), format_number(s.newest(), u"0.000", u'.'), kDiagramBackground));
    };
    check(false);
    s.zoom(2.0, 4.0);
    check(true);
    s.add(9999); // capacity - 2: not yet wrapped
    n += 9999;
    check(true);
    s.add(1);
    ++n;
    check(true);
    s.add(5000);
    n += 5000;
    s.d.view.followLatest = 1;
    s.d.Redraw();
    check(false);
}
