// The end of an exchange without a socket: a reply read from a stream that delivers it in
// pieces, and what becomes of the message it answers.
#include "link_test_support.h"

#include "Reply_reader.h"

#include <algorithm>
#include <chrono>

namespace {

// A stream that delivers prepared pieces: the first has arrived already, each further one
// arrives when the reader waits for more. When none is left, the wait times out, or the
// connection closes, or the link is stopped, as `end` says.
class FakeStream : public ReplySource {
public:
    enum class End { TimesOut, Closes, Stops };

    FakeStream(std::vector<Bytes> pieces, End end = End::TimesOut)
        : pieces_(std::move(pieces)), end_(end)
    {
        arrive();
    }
    std::size_t pending() override { return arrived_.size() - read_; }
    long receive(std::uint8_t* into, std::size_t most) override
    {
        const std::size_t n = std::min(most, pending());
        if (n == 0)
            return closed_ ? 0 : kNothing;
        std::copy_n(arrived_.begin() + std::ptrdiff_t(read_), n, into);
        read_ += n;
        return long(n);
    }
    Wait wait(std::chrono::steady_clock::time_point) override
    {
        if (arrive())
            return Wait::Ready;
        if (end_ == End::Closes)
            return closed_ = true, Wait::Ready;
        return end_ == End::Stops ? Wait::Stopped : Wait::Failed;
    }

private:
    bool arrive()
    {
        if (next_ == pieces_.size())
            return false;
        arrived_.insert(arrived_.end(), pieces_[next_].begin(), pieces_[next_].end());
        ++next_;
        return true;
    }

    std::vector<Bytes> pieces_;
    End end_;
    Bytes arrived_;
    std::size_t read_ = 0, next_ = 0;
    bool closed_ = false;
};

class Exchange : public LinkTest {
protected:
    void SetUp() override
    {
        LinkTest::SetUp();
        build_poll_message();
    }

    // Runs the end of one exchange whose message is the queue's head (or the poll when the
    // queue is empty); the replies handed on are kept in `handled`.
    ExchangeEnd finish(FakeStream& stream)
    {
        NetMessage* head = queue_peek();
        ReplyReader reader(buffer);
        return finish_exchange(stream, reader, std::chrono::steady_clock::now(),
                               head ? *head : *poll_message, head != nullptr,
                               [this](const std::uint8_t* b, std::uint32_t n) {
                                   handled.emplace_back(b, b + n);
                               });
    }

    std::vector<std::uint8_t> buffer;
    std::vector<Bytes> handled;
};

Bytes joined(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes part(const Bytes& b, std::size_t from, std::size_t to)
{
    return Bytes(b.begin() + std::ptrdiff_t(from), b.begin() + std::ptrdiff_t(to));
}

} // namespace

TEST_F(Exchange, AReplyReadableOrNotRemovesItsMessageNoReplyKeepsIt)
{
    const Bytes poll_reply = reply(REPLY_POLL, {0, 1, 0, 2});
    const Bytes unknown = reply(99, {0, 0});
    const Bytes start = {0x00, 0x02, 0x00, 0x04};
    const Bytes reset = {0x00, 0x05, 0x00, 0x04};
    enum Head { Poll, Start, Ack };
    constexpr auto T = FakeStream::End::TimesOut, C = FakeStream::End::Closes,
                   S = FakeStream::End::Stops;
    constexpr auto A = ExchangeEnd::Answered, N = ExchangeEnd::NoReply, X = ExchangeEnd::Stopped;
    struct Case {
        const char* name;
        std::vector<Bytes> pieces;
        FakeStream::End stream_end;
        Head head;
        std::uint8_t acquiring;
        ExchangeEnd end;
        std::vector<Bytes> queue_after; // the message behind the head is an event reset
        bool handled;
    };
    const Bytes half = part(poll_reply, 0, 5), two = joined(poll_reply, poll_reply);
    const std::vector<Bytes> split = {part(poll_reply, 0, 3), part(poll_reply, 3, 5),
                                      part(poll_reply, 5, 8)};
    const Case cases[] = {
        {"whole", {poll_reply}, T, Start, 1, A, {reset}, true},
        {"split by TCP", split, T, Start, 1, A, {reset}, true},
        {"two frames in one read", {two}, T, Start, 1, A, {reset}, false},
        {"unknown type, to a start", {unknown}, T, Start, 1, A, {reset}, false},
        // The block an acknowledgement asked for is lost with the reply: asked for again.
        {"unknown type, to an ack", {unknown}, T, Ack, 1, A, {reset, ack_frame(7)}, false},
        {"unknown type, to an ack, not acquiring", {unknown}, T, Ack, 0, A, {reset}, false},
        {"unknown type, to the poll", {unknown}, T, Poll, 1, A, {}, false},
        {"nothing", {}, T, Start, 1, N, {start, reset}, false},
        {"half, then no more", {half}, T, Ack, 1, N, {ack_frame(7), reset}, false},
        {"half, then closed", {half}, C, Start, 1, N, {start, reset}, false},
        {"stopped", {part(poll_reply, 0, 2)}, S, Start, 1, X, {start, reset}, false},
    };
    for (const Case& c : cases) {
        queue_flush();
        handled.clear();
        link_state.unusable_replies = 0;
        link_state.acquisition_on = c.acquiring;
        link_state.block_counter = 7;
        if (c.head == Start)
            send_start_acquisition();
        if (c.head == Ack)
            send_block_ack();
        if (c.head != Poll)
            send_event_reset();
        FakeStream stream(c.pieces, c.stream_end);
        EXPECT_EQ(finish(stream), c.end) << c.name;
        EXPECT_EQ(take_queue(), c.queue_after) << c.name;
        EXPECT_EQ(handled.size(), c.handled ? 1u : 0u) << c.name;
        if (c.handled) {
            EXPECT_EQ(handled[0], poll_reply) << c.name;
        }
        const bool unusable = c.end == ExchangeEnd::Answered && !c.handled;
        EXPECT_EQ(link_state.unusable_replies.load(), unusable ? 1u : 0u) << c.name;
    }
}

TEST_F(Exchange, TheBufferStaysBoundedUnderAFlood)
{
    // A peer pouring out 4 MiB of junk at once: one unusable reply, all of it read, the
    // buffer no larger than the largest frame and a little.
    Bytes junk(4u << 20);
    for (std::size_t i = 0; i < junk.size(); ++i)
        junk[i] = std::uint8_t(i * 7919 >> 5);
    FakeStream flood({junk});
    EXPECT_EQ(finish(flood), ExchangeEnd::Answered);
    EXPECT_EQ(flood.pending(), 0u);
    EXPECT_TRUE(handled.empty());
    EXPECT_LE(buffer.capacity(), ReplyReader::kMaxBuffer);
}
