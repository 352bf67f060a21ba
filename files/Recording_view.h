#pragma once
// Shows a recording of any length in a diagram: for every picture the diagram's ring is
// filled with the part of the recording the picture shows, cut down per pixel column to
// the column's first, lowest, highest and last values at the samples' own times (from the
// min/max summaries when the column spans many samples, from the records when few). Those
// four points paint the same pixels as all of the column's samples, so the picture is the
// one all samples would give, at a cost set by the picture's width, not the recording's
// length. Zoomed in to a few samples per column, the ring holds the samples themselves.

#include "DiagramSource.h"
#include "Recording_file.h"
#include "Recording_summary.h"

#include <cstdint>
#include <memory>

class RecordingView : public DiagramSource {
public:
    RecordingView(std::unique_ptr<RecordingFile> file, std::unique_ptr<RecordingSummary> summary);

    const RecordingFile& file() const { return *file_; }
    const RecordingSummary& summary() const { return *summary_; }

    bool TimeSpan(double& first, double& last) const override;
    void FillView(Diagramx& diagram, ViewState& v) override;
    void FitWidth(Diagramx& diagram, ViewState& v) override;
    bool SampleAt(double t, Sample& sample) const override;
    // Exact over every sample of the recording in the range, at a cost set by the range's
    // ragged ends, not its length (see RecordingSummary::totals).
    bool Measure(double tFrom, double tTo, int channels, ChannelMeasure* out) const override;

    // Ring fills so far; a picture whose view is unchanged reuses the ring as it is.
    std::uint64_t fillCount() const { return fills_; }

private:
    // Fills the ring with window_ cut down for `width` pixel columns.
    void fill(Diagramx& d, int width);
    // Sample i of the recording, as the diagram holds samples.
    void read(std::uint64_t i, Sample& s) const;
    // Appends sample i of the recording to the ring.
    void put(Diagramx& d, std::uint64_t i) const;
    void putRaw(Diagramx& d, std::uint64_t from, std::uint64_t to) const;
    // Appends the reduced points of samples from .. to - 1, one pixel column.
    void putColumn(Diagramx& d, std::uint64_t from, std::uint64_t to) const;

    std::unique_ptr<RecordingFile> file_;
    std::unique_ptr<RecordingSummary> summary_;

    // The window of the picture being painted: its first and last sample and time range.
    struct Window {
        std::uint64_t first = 0, last = 0;
        double tMin = 0, tMax = 0;
        bool operator==(const Window&) const = default;
    } window_;
    // What the ring holds now: the window, cut down for `width` columns.
    struct Filled {
        Window window;
        int width = -1;
        std::uint32_t capacity = 0;
        const void* ring = nullptr;
    } filled_;
    std::uint64_t fills_ = 0;
};
