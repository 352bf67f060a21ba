// The Linux adapter source: route parsing, the live enumeration's basic promises, and the
// interface count following the kernel's announcements.
#include "Adapter_source_linux.h"

#include <gtest/gtest.h>

#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

TEST(LinuxSource, DefaultGatewayComesFromTheInterfacesDefaultRoute)
{
    const char* routes =
        "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
        "eth1\t00000000\t0100000A\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
        "eth0\t0000A8C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n"
        "eth0\t00000000\t0101A8C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n"
        "eth2\t00000000\t00000000\t0001\t0\t0\t0\t00000000\t0\t0\t0\n"
        "broken line\n";
    EXPECT_EQ(route_default_gateway(routes, "eth0"), "192.168.1.1");
    EXPECT_EQ(route_default_gateway(routes, "eth1"), "10.0.0.1");
    EXPECT_EQ(route_default_gateway(routes, "eth2"), ""); // no gateway flag
    EXPECT_EQ(route_default_gateway(routes, "eth"), "");
}

// The count is listed again after an interface comes or goes, and only read from memory in
// between; the records of what is counted are filled (loopback never listed), those beyond
// stay zero. Runs in a child process with a network namespace of its own, so the interfaces
// it adds exist nowhere else.
TEST(LinuxSource, CountFollowsInterfacesComingAndGoingAndFillsWhatItCounts)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "making a network namespace needs root";
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::unshare(CLONE_NEWNET) != 0)
            ::_exit(77);
        LinuxAdapterSource source;
        const std::uint32_t before = source.interface_count(); // loopback only: 0
        int failed = before != 0;
        failed |= std::system("ip link add grafion-t0 type veth peer name grafion-t1") != 0;
        failed |= source.interface_count() != before + 2;
        failed |= source.interface_count() != before + 2; // unchanged: from memory
        std::vector<AdapterRecord> records(before + 3, AdapterRecord{});
        failed |= !source.query(records);
        for (std::uint32_t i = 0; i < before + 2; ++i) {
            const AdapterRecord& r = records[i];
            failed |= std::strcmp(r.AdapterName, "lo") == 0 || r.AdapterName[0] == '\0'
                      || r.Description[0] == '\0' || r.IpAddressList.IpAddress[0] == '\0'
                      || r.AddressLength != 6;
        }
        failed |=
            records[before + 2].AdapterName[0] != '\0' || records[before + 2].AddressLength != 0;
        failed |= std::system("ip link del grafion-t0") != 0; // takes its peer along
        failed |= source.interface_count() != before;
        ::_exit(failed ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77)
        GTEST_SKIP() << "no network namespace could be made";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
