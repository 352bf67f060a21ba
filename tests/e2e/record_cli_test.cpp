// grafion-record end to end: the simulator in one network namespace, the recorder in another
// (see veth_pair.h). The recordings are checked sample for sample: the simulator runs with
// --counter, so channels 7 and 8 hold each sample's number.
#include "recording_read.h"
#include "veth_pair.h"

#include <chrono>
#include <filesystem>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace e2e;

int wait_exit(pid_t pid)
{
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string text_of(const fs::path& path)
{
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Checks the file ends on a whole record and every record against the simulator's sequence:
// numbers go up by one, and jump only at a record flagged as resumed after a lost link; each
// sample's square wave on channel 4 (high for the first 125 of every 250 samples) matches
// its number. Returns the records flagged resumed.
int check_sequence(const Recording& r)
{
    EXPECT_EQ(recording_record_offset(r.records.size()), r.size);
    int resumed = 0;
    for (std::size_t i = 0; i < r.records.size() && !::testing::Test::HasFailure(); ++i) {
        const RecordingRecord& rec = r.records[i];
        const std::uint32_t n = number_of(rec);
        EXPECT_EQ(n % 250 < 125 ? 15000 : -15000, rec.value[3]) << "record " << i;
        if (rec.flags & kRecordResumed) {
            ++resumed;
            EXPECT_NE(0u, rec.flags & kRecordBlockStart) << "record " << i;
            EXPECT_TRUE(i == 0 || n > number_of(r.records[i - 1])) << "record " << i;
        } else if (i > 0) {
            EXPECT_EQ(number_of(r.records[i - 1]) + 1, n) << "record " << i;
        }
    }
    return resumed;
}

class RecordCli : public VethPairTest {
protected:
    void SetUp() override
    {
        VethPairTest::SetUp();
        fs::create_directories(dir_);
    }

    void TearDown() override
    {
        VethPairTest::TearDown();
        fs::remove_all(dir_);
    }

    void start_counting(std::vector<std::string> options)
    {
        options.push_back("--counter");
        start_simulator(options, (dir_ / "sim.txt").string());
        std::this_thread::sleep_for(200ms);
    }

    pid_t start_recorder(std::vector<std::string> options)
    {
        std::vector<std::string> args{"ip",         "netns",       "exec", pc_,
                                      E2E_RECORDER, "--interface", pc_if_};
        args.insert(args.end(), options.begin(), options.end());
        args.push_back(out_file().string());
        return spawn(args, log_file().string());
    }

    int record(std::vector<std::string> options) { return wait_exit(start_recorder(options)); }
    fs::path out_file() const { return dir_ / "run.grec"; }
    fs::path log_file() const { return dir_ / "record.txt"; }
    std::string log() const { return text_of(log_file()); }

    fs::path dir_ =
        fs::temp_directory_path() / ("grafion-record-e2e-" + std::to_string(::getpid()));
};

TEST_F(RecordCli, RecordsEverySampleAt100000PerSecond)
{
    start_counting({"--rate", "100000", "--max-block", "4000"});
    ASSERT_EQ(0, record({"--seconds", "4", "--sample-period", "0.00001"})) << log();
    EXPECT_NE(std::string::npos, log().find("link lost 0 time(s)")) << log();
    const Recording r = read_recording(out_file());
    EXPECT_DOUBLE_EQ(0.00001, r.header.sample_period);
    EXPECT_EQ("Channel 1", r.header.name[0]);
    ASSERT_GT(r.records.size(), 300'000u);       // about 4 s of samples
    EXPECT_EQ(0u, number_of(r.records.front())); // from the controller's first sample on
    EXPECT_EQ(0, check_sequence(r));
}

TEST_F(RecordCli, CtrlCEndsTheFileCleanly)
{
    start_counting({"--rate", "20000", "--max-block", "1000"});
    const pid_t recorder = start_recorder({});
    for (int i = 0; i < 200 && log().find(" 2 s ") == std::string::npos; ++i)
        std::this_thread::sleep_for(50ms);
    ::kill(recorder, SIGINT);
    EXPECT_EQ(0, wait_exit(recorder)) << log();
    const Recording r = read_recording(out_file());
    EXPECT_GT(r.records.size(), 20'000u);
    EXPECT_EQ(0, check_sequence(r));
}

TEST_F(RecordCli, ALostLinkIsCountedMarkedAndReported)
{
    // The simulator closes every connection on its 300th message; the recorder reconnects
    // each time, and each gap is marked on the first record after it.
    start_counting({"--rate", "10000", "--max-block", "500", "--close-after", "300"});
    EXPECT_EQ(5, record({"--seconds", "6"})) << log();
    EXPECT_EQ(std::string::npos, log().find("link lost 0 time(s)")) << log();
    const Recording r = read_recording(out_file());
    ASSERT_GT(r.records.size(), 10'000u);
    EXPECT_GE(check_sequence(r), 1);
}

// A disk that fills up: a 1 MB file system of the recorder's own (a tmpfs in a mount
// namespace made for it). The recording ends with exit code 1 and says why; the file holds
// whole records only, every one of them in sequence.
TEST_F(RecordCli, AFullDiskEndsTheRecordingWithAReadableFile)
{
    start_counting({"--rate", "100000", "--max-block", "4000"});
    const std::string full = (dir_ / "small" / "full.grec").string();
    fs::create_directories(dir_ / "small");
    std::string out;
    const int code =
        run("unshare -m sh -c 'mount -t tmpfs -o size=1m none " + (dir_ / "small").string() + " && "
                + in_pc_ + E2E_RECORDER + " --interface " + pc_if_ + " --seconds 20 " + full
                + "; code=$?; cp " + full + " " + out_file().string() + "; exit $code'",
            &out);
    if (out.find("mount:") != std::string::npos)
        GTEST_SKIP() << "cannot mount a tmpfs: " << out;
    EXPECT_EQ(1, code) << out;
    EXPECT_NE(std::string::npos, out.find("No space left on device")) << out;
    const Recording r = read_recording(out_file());
    EXPECT_GT(r.records.size(), 40'000u); // most of the megabyte
    EXPECT_EQ(0, check_sequence(r));
}

TEST_F(RecordCli, ExitCodesSayWhatWentWrong)
{
    EXPECT_EQ(4, record({"--seconds", "1", "--discovery-wait", "1"})) << log(); // nobody answers
    EXPECT_NE(std::string::npos, log().find("no controller found"));
    EXPECT_FALSE(fs::exists(out_file()));
    std::string out;
    EXPECT_EQ(3,
              run(in_pc_ + E2E_RECORDER + " --interface nosuch0 --seconds 1 " + out_file().string(),
                  &out))
        << out;
    EXPECT_EQ(2, run(std::string(E2E_RECORDER) + " --interface a --seconds -1 x.grec", &out))
        << out;
}

} // namespace
