#include "Globvar.h"

#include <algorithm>

LinkState link_state;

std::uint8_t connection_state()
{
    return link_state.link_status.load() & LINK_STATE_MASK;
}

void set_connection_state(std::uint8_t state)
{
    std::uint8_t old = link_state.link_status.load();
    while (!link_state.link_status.compare_exchange_weak(
        old, static_cast<std::uint8_t>((old & ~LINK_STATE_MASK) | (state & LINK_STATE_MASK)))) {
    }
}

MacAddress netif_mac_copy()
{
    std::lock_guard guard(link_state.netif_lock);
    return link_state.netif_mac;
}

AdapterRecord netif_adapter_copy()
{
    std::lock_guard guard(link_state.netif_lock);
    return link_state.netif_adapter;
}

std::string netif_ip_text()
{
    std::lock_guard guard(link_state.netif_lock);
    return std::string(link_state.netif_adapter.IpAddressList.IpAddress);
}

std::string controller_ip_text()
{
    const std::uint32_t ip = link_state.controller_ip.load();
    return std::to_string(ip >> 24) + '.' + std::to_string((ip >> 16) & 0xFF) + '.'
           + std::to_string((ip >> 8) & 0xFF) + '.' + std::to_string(ip & 0xFF);
}

void netif_block_clear()
{
    std::lock_guard guard(link_state.netif_lock);
    link_state.netif_local_ip = 0;
    link_state.netif_mask = 0;
    link_state.netif_gateway = 0;
    link_state.netif_mac = {};
    link_state.netif_adapter = AdapterRecord{};
    link_state.netif_flags = 0;
    link_state.netif_flags_shown = 0;
}

RingSnapshot ring_snapshot()
{
    // In this order: a count that includes every slot before the write index read next
    // (see ring_append), at most one more.
    RingSnapshot snapshot;
    snapshot.begun = link_state.ring_writes_begun.load(std::memory_order_acquire);
    snapshot.write = link_state.ring_write.load(std::memory_order_acquire);
    return snapshot;
}

std::uint32_t ring_copy(std::uint32_t from, const RingSnapshot& snapshot,
                        std::vector<SampleSlot>& out)
{
    const std::uint32_t to = snapshot.write;
    const std::uint32_t count = ring_span(from, to, SAMPLE_RING_SLOTS);
    out.resize(count);
    std::uint32_t slot = from;
    for (std::uint32_t i = 0; i < count; ++i) {
        out[i] = link_state.sample_ring[slot].load();
        slot = ring_next(slot, SAMPLE_RING_SLOTS);
    }
    // Any value copied above that the writer stored after the snapshot comes with the count
    // it stored before it (the writer's release fence pairs with this acquire fence).
    std::atomic_thread_fence(std::memory_order_acquire);
    const std::uint64_t begun = link_state.ring_writes_begun.load(std::memory_order_relaxed);

    // Writes begun since the write index of the snapshot was published: the snapshot's count
    // may already include the write of that slot itself, hence one more. They went to the
    // slots `to`, `to` + 1, ... in turn; the copied slot k places after `to` is safe only
    // when fewer than k + 1 of them were begun.
    const std::uint64_t begun_since = begun - snapshot.begun + 1;
    const std::uint32_t first_offset = ring_span(to, from, SAMPLE_RING_SLOTS);
    if (count == 0 || begun_since <= first_offset)
        return 0;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(begun_since - first_offset, count));
}

void link_state_reset()
{
    link_state.link_status = 0;
    link_state.controller_flags = 0;
    link_state.controller_ip = 0;

    netif_block_clear();
    link_state.adapter_list.clear();
    link_state.adapter_count = 0;
    link_state.adapter_count_seen = 0;

    link_state.settings = EthernetSettings{};
    link_state.settings_dir.clear();
    link_state.settings_path.clear();

    link_state.channel_select = {};

    link_state.acquisition_on = 0;
    link_state.trigger_flags = 0;
    for (RingSlot& slot : link_state.sample_ring)
        slot.fill(0);
    link_state.ring_write = 0;
    link_state.ring_oldest = 0;
    link_state.ring_display = 0;
    link_state.block_event = 0;
    link_state.block_count = 0;
    link_state.block_counter = 0;
    link_state.block_modulus = 0;
    link_state.ring_writes_begun = 0;
    link_state.dropped_blocks = 0;
    link_state.unusable_replies = 0;
    link_state.link_losses = 0;
    link_state.link_losses_seen = 0;
    for (auto& word : link_state.poll_reply_words)
        word = 0;

    link_state.param_values = {};
}
