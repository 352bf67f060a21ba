#include "FramePacer.h"

#include <algorithm>
#include <cmath>
#include <ctime>

namespace {

// The processor time this thread has used, in nanoseconds.
std::int64_t thread_cpu_ns()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return std::int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// The share is looked at over half a second: long enough to hold several frames.
constexpr std::int64_t kPeriodNs = 500'000'000;

} // namespace

bool FramePacer::startFrame(bool now)
{
    measure();
    if (!now && lastFrame_.isValid() && lastFrame_.elapsed() < interval_)
        return false;
    lastFrame_.start(); // frames are counted from start to start
    return true;
}

int FramePacer::msUntilDue() const
{
    if (!lastFrame_.isValid())
        return 1;
    return int(std::max<std::int64_t>(1, interval_ - lastFrame_.elapsed()));
}

void FramePacer::measure()
{
    if (!period_.isValid()) {
        period_.start();
        periodCpuNs_ = thread_cpu_ns();
        return;
    }
    const std::int64_t wallNs = period_.nsecsElapsed();
    if (wallNs < kPeriodNs)
        return;
    const std::int64_t cpuNs = thread_cpu_ns();
    interval_ = nextInterval(interval_, double(cpuNs - periodCpuNs_) / double(wallNs));
    period_.start();
    periodCpuNs_ = cpuNs;
}

int FramePacer::nextInterval(int interval, double share)
{
    if (!(share >= 0))
        return interval;
    // Proportional, halfway each time: the frames' own cost scales with their rate, while
    // the rest of the thread's work does not, so a full step would overshoot.
    const double wanted = interval * share / kCpuShare;
    const double next = std::ceil(interval + 0.5 * (wanted - interval));
    return int(std::clamp(next, double(kMinIntervalMs), double(kMaxIntervalMs)));
}

void DrainTicks::restart()
{
    interval_ = kMinIntervalMs;
    sinceSamples_.start();
    window_.start();
    windowSamples_ = 0;
}

int DrainTicks::afterTick(std::uint32_t drained)
{
    if (!window_.isValid())
        restart();
    windowSamples_ += drained;
    // A faster stream is followed at once, also on the tick that closes a window: a burst
    // must not be averaged away by the quieter stretch before it.
    int now = kMaxIntervalMs;
    if (drained > 0) {
        const std::int64_t ns = std::max<std::int64_t>(sinceSamples_.nsecsElapsed(), 1);
        now = forRate(double(drained) * 1e6 / double(ns));
        sinceSamples_.start();
    }
    const std::int64_t ns = window_.nsecsElapsed();
    if (ns >= kWindowNs) {
        interval_ = forRate(double(windowSamples_) * 1e6 / double(ns));
        window_.start();
        windowSamples_ = 0;
    }
    if (drained > 0)
        interval_ = std::min(interval_, now);
    return interval_;
}

int DrainTicks::forRate(double samplesPerMs)
{
    if (!(samplesPerMs > 0))
        return kQuietIntervalMs;
    return int(std::clamp(std::floor(kTickSamples / samplesPerMs), double(kMinIntervalMs),
                          double(kMaxIntervalMs)));
}
