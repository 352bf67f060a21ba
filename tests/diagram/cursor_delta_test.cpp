// The cursor differences: their texts, and that the picture shows them beside the cursors
// where it is wide enough, following a dragged cursor without a repaint.

#include "CursorDeltas.h"
#include "paint_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr Color kReadoutFace = 0xEFEFEF;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(CursorDeltas, Texts)
{
    QLocale::setDefault(QLocale::c());
    const struct {
        double from, to;
        const char* delta;
    } deltas[] = {
        {0.25, 0.75, "0.5000000"},      {0.75, 0.25, "-0.5000000"}, {1.5, 1.5, "0.0000000"},
        {-20, 19.824035, "39.8240350"}, {0.1, 0.3, "0.2000000"}, // 0.19999999999999998 reads as it should
    };
    for (const auto& c : deltas)
        EXPECT_EQ(cursor_delta_text(c.from, c.to), QString::fromUtf8(c.delta)) << c.delta;

    const struct {
        double dt;
        const char* frequency;
    } frequencies[] = {
        {0.5, "2.000 Hz"},
        {-0.25, "4.000 Hz"}, // t2 left of t1: the same period
        {0.001, "1000.000 Hz"},
        {3, "0.333 Hz"},
        {0, "---"},
        {-0.0, "---"},
        {kNaN, "---"},
        {std::numeric_limits<double>::infinity(), "---"},
        {1e-12, "1e12 Hz"},
        {1e4, "1e-4 Hz"},
        {std::numeric_limits<double>::denorm_min(), "---"}, // 1/dt is no number
    };
    for (const auto& c : frequencies)
        EXPECT_EQ(cursor_frequency_text(c.dt), QString::fromUtf8(c.frequency)) << c.dt;
}

// A shown diagram with one second of samples and both cursor pairs on.
struct DeltaScene : LiveScene {
    explicit DeltaScene(int width) : LiveScene(1000, width)
    {
        d.showTCursors = d.showYCursors = 1;
        d.Redraw();
    }
    // The bottom two rows of the picture's right half.
    QImage rightReadouts()
    {
        d.screenCanvas->font = CanvasFont{};
        const int h = d.screenCanvas->TextHeight(QStringLiteral("0"));
        const int w = d.screenArea.width;
        return picture().copy(w / 2 + 10, d.screenArea.height - 2 * h - 1, w / 2 - 10, 2 * h + 1);
    }
    QPoint centre(int cursor) const
    {
        const DrawArea& it = d.cursorItem[cursor];
        return {it.left + it.width / 2, it.top + it.height / 2};
    }
};

TEST(CursorDeltas, ShownWhereWideEnoughAndFollowADraggedCursor)
{
    {
        DeltaScene wide(760);
        EXPECT_TRUE(has_colour(wide.rightReadouts(), wide.rightReadouts().rect(), kReadoutFace));
        // Dragging T2 changes Δt and 1/Δt on the spot, without a repaint.
        const QImage before = wide.rightReadouts();
        const std::uint64_t paints = wide.d.paintCount();
        wide.d.PlotMouseDown(mouse_at(wide.centre(CursorT2)));
        wide.d.PlotMouseMove(mouse_at(wide.centre(CursorT2) - QPoint(60, 0)));
        wide.d.PlotMouseUp(mouse_at(wide.centre(CursorT2)));
        EXPECT_NE(wide.rightReadouts(), before);
        EXPECT_EQ(wide.d.paintCount(), paints);

        // Hiding both pairs takes the differences away with the cursors.
        wide.d.showTCursors = wide.d.showYCursors = 0;
        wide.d.Redraw();
        EXPECT_FALSE(has_colour(wide.rightReadouts(), wide.rightReadouts().rect(), kReadoutFace));
    }
    {
        // Where the left readouts have no room, neither have the differences.
        DeltaScene narrow(200);
        EXPECT_FALSE(
            has_colour(narrow.rightReadouts(), narrow.rightReadouts().rect(), kReadoutFace));
    }
}

} // namespace
