// The live diagram's frame spacing and the display timer's tick spacing.

#include "FramePacer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <limits>
#include <thread>

TEST(FramePacer, SpacesFramesToKeepTheThreadsShareWithinOneAndFourDisplayFrames)
{
    // A share below the budget brings frames back towards one per display frame, a higher
    // one spaces them out, halfway each time; never outside 16 .. 66 ms.
    EXPECT_EQ(FramePacer::nextInterval(16, 0.01), 16);
    EXPECT_EQ(FramePacer::nextInterval(40, 0.0), 20);
    EXPECT_EQ(FramePacer::nextInterval(16, 2 * FramePacer::kCpuShare), 24);
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
    // 1 kHz: a tick per display frame; 50 kHz: 10 ms; 800 kHz: every millisecond.
    EXPECT_EQ(DrainTicks::forRate(1), DrainTicks::kMaxIntervalMs);
    EXPECT_EQ(DrainTicks::forRate(50), 10);
    EXPECT_EQ(DrainTicks::forRate(800), 1);
    // Nothing arriving: a few milliseconds, so that a stream starting later is taken soon.
    EXPECT_EQ(DrainTicks::forRate(0), DrainTicks::kQuietIntervalMs);
    EXPECT_EQ(DrainTicks::forRate(std::numeric_limits<double>::quiet_NaN()),
              DrainTicks::kQuietIntervalMs);

    // A tick that finds part of a block does not space the ticks out: a slower stream is
    // only recognised over a window of ticks.
    DrainTicks ticks;
    ticks.restart();
    EXPECT_EQ(ticks.afterTick(1000), 1);
    EXPECT_EQ(ticks.afterTick(3), 1);
    EXPECT_EQ(ticks.afterTick(0), 1);

    // A burst on the tick that closes a quiet window is followed at once, not averaged away.
    // (Should the machine stall past the window before the first tick, that tick closes the
    // window instead and the burst is still taken from its own rate: the check holds.)
    ticks.restart();
    std::this_thread::sleep_for(std::chrono::milliseconds(90));
    ticks.afterTick(1);
    std::this_thread::sleep_for(std::chrono::milliseconds(12));
    // Over the window under 250 samples/ms (2 ms apart); the burst alone over 500 (1 ms)
    // unless the second pause overran by more than 38 ms.
    EXPECT_EQ(ticks.afterTick(25000), 1);
}
