// The reading side of recordings: the mapped reader and the min/max summaries.
#include "Recording_file.h"
#include "Recording_summary.h"
#include "recording_maker.h"
#include "recording_open.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

std::int16_t random_value(std::uint64_t i, int ch)
{
    return std::int16_t(mix64(i * 8 + std::uint64_t(ch)) & 0xFFFF);
}

} // namespace

TEST(RecordingFile, ReadsWholeRecordsAndIgnoresAPartRecordAtTheEnd)
{
    TempFolder dir("grafion-rec");
    const std::string path = dir.file("a.grec");
    ASSERT_TRUE(make_recording(path, 1000, random_value, 0.0005, 13));
    auto file = open_ok(path);
    ASSERT_TRUE(file);
    EXPECT_EQ(1000u, file->count());
    EXPECT_EQ("Canale 3", file->header().name[2]);
    EXPECT_DOUBLE_EQ(0.0005, file->header().sample_period);
    std::int16_t v[kRecordingChannels];
    for (std::uint64_t i : {0ull, 1ull, 517ull, 999ull}) {
        file->values(i, v);
        for (int ch = 0; ch < kRecordingChannels; ++ch)
            ASSERT_EQ(random_value(i, ch), v[ch]) << i << " " << ch;
    }
    EXPECT_DOUBLE_EQ(999 * 0.0005, file->time(999));
}

TEST(RecordingFile, RefusesMissingShortAndForeignFilesWithAReason)
{
    TempFolder dir("grafion-rec");
    std::ofstream(dir.file("short.grec")) << "GRAFREC";
    std::ofstream(dir.file("foreign.grec")) << std::string(600, 'x');
    // A header with a sample period that is no number.
    ASSERT_TRUE(make_recording(dir.file("period.grec"), 10, random_value, -1.0));
    const std::pair<std::string, const char*> cases[] = {
        {dir.file("missing.grec"), "Cannot open"},
        {dir.file("short.grec"), "shorter than a recording's header"},
        {dir.file("foreign.grec"), ""},
        {dir.file("period.grec"), ""},
        {dir.path(), ""}, // a folder
    };
    for (const auto& [path, reason] : cases) {
        std::string error;
        EXPECT_FALSE(RecordingFile::open(path, error)) << path;
        EXPECT_FALSE(error.empty()) << path;
        EXPECT_NE(std::string::npos, error.find(reason)) << error;
    }
}

// Every level's entries and ranges of every kind (inside one entry, across levels, to the
// end of the file) against a brute-force min/max over the records.
TEST(RecordingSummary, EqualsBruteForceAtEveryLevelAndForAnyRange)
{
    TempFolder dir("grafion-rec");
    const std::string path = dir.file("random.grec");
    const std::uint64_t n = 70'001; // the last entry of every level is a part one
    ASSERT_TRUE(make_recording(path, n, random_value));
    auto file = open_ok(path);
    ASSERT_TRUE(file);
    const SummaryOptions options{4, 64};
    auto summary = RecordingSummary::build(*file, {}, options);
    ASSERT_TRUE(summary);
    ASSERT_EQ(6, summary->levels()); // 17501, 4376, 1094, 274, 69, 18

    auto brute = [&](std::uint64_t a, std::uint64_t b, std::int16_t* low, std::int16_t* high) {
        std::fill(low, low + 8, INT16_MAX);
        std::fill(high, high + 8, INT16_MIN);
        for (std::uint64_t i = a; i < b; ++i)
            for (int ch = 0; ch < 8; ++ch) {
                low[ch] = std::min(low[ch], random_value(i, ch));
                high[ch] = std::max(high[ch], random_value(i, ch));
            }
    };
    std::int16_t low[8], high[8], bl[8], bh[8];
    for (int level = 1; level <= summary->levels(); ++level) {
        const std::uint64_t span = summary->span(level);
        for (std::uint64_t j = 0; j < summary->entries(level); j += 1 + j / 3) {
            brute(j * span, std::min(n, (j + 1) * span), bl, bh);
            const SummaryEntry& e = summary->entry(level, j);
            ASSERT_TRUE(std::equal(bl, bl + 8, e.low)) << "level " << level << " entry " << j;
            ASSERT_TRUE(std::equal(bh, bh + 8, e.high)) << "level " << level << " entry " << j;
        }
    }
    std::vector<std::pair<std::uint64_t, std::uint64_t>> ranges = {{0, 1},          {0, n},
                                                                   {3, 9},          {n - 1, n},
                                                                   {4095, 4097},    {123, 65'537},
                                                                   {16'383, 16'385}};
    for (std::uint64_t k = 0; k < 100; ++k) {
        const std::uint64_t a = mix64(k) % n;
        ranges.emplace_back(a, a + 1 + mix64(k + 1000) % (n - a));
    }
    for (const auto& [a, b] : ranges) {
        summary->range(*file, a, b, low, high);
        brute(a, b, bl, bh);
        ASSERT_TRUE(std::equal(bl, bl + 8, low)) << a << ".." << b;
        ASSERT_TRUE(std::equal(bh, bh + 8, high)) << a << ".." << b;
    }
}

TEST(RecordingSummary, IsKeptBesideTheFileReadBackAndRebuiltWhenStale)
{
    TempFolder dir("grafion-rec");
    const std::string path = dir.file("kept.grec");
    auto small = [](std::uint64_t i, int ch) { return std::int16_t(random_value(i, ch) % 1000); };
    ASSERT_TRUE(make_recording(path, 20'000, small));
    const SummaryOptions options{8, 100};
    RecordingSummary::Origin origin{};
    {
        auto file = open_ok(path);
        ASSERT_TRUE(RecordingSummary::load_or_build(*file, {}, &origin, options));
        EXPECT_EQ(RecordingSummary::Origin::BuiltAndKept, origin);
        EXPECT_TRUE(fs::exists(RecordingSummary::path_for(path)));
        auto again = RecordingSummary::load_or_build(*file, {}, &origin, options);
        ASSERT_TRUE(again);
        EXPECT_EQ(RecordingSummary::Origin::Read, origin); // its sums: recording_totals_test.cpp
        // Other options do not take the file's summaries.
        EXPECT_FALSE(RecordingSummary::read(RecordingSummary::path_for(path), *file, {4, 100}));
    }
    // The recording grows by other values: the summaries of the shorter one are stale.
    auto bigger = [&](std::uint64_t i, int ch) {
        return i >= 20'000 ? std::int16_t(30'000) : small(i, ch);
    };
    ASSERT_TRUE(make_recording(path, 20'100, bigger));
    auto file = open_ok(path);
    auto summary = RecordingSummary::load_or_build(*file, {}, &origin, options);
    ASSERT_TRUE(summary);
    EXPECT_EQ(RecordingSummary::Origin::BuiltAndKept, origin);
    std::int16_t low[8], high[8];
    summary->range(*file, 0, file->count(), low, high);
    EXPECT_EQ(30'000, high[0]);

    // A damaged summary file (cut short) is built again, too.
    fs::resize_file(RecordingSummary::path_for(path), 100);
    ASSERT_TRUE(RecordingSummary::load_or_build(*file, {}, &origin, options));
    EXPECT_EQ(RecordingSummary::Origin::BuiltAndKept, origin);
}
