// Samples at the ends of what doubles hold: times a few denormals apart, times and values
// near the largest doubles, a single sample. Every picture keeps the traces inside the plot,
// maps the samples to the plot's edges as their ranges say, and never steps through pixels
// far outside the picture (which made such pictures take seconds).

#include "paint_support.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <string>
#include <vector>

namespace {

struct Row {
    double t, v0, v1;
};

struct ExtremeCase {
    const char* name;
    std::vector<Row> rows;
    bool fixed;        // fixed scale -2000 .. 2000
    const char* edges; // the edges of the plot channel 0's ink reaches: "l", "r", "t", "b"
    // The values at which channel 0's ink begins and ends, where the case says.
    double inkLow = std::nan(""), inkHigh = std::nan("");
};

// The bounding box of the pixels in colour c.
QRect ink_of(const QImage& img, Color c)
{
    return ink_box(img, [c](Color x) { return x == c; });
}

} // namespace

TEST(ExtremeData, TracesStayInThePlotAndReachTheEdgesTheirRangesGive)
{
    const double tiny = 4.9406564584124654e-324; // the smallest double above 0
    const double none = std::nan("");
    const ExtremeCase cases[] = {
        // Two samples a denormal apart: the first on the left edge, the second on the right;
        // leaving the fixed range, up to the top edge at the right.
        {"times a denormal apart", {{0, 0, 5}, {tiny, 1, 5}}, false, "lr"},
        {"times a denormal apart, fixed scale", {{0, 1, 5}, {tiny, 3000, 5}}, true, "lrt"},
        // Times wider apart than the doubles reach: the range is cut to the widest one there
        // is, and the line crosses it from a quarter of the way to three quarters.
        {"times at both ends", {{-DBL_MAX, 0, 5}, {DBL_MAX, 1, 5}}, false, "lr", 0.25, 0.75},
        // Values likewise: the trace runs along the top and bottom edges, the other is drawn.
        {"values at both ends",
         {{0, DBL_MAX, 5}, {0.001, -DBL_MAX, 6}, {0.002, 1.7e308, 7}},
         false,
         "lrtb"},
        // One value so large that widening it by 1 changes nothing: a line across the middle.
        {"one huge value", {{0, 1e300, none}, {0.001, 1e300, none}}, false, "lr"},
        // One sample: its point in the middle of the plot.
        {"one sample", {{5, 3, none}}, false, ""},
    };
    for (const ExtremeCase& c : cases) {
        SCOPED_TRACE(c.name);
        DiagramHost h(700, 450);
        for (const Row& r : c.rows) {
            const double values[8] = {r.v0, r.v1, 0, 0, 0, 0, 0, 0};
            h.d->AddSample(r.t, values, 8);
        }
        h.showOnly(0);
        h.d->channelVisible[1] = 1;
        ViewState v = h.d->view;
        v.fixedScale = c.fixed;
        v.fixedYMax = 2000;
        v.fixedYMin = -2000;
        PaintTarget t(700, 450);
        h.d->Paint(t.area, v);

        ASSERT_TRUE(std::isfinite(v.tMax - v.tMin) && v.tMax > v.tMin);
        ASSERT_TRUE(std::isfinite(v.yMax - v.yMin) && v.yMax > v.yMin);
        const QRect plot(QPoint(v.plotLeft, v.plotBottom - v.plotHeight),
                         QPoint(v.plotLeft + v.plotWidth, v.plotBottom));
        const QRect ink = ink_of(t.picture(), h.d->channelColor[0]);
        ASSERT_FALSE(ink.isEmpty());
        EXPECT_TRUE(plot.contains(ink));
        // The frame and the ticks are drawn over the trace's pixels at the plot's edges.
        const int near = v.tickLength + 1;
        const std::string edges = c.edges;
        EXPECT_EQ(ink.left() <= plot.left() + near, edges.find('l') != std::string::npos);
        EXPECT_EQ(ink.right() >= plot.right() - near, edges.find('r') != std::string::npos);
        EXPECT_EQ(ink.top() <= plot.top() + near, edges.find('t') != std::string::npos);
        EXPECT_EQ(ink.bottom() >= plot.bottom() - near, edges.find('b') != std::string::npos);
        if (std::isfinite(c.inkLow)) {
            const Scale s{v};
            EXPECT_NEAR(ink.bottom(), s.y(c.inkLow), 1);
            EXPECT_NEAR(ink.top(), s.y(c.inkHigh), 1);
        }
        if (c.rows.size() == 1) {
            const Scale s{v};
            EXPECT_EQ(ink, QRect(s.x(c.rows[0].t), s.y(c.rows[0].v0), 1, 1));
        }
        if (std::isfinite(c.rows[0].v1)) {
            EXPECT_FALSE(ink_of(t.picture(), h.d->channelColor[1]).isEmpty());
        }
    }
}
