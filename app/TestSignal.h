#pragma once
// The built-in test signal: eight sine and cosine traces from a quarter-wave table, for
// exercising the live diagram without a controller.

#include <array>
#include <cstdint>

// A full turn is 16384 phase steps; the table holds the first quarter, entry i close to
// 32767 * sin(2 * pi * i / 16384), so entry 0 is 0 and entry 4096 is 32767.
constexpr int kPhaseSteps = 16384;
constexpr int kQuarterWave = kPhaseSteps / 4;
const std::array<std::int16_t, kQuarterWave + 1>& quarter_wave_table();

// Sine and cosine of a phase in table steps (only the low 14 bits count), scaled to 32767.
int table_sin(unsigned phase);
int table_cos(unsigned phase);

struct TestSignal {
    std::uint16_t counter = 0; // advanced once per sample
    double time = 0;           // seconds; grows by 0.001 per sample

    // The next sample's eight values: a sine and cosine pair, then three more pairs each a
    // further 256 steps (1/64 turn) on. The first value is scaled a little larger than the
    // rest so that the first two traces can be told apart.
    void test_sample(double values[8]);
};
