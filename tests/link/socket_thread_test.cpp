// The real socket thread against the controller simulator on loopback: discovery, connect
// and the exchange that follows, and shutting down at any moment. (Replies lost, unusable or
// split are checked in reply_reader_test.cpp and, with the link recovering, in
// tests/e2e/fault_injection_test.cpp.)
#include "Globvar.h"
#include "Link_config.h"
#include "Netcom.h"
#include "Scknet.h"
#include "Simulator.h"
#include "loopback.h"

#include <gtest/gtest.h>

#include <net/if.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

// The calls the link posted to the main thread, which is the test's own thread: they run
// while it waits in wait_until (with `pump`), as the window's message loop would run them.
std::mutex posted_mutex;
std::vector<std::function<void()>> posted;

std::size_t posted_count()
{
    std::lock_guard lock(posted_mutex);
    return posted.size();
}

void run_posted()
{
    std::vector<std::function<void()>> calls;
    {
        std::lock_guard lock(posted_mutex);
        calls.swap(posted);
    }
    for (auto& call : calls)
        call();
}

// Polls `done` until it holds or the (generous) limit passes.
template <typename Pred>
bool wait_until(Pred done, std::chrono::milliseconds limit = 10s, bool pump = true)
{
    for (const auto end = std::chrono::steady_clock::now() + limit; !done();
         std::this_thread::sleep_for(1ms)) {
        if (pump)
            run_posted();
        if (std::chrono::steady_clock::now() > end)
            return false;
    }
    return true;
}

// How long link_shutdown() took.
std::chrono::steady_clock::duration shutdown_time()
{
    const auto t0 = std::chrono::steady_clock::now();
    link_shutdown();
    return std::chrono::steady_clock::now() - t0;
}

// Makes the link use a PC interface with the given address: loopback, by its index.
void select_interface(const char* ip_text)
{
    {
        std::lock_guard guard(link_state.netif_lock);
        link_state.netif_adapter.Index = ::if_nametoindex("lo");
        set_text(link_state.netif_adapter.IpAddressList.IpAddress, ip_text);
        set_text(link_state.netif_adapter.IpAddressList.IpMask, "255.0.0.0");
        in_addr address{};
        link_state.netif_local_ip = inet_pton(AF_INET, ip_text, &address) == 1 ? address.s_addr : 0;
    }
    link_state.netif_flags = NETIF_SELECTED | NETIF_HAS_ADDRESS;
}

class SocketThreadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        link_config = LinkConfig{};
        link_state_reset();
        free_standing_messages();
        link_config.discovery_address = "127.0.0.1";
        link_config.discovery_local_port = free_udp_port();
        for (std::size_t i = 0; i < link_state.channel_select.size(); ++i)
            link_state.channel_select[i] = std::uint8_t(i);
        select_interface("127.0.0.1");
        build_poll_message();
        build_discovery_message();
        link_hooks = LinkHooks{};
        link_hooks.post_to_main = [](std::function<void()> call) {
            std::lock_guard lock(posted_mutex);
            posted.push_back(std::move(call));
        };
        link_hooks.on_connect = [this] {
            link_connected();
            ++connects;
        };
    }

    void TearDown() override
    {
        link_shutdown();
        posted.clear();
        simulator.reset();
        link_hooks = LinkHooks{};
        free_standing_messages();
        link_config = LinkConfig{};
    }

    // Starts a simulator on a free loopback port and points the link at it.
    sim::Simulator& start_simulator(sim::Options options = {})
    {
        options.bind_address = "127.0.0.1";
        options.port = 0;
        simulator = std::make_unique<sim::Simulator>(options);
        EXPECT_TRUE(simulator->start()) << simulator->error();
        link_config.controller_port = simulator->port();
        return *simulator;
    }

    // Starts the link and waits until discovery has found the controller.
    static void start_discovered()
    {
        link_start();
        ASSERT_TRUE(wait_until([] { return link_state.link_thread.load()->Suspended(); }));
    }

    // Discovery, then Connect, up to the connected state.
    static void start_connected()
    {
        ASSERT_NO_FATAL_FAILURE(start_discovered());
        link_connect();
        ASSERT_TRUE(wait_until([] { return connection_state() == LINK_CONNECTED; }));
    }

    std::unique_ptr<sim::Simulator> simulator;
    std::atomic<int> connects{0};
};

} // namespace

// ---- Discovery ------------------------------------------------------------------------------

TEST_F(SocketThreadTest, DiscoveryWaitsForAnAddressThenSuspendsUntilConnect)
{
    sim::Simulator& s = start_simulator();
    link_state.netif_flags = NETIF_SELECTED; // selected, but no IPv4 address: nothing is sent
    link_start();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(s.stats().discovery_answers, 0u);

    // The address arrives: discovery goes ahead.
    link_state.netif_flags = NETIF_SELECTED | NETIF_HAS_ADDRESS;
    ASSERT_TRUE(wait_until([] { return link_state.link_thread.load()->Suspended(); }));
    EXPECT_EQ(link_state.controller_ip.load(), 0x7F000001u); // first byte most significant
    EXPECT_EQ(connection_state(), LINK_OFF);
    // Suspended: no further broadcasts, and no stream connection before Connect. (The
    // simulator counts an answer just after sending it.)
    ASSERT_TRUE(wait_until([&] { return s.stats().discovery_answers >= 1; }));
    const auto answers = s.stats().discovery_answers;
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(s.stats().discovery_answers, answers);
    EXPECT_EQ(s.stats().connections, 0u);
}

TEST(DiscoveryAnswer, OnlyAUnicastAddressIsTaken)
{
    struct Row {
        std::vector<std::uint8_t> bytes;
        std::uint32_t address; // 0: not taken
    };
    const Row rows[] = {
        {{0, 0, 0, 8, 192, 168, 1, 10}, 0xC0A8010Au},
        {{0, 0, 0, 22, 10, 0, 0, 1, 255, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6}, 0x0A000001u},
        {{0, 0, 0, 8, 127, 0, 0, 1}, 0x7F000001u}, // loopback: a controller on this PC
        {{0, 0, 0, 8, 192, 168, 1}, 0},            // too short to hold an address
        {{0, 0, 0, 8, 0, 0, 0, 0}, 0},             // "this host": would connect to the PC itself
        {{0, 0, 0, 8, 224, 0, 0, 1}, 0},           // multicast
        {{0, 0, 0, 8, 255, 255, 255, 255}, 0},     // broadcast
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message()
                     << "answer of " << row.bytes.size() << " bytes, row " << (&row - rows));
        link_state.controller_ip = 0;
        link_state.controller_flags = 0;
        EXPECT_EQ(take_discovery_answer(row.bytes.data(), row.bytes.size()), row.address != 0);
        EXPECT_EQ(link_state.controller_ip.load(), row.address);
        EXPECT_EQ(link_state.controller_flags.load(), row.address ? CONTROLLER_KNOWN : 0);
    }
}

namespace {

sockaddr_in address(const char* ip, std::uint16_t port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    inet_pton(AF_INET, ip, &a.sin_addr);
    return a;
}

// A socket of `type` bound to `ip` and `port` on loopback (port 0: any free one).
int bound_socket(int type, const char* ip, std::uint16_t port)
{
    const int s = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
    const sockaddr_in a = address(ip, port);
    EXPECT_EQ(::bind(s, reinterpret_cast<const sockaddr*>(&a), sizeof a), 0) << ip;
    return s;
}

} // namespace

TEST_F(SocketThreadTest, AnAnswerWaitingFromBeforeConnectIsNotTakenByALaterDiscovery)
{
    link_config.reply_wait = 300ms;
    sim::Simulator& s = start_simulator();
    ASSERT_NO_FATAL_FAILURE(start_discovered());
    // After discovery, a second answer comes from the controller's port: it names 127.0.0.9,
    // where a decoy listens on the controller's stream port.
    const int decoy = bound_socket(SOCK_STREAM, "127.0.0.9", s.port());
    ASSERT_EQ(::listen(decoy, 4), 0);
    const int stale = bound_socket(SOCK_DGRAM, "127.0.0.9", s.port());
    const sockaddr_in pc = address("127.0.0.1", link_config.discovery_local_port);
    const std::uint8_t answer[8] = {0, 0, 0, 8, 127, 0, 0, 9};
    ASSERT_EQ(::sendto(stale, answer, 8, 0, reinterpret_cast<const sockaddr*>(&pc), sizeof pc), 8);
    ::close(stale);

    // Connect, then the link is lost: the rediscovery takes a fresh answer.
    link_connect();
    ASSERT_TRUE(wait_until([] { return connection_state() == LINK_CONNECTED; }));
    s.drop_connection();
    ASSERT_TRUE(wait_until(
        [&] { return s.stats().connections >= 2 && connection_state() == LINK_CONNECTED; }));
    EXPECT_EQ(link_state.controller_ip.load(), 0x7F000001u);
    pollfd waiting{decoy, POLLIN, 0};
    EXPECT_EQ(::poll(&waiting, 1, 0), 0) << "the link connected to the stale address";
    ::close(decoy);
}

// ---- Connect and exchange -------------------------------------------------------------------

TEST_F(SocketThreadTest, ConnectNotifiesTheMainThreadSendsTheChannelConfigurationFirstThenPolls)
{
    sim::Simulator& s = start_simulator();
    link_state.channel_select = {7, 6, 5, 4, 3, 2, 1, 0};
    link_state.settings.event_channel = 9;
    link_state.ring_write = 123;
    link_state.ring_oldest = 124;
    link_state.ring_display = 5;
    std::atomic<std::thread::id> connect_thread{};
    std::atomic<std::uint64_t> messages_during_notification{99};
    link_hooks.on_connect = [&] {
        connect_thread = std::this_thread::get_id();
        // The socket thread waits for the notification: nothing is sent meanwhile.
        std::this_thread::sleep_for(80ms);
        messages_during_notification = simulator->stats().messages;
        link_connected();
        ++connects;
    };
    start_connected();

    EXPECT_EQ(connect_thread.load(), std::this_thread::get_id());
    EXPECT_EQ(messages_during_notification.load(), 0u);
    EXPECT_EQ(link_state.ring_write + link_state.ring_oldest + link_state.ring_display, 0u);

    // The channel configuration goes first (the window's Connect queues it).
    ASSERT_TRUE(wait_until([&] { return s.stats().messages_by_type[1] >= 6; }));
    EXPECT_EQ(s.stats().last_channel_config,
              (std::vector<std::uint8_t>{7, 6, 5, 4, 3, 2, 1, 0, 9}));
    EXPECT_TRUE(wait_until(
        [] { return link_state.poll_reply_words[0].load() != 0; })); // replies reach the handler
}

// ---- Set-up failures ------------------------------------------------------------------------

// ---- Shutting down --------------------------------------------------------------------------

TEST_F(SocketThreadTest, ShutdownEndsEveryWaitAtOnce)
{
    // Waits far longer than the limits below: a shutdown that waited any of them out fails.
    link_config.discovery_wait = 5s;
    link_config.reply_wait = 5s;
    link_config.connect_wait = 5s;

    // Waiting for a discovery answer that never comes (nobody listens).
    link_config.controller_port = free_udp_port();
    link_start();
    std::this_thread::sleep_for(100ms);
    EXPECT_LT(shutdown_time(), 1s);
    EXPECT_EQ(link_state.link_thread.load(), nullptr);

    // Waiting for a reply the controller delays.
    sim::Options options;
    options.delay_ms = 3000;
    start_simulator(options);
    start_discovered();
    link_connect();
    std::this_thread::sleep_for(100ms); // the channel configuration is out, its reply is not
    EXPECT_LT(shutdown_time(), 1s);
}

TEST_F(SocketThreadTest, ShutdownWhileTheConnectNotificationWaitsForTheMainThread)
{
    start_simulator();
    start_discovered();
    link_connect(); // the main thread is busy: the notification cannot run yet
    ASSERT_TRUE(wait_until([&] { return posted_count() == 1; }, 10s, false));
    EXPECT_LT(shutdown_time(), 1s);
    // The notification of a link that is gone does nothing when it finally runs.
    run_posted();
    EXPECT_EQ(connects, 0);
    EXPECT_NE(connection_state(), LINK_CONNECTED);
}

TEST_F(SocketThreadTest, ShutdownAtAnyMomentOfARunningLink)
{
    sim::Options options;
    options.sample_rate = 0;
    options.max_block = 20;
    options.split_every = 3;
    start_simulator(options);
    std::mt19937 random(12345);
    for (int round = 0; round < 25; ++round) {
        link_state_reset();
        select_interface("127.0.0.1");
        link_state.acquisition_on = 1;
        link_start();
        send_start_acquisition();
        link_connect();
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 80));
        ASSERT_LT(shutdown_time(), 1s) << "round " << round;
        ASSERT_EQ(queue_count(), 0);
    }
}
