#include "paint_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <vector>

namespace {

// The column shortcut and the split into several polylines must paint exactly what the
// plain algorithm paints.
void expect_same_picture(DiagramHost& h, const ViewState& v, int width, int height)
{
    PaintTarget plain(width, height), reduced(width, height), split(width, height);
    auto paint = [&](PaintTarget& t, bool reduce, std::uint32_t capacity) {
        const std::uint32_t full = h.d->pointCapacity;
        h.d->reduceTraceColumns = reduce;
        h.d->pointCapacity = capacity;
        ViewState copy = v;
        h.d->Paint(t.area, copy);
        h.d->pointCapacity = full;
        h.d->reduceTraceColumns = true;
    };
    paint(plain, false, h.d->pointCapacity);
    paint(reduced, true, h.d->pointCapacity);
    paint(split, false, 7); // a buffer of 7 points: every trace is many short polylines
    EXPECT_EQ(count_differing(reduced.picture(), plain.picture()), 0);
    EXPECT_EQ(count_differing(split.picture(), plain.picture()), 0);
}

} // namespace

TEST(TraceIdentity, SinesNoiseStepsAndRampsInFollowAndZoomMode)
{
    DiagramHost h;
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0, 1);
    h.append(20000, [&](int c, int, double t) {
        switch (c % 4) {
        case 0: // sines with noise
            return (800 - 100 * c) * std::sin(2 * M_PI * (2 + c) * t) + 40 * noise(rng);
        case 1: // steps
            return std::fmod(t, 0.5 * c) < 0.25 * c ? 600.0 : -600.0;
        case 2: // ramps, and noise alone
            return c == 2 ? 1000 * (std::fmod(t, 1.0) - 0.5) : 120 * noise(rng);
        default: // spikes
            return std::fmod(t, 0.013 * c) < 0.001 ? 500.0 : 0.0;
        }
    });
    ViewState clipped = h.d->view; // a fixed scale clipping about half of every signal
    clipped.fixedScale = 1;
    clipped.fixedYMax = 300;
    clipped.fixedYMin = -300;
    const struct {
        ViewState v;
        int width, height;
    } cases[] = {
        {h.d->view, 900, 500},
        {zoomed(h.d->view, 0, 19999, -1100, 1100), 400, 300}, // many samples per column
        {clipped, 900, 500},
        {zoomed(h.d->view, 1000, 40, -700, 700), 900, 500}, // many columns per sample
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.v.viewLength << " " << c.width);
        expect_same_picture(h, c.v, c.width, c.height);
    }

    // A signal crossing the limit on every sample overflows the plain buffer.
    DiagramHost alt;
    alt.showOnly(0);
    alt.append(20000, [](int, int i, double) { return i % 2 ? 10.0 : -10.0; });
    expect_same_picture(alt, zoomed(alt.d->view, 0, 19999, -5, 5), 1200, 400);
}
