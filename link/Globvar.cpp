#include "Globvar.h"

#include <algorithm>

std::atomic<std::uint8_t> link_status {0};
std::atomic<std::uint8_t> controller_flags {0};
std::atomic<std::uint32_t> controller_ip {0};

std::atomic<std::uint8_t> netif_flags {0};
std::uint8_t netif_flags_shown = 0;
std::atomic<std::uint32_t> netif_local_ip {0};
std::atomic<std::uint32_t> netif_mask {0};
std::atomic<std::uint32_t> netif_gateway {0};
MacAddress netif_mac {};
AdapterRecord netif_adapter {};
std::mutex netif_lock;

std::vector<AdapterRecord> adapter_list;
std::uint16_t adapter_count = 0;
std::uint32_t adapter_count_seen = 0;

EthernetSettings settings;
std::string settings_dir;
std::string settings_path;

std::array<std::uint8_t, 8> channel_select {};

std::atomic<std::uint8_t> acquisition_on {0};
std::atomic<std::uint32_t> trigger_flags {0};
std::array<RingSlot, SAMPLE_RING_SLOTS> sample_ring {};
std::atomic<std::uint32_t> ring_write {0};
std::atomic<std::uint32_t> ring_oldest {0};
std::atomic<std::uint32_t> ring_display {0};
std::atomic<std::uint8_t> block_event {0};
std::atomic<std::uint32_t> block_count {0};
std::atomic<std::uint16_t> block_counter {0};
std::atomic<std::uint16_t> block_modulus {0};
std::atomic<std::uint64_t> ring_writes_begun {0};
std::atomic<std::uint32_t> dropped_blocks {0};
std::atomic<std::uint32_t> unusable_replies {0};
std::array<std::atomic<std::int16_t>, 2> poll_reply_words {};

std::array<float, PARAM_COUNT> param_values {};

std::atomic<SckTrd*> link_thread {nullptr};
std::atomic<std::uint8_t> link_mode {mode_stop};

std::uint8_t connection_state()
{
    return link_status.load() & LINK_STATE_MASK;
}

void set_connection_state(std::uint8_t state)
{
    std::uint8_t old = link_status.load();
    while (!link_status.compare_exchange_weak(
        old, static_cast<std::uint8_t>((old & ~LINK_STATE_MASK) | (state & LINK_STATE_MASK)))) {
    }
}

MacAddress netif_mac_copy()
{
    std::lock_guard guard(netif_lock);
    return netif_mac;
}

AdapterRecord netif_adapter_copy()
{
    std::lock_guard guard(netif_lock);
    return netif_adapter;
}

std::string netif_ip_text()
{
    std::lock_guard guard(netif_lock);
    return std::string(netif_adapter.IpAddressList.IpAddress);
}

void netif_block_clear()
{
    std::lock_guard guard(netif_lock);
    netif_local_ip = 0;
    netif_mask = 0;
    netif_gateway = 0;
    netif_mac = {};
    netif_adapter = AdapterRecord {};
    netif_flags = 0;
    netif_flags_shown = 0;
}

RingSnapshot ring_snapshot()
{
    // In this order: a count that includes every slot before the write index read next
    // (see ring_append), at most one more.
    RingSnapshot snapshot;
    snapshot.begun = ring_writes_begun.load(std::memory_order_acquire);
    snapshot.write = ring_write.load(std::memory_order_acquire);
    return snapshot;
}

std::uint32_t ring_copy(std::uint32_t from, const RingSnapshot& snapshot, std::vector<SampleSlot>& out)
{
    const std::uint32_t to = snapshot.write;
    const std::uint32_t count = ring_span(from, to, SAMPLE_RING_SLOTS);
    out.resize(count);
    std::uint32_t slot = from;
    for (std::uint32_t i = 0; i < count; ++i) {
        out[i] = sample_ring[slot].load();
        slot = ring_next(slot, SAMPLE_RING_SLOTS);
    }
    // Any value copied above that the writer stored after the snapshot comes with the count
    // it stored before it (the writer's release fence pairs with this acquire fence).
    std::atomic_thread_fence(std::memory_order_acquire);
    const std::uint64_t begun = ring_writes_begun.load(std::memory_order_relaxed);

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
    link_status = 0;
    controller_flags = 0;
    controller_ip = 0;

    netif_block_clear();
    adapter_list.clear();
    adapter_count = 0;
    adapter_count_seen = 0;

    settings = EthernetSettings {};
    settings_dir.clear();
    settings_path.clear();

    channel_select = {};

    acquisition_on = 0;
    trigger_flags = 0;
    for (RingSlot& slot : sample_ring)
        slot.fill(0);
    ring_write = 0;
    ring_oldest = 0;
    ring_display = 0;
    block_event = 0;
    block_count = 0;
    block_counter = 0;
    block_modulus = 0;
    ring_writes_begun = 0;
    dropped_blocks = 0;
    unusable_replies = 0;
    for (auto& word : poll_reply_words)
        word = 0;

    param_values = {};
}
