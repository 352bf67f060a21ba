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
    std::vector<QString> formats;
    int operator()(double value, const QString& format) override
    {
        measured.push_back(value);
        formats.push_back(format);
        return width;
    }
};

} // namespace

TEST(YStep, RangeZeroToTenWithRoomForEightLabelsStepsByTwo)
{
    const AxisStep s = choose_y_step(0, 10, 8);
    EXPECT_DOUBLE_EQ(s.step, 2);
    EXPECT_DOUBLE_EQ(s.first, 0);
    EXPECT_EQ(s.format, "0.");
    EXPECT_FALSE(s.quarter);
}

TEST(YStep, SmallSymmetricRangeRefinesToHalfAHundredth)
{
    const AxisStep s = choose_y_step(-0.05, 0.05, 20);
    EXPECT_NEAR(s.step, 0.005, 1e-15);
    EXPECT_EQ(s.format, "0.000");
    EXPECT_NEAR(s.first, -0.05, 1e-15);
}

TEST(YStep, QuarterStepsGetOneMoreDecimalWhenFractional)
{
    AxisStep s = choose_y_step(0, 10, 4); // 5 labels too many, 4 fit: 10 x 0.25
    EXPECT_DOUBLE_EQ(s.step, 2.5);
    EXPECT_TRUE(s.quarter);
    EXPECT_EQ(s.format, "0.0");
    s = choose_y_step(0, 1, 4);
    EXPECT_DOUBLE_EQ(s.step, 0.25);
    EXPECT_EQ(s.format, "0.00");
    s = choose_y_step(0, 100, 4); // 25: a quarter step without a fraction
    EXPECT_DOUBLE_EQ(s.step, 25);
    EXPECT_EQ(s.format, "0.");
}

TEST(YStep, LargeValuesOrExtremeStepsSwitchToScientific)
{
    EXPECT_EQ(choose_y_step(-1100, 1100, 10).format, "0.###e+"); // |yMax| >= 1000
    EXPECT_EQ(choose_y_step(-2000, -1000, 10).format, "0.###e+"); // |first| >= 1000
    EXPECT_EQ(choose_y_step(0, 999, 10).format, "0.");
    EXPECT_EQ(choose_y_step(0, 1e-5, 10).format, "0.###e+"); // step 1e-6
}

TEST(YStep, FirstLabelIsTheSmallestMultipleNotBelowTheMinimum)
{
    EXPECT_DOUBLE_EQ(choose_y_step(-0.5, 10.5, 8).first, 0);
    EXPECT_DOUBLE_EQ(choose_y_step(-3.2, 10, 8).first, -2);
    EXPECT_DOUBLE_EQ(choose_y_step(4, 6, 8).first, 4);
    EXPECT_DOUBLE_EQ(choose_y_step(4.1, 6, 8).first, 4.25);
    // No room at all still gives a finite step and ends.
    const AxisStep s = choose_y_step(0, 1e-300, 0);
    EXPECT_GT(s.step, 0);
}

TEST(TStep, FinestStepWhoseLabelsFitSideBySide)
{
    FixedWidth w(10); // each label 10 px + 14 px gap = 24 px
    // 0..10 over 400 px: step 1 gives 11 x 24 = 264 < 400; 0.5 gives 21 x 24 = 504.
    const AxisStep s = choose_t_step(0, 10, 400, 14, w);
    EXPECT_DOUBLE_EQ(s.step, 1);
    EXPECT_DOUBLE_EQ(s.first, 0);
    EXPECT_EQ(s.format, "0.");
}

TEST(TStep, QuarterStepOfTwoAndAHalfGetsOneDecimal)
{
    FixedWidth w(10);
    // Over 130 px: step 2 needs 6 x 24 = 144, step 2.5 needs 5 x 24 = 120.
    const AxisStep s = choose_t_step(0, 10, 130, 14, w);
    EXPECT_DOUBLE_EQ(s.step, 2.5);
    EXPECT_TRUE(s.quarter);
    EXPECT_EQ(s.format, "0.0");
    EXPECT_DOUBLE_EQ(s.first, 0);
}

TEST(TStep, LabelsAtOrAboveAThousandAreScientific)
{
    FixedWidth w(10);
    const AxisStep s = choose_t_step(995, 1005, 400, 14, w);
    EXPECT_EQ(s.format, "0.###e+");
    EXPECT_DOUBLE_EQ(s.first, 995);
}

TEST(TStep, NothingFitsInATinyPlotAndTheSearchEnds)
{
    FixedWidth w(10);
    const AxisStep s = choose_t_step(0, 10, 10, 14, w);
    EXPECT_TRUE(s.format.isEmpty());
    EXPECT_EQ(s.step, 0);
    // The number of labels measured per candidate is bounded by the plot width.
    FixedWidth w2(10);
    choose_t_step(0, 1e6, 100, 14, w2);
    EXPECT_LT(w2.measured.size(), 100u);
}

TEST(TStep, FarFromZeroWithATinySpanEnds)
{
    FixedWidth w(10);
    const AxisStep s = choose_t_step(1e6, 1e6 + 1e-9, 800, 14, w);
    EXPECT_GT(s.step, 0);
    EXPECT_LT(w.measured.size(), 10000u);
}

TEST(MinorTicks, SubdivisionsKeepEightPixelsApart)
{
    EXPECT_EQ(minor_subdivisions(40), 5);
    EXPECT_EQ(minor_subdivisions(39), 4);
    EXPECT_EQ(minor_subdivisions(32), 4);
    EXPECT_EQ(minor_subdivisions(31), 3);
    EXPECT_EQ(minor_subdivisions(24), 3);
    EXPECT_EQ(minor_subdivisions(16), 2);
    EXPECT_EQ(minor_subdivisions(15), 1);
}

TEST(LabelValues, StepsThroughZeroLandExactlyOnZero)
{
    double v = -0.3;
    for (int i = 0; i < 3; ++i)
        v = next_label_value(v, 0.1);
    EXPECT_EQ(v, 0.0);
    EXPECT_FALSE(std::signbit(v));
}
