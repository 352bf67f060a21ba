// The main window in "Rolling Data" mode against a controller that misbehaves once: a sample
// block dropped, sent 1.5 s late, cut off by the connection closing, split in two writes,
// merged with another reply, replaced by broken frames, and the controller restarted under
// another address. Each time the link must come back by itself, the samples must flow again,
// the window must stay responsive, and the diagram must hold every sample block that reached
// the PC whole, once each and in order: the only gaps are the blocks the fault spoiled.
//
// The window's thread is held up for half a second around each fault, as on a loaded
// machine, so that samples are still waiting in the ring when the link reconnects.

#include "sim_window_fixture.h"

#include "Scknet.h"

#include <QThread>
#include <QTimer>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace e2e;

// The faults the simulator applies, and the restart of the controller.
enum class Case { Drop, Delay, CloseMidReply, Split, Merge, Malformed, Restart };

struct FaultCase {
    Case kind;
    const char* name;
    bool reconnects;  // the link has to reconnect (else it must stay connected)
};

class FaultInjectionTest : public WindowLinkTest, public ::testing::WithParamInterface<FaultCase> {
protected:
    // The blocks the simulator sent so far, oldest first (across a restart).
    void collect_blocks()
    {
        if (!simulator)
            return;
        std::vector<sim::BlockRecord> b = simulator->take_blocks();
        blocks.insert(blocks.end(), b.begin(), b.end());
    }

    // What the PC kept: the diagram's samples, then those still in the ring.
    std::vector<Sample> kept_samples() const
    {
        std::vector<Sample> kept;
        for (std::uint32_t k = 0; k < live_diagram->SampleCount(); ++k)
            kept.push_back(diagram_sample(k));
        for (std::uint32_t s = ring_display.load(); s != ring_write.load();
             s = ring_advance(s, 1, SAMPLE_RING_SLOTS)) {
            Sample sample {};
            for (std::size_t ch = 0; ch < SAMPLE_CHANNELS; ++ch)
                sample.value[ch] = sample_ring[s][ch];
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

    // The longest wait of the event loop from here on.
    Clock::time_point last_beat = Clock::now();
    Clock::duration longest {};
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        longest = std::max(longest, Clock::now() - last_beat);
        last_beat = Clock::now();
    });
    heartbeat.start(10);

    const std::uint64_t connections = simulator->stats().connections;
    QThread::msleep(150);  // the window busy: samples pile up in the ring
    int faults = 1;
    switch (c.kind) {
    case Case::Drop:
        simulator->inject(sim::Fault::Drop);
        break;
    case Case::Delay:
        simulator->inject(sim::Fault::Delay);
        break;
    case Case::CloseMidReply:
        simulator->inject(sim::Fault::CloseMidReply);
        break;
    case Case::Split:
        simulator->inject(sim::Fault::Split);
        break;
    case Case::Merge:
        simulator->inject(sim::Fault::Merge);
        break;
    case Case::Malformed:
        // The four broken frames in turn: a length that promises more than comes, an unknown
        // type, a frame shorter than a header, garbage with a length of 0.
        faults = 4;
        for (int k = 0; k < faults; ++k)
            simulator->inject(sim::Fault::Malformed);
        break;
    case Case::Restart: {
        // The controller goes away and comes back under another address on the same port;
        // the discovery question still reaches it (as a broadcast would).
        const std::uint16_t port = simulator->port();
        simulator->stop();
        collect_blocks();
        ASSERT_TRUE(pump_until([] { return connection_state() != LINK_CONNECTED; }));
        sim::Options moved = options;
        moved.bind_address = "127.0.0.2";
        moved.discovery_address = "127.0.0.1";
        moved.port = port;
        moved.summary = false;
        simulator = std::make_unique<sim::Simulator>(moved);
        ASSERT_TRUE(simulator->start()) << simulator->error();
        faults = 0;
        break;
    }
    }
    QThread::msleep(350);
    ASSERT_TRUE(pump_until([&] { return simulator->stats().faults >= std::uint64_t(faults); }))
        << "the fault was not applied";

    // Recovered: connected, and samples flowing again.
    const std::uint64_t shown = live_diagram->SampleCount();
    ASSERT_TRUE(pump_until([&] {
        return connection_state() == LINK_CONNECTED && live_diagram->SampleCount() >= shown + 500;
    }, 20s)) << "state " << int(connection_state()) << ", " << live_diagram->SampleCount()
             << " samples shown, " << shown << " at the fault";
    EXPECT_EQ(panel(kPanelConnection), "Connesso");
    EXPECT_EQ(panel(kPanelAcquisition), "CMP-On");
    if (c.kind == Case::Restart) {
        EXPECT_EQ(panel(kPanelController), "IP: 127.0.0.2");
    }
    if (c.reconnects) {
        EXPECT_GT(simulator->stats().connections, c.kind == Case::Restart ? 0 : connections);
    } else {
        EXPECT_EQ(simulator->stats().connections, connections) << "reconnected needlessly";
    }

    // Responsive: a zero timer fires at once, and the event loop never waited for the link.
    bool fired = false;
    QTimer::singleShot(0, [&] { fired = true; });
    EXPECT_TRUE(pump_until([&] { return fired; }, 2s));
    heartbeat.stop();
    EXPECT_LT(longest, 3s) << "the event loop stood still while the link recovered";

    // Stopped, every block the PC received whole is in the diagram (or still in the ring),
    // in the simulator's order, once; the block in flight at Stop is not kept.
    click(window->BitBtn_stop_CMP);
    samples_stored_after_stop();
    collect_blocks();
    std::vector<std::uint64_t> expected;  // simulator sample numbers
    for (const sim::BlockRecord& b : blocks)
        if (b.intact)
            for (std::uint16_t i = 0; i < b.count; ++i)
                expected.push_back(b.first + i);
    ASSERT_FALSE(blocks.empty());
    if (blocks.back().intact)
        expected.resize(expected.size() - blocks.back().count);
    const std::vector<Sample> kept = kept_samples();
    ASSERT_LT(live_diagram->SampleCount(), kDiagramFull) << "the test keeps within the diagram";
    ASSERT_EQ(kept.size(), expected.size())
        << "samples kept against samples received whole (" << blocks.size() << " blocks)";
    for (std::size_t k = 0; k < kept.size(); ++k)
        if (period_positions(kept[k]).count(int(expected[k] % 2000)) == 0) {
            ADD_FAILURE() << "kept sample " << k << " is not the simulator's sample "
                          << expected[k] << ": ch3 " << kept[k].value[2] << " ch5 "
                          << kept[k].value[4];
            break;
        }
    const std::size_t spoiled = std::size_t(std::count_if(
        blocks.begin(), blocks.end(), [](const sim::BlockRecord& b) { return !b.intact; }));
    if (c.kind == Case::Restart) {
        EXPECT_LE(spoiled, 1u) << "at most the block in hand when the controller went away";
    } else {
        EXPECT_EQ(spoiled, std::size_t(c.kind == Case::Split ? 0 : faults));
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultInjectionTest,
                         ::testing::Values(FaultCase {Case::Drop, "dropped_block", true},
                                           FaultCase {Case::Delay, "late_block", true},
                                           FaultCase {Case::CloseMidReply, "closed_mid_block", true},
                                           FaultCase {Case::Split, "split_block", false},
                                           FaultCase {Case::Merge, "merged_block", false},
                                           FaultCase {Case::Malformed, "broken_frames", true},
                                           FaultCase {Case::Restart, "controller_restarted_elsewhere", true}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
