// The live diagram's frame spacing and the display timer's tick spacing.

#include "FramePacer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(FramePacer, SpacesFramesToKeepTheThreadsShareWithinOneAndFourDisplayFrames)
{
    // A share below the budget brings frames back towards one per display frame, a higher
    // one spaces them out, halfway each time; never outside 16 .. 66 ms.
    EXPECT_EQ(FramePacer::nextInterval(16, 0.01), 16);
    EXPECT_EQ(FramePacer::nextInterval(40, 0.0), 20);
    EXPECT_EQ(FramePacer::nextInterval(16, 2 * FramePacer::kCpuShare), 24);
    EXPECT_EQ(FramePacer::nextInterval(30, FramePacer::kCpuShare), 30);
    EXPECT_EQ(FramePacer::nextInterval(FramePacer::kMaxIntervalMs, 1.0), FramePacer::kMaxIntervalMs);
    EXPECT_EQ(FramePacer::nextInterval(30, std::numeric_limits<double>::quiet_NaN()), 30);

    // A thread whose other work costs 2 % and whose frames cost 1 ms each settles where
    // the share is the budget (about 33 ms here), without swinging between the limits.
    int interval = 16;
    for (int round = 0; round < 30; ++round)
        interval = FramePacer::nextInterval(interval, 0.02 + 1.0 / interval);
    const double settled = 0.02 + 1.0 / interval;
    EXPECT_NEAR(settled, FramePacer::kCpuShare, 0.005);
    EXPECT_EQ(FramePacer::nextInterval(interval, settled), interval);
}

TEST(DrainTicks, TakeAboutTheSameNumberOfSamplesPerTickFromOneToSixteenMilliseconds)
{
    constexpr std::int64_t ms = 1'000'000;
    // 1 kHz: a tick per display frame; 50 kHz: 10 ms; 800 kHz: every millisecond.
    EXPECT_EQ(DrainTicks::nextInterval(1, 1, 1 * ms), DrainTicks::kMaxIntervalMs);
    EXPECT_EQ(DrainTicks::nextInterval(16, 500, 10 * ms), 10);
    EXPECT_EQ(DrainTicks::nextInterval(10, 800, 1 * ms), 1);
    // A burst after a quiet stretch counts over the whole stretch.
    EXPECT_EQ(DrainTicks::nextInterval(16, 1000, 100 * ms), DrainTicks::kMaxIntervalMs);
    // Ticks without samples are spaced out step by step, not at once: a stream whose blocks
    // come a little slower than the ticks does not swing between the limits.
    EXPECT_EQ(DrainTicks::nextInterval(1, 0, 1 * ms), 2);
    EXPECT_EQ(DrainTicks::nextInterval(8, 0, 20 * ms), 16);
    EXPECT_EQ(DrainTicks::nextInterval(16, 0, 40 * ms), 16);
    EXPECT_EQ(DrainTicks::nextInterval(2, 1000, 2 * ms), 1);
    // A clock that did not move does not divide by zero.
    EXPECT_EQ(DrainTicks::nextInterval(4, 100, 0), 1);
}
