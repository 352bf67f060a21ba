// Fuzz target: one stream read from the controller through on_frame and its handlers, over
// the live link state.
//
// Input: one state byte, then the bytes of the read. The state byte sets up the link state
// the read arrives in (it is reset first for every input):
//   bit 0  an acquisition runs
//   bits 1-2  trigger mode (0 Rolling, 1 AutoTrigger, 2 Single Shot; 3 counts as 1)
//   bit 3  the user forced an event
//   bit 4  an event was already captured and is showing
//   bit 5  the ring is full, its write index 7 slots before the end
//   bit 6  a start reply came: modulus 100, counter 95
//   bit 7  (without bit 5) the ring holds 19998 samples, write index 3 before the end
// After the call the whole effect is checked against what the read should have done; any
// difference traps.
#include "Globvar.h"
#include "Netcom.h"
#include "Wire.h"

#include <cstddef>
#include <cstdint>

namespace {

void check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

bool sample_matches(std::uint32_t slot, const std::uint8_t* p)
{
    for (std::size_t ch = 0; ch < SAMPLE_CHANNELS; ++ch)
        if (link_state.sample_ring[slot][ch] != static_cast<std::int16_t>(get_u16_be(p + 2 * ch)))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    send_queue_lock_create();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::uint8_t state = data[0];
    const std::uint8_t* bytes = data + 1;
    const std::uint32_t length = static_cast<std::uint32_t>(size - 1);

    link_state_reset();
    queue_flush();

    const bool acquiring = state & 0x01;
    std::uint8_t mode = (state >> 1) & 0x03;
    if (mode == 3)
        mode = 1;
    link_state.acquisition_on = acquiring ? 1 : 0;
    link_state.settings.trigger_mode = mode;
    std::uint32_t flags0 = 0;
    if (state & 0x08)
        flags0 |= TRIGGER_FORCED;
    if (state & 0x10)
        flags0 |= TRIGGER_CAPTURED | TRIGGER_SHOWING;
    link_state.trigger_flags = flags0;
    std::uint32_t write0 = 0;
    std::uint32_t oldest0 = 0;
    if (state & 0x20) {
        write0 = SAMPLE_RING_SLOTS - 7;
        oldest0 = ring_advance(write0, 1, SAMPLE_RING_SLOTS);
    } else if (state & 0x80) {
        write0 = SAMPLE_RING_SLOTS - 3;
    }
    link_state.ring_write = write0;
    link_state.ring_oldest = oldest0;
    link_state.ring_display = oldest0;
    std::uint16_t modulus0 = 0;
    std::uint16_t counter0 = 0;
    if (state & 0x40) {
        modulus0 = 100;
        counter0 = 95;
    }
    link_state.block_modulus = modulus0;
    link_state.block_counter = counter0;
    const std::uint32_t stored0 = ring_distance(oldest0, write0, SAMPLE_RING_SLOTS);

    on_frame(length ? bytes : nullptr, length);

    // Indices always inside the ring, the ring never holding more than it can.
    check(link_state.ring_write < SAMPLE_RING_SLOTS && link_state.ring_oldest < SAMPLE_RING_SLOTS
          && link_state.ring_display < SAMPLE_RING_SLOTS);
    check(ring_distance(link_state.ring_oldest, link_state.ring_write, SAMPLE_RING_SLOTS)
          < SAMPLE_RING_SLOTS);
    check(queue_count() <= SEND_QUEUE_MAX);

    // What the read should have done.
    const bool whole = length >= FRAME_HEADER_SIZE && get_u16_be(bytes) < FRAME_TYPE_COUNT
                       && get_u16_be(bytes + 2) == length;
    const std::uint16_t type = whole ? get_u16_be(bytes) : 0xFFFF;
    const std::uint32_t n = length >= SAMPLE_BLOCK_HEADER_SIZE ? get_u16_be(bytes + 6) : 0;
    // A block may be padded after its samples; one that claims more than it holds is dropped.
    const bool block = type == REPLY_SAMPLE_BLOCK && length >= SAMPLE_BLOCK_HEADER_SIZE
                       && SAMPLE_BLOCK_HEADER_SIZE + SAMPLE_SIZE * n <= length;
    const bool dropped = type == REPLY_SAMPLE_BLOCK && !block;
    const bool start = type == REPLY_START && length >= 6;
    const bool poll = type == REPLY_POLL && length >= 8;

    if (poll) {
        check(link_state.poll_reply_words[0] == static_cast<std::int16_t>(get_u16_be(bytes + 4)));
        check(link_state.poll_reply_words[1] == static_cast<std::int16_t>(get_u16_be(bytes + 6)));
    } else {
        check(link_state.poll_reply_words[0] == 0 && link_state.poll_reply_words[1] == 0);
    }

    if (start) {
        check(link_state.block_modulus == get_u16_be(bytes + 4));
        check(link_state.block_counter == 0);
        check(queue_count() == 1); // the acknowledgement
    } else if (dropped) {
        // Counted, nothing else changes; while acquiring the unchanged counter is asked for
        // again.
        check(link_state.block_modulus == modulus0 && link_state.block_counter == counter0
              && link_state.block_count == 0);
        check(link_state.dropped_blocks == 1);
        check(queue_count() == (acquiring ? 1 : 0));
        if (acquiring) {
            const NetMessage* ack = queue_peek();
            check(ack != nullptr && ack->length == 6
                  && get_u16_be(ack->bytes.data()) == MSG_BLOCK_ACK
                  && get_u16_be(ack->bytes.data() + 4) == counter0);
        }
    } else if (!block) {
        // Anything else leaves every counter and the ring as they were and sends nothing.
        check(link_state.block_modulus == modulus0 && link_state.block_counter == counter0
              && link_state.block_count == 0);
        check(queue_count() == 0);
    }
    if (!dropped)
        check(link_state.dropped_blocks == 0);
    if (!block) {
        check(link_state.ring_write == write0 && link_state.ring_oldest == oldest0
              && link_state.ring_display == oldest0);
        check(link_state.trigger_flags == flags0);
        return 0;
    }

    // A sample block: running counter reduced once by the modulus.
    std::uint16_t counter = static_cast<std::uint16_t>(counter0 + n);
    if (counter >= modulus0)
        counter = static_cast<std::uint16_t>(counter - modulus0);
    check(link_state.block_counter == counter);
    check(link_state.block_count == n);
    check(link_state.block_event == bytes[8]);
    check(link_state.block_modulus == modulus0);

    if (!acquiring) {
        check(link_state.ring_write == write0 && link_state.ring_oldest == oldest0
              && link_state.ring_display == oldest0);
        check(link_state.trigger_flags == flags0);
        check(queue_count() == (bytes[8] == 1 ? 1 : 0)); // an event reset, or nothing
        return 0;
    }

    check(queue_count() == 1); // the acknowledgement
    check(link_state.ring_write == ring_advance(write0, n, SAMPLE_RING_SLOTS));
    const std::uint32_t most = SAMPLE_RING_SLOTS - 1;
    const std::uint32_t stored = stored0 + n < most ? stored0 + n : most;
    check(ring_distance(link_state.ring_oldest, link_state.ring_write, SAMPLE_RING_SLOTS)
          == stored);
    if (n > 0) {
        const std::uint8_t* samples = bytes + SAMPLE_BLOCK_HEADER_SIZE;
        check(sample_matches(write0, samples));
        check(sample_matches(ring_back(link_state.ring_write, 1, SAMPLE_RING_SLOTS),
                             samples + SAMPLE_SIZE * (n - 1)));
    }

    const bool wanted = mode != 0 && (bytes[8] != 0 || (flags0 & TRIGGER_FORCED) != 0)
                        && (flags0 & (TRIGGER_CAPTURED | TRIGGER_SHOWING)) == 0;
    if (wanted) {
        check(link_state.trigger_flags == (flags0 | TRIGGER_CAPTURED));
        check(link_state.ring_display == write0);
    } else {
        check(link_state.trigger_flags == flags0);
        check(link_state.ring_display == oldest0);
    }
    return 0;
}
