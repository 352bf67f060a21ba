// The texts of the cursor differences.

#include "CursorDeltas.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(CursorDeltas, Texts)
{
    QLocale::setDefault(QLocale::c());
    const struct {
        double from, to;
        const char* delta;
    } deltas[] = {
        {0.25, 0.75, "0.5000000"},
        {0.75, 0.25, "-0.5000000"},
        {1.5, 1.5, "0.0000000"},
        {-20, 19.824035, "39.8240350"},
        // 0.3 - 0.1 is 0.19999999999999998 and must still read 0.2000000.
        {0.1, 0.3, "0.2000000"},
    };
    for (const auto& c : deltas)
        EXPECT_EQ(cursor_delta_text(c.from, c.to), QString::fromUtf8(c.delta)) << c.delta;

    const struct {
        double dt;
        const char* frequency;
    } frequencies[] = {
        {0.5, "2.000 Hz"},
        {-0.25, "4.000 Hz"}, // t2 left of t1: the same period
        {0, "---"},
        {kNaN, "---"},
        {1e-12, "1e12 Hz"},
        {1e4, "1e-4 Hz"},
        {std::numeric_limits<double>::denorm_min(), "---"}, // 1/dt is no number
    };
    for (const auto& c : frequencies)
        EXPECT_EQ(cursor_frequency_text(c.dt), QString::fromUtf8(c.frequency)) << c.dt;
}

} // namespace
