// Receive side of the protocol: the dispatcher and the handlers of the controller's replies.
// All of it runs on the socket thread.
#include "Globvar.h"
#include "Netcom.h"
#include "Sample_sink.h"
#include "Wire.h"

#include <array>

const FrameHandler frame_handlers[FRAME_TYPE_COUNT] = {
    ignore_frame,           // 0
    on_poll_reply,          // 1
    on_start_reply,         // 2
    on_sample_block,        // 3
    ignore_frame,           // 4
    ignore_frame,           // 5
    on_param_write_reply,   // 6
    on_param_request_reply, // 7
    ignore_frame,           // 8
    ignore_frame,           // 9
    on_status_word,         // 10
};

bool frame_is_whole(const std::uint8_t* bytes, std::uint32_t length)
{
    // Part of a frame, or more than one, is not a frame.
    return bytes != nullptr && length >= FRAME_HEADER_SIZE
           && get_u16_be(bytes + wire::header::kType) < FRAME_TYPE_COUNT
           && get_u16_be(bytes + wire::header::kLength) == length;
}

void on_frame(const std::uint8_t* bytes, std::uint32_t length)
{
    if (!frame_is_whole(bytes, length))
        return; // the whole read is dropped
    frame_handlers[get_u16_be(bytes + wire::header::kType)](bytes, length);
}

void ignore_frame(const std::uint8_t*, std::uint32_t) {}

// Each handler below first checks that the frame holds the fields it reads; a shorter
// frame is ignored without any effect.

void on_poll_reply(const std::uint8_t* bytes, std::uint32_t length)
{
    if (length < wire::poll_reply::kMinSize)
        return;
    using namespace wire::poll_reply;
    link_state.poll_reply_words[0] = static_cast<std::int16_t>(get_u16_be(bytes + kFirstWord));
    link_state.poll_reply_words[1] = static_cast<std::int16_t>(get_u16_be(bytes + kSecondWord));
}

void on_start_reply(const std::uint8_t* bytes, std::uint32_t length)
{
    if (length < wire::start_reply::kMinSize)
        return;
    link_state.block_modulus = get_u16_be(bytes + wire::start_reply::kModulus);
    link_state.block_counter = 0;
    send_block_ack();
}

void on_sample_block(const std::uint8_t* bytes, std::uint32_t length)
{
    // A block must hold the samples it announces; a controller may pad its frames, so bytes
    // after them are ignored. A block that claims more than it holds is dropped whole: no
    // counter change, nothing stored.
    using namespace wire::sample_block;
    const bool complete =
        length >= kSamples
        && kSamples + kSampleSize * std::uint32_t(get_u16_be(bytes + kCount)) <= length;
    if (!complete) {
        link_state.dropped_blocks.fetch_add(1, std::memory_order_relaxed);
        // The acknowledgement that asked for it has been answered: ask again from the same
        // counter, or nothing would ask the controller for samples any more.
        if (link_state.acquisition_on.load() != 0)
            send_block_ack();
        return;
    }
    // The controller's block sequence number (kSequence) is not used.
    const std::uint16_t n = get_u16_be(bytes + kCount);

    // Running counter, 16-bit, reduced once by the modulus (which is 0 until the first start
    // reply, so the counter then only adds up).
    std::uint16_t counter = static_cast<std::uint16_t>(link_state.block_counter.load() + n);
    const std::uint16_t modulus = link_state.block_modulus.load();
    if (counter >= modulus)
        counter = static_cast<std::uint16_t>(counter - modulus);
    link_state.block_counter = counter;
    link_state.block_count = n;
    const std::uint8_t event = bytes[kEvent];
    link_state.block_event = event;
    // The first block after a lost connection says so to the sample sink.
    std::uint32_t flags = event != 0 ? SAMPLES_EVENT : 0;
    const std::uint32_t losses = link_state.link_losses.load();
    if (losses != link_state.link_losses_seen && n != 0) {
        link_state.link_losses_seen = losses;
        flags |= SAMPLES_RESUMED;
    }

    if (link_state.acquisition_on.load() == 0) {
        if (event == 1)
            send_event_reset();
        return;
    }

    // Event capture in the event modes: the event slot is the first slot of this block.
    // ring_display is set before the captured bit is published; the display timer does not
    // consume the ring while that bit is clear.
    if (link_state.settings.trigger_mode.load() != TriggerRolling) {
        const std::uint32_t flags = link_state.trigger_flags.load();
        const bool wanted = event != 0 || (flags & TRIGGER_FORCED) != 0;
        if (wanted && (flags & (TRIGGER_CAPTURED | TRIGGER_SHOWING)) == 0) {
            link_state.ring_display = link_state.ring_write.load();
            link_state.trigger_flags.fetch_or(TRIGGER_CAPTURED);
        }
    }

    // A frame's 16-bit length holds at most this many samples.
    constexpr std::size_t kMostSamples = (0xFFFF - kSamples) / kSampleSize;
    std::array<SampleSlot, kMostSamples> block;
    const std::uint8_t* p = bytes + kSamples;
    for (std::uint16_t i = 0; i < n; ++i) {
        SampleSlot& values = block[i];
        for (std::size_t ch = 0; ch < SAMPLE_CHANNELS; ++ch, p += 2)
            values[ch] = static_cast<std::int16_t>(get_u16_be(p));
        ring_append(values);
    }
    if (n != 0)
        sample_sink_deliver(block.data(), n, flags);

    send_block_ack();
}

void on_unusable_reply(const NetMessage& sent)
{
    link_state.unusable_replies.fetch_add(1, std::memory_order_relaxed);
    // An acknowledgement asks the controller for the next sample block; the block it sent
    // was lost with the reply. Asking again with the same counter has the controller send
    // from there again. Nothing else is sent again: a start, a parameter write or a
    // configuration the controller has received must not reach it twice.
    if (sent.length >= FRAME_HEADER_SIZE
        && get_u16_be(sent.bytes.data() + wire::header::kType) == MSG_BLOCK_ACK
        && link_state.acquisition_on.load() != 0)
        send_block_ack();
}

// Replies to a parameter write or request and the status word carry values the PC does not
// keep; they are accepted and read only when the frame holds them.

void on_param_write_reply(const std::uint8_t* bytes, std::uint32_t length)
{
    if (length < wire::param_reply::kMinSize)
        return;
    [[maybe_unused]] const std::uint16_t index = get_u16_be(bytes + wire::param_reply::kIndex);
    [[maybe_unused]] const std::uint32_t value = get_u32_be(bytes + wire::param_reply::kValue);
}

void on_param_request_reply(const std::uint8_t* bytes, std::uint32_t length)
{
    if (length < wire::param_reply::kMinSize)
        return;
    [[maybe_unused]] const std::uint16_t index = get_u16_be(bytes + wire::param_reply::kIndex);
    [[maybe_unused]] const std::uint32_t value = get_u32_be(bytes + wire::param_reply::kValue);
}

void on_status_word(const std::uint8_t* bytes, std::uint32_t length)
{
    if (length < wire::status_word_reply::kMinSize)
        return;
    [[maybe_unused]] const std::uint16_t value =
        get_u16_be(bytes + wire::status_word_reply::kValue);
}
