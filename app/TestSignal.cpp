#include "TestSignal.h"

#include <cmath>
#include <numbers>

const std::array<std::int16_t, kQuarterWave + 1>& quarter_wave_table()
{
    static const auto table = [] {
        std::array<std::int16_t, kQuarterWave + 1> t{};
        for (int i = 0; i <= kQuarterWave; ++i)
            t[std::size_t(i)] = std::int16_t(
                std::lround(32767.0 * std::sin(2.0 * std::numbers::pi * i / kPhaseSteps)));
        return t;
    }();
    return table;
}

int table_sin(unsigned phase)
{
    const auto& t = quarter_wave_table();
    const unsigned p = phase & (kPhaseSteps - 1);
    if (p < 4096)
        return t[p];
    if (p < 8192)
        return t[8192 - p];
    if (p < 12288)
        return -t[p - 8192];
    return -t[16384 - p];
}

int table_cos(unsigned phase)
{
    unsigned p = (phase & (kPhaseSteps - 1)) + kQuarterWave;
    if (p > unsigned(kPhaseSteps))
        p -= kPhaseSteps;
    return table_sin(p);
}

void TestSignal::test_sample(double values[8])
{
    ++counter;
    unsigned p = (unsigned(counter) * 8) & 0x3FFF;
    values[0] = table_sin(p) * 0.0011;
    values[1] = table_cos(p) * 0.001;
    for (int pair = 1; pair < 4; ++pair) {
        p = (p + 256) & 0x3FFF;
        values[2 * pair] = table_sin(p) * 0.001;
        values[2 * pair + 1] = table_cos(p) * 0.001;
    }
}
