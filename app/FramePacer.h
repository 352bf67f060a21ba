// How often the live diagram is repainted while samples stream in.
#pragma once

#include <QElapsedTimer>

#include <cstdint>

// Frames come at most once per display frame (16 ms). While the GUI thread spends more than
// its share of a processor core, the frames are spaced further apart, up to 50 ms (20 a
// second), so that a large picture or a slow machine keeps time for everything else; when
// the load drops, they come closer again. Samples are never held back: each frame shows
// every sample received until then.
class FramePacer {
public:
    static constexpr int kMinIntervalMs = 16;
    static constexpr int kMaxIntervalMs = 50;
    // The GUI thread's share of one core that frames are spaced out to stay below.
    static constexpr double kCpuShare = 0.07;

    // True when a frame may be drawn now (always when `now`); it then counts as started.
    bool startFrame(bool now = false);
    int intervalMs() const { return interval_; }

    // The next interval for a GUI thread that used `share` of a core at `interval` ms.
    static int nextInterval(int interval, double share);

private:
    void measure();

    QElapsedTimer lastFrame_;
    QElapsedTimer period_;
    std::int64_t periodCpuNs_ = 0;
    int interval_ = kMinIntervalMs;
};
