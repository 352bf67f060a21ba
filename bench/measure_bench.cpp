// Times measure_channels, the computation behind the "Misure" window, over a full ring:
// 8 channels x 20000 samples of 16-bit values with some noise, the whole ring in range, then
// half of it (the T cursors' case, the rest skipped by its time). Prints the median and the
// 95th percentile of many runs beside the target of 1 ms. Then the whole refresh of the
// window (figures and table) on a diagram holding as much, which runs after every picture
// while the window is open.
// Usage: measure_bench [--rounds N]. Run with QT_QPA_PLATFORM=offscreen.

#include "ChannelMeasures.h"
#include "MeasureWindow.h"
#include "stats.h"

#include <QApplication>
#include <QWidget>

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

void report(const char* what, const std::vector<double>& ms)
{
    std::printf("%-34s median %.3f ms, 95th percentile %.3f ms (target %.1f ms)\n", what,
                median(ms), percentile(ms, 95), kTargetMs);
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
    report(what, ms);
    if (sink == 0.5) // keeps the results in use
        std::printf("\n");
}

void run_window(int rounds)
{
    QWidget host;
    host.resize(900, 600);
    Diagramx diagram(&host, Diagramx::kMaxChannels, kSamples, kCapacity);
    double values[Diagramx::kMaxChannels];
    for (std::uint32_t i = 0; i < kSamples; ++i) {
        for (int ch = 0; ch < Diagramx::kMaxChannels; ++ch)
            values[ch] = std::round(20000 * std::sin(i * 0.01 + ch));
        diagram.AddSample(i * 0.001, values, Diagramx::kMaxChannels);
    }
    host.show();
    diagram.Redraw();
    MeasureWindow window(nullptr, &diagram, [](int ch) { return QString::number(ch + 1); });
    window.open();
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        // A new figure each time, as during an acquisition: every mean and RMS text changes.
        for (int ch = 0; ch < Diagramx::kMaxChannels; ++ch)
            diagram.samples[diagram.head].value[ch] += 1;
        const auto t0 = std::chrono::steady_clock::now();
        window.refresh();
        const auto t1 = std::chrono::steady_clock::now();
        ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    report("window refresh (figures and table)", ms);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
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
    run_window(rounds);
    return 0;
}
