// The traces: one polyline per visible channel through the samples of the shown window,
// cut at the ends of the time range and clipped to the value range, so that a trace that
// leaves the range runs along the plot's top or bottom edge until it comes back, with the
// crossings at their interpolated times.

#include "Diagramx.h"

#include "AxisScale.h"
#include "Ring_index.h"
#include "TraceClip.h"

#include <algorithm>
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
    {}

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

    // The same as adding (x, first), (x, top), (x, bottom) and (x, last), top <= first,
    // last <= bottom: what a reduced pixel column gives.
    void addColumn(int x, int first, int top, int bottom, int last)
    {
        if (!reduce_ || (haveRun_ && x == runX_)) {
            add(QPoint(x, first));
            add(QPoint(x, top));
            add(QPoint(x, bottom));
            add(QPoint(x, last));
            return;
        }
        flushRun();
        haveRun_ = true;
        runX_ = x;
        first_ = QPoint(x, first);
        low_ = QPoint(x, top);
        high_ = QPoint(x, bottom);
        last_ = QPoint(x, last);
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

    ReduceTraceColumns(area, v);
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
        const double along =
            tScaled ? (t - tMin) * tScale : (t - tMin) * v.plotWidth / (tMax - tMin);
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
    const TraceRange range{tMin, tMax, yMin, yMax};
    TraceClipState clip{TracePoint{samples[k].t, samples[k].value[channel]}, false};
    bool restart = !finite(samples[k]);
    double tc = std::isfinite(samples[k].t) ? samples[k].t : -HUGE_VAL;
    int stay = 0; // rounds spent on the same sample without advancing

    // The common stretch first: samples whose time and value are inside the ranges, their
    // columns reduced to the first, highest, lowest and last row for every channel at once
    // (ReduceTraceColumns; a higher value is never on a lower pixel). Adding those four
    // points per column leaves the sink in the state that adding every sample would have.
    // The general loop below takes over at the first sample that is not inside, in the
    // state the stretch leaves.
    if (!restart && tc < tMax) {
        const TraceColumn* c = traceReduced_.data() + channel;
        const TraceColumn* end = c + std::size_t(traceReducedCount_[channel]) * kMaxChannels;
        for (; c != end; c += kMaxChannels)
            sink.addColumn(c->x, c->first, c->high, c->low, c->last);
        if (const std::uint32_t used = traceReducedSamples_[channel]) {
            const Sample& s = samples[RingAdd(viewStart, used - 1)];
            clip.previous = TracePoint{s.t, s.value[channel]};
            tc = s.t;
            k = RingAdd(viewStart, used);
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
        const double t = s.t;
        const double y = s.value[channel];
        // The common case first: a sample inside both ranges while the trace is inside.
        if (!clip.outside && !restart && t >= tMin && t <= tMax && y >= yMin && y <= yMax) {
            sink.add(QPoint(xOf(t), yOf(y)));
            clip.previous = TracePoint{t, y};
            tc = t;
            stay = 0;
            k = ring_next(k, capacity);
            continue;
        }
        if (restart) {
            clip = TraceClipState{TracePoint{t, y}, false};
            restart = false;
        }

        const std::uint32_t kn = ring_next(k, capacity);
        const bool nextUsable = kn != tail && finite(samples[kn]);
        const TracePoint next =
            nextUsable ? TracePoint{samples[kn].t, samples[kn].value[channel]} : TracePoint{0, 0};
        const TraceClipStep step =
            clip_trace_step(clip, TracePoint{t, y}, nextUsable ? &next : nullptr, range);
        const TracePoint e = step.point;

        // Pixels of the emitted point; outside the range it lies exactly on the edge.
        sink.add(QPoint(xOf(e.t), step.outside ? (e.y < yMax ? bottom : top) : yOf(e.y)));

        tc = e.t;
        // Every round that keeps the sample changes the in/out state; a sample still not
        // passed after a few of them is passed, so odd data can never stall the loop.
        if (!step.advance && ++stay < 4)
            continue;
        stay = 0;
        k = ring_next(k, capacity);
    }
    sink.finish();
}

// The stretch every trace shares: the shown samples from the first on, up to the first time
// that is not a number inside the time range or the one at its end. One pass over them for
// all channels at once (a sample holds every channel's value; a pass per channel would read
// the ring eight times): per pixel column, each channel's first, highest, lowest and last
// value, converted to rows once the column is complete. A channel drops out at its first
// value outside the value range (or not a number); the column that value falls in keeps
// what came before it, and DrawTrace goes on the long way from that sample. Only with both
// scales usable: then a time or value inside its range is at most the plot's width or
// height from the edge, so the conversions to pixels always fit.
void Diagramx::ReduceTraceColumns(const DrawArea& area, const ViewState& v)
{
    constexpr int kChannels = kMaxChannels;
    unsigned active = 0; // channels still inside the value range
    for (int c = 0; c < kChannels; ++c) {
        traceReducedCount_[c] = 0;
        traceReducedSamples_[c] = 0;
        if (c < channelCount && channelVisible[c])
            active |= 1u << c;
    }
    const double tMin = v.tMin, tMax = v.tMax;
    const double tScale = v.plotWidth / (tMax - tMin);
    const int x0 = area.left + v.plotLeft;
    const double yMin = v.yMin, yMax = v.yMax;
    const double yScale = v.plotHeight / (yMax - yMin);
    if (!reduceTraceColumns || !std::isfinite(tMax - tMin) || !std::isfinite(yMax - yMin)
        || !usable_scale(tScale) || !usable_scale(yScale))
        return;
    const int bottom = area.top + v.plotBottom;
    auto inColumn = [&](double t) { return x0 + int((t - tMin) * tScale + 0.5); };
    auto inRow = [&](double y) { return bottom - int((y - yMin) * yScale + 0.5); };
    auto outside = [&](const Sample& s) {
        unsigned out = 0;
        for (int c = 0; c < kChannels; ++c) {
            const double y = s.value[c];
            out |= unsigned(!(y >= yMin && y <= yMax)) << c;
        }
        return out;
    };

    double first[kChannels], low[kChannels], high[kChannels], last[kChannels];
    std::uint32_t i = 0, k = viewStart, g = 0;
    bool more = true;
    while (more && active != 0 && k != tail) {
        const Sample& s0 = samples[k];
        const double t0 = s0.t;
        if (!(t0 >= tMin && t0 <= tMax))
            break;
        const int x = inColumn(t0);
        more = t0 != tMax;
        for (int c = 0; c < kChannels; ++c)
            first[c] = low[c] = high[c] = last[c] = s0.value[c];
        const unsigned out0 = outside(s0) & active;
        for (unsigned m = out0; m != 0; m &= m - 1) {
            const int c = __builtin_ctz(m);
            traceReducedSamples_[c] = i;
            traceReducedCount_[c] = g;
        }
        active &= ~out0;
        const unsigned columnChannels = active;
        k = ring_next(k, capacity);
        ++i;
        for (; more && k != tail; ++i, k = ring_next(k, capacity)) {
            const Sample& s = samples[k];
            const double t = s.t;
            if (!(t >= tMin && t <= tMax)) {
                more = false;
                break;
            }
            if (inColumn(t) != x)
                break;
            more = t != tMax;
            const unsigned out = outside(s) & active;
            if (out == 0 && active == columnChannels) {
                // No channel has dropped out in this column: all eight are updated, and
                // those not in it are not read.
                for (int c = 0; c < kChannels; ++c) {
                    const double y = s.value[c];
                    low[c] = y < low[c] ? y : low[c];
                    high[c] = y > high[c] ? y : high[c];
                    last[c] = y;
                }
                continue;
            }
            for (unsigned m = out; m != 0; m &= m - 1) {
                const int c = __builtin_ctz(m);
                traceReducedSamples_[c] = i;
                traceReducedCount_[c] = g + 1;
            }
            active &= ~out;
            for (unsigned m = active; m != 0; m &= m - 1) {
                const int c = __builtin_ctz(m);
                const double y = s.value[c];
                low[c] = y < low[c] ? y : low[c];
                high[c] = y > high[c] ? y : high[c];
                last[c] = y;
            }
        }
        const std::size_t need = (std::size_t(g) + 1) * kChannels;
        if (traceReduced_.size() < need)
            traceReduced_.resize(std::max(need, traceReduced_.size() * 2));
        TraceColumn* row = traceReduced_.data() + std::size_t(g) * kChannels;
        for (unsigned m = columnChannels; m != 0; m &= m - 1) {
            const int c = __builtin_ctz(m);
            row[c] = TraceColumn{x, inRow(first[c]), inRow(high[c]), inRow(low[c]), inRow(last[c])};
        }
        ++g;
    }
    for (unsigned m = active; m != 0; m &= m - 1) {
        const int c = __builtin_ctz(m);
        traceReducedSamples_[c] = i;
        traceReducedCount_[c] = g;
    }
}
