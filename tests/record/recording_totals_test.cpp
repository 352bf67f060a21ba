// The exact figures of any stretch of a recording: the block sums with the records at the
// ends, checked against a plain pass over the records, and the records a time range holds.
#include "Recording_file.h"
#include "Recording_summary.h"
#include "recording_maker.h"
#include "recording_open.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The whole 16-bit range, so that the squares are as large as they come.
std::int16_t full_range_value(std::uint64_t i, int ch)
{
    return std::int16_t(mix64(i * 8 + std::uint64_t(ch)) & 0xFFFF);
}

RangeTotals brute_force(const RecordingFile& file, std::uint64_t a, std::uint64_t b)
{
    RangeTotals t;
    std::fill(std::begin(t.low), std::end(t.low), INT16_MAX);
    std::fill(std::begin(t.high), std::end(t.high), INT16_MIN);
    std::int16_t v[kRecordingChannels];
    for (std::uint64_t i = a; i < b; ++i) {
        file.values(i, v);
        for (int ch = 0; ch < kRecordingChannels; ++ch) {
            t.low[ch] = std::min(t.low[ch], v[ch]);
            t.high[ch] = std::max(t.high[ch], v[ch]);
            t.sum[ch] += v[ch];
            t.square[ch] += std::int64_t(v[ch]) * v[ch];
        }
    }
    t.count = b - a;
    return t;
}

void expect_equal(const RangeTotals& want, const RangeTotals& got, const std::string& what)
{
    ASSERT_EQ(want.count, got.count) << what;
    for (int ch = 0; ch < kRecordingChannels; ++ch) {
        EXPECT_EQ(want.low[ch], got.low[ch]) << what << ", channel " << ch;
        EXPECT_EQ(want.high[ch], got.high[ch]) << what << ", channel " << ch;
        EXPECT_TRUE(want.sum[ch] == got.sum[ch]) << what << ", channel " << ch;
        EXPECT_TRUE(want.square[ch] == got.square[ch]) << what << ", channel " << ch;
    }
}

} // namespace

TEST(RecordingTotals, EqualAPassOverTheRecordsForAnyRange)
{
    TempFolder folder("grafion-sum");
    const std::string path = folder.file("long.grec");
    // Three million samples and a part block at the end.
    const std::uint64_t n = 3'000'000 + 1234;
    ASSERT_TRUE(make_recording(path, n, full_range_value));
    auto file = open_ok(path);
    ASSERT_TRUE(file);
    RecordingSummary::Origin origin{};
    auto built = RecordingSummary::load_or_build(*file, {}, &origin);
    ASSERT_TRUE(built);
    ASSERT_EQ(RecordingSummary::Origin::BuiltAndKept, origin);
    // The sums read back from the summary file are the ones built.
    auto read = RecordingSummary::load_or_build(*file, {}, &origin);
    ASSERT_TRUE(read);
    ASSERT_EQ(RecordingSummary::Origin::Read, origin);

    const std::uint64_t b = kSumBlock;
    struct Range {
        const char* what;
        std::uint64_t a, b;
    };
    std::vector<Range> ranges = {
        {"the whole recording", 0, n},
        {"the last sample", n - 1, n},
        {"inside one block", 5 * b + 3, 5 * b + 4000},
        {"exactly one block", b, 2 * b},
        {"across one block boundary", b - 1, b + 1},
        {"into the part block at the end", n - 3000, n},
        {"ragged at both ends", 3 * b + 17, 700 * b + 5},
    };
    std::mt19937_64 random(7);
    for (int k = 0; k < 20; ++k) {
        std::uint64_t x = random() % (n + 1), y = random() % (n + 1);
        if (k % 3 == 0) // short ones, most of them inside a block or two
            y = std::min(n, x + random() % (3 * b));
        ranges.push_back({"random", std::min(x, y), std::max(x, y)});
    }
    for (const Range& r : ranges) {
        const std::string what =
            std::string(r.what) + " " + std::to_string(r.a) + " .. " + std::to_string(r.b);
        const RangeTotals want = brute_force(*file, r.a, r.b);
        expect_equal(want, built->totals(*file, r.a, r.b), what);
        expect_equal(want, read->totals(*file, r.a, r.b), what + " (read back)");
    }
    EXPECT_EQ(0u, built->totals(*file, 10, 10).count);
    EXPECT_EQ(5u, built->totals(*file, n - 5, n + 100).count); // cut to the recording
}

TEST(RecordingTotals, ASummaryFileWithoutSumsIsBuiltAgain)
{
    TempFolder folder("grafion-sum");
    const std::string path = folder.file("old.grec");
    ASSERT_TRUE(make_recording(path, 20000, full_range_value));
    auto file = open_ok(path);
    ASSERT_TRUE(file);
    RecordingSummary::Origin origin{};
    ASSERT_TRUE(RecordingSummary::load_or_build(*file, {}, &origin));
    // The version word, as the first release of the summary file wrote it.
    {
        std::fstream sum(RecordingSummary::path_for(path),
                         std::ios::in | std::ios::out | std::ios::binary);
        const std::uint32_t version = 1;
        sum.seekp(8);
        sum.write(reinterpret_cast<const char*>(&version), sizeof version);
    }
    auto again = RecordingSummary::load_or_build(*file, {}, &origin);
    ASSERT_TRUE(again);
    EXPECT_EQ(RecordingSummary::Origin::BuiltAndKept, origin);
    expect_equal(brute_force(*file, 0, 20000), again->totals(*file, 0, 20000), "rebuilt");
}

TEST(RecordingFile, ATimeRangeHoldsTheRecordsWhoseTimesLieInIt)
{
    TempFolder folder("grafion-sum");
    const std::string path = folder.file("span.grec");
    const std::uint64_t n = 1000;
    ASSERT_TRUE(make_recording(path, n, full_range_value, 0.0007));
    auto file = open_ok(path);
    ASSERT_TRUE(file);
    const RecordingFile& f = *file;
    struct Case {
        const char* what;
        double from, to;
        std::uint64_t first, last;
    };
    const Case cases[] = {
        {"either order", f.time(5), f.time(2), 2, 6},
        {"one sample", f.time(7), f.time(7), 7, 8},
        {"between two samples", f.time(3) + 1e-7, f.time(4) - 1e-7, 4, 4},
        {"just past the ends", f.time(3) - 1e-9, f.time(9) + 1e-9, 3, 10},
        {"wider than the recording", -1, 1e300, 0, n},
        {"before the start", -5, -1, 0, 0},
        {"after the end", 10, 20, n, n},
        {"no number", std::nan(""), 1, 0, 0},
    };
    for (const Case& c : cases) {
        const RecordingFile::Span s = f.span(c.from, c.to);
        EXPECT_EQ(c.first, s.first) << c.what;
        EXPECT_EQ(c.last, s.last) << c.what;
    }
}
