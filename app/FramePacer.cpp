#include "FramePacer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>

namespace {

// The share is looked at over half a second: long enough to hold several frames.
constexpr std::int64_t kPeriodNs = 500'000'000;

} // namespace

PaceClock PaceClock::system()
{
    PaceClock clock;
    clock.wallNs = [] {
        return std::int64_t(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                std::chrono::steady_clock::now().time_since_epoch())
                                .count());
    };
    clock.cpuNs = [] {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return std::int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
    };
    return clock;
}

std::int64_t FramePacer::msSinceFrame(std::int64_t wallNs) const
{
    return (wallNs - lastFrameNs_) / 1'000'000;
}

bool FramePacer::startFrame(std::int64_t wallNs, std::int64_t cpuNs, bool now)
{
    measure(wallNs, cpuNs);
    if (!now && framed_ && msSinceFrame(wallNs) < interval_)
        return false;
    framed_ = true;
    lastFrameNs_ = wallNs; // frames are counted from start to start
    return true;
}

int FramePacer::msUntilDue(std::int64_t wallNs) const
{
    if (!framed_)
        return 1;
    return int(std::max<std::int64_t>(1, interval_ - msSinceFrame(wallNs)));
}

void FramePacer::measure(std::int64_t wallNs, std::int64_t cpuNs)
{
    if (!measuring_) {
        measuring_ = true;
        periodStartNs_ = wallNs;
        periodCpuNs_ = cpuNs;
        return;
    }
    const std::int64_t periodNs = wallNs - periodStartNs_;
    if (periodNs < kPeriodNs)
        return;
    interval_ = nextInterval(interval_, double(cpuNs - periodCpuNs_) / double(periodNs));
    periodStartNs_ = wallNs;
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

void DrainTicks::restart(std::int64_t wallNs)
{
    started_ = true;
    interval_ = kMinIntervalMs;
    samplesNs_ = wallNs;
    windowNs_ = wallNs;
    windowSamples_ = 0;
}

int DrainTicks::afterTick(std::uint32_t drained, std::int64_t wallNs)
{
    if (!started_)
        restart(wallNs);
    windowSamples_ += drained;
    // A faster stream is followed at once, also on the tick that closes a window: a burst
    // must not be averaged away by the quieter stretch before it.
    int now = kMaxIntervalMs;
    if (drained > 0) {
        const std::int64_t ns = std::max<std::int64_t>(wallNs - samplesNs_, 1);
        now = forRate(double(drained) * 1e6 / double(ns));
        samplesNs_ = wallNs;
    }
    const std::int64_t ns = wallNs - windowNs_;
    if (ns >= kWindowNs) {
        interval_ = forRate(double(windowSamples_) * 1e6 / double(ns));
        windowNs_ = wallNs;
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
