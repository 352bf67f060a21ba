// The main window's connection and acquisition commands: the checks before connecting,
// Disconnect while acquiring. (Start, captures and their end in each
// trigger mode are checked against the simulator in tests/e2e, which samples reach the
// diagram in acquisition_test.cpp without a window.)

#include "Diagramx.h"
#include "window_fixture.h"

#include <QAction>
#include <QComboBox>
#include <QToolButton>

#include <vector>

namespace {

class AcquisitionCommandsTest : public OfflineWindowFixture {
protected:
    // Takes every queued message off the send queue and returns their types.
    std::vector<int> takeQueued()
    {
        std::vector<int> types;
        while (queue_count() > 0) {
            const NetMessage* m = queue_peek();
            types.push_back((m->bytes[0] << 8) | m->bytes[1]);
            queue_pop();
        }
        return types;
    }
    // The receiver's part: n samples stored in the ring, channel 0 carrying a running number.
    void receive(int n)
    {
        for (int i = 0; i < n; ++i) {
            SampleSlot slot{};
            slot[0] = std::int16_t(next_value++);
            ring_append(slot);
        }
    }
    // Connected and idle, as after the socket thread's connect notification.
    void connectWindow()
    {
        link_state.adapter_count = 1;
        link_state.netif_flags = NETIF_SELECTED | NETIF_HAS_ADDRESS;
        window->BitBtn_connectClick();
        window->on_connect();
        takeQueued();
    }
    double diagramValue(std::uint32_t i) const
    {
        const Diagramx& d = *live_diagram;
        return d.samples[d.RingAdd(d.head, i)].value[0];
    }

    int next_value = 0;
};

} // namespace

// (The buttons' states through connect, start, stop and disconnect, and the save and print
// lock while acquiring, are checked against the simulator in tests/e2e.)
TEST_F(AcquisitionCommandsTest,
       ConnectNeedsASelectedInterfaceThenQueuesTheConfigurationAndEmptiesTheRing)
{
    link_state.adapter_count = 0;
    window->BitBtn_connectClick();
    link_state.adapter_count = 2;
    link_state.netif_flags = 0;
    window->BitBtn_connectClick();
    EXPECT_EQ(recorder.messages().size(), 2u);
    EXPECT_EQ(connection_state(), LINK_OFF);
    EXPECT_TRUE(takeQueued().empty());

    link_state.netif_flags = NETIF_SELECTED | NETIF_HAS_ADDRESS;
    window->BitBtn_connectClick();
    EXPECT_EQ(connection_state(), LINK_CONNECTING);
    EXPECT_EQ(link_state.link_mode.load(), mode_run);
    EXPECT_EQ(takeQueued(), std::vector<int>{4}); // the channel configuration goes first

    link_state.ring_write = 77;
    window->on_connect();
    EXPECT_EQ(connection_state(), LINK_CONNECTED);
    EXPECT_EQ(link_state.ring_write.load(), 0u);

    // Changing the event while connected sends the configuration at once.
    window->ComboBox_event_type->setCurrentIndex(4);
    window->ComboBox_event_typeChange();
    EXPECT_EQ(link_state.settings.event_channel.load(), 4);
    EXPECT_EQ(takeQueued(), std::vector<int>{4});
}

// Disconnect while acquiring, in each trigger mode and phase, ends the acquisition as Stop
// does: afterwards the controls, the flags and the diagram are as after Stop followed by
// Disconnect, the samples received until then included.
TEST_F(AcquisitionCommandsTest, DisconnectWhileAcquiringEndsTheAcquisitionAsStopDoes)
{
    auto state = [this] {
        std::string s;
        const std::pair<const char*, const QWidget*> controls[] = {
            {"connect", window->BitBtn_connect},         {"disconnect", window->BitBtn_disconnect},
            {"port", window->BitBtn_set_port_com},       {"start", window->BitBtn_start_CMP},
            {"stop", window->BitBtn_stop_CMP},           {"force", window->BitBtn_start_CMP_force},
            {"trigger", window->RadioGroup_trigger_type}};
        for (const auto& [name, control] : controls)
            if (control->isEnabled())
                s += std::string(name) + " ";
        s += window->Menu_connect->isEnabled() ? "menu-connect " : "";
        s += window->Menu_disconnect->isEnabled() ? "menu-disconnect " : "";
        s += window->Timer_Diagram->isActive() ? "timer " : "";
        s += "acquiring=" + std::to_string(link_state.acquisition_on.load());
        s +=
            " flags="
            + std::to_string(link_state.trigger_flags.load() & (TRIGGER_CAPTURED | TRIGGER_FORCED));
        s += " samples=" + std::to_string(live_diagram->SampleCount());
        return s;
    };
    const struct {
        const char* what;
        std::uint8_t mode;
        bool event; // the receiver has marked an event
    } cases[] = {{"rolling", 0, false},
                 {"auto trigger, waiting", 1, false},
                 {"auto trigger, capturing", 1, true},
                 {"single shot, capturing", 2, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string after[2];
        for (const bool stopFirst : {true, false}) {
            live_diagram->Clear();
            connectWindow();
            link_state.settings.trigger_mode = c.mode;
            window->BitBtn_start_CMPClick();
            window->BitBtn_start_CMP_forceClick();
            receive(30);
            if (c.event)
                link_state.trigger_flags.fetch_or(TRIGGER_CAPTURED);
            window->drain_samples();
            receive(12); // not yet taken in by a tick
            if (stopFirst)
                window->BitBtn_stop_CMPClick();
            window->BitBtn_disconnectClick();
            after[stopFirst] = state();
            takeQueued();
        }
        EXPECT_EQ(after[false], after[true]);
        EXPECT_EQ(after[true].rfind("connect port trigger menu-connect acquiring=0 flags=0", 0), 0u)
            << after[true];
    }
    // In rolling mode the diagram ends with the last sample received.
    link_state.settings.trigger_mode = 0;
    live_diagram->Clear();
    connectWindow();
    window->BitBtn_start_CMPClick();
    receive(40);
    window->BitBtn_disconnectClick();
    ASSERT_EQ(live_diagram->SampleCount(), 40u);
    EXPECT_EQ(diagramValue(39), std::int16_t(next_value - 1));
}
