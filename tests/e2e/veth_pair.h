// A fixture for the tests across network namespaces: the PC's namespace and the controller's,
// joined by a veth pair (192.0.2.1/24 and 192.0.2.2/24, a documentation range), and the
// simulator started in the controller's. Nothing leaves the namespaces; all are removed at
// the end. Needs root (creating namespaces); the tests are skipped otherwise.
#pragma once

#include "shell_run.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <vector>

namespace e2e {

// Starts `args` (a program and its arguments), its output going to `output` when named.
inline pid_t spawn(const std::vector<std::string>& args, const std::string& output = {})
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (!output.empty()) {
            const int fd = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(fd, 1);
            ::dup2(fd, 2);
        }
        std::vector<const char*> argv;
        for (const std::string& a : args)
            argv.push_back(a.c_str());
        argv.push_back(nullptr);
        ::execvp(argv[0], const_cast<char* const*>(argv.data()));
        ::_exit(127);
    }
    return pid;
}

inline void end_process(pid_t& pid)
{
    if (pid > 0) {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
    }
    pid = -1;
}

class VethPairTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (::geteuid() != 0)
            GTEST_SKIP() << "needs root to create network namespaces; skipped";
        id_ = std::to_string(::getpid());
        pc_ = "grafion-pc-" + id_;
        ctl_ = "grafion-ctl-" + id_;
        const std::string tail = id_.substr(id_.size() > 8 ? id_.size() - 8 : 0); // names <= 15
        pc_if_ = "gpc" + tail;
        const std::string ctl_if = "gct" + tail;
        std::string out;
        if (run("ip netns add " + pc_, &out) != 0)
            GTEST_SKIP() << "cannot create network namespaces (" << out << "); skipped";
        created_ = true;
        in_pc_ = "ip netns exec " + pc_ + " ";
        const std::string in_ctl = "ip netns exec " + ctl_ + " ";
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
        if (created_) {
            run("ip netns del " + pc_);
            run("ip netns del " + ctl_); // takes the veth pair with it
        }
    }

    static void run_all(const std::vector<std::string>& commands)
    {
        std::string out;
        for (const std::string& command : commands)
            ASSERT_EQ(run(command, &out), 0) << command << ": " << out;
    }

    // The simulator in the controller's namespace, on the controller's standard port.
    void start_simulator(const std::vector<std::string>& options, const std::string& output = {})
    {
        std::vector<std::string> args{"ip", "netns", "exec", ctl_, E2E_SIMULATOR, "--quiet"};
        args.insert(args.end(), options.begin(), options.end());
        simulator_ = spawn(args, output);
        ASSERT_GT(simulator_, 0);
    }

    std::string id_, pc_, ctl_, pc_if_, in_pc_;
    bool created_ = false;
    pid_t simulator_ = -1;
};

} // namespace e2e
