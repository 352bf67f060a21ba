// How often the live diagram is repainted while samples stream in.
#pragma once

#include <QElapsedTimer>

#include <cstdint>

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

    // True when a frame may be drawn now (always when `now`); it then counts as started.
    bool startFrame(bool now = false);
    int intervalMs() const { return interval_; }
    // Milliseconds until a frame may be drawn again (at least 1).
    int msUntilDue() const;

    // The next interval for a GUI thread that used `share` of a core at `interval` ms.
    static int nextInterval(int interval, double share);

private:
    void measure();

    QElapsedTimer lastFrame_;
    QElapsedTimer period_;
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

    // An acquisition starts: ticks every millisecond until the rate is known.
    void restart();
    // The interval after a tick that took `drained` samples.
    int afterTick(std::uint32_t drained);

    // The spacing for a stream of `samplesPerMs` (0 when nothing arrives).
    static int forRate(double samplesPerMs);

private:
    QElapsedTimer sinceSamples_;
    QElapsedTimer window_;
    std::uint64_t windowSamples_ = 0;
    int interval_ = kMinIntervalMs;
};
