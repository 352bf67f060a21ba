// Start-up benchmark: starts the real program (build/app/grafion, main window, no file)
// several times, each in a fresh empty working folder, with startup_probe preloaded
// (LD_PRELOAD), and prints for each start the time from just before the program is started
// (fork and exec) to its milestones: libraries loaded, application object made, main window
// shown, the diagram's picture painted, the main window's first paint done (children
// included); and the resident memory at that paint. Then the medians. After its first paint
// the probe asks the program to quit.
//
// The program broadcasts as soon as it starts: this benchmark refuses to run where any
// network interface but loopback exists. Run it in a network namespace of its own:
//   unshare -n sh -c 'ip link set lo up && build/bench/startup_bench [--starts N]'
// QT_QPA_PLATFORM is offscreen unless set. Options: --starts N (10), --program PATH,
// --probe PATH.

#include "stats.h"

#include <ifaddrs.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char* const kMilestones[] = {"loaded", "app", "shown", "picture", "painted"};

double now_s()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// The names of the network interfaces other than loopback.
std::vector<std::string> outside_interfaces()
{
    std::vector<std::string> names;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return {"(cannot list the interfaces)"};
    for (ifaddrs* a = list; a; a = a->ifa_next)
        if (a->ifa_name && std::strcmp(a->ifa_name, "lo") != 0
            && std::find(names.begin(), names.end(), a->ifa_name) == names.end())
            names.emplace_back(a->ifa_name);
    freeifaddrs(list);
    return names;
}

struct Start {
    std::map<std::string, double> at; // milestone -> seconds after the start
    double rss_kib = 0;
    std::string error;
};

// Reads the probe's lines until "rss" (the last) or the deadline.
std::string read_probe(int fd, double deadline)
{
    std::string text;
    char buffer[512];
    while (text.find("rss ") == std::string::npos) {
        const double left = deadline - now_s();
        if (left <= 0)
            break;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, int(left * 1000) + 1) <= 0)
            continue;
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        text.append(buffer, std::size_t(n));
    }
    return text;
}

// Waits up to `seconds` for the child to end, then kills it.
void reap(pid_t pid, double seconds)
{
    const double deadline = now_s() + seconds;
    while (now_s() < deadline) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        usleep(10000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

Start start_once(const std::string& program, const std::string& probe)
{
    Start s;
    char folder[] = "/tmp/grafion-startup-XXXXXX";
    if (!mkdtemp(folder)) {
        s.error = "no temporary folder";
        return s;
    }
    int fds[2];
    if (pipe(fds) != 0) {
        s.error = "no pipe";
        return s;
    }
    const std::string output = std::string(folder) + "/output.txt";
    const double t0 = now_s();
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        if (chdir(folder) != 0)
            _exit(126);
        if (FILE* out = std::fopen(output.c_str(), "w")) {
            dup2(fileno(out), 1);
            dup2(fileno(out), 2);
        }
        setenv("GRAFION_STARTUP_PROBE_FD", std::to_string(fds[1]).c_str(), 1);
        setenv("LD_PRELOAD", probe.c_str(), 1);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        s.error = "fork failed";
        return s;
    }
    const std::string text = read_probe(fds[0], t0 + 60);
    close(fds[0]);
    reap(pid, 10);

    std::istringstream lines(text);
    std::string name;
    double value = 0;
    while (lines >> name >> value) {
        if (name == "rss")
            s.rss_kib = value;
        else
            s.at[name] = value - t0;
    }
    if (!s.at.count("painted")) {
        std::ifstream in(output);
        std::stringstream said;
        said << in.rdbuf();
        s.error = "no first paint within 60 s; the program said: " + said.str();
    }
    std::filesystem::remove_all(folder);
    return s;
}

void print_start(const char* label, const Start& s)
{
    std::printf("%-8s", label);
    for (const char* m : kMilestones) {
        const auto at = s.at.find(m);
        std::printf(" %9.1f", at == s.at.end() ? NAN : at->second * 1000);
    }
    std::printf(" %9.1f\n", s.rss_kib / 1024);
}

} // namespace

int main(int argc, char** argv)
{
    int starts = 10;
    std::string program = GRAFION_PROGRAM;
    std::string probe = GRAFION_STARTUP_PROBE;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--starts" && i + 1 < argc)
            starts = std::max(1, std::atoi(argv[++i]));
        else if (a == "--program" && i + 1 < argc)
            program = argv[++i];
        else if (a == "--probe" && i + 1 < argc)
            probe = argv[++i];
        else {
            std::fprintf(stderr, "usage: startup_bench [--starts N] [--program PATH] "
                                 "[--probe PATH]\n");
            return 2;
        }
    }
    const std::vector<std::string> outside = outside_interfaces();
    if (!outside.empty()) {
        std::fprintf(stderr,
                     "startup_bench: the program broadcasts when it starts, and this network "
                     "has more than loopback (%s); run it inside "
                     "unshare -n sh -c 'ip link set lo up && ...'\n",
                     outside.front().c_str());
        return 2;
    }
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);

    std::printf("%s, %d starts, platform %s; ms from fork and exec\n", program.c_str(), starts,
                std::getenv("QT_QPA_PLATFORM"));
    std::printf("%-8s %9s %9s %9s %9s %9s %9s\n", "start", "loaded", "app", "shown", "picture",
                "painted", "rss MiB");
    std::vector<Start> all;
    for (int i = 0; i < starts; ++i) {
        const Start s = start_once(program, probe);
        if (!s.error.empty()) {
            std::printf("start %d failed: %s\n", i + 1, s.error.c_str());
            return 1;
        }
        print_start(std::to_string(i + 1).c_str(), s);
        all.push_back(s);
    }
    Start med;
    std::vector<double> rss;
    for (const char* m : kMilestones) {
        std::vector<double> v;
        for (const Start& s : all)
            if (s.at.count(m))
                v.push_back(s.at.at(m));
        med.at[m] = median(v);
    }
    for (const Start& s : all)
        rss.push_back(s.rss_kib);
    med.rss_kib = median(rss);
    print_start("median", med);
    return 0;
}
