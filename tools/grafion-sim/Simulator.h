// A stand-in for the machine controller, for trying Grafion without a machine and for the
// link tests: it answers discovery datagrams with its address, serves one stream connection
// with one reply per message, produces 8 channels of samples from a clock, flags events,
// and can misbehave on purpose (dropped, delayed, split, merged, malformed and unknown
// replies, padded or inconsistent sample blocks, streams of junk, closed connections).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace sim {

// Where a discovery answer goes.
enum class AnswerTo {
    Unicast,   // to the address and port the question came from
    Subnet,    // to the broadcast address of the subnet the question arrived on
    Broadcast, // to 255.255.255.255
};

struct Options {
    std::string bind_address = "0.0.0.0";   // where the datagram and stream sockets listen
    std::uint16_t port = 1645;              // datagram and stream port; 0 = any free one
    std::string answer_address;             // address put in discovery answers; empty = the
                                            // address the question arrived on
    std::string discovery_address;          // where discovery questions are listened for;
                                            // empty = bind_address (a controller that came
                                            // back under a new address on loopback still
                                            // hears the questions sent to the old one)
    AnswerTo answer_to = AnswerTo::Unicast; // where discovery answers go; the broadcasts
                                            // leave through the interface the question
                                            // arrived on, to the port it came from
    unsigned sample_rate = 1000;            // samples per second; 0 = every block is full
    unsigned max_block = 100;               // most samples in one block
    std::uint16_t modulus = 10000;          // counter modulus sent in the start reply
    unsigned event_period_ms = 1000;        // an event every so many ms (0: none)
    int level_channel = -1;                 // >= 0: events are upward crossings of the level
    std::int16_t level = 0;                 //   on this channel (0-based) instead
    // Fault injection; 0 = off. Counts are of replies (or messages) on one connection.
    unsigned drop_every = 0;           // every Nth reply is not sent
    unsigned delay_ms = 0;             // each reply waits this long
    unsigned close_after = 0;          // the connection closes on its Nth message
    unsigned split_every = 0;          // every Nth reply goes out in two writes
    unsigned split_pause_ms = 5;       //   with this pause between them
    unsigned merge_every = 0;          // every Nth reply carries a second one in its write
    unsigned malformed_every = 0;      // every Nth reply is replaced by a broken frame
    unsigned unknown_every = 0;        // every Nth reply is replaced by a frame of a type
                                       //   no message has (99)
    unsigned pad_bytes = 0;            // sample blocks carry this many zero bytes after
                                       //   their samples (counted in the length field)
    std::size_t junk_bytes = 8u << 20; // how much junk an injected Fault::Junk streams
    bool record_messages = false;      // keep a MessageRecord per message (take_messages)
    unsigned fault_delay_ms = 1500;    // how late an injected Fault::Delay block comes
    bool record_blocks = false;        // keep a BlockRecord per sample block (take_blocks)
    bool summary = false;              // print a line of figures every second
    bool counter = false;              // channels 7 and 8 carry the sample's number (counted
                                       //   like BlockRecord::first): its low and its high
                                       //   16 bits, so that every sample can be told apart
};

// Figures since start, readable while the simulator runs.
struct Stats {
    std::uint64_t discovery_answers = 0;
    std::uint64_t connections = 0;
    std::uint64_t messages = 0;
    std::uint64_t messages_by_type[8] = {};
    std::uint64_t other_messages = 0; // unknown types
    std::uint64_t replies = 0;
    std::uint64_t blocks = 0;
    std::uint64_t samples = 0;
    std::uint64_t events = 0;
    std::vector<std::uint16_t>
        recent_types; // message types in arrival order (at least the last 4096)
    std::vector<std::uint8_t> last_channel_config;            // payload of the last type 4
    std::chrono::steady_clock::time_point last_answer_time{}; // last discovery answer sent
    std::uint64_t faults = 0;                                 // injected faults applied
    std::uint64_t faulted_blocks = 0;  // sample blocks not delivered whole and in time
    std::uint64_t faulted_samples = 0; //   and the samples they held
};

// Faults that inject() applies once, to the next sample block.
enum class Fault {
    Drop,          // the block is not sent
    Delay,         // the block is sent Options::fault_delay_ms late
    CloseMidReply, // half the block is sent, then the connection is closed
    Split,         // the block goes out in two writes
    Merge,         // the block and a poll reply go out in one write
    Malformed,     // a broken frame instead of the block (the four kinds in turn)
    Overclaim,     // the block's count claims one sample more than it carries
    Junk,          // Options::junk_bytes of random bytes instead of the block
};
constexpr int kFaultKinds = 8;
const char* fault_name(Fault fault);

// One sample block as sent: the simulator's number of its first sample (counted from the
// start reply, or from the first block), its sample count, and whether it went out whole,
// alone and in time (false: dropped, late, cut off, merged or replaced by a broken frame).
struct BlockRecord {
    std::uint64_t first = 0;
    std::uint16_t count = 0;
    bool intact = false;
};

// One message as received: on which connection (1 for the first), its bytes, and whether it
// was answered with a reply that went out whole, alone and usable.
struct MessageRecord {
    std::uint64_t connection = 0;
    std::vector<std::uint8_t> bytes;
    bool answered = false;
};

class Simulator {
public:
    explicit Simulator(Options options);
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Opens the sockets and starts serving; false (with a reason in error()) when a socket
    // cannot be opened.
    bool start();
    // Stops serving and closes every socket. Idempotent.
    void stop();

    std::uint16_t port() const { return port_; }
    const std::string& error() const { return error_; }
    Stats stats() const;
    // Closes the current stream connection, as a controller that lost it would.
    void drop_connection();
    // Prints one summary line (as --summary does every second).
    std::string summary_line() const;
    // The next sample block suffers `fault` (faults injected meanwhile wait their turn).
    void inject(Fault fault);
    // The blocks sent since the last call (Options::record_blocks), oldest first.
    std::vector<BlockRecord> take_blocks();
    // The messages received since the last call (Options::record_messages), oldest first.
    std::vector<MessageRecord> take_messages();

private:
    void run();
    void answer_discovery();
    void accept_connection();
    bool read_connection(); // false when the connection ended
    void handle_message(const std::uint8_t* frame, std::size_t length);
    std::vector<std::uint8_t> make_reply(std::uint16_t type, const std::uint8_t* frame,
                                         std::size_t length);
    std::vector<std::uint8_t> make_block();
    std::vector<std::uint8_t> malformed(unsigned which);
    bool send_reply(std::vector<std::uint8_t> reply); // true: sent whole and alone
    bool write_reply(const std::vector<std::uint8_t>& reply);
    bool write_split(const std::vector<std::uint8_t>& reply);
    bool send_block(std::vector<std::uint8_t> block, std::uint64_t first, std::uint16_t count);
    bool apply_fault(Fault fault, std::vector<std::uint8_t>& block);
    bool write_all(const std::uint8_t* bytes, std::size_t length);
    void write_junk(std::size_t length);
    void close_connection();
    std::int16_t sample_value(unsigned channel, std::uint64_t index);

    Options options_;
    std::string error_;
    std::uint16_t port_ = 0;
    int udp_ = -1;
    int listener_ = -1;
    int conn_ = -1;
    int wake_[2] = {-1, -1};
    std::atomic<bool> stopping_{false};
    std::atomic<bool> drop_request_{false};
    std::thread thread_;

    // Connection state (simulator thread only).
    std::vector<std::uint8_t> inbox_;
    std::uint64_t conn_messages_ = 0;
    std::uint64_t conn_replies_ = 0;

    // Sample production.
    bool started_ = false;
    std::chrono::steady_clock::time_point clock_start_{};
    std::uint64_t produced_ = 0; // samples already sent
    std::uint16_t sequence_ = 0;
    std::uint64_t block_first_ = 0; // the block make_block() made last
    std::uint16_t block_count_ = 0;
    bool event_armed_ = false;
    std::uint64_t noise_state_ = 0x2545F4914F6CDD1DULL;
    std::int16_t previous_level_sample_ = 0;
    std::uint32_t params_[256] = {};

    mutable std::mutex stats_mutex_;
    Stats stats_;
    std::vector<Fault> faults_;           // injected, not yet applied
    std::vector<BlockRecord> blocks_;     // recorded, not yet taken
    std::vector<MessageRecord> messages_; // recorded, not yet taken
    unsigned malformed_kind_ = 0;         // the broken frame the next Fault::Malformed sends
    std::chrono::steady_clock::time_point last_summary_{};
};

} // namespace sim
