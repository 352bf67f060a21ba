#include "Adapter_source_linux.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <net/route.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

struct Interface {
    std::string name;
    std::uint32_t hw_length = 0;
    std::uint8_t hw_address[8]{};
    std::string ip; // first IPv4 address, "" when none
    std::string mask;
};

std::string dotted(const in_addr& address)
{
    char text[INET_ADDRSTRLEN]{};
    if (::inet_ntop(AF_INET, &address, text, sizeof text) == nullptr)
        return {};
    return text;
}

// Non-loopback interfaces in the system's order, with their link and first IPv4 address.
bool list_interfaces(std::vector<Interface>& out)
{
    ifaddrs* head = nullptr;
    if (::getifaddrs(&head) != 0)
        return false;
    auto find = [&out](const char* name) {
        return std::find_if(out.begin(), out.end(),
                            [name](const Interface& i) { return i.name == name; });
    };
    // Link entries first: they name every interface, addressed or not.
    for (const ifaddrs* a = head; a; a = a->ifa_next) {
        if (!a->ifa_name || !a->ifa_addr || a->ifa_addr->sa_family != AF_PACKET)
            continue;
        if ((a->ifa_flags & IFF_LOOPBACK) != 0 || find(a->ifa_name) != out.end())
            continue;
        Interface itf;
        itf.name = a->ifa_name;
        const auto* link = reinterpret_cast<const sockaddr_ll*>(a->ifa_addr);
        itf.hw_length = std::min<std::uint32_t>(link->sll_halen, sizeof itf.hw_address);
        std::memcpy(itf.hw_address, link->sll_addr, itf.hw_length);
        out.push_back(std::move(itf));
    }
    for (const ifaddrs* a = head; a; a = a->ifa_next) {
        if (!a->ifa_name || !a->ifa_addr || a->ifa_addr->sa_family != AF_INET)
            continue;
        const auto it = find(a->ifa_name);
        if (it == out.end() || !it->ip.empty())
            continue;
        it->ip = dotted(reinterpret_cast<const sockaddr_in*>(a->ifa_addr)->sin_addr);
        if (a->ifa_netmask)
            it->mask = dotted(reinterpret_cast<const sockaddr_in*>(a->ifa_netmask)->sin_addr);
    }
    ::freeifaddrs(head);
    return true;
}

std::string read_text(const fs::path& path)
{
    std::ifstream in(path);
    if (!in)
        return {};
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string describe(const std::string& name)
{
    std::error_code ec;
    const fs::path driver =
        fs::read_symlink(fs::path("/sys/class/net") / name / "device" / "driver", ec);
    if (ec || driver.filename().empty())
        return name;
    return name + " (" + driver.filename().string() + ")";
}

bool ends_with(std::string_view s, std::string_view tail)
{
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

// Lease files that may describe `name`, most specific first.
std::string dhcp_server_for(const std::string& name, unsigned index, const std::string& address)
{
    std::string server =
        lease_server_key_value(read_text("/run/systemd/netif/leases/" + std::to_string(index)),
                               address);
    if (!server.empty())
        return server;

    std::error_code ec;
    const std::string nm_suffix = "-" + name + ".lease";
    for (const auto& entry : fs::directory_iterator("/var/lib/NetworkManager", ec)) {
        const std::string file = entry.path().filename().string();
        if (!ends_with(file, nm_suffix))
            continue;
        if (file.rfind("internal-", 0) == 0)
            server = lease_server_key_value(read_text(entry.path()), address);
        else if (file.rfind("dhclient-", 0) == 0)
            server = lease_server_dhclient(read_text(entry.path()), name, address);
        if (!server.empty())
            return server;
    }
    for (const char* file : {"/var/lib/dhcp/dhclient.", "/var/lib/dhclient/dhclient."}) {
        server =
            lease_server_dhclient(read_text(std::string(file) + name + ".leases"), name, address);
        if (!server.empty())
            return server;
    }
    return lease_server_dhclient(read_text("/var/lib/dhcp/dhclient.leases"), name, address);
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty()
           && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == ';'))
        s.remove_suffix(1);
    return s;
}

bool is_ipv4(std::string_view text)
{
    in_addr a{};
    return ::inet_pton(AF_INET, std::string(text).c_str(), &a) == 1;
}

} // namespace

std::string route_default_gateway(std::string_view route_text, std::string_view ifname)
{
    std::istringstream lines{std::string(route_text)};
    std::string line;
    std::getline(lines, line); // column titles
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string iface, destination, gateway, mask;
        unsigned flags = 0, refcnt = 0, use = 0, metric = 0;
        if (!(fields >> iface >> destination >> gateway >> std::hex >> flags >> std::dec >> refcnt
              >> use >> metric >> mask))
            continue;
        if (iface != ifname || destination != "00000000" || mask != "00000000"
            || (flags & RTF_GATEWAY) == 0)
            continue;
        // The kernel prints the address word as it lies in memory, read back the same way.
        in_addr address{};
        try {
            address.s_addr = static_cast<in_addr_t>(std::stoul(gateway, nullptr, 16));
        } catch (...) {
            continue;
        }
        return dotted(address);
    }
    return {};
}

std::string lease_server_key_value(std::string_view lease_text, std::string_view address)
{
    std::string server, leased;
    std::istringstream lines{std::string(lease_text)};
    std::string line;
    while (std::getline(lines, line)) {
        const std::string_view l = trim(line);
        if (l.rfind("SERVER_ADDRESS=", 0) == 0)
            server = std::string(trim(l.substr(15)));
        else if (l.rfind("ADDRESS=", 0) == 0)
            leased = std::string(trim(l.substr(8)));
    }
    if (!is_ipv4(server) || (!leased.empty() && leased != address))
        return {};
    return server;
}

std::string lease_server_dhclient(std::string_view lease_text, std::string_view ifname,
                                  std::string_view address)
{
    std::string result;
    std::string iface, fixed, server;
    bool in_lease = false;
    std::istringstream lines{std::string(lease_text)};
    std::string line;
    auto value_after = [](std::string_view l, std::string_view key) {
        std::string v(trim(l.substr(key.size())));
        v.erase(std::remove(v.begin(), v.end(), '"'), v.end());
        return v;
    };
    while (std::getline(lines, line)) {
        const std::string_view l = trim(line);
        if (l.rfind("lease", 0) == 0 && l.find('{') != std::string_view::npos) {
            in_lease = true;
            iface.clear();
            fixed.clear();
            server.clear();
        } else if (!in_lease) {
            continue;
        } else if (l.rfind("interface ", 0) == 0) {
            iface = value_after(l, "interface ");
        } else if (l.rfind("fixed-address ", 0) == 0) {
            fixed = value_after(l, "fixed-address ");
        } else if (l.rfind("option dhcp-server-identifier ", 0) == 0) {
            server = value_after(l, "option dhcp-server-identifier ");
        } else if (l == "}") {
            in_lease = false;
            if (iface == ifname && is_ipv4(server) && (fixed.empty() || fixed == address))
                result = server; // the last lease in the file is the newest
        }
    }
    return result;
}

LinuxAdapterSource::LinuxAdapterSource()
{
    linkWatch_ = ::socket(AF_NETLINK, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (linkWatch_ < 0)
        return;
    sockaddr_nl local{};
    local.nl_family = AF_NETLINK;
    local.nl_groups = RTMGRP_LINK;
    if (::bind(linkWatch_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        ::close(linkWatch_);
        linkWatch_ = -1;
    }
}

LinuxAdapterSource::~LinuxAdapterSource()
{
    if (linkWatch_ >= 0)
        ::close(linkWatch_);
}

// Reads every waiting link announcement; true when there was one, when some were lost
// (the socket's buffer ran over) or when nothing can be heard.
bool LinuxAdapterSource::linksChanged()
{
    if (linkWatch_ < 0)
        return true;
    bool changed = false;
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::recv(linkWatch_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0) {
            changed = true;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            changed = true; // ENOBUFS: announcements were lost
        break;
    }
    return changed;
}

std::uint32_t LinuxAdapterSource::interface_count()
{
    if (!linksChanged() && counted_)
        return count_;
    std::vector<Interface> list;
    if (!list_interfaces(list)) {
        counted_ = false;
        return 0;
    }
    count_ = std::uint32_t(list.size());
    counted_ = true;
    return count_;
}

bool LinuxAdapterSource::query(std::vector<AdapterRecord>& out)
{
    std::vector<Interface> list;
    if (!list_interfaces(list))
        return false;
    const std::string routes = read_text("/proc/net/route");
    const std::size_t n = std::min(out.size(), list.size());
    for (std::size_t i = 0; i < n; ++i) {
        const Interface& itf = list[i];
        AdapterRecord& r = out[i];
        r = AdapterRecord{};
        set_text(r.AdapterName, itf.name);
        set_text(r.Description, describe(itf.name));
        r.AddressLength = itf.hw_length;
        std::memcpy(r.Address, itf.hw_address, sizeof r.Address);
        r.Index = ::if_nametoindex(itf.name.c_str());
        set_text(r.IpAddressList.IpAddress, itf.ip.empty() ? "0.0.0.0" : itf.ip);
        set_text(r.IpAddressList.IpMask, itf.mask.empty() ? "0.0.0.0" : itf.mask);
        const std::string gateway = route_default_gateway(routes, itf.name);
        set_text(r.GatewayList.IpAddress, gateway.empty() ? "0.0.0.0" : gateway);
        const std::string server =
            itf.ip.empty() ? std::string() : dhcp_server_for(itf.name, r.Index, itf.ip);
        r.DhcpEnabled = server.empty() ? 0 : 1;
        set_text(r.DhcpServer.IpAddress, server);
    }
    return true;
}

AdapterSource& system_adapter_source()
{
    static LinuxAdapterSource source;
    return source;
}
