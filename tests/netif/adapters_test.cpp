// Adapter enumeration, selection and the monitor tick, over a fixed adapter list.
#include "Fz_netif.h"
#include "Globvar.h"
#include "Settings_file.h"
#include "netif_test_support.h"

#include <arpa/inet.h>

#include <array>

namespace {

const MacAddress mac_a{0x02, 0x00, 0x00, 0x00, 0x00, 0x0A};
const MacAddress mac_b{0x02, 0x00, 0x00, 0x00, 0x00, 0x0B};
const Bytes file_mac_a(mac_a.begin(), mac_a.end());

// The adapter remembered in the settings file.
Bytes file_mac()
{
    const Bytes b = read_file(link_state.settings_path);
    return b.size() == 29 ? Bytes(b.begin() + 1, b.begin() + 7) : Bytes{};
}

class Adapters : public ::testing::Test {
protected:
    void SetUp() override
    {
        link_state_reset();
        settings_load();
        adapter_source_set(&source);
    }
    void TearDown() override
    {
        adapter_source_set(nullptr);
        link_state_reset();
    }

    TempWorkingDir dir;
    FixedAdapterSource source;
};

} // namespace

TEST(MacHelpers, AddressTextsThatAreNotAddressesGiveZero)
{
    EXPECT_EQ(ip_text_to_addr("192.168.1.2"), inet_addr("192.168.1.2"));
    for (const char* text : {"0.0.0.0", "", "not an address", static_cast<const char*>(nullptr)})
        EXPECT_EQ(ip_text_to_addr(text), 0u) << (text ? text : "null");
}

TEST_F(Adapters, WithoutARememberedAdapterTheFirstEthernetOneIsSelectedAndSaved)
{
    source.adapters = {adapter("tun0", {}, "10.8.0.2"),
                       adapter("eth0", mac_a, "192.168.10.20", "255.255.255.0", "192.168.10.1"),
                       adapter("eth1", mac_b, "10.0.0.5")};
    EXPECT_TRUE(netif_poll()); // flags changed: repaint
    EXPECT_EQ(link_state.adapter_count, 3);
    EXPECT_EQ(link_state.netif_flags.load(), NETIF_SELECTED | NETIF_HAS_ADDRESS);
    EXPECT_EQ(file_mac(), file_mac_a); // written at once
    EXPECT_EQ(link_state.netif_mac, mac_a);
    EXPECT_EQ((std::array{link_state.netif_local_ip.load(), link_state.netif_mask.load(),
                          link_state.netif_gateway.load()}),
              (std::array{inet_addr("192.168.10.20"), inet_addr("255.255.255.0"),
                          inet_addr("192.168.10.1")}));
    EXPECT_STREQ(link_state.netif_adapter.AdapterName, "eth0");

    // Nothing changed: no enumeration, no repaint.
    set_text(source.adapters[1].Description, "changed");
    EXPECT_FALSE(netif_poll());
    EXPECT_STREQ(link_state.adapter_list[1].Description, "eth0");
}

TEST_F(Adapters, AdapterWithoutAddressWaitsUntilItGetsOne)
{
    // An address text that does not convert counts as no address.
    source.adapters = {adapter("eth0", mac_a, "garbage", "0.0.0.0")};
    EXPECT_TRUE(netif_poll());
    EXPECT_EQ(link_state.netif_flags.load(), NETIF_SELECTED);
    EXPECT_EQ(link_state.netif_local_ip.load(), 0u);

    set_text(source.adapters[0].IpAddressList.IpAddress, "192.168.10.20");
    EXPECT_TRUE(netif_poll());
    EXPECT_EQ(link_state.netif_flags.load(), NETIF_SELECTED | NETIF_HAS_ADDRESS);
    EXPECT_EQ(link_state.netif_local_ip.load(), inet_addr("192.168.10.20"));
}

TEST_F(Adapters, NoUsableAdapterLeavesNothingSelected)
{
    source.adapters = {adapter("tun0", {}, "10.8.0.2")};
    netif_poll();
    EXPECT_EQ(link_state.adapter_count, 1);
    EXPECT_EQ(link_state.netif_flags.load(), 0);
    EXPECT_EQ(link_state.settings.mac, MacAddress{});
}

TEST_F(Adapters, FailedQueryOrRememberedAdapterAbsentClearsTheSelectionUntilItIsBack)
{
    source.adapters = {adapter("eth0", mac_a, "192.168.10.20")};
    netif_poll();
    ASSERT_EQ(link_state.netif_flags.load(), 3);

    // A failed query empties the list; the next tick tries again.
    source.adapters.push_back(adapter("eth1", mac_b, "10.0.0.5"));
    source.fail = true;
    EXPECT_TRUE(netif_poll());
    EXPECT_EQ(link_state.adapter_count, 0);
    EXPECT_EQ(link_state.netif_flags.load() & 3, 0);
    source.fail = false;
    EXPECT_TRUE(netif_poll());
    EXPECT_EQ(link_state.adapter_count, 2);
    EXPECT_EQ(link_state.netif_flags.load(), 3);

    // The adapter goes away, others appear in its place: none of them is taken instead.
    source.adapters = {adapter("eth1", mac_b, "10.0.0.5"),
                       adapter("wlan0", {2, 1, 2, 3, 4, 5}, "10.0.1.5"),
                       adapter("eth2", {2, 1, 2, 3, 4, 6}, "10.0.2.5")};
    EXPECT_TRUE(netif_poll());
    EXPECT_EQ(link_state.netif_flags.load() & 3, 0);
    EXPECT_EQ(link_state.settings.mac, mac_a); // still remembered, not replaced
    EXPECT_EQ(file_mac(), file_mac_a);

    // It comes back, last in the list: selected again.
    source.adapters.push_back(adapter("eth0", mac_a, "192.168.10.21"));
    EXPECT_TRUE(netif_poll());
    EXPECT_EQ(link_state.netif_flags.load(), 3);
    EXPECT_EQ(netif_ip_text(), "192.168.10.21");
}
