// The main window against the controller simulator on loopback, for the end-to-end tests:
// a fixture that starts an in-process simulator and the window (off screen, with one fixed
// network adapter on the loopback address and discovery pointed at 127.0.0.1 on free ports,
// so nothing leaves loopback), and helpers that read the simulator's samples back out of
// the diagram.
//
// The simulator's waveforms identify each sample: channel 5 is a ramp rising by 60 per
// sample over 1000 samples (-30000 .. 29940) and channel 3 a sine of 2000 samples that is
// positive in the first half of its period and negative in the second, so a sample's values
// give its position in the simulator's 2000-sample period.
#pragma once

#include "Diagramx.h"
#include "Fz_netif.h"
#include "Globvar.h"
#include "Link_config.h"
#include "Net_cnx.h"
#include "Simulator.h"
#include "loopback.h"
#include "message_box.h"
#include "pump_until.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <numbers>
#include <set>
#include <string>

namespace e2e {

using namespace std::chrono_literals;

// The set of positions (0..1999) in the simulator's period that a sample's values fit: one
// position, or the two zero crossings of the slow sine (0 and 1000); empty when the values
// fit no position at all.
inline std::set<int> period_positions(const Sample& s)
{
    const double ramp = s.value[4];
    const double slow = s.value[2];
    const double step = (ramp + 30000.0) / 60.0;
    const long m = std::lround(step);
    if (std::fabs(step - double(m)) > 0.05 || m < 0 || m > 999)
        return {};
    std::set<int> fits;
    for (int candidate : {int(m), int(m) + 1000}) {
        const double expected = 20000.0 * std::sin(std::numbers::pi * candidate / 1000.0);
        if (std::fabs(expected - slow) <= 2.0)
            fits.insert(candidate);
    }
    return fits;
}

// The diagram's k-th sample, oldest first.
inline const Sample& diagram_sample(std::uint32_t k)
{
    return live_diagram->samples[live_diagram->RingAdd(live_diagram->head, k)];
}

class WindowLinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        previousFolder = QDir::currentPath();
        QDir::setCurrent(folder.path());
        link_state_reset();
        adapters.adapters = {loopback_adapter()};
        adapter_source_set(&adapters);
        link_config = LinkConfig{};
        link_config.discovery_address = "127.0.0.1";
        link_config.discovery_local_port = free_udp_port();
    }

    void TearDown() override
    {
        if (window)
            window->close();
        window.reset();
        simulator.reset();
        adapter_source_set(nullptr);
        link_config = LinkConfig{};
        QDir::setCurrent(previousFolder);
        EXPECT_TRUE(recorder.messages().empty())
            << "a message box was shown: " << recorder.messages().front().text.toStdString();
    }

    // A simulator on loopback (127.0.0.1 unless the options name another listen address);
    // port 0 takes a free one, which the link is pointed at.
    void start_simulator(sim::Options options, std::uint16_t port = 0)
    {
        if (options.bind_address == sim::Options{}.bind_address)
            options.bind_address = "127.0.0.1";
        options.port = port;
        options.summary = false;
        simulator = std::make_unique<sim::Simulator>(options);
        ASSERT_TRUE(simulator->start()) << simulator->error();
        link_config.controller_port = simulator->port();
    }

    // Window up, controller found, Connect pressed, connection established.
    void open_and_connect(sim::Options options, int trigger_mode = 0)
    {
        start_simulator(options);
        if (HasFatalFailure())
            return;
        window = std::make_unique<TForm_net>();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->RadioGroup_trigger_type->setItemIndex(trigger_mode);
        ASSERT_TRUE(pump_until([] { return panel(StatusPanel::Controller) == "IP: 127.0.0.1"; }))
            << "controller not found; controller panel shows "
            << panel(StatusPanel::Controller).toStdString();
        click(window->BitBtn_connect);
        ASSERT_TRUE(pump_until([] { return panel(StatusPanel::Connection) == "Connesso"; }))
            << "connection panel shows " << panel(StatusPanel::Connection).toStdString();
    }

    static QString panel(StatusPanel which) { return status_panel_look(which).text; }

    static void click(QToolButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    // After Stop no block is acknowledged: the one block in flight then is dropped by the PC
    // and polls follow. Waits for a poll sent after Stop, which means that last block has
    // been handled, and returns the samples the PC stored (all the simulator sent but that
    // last block).
    std::uint64_t samples_stored_after_stop()
    {
        const auto polls = [&] { return simulator->stats().messages_by_type[1]; };
        const std::uint64_t before = polls();
        EXPECT_TRUE(pump_until([&] { return polls() > before; })) << "no poll after Stop";
        return simulator->stats().samples - link_state.block_count.load();
    }

    QTemporaryDir folder;
    QString previousFolder;
    FixedAdapterSource adapters;
    MessageRecorder recorder;
    std::unique_ptr<sim::Simulator> simulator;
    std::unique_ptr<TForm_net> window;
};

// Sanitized builds run several times slower: GRAFION_TEST_TIME_SCALE (set by
// scripts/test-sanitized) slows the controller by the same factor, so that the display keeps
// up with the ring as it does at full speed.
inline unsigned test_time_scale()
{
    const char* text = std::getenv("GRAFION_TEST_TIME_SCALE");
    return unsigned(std::max(1, text ? std::atoi(text) : 1));
}

// A controller that answers at most once a millisecond with what it sampled meanwhile, as
// a real one at `rate` samples per second would.
inline sim::Options paced(unsigned rate, unsigned max_block)
{
    sim::Options o;
    o.sample_rate = std::max(1u, rate / test_time_scale());
    o.max_block = max_block;
    o.delay_ms = 1;
    o.event_period_ms = 0;
    return o;
}

} // namespace e2e
