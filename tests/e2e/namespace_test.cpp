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

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <initializer_list>
#include <sstream>
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

// In a forked child: enters network namespace `ns` and, until killed, sends from port 1645
// an answer naming `own` to each of `targets` (port 5000) every 10 ms, out through `itf`.
[[noreturn]] void keep_answering(const std::string& ns, const std::string& itf, const char* own,
                                 std::initializer_list<const char*> targets)
{
    const int fd = ::open(("/run/netns/" + ns).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::setns(fd, CLONE_NEWNET) != 0)
        ::_exit(127);
    const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
    const int on = 1;
    ::setsockopt(s, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    ::setsockopt(s, SOL_SOCKET, SO_BINDTODEVICE, itf.c_str(), socklen_t(itf.size()));
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(1645);
    if (::bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
        ::_exit(127);
    std::uint8_t answer[22] = {0, 0, 0, 22};
    inet_pton(AF_INET, own, answer + 4);
    for (;;) {
        for (const char* target : targets) {
            sockaddr_in to{};
            to.sin_family = AF_INET;
            to.sin_port = htons(5000);
            inet_pton(AF_INET, target, &to.sin_addr);
            ::sendto(s, answer, sizeof answer, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
        }
        ::usleep(10000);
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
        end_process(other_device_);
        for (const std::string& ns : {pc_, ctl_, other_}) // each takes its veth ends along
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

    // A second interface of the PC (198.51.100.1/24), its other end in a third namespace
    // that also routes the PC's first subnet through it.
    void add_second_interface()
    {
        other_ = "grafion-oth-" + id_;
        const std::string in_other = "ip netns exec " + other_ + " ";
        run_all({"ip netns add " + other_,
                 in_pc_ + "ip link add gpx" + tail_ + " type veth peer name " + other_if_
                     + " netns " + other_,
                 in_pc_ + "ip addr add 198.51.100.1/24 dev gpx" + tail_,
                 in_other + "ip addr add 198.51.100.2/24 dev " + other_if_,
                 in_pc_ + "ip link set gpx" + tail_ + " up", in_other + "ip link set lo up",
                 in_other + "ip link set " + other_if_ + " up",
                 in_other + "ip route add 192.0.2.0/24 dev " + other_if_});
    }

    // A counter of /proc/net/snmp in a namespace, e.g. "Udp:" "NoPorts".
    static long snmp(const std::string& ns, const std::string& group, const std::string& name)
    {
        std::string out;
        run("ip netns exec " + ns + " cat /proc/net/snmp", &out);
        std::istringstream lines(out);
        std::string names, values;
        while (std::getline(lines, names) && std::getline(lines, values))
            if (names.rfind(group, 0) == 0) {
                std::istringstream n(names), v(values);
                for (std::string field, value; n >> field && v >> value;)
                    if (field == name)
                        return std::stol(value);
            }
        return -1;
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

    pid_t start_recorder(const std::vector<std::string>& options)
    {
        std::vector<std::string> args{"ip",         "netns",       "exec", pc_,
                                      E2E_RECORDER, "--interface", pc_if_};
        args.insert(args.end(), options.begin(), options.end());
        args.push_back(out_file().string());
        return spawn(args, log_file().string());
    }

    int record(const std::vector<std::string>& options)
    {
        return wait_exit(start_recorder(options));
    }
    fs::path out_file() const { return dir_ / "run.grec"; }
    fs::path log_file() const { return dir_ / "record.txt"; }
    std::string log() const { return text_of(log_file()); }

    const std::string id_ = std::to_string(::getpid());
    const std::string tail_ = id_.substr(id_.size() > 8 ? id_.size() - 8 : 0); // names <= 15
    const std::string pc_if_ = "gpc" + tail_, other_if_ = "got" + tail_;
    const fs::path dir_ = fs::temp_directory_path() / ("grafion-record-e2e-" + id_);
    std::string pc_, ctl_, other_, in_pc_;
    pid_t simulator_ = -1, other_device_ = -1;
};

// The real adapter enumeration finds the veth, the real broadcast reaches the simulator
// however it addresses its answer, and the link carries sample blocks large enough to be
// split into several TCP segments.
TEST_F(NamespaceTest, TheControllerIsFoundHoweverItAddressesItsAnswerAndTheLinkCarriesSamples)
{
    for (const char* answer_to : {"unicast", "subnet", "broadcast"}) {
        SCOPED_TRACE(answer_to);
        ASSERT_NO_FATAL_FAILURE(start_counting({"--rate", "100000", "--max-block", "400",
                                                "--split-every", "7", "--answer-to", answer_to}));
        ASSERT_EQ(0, record({"--seconds", "1"})) << log();
        EXPECT_NE(log().find(pc_if_ + " (192.0.2.1)"), std::string::npos) << log();
        EXPECT_NE(log().find("Controller 192.0.2.2 connected"), std::string::npos) << log();
        const Recording r = read_recording(out_file());
        EXPECT_GT(r.records.size(), 12'000u);
        EXPECT_EQ(0, check_sequence(r));
        end_process(simulator_);
    }
}

// A device behind another interface of the PC answers all the time: to the broadcast
// address, to the PC's address there and to the chosen interface's address. None of its
// answers is taken (the PC would then try to connect to it), and once the chosen
// interface's controller answers, it is the one found.
TEST_F(NamespaceTest, AnswersArrivingOnAnotherInterfaceAreIgnored)
{
    ASSERT_NO_FATAL_FAILURE(add_second_interface());
    const long before = snmp(pc_, "Udp:", "NoPorts");
    other_device_ = ::fork();
    ASSERT_GE(other_device_, 0);
    if (other_device_ == 0)
        keep_answering(other_, other_if_, "198.51.100.2",
                       {"255.255.255.255", "198.51.100.1", "192.0.2.1"});
    for (int k = 0; k < 500 && snmp(pc_, "Udp:", "NoPorts") < before + 10; ++k)
        std::this_thread::sleep_for(10ms);
    ASSERT_GE(snmp(pc_, "Udp:", "NoPorts"), before + 10)
        << "the other device's answers do not arrive";

    EXPECT_EQ(4, record({"--seconds", "1", "--discovery-wait", "2"})) << log();
    EXPECT_EQ(0, snmp(other_, "Tcp:", "InSegs")) << "the PC tried to connect to the other device";

    ASSERT_NO_FATAL_FAILURE(start_counting({"--answer-to", "broadcast"}));
    EXPECT_EQ(0, record({"--seconds", "1"})) << log();
    EXPECT_NE(log().find("Controller 192.0.2.2 connected"), std::string::npos) << log();
}

TEST_F(NamespaceTest, RecordsEverySampleAt100000PerSecond)
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

TEST_F(NamespaceTest, CtrlCEndsTheFileCleanly)
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

TEST_F(NamespaceTest, ALostLinkIsCountedMarkedAndReported)
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
TEST_F(NamespaceTest, AFullDiskEndsTheRecordingWithAReadableFile)
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

TEST_F(NamespaceTest, ExitCodesSayWhatWentWrong)
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
