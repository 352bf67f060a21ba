// The PC side of the two-namespace test: runs inside the PC's namespace, finds the named
// interface through the real adapter enumeration, and drives the real socket thread with the
// real broadcast until it has received samples. Prints one result line; exit code 0 when
// the link connected and carried samples.
//   e2e_client INTERFACE MIN_SAMPLES
// With --no-answer MS instead it only broadcasts, for MS milliseconds, and exit code 0 means
// that no answer was taken meanwhile.
//   e2e_client INTERFACE --no-answer MS
#include "Fz_netif.h"
#include "Globvar.h"
#include "Netcom.h"
#include "Scknet.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;

template <typename Pred>
bool wait_until(Pred done, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

int fail(const char* what)
{
    std::printf("FAIL %s\n", what);
    link_shutdown();
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    const bool no_answer = argc == 4 && std::string(argv[2]) == "--no-answer";
    if (argc != 3 && !no_answer)
        return 2;
    const std::string name = argv[1];
    const unsigned min_samples = no_answer ? 0 : unsigned(std::atoi(argv[2]));
    const unsigned silence_ms = no_answer ? unsigned(std::atoi(argv[3])) : 0;

    // settings_path stays empty: selecting the interface saves no settings file.
    adapters_enumerate();
    const AdapterRecord* found = nullptr;
    for (const AdapterRecord& r : link_state.adapter_list)
        if (name == r.AdapterName)
            found = &r;
    if (!found) {
        std::printf("FAIL interface %s not enumerated (%u adapters)\n", name.c_str(),
                    unsigned(link_state.adapter_count));
        return 1;
    }
    adapter_select(*found);
    std::printf("interface %s address %s\n", found->AdapterName, netif_ip_text().c_str());

    for (std::size_t i = 0; i < link_state.channel_select.size(); ++i)
        link_state.channel_select[i] = std::uint8_t(i);
    build_poll_message();
    build_discovery_message();
    link_hooks.on_connect = [] { link_connected(); };
    link_start();

    if (no_answer) {
        const bool taken =
            wait_until([] { return (link_state.controller_flags.load() & CONTROLLER_KNOWN) != 0; },
                       std::chrono::milliseconds(silence_ms));
        link_shutdown();
        std::printf(taken ? "FAIL answer taken\n" : "OK no answer taken\n");
        return taken ? 1 : 0;
    }

    if (!wait_until([] { return link_state.link_thread.load()->Suspended(); }, 10s))
        return fail("no discovery answer");
    const std::uint32_t ip = link_state.controller_ip.load();
    std::printf("controller %u.%u.%u.%u\n", ip >> 24, (ip >> 16) & 0xFF, (ip >> 8) & 0xFF,
                ip & 0xFF);

    send_channel_config();
    set_connection_state(LINK_CONNECTING);
    link_state.link_thread.load()->ResetUdpEvent();
    link_state.link_mode = mode_run;
    link_state.link_thread.load()->Resume();
    if (!wait_until([] { return connection_state() == LINK_CONNECTED; }, 10s))
        return fail("no connection");

    link_state.acquisition_on = 1;
    send_start_acquisition();
    if (!wait_until([&] { return link_state.ring_write.load() >= min_samples; }, 20s))
        return fail("too few samples");
    if (connection_state() != LINK_CONNECTED)
        return fail("link error during the exchange");
    // The first sample: the simulator's square wave starts high, its ramp at the bottom.
    if (link_state.sample_ring[0][3] != 15000 || link_state.sample_ring[0][4] != -30000)
        return fail("sample contents");

    const unsigned samples = link_state.ring_write.load();
    link_shutdown();
    free_standing_messages();
    std::printf("OK samples %u\n", samples);
    return 0;
}
