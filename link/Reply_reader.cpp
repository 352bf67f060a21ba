#include "Reply_reader.h"

#include "Frame_layout.h"
#include "Netcom.h"
#include "Wire.h"

#include <algorithm>
#include <memory>

ReplyReader::Result ReplyReader::read(ReplySource& source,
                                      std::chrono::steady_clock::time_point deadline)
{
    std::size_t have = 0;
    size_ = 0;
    for (;;) {
        // Everything waiting is read at once, as far as the buffer's bound allows.
        const std::size_t pending = source.pending();
        const std::size_t keep = std::min(pending > 0 ? pending : 1, kMaxBuffer - have);
        reserve_for(have + keep);
        const long n = source.receive(buffer_.data() + have, keep);
        if (n == 0 || n == ReplySource::kBroken)
            return Result::Failed; // closed by the controller, or broken
        if (n > 0)
            have += static_cast<std::size_t>(n);
        size_ = static_cast<std::uint32_t>(have);

        if (have == kMaxBuffer) {
            // More than any frame: the rest of what is waiting belongs to this read too.
            drop(source, source.pending());
            return Result::Reply;
        }
        if (have >= FRAME_HEADER_SIZE && have >= get_u16_be(buffer_.data() + wire::header::kLength))
            return Result::Reply;

        switch (source.wait(deadline)) {
        case ReplySource::Wait::Ready:
            break;
        case ReplySource::Wait::Stopped:
            return Result::Stopped;
        case ReplySource::Wait::Failed:
            return Result::Failed;
        }
    }
}

void ReplyReader::reserve_for(std::size_t bytes)
{
    if (bytes <= buffer_.size())
        return;
    if (bytes > buffer_.capacity())
        buffer_.reserve(
            std::clamp(std::max(bytes, 2 * buffer_.capacity()), kKeptBuffer, kMaxBuffer));
    buffer_.resize(bytes);
}

void ReplyReader::drop(ReplySource& source, std::size_t count)
{
    std::uint8_t scratch[16 * 1024];
    while (count > 0) {
        const long n = source.receive(scratch, std::min(count, sizeof scratch));
        if (n <= 0)
            return;
        count -= std::min(count, static_cast<std::size_t>(n));
    }
}

void ReplyReader::give_back()
{
    if (buffer_.capacity() <= kKeptBuffer || size_ > kKeptBuffer)
        return;
    std::vector<std::uint8_t> kept;
    kept.reserve(kKeptBuffer);
    buffer_.swap(kept);
}

namespace {

// Only the socket thread removes messages, so the head is still the message sent. The
// others hold the queue's lock only to add a message: when it is busy, taking the head is
// tried again rather than leaving a message that has been answered to be sent a second time.
std::unique_ptr<NetMessage> take_answered_head()
{
    std::unique_ptr<NetMessage> head;
    for (int attempt = 0; attempt < 50 && !head && queue_count() > 0; ++attempt)
        head = queue_take();
    return head;
}

} // namespace

ExchangeEnd finish_exchange(ReplySource& source, ReplyReader& reader,
                            std::chrono::steady_clock::time_point deadline, const NetMessage& sent,
                            bool queued, const ReplyHandler& on_data)
{
    switch (reader.read(source, deadline)) {
    case ReplyReader::Result::Failed:
        return ExchangeEnd::NoReply;
    case ReplyReader::Result::Stopped:
        return ExchangeEnd::Stopped;
    case ReplyReader::Result::Reply:
        break;
    }

    // Taken off the queue before the reply is handled, so that what the reply queues (an
    // acknowledgement) finds room; kept alive until the reply has been dealt with.
    std::unique_ptr<NetMessage> answered;
    if (queued)
        answered = take_answered_head();

    if (frame_is_whole(reader.data(), reader.size())) {
        if (on_data)
            on_data(reader.data(), reader.size());
        else
            on_frame(reader.data(), reader.size());
    } else {
        on_unusable_reply(sent);
    }
    reader.give_back();
    return ExchangeEnd::Answered;
}
