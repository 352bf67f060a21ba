#pragma once
// Clipping one trace to the plot's ranges, one sample at a time, without drawing: a trace
// that leaves the value range runs along the top or bottom edge until it comes back, with
// the crossings at their interpolated times, and it is cut at the end of the time range.

struct TracePoint {
    double t, y;
};

struct TraceRange {
    double tMin, tMax, yMin, yMax;
};

// Where the trace is between two samples: the previous point (a real sample, or a crossing
// the trace has reached) and whether the trace runs outside the value range.
struct TraceClipState {
    TracePoint previous{0, 0};
    bool outside = false;
};

// What one step gives: the point to draw (on an edge while `outside`) and whether the sample
// is passed. A sample that is not passed is given again: the step stopped at a crossing.
struct TraceClipStep {
    TracePoint point;
    bool outside;
    bool advance;
};

// One step for the finite sample s. `next` is the sample after it, or null when there is none
// or it is not a number: for a sample before the time range it gives the value at tMin.
TraceClipStep clip_trace_step(TraceClipState& state, TracePoint s, const TracePoint* next,
                              const TraceRange& range);

// The value at b on the line through (b0, a0) and (b1, a1), also near the ends of the
// doubles, where the plain formula overflows.
double interpolate(double a0, double a1, double b0, double b, double b1);
