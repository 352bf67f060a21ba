#pragma once
// Measurements of the channels over a stretch of time: minimum, maximum, peak-to-peak, mean,
// RMS and the number of samples, read from the diagram's sample ring. Plain computation, no
// widgets: the measurement window shows the result, the benchmark times it.

#include "Diagramx.h"

#include <cstdint>

// One channel's figures over the samples it had in the time range. Only finite values
// count; with none (count 0) the other figures are 0 and mean nothing.
struct ChannelMeasure {
    std::uint64_t count = 0;
    double min = 0;
    double max = 0;
    double peakToPeak = 0; // max - min
    double mean = 0;
    double rms = 0; // square root of the mean of the squares
};

// The part of a diagram's ring to read: slots head .. tail (tail excluded) of a ring of
// `capacity` samples, as Diagramx keeps them (head == tail: empty).
struct SampleRing {
    const Sample* samples = nullptr;
    std::uint32_t capacity = 0;
    std::uint32_t head = 0;
    std::uint32_t tail = 0;
};

// Measures channels 0 .. channels - 1 (at most Diagramx::kMaxChannels) over the samples of
// the ring whose time lies between tFrom and tTo, both included, in either order. A sample
// without a finite time, or a range end that is no number, takes no sample in. out gets one
// entry per channel.
//
// Mean and RMS keep their precision on long runs and on data far from zero with a small
// spread: the sums carry their rounding errors along (compensated summation), the mean is
// summed relative to the channel's first value, and values too large for their squares to
// be doubles are summed again in extended precision.
void measure_channels(const SampleRing& ring, int channels, double tFrom, double tTo,
                      ChannelMeasure* out);

// The ring of a diagram as measure_channels reads it.
SampleRing sample_ring_of(const Diagramx& diagram);

// The time range the measurements of a diagram cover: between the two T cursors when they
// are shown on a picture with a plot, else the time range of the picture on the screen.
struct TimeRange {
    double from = 0;
    double to = 0;
    bool betweenCursors = false;
};
TimeRange measured_time_range(const Diagramx& diagram);
