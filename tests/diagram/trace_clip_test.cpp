// Clipping a trace to the plot's ranges, step by step, without drawing.
#include "TraceClip.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const TraceRange kRange{0, 10, -1, 1};

// Runs the steps the trace loop runs for a list of samples: each sample is given again while
// a step stops at a crossing. Returns every point drawn, with whether it was on an edge.
struct Drawn {
    TracePoint p;
    bool outside;
};
std::vector<Drawn> clip_all(const std::vector<TracePoint>& samples, const TraceRange& r = kRange)
{
    std::vector<Drawn> out;
    TraceClipState state{samples.front(), false};
    for (std::size_t i = 0; i < samples.size();) {
        const TracePoint* next = i + 1 < samples.size() ? &samples[i + 1] : nullptr;
        const TraceClipStep step = clip_trace_step(state, samples[i], next, r);
        out.push_back({step.point, step.outside});
        if (step.advance)
            ++i;
        if (out.size() > 4 * samples.size())
            break; // a loop that never passes a sample
    }
    return out;
}

void expect_points(const std::vector<Drawn>& got, const std::vector<Drawn>& want)
{
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_DOUBLE_EQ(got[i].p.t, want[i].p.t);
        EXPECT_DOUBLE_EQ(got[i].p.y, want[i].p.y);
        EXPECT_EQ(got[i].outside, want[i].outside);
    }
}

TEST(TraceClipTest, LeavingAndComingBackRunAlongTheEdgeFromCrossingToCrossing)
{
    // Up through the top at t=2, along it, down through it again at t=5, then through the
    // bottom at t=7.5.
    expect_points(clip_all({{0, 0}, {3, 2}, {4, 2}, {6, 0}, {8, -2}}),
                  {{{0, 0}, false},
                   {{1.5, 1}, true}, // the crossing upwards, on the edge
                   {{3, 1}, true},   // the sample above, drawn on the edge
                   {{4, 1}, true},
                   {{5, 1}, false}, // back in at the crossing
                   {{6, 0}, false},
                   {{7, -1}, true}, // out through the bottom
                   {{8, -1}, true}});
}

TEST(TraceClipTest, TheTimeRangeCutsTheTraceAtItsEnd)
{
    // Past the end: the point at tMax on the line to the sample beyond.
    std::vector<Drawn> got = clip_all({{8, 0}, {12, 0.8}});
    ASSERT_EQ(got.size(), 2u);
    EXPECT_DOUBLE_EQ(got[1].p.t, 10);
    EXPECT_DOUBLE_EQ(got[1].p.y, 0.4);

    // Past the end and above the range before tMax: it stops at the top edge's crossing.
    got = clip_all({{8, 0}, {12, 4}});
    ASSERT_EQ(got.size(), 2u);
    EXPECT_DOUBLE_EQ(got[1].p.t, 9);
    EXPECT_DOUBLE_EQ(got[1].p.y, 1);
}

TEST(TraceClipTest, ASampleBeforeTheRangeOutsideTheValuesStartsOutside)
{
    const std::vector<Drawn> got = clip_all({{-2, 5}, {2, 5}, {4, 0}});
    ASSERT_GE(got.size(), 2u);
    EXPECT_TRUE(got[0].outside);
    EXPECT_DOUBLE_EQ(got[0].p.y, 1);
    EXPECT_FALSE(got.back().outside);
    EXPECT_DOUBLE_EQ(got.back().p.t, 4);
}

} // namespace
