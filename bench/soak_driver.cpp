// Soak run: the main window in "Rolling Data" mode against grafion-sim (a separate process)
// on loopback for a long time, with a fault every minute, cycling through a dropped sample
// block, a block 1.5 s late, the connection closed in the middle of a block, a block split
// in two writes, a block merged with another reply, a broken frame, and the controller
// restarted under another address (127.0.0.1 and 127.0.0.2 in turn).
//
// It prints a line a minute and, at the end, the reconnects, the samples the simulator sent,
// those it spoiled on purpose, those that reached the diagram and those lost on the way;
// the breaks in the diagram's sample sequence (each fault may cause one); the resident
// memory after the first minute and at the end; the CPU of this process and of the
// simulator; and the longest time the event loop was held up.
//
// Run it through bench/soak, which starts it in a network namespace of its own:
//   bench/soak BUILD_DIR [MINUTES]
// Options: --minutes M (30), --fault-every S (60), --rate R (1000), --max-block N (10),
//          --port P (1645), --sim PATH.
#include "live_support.h"
#include "loopback.h"
#include "pump_until.h"
#include "Diagramx.h"
#include "Fz_netif.h"
#include "Globvar.h"
#include "Link_config.h"
#include "Net_cnx.h"
#include "message_box.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <numbers>
#include <sstream>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// CPU seconds of another process, from /proc; 0 when it is gone.
double child_cpu_seconds(qint64 pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos)
        return 0;
    // Fields after the command: state is field 3; utime and stime are fields 14 and 15.
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i)
        if (i >= 14)
            ticks += std::atof(field.c_str());
    return ticks / double(::sysconf(_SC_CLK_TCK));
}

long rss_kib()
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

// Follows the diagram's newest samples and counts where two neighbours are not neighbours
// in the simulator's sequence.
class SequenceWatch {
public:
    std::uint64_t breaks = 0;
    std::uint64_t unreadable = 0;

    void check()
    {
        const std::uint64_t shown = shown_count();
        std::uint64_t fresh = shown - checked_;
        checked_ = shown;
        const std::uint32_t n = live_diagram->SampleCount();
        if (fresh > n) {
            ++breaks;  // more came than the diagram holds: the sequence cannot be followed
            follower_.lose();
            fresh = n;
        }
        for (std::uint32_t k = n - std::uint32_t(fresh); k < n; ++k) {
            switch (follower_.next(live_diagram->samples[live_diagram->RingAdd(live_diagram->head, k)])) {
            case SequenceFollower::Unreadable: ++unreadable; break;
            case SequenceFollower::Break: ++breaks; break;
            case SequenceFollower::InSequence: break;
            }
        }
    }
    static std::uint64_t shown_count()
    {
        return std::uint64_t(std::llround(live_diagram->nextTime / live_diagram->samplePeriod));
    }

private:
    std::uint64_t checked_ = 0;
    SequenceFollower follower_;
};

// The figures of the simulator's summary line ("samples N ... faulted samples N").
struct SimFigures {
    std::uint64_t samples = 0;
    std::uint64_t faulted_samples = 0;
    std::uint64_t connections = 0;
};

SimFigures parse_summary(const QString& out)
{
    SimFigures f;
    const int at = out.lastIndexOf("grafion-sim: samples ");
    if (at < 0)
        return f;
    const QString line = out.mid(at).section('\n', 0, 0);
    auto after = [&](const QString& key) {
        const int k = line.indexOf(key);
        return k < 0 ? 0ull : line.mid(k + key.size()).section(' ', 0, 0).toULongLong();
    };
    f.samples = after("samples ");
    f.faulted_samples = after("faulted samples ");
    f.connections = after("connections ");
    return f;
}

// One simulator process, fed fault commands on its standard input.
class SimProcess {
public:
    SimProcess(QString path, unsigned rate, unsigned max_block, std::uint16_t port)
        : path_(std::move(path)), rate_(rate), max_block_(max_block), port_(port)
    {
    }
    ~SimProcess() { quit(); }

    // Listens on `address` (and hears discovery on 127.0.0.1 whatever the address).
    bool start(const QString& address)
    {
        process_ = std::make_unique<QProcess>();
        process_->setProcessChannelMode(QProcess::SeparateChannels);
        process_->start(path_, {"--bind", address, "--discovery", "127.0.0.1", "--port",
                                QString::number(port_), "--quiet", "--commands", "--rate",
                                QString::number(rate_), "--max-block", QString::number(max_block_),
                                "--delay", "1", "--event-period", "0"});
        if (!process_->waitForStarted(5000) || !process_->waitForReadyRead(5000))
            return false;
        output_ += QString::fromUtf8(process_->readAll());
        return output_.contains("listening");
    }
    void command(const char* line)
    {
        if (process_ && process_->state() == QProcess::Running) {
            process_->write(QByteArray(line) + '\n');
            process_->waitForBytesWritten(1000);
        }
    }
    // Ends the process; adds its figures to the totals.
    void quit()
    {
        if (!process_)
            return;
        cpu_seconds_ += child_cpu_seconds(process_->processId());
        command("quit");
        if (!process_->waitForFinished(5000)) {
            process_->kill();
            process_->waitForFinished(2000);
        }
        output_ += QString::fromUtf8(process_->readAllStandardOutput());
        const SimFigures f = parse_summary(output_);
        total.samples += f.samples;
        total.faulted_samples += f.faulted_samples;
        total.connections += f.connections;
        output_.clear();
        process_.reset();
    }
    double cpu_seconds() const
    {
        return cpu_seconds_ + (process_ ? child_cpu_seconds(process_->processId()) : 0);
    }

    SimFigures total;

private:
    QString path_;
    unsigned rate_;
    unsigned max_block_;
    std::uint16_t port_;
    std::unique_ptr<QProcess> process_;
    QString output_;
    double cpu_seconds_ = 0;
};

const char* const kFaults[] = {"drop", "delay", "close", "split", "merge", "malformed", "restart"};
constexpr int kFaultCount = int(sizeof kFaults / sizeof kFaults[0]);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    double minutes = 30;
    int fault_every_s = 60;
    unsigned rate = 1000;
    unsigned max_block = 10;
    std::uint16_t port = 1645;
    QString sim_path = QStringLiteral(GRAFION_SIM);
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool has_value = i + 1 < argc;
        if (a == "--minutes" && has_value)
            minutes = std::max(0.2, std::atof(argv[++i]));
        else if (a == "--fault-every" && has_value)
            fault_every_s = std::max(5, std::atoi(argv[++i]));
        else if (a == "--rate" && has_value)
            rate = unsigned(std::max(1, std::atoi(argv[++i])));
        else if (a == "--max-block" && has_value)
            max_block = unsigned(std::clamp(std::atoi(argv[++i]), 1, 4000));
        else if (a == "--port" && has_value)
            port = std::uint16_t(std::atoi(argv[++i]));
        else if (a == "--sim" && has_value)
            sim_path = QString::fromLocal8Bit(argv[++i]);
        else {
            std::fprintf(stderr, "usage: soak_driver [--minutes M] [--fault-every S] [--rate R] "
                                 "[--max-block N] [--port P] [--sim PATH]\n");
            return 2;
        }
    }

    MessageRecorder recorder;  // message boxes are recorded, never shown
    QTemporaryDir folder;
    QDir::setCurrent(folder.path());
    link_state_reset();
    FixedAdapterSource adapters;
    adapters.adapters = {loopback_adapter()};
    adapter_source_set(&adapters);
    link_config = LinkConfig {};
    link_config.discovery_address = "127.0.0.1";
    link_config.controller_port = port;
    link_config.discovery_local_port = free_udp_port();

    SimProcess sim(sim_path, rate, max_block, port);
    bool on_second_address = false;
    if (!sim.start("127.0.0.1")) {
        std::fprintf(stderr, "soak: the simulator did not start (%s)\n", qPrintable(sim_path));
        return 1;
    }

    auto window = std::make_unique<TForm_net>();
    window->show();
    window->RadioGroup_trigger_type->setItemIndex(0);
    if (!pump_until([] { return (controller_flags.load() & CONTROLLER_KNOWN) != 0; }, 10s)) {
        std::fprintf(stderr, "soak: controller not found\n");
        return 1;
    }
    QTest::mouseClick(window->BitBtn_connect, Qt::LeftButton);
    if (!pump_until([] { return connection_state() == LINK_CONNECTED; }, 10s)) {
        std::fprintf(stderr, "soak: no connection\n");
        return 1;
    }
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

    // How late a 50 ms timer fires: how long the event loop was held up.
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

    QTest::mouseClick(window->BitBtn_start_CMP, Qt::LeftButton);
    if (!pump_until([] { return ring_write.load() != 0; }, 5s)) {
        std::fprintf(stderr, "soak: no samples after Start\n");
        return 1;
    }

    SequenceWatch watch;
    const auto t0 = Clock::now();
    const double cpu0 = process_cpu_seconds();
    const auto total = std::chrono::milliseconds(std::llround(minutes * 60000));
    long rss_start = 0;
    long rss_max = 0;
    int faults = 0;
    int next_fault_s = fault_every_s;
    int next_report_s = 60;
    std::printf("soak: %.1f min at %u samples/s, blocks of at most %u, a fault every %d s\n",
                minutes, rate, max_block, fault_every_s);
    std::printf("%6s %10s %10s %9s %7s %9s %9s %s\n", "min", "shown", "reconnects", "breaks",
                "rss MiB", "cpu%", "late ms", "last fault");
    std::fflush(stdout);
    const char* last_fault = "-";
    double cpu_mark = cpu0;
    auto mark = t0;
    while (Clock::now() - t0 < total) {
        run_event_loop(1s);
        watch.check();
        const int elapsed_s = int(std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - t0).count());
        rss_max = std::max(rss_max, rss_kib());
        if (elapsed_s >= 60 && rss_start == 0)
            rss_start = rss_kib();  // after the diagram has filled and the caches have settled
        if (elapsed_s >= next_fault_s && Clock::now() - t0 < total - 20s) {
            next_fault_s += fault_every_s;
            last_fault = kFaults[faults % kFaultCount];
            ++faults;
            if (std::strcmp(last_fault, "restart") == 0) {
                // The controller goes away and comes back a second later under the other
                // address; the link has to find it again.
                sim.quit();
                run_event_loop(1s);
                on_second_address = !on_second_address;
                if (!sim.start(on_second_address ? "127.0.0.2" : "127.0.0.1")) {
                    std::fprintf(stderr, "soak: the simulator did not restart\n");
                    return 1;
                }
                since_tick.invalidate();  // the driver itself held the loop while restarting

            } else {
                sim.command(last_fault);
            }
        }
        if (elapsed_s >= next_report_s) {
            next_report_s += 60;
            const double wall = std::chrono::duration<double>(Clock::now() - mark).count();
            const double cpu = 100.0 * (process_cpu_seconds() - cpu_mark) / wall;
            mark = Clock::now();
            cpu_mark = process_cpu_seconds();
            std::printf("%6d %10llu %10llu %9llu %7.1f %9.1f %9.1f %s\n", elapsed_s / 60,
                        (unsigned long long)SequenceWatch::shown_count(),
                        (unsigned long long)reconnects, (unsigned long long)watch.breaks,
                        double(rss_kib()) / 1024.0, cpu, worst_late_ms, last_fault);
            std::fflush(stdout);
        }
    }
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    const double cpu_percent = 100.0 * (process_cpu_seconds() - cpu0) / wall;
    const double sim_cpu_percent = 100.0 * sim.cpu_seconds() / wall;
    const long rss_end = rss_kib();
    const bool connected_at_end = connection_state() == LINK_CONNECTED;

    // Stop; once a poll has been answered the block in flight at Stop (neither stored nor
    // acknowledged) has been handled.
    QTest::mouseClick(window->BitBtn_stop_CMP, Qt::LeftButton);
    poll_reply_words[0] = -1;
    poll_reply_words[1] = -1;
    const bool polled = pump_until([] {
        return poll_reply_words[0].load() != -1 || poll_reply_words[1].load() != -1;
    }, 10s);
    watch.check();
    const std::uint64_t shown = SequenceWatch::shown_count();
    const std::uint64_t undrawn = ring_gap(ring_display.load(), ring_write.load());
    const std::uint64_t after_stop = polled ? block_count.load() : 0;
    sim.quit();
    window->close();
    window.reset();
    adapter_source_set(nullptr);

    const std::uint64_t sent = sim.total.samples;
    const std::uint64_t spoiled = sim.total.faulted_samples;
    const std::int64_t lost = std::int64_t(sent) - std::int64_t(spoiled)
        - std::int64_t(shown + undrawn) - std::int64_t(after_stop);
    std::printf("\nsoak summary (%.1f min, %d faults):\n", wall / 60, faults);
    std::printf("  reconnects            %llu (simulator connections %llu)\n",
                (unsigned long long)reconnects, (unsigned long long)sim.total.connections);
    std::printf("  samples sent          %llu\n", (unsigned long long)sent);
    std::printf("  spoiled by faults     %llu (blocks dropped, late, cut off, merged, broken)\n",
                (unsigned long long)spoiled);
    std::printf("  reached the diagram   %llu (+%llu stored, not yet drawn at Stop; %llu in the block after Stop)\n",
                (unsigned long long)shown, (unsigned long long)undrawn, (unsigned long long)after_stop);
    std::printf("  lost otherwise        %lld\n", (long long)lost);
    std::printf("  sequence breaks       %llu (unreadable samples %llu)\n",
                (unsigned long long)watch.breaks, (unsigned long long)watch.unreadable);
    std::printf("  RSS after 1 min       %.1f MiB, at the end %.1f MiB (%+.1f %%), highest %.1f MiB\n",
                double(rss_start) / 1024, double(rss_end) / 1024,
                rss_start ? 100.0 * double(rss_end - rss_start) / double(rss_start) : 0.0,
                double(rss_max) / 1024);
    std::printf("  CPU                   %.1f %% of a core (simulator %.1f %%)\n", cpu_percent,
                sim_cpu_percent);
    std::printf("  event loop held up    at most %.1f ms beyond a 50 ms timer\n", worst_late_ms);
    std::printf("  connected at the end  %s\n", connected_at_end ? "yes" : "NO");
    for (const RecordedMessage& m : recorder.messages())
        std::printf("  message box: %s / %s\n", qPrintable(m.title), qPrintable(m.text));
    const bool ok = connected_at_end && polled && lost == 0 && recorder.messages().empty();
    std::printf("  verdict               %s\n", ok ? "held" : "FAILED");
    return ok ? 0 : 1;
}
