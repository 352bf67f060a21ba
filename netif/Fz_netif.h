// The PC's network adapters: enumeration, re-finding the remembered adapter, and publishing
// the chosen one's addresses in the link state (Globvar.h). Main thread only.
#pragma once

#include "Link_types.h"

#include <cstdint>
#include <vector>

// Where adapter records come from: the system (system_adapter_source) or, in tests, a fixed
// list. Loopback is never counted nor listed.
class AdapterSource {
public:
    virtual ~AdapterSource() = default;
    // Number of interfaces, loopback excluded.
    virtual std::uint32_t interface_count() = 0;
    // Fills the records of `out` (already sized and zeroed) in interface order, at most
    // out.size() of them; records left over stay zero. False when the query fails.
    virtual bool query(std::vector<AdapterRecord>& out) = 0;
};

// A fixed list, changed at will between calls.
class FixedAdapterSource : public AdapterSource {
public:
    std::vector<AdapterRecord> adapters;
    bool fail = false; // makes query() fail

    std::uint32_t interface_count() override { return std::uint32_t(adapters.size()); }
    bool query(std::vector<AdapterRecord>& out) override;
};

// The real adapters of this machine (getifaddrs, /proc/net/route, /sys/class/net).
AdapterSource& system_adapter_source();

// Replaces the source used by the functions below; null restores the system source.
void adapter_source_set(AdapterSource* source);

// Interface count of the current source, loopback excluded.
std::uint32_t netif_interface_count();

// Refreshes adapter_list / adapter_count from the source; an empty source or a failed
// query empties the list.
void adapters_enumerate();

// Empties adapter_list; adapter_count becomes 0.
void adapters_free();

// Makes the adapter the link's interface: clears the interface block, remembers its MAC in
// the settings (saving the file when it changed), publishes its addresses and sets
// netif_flags to 3 when it has an IPv4 address, else 1. Returns false when the settings file
// had to be written and could not be; the adapter is the link's interface all the same.
bool adapter_select(const AdapterRecord& record);

// Finds the remembered adapter in adapter_list and selects it (the first one with a 6-byte
// address when none is remembered); clears netif_flags bits 0-1 when it is absent.
void adapters_match_saved();

// One tick of the main window's monitor timer: re-enumerates when the interface count
// changed or the selected interface still has no address. Returns true when netif_flags
// changed since the last status-bar repaint (it is then recorded in netif_flags_shown) and
// the status bar must be repainted.
bool netif_poll();

bool mac_is_zero(const std::uint8_t* mac);                    // 6 bytes
bool mac_equal(const std::uint8_t* a, const std::uint8_t* b); // 6 bytes each

// Dotted text to an address word in dotted order in memory; 0 for a text that is not an
// IPv4 address.
std::uint32_t ip_text_to_addr(const char* text);
