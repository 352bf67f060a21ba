// Records shared by the link, the interface setup and the main window: the settings record
// kept in ethernet_set.dat and the description of one PC network adapter.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string_view>

using MacAddress = std::array<std::uint8_t, 6>;

// The persisted settings. Field order and widths follow the 28-byte file record; the byte
// image is produced by settings_encode / settings_decode (netif/Settings_file.h), so this
// struct's own memory layout does not matter.
//
// trigger_mode and event_channel are read by the receive handlers on the socket thread while
// the main window's controls change them, hence atomic; the record stays copyable.
// The trigger modes, numbered as the settings file and the mode's radio group number them.
enum TriggerMode : std::uint8_t { TriggerRolling = 0, TriggerAuto = 1, TriggerSingleShot = 2 };

struct EthernetSettings {
    MacAddress mac{};              // remembered adapter; all zero = none
    std::uint32_t server_ip = 0;   // first octet most significant; written only
    std::uint16_t server_port = 0; // written only
    std::int16_t y_max = 0;        // fixed Y scale maximum
    std::int16_t y_min = 0;        // fixed Y scale minimum
    std::array<std::uint8_t, 4> reserved_16{};
    std::uint32_t view_flags = 0;                           // bit 0: fixed Y scale on
    std::atomic<std::uint8_t> trigger_mode{TriggerRolling}; // a TriggerMode
    std::atomic<std::uint8_t> event_channel{0};             // event selection index
    std::array<std::uint8_t, 2> reserved_26{};

    EthernetSettings() = default;
    EthernetSettings(const EthernetSettings& other) { *this = other; }
    EthernetSettings& operator=(const EthernetSettings& other)
    {
        mac = other.mac;
        server_ip = other.server_ip;
        server_port = other.server_port;
        y_max = other.y_max;
        y_min = other.y_min;
        reserved_16 = other.reserved_16;
        view_flags = other.view_flags;
        trigger_mode.store(other.trigger_mode.load());
        event_channel.store(other.event_channel.load());
        reserved_26 = other.reserved_26;
        return *this;
    }
};

constexpr std::uint32_t VIEW_FIXED_SCALE = 0x1;

// One IPv4 entry of an adapter: address and mask as dotted texts ("0.0.0.0" when absent).
struct IpAddrString {
    char IpAddress[16];
    char IpMask[16];
};

// One PC network adapter as the interface setup sees it. A value-initialised record
// (AdapterRecord{}) is all zero: no address, empty texts.
struct AdapterRecord {
    char AdapterName[260];       // system interface name, e.g. "eth0"
    char Description[132];       // shown in the interface window
    std::uint32_t AddressLength; // hardware address length; only 6 is used for the link
    std::uint8_t Address[8];     // hardware address, first AddressLength bytes valid
    std::uint32_t Index;         // system interface index
    std::uint32_t DhcpEnabled;   // 1 when the address came from DHCP (best effort)
    IpAddrString IpAddressList;  // first IPv4 address and mask
    IpAddrString GatewayList;    // default gateway (IpAddress only)
    IpAddrString DhcpServer;     // DHCP server (IpAddress only), empty when unknown
};

// Copies text into a fixed field, cut to fit and always terminated.
template <std::size_t N>
void set_text(char (&field)[N], std::string_view text)
{
    const std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
    for (std::size_t i = 0; i < n; ++i)
        field[i] = text[i];
    for (std::size_t i = n; i < N; ++i)
        field[i] = '\0';
}
