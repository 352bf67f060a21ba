// Soak run: the main window against grafion-sim (a separate process) on loopback for a long
// time. A fault every minute, cycling through a dropped sample block, a block 1.5 s late,
// the connection closed in the middle of a block, a block split in two writes, a block
// merged with another reply, a broken frame, and the controller restarted under another
// address (127.0.0.1 and 127.0.0.2 in turn). Every few minutes a tour of the rest of the
// window (soak_tour.h): save the diagram and open it in the viewer, print it when a PDF
// print queue exists, one acquisition in each event mode, then "Rolling Data" again.
//
// It prints a line a minute and, at the end, the reconnects; over the "Rolling Data"
// stretches the samples the simulator sent, those it spoiled on purpose, those that reached
// the diagram and those lost on the way, and the breaks in the diagram's sample sequence
// (each fault may cause one); the captures of the event modes and the breaks inside them;
// what the tours did; the resident memory after the first minute and at the end; the CPU of
// this process and of the simulator; and the longest time the event loop was held up.
// Message boxes are recorded, never shown; any but the save's confirmation is a failure.
//
// Run it through bench/soak, which starts it in a network namespace of its own:
//   bench/soak BUILD_DIR [MINUTES]
// Options: --minutes M (30), --fault-every S (60), --tour-every S (180), --rate R (1000),
//          --max-block N (10), --event-period MS (5000), --port P (1645), --sim PATH,
//          --printer NAME (Grafion-PDF; printing is skipped when the system has no such queue).
#include "Diagramx.h"
#include "Fz_netif.h"
#include "Globvar.h"
#include "Link_config.h"
#include "Net_cnx.h"
#include "Print_page.h"
#include "loopback.h"
#include "message_box.h"
#include "pump_until.h"
#include "soak_support.h"
#include "soak_tour.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

const char* const kFaults[] = {"drop", "delay", "close", "split", "merge", "malformed", "restart"};
constexpr int kFaultCount = int(sizeof kFaults / sizeof kFaults[0]);

struct Options {
    double minutes = 30;
    int fault_every_s = 60;
    int tour_every_s = 180;
    unsigned rate = 1000;
    unsigned max_block = 10;
    unsigned event_period_ms = 5000;
    std::uint16_t port = 1645;
    QString sim_path = QStringLiteral(GRAFION_SIM);
    QString printer = QStringLiteral("Grafion-PDF");
};

bool parse_options(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool has_value = i + 1 < argc;
        if (a == "--minutes" && has_value)
            o.minutes = std::max(0.2, std::atof(argv[++i]));
        else if (a == "--fault-every" && has_value)
            o.fault_every_s = std::max(5, std::atoi(argv[++i]));
        else if (a == "--tour-every" && has_value)
            o.tour_every_s = std::max(60, std::atoi(argv[++i]));
        else if (a == "--rate" && has_value)
            o.rate = unsigned(std::max(1, std::atoi(argv[++i])));
        else if (a == "--max-block" && has_value)
            o.max_block = unsigned(std::clamp(std::atoi(argv[++i]), 1, 4000));
        else if (a == "--event-period" && has_value)
            o.event_period_ms = unsigned(std::max(100, std::atoi(argv[++i])));
        else if (a == "--port" && has_value)
            o.port = std::uint16_t(std::atoi(argv[++i]));
        else if (a == "--sim" && has_value)
            o.sim_path = QString::fromLocal8Bit(argv[++i]);
        else if (a == "--printer" && has_value)
            o.printer = QString::fromLocal8Bit(argv[++i]);
        else
            return false;
    }
    return true;
}

double seconds_since(Clock::time_point t)
{
    return std::chrono::duration<double>(Clock::now() - t).count();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    Options opt;
    if (!parse_options(argc, argv, opt)) {
        std::fprintf(stderr, "usage: soak_driver [--minutes M] [--fault-every S] [--tour-every S] "
                             "[--rate R] [--max-block N] [--event-period MS] [--port P] "
                             "[--sim PATH] [--printer NAME]\n");
        return 2;
    }

    MessageRecorder recorder; // message boxes are recorded, never shown
    QTemporaryDir folder;
    QDir::setCurrent(folder.path());
    link_state_reset();
    FixedAdapterSource adapters;
    adapters.adapters = {loopback_adapter()};
    adapter_source_set(&adapters);
    link_config = LinkConfig{};
    link_config.discovery_address = "127.0.0.1";
    link_config.controller_port = opt.port;
    link_config.discovery_local_port = free_udp_port();

    SimProcess sim(opt.sim_path, opt.rate, opt.max_block, opt.port, opt.event_period_ms);
    bool on_second_address = false;
    if (!sim.start("127.0.0.1")) {
        std::fprintf(stderr, "soak: the simulator did not start (%s)\n", qPrintable(opt.sim_path));
        return 1;
    }

    auto window = std::make_unique<TForm_net>();
    window->show();
    if (!pump_until([] { return (link_state.controller_flags.load() & CONTROLLER_KNOWN) != 0; },
                    10s)) {
        std::fprintf(stderr, "soak: controller not found\n");
        return 1;
    }
    QTest::mouseClick(window->BitBtn_connect, Qt::LeftButton);
    if (!pump_until([] { return connection_state() == LINK_CONNECTED; }, 10s)) {
        std::fprintf(stderr, "soak: no connection\n");
        return 1;
    }

    const bool can_print = printer_names().contains(opt.printer);
    SoakTour tour(*window, sim, recorder, folder.path(), can_print ? opt.printer : QString());

    // Reconnects: every entry into the connected state after the first.
    std::uint64_t reconnects = 0;
    std::uint8_t last_state = LINK_CONNECTED;
    QTimer state_probe;
    QObject::connect(&state_probe, &QTimer::timeout, [&] {
        const std::uint8_t s = connection_state();
        if (s == LINK_CONNECTED && last_state != LINK_CONNECTED)
            ++reconnects;
        last_state = s;
    });
    state_probe.start(5);

    // How late a 50 ms timer fires: how long the event loop was held up. Steps that hold it
    // on purpose (a restart of the simulator, saving, printing) do not count.
    double worst_late_ms = 0;
    QElapsedTimer since_tick;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        if (since_tick.isValid())
            worst_late_ms = std::max(worst_late_ms, double(since_tick.nsecsElapsed()) / 1e6 - 50.0);
        since_tick.start();
    });
    heartbeat.start(50);
    tour.on_held_loop = [&] { since_tick.invalidate(); };

    if (!tour.start_rolling()
        || !pump_until([] { return link_state.ring_write.load() != 0; }, 5s)) {
        std::fprintf(stderr, "soak: no samples after Start\n");
        return 1;
    }

    const auto t0 = Clock::now();
    const double cpu0 = process_cpu_seconds();
    const double total_s = opt.minutes * 60;
    std::vector<long> rss_minutes; // at the end of each minute
    long rss_max = 0;
    int faults = 0;
    int next_fault_s = opt.fault_every_s;
    int next_report_s = 60;
    std::printf("soak: %.1f min at %u samples/s, blocks of at most %u, a fault every %d s, "
                "a tour every %d s\n",
                opt.minutes, opt.rate, opt.max_block, opt.fault_every_s, opt.tour_every_s);
    if (!can_print)
        std::printf("soak: no print queue \"%s\" (scripts/cups-start sets it up as root); "
                    "the tours do not print\n",
                    qPrintable(opt.printer));
    std::printf("%6s %10s %10s %9s %7s %9s %9s %-10s %s\n", "min", "shown", "reconnects", "breaks",
                "rss MiB", "cpu%", "late ms", "last fault", "tours");
    std::fflush(stdout);
    const char* last_fault = "-";
    double cpu_mark = cpu0;
    auto mark = t0;

    // Once a second, whatever the tour is doing: the sequence, memory, faults, the report.
    QTimer duty;
    QObject::connect(&duty, &QTimer::timeout, [&] {
        tour.follow();
        rss_max = std::max(rss_max, rss_kib());
        const double elapsed = seconds_since(t0);
        if (elapsed >= next_fault_s && elapsed < total_s - 20 && tour.faults_allowed()) {
            next_fault_s = int(elapsed) + opt.fault_every_s;
            last_fault = kFaults[faults % kFaultCount];
            ++faults;
            if (std::strcmp(last_fault, "restart") == 0) {
                // The controller goes away and comes back a second later under the other
                // address; the link has to find it again.
                sim.quit();
                run_event_loop(1s);
                on_second_address = !on_second_address;
                if (!sim.start(on_second_address ? "127.0.0.2" : "127.0.0.1"))
                    tour.failures << QStringLiteral("the simulator did not restart");
                since_tick.invalidate(); // the driver itself held the loop while restarting
            } else {
                sim.command(last_fault);
            }
        }
        if (elapsed >= next_report_s) {
            next_report_s += 60;
            rss_minutes.push_back(rss_kib());
            const double wall = seconds_since(mark);
            const double cpu = 100.0 * (process_cpu_seconds() - cpu_mark) / wall;
            mark = Clock::now();
            cpu_mark = process_cpu_seconds();
            std::printf("%6d %10llu %10llu %9llu %7.1f %9.1f %9.1f %-10s %d\n", int(elapsed) / 60,
                        (unsigned long long)SequenceWatch::shown_count(),
                        (unsigned long long)reconnects, (unsigned long long)tour.watch.breaks,
                        double(rss_minutes.back()) / 1024.0, cpu, worst_late_ms, last_fault,
                        tour.figures.tours);
            std::fflush(stdout);
        }
    });
    duty.start(1000);

    // The first tour after half a minute, then one every period, none starting too close to
    // the end (a tour takes a minute or more).
    double next_tour_s = 30;
    while (seconds_since(t0) < total_s) {
        const double now = seconds_since(t0);
        if (now >= next_tour_s && total_s - now >= 100) {
            next_tour_s = now + opt.tour_every_s;
            tour.run();
        } else {
            run_event_loop(250ms);
        }
    }
    duty.stop();
    tour.follow();
    const double wall = seconds_since(t0);
    const double cpu_percent = 100.0 * (process_cpu_seconds() - cpu0) / wall;
    const double sim_cpu_percent = 100.0 * sim.cpu_seconds() / wall;
    const long rss_start = rss_minutes.empty() ? 0 : rss_minutes.front();
    const long rss_end = rss_kib();
    const bool connected_at_end = connection_state() == LINK_CONNECTED;

    tour.stop_rolling();
    tour.collect_pdfs(60s);
    tour.take_messages(QString());
    const RollingFigures& r = tour.rolling_figures;
    const TourFigures& f = tour.figures;
    sim.quit();
    const SimFigures all = sim.total;
    window->close();
    window.reset();
    adapter_source_set(nullptr);

    std::printf("\nsoak summary (%.1f min, %d faults, %d tours):\n", wall / 60, faults, f.tours);
    std::printf("  reconnects            %llu (simulator connections %llu)\n",
                (unsigned long long)reconnects, (unsigned long long)all.connections);
    std::printf("  \"Rolling Data\"        %d stretches\n", r.stretches);
    std::printf("    samples sent        %llu\n", (unsigned long long)r.sent.samples);
    std::printf("    spoiled by faults   %llu (blocks dropped, late, cut off, merged, broken)\n",
                (unsigned long long)r.sent.faulted_samples);
    std::printf("    reached the diagram %llu (+%llu stored, not yet drawn at Stop; %llu in the "
                "blocks after Stop)\n",
                (unsigned long long)r.shown, (unsigned long long)r.undrawn,
                (unsigned long long)r.after_stop);
    std::printf("    lost otherwise      %lld%s\n", (long long)r.lost(),
                r.unsettled ? " (some Stop got no poll answer: not exact)" : "");
    std::printf("    sequence breaks     %llu (unreadable samples %llu)\n",
                (unsigned long long)tour.watch.breaks, (unsigned long long)tour.watch.unreadable);
    std::printf(
        "  event modes           %d AutoTrigger and %d Single Shot captures (%d forced, %d on the "
        "event),\n"
        "                        %llu sequence breaks inside them (unreadable samples %llu)\n",
        f.auto_captures, f.single_captures, f.forced, f.by_event,
        (unsigned long long)f.capture_breaks, (unsigned long long)f.capture_unreadable);
    std::printf("  samples sent in all   %llu (spoiled %llu)\n", (unsigned long long)all.samples,
                (unsigned long long)all.faulted_samples);
    std::printf("  saved and reloaded    %d saved, %d opened in the viewer with every sample\n",
                f.saves, f.viewer_loads);
    if (can_print)
        std::printf("  printed               %d pages on %s, %d PDF files came out\n", f.prints,
                    qPrintable(opt.printer), f.pdfs);
    else
        std::printf("  printed               skipped: no print queue \"%s\"\n",
                    qPrintable(opt.printer));
    std::printf("  longest output step   %.0f ms (save, viewer or print)\n", f.longest_output_ms);
    std::printf(
        "  RSS after 1 min       %.1f MiB, at the end %.1f MiB (%+.1f %%), highest %.1f MiB\n",
        double(rss_start) / 1024, double(rss_end) / 1024,
        rss_start ? 100.0 * double(rss_end - rss_start) / double(rss_start) : 0.0,
        double(rss_max) / 1024);
    std::printf("  RSS each minute (MiB)");
    for (long kib : rss_minutes)
        std::printf(" %.1f", double(kib) / 1024);
    std::printf("\n");
    std::printf("  CPU                   %.1f %% of a core (simulator %.1f %%)\n", cpu_percent,
                sim_cpu_percent);
    std::printf("  event loop held up    at most %.1f ms beyond a 50 ms timer\n", worst_late_ms);
    std::printf("  connected at the end  %s\n", connected_at_end ? "yes" : "NO");
    for (const QString& m : tour.unexpected_messages)
        std::printf("  message box: %s\n", qPrintable(m));
    for (const QString& failure : tour.failures)
        std::printf("  failed: %s\n", qPrintable(failure));
    const bool ok = connected_at_end && r.unsettled == 0 && r.lost() == 0
                    && tour.unexpected_messages.isEmpty() && tour.failures.isEmpty()
                    && (!can_print || f.pdfs >= f.prints);
    std::printf("  verdict               %s\n", ok ? "held" : "FAILED");
    return ok ? 0 : 1;
}
