// The cursor differences: Δt = t2 - t1 with its frequency 1/Δt while the T cursors are shown,
// Δy = y2 - y1 while the Y cursors are shown. They sit in two rows at the bottom right, the
// mirror of the readouts at the bottom left (the time column inside, the value column at the
// edge), under the same rule: only when they keep right of the T title. They are drawn with
// the cursors, so dragging a cursor updates them without a repaint.

#include "CursorDeltas.h"
#include "Diagramx.h"

#include <cmath>

QString cursor_delta_text(double from, double to)
{
    return format_number(to - from, kReadoutFormat, locale_decimal_separator());
}

QString cursor_frequency_text(double dt)
{
    const double f = 1 / std::fabs(dt);
    if (dt == 0 || !std::isfinite(dt) || !std::isfinite(f))
        return QStringLiteral("---");
    const bool plain = f >= 1e-3 && f < 1e9;
    return format_number(f, plain ? u"0.000" : u"0.##e-", locale_decimal_separator())
           + QStringLiteral(" Hz");
}

void Diagramx::DrawDeltaReadouts()
{
    const int room = (screenArea.width - titleTWidth) / 2;
    Canvas& canvas = *screenCanvas;
    SetFont(canvas, 8, false, clBlue);
    const int h = canvas.TextHeight(QStringLiteral("0"));
    // One pixel more than the text, as for the readouts' labels.
    const int labelWidth = canvas.TextWidth(QStringLiteral("1/Δt:")) + 1;
    const int right = screenArea.left + screenArea.width;
    const int row1 = screenArea.top + screenArea.height - 2 * h - 1;
    const int row2 = screenArea.top + screenArea.height - h;

    auto draw = [&](int labelLeft, int top, const QString& label, const QString& value) {
        SetFont(canvas, 8, false, clBlue);
        canvas.brushColor = view.background;
        DrawText(canvas, QRect(labelLeft, top, labelWidth, h), TextAlign::Left, label);
        SetFont(canvas, 8, false, clBlack);
        const int valueLeft = labelLeft + labelWidth;
        DrawBevelBox(canvas, valueLeft, top, valueLeft + readoutValueWidth, top + h, kReadoutFace,
                     1, BevelLook::Lowered, Outline::None, TextAlign::Right, value);
    };

    const int column = labelWidth + readoutValueWidth;
    if (showTCursors && 2 * column + Px(26) < room) {
        const double t1 = CursorReading(CursorT1), t2 = CursorReading(CursorT2);
        const int left = right - 2 * column - Px(26);
        draw(left, row1, QStringLiteral("Δt:"), cursor_delta_text(t1, t2));
        draw(left, row2, QStringLiteral("1/Δt:"), cursor_frequency_text(t2 - t1));
    }
    if (showYCursors && column + Px(20) < room)
        draw(right - column - Px(20), row1, QStringLiteral("Δy:"),
             cursor_delta_text(CursorReading(CursorY1), CursorReading(CursorY2)));
}
