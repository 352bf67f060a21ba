#pragma once
// Min/max summaries of a recording at several resolutions, so that any stretch of it, however
// long, can be drawn from a bounded number of entries. Level 1 holds, per channel, the lowest
// and highest value of every `factor` samples; each further level the same of every `factor`
// entries of the level below; levels are added until one has at most `top_entries` entries.
// With the default factor of 64 the summaries take 32 bytes per 64 records of 20 bytes,
// 1/40 of the recording (and 1/64 of that again for the higher levels): about 51 MB for
// 100 million samples.
//
// Beside the min/max levels, each block of kSumBlock samples has the exact sum and sum of
// squares of each channel (64-bit integers: the values are 16-bit), so that the mean and
// RMS of any stretch, however long, come from the block sums plus the records at its two
// ragged ends: 128 bytes per 4096 samples, about 3.1 MB for 100 million samples.
//
// The summaries are built in one pass over the recording and kept beside it in
// NAME.sum (for NAME.grec: NAME.grec.sum), written through a temporary file and a rename; a
// summary file is used only when it was made from a recording of the same length and
// modification time, by this version, else it is built again. Where the file cannot be
// written (a read-only folder), the summaries live in memory only. Plain C++ and POSIX.

#include "Recording_file.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The lowest and highest value of each channel over a stretch of samples.
struct SummaryEntry {
    std::int16_t low[kRecordingChannels];
    std::int16_t high[kRecordingChannels];
};
static_assert(sizeof(SummaryEntry) == 32, "an entry is sixteen 16-bit values");

// Samples per block of sums.
constexpr std::uint64_t kSumBlock = 4096;

// The sum and the sum of squares of each channel over one block of samples.
struct SummarySums {
    std::int64_t sum[kRecordingChannels];
    std::int64_t square[kRecordingChannels];
};
static_assert(sizeof(SummarySums) == 128, "a block's sums are sixteen 64-bit integers");

// Exact figures of each channel over a stretch of samples. The sums are 128-bit wide, so
// that no recording a disk can hold overflows them.
__extension__ using RangeInt = __int128;
struct RangeTotals {
    std::uint64_t count = 0;
    std::int16_t low[kRecordingChannels] = {};
    std::int16_t high[kRecordingChannels] = {};
    RangeInt sum[kRecordingChannels] = {};
    RangeInt square[kRecordingChannels] = {};
};

struct SummaryOptions {
    std::uint32_t factor = 64;        // samples or entries per entry of the next level
    std::uint64_t top_entries = 4096; // no further level once a level has at most this many
};

class RecordingSummary {
public:
    // Called now and then while building with the share done (0 .. 1); returning false
    // stops the building (the result is then null).
    using Progress = std::function<bool(double)>;

    // How the summaries of load_or_build came about.
    enum class Origin { Read, BuiltAndKept, BuiltInMemory };

    // The summaries of `file`: read from its summary file when that is current, else built
    // and written there (kept in memory only when the file cannot be written). Null when
    // `progress` stopped the building.
    static std::unique_ptr<RecordingSummary> load_or_build(const RecordingFile& file,
                                                           const Progress& progress,
                                                           Origin* origin = nullptr,
                                                           SummaryOptions options = {});
    // Built in memory from the records.
    static std::unique_ptr<RecordingSummary> build(const RecordingFile& file,
                                                   const Progress& progress = {},
                                                   SummaryOptions options = {});
    // Read from a summary file; null when it is missing, damaged or not made from `file` as
    // it is now with these options.
    static std::unique_ptr<RecordingSummary> read(const std::string& path,
                                                  const RecordingFile& file,
                                                  SummaryOptions options = {});
    // Writes the summaries to `path` through a temporary file and a rename; false with
    // `error` set when it cannot.
    bool write(const std::string& path, std::string& error) const;

    // The summary file of a recording.
    static std::string path_for(const std::string& recording_path)
    {
        return recording_path + ".sum";
    }

    ~RecordingSummary();
    RecordingSummary(const RecordingSummary&) = delete;
    RecordingSummary& operator=(const RecordingSummary&) = delete;

    std::uint32_t factor() const { return factor_; }
    // Levels above the records (0 when the recording is short enough to need none).
    int levels() const { return int(level_entries_.size()); }
    // Entries of `level` (1 .. levels()), and the samples each covers (the last may cover
    // fewer).
    std::uint64_t entries(int level) const { return level_entries_[std::size_t(level - 1)]; }
    std::uint64_t span(int level) const { return level_span_[std::size_t(level - 1)]; }
    const SummaryEntry& entry(int level, std::uint64_t i) const
    {
        return data_[level_offset_[std::size_t(level - 1)] + i];
    }
    // Blocks of sums (one per kSumBlock samples, the last may hold fewer) and block k's.
    std::uint64_t sumBlocks() const { return sum_blocks_; }
    const SummarySums& sums(std::uint64_t k) const { return sums_[k]; }
    // Bytes of summaries held (in memory or mapped from the summary file).
    std::uint64_t bytes() const
    {
        return total_entries_ * sizeof(SummaryEntry) + sum_blocks_ * sizeof(SummarySums);
    }

    // The exact lowest and highest value of each channel over samples a .. b - 1 of the
    // recording the summaries were made of (a < b <= its count): whole entries of the
    // highest level that fits, the ragged ends from the levels below and the records.
    void range(const RecordingFile& file, std::uint64_t a, std::uint64_t b,
               std::int16_t low[kRecordingChannels], std::int16_t high[kRecordingChannels]) const;

    // Count, lowest, highest, sum and sum of squares of each channel over samples a .. b - 1
    // (cut to the recording's count; count 0 when nothing is left): the whole blocks of sums
    // between, the records at the ends, the extremes from range().
    RangeTotals totals(const RecordingFile& file, std::uint64_t a, std::uint64_t b) const;

private:
    RecordingSummary() = default;
    // Sets the level tables for `count` samples.
    void lay_out(std::uint64_t count, SummaryOptions options);

    std::uint32_t factor_ = 64;
    std::uint64_t top_entries_ = 4096;
    std::uint64_t count_ = 0;
    std::uint64_t recording_size_ = 0;
    std::int64_t recording_mtime_ns_ = 0;
    std::vector<std::uint64_t> level_entries_, level_span_, level_offset_;
    std::uint64_t total_entries_ = 0;
    std::uint64_t sum_blocks_ = 0;
    const SummaryEntry* data_ = nullptr;
    const SummarySums* sums_ = nullptr;
    std::vector<SummaryEntry> owned_; // built in memory
    std::vector<SummarySums> owned_sums_;
    void* map_ = nullptr; // or mapped from a summary file
    std::uint64_t map_size_ = 0;
};
