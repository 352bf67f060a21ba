// The main window against the controller simulator on loopback (see sim_window_fixture.h):
// Connect, Start in "Rolling Data", Stop and Start again. The samples' values and counts tell
// whether a sample was lost, repeated or reordered on its way to the diagram. (The trigger
// modes are checked without a window in tests/app; the link coming back after a fault in
// fault_injection_test.cpp.)

#include "sim_window_fixture.h"

#include "Scknet.h"

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

// Every sample the PC stored reaches the diagram once and in order, and a second Start
// continues the picture where it was.
TEST_F(WindowLinkTest, ConnectThenEverySampleReachesTheDiagramOnceAndInOrder)
{
    open_and_connect(paced(1000, 10));
    ASSERT_FALSE(HasFatalFailure());
    click(window->BitBtn_start_CMP);
    ASSERT_TRUE(pump_until([&] { return live_diagram->SampleCount() >= 1500; }, 30s))
        << "only " << live_diagram->SampleCount() << " samples reached the diagram";
    click(window->BitBtn_stop_CMP);
    const std::uint64_t stored = samples_stored_after_stop();
    ASSERT_LT(stored, SAMPLE_RING_SLOTS) << "the test keeps within one turn of the ring";
    EXPECT_EQ(link_state.ring_write.load(), stored) << "every sample received while on was stored";
    const std::uint32_t shown = live_diagram->SampleCount();
    ASSERT_LT(shown, 20000u) << "the test keeps within the diagram";
    // Stop ends the display timer at once; at most the last tick's samples stay undrawn.
    EXPECT_EQ(shown, link_state.ring_display.load());
    EXPECT_LE(stored - shown, 1000u) << "more than a second's samples left undrawn";
    expect_consecutive(0, shown, 0, 0.0);

    // Start again: the simulator counts from its first sample again, and the picture goes on
    // from the previous time.
    click(window->BitBtn_start_CMP);
    ASSERT_TRUE(pump_until([&] { return live_diagram->SampleCount() >= shown + 300; }, 30s));
    click(window->BitBtn_stop_CMP);
    samples_stored_after_stop();
    expect_consecutive(shown, live_diagram->SampleCount(), 0, 0.001 * shown);
}

} // namespace
