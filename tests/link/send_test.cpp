// The PC's messages byte for byte, the standing messages and the send queue.
#include "link_test_support.h"

#include <arpa/inet.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <thread>

using Send = LinkTest;

TEST_F(Send, EveryQueuedMessageHasItsExactBytes)
{
    link_state.channel_select = {7, 6, 5, 4, 3, 2, 1, 0};
    link_state.settings.event_channel = 19;
    link_state.block_counter = 0x1234;
    link_state.param_values[0] = 1.0f;
    link_state.param_values[200] = -2.5f;

    send_start_acquisition();
    send_block_ack();
    send_channel_config();
    send_event_reset();
    send_param_write(link_state.param_values[0]);
    send_param_write(link_state.param_values[200]);
    const float stray = 1.0f; // equal to a table value, but not in the table: nothing sent
    send_param_write(stray);
    send_param_request(20);

    const std::vector<Bytes> expected = {
        {0x00, 0x02, 0x00, 0x04},
        {0x00, 0x03, 0x00, 0x06, 0x12, 0x34},
        {0x00, 0x04, 0x00, 0x0D, 7, 6, 5, 4, 3, 2, 1, 0, 19},
        {0x00, 0x05, 0x00, 0x04},
        {0x00, 0x06, 0x00, 0x0A, 0x00, 0x00, 0x3F, 0x80, 0x00, 0x00},
        {0x00, 0x06, 0x00, 0x0A, 0x00, 0xC8, 0xC0, 0x20, 0x00, 0x00},
        {0x00, 0x07, 0x00, 0x06, 0x00, 0x14},
    };
    EXPECT_EQ(take_queue(), expected);
}

TEST_F(Send, StandingMessagesAreNeverQueuedAndRefreshedOnDemand)
{
    build_poll_message();
    ASSERT_TRUE(poll_message);
    EXPECT_EQ(poll_message->bytes, (Bytes{0x00, 0x01, 0x00, 0x04}));
    build_discovery_message();
    ASSERT_TRUE(discovery_message);
    Bytes expected(22, 0);
    expected[3] = 0x16;
    EXPECT_EQ(discovery_message->bytes, expected); // no interface yet
    EXPECT_EQ(queue_count(), 0u);

    {
        std::lock_guard guard(link_state.netif_lock);
        link_state.netif_local_ip = inet_addr("192.168.10.20");
        link_state.netif_mask = inet_addr("255.255.255.0");
        link_state.netif_gateway = inet_addr("192.168.10.1");
        link_state.netif_mac = {0x00, 0x1B, 0x21, 0xAA, 0xBB, 0xCC};
    }
    build_discovery_message(); // already built: unchanged until refreshed
    EXPECT_EQ(discovery_message->bytes, expected);
    refresh_discovery_message();
    expected = {0x00, 0x00, 0x00, 0x16, 192, 168,  10,   20,   255,  255,  255,
                0,    192,  168,  10,   1,   0x00, 0x1B, 0x21, 0xAA, 0xBB, 0xCC};
    EXPECT_EQ(discovery_message->bytes, expected);
}

TEST_F(Send, QueueIsFirstInFirstOutUpToAHundredMessages)
{
    // The hundredth message is taken, the next one dropped.
    for (std::uint16_t i = 0; i <= 100; ++i)
        send_param_request(i);
    const auto sent = take_queue();
    ASSERT_EQ(sent.size(), 100u);
    EXPECT_EQ(get_u16_be(sent.back().data() + 4), 99);
    queue_pop(); // empty: no effect
    EXPECT_EQ(queue_peek(), nullptr);
}

TEST_F(Send, QueueGivesUpWhenTheLockStaysTaken)
{
    using namespace std::chrono;
    link_config.queue_lock_wait = milliseconds(10);
    send_param_request(1);

    // Another thread holds the queue: a push meanwhile gives up after its three attempts
    // and is lost, without touching what is queued.
    std::promise<void> taken, release;
    std::thread holder([&] {
        EXPECT_TRUE(send_queue_lock_take());
        taken.set_value();
        release.get_future().wait();
        send_queue_lock_release();
    });
    taken.get_future().wait();
    const auto start = steady_clock::now();
    send_param_request(2);
    EXPECT_GE(steady_clock::now() - start, milliseconds(30));
    EXPECT_EQ(queue_count(), 1u);
    release.set_value();
    holder.join();

    send_param_request(3);
    EXPECT_EQ(take_queue(), (std::vector<Bytes>{{0, 7, 0, 6, 0, 1}, {0, 7, 0, 6, 0, 3}}));
}

TEST_F(Send, BothThreadsMayQueueAtOnce)
{
    std::thread other([] {
        for (int i = 0; i < 40; ++i)
            send_event_reset();
    });
    for (int i = 0; i < 40; ++i)
        send_start_acquisition();
    other.join();
    const auto sent = take_queue();
    ASSERT_EQ(sent.size(), 80u);
    EXPECT_EQ(std::count_if(sent.begin(), sent.end(),
                            [](const Bytes& b) { return b[1] == MSG_START; }),
              40);
}
