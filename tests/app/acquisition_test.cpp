// The acquisition's display side without a window: sample blocks go through the link's real
// receiver into the shared ring, the acquisition's steps are carried out on a plain record of
// the diagram, and the clock is moved by hand.

#include "Acquisition.h"

#include "Scknet.h"

#include "../link/link_test_support.h"

#include <cstdint>
#include <deque>

namespace {

constexpr std::uint32_t kFull = 20000; // the live diagram's 20001 places hold 20000 samples

class AcquisitionTest : public LinkTest {
protected:
    // The controller's part: a block of n samples handed to the receiver. Sample k of the
    // run carries k in channels 0 (low 16 bits) and 1 (high 16 bits).
    void block(std::uint16_t n, bool event = false)
    {
        Bytes payload(5 + 16 * std::size_t(n));
        put_u16_be(payload.data() + 2, n);
        payload[4] = event ? 1 : 0;
        for (std::size_t i = 0; i < n; ++i, ++sent) {
            put_u16_be(payload.data() + 5 + 16 * i, std::uint16_t(sent));
            put_u16_be(payload.data() + 7 + 16 * i, std::uint16_t(sent >> 16));
        }
        deliver(reply(REPLY_SAMPLE_BLOCK, payload));
        queue_flush(); // the acknowledgements
    }
    // n samples in blocks of at most 1000.
    void samples(std::uint32_t n)
    {
        for (; n > 0; n -= std::min(n, 1000u))
            block(std::uint16_t(std::min(n, 1000u)));
    }

    // Carries out a step as the window does, on the record of the diagram.
    const AcquisitionStep& apply(const AcquisitionStep& step)
    {
        if (step.clear)
            diagram.clear();
        for (const SampleSlot& slot : step.samples) {
            diagram.push_back(std::int64_t(std::uint16_t(slot[0]))
                              | std::int64_t(std::uint16_t(slot[1])) << 16);
            if (diagram.size() > kFull)
                diagram.pop_front();
        }
        repaints += step.repaint;
        last = step;
        return last;
    }
    DiagramFill fill() const { return {std::uint32_t(diagram.size()), kFull}; }
    const AcquisitionStep& tick() { return apply(acquisition.tick(fill())); }
    const AcquisitionStep& stop() { return apply(acquisition.stop(fill())); }
    void advanceMs(std::int64_t ms) { wallNs += ms * 1'000'000; }

    // True when the diagram holds the run's samples first, first + 1, ... in order.
    ::testing::AssertionResult holdsRun(std::int64_t first) const
    {
        for (std::size_t k = 0; k < diagram.size(); ++k)
            if (diagram[k] != first + std::int64_t(k))
                return ::testing::AssertionFailure()
                       << "diagram sample " << k << " is run sample " << diagram[k] << ", not "
                       << first + std::int64_t(k);
        return ::testing::AssertionSuccess();
    }

    std::int64_t sent = 0;
    std::deque<std::int64_t> diagram;
    int repaints = 0;
    AcquisitionStep last;
    std::int64_t wallNs = 1'000'000'000;
    std::int64_t cpuNs = 0;
    Acquisition acquisition{PaceClock{[this] { return wallNs; }, [this] { return cpuNs; }}};
};

} // namespace

TEST_F(AcquisitionTest, RollingShowsEverySampleAfterStartOnceAndInOrder)
{
    link_state.settings.trigger_mode = 0;
    block(50); // not acquiring: the receiver drops it
    EXPECT_EQ(link_state.ring_write.load(), 0u);
    EXPECT_EQ(acquisition.start(), DrainTicks::kMinIntervalMs);
    EXPECT_EQ(link_state.acquisition_on.load(), 1);
    sent = 0;

    // Many ticks of uneven size, the ring wrapping several times.
    std::int64_t total = 0;
    for (int t = 0; t < 300; ++t) {
        const std::uint16_t n = std::uint16_t((t * 37) % 400);
        if (n > 0)
            block(n);
        total += n;
        advanceMs(1);
        tick();
    }
    ASSERT_GT(total, 2 * std::int64_t(SAMPLE_RING_SLOTS));
    ASSERT_EQ(diagram.size(), kFull);
    EXPECT_TRUE(holdsRun(total - kFull));
    EXPECT_EQ(link_state.ring_display.load(), link_state.ring_write.load());

    // A display more than a whole ring behind goes on from the oldest sample still stored.
    samples(25000);
    total += 25000;
    tick();
    EXPECT_TRUE(holdsRun(total - kFull));

    // Stop takes in what arrived after the last tick: the diagram ends with the last sample.
    block(7);
    stop();
    EXPECT_EQ(diagram.back(), sent - 1);
    EXPECT_EQ(link_state.ring_display.load(), link_state.ring_write.load());
    EXPECT_EQ(link_state.acquisition_on.load(), 0);
    EXPECT_FALSE(acquisition.running());
    EXPECT_FALSE(last.captureStarted || last.rearmed || last.stopped);

    // What is stored between a Stop and the next Start is skipped (here: the block the
    // receiver took while acquisition_on was still set).
    link_state.acquisition_on = 1;
    block(5);
    acquisition.start();
    block(3);
    tick();
    EXPECT_EQ(diagram.back(), sent - 1);
    EXPECT_EQ(diagram[kFull - 4], sent - 9) << "the five samples before Start are not shown";
}

TEST_F(AcquisitionTest, AutoTriggerCapturesFromTwoHundredBeforeTheNewestAndRearms)
{
    link_state.settings.trigger_mode = 1;
    link_state.trigger_flags =
        TRIGGER_CAPTURED | TRIGGER_SHOWING | TRIGGER_FORCED; // left from before
    acquisition.start();
    EXPECT_EQ(link_state.trigger_flags.load(), 0u);

    // Without an event nothing is shown.
    samples(500);
    tick();
    EXPECT_TRUE(diagram.empty());

    // The controller's event: on the next tick the diagram starts afresh with the 200
    // samples before the newest, the event block among them.
    diagram.assign(3, -1);
    block(10, true);
    tick();
    EXPECT_TRUE(last.clear && last.captureStarted && !last.rearmed);
    EXPECT_EQ(diagram.size(), 200u);
    EXPECT_TRUE(holdsRun(510 - 200));
    EXPECT_EQ(link_state.trigger_flags.load(), TRIGGER_CAPTURED | TRIGGER_SHOWING);

    // An event during the capture is not a new one.
    block(100, true);
    tick();
    EXPECT_FALSE(last.clear || last.captureStarted);
    EXPECT_EQ(diagram.size(), 300u);

    // The capture ends with exactly 20000 samples; the rest waits for the next capture.
    for (int i = 0; i < 30 && !last.rearmed; ++i) {
        samples(997);
        tick();
    }
    EXPECT_TRUE(last.rearmed);
    EXPECT_TRUE(last.repaint) << "the whole capture is shown at once";
    ASSERT_EQ(diagram.size(), kFull);
    EXPECT_TRUE(holdsRun(310));
    EXPECT_EQ(link_state.trigger_flags.load(), 0u);
    EXPECT_TRUE(acquisition.running());

    // Waiting again: the diagram keeps the capture until the next event.
    samples(300);
    tick();
    EXPECT_EQ(diagram.size(), kFull);
    block(10, true);
    tick();
    EXPECT_TRUE(last.captureStarted);
    EXPECT_EQ(diagram.size(), 200u);
    EXPECT_EQ(diagram.back(), sent - 1);
}

TEST_F(AcquisitionTest, SingleShotForcedCaptureEndsTheAcquisitionWhenTheDiagramIsFull)
{
    link_state.settings.trigger_mode = 2;
    acquisition.start();
    samples(1000);
    tick();

    // Force: the next block is taken as the event, and the request is then cleared.
    link_state.trigger_flags.fetch_or(TRIGGER_FORCED);
    block(40);
    tick();
    EXPECT_TRUE(last.captureStarted);
    EXPECT_EQ(link_state.trigger_flags.load() & TRIGGER_FORCED, 0u);
    EXPECT_TRUE(holdsRun(1040 - 200));

    for (int i = 0; i < 30 && !last.stopped; ++i) {
        samples(1000);
        tick();
    }
    EXPECT_TRUE(last.stopped);
    EXPECT_FALSE(last.rearmed);
    ASSERT_EQ(diagram.size(), kFull);
    EXPECT_TRUE(holdsRun(840));
    EXPECT_EQ(link_state.acquisition_on.load(), 0);
    EXPECT_FALSE(acquisition.running());
    EXPECT_EQ(link_state.trigger_flags.load() & (TRIGGER_CAPTURED | TRIGGER_FORCED), 0u);

    // Stopped: blocks are no longer stored, and the Stop that follows changes nothing.
    const std::uint32_t write = link_state.ring_write.load();
    block(50, true);
    EXPECT_EQ(link_state.ring_write.load(), write);
    stop();
    EXPECT_TRUE(last.samples.empty());
    EXPECT_EQ(diagram.size(), kFull);
}

// A capture opens with at most 200 samples before the newest, and only with samples stored
// since Start: never with those an earlier acquisition left in the ring.
TEST_F(AcquisitionTest, CaptureNeverOpensWithSamplesOfAnEarlierAcquisition)
{
    for (const std::uint8_t mode : {1, 2}) {
        SCOPED_TRACE(int(mode));
        link_state_reset();
        diagram.clear();
        link_state.settings.trigger_mode = mode;

        // An acquisition that ends without an event leaves 500 samples in the ring.
        acquisition.start();
        samples(500);
        tick();
        stop();

        // Forced right after the next Start: the capture opens with the event block alone.
        acquisition.start();
        link_state.trigger_flags.fetch_or(TRIGGER_FORCED);
        const std::int64_t first = sent;
        block(30);
        tick();
        ASSERT_TRUE(last.captureStarted);
        EXPECT_EQ(diagram.size(), 30u);
        EXPECT_TRUE(holdsRun(first));

        // With what arrived before the event as well.
        stop();
        acquisition.start();
        block(60);
        block(20, true);
        tick();
        EXPECT_EQ(diagram.size(), 80u);
        stop();
    }

    // The link comes back by itself during an acquisition (the ring starts again from 0):
    // what was stored before and after counts alike.
    link_state_reset();
    link_state.settings.trigger_mode = 1;
    acquisition.start();
    samples(3000);
    tick();
    stop();
    acquisition.start(); // at slot 3000
    block(5);
    tick();
    link_connected();
    acquisition.ringEmptied();
    samples(3100);
    block(10, true);
    tick();
    EXPECT_EQ(diagram.size(), 200u);
    EXPECT_TRUE(holdsRun(sent - 200));
}
