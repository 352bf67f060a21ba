// Ring arithmetic and the sample ring as the receive handler fills it.
#include "link_test_support.h"

TEST(RingHelpers, DistanceAdvanceAndBackAtTheEdges)
{
    constexpr std::uint32_t S = SAMPLE_RING_SLOTS;
    EXPECT_EQ(ring_distance(0, 0, S), 0u);
    EXPECT_EQ(ring_distance(5, 5, S), S);  // a full turn
    EXPECT_EQ(ring_distance(20000, 3, S), 4u);
    EXPECT_EQ(ring_back(2, 5, S), 19998u);
    EXPECT_EQ(ring_back(5, 5, S), 0u);
    EXPECT_EQ(ring_advance(20000, 1, S), 0u);
    EXPECT_EQ(ring_advance(19998, 5, S), 2u);
}

using SampleRing = LinkTest;

TEST_F(SampleRing, BlocksAreStoredInOrderWithChannelOneFirst)
{
    acquisition_on = 1;
    deliver(sample_block(2, 0, -4));
    deliver(sample_block(1, 0, 100));
    EXPECT_EQ(ring_write.load(), 3u);
    EXPECT_EQ((SampleSlot {-4, -3, -2, -1, 0, 1, 2, 3}), sample_ring[0]);
    EXPECT_EQ((SampleSlot {4, 5, 6, 7, 8, 9, 10, 11}), sample_ring[1]);
    EXPECT_EQ((SampleSlot {100, 101, 102, 103, 104, 105, 106, 107}), sample_ring[2]);

    // Negative values keep their sign.
    Bytes block = sample_block(1, 0);
    put_u16_be(block.data() + 9, 0x8000);  // channel 1: -32768
    put_u16_be(block.data() + 23, 0xFFFF); // channel 8: -1
    deliver(block);
    EXPECT_EQ(sample_ring[3][0], -32768);
    EXPECT_EQ(sample_ring[3][7], -1);
}

TEST_F(SampleRing, HoldsAtMost20000Samples)
{
    // 20001 samples from an empty ring: the write index wraps to 0 and the oldest sample,
    // slot 0, has been overwritten.
    acquisition_on = 1;
    for (int i = 0; i < 20; ++i)
        deliver(sample_block(1000, 0));
    EXPECT_EQ(ring_write.load(), 20000u);
    EXPECT_EQ(ring_oldest.load(), 0u);
    deliver(sample_block(1, 0, 555));
    EXPECT_EQ(ring_write.load(), 0u);
    EXPECT_EQ(ring_oldest.load(), 1u);
    EXPECT_EQ(sample_ring[20000][0], 555);
    EXPECT_EQ(ring_distance(ring_oldest.load(), ring_write.load(), SAMPLE_RING_SLOTS), 20000u);

    // From then on the oldest stays one slot after the write index.
    deliver(sample_block(7, 0));
    EXPECT_EQ(ring_write.load(), 7u);
    EXPECT_EQ(ring_oldest.load(), 8u);
}

TEST_F(SampleRing, ABlockCrossingTheEndWrapsSlotBySlot)
{
    acquisition_on = 1;
    ring_write = 19999;
    deliver(sample_block(3, 0, 10));
    EXPECT_EQ(ring_write.load(), 1u);
    EXPECT_EQ(ring_oldest.load(), 2u);
    EXPECT_EQ(sample_ring[19999][0], 10);
    EXPECT_EQ(sample_ring[20000][0], 18);
    EXPECT_EQ(sample_ring[0][0], 26);
}
