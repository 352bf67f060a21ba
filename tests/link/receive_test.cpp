// The receive dispatcher and the handlers: what a reply changes, and what bad reads do not.
#include "Sample_sink.h"
#include "link_test_support.h"

using Receive = LinkTest;

// Everything a reply can change, to prove a dropped read changed nothing.
std::vector<std::int64_t> snapshot()
{
    std::vector<std::int64_t> values = {
        link_state.ring_write,          link_state.ring_oldest,
        link_state.ring_display,        link_state.trigger_flags,
        link_state.block_count,         link_state.block_counter,
        link_state.block_modulus,       queue_count(),
        link_state.block_event,         link_state.dropped_blocks,
        link_state.poll_reply_words[0], link_state.poll_reply_words[1]};
    const SampleSlot first = link_state.sample_ring[0].load();
    values.insert(values.end(), first.begin(), first.end());
    return values;
}

TEST_F(Receive, PollReplyKeepsBothWordsBlockCounterWrapsOnceByTheStartReplysModulus)
{
    // A poll reply sends nothing; every block, even an empty one, and the start reply are
    // acknowledged with the counter.
    deliver(reply(REPLY_POLL, {0xFF, 0xFE, 0x01, 0x02}));
    EXPECT_EQ(link_state.poll_reply_words[0].load(), -2);
    EXPECT_EQ(link_state.poll_reply_words[1].load(), 0x0102);
    link_state.acquisition_on = 1;
    link_state.block_counter = 65530;
    deliver(sample_block(10, 0)); // no modulus yet: a plain 16-bit sum
    deliver(sample_block(0, 0));
    deliver(reply(REPLY_START, {0x03, 0xE8})); // modulus 1000, counter back to 0
    deliver(sample_block(990, 0));
    deliver(sample_block(20, 0));
    deliver(sample_block(989, 0));
    deliver(sample_block(1, 0));
    EXPECT_EQ(take_queue(),
              (std::vector<Bytes>{ack_frame(4), ack_frame(4), ack_frame(0), ack_frame(990),
                                  ack_frame(10), ack_frame(999), ack_frame(0)}));
    EXPECT_EQ(link_state.ring_write.load(), 2010u);
}

TEST_F(Receive, WhileAcquisitionIsOffBlocksAreCountedButNotStoredNorAcknowledged)
{
    link_state.block_modulus = 1000;
    link_state.block_counter = 990;
    deliver(sample_block(20, 0, 5));
    EXPECT_EQ(link_state.block_counter.load(), 10);
    EXPECT_EQ(link_state.block_count.load(), 20u);
    EXPECT_EQ(link_state.ring_write.load(), 0u);
    EXPECT_EQ(queue_count(), 0u);

    // Only event flag 1 re-arms the controller.
    deliver(sample_block(1, 2));
    EXPECT_EQ(link_state.block_event.load(), 2);
    EXPECT_EQ(queue_count(), 0u);
    deliver(sample_block(1, 1));
    EXPECT_EQ(link_state.block_event.load(), 1);
    EXPECT_EQ(take_queue(), (std::vector<Bytes>{{0x00, 0x05, 0x00, 0x04}}));
}

TEST_F(Receive, BadReadsAndShortRepliesAreDroppedWithoutAnyEffect)
{
    link_state.acquisition_on = 1;
    link_state.settings.trigger_mode = 1;
    link_state.block_modulus = 500;
    link_state.block_counter = 5;
    link_state.poll_reply_words[0] = 3;
    const std::vector<std::int64_t> before = snapshot();

    const Bytes block = sample_block(2, 1, 42);
    std::vector<Bytes> reads = {Bytes{},
                                Bytes{0x00},
                                Bytes{0x00, 0x03, 0x00},
                                block,
                                reply(11, {0, 0}),
                                Bytes(block.begin(), block.end() - 1),
                                block,
                                reply(REPLY_POLL, {1, 2, 3})};
    reads[3].insert(reads[3].end(), block.begin(), block.end());      // two frames in one read
    put_u16_be(reads[6].data() + 2, std::uint16_t(block.size() + 1)); // length field too long
    // Replies of every other type too short for their fields.
    for (std::uint16_t type = 0; type < FRAME_TYPE_COUNT; ++type)
        if (type != REPLY_SAMPLE_BLOCK) {
            reads.push_back(reply(type));
            reads.push_back(reply(type, {0x01}));
        }
    // Well-formed replies of types 7, 10 and of the ignored types are accepted without effect.
    for (std::uint16_t type : {0, 4, 5, 8, 9})
        reads.push_back(reply(type, {1, 2, 3, 4, 5, 6}));
    reads.push_back(reply(REPLY_PARAM_REQUEST, {0, 20, 0x3F, 0x80, 0, 0}));
    reads.push_back(reply(REPLY_STATUS_WORD, {0x12, 0x34}));

    for (const Bytes& read : reads)
        deliver(read);
    on_frame(nullptr, 40);
    EXPECT_EQ(snapshot(), before);

    deliver(block); // the same block in one piece is taken
    EXPECT_EQ(link_state.ring_write.load(), 2u);
    EXPECT_EQ(link_state.block_counter.load(), 7);
}

TEST_F(Receive, PaddedBlocksAreStoredBlocksClaimingMoreThanTheyHoldAreAskedForAgain)
{
    // A block may carry bytes after its samples; one whose count claims more samples than it
    // holds is dropped, counted, and (while acquiring) the unchanged counter is acknowledged
    // again, so that the controller sends from there once more.
    const Bytes good = sample_block(2, 0, 42);
    Bytes padded = good;
    padded.resize(padded.size() + 7, 9);
    put_u16_be(padded.data() + 2, std::uint16_t(padded.size()));
    Bytes claims_three = good, claims_all = good;
    put_u16_be(claims_three.data() + 6, 3);
    put_u16_be(claims_all.data() + 6, 0xFFFF);
    const Bytes too_short = reply(REPLY_SAMPLE_BLOCK, {0, 0, 0, 0});

    struct Case {
        const char* name;
        const Bytes& read;
        std::uint8_t acquiring;
        std::vector<Bytes> queued;
        std::uint32_t stored, dropped;
    };
    const Case cases[] = {
        {"padded", padded, 1, {ack_frame(102)}, 2, 0},
        {"claims 3, holds 2", claims_three, 1, {ack_frame(100)}, 0, 1},
        {"claims 65535", claims_all, 1, {ack_frame(100)}, 0, 1},
        {"too short for a count", too_short, 1, {ack_frame(100)}, 0, 1},
        {"claims 3, acquisition off", claims_three, 0, {}, 0, 1},
    };
    for (const Case& c : cases) {
        link_state_reset();
        link_state.acquisition_on = c.acquiring;
        link_state.block_counter = 100;
        deliver(c.read);
        EXPECT_EQ(take_queue(), c.queued) << c.name;
        EXPECT_EQ(link_state.ring_write.load(), c.stored) << c.name;
        EXPECT_EQ(link_state.dropped_blocks.load(), c.dropped) << c.name;
        EXPECT_EQ(link_state.block_counter.load(), 100 + c.stored) << c.name;
        if (c.stored) { // the samples, not the padding
            EXPECT_EQ(link_state.sample_ring[1].load(),
                      (SampleSlot{50, 51, 52, 53, 54, 55, 56, 57}))
                << c.name;
        }
    }
}

// The sample sink gets every block stored during an acquisition, whole, with its event flag
// and, once, the news that the link was lost before it; nothing once it is cleared.
TEST_F(Receive, TheSampleSinkGetsEveryStoredBlockWithItsFlags)
{
    struct Block {
        std::vector<SampleSlot> samples;
        std::uint32_t flags;
    };
    struct Sink : SampleSink {
        std::vector<Block> blocks;
        void on_samples(const SampleSlot* s, std::size_t n, std::uint32_t flags) override
        {
            blocks.push_back({{s, s + n}, flags});
        }
    } sink;
    sample_sink_set(&sink);
    deliver(sample_block(5, 0)); // acquisition off: not stored, not handed over
    link_state.acquisition_on = 1;
    deliver(sample_block(3, 0, 100));
    deliver(sample_block(0, 0)); // nothing in it
    deliver(sample_block(2, 1, -50));
    link_state.link_losses.fetch_add(1); // the link was lost and found again
    deliver(sample_block(1, 0, 7));
    deliver(sample_block(4000, 0));
    sample_sink_set(nullptr);
    deliver(sample_block(2, 0));

    ASSERT_EQ(sink.blocks.size(), 4u);
    const std::uint32_t flags[] = {0, SAMPLES_EVENT, SAMPLES_RESUMED, 0};
    const std::int16_t first[] = {100, -50, 7, 0};
    const std::size_t sizes[] = {3, 2, 1, 4000};
    for (std::size_t b = 0; b < 4; ++b) {
        SCOPED_TRACE(b);
        EXPECT_EQ(sink.blocks[b].flags, flags[b]);
        ASSERT_EQ(sink.blocks[b].samples.size(), sizes[b]);
        for (std::size_t i = 0; i < sizes[b]; ++i)
            for (std::size_t c = 0; c < 8; ++c)
                ASSERT_EQ(sink.blocks[b].samples[i][c], std::int16_t(first[b] + 8 * i + c));
    }
}
