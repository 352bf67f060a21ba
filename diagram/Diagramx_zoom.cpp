// Zooming and panning the screen picture with the mouse.
//
// A left-button drag to the right and downwards draws a white rubber band and zooms to it; a
// left-button drag in any other direction goes back to following the newest samples. A
// right-button drag pans the picture in T and Y, applied every 5 ms by panTimer so that the
// mouse travel between two paints becomes one step.
//
// In zoom mode the window is held as sample offsets from head (viewOffset, viewLength) plus
// two trims, assuming the samples are samplePeriod apart from the time of the sample at
// head. New live samples keep entering the ring; once it is full the window moves with head.

#include "Diagramx.h"

#include "DiagramSource.h"
#include "ImageControl.h"

#include <QCursor>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kNarrowestRange = 1e-12;

// The whole sample steps in `span` (its integer part), limited to 0 .. most. Spans that
// are not numbers count as 0.
std::uint32_t whole_steps(double span, double period, std::uint32_t most)
{
    const double steps = std::floor(span / period);
    if (!(steps > 0))
        return 0;
    return steps >= double(most) ? most : std::uint32_t(steps);
}

} // namespace

// ---- Mouse handlers of the picture -------------------------------------------------------

void Diagramx::ZoomMouseDown(DrawArea&, const MouseData& mouse)
{
    if (mouse.button == MouseButton::Left) {
        zoomStart = QPoint(mouse.x, mouse.y);
        zoomRect = zoomRectOld = QRect(zoomStart, zoomStart);
        rubberBand = 1;
    } else if (mouse.button == MouseButton::Right && RingDistance(viewStart, viewEnd) != 0) {
        panLast = panTarget = QPoint(mouse.x, mouse.y);
        plotImage->setCursor(Qt::SizeAllCursor);
        panTimer->start();
    }
}

void Diagramx::ZoomMouseMove(DrawArea&, const MouseData& mouse)
{
    if ((mouse.held & Qt::LeftButton) && rubberBand == 1) {
        zoomRectOld = zoomRect;
        zoomRect =
            QRect(QPoint(std::min(zoomStart.x(), mouse.x), std::min(zoomStart.y(), mouse.y)),
                  QPoint(std::max(zoomStart.x(), mouse.x), std::max(zoomStart.y(), mouse.y)));
        DrawRubberBand();
    } else if (mouse.held & Qt::RightButton) {
        panTarget = QPoint(mouse.x, mouse.y);
    }
}

void Diagramx::ZoomMouseUp(DrawArea&, const MouseData&)
{
    if (rubberBand == 1)
        FinishZoom(zoomRect.left(), zoomRect.top(), zoomRect.right(), zoomRect.bottom());
    StopPan();
}

// ---- Rubber band -------------------------------------------------------------------------

// Erases an outline drawn by DrawRubberBandOutline: each edge as a strip one pixel wider
// than the line on either side, copied back from the snapshot.
void Diagramx::RestoreRubberBandEdges(const QRect& r)
{
    const int a = r.left(), b = r.top(), c = r.right(), d = r.bottom();
    RestoreFromSnapshot(rect_ltrb(a - 1, b - 1, c + 1, b + 1));
    RestoreFromSnapshot(rect_ltrb(a - 1, d - 1, c + 1, d + 1));
    RestoreFromSnapshot(rect_ltrb(a - 1, b - 1, a + 1, d + 1));
    RestoreFromSnapshot(rect_ltrb(c - 1, b - 1, c + 1, d + 1));
}

// A one-pixel white outline through the corners of zoomRect, corners included.
void Diagramx::DrawRubberBandOutline()
{
    KeepSnapshot();
    const int a = zoomRect.left(), b = zoomRect.top(), c = zoomRect.right(), d = zoomRect.bottom();
    Canvas& canvas = *screenCanvas;
    canvas.pen = CanvasPen{clWhite, 1, PenStyle::Solid};
    canvas.MoveTo(a, b);
    canvas.LineTo(c, b);
    canvas.LineTo(c, d);
    canvas.LineTo(a, d);
    canvas.LineTo(a, b);
}

// Moves the rubber band without repainting the diagram: the old outline's edges come back
// from the snapshot, the new outline is drawn, and the cursors over it again.
void Diagramx::DrawRubberBand()
{
    RestoreRubberBandEdges(zoomRectOld);
    DrawRubberBandOutline();
    if (plotOnScreen_)
        DrawCursors(nullptr);
    plotImage->update();
}

void Diagramx::FinishZoom(int a, int b, int c, int d)
{
    if (rubberBand == 0)
        return;
    RestoreRubberBandEdges(QRect(QPoint(a, b), QPoint(c, d)));
    rubberBand = 0;
    // The outline may have crossed the cursors; they are drawn again on the unchanged
    // picture whenever the diagram is not repainted below.
    auto keepPicture = [this] {
        if (plotOnScreen_)
            DrawCursors(nullptr);
        plotImage->update();
    };
    if (c <= a || d <= b) { // a click without a drag
        keepPicture();
        return;
    }

    ViewState& v = view;
    if (zoomStart.x() < c && zoomStart.y() < d) {
        // Dragged to the right and downwards: zoom to the part of the rectangle in the plot
        // (none when the picture has no room for a plot).
        if (v.plotWidth <= 0 || v.plotHeight <= 0) {
            Redraw();
            return;
        }
        const int plotLeft = screenArea.left + v.plotLeft;
        const int plotBottom = screenArea.top + v.plotBottom;
        a = std::clamp(a, plotLeft, plotLeft + v.plotWidth);
        c = std::clamp(c, plotLeft, plotLeft + v.plotWidth);
        b = std::clamp(b, plotBottom - v.plotHeight, plotBottom);
        d = std::clamp(d, plotBottom - v.plotHeight, plotBottom);
        if (c - a != 0 && d - b != 0) {
            const double spanT = v.tMax - v.tMin;
            const double spanY = v.yMax - v.yMin;
            if (!(spanT >= kNarrowestRange) || !(spanY >= kNarrowestRange)) {
                keepPicture();
                return;
            }
            v.zoomTMin = v.tMin + spanT * (a - plotLeft) / v.plotWidth;
            v.zoomTMax = v.tMin + spanT * (c - plotLeft) / v.plotWidth;
            v.zoomYMin = v.yMin + spanY * (plotBottom - d) / v.plotHeight;
            v.zoomYMax = v.yMin + spanY * (plotBottom - b) / v.plotHeight;
            WindowFromZoom();
        }
    } else {
        v.followLatest = 1;
    }
    Redraw();
}

// ---- The zoom window as sample offsets ---------------------------------------------------

void Diagramx::WindowFromZoom()
{
    if (source) { // the source fits the window to its samples when it fills the ring
        view.followLatest = 0;
        return;
    }
    const std::uint32_t count = SampleCount();
    if (count < 2)
        return;
    ViewState& v = view;
    const double period = samplePeriod;
    const double t0 = samples[head].t;
    const double tl = samples[RingBack(tail, 1)].t;
    if (!(period > 0) || !std::isfinite(period) || !std::isfinite(t0) || !std::isfinite(tl)
        || !std::isfinite(v.zoomTMin) || !std::isfinite(v.zoomTMax))
        return;
    const std::uint32_t last = count - 1; // offset of the newest sample from head

    std::uint32_t s = 0;
    if (v.zoomTMin > t0) {
        s = whole_steps(v.zoomTMin - t0, period, last - 1);
        v.tTrimStart = v.zoomTMin - s * period - t0;
    } else {
        v.zoomTMin = t0;
        v.tTrimStart = 0;
    }

    std::uint32_t e = last;
    if (v.zoomTMax >= tl) {
        // The newest sample itself: counting steps of the period could fall one short by
        // rounding, or miss when the samples are not evenly spaced.
        v.zoomTMax = tl;
        v.tTrimEnd = 0;
    } else {
        e = whole_steps(v.zoomTMax - t0, period, last) + 1;
        v.tTrimEnd = e * period - v.zoomTMax + t0;
        if (e > last) { // the samples lie further apart than the period
            e = last;
            v.tTrimEnd = 0;
        }
    }
    if (e <= s) // a window ending before it starts keeps at least one step
        e = s + 1;

    v.viewOffset = s;
    v.viewLength = e - s;
    v.followLatest = 0;
}

// ---- Panning -----------------------------------------------------------------------------

void Diagramx::PanStep()
{
    if (panTarget == panLast)
        return;
    ViewState& v = view;
    if (v.plotWidth > 0 && v.plotHeight > 0) {
        const double dy = (panTarget.y() - panLast.y()) * (v.yMax - v.yMin) / v.plotHeight;
        v.zoomYMin = v.yMin + dy;
        v.zoomYMax = v.yMax + dy;

        const double dx = (panTarget.x() - panLast.x()) * (v.tMax - v.tMin) / v.plotWidth;
        const double width = v.tMax - v.tMin;
        double t0 = 0, tl = 0;
        HeldTimeSpan(t0, tl);
        if (v.tMax - dx <= tl && v.tMin - dx >= t0) {
            v.zoomTMin = v.tMin - dx;
            v.zoomTMax = v.tMax - dx;
        } else if (v.tMax - dx > tl) {
            v.zoomTMax = tl;
            v.zoomTMin = tl - width;
        } else {
            v.zoomTMin = t0;
            v.zoomTMax = t0 + width;
        }
        WindowFromZoom();
    }
    Redraw();
    panLast = panTarget;
}

void Diagramx::StopPan()
{
    if (plotImage)
        plotImage->unsetCursor();
    panTimer->stop();
}

// Whether the screen's mouse pointer is over the picture, its edges included.
bool Diagramx::PointerOverPlot() const
{
    const QPoint p = plotImage->mapFromGlobal(QCursor::pos());
    return p.x() >= 0 && p.x() <= plotImage->width() && p.y() >= 0 && p.y() <= plotImage->height();
}

void Diagramx::OnPanTimer()
{
    PanStep();
    if (!PointerOverPlot())
        StopPan();
}
