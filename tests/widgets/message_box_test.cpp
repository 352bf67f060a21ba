#include "message_box.h"

#include "loopback.h"
#include "Globvar.h"
#include "Link_config.h"
#include "Netcom.h"
#include "Scknet.h"
#include "Simulator.h"

#include <QCoreApplication>
#include <QThread>
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>

using namespace std::chrono_literals;

namespace {

template <typename Pred>
bool wait_until(Pred done, std::chrono::milliseconds limit = 20s)
{
    for (const auto end = std::chrono::steady_clock::now() + limit; !done();
         std::this_thread::sleep_for(1ms))
        if (std::chrono::steady_clock::now() > end)
            return false;
    return true;
}

std::vector<std::string> texts_of(const std::vector<RecordedMessage>& messages)
{
    std::vector<std::string> out;
    for (const RecordedMessage& m : messages)
        out.push_back(m.text.toStdString());
    return out;
}

} // namespace

TEST(MessageBox, RecorderTakesMessagesFromAnyThreadWithoutBlocking)
{
    MessageRecorder recorder;
    message_box("Dati Memorizzati!", "Salvataggio", MessageIcon::Information);
    message_box("Dati Memorizzati!", "Salvataggio", MessageIcon::Information);

    // Boxes from another thread: each one is closed before the next comes.
    QThread* worker = QThread::create([] {
        for (int i = 0; i < 2; ++i)
            message_box("Socket error (er-code): 10048", "Error", MessageIcon::Stop);
    });
    worker->start();
    ASSERT_TRUE(worker->wait(5000));
    delete worker;

    const auto got = recorder.messages();
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0].text, "Dati Memorizzati!");
    EXPECT_EQ(got[0].title, "Salvataggio");
    EXPECT_EQ(got[0].icon, MessageIcon::Information);
    EXPECT_EQ(got[3].text, "Socket error (er-code): 10048");
    EXPECT_EQ(got[3].title, "Error");
    EXPECT_EQ(got[3].icon, MessageIcon::Stop);

    recorder.clear();
    EXPECT_TRUE(recorder.messages().empty());
}

// A stream bind that fails on every connect pass of the socket thread (the interface's
// address is no address of this machine) shows each of its boxes once while it is open,
// however often the thread runs into the failure; once closed, it may come again.
TEST(MessageBox, SocketThreadFailureShowsOneBoxWhileItIsOpen)
{
    MessageRecorder recorder(/*keep_open=*/true);

    sim::Options options;
    options.bind_address = "127.0.0.1";
    options.port = 0;
    sim::Simulator simulator(options);  // answers discovery, so every pass tries to connect
    ASSERT_TRUE(simulator.start()) << simulator.error();

    link_config = LinkConfig {};
    link_state_reset();
    link_config.discovery_address = "127.0.0.1";
    link_config.discovery_local_port = free_udp_port();
    link_config.controller_port = simulator.port();
    link_config.connect_wait = 50ms;
    {
        std::lock_guard guard(netif_lock);
        set_text(netif_adapter.IpAddressList.IpAddress, "192.0.2.1");
        set_text(netif_adapter.IpAddressList.IpMask, "255.255.255.0");
    }
    netif_local_ip = htonl(0xC0000201);
    netif_flags = NETIF_SELECTED | NETIF_HAS_ADDRESS;
    build_poll_message();
    build_discovery_message();

    // As the main window wires the hook, counting how often the thread raises a failure.
    std::atomic<int> raised {0};
    link_hooks = LinkHooks {};
    link_hooks.show_error = [&raised](const std::string& text) {
        ++raised;
        message_box(QString::fromStdString(text), QStringLiteral("Error"), MessageIcon::Stop);
    };
    link_start();
    ASSERT_TRUE(wait_until([] { return link_thread.load()->Suspended(); }));
    // The window's Connect.
    send_channel_config();
    set_connection_state(LINK_CONNECTING);
    link_mode = mode_run;
    link_thread.load()->Resume();

    const std::vector<std::string> once = {"Error Bind (er-code): " + std::to_string(EADDRNOTAVAIL),
                                           "Error Create Socket!"};
    ASSERT_TRUE(wait_until([&] { return raised.load() >= 8; })) << "the thread goes on";
    EXPECT_EQ(texts_of(recorder.messages()), once);
    const auto first = recorder.messages();
    EXPECT_EQ(first[0].title, "Error");
    EXPECT_EQ(first[0].icon, MessageIcon::Stop);

    // The user closes both boxes: the next failures show them again, once.
    recorder.acknowledge();
    const int before = raised.load();
    ASSERT_TRUE(wait_until([&] { return raised.load() >= before + 6; }));
    std::vector<std::string> twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(texts_of(recorder.messages()), twice);

    link_shutdown();
    link_hooks = LinkHooks {};
    free_standing_messages();
    link_config = LinkConfig {};
}
