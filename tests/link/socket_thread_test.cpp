// The real socket thread against the controller simulator on loopback: discovery, connect,
// the exchange, recovery from a lost link, replies TCP splits or merges, broken replies, and
// shutting down at any moment.
#include "socket_thread_support.h"

#include "Reply_reader.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <thread>
#include <utility>

namespace {

// Samples the connection state in the background and remembers which states it saw.
struct StateWatch {
    std::atomic<bool> stop{false};
    std::atomic<bool> seen[4]{};
    std::thread thread{[this] {
        for (; !stop; std::this_thread::sleep_for(200us))
            seen[connection_state()] = true;
    }};
    ~StateWatch()
    {
        stop = true;
        thread.join();
    }
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
    EXPECT_FALSE(link_state.controller_flags & CONTROLLER_KNOWN);
    EXPECT_FALSE(link_state.link_thread.load()->Suspended());

    // The address arrives: discovery goes ahead.
    link_state.netif_flags = NETIF_SELECTED | NETIF_HAS_ADDRESS;
    ASSERT_TRUE(wait_until([] { return link_state.link_thread.load()->Suspended(); }));
    EXPECT_TRUE(link_state.controller_flags & CONTROLLER_KNOWN);
    EXPECT_EQ(link_state.controller_ip.load(),
              0x7F000001u); // 127.0.0.1, first byte most significant
    EXPECT_EQ(connection_state(), LINK_OFF);
    // Suspended: no further broadcasts, and no stream connection before Connect. (The
    // simulator counts an answer just after sending it.)
    ASSERT_TRUE(wait_until([&] { return s.stats().discovery_answers >= 1; }));
    const auto answers = s.stats().discovery_answers;
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(s.stats().discovery_answers, answers);
    EXPECT_EQ(s.stats().connections, 0u);
    EXPECT_EQ(connects, 0);
    EXPECT_TRUE(error_texts().empty());
}

TEST_F(SocketThreadTest, AnAnswerIsTakenWhereverItIsAddressed)
{
    // To the PC's address, to the subnet's broadcast address (127.255.255.255 on loopback)
    // and to 255.255.255.255.
    for (const sim::AnswerTo to :
         {sim::AnswerTo::Unicast, sim::AnswerTo::Subnet, sim::AnswerTo::Broadcast}) {
        SCOPED_TRACE(testing::Message() << "answer to " << int(to));
        link_shutdown();
        link_state.controller_flags = 0;
        link_state.controller_ip = 0;
        sim::Options options;
        options.answer_to = to;
        start_simulator(options);
        ASSERT_NO_FATAL_FAILURE(start_discovered());
        EXPECT_EQ(link_state.controller_ip.load(), 0x7F000001u);
    }
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
        {{0, 0, 0, 8, 1, 0, 0, 0}, 0x01000000u},
        {{0, 0, 0, 8, 223, 255, 255, 254}, 0xDFFFFFFEu},
        {{0, 0, 0, 8, 192, 168, 1}, 0}, // too short to hold an address
        {{}, 0},
        {{0, 0, 0, 8, 0, 0, 0, 0}, 0}, // "this host": would connect to the PC itself
        {{0, 0, 0, 8, 0, 1, 2, 3}, 0},
        {{0, 0, 0, 8, 224, 0, 0, 1}, 0}, // multicast
        {{0, 0, 0, 8, 239, 255, 255, 255}, 0},
        {{0, 0, 0, 8, 240, 0, 0, 1}, 0},       // reserved
        {{0, 0, 0, 8, 255, 255, 255, 255}, 0}, // broadcast
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

// A datagram socket bound to `address` and `port` on loopback (port 0: any free one).
int udp_socket(const char* address, std::uint16_t port)
{
    const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    inet_pton(AF_INET, address, &a.sin_addr);
    EXPECT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a), 0) << address;
    return s;
}

std::uint16_t port_of(int s)
{
    sockaddr_in a{};
    socklen_t size = sizeof a;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &size);
    return ntohs(a.sin_port);
}

} // namespace

TEST_F(SocketThreadTest, AnswersThatCannotBeTheControllersArePassedOver)
{
    // A hand-made controller: each of the first two questions gets answers that cannot be
    // taken (too short to hold an address, announcing 0.0.0.0, or sent from a port other
    // than the controller's), the third one a good answer.
    const int s = udp_socket("127.0.0.1", 0);
    const int elsewhere = udp_socket("127.0.0.1", 0);
    link_config.controller_port = port_of(s);
    const timeval tv{0, 200000};
    ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);

    link_start();
    const std::uint8_t answer[8] = {0, 0, 0, 8, 10, 1, 2, 3};
    const std::uint8_t no_address[8] = {0, 0, 0, 8, 0, 0, 0, 0};
    std::vector<std::uint8_t> first_question;
    int questions = 0;
    for (int round = 0; round < 50 && questions < 3; ++round) {
        std::uint8_t buf[64];
        sockaddr_in from{};
        socklen_t from_size = sizeof from;
        const ssize_t n =
            ::recvfrom(s, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &from_size);
        if (n <= 0)
            continue;
        if (questions++ == 0)
            first_question.assign(buf, buf + n);
        const auto to = reinterpret_cast<sockaddr*>(&from);
        if (questions < 3) {
            ::sendto(s, answer, 7, 0, to, from_size);
            ::sendto(s, answer, 0, 0, to, from_size);
            ::sendto(s, no_address, 8, 0, to, from_size);
            ::sendto(elsewhere, answer, 8, 0, to, from_size);
        } else {
            ::sendto(s, answer, 8, 0, to, from_size);
        }
    }
    ::close(s);
    ::close(elsewhere);
    ASSERT_EQ(questions, 3);
    ASSERT_EQ(first_question.size(), 22u);
    EXPECT_EQ(first_question[1], 0);   // type 0
    EXPECT_EQ(first_question[3], 22);  // length 22
    EXPECT_EQ(first_question[4], 127); // the interface address, dotted order
    EXPECT_TRUE(wait_until([] { return (link_state.controller_flags & CONTROLLER_KNOWN) != 0; }));
    EXPECT_EQ(link_state.controller_ip.load(), 0x0A010203u);
}

TEST_F(SocketThreadTest, AnAnswerWaitingFromBeforeConnectIsNotTakenByALaterDiscovery)
{
    link_config.reply_wait = 300ms;
    sim::Simulator& s = start_simulator();
    ASSERT_NO_FATAL_FAILURE(start_discovered());
    // After discovery, a second answer comes from the controller's port: it names 127.0.0.9,
    // where a decoy listens on the controller's stream port.
    const int decoy = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(s.port());
    inet_pton(AF_INET, "127.0.0.9", &a.sin_addr);
    ASSERT_EQ(::bind(decoy, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(::listen(decoy, 4), 0);
    const int stale = udp_socket("127.0.0.9", s.port());
    sockaddr_in pc{};
    pc.sin_family = AF_INET;
    pc.sin_port = htons(link_config.discovery_local_port);
    inet_pton(AF_INET, "127.0.0.1", &pc.sin_addr);
    const std::uint8_t answer[8] = {0, 0, 0, 8, 127, 0, 0, 9};
    ASSERT_EQ(::sendto(stale, answer, 8, 0, reinterpret_cast<sockaddr*>(&pc), sizeof pc), 8);
    ::close(stale);

    // Connect, then the link is lost: the rediscovery takes a fresh answer.
    connect_command();
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

    EXPECT_EQ(connect_thread.load(), main.id());
    EXPECT_EQ(messages_during_notification.load(), 0u);
    EXPECT_EQ(link_state.ring_write.load(), 0u);
    EXPECT_EQ(link_state.ring_oldest.load(), 0u);
    EXPECT_EQ(link_state.ring_display.load(), 0u);

    ASSERT_TRUE(wait_until([&] { return s.stats().messages_by_type[1] >= 6; }));
    const auto t = s.stats().recent_types;
    ASSERT_FALSE(t.empty());
    EXPECT_EQ(t.front(), 4);
    EXPECT_EQ(std::count(t.begin(), t.end(), 4), 1);
    EXPECT_EQ(s.stats().last_channel_config,
              (std::vector<std::uint8_t>{7, 6, 5, 4, 3, 2, 1, 0, 9}));
    EXPECT_EQ(connects, 1);
    EXPECT_EQ(s.stats().connections, 1u);

    // An idle link polls about every 50 ms. The pause before each poll bounds the rate from
    // above; the loose lower bound only says the exchange keeps going.
    const auto before = s.stats().messages_by_type[1];
    std::this_thread::sleep_for(600ms);
    const auto polls = s.stats().messages_by_type[1] - before;
    EXPECT_LE(polls, 13u);
    EXPECT_GE(polls, 3u);
    EXPECT_TRUE(wait_until(
        [] { return link_state.poll_reply_words[0].load() != 0; })); // replies reach the handler
}

TEST_F(SocketThreadTest, PaddedSampleBlocksWholeOrSplitByTcpAreStoredAndAcknowledged)
{
    sim::Options options;
    options.sample_rate = 0; // every block full
    options.max_block = 300; // 4809 bytes; every other reply in two writes 5 ms apart
    options.split_every = 2;
    options.pad_bytes = 7; // and 7 bytes after the samples, which are not samples
    options.modulus = 1000;
    sim::Simulator& s = start_simulator(options);
    start_connected();
    link_state.acquisition_on = 1;
    send_start_acquisition();

    ASSERT_TRUE(wait_until([&] { return s.stats().blocks >= 10; }));
    // Blocks stop being stored; the one being stored is finished (its samples are written
    // one by one, so the write index is a whole number of blocks only between blocks).
    link_state.acquisition_on = 0;
    std::uint32_t settled = link_state.ring_write.load();
    ASSERT_TRUE(wait_until([&] {
        std::this_thread::sleep_for(20ms);
        const std::uint32_t now = link_state.ring_write.load();
        return std::exchange(settled, now) == now;
    }));
    const auto st = s.stats();
    EXPECT_EQ(st.connections, 1u); // no link error
    EXPECT_EQ(st.messages_by_type[2], 1u);
    EXPECT_GE(st.messages_by_type[3], 10u); // each block is asked for by an acknowledgement
    EXPECT_GE(link_state.ring_write.load(), 2700u);
    EXPECT_EQ(link_state.ring_write.load() % 300, 0u);
    // The first block starts the simulator's waveforms: square high, ramp at its bottom,
    // the ramp rising 60 per sample across the boundary of the first two blocks.
    EXPECT_EQ(link_state.sample_ring[0][0], 0);
    EXPECT_EQ(link_state.sample_ring[0][3], 15000);
    EXPECT_EQ(link_state.sample_ring[0][4], -30000);
    EXPECT_EQ(link_state.sample_ring[299][4], -12060);
    EXPECT_EQ(link_state.sample_ring[300][4], -12000);
}

// ---- Faults ---------------------------------------------------------------------------------

TEST_F(SocketThreadTest, AMissingReplyIsALinkErrorAndTheQueuedHeadGoesFirstAfterReconnect)
{
    sim::Options options;
    options.drop_every = 2; // the reply to the second message of each connection is lost
    link_config.reply_wait = 300ms;
    sim::Simulator& s = start_simulator(options);
    StateWatch watch;
    start_discovered();
    send_channel_config();
    send_param_request(20);
    connect_command();

    ASSERT_TRUE(wait_until([&] {
        return s.stats().connections >= 2 && connects >= 2 && s.stats().recent_types.size() >= 3;
    }));
    EXPECT_TRUE(watch.seen[LINK_ERROR]);
    EXPECT_GE(s.stats().discovery_answers, 2u); // found again after the error
    const auto t = s.stats().recent_types;
    EXPECT_EQ(t[0], 4);
    EXPECT_EQ(t[1], 7); // its reply is lost ...
    EXPECT_EQ(t[2], 7); // ... so it is the first message of the next connection
}

TEST_F(SocketThreadTest, TwoRepliesInOneReadAreDroppedAndTheLinkGoesOn)
{
    sim::Options options;
    options.merge_every = 1;
    sim::Simulator& s = start_simulator(options);
    start_connected();
    ASSERT_TRUE(wait_until([&] { return s.stats().messages_by_type[1] >= 5; }));
    EXPECT_EQ(link_state.poll_reply_words[0].load(), 0); // never taken
    EXPECT_EQ(connection_state(), LINK_CONNECTED);
    EXPECT_EQ(s.stats().connections, 1u);
}

TEST_F(SocketThreadTest, NoMessageReachesTheControllerTwiceAndUnusableRepliesDoNotStopTheSamples)
{
    // Every third reply is of a type no message has. The message it answers has reached the
    // controller all the same and is not sent again; only an acknowledgement is followed by
    // another with the same counter, asking again for the block that was lost.
    sim::Options options;
    options.sample_rate = 0;
    options.max_block = 20;
    options.unknown_every = 3;
    options.record_messages = true;
    sim::Simulator& s = start_simulator(options);
    start_discovered();
    for (int i = 0; i < 4; ++i)
        send_param_write(link_state.param_values[std::size_t(i)]);
    link_state.acquisition_on = 1;
    send_start_acquisition();
    connect_command();
    ASSERT_TRUE(wait_until([] { return link_state.ring_write.load() >= 2000; }));
    link_state.acquisition_on = 0;

    const std::vector<sim::MessageRecord> got = s.take_messages();
    ASSERT_GT(got.size(), 100u);
    EXPECT_EQ(got.back().connection, 1u); // no link error
    int asked_again = 0;
    for (std::size_t k = 1; k < got.size(); ++k) {
        const sim::MessageRecord& before = got[k - 1];
        if (got[k].bytes != before.bytes || before.bytes[1] == MSG_POLL)
            continue;
        EXPECT_TRUE(before.bytes[1] == MSG_BLOCK_ACK && !before.answered)
            << "message " << k << " of type " << int(before.bytes[1]) << " received twice";
        ++asked_again;
    }
    EXPECT_GT(asked_again, 0);
}

TEST_F(SocketThreadTest, AStreamOfJunkKeepsTheBufferSmallAndTheSamplesComeAgain)
{
    // In place of a sample block the controller pours out 8 MiB of random bytes, then goes
    // on as before. The receive buffer never grows past one frame and is given back; the
    // samples are stored again, over this connection or, should the junk have left a reply
    // unfinished, over the next (the ring then starts again from 0).
    sim::Options options;
    options.sample_rate = 0;
    options.max_block = 20;
    sim::Simulator& s = start_simulator(options);
    start_connected();
    link_state.acquisition_on = 1;
    send_start_acquisition();
    ASSERT_TRUE(wait_until([] { return link_state.ring_write.load() >= 200; }));
    s.inject(sim::Fault::Junk);
    ASSERT_TRUE(wait_until([&] { return s.stats().faults == 1; }));
    const std::uint32_t stored = link_state.ring_write.load();
    ASSERT_TRUE(wait_until([&] { return link_state.ring_write.load() >= stored + 2000; }, 20s));
    link_state.acquisition_on = 0;
    SckTrd* thread = link_state.link_thread.load();
    thread->Stop();
    thread->Join();
    EXPECT_LE(thread->reply_buffer_capacity(), ReplyReader::kKeptBuffer);
}

TEST_F(SocketThreadTest, BrokenRepliesAndClosedConnectionsEndInReconnects)
{
    sim::Options options;
    options.malformed_every = 2;
    options.close_after = 9;
    link_config.reply_wait = 200ms;
    sim::Simulator& s = start_simulator(options);
    start_connected();
    // Every kind of broken frame comes round; each connection also closes mid-exchange.
    ASSERT_TRUE(wait_until([&] { return s.stats().connections >= 4; }, 30s));
    ASSERT_TRUE(wait_until([] { return connection_state() == LINK_CONNECTED; }));
    EXPECT_GE(connects, 3);
    EXPECT_TRUE(error_texts().empty());
}

// ---- Set-up failures ------------------------------------------------------------------------

TEST_F(SocketThreadTest, AnInterfaceAddressThatIsNoAddressIsReportedOnce)
{
    start_simulator();
    select_interface("not-an-address");
    link_start();
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(error_texts(), std::vector<std::string>{"Invalid IP Address!"});
}

TEST_F(SocketThreadTest, AStreamSocketThatCannotBindIsReportedWithItsErrorCode)
{
    // Found on loopback; then the interface takes 192.0.2.1, no address of this machine:
    // the stream socket cannot bind to it.
    start_simulator();
    start_discovered();
    select_interface("192.0.2.1");
    connect_command();
    ASSERT_TRUE(wait_until([&] { return error_texts().size() >= 2; }));
    const auto texts = error_texts();
    EXPECT_EQ(texts[0], "Error Bind (er-code): " + std::to_string(EADDRNOTAVAIL));
    EXPECT_EQ(texts[1], "Error Create Socket!");
}

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
    connect_command();
    std::this_thread::sleep_for(100ms); // the channel configuration is out, its reply is not
    EXPECT_LT(shutdown_time(), 1s);
}

TEST_F(SocketThreadTest, ShutdownWhileTheConnectNotificationWaitsForTheMainThread)
{
    start_simulator();
    start_discovered();
    main.hold(true); // the main thread is busy: the notification cannot run yet
    connect_command();
    ASSERT_TRUE(wait_until([&] { return main.waiting() == 1; }));
    EXPECT_LT(shutdown_time(), 1s);
    // The notification of a link that is gone does nothing when it finally runs.
    main.hold(false);
    EXPECT_TRUE(wait_until([&] { return main.waiting() == 0; }));
    std::this_thread::sleep_for(20ms);
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
        connect_command();
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 80));
        ASSERT_LT(shutdown_time(), 1s) << "round " << round;
        ASSERT_EQ(queue_count(), 0);
    }
}
