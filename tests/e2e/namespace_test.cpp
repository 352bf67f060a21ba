// grafion-record and the link across network namespaces: the PC's namespace and the
// controller's, created by the test and joined by a veth pair (192.0.2.0/24, a documentation
// range), the simulator in one and grafion-record in the other. Discovery goes through the
// real adapter enumeration and the real broadcast; the recordings are checked sample for
// sample: the simulator runs with --counter, so channels 7 and 8 hold each sample's number.
// Nothing leaves the namespaces; all are removed at the end. Needs root (creating
// namespaces); skipped otherwise.
#include "recording_read.h"
#include "shell_run.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace e2e;

// Starts `args` (a program and its arguments), its output going to `output`.
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

void end_process(pid_t& pid)
{
    if (pid > 0) {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
    }
    pid = -1;
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

// Checks the file ends on a whole record and every record against the simulator's sequence:
// numbers go up by one from the controller's first sample, none is flagged as resumed after
// a lost link, and each sample's square wave on channel 4 (high for the first 125 of every
// 250 samples) matches its number.
void expect_every_sample(const Recording& r)
{
    EXPECT_EQ(recording_record_offset(r.records.size()), r.size);
    for (std::size_t i = 0; i < r.records.size() && !::testing::Test::HasFailure(); ++i) {
        const RecordingRecord& rec = r.records[i];
        EXPECT_EQ(i, number_of(rec)) << "record " << i;
        EXPECT_EQ(i % 250 < 125 ? 15000 : -15000, rec.value[3]) << "record " << i;
        EXPECT_EQ(0u, rec.flags & kRecordResumed) << "record " << i;
    }
}

class NamespaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (::geteuid() != 0)
            GTEST_SKIP() << "needs root to create network namespaces; skipped";
        fs::create_directories(dir_);
        pc_ = "grafion-pc-" + id_;
        ctl_ = "grafion-ctl-" + id_;
        std::string out;
        if (run("ip netns add " + pc_, &out) != 0)
            GTEST_SKIP() << "cannot create network namespaces (" << out << "); skipped";
        in_pc_ = "ip netns exec " + pc_ + " ";
        const std::string in_ctl = "ip netns exec " + ctl_ + " ";
        const std::string ctl_if = "gct" + tail_;
        // The pair is created inside the PC namespace, so not even for a moment does an
        // interface of it sit in the namespace the test started in.
        run_all(
            {"ip netns add " + ctl_,
             in_pc_ + "ip link add " + pc_if_ + " type veth peer name " + ctl_if + " netns " + ctl_,
             in_pc_ + "ip addr add 192.0.2.1/24 dev " + pc_if_,
             in_ctl + "ip addr add 192.0.2.2/24 dev " + ctl_if, in_pc_ + "ip link set lo up",
             in_pc_ + "ip link set " + pc_if_ + " up", in_ctl + "ip link set lo up",
             in_ctl + "ip link set " + ctl_if + " up"});
    }

    void TearDown() override
    {
        end_process(simulator_);
        for (const std::string& ns : {pc_, ctl_}) // each takes its veth ends along
            if (!ns.empty())
                run("ip netns del " + ns);
        fs::remove_all(dir_);
    }

    static void run_all(const std::vector<std::string>& commands)
    {
        std::string out;
        for (const std::string& command : commands)
            ASSERT_EQ(run(command, &out), 0) << command << ": " << out;
    }

    // The simulator in the controller's namespace, on the controller's standard port.
    void start_counting(const std::vector<std::string>& options)
    {
        std::vector<std::string> args{"ip",          "netns",   "exec",     ctl_,
                                      E2E_SIMULATOR, "--quiet", "--counter"};
        args.insert(args.end(), options.begin(), options.end());
        simulator_ = spawn(args, (dir_ / "sim.txt").string());
        ASSERT_GT(simulator_, 0);
        std::this_thread::sleep_for(200ms);
    }

    // grafion-record in the PC's namespace, to its end; returns its exit code.
    int record(const std::vector<std::string>& options)
    {
        std::vector<std::string> args{"ip",         "netns",       "exec", pc_,
                                      E2E_RECORDER, "--interface", pc_if_};
        args.insert(args.end(), options.begin(), options.end());
        args.push_back(out_file().string());
        return wait_exit(spawn(args, log_file().string()));
    }
    fs::path out_file() const { return dir_ / "run.grec"; }
    fs::path log_file() const { return dir_ / "record.txt"; }
    std::string log() const { return text_of(log_file()); }

    const std::string id_ = std::to_string(::getpid());
    const std::string tail_ = id_.substr(id_.size() > 8 ? id_.size() - 8 : 0); // names <= 15
    const std::string pc_if_ = "gpc" + tail_;
    const fs::path dir_ = fs::temp_directory_path() / ("grafion-record-e2e-" + id_);
    std::string pc_, ctl_, in_pc_;
    pid_t simulator_ = -1;
};

// The real adapter enumeration finds the veth, the real broadcast reaches the simulator
// however it addresses its answer, and the link carries every sample from the controller's
// first on, at 100 000 a second, in blocks large enough to be split into several TCP
// segments.
TEST_F(NamespaceTest, TheControllerIsFoundHoweverItAddressesItsAnswerAndTheLinkCarriesSamples)
{
    for (const char* answer_to : {"unicast", "subnet", "broadcast"}) {
        SCOPED_TRACE(answer_to);
        ASSERT_NO_FATAL_FAILURE(start_counting({"--rate", "100000", "--max-block", "400",
                                                "--split-every", "7", "--answer-to", answer_to}));
        ASSERT_EQ(0, record({"--seconds", "1", "--sample-period", "0.00001"})) << log();
        EXPECT_NE(log().find(pc_if_ + " (192.0.2.1)"), std::string::npos) << log();
        EXPECT_NE(log().find("Controller 192.0.2.2 connected"), std::string::npos) << log();
        EXPECT_NE(log().find("link lost 0 time(s)"), std::string::npos) << log();
        const Recording r = read_recording(out_file());
        EXPECT_DOUBLE_EQ(0.00001, r.header.sample_period);
        EXPECT_GT(r.records.size(), 12'000u);
        expect_every_sample(r);
        end_process(simulator_);
    }
}

} // namespace
