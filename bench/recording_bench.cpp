// Long recordings in the viewer: opening a recording of 100 million samples (2 GB) with its
// min/max summaries built (cold) or read from beside it (warm), the resident memory, and
// the time of a repaint at each zoom from the whole recording down to single samples,
// beside a repaint of 8 x 20000 samples held in the ring (paint_bench's zoom case).
//
//     cmake --build build --target recording_bench
//     QT_QPA_PLATFORM=offscreen build/bench/recording_bench [--file PATH] [--samples N]
//         [--rounds N] [--png DIR] [--keep] [--repaints-only] [--measures-only]
//
// --png DIR writes pictures of the viewer window showing the recording (whole, and zoomed
// in twice) instead of measuring. --measures-only times "Misure" over the recording (exact
// mean and RMS from the block sums) and stops there.
//
// The recording is written once (default /tmp/grafion-bench.grec) and removed at the end
// with its summary file unless --keep is given. "Cold" evicts the recording's pages from
// the page cache first (posix_fadvise), so the build reads it from the disk.

#include "ChannelMeasures.h"
#include "Diagramx.h"
#include "Load_dat.h"
#include "Recording_view.h"
#include "paint_signals.h"
#include "recording_maker.h"
#include "rss.h"
#include "stats.h"

#include <QApplication>
#include <QImage>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <unistd.h>
#include <vector>

namespace {

double now_ms()
{
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void evict(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return;
    ::fdatasync(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

// The eight signals of the paint benchmarks (paint_signals.h) at sample i, 1 ms apart,
// with a hashed noise of the same spread in place of the normal one.
std::int16_t bench_value(std::uint64_t i, int ch)
{
    const double t = double(i) * 0.001;
    const double noise =
        (double(mix64(i * 8 + std::uint64_t(ch)) >> 11) / 9007199254740992.0 - 0.5) * 3.4641;
    double v = 0;
    switch (ch) {
    case 0:
        v = 800 * std::sin(2 * M_PI * 2.0 * t) + 40 * noise;
        break;
    case 1:
        v = std::fmod(t, 0.5) < 0.25 ? 600 : -600;
        break;
    case 2:
        v = 1000 * (std::fmod(t, 1.0) - 0.5);
        break;
    case 3:
        v = 400 * std::sin(2 * M_PI * 0.7 * t + 1) + 15 * noise;
        break;
    case 4:
        v = 120 * noise;
        break;
    case 5:
        v = 300 * std::sin(2 * M_PI * 9.0 * t) + 250 * std::sin(2 * M_PI * 0.5 * t) + 20 * noise;
        break;
    case 6:
        v = std::fmod(t, 1.3) < 0.4 ? 900 : -200;
        break;
    default: {
        const double ph = std::fmod(t * 1.5, 1.0);
        v = 1400 * (ph < 0.5 ? ph : 1 - ph) - 350;
    }
    }
    return std::int16_t(std::lround(v));
}

// A line of /proc/self/status ("RssAnon", "RssFile"), in MB.
double status_mb(const char* key)
{
    std::FILE* f = std::fopen("/proc/self/status", "r");
    char line[256];
    double mb = 0;
    while (f && std::fgets(line, sizeof line, f))
        if (std::strncmp(line, key, std::strlen(key)) == 0 && line[std::strlen(key)] == ':')
            mb = std::atof(line + std::strlen(key) + 1) / 1024;
    if (f)
        std::fclose(f);
    return mb;
}

// Reads the file into the page cache.
void cache(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return;
    std::vector<char> buf(1 << 24);
    while (::read(fd, buf.data(), buf.size()) > 0) {
    }
    ::close(fd);
}

struct Target {
    QImage image;
    Canvas canvas;
    DrawArea area;
    Target(int w, int h) : image(w, h, QImage::Format_RGB32), canvas(&image)
    {
        image.fill(Qt::white);
        area.canvas = &canvas;
        area.width = w;
        area.height = h;
    }
};

struct Figures {
    double median, p95, cpuMedian;
};

Figures figures(std::vector<double> ms, std::vector<double> cpu)
{
    return {median(ms), percentile(ms, 95), median(cpu)};
}

// Paints `rounds` pictures, calling `before(i)` ahead of each (untimed).
template <class Before>
Figures measure(Diagramx& d, Target& t, int rounds, Before before)
{
    for (int i = 0; i < 3; ++i) {
        before(i);
        d.Paint(t.area, d.view);
    }
    std::vector<double> ms, cpu;
    for (int i = 0; i < rounds; ++i) {
        before(i);
        const double c0 = thread_cpu_ms();
        const double t0 = now_ms();
        d.Paint(t.area, d.view);
        ms.push_back(now_ms() - t0);
        cpu.push_back(thread_cpu_ms() - c0);
    }
    return figures(ms, cpu);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::string path = "/tmp/grafion-bench.grec";
    std::uint64_t samples = 100'000'000;
    int rounds = 100;
    QString pngDir;
    bool keep = false;
    bool repaintsOnly = false;
    bool measuresOnly = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--file" && i + 1 < argc)
            path = argv[++i];
        else if (a == "--samples" && i + 1 < argc)
            samples = std::strtoull(argv[++i], nullptr, 10);
        else if (a == "--rounds" && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else if (a == "--png" && i + 1 < argc)
            pngDir = QString::fromLocal8Bit(argv[++i]);
        else if (a == "--keep")
            keep = true;
        else if (a == "--repaints-only")
            repaintsOnly = true;
        else if (a == "--measures-only")
            repaintsOnly = measuresOnly = true;
    }
    const double period = 0.001;
    std::error_code ec;
    if (std::filesystem::file_size(path, ec)
        != kRecordingHeaderSize + samples * kRecordingRecordSize) {
        std::printf("writing %llu samples to %s ...\n", (unsigned long long)samples, path.c_str());
        const double t0 = now_ms();
        if (!make_recording(path, samples, bench_value, period)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("  written in %.1f s\n", (now_ms() - t0) / 1000);
    }
    const std::string sumPath = RecordingSummary::path_for(path);
    if (!pngDir.isEmpty()) {
        TForm_load_dat viewer;
        viewer.resize(1000, 640);
        viewer.show();
        QApplication::processEvents();
        if (!viewer.load_file(QString::fromStdString(path)))
            return 1;
        QApplication::processEvents();
        viewer.grab().save(pngDir + QStringLiteral("/viewer-whole.png"));
        Diagramx& d = *viewer.viewer_diagram;
        const double span = double(samples - 1) * period;
        const std::pair<double, const char*> zooms[] = {{span * 0.4 + 3, "viewer-seconds.png"},
                                                        {span * 0.4 + 0.05, "viewer-samples.png"}};
        for (const auto& [end, name] : zooms) {
            d.view.zoomTMin = span * 0.4;
            d.view.zoomTMax = end;
            d.view.zoomYMin = -1100;
            d.view.zoomYMax = 1100;
            d.WindowFromZoom();
            d.Redraw();
            QApplication::processEvents();
            viewer.grab().save(pngDir + QStringLiteral("/") + QLatin1String(name));
        }
        return 0;
    }
    const long rssStart = rss_kib();
    std::string error;
    RecordingSummary::Origin origin{};
    std::unique_ptr<RecordingFile> file;
    std::unique_ptr<RecordingSummary> summary;
    if (!repaintsOnly) {
        // Cold: no summary file, the recording's pages not in memory.
        std::filesystem::remove(sumPath, ec);
        evict(path);
        double t0 = now_ms();
        file = RecordingFile::open(path, error);
        if (!file) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        summary = RecordingSummary::load_or_build(*file, {}, &origin);
        const double coldMs = now_ms() - t0;
        const long rssCold = rss_kib();
        std::printf("\n%llu samples, %.2f GB; summaries %.1f MB (%d levels: ",
                    (unsigned long long)file->count(), double(file->fileSize()) / 1e9,
                    double(summary->bytes()) / 1e6, summary->levels());
        for (int l = 1; l <= summary->levels(); ++l)
            std::printf("%s%llu", l > 1 ? ", " : "", (unsigned long long)summary->entries(l));
        std::printf(" entries)\n");
        std::printf(
            "open cold (from disk), summaries built%s: %8.0f ms   resident %6.1f MB (+%.1f)\n",
            origin == RecordingSummary::Origin::BuiltAndKept ? " and kept" : "", coldMs,
            rssCold / 1024.0, (rssCold - rssStart) / 1024.0);
        summary.reset();
        file.reset();

        // The summaries built again with the recording in the page cache (as just after
        // recording it): the time of the pass itself.
        std::filesystem::remove(sumPath, ec);
        cache(path);
        t0 = now_ms();
        file = RecordingFile::open(path, error);
        summary = RecordingSummary::load_or_build(*file, {}, &origin);
        std::printf(
            "open, recording in page cache, summaries built: %8.0f ms   resident %6.1f MB\n",
            now_ms() - t0, rss_kib() / 1024.0);
        summary.reset();
        file.reset();
    }

    // Warm: the summary file beside the recording; the recording's pages evicted again.
    evict(path);
    evict(sumPath);
    const double t0 = now_ms();
    file = RecordingFile::open(path, error);
    summary = RecordingSummary::load_or_build(*file, {}, &origin);
    const double warmMs = now_ms() - t0;
    std::printf("open warm (summaries %s):             %8.1f ms   resident %6.1f MB\n",
                origin == RecordingSummary::Origin::Read ? "read" : "BUILT", warmMs,
                rss_kib() / 1024.0);

    // "Misure": the exact figures of every channel over ranges of the recording, the
    // recording in the page cache, beside one plain pass over every record.
    {
        cache(path);
        RecordingView measured(RecordingFile::open(path, error),
                               RecordingSummary::load_or_build(*file, {}));
        const double whole = double(measured.file().count() - 1) * period;
        std::printf("\nMisure, 8 channels, %d rounds each       median ms  p95 ms  cpu med\n",
                    rounds);
        std::uint64_t seed = 1;
        for (const double share : {1.0, 1.0 / 3, 1e-2, 1e-4, 1e-6}) {
            std::vector<double> ms, cpu;
            for (int r = 0; r < rounds; ++r) {
                seed = mix64(seed);
                const double from =
                    share == 1.0 ? 0 : double(seed % 1000) / 1000 * whole * (1 - share);
                ChannelMeasure out[8];
                const double t0 = now_ms(), c0 = thread_cpu_ms();
                measured.Measure(from, from + share * whole, 8, out);
                ms.push_back(now_ms() - t0);
                cpu.push_back(thread_cpu_ms() - c0);
            }
            const Figures f = figures(ms, cpu);
            char name[64] = "recording whole";
            if (share != 1.0)
                std::snprintf(name, sizeof name, "recording 1/%.0f", 1 / share);
            std::printf("%-40s %9.3f %7.3f %8.3f\n", name, f.median, f.p95, f.cpuMedian);
        }
        const double t0 = now_ms();
        std::int64_t sum = 0;
        std::int16_t v[kRecordingChannels];
        for (std::uint64_t i = 0; i < measured.file().count(); ++i) {
            measured.file().values(i, v);
            sum += v[0];
        }
        measured.file().release(0, measured.file().count());
        std::printf("%-40s %9.0f   (sum %lld)\n", "one pass over every record", now_ms() - t0,
                    (long long)sum);
        if (measuresOnly)
            return 0;
    }

    // Repaints: the picture paint_bench measures (1200 x 700 off screen), with the recording
    // in the page cache (as after building its summaries, or after a first look at it).
    cache(path);
    QWidget host;
    host.resize(1200, 700 + 57 + 36);
    Diagramx d(&host, 8, 5000, 20001);
    host.show();
    QApplication::processEvents();
    RecordingView view(std::move(file), std::move(summary));
    d.source = &view;
    Target target(1200, 700);
    const double span = double(view.file().count() - 1) * period;

    std::printf("\nrepaint, 1200 x 700, %d paints each       median ms  p95 ms  cpu med  "
                "points in ring\n",
                rounds);
    {
        QWidget baseHost;
        baseHost.resize(1200, 700 + 57 + 36);
        Diagramx base(&baseHost, 8, 5000, 20001);
        fill_signals(base, 20000);
        set_zoom_all(base, base.view);
        const Figures f = measure(base, target, rounds, [](int) {});
        std::printf("%-40s %9.3f %7.3f %8.3f %8u\n", "ring: zoom, 8 x 20000 shown (today)",
                    f.median, f.p95, f.cpuMedian, base.SampleCount());
    }
    std::mt19937_64 rng(7);
    for (double share = 1; share * double(view.file().count()) >= 5; share /= 10) {
        const double width = span * share;
        auto place = [&](double start) {
            d.view.zoomTMin = start;
            d.view.zoomTMax = start + width;
            d.view.zoomYMin = -1100;
            d.view.zoomYMax = 1100;
            d.WindowFromZoom();
        };
        const double room = std::max(0.0, span - width * 1.001);
        char name[64];
        // A window anywhere each paint (scroll bar jumps): the ring is filled anew from
        // records whose pages this process has not touched yet.
        const Figures jump = measure(d, target, rounds, [&](int) {
            place(std::uniform_real_distribution<double>(0, room)(rng));
        });
        std::snprintf(name, sizeof name, "recording 1/%.0f, jump", 1 / share);
        std::printf("%-40s %9.3f %7.3f %8.3f %8u\n", name, jump.median, jump.p95, jump.cpuMedian,
                    d.SampleCount());
        // Panning: the window moves by 1/50 of its width each paint; the ring is filled anew.
        const double from = std::uniform_real_distribution<double>(0, room / 2)(rng);
        const Figures pan = measure(d, target, rounds, [&](int i) {
            place(std::min(room, from + (i + 3) * width / 50));
        });
        std::snprintf(name, sizeof name, "recording 1/%.0f, pan step", 1 / share);
        std::printf("%-40s %9.3f %7.3f %8.3f\n", name, pan.median, pan.p95, pan.cpuMedian);
        // The same window painted again (a cursor moved, a channel hidden).
        const Figures same = measure(d, target, rounds, [](int) {});
        std::snprintf(name, sizeof name, "recording 1/%.0f, same window", 1 / share);
        std::printf("%-40s %9.3f %7.3f %8.3f\n", name, same.median, same.p95, same.cpuMedian);
    }
    {
        d.view.followLatest = 1;
        const Figures f = measure(d, target, rounds, [](int) {});
        std::printf("%-40s %9.3f %7.3f %8.3f %8u\n", "recording whole, same window", f.median,
                    f.p95, f.cpuMedian, d.SampleCount());
    }
    std::printf("\nresident after the repaints: %.1f MB (anonymous %.1f, file pages %.1f)\n",
                rss_kib() / 1024.0, status_mb("RssAnon"), status_mb("RssFile"));
    if (!keep) {
        std::filesystem::remove(path, ec);
        std::filesystem::remove(sumPath, ec);
    }
    return 0;
}
