// The display side of an acquisition: moves the samples that the link's receiver stores in
// the shared ring into the live diagram in the three trigger modes, sets up and ends the
// event captures, and spaces the display ticks and the diagram's repaints. It touches no
// control and sends nothing: each call says as plain data what the window is to do (append
// these samples, repaint, a capture started or ended, the acquisition stopped), and the
// window turns that into buttons, status and messages to the controller.
//
// Runs on the GUI thread only. It shares with the receiver (socket thread) acquisition_on,
// trigger_flags and ring_display, as the hand-over of the ring in Globvar.h describes.
#pragma once

#include "FramePacer.h"
#include "Globvar.h"

#include <cstdint>
#include <span>
#include <vector>

// How full the diagram is: the samples it holds and how many make it full.
struct DiagramFill {
    std::uint32_t samples = 0;
    std::uint32_t full = 0;
};

// What one call did and what the window is to do about it.
struct AcquisitionStep {
    // Clear the diagram (a capture starts), then append `samples` in order, one sample
    // period apart. The samples stay valid until the next call.
    bool clear = false;
    std::span<const SampleSlot> samples;
    // A capture started: the controller's event is to be re-armed, Force disabled.
    bool captureStarted = false;
    // An AutoTrigger capture is complete: the controller's event is to be re-armed and
    // Force enabled again; the acquisition waits for the next event.
    bool rearmed = false;
    // A Single Shot capture is complete and the acquisition has ended: the window shows
    // it stopped.
    bool stopped = false;
    // Repaint the diagram (after appending).
    bool repaint = false;
    // Milliseconds until the next tick.
    int interval = DrainTicks::kMinIntervalMs;
};

class Acquisition {
public:
    // At most this many samples before the newest one open a capture.
    static constexpr std::uint32_t kPreEventSamples = 200;

    explicit Acquisition(PaceClock clock = PaceClock::system());

    // Start, in the trigger mode of `settings`: acquisition_on is set; in "Rolling Data" only
    // what arrives from now on is shown, in the event modes the trigger flags are cleared
    // (the window then re-arms the controller's event). Returns the first tick's interval.
    int start();
    // One display tick: takes what the receiver stored since the last one.
    AcquisitionStep tick(DiagramFill fill);
    // Stop: the trigger flags cleared, acquisition_on cleared; in "Rolling Data" what arrived
    // since the last tick is taken in, and a repaint held back is asked for now.
    AcquisitionStep stop(DiagramFill fill);
    // The hidden Start/Stop test button: ticks with acquisition_on set or cleared, the ring
    // positions and the trigger flags left as they are. resume returns the first interval.
    int resume();
    void pause();
    // The link emptied the ring (on connecting): its positions start again from 0.
    void ringEmptied();

    // Ticks are running (between start or resume and stop or pause).
    bool running() const { return running_; }

private:
    void rolling(const RingSnapshot& snapshot, AcquisitionStep& step);
    void capture(const RingSnapshot& snapshot, DiagramFill fill, AcquisitionStep& step);
    void countStored(std::uint32_t write);
    // True when a frame is drawn now; otherwise it is held back until it is due.
    bool frame(bool now);
    int spaceTicks(std::uint32_t drained);

    PaceClock clock_;
    FramePacer pacer_;
    DrainTicks ticks_;
    bool repaintPending_ = false;
    bool running_ = false;
    // The samples stored since Start (counted up to kPreEventSamples), followed by the ring's
    // write position at each tick: a capture never opens with samples of an earlier
    // acquisition that are still in the ring.
    std::uint32_t storedSinceStart_ = 0;
    std::uint32_t seenWrite_ = 0;
    // The receiver's count of writes begun when the display last caught up with the ring.
    std::uint64_t displayBegun_ = 0;
    // The ring slots taken in one call.
    std::vector<SampleSlot> slots_;
};
