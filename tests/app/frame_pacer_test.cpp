// The live diagram's frame spacing.

#include "FramePacer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(FramePacer, SpacesFramesToKeepTheThreadsShareWithinOneAndThreeDisplayFrames)
{
    // A share below the budget brings frames back towards one per display frame, a higher
    // one spaces them out, halfway each time; never outside 16 .. 50 ms.
    EXPECT_EQ(FramePacer::nextInterval(16, 0.01), 16);
    EXPECT_EQ(FramePacer::nextInterval(40, 0.0), 20);
    EXPECT_EQ(FramePacer::nextInterval(16, 2 * FramePacer::kCpuShare), 24);
    EXPECT_EQ(FramePacer::nextInterval(30, FramePacer::kCpuShare), 30);
    EXPECT_EQ(FramePacer::nextInterval(50, 1.0), 50);
    EXPECT_EQ(FramePacer::nextInterval(30, std::numeric_limits<double>::quiet_NaN()), 30);

    // A thread whose other work costs 3 % and whose frames cost 1.5 ms each settles where
    // the share is the budget (about 38 ms here), without swinging between the limits.
    int interval = 16;
    for (int round = 0; round < 30; ++round)
        interval = FramePacer::nextInterval(interval, 0.03 + 1.5 / interval);
    const double settled = 0.03 + 1.5 / interval;
    EXPECT_NEAR(settled, FramePacer::kCpuShare, 0.005);
    EXPECT_EQ(FramePacer::nextInterval(interval, settled), interval);
}
