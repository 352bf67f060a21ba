// Fuzz target: the end of the socket thread's exchanges (finish_exchange: the reply read
// from the stream, the message it answers taken off the queue or kept, the reply handed to
// the protocol) over a live send queue and sample ring, the stream arriving in arbitrary
// pieces.
//
// Input:
//   byte 0  link state: bit 0 an acquisition runs; bit 1 AutoTrigger mode (else Rolling);
//           bit 2 the ring is full, its write index 5 slots before the end; bit 3 a start
//           reply came (modulus 100, counter 95)
//   byte 1  K, then K script bytes: what the window queues before each exchange, in turn
//           (0 nothing, 1 a start, 2 a parameter write, 3 an event reset, 4 the channel
//           configuration, else nothing); with K = 0 it queues nothing
//   then    the stream, in pieces: a big-endian u16 header whose bit 15 makes the piece
//           arrive together with the next one and whose low 15 bits are its length, then
//           that many bytes (the last piece may be cut short)
// Exchanges go on until the stream has nothing more for a reply (then the reply wait ends
// without one, as it would). After each, what the exchange may and may not have done is
// checked; any difference traps.
#include "Globvar.h"
#include "Netcom.h"
#include "Reply_reader.h"
#include "Wire.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

void check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

// The stream: the first arrival is in at once, each further one comes when the reader waits
// for more; when none is left, the wait times out.
class PieceStream : public ReplySource {
public:
    PieceStream(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) { arrive(); }

    std::size_t pending() override { return arrived_.size() - read_; }
    long receive(std::uint8_t* into, std::size_t most) override
    {
        const std::size_t n = std::min(most, pending());
        if (n == 0)
            return kNothing;
        std::copy_n(arrived_.data() + read_, n, into);
        read_ += n;
        if (read_ == arrived_.size()) {
            arrived_.clear();
            read_ = 0;
        }
        return long(n);
    }
    Wait wait(std::chrono::steady_clock::time_point) override
    {
        return arrive() ? Wait::Ready : Wait::Failed;
    }

private:
    bool arrive()
    {
        bool any = false;
        while (at_ + 2 <= size_) {
            const std::uint16_t header = get_u16_be(data_ + at_);
            const std::size_t length = std::min<std::size_t>(header & 0x7FFF, size_ - at_ - 2);
            arrived_.insert(arrived_.end(), data_ + at_ + 2, data_ + at_ + 2 + length);
            at_ += 2 + length;
            any = true;
            if ((header & 0x8000) == 0)
                break;
        }
        return any;
    }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
    std::vector<std::uint8_t> arrived_;
    std::size_t read_ = 0;
};

void queue_from_window(std::uint8_t what)
{
    switch (what) {
    case 1:
        send_start_acquisition();
        break;
    case 2:
        send_param_write(link_state.param_values[what]);
        break;
    case 3:
        send_event_reset();
        break;
    case 4:
        send_channel_config();
        break;
    default:
        break;
    }
}

bool ring_valid()
{
    return link_state.ring_write < SAMPLE_RING_SLOTS && link_state.ring_oldest < SAMPLE_RING_SLOTS
           && link_state.ring_display < SAMPLE_RING_SLOTS
           && ring_distance(link_state.ring_oldest, link_state.ring_write, SAMPLE_RING_SLOTS)
                  < SAMPLE_RING_SLOTS;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    send_queue_lock_create();
    build_poll_message();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const std::uint8_t state = data[0];
    const std::size_t script_size = std::min<std::size_t>(data[1], size - 2);
    const std::uint8_t* script = data + 2;
    PieceStream stream(data + 2 + script_size, size - 2 - script_size);

    link_state_reset();
    queue_flush();
    link_state.acquisition_on = state & 0x01;
    link_state.settings.trigger_mode = (state & 0x02) ? 1 : 0;
    if (state & 0x04) {
        link_state.ring_write = SAMPLE_RING_SLOTS - 5;
        link_state.ring_oldest = SAMPLE_RING_SLOTS - 4;
        link_state.ring_display = link_state.ring_oldest.load();
    }
    if (state & 0x08) {
        link_state.block_modulus = 100;
        link_state.block_counter = 95;
    }

    std::vector<std::uint8_t> buffer;
    for (std::size_t exchange = 0; exchange < 4096; ++exchange) {
        if (script_size > 0)
            queue_from_window(script[exchange % script_size]);
        NetMessage* const head = queue_peek();
        const std::uint16_t queued = queue_count();
        const std::uint32_t unusable = link_state.unusable_replies;
        const std::uint32_t write = link_state.ring_write;
        const std::uint64_t begun = link_state.ring_writes_begun;

        ReplyReader reader(buffer);
        const ExchangeEnd end = finish_exchange(stream, reader, std::chrono::steady_clock::now(),
                                                head ? *head : *poll_message, head != nullptr, {});

        check(buffer.capacity() <= ReplyReader::kMaxBuffer);
        check(ring_valid());
        // Every slot written was counted before it was written, and only those.
        check((link_state.ring_writes_begun - begun) % SAMPLE_RING_SLOTS
              == ring_span(write, link_state.ring_write, SAMPLE_RING_SLOTS));
        check(link_state.unusable_replies - unusable <= 1);
        if (end != ExchangeEnd::Answered) {
            // No reply: the message is still at the head, nothing was read into the link.
            check(queue_count() == queued && queue_peek() == head);
            check(link_state.ring_write == write && link_state.unusable_replies == unusable);
            break;
        }
        // A reply takes the message it answers off the queue and adds at most one (the
        // acknowledgement it calls for): replies alone never make the queue grow.
        if (head != nullptr) {
            check(queue_count() <= queued);
            check(queue_peek() != head);
        } else {
            check(queue_count() <= queued + 1);
        }
        if (reader.size() <= ReplyReader::kKeptBuffer)
            check(buffer.capacity() <= ReplyReader::kKeptBuffer);
    }
    return 0;
}
