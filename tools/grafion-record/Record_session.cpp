#include "Record_session.h"

#include "Fz_netif.h"
#include "Globvar.h"
#include "Netcom.h"
#include "Recorder.h"
#include "Scknet.h"

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

std::chrono::milliseconds seconds_of(double s)
{
    return std::chrono::milliseconds(static_cast<long long>(s * 1000));
}

// Waits until `done`, the user interrupts or the time is up; true when done.
template <typename Pred>
bool wait_until(Pred done, std::chrono::milliseconds limit, const std::atomic<bool>& interrupted)
{
    const auto end = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() > end || interrupted.load())
            return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

const char* link_text(std::uint8_t state)
{
    switch (state) {
    case LINK_CONNECTED:
        return "connected";
    case LINK_CONNECTING:
        return "connecting";
    case LINK_ERROR:
        return "lost, reconnecting";
    default:
        return "off";
    }
}

std::string megabytes(std::uint64_t bytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", double(bytes) / 1e6);
    return text;
}

std::string failure_text(const RecorderStatus& s)
{
    if (s.failure == RecorderFailure::Overflow)
        return "the disk did not keep up and the recorder's queue filled";
    return std::string("write error: ") + std::strerror(s.error_number);
}

// The link as the program runs it, without a window: the connect notification only marks
// the link connected and empties the ring, on the socket thread.
void start_link(const AdapterRecord& adapter)
{
    adapter_select(adapter);
    for (std::size_t i = 0; i < link_state.channel_select.size(); ++i)
        link_state.channel_select[i] = std::uint8_t(i);
    build_poll_message();
    build_discovery_message();
    link_hooks = LinkHooks{};
    link_hooks.on_connect = [] { link_connected(); };
    link_start();
}

void stop_link()
{
    link_state.acquisition_on = 0;
    link_shutdown();
    free_standing_messages();
}

} // namespace

int run_recording(const RecordOptions& options, const std::atomic<bool>& interrupted,
                  std::FILE* out)
{
    // settings_path stays empty: selecting the interface saves no settings file.
    adapters_enumerate();
    const AdapterRecord* found = nullptr;
    for (const AdapterRecord& r : link_state.adapter_list)
        if (options.interface_name == r.AdapterName)
            found = &r;
    if (found == nullptr) {
        std::fprintf(out, "grafion-record: no interface %s\n", options.interface_name.c_str());
        return kExitNoInterface;
    }
    start_link(*found);
    if ((link_state.netif_flags.load() & NETIF_HAS_ADDRESS) == 0) {
        std::fprintf(out, "grafion-record: interface %s has no IPv4 address\n",
                     options.interface_name.c_str());
        stop_link();
        return kExitNoInterface;
    }
    std::fprintf(out, "Looking for the controller on %s (%s)\n", options.interface_name.c_str(),
                 netif_ip_text().c_str());
    std::fflush(out);

    const auto discovery = seconds_of(options.discovery_wait);
    const bool answered = wait_until(
        [] {
            return (link_state.controller_flags.load() & CONTROLLER_KNOWN) != 0
                   && link_state.link_thread.load()->Suspended();
        },
        discovery, interrupted);
    if (answered)
        link_connect();
    if (!answered
        || !wait_until([] { return connection_state() == LINK_CONNECTED; }, discovery,
                       interrupted)) {
        stop_link();
        if (interrupted.load()) {
            std::fprintf(out, "Interrupted before the controller was found\n");
            return kExitNoController;
        }
        std::fprintf(out, "grafion-record: no controller found on %s\n",
                     options.interface_name.c_str());
        return kExitNoController;
    }
    std::fprintf(out, "Controller %s connected\n", controller_ip_text().c_str());

    link_state.settings.trigger_mode = options.trigger_mode;
    link_state.settings.event_channel = options.event_channel;
    RecordingHeader header;
    header.trigger_mode = options.trigger_mode;
    header.event_channel = options.event_channel;
    header.sample_period = options.sample_period;
    for (int ch = 0; ch < kRecordingChannels; ++ch)
        header.name[std::size_t(ch)] = "Channel " + std::to_string(ch + 1);

    Recorder recorder;
    int error = 0;
    if (!recorder.start(options.output, header, &error)) {
        std::fprintf(out, "grafion-record: cannot write %s: %s\n", options.output.c_str(),
                     std::strerror(error));
        stop_link();
        return kExitRecordFailed;
    }
    const std::uint32_t losses_before = link_state.link_losses.load();
    link_state.trigger_flags = 0;
    link_state.acquisition_on = 1;
    send_start_acquisition();
    if (options.trigger_mode != TriggerRolling)
        send_event_reset();

    const auto started = Clock::now();
    const auto limit = options.seconds > 0 ? seconds_of(options.seconds) : Clock::duration::max();
    auto next_progress = started + 1s;
    std::uint64_t samples_at_progress = 0;
    auto lost_since = Clock::time_point{};
    bool gave_up = false;
    for (;;) {
        std::this_thread::sleep_for(10ms);
        const auto now = Clock::now();
        if (interrupted.load() || now - started >= limit)
            break;
        if (recorder.status().state == RecorderState::Failed)
            break;
        // An event seen in the automatic mode is followed by a reset, so the controller
        // reports the next one too (the single shot reports one).
        if (options.trigger_mode == TriggerAuto
            && (link_state.trigger_flags.exchange(0) & TRIGGER_CAPTURED) != 0)
            send_event_reset();
        if (connection_state() != LINK_CONNECTED) {
            if (lost_since == Clock::time_point{})
                lost_since = now;
            else if (now - lost_since >= seconds_of(options.reconnect_wait)) {
                gave_up = true;
                break;
            }
        } else {
            lost_since = {};
        }
        if (now >= next_progress) {
            const RecorderStatus s = recorder.status();
            if (!options.quiet) {
                std::fprintf(out, "%6.0f s  %llu samples  %.0f samples/s  %s  link %s\n",
                             std::chrono::duration<double>(now - started).count(),
                             (unsigned long long)s.samples_received,
                             double(s.samples_received - samples_at_progress),
                             megabytes(s.file_bytes).c_str(), link_text(connection_state()));
                std::fflush(out);
            }
            samples_at_progress = s.samples_received;
            next_progress += 1s;
        }
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - started).count();
    const RecorderStatus end = recorder.stop();
    const std::uint32_t losses = link_state.link_losses.load() - losses_before;
    stop_link();

    std::fprintf(out,
                 "Recorded %llu samples (%.1f s of samples) in %.1f s to %s, %s; link lost %u "
                 "time(s)\n",
                 (unsigned long long)end.samples_written,
                 double(end.samples_written) * options.sample_period, elapsed,
                 options.output.c_str(), megabytes(end.file_bytes).c_str(), losses);
    if (end.state == RecorderState::Failed) {
        std::fprintf(out,
                     "grafion-record: recording stopped: %s; the file holds the samples "
                     "up to then\n",
                     failure_text(end).c_str());
        return kExitRecordFailed;
    }
    if (gave_up) {
        std::fprintf(out, "grafion-record: the link was lost and did not come back within %g s\n",
                     options.reconnect_wait);
        return kExitLinkLost;
    }
    return losses > 0 ? kExitLinkLost : kExitSuccess;
}
