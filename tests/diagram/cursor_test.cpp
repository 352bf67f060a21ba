#include "paint_support.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

// A shown diagram with one second of samples (t = 0 .. 0.999) and both cursor pairs on.
struct CursorScene : LiveScene {
    explicit CursorScene(int width = 760) : LiveScene(1000, width)
    {
        d.showTCursors = d.showYCursors = 1;
        d.Redraw();
    }
    int labelHeight()
    {
        d.screenCanvas->font = CanvasFont{};
        return d.screenCanvas->TextHeight(QStringLiteral("0"));
    }
    QString readout(int cursor)
    {
        return format_number(d.CursorReading(cursor), u"0.0000000", u'.');
    }
    bool yellowAround(QPoint p)
    {
        return has_colour(picture(), QRect(p - QPoint(10, 10), QSize(21, 21)), clYellow);
    }
};

const TickEntry* tick_with_value(const TickEntry* table, int count, double value)
{
    for (int i = 0; i < count; ++i)
        if (table[i].value == value)
            return &table[i];
    return nullptr;
}

} // namespace

TEST(Cursors, DrawnOnThePlotsEdgesAndKeepTheirPixelWhenTheSpanGrows)
{
    CursorScene s;
    Diagramx& d = s.d;
    const ViewState& v = d.view;
    // T handles on the plot's top edge, Y handles on its right edge.
    EXPECT_EQ(std::tuple(s.centre(T1).y(), s.centre(Y2).x()),
              std::tuple(s.plotTop(), s.plotRight()));
    // Black lines from the handle to the far edge of the plot, yellow handles; the snapshot
    // holds the picture without cursors.
    EXPECT_EQ(s.px(s.centre(T1).x(), v.plotBottom - 1), clBlack);
    EXPECT_EQ(s.px(v.plotLeft + 1, s.centre(Y1).y()), clBlack);
    for (int c : {T1, T2, Y1, Y2})
        EXPECT_TRUE(s.yellowAround(s.centre(c))) << c;
    EXPECT_FALSE(has_colour(d.Snapshot(), d.Snapshot().rect(), clYellow));

    // Twice the time span: same pixel, the offset scales with it.
    const int before = d.cursorValue[T1].pixel;
    s.add(1000);
    const double span = d.view.tMax - d.view.tMin;
    EXPECT_EQ(d.cursorValue[T1].pixel, before);
    EXPECT_DOUBLE_EQ(d.cursorValue[T1].offset, 0.25 * span);
}

TEST(Cursors, ReadoutOnATickPixelIsTheTicksExactValue)
{
    CursorScene s;
    Diagramx& d = s.d;
    const ViewState& v = d.view;
    // t runs 0 .. 0.999: pixels are not whole multiples of the span, so a position computed
    // back from a pixel is not a round number; the tick table gives the exact one.
    const TickEntry* half = tick_with_value(d.tTicks, d.tTickCount, 0.5);
    ASSERT_NE(half, nullptr);
    s.drag(T1, QPoint(half->pixel, s.plotTop() + 30));
    EXPECT_EQ(d.cursorItem[T1].left + 10, half->pixel);
    EXPECT_NE(v.tMin + d.cursorValue[T1].offset, 0.5);
    EXPECT_EQ(s.readout(T1), "0.5000000");

    // One pixel beside it: the value computed from the offset.
    s.drag(T1, QPoint(half->pixel + 1, s.plotTop() + 30));
    EXPECT_EQ(d.CursorReading(T1), v.tMin + d.cursorValue[T1].offset);
}

TEST(Cursors, DragRestoresOnlyTheStripsDoesNotRepaintAndIsHeldToThePlot)
{
    CursorScene s;
    Diagramx& d = s.d;
    const ViewState& v = d.view;
    const QImage before = s.copy();
    const std::uint64_t paints = d.paintCount();
    const QRect above(0, 0, d.screenArea.width, d.screenArea.height - 2 * s.labelHeight() - 1);

    const QPoint home = s.centre(T1);
    s.drag(T1, home + QPoint(57, 40));
    EXPECT_EQ(s.centre(T1), QPoint(home.x() + 57, home.y()));
    EXPECT_EQ(s.px(home.x() + 57, (v.plotBottom + s.plotTop()) / 2), clBlack);
    EXPECT_EQ(d.cursorOrder[3], &d.cursorItem[T1]); // the grabbed handle is drawn last
    // Back home: everything above the readouts is as it was before the drag (the strips
    // under the line are restored).
    s.drag(T1, home);
    EXPECT_EQ(s.picture().copy(above), before.copy(above));
    EXPECT_EQ(d.paintCount(), paints);

    // A drag is held to the plot: past the right or top edge is that edge (offset = span),
    // past the left or bottom edge 0.
    const struct {
        int cursor;
        QPoint to;
        bool far;
    } cases[] = {{T2, {s.plotRight() + 300, 5}, true},
                 {T2, {-40, 300}, false},
                 {Y1, {200, -50}, true},
                 {Y1, {200, v.plotBottom + 80}, false}};
    for (const auto& c : cases) {
        s.drag(c.cursor, c.to);
        const CursorValue& cv = d.cursorValue[c.cursor];
        EXPECT_EQ(cv.offset, c.far ? cv.span : 0) << c.to.x() << "," << c.to.y();
        EXPECT_EQ(cv.pixel, c.far ? (c.cursor == T2 ? v.plotWidth : v.plotHeight) : 0);
    }
    EXPECT_EQ(d.CursorReading(T2), v.tMin); // the first tick when one sits there, else tMin
}

// A picture too low for a plot: no cursors, and their handles cannot be dragged.
TEST(Cursors, NotOnPicturesWithoutAPlot)
{
    CursorScene s;
    Diagramx& d = s.d;
    const QPoint t1 = s.centre(T1);
    const double offset = d.cursorValue[T1].offset;
    s.h.host->resize(760, 120);
    QApplication::processEvents();
    d.Redraw();
    ASSERT_LE(d.view.plotHeight, 0);
    const std::uint64_t paints = d.paintCount();
    d.PlotMouseDown(mouse_at(t1));
    d.PlotMouseMove(mouse_at(t1 + QPoint(50, 0)));
    d.PlotMouseUp(mouse_at(t1 + QPoint(50, 0)));
    EXPECT_EQ(d.cursorValue[T1].offset, offset);
    EXPECT_EQ(d.paintCount(), paints);
    EXPECT_FALSE(has_colour(s.picture(), s.picture().rect(), clYellow));

    // Cleared and not yet repainted: the view has no plot to drag on.
    s.h.host->resize(760, 520);
    QApplication::processEvents();
    d.Redraw();
    d.Clear();
    s.drag(T1, s.centre(T1) + QPoint(30, 0));
    EXPECT_EQ(d.cursorValue[T1].offset, offset);
}
