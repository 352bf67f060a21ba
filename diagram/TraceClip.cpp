#include "TraceClip.h"

#include <cmath>

double interpolate(double a0, double a1, double b0, double b, double b1)
{
    const double product = (a1 - a0) * (b - b0);
    const double width = b1 - b0;
    if (std::isfinite(product) && std::isfinite(width))
        return a0 + product / width;
    // Where a difference or the product overflows it is worked out from the fraction of the
    // way instead, which stays a number.
    const double f = (b / 2 - b0 / 2) / (b1 / 2 - b0 / 2);
    return a0 * (1 - f) + a1 * f;
}

namespace {

// The sample's point after the cut at the ends of the time range.
TracePoint cut_to_time_range(TraceClipState& state, TracePoint s, const TracePoint* next,
                             const TraceRange& r)
{
    const TracePoint P = state.previous;
    double t = s.t, y = s.y;
    if (t >= r.tMin && t > r.tMax) {
        y = t == P.t ? P.y : interpolate(P.y, y, P.t, r.tMax, t);
        if (P.y < r.yMax && y > r.yMax) {
            t = y == P.y ? P.t : interpolate(P.t, r.tMax, P.y, r.yMax, y);
            y = r.yMax;
        } else {
            const double yc = y;
            t = r.tMax;
            if (P.y > r.yMin && yc < r.yMin) {
                t = yc == P.y ? P.t : interpolate(P.t, r.tMax, P.y, r.yMin, yc);
                y = r.yMin;
            }
        }
    } else if (t < r.tMin) {
        // The value at tMin between this sample and the next (this sample's own value: for the
        // first sample shown it is also the previous point, and for a sample further back in
        // time it keeps the interpolation between real samples).
        if (next)
            y = next->t == t ? s.y : interpolate(s.y, next->y, t, r.tMin, next->t);
        t = r.tMin;
        state.outside = y > r.yMax || y < r.yMin;
    }
    return TracePoint{t, y};
}

} // namespace

TraceClipStep clip_trace_step(TraceClipState& state, TracePoint s, const TracePoint* next,
                              const TraceRange& r)
{
    const TracePoint cut = cut_to_time_range(state, s, next, r);
    const double t = cut.t, y = cut.y;
    TracePoint& P = state.previous;
    const bool inside = y >= r.yMin && y <= r.yMax;
    // The crossing of the line from P to this point with the edge at value `edge`.
    auto crossing = [&](double edge) { return y == P.y ? P.t : interpolate(P.t, t, P.y, edge, y); };

    if (!state.outside) {
        if (inside) {
            P = TracePoint{t, y};
            return {P, false, true};
        }
        // Leaving: draw to the edge, then go on outside from the crossing.
        const double edge = y < r.yMin ? r.yMin : r.yMax;
        const double tx = crossing(edge);
        P = TracePoint{tx, y};
        state.outside = true;
        return {TracePoint{tx, edge}, true, false};
    }
    if (inside && (P.y > r.yMax || P.y < r.yMin)) {
        // Coming back: along the edge to the crossing, then on inside from there.
        const double edge = P.y > r.yMax ? r.yMax : r.yMin;
        P = TracePoint{crossing(edge), edge};
        state.outside = false;
        return {P, false, false};
    }
    // Still outside: along the edge the value is beyond.
    P = TracePoint{t, y};
    return {TracePoint{t, y > r.yMax ? r.yMax : r.yMin}, true, true};
}
