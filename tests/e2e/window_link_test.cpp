// The main window against the controller simulator on loopback (see sim_window_fixture.h):
// connecting, acquiring in the three trigger modes, stopping, disconnecting, and the link
// coming back by itself after the controller went away. The samples' values and counts tell
// whether a sample was lost, repeated or reordered on its way to the diagram.

#include "sim_window_fixture.h"

#include "Netcom.h"
#include "Scknet.h"

#include <QAction>
#include <QTimer>

namespace {

using namespace e2e;

// Checks that the diagram's samples [from, to) are the simulator's samples first_index,
// first_index + 1, ... in order, stamped 1 ms apart from first_time. Stops at the first
// mismatch.
void expect_consecutive(std::uint32_t from, std::uint32_t to, std::uint64_t first_index,
                        double first_time)
{
    for (std::uint32_t k = from; k < to; ++k) {
        const Sample& s = diagram_sample(k);
        const std::uint64_t index = first_index + (k - from);
        const double t = first_time + 0.001 * double(k - from);
        if (period_positions(s).count(int(index % 2000)) == 0 || std::fabs(s.t - t) > 1e-6) {
            ADD_FAILURE() << "diagram sample " << k << " (t " << s.t << ", ch3 " << s.value[2]
                          << ", ch5 " << s.value[4] << ") should be simulator sample " << index
                          << " at t " << t;
            return;
        }
    }
}

// The position in the simulator's period of the diagram's first sample, from the first
// sample whose values say it without ambiguity.
int first_position()
{
    const std::uint32_t n = live_diagram->SampleCount();
    for (std::uint32_t k = 0; k < n; ++k) {
        const std::set<int> fits = period_positions(diagram_sample(k));
        if (fits.size() == 1)
            return int((*fits.begin() + 2000 * 10 - int(k % 2000)) % 2000);
    }
    return -1;
}

// Rolling mode at a controller's usual pace and at five times that with larger blocks:
// Connect sends the channel configuration first, every sample the PC stored reaches the
// diagram once and in order, and a second Start continues the picture where it was,
// skipping what arrived while stopped.
struct RollingCase {
    const char* name;
    unsigned rate;
    unsigned max_block;
    std::uint32_t samples; // how many to take before Stop
};

class RollingTest : public WindowLinkTest, public ::testing::WithParamInterface<RollingCase> {};

TEST_P(RollingTest, ConnectThenEverySampleReachesTheDiagramOnceAndInOrder)
{
    const RollingCase c = GetParam();
    open_and_connect(paced(c.rate, c.max_block));
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(panel(StatusPanel::Interface), "IP: 127.0.0.1");
    EXPECT_EQ(status(), "Connesso | CMP-Off | disconnect start trigger");
    // The channel configuration queued by Connect goes first; then the link polls.
    ASSERT_TRUE(pump_until([&] { return sim_messages(1) >= 2; }));
    const sim::Stats stats = simulator->stats();
    ASSERT_FALSE(stats.recent_types.empty());
    EXPECT_EQ(stats.recent_types.front(), 4);
    EXPECT_EQ(stats.last_channel_config,
              (std::vector<std::uint8_t>{0, 1, 2, 3, 4, 5, 6, 7,
                                         link_state.settings.event_channel.load()}));
    EXPECT_EQ(stats.messages_by_type[2], 0u) << "nothing is started before Start";
    ASSERT_EQ(live_diagram->SampleCount(), 0u);

    click(window->BitBtn_start_CMP);
    EXPECT_EQ(enabled_controls(), "disconnect stop") << "no forced start when rolling";
    const std::uint64_t paints = live_diagram->paintCount();
    ASSERT_TRUE(pump_until([&] { return live_diagram->SampleCount() >= c.samples; }, 30s))
        << "only " << live_diagram->SampleCount() << " samples reached the diagram";
    EXPECT_GT(live_diagram->paintCount(), paints) << "the picture follows the samples";
    // Saving and printing wait while samples are coming in.
    EXPECT_FALSE(window->BitBtn_save->isEnabled() || window->Menu_Stampa->isEnabled());
    EXPECT_EQ(panel(StatusPanel::Acquisition), "CMP-On");

    click(window->BitBtn_stop_CMP);
    EXPECT_EQ(status(), "Connesso | CMP-Off | disconnect start trigger");
    EXPECT_FALSE(window->Timer_Diagram->isActive());

    const std::uint64_t stored = samples_stored_after_stop();
    ASSERT_LT(stored, SAMPLE_RING_SLOTS) << "the test keeps within one turn of the ring";
    EXPECT_EQ(link_state.ring_write.load(), stored) << "every sample received while on was stored";
    const std::uint32_t shown = live_diagram->SampleCount();
    ASSERT_LT(shown, kDiagramFull);
    // Stop ends the display timer at once; at most the last tick's samples stay undrawn.
    EXPECT_EQ(shown, link_state.ring_display.load());
    EXPECT_LE(stored - shown, std::uint64_t(c.rate)) << "more than a second's samples left undrawn";
    expect_consecutive(0, shown, 0, 0.0);
    EXPECT_TRUE(window->BitBtn_save->isEnabled()) << "saving is allowed again after Stop";

    // Start again: the simulator counts from its first sample again, and the picture goes on
    // from the previous time.
    click(window->BitBtn_start_CMP);
    ASSERT_TRUE(pump_until([&] { return live_diagram->SampleCount() >= shown + 300; }, 30s));
    click(window->BitBtn_stop_CMP);
    samples_stored_after_stop();
    expect_consecutive(shown, live_diagram->SampleCount(), 0, 0.001 * shown);
}

INSTANTIATE_TEST_SUITE_P(Rates, RollingTest,
                         ::testing::Values(RollingCase{"1000Hz_blocks_10", 1000, 10, 1500},
                                           RollingCase{"5000Hz_blocks_100", 5000, 100, 6000}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WindowLinkTest, AutoTriggerWaitsForcedCapturesFillTheDiagramAndRearm)
{
    // No events from the controller: only the forced start triggers.
    open_and_connect(paced(20000, 100, 0), 1);
    ASSERT_FALSE(HasFatalFailure());

    click(window->BitBtn_start_CMP);
    EXPECT_EQ(enabled_controls(), "disconnect stop force");
    // Samples come in (the display ticking all the while), but nothing is shown before the
    // event.
    ASSERT_TRUE(pump_until([] { return link_state.ring_write.load() > 3000; }));
    EXPECT_EQ(live_diagram->SampleCount(), 0u);
    EXPECT_EQ(panel(StatusPanel::Acquisition), "Trigger-WAIT");
    EXPECT_GE(sim_messages(5), 1u) << "Start re-arms the controller's event";

    for (int capture = 1; capture <= 2; ++capture) {
        SCOPED_TRACE("capture " + std::to_string(capture));
        const std::uint64_t resets = sim_messages(5);
        click(window->BitBtn_start_CMP_force);
        ASSERT_TRUE(
            pump_until([] { return (link_state.trigger_flags.load() & TRIGGER_SHOWING) != 0; }));
        // The capture starts on a cleared diagram, timed from 0 again. (How many samples it
        // holds by now depends on how busy the machine is: a catching-up controller sends
        // up to 100 a millisecond.)
        EXPECT_EQ(diagram_sample(0).t, 0.0);
        EXPECT_NEAR(live_diagram->nextTime, 0.001 * live_diagram->SampleCount(), 1e-6);
        EXPECT_FALSE(window->BitBtn_start_CMP_force->isEnabled());
        std::set<QString> seen;
        ASSERT_TRUE(pump_until(
            [&] {
                seen.insert(panel(StatusPanel::Acquisition));
                return (link_state.trigger_flags.load() & (TRIGGER_CAPTURED | TRIGGER_SHOWING))
                       == 0;
            },
            30s))
            << "capture did not end; " << live_diagram->SampleCount() << " samples";
        EXPECT_TRUE(seen.count("CMP-On"));

        // Full: 20000 samples, one after the other, timed from 0; waiting for the next event.
        ASSERT_EQ(live_diagram->SampleCount(), kDiagramFull);
        const int first = first_position();
        ASSERT_GE(first, 0);
        expect_consecutive(0, kDiagramFull, std::uint64_t(first), 0.0);
        EXPECT_EQ(status(), "Connesso | Trigger-WAIT | disconnect stop force");
        // Event reset when the capture began and again when it ended.
        EXPECT_TRUE(pump_until([&] { return sim_messages(5) >= resets + 2; }));
        // The diagram keeps the capture while the samples go on coming in.
        const std::uint64_t writes = link_state.ring_writes_begun.load();
        ASSERT_TRUE(
            pump_until([&] { return link_state.ring_writes_begun.load() > writes + 2000; }));
        EXPECT_EQ(live_diagram->SampleCount(), kDiagramFull);
        EXPECT_EQ(diagram_sample(0).t, 0.0);
    }

    click(window->BitBtn_stop_CMP);
    EXPECT_EQ(status(), "Connesso | CMP-Off | disconnect start trigger");
}

TEST_F(WindowLinkTest, SingleShotCapturesTheControllersEventAndStops)
{
    // Events every 10000 samples; the first one after Start is the simulator's sample 10000.
    constexpr unsigned kBlock = 100;
    constexpr std::uint64_t kEventSample = 10000;
    open_and_connect(paced(20000, kBlock, 500), 2);
    ASSERT_FALSE(HasFatalFailure());

    click(window->BitBtn_start_CMP);
    EXPECT_EQ(enabled_controls(), "disconnect stop force");
    std::set<QString> seen;
    ASSERT_TRUE(pump_until(
        [&] {
            seen.insert(panel(StatusPanel::Acquisition));
            return link_state.acquisition_on.load() == 0;
        },
        30s))
        << "no capture; " << live_diagram->SampleCount() << " samples";
    EXPECT_TRUE(seen.count("CMP-On"));

    // Stopped by the full diagram: back to connected and idle.
    EXPECT_EQ(status(), "Connesso | CMP-Off | disconnect start trigger");
    EXPECT_FALSE(window->Timer_Diagram->isActive());
    EXPECT_GE(simulator->stats().events, 1u);

    // Which of the simulator's samples the diagram holds: the ring was emptied on connecting
    // and filled from the simulator's first sample on, so slot s holds a sample whose number
    // is s modulo the ring size; the last one shown is the slot before ring_display.
    const std::uint64_t stored = samples_stored_after_stop();
    ASSERT_EQ(live_diagram->SampleCount(), kDiagramFull);
    const std::uint64_t undrawn =
        ring_span(link_state.ring_display.load(), link_state.ring_write.load(), SAMPLE_RING_SLOTS);
    ASSERT_GE(stored, kDiagramFull + undrawn);
    const std::uint64_t first = stored - undrawn - kDiagramFull;
    expect_consecutive(0, kDiagramFull, first, 0.0);
    // The event is in the picture's first 200 samples (its block's first sample is the
    // event slot, up to a block before the simulator's event sample) unless the display
    // came late to it; never more than 200 samples before it are shown.
    EXPECT_LE(kEventSample, first + 200 + kBlock - 1) << "first sample shown " << first;
    EXPECT_GE(sim_messages(5), 2u) << "event reset at Start and when the event was taken";
}

// The controller going away and coming back, then Disconnect and Connect, all while acquiring.
// (A connection closed by the controller is among the fault-injection cases.)
TEST_F(WindowLinkTest, LinkLostComesBackByItselfThenDisconnectAndConnectAgain)
{
    open_and_connect(paced(1000, 10));
    ASSERT_FALSE(HasFatalFailure());
    click(window->BitBtn_start_CMP);
    ASSERT_TRUE(pump_until([] { return live_diagram->SampleCount() >= 200; }));

    // The controller goes away.
    const std::uint16_t port = simulator->port();
    simulator->stop();
    ASSERT_TRUE(pump_until([] { return connection_state() == LINK_ERROR; }))
        << "connection state " << int(connection_state());
    // The window only shows it: the connection panel blinks, the controller is forgotten,
    // the buttons stay as they were and the acquisition stays on.
    std::set<QString> seen;
    EXPECT_TRUE(pump_until(
        [&] {
            seen.insert(panel(StatusPanel::Connection));
            return seen.count("COM Error") && seen.count("");
        },
        5s))
        << "the connection panel does not blink";
    EXPECT_EQ(panel(StatusPanel::Controller), "IP: ---.---.---.---");
    EXPECT_EQ(panel(StatusPanel::Acquisition), "-----");
    EXPECT_EQ(link_state.acquisition_on.load(), 1);
    EXPECT_EQ(enabled_controls(), "disconnect stop");
    const std::uint32_t kept = live_diagram->SampleCount();

    // The controller comes back on the same port: found and connected again without a click.
    simulator.reset();
    start_simulator(paced(1000, 10), port);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(pump_until([] { return panel(StatusPanel::Connection) == "Connesso"; }))
        << "connection panel shows " << panel(StatusPanel::Connection).toStdString();
    EXPECT_EQ(panel(StatusPanel::Controller), "IP: 127.0.0.1");
    EXPECT_EQ(status(), "Connesso | CMP-On | disconnect stop");
    EXPECT_TRUE(pump_until([kept] { return live_diagram->SampleCount() >= kept + 300; }))
        << "the picture is kept and goes on: " << live_diagram->SampleCount() << " samples, "
        << kept << " before";
    EXPECT_EQ(sim_messages(2), 0u) << "the window does not start the controller again";

    // Disconnect ends the acquisition as Stop does and closes the link.
    click(window->BitBtn_disconnect);
    EXPECT_EQ(link_state.acquisition_on.load(), 0);
    EXPECT_FALSE(window->Timer_Diagram->isActive());
    ASSERT_TRUE(pump_until([] { return panel(StatusPanel::Connection) == "COM Off"; }));
    EXPECT_EQ(status(), "COM Off | ----- | connect trigger");
    // Nothing more goes to the controller.
    const std::uint64_t messages = simulator->stats().messages;
    QTest::qWait(200);
    EXPECT_EQ(simulator->stats().messages, messages);

    // Connect again (the controller's address is still known): connected and idle.
    click(window->BitBtn_connect);
    ASSERT_TRUE(pump_until([] { return panel(StatusPanel::Connection) == "Connesso"; }));
    EXPECT_EQ(status(), "Connesso | CMP-Off | disconnect start trigger");
    EXPECT_GE(simulator->stats().connections, 2u);
}

} // namespace
