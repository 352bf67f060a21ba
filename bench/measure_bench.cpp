// Times measure_channels, the computation behind the "Misure" window, over a full ring:
// 8 channels x 20000 samples of 16-bit values with some noise, the whole ring in range, then
// half of it (the T cursors' case, the rest skipped by its time). Prints the median and the
// 95th percentile of many runs beside the target of 1 ms.
// Usage: measure_bench [--rounds N]. Needs no window system.

#include "ChannelMeasures.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr std::uint32_t kSamples = 20000;
constexpr std::uint32_t kCapacity = kSamples + 1;
constexpr double kTargetMs = 1.0;

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v[std::size_t(p * double(v.size() - 1) + 0.5)];
}

void run(const char* what, const SampleRing& ring, double from, double to, int rounds)
{
    ChannelMeasure out[Diagramx::kMaxChannels];
    std::vector<double> ms;
    ms.reserve(std::size_t(rounds));
    double sink = 0;
    for (int i = 0; i < rounds; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        measure_channels(ring, Diagramx::kMaxChannels, from, to, out);
        const auto t1 = std::chrono::steady_clock::now();
        ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        sink += out[0].rms;
    }
    std::printf("%-34s median %.3f ms, 95th percentile %.3f ms (target %.1f ms)%s\n", what,
                percentile(ms, 0.5), percentile(ms, 0.95), kTargetMs, sink == 0.5 ? " " : "");
}

} // namespace

int main(int argc, char** argv)
{
    int rounds = 501;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--rounds") == 0)
            rounds = std::max(1, std::atoi(argv[i + 1]));

    // The ring as the main window fills it: raw 16-bit values, one millisecond apart, the
    // ring wrapped so that it starts in the middle.
    auto samples = std::make_unique<Sample[]>(kCapacity);
    const std::uint32_t head = kCapacity / 2;
    std::srand(1);
    for (std::uint32_t i = 0; i < kSamples; ++i) {
        Sample& s = samples[(head + i) % kCapacity];
        s.t = i * 0.001;
        for (int ch = 0; ch < Diagramx::kMaxChannels; ++ch)
            s.value[ch] = std::round(20000 * std::sin(i * 0.01 + ch) + std::rand() % 200 - 100);
    }
    const SampleRing ring{samples.get(), kCapacity, head, (head + kSamples) % kCapacity};

    std::printf("measure_channels, 8 channels x %u samples, %d runs each\n", kSamples, rounds);
    run("whole ring in range", ring, 0, kSamples * 0.001, rounds);
    run("half of it (between T cursors)", ring, 5.0, 15.0, rounds);
    return 0;
}
