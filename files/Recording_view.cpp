#include "Recording_view.h"

#include "ChannelMeasures.h"
#include "Diagramx.h"

#include <algorithm>
#include <cmath>

namespace {

// The whole sample steps in `span`, limited to 0 .. most: the diagram's own rule for
// turning a zoom window into samples, so that a window over the recording starts and ends
// on the samples a diagram holding all of them would choose.
std::uint64_t whole_steps(double span, double period, std::uint64_t most)
{
    const double steps = std::floor(span / period);
    if (!(steps > 0))
        return 0;
    return steps >= double(most) ? most : std::uint64_t(steps);
}

constexpr std::uint64_t kFillsBetweenReleases = 32;

// Columns need four points each, the samples before and after the window one each.
std::uint64_t points_for_width(int width)
{
    return 4 * (std::uint64_t(std::max(width, 0)) + 2) + 2;
}

} // namespace

RecordingView::RecordingView(std::unique_ptr<RecordingFile> file,
                             std::unique_ptr<RecordingSummary> summary)
    : file_(std::move(file)), summary_(std::move(summary))
{}

bool RecordingView::TimeSpan(double& first, double& last) const
{
    if (file_->count() == 0)
        return false;
    first = 0;
    last = file_->time(file_->count() - 1);
    return true;
}

bool RecordingView::SampleAt(double t, Sample& sample) const
{
    const std::uint64_t n = file_->count();
    if (n == 0 || !std::isfinite(t))
        return false;
    const double at = std::round(t / file_->header().sample_period);
    read(at <= 0 ? 0 : at >= double(n - 1) ? n - 1 : std::uint64_t(at), sample);
    return true;
}

void RecordingView::read(std::uint64_t i, Sample& s) const
{
    std::int16_t v[kRecordingChannels];
    file_->values(i, v);
    std::copy(v, v + kRecordingChannels, s.value);
    s.t = file_->time(i);
}

void RecordingView::put(Diagramx& d, std::uint64_t i) const
{
    read(i, d.samples[d.tail++]);
}

void RecordingView::putRaw(Diagramx& d, std::uint64_t from, std::uint64_t to) const
{
    for (std::uint64_t i = from; i < to; ++i)
        put(d, i);
}

void RecordingView::putColumn(Diagramx& d, std::uint64_t from, std::uint64_t to) const
{
    if (to - from <= 4) {
        putRaw(d, from, to);
        return;
    }
    std::int16_t low[kRecordingChannels], high[kRecordingChannels];
    summary_->range(*file_, from, to, low, high);
    const double tFirst = file_->time(from), tLast = file_->time(to - 1);
    put(d, from);
    // The extremes at times between the first and the last sample: on the same column.
    Sample& lo = d.samples[d.tail++];
    std::copy(low, low + kRecordingChannels, lo.value);
    lo.t = tFirst + (tLast - tFirst) / 3;
    Sample& hi = d.samples[d.tail++];
    std::copy(high, high + kRecordingChannels, hi.value);
    hi.t = tFirst + 2 * (tLast - tFirst) / 3;
    put(d, to - 1);
}

void RecordingView::FillView(Diagramx& d, ViewState& v)
{
    const std::uint64_t n = file_->count();
    const double period = file_->header().sample_period;
    d.samplePeriod = period;
    v.viewOffset = 0;
    v.windowSamples = d.capacity;
    if (n == 0) {
        d.head = d.tail = 0;
        v.viewLength = 0;
        filled_ = Filled{};
        window_ = Window{};
        return;
    }

    // The samples first .. last of the window and the time range the picture will have,
    // as the diagram works them out from the ring filled below.
    const std::uint64_t lastIndex = n - 1;
    std::uint64_t first = 0, last = lastIndex;
    double trimStart = 0, trimEnd = 0;
    if (!v.followLatest && n >= 2 && std::isfinite(v.zoomTMin) && std::isfinite(v.zoomTMax)) {
        const double t0 = 0, tl = file_->time(lastIndex);
        if (v.zoomTMin > t0) {
            first = whole_steps(v.zoomTMin - t0, period, lastIndex - 1);
            trimStart = v.zoomTMin - first * period - t0;
        } else {
            v.zoomTMin = t0;
        }
        if (v.zoomTMax >= tl) {
            v.zoomTMax = tl;
        } else {
            last = whole_steps(v.zoomTMax - t0, period, lastIndex) + 1;
            trimEnd = last * period - v.zoomTMax + t0;
            if (last > lastIndex) {
                last = lastIndex;
                trimEnd = 0;
            }
        }
        if (last <= first)
            last = first + 1;
    } else {
        v.followLatest = 1;
    }
    v.tTrimStart = trimStart;
    v.tTrimEnd = trimEnd;
    window_ = Window{first, last, file_->time(first) + trimStart, file_->time(last) - trimEnd};

    // A ring made for this window serves the ranges whatever its width; the width is
    // settled in FitWidth. The last width is the likely one.
    const bool current = filled_.window == window_ && filled_.capacity == d.capacity
                         && filled_.ring == d.samples.get() && d.SampleCount() != 0;
    if (!current)
        fill(d, v.plotWidth > 0 ? v.plotWidth : 1024);
    v.viewLength = d.SampleCount() - 1;
    v.windowSamples = d.capacity;
}

void RecordingView::FitWidth(Diagramx& d, ViewState& v)
{
    if (file_->count() != 0 && filled_.width != v.plotWidth)
        fill(d, v.plotWidth);
    v.viewLength = d.SampleCount() == 0 ? 0 : d.SampleCount() - 1;
}

void RecordingView::fill(Diagramx& d, int width)
{
    const auto [first, last, tMin, tMax] = window_;
    const double period = file_->header().sample_period;
    const std::uint64_t count = last - first + 1;
    const double tScale = width / (tMax - tMin);
    const bool reduce = count > points_for_width(width) && std::isfinite(tScale) && tScale > 0;
    const std::uint64_t needed = (reduce ? points_for_width(width) : count) + 2;
    if (needed > d.capacity)
        d.SetCapacity(std::uint32_t(std::min<std::uint64_t>(needed, UINT32_MAX)));
    d.head = d.tail = 0;

    if (!reduce) {
        putRaw(d, first, last + 1);
    } else {
        // The pixel column of sample i, as the traces work it out.
        auto column = [&](std::uint64_t i) { return int((file_->time(i) - tMin) * tScale + 0.5); };
        std::uint64_t i = first, end = last + 1;
        if (file_->time(first) < tMin)
            put(d, i++);
        const bool after = file_->time(last) > tMax;
        if (after)
            --end;
        while (i < end) {
            const int c = column(i);
            // The first sample on a later column: estimated from the time where the column
            // ends, then stepped to the exact one.
            const double edge = (tMin + (c + 0.5) / tScale) / period;
            std::uint64_t j = edge <= double(i + 1) ? i + 1
                              : edge >= double(end) ? end
                                                    : std::uint64_t(std::ceil(edge));
            while (j > i + 1 && column(j - 1) > c)
                --j;
            while (j < end && column(j) <= c)
                ++j;
            putColumn(d, i, j);
            i = j;
        }
        if (after)
            put(d, last);
    }
    filled_ = Filled{window_, width, d.capacity, d.samples.get()};
    // The records read for the pictures stay in the page cache, not in the viewer's memory.
    if (++fills_ % kFillsBetweenReleases == 0)
        file_->release(0, file_->count());
}

bool RecordingView::Measure(double tFrom, double tTo, int channels, ChannelMeasure* out) const
{
    const RecordingFile::Span span = file_->span(tFrom, tTo);
    const RangeTotals t = summary_->totals(*file_, span.first, span.last);
    channels = std::clamp(channels, 0, kRecordingChannels);
    for (int ch = 0; ch < channels; ++ch) {
        ChannelMeasure& m = out[ch];
        m = ChannelMeasure{};
        m.count = t.count;
        if (t.count == 0)
            continue;
        m.min = t.low[ch];
        m.max = t.high[ch];
        m.peakToPeak = m.max - m.min;
        // The sum is a whole number well inside a double's exact range, so the mean is
        // rounded once; the squares are divided in extended precision.
        m.mean = std::clamp(double(t.sum[ch]) / double(t.count), m.min, m.max);
        m.rms = double(std::sqrt((long double)(t.square[ch]) / (long double)(t.count)));
    }
    return true;
}
