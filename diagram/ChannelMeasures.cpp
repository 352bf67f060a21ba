#include "ChannelMeasures.h"

#include "Ring_index.h"

#include <algorithm>
#include <cmath>

namespace {

// A running sum with the rounding error of each addition carried along (Kahan): after
// thousands of terms the result is as good as a few roundings, not thousands.
template <typename Real>
struct CompensatedSum {
    Real sum = 0;
    Real lost = 0;
    void add(Real x)
    {
        const Real y = x - lost;
        const Real t = sum + y;
        lost = (t - sum) - y;
        sum = t;
    }
    Real value() const { return sum - lost; }
};

// One channel's running figures. The mean is summed relative to the channel's first value
// (`base`): next to a large offset the differences are small and exact, so the spread
// keeps its digits. The mean of the squares is a sum of non-negative terms, so summing the
// squares themselves loses nothing to cancellation.
template <typename Real>
struct Running {
    std::uint32_t count = 0;
    double base = 0;
    double min = 0;
    double max = 0;
    CompensatedSum<Real> diff;
    CompensatedSum<Real> square;

    void add(double x)
    {
        if (count == 0) {
            base = min = max = x;
        } else {
            min = std::min(min, x);
            max = std::max(max, x);
        }
        ++count;
        diff.add(Real(x) - Real(base));
        square.add(Real(x) * Real(x));
    }

    // Whether the sums held: the differences or squares of values beyond about 1e154
    // overflow a double.
    bool finite() const
    {
        return std::isfinite(double(diff.value())) && std::isfinite(double(square.value()));
    }

    ChannelMeasure result() const
    {
        ChannelMeasure m;
        m.count = count;
        if (count == 0)
            return m;
        const Real n = Real(count);
        m.min = min;
        m.max = max;
        m.peakToPeak = double(Real(max) - Real(min));
        // Within min .. max in exact arithmetic; rounding may not leave it.
        m.mean = std::clamp(double(Real(base) + diff.value() / n), min, max);
        m.rms = double(std::sqrt(square.value() / n));
        return m;
    }
};

template <typename Real>
void accumulate(const SampleRing& ring, const bool* channels, int count, double lo, double hi,
                Running<Real>* running)
{
    for (std::uint32_t k = ring.head; k != ring.tail; k = ring_next(k, ring.capacity)) {
        const Sample& s = ring.samples[k];
        // Also false for a time that is no number.
        if (!(s.t >= lo && s.t <= hi))
            continue;
        for (int ch = 0; ch < count; ++ch) {
            const double x = s.value[ch];
            if (channels[ch] && std::isfinite(x))
                running[ch].add(x);
        }
    }
}

} // namespace

void measure_channels(const SampleRing& ring, int channels, double tFrom, double tTo,
                      ChannelMeasure* out)
{
    channels = std::clamp(channels, 0, int(Diagramx::kMaxChannels));
    const double lo = std::min(tFrom, tTo);
    const double hi = std::max(tFrom, tTo);
    const bool usable = ring.samples && ring.capacity > 0 && ring.head < ring.capacity
                        && ring.tail < ring.capacity && !std::isnan(tFrom) && !std::isnan(tTo);

    // Doubles first, which is fast; a channel whose sums overflowed is summed again in
    // extended precision, whose range holds the squares of every double.
    Running<double> running[Diagramx::kMaxChannels];
    bool all[Diagramx::kMaxChannels];
    std::fill(all, all + Diagramx::kMaxChannels, true);
    if (usable)
        accumulate(ring, all, channels, lo, hi, running);
    bool again[Diagramx::kMaxChannels] = {};
    bool anyAgain = false;
    for (int ch = 0; ch < channels; ++ch) {
        again[ch] = !running[ch].finite();
        anyAgain = anyAgain || again[ch];
        out[ch] = running[ch].result();
    }
    if (!anyAgain)
        return;
    Running<long double> wide[Diagramx::kMaxChannels];
    accumulate(ring, again, channels, lo, hi, wide);
    for (int ch = 0; ch < channels; ++ch)
        if (again[ch])
            out[ch] = wide[ch].result();
}

SampleRing sample_ring_of(const Diagramx& diagram)
{
    return {diagram.samples.get(), diagram.capacity, diagram.head, diagram.tail};
}

TimeRange measured_time_range(const Diagramx& diagram)
{
    if (diagram.showTCursors && diagram.plotOnScreen())
        return {diagram.CursorReading(CursorT1), diagram.CursorReading(CursorT2), true};
    return {diagram.view.tMin, diagram.view.tMax, false};
}
