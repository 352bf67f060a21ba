// The socket thread's life: construction, the mode loop, the suspend gate, stopping, and
// the socket set-up helpers. The discovery and link passes are in Scknet_link.cpp.
#include "Scknet.h"

#include "Globvar.h"
#include "Link_config.h"
#include "Netcom.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

LinkHooks link_hooks;

void link_connected()
{
    set_connection_state(LINK_CONNECTED);
    link_state.ring_display = 0;
    link_state.ring_write = 0;
    link_state.ring_oldest = 0;
}

namespace {

bool netif_ready()
{
    constexpr std::uint8_t both = NETIF_SELECTED | NETIF_HAS_ADDRESS;
    return (link_state.netif_flags.load() & both) == both;
}

bool parse_ip(const std::string& text, in_addr& out)
{
    return inet_pton(AF_INET, text.c_str(), &out) == 1;
}

bool set_nonblocking(int s)
{
    return ::fcntl(s, F_SETFL, ::fcntl(s, F_GETFL) | O_NONBLOCK) == 0;
}

std::uint16_t local_port(int s)
{
    sockaddr_in a{};
    socklen_t size = sizeof a;
    if (::getsockname(s, reinterpret_cast<sockaddr*>(&a), &size) != 0)
        return 0;
    return ntohs(a.sin_port);
}

} // namespace

// ---- Construction and stopping --------------------------------------------------------------

SckTrd::SckTrd(LinkHooks hooks) : hooks_(std::move(hooks))
{
    // The thread starts behind a closed gate; it runs only once the set-up below succeeded.
    thread_ = std::thread([this] { Execute(); });

    stop_fd_.reset(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!stop_fd_) {
        ShowError("Error create event socket");
        return;
    }

    tcp_connected_ = false;
    tcp_local_port_ = 0;
    tcp_remote_port_ = link_config.controller_port;
    udp_local_port_ = 0;
    udp_remote_port_ = link_config.controller_port;

    sock_udp_ = CreateUdpSocket();

    link_state.link_mode = mode_discover;
    Resume();
}

SckTrd::~SckTrd()
{
    Stop();
    Join();
}

void SckTrd::Stop()
{
    link_state.link_mode = mode_stop;
    std::shared_ptr<PendingCall> pending;
    {
        std::lock_guard lock(gate_mutex_);
        terminated_ = true;
        suspended_ = false;
        pending = pending_;
    }
    gate_cv_.notify_all();
    if (pending) {
        std::lock_guard lock(pending->mutex);
        pending->cancelled = true;
        pending->cv.notify_all();
    }
    if (stop_fd_) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(stop_fd_.get(), &one, sizeof one);
    }
}

void SckTrd::Join()
{
    if (thread_.joinable())
        thread_.join();
}

void SckTrd::Resume()
{
    {
        std::lock_guard lock(gate_mutex_);
        suspended_ = false;
    }
    gate_cv_.notify_all();
}

void SckTrd::ResetUdpEvent()
{
    // The socket belongs to the socket thread: it drops the waiting answers itself, at the
    // top of its next loop pass (before any discovery datagram goes out).
    drop_answers_ = true;
}

bool SckTrd::Suspended() const
{
    std::lock_guard lock(gate_mutex_);
    return parked_ && suspended_;
}

bool SckTrd::Stopping() const
{
    return terminated_.load();
}

void SckTrd::Suspend(std::uint8_t mode)
{
    std::unique_lock lock(gate_mutex_);
    if (terminated_ || link_state.link_mode.load() != mode)
        return;
    suspended_ = true;
    WaitGate(lock);
}

void SckTrd::WaitGate(std::unique_lock<std::mutex>& lock)
{
    parked_ = true;
    gate_cv_.wait(lock, [this] { return !suspended_ || terminated_; });
    parked_ = false;
}

void SckTrd::ShowError(const std::string& text)
{
    if (hooks_.show_error)
        hooks_.show_error(text);
}

bool SckTrd::Pause(std::chrono::milliseconds duration)
{
    return WaitSocket(-1, 0, duration, nullptr) == Wait::Stopped;
}

SckTrd::Wait SckTrd::WaitSocket(int fd, short events, std::chrono::milliseconds timeout,
                                short* revents)
{
    if (Stopping())
        return Wait::Stopped;
    pollfd fds[2] = {{stop_fd_.get(), POLLIN, 0}, {fd, events, 0}};
    const nfds_t count = fd >= 0 ? 2 : 1;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        const int ms = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        const int n = ::poll(fds, count, ms);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return Wait::Failed;
        }
        if (fds[0].revents != 0 || Stopping())
            return Wait::Stopped;
        if (n == 0) {
            if (ms == 0)
                return Wait::TimedOut;
            continue; // woke a little early: wait out the rest
        }
        if (revents)
            *revents = fds[1].revents;
        return Wait::Ready;
    }
}

// ---- The thread body ------------------------------------------------------------------------

void SckTrd::Execute()
{
    {
        std::unique_lock lock(gate_mutex_);
        WaitGate(lock);
    }
    while (!Stopping()) {
        DropStaleAnswers();
        switch (link_state.link_mode.load()) {
        case mode_hangup:
            set_connection_state(LINK_OFF);
            CloseTcp();
            Suspend(mode_hangup);
            break;
        case mode_discover:
            set_connection_state(LINK_OFF);
            if (netif_ready() && sock_udp_) {
                DiscoverStep();
                if (link_state.controller_flags.load() & CONTROLLER_KNOWN)
                    Suspend(mode_discover);
            } else {
                Pause(link_config.idle_pause);
            }
            break;
        case mode_run:
            if (!netif_ready())
                Pause(link_config.idle_pause);
            else if (link_state.controller_flags.load() & CONTROLLER_KNOWN)
                LinkStep();
            else if (sock_udp_)
                DiscoverStep();
            else
                Pause(link_config.idle_pause); // no datagram socket: do not spin
            break;
        default:
            Pause(link_config.idle_pause);
            break;
        }
    }
    CloseAll();
}

void SckTrd::CloseAll()
{
    if (sock_tcp_ && tcp_connected_)
        ::shutdown(sock_tcp_.get(), SHUT_RDWR);
    sock_tcp_.reset();
    tcp_connected_ = false;
    sock_udp_.reset();
}

// ---- Socket set-up --------------------------------------------------------------------------

// Sets a socket option; a failure is shown (the caller then gives the socket up).
bool SckTrd::SetOption(int s, int level, int option, int value, const char* name)
{
    if (::setsockopt(s, level, option, &value, sizeof value) == 0)
        return true;
    ShowError(std::string("Error set ") + name + " (er-code): " + std::to_string(errno));
    return false;
}

UniqueFd SckTrd::CreateUdpSocket()
{
    udp_bound_ = false;
    UniqueFd s(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!s) {
        ShowError("Error create socket, (er-code): " + std::to_string(errno));
        return {};
    }
    // IP_PKTINFO: each datagram read tells the interface it arrived on.
    if (!SetOption(s.get(), SOL_SOCKET, SO_REUSEADDR, 1, "SO_REUSEADDR")
        || !SetOption(s.get(), SOL_SOCKET, SO_BROADCAST, 1, "SO_BROADCAST")
        || !SetOption(s.get(), IPPROTO_IP, IP_PKTINFO, 1, "IP_PKTINFO"))
        return {};
    // Readiness is watched with poll(); reads never block.
    if (!set_nonblocking(s.get())) {
        ShowError("Error set WSAEventSelect (er-code): " + std::to_string(errno));
        return {};
    }
    return s;
}

// Records the adapter address the socket serves and makes sure the socket is bound to the
// any-address on `port`. One binding serves every adapter: an address change needs no new
// socket, as the interface is chosen per datagram sent and checked per datagram read.
void SckTrd::BindUdp(const std::string& local_ip, std::uint16_t port)
{
    const bool new_address = local_ip != udp_local_ip_;
    udp_local_ip_ = local_ip;
    udp_local_port_ = port;
    in_addr address{};
    if (!parse_ip(local_ip, address)) {
        if (new_address)
            ShowError("Invalid IP Address!");
        return;
    }
    if (udp_bound_)
        return;
    // A socket that failed to bind may have sent meanwhile from a port the system picked,
    // which pins it to that port: a fresh one is bound instead.
    if (sock_udp_ && local_port(sock_udp_.get()) != 0)
        sock_udp_.reset();
    if (!sock_udp_)
        sock_udp_ = CreateUdpSocket();
    if (!sock_udp_) {
        ShowError("Error Create Socket!");
        return;
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    // A failed bind (the port taken) is not reported: the question still goes out, and the
    // bind is tried again on the next pass.
    udp_bound_ = ::bind(sock_udp_.get(), reinterpret_cast<sockaddr*>(&local), sizeof local) == 0;
}

void SckTrd::DropStaleAnswers()
{
    if (!drop_answers_.load() || !drop_answers_.exchange(false) || !sock_udp_)
        return;
    // Bounded, so that a flood of datagrams cannot hold the thread here.
    for (int k = 0; k < 1024; ++k) {
        std::uint8_t byte;
        if (::recv(sock_udp_.get(), &byte, 1, MSG_DONTWAIT) < 0)
            break;
    }
}

UniqueFd SckTrd::CreateTcpSocket()
{
    tcp_connected_ = false;
    UniqueFd s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!s) {
        ShowError("Error create socket, (er-code): " + std::to_string(errno));
        return {};
    }
    if (!SetOption(s.get(), SOL_SOCKET, SO_REUSEADDR, 1, "SO_REUSEADDR")
        || !SetOption(s.get(), SOL_SOCKET, SO_KEEPALIVE, 0, "SO_KEEPALIVE"))
        return {};
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(tcp_local_port_);
    parse_ip(tcp_local_ip_, local.sin_addr);
    if (::bind(s.get(), reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        ShowError("Error Bind (er-code): " + std::to_string(errno));
        return {};
    }
    if (!set_nonblocking(s.get())) {
        ShowError("Error set WSAEventSelect (er-code): " + std::to_string(errno));
        return {};
    }
    return s;
}

void SckTrd::CloseTcp()
{
    if (!sock_tcp_)
        return;
    sock_tcp_.reset(); // a close error changes nothing here
    tcp_connected_ = false;
}

void SckTrd::ConnectTcp(const std::string& remote_ip, std::uint16_t remote_port,
                        std::uint16_t local_port, const std::string& local_ip)
{
    in_addr remote{};
    in_addr local{};
    if (!parse_ip(remote_ip, remote) || !parse_ip(local_ip, local)) {
        ShowError("Invalid IP Address!");
        return;
    }
    tcp_remote_ip_ = remote_ip;
    tcp_remote_port_ = remote_port;
    tcp_local_ip_ = local_ip;
    tcp_local_port_ = local_port;
    if (!sock_tcp_)
        sock_tcp_ = CreateTcpSocket();
    if (!sock_tcp_) {
        ShowError("Error Create Socket!");
        return;
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(remote_port);
    to.sin_addr = remote;
    // Non-blocking: "in progress" is the normal answer; completion shows as writability.
    if (::connect(sock_tcp_.get(), reinterpret_cast<sockaddr*>(&to), sizeof to) != 0
        && errno != EINPROGRESS && errno != EINTR)
        CloseTcp();
}

void SckTrd::SendTcp(const std::uint8_t* bytes, std::uint16_t length)
{
    if (!sock_tcp_)
        return;
    // A failed send is not retried: the missing reply becomes a link error.
    [[maybe_unused]] const ssize_t n =
        ::send(sock_tcp_.get(), bytes, length, MSG_DONTROUTE | MSG_NOSIGNAL);
}

// ---- Start and shutdown of the link -------------------------------------------------------

namespace {

// The running socket thread (main thread only); link_thread is the view the rest of the
// program steers it through.
std::unique_ptr<SckTrd> running_thread;

} // namespace

void link_start()
{
    if (running_thread)
        return;
    send_queue_lock_create();
    running_thread = std::make_unique<SckTrd>(link_hooks);
    link_state.link_thread = running_thread.get();
}

void link_connect()
{
    send_channel_config();
    set_connection_state(LINK_CONNECTING);
    link_state.link_mode = mode_run;
    if (SckTrd* thread = link_state.link_thread.load()) {
        thread->ResetUdpEvent();
        thread->Resume();
    }
}

void link_shutdown()
{
    if (running_thread) {
        link_state.link_thread = nullptr;
        running_thread->Stop();
        running_thread->Join(); // the queue and its lock outlive the thread
        running_thread.reset();
    }
    queue_flush();
    send_queue_lock_close();
}
