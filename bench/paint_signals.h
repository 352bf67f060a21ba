// What the paint benchmarks share: the eight realistic test signals written into a diagram,
// the two views they paint (following the newest samples, or zoomed out over all of them),
// and the calling thread's processor time.
#pragma once

#include "Diagramx.h"

#include <cmath>
#include <ctime>
#include <random>

// Eight channels: sines with noise, squares, ramps, a triangle and plain noise, sampled at
// the diagram's sample period from its next time on.
inline void fill_signals(Diagramx& d, int count)
{
    std::mt19937 rng(12345);
    std::normal_distribution<double> noise(0.0, 1.0);
    double values[8];
    for (int i = 0; i < count; ++i) {
        const double t = d.nextTime;
        values[0] = 800 * std::sin(2 * M_PI * 2.0 * t) + 40 * noise(rng);
        values[1] = std::fmod(t, 0.5) < 0.25 ? 600 : -600;
        values[2] = 1000 * (std::fmod(t, 1.0) - 0.5);
        values[3] = 400 * std::sin(2 * M_PI * 0.7 * t + 1) + 15 * noise(rng);
        values[4] = 120 * noise(rng);
        values[5] = 300 * std::sin(2 * M_PI * 9.0 * t) + 250 * std::sin(2 * M_PI * 0.5 * t)
                    + 20 * noise(rng);
        values[6] = std::fmod(t, 1.3) < 0.4 ? 900 : -200;
        const double ph = std::fmod(t * 1.5, 1.0);
        values[7] = 1400 * (ph < 0.5 ? ph : 1 - ph) - 350;
        d.AddSample(t, values, 8);
        d.nextTime += d.samplePeriod;
    }
}

// Processor time of the calling thread, in milliseconds.
inline double thread_cpu_ms()
{
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// Follow mode over the newest `window` samples, automatic Y scale.
inline void set_follow(ViewState& v, std::uint32_t window)
{
    v.followLatest = 1;
    v.fixedScale = 0;
    v.windowSamples = window;
}

// Zoom mode over every sample held, the value axis from -1100 to 1100.
inline void set_zoom_all(Diagramx& d, ViewState& v)
{
    v.followLatest = 0;
    v.fixedScale = 0;
    v.viewOffset = 0;
    v.viewLength = d.SampleCount() - 1;
    v.tTrimStart = v.tTrimEnd = 0;
    v.zoomYMax = 1100;
    v.zoomYMin = -1100;
}
