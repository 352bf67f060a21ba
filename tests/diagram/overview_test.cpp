// The scroll bar under the diagram.

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
    void zoom(double tMin, double tMax)
    {
        d.view.zoomTMin = tMin;
        d.view.zoomTMax = tMax;
        d.view.zoomYMin = -10;
        d.view.zoomYMax = 100;
        d.WindowFromZoom();
        d.Redraw();
    }
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
