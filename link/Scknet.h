// The socket worker thread: it owns all network traffic with the controller. It finds the
// controller by a datagram broadcast on the selected PC interface, connects to the address
// the controller answers with, and then runs a strict request/reply cycle, handing every
// reply to the protocol (on_frame, or on_unusable_reply for a reply that is not one frame it
// knows). It never interprets message contents.
//
// The main window steers it through link_mode (Globvar.h), Resume() and the connection
// state in link_status; the thread reports through link_status, controller_flags,
// controller_ip and the connect notification.
//
// POSIX sockets and std::thread. Every wait of the thread (socket readiness, pauses, the
// suspend gate, the connect notification) also watches the stop signal, so Stop() ends any
// wait at once.
#pragma once

#include "Unique_fd.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct NetMessage;

// What the thread needs from the program around it. The link library has no user
// interface of its own; the main window fills these in before link_start().
struct LinkHooks {
    // The connect notification. Runs on the main thread when post_to_main is set (the
    // socket thread waits for it), otherwise on the socket thread.
    std::function<void()> on_connect;
    // Queues a call to the main thread and returns at once. Empty: calls run in place. The
    // queue must order the posting before the call, e.g. by a std::mutex both threads
    // take: the call object itself is built on the socket thread.
    std::function<void(std::function<void()>)> post_to_main;
    // Shows a socket set-up failure (title "Error", error icon). Called from either thread;
    // from the socket thread it must not wait for the user. Empty: nothing is shown.
    std::function<void(const std::string& text)> show_error;
    // Receives every usable reply (one whole frame of a known type) on the socket thread.
    // Empty: on_frame.
    std::function<void(const std::uint8_t* bytes, std::uint32_t length)> on_data;
};

// The hooks link_start() gives the thread.
extern LinkHooks link_hooks;

// One datagram read on the discovery port: any of at least 8 bytes whose bytes 4..7 (first
// address byte first) are a unicast address is the controller's answer. It sets
// controller_ip and CONTROLLER_KNOWN and returns true. A shorter one, or one naming an
// address no controller can have (0.x.x.x, multicast 224/4, reserved 240/4 with the
// broadcast 255.255.255.255), changes nothing. Loopback addresses are taken.
bool take_discovery_answer(const std::uint8_t* bytes, std::size_t length);

// The link's own part of the connect notification: connection state 2 (connected) and the
// three ring indices back to 0. The main window's notification calls it first.
void link_connected();

class SckTrd {
public:
    // Main thread. Sets up the thread suspended, then (when the set-up succeeded) lets it
    // run in mode_discover. A set-up failure is shown and leaves the thread suspended.
    explicit SckTrd(LinkHooks hooks);
    // Stops the thread and waits for it.
    ~SckTrd();
    SckTrd(const SckTrd&) = delete;
    SckTrd& operator=(const SckTrd&) = delete;

    // Main thread: mode_stop, open the suspend gate, end every wait of the thread at once
    // (a connect notification not yet run is abandoned) and ask the loop to end. It does
    // not wait; Join() does.
    void Stop();
    // Waits until the thread has left its loop and closed its sockets (after Stop()).
    void Join();
    // Opens the suspend gate.
    void Resume();
    // The window's Connect calls this before it switches to mode_run: the discovery answers
    // waiting at this moment are read and dropped by the socket thread before it sends its
    // next discovery datagram, so a later rediscovery takes only an answer given after it.
    void ResetUdpEvent();
    // True while the thread waits at its suspend gate.
    bool Suspended() const;

    // Capacity of the buffer the replies are read into; only after Join().
    std::size_t reply_buffer_capacity() const { return tcp_rx_buf_.capacity(); }

private:
    enum class Wait { Ready, TimedOut, Stopped, Failed };
    // The stream socket as the source of a reply (Reply_reader.h).
    class StreamSource;
    // A connect notification handed to the main thread, shared by the socket thread, the
    // queued call and Stop(), so that whichever comes last still finds it. The queued call
    // holds nothing but this; its fields are written and read under `mutex`.
    struct PendingCall {
        std::mutex mutex;
        std::condition_variable cv;
        std::function<void()> notify; // the hook to run on the main thread
        bool done = false;
        bool cancelled = false;
    };

    void Execute();
    void CloseAll();

    UniqueFd CreateUdpSocket();
    void BindUdp(const std::string& local_ip, std::uint16_t port);
    UniqueFd CreateTcpSocket();
    void CloseTcp();
    void ConnectTcp(const std::string& remote_ip, std::uint16_t remote_port,
                    std::uint16_t local_port, const std::string& local_ip);
    void SendTcp(const std::uint8_t* bytes, std::uint16_t length);

    void DiscoverStep();
    // Reads and drops the datagrams waiting on the discovery socket, when ResetUdpEvent()
    // asked for it.
    void DropStaleAnswers();
    void LinkStep();
    void ConnectPass();
    void ExchangeCycle();
    void LinkError();
    void DeliverConnect();

    // The thread parks at the gate until Resume() or Stop(); it does not park when
    // link_mode is no longer `mode` (a command that came just before the suspend).
    void Suspend(std::uint8_t mode);
    void WaitGate(std::unique_lock<std::mutex>& lock);
    // Waits for `events` on `fd` (or only for the stop signal when fd is -1).
    Wait WaitSocket(int fd, short events, std::chrono::milliseconds timeout, short* revents);
    // Sleeps, or ends at once on Stop(); true when stopped.
    bool Pause(std::chrono::milliseconds duration);
    bool Stopping() const;
    void ShowError(const std::string& text);
    bool SetOption(int s, int level, int option, int value, const char* name);

    LinkHooks hooks_;
    UniqueFd stop_fd_; // eventfd, signalled for good by Stop()

    // The sockets and what the thread keeps about them: set up by the constructor before
    // the thread runs, then the socket thread's alone.
    UniqueFd sock_tcp_;                    // stream socket to the controller, if any
    bool tcp_connected_ = false;           // connect completed: shut down before closing
    std::uint16_t tcp_local_port_ = 0;     // always 0: the system picks one
    std::uint16_t tcp_remote_port_ = 1645; // controller's stream port
    std::string tcp_local_ip_;             // PC address the stream socket binds to
    std::string tcp_remote_ip_;            // controller address
    std::uint32_t tcp_rx_size_ = 0;        // bytes of the last reply
    std::vector<std::uint8_t> tcp_rx_buf_; // the last reply (kept from read to read, bounded)
    UniqueFd sock_udp_;                    // datagram socket for discovery, if any
    std::uint16_t udp_local_port_ = 0;     // local datagram port once bound
    std::uint16_t udp_remote_port_ = 1645; // controller's datagram port
    std::string udp_local_ip_;             // adapter address the datagram socket serves
    std::uint32_t udp_rx_size_ = 0;        // bytes of the last datagram read
    std::vector<std::uint8_t> udp_rx_buf_; // the last datagram read

    // The discovery socket is bound to the any-address on the discovery port, so that it
    // hears answers however they are addressed; it takes only those that arrive on the
    // selected interface.
    bool udp_bound_ = false;
    std::atomic<bool> drop_answers_{false}; // set by ResetUdpEvent()

    mutable std::mutex gate_mutex_;
    std::condition_variable gate_cv_;
    bool suspended_ = true;
    bool parked_ = false;
    std::atomic<bool> terminated_{false};
    std::shared_ptr<PendingCall> pending_; // connect notification awaiting the main thread

    std::thread thread_;
};

// Main thread, at the end of the main window's creation (after build_poll_message and
// build_discovery_message): creates the send-queue lock and the socket thread, which starts
// discovering at once. Does nothing when the link already runs.
void link_start();
// Main thread, for "Connetti": queues the channel configuration first, then has the socket
// thread discover the controller afresh (answers still waiting from before are dropped).
void link_connect();
// Main thread, when the main window closes: stops the socket thread and waits until it has
// closed its sockets, then empties the send queue and closes its lock.
void link_shutdown();
