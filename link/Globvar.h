// The process-wide link state: the variables through which the main window, the socket
// thread, the receive handlers, the interface setup and the parameter grid cooperate.
//
// Threads: the main (GUI) thread and the socket thread share these variables without a lock.
// Every variable another thread reads or writes is a std::atomic read and written whole.
// The socket thread alone writes the ring slots, ring_write and ring_oldest; a slot is filled
// before ring_write is advanced past it (release), so a reader that loads ring_write
// (acquire) sees the slots before it complete. A reader the writer laps may still be
// copying a slot that is being written again: ring_writes_begun, counted before each slot
// is written, lets it find and discard such copies afterwards (ring_copy below).
//
// Exceptions, main thread only: netif_flags_shown, adapter_list/adapter_count/
// adapter_count_seen, settings (but for its atomic trigger_mode / event_channel), settings_dir,
// settings_path, channel_select, param_values. netif_mac and netif_adapter are written by the
// main thread under netif_lock; other threads read them through netif_mac_copy() and
// netif_adapter_copy().
#pragma once

#include "Link_types.h"
#include "Ring_index.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

// ---- Constants ---------------------------------------------------------------------------

constexpr std::uint32_t SAMPLE_RING_SLOTS = 20001; // ring size; it holds at most 20000 samples
constexpr std::size_t SAMPLE_CHANNELS = 8;
constexpr std::size_t PARAM_COUNT = 201;

// link_status bits 0-1: connection state
constexpr std::uint8_t LINK_OFF = 0;
constexpr std::uint8_t LINK_CONNECTING = 1;
constexpr std::uint8_t LINK_CONNECTED = 2;
constexpr std::uint8_t LINK_ERROR = 3;
constexpr std::uint8_t LINK_STATE_MASK = 0x03;
constexpr std::uint8_t LINK_SHOWN_MASK = 0x0C; // bits 2-3: state last shown in the status bar
constexpr std::uint8_t LINK_BLINK = 0x10;      // bit 4: blink phase of the status bar

// controller_flags
constexpr std::uint8_t CONTROLLER_KNOWN = 0x02; // controller_ip is valid

// netif_flags
constexpr std::uint8_t NETIF_SELECTED = 0x01;    // an interface is selected
constexpr std::uint8_t NETIF_HAS_ADDRESS = 0x02; // it has a non-zero IPv4 address
constexpr std::uint8_t NETIF_TOGGLE = 0x04;      // toggled by each manual selection

// trigger_flags
constexpr std::uint32_t TRIGGER_CAPTURED = 0x1; // an event was captured; ring_display is its slot
constexpr std::uint32_t TRIGGER_SHOWING = 0x2;  // the display has started showing the event
constexpr std::uint32_t TRIGGER_FORCED = 0x4;   // the user forced an event

// Commands of the socket thread loop (its `mode` byte).
constexpr std::uint8_t mode_stop = 0;
constexpr std::uint8_t mode_hangup = 1;
constexpr std::uint8_t mode_run = 2;
constexpr std::uint8_t mode_discover = 3;

// The 8 channel values of one sample instant, channel 1 first, native order.
using SampleSlot = std::array<std::int16_t, SAMPLE_CHANNELS>;

// One slot of sample_ring. The socket thread writes it while the display may be copying it
// (when the display has been lapped), so every value is an atomic read and written whole;
// the order between a slot and the indices comes from the fences around ring_writes_begun
// and the release/acquire of ring_write, so the values themselves are accessed relaxed.
struct RingSlot {
    std::array<std::atomic<std::int16_t>, SAMPLE_CHANNELS> value{};

    std::atomic<std::int16_t>& operator[](std::size_t ch) { return value[ch]; }
    std::int16_t operator[](std::size_t ch) const
    {
        return value[ch].load(std::memory_order_relaxed);
    }
    SampleSlot load() const
    {
        SampleSlot s;
        for (std::size_t ch = 0; ch < SAMPLE_CHANNELS; ++ch)
            s[ch] = value[ch].load(std::memory_order_relaxed);
        return s;
    }
    void store(const SampleSlot& s)
    {
        for (std::size_t ch = 0; ch < SAMPLE_CHANNELS; ++ch)
            value[ch].store(s[ch], std::memory_order_relaxed);
    }
    void fill(std::int16_t v)
    {
        for (auto& x : value)
            x.store(v, std::memory_order_relaxed);
    }
};
static_assert(sizeof(RingSlot) == sizeof(SampleSlot), "a ring slot is 16 bytes");

// ---- The link state ----------------------------------------------------------------------

class SckTrd;

// Every process-wide variable of the link, in one object (`link_state`). The names inside
// are the link's own; the rules at the top of this file say which thread may touch which.
struct LinkState {
    // Connection
    std::atomic<std::uint8_t> link_status{0};      // see LINK_* above
    std::atomic<std::uint8_t> controller_flags{0}; // see CONTROLLER_KNOWN
    std::atomic<std::uint32_t> controller_ip{0};   // first address byte most significant

    // PC interface
    std::atomic<std::uint8_t> netif_flags{0}; // see NETIF_* above
    std::uint8_t netif_flags_shown = 0;       // netif_flags at the last status-bar repaint
    // Address, mask and gateway with the four address bytes in dotted order in memory (the
    // value inet_pton/inet_addr give), so copying the word's bytes yields a.b.c.d.
    std::atomic<std::uint32_t> netif_local_ip{0};
    std::atomic<std::uint32_t> netif_mask{0};
    std::atomic<std::uint32_t> netif_gateway{0};
    MacAddress netif_mac{};
    AdapterRecord netif_adapter{};           // copy of the selected adapter's record
    std::mutex netif_lock;                   // guards netif_mac and netif_adapter
    std::vector<AdapterRecord> adapter_list; // the last enumeration
    std::uint16_t adapter_count = 0;         // records in adapter_list; 0 = no interface
    std::uint32_t adapter_count_seen = 0;    // interface count at the last enumeration

    // Settings
    EthernetSettings settings;
    std::string settings_dir;  // working directory at start-up
    std::string settings_path; // settings_dir + "/ethernet_set.dat"

    // Display channels
    // Quantity index (0..7) shown on each display channel; sent in the channel configuration.
    std::array<std::uint8_t, 8> channel_select{};

    // Acquisition
    std::atomic<std::uint8_t> acquisition_on{0}; // 1 while an acquisition runs
    std::atomic<std::uint32_t> trigger_flags{0}; // see TRIGGER_* above
    std::array<RingSlot, SAMPLE_RING_SLOTS> sample_ring{};
    std::atomic<std::uint32_t> ring_write{0};    // next slot the receiver fills
    std::atomic<std::uint32_t> ring_oldest{0};   // oldest slot still valid
    std::atomic<std::uint32_t> ring_display{0};  // next slot the display timer consumes
    std::atomic<std::uint8_t> block_event{0};    // event flag of the last sample block
    std::atomic<std::uint32_t> block_count{0};   // samples in the last sample block
    std::atomic<std::uint16_t> block_counter{0}; // running counter acknowledged to the controller
    std::atomic<std::uint16_t> block_modulus{0}; // modulus announced by the controller
    // Slot writes the receiver has begun since the start of the run; it only grows (the ring
    // indices go back to 0 at every connect, this count does not).
    std::atomic<std::uint64_t> ring_writes_begun{0};
    // Sample blocks dropped because they claim more samples than they hold, and replies that
    // were no use at all (not one whole frame of a known type); shown in the debug panel.
    std::atomic<std::uint32_t> dropped_blocks{0};
    std::atomic<std::uint32_t> unusable_replies{0};
    // Connections lost (a link error while connected) since the start of the run, and the
    // count the receiver had seen at its last sample block (socket thread only): a block that
    // finds them different is the first after a loss.
    std::atomic<std::uint32_t> link_losses{0};
    std::uint32_t link_losses_seen = 0;
    std::array<std::atomic<std::int16_t>, 2> poll_reply_words{}; // words of the last poll reply

    // Parameters
    std::array<float, PARAM_COUNT> param_values{}; // last values entered, 0 at start

    // Link plumbing
    // The socket thread object (its `mode` byte takes the mode_* values above); null until the
    // link is started and after it is shut down. A view only: link_start() and link_shutdown()
    // own the object. The send queue, its lock and the standing messages live in Netcom.h.
    std::atomic<SckTrd*> link_thread{nullptr};
    // The socket thread's `mode` byte (mode_* above): the main window writes its commands here and
    // the thread loop reads them. mode_stop until the thread is constructed.
    std::atomic<std::uint8_t> link_mode{mode_stop};
};
extern LinkState link_state;

// ---- Helpers over the link state ---------------------------------------------------------

// Connection state (bits 0-1 of link_status); the setter keeps the other bits.
std::uint8_t connection_state();
void set_connection_state(std::uint8_t state);
// Copies for a thread other than the main one.
MacAddress netif_mac_copy();
AdapterRecord netif_adapter_copy();
// The selected adapter's IPv4 address text (the PC address every bind uses).
std::string netif_ip_text();
// The controller's address (controller_ip) as text, a.b.c.d.
std::string controller_ip_text();
// Clears the interface block: addresses, MAC, adapter copy, netif_flags and netif_flags_shown.
void netif_block_clear();

// ---- Writing and reading the ring ----------------------------------------------------------

// The receiver (socket thread) stores one sample at ring_write and advances it; when the
// write index reaches the oldest sample, that sample is given up. The count of slot writes
// begun is stored first: after the previous slot's publication (release), and before this
// slot's values (release fence), so that a reader that sees any of the new values also sees
// the count that announced them.
inline void ring_append(const SampleSlot& values)
{
    link_state.ring_writes_begun.store(link_state.ring_writes_begun.load(std::memory_order_relaxed)
                                           + 1,
                                       std::memory_order_release);
    std::atomic_thread_fence(std::memory_order_release);
    const std::uint32_t write = link_state.ring_write.load(std::memory_order_relaxed);
    link_state.sample_ring[write].store(values);
    const std::uint32_t next = ring_next(write, SAMPLE_RING_SLOTS);
    link_state.ring_write.store(next, std::memory_order_release);
    const std::uint32_t oldest = link_state.ring_oldest.load(std::memory_order_relaxed);
    if (oldest == next)
        link_state.ring_oldest.store(ring_next(oldest, SAMPLE_RING_SLOTS),
                                     std::memory_order_relaxed);
}

// The display's view of the ring at one moment: the count of slot writes begun, then the
// write index. Slots before `write` were complete when it was taken.
struct RingSnapshot {
    std::uint64_t begun = 0;
    std::uint32_t write = 0;
};
RingSnapshot ring_snapshot();

// Copies the slots from `from` up to (not including) `snapshot.write` into `out`, oldest
// first, and returns how many of them, from the first, the writer may have started to
// write again meanwhile: those copies may be torn or hold newer samples and must not be
// used. The writer writes the slots from `snapshot.write` on, in order, so what it can have
// overwritten is always the oldest part of the copy.
std::uint32_t ring_copy(std::uint32_t from, const RingSnapshot& snapshot,
                        std::vector<SampleSlot>& out);

// ---- Whole state -------------------------------------------------------------------------

// Puts every variable above back to its value at the start of a run (link_thread and
// link_mode excepted: they belong to the running thread).
void link_state_reset();
