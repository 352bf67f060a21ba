#include "DiagramRows.h"

#include "Diagramx.h"

#include <algorithm>

SampleSpan shown_samples(const Diagramx& d, bool whole)
{
    const std::uint32_t count = d.SampleCount();
    if (whole || count == 0)
        return {0, count};
    const ViewState& v = d.view;
    if (v.followLatest) {
        const std::uint32_t n = std::min(count, v.windowSamples);
        return {count - n, n};
    }
    // The zoom window: its first to its last sample, without an end sample that a trim puts
    // outside the window (the window's edge lies between it and its neighbour).
    const std::uint32_t offset = std::min<std::uint32_t>(v.viewOffset, count - 1);
    const std::uint32_t length = std::min<std::uint32_t>(v.viewLength, count - 1 - offset);
    const std::int64_t first = std::int64_t(offset) + (v.tTrimStart > 0 ? 1 : 0);
    const std::int64_t last = std::int64_t(offset) + length - (v.tTrimEnd > 0 ? 1 : 0);
    if (last < first)
        return {offset, 0};
    return {std::uint32_t(first), std::uint32_t(last - first + 1)};
}

DiagramRows::DiagramRows(const Diagramx& diagram, const QStringList& names, SampleSpan span)
    : CsvRowSource(names), diagram_(diagram), span_(span)
{}

namespace {

void take(const Sample& s, CsvRow& row)
{
    row.t = s.t;
    std::copy(s.value, s.value + kCsvChannels, row.value);
}

} // namespace

bool DiagramRows::next(CsvRow& row)
{
    if (done_ >= span_.count)
        return false;
    take(diagram_.samples[diagram_.RingAdd(diagram_.head, span_.offset + done_)], row);
    ++done_;
    return true;
}

SampleRows::SampleRows(const Sample* samples, std::size_t count, const QStringList& names)
    : CsvRowSource(names), samples_(samples), count_(count)
{}

bool SampleRows::next(CsvRow& row)
{
    if (done_ >= count_)
        return false;
    take(samples_[done_], row);
    ++done_;
    return true;
}
