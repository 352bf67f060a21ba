// The socket thread's passes: discovery of the controller, the connect pass and the
// request/reply cycle, and the link error that sends it back to discovery.
#include "Scknet.h"

#include "Globvar.h"
#include "Link_config.h"
#include "Netcom.h"
#include "Wire.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;

std::chrono::milliseconds left_until(Clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? left : std::chrono::milliseconds(0);
}

std::string dotted(std::uint32_t address)
{
    // First address byte most significant.
    return std::to_string(address >> 24) + '.' + std::to_string((address >> 16) & 0xFF) + '.'
        + std::to_string((address >> 8) & 0xFF) + '.' + std::to_string(address & 0xFF);
}

int pending_bytes(int fd)
{
    int count = 0;
    if (::ioctl(fd, FIONREAD, &count) != 0 || count < 0)
        return 0;
    return count;
}

} // namespace

// ---- Discovery ------------------------------------------------------------------------------

bool take_discovery_answer(const std::uint8_t* bytes, std::size_t length)
{
    if (bytes == nullptr || length < 8)
        return false;
    const std::uint32_t address = get_u32_be(bytes + 4);
    // 0.x.x.x ("this host": 0.0.0.0 would connect to the PC itself), multicast (224/4) and
    // the reserved block 240/4, which holds the broadcast address, name no controller.
    const std::uint32_t first = address >> 24;
    if (first == 0 || first >= 224)
        return false;
    controller_ip = address;
    controller_flags.fetch_or(CONTROLLER_KNOWN);
    return true;
}

void SckTrd::DiscoverStep()
{
    if (sock_udp < 0)
        return;

    const AdapterRecord adapter = netif_adapter_copy();
    const std::string local_ip = adapter.IpAddressList.IpAddress;
    if (local_ip != udp_local_ip || !udp_bound_)
        BindUdp(local_ip, link_config.discovery_local_port);
    if (sock_udp < 0)
        return;
    DropStaleAnswers();

    // The question leaves through the selected interface, from its address.
    refresh_discovery_message();
    in_pktinfo through {};
    through.ipi_ifindex = static_cast<int>(adapter.Index);
    if (discovery_message && inet_pton(AF_INET, local_ip.c_str(), &through.ipi_spec_dst) == 1) {
        sockaddr_in to {};
        to.sin_family = AF_INET;
        to.sin_port = htons(udp_remote_port);
        inet_pton(AF_INET, link_config.discovery_address.c_str(), &to.sin_addr);
        iovec iov {discovery_message->bytes.data(), discovery_message->length};
        alignas(cmsghdr) std::uint8_t control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
        msghdr msg {};
        msg.msg_name = &to;
        msg.msg_namelen = sizeof to;
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        cmsghdr* c = CMSG_FIRSTHDR(&msg);
        c->cmsg_level = IPPROTO_IP;
        c->cmsg_type = IP_PKTINFO;
        c->cmsg_len = CMSG_LEN(sizeof through);
        std::memcpy(CMSG_DATA(c), &through, sizeof through);
        [[maybe_unused]] const ssize_t n = ::sendmsg(sock_udp, &msg, MSG_DONTROUTE);
    }

    // The answer is the first datagram within the wait that arrives on the selected
    // interface, from the controller's port, and names a controller address; it may be
    // addressed to the PC, to its subnet's broadcast address or to 255.255.255.255. Others
    // are passed over.
    const auto deadline = Clock::now() + link_config.discovery_wait;
    for (;;) {
        short revents = 0;
        if (WaitSocket(sock_udp, POLLIN, left_until(deadline), &revents) != Wait::Ready)
            return;
        if ((revents & POLLIN) == 0) {
            int error = 0;
            socklen_t size = sizeof error;
            ::getsockopt(sock_udp, SOL_SOCKET, SO_ERROR, &error, &size);  // clears it
            return;
        }
        udp_rx_size = static_cast<std::uint32_t>(pending_bytes(sock_udp));
        udp_rx_buf.assign(std::size_t(udp_rx_size) + 10, 0);
        sockaddr_in from {};
        iovec iov {udp_rx_buf.data(), udp_rx_size};
        alignas(cmsghdr) std::uint8_t control[CMSG_SPACE(sizeof(in_pktinfo))];
        msghdr msg {};
        msg.msg_name = &from;
        msg.msg_namelen = sizeof from;
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        const ssize_t n = ::recvmsg(sock_udp, &msg, 0);
        if (n < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                return;
            continue;
        }
        int arrived_on = -1;
        for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c))
            if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
                in_pktinfo info;
                std::memcpy(&info, CMSG_DATA(c), sizeof info);
                arrived_on = info.ipi_ifindex;
            }
        if (arrived_on == through.ipi_ifindex && ntohs(from.sin_port) == udp_remote_port
            && take_discovery_answer(udp_rx_buf.data(), std::size_t(n)))
            return;
    }
}

// ---- Link ---------------------------------------------------------------------------------

void SckTrd::LinkStep()
{
    switch (connection_state()) {
    case LINK_CONNECTING:
    case LINK_ERROR:
        ConnectPass();
        break;
    case LINK_CONNECTED:
        ExchangeCycle();
        break;
    default:
        if (!Pause(link_config.idle_pause))
            LinkError();
        break;
    }
}

void SckTrd::LinkError()
{
    set_connection_state(LINK_ERROR);
    controller_flags.fetch_and(static_cast<std::uint8_t>(~CONTROLLER_KNOWN));
}

void SckTrd::ConnectPass()
{
    CloseTcp();
    tcp_remote_ip = dotted(controller_ip.load());
    ConnectTcp(tcp_remote_ip, tcp_remote_port, 0, netif_ip_text());

    // Without a socket the wait only times out, into a link error.
    short revents = 0;
    const Wait wait = WaitSocket(sock_tcp, POLLOUT, link_config.connect_wait, &revents);
    if (wait == Wait::Stopped)
        return;
    if (wait != Wait::Ready) {
        LinkError();
        return;
    }
    if (Pause(std::chrono::milliseconds(50)))
        return;

    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(sock_tcp, SOL_SOCKET, SO_ERROR, &error, &size) != 0) {
        if (!Pause(std::chrono::milliseconds(100)))
            LinkError();
        return;
    }
    if (error != 0) {
        LinkError();
        Pause(std::chrono::milliseconds(100));
        return;
    }
    tcp_connected = true;
    DeliverConnect();
}

void SckTrd::DeliverConnect()
{
    if (!hooks_.on_connect)
        return;
    if (!hooks_.post_to_main) {
        hooks_.on_connect();
        return;
    }

    // The queued call carries only the shared state: what it runs and what it reports are
    // written and read under the state's mutex, so the hook's copy is handed over under
    // that mutex too, not by whatever carries the call to the main thread.
    auto call = std::make_shared<PendingCall>();
    {
        std::lock_guard lock(call->mutex);
        call->notify = hooks_.on_connect;
    }
    {
        std::lock_guard lock(gate_mutex_);
        if (terminated_)
            return;
        pending_ = call;
    }
    hooks_.post_to_main([call] {
        std::function<void()> notify;
        {
            std::lock_guard lock(call->mutex);
            if (call->cancelled)
                return;  // the link is shutting down: nothing left to tell
            notify = std::move(call->notify);
        }
        notify();
        std::lock_guard lock(call->mutex);
        call->done = true;
        call->cv.notify_all();
    });
    {
        std::unique_lock lock(call->mutex);
        call->cv.wait(lock, [&] { return call->done || call->cancelled; });
    }
    std::lock_guard lock(gate_mutex_);
    pending_.reset();
}

void SckTrd::ExchangeCycle()
{
    NetMessage* message = queue_peek();
    const bool is_poll = message == nullptr;
    if (is_poll) {
        message = poll_message.get();
        if (Pause(link_config.poll_pause))
            return;
    }
    if (message == nullptr) {
        Pause(link_config.idle_pause);  // nothing to send at all
        return;
    }
    SendTcp(message->bytes.data(), message->length);
    const auto deadline = Clock::now() + link_config.reply_wait;

    short revents = 0;
    const Wait wait = WaitSocket(sock_tcp, POLLIN, link_config.reply_wait, &revents);
    if (wait == Wait::Stopped)
        return;
    if (wait != Wait::Ready) {
        LinkError();  // a queued message stays at the head and goes first after reconnecting
        return;
    }
    if ((revents & POLLIN) == 0) {
        if (!Pause(link_config.idle_pause))
            LinkError();
        return;
    }

    switch (ReadReply(deadline)) {
    case Reply::Complete:
        // The message leaves the queue only once its reply is in: a connection lost before
        // that sends it again first after reconnecting. A reply the dispatcher has to drop
        // (broken, or merged with another) has it sent again, up to kMaxResends times. So an
        // acknowledgement is not lost to a bad reply, and the controller's sample blocks keep
        // coming; a controller that never answers a message readably still gets the next.
        if (!is_poll) {
            if (message != resent_) {
                resent_ = message;
                resends_ = 0;
            }
            if (frame_is_whole(tcp_rx_buf.data(), tcp_rx_size) || resends_ >= kMaxResends) {
                queue_pop();
                resent_ = nullptr;
            } else {
                ++resends_;
            }
        }
        if (hooks_.on_data)
            hooks_.on_data(tcp_rx_buf.data(), tcp_rx_size);
        else
            on_frame(tcp_rx_buf.data(), tcp_rx_size);
        break;
    case Reply::Failed:
        LinkError();
        break;
    case Reply::Stopped:
        break;
    }
}

// Reads one reply. TCP may deliver a reply in several pieces: reading goes on, within the
// reply wait, until the bytes cover the frame's length field. Whatever else arrived in the
// same reads is handed on with it (the dispatcher drops such a read). A connection closed
// or a reply left incomplete at the end of the wait fails.
SckTrd::Reply SckTrd::ReadReply(Clock::time_point deadline)
{
    std::size_t have = 0;
    for (;;) {
        const std::size_t pending = static_cast<std::size_t>(pending_bytes(sock_tcp));
        const std::size_t want = pending > 0 ? pending : 1;
        if (tcp_rx_buf.size() < have + want + 10)
            tcp_rx_buf.resize(have + want + 10);
        const ssize_t n = ::recv(sock_tcp, tcp_rx_buf.data() + have, want, 0);
        if (n == 0)
            return Reply::Failed;  // closed by the controller
        if (n < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                return Reply::Failed;
        } else {
            have += static_cast<std::size_t>(n);
        }

        if (have >= FRAME_HEADER_SIZE) {
            const std::size_t frame_length = get_u16_be(tcp_rx_buf.data() + 2);
            if (have >= frame_length) {
                tcp_rx_size = static_cast<std::uint32_t>(have);
                return Reply::Complete;
            }
        }

        short revents = 0;
        switch (WaitSocket(sock_tcp, POLLIN, left_until(deadline), &revents)) {
        case Wait::Ready:
            break;
        case Wait::Stopped:
            return Reply::Stopped;
        default:
            return Reply::Failed;
        }
    }
}
