// The live diagram's frame spacing and the display timer's tick spacing.

#include "FramePacer.h"

#include <gtest/gtest.h>

#include <limits>

namespace {
constexpr std::int64_t kMs = 1'000'000;
}

TEST(FramePacer, SpacesFramesToKeepTheThreadsShareWithinOneAndFourDisplayFrames)
{
    // A share below the budget brings frames back towards one per display frame, a higher
    // one spaces them out, halfway each time; never outside 16 .. 66 ms.
    EXPECT_EQ(FramePacer::nextInterval(16, 0.01), 16);
    EXPECT_EQ(FramePacer::nextInterval(40, 0.0), 20);
    EXPECT_EQ(FramePacer::nextInterval(16, 2 * FramePacer::kCpuShare), 24);
    EXPECT_EQ(FramePacer::nextInterval(FramePacer::kMaxIntervalMs, 1.0),
              FramePacer::kMaxIntervalMs);
    EXPECT_EQ(FramePacer::nextInterval(30, std::numeric_limits<double>::quiet_NaN()), 30);
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
    std::int64_t t = 0;
    ticks.restart(t);
    EXPECT_EQ(ticks.afterTick(1000, t += kMs), 1);
    EXPECT_EQ(ticks.afterTick(3, t += kMs), 1);
    EXPECT_EQ(ticks.afterTick(0, t += kMs), 1);
    // At the window's end: 1003 samples in 100 ms, 10 a millisecond.
    EXPECT_EQ(ticks.afterTick(0, t = DrainTicks::kWindowNs), DrainTicks::forRate(10.03));

    // A burst on the tick that closes a quiet window is followed at once, not averaged
    // away: under 250 samples/ms over the window, over 500 on the burst's own.
    ticks.restart(t = 0);
    ticks.afterTick(1, t += 90 * kMs);
    EXPECT_EQ(ticks.afterTick(25000, t += 12 * kMs), 1);
}
