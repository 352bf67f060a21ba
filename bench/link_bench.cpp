// Link benchmark: the real socket thread against the controller simulator on loopback.
//  (a) time from the simulator's discovery answer to the connect notification (the connect
//      pass's 50 ms pause included);
//  (b) request/reply exchanges per second while sample blocks are acknowledged (the queue
//      is never empty then, so no poll pause), and the samples per second that gives, for
//      blocks of 10, 100 and 1000 samples.
// Run it on loopback only:
//   unshare -n sh -c 'ip link set lo up && build/bench/link_bench [--rounds N] [--seconds S]'
#include "Globvar.h"
#include "Link_config.h"
#include "Netcom.h"
#include "Scknet.h"
#include "Simulator.h"
#include "loopback.h"
#include "stats.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

template <typename Pred>
bool wait_until(Pred done, std::chrono::milliseconds limit = 10s)
{
    const auto end = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() > end)
            return false;
        std::this_thread::sleep_for(100us);
    }
    return true;
}

void prepare_link(std::uint16_t controller_port)
{
    link_state_reset();
    free_standing_messages();
    link_config = LinkConfig{};
    link_config.discovery_address = "127.0.0.1";
    link_config.discovery_local_port = free_udp_port();
    link_config.controller_port = controller_port;
    {
        std::lock_guard guard(link_state.netif_lock);
        link_state.netif_adapter.Index = ::if_nametoindex("lo");
        set_text(link_state.netif_adapter.IpAddressList.IpAddress, "127.0.0.1");
        link_state.netif_local_ip = htonl(INADDR_LOOPBACK);
    }
    link_state.netif_flags = NETIF_SELECTED | NETIF_HAS_ADDRESS;
    build_poll_message();
    build_discovery_message();
}

} // namespace

int main(int argc, char** argv)
{
    int rounds = 30;
    double seconds = 2.0;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--rounds") == 0)
            rounds = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--seconds") == 0)
            seconds = std::max(0.2, std::atof(argv[i + 1]));
    }

    // (a) Discovery answer to connect notification.
    {
        sim::Options options;
        options.bind_address = "127.0.0.1";
        options.port = 0;
        sim::Simulator simulator(options);
        if (!simulator.start()) {
            std::fprintf(stderr, "simulator: %s\n", simulator.error().c_str());
            return 1;
        }
        std::vector<double> ms;
        for (int r = 0; r < rounds; ++r) {
            prepare_link(simulator.port());
            std::atomic<bool> connected{false};
            Clock::time_point connected_at{};
            link_hooks = LinkHooks{};
            link_hooks.on_connect = [&] {
                connected_at = Clock::now();
                link_connected();
                connected = true;
            };
            link_start();
            link_connect();
            if (!wait_until([&] { return connected.load(); })) {
                std::fprintf(stderr, "no connection in round %d\n", r);
                return 1;
            }
            const auto answered = simulator.stats().last_answer_time;
            ms.push_back(
                std::chrono::duration<double, std::milli>(connected_at - answered).count());
            link_shutdown();
        }
        std::printf("discovery answer -> connect notification, %d rounds: median %.2f ms, "
                    "min %.2f ms, max %.2f ms\n",
                    rounds, median(ms), *std::min_element(ms.begin(), ms.end()),
                    *std::max_element(ms.begin(), ms.end()));
    }

    // (b) Exchanges per second while sample blocks are acknowledged.
    for (unsigned block : {10u, 100u, 1000u}) {
        sim::Options options;
        options.bind_address = "127.0.0.1";
        options.port = 0;
        options.sample_rate = 0; // every block full
        options.max_block = block;
        sim::Simulator simulator(options);
        if (!simulator.start())
            return 1;
        prepare_link(simulator.port());
        link_hooks = LinkHooks{};
        link_hooks.on_connect = [] { link_connected(); };
        link_start();
        link_connect();
        if (!wait_until([] { return connection_state() == LINK_CONNECTED; }))
            return 1;
        link_state.acquisition_on = 1;
        send_start_acquisition();
        std::this_thread::sleep_for(200ms);

        const sim::Stats before = simulator.stats();
        const auto t0 = Clock::now();
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        const sim::Stats after = simulator.stats();
        const double elapsed = std::chrono::duration<double>(Clock::now() - t0).count();
        const double exchanges = double(after.messages - before.messages) / elapsed;
        const double samples = double(after.samples - before.samples) / elapsed;
        std::printf("block %4u samples: %8.0f exchanges/s  %10.0f samples/s  (link errors: %llu)\n",
                    block, exchanges, samples, (unsigned long long)(after.connections - 1));
        link_shutdown();
    }
    free_standing_messages();
    return 0;
}
