// The paint pipeline of the diagram: which samples a picture shows, the data ranges, and
// the order in which background, axes and traces are drawn. Axes are in Diagramx_axes.cpp,
// traces in Diagramx_traces.cpp.

#include "Diagramx.h"

#include "DiagramSource.h"
#include "ImageControl.h"
#include "Ring_index.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

namespace {

// Whether lo .. hi can be drawn: both ends numbers, hi above lo and the width itself a
// finite number (the axes step through it and the traces scale by it).
bool drawable_range(double lo, double hi)
{
    return std::isfinite(lo) && std::isfinite(hi) && hi > lo && std::isfinite(hi - lo);
}

// An automatic range (lo .. hi, made from the finite data dataLo .. dataHi) whose margins
// or widening by 1 were lost to rounding or overflowed, as happens near the ends of the
// doubles: the data range itself, cut to the widest range whose width is a double when it
// is wider (values beyond are drawn along the plot's edges), or, for a single value, a
// range around it that is a millionth of the value wide on either side.
void keep_drawable(double dataLo, double dataHi, double& lo, double& hi)
{
    if (drawable_range(lo, hi))
        return;
    lo = dataLo;
    hi = dataHi;
    if (!std::isfinite(hi - lo)) {
        lo = std::max(lo, -DBL_MAX / 2);
        hi = std::min(hi, DBL_MAX / 2);
    }
    if (!(hi > lo)) {
        const double d = std::max(1.0, std::fabs(hi) * 1e-6);
        hi = std::min(hi + d, DBL_MAX);
        lo = std::max(lo - d, -DBL_MAX);
    }
}

} // namespace

void Diagramx::Paint(DrawArea& area, ViewState& v)
{
    ++paintCount_;
    Canvas& canvas = *area.canvas;
    // Lengths are given for the screen at a device pixel ratio of 1 and scaled from there.
    screenPpi_ = screenCanvas ? int(std::lround(screenCanvas->font.pixelsPerInch / deviceRatio_))
                              : kScreenPixelsPerInch;
    targetPpi_ = canvas.font.pixelsPerInch;
    if (screenPpi_ <= 0)
        screenPpi_ = kScreenPixelsPerInch;
    if (targetPpi_ <= 0)
        targetPpi_ = screenPpi_;
    decimalSeparator_ = locale_decimal_separator();

    v.tickLength = std::uint16_t(5 * targetPpi_ / screenPpi_);
    FillBox(canvas, area.left, area.top, area.width, area.height, v.background);

    bool plotDrawn = false;
    if (LayoutPlot(area, v)) {
        ShownWindowAndRanges(v);
        if (ChooseYStep(area, v)) {
            ChooseTStep(area, v);
            if (source) {
                source->FitWidth(*this, v);
                viewStart = head;
                viewEnd = RingAdd(head, v.viewLength);
            }
            DrawGrid(area, v);
            DrawTraces(area, v);
            DrawYAxis(area, v);
            DrawTAxisAndTitles(area, v);
            DrawFrame(area, v);
            plotDrawn = true;
        }
    }
    if (area.canvas == screenCanvas)
        FinishScreenPicture(plotDrawn);
}

// Time and value ranges of the samples start .. end (end excluded), leaving out samples
// that are not finite numbers and hidden channels. Returns false when no time was found;
// the value range stays 0 .. 0 when no value was found.
bool Diagramx::DataRange(std::uint32_t start, std::uint32_t end, double& tLo, double& tHi,
                         double& yLo, double& yHi) const
{
    bool haveT = false;
    bool haveY = false;
    tLo = tHi = yLo = yHi = 0;
    if (start >= capacity || end >= capacity)
        return false;
    for (std::uint32_t k = start; k != end; k = ring_next(k, capacity)) {
        const Sample& s = samples[k];
        if (std::isfinite(s.t)) {
            if (!haveT) {
                tLo = tHi = s.t;
                haveT = true;
            } else if (s.t > tHi) {
                tHi = s.t;
            } else if (s.t < tLo) {
                tLo = s.t;
            }
        }
        for (int i = 0; i < channelCount; ++i) {
            if (!channelVisible[i])
                continue;
            const double y = s.value[i];
            if (!std::isfinite(y))
                continue;
            if (!haveY) {
                yLo = yHi = y;
                haveY = true;
            } else if (y > yHi) {
                yHi = y;
            } else if (y < yLo) {
                yLo = y;
            }
        }
    }
    return haveT;
}

void Diagramx::ShownWindowAndRanges(ViewState& v)
{
    if (source)
        source->FillView(*this, v);
    const std::uint32_t count = SampleCount();
    double tLo = 0, tHi = 0, yLo = 0, yHi = 0;

    auto automaticY = [&] {
        if (yHi != yLo) {
            const double margin = 0.05 * (yHi - yLo);
            v.yMax = yHi + margin;
            v.yMin = yLo - margin;
        } else {
            v.yMax = yHi + 1;
            v.yMin = yLo - 1;
        }
        keep_drawable(yLo, yHi, v.yMin, v.yMax);
    };
    auto automaticT = [&] {
        v.tMax = tHi;
        v.tMin = tLo;
        if (v.tMax == v.tMin) {
            v.tMax += 1;
            v.tMin -= 1;
        }
        keep_drawable(tLo, tHi, v.tMin, v.tMax);
    };

    if (v.followLatest) {
        if (count == 0 || v.windowSamples == 0) {
            viewStart = viewEnd = count == 0 ? 0 : tail;
            v.viewOffset = count == 0 ? 0 : count;
        } else {
            viewStart = count < v.windowSamples ? head : RingBack(tail, v.windowSamples);
            v.viewOffset = RingDistance(head, viewStart);
            viewEnd = tail;
        }
        if (viewStart != viewEnd)
            DataRange(viewStart, viewEnd, tLo, tHi, yLo, yHi);
        automaticY();
        automaticT();
        // A fixed range that is empty or upside down (both limits 0 in a fresh settings
        // file, say) has no scale to offer: the automatic range stays.
        if (v.fixedScale == 1 && v.fixedYMax > v.fixedYMin) {
            v.yMax = double(v.fixedYMax);
            v.yMin = double(v.fixedYMin);
        }
    } else {
        // The window chosen by zooming, panning or scrolling, held inside the samples there
        // are (the ring may have emptied or moved on since the window was chosen).
        if (count == 0) {
            viewStart = viewEnd = tail;
        } else {
            const std::uint32_t offset = std::min<std::uint32_t>(v.viewOffset, count - 1);
            const std::uint32_t length = std::min<std::uint32_t>(v.viewLength, count - 1 - offset);
            viewStart = RingAdd(head, offset);
            viewEnd = RingAdd(viewStart, length);
        }
        v.yMax = v.zoomYMax;
        v.yMin = v.zoomYMin;
        if (count == 0) {
            v.tMax = 1;
            v.tMin = -1;
        } else {
            v.tMax = samples[viewEnd].t - v.tTrimEnd;
            v.tMin = samples[viewStart].t + v.tTrimStart;
        }
        const bool yUsable = drawable_range(v.yMin, v.yMax);
        const bool tUsable = drawable_range(v.tMin, v.tMax);
        if (!yUsable || !tUsable) {
            // A zoom range without extent: fall back to the automatic ranges of the window
            // (-1 .. 1 where it holds no number).
            if (count != 0)
                DataRange(viewStart, RingAdd(viewEnd, 1), tLo, tHi, yLo, yHi);
            if (!yUsable)
                automaticY();
            if (!tUsable)
                automaticT();
        }
    }
}

void Diagramx::KeepSnapshot()
{
    if (snapshotCurrent_)
        return;
    const QImage& picture = plotImage->picture();
    if (snapshot->size() != picture.size() || snapshot->format() != picture.format())
        *snapshot = QImage(picture.size(), picture.format());
    if (!picture.isNull())
        std::memcpy(snapshot->bits(), picture.constBits(), std::size_t(picture.sizeInBytes()));
    snapshotCurrent_ = true;
}

void Diagramx::FinishScreenPicture(bool plotDrawn)
{
    FillCanvas(*infoCanvas, kDiagramBackground);
    DrawOverview(); // and the scroll bar

    // The snapshot is to hold the finished picture without overlays; it is marked out of
    // date even when no plot fits, so that restoring from it never brings back an older
    // picture. It is copied when the first overlay is about to be drawn.
    snapshotCurrent_ = false;

    plotOnScreen_ = plotDrawn;
    if (rubberBand == 1) // a zoom rectangle being dragged while the picture is repainted
        DrawRubberBandOutline();
    if (plotDrawn) {
        DrawCursors(nullptr);
    }
    plotImage->update();
    infoImage->update();
    if (screenChanged)
        screenChanged();
}
