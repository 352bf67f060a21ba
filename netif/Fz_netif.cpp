#include "Fz_netif.h"
#include "Globvar.h"
#include "Settings_file.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint32_t ETHERNET_ADDRESS_LENGTH = 6;

AdapterSource* current_source = nullptr;

AdapterSource& source()
{
    return current_source ? *current_source : system_adapter_source();
}

bool usable(const AdapterRecord& record)
{
    return record.AddressLength == ETHERNET_ADDRESS_LENGTH;
}

} // namespace

bool FixedAdapterSource::query(std::vector<AdapterRecord>& out)
{
    if (fail)
        return false;
    const std::size_t n = std::min(out.size(), adapters.size());
    std::copy_n(adapters.begin(), n, out.begin());
    return true;
}

void adapter_source_set(AdapterSource* source)
{
    current_source = source;
}

std::uint32_t netif_interface_count()
{
    return source().interface_count();
}

bool mac_is_zero(const std::uint8_t* mac)
{
    return std::all_of(mac, mac + 6, [](std::uint8_t b) { return b == 0; });
}

bool mac_equal(const std::uint8_t* a, const std::uint8_t* b)
{
    return std::equal(a, a + 6, b);
}

std::uint32_t ip_text_to_addr(const char* text)
{
    in_addr address{};
    if (text == nullptr || ::inet_pton(AF_INET, text, &address) != 1)
        return 0;
    return address.s_addr;
}

void adapters_free()
{
    link_state.adapter_list.clear();
    link_state.adapter_list.shrink_to_fit();
    link_state.adapter_count = 0;
}

void adapters_enumerate()
{
    // The count is a 16-bit field; more interfaces than that are not listed.
    const std::uint32_t n = std::min<std::uint32_t>(netif_interface_count(), 0xFFFF);
    if (n == 0) {
        adapters_free();
        return;
    }
    std::vector<AdapterRecord> list(n, AdapterRecord{});
    if (!source().query(list)) {
        adapters_free();
        return;
    }
    link_state.adapter_list = std::move(list);
    link_state.adapter_count = static_cast<std::uint16_t>(n);
}

bool adapter_select(const AdapterRecord& chosen)
{
    // The record may be an element of adapter_list; work on a copy so that saving the
    // settings or clearing the block cannot change it under us.
    const AdapterRecord record = chosen;

    netif_block_clear();

    bool saved = true;
    if (!mac_equal(record.Address, link_state.settings.mac.data())) {
        std::copy_n(record.Address, 6, link_state.settings.mac.begin());
        saved = settings_save();
    }

    const std::uint32_t local_ip = ip_text_to_addr(record.IpAddressList.IpAddress);
    {
        std::lock_guard guard(link_state.netif_lock);
        std::copy_n(record.Address, 6, link_state.netif_mac.begin());
        link_state.netif_local_ip = local_ip;
        link_state.netif_mask = ip_text_to_addr(record.IpAddressList.IpMask);
        link_state.netif_gateway = ip_text_to_addr(record.GatewayList.IpAddress);
        link_state.netif_adapter = record;
        link_state.netif_flags =
            local_ip != 0 ? (NETIF_SELECTED | NETIF_HAS_ADDRESS) : NETIF_SELECTED;
    }
    return saved;
}

void adapters_match_saved()
{
    constexpr std::uint8_t selection_bits = NETIF_SELECTED | NETIF_HAS_ADDRESS;
    if (link_state.adapter_count == 0) {
        link_state.netif_flags &= static_cast<std::uint8_t>(~selection_bits);
        return;
    }

    if (mac_is_zero(link_state.settings.mac.data())) {
        const auto it =
            std::find_if(link_state.adapter_list.begin(), link_state.adapter_list.end(), usable);
        if (it != link_state.adapter_list.end())
            adapter_select(*it);
        return;
    }

    const auto it =
        std::find_if(link_state.adapter_list.begin(), link_state.adapter_list.end(),
                     [](const AdapterRecord& r) {
                         return usable(r) && mac_equal(r.Address, link_state.settings.mac.data());
                     });
    if (it == link_state.adapter_list.end()) {
        link_state.netif_flags &= static_cast<std::uint8_t>(~selection_bits);
        return;
    }
    const std::uint8_t flags = link_state.netif_flags.load();
    if ((flags & NETIF_SELECTED) == 0
        || (ip_text_to_addr(it->IpAddressList.IpAddress) != 0 && (flags & NETIF_HAS_ADDRESS) == 0))
        adapter_select(*it);
}

bool netif_poll()
{
    const std::uint32_t n = netif_interface_count();
    const std::uint8_t flags = link_state.netif_flags.load();
    const bool waiting_for_address =
        (flags & NETIF_SELECTED) != 0 && (flags & NETIF_HAS_ADDRESS) == 0;
    if (n != link_state.adapter_count_seen || waiting_for_address) {
        adapters_enumerate();
        link_state.adapter_count_seen = link_state.adapter_count;
        adapters_match_saved();
    }

    const std::uint8_t now = link_state.netif_flags.load();
    if (now == link_state.netif_flags_shown)
        return false;
    link_state.netif_flags_shown = now;
    return true;
}
