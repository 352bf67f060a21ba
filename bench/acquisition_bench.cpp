// Acquisition benchmark: the whole program's live path — the main window in "Rolling Data"
// mode, its socket thread, the display timer and the diagram — against grafion-sim running
// as a separate process on loopback, so that the CPU time measured is Grafion's alone.
//
//  (1) The simulator at 1 kHz with blocks of at most 10 samples, for --seconds (30): CPU of
//      this process in percent of one core (and of its GUI thread), diagram renders and
//      on-screen paints per second, the longest time between two on-screen paints while
//      samples flow, the largest backlog of received samples not yet in the diagram, and the
//      samples the simulator sent against the samples that reached the diagram; and the
//      resident memory before the window, with it open, and at the end of the run.
//  (2) Then the rate is raised step by step (blocks of up to 1000 samples), --sweep-seconds
//      (5) each, doubling after the listed rates, until samples are lost, the display falls
//      behind or the link falls short of the rate: the highest rate that held is the
//      sustained rate, and what gave way at the next is printed.
//
// The simulator answers each message after 1 ms (--delay 1), as a controller that samples
// on its own clock and answers with what it has, so that "1 kHz" is 1000 samples a second
// whatever the speed of the link.
//
// Loopback only; run it in a namespace of its own:
//   unshare -n sh -c 'ip link set lo up && QT_QPA_PLATFORM=offscreen build/bench/acquisition_bench'
// With a 1 ms answer and one block per exchange, blocks of 1000 carry at most 1 000 000
// samples/s; --sweep-delay 0 has the simulator answer at once, to find the PC's own limit.
// Options: --seconds S, --sweep-seconds S, --rates R1,R2,..., --sweep-delay MS, --no-sweep,
// --sim PATH.
#include "Diagramx.h"
#include "Fz_netif.h"
#include "Globvar.h"
#include "ImageControl.h"
#include "Link_config.h"
#include "Net_cnx.h"
#include "live_support.h"
#include "loopback.h"
#include "message_box.h"
#include "pump_until.h"
#include "stats.h"

#include <QApplication>
#include <QDir>
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
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double seconds_since(Clock::time_point t)
{
    return std::chrono::duration<double>(Clock::now() - t).count();
}

double thread_cpu_seconds()
{
    timespec ts{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Counts the places where two neighbouring samples of the diagram are not neighbours in the
// simulator's sequence (a sample lost, repeated or out of order).
std::uint32_t sequence_breaks()
{
    const std::uint32_t n = live_diagram->SampleCount();
    std::uint32_t breaks = 0;
    SequenceFollower follower;
    for (std::uint32_t k = 0; k < n; ++k) {
        const Sample& s = live_diagram->samples[live_diagram->RingAdd(live_diagram->head, k)];
        if (follower.next(s) != SequenceFollower::InSequence)
            ++breaks;
    }
    return breaks;
}

// Timestamps the on-screen paints of the diagram's picture.
class PaintClock : public QObject {
public:
    std::vector<double> gaps_ms; // between consecutive paints while measuring
    std::uint64_t paints = 0;
    bool measuring = false;
    Clock::time_point last{};

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && measuring) {
            const auto now = Clock::now();
            if (paints > 0)
                gaps_ms.push_back(std::chrono::duration<double, std::milli>(now - last).count());
            last = now;
            ++paints;
        }
        return QObject::eventFilter(watched, event);
    }
};

struct RunResult {
    unsigned rate = 0;
    unsigned max_block = 0;
    double seconds = 0;
    double cpu_percent = 0;
    double gui_cpu_percent = 0;
    double ticks_per_s = 0; // display timer ticks
    double renders_per_s = 0;
    double screen_paints_per_s = 0;
    double paint_gap_p99_ms = 0;
    double paint_gap_max_ms = 0;
    std::uint32_t backlog_max = 0; // received samples not yet in the diagram, largest seen
    double backlog_mean = 0;
    std::uint64_t due = 0;     // rate x time from Start to Stop
    std::uint64_t sent = 0;    // samples the simulator sent
    std::uint64_t stored = 0;  // stored in the ring (sent less the block dropped after Stop)
    std::uint64_t shown = 0;   // appended to the diagram
    std::uint64_t undrawn = 0; // left in the ring at Stop
    std::uint32_t breaks = 0;  // sequence breaks among the diagram's last 20000 samples
    long rss_before_kib = 0;   // resident memory before the window opens,
    long rss_window_kib = 0;   // with the window open, before Start,
    long rss_end_kib = 0;      // and at the end of the measured time, before Stop
    double rolled_s = 0;       // seconds from the first sample to that moment
    bool ok = false;
    std::string error;

    std::int64_t lost() const { return std::int64_t(stored) - std::int64_t(shown + undrawn); }
    bool behind() const { return double(backlog_max) > std::max(0.05 * rate, 200.0); }
    bool held() const
    {
        // Sent within a block per 100 ms of what was due: the simulator did not have to drop
        // a backlog the PC did not fetch in time.
        const double short_of_due = double(due) - double(sent);
        return ok && lost() == 0 && breaks == 0 && !behind()
               && short_of_due <= double(max_block) + 0.01 * double(due);
    }
    // What gave way, for a run that did not hold.
    std::string why_not_held() const
    {
        if (!ok)
            return "the run failed: " + error;
        if (lost() != 0)
            return std::to_string(lost()) + " samples lost";
        if (breaks != 0)
            return std::to_string(breaks) + " breaks in the sequence";
        if (behind())
            return "the display fell behind (" + std::to_string(backlog_max) + " samples waiting)";
        return "the link fell short of the rate: " + std::to_string(sent) + " of "
               + std::to_string(due) + " samples sent (the PC did not fetch them in time)";
    }
};

class Bench {
public:
    explicit Bench(QString sim_path) : sim_path_(std::move(sim_path)) {}

    // delay_ms: how long the simulator takes to answer each message.
    RunResult run(unsigned rate, unsigned max_block, double seconds, unsigned delay_ms = 1)
    {
        RunResult r;
        r.rate = rate;
        r.max_block = max_block;
        r.seconds = seconds;

        QTemporaryDir folder;
        const QString previous = QDir::currentPath();
        QDir::setCurrent(folder.path());
        link_state_reset();
        adapters_.adapters = {loopback_adapter()};
        adapter_source_set(&adapters_);
        link_config = LinkConfig{};
        link_config.discovery_address = "127.0.0.1";
        link_config.discovery_local_port = free_udp_port();

        QProcess sim;
        sim.setProcessChannelMode(QProcess::SeparateChannels);
        sim.start(sim_path_, {"--bind", "127.0.0.1", "--port", "0", "--quiet", "--rate",
                              QString::number(rate), "--max-block", QString::number(max_block),
                              "--delay", QString::number(delay_ms), "--event-period", "0"});
        if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000)) {
            r.error = "simulator did not start";
            return finish(r, sim, previous);
        }
        const QString banner = QString::fromUtf8(sim.readLine()).trimmed();
        const int port = banner.section(' ', -1).toInt();
        if (port <= 0) {
            r.error = "simulator said: " + banner.toStdString();
            return finish(r, sim, previous);
        }
        link_config.controller_port = std::uint16_t(port);

        r.rss_before_kib = rss_kib();
        auto window = std::make_unique<TForm_net>();
        window->show();
        QCoreApplication::processEvents();
        r.rss_window_kib = rss_kib();
        PaintClock paints;
        if (!window->isVisible() || !live_diagram || !live_diagram->plotImage) {
            r.error = "window did not open";
            return finish(r, sim, previous);
        }
        live_diagram->plotImage->installEventFilter(&paints);

        window->RadioGroup_trigger_type->setItemIndex(0);
        if (!pump_until([] { return (link_state.controller_flags.load() & CONTROLLER_KNOWN) != 0; },
                        10s)) {
            r.error = "controller not found";
            return finish(r, sim, previous, window.get());
        }
        QTest::mouseClick(window->BitBtn_connect, Qt::LeftButton);
        if (!pump_until([] { return connection_state() == LINK_CONNECTED; }, 10s)) {
            r.error = "no connection";
            return finish(r, sim, previous, window.get());
        }

        QTest::mouseClick(window->BitBtn_start_CMP, Qt::LeftButton);
        // The simulator's clock starts with its answer to the start message; what is due is
        // counted from the first sample received.
        if (!pump_until([] { return link_state.ring_write.load() != 0; }, 5s)) {
            r.error = "no samples after Start";
            return finish(r, sim, previous, window.get());
        }
        const auto started = Clock::now();
        run_event_loop(1s); // warm-up: font caches, the diagram's first full window

        // Measure.
        const double cpu0 = process_cpu_seconds();
        const double gui0 = thread_cpu_seconds();
        const std::uint64_t renders0 = live_diagram->paintCount();
        paints.measuring = true;
        std::uint64_t backlog_sum = 0;
        std::uint64_t backlog_samples = 0;
        QTimer probe;
        probe.setTimerType(Qt::PreciseTimer);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            const std::uint32_t b =
                ring_gap(link_state.ring_display.load(), link_state.ring_write.load());
            r.backlog_max = std::max(r.backlog_max, b);
            backlog_sum += b;
            ++backlog_samples;
        });
        std::uint64_t ticks = 0;
        const auto count_tick =
            QObject::connect(window->Timer_Diagram, &QTimer::timeout, [&] { ++ticks; });
        probe.start(7); // a period that does not beat with the 1 ms display timer
        const auto t0 = Clock::now();
        run_event_loop(std::chrono::milliseconds(std::llround(seconds * 1000)));
        const double wall = seconds_since(t0);
        r.rss_end_kib = rss_kib();
        r.rolled_s = seconds_since(started);
        probe.stop();
        QObject::disconnect(count_tick);
        r.ticks_per_s = double(ticks) / wall;
        paints.measuring = false;
        r.cpu_percent = 100.0 * (process_cpu_seconds() - cpu0) / wall;
        r.gui_cpu_percent = 100.0 * (thread_cpu_seconds() - gui0) / wall;
        r.renders_per_s = double(live_diagram->paintCount() - renders0) / wall;
        r.screen_paints_per_s = double(paints.paints) / wall;
        r.backlog_mean = backlog_samples ? double(backlog_sum) / double(backlog_samples) : 0;
        if (!paints.gaps_ms.empty()) {
            r.paint_gap_p99_ms = percentile(paints.gaps_ms, 99);
            r.paint_gap_max_ms = *std::max_element(paints.gaps_ms.begin(), paints.gaps_ms.end());
        }

        // Stop, then wait until a poll has been answered: the block in flight at Stop (not
        // stored, not acknowledged) has been handled by then.
        QTest::mouseClick(window->BitBtn_stop_CMP, Qt::LeftButton);
        r.due = std::uint64_t(double(rate) * seconds_since(started));
        link_state.poll_reply_words[0] = -1;
        link_state.poll_reply_words[1] = -1;
        if (!pump_until(
                [] {
                    return link_state.poll_reply_words[0].load() != -1
                           || link_state.poll_reply_words[1].load() != -1;
                },
                5s)) {
            r.error = "no poll after Stop";
            return finish(r, sim, previous, window.get());
        }
        r.shown = std::uint64_t(std::llround(live_diagram->nextTime / live_diagram->samplePeriod));
        r.undrawn = ring_gap(link_state.ring_display.load(), link_state.ring_write.load());
        r.breaks = sequence_breaks();
        const std::uint32_t dropped_block = link_state.block_count.load();

        window->close();
        window.reset();
        sim.terminate();
        sim.waitForFinished(5000);
        const QString out = QString::fromUtf8(sim.readAllStandardOutput());
        const int at = out.lastIndexOf(": samples ");
        if (at < 0) {
            r.error = "no summary from the simulator";
            return finish(r, sim, previous);
        }
        r.sent = out.mid(at + 10).section(' ', 0, 0).toULongLong();
        r.stored = r.sent - dropped_block;
        r.ok = true;
        return finish(r, sim, previous);
    }

private:
    RunResult finish(RunResult& r, QProcess& sim, const QString& previous,
                     TForm_net* window = nullptr)
    {
        if (window)
            window->close();
        if (sim.state() != QProcess::NotRunning) {
            sim.terminate();
            if (!sim.waitForFinished(5000))
                sim.kill();
        }
        adapter_source_set(nullptr);
        link_config = LinkConfig{};
        QDir::setCurrent(previous);
        return r;
    }

    QString sim_path_;
    FixedAdapterSource adapters_;
};

void print_header()
{
    std::printf("%8s %6s %6s %7s %7s %7s %8s %8s %8s %8s %9s %11s %11s %11s %7s %6s %s\n", "rate",
                "block", "secs", "cpu%", "gui%", "ticks/s", "render/s", "paint/s", "gap p99",
                "gap max", "backlog", "due", "sent", "shown", "lost", "breaks", "verdict");
}

void print_row(const RunResult& r)
{
    if (!r.ok) {
        std::printf("%8u %6u  failed: %s\n", r.rate, r.max_block, r.error.c_str());
        return;
    }
    char backlog[32];
    std::snprintf(backlog, sizeof backlog, "%u/%.0f", r.backlog_max, r.backlog_mean);
    std::printf("%8u %6u %6.1f %7.1f %7.1f %7.0f %8.1f %8.1f %8.1f %8.1f %9s %11llu %11llu %11llu "
                "%7lld %6u %s\n",
                r.rate, r.max_block, r.seconds, r.cpu_percent, r.gui_cpu_percent, r.ticks_per_s,
                r.renders_per_s, r.screen_paints_per_s, r.paint_gap_p99_ms, r.paint_gap_max_ms,
                backlog, (unsigned long long)r.due, (unsigned long long)r.sent,
                (unsigned long long)r.shown, (long long)r.lost(), r.breaks,
                r.held() ? "held" : (r.behind() ? "behind" : "LOST"));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    double seconds = 30;
    double sweep_seconds = 5;
    unsigned sweep_delay = 1;
    bool sweep = true;
    QString sim_path = QStringLiteral(GRAFION_SIM);
    std::vector<unsigned> rates = {2000,   5000,   10000,  20000,  50000,
                                   100000, 200000, 400000, 800000, 1000000};
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool has_value = i + 1 < argc;
        if (a == "--seconds" && has_value)
            seconds = std::max(1.0, std::atof(argv[++i]));
        else if (a == "--sweep-seconds" && has_value)
            sweep_seconds = std::max(1.0, std::atof(argv[++i]));
        else if (a == "--sweep-delay" && has_value)
            sweep_delay = unsigned(std::atoi(argv[++i]));
        else if (a == "--no-sweep")
            sweep = false;
        else if (a == "--sim" && has_value)
            sim_path = QString::fromLocal8Bit(argv[++i]);
        else if (a == "--rates" && has_value) {
            rates.clear();
            for (const QString& part : QString::fromLocal8Bit(argv[++i]).split(','))
                if (part.toUInt() > 0)
                    rates.push_back(part.toUInt());
        } else {
            std::fprintf(stderr,
                         "usage: acquisition_bench [--seconds S] [--sweep-seconds S] "
                         "[--rates R1,R2,...] [--sweep-delay MS] [--no-sweep] [--sim PATH]\n");
            return 2;
        }
    }

    // Message boxes are recorded, never shown: the benchmark must not wait for a click.
    MessageRecorder recorder;
    Bench bench(sim_path);

    std::printf("Rolling mode, simulator at 1 kHz, blocks of at most 10 samples, %.0f s:\n",
                seconds);
    print_header();
    const RunResult base = bench.run(1000, 10, seconds);
    print_row(base);
    if (base.ok) {
        // The goals at 1 kHz: at most 4 % of one core for the whole process, and the picture
        // never more than 33 ms behind (the time between two paints bounds how old the newest
        // sample on screen can be).
        std::printf("CPU %.1f %% of one core, target <= 4 %%: %s\n", base.cpu_percent,
                    base.cpu_percent <= 4 ? "met" : "NOT MET");
        std::printf("picture behind by at most %.1f ms (largest gap between paints), target <= "
                    "33 ms: %s\n",
                    base.paint_gap_max_ms, base.paint_gap_max_ms <= 33 ? "met" : "NOT MET");
    }
    if (base.ok)
        std::printf("resident memory: %.1f MiB before the window, %.1f MiB with the window open, "
                    "%.1f MiB after %.1f s of rolling\n",
                    double(base.rss_before_kib) / 1024, double(base.rss_window_kib) / 1024,
                    double(base.rss_end_kib) / 1024, base.rolled_s);

    if (sweep) {
        std::printf("\nRaising the rate, blocks of at most 1000 samples, answers after %u ms, "
                    "%.0f s each:\n",
                    sweep_delay, sweep_seconds);
        print_header();
        // After the listed rates the rate doubles until something gives.
        unsigned best = 0;
        std::string gave;
        for (std::size_t i = 0; gave.empty(); ++i) {
            const unsigned rate = i < rates.size()                ? rates[i]
                                  : best > 0 && best < (1u << 30) ? 2 * best
                                                                  : 0;
            if (rate == 0)
                break;
            const RunResult r = bench.run(rate, 1000, sweep_seconds, sweep_delay);
            print_row(r);
            if (!r.held())
                gave = r.why_not_held();
            else
                best = rate;
        }
        std::printf("highest sustained rate: %u samples/s, target >= 1000000: %s\n", best,
                    best >= 1000000 ? "met" : "NOT MET");
        if (!gave.empty())
            std::printf("what gave way at the next rate: %s\n", gave.c_str());
    }
    for (const RecordedMessage& m : recorder.messages())
        std::printf("message box: %s / %s\n", qPrintable(m.title), qPrintable(m.text));
    return base.ok ? 0 : 1;
}
