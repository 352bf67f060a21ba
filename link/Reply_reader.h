// The end of one request/reply exchange with the controller: reading the reply from the
// stream, and what becomes of the message it answers. The socket thread reads from its
// stream socket through ReplySource; tests and the fuzz target feed the same code from
// memory.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

struct NetMessage;

// Where the bytes of a reply come from.
class ReplySource {
public:
    enum class Wait { Ready, Stopped, Failed }; // Failed: the deadline passed, or an error
    static constexpr long kNothing = -1;        // receive(): nothing to read at the moment
    static constexpr long kBroken = -2;         // receive(): the connection failed

    virtual ~ReplySource() = default;
    // Bytes one read would return at once (0: none, or not known).
    virtual std::size_t pending() = 0;
    // Reads at most `most` bytes into `into`: how many, 0 when the peer has closed the
    // connection, kNothing or kBroken.
    virtual long receive(std::uint8_t* into, std::size_t most) = 0;
    // Waits until there is more to read, the deadline passes or the link is stopped.
    virtual Wait wait(std::chrono::steady_clock::time_point deadline) = 0;
};

// Reads one reply into a buffer it keeps bounded. TCP may deliver a reply in pieces: reading
// goes on, until the deadline, until the bytes cover the first frame's length field.
// Whatever else is waiting in the same reads comes with it, and such a reply is of no use
// (a frame followed by anything is not one frame). Since no frame is longer than its 16-bit
// length field allows, the buffer never holds more than that plus a little: bytes beyond are
// read and dropped, which leaves the reply just as unusable.
class ReplyReader {
public:
    static constexpr std::size_t kLargestFrame = 65535;
    static constexpr std::size_t kSlack = 10;
    static constexpr std::size_t kMaxBuffer = kLargestFrame + kSlack;
    // What the buffer keeps between replies: room for every frame but the largest blocks.
    static constexpr std::size_t kKeptBuffer = 16 * 1024 + kSlack;

    enum class Result { Reply, Failed, Stopped };

    // Reads into `buffer` (kept by the caller between replies).
    explicit ReplyReader(std::vector<std::uint8_t>& buffer) : buffer_(buffer) {}

    // Reply: the reply is in data()/size(). Failed: the connection closed or failed, or the
    // deadline passed before the bytes covered a frame (nothing or part of a reply came).
    // Stopped: the link is being stopped.
    Result read(ReplySource& source, std::chrono::steady_clock::time_point deadline);

    const std::uint8_t* data() const { return buffer_.data(); }
    std::uint32_t size() const { return size_; }
    // Once the reply has been handled: a buffer that had to grow for a large reply is given
    // back as soon as a reply fits the kept size again.
    void give_back();

private:
    void reserve_for(std::size_t bytes);
    void drop(ReplySource& source, std::size_t count);

    std::vector<std::uint8_t>& buffer_;
    std::uint32_t size_ = 0;
};

// How an exchange ended.
enum class ExchangeEnd {
    Answered, // a reply came (usable or not); the message has left the queue
    NoReply,  // no reply (connection lost, or none in time): the message stays at the head
    Stopped,  // the link is being stopped: nothing changed
};

using ReplyHandler = std::function<void(const std::uint8_t* bytes, std::uint32_t length)>;

// After `sent` has gone out: reads its reply from `source` and settles the message. `queued`
// says `sent` is the send queue's head (else it is the standing poll). A reply, readable or
// not, removes the head from the queue: the controller has received the message, and it is
// never sent again. A usable reply (one whole frame of a known type) then goes to `on_data`
// (on_frame when empty); any other goes to on_unusable_reply. Without a reply the head stays
// queued and is the first message after the next connect.
ExchangeEnd finish_exchange(ReplySource& source, ReplyReader& reader,
                            std::chrono::steady_clock::time_point deadline, const NetMessage& sent,
                            bool queued, const ReplyHandler& on_data);
