// The diagram's axes: the plot rectangle inside the drawing area, the label steps of both
// axes, the dotted grid with the tick tables, the labels with major and minor ticks, the
// three titles and the frame. Device sizes are scaled by the target's pixels per inch over
// the screen's, so a printer page gets the same proportions as the screen.

#include "Diagramx.h"

#include "AxisScale.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kHalfCursorHandle = 10;
// Left of the plot, in screen pixels: the Y title's inset from the area's left edge, the gap
// between the title and the labels, and the gap between the labels and the ticks.
constexpr int kTitleYInset = 3;
constexpr int kTitleYGap = 2;
constexpr int kLabelGap = 2;

} // namespace

void Diagramx::SetFont(Canvas& canvas, int size, bool bold, Color color)
{
    CanvasFont f;
    f.name = QStringLiteral("Arial");
    f.size = size;
    f.bold = bold;
    f.color = color;
    f.pixelsPerInch = canvas.font.pixelsPerInch;
    canvas.font = f;
}

const QString& Diagramx::LabelText(double value, const QString& format)
{
    const int n = format_number(value, format, decimalSeparator_, labelBuffer_, kMaxNumberText);
    labelText_ = QString::fromRawData(reinterpret_cast<const QChar*>(labelBuffer_), n);
    return labelText_;
}

bool Diagramx::LayoutPlot(DrawArea& area, ViewState& v)
{
    Canvas& canvas = *area.canvas;
    SetFont(canvas, 10, true, clBlue);
    titleYWidth = std::uint16_t(canvas.TextWidth(titleY));
    titleTHeight = std::uint16_t(canvas.TextHeight(titleT));
    SetFont(canvas, 12, true, clNavy);
    titleHeight = std::uint16_t(canvas.TextHeight(title) + 4);
    SetFont(canvas, 8, false, clBlack);
    labelHeight_ = canvas.TextHeight(QStringLiteral("0"));
    // The fixed gaps of the layout grow with the target's pixels per inch like the fonts,
    // so that on a printer the T title keeps clear of the T labels as it does on screen.
    v.plotHeight = area.height - labelHeight_ - titleHeight - Scaled(kHalfCursorHandle)
                   - v.tickLength - titleTHeight - Scaled(23);
    if (v.plotHeight <= 0 || area.width < 67)
        return false;
    v.plotBottom = titleHeight + Scaled(kHalfCursorHandle) + v.plotHeight;
    return true;
}

bool Diagramx::ChooseYStep(DrawArea& area, ViewState& v)
{
    Canvas& canvas = *area.canvas;
    SetFont(canvas, 8, false, clBlack);
    const double range = v.yMax - v.yMin;
    const int room = v.plotHeight / (3 * std::max(labelHeight_, 1));
    const AxisStep s = choose_y_step(v.yMin, v.yMax, room);

    // The widest label decides how far the plot starts from the left.
    int widest = 0;
    const double steps = range / s.step;
    const long long most = steps >= 0 && steps < 1e6 ? (long long)steps + 2 : 1000002;
    double value = s.first;
    for (long long i = 0; i < most && value <= v.yMax; ++i) {
        widest = std::max(widest, canvas.TextWidth(LabelText(value, s.format)));
        const double next = next_label_value(value, s.step);
        if (next == value)
            break; // a step too small to move the value: no further labels
        value = next;
    }
    // The gaps grow with the target's resolution like the fonts, so that on a printer page
    // the title keeps as clear of the labels as it does on screen.
    v.plotLeft = Scaled(kTitleYInset) + titleYWidth + std::max(1, Scaled(kTitleYGap)) + widest
                 + Scaled(kLabelGap) + v.tickLength;
    v.plotWidth =
        area.width - (canvas.TextWidth(QStringLiteral("-0.000e+0")) >> 1) - v.plotLeft - 3;
    yLabelFormat = s.format;
    yFirstTick = s.first;
    yTickStep = s.step;
    return v.plotWidth > 0;
}

void Diagramx::ChooseTStep(DrawArea& area, ViewState& v)
{
    Canvas& canvas = *area.canvas;
    SetFont(canvas, 8, false, clBlack);
    struct Measure final : LabelWidth {
        Diagramx& d;
        Canvas& c;
        Measure(Diagramx& dd, Canvas& cc) : d(dd), c(cc) {}
        int operator()(double value, const QString& format) override
        {
            return c.TextWidth(d.LabelText(value, format));
        }
    } measure(*this, canvas);
    const int gap = 14 * targetPpi_ / screenPpi_;
    const AxisStep s = choose_t_step(v.tMin, v.tMax, v.plotWidth, gap, measure);
    tLabelFormat = s.format;
    tFirstTick = s.first;
    tTickStep = s.step;
}

void Diagramx::DrawGrid(DrawArea& area, ViewState& v)
{
    Canvas& canvas = *area.canvas;
    canvas.pen.color = clGray;
    canvas.pen.width = 1;
    canvas.pen.style = PenStyle::Dot;

    const double yRange = v.yMax - v.yMin;
    const int left = area.left + v.plotLeft;
    yTickCount = 0;
    for (double value = yFirstTick; value <= v.yMax && yTickCount < kMaxTicks;
         value = next_label_value(value, yTickStep)) {
        const int y =
            area.top + v.plotBottom - trunc_to_int(v.plotHeight * (value - v.yMin) / yRange + 0.5);
        yTicks[yTickCount++] = TickEntry{value, std::int16_t(y)};
        canvas.MoveTo(left, y);
        canvas.LineTo(left + v.plotWidth, y);
    }

    tTickCount = 0;
    if (!tLabelFormat.isEmpty()) {
        const double tRange = v.tMax - v.tMin;
        for (double value = tFirstTick; value <= v.tMax && tTickCount < kMaxTicks;
             value += tTickStep) {
            const int x = left + trunc_to_int(v.plotWidth * (value - v.tMin) / tRange + 0.5);
            tTicks[tTickCount++] = TickEntry{value, std::int16_t(x)};
            canvas.MoveTo(x, area.top + v.plotBottom);
            canvas.LineTo(x, area.top + titleHeight + Scaled(kHalfCursorHandle));
        }
    }
    canvas.pen.style = PenStyle::Solid;
}

void Diagramx::DrawYAxis(DrawArea& area, ViewState& v)
{
    Canvas& canvas = *area.canvas;
    canvas.brushColor = v.background;
    canvas.pen.width = 1;
    canvas.pen.style = PenStyle::Solid;

    SetFont(canvas, 10, true, clBlue);
    {
        const int h = canvas.TextHeight(titleY);
        const int top = area.top + ((area.height - h) >> 1);
        DrawText(canvas, QRect(area.left + Scaled(kTitleYInset), top, titleYWidth, titleYWidth),
                 TextAlign::Centre, titleY);
    }

    SetFont(canvas, 8, false, clBlack);
    const double range = v.yMax - v.yMin;
    const int bottom = area.top + v.plotBottom;
    const int axisX = area.left + v.plotLeft;
    const int half = v.tickLength / 2;
    const int m = minor_subdivisions(v.plotHeight * yTickStep / range);
    const double minor = yTickStep / m;
    auto minorTick = [&](double value) {
        const int y = bottom - trunc_to_int(v.plotHeight * (value - v.yMin) / range);
        canvas.pen.color = clGray;
        canvas.MoveTo(axisX - half, y);
        canvas.LineTo(axisX, y);
    };

    // Minor ticks below the first label.
    if (yFirstTick - minor > v.yMin) {
        for (int j = 1; j <= m; ++j) {
            const double value = yFirstTick - j * minor;
            if (!(value > v.yMin))
                break;
            minorTick(value);
        }
    }

    const int h = labelHeight_;
    const int labelLeft = Scaled(kTitleYInset) + titleYWidth + std::max(1, Scaled(kTitleYGap));
    for (int i = 0; i < yTickCount; ++i) {
        const TickEntry& tick = yTicks[i];
        const QRect box =
            rect_ltrb(area.left + labelLeft, tick.pixel - h / 2,
                      axisX - v.tickLength - Scaled(kLabelGap), tick.pixel - h / 2 + h);
        DrawText(canvas, box, TextAlign::Right, LabelText(tick.value, yLabelFormat));
        canvas.pen.color = clBlack;
        canvas.MoveTo(axisX - half, tick.pixel);
        canvas.LineTo(axisX + v.tickLength, tick.pixel);
        for (int j = 1; j < m; ++j) {
            const double value = tick.value + j * minor;
            if (!(value < tick.value + yTickStep) || !(value < v.yMax))
                break;
            minorTick(value);
        }
    }
}

void Diagramx::DrawTAxisAndTitles(DrawArea& area, ViewState& v)
{
    Canvas& canvas = *area.canvas;
    canvas.brushColor = v.background;
    canvas.pen.width = 1;
    canvas.pen.style = PenStyle::Solid;

    SetFont(canvas, 12, true, clNavy);
    {
        const int w = canvas.TextWidth(title);
        const int left = area.left + ((area.width - w) >> 1);
        DrawText(canvas, rect_ltrb(left, area.top + 4, left + w, area.top + titleHeight),
                 TextAlign::Centre, title);
    }
    SetFont(canvas, 10, true, clBlue);
    {
        titleTWidth = std::uint16_t(canvas.TextWidth(titleT));
        const int left = area.left + ((area.width - titleTWidth) >> 1);
        DrawText(canvas,
                 rect_ltrb(left, area.top + v.plotBottom + v.tickLength + Scaled(9),
                           left + titleTWidth, area.top + area.height),
                 TextAlign::Centre, titleT);
    }
    if (tLabelFormat.isEmpty())
        return;

    SetFont(canvas, 8, false, clBlack);
    const double range = v.tMax - v.tMin;
    const int bottom = area.top + v.plotBottom;
    const int plotX = area.left + v.plotLeft;
    const int half = v.tickLength / 2;
    const int m = minor_subdivisions(v.plotWidth * tTickStep / range);
    const double minor = tTickStep / m;
    auto minorTick = [&](double value) {
        const int x = plotX + trunc_to_int(v.plotWidth * (value - v.tMin) / range);
        canvas.pen.color = clGray;
        canvas.MoveTo(x, bottom + half);
        canvas.LineTo(x, bottom);
    };

    if (tFirstTick - minor > v.tMin) {
        for (int j = 1; j <= m; ++j) {
            const double value = tFirstTick - j * minor;
            if (!(value > v.tMin))
                break;
            minorTick(value);
        }
    }

    const int rowTop = bottom + v.tickLength + Scaled(4);
    const int h = labelHeight_;
    for (int i = 0; i < tTickCount; ++i) {
        const TickEntry& tick = tTicks[i];
        const QString& text = LabelText(tick.value, tLabelFormat);
        const int w = canvas.TextWidth(text);
        const int left = tick.pixel - (w >> 1);
        DrawText(canvas, rect_ltrb(left, rowTop, left + w, rowTop + h), TextAlign::Centre, text);
        canvas.pen.color = clBlack;
        canvas.MoveTo(tick.pixel, bottom + half + 1);
        canvas.LineTo(tick.pixel, bottom - v.tickLength);
        for (int j = 1; j < m; ++j) {
            const double value = tick.value + j * minor;
            if (!(value < tick.value + tTickStep) || !(value < v.tMax))
                break;
            minorTick(value);
        }
    }
}

void Diagramx::DrawFrame(DrawArea& area, ViewState& v)
{
    Canvas& canvas = *area.canvas;
    canvas.brushColor = clBlack;
    const int left = area.left + v.plotLeft;
    const int bottom = area.top + v.plotBottom;
    canvas.FrameRect(rect_ltrb(left, bottom - v.plotHeight, left + v.plotWidth + 1, bottom + 1));
    canvas.brushColor = v.background;
}
