// The main window in "Rolling Data" mode against a controller that misbehaves once: a sample
// block dropped, cut off by the connection closing, replaced by broken frames, claiming more
// samples than it holds, and the controller restarted under another address. (Replies split
// or merged by TCP are read in reply_reader_test.cpp.) Each time the link must come back by
// itself, the samples must flow again, and the diagram must
// hold every sample block that reached the PC whole, once each and in order: the only gaps
// are the blocks the fault spoiled.
//
// The window's thread is held up for half a second around each fault, as on a loaded
// machine, so that samples are still waiting in the ring when the link reconnects.
//
// Then a controller that floods the link, which laps the display again and again.

#include "sim_window_fixture.h"

#include "Scknet.h"

#include <QThread>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace e2e;

struct FaultCase {
    const char* name;
    sim::Fault fault;
    int injected;        // how many in a row; 0: the controller restarts elsewhere instead
    bool reconnects;     // the link has to reconnect (else it must stay connected)
    std::size_t spoiled; // sample blocks that cannot reach the PC whole (at most, on a restart)
};

class FaultInjectionTest : public WindowLinkTest, public ::testing::WithParamInterface<FaultCase> {
protected:
    // The blocks the simulator sent so far, oldest first (across a restart).
    void collect_blocks()
    {
        std::vector<sim::BlockRecord> b = simulator->take_blocks();
        blocks.insert(blocks.end(), b.begin(), b.end());
    }

    // What the PC kept: the diagram's samples, then those still in the ring.
    std::vector<Sample> kept_samples() const
    {
        std::vector<Sample> kept;
        for (std::uint32_t k = 0; k < live_diagram->SampleCount(); ++k)
            kept.push_back(diagram_sample(k));
        for (std::uint32_t s = link_state.ring_display.load(); s != link_state.ring_write.load();
             s = ring_advance(s, 1, SAMPLE_RING_SLOTS)) {
            Sample sample{};
            for (std::size_t ch = 0; ch < SAMPLE_CHANNELS; ++ch)
                sample.value[ch] = link_state.sample_ring[s][ch];
            kept.push_back(sample);
        }
        return kept;
    }

    std::vector<sim::BlockRecord> blocks;
};

TEST_P(FaultInjectionTest, TheLinkRecoversAndEveryWholeBlockIsShownOnceInOrder)
{
    const FaultCase c = GetParam();
    sim::Options options = paced(1000, 10);
    options.record_blocks = true;
    open_and_connect(options);
    ASSERT_FALSE(HasFatalFailure());
    click(window->BitBtn_start_CMP);
    ASSERT_TRUE(pump_until([] { return live_diagram->SampleCount() >= 300; }));

    const std::uint64_t connections = simulator->stats().connections;
    QThread::msleep(150); // the window busy: samples pile up in the ring
    for (int k = 0; k < c.injected; ++k)
        simulator->inject(c.fault);
    if (c.injected == 0) {
        // The controller goes away and comes back under another address on the same port;
        // the discovery question still reaches it (as a broadcast would).
        const std::uint16_t port = simulator->port();
        simulator->stop();
        collect_blocks();
        ASSERT_TRUE(pump_until([] { return connection_state() != LINK_CONNECTED; }));
        options.bind_address = "127.0.0.2";
        options.discovery_address = "127.0.0.1";
        start_simulator(options, port);
        ASSERT_FALSE(HasFatalFailure());
    }
    QThread::msleep(350);
    ASSERT_TRUE(pump_until([&] { return simulator->stats().faults >= std::uint64_t(c.injected); }))
        << "the fault was not applied";

    // Recovered: connected, samples flowing again.
    const std::uint64_t shown = live_diagram->SampleCount();
    ASSERT_TRUE(pump_until(
        [&] {
            return connection_state() == LINK_CONNECTED
                   && live_diagram->SampleCount() >= shown + 500;
        },
        20s))
        << "state " << int(connection_state()) << ", " << live_diagram->SampleCount()
        << " samples shown, " << shown << " at the fault";
    EXPECT_EQ(panel(StatusPanel::Acquisition), "CMP-On");
    if (c.injected == 0) // a restarted controller counts its connections afresh
        EXPECT_EQ(panel(StatusPanel::Controller), "IP: 127.0.0.2");
    else
        EXPECT_EQ(simulator->stats().connections > connections, c.reconnects)
            << connections << " connections before the fault, " << simulator->stats().connections
            << " after";

    // Stopped, every block the PC received whole is in the diagram (or still in the ring),
    // in the simulator's order, once; the block in flight at Stop is not kept.
    click(window->BitBtn_stop_CMP);
    samples_stored_after_stop();
    collect_blocks();
    ASSERT_FALSE(blocks.empty());
    std::vector<std::uint64_t> expected; // simulator sample numbers
    for (const sim::BlockRecord& b : blocks)
        for (std::uint16_t i = 0; b.intact && i < b.count; ++i)
            expected.push_back(b.first + i);
    if (blocks.back().intact)
        expected.resize(expected.size() - blocks.back().count);
    const std::vector<Sample> kept = kept_samples();
    ASSERT_EQ(kept.size(), expected.size())
        << "samples kept against samples received whole (" << blocks.size() << " blocks)";
    for (std::size_t k = 0; k < kept.size(); ++k)
        if (period_positions(kept[k]).count(int(expected[k] % 2000)) == 0) {
            ADD_FAILURE() << "kept sample " << k << " is not the simulator's sample " << expected[k]
                          << ": ch3 " << kept[k].value[2] << " ch5 " << kept[k].value[4];
            break;
        }
    const auto spoiled =
        std::size_t(std::count_if(blocks.begin(), blocks.end(),
                                  [](const sim::BlockRecord& b) { return !b.intact; }));
    // A restart spoils at most the block in hand when the controller went away.
    EXPECT_TRUE(c.injected == 0 ? spoiled <= c.spoiled : spoiled == c.spoiled) << spoiled;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultInjectionTest,
    ::testing::Values(FaultCase{"dropped_block", sim::Fault::Drop, 1, true, 1},
                      FaultCase{"closed_mid_block", sim::Fault::CloseMidReply, 1, true, 1},
                      // The four broken frames in turn: a length that promises more than
                      // comes, an unknown type, a frame shorter than a header, garbage with a
                      // length of 0 (the first and the third never end: the link times out).
                      FaultCase{"broken_frames", sim::Fault::Malformed, 4, true, 4},
                      // The block is dropped and asked for again; the controller goes on.
                      FaultCase{"block_claiming_more_samples", sim::Fault::Overclaim, 1, false, 1},
                      FaultCase{"controller_restarted_elsewhere", sim::Fault::Drop, 0, true, 1}),
    [](const auto& info) { return std::string(info.param.name); });

// A controller that sends full blocks of 4000 samples as fast as the link takes them, while
// the window is held up now and then: the receiver laps the display again and again, also
// while the display copies the ring. The diagram gets only whole samples of the simulator's;
// those written over meanwhile are passed over. Under ThreadSanitizer this also checks that
// the ring is shared without a data race, in both ways the display reads it.
class FloodTest : public WindowLinkTest, public ::testing::WithParamInterface<int> {};

TEST_P(FloodTest, TheDisplayLappedByTheReceiverShowsOnlyWholeSamples)
{
    sim::Options options;
    options.sample_rate = 0;
    options.max_block = 4000;
    open_and_connect(options, GetParam());
    ASSERT_FALSE(HasFatalFailure());
    click(window->BitBtn_start_CMP);
    for (int round = 0; round < 8; ++round) {
        QThread::msleep(30); // the window busy: the ring is written over several times
        const std::uint64_t blocks = simulator->stats().blocks;
        ASSERT_TRUE(pump_until([&] { return simulator->stats().blocks >= blocks + 10; }));
    }
    ASSERT_TRUE(pump_until([] { return live_diagram->SampleCount() > 0; }));
    click(window->BitBtn_stop_CMP);
    for (std::uint32_t k = 0; k < live_diagram->SampleCount(); ++k)
        ASSERT_FALSE(period_positions(diagram_sample(k)).empty()) << "sample " << k << " is torn";
}

INSTANTIATE_TEST_SUITE_P(Modes, FloodTest, ::testing::Values(0, 1), [](const auto& info) {
    return std::string(info.param == 0 ? "rolling" : "auto_trigger");
});

} // namespace
