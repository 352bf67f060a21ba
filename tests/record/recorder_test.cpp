// The recorder on its own: blocks handed to it as the socket thread would, read back with the
// format's decoders.
#include "Recorder.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct Block {
    std::vector<SampleSlot> samples;
    std::uint32_t flags = 0;
};

// Sample k of a test: every channel differs, and k can be read back from channels 7 and 8.
SampleSlot numbered(std::uint32_t k)
{
    SampleSlot s{};
    for (std::size_t ch = 0; ch < 6; ++ch)
        s[ch] = std::int16_t(int(k % 1000) * int(ch + 1) - 3000);
    s[6] = std::int16_t(std::uint16_t(k));
    s[7] = std::int16_t(std::uint16_t(k >> 16));
    return s;
}

std::vector<SampleSlot> run_of(std::uint32_t first, std::uint32_t count)
{
    std::vector<SampleSlot> v;
    for (std::uint32_t k = first; k < first + count; ++k)
        v.push_back(numbered(k));
    return v;
}

std::vector<std::uint8_t> file_bytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The file's records; it must end on a whole one.
std::vector<RecordingRecord> records_of(const std::vector<std::uint8_t>& bytes)
{
    std::vector<RecordingRecord> out;
    for (std::uint64_t i = 0; i < recording_record_count(bytes.size()); ++i)
        out.push_back(recording_decode_record(bytes.data() + recording_record_offset(i)));
    EXPECT_EQ(recording_record_offset(out.size()), bytes.size()) << "a part record at the end";
    return out;
}

// Checks that the records are the numbered samples from 0 on.
void expect_numbered(const std::vector<RecordingRecord>& records)
{
    for (std::uint32_t k = 0; k < records.size(); ++k)
        ASSERT_EQ(numbered(k), records[k].value) << "record " << k;
}

template <typename Pred>
bool wait_for(Pred done, std::chrono::milliseconds limit = 5s)
{
    for (const auto end = std::chrono::steady_clock::now() + limit; !done();
         std::this_thread::sleep_for(2ms))
        if (std::chrono::steady_clock::now() > end)
            return false;
    return true;
}

class RecorderTest : public ::testing::Test {
protected:
    TempFolder dir_{"grafion-recorder"};
    const std::string path_ = dir_.file("run.grec");
};

TEST_F(RecorderTest, WritesEveryBlockInOrderWithItsFlags)
{
    Recorder recorder;
    ASSERT_TRUE(recorder.start(path_, RecordingHeader{}));
    const std::vector<Block> blocks = {
        {run_of(0, 1), 0},
        {run_of(1, 100), SAMPLES_EVENT},
        {run_of(101, 37), SAMPLES_RESUMED},
        {run_of(138, 4000), SAMPLES_EVENT | SAMPLES_RESUMED},
    };
    for (const Block& b : blocks)
        recorder.on_samples(b.samples.data(), b.samples.size(), b.flags);
    const RecorderStatus end = recorder.stop();
    EXPECT_EQ(RecorderState::Idle, end.state);
    EXPECT_EQ(4138u, end.samples_written);

    const std::vector<RecordingRecord> records = records_of(file_bytes(path_));
    ASSERT_EQ(4138u, records.size());
    std::size_t i = 0;
    for (const Block& b : blocks) {
        std::uint32_t first = kRecordBlockStart;
        if (b.flags & SAMPLES_EVENT)
            first |= kRecordEvent;
        if (b.flags & SAMPLES_RESUMED)
            first |= kRecordResumed;
        for (std::size_t k = 0; k < b.samples.size(); ++k, ++i) {
            ASSERT_EQ(b.samples[k], records[i].value) << "record " << i;
            ASSERT_EQ(k == 0 ? first : 0u, records[i].flags) << "record " << i;
        }
    }
}

TEST_F(RecorderTest, AFullQueueStopsTheRecordingAndKeepsWhatWasQueued)
{
    // A queue of 1000 records cannot take a block of 1001 at once.
    Recorder recorder(1000);
    ASSERT_TRUE(recorder.start(path_, RecordingHeader{}));
    const auto samples = run_of(0, 1001);
    recorder.on_samples(samples.data(), 1001, 0); // more than the queue holds at once
    EXPECT_EQ(RecorderFailure::Overflow, recorder.status().failure);
    // Nothing after the overflow is taken, even when it would fit.
    recorder.on_samples(samples.data(), 10, 0);
    const RecorderStatus end = recorder.stop();
    EXPECT_EQ(RecorderState::Failed, end.state);
    EXPECT_EQ(kRecordingHeaderSize, fs::file_size(path_));
}

TEST_F(RecorderTest, TheQueueWrapsAroundWithoutLosingOrder)
{
    Recorder recorder(1000);
    ASSERT_TRUE(recorder.start(path_, RecordingHeader{}));
    std::uint32_t next = 0;
    for (int round = 0; round < 30; ++round) {
        ASSERT_TRUE(wait_for([&] { return recorder.status().samples_written == next; }));
        const auto samples = run_of(next, 333);
        recorder.on_samples(samples.data(), samples.size(), 0);
        next += 333;
    }
    EXPECT_EQ(RecorderState::Idle, recorder.stop().state);
    const auto records = records_of(file_bytes(path_));
    ASSERT_EQ(next, records.size());
    expect_numbered(records);
}

} // namespace
