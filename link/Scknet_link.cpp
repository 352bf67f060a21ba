// The socket thread's passes: discovery of the controller, the connect pass and the
// request/reply cycle, and the link error that sends it back to discovery.
#include "Scknet.h"

#include "Frame_layout.h"
#include "Globvar.h"
#include "Link_config.h"
#include "Netcom.h"
#include "Reply_reader.h"
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
    if (bytes == nullptr || length < wire::discovery_answer::kMinSize)
        return false;
    const std::uint32_t address = get_u32_be(bytes + wire::discovery_answer::kAddress);
    // 0.x.x.x ("this host": 0.0.0.0 would connect to the PC itself), multicast (224/4) and
    // the reserved block 240/4, which holds the broadcast address, name no controller.
    const std::uint32_t first = address >> 24;
    if (first == 0 || first >= 224)
        return false;
    link_state.controller_ip = address;
    link_state.controller_flags.fetch_or(CONTROLLER_KNOWN);
    return true;
}

void SckTrd::DiscoverStep()
{
    if (!sock_udp_)
        return;

    const AdapterRecord adapter = netif_adapter_copy();
    const std::string local_ip = adapter.IpAddressList.IpAddress;
    if (local_ip != udp_local_ip_ || !udp_bound_)
        BindUdp(local_ip, link_config.discovery_local_port);
    if (!sock_udp_)
        return;
    DropStaleAnswers();

    // The question leaves through the selected interface, from its address.
    refresh_discovery_message();
    in_pktinfo through{};
    through.ipi_ifindex = static_cast<int>(adapter.Index);
    if (discovery_message && inet_pton(AF_INET, local_ip.c_str(), &through.ipi_spec_dst) == 1) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(udp_remote_port_);
        inet_pton(AF_INET, link_config.discovery_address.c_str(), &to.sin_addr);
        iovec iov{discovery_message->bytes.data(), discovery_message->length};
        alignas(cmsghdr) std::uint8_t control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
        msghdr msg{};
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
        [[maybe_unused]] const ssize_t n = ::sendmsg(sock_udp_.get(), &msg, MSG_DONTROUTE);
    }

    // The answer is the first datagram within the wait that arrives on the selected
    // interface, from the controller's port, and names a controller address; it may be
    // addressed to the PC, to its subnet's broadcast address or to 255.255.255.255. Others
    // are passed over.
    const auto deadline = Clock::now() + link_config.discovery_wait;
    for (;;) {
        short revents = 0;
        if (WaitSocket(sock_udp_.get(), POLLIN, left_until(deadline), &revents) != Wait::Ready)
            return;
        if ((revents & POLLIN) == 0) {
            int error = 0;
            socklen_t size = sizeof error;
            ::getsockopt(sock_udp_.get(), SOL_SOCKET, SO_ERROR, &error, &size); // clears it
            return;
        }
        udp_rx_size_ = static_cast<std::uint32_t>(pending_bytes(sock_udp_.get()));
        udp_rx_buf_.assign(std::size_t(udp_rx_size_) + 10, 0);
        sockaddr_in from{};
        iovec iov{udp_rx_buf_.data(), udp_rx_size_};
        alignas(cmsghdr) std::uint8_t control[CMSG_SPACE(sizeof(in_pktinfo))];
        msghdr msg{};
        msg.msg_name = &from;
        msg.msg_namelen = sizeof from;
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        const ssize_t n = ::recvmsg(sock_udp_.get(), &msg, 0);
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
        if (arrived_on == through.ipi_ifindex && ntohs(from.sin_port) == udp_remote_port_
            && take_discovery_answer(udp_rx_buf_.data(), std::size_t(n)))
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
    if (connection_state() == LINK_CONNECTED)
        link_state.link_losses.fetch_add(1);
    set_connection_state(LINK_ERROR);
    link_state.controller_flags.fetch_and(static_cast<std::uint8_t>(~CONTROLLER_KNOWN));
}

void SckTrd::ConnectPass()
{
    CloseTcp();
    tcp_remote_ip_ = controller_ip_text();
    ConnectTcp(tcp_remote_ip_, tcp_remote_port_, 0, netif_ip_text());

    // Without a socket the wait only times out, into a link error.
    short revents = 0;
    const Wait wait = WaitSocket(sock_tcp_.get(), POLLOUT, link_config.connect_wait, &revents);
    if (wait == Wait::Stopped)
        return;
    if (wait != Wait::Ready) {
        LinkError();
        return;
    }
    if (Pause(link_config.connect_settle_pause))
        return;

    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(sock_tcp_.get(), SOL_SOCKET, SO_ERROR, &error, &size) != 0) {
        if (!Pause(link_config.connect_retry_pause))
            LinkError();
        return;
    }
    if (error != 0) {
        LinkError();
        Pause(link_config.connect_retry_pause);
        return;
    }
    tcp_connected_ = true;
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
                return; // the link is shutting down: nothing left to tell
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

class SckTrd::StreamSource : public ReplySource {
public:
    explicit StreamSource(SckTrd& thread) : thread_(thread) {}

    std::size_t pending() override
    {
        return static_cast<std::size_t>(pending_bytes(thread_.sock_tcp_.get()));
    }

    long receive(std::uint8_t* into, std::size_t most) override
    {
        const ssize_t n = ::recv(thread_.sock_tcp_.get(), into, most, 0);
        if (n >= 0)
            return static_cast<long>(n);
        return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? kNothing : kBroken;
    }

    Wait wait(Clock::time_point deadline) override
    {
        short revents = 0;
        const int fd = thread_.sock_tcp_.get();
        switch (thread_.WaitSocket(fd, POLLIN, left_until(deadline), &revents)) {
        case SckTrd::Wait::Ready:
            return Wait::Ready;
        case SckTrd::Wait::Stopped:
            return Wait::Stopped;
        default:
            return Wait::Failed;
        }
    }

private:
    SckTrd& thread_;
};

void SckTrd::ExchangeCycle()
{
    NetMessage* const head = queue_peek();
    const NetMessage* message = head;
    if (head == nullptr) {
        message = poll_message.get();
        if (Pause(link_config.poll_pause))
            return;
    }
    if (message == nullptr) {
        Pause(link_config.idle_pause); // nothing to send at all
        return;
    }
    SendTcp(message->bytes.data(), message->length);
    const auto deadline = Clock::now() + link_config.reply_wait;

    short revents = 0;
    const Wait wait = WaitSocket(sock_tcp_.get(), POLLIN, link_config.reply_wait, &revents);
    if (wait == Wait::Stopped)
        return;
    if (wait != Wait::Ready) {
        LinkError(); // a queued message stays at the head and goes first after reconnecting
        return;
    }
    if ((revents & POLLIN) == 0) {
        if (!Pause(link_config.idle_pause))
            LinkError();
        return;
    }

    // The reply settles the message: once a reply has come, readable or not, the message
    // has reached the controller and leaves the queue; without one it stays at the head.
    StreamSource source(*this);
    ReplyReader reader(tcp_rx_buf_);
    const ExchangeEnd end =
        finish_exchange(source, reader, deadline, *message, head != nullptr, hooks_.on_data);
    tcp_rx_size_ = reader.size();
    if (end == ExchangeEnd::NoReply)
        LinkError();
}
