// The sample ring as the receive handler fills it, and copies the writer catches up with.
#include "link_test_support.h"

using SampleRing = LinkTest;

// 20001 samples from an empty ring, the last block crossing the end: the write index wraps
// slot by slot to 0 and the oldest sample, slot 0, has been overwritten; from then on the
// oldest stays one slot after the write index.
TEST_F(SampleRing, HoldsAtMost20000SamplesAndWrapsSlotBySlot)
{
    link_state.acquisition_on = 1;
    for (int i = 0; i < 19; ++i)
        deliver(sample_block(1000, 0));
    deliver(sample_block(999, 0));
    EXPECT_EQ(link_state.ring_oldest.load(), 0u);
    deliver(sample_block(3, 0, 10));
    EXPECT_EQ(link_state.ring_write.load(), 1u);
    EXPECT_EQ(link_state.ring_oldest.load(), 2u);
    EXPECT_EQ(link_state.sample_ring[19999][0], 10);
    EXPECT_EQ(link_state.sample_ring[20000][0], 18);
    EXPECT_EQ(link_state.sample_ring[0][0], 26);
    deliver(sample_block(7, 0));
    EXPECT_EQ(link_state.ring_write.load(), 8u);
    EXPECT_EQ(link_state.ring_oldest.load(), 9u);
}

TEST_F(SampleRing, ACopyTheWriterHasCaughtUpWithIsCutFromItsOldestEnd)
{
    // A full ring: slots hold their own sequence number; the write index is at 100, the
    // oldest sample at 101. While the display copies from the oldest sample on, the writer
    // has begun `written` more slots (100, 101, ...): those copies, and one more (whether the
    // write of slot 100 had begun when the display looked is not known), are cut.
    link_state.acquisition_on = 1;
    for (int i = 0; i < 20; ++i)
        deliver(sample_block(1000, 0));
    deliver(sample_block(101, 0));
    ASSERT_EQ(link_state.ring_write.load(), 100u);
    ASSERT_EQ(link_state.ring_oldest.load(), 101u);
    for (std::uint32_t s = 0; s < SAMPLE_RING_SLOTS; ++s)
        link_state.sample_ring[s].fill(std::int16_t(s % 30000));

    struct Case {
        std::uint32_t from, written, cut;
    };
    for (const Case c : {Case{101, 0, 0}, Case{101, 1, 1}, Case{101, 5, 5}, Case{5000, 4899, 0},
                         Case{5000, 4900, 1}, Case{101, 40000, 20000}, Case{99, 3, 0}}) {
        const RingSnapshot taken = ring_snapshot();
        RingSnapshot later = taken;
        later.begun += c.written; // as if the writer had begun them while the copy went on
        link_state.ring_writes_begun = later.begun;
        std::vector<SampleSlot> copy;
        EXPECT_EQ(ring_copy(c.from, taken, copy), c.cut) << c.from << " " << c.written;
        EXPECT_EQ(copy.size(), ring_distance(c.from, 100, SAMPLE_RING_SLOTS));
        EXPECT_EQ(copy.front()[3], std::int16_t(c.from % 30000));
        EXPECT_EQ(copy.back()[7], 99);
    }
}
