// The system adapter source on Linux, and the text parsers it uses (exposed for tests).
//
// Per interface (loopback excluded): the hardware address from getifaddrs (AF_PACKET), the
// first IPv4 address and mask from getifaddrs (AF_INET), the default gateway from
// /proc/net/route, a description from /sys/class/net/<name> (name and driver).
//
// DHCP state and server are best effort: Linux keeps no such per-interface record, so they
// are read from the lease files of systemd-networkd, NetworkManager's internal client or
// dhclient when one of them holds a lease for the interface's current address. Otherwise
// the interface is reported with DHCP disabled and no server.
#pragma once

#include "Fz_netif.h"

#include <string>
#include <string_view>

// The interface count is asked for on every monitor tick. Listing the interfaces each time
// costs a netlink dump, so the source listens to the kernel's link announcements and lists
// them again only after an interface came, went or changed (or when it cannot listen).
class LinuxAdapterSource : public AdapterSource {
public:
    LinuxAdapterSource();
    ~LinuxAdapterSource() override;
    LinuxAdapterSource(const LinuxAdapterSource&) = delete;
    LinuxAdapterSource& operator=(const LinuxAdapterSource&) = delete;

    std::uint32_t interface_count() override;
    bool query(std::vector<AdapterRecord>& out) override;

private:
    bool linksChanged();

    int linkWatch_ = -1;
    bool counted_ = false;
    std::uint32_t count_ = 0;
};

// Default gateway of `ifname` from the text of /proc/net/route (dotted), or "" when none.
std::string route_default_gateway(std::string_view route_text, std::string_view ifname);

// DHCP server from a KEY=VALUE lease (systemd-networkd, NetworkManager internal client) when
// its ADDRESS is `address` (or absent); "" otherwise.
std::string lease_server_key_value(std::string_view lease_text, std::string_view address);

// DHCP server of the last lease of `ifname` in dhclient's lease file text when its
// fixed-address is `address` (or absent); "" otherwise.
std::string lease_server_dhclient(std::string_view lease_text, std::string_view ifname,
                                  std::string_view address);
