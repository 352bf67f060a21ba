// Message boxes raised from the socket thread: each failure's box shows once while it is open.

#include "message_box.h"

#include "Globvar.h"
#include "Link_config.h"
#include "Netcom.h"
#include "Scknet.h"
#include "Simulator.h"
#include "loopback.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <net/if.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>

using namespace std::chrono_literals;

namespace {

template <typename Pred>
bool wait_until(Pred done, std::chrono::milliseconds limit = 20s)
{
    for (const auto end = std::chrono::steady_clock::now() + limit; !done();
         std::this_thread::sleep_for(1ms))
        if (std::chrono::steady_clock::now() > end)
            return false;
    return true;
}

std::vector<std::string> texts_of(const std::vector<RecordedMessage>& messages)
{
    std::vector<std::string> out;
    for (const RecordedMessage& m : messages)
        out.push_back(m.text.toStdString());
    return out;
}

} // namespace

// While it exists, the process cannot open another file: every descriptor below the limit
// is in use (the holes are filled with /dev/null) and the limit is the lowest free one.
class FileLimit {
public:
    FileLimit()
    {
        ::getrlimit(RLIMIT_NOFILE, &saved_);
        int highest = -1;
        for (int fd = 0; fd < 4096; ++fd)
            if (::fcntl(fd, F_GETFD) != -1)
                highest = fd;
        for (int fd = 0; fd < highest; ++fd)
            if (::fcntl(fd, F_GETFD) == -1)
                fillers_.push_back(::open("/dev/null", O_RDONLY | O_CLOEXEC));
        rlimit limit = saved_;
        limit.rlim_cur = rlim_t(highest + 1);
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
    ~FileLimit() { lift(); }
    void lift() const
    {
        ::setrlimit(RLIMIT_NOFILE, &saved_);
        for (int fd : fillers_)
            ::close(fd);
        fillers_.clear();
    }

private:
    rlimit saved_{};
    mutable std::vector<int> fillers_;
};

// A socket set-up failure on every connect pass of the socket thread shows each of its boxes
// once while it is open, however often the thread runs into the failure; once closed, it may come again.
TEST(MessageBox, SocketThreadFailureShowsOneBoxWhileItIsOpen)
{
    MessageRecorder recorder(/*keep_open=*/true);

    sim::Options options;
    options.bind_address = "127.0.0.1";
    options.port = 0;
    sim::Simulator simulator(options); // answers discovery, so every pass tries to connect
    ASSERT_TRUE(simulator.start()) << simulator.error();

    link_config = LinkConfig{};
    link_state_reset();
    link_config.discovery_address = "127.0.0.1";
    link_config.discovery_local_port = free_udp_port();
    link_config.controller_port = simulator.port();
    link_config.connect_wait = 50ms;
    // Discovery on loopback finds the simulator; then no new socket can be made, so every
    // connect pass fails to create its stream socket.
    {
        std::lock_guard guard(link_state.netif_lock);
        link_state.netif_adapter = loopback_adapter();
        link_state.netif_adapter.Index = ::if_nametoindex("lo");
    }
    link_state.netif_local_ip = htonl(INADDR_LOOPBACK);
    link_state.netif_flags = NETIF_SELECTED | NETIF_HAS_ADDRESS;
    build_poll_message();
    build_discovery_message();

    // As the main window wires the hook, counting how often the thread raises a failure.
    std::atomic<int> raised{0};
    link_hooks = LinkHooks{};
    link_hooks.show_error = [&raised](const std::string& text) {
        ++raised;
        message_box(QString::fromStdString(text), QStringLiteral("Error"), MessageIcon::Stop);
    };
    link_start();
    ASSERT_TRUE(wait_until([] { return link_state.link_thread.load()->Suspended(); }));
    const FileLimit no_new_files;
    // The window's Connect.
    send_channel_config();
    set_connection_state(LINK_CONNECTING);
    link_state.link_mode = mode_run;
    link_state.link_thread.load()->Resume();

    const std::vector<std::string> once = {"Error create socket, (er-code): "
                                               + std::to_string(EMFILE),
                                           "Error Create Socket!"};
    ASSERT_TRUE(wait_until([&] { return raised.load() >= 8; })) << "the thread goes on";
    EXPECT_EQ(texts_of(recorder.messages()), once);

    // The user closes both boxes: the next failures show them again, once.
    recorder.acknowledge();
    const int before = raised.load();
    ASSERT_TRUE(wait_until([&] { return raised.load() >= before + 6; }));
    std::vector<std::string> twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(texts_of(recorder.messages()), twice);

    no_new_files.lift();
    link_shutdown();
    link_hooks = LinkHooks{};
    free_standing_messages();
    link_config = LinkConfig{};
}
