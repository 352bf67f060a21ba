// Shared helpers of the link tests: a fresh link state with an open, empty send queue, and
// builders of controller replies.
#pragma once

#include "Globvar.h"
#include "Link_config.h"
#include "Netcom.h"
#include "Wire.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        link_config = LinkConfig{};
        link_state_reset();
        free_standing_messages();
        send_queue_lock_create();
        queue_flush();
    }
    void TearDown() override
    {
        send_queue_lock_close();
        free_standing_messages();
        link_config = LinkConfig{};
    }

    // Removes every queued message, oldest first, and returns its bytes.
    static std::vector<Bytes> take_queue()
    {
        std::vector<Bytes> out;
        while (NetMessage* m = queue_peek()) {
            EXPECT_EQ(m->length, m->bytes.size());
            out.push_back(m->bytes);
            queue_pop();
        }
        return out;
    }
};

// A controller reply with a correct header.
inline Bytes reply(std::uint16_t type, const Bytes& payload = {})
{
    Bytes b(4 + payload.size());
    put_u16_be(b.data(), type);
    put_u16_be(b.data() + 2, static_cast<std::uint16_t>(b.size()));
    std::copy(payload.begin(), payload.end(), b.begin() + 4);
    return b;
}

// A sample block of n samples; sample i, channel c carries first_value + 8 * i + c.
inline Bytes sample_block(std::uint16_t n, std::uint8_t event, std::int16_t first_value = 0,
                          std::uint16_t sequence = 0)
{
    Bytes payload(5 + 16 * std::size_t(n));
    put_u16_be(payload.data(), sequence);
    put_u16_be(payload.data() + 2, n);
    payload[4] = event;
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t c = 0; c < 8; ++c)
            put_u16_be(payload.data() + 5 + 16 * i + 2 * c,
                       static_cast<std::uint16_t>(first_value + std::int16_t(8 * i + c)));
    return reply(REPLY_SAMPLE_BLOCK, payload);
}

inline void deliver(const Bytes& frame)
{
    on_frame(frame.data(), static_cast<std::uint32_t>(frame.size()));
}

// The acknowledgement the PC sends, spelt out byte by byte.
inline Bytes ack_frame(std::uint16_t counter)
{
    return {0x00, 0x03, 0x00, 0x06, std::uint8_t(counter >> 8), std::uint8_t(counter)};
}
