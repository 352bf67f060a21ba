// The traces: one polyline per visible channel through the samples of the shown window,
// cut at the ends of the time range and clipped to the value range, so that a trace that
// leaves the range runs along the plot's top or bottom edge until it comes back, with the
// crossings at their interpolated times.

#include "Diagramx.h"

#include "AxisScale.h"
#include "Ring_index.h"

#include <cmath>
#include <cstdlib>

namespace {

// Collects the pixels of one trace into the diagram's polyline buffer and draws them.
// A point on the same pixel as the one before is dropped. With column reduction, each run
// of points on one pixel column is cut down to its first point, its lowest and highest
// points and its last point: the vertical lines between them
// cover the same pixels as the lines through all of the run's points, and the lines
// between columns are unchanged, so the painted picture is the same. When the buffer
// fills, what it holds is drawn and the next polyline starts at its last point.
class TraceSink {
public:
    TraceSink(Canvas& canvas, QPoint* buffer, std::uint32_t capacity, bool reduce)
        : canvas_(canvas), buf_(buffer), cap_(capacity < 2 ? 2 : capacity), reduce_(reduce)
    {
    }

    void add(QPoint p)
    {
        if (!reduce_) {
            append(p);
            return;
        }
        if (haveRun_ && p == last_)
            return;
        if (haveRun_ && p.x() == runX_) {
            if (p.y() < low_.y())
                low_ = p;
            if (p.y() > high_.y())
                high_ = p;
            last_ = p;
            return;
        }
        flushRun();
        haveRun_ = true;
        runX_ = p.x();
        first_ = last_ = low_ = high_ = p;
    }

    // Ends the polyline: draws what is held. The next point starts a new polyline.
    void finish()
    {
        flushRun();
        haveRun_ = false;
        if (n_ > 0)
            canvas_.Polyline(buf_, int(n_));
        n_ = 0;
    }

private:
    void append(QPoint p)
    {
        if (n_ > 0 && buf_[n_ - 1] == p)
            return;
        if (n_ == cap_) {
            canvas_.Polyline(buf_, int(n_));
            buf_[0] = buf_[n_ - 1];
            n_ = 1;
        }
        buf_[n_++] = p;
    }

    void flushRun()
    {
        if (!haveRun_)
            return;
        // Both extremes between the first and the last point, in the order that makes the
        // shorter path; the column covers the same pixels either way.
        append(first_);
        const int lowFirst = std::abs(first_.y() - low_.y()) + std::abs(high_.y() - last_.y());
        const int highFirst = std::abs(first_.y() - high_.y()) + std::abs(low_.y() - last_.y());
        if (lowFirst <= highFirst) {
            append(low_);
            append(high_);
        } else {
            append(high_);
            append(low_);
        }
        append(last_);
    }

    Canvas& canvas_;
    QPoint* buf_;
    std::uint32_t cap_;
    std::uint32_t n_ = 0;
    bool reduce_;
    bool haveRun_ = false;
    int runX_ = 0;
    QPoint first_, last_, low_, high_;
};

struct Point2 {
    double t, y;
};

// The value at b on the line through (b0, a0) and (b1, a1): a0 + (a1 - a0) (b - b0) / (b1 - b0).
// Where a difference or the product overflows (values near the ends of the doubles) it is
// worked out from the fraction of the way instead, which stays a number.
double at(double a0, double a1, double b0, double b, double b1)
{
    const double product = (a1 - a0) * (b - b0);
    const double width = b1 - b0;
    if (std::isfinite(product) && std::isfinite(width))
        return a0 + product / width;
    const double f = (b / 2 - b0 / 2) / (b1 / 2 - b0 / 2);
    return a0 * (1 - f) + a1 * f;
}

// A scale in pixels per unit that the traces can multiply by: a range so narrow that the
// division overflows (two samples a few denormals apart) has none.
bool usable_scale(double scale)
{
    return std::isfinite(scale) && scale > 0;
}

} // namespace

void Diagramx::DrawTraces(DrawArea& area, ViewState& v)
{
    if (SampleCount() == 0 || viewStart >= capacity)
        return;
    Canvas& canvas = *area.canvas;

    // The columns of the samples every trace shares, up to the first time that is not a
    // number inside the range (from there on each trace works its own way). With both
    // scales usable, a time or value inside its range is at most the plot's width or height
    // from the edge, so the conversions to pixels below always fit.
    const double tMin = v.tMin, tMax = v.tMax;
    const double tScale = v.plotWidth / (tMax - tMin);
    const double yScale = v.plotHeight / (v.yMax - v.yMin);
    const int x0 = area.left + v.plotLeft;
    traceColumnCount_ = 0;
    const bool shortcut = reduceTraceColumns && std::isfinite(tMax - tMin) &&
                          std::isfinite(v.yMax - v.yMin) && usable_scale(tScale) &&
                          usable_scale(yScale);
    for (std::uint32_t k = viewStart; shortcut && k != tail; k = ring_next(k, capacity)) {
        const double t = samples[k].t;
        if (!(t >= tMin && t <= tMax)) // also a time that is not a number
            break;
        traceColumns_[traceColumnCount_++] = x0 + int((t - tMin) * tScale + 0.5);
        if (t == tMax)
            break; // every trace ends here
    }

    for (int i = 0; i < channelCount; ++i)
        if (channelVisible[i])
            DrawTrace(canvas, area, v, i);
}

void Diagramx::DrawTrace(Canvas& canvas, const DrawArea& area, const ViewState& v, int channel)
{
    const double tMin = v.tMin, tMax = v.tMax, yMin = v.yMin, yMax = v.yMax;
    const double tScale = v.plotWidth / (tMax - tMin);
    const double yScale = v.plotHeight / (yMax - yMin);
    const int x0 = area.left + v.plotLeft;
    const int bottom = area.top + v.plotBottom;
    const int top = bottom - v.plotHeight;
    // Pixels from the plot's left edge and from its bottom edge. Where a range is too narrow
    // for its scale to be a number, the distance is scaled before it is divided by the range.
    const bool tScaled = usable_scale(tScale), yScaled = usable_scale(yScale);
    auto xOf = [&](double t) {
        const double along = tScaled ? (t - tMin) * tScale : (t - tMin) * v.plotWidth / (tMax - tMin);
        return x0 + trunc_to_int(along + 0.5);
    };
    auto yOf = [&](double y) {
        const double up = yScaled ? (y - yMin) * yScale : (y - yMin) * v.plotHeight / (yMax - yMin);
        return bottom - trunc_to_int(up + 0.5);
    };

    canvas.pen.color = channelColor[channel];
    canvas.pen.width = 1;
    canvas.pen.style = PenStyle::Solid;
    TraceSink sink(canvas, points.get(), pointCapacity, reduceTraceColumns);

    auto finite = [channel](const Sample& s) {
        return std::isfinite(s.t) && std::isfinite(s.value[channel]);
    };

    std::uint32_t k = viewStart;
    Point2 P{samples[k].t, samples[k].value[channel]};
    bool out = false;
    bool restart = !finite(samples[k]);
    double tc = std::isfinite(samples[k].t) ? samples[k].t : -HUGE_VAL;
    int stay = 0; // rounds spent on the same sample without advancing

    // The common stretch first: samples whose time and value are inside the ranges, with
    // their columns already known. Each pixel column's run of samples is reduced to its
    // first, highest, lowest and last value before anything is converted to pixels (a higher
    // value is never on a lower pixel), which leaves the sink in the state that adding every
    // sample would have. The general loop below takes over at the first sample that is not
    // inside, in the state this loop leaves.
    if (!restart && tc < tMax) {
        const int* column = traceColumns_.get();
        const std::uint32_t n = traceColumnCount_;
        // Only with usable scales (see DrawTraces), so a value inside the range is at most
        // the plot's height above its bottom.
        auto inRow = [&](double y) { return bottom - int((y - yMin) * yScale + 0.5); };
        std::uint32_t i = 0;
        bool inside = true;
        while (inside && i < n) {
            const int x = column[i];
            const double first = samples[k].value[channel];
            if (!(first >= yMin && first <= yMax)) // also a value that is not a number
                break;
            double low = first, high = first, last = first, lastT = samples[k].t;
            k = ring_next(k, capacity);
            for (++i; i < n && column[i] == x; ++i) {
                const Sample& s = samples[k];
                const double y = s.value[channel];
                if (!(y >= yMin && y <= yMax)) {
                    inside = false;
                    break;
                }
                low = y < low ? y : low;
                high = y > high ? y : high;
                last = y;
                lastT = s.t;
                k = ring_next(k, capacity);
            }
            sink.add(QPoint(x, inRow(first)));
            sink.add(QPoint(x, inRow(high)));
            sink.add(QPoint(x, inRow(low)));
            sink.add(QPoint(x, inRow(last)));
            P = Point2{lastT, last};
            tc = lastT;
        }
    }

    while (k != tail && tc < tMax) {
        const Sample& s = samples[k];
        if (!finite(s)) {
            // A gap in the data: the trace stops here and starts again at the next number.
            sink.finish();
            restart = true;
            k = ring_next(k, capacity);
            continue;
        }
        double t = s.t;
        double y = s.value[channel];
        // The common case first: a sample inside both ranges while the trace is inside.
        if (!out && !restart && t >= tMin && t <= tMax && y >= yMin && y <= yMax) {
            sink.add(QPoint(xOf(t), yOf(y)));
            P = Point2{t, y};
            tc = t;
            stay = 0;
            k = ring_next(k, capacity);
            continue;
        }
        if (restart) {
            P = Point2{t, y};
            out = false;
            restart = false;
        }

        // Horizontal cut at the ends of the time range.
        if (t >= tMin && t > tMax) {
            y = t == P.t ? P.y : at(P.y, y, P.t, tMax, t);
            if (P.y < yMax && y > yMax) {
                t = y == P.y ? P.t : at(P.t, tMax, P.y, yMax, y);
                y = yMax;
            } else {
                const double yc = y;
                t = tMax;
                if (P.y > yMin && yc < yMin) {
                    t = yc == P.y ? P.t : at(P.t, tMax, P.y, yMin, yc);
                    y = yMin;
                }
            }
        } else if (t < tMin) {
            // Interpolate between this sample and the next at tMin (this sample's own value:
            // for the first sample shown it is also the previous point, and for a sample
            // further back in time it keeps the interpolation between real samples).
            const std::uint32_t kn = ring_next(k, capacity);
            if (kn != tail && finite(samples[kn])) {
                const Sample& next = samples[kn];
                const double own = s.value[channel];
                y = next.t == t ? own : at(own, next.value[channel], t, tMin, next.t);
            }
            t = tMin;
            out = y > yMax || y < yMin;
        }

        // Vertical clipping against the value range.
        bool advance = true;
        Point2 e;
        const bool inside = y >= yMin && y <= yMax;
        if (!out) {
            if (inside) {
                e = Point2{t, y};
                P = e;
            } else if (y < yMin) {
                const double tx = y == P.y ? P.t : at(P.t, t, P.y, yMin, y);
                e = Point2{tx, yMin};
                P = Point2{tx, y};
                out = true;
                advance = false;
            } else {
                const double tx = y == P.y ? P.t : at(P.t, t, P.y, yMax, y);
                e = Point2{tx, yMax};
                P = Point2{tx, y};
                out = true;
                advance = false;
            }
        } else if (P.y > yMax && inside) {
            const double tx = y == P.y ? P.t : at(P.t, t, P.y, yMax, y);
            e = Point2{tx, yMax};
            P = e;
            out = false;
            advance = false;
        } else if (P.y < yMin && inside) {
            const double tx = y == P.y ? P.t : at(P.t, t, P.y, yMin, y);
            e = Point2{tx, yMin};
            P = e;
            out = false;
            advance = false;
        } else {
            e = Point2{t, y > yMax ? yMax : yMin};
            P = Point2{t, y};
        }

        // Pixels of the emitted point; outside the range it lies exactly on the edge.
        sink.add(QPoint(xOf(e.t), out ? (e.y < yMax ? bottom : top) : yOf(e.y)));

        tc = e.t;
        // Every round that keeps the sample changes the in/out state; a sample still not
        // passed after a few of them is passed, so odd data can never stall the loop.
        if (!advance && ++stay < 4)
            continue;
        stay = 0;
        k = ring_next(k, capacity);
    }
    sink.finish();
}
