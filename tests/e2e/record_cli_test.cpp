// grafion-record end to end: the simulator in one network namespace, the recorder in another,
// joined by a veth pair (192.0.2.0/24, a documentation range). The recordings are checked
// sample for sample: the simulator runs with --counter, so channels 7 and 8 hold each
// sample's number. Needs root (creating namespaces); skipped otherwise.
#include "Recording_format.h"
#include "shell_run.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

pid_t spawn(const std::vector<std::string>& args, const std::string& output)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        std::vector<const char*> argv;
        for (const std::string& a : args)
            argv.push_back(a.c_str());
        argv.push_back(nullptr);
        ::execvp(argv[0], const_cast<char* const*>(argv.data()));
        ::_exit(127);
    }
    return pid;
}

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

struct Recording {
    RecordingHeader header;
    std::vector<RecordingRecord> records;
    std::uint64_t size = 0;
};

Recording read_recording(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    Recording r;
    r.size = bytes.size();
    if (bytes.size() < kRecordingHeaderSize)
        return r;
    RecordingHeaderBytes head;
    std::copy_n(bytes.begin(), head.size(), head.begin());
    const RecordingHeaderResult decoded = recording_decode_header(head);
    EXPECT_TRUE(decoded.header) << decoded.error;
    if (decoded.header)
        r.header = *decoded.header;
    for (std::uint64_t i = 0; i < recording_record_count(bytes.size()); ++i)
        r.records.push_back(recording_decode_record(bytes.data() + recording_record_offset(i)));
    return r;
}

std::uint32_t number_of(const RecordingRecord& r)
{
    return std::uint32_t(std::uint16_t(r.value[6]))
           | (std::uint32_t(std::uint16_t(r.value[7])) << 16);
}

// The simulator's square wave on channel 4: 4 Hz at its nominal 1 kHz, so high for the first
// 125 of every 250 samples.
std::int16_t square_of(std::uint32_t number)
{
    return number % 250 < 125 ? 15000 : -15000;
}

// Checks every record against the simulator's sequence: numbers go up by one, and jump only
// at a record flagged as resumed after a lost link; each sample's square wave matches its
// number. Returns the records flagged resumed.
int check_sequence(const Recording& r)
{
    int resumed = 0;
    for (std::size_t i = 0; i < r.records.size(); ++i) {
        const RecordingRecord& rec = r.records[i];
        const std::uint32_t n = number_of(rec);
        EXPECT_EQ(square_of(n), rec.value[3]) << "record " << i;
        if (rec.flags & kRecordResumed) {
            ++resumed;
            EXPECT_NE(0u, rec.flags & kRecordBlockStart) << "record " << i;
            if (i > 0) {
                EXPECT_GT(n, number_of(r.records[i - 1])) << "record " << i;
            }
        } else if (i > 0) {
            EXPECT_EQ(number_of(r.records[i - 1]) + 1, n) << "record " << i;
        }
        if (::testing::Test::HasFailure())
            return resumed;
    }
    return resumed;
}

class RecordCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string id = std::to_string(::getpid());
        pc_ = "grec-pc-" + id;
        ctl_ = "grec-ctl-" + id;
        pc_if_ = "grp" + id.substr(id.size() > 8 ? id.size() - 8 : 0);
        const std::string ctl_if = "grc" + id.substr(id.size() > 8 ? id.size() - 8 : 0);
        dir_ = fs::temp_directory_path() / ("grafion-record-e2e-" + id);
        fs::create_directories(dir_);
        std::string out;
        if (run("ip netns add " + pc_, &out) != 0)
            GTEST_SKIP() << "cannot create network namespaces (" << out << "); skipped";
        created_ = true;
        const std::string in_pc = "ip netns exec " + pc_ + " ";
        const std::string in_ctl = "ip netns exec " + ctl_ + " ";
        for (const std::string& command :
             {"ip netns add " + ctl_,
              in_pc + "ip link add " + pc_if_ + " type veth peer name " + ctl_if + " netns " + ctl_,
              in_pc + "ip addr add 192.0.2.1/24 dev " + pc_if_,
              in_ctl + "ip addr add 192.0.2.2/24 dev " + ctl_if, in_pc + "ip link set lo up",
              in_pc + "ip link set " + pc_if_ + " up", in_ctl + "ip link set lo up",
              in_ctl + "ip link set " + ctl_if + " up"})
            ASSERT_EQ(run(command, &out), 0) << command << ": " << out;
    }

    void TearDown() override
    {
        if (simulator_ > 0) {
            ::kill(simulator_, SIGTERM);
            ::waitpid(simulator_, nullptr, 0);
        }
        if (created_) {
            run("ip netns del " + pc_);
            run("ip netns del " + ctl_);
        }
        fs::remove_all(dir_);
    }

    void start_simulator(std::vector<std::string> options)
    {
        std::vector<std::string> args{"ip",          "netns",   "exec",     ctl_,
                                      E2E_SIMULATOR, "--quiet", "--counter"};
        args.insert(args.end(), options.begin(), options.end());
        simulator_ = spawn(args, (dir_ / "sim.txt").string());
        ASSERT_GT(simulator_, 0);
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

    std::string pc_, ctl_, pc_if_;
    fs::path dir_;
    bool created_ = false;
    pid_t simulator_ = -1;
};

TEST_F(RecordCli, RecordsEverySampleAt100000PerSecond)
{
    start_simulator({"--rate", "100000", "--max-block", "4000"});
    ASSERT_EQ(0, record({"--seconds", "4", "--sample-period", "0.00001"})) << text_of(log_file());
    const std::string log = text_of(log_file());
    EXPECT_NE(std::string::npos, log.find("link connected")) << log; // a progress line
    EXPECT_NE(std::string::npos, log.find("link lost 0 time(s)")) << log;

    const Recording r = read_recording(out_file());
    EXPECT_DOUBLE_EQ(0.00001, r.header.sample_period);
    EXPECT_EQ("Channel 1", r.header.name[0]);
    ASSERT_GT(r.records.size(), 300'000u);       // about 4 s of samples
    EXPECT_EQ(0u, number_of(r.records.front())); // from the controller's first sample on
    EXPECT_EQ(0, check_sequence(r));
}

TEST_F(RecordCli, CtrlCEndsTheFileCleanly)
{
    start_simulator({"--rate", "20000", "--max-block", "1000"});
    const pid_t recorder = start_recorder({});
    // Interrupted once samples have been recorded for a while.
    for (int i = 0; i < 200 && text_of(log_file()).find(" 2 s ") == std::string::npos; ++i)
        std::this_thread::sleep_for(50ms);
    ::kill(recorder, SIGINT);
    EXPECT_EQ(0, wait_exit(recorder)) << text_of(log_file());
    const Recording r = read_recording(out_file());
    EXPECT_EQ(recording_record_offset(r.records.size()), r.size);
    EXPECT_GT(r.records.size(), 20'000u);
    EXPECT_EQ(0, check_sequence(r));
    EXPECT_NE(std::string::npos, text_of(log_file()).find("Recorded ")) << text_of(log_file());
}

TEST_F(RecordCli, ALostLinkIsCountedMarkedAndReported)
{
    // The simulator closes every connection on its 300th message; the recorder reconnects
    // each time, and each gap is marked on the first record after it.
    start_simulator({"--rate", "10000", "--max-block", "500", "--close-after", "300"});
    EXPECT_EQ(5, record({"--seconds", "6"})) << text_of(log_file());
    const std::string log = text_of(log_file());
    EXPECT_EQ(std::string::npos, log.find("link lost 0 time(s)")) << log;
    const Recording r = read_recording(out_file());
    ASSERT_GT(r.records.size(), 10'000u);
    EXPECT_GE(check_sequence(r), 1);
}

// A disk that fills up: a 1 MB file system of the recorder's own (a tmpfs in a mount
// namespace made for it). The recording ends with exit code 1 and says why; the file holds
// whole records only, every one of them in sequence.
TEST_F(RecordCli, AFullDiskEndsTheRecordingWithAReadableFile)
{
    start_simulator({"--rate", "100000", "--max-block", "4000"});
    const fs::path small = dir_ / "small";
    fs::create_directories(small);
    std::string out;
    const int code =
        run("unshare -m sh -c 'mount -t tmpfs -o size=1m none " + small.string()
                + " && ip netns exec " + pc_ + " " + E2E_RECORDER + " --interface " + pc_if_
                + " --seconds 20 " + (small / "full.grec").string() + "; code=$?; cp "
                + (small / "full.grec").string() + " " + out_file().string() + "; exit $code'",
            &out);
    if (out.find("mount:") != std::string::npos)
        GTEST_SKIP() << "cannot mount a tmpfs: " << out;
    EXPECT_EQ(1, code) << out;
    EXPECT_NE(std::string::npos, out.find("No space left on device")) << out;
    const Recording r = read_recording(out_file());
    EXPECT_EQ(recording_record_offset(r.records.size()), r.size);
    EXPECT_GT(r.records.size(), 40'000u); // most of the megabyte
    EXPECT_EQ(0, check_sequence(r));
}

TEST_F(RecordCli, ExitCodesSayWhatWentWrong)
{
    // No simulator: nobody answers.
    EXPECT_EQ(4, record({"--seconds", "1", "--discovery-wait", "1"})) << text_of(log_file());
    EXPECT_NE(std::string::npos, text_of(log_file()).find("no controller found"));
    EXPECT_FALSE(fs::exists(out_file()));

    std::string out;
    EXPECT_EQ(3, run("ip netns exec " + pc_ + " " + E2E_RECORDER
                         + " --interface nosuch0 --seconds 1 " + out_file().string(),
                     &out))
        << out;
    EXPECT_EQ(2, run(std::string(E2E_RECORDER) + " --seconds 1 x.grec", &out)) << out;
    EXPECT_EQ(2, run(std::string(E2E_RECORDER) + " --interface a --seconds -1 x.grec", &out))
        << out;
    EXPECT_EQ(0, run(std::string(E2E_RECORDER) + " --help", &out));
    EXPECT_NE(std::string::npos, out.find("Exit codes:"));
}

} // namespace
