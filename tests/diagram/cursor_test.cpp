#include "paint_support.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr Color kYellow = 0x00FFFF;
constexpr Color kReadoutFace = 0xEFEFEF;
enum { T1, T2, Y1, Y2 };

// A shown diagram with one second of samples (t = 0 .. 0.999) and both cursor pairs on.
struct CursorScene {
    DiagramHost h;
    Diagramx& d;
    explicit CursorScene(int width = 760, int height = 520, bool show = true)
        : h(width, height), d(*h.d)
    {
        h.host->show();
        QApplication::processEvents();
        h.append(1000, [](int c, int, double t) { return 100.0 * c + 40 * std::sin(6 * t + c); });
        d.showTCursors = show;
        d.showYCursors = show;
        d.Redraw();
    }
    const QImage& picture() { return d.plotImage->picture(); }
    Color px(int x, int y) { return from_qcolor(picture().pixelColor(x, y)); }
    QPoint centre(int cursor) const
    {
        const DrawArea& it = d.cursorItem[cursor];
        return {it.left + it.width / 2, it.top + it.height / 2};
    }
    // Press on a handle, move to `to`, release: the way the picture's mouse events come in.
    void drag(int cursor, QPoint to)
    {
        MouseData m;
        m.x = centre(cursor).x();
        m.y = centre(cursor).y();
        d.PlotMouseDown(m);
        ASSERT_EQ(d.activeItem, &d.cursorItem[cursor]);
        m.x = to.x();
        m.y = to.y();
        d.PlotMouseMove(m);
        d.PlotMouseUp(m);
    }
    int plotTop() const { return d.view.plotBottom - d.view.plotHeight; }
    int labelHeight()
    {
        d.screenCanvas->font = CanvasFont{};
        return d.screenCanvas->TextHeight(QStringLiteral("0"));
    }
    QString readout(int cursor)
    {
        return format_number(d.CursorReading(cursor), u"0.0000000", u'.');
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

TEST(Cursors, FirstShownAtAQuarterAndThreeQuartersWithLinesAndHandles)
{
    CursorScene s;
    Diagramx& d = s.d;
    const ViewState& v = d.view;
    const double tSpan = v.tMax - v.tMin;
    const double ySpan = v.yMax - v.yMin;

    const int t1 = int(v.plotWidth * 0.25 + 0.5);
    const int t2 = int(v.plotWidth * 0.75 + 0.5);
    EXPECT_EQ(d.cursorValue[T1].pixel, t1);
    EXPECT_EQ(d.cursorValue[T2].pixel, t2);
    EXPECT_DOUBLE_EQ(d.cursorValue[T1].offset, tSpan * 0.25);
    EXPECT_DOUBLE_EQ(d.cursorValue[T2].offset, tSpan * 0.75);
    EXPECT_EQ(d.cursorValue[Y1].pixel, int(v.plotHeight * 0.25 + 0.5));
    EXPECT_EQ(d.cursorValue[Y2].pixel, int(v.plotHeight * 0.75 + 0.5));

    // T handles centred on the plot's top edge, Y handles on its right edge.
    EXPECT_EQ(s.centre(T1), QPoint(v.plotLeft + t1, s.plotTop()));
    EXPECT_EQ(s.centre(T2), QPoint(v.plotLeft + t2, s.plotTop()));
    EXPECT_EQ(s.centre(Y2), QPoint(v.plotLeft + v.plotWidth, v.plotBottom - d.cursorValue[Y2].pixel));

    // Readouts: tMin + span x 0.25 unless the cursor sits on a labelled tick.
    for (int c : {T1, T2}) {
        const TickEntry* tick = nullptr;
        for (int i = 0; i < d.tTickCount; ++i)
            if (d.tTicks[i].pixel == s.centre(c).x())
                tick = &d.tTicks[i];
        EXPECT_EQ(d.CursorReading(c), tick ? tick->value : v.tMin + d.cursorValue[c].offset);
    }
    EXPECT_NEAR(d.CursorReading(T1), v.tMin + tSpan * 0.25, tSpan / v.plotWidth);
    EXPECT_NEAR(d.CursorReading(Y2), v.yMin + ySpan * 0.75, ySpan / v.plotHeight);

    // The lines, black, from the handle to the far edge of the plot; the handle itself: a
    // yellow body with a white face and the number in black on it.
    const int mid = (v.plotBottom + s.plotTop()) / 2;
    EXPECT_EQ(s.px(v.plotLeft + t1, mid), clBlack);
    EXPECT_EQ(s.px(v.plotLeft + t1, v.plotBottom - 1), clBlack);
    EXPECT_EQ(s.px(v.plotLeft + v.plotWidth / 2, s.centre(Y1).y()), clBlack);
    EXPECT_EQ(s.px(v.plotLeft + 1, s.centre(Y1).y()), clBlack);
    for (int c : {T1, T2, Y1, Y2}) {
        const DrawArea& it = d.cursorItem[c];
        const QRect r(it.left, it.top, it.width, it.height);
        EXPECT_TRUE(has_colour(s.picture(), r, kYellow)) << c;
        EXPECT_TRUE(has_colour(s.picture(), r, clWhite)) << c;
        EXPECT_TRUE(has_colour(s.picture(), r, clGray)) << c;
    }
    // T handle: the body's tip points down at the plot; its top corners are yellow-edged.
    const QPoint c1 = s.centre(T1);
    EXPECT_EQ(s.px(c1.x(), c1.y() + 10), clBlack);    // tip, outline
    EXPECT_EQ(s.px(c1.x() - 9, c1.y() - 5), kYellow); // body between outline and face
    EXPECT_EQ(s.px(c1.x() + 7, c1.y() - 6), clWhite); // face, clear of the number
    // The snapshot holds the picture without cursors.
    EXPECT_NE(from_qcolor(d.Snapshot().pixelColor(c1.x() - 9, c1.y() - 5)), kYellow);
}

TEST(Cursors, KeepTheirPlaceWhenTheRangeChangesOrThePairIsHidden)
{
    CursorScene s;
    Diagramx& d = s.d;
    const int before = d.cursorValue[T1].pixel;
    const double readingBefore = d.CursorReading(T1);
    const double spanBefore = d.view.tMax - d.view.tMin;

    // Twice the time span: same pixel, offset and reading scale with it.
    s.h.append(1000, [](int, int, double) { return 1.0; });
    d.Redraw();
    const double span = d.view.tMax - d.view.tMin;
    ASSERT_NEAR(span, 2 * spanBefore, 0.01);
    EXPECT_EQ(d.cursorValue[T1].pixel, before);
    EXPECT_DOUBLE_EQ(d.cursorValue[T1].span, span);
    EXPECT_DOUBLE_EQ(d.cursorValue[T1].offset, 0.25 * span);
    EXPECT_NE(d.CursorReading(T1), readingBefore);

    // Hidden: not drawn, not moved; shown again where it was.
    const QPoint handle = s.centre(T2);
    d.showTCursors = 0;
    d.Redraw();
    EXPECT_FALSE(has_colour(s.picture(), QRect(handle - QPoint(10, 10), QSize(21, 21)), kYellow));
    EXPECT_EQ(s.centre(T2), handle);
    // A press on the hidden handle still grabs it, but it does not move its cursor.
    const double offset = d.cursorValue[T2].offset;
    s.drag(T2, handle + QPoint(-100, 0));
    EXPECT_EQ(d.cursorValue[T2].offset, offset);
    d.showTCursors = 1;
    d.Redraw();
    EXPECT_EQ(s.centre(T2), handle);
    EXPECT_TRUE(has_colour(s.picture(), QRect(handle - QPoint(10, 10), QSize(21, 21)), kYellow));
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
    EXPECT_EQ(d.CursorReading(T1), 0.5);
    EXPECT_EQ(s.readout(T1), "0.5000000");
    // One pixel beside it: the value computed from the offset.
    s.drag(T1, QPoint(half->pixel + 1, s.plotTop() + 30));
    EXPECT_EQ(d.CursorReading(T1), v.tMin + d.cursorValue[T1].offset);
    EXPECT_NE(s.readout(T1), "0.5000000");

    // Y: with a fixed range of -2000 .. 2000, the tick at 0 reads exactly 0.
    d.view.fixedScale = 1;
    d.view.fixedYMax = 2000;
    d.view.fixedYMin = -2000;
    d.Redraw();
    const TickEntry* zero = tick_with_value(d.yTicks, d.yTickCount, 0.0);
    ASSERT_NE(zero, nullptr);
    s.drag(Y1, QPoint(v.plotLeft + 50, zero->pixel));
    EXPECT_EQ(d.CursorReading(Y1), 0.0);
    EXPECT_EQ(s.readout(Y1), "0.0000000");
    s.drag(Y1, QPoint(v.plotLeft + 50, zero->pixel - 1));
    EXPECT_GT(d.CursorReading(Y1), 0.0);

    // The value box on the screen shows that text: it matches a box drawn on its own.
    d.Redraw();
    s.drag(T1, QPoint(half->pixel, s.plotTop() + 30));
    Canvas& sc = *d.screenCanvas;
    sc.font = CanvasFont{};
    const int h = sc.TextHeight(QStringLiteral("0"));
    const int left = d.readoutValueWidth + d.readoutLabelWidth + 26 +
                     sc.TextWidth(QStringLiteral("t2:")) + 1;
    const int top = d.screenArea.height - 2 * h - 1;
    PaintTarget ref(d.screenArea.width, d.screenArea.height);
    DrawBevelBox(ref.canvas, left, top, left + d.readoutValueWidth, top + h, kReadoutFace, 1, 0,
                 0, 1, QStringLiteral("0.5000000"));
    const QRect box(left, top, d.readoutValueWidth, h);
    EXPECT_EQ(s.picture().copy(box), ref.picture().copy(box));
}

TEST(Cursors, DragIsHeldToThePlot)
{
    CursorScene s;
    Diagramx& d = s.d;
    const ViewState& v = d.view;
    s.drag(T2, QPoint(v.plotLeft + v.plotWidth + 300, 5));
    EXPECT_EQ(d.cursorValue[T2].offset, d.cursorValue[T2].span);
    EXPECT_EQ(d.cursorValue[T2].pixel, v.plotWidth);
    EXPECT_EQ(s.centre(T2).x(), v.plotLeft + v.plotWidth);
    s.drag(T2, QPoint(-40, 300));
    EXPECT_EQ(d.cursorValue[T2].offset, 0);
    EXPECT_EQ(s.centre(T2).x(), v.plotLeft);
    EXPECT_EQ(d.CursorReading(T2), v.tMin); // the first tick when one sits there, else tMin

    // Y: above the plot's top is the top, below its bottom the bottom.
    s.drag(Y1, QPoint(200, -50));
    EXPECT_EQ(d.cursorValue[Y1].offset, d.cursorValue[Y1].span);
    EXPECT_EQ(s.centre(Y1).y(), s.plotTop());
    s.drag(Y1, QPoint(200, v.plotBottom + 80));
    EXPECT_EQ(d.cursorValue[Y1].pixel, 0);
    EXPECT_EQ(s.centre(Y1).y(), v.plotBottom);
    EXPECT_EQ(d.cursorValue[Y1].number, 1);
}

TEST(Cursors, DragRestoresOnlyTheStripsAndDoesNotRepaint)
{
    CursorScene s;
    Diagramx& d = s.d;
    const ViewState& v = d.view;
    const QImage before = s.picture().copy();
    const std::uint64_t paints = d.paintCount();
    const QPoint home = s.centre(T1);
    const int mid = (v.plotBottom + s.plotTop()) / 2;

    s.drag(T1, home + QPoint(57, 40));
    EXPECT_EQ(d.paintCount(), paints);
    EXPECT_EQ(s.centre(T1), QPoint(home.x() + 57, home.y()));
    // The old line is gone (the picture under it is back), the new one is drawn.
    for (int y = s.plotTop() + 1; y < v.plotBottom; y += 7) {
        if (std::abs(y - s.centre(Y1).y()) > 1 && std::abs(y - s.centre(Y2).y()) > 1) {
            EXPECT_EQ(s.picture().pixel(home.x(), y), d.Snapshot().pixel(home.x(), y)) << y;
        }
    }
    EXPECT_EQ(s.px(home.x() + 57, mid), clBlack);
    // The grabbed handle is drawn last.
    EXPECT_EQ(d.cursorOrder[3], &d.cursorItem[T1]);
    EXPECT_EQ(d.cursorOrder[0], &d.cursorItem[Y2]);
    EXPECT_EQ(d.cursorOrder[1], &d.cursorItem[Y1]);
    EXPECT_EQ(d.cursorOrder[2], &d.cursorItem[T2]);

    // Back home: everything above the readouts is as it was before the drag.
    s.drag(T1, home);
    const QRect above(0, 0, d.screenArea.width, d.screenArea.height - 2 * s.labelHeight() - 1);
    EXPECT_EQ(s.picture().copy(above), before.copy(above));

    // A Y handle likewise, and grabbing another changes the order again.
    const QPoint y2 = s.centre(Y2);
    s.drag(Y2, y2 + QPoint(0, 33));
    EXPECT_EQ(d.paintCount(), paints);
    EXPECT_EQ(s.centre(Y2).y(), y2.y() + 33);
    EXPECT_EQ(s.picture().pixel(v.plotLeft + 40, y2.y()), d.Snapshot().pixel(v.plotLeft + 40, y2.y()));
    EXPECT_EQ(s.px(v.plotLeft + 40, y2.y() + 33), clBlack);
    EXPECT_EQ(d.cursorOrder[3], &d.cursorItem[Y2]);
    EXPECT_EQ(d.cursorOrder[2], &d.cursorItem[T1]);
    s.drag(Y2, y2);
    EXPECT_EQ(s.picture().copy(above), before.copy(above));

    // The same point again does nothing, not even a redraw of the cursors.
    d.cursorValue[Y2].offset = 0;
    MouseData m;
    m.x = y2.x();
    m.y = y2.y();
    d.activeItem = &d.cursorItem[Y2];
    d.PlotMouseMove(m);
    EXPECT_EQ(d.cursorValue[Y2].offset, 0);
}

TEST(Cursors, ReadoutsOnlyWhereThePictureIsWideEnough)
{
    // Find the widths at which each pair's readouts just fit.
    int yNeeded = 0, tNeeded = 0, titleWidth = 0;
    {
        CursorScene s;
        yNeeded = s.d.readoutLabelWidth + s.d.readoutValueWidth + 20;
        tNeeded = 2 * s.d.readoutLabelWidth + 2 * s.d.readoutValueWidth + 26;
        titleWidth = s.d.titleTWidth;
        const int h = s.picture().height();
        EXPECT_TRUE(has_colour(s.picture(), QRect(0, h - 40, 760, 40), kReadoutFace));
        ASSERT_GT(titleWidth, 0);
    }
    auto faces = [](CursorScene& s, int left, int right) {
        const int h = s.labelHeight();
        return has_colour(s.picture(),
                          QRect(left, s.d.screenArea.height - 2 * h - 1, right - left, 2 * h + 1),
                          kReadoutFace);
    };
    const int yLeft = 20, yRight = yNeeded;
    const int tLeft = yNeeded + 6, tRight = tNeeded;
    {
        // Just wide enough for both.
        CursorScene s(2 * tNeeded + titleWidth + 2);
        ASSERT_EQ(s.d.screenArea.width, 2 * tNeeded + titleWidth + 2);
        EXPECT_TRUE(faces(s, yLeft, yRight));
        EXPECT_TRUE(faces(s, tLeft, tRight));
    }
    {
        // One pixel short for the T readouts: the Y readouts stay.
        CursorScene s(2 * tNeeded + titleWidth);
        EXPECT_TRUE(faces(s, yLeft, yRight));
        EXPECT_FALSE(faces(s, tLeft, tRight));
        // The cursors themselves are still there.
        EXPECT_TRUE(has_colour(s.picture(), QRect(0, 0, s.d.screenArea.width, 60), kYellow));
    }
    {
        CursorScene s(2 * yNeeded + titleWidth);
        EXPECT_FALSE(faces(s, 0, s.d.screenArea.width));
        const QRect t1(s.d.cursorItem[T1].left, s.d.cursorItem[T1].top, 20, 20);
        EXPECT_TRUE(has_colour(s.picture(), t1, kYellow));
    }
}

TEST(Cursors, NeitherOnPrintedPicturesNorOnPicturesWithoutAPlot)
{
    CursorScene s;
    Diagramx& d = s.d;
    PaintTarget page(1400, 1000, 2 * kScreenPixelsPerInch);
    d.printView = d.view;
    d.Paint(page.area, d.printView);
    EXPECT_FALSE(has_colour(page.picture(), page.image.rect(), kYellow));

    // A picture too low for a plot: no cursors, and their handles cannot be dragged.
    const QPoint t1 = s.centre(T1);
    const double offset = d.cursorValue[T1].offset;
    s.h.host->resize(760, 120);
    QApplication::processEvents();
    d.Redraw();
    ASSERT_LE(d.view.plotHeight, 0);
    EXPECT_FALSE(has_colour(s.picture(), s.picture().rect(), kYellow));
    const std::uint64_t paints = d.paintCount();
    MouseData m;
    m.x = t1.x();
    m.y = t1.y();
    d.PlotMouseDown(m);
    m.x += 50;
    d.PlotMouseMove(m);
    d.PlotMouseUp(m);
    EXPECT_EQ(d.cursorValue[T1].offset, offset);
    EXPECT_EQ(d.paintCount(), paints);
    EXPECT_FALSE(has_colour(s.picture(), s.picture().rect(), kYellow));

    // Cleared and not yet repainted: the view has no plot to drag on.
    s.h.host->resize(760, 520);
    QApplication::processEvents();
    d.Redraw();
    d.Clear();
    s.drag(T1, s.centre(T1) + QPoint(30, 0));
    EXPECT_EQ(d.cursorValue[T1].offset, offset);
}
