// The channel measurements' computation over a sample ring: which samples count, the figures
// on plain data, and mean and RMS against an independent reference on awkward data.

#include "ChannelMeasures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>
#include <vector>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// A ring holding the given samples of channel 0 (time, value) from slot `start` on, so that
// a start near the end wraps them around.
struct TestRing {
    std::vector<Sample> store;
    SampleRing ring;
    TestRing(const std::vector<std::pair<double, double>>& data, std::uint32_t start = 0,
             std::uint32_t capacity = 0)
    {
        if (capacity == 0)
            capacity = std::uint32_t(data.size()) + 1;
        store.assign(capacity, Sample{});
        std::uint32_t k = start;
        for (const auto& [t, v] : data) {
            store[k].t = t;
            store[k].value[0] = v;
            k = (k + 1) % capacity;
        }
        ring = {store.data(), capacity, start, k};
    }
    ChannelMeasure measure(double from, double to) const
    {
        ChannelMeasure out[Diagramx::kMaxChannels];
        measure_channels(ring, 1, from, to, out);
        return out[0];
    }
};

std::vector<std::pair<double, double>> at_milliseconds(const std::vector<double>& values)
{
    std::vector<std::pair<double, double>> data;
    for (std::size_t i = 0; i < values.size(); ++i)
        data.emplace_back(double(i) * 0.001, values[i]);
    return data;
}

struct Case {
    const char* what;
    std::vector<std::pair<double, double>> data;
    double from, to;
    std::uint32_t count;
    double min, max, mean, rms;
};

TEST(ChannelMeasures, FiguresOverTheSamplesInRange)
{
    const auto ramp = at_milliseconds({1, 2, 3, 4, 5, 6});
    const Case cases[] = {
        {"whole ramp", ramp, 0, 0.005, 6, 1, 6, 3.5, std::sqrt(91.0 / 6)},
        {"range reversed", ramp, 0.005, 0, 6, 1, 6, 3.5, std::sqrt(91.0 / 6)},
        {"inner part, ends included", ramp, 0.001, 0.003, 3, 2, 4, 3, std::sqrt(29.0 / 3)},
        {"one sample", ramp, 0.002, 0.002, 1, 3, 3, 3, 3},
        {"range before the data", ramp, -2, -1, 0, 0, 0, 0, 0},
        {"range end no number", ramp, kNaN, 1, 0, 0, 0, 0, 0},
        {"empty ring", {}, -1, 1, 0, 0, 0, 0, 0},
        {"NaN and infinities are not counted", at_milliseconds({kNaN, 2, kInf, 4, -kInf, 6}), 0, 1,
         3, 2, 6, 4, std::sqrt(56.0 / 3)},
        {"no finite value", at_milliseconds({kNaN, kInf}), 0, 1, 0, 0, 0, 0, 0},
        {"no time: skipped", {{0, 1}, {kNaN, 100}, {0.002, 3}}, 0, 1, 2, 1, 3, 2, std::sqrt(5.0)},
        {"negative values", at_milliseconds({-3, -1}), 0, 1, 2, -3, -1, -2, std::sqrt(5.0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (std::uint32_t start : {0u, 4u}) { // straight and wrapped around the ring's end
            const TestRing r(c.data, start % std::uint32_t(c.data.size() + 1));
            const ChannelMeasure m = r.measure(c.from, c.to);
            EXPECT_EQ(m.count, c.count);
            if (c.count == 0)
                continue;
            EXPECT_EQ(std::tuple(m.min, m.max, m.peakToPeak),
                      std::tuple(c.min, c.max, c.max - c.min));
            EXPECT_DOUBLE_EQ(m.mean, c.mean);
            EXPECT_DOUBLE_EQ(m.rms, c.rms);
        }
    }
}

// The reference: plain two-pass sums (the mean, then the spread around it) in a precision so
// much wider than a double's that a million roundings stay far below a double's last digit.
#ifdef __SIZEOF_FLOAT128__
using Wide = __float128;
#else
using Wide = long double;
#endif
struct Reference {
    double mean = 0, rms = 0;
};
Reference reference(const std::vector<double>& values)
{
    Wide sum = 0;
    std::size_t n = 0;
    for (double x : values)
        if (std::isfinite(x)) {
            sum += x;
            ++n;
        }
    const Wide mean = sum / Wide(n);
    Wide spread = 0;
    for (double x : values)
        if (std::isfinite(x))
            spread += (Wide(x) - mean) * (Wide(x) - mean);
    const Wide meanSquare = mean * mean + spread / Wide(n);
    return {double(mean), double(std::sqrt((long double)meanSquare))};
}

TEST(ChannelMeasures, MeanAndRmsHoldTheirDigitsOnAwkwardData)
{
    struct Awkward {
        const char* what;
        std::vector<double> values;
    };
    std::vector<double> offset, longRun, mixed, centred;
    for (int i = 0; i < 20000; ++i) {
        offset.push_back(1e9 + 1e-6 * (i % 7)); // large offset, tiny spread
        mixed.push_back(i % 97 == 0 ? kNaN : 123456.789 + (i % 3) * 1e-9);
        centred.push_back(i % 2 ? 1e8 + 0.5 : -1e8 - 0.25); // mean near 0, large values
    }
    for (int i = 0; i < 1000000; ++i)
        longRun.push_back(0.1 * (1 + i % 2)); // a long run of values no double holds exactly
    const Awkward cases[] = {
        {"large offset, tiny spread", offset},
        {"long run", longRun},
        {"NaN mixed in", mixed},
        {"large values around zero", centred},
    };
    for (const Awkward& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::pair<double, double>> data;
        for (std::size_t i = 0; i < c.values.size(); ++i)
            data.emplace_back(double(i), c.values[i]);
        const TestRing r(data, std::uint32_t(data.size() / 3));
        const ChannelMeasure m = r.measure(0, double(data.size()));
        const Reference ref = reference(c.values);
        // Within a unit or two in the last place of the result (the mean of the values
        // around zero is 0.125, and its error is measured against their size).
        const double meanScale = std::max(std::fabs(ref.mean), std::fabs(c.values[1]));
        EXPECT_NEAR(m.mean, ref.mean, 2 * meanScale * 0x1p-52);
        EXPECT_NEAR(m.rms, ref.rms, 2 * ref.rms * 0x1p-52);
    }
}

} // namespace
