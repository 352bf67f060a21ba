// How often the live diagram is repainted while samples stream in, and how often the display
// timer takes the received samples. Both are told the time by their caller (in nanoseconds
// of a steady clock, and of processor time for the frames), so that they can be driven by a
// clock that a test moves by hand.
#pragma once

#include <cstdint>
#include <functional>

// Where the acquisition reads the time: a steady clock and the processor time the calling
// thread has used, both in nanoseconds.
struct PaceClock {
    std::function<std::int64_t()> wallNs;
    std::function<std::int64_t()> cpuNs;

    // The steady clock and this thread's processor time.
    static PaceClock system();
};

// Frames come at most once per display frame (16 ms). While the GUI thread spends more than
// its share of a processor core, the frames are spaced further apart, up to four display
// frames (66 ms, 15 a second), so that a large picture or a slow machine keeps time for
// everything else; when the load drops, they come closer again. Samples are never held
// back: each frame shows every sample received until then.
class FramePacer {
public:
    static constexpr int kMinIntervalMs = 16;
    static constexpr int kMaxIntervalMs = 66;
    // The GUI thread's share of one core that frames are spaced out to stay below.
    static constexpr double kCpuShare = 0.05;

    // True when a frame may be drawn at `wallNs` (always when `now`); it then counts as
    // started. `cpuNs` is the thread's processor time at that moment.
    bool startFrame(std::int64_t wallNs, std::int64_t cpuNs, bool now = false);
    int intervalMs() const { return interval_; }
    // Milliseconds from `wallNs` until a frame may be drawn again (at least 1).
    int msUntilDue(std::int64_t wallNs) const;

    // The next interval for a GUI thread that used `share` of a core at `interval` ms.
    static int nextInterval(int interval, double share);

private:
    void measure(std::int64_t wallNs, std::int64_t cpuNs);
    std::int64_t msSinceFrame(std::int64_t wallNs) const;

    bool framed_ = false;
    std::int64_t lastFrameNs_ = 0;
    bool measuring_ = false;
    std::int64_t periodStartNs_ = 0;
    std::int64_t periodCpuNs_ = 0;
    int interval_ = kMinIntervalMs;
};

// How often the display timer takes the received samples in "Rolling Data" mode. A tick
// every millisecond mostly finds one sample or none at a low rate and costs a wake-up each
// time, while the samples only reach the screen with the next frame anyway. So the ticks are
// spaced to take about kTickSamples samples each: from every millisecond for fast streams
// (the ring never fills up between ticks) to once per display frame (16 ms) for slow ones.
class DrainTicks {
public:
    static constexpr int kMinIntervalMs = 1;
    static constexpr int kMaxIntervalMs = FramePacer::kMinIntervalMs;
    static constexpr double kTickSamples = 500;
    // With nothing arriving the ticks are spaced no further than this: a fast stream that
    // starts after a quiet stretch (Start, say) is then taken within a few milliseconds.
    static constexpr int kQuietIntervalMs = 4;
    // A slower stream is recognised over this long: one tick may find only part of a block.
    static constexpr std::int64_t kWindowNs = 100'000'000;

    // An acquisition starts at `wallNs`: ticks every millisecond until the rate is known.
    void restart(std::int64_t wallNs);
    // The interval after a tick at `wallNs` that took `drained` samples.
    int afterTick(std::uint32_t drained, std::int64_t wallNs);

    // The spacing for a stream of `samplesPerMs` (0 when nothing arrives).
    static int forRate(double samplesPerMs);

private:
    bool started_ = false;
    std::int64_t samplesNs_ = 0; // when samples were last taken (or the start)
    std::int64_t windowNs_ = 0;  // when the present window began
    std::uint64_t windowSamples_ = 0;
    int interval_ = kMinIntervalMs;
};
