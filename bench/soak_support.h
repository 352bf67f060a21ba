// What the soak run's parts share: the simulator process it drives, its figures, and the
// check that the diagram shows the simulator's samples in an unbroken sequence.
#pragma once

#include "Diagramx.h"
#include "Net_cnx.h"
#include "live_support.h"

#include <QProcess>
#include <QString>

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

// CPU seconds of another process, from /proc; 0 when it is gone.
inline double child_cpu_seconds(qint64 pid)
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

// The figures of the simulator's summary line ("samples N ... faulted samples N").
struct SimFigures {
    std::uint64_t samples = 0;
    std::uint64_t faulted_samples = 0;
    std::uint64_t connections = 0;

    SimFigures operator+(const SimFigures& o) const
    {
        return {samples + o.samples, faulted_samples + o.faulted_samples,
                connections + o.connections};
    }
    SimFigures operator-(const SimFigures& o) const
    {
        return {samples - o.samples, faulted_samples - o.faulted_samples,
                connections - o.connections};
    }
};

// The last summary line in the simulator's output; `found` tells whether there was one.
inline SimFigures parse_summary(const QString& out, bool* found = nullptr)
{
    SimFigures f;
    const auto at = out.lastIndexOf("grafion-sim: samples ");
    if (found)
        *found = at >= 0 && out.indexOf('\n', at) >= 0;
    if (at < 0)
        return f;
    const QString line = out.mid(at).section('\n', 0, 0);
    auto after = [&](const QString& key) {
        const auto k = line.indexOf(key);
        return k < 0 ? 0ull : line.mid(k + key.size()).section(' ', 0, 0).toULongLong();
    };
    f.samples = after("samples ");
    f.faulted_samples = after("faulted samples ");
    f.connections = after("connections ");
    return f;
}

// One simulator process, fed fault commands on its standard input. A restart ends one
// process and starts another; the figures add up over all of them.
class SimProcess {
public:
    SimProcess(QString path, unsigned rate, unsigned max_block, std::uint16_t port,
               unsigned event_period_ms)
        : path_(std::move(path)), rate_(rate), max_block_(max_block), port_(port),
          event_period_ms_(event_period_ms)
    {}
    ~SimProcess() { quit(); }

    // Listens on `address` (and hears discovery on 127.0.0.1 whatever the address).
    bool start(const QString& address)
    {
        process_ = std::make_unique<QProcess>();
        process_->setProcessChannelMode(QProcess::SeparateChannels);
        process_->start(path_,
                        {"--bind", address, "--discovery", "127.0.0.1", "--port",
                         QString::number(port_), "--quiet", "--commands", "--rate",
                         QString::number(rate_), "--max-block", QString::number(max_block_),
                         "--delay", "1", "--event-period", QString::number(event_period_ms_)});
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
    // The figures of every process so far, the running one asked for its summary line.
    SimFigures figures()
    {
        if (!process_ || process_->state() != QProcess::Running)
            return total;
        output_.clear();
        command("summary");
        for (int attempt = 0; attempt < 10; ++attempt) {
            process_->waitForReadyRead(500);
            output_ += QString::fromUtf8(process_->readAllStandardOutput());
            bool found = false;
            const SimFigures now = parse_summary(output_, &found);
            if (found)
                return total + now;
            command(""); // a line the simulator's buffered input may still hold back
        }
        return total;
    }
    // Ends the process; adds its figures to the totals.
    void quit()
    {
        if (!process_)
            return;
        cpu_seconds_ += child_cpu_seconds(process_->processId());
        output_.clear();
        command("quit");
        if (!process_->waitForFinished(5000)) {
            process_->kill();
            process_->waitForFinished(2000);
        }
        output_ += QString::fromUtf8(process_->readAllStandardOutput());
        total = total + parse_summary(output_);
        output_.clear();
        process_.reset();
    }
    double cpu_seconds() const
    {
        return cpu_seconds_ + (process_ ? child_cpu_seconds(process_->processId()) : 0);
    }

    SimFigures total; // of the processes that have ended

private:
    QString path_;
    unsigned rate_;
    unsigned max_block_;
    std::uint16_t port_;
    unsigned event_period_ms_;
    std::unique_ptr<QProcess> process_;
    QString output_;
    double cpu_seconds_ = 0;
};

// Follows the diagram's newest samples and counts where two neighbours are not neighbours
// in the simulator's sequence.
class SequenceWatch {
public:
    std::uint64_t breaks = 0;
    std::uint64_t unreadable = 0;

    // Follows the samples appended since the last call.
    void check()
    {
        const std::uint64_t shown = shown_count();
        std::uint64_t fresh = shown - checked_;
        checked_ = shown;
        const std::uint32_t n = live_diagram->SampleCount();
        if (fresh > n) {
            ++breaks; // more came than the diagram holds: the sequence cannot be followed
            follower_.lose();
            fresh = n;
        }
        follow(n - std::uint32_t(fresh), n);
    }
    // From now on: samples appended so far are not followed, and the next one starts afresh.
    void restart()
    {
        checked_ = shown_count();
        follower_.lose();
    }
    // Follows the whole diagram from its oldest sample, afresh.
    void check_whole()
    {
        follower_.lose();
        follow(0, live_diagram->SampleCount());
        checked_ = shown_count();
    }
    // Samples appended to the live diagram since the start.
    static std::uint64_t shown_count()
    {
        return std::uint64_t(std::llround(live_diagram->nextTime / live_diagram->samplePeriod));
    }

private:
    void follow(std::uint32_t from, std::uint32_t to)
    {
        for (std::uint32_t k = from; k < to; ++k) {
            switch (follower_.next(
                live_diagram->samples[live_diagram->RingAdd(live_diagram->head, k)])) {
            case SequenceFollower::Unreadable:
                ++unreadable;
                break;
            case SequenceFollower::Break:
                ++breaks;
                break;
            case SequenceFollower::InSequence:
                break;
            }
        }
    }

    std::uint64_t checked_ = 0;
    SequenceFollower follower_;
};
