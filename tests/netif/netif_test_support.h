// Shared helpers of the netif tests: a fresh temporary folder made the working directory for
// one test, whole-file reads and writes, and adapter records for a fixed adapter list.
#pragma once

#include "Link_types.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

inline Bytes read_file(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline void write_file(const std::filesystem::path& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// An adapter record; one without a hardware address (all zero) gets no address length.
inline AdapterRecord adapter(const char* name, const MacAddress& mac, const char* ip,
                             const char* mask = "255.255.255.0", const char* gateway = "0.0.0.0",
                             const char* dhcp_server = "", std::uint32_t dhcp = 0)
{
    AdapterRecord r{};
    set_text(r.AdapterName, name);
    set_text(r.Description, name);
    r.AddressLength = mac == MacAddress{} ? 0 : 6;
    std::memcpy(r.Address, mac.data(), 6);
    set_text(r.IpAddressList.IpAddress, ip);
    set_text(r.IpAddressList.IpMask, mask);
    set_text(r.GatewayList.IpAddress, gateway);
    set_text(r.DhcpServer.IpAddress, dhcp_server);
    r.DhcpEnabled = dhcp;
    return r;
}

// A fresh temporary folder, the working directory while it lives.
class TempWorkingDir {
public:
    TempWorkingDir() { std::filesystem::current_path(folder_.path()); }
    ~TempWorkingDir() { std::filesystem::current_path(old_); }
    std::filesystem::path path() const { return folder_.path(); }

private:
    std::filesystem::path old_ = std::filesystem::current_path();
    TempFolder folder_{"grafion-netif"};
};
