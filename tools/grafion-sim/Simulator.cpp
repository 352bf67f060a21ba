#include "Simulator.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <utility>

namespace sim {

namespace {

using Clock = std::chrono::steady_clock;

void put16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = std::uint8_t(v >> 8);
    p[1] = std::uint8_t(v);
}

std::uint16_t get16(const std::uint8_t* p)
{
    return std::uint16_t((p[0] << 8) | p[1]);
}

std::vector<std::uint8_t> frame(std::uint16_t type, std::size_t length)
{
    std::vector<std::uint8_t> f(length, 0);
    put16(f.data(), type);
    put16(f.data() + 2, std::uint16_t(length));
    return f;
}

int open_socket(int type)
{
    const int s = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
    if (s < 0)
        return -1;
    const int on = 1;
    ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    return s;
}

bool bind_to(int s, in_addr address, std::uint16_t port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr = address;
    return ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
}

// The broadcast address of the subnet of interface `ifindex` that holds `local` (or of its
// first IPv4 subnet); 255.255.255.255 when the interface has none. Network order.
in_addr_t subnet_broadcast(int ifindex, in_addr local)
{
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return htonl(INADDR_BROADCAST);
    in_addr_t result = htonl(INADDR_BROADCAST);
    bool exact = false;
    char name[IF_NAMESIZE] = {};
    if (::if_indextoname(unsigned(ifindex), name) != nullptr) {
        for (const ifaddrs* a = list; a && !exact; a = a->ifa_next) {
            if (!a->ifa_addr || !a->ifa_netmask || a->ifa_addr->sa_family != AF_INET
                || std::strcmp(a->ifa_name, name) != 0)
                continue;
            const in_addr address = reinterpret_cast<const sockaddr_in*>(a->ifa_addr)->sin_addr;
            const in_addr mask = reinterpret_cast<const sockaddr_in*>(a->ifa_netmask)->sin_addr;
            exact = address.s_addr == local.s_addr;
            if (exact || result == htonl(INADDR_BROADCAST))
                result = address.s_addr | ~mask.s_addr;
        }
    }
    ::freeifaddrs(list);
    return result;
}

// Sends a datagram out through interface `ifindex` (0: as the routing table says).
void send_through(int s, const std::vector<std::uint8_t>& bytes, const sockaddr_in& to, int ifindex)
{
    iovec iov{const_cast<std::uint8_t*>(bytes.data()), bytes.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr msg{};
    msg.msg_name = const_cast<sockaddr_in*>(&to);
    msg.msg_namelen = sizeof to;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    cmsghdr* c = CMSG_FIRSTHDR(&msg);
    c->cmsg_level = IPPROTO_IP;
    c->cmsg_type = IP_PKTINFO;
    c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo info{};
    info.ipi_ifindex = ifindex;
    std::memcpy(CMSG_DATA(c), &info, sizeof info);
    ::sendmsg(s, &msg, 0);
}

std::uint16_t bound_port(int s)
{
    sockaddr_in a{};
    socklen_t size = sizeof a;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &size);
    return ntohs(a.sin_port);
}

} // namespace

Simulator::Simulator(Options options) : options_(std::move(options))
{
    if (options_.max_block == 0)
        options_.max_block = 1;
    if (options_.max_block > 4000)
        options_.max_block = 4000; // a block must fit the 16-bit length field
}

Simulator::~Simulator()
{
    stop();
}

bool Simulator::start()
{
    in_addr address{};
    if (inet_pton(AF_INET, options_.bind_address.c_str(), &address) != 1) {
        error_ = "not an IPv4 address: " + options_.bind_address;
        return false;
    }
    in_addr discovery = address;
    if (!options_.discovery_address.empty()
        && inet_pton(AF_INET, options_.discovery_address.c_str(), &discovery) != 1) {
        error_ = "not an IPv4 address: " + options_.discovery_address;
        return false;
    }
    // The datagram and the stream port are the same number: with port 0, try free stream
    // ports until the datagram port of that number is free as well.
    for (int attempt = 0; attempt < 50 && port_ == 0; ++attempt) {
        listener_ = open_socket(SOCK_STREAM);
        udp_ = open_socket(SOCK_DGRAM);
        if (listener_ < 0 || udp_ < 0 || !bind_to(listener_, address, options_.port)) {
            error_ = std::string("cannot open the stream port: ") + std::strerror(errno);
            stop();
            return false;
        }
        const std::uint16_t port = bound_port(listener_);
        if (bind_to(udp_, discovery, port)) {
            port_ = port;
            break;
        }
        error_ = std::string("cannot open the datagram port: ") + std::strerror(errno);
        ::close(listener_);
        ::close(udp_);
        listener_ = udp_ = -1;
        if (options_.port != 0)
            return false;
    }
    if (port_ == 0)
        return false;
    const int on = 1;
    ::setsockopt(udp_, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
    ::setsockopt(udp_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    if (::listen(listener_, 4) != 0 || ::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
        error_ = std::string("cannot listen: ") + std::strerror(errno);
        stop();
        return false;
    }
    error_.clear();
    last_summary_ = Clock::now();
    thread_ = std::thread([this] { run(); });
    return true;
}

void Simulator::stop()
{
    stopping_ = true;
    if (wake_[1] >= 0) {
        const char c = 1;
        [[maybe_unused]] const ssize_t n = ::write(wake_[1], &c, 1);
    }
    if (thread_.joinable())
        thread_.join();
    for (int* fd : {&conn_, &listener_, &udp_, &wake_[0], &wake_[1]}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

Stats Simulator::stats() const
{
    std::lock_guard lock(stats_mutex_);
    return stats_;
}

void Simulator::drop_connection()
{
    drop_request_ = true;
    const char c = 0;
    if (wake_[1] >= 0) {
        [[maybe_unused]] const ssize_t n = ::write(wake_[1], &c, 1);
    }
}

std::string Simulator::summary_line() const
{
    const Stats s = stats();
    char line[384];
    std::snprintf(line, sizeof line,
                  "samples %llu  blocks %llu  answers %llu  connections %llu  messages"
                  " t1 %llu t2 %llu t3 %llu t4 %llu t5 %llu t6 %llu t7 %llu other %llu"
                  "  faults %llu  faulted blocks %llu  faulted samples %llu",
                  (unsigned long long)s.samples, (unsigned long long)s.blocks,
                  (unsigned long long)s.discovery_answers, (unsigned long long)s.connections,
                  (unsigned long long)s.messages_by_type[1],
                  (unsigned long long)s.messages_by_type[2],
                  (unsigned long long)s.messages_by_type[3],
                  (unsigned long long)s.messages_by_type[4],
                  (unsigned long long)s.messages_by_type[5],
                  (unsigned long long)s.messages_by_type[6],
                  (unsigned long long)s.messages_by_type[7], (unsigned long long)s.other_messages,
                  (unsigned long long)s.faults, (unsigned long long)s.faulted_blocks,
                  (unsigned long long)s.faulted_samples);
    return line;
}

// ---- Serving loop ---------------------------------------------------------------------------

void Simulator::run()
{
    while (!stopping_) {
        if (drop_request_.exchange(false))
            close_connection();
        pollfd fds[4] = {{wake_[0], POLLIN, 0},
                         {udp_, POLLIN, 0},
                         {listener_, POLLIN, 0},
                         {conn_, POLLIN, 0}};
        const int n = ::poll(fds, conn_ >= 0 ? 4 : 3, 200);
        if (n < 0 && errno != EINTR)
            break;
        if (fds[0].revents) {
            char buf[16];
            while (::read(wake_[0], buf, sizeof buf) > 0) {
            }
        }
        if (stopping_)
            break;
        if (fds[1].revents & POLLIN)
            answer_discovery();
        if (fds[2].revents & POLLIN)
            accept_connection();
        if (conn_ >= 0 && (fds[3].revents & (POLLIN | POLLHUP | POLLERR)) && !read_connection())
            close_connection();
        if (options_.summary && Clock::now() - last_summary_ >= std::chrono::seconds(1)) {
            last_summary_ = Clock::now();
            std::printf("grafion-sim: %s\n", summary_line().c_str());
            std::fflush(stdout);
        }
    }
}

void Simulator::answer_discovery()
{
    std::uint8_t buf[1500];
    sockaddr_in from{};
    char control[256];
    iovec iov{buf, sizeof buf};
    msghdr msg{};
    msg.msg_name = &from;
    msg.msg_namelen = sizeof from;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    const ssize_t n = ::recvmsg(udp_, &msg, MSG_DONTWAIT);
    if (n < 0)
        return;
    // The interface the question arrived on and the local address it was addressed to.
    in_pktinfo arrival{};
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c))
        if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO)
            std::memcpy(&arrival, CMSG_DATA(c), sizeof arrival);

    // The address to announce: as configured, else the one this socket listens on, else
    // the local address the question arrived on.
    in_addr own{};
    if (inet_pton(AF_INET, options_.answer_address.c_str(), &own) != 1) {
        inet_pton(AF_INET, options_.bind_address.c_str(), &own);
        if (own.s_addr == htonl(INADDR_ANY))
            own = arrival.ipi_spec_dst;
    }
    std::vector<std::uint8_t> answer = frame(0, 22);
    std::memcpy(answer.data() + 4, &own.s_addr, 4); // network order: dotted order

    if (options_.answer_to == AnswerTo::Unicast) {
        ::sendto(udp_, answer.data(), answer.size(), 0, reinterpret_cast<sockaddr*>(&from),
                 sizeof from);
    } else {
        // A broadcast answer leaves through the interface the question came in on.
        sockaddr_in to = from;
        to.sin_addr.s_addr = options_.answer_to == AnswerTo::Subnet
                                 ? subnet_broadcast(arrival.ipi_ifindex, arrival.ipi_spec_dst)
                                 : htonl(INADDR_BROADCAST);
        send_through(udp_, answer, to, arrival.ipi_ifindex);
    }
    std::lock_guard lock(stats_mutex_);
    ++stats_.discovery_answers;
    stats_.last_answer_time = Clock::now();
}

void Simulator::accept_connection()
{
    const int s = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (s < 0)
        return;
    // One connection at a time: a new one replaces the old (the PC reconnects after errors).
    close_connection();
    conn_ = s;
    const int on = 1;
    ::setsockopt(conn_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    std::lock_guard lock(stats_mutex_);
    ++stats_.connections;
}

void Simulator::close_connection()
{
    if (conn_ >= 0)
        ::close(conn_);
    conn_ = -1;
    inbox_.clear();
    conn_messages_ = 0;
    conn_replies_ = 0;
}

bool Simulator::read_connection()
{
    std::uint8_t buf[4096];
    const ssize_t n = ::recv(conn_, buf, sizeof buf, MSG_DONTWAIT);
    if (n == 0)
        return false;
    if (n < 0)
        return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
    inbox_.insert(inbox_.end(), buf, buf + n);
    // Frames by their length field; a length below the header cannot be framed and ends
    // the connection.
    std::size_t used = 0;
    while (inbox_.size() - used >= 4) {
        const std::uint16_t length = get16(inbox_.data() + used + 2);
        if (length < 4)
            return false;
        if (inbox_.size() - used < length)
            break;
        handle_message(inbox_.data() + used, length);
        used += length;
        if (conn_ < 0)
            return false;
    }
    inbox_.erase(inbox_.begin(), inbox_.begin() + std::ptrdiff_t(used));
    return true;
}

void Simulator::handle_message(const std::uint8_t* f, std::size_t length)
{
    const std::uint16_t type = get16(f);
    ++conn_messages_;
    MessageRecord record;
    {
        std::lock_guard lock(stats_mutex_);
        if (options_.record_messages) {
            record.connection = stats_.connections;
            record.bytes.assign(f, f + length);
        }
        ++stats_.messages;
        if (type >= 1 && type <= 7)
            ++stats_.messages_by_type[type];
        else
            ++stats_.other_messages;
        if (stats_.recent_types.size() >= 8192) // keep the last 4096 or more
            stats_.recent_types.erase(stats_.recent_types.begin(),
                                      stats_.recent_types.begin() + 4096);
        stats_.recent_types.push_back(type);
        if (type == 4)
            stats_.last_channel_config.assign(f + 4, f + length);
    }
    if (options_.close_after && conn_messages_ >= options_.close_after) {
        close_connection();
    } else if (std::vector<std::uint8_t> reply = make_reply(type, f, length); !reply.empty()) {
        if (type == 3)
            record.answered = send_block(std::move(reply), block_first_, block_count_);
        else
            record.answered = send_reply(std::move(reply));
    }
    if (options_.record_messages) {
        std::lock_guard lock(stats_mutex_);
        messages_.push_back(std::move(record));
    }
}

std::vector<std::uint8_t> Simulator::make_reply(std::uint16_t type, const std::uint8_t* f,
                                                std::size_t length)
{
    switch (type) {
    case 1: {
        auto r = frame(1, 8);
        std::lock_guard lock(stats_mutex_);
        put16(r.data() + 4, std::uint16_t(stats_.messages));
        put16(r.data() + 6, std::uint16_t(stats_.blocks));
        return r;
    }
    case 2: {
        started_ = true;
        clock_start_ = Clock::now();
        produced_ = 0;
        auto r = frame(2, 6);
        put16(r.data() + 4, options_.modulus);
        return r;
    }
    case 3:
        return make_block();
    case 4:
        return frame(4, 4);
    case 5:
        event_armed_ = true;
        return frame(5, 4);
    case 6:
    case 7: {
        auto r = frame(type, 10);
        const std::uint16_t index = length >= 6 ? get16(f + 4) : 0;
        put16(r.data() + 4, index);
        if (type == 6 && length >= 10)
            std::memcpy(&params_[index & 0xFF], f + 6, 4);
        std::memcpy(r.data() + 6, &params_[index & 0xFF], 4);
        return r;
    }
    default:
        return {};
    }
}

// ---- Samples --------------------------------------------------------------------------------

// The waveforms repeat every 2000 samples (all frequencies are multiples of 0.5 Hz at the
// nominal 1 kHz), so they are computed once into a table; only the noise is drawn live.
namespace {

constexpr std::size_t kWavePeriod = 2000;

struct WaveTable {
    std::int16_t value[kWavePeriod][8];
    WaveTable()
    {
        constexpr double two_pi = 2 * std::numbers::pi;
        for (std::size_t i = 0; i < kWavePeriod; ++i) {
            const double t = double(i) / 1000.0;
            const double v[8] = {
                12000 * std::sin(two_pi * 2 * t),
                8000 * std::sin(two_pi * 7 * t),
                20000 * std::sin(two_pi * 0.5 * t),
                std::fmod(t * 4, 1.0) < 0.5 ? 15000.0 : -15000.0, // square, 4 Hz
                -30000 + 60000 * std::fmod(t, 1.0),               // ramp, 1 Hz
                0,                                                // noise, drawn live
                25000 * std::sin(two_pi * 50 * t),
                5000 * std::sin(two_pi * 1 * t) + 3000 * std::sin(two_pi * 13 * t),
            };
            for (int c = 0; c < 8; ++c)
                value[i][c] = std::int16_t(std::lround(std::clamp(v[c], -32768.0, 32767.0)));
        }
    }
};

const WaveTable& wave_table()
{
    static const WaveTable table;
    return table;
}

} // namespace

std::int16_t Simulator::sample_value(unsigned channel, std::uint64_t index)
{
    if (options_.counter && channel >= 6)
        return std::int16_t(std::uint16_t(index >> (channel == 6 ? 0 : 16)));
    if (channel == 5) {
        noise_state_ ^= noise_state_ << 13;
        noise_state_ ^= noise_state_ >> 7;
        noise_state_ ^= noise_state_ << 17;
        return std::int16_t(std::int64_t(noise_state_ % 10001) - 5000);
    }
    return wave_table().value[index % kWavePeriod][channel & 7];
}

std::vector<std::uint8_t> Simulator::make_block()
{
    std::uint64_t n = options_.max_block;
    if (options_.sample_rate != 0) {
        if (!started_) {
            started_ = true;
            clock_start_ = Clock::now();
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - clock_start_).count();
        const std::uint64_t due = std::uint64_t(seconds * options_.sample_rate);
        const std::uint64_t backlog = due > produced_ ? due - produced_ : 0;
        // A PC that fell far behind does not get the whole backlog: keep ten blocks of it.
        if (backlog > 10 * std::uint64_t(options_.max_block))
            produced_ = due - 10 * std::uint64_t(options_.max_block);
        n = std::clamp<std::uint64_t>(backlog, 1, options_.max_block);
    }

    // Padding after the samples, as far as the 16-bit length field allows.
    const std::size_t pad = std::min<std::size_t>(options_.pad_bytes, 65535 - (9 + 16 * n));
    auto r = frame(3, 9 + 16 * n + pad);
    block_first_ = produced_;
    block_count_ = std::uint16_t(n);
    put16(r.data() + 4, sequence_++);
    put16(r.data() + 6, std::uint16_t(n));
    bool event = false;
    for (std::uint64_t i = 0; i < n; ++i) {
        const std::uint64_t index = produced_ + i;
        std::uint8_t* p = r.data() + 9 + 16 * i;
        for (unsigned c = 0; c < 8; ++c) {
            const std::int16_t v = sample_value(c, index);
            put16(p + 2 * c, std::uint16_t(v));
            if (options_.level_channel == int(c)) {
                if (previous_level_sample_ < options_.level && v >= options_.level)
                    event = true;
                previous_level_sample_ = v;
            }
        }
        if (options_.level_channel < 0 && options_.event_period_ms != 0) {
            const std::uint64_t period =
                std::max<std::uint64_t>(1,
                                        std::uint64_t(options_.event_period_ms)
                                            * (options_.sample_rate ? options_.sample_rate : 1000)
                                            / 1000);
            if (index % period == 0 && index != 0)
                event = true;
        }
    }
    produced_ += n;
    if (event && event_armed_) {
        r[8] = 1;
        event_armed_ = false;
    }
    std::lock_guard lock(stats_mutex_);
    ++stats_.blocks;
    stats_.samples += n;
    if (r[8])
        ++stats_.events;
    return r;
}

// ---- Sending, with the faults ---------------------------------------------------------------

std::vector<std::uint8_t> Simulator::malformed(unsigned which)
{
    switch (which % 4) {
    case 0: { // a length field that promises more than is sent
        auto f = frame(1, 8);
        put16(f.data() + 2, 200);
        return f;
    }
    case 1:
        return frame(99, 8); // unknown type
    case 2:
        return {0x00, 0x01, 0x00}; // shorter than a header
    default: {                     // garbage with a length field of 0
        std::vector<std::uint8_t> g(64, 0xA5);
        g[2] = g[3] = 0;
        return g;
    }
    }
}

bool Simulator::send_reply(std::vector<std::uint8_t> reply)
{
    const std::uint64_t number = ++conn_replies_;
    if (options_.delay_ms) {
        pollfd p{wake_[0], POLLIN, 0}; // ends early when the simulator stops
        ::poll(&p, 1, int(options_.delay_ms));
        if (stopping_)
            return false;
    }
    if (options_.drop_every && number % options_.drop_every == 0)
        return false;
    bool whole = true;
    if (options_.malformed_every && number % options_.malformed_every == 0) {
        reply = malformed(unsigned(number / options_.malformed_every));
        whole = false;
    }
    if (options_.unknown_every && number % options_.unknown_every == 0) {
        reply = frame(99, 8);
        whole = false;
    }
    if (options_.merge_every && number % options_.merge_every == 0) {
        const auto extra = frame(1, 8);
        reply.insert(reply.end(), extra.begin(), extra.end());
        whole = false;
    }
    if (options_.split_every && number % options_.split_every == 0 && reply.size() > 1)
        return write_split(reply) && whole;
    return write_reply(reply) && whole;
}

bool Simulator::write_reply(const std::vector<std::uint8_t>& reply)
{
    {
        std::lock_guard lock(stats_mutex_);
        ++stats_.replies;
    }
    return write_all(reply.data(), reply.size());
}

bool Simulator::write_split(const std::vector<std::uint8_t>& reply)
{
    {
        std::lock_guard lock(stats_mutex_);
        ++stats_.replies;
    }
    const std::size_t half = reply.size() / 2;
    if (!write_all(reply.data(), half))
        return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(options_.split_pause_ms));
    return write_all(reply.data() + half, reply.size() - half);
}

bool Simulator::send_block(std::vector<std::uint8_t> block, std::uint64_t first,
                           std::uint16_t count)
{
    bool injected = false;
    Fault fault{};
    {
        std::lock_guard lock(stats_mutex_);
        if (!faults_.empty()) {
            fault = faults_.front();
            faults_.erase(faults_.begin());
            injected = true;
            ++stats_.faults;
        }
    }
    bool intact = false;
    if (injected) {
        ++conn_replies_;
        intact = apply_fault(fault, block);
    } else {
        intact = send_reply(std::move(block));
    }
    std::lock_guard lock(stats_mutex_);
    if (!intact) {
        ++stats_.faulted_blocks;
        stats_.faulted_samples += count;
    }
    if (options_.record_blocks)
        blocks_.push_back({first, count, intact});
    return intact;
}

// Returns true when the block still reached the PC whole, alone and in time.
bool Simulator::apply_fault(Fault fault, std::vector<std::uint8_t>& block)
{
    switch (fault) {
    case Fault::Drop:
        return false;
    case Fault::Delay: {
        const auto until = Clock::now() + std::chrono::milliseconds(options_.fault_delay_ms);
        while (!stopping_ && Clock::now() < until) {
            pollfd p{wake_[0], POLLIN, 0}; // ends early when the simulator stops
            ::poll(&p, 1,
                   int(std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now()).count()));
            if (p.revents)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (!stopping_)
            write_reply(block);
        return false; // the PC stopped waiting long before
    }
    case Fault::CloseMidReply:
        write_all(block.data(), block.size() / 2);
        close_connection();
        return false;
    case Fault::Split:
        return write_split(block);
    case Fault::Merge: {
        const auto extra = frame(1, 8);
        block.insert(block.end(), extra.begin(), extra.end());
        write_reply(block);
        return false;
    }
    case Fault::Malformed:
        write_reply(malformed(malformed_kind_++));
        return false;
    case Fault::Overclaim:
        put16(block.data() + 6, std::uint16_t(get16(block.data() + 6) + 1));
        write_reply(block);
        return false;
    case Fault::Junk: {
        std::lock_guard lock(stats_mutex_);
        ++stats_.replies;
    }
        write_junk(options_.junk_bytes);
        return false;
    }
    return false;
}

void Simulator::inject(Fault fault)
{
    std::lock_guard lock(stats_mutex_);
    faults_.push_back(fault);
}

std::vector<BlockRecord> Simulator::take_blocks()
{
    std::lock_guard lock(stats_mutex_);
    return std::exchange(blocks_, {});
}

std::vector<MessageRecord> Simulator::take_messages()
{
    std::lock_guard lock(stats_mutex_);
    return std::exchange(messages_, {});
}

const char* fault_name(Fault fault)
{
    switch (fault) {
    case Fault::Drop:
        return "drop";
    case Fault::Delay:
        return "delay";
    case Fault::CloseMidReply:
        return "close";
    case Fault::Split:
        return "split";
    case Fault::Merge:
        return "merge";
    case Fault::Malformed:
        return "malformed";
    case Fault::Overclaim:
        return "overclaim";
    case Fault::Junk:
        return "junk";
    }
    return "?";
}

bool Simulator::write_all(const std::uint8_t* bytes, std::size_t length)
{
    while (length > 0 && conn_ >= 0) {
        const ssize_t n = ::send(conn_, bytes, length, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                pollfd p{conn_, POLLOUT, 0};
                if (::poll(&p, 1, 1000) <= 0)
                    return false;
                continue;
            }
            close_connection();
            return false;
        }
        bytes += n;
        length -= std::size_t(n);
    }
    return length == 0;
}

// Random bytes (never a frame but by chance), written as fast as the PC takes them.
void Simulator::write_junk(std::size_t length)
{
    std::vector<std::uint8_t> chunk(64 * 1024);
    while (length > 0 && conn_ >= 0 && !stopping_) {
        for (std::uint8_t& b : chunk) {
            noise_state_ ^= noise_state_ << 13;
            noise_state_ ^= noise_state_ >> 7;
            noise_state_ ^= noise_state_ << 17;
            b = std::uint8_t(noise_state_ >> 32);
        }
        const std::size_t n = std::min(length, chunk.size());
        if (!write_all(chunk.data(), n))
            return;
        length -= n;
    }
}

} // namespace sim
