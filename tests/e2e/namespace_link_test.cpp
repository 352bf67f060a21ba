// The link end to end over a real (virtual) Ethernet: two network namespaces created by the
// test and joined by a veth pair with addresses from 192.0.2.0/24 (a documentation range).
// The simulator runs in one, the PC side (e2e_client) in the other: the real adapter
// enumeration finds the veth, the real broadcast to 255.255.255.255 reaches the simulator,
// the link connects and carries sample blocks large enough to be split into several TCP
// segments. A third namespace, on a second veth pair (198.51.100.0/24) to the PC, plays a
// device on another interface of the PC that keeps sending answers. Nothing leaves the
// namespaces; all are removed at the end.
//
// Needs root (creating namespaces); skipped otherwise.
#include "veth_pair.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>

#include <chrono>
#include <initializer_list>
#include <sstream>
#include <thread>

namespace {

using namespace e2e;

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

class NamespaceLinkTest : public VethPairTest {
protected:
    void TearDown() override
    {
        end_process(other_device_);
        VethPairTest::TearDown();
        if (!other_.empty())
            run("ip netns del " + other_);
    }

    // A second interface of the PC (198.51.100.1/24), its other end in a third namespace
    // that also routes the PC's first subnet through it.
    void add_second_interface()
    {
        other_ = "grafion-oth-" + id_;
        other_if_ = "got" + pc_if_.substr(3);
        const std::string pc_if2 = "gpx" + pc_if_.substr(3);
        const std::string in_other = "ip netns exec " + other_ + " ";
        run_all({"ip netns add " + other_,
                 in_pc_ + "ip link add " + pc_if2 + " type veth peer name " + other_if_ + " netns "
                     + other_,
                 in_pc_ + "ip addr add 198.51.100.1/24 dev " + pc_if2,
                 in_other + "ip addr add 198.51.100.2/24 dev " + other_if_,
                 in_pc_ + "ip link set " + pc_if2 + " up", in_other + "ip link set lo up",
                 in_other + "ip link set " + other_if_ + " up",
                 in_other + "ip route add 192.0.2.0/24 dev " + other_if_});
    }

    // Datagrams the PC's namespace received for ports nobody listens on.
    long pc_datagrams_to_no_port()
    {
        std::string out;
        run(in_pc_ + "cat /proc/net/snmp", &out);
        std::istringstream lines(out);
        std::string header, values, name;
        long in = 0, no_ports = -1;
        while (std::getline(lines, header))
            if (header.rfind("Udp: InDatagrams NoPorts", 0) == 0 && std::getline(lines, values))
                std::istringstream(values) >> name >> in >> no_ports;
        return no_ports;
    }

    std::string client(const std::string& arguments)
    {
        std::string out;
        const int status = run("timeout 60 " + in_pc_ + E2E_CLIENT + " " + arguments, &out);
        EXPECT_EQ(status, 0) << out;
        return out;
    }

    std::string other_, other_if_;
    pid_t other_device_ = -1;
};

} // namespace

TEST_F(NamespaceLinkTest, TheControllerIsFoundHoweverItAddressesItsAnswerAndTheLinkCarriesSamples)
{
    for (const char* answer_to : {"unicast", "subnet", "broadcast"}) {
        SCOPED_TRACE(answer_to);
        ASSERT_NO_FATAL_FAILURE(start_simulator(
            {"--rate", "0", "--max-block", "400", "--split-every", "7", "--answer-to", answer_to}));
        const std::string out = client(pc_if_ + " 12000");
        EXPECT_NE(out.find("interface " + pc_if_ + " address 192.0.2.1"), std::string::npos) << out;
        EXPECT_NE(out.find("controller 192.0.2.2"), std::string::npos) << out;
        EXPECT_NE(out.find("OK samples"), std::string::npos) << out;
        end_process(simulator_);
    }
}

TEST_F(NamespaceLinkTest, AnswersArrivingOnAnotherInterfaceAreIgnored)
{
    ASSERT_NO_FATAL_FAILURE(add_second_interface());
    // A device behind the second interface answers all the time: to the broadcast address,
    // to the PC's address there and to the chosen interface's address.
    const long before = pc_datagrams_to_no_port();
    other_device_ = ::fork();
    ASSERT_GE(other_device_, 0);
    if (other_device_ == 0)
        keep_answering(other_, other_if_, "198.51.100.2",
                       {"255.255.255.255", "198.51.100.1", "192.0.2.1"});
    for (int k = 0; k < 500 && pc_datagrams_to_no_port() < before + 10; ++k)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_GE(pc_datagrams_to_no_port(), before + 10) << "the other device's answers do not arrive";

    // The chosen interface's controller is silent: nothing is taken.
    std::string out = client(pc_if_ + " --no-answer 2000");
    EXPECT_NE(out.find("OK no answer taken"), std::string::npos) << out;

    // Once it answers, it is the one found.
    ASSERT_NO_FATAL_FAILURE(start_simulator({"--answer-to", "broadcast"}));
    out = client(pc_if_ + " 1000");
    EXPECT_NE(out.find("controller 192.0.2.2"), std::string::npos) << out;
    EXPECT_NE(out.find("OK samples"), std::string::npos) << out;
}
