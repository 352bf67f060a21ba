#pragma once
// Samples as rows for the CSV writer: those of a diagram (every sample it holds, or the part
// its picture shows), or those read from a file, oldest first.

#include "CsvWriter.h"

#include <QStringList>

#include <cstddef>
#include <cstdint>

class Diagramx;
struct Sample;

// A run of samples, counted from the diagram's oldest sample.
struct SampleSpan {
    std::uint32_t offset = 0;
    std::uint32_t count = 0;
};

// The samples the diagram's view shows: the newest `windowSamples` while it follows the
// newest samples, else the zoomed or scrolled window, without a sample at either end that
// lies outside the window's time range. With `whole`, every sample held.
SampleSpan shown_samples(const Diagramx& diagram, bool whole);

class DiagramRows : public CsvRowSource {
public:
    // `names`: the header texts of the eight channels. The diagram must outlive the rows and
    // hold still while they are read.
    DiagramRows(const Diagramx& diagram, const QStringList& names, SampleSpan span);

    bool next(CsvRow& row) override;

private:
    const Diagramx& diagram_;
    SampleSpan span_;
    std::uint32_t done_ = 0;
};

// Samples laid out one after the other, as a diagram file holds them.
class SampleRows : public CsvRowSource {
public:
    // The samples and the names must outlive the rows.
    SampleRows(const Sample* samples, std::size_t count, const QStringList& names);

    bool next(CsvRow& row) override;

private:
    const Sample* samples_;
    std::size_t count_;
    std::size_t done_ = 0;
};
