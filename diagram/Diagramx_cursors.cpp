// The diagram's cursors: two vertical T cursors and two horizontal Y cursors, each with a
// 20 x 20 handle the user drags, a black line across the plot and, when the picture is wide
// enough, a readout of its value at the bottom left. Cursors live on the screen picture
// only; they are drawn over the finished picture, and dragging restores just the handle and
// its line from the snapshot before drawing the cursors again, without repainting.
//
// A cursor keeps its place relative to the plot: its offset from the range minimum is kept
// together with the span it was set for, and rescaled when the span changes.

#include "Diagramx.h"

#include "AxisScale.h"
#include "CursorDeltas.h"
#include "ImageControl.h"

#include <QFontMetrics>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kHandleHalf = 10; // handles are 20 x 20, centred on their cursor

bool is_t_cursor(int cursor)
{
    return cursor == CursorT1 || cursor == CursorT2;
}

// The tick whose pixel is exactly `pixel`, by binary search in a table sorted by pixel
// (ascending for T, descending for Y); none in an empty table.
const TickEntry* find_tick(const TickEntry* table, int count, int pixel)
{
    if (count <= 0)
        return nullptr;
    const bool ascending = count < 2 || table[0].pixel < table[count - 1].pixel;
    const TickEntry* end = table + count;
    const TickEntry* it =
        ascending ? std::lower_bound(table, end, pixel,
                                     [](const TickEntry& e, int p) { return e.pixel < p; })
                  : std::lower_bound(table, end, pixel,
                                     [](const TickEntry& e, int p) { return e.pixel > p; });
    return it != end && it->pixel == pixel ? it : nullptr;
}

} // namespace

void Diagramx::PlaceCursor(int cursor)
{
    const bool isT = is_t_cursor(cursor);
    CursorValue& c = cursorValue[cursor];
    DrawArea& item = cursorItem[cursor];
    const ViewState& v = view;
    const double span = isT ? v.tMax - v.tMin : v.yMax - v.yMin;
    const int size = isT ? v.plotWidth : v.plotHeight;

    // A place that is no number (left by a picture whose range was none) counts as no place.
    if (c.pixel == -1 || c.span == 0 || !std::isfinite(c.span) || !std::isfinite(c.offset)) {
        // First placement: a quarter and three quarters of the axis.
        c.span = span;
        c.offset = span * (c.number == 1 ? 0.25 : 3 * 0.25);
    } else if (c.span != span) {
        c.offset = span * (c.offset / c.span);
        c.span = span;
    }
    c.pixel = std::clamp(trunc_to_int(size * c.offset / span + 0.5), 0, size);

    const int plotLeft = screenArea.left + v.plotLeft;
    const int plotBottom = screenArea.top + v.plotBottom;
    Canvas& canvas = *screenCanvas;
    canvas.pen = CanvasPen{clBlack, 1, PenStyle::Solid};
    if (isT) {
        item.left = plotLeft + c.pixel - Px(kHandleHalf);
        item.top = plotBottom - v.plotHeight - Px(kHandleHalf);
        const int x = item.left + Px(kHandleHalf);
        canvas.MoveTo(x, item.top + item.height);
        canvas.LineTo(x, plotBottom);
    } else {
        item.left = plotLeft + v.plotWidth - Px(kHandleHalf);
        item.top = plotBottom - c.pixel - Px(kHandleHalf);
        const int y = item.top + Px(kHandleHalf);
        canvas.MoveTo(item.left, y);
        canvas.LineTo(plotLeft, y);
    }
}

// A pentagon in three layers: the yellow body outlined black, a grey shadow and a white face
// outlined black, then the cursor's number on the face.
void Diagramx::DrawTHandle(const DrawArea& item)
{
    Canvas& canvas = *screenCanvas;
    const int c = item.left + Px(kHandleHalf);
    const int T = item.top;
    const int B = item.top + item.height;
    // Corners are given in logical pixels from the tip (c, B).
    auto at = [&](int dx, int dy) { return QPoint(c + Px(dx), B + Px(dy)); };
    canvas.pen = CanvasPen{clBlack, 1, PenStyle::Solid};

    const QPoint body[5] = {at(0, 0), at(-10, -10), at(-10, -20), at(10, -20), at(10, -10)};
    canvas.brushColor = clYellow;
    canvas.Polygon(body, 5);

    const QPoint shadow[5] = {{c, B - 1}, at(0, -10), at(-8, -19), at(9, -19), at(9, -10)};
    canvas.pen.color = clGray;
    canvas.brushColor = clGray;
    canvas.Polygon(shadow, 5);

    const QPoint face[5] = {at(0, -3), at(-8, -11), at(-8, -18), at(8, -18), at(8, -11)};
    canvas.pen.color = clBlack;
    canvas.brushColor = clWhite;
    canvas.Polygon(face, 5);

    SetFont(canvas, 8, false, clBlack);
    const std::uint8_t number = static_cast<const CursorValue*>(item.data)->number;
    const QString text = QString::number(number);
    const int w = canvas.TextWidth(text) - 1;
    const int h = canvas.TextHeight(text) - 3;
    // The digit's ink starts four pixels below the handle's top.
    const QRect box(c - w / 2, T + Px(10) - h / 2 - 1, w, h);
    DrawHandleNumber(box, box.left(), T + Px(4), number);
}

void Diagramx::DrawYHandle(const DrawArea& item)
{
    Canvas& canvas = *screenCanvas;
    const int L = item.left;
    const int R = item.left + item.width;
    const int m = item.top + Px(kHandleHalf);
    // Corners are given in logical pixels from the tip (L, m), or from the right edge R.
    auto at = [&](int dx, int dy) { return QPoint(L + Px(dx), m + Px(dy)); };
    auto right = [&](int dx, int dy) { return QPoint(R - dx, m + Px(dy)); };
    canvas.pen = CanvasPen{clBlack, 1, PenStyle::Solid};

    const QPoint body[5] = {at(0, 0), at(10, -10), right(0, -10), right(0, 10), at(10, 10)};
    canvas.brushColor = clYellow;
    canvas.Polygon(body, 5);

    const QPoint shadow[5] = {{L + 1, m}, at(10, 0), right(1, -9), right(1, 9), at(10, 9)};
    canvas.pen.color = clGray;
    canvas.brushColor = clGray;
    canvas.Polygon(shadow, 5);

    const QPoint face[5] = {at(3, 0), at(11, -8), right(Px(2), -8), right(Px(2), 8), at(11, 8)};
    canvas.pen.color = clBlack;
    canvas.brushColor = clWhite;
    canvas.Polygon(face, 5);

    SetFont(canvas, 8, false, clBlack);
    const std::uint8_t number = static_cast<const CursorValue*>(item.data)->number;
    const QString text = QString::number(number);
    const int w = canvas.TextWidth(text) - 1;
    const int h = canvas.TextHeight(text) - 3;
    // The digit's ink is centred on the handle's middle row.
    const QRect box(L + Px(11), m - h / 2 - 1, w, h);
    DrawHandleNumber(box, box.left(), m - (NumberInkHeight() - 1) / 2, number);
}

// The height in pixels of a digit's ink in the handle font.
int Diagramx::NumberInkHeight()
{
    return QFontMetrics(screenCanvas->qfont()).tightBoundingRect(QStringLiteral("1")).height();
}

// The number on a handle's face, on white. The face is laid out for a font whose digits
// start three pixels below the top of the text cell; fonts differ there, so the digit is
// placed by its ink (left edge inkLeft, top row inkTop), and the box it is clipped to grows
// to hold all of it.
void Diagramx::DrawHandleNumber(const QRect& box, int inkLeft, int inkTop, std::uint8_t number)
{
    Canvas& canvas = *screenCanvas;
    const QString text = QString::number(number);
    const QFontMetrics metrics(canvas.qfont());
    const QRect ink = metrics.tightBoundingRect(text); // relative to the baseline's start
    const int x = inkLeft - ink.left();
    const int y = inkTop - metrics.ascent() - ink.top();
    canvas.brushColor = clWhite;
    canvas.TextRect(box | ink.translated(x, y + metrics.ascent()), x, y, text);
}

double Diagramx::CursorReading(int cursor) const
{
    if (cursor < 0 || cursor >= CursorCount)
        return 0;
    const DrawArea& item = cursorItem[cursor];
    const double offset = cursorValue[cursor].offset;
    if (is_t_cursor(cursor)) {
        const TickEntry* tick = find_tick(tTicks, tTickCount, item.left + Px(kHandleHalf));
        return tick ? tick->value : view.tMin + offset;
    }
    const TickEntry* tick = find_tick(yTicks, yTickCount, item.top + Px(kHandleHalf));
    return tick ? tick->value : view.yMin + offset;
}

// The readouts sit in two rows at the bottom left, number 1 above number 2: the Y readouts
// first, the T readouts beside them; both only when they keep left of the T title.
void Diagramx::DrawReadout(int cursor)
{
    const bool isT = is_t_cursor(cursor);
    const int room = (screenArea.width - titleTWidth) / 2;
    const int needed = isT ? 2 * readoutLabelWidth + 2 * readoutValueWidth + Px(26)
                           : readoutLabelWidth + readoutValueWidth + Px(20);
    if (!(needed < room))
        return;

    Canvas& canvas = *screenCanvas;
    SetFont(canvas, 8, false, clBlue);
    const int h = canvas.TextHeight(QStringLiteral("0"));
    const std::uint8_t number = cursorValue[cursor].number;
    const QString label =
        QString(QChar(isT ? u't' : u'y')) + QString::number(number) + QStringLiteral(":");
    const int labelLeft =
        screenArea.left + (isT ? readoutValueWidth + readoutLabelWidth + Px(26) : Px(20));
    // One pixel more than the text: left-aligned text starts one pixel in, and the colon
    // would lose its last column to the value box.
    const int labelWidth =
        canvas.TextWidth(isT ? QStringLiteral("t2:") : QStringLiteral("y2:")) + 1;
    const int top = screenArea.top + screenArea.height - (number == 1 ? 2 * h + 1 : h);

    canvas.brushColor = view.background;
    DrawText(canvas, QRect(labelLeft, top, labelWidth, h), TextAlign::Left, label);

    SetFont(canvas, 8, false, clBlack);
    const int valueLeft = labelLeft + labelWidth;
    DrawBevelBox(canvas, valueLeft, top, valueLeft + readoutValueWidth, top + h, kReadoutFace, 1,
                 BevelLook::Lowered, Outline::None, TextAlign::Right,
                 format_number(CursorReading(cursor), kReadoutFormat, locale_decimal_separator()));
}

void Diagramx::DrawCursors(DrawArea* grabbed)
{
    // The grabbed handle goes on top: last in the drawing order.
    if (grabbed) {
        DrawArea** end = cursorOrder + CursorCount;
        DrawArea** at = std::find(cursorOrder, end, grabbed);
        if (at != end)
            std::rotate(at, at + 1, end);
    }
    if (showTCursors || showYCursors)
        KeepSnapshot();
    if (showTCursors) {
        PlaceCursor(CursorT1);
        PlaceCursor(CursorT2);
    }
    if (showYCursors) {
        PlaceCursor(CursorY1);
        PlaceCursor(CursorY2);
    }
    for (DrawArea* item : cursorOrder) {
        const int cursor = int(item - cursorItem);
        const bool isT = is_t_cursor(cursor);
        if (!(isT ? showTCursors : showYCursors))
            continue;
        if (isT)
            DrawTHandle(*item);
        else
            DrawYHandle(*item);
        DrawReadout(cursor);
    }
    DrawDeltaReadouts();
}

void Diagramx::RestoreFromSnapshot(const QRect& r)
{
    KeepSnapshot();
    const QRect part = r & snapshot->rect() & plotImage->picture().rect();
    if (part.isEmpty())
        return;
    screenCanvas->painter().drawImage(part.topLeft(), *snapshot, part);
}

void Diagramx::CursorDrag(DrawArea& item, const MouseData& mouse, bool isT)
{
    const QPoint at(mouse.x, mouse.y);
    if (at == panLast)
        return;
    const ViewState& v = view;
    // Nothing to drag on a picture without a plot (too small, or cleared and not yet
    // repainted), and a hidden pair's handles keep their cursors where they are.
    if (!plotOnScreen_ || v.plotWidth <= 0 || v.plotHeight <= 0
        || !(isT ? showTCursors : showYCursors))
        return;
    CursorValue& c = *static_cast<CursorValue*>(item.data);
    if (c.pixel < 0)
        return;

    const int plotLeft = screenArea.left + v.plotLeft;
    const int plotBottom = screenArea.top + v.plotBottom;
    const int plotTop = plotBottom - v.plotHeight;
    // The far edge is exactly the span, whatever the rounding of p x span / size.
    const int size = isT ? v.plotWidth : v.plotHeight;
    const int p = std::clamp(isT ? mouse.x - plotLeft : plotBottom - mouse.y, 0, size);
    c.offset = p == size ? c.span : p * c.span / size;

    // Erase the handle and its line, then draw all shown cursors again.
    RestoreFromSnapshot(QRect(item.left - 1, item.top - 1, item.width + 2, item.height + 2));
    if (isT)
        RestoreFromSnapshot(rect_ltrb(plotLeft + c.pixel - 1, plotTop, plotLeft + c.pixel + 1,
                                      plotTop + v.plotHeight + 1));
    else
        RestoreFromSnapshot(rect_ltrb(plotLeft, plotBottom - c.pixel - 1, plotLeft + v.plotWidth,
                                      plotBottom - c.pixel + 1));
    DrawCursors(&item);
    plotImage->update();
    panLast = at;
    if (screenChanged)
        screenChanged();
}

void Diagramx::CursorTDrag(DrawArea& item, const MouseData& mouse)
{
    CursorDrag(item, mouse, true);
}

void Diagramx::CursorYDrag(DrawArea& item, const MouseData& mouse)
{
    CursorDrag(item, mouse, false);
}
