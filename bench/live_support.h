// What the benchmarks that run the main window against grafion-sim share: the event loop,
// processor time, resident memory, and where a sample sits in the simulator's waveforms.
#pragma once

#include "Diagramx.h"
#include "Globvar.h"
#include "rss.h"

#include <QEventLoop>
#include <QTimer>

#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <numbers>
#include <string>

// Runs the application's own event loop for a while, as the program does (QTest::qWait
// would sleep up to 10 ms between its passes and hold the 1 ms display timer back).
inline void run_event_loop(std::chrono::milliseconds duration)
{
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec();
}

inline double process_cpu_seconds()
{
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec)
           + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

inline std::uint32_t ring_gap(std::uint32_t from, std::uint32_t to)
{
    return ring_span(from, to, SAMPLE_RING_SLOTS);
}

// The simulator's waveforms say where a sample sits in their 2000-sample period: channel 5
// is a ramp of +60 per sample over 1000 samples, channel 3 a sine of 2000 samples. Returns
// the position, -1 when the values fit none, -2 at the sine's zero crossings (0 or 1000).
inline int period_position(const Sample& s)
{
    const double step = (s.value[4] + 30000.0) / 60.0;
    const long m = std::lround(step);
    if (std::fabs(step - double(m)) > 0.05 || m < 0 || m > 999)
        return -1;
    int found = -1;
    int fits = 0;
    for (int candidate : {int(m), int(m) + 1000}) {
        const double expected = 20000.0 * std::sin(std::numbers::pi * candidate / 1000.0);
        if (std::fabs(expected - s.value[2]) <= 2.0) {
            found = candidate;
            ++fits;
        }
    }
    return fits == 2 ? -2 : found;
}

// Follows the simulator's sequence through the diagram's samples one by one.
class SequenceFollower {
public:
    enum Step { InSequence, Break, Unreadable };

    Step next(const Sample& s)
    {
        const int p = period_position(s);
        if (p == -1) {
            expected_ = -1;
            return Unreadable;
        }
        const bool broken = expected_ >= 0 && p != -2 && p != expected_;
        if (p >= 0)
            expected_ = (p + 1) % 2000;
        else if (expected_ >= 0)
            expected_ = (expected_ + 1) % 2000;
        return broken ? Break : InSequence;
    }
    // The next sample starts afresh (the ones between cannot be followed).
    void lose() { expected_ = -1; }

private:
    int expected_ = -1;
};
