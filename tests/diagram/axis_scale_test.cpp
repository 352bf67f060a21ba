#include "AxisScale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// Every label is the same width; records what was measured.
struct FixedWidth final : LabelWidth {
    explicit FixedWidth(int w) : width(w) {}
    int width;
    std::vector<double> measured;
    int operator()(double value, const QString&) override
    {
        measured.push_back(value);
        return width;
    }
};

} // namespace

TEST(YStep, StepFirstLabelAndFormatForRangeAndRoom)
{
    const double any = NAN; // not checked in that case
    // A null format or a quarter of -1 is not checked.
    const struct {
        double min, max;
        int room;
        double step, first;
        const char* format;
        int quarter;
    } cases[] = {
        {0, 10, 8, 2, 0, "0.", 0},
        {-0.05, 0.05, 20, 0.005, -0.05, "0.000", -1}, // refined to half a hundredth
        // 5 labels too many, 4 fit: a quarter step, one more decimal.
        {0, 10, 4, 2.5, any, "0.0", 1},
        {0, 1, 4, 0.25, any, "0.00", -1},
        {-1100, 1100, 10, any, any, "0.###e+", -1}, // |yMax| >= 1000
        {0, 1e-5, 10, any, any, "0.###e+", -1},     // step 1e-6
        // The first label is the smallest multiple of the step not below the minimum.
        {-0.5, 10.5, 8, any, 0, nullptr, -1},
        {4.1, 6, 8, any, 4.25, nullptr, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.min << " .. " << c.max << " room " << c.room);
        const AxisStep s = choose_y_step(c.min, c.max, c.room);
        if (!std::isnan(c.step)) {
            EXPECT_NEAR(s.step, c.step, 1e-15);
        }
        if (!std::isnan(c.first)) {
            EXPECT_NEAR(s.first, c.first, 1e-15);
        }
        if (c.format) {
            EXPECT_EQ(s.format, c.format);
        }
        if (c.quarter >= 0) {
            EXPECT_EQ(s.quarter, c.quarter == 1);
        }
    }
    // No room at all still gives a finite step and ends.
    EXPECT_GT(choose_y_step(0, 1e-300, 0).step, 0);
}

TEST(TStep, FinestStepWhoseLabelsFitSideBySide)
{
    // Each label 10 px + 14 px gap = 24 px.
    const struct {
        double min, max;
        int width;
        double step, first;
        const char* format;
        bool quarter;
    } cases[] = {
        {0, 10, 400, 1, 0, "0.", false},   // step 1: 11 x 24 = 264 < 400; 0.5: 21 x 24 = 504
        {0, 10, 130, 2.5, 0, "0.0", true}, // step 2 needs 6 x 24 = 144, 2.5 needs 5 x 24 = 120
        {995, 1005, 400, 1, 995, "0.###e+", false}, // labels at or above a thousand
        // Far into a long recording: four significant digits would make every label of
        // these read alike, so they are written out with the step's decimals.
        {1200, 1200.05, 400, 0.005, 1200, "0.000", false},
        {43210, 43213, 400, 0.2, 43210, "0.0", false},
        {12000, 13000, 400, 100, 12000, "0.###e+", false}, // four digits tell these apart
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.min << " .. " << c.max << " in " << c.width);
        FixedWidth w(10);
        const AxisStep s = choose_t_step(c.min, c.max, c.width, 14, w);
        EXPECT_DOUBLE_EQ(s.step, c.step);
        EXPECT_DOUBLE_EQ(s.first, c.first);
        EXPECT_EQ(s.format, c.format);
        EXPECT_EQ(s.quarter, c.quarter);
    }
}

TEST(TStep, SearchEndsWhenNothingFitsOrTheSpanIsTinyFarFromZero)
{
    FixedWidth w(10), w2(10), w3(10);
    const AxisStep s = choose_t_step(0, 10, 10, 14, w);
    EXPECT_TRUE(s.format.isEmpty());
    EXPECT_EQ(s.step, 0);
    // The number of labels measured per candidate is bounded by the plot width.
    choose_t_step(0, 1e6, 100, 14, w2);
    EXPECT_LT(w2.measured.size(), 100u);
    EXPECT_GT(choose_t_step(1e6, 1e6 + 1e-9, 800, 14, w3).step, 0);
    EXPECT_LT(w3.measured.size(), 10000u);
}

TEST(MinorTicks, SubdivisionsKeepEightPixelsApart)
{
    const int cases[][2] = {{40, 5}, {39, 4}, {32, 4}, {31, 3}, {24, 3}, {16, 2}, {15, 1}};
    for (const auto& c : cases)
        EXPECT_EQ(minor_subdivisions(c[0]), c[1]) << c[0];
}
