// Helpers of the socket thread tests: a stand-in for the main thread, waiting with a
// deadline, and a fixture that points the link at a simulator on loopback.
#pragma once

#include "Globvar.h"
#include "Link_config.h"
#include "Netcom.h"
#include "Scknet.h"
#include "Simulator.h"
#include "loopback.h"

#include <gtest/gtest.h>

#include <net/if.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

// Runs posted calls one by one on its own thread, like the main window's message loop;
// while held it runs none.
class FakeMainThread {
public:
    FakeMainThread() : thread_([this] { loop(); }) {}
    ~FakeMainThread()
    {
        update([this] { quit_ = true; });
        thread_.join();
    }
    void post(std::function<void()> call)
    {
        update([&] { calls_.push_back(std::move(call)); });
    }
    void hold(bool held)
    {
        update([&] { held_ = held; });
    }
    std::size_t waiting() const
    {
        std::lock_guard lock(mutex_);
        return calls_.size();
    }
    std::thread::id id() const { return thread_.get_id(); }

private:
    template <typename Change>
    void update(Change change)
    {
        {
            std::lock_guard lock(mutex_);
            change();
        }
        cv_.notify_all();
    }
    void loop()
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            cv_.wait(lock, [this] { return quit_ || (!held_ && !calls_.empty()); });
            if (quit_)
                return;
            auto call = std::move(calls_.front());
            calls_.pop_front();
            lock.unlock();
            call();
            lock.lock();
        }
    }

    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::function<void()>> calls_;
    bool held_ = false;
    bool quit_ = false;
    std::thread thread_;
};

// Polls `done` until it holds or the (generous) limit passes.
template <typename Pred>
bool wait_until(Pred done, std::chrono::milliseconds limit = 10s)
{
    for (const auto end = std::chrono::steady_clock::now() + limit; !done();
         std::this_thread::sleep_for(1ms))
        if (std::chrono::steady_clock::now() > end)
            return false;
    return true;
}

// How long link_shutdown() took.
inline std::chrono::steady_clock::duration shutdown_time()
{
    const auto t0 = std::chrono::steady_clock::now();
    link_shutdown();
    return std::chrono::steady_clock::now() - t0;
}

// Makes the link use a PC interface with the given address: loopback, by its index.
inline void select_interface(const char* ip_text)
{
    {
        std::lock_guard guard(link_state.netif_lock);
        link_state.netif_adapter.Index = ::if_nametoindex("lo");
        set_text(link_state.netif_adapter.IpAddressList.IpAddress, ip_text);
        set_text(link_state.netif_adapter.IpAddressList.IpMask, "255.0.0.0");
        in_addr address{};
        link_state.netif_local_ip = inet_pton(AF_INET, ip_text, &address) == 1 ? address.s_addr : 0;
    }
    link_state.netif_flags = NETIF_SELECTED | NETIF_HAS_ADDRESS;
}

class SocketThreadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        link_config = LinkConfig{};
        link_state_reset();
        free_standing_messages();
        link_config.discovery_address = "127.0.0.1";
        link_config.discovery_local_port = free_udp_port();
        for (std::size_t i = 0; i < link_state.channel_select.size(); ++i)
            link_state.channel_select[i] = std::uint8_t(i);
        select_interface("127.0.0.1");
        build_poll_message();
        build_discovery_message();

        link_hooks = LinkHooks{};
        link_hooks.post_to_main = [this](std::function<void()> call) {
            main.post(std::move(call));
        };
        link_hooks.on_connect = [this] {
            link_connected();
            ++connects;
        };
        link_hooks.show_error = [this](const std::string& text) {
            std::lock_guard lock(errors_mutex);
            errors.push_back(text);
        };
    }

    void TearDown() override
    {
        link_shutdown();
        simulator.reset();
        link_hooks = LinkHooks{};
        free_standing_messages();
        link_config = LinkConfig{};
    }

    // Starts a simulator on a free loopback port and points the link at it.
    sim::Simulator& start_simulator(sim::Options options = {})
    {
        options.bind_address = "127.0.0.1";
        options.port = 0;
        simulator = std::make_unique<sim::Simulator>(options);
        EXPECT_TRUE(simulator->start()) << simulator->error();
        link_config.controller_port = simulator->port();
        return *simulator;
    }

    // What the window's Connect command does.
    static void connect_command()
    {
        send_channel_config();
        set_connection_state(LINK_CONNECTING);
        SckTrd* thread = link_state.link_thread.load();
        thread->ResetUdpEvent();
        link_state.link_mode = mode_run;
        thread->Resume();
    }

    // Starts the link and waits until discovery has found the controller.
    static void start_discovered()
    {
        link_start();
        ASSERT_TRUE(wait_until([] { return link_state.link_thread.load()->Suspended(); }));
    }

    // Discovery, then Connect, up to the connected state.
    static void start_connected()
    {
        ASSERT_NO_FATAL_FAILURE(start_discovered());
        connect_command();
        ASSERT_TRUE(wait_until([] { return connection_state() == LINK_CONNECTED; }));
    }

    std::vector<std::string> error_texts()
    {
        std::lock_guard lock(errors_mutex);
        return errors;
    }

    FakeMainThread main;
    std::unique_ptr<sim::Simulator> simulator;
    std::atomic<int> connects{0};
    std::mutex errors_mutex;
    std::vector<std::string> errors;
};
