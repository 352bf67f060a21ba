// The link end to end over a real (virtual) Ethernet: two network namespaces created by the
// test and joined by a veth pair with addresses from 192.0.2.0/24 (a documentation range).
// The simulator runs in one, the PC side (e2e_client) in the other: the real adapter
// enumeration finds the veth, the real broadcast to 255.255.255.255 reaches the simulator,
// the link connects and carries sample blocks large enough to be split into several TCP
// segments. Nothing leaves the two namespaces; both are removed at the end.
//
// Needs root (creating namespaces); skipped otherwise.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Runs a shell command; returns its exit status and puts its output in `out`.
int run(const std::string& command, std::string* out = nullptr)
{
    FILE* p = ::popen((command + " 2>&1").c_str(), "r");
    if (!p)
        return -1;
    std::string text;
    char buf[512];
    while (std::fgets(buf, sizeof buf, p))
        text += buf;
    const int status = ::pclose(p);
    if (out)
        *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class NamespaceLinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (::geteuid() != 0)
            GTEST_SKIP() << "needs root to create network namespaces; skipped";
        const std::string id = std::to_string(::getpid());
        pc_ = "grafion-pc-" + id;
        ctl_ = "grafion-ctl-" + id;
        const std::string tail = id.substr(id.size() > 8 ? id.size() - 8 : 0);  // names <= 15
        pc_if_ = "gpc" + tail;
        ctl_if_ = "gct" + tail;
        std::string out;
        if (run("ip netns add " + pc_, &out) != 0)
            GTEST_SKIP() << "cannot create network namespaces (" << out << "); skipped";
        created_ = true;
        const std::string in_pc = "ip netns exec " + pc_ + " ";
        const std::string in_ctl = "ip netns exec " + ctl_ + " ";
        // The pair is created inside the PC namespace, so not even for a moment does an
        // interface of it sit in the namespace the test started in.
        for (const std::string& command :
             {"ip netns add " + ctl_,
              in_pc + "ip link add " + pc_if_ + " type veth peer name " + ctl_if_ + " netns "
                  + ctl_,
              in_pc + "ip addr add 192.0.2.1/24 dev " + pc_if_,
              in_ctl + "ip addr add 192.0.2.2/24 dev " + ctl_if_, in_pc + "ip link set lo up",
              in_pc + "ip link set " + pc_if_ + " up", in_ctl + "ip link set lo up",
              in_ctl + "ip link set " + ctl_if_ + " up"})
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
            run("ip netns del " + ctl_);  // takes the veth pair with it
        }
    }

    std::string pc_, ctl_, pc_if_, ctl_if_;
    bool created_ = false;
    pid_t simulator_ = -1;
};

} // namespace

TEST_F(NamespaceLinkTest, BroadcastFindsTheControllerAndTheLinkCarriesSamples)
{
    // The simulator in the controller's namespace, on the controller's standard port.
    simulator_ = ::fork();
    ASSERT_GE(simulator_, 0);
    if (simulator_ == 0) {
        ::execlp("ip", "ip", "netns", "exec", ctl_.c_str(), E2E_SIMULATOR, "--quiet", "--rate",
                 "0", "--max-block", "400", "--split-every", "7", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::string out;
    const std::string client = std::string(E2E_CLIENT) + " " + pc_if_ + " 12000";
    EXPECT_EQ(run("timeout 60 ip netns exec " + pc_ + " " + client, &out), 0) << out;
    EXPECT_NE(out.find("interface " + pc_if_ + " address 192.0.2.1"), std::string::npos) << out;
    EXPECT_NE(out.find("controller 192.0.2.2"), std::string::npos) << out;
    EXPECT_NE(out.find("OK samples"), std::string::npos) << out;
}
