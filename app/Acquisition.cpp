#include "Acquisition.h"

#include <algorithm>
#include <utility>

Acquisition::Acquisition(PaceClock clock) : clock_(std::move(clock)) {}

int Acquisition::start()
{
    link_state.acquisition_on = 1;
    running_ = true;
    ticks_.restart(clock_.wallNs());
    // A capture may open with samples stored from here on, not with those of an earlier
    // acquisition still in the ring.
    const RingSnapshot snapshot = ring_snapshot();
    seenWrite_ = snapshot.write;
    storedSinceStart_ = 0;
    if (link_state.settings.trigger_mode.load() == TriggerRolling) {
        link_state.ring_display = snapshot.write; // only what arrives from now on is shown
        displayBegun_ = snapshot.begun;
    } else {
        link_state.trigger_flags.fetch_and(~(TRIGGER_CAPTURED | TRIGGER_SHOWING | TRIGGER_FORCED));
    }
    return DrainTicks::kMinIntervalMs;
}

int Acquisition::resume()
{
    link_state.acquisition_on = 1;
    running_ = true;
    ticks_.restart(clock_.wallNs());
    return DrainTicks::kMinIntervalMs;
}

void Acquisition::pause()
{
    link_state.acquisition_on = 0;
    running_ = false;
}

void Acquisition::ringEmptied()
{
    seenWrite_ = 0;
    displayBegun_ = link_state.ring_writes_begun.load();
}

AcquisitionStep Acquisition::tick(DiagramFill fill)
{
    AcquisitionStep step;
    slots_.clear();
    // Samples stored after this moment wait for the next tick.
    const RingSnapshot snapshot = ring_snapshot();
    countStored(snapshot.write);
    if (link_state.settings.trigger_mode.load() == TriggerRolling)
        rolling(snapshot, step);
    else
        capture(snapshot, fill, step);
    return step;
}

AcquisitionStep Acquisition::stop(DiagramFill fill)
{
    link_state.trigger_flags.fetch_and(~(TRIGGER_CAPTURED | TRIGGER_FORCED));
    link_state.acquisition_on = 0;
    // In "Rolling Data" the ticks can be up to a display frame apart: what arrived since the
    // last one is taken in, so that the diagram ends with the last sample received. (In the
    // event modes the ticks stay 1 ms apart and a capture ends on its own.)
    AcquisitionStep step;
    if (running_ && link_state.settings.trigger_mode.load() == TriggerRolling)
        step = tick(fill);
    running_ = false;
    if (repaintPending_)
        step.repaint = frame(true); // the last samples appended are shown now
    return step;
}

void Acquisition::countStored(std::uint32_t write)
{
    if (write == seenWrite_)
        return;
    const std::uint32_t stored = ring_distance(seenWrite_, write, SAMPLE_RING_SLOTS);
    storedSinceStart_ = std::min(storedSinceStart_ + stored, kPreEventSamples);
    seenWrite_ = write;
}

void Acquisition::rolling(const RingSnapshot& snapshot, AcquisitionStep& step)
{
    const std::uint32_t w = snapshot.write;
    std::uint32_t display = link_state.ring_display.load();
    // A display lapped by the receiver (more than a whole ring behind) goes on from the
    // oldest sample still stored instead of reading overwritten slots. The positions alone
    // cannot tell a whole turn more or less; the count of writes since the display last
    // caught up can (it may count one write still under way, hence the turn and one).
    if (snapshot.begun - displayBegun_ >= SAMPLE_RING_SLOTS)
        display = link_state.ring_oldest.load();
    else if (display != w
             && ring_distance(display, w, SAMPLE_RING_SLOTS)
                    > ring_distance(link_state.ring_oldest.load(), w, SAMPLE_RING_SLOTS))
        display = link_state.ring_oldest.load();
    if (display == w) {
        if (repaintPending_)
            step.repaint = frame(false);
        step.interval = spaceTicks(0);
        return;
    }
    // The slots are copied first and handed on once the copy is known to be good: the
    // receiver may have written the oldest ones again meanwhile, and those are skipped.
    const std::uint32_t overwritten = ring_copy(display, snapshot, slots_);
    step.samples = std::span<const SampleSlot>(slots_).subspan(overwritten);
    link_state.ring_display = w;
    displayBegun_ = snapshot.begun;
    step.repaint = frame(false);
    step.interval = spaceTicks(std::uint32_t(slots_.size()));
}

void Acquisition::capture(const RingSnapshot& snapshot, DiagramFill fill, AcquisitionStep& step)
{
    const std::uint32_t w = snapshot.write;
    std::uint32_t display = link_state.ring_display.load();
    if ((link_state.trigger_flags.load() & TRIGGER_CAPTURED) == 0 || display == w) {
        if (repaintPending_)
            step.repaint = frame(false);
        return;
    }

    if ((link_state.trigger_flags.load() & TRIGGER_SHOWING) == 0) {
        // First tick after the event: start afresh with up to 200 samples before the newest,
        // all of them stored since Start.
        link_state.trigger_flags.fetch_or(TRIGGER_SHOWING);
        step.clear = true;
        step.captureStarted = true;
        fill.samples = 0;
        const std::uint32_t valid =
            ring_distance(link_state.ring_oldest.load(), w, SAMPLE_RING_SLOTS);
        const std::uint32_t before = std::min({valid, storedSinceStart_, kPreEventSamples});
        display = ring_back(w, before, SAMPLE_RING_SLOTS);
        link_state.trigger_flags.fetch_and(~TRIGGER_FORCED);
    }

    // Copied and checked as above; the slots written again meanwhile are passed over.
    const std::uint32_t overwritten = ring_copy(display, snapshot, slots_);
    display = ring_advance(display, overwritten, SAMPLE_RING_SLOTS);
    const std::span<const SampleSlot> fresh =
        std::span<const SampleSlot>(slots_).subspan(overwritten);
    // The diagram takes samples until it holds `full` (a full one still takes one).
    const std::uint32_t room = fill.full > fill.samples ? fill.full - fill.samples : 1;
    if (fresh.size() < room) {
        step.samples = fresh;
        link_state.ring_display = w;
        step.repaint = frame(false);
        return;
    }

    // The capture is complete. The display index is handed back before the captured bit is
    // cleared: from then on the receiver may set it to the next event's slot.
    step.samples = fresh.first(room);
    link_state.ring_display = ring_advance(display, room, SAMPLE_RING_SLOTS);
    link_state.trigger_flags.fetch_and(~TRIGGER_CAPTURED);
    step.repaint = frame(true); // the whole capture is shown at once
    if (link_state.settings.trigger_mode.load() == TriggerAuto) {
        // AutoTrigger: wait for the next event.
        link_state.trigger_flags.fetch_and(~TRIGGER_SHOWING);
        step.rearmed = true;
    } else {
        link_state.trigger_flags.fetch_and(~TRIGGER_FORCED);
        link_state.acquisition_on = 0;
        running_ = false;
        step.stopped = true;
    }
}

int Acquisition::spaceTicks(std::uint32_t drained)
{
    const std::int64_t now = clock_.wallNs();
    int interval = ticks_.afterTick(drained, now);
    if (repaintPending_) // a frame held back is drawn when it is due, not a tick later
        interval = std::min(interval, pacer_.msUntilDue(now));
    return interval;
}

bool Acquisition::frame(bool now)
{
    repaintPending_ = !pacer_.startFrame(clock_.wallNs(), clock_.cpuNs(), now);
    return !repaintPending_;
}
