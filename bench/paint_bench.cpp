// Paints the diagram into an off-screen 1200 x 700 image with 8 channels of realistic
// signals and prints the median and 95th percentile time per picture and the heap
// allocations made while painting, for the three standard situations:
//   follow mode with 5000 samples shown, zoom mode with all 20000 shown, and a fixed
//   scale that clips half of the signal.
// Then, on the screen picture: pan and scroll steps (each one repaint) and rubber-band moves
// (no repaint), with the number of paints per step.
// Last, pictures of samples at the ends of what doubles hold (as a crafted diagram file
// brings them), next to the ordinary 8 x 20000 for comparison.
// Usage: paint_bench [--png DIR] [--rounds N]
// Run with QT_QPA_PLATFORM=offscreen.

#include "Diagramx.h"
#include "ImageControl.h"
#include "paint_signals.h"
#include "stats.h"

#include <QApplication>
#include <QDir>
#include <QWidget>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

// Counting allocator: every operator new in the process passes here.
static std::atomic<long long> g_allocations{0};

void* operator new(std::size_t n)
{
    ++g_allocations;
    if (void* p = std::malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n)
{
    ++g_allocations;
    if (void* p = std::malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept
{
    ++g_allocations;
    return std::malloc(n ? n : 1);
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept
{
    ++g_allocations;
    return std::malloc(n ? n : 1);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

struct Figures {
    double median, p95;
    double cpuMedian, cpuP95;
    double allocations;
};

Figures measure(Diagramx& d, DrawArea& area, ViewState& v, int rounds)
{
    for (int i = 0; i < 5; ++i) // warm the font and glyph caches
        d.Paint(area, v);
    std::vector<double> ms, cpu;
    long long allocs = 0;
    for (int i = 0; i < rounds; ++i) {
        const long long a0 = g_allocations.load();
        const double c0 = thread_cpu_ms();
        const auto t0 = std::chrono::steady_clock::now();
        d.Paint(area, v);
        const auto t1 = std::chrono::steady_clock::now();
        cpu.push_back(thread_cpu_ms() - c0);
        allocs += g_allocations.load() - a0;
        ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    return {median(ms), percentile(ms, 95), median(cpu), percentile(cpu, 95),
            double(allocs) / rounds};
}

void set_fixed(ViewState& v)
{
    set_follow(v, 5000);
    v.fixedScale = 1;
    v.fixedYMax = 400;
    v.fixedYMin = -400;
}

struct Target {
    QImage image;
    Canvas canvas;
    DrawArea area;
    Target(int w, int h, int ppi) : image(w, h, QImage::Format_RGB32), canvas(&image)
    {
        image.fill(Qt::white);
        canvas.font.pixelsPerInch = ppi;
        area.canvas = &canvas;
        area.width = w;
        area.height = h;
    }
    void save(const QString& path)
    {
        canvas.release();
        image.save(path);
    }
};

void zoom_to(Diagramx& d, std::uint32_t first, std::uint32_t length);

// The diagram as it is on screen: picture, overview strip and scroll bar.
void save_screen(Diagramx& d, const QString& path)
{
    d.screenCanvas->release();
    d.infoCanvas->release();
    const QPixmap shot = d.host->grab();
    if (!shot.save(path))
        std::printf("could not write %s (%d x %d)\n", qPrintable(path), shot.width(),
                    shot.height());
}

void write_screen_pngs(Diagramx& d, const QString& dir)
{
    // Before the ring has wrapped: 12000 samples, following the newest.
    QWidget host;
    host.resize(1000, 560 + 57 + 36);
    Diagramx part(&host, 8, 5000, 20001);
    host.show();
    QApplication::processEvents();
    fill_signals(part, 12000);
    part.Redraw();
    save_screen(part, dir + "/screen_follow_12000.png");
    zoom_to(part, 3000, 2500);
    save_screen(part, dir + "/screen_zoom_before_wrap.png");

    // A rubber band in the middle of a drag, with the cursors shown.
    part.showTCursors = part.showYCursors = 1;
    part.view.followLatest = 1;
    part.Redraw();
    MouseData m;
    m.button = MouseButton::Left;
    m.held = Qt::LeftButton;
    m.x = 330;
    m.y = 140;
    part.PlotMouseDown(m);
    for (int i = 1; i <= 10; ++i) {
        m.x = 330 + 35 * i;
        m.y = 140 + 25 * i;
        part.PlotMouseMove(m);
    }
    save_screen(part, dir + "/screen_rubber_band.png");
    part.PlotMouseUp(m);
    save_screen(part, dir + "/screen_zoomed_to_band.png");

    // After the ring has wrapped: the full ring, zoomed near its newest end.
    fill_signals(d, 1000);
    zoom_to(d, 14000, 4000);
    save_screen(d, dir + "/screen_zoom_after_wrap.png");
    d.view.followLatest = 1;
    d.Redraw();
    save_screen(d, dir + "/screen_follow_after_wrap.png");
}

void write_pngs(Diagramx& d, const QString& dir)
{
    QDir().mkpath(dir);
    ViewState v = d.view;
    {
        Target t(1200, 700, 96);
        set_follow(v, 5000);
        d.Paint(t.area, v);
        t.save(dir + "/follow_sines.png");
    }
    {
        Target t(1200, 700, 96);
        set_zoom_all(d, v);
        d.Paint(t.area, v);
        t.save(dir + "/zoom_all.png");
    }
    {
        Target t(1200, 700, 96);
        set_fixed(v);
        d.Paint(t.area, v);
        t.save(dir + "/fixed_clipped.png");
    }
    {
        Target t(2400, 1400, 192);
        set_follow(v, 5000);
        d.Paint(t.area, v);
        t.save(dir + "/printer_192dpi.png");
    }
    {
        // A few slow samples, zoomed so that the clipping at the top edge is plain to see.
        Diagramx few(d.host, 8, 5000, 20001);
        for (int i = 0; i < 8; ++i)
            few.channelVisible[i] = i < 2;
        double values[8] = {};
        for (int i = 0; i < 21; ++i) {
            values[0] = 3000 * std::sin(i * 0.45);
            values[1] = 1500 * std::cos(i * 0.3);
            few.AddSample(i * 0.1, values, 8);
        }
        ViewState fv = few.view;
        fv.fixedScale = 1;
        fv.fixedYMax = 2000;
        fv.fixedYMin = -2000;
        Target t(800, 500, 96);
        few.Paint(t.area, fv);
        t.save(dir + "/clip_top_edge.png");

        few.Clear();
        ViewState ev = few.view;
        Target e(600, 400, 96);
        few.Paint(e.area, ev);
        e.save(dir + "/empty.png");
        Target s1(66, 300, 96);
        few.Paint(s1.area, ev);
        s1.save(dir + "/small_66x300.png");
        Target s2(300, 110, 96);
        few.Paint(s2.area, ev);
        s2.save(dir + "/small_300x110.png");
        Target s3(140, 200, 96);
        few.Paint(s3.area, ev);
        s3.save(dir + "/narrow_140x200.png");
    }
    write_screen_pngs(d, dir);
    std::printf("pictures written to %s\n", qPrintable(dir));
}

struct StepFigures {
    double median, p95, cpuMedian, paints, allocations;
};

// Times a step (a pan step or a scroll step, each ending in one Redraw) over `rounds` runs.
template <class Step>
StepFigures time_steps(Diagramx& d, int rounds, Step step)
{
    for (int i = 0; i < 5; ++i)
        step(i);
    std::vector<double> ms, cpu;
    long long allocs = 0;
    const std::uint64_t paints0 = d.paintCount();
    for (int i = 0; i < rounds; ++i) {
        const long long a0 = g_allocations.load();
        const double c0 = thread_cpu_ms();
        const auto t0 = std::chrono::steady_clock::now();
        step(i);
        const auto t1 = std::chrono::steady_clock::now();
        cpu.push_back(thread_cpu_ms() - c0);
        allocs += g_allocations.load() - a0;
        ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    const double paints = double(d.paintCount() - paints0) / rounds;
    return {median(ms), percentile(ms, 95), median(cpu), paints, double(allocs) / rounds};
}

// The window of samples first .. first + length as a zoom window, Y from -1100 to 1100.
void zoom_to(Diagramx& d, std::uint32_t first, std::uint32_t length)
{
    ViewState& v = d.view;
    const double t0 = d.samples[d.head].t;
    v.zoomTMin = t0 + first * d.samplePeriod;
    v.zoomTMax = t0 + (first + length) * d.samplePeriod;
    v.zoomYMin = -1100;
    v.zoomYMax = 1100;
    d.WindowFromZoom();
    d.Redraw();
}

// Pan and scroll steps on the screen picture (each a full repaint with the overview strip
// and the scroll bar), and the rubber band following the mouse (no repaint at all).
void zoom_pan_scroll(Diagramx& d, int rounds)
{
    std::printf("-- zoom, pan and scroll on screen, ring of %u samples\n", d.SampleCount());
    std::printf("%-36s %9s %9s %9s %9s %8s\n", "case", "median", "p95", "cpu med", "paints",
                "allocs");
    auto row = [](const char* name, const StepFigures& f) {
        std::printf("%-36s %9.3f %9.3f %9.3f %9.2f %8.1f\n", name, f.median, f.p95, f.cpuMedian,
                    f.paints, f.allocations);
    };
    // Panning to and fro by 3 pixels in T and 2 in Y: one step, one paint.
    auto pan = [&d](int i) {
        d.panLast = QPoint(600, 300);
        d.panTarget = i % 2 ? QPoint(603, 302) : QPoint(597, 298);
        d.PanStep();
    };
    zoom_to(d, 7000, 5000);
    row("pan step, 8 x 5000 shown", time_steps(d, rounds, pan));
    zoom_to(d, 7000, 5000);
    row("scroll step, 8 x 5000 shown", time_steps(d, rounds, [&d](int i) {
            d.ScrollTo(2000 + (i % 50) * 40, Diagramx::kScrollRange);
        }));
    zoom_to(d, 0, d.SampleCount() - 1);
    row("pan step, 8 x 20000 shown", time_steps(d, rounds, pan));

    // The rubber band: press, then mouse moves over the picture; no paint may happen.
    zoom_to(d, 7000, 5000);
    MouseData m;
    m.button = MouseButton::Left;
    m.held = Qt::LeftButton;
    m.x = 200;
    m.y = 120;
    d.PlotMouseDown(m);
    row("rubber band move", time_steps(d, rounds, [&d, m](int i) mutable {
            m.x = 400 + (i * 37) % 600;
            m.y = 250 + (i * 23) % 350;
            d.PlotMouseMove(m);
        }));
    d.rubberBand = 0;
    d.activeItem = nullptr;
    std::printf("(paints: Paint runs per step)\n");
}

// Pictures of hostile sample sets, each in a diagram of its own, painted like the others.
void extreme_data(int rounds, const Figures& ordinary)
{
    std::printf("-- samples at the ends of the doubles, 1200 x 700, %d rounds each\n", rounds);
    std::printf("%-36s %9s %9s %9s %9s %8s\n", "case", "median", "p95", "cpu med", "cpu p95",
                "x ordinary");
    const double tiny = 4.9406564584124654e-324;
    const double most = 1.7976931348623157e308;
    auto row = [&](const char* name, int count, bool fixed, auto sample) {
        QWidget host;
        Diagramx d(&host, 8, 5000, 20001);
        double values[8];
        for (int i = 0; i < count; ++i) {
            double t = 0;
            sample(i, t, values);
            d.AddSample(t, values, 8);
        }
        Target target(1200, 700, 96);
        ViewState v = d.view;
        set_follow(v, 20000); // every sample held, as a page of the whole diagram
        v.fixedScale = fixed;
        v.fixedYMax = 2000;
        v.fixedYMin = -2000;
        const Figures f = measure(d, target.area, v, rounds);
        std::printf("%-36s %9.3f %9.3f %9.3f %9.3f %8.1f\n", name, f.median, f.p95, f.cpuMedian,
                    f.cpuP95, f.cpuMedian / ordinary.cpuMedian);
    };
    // Two samples a denormal apart leaving the fixed range: each trace once stepped through
    // a thousand million pixels (seconds per picture).
    row("times a denormal apart, fixed scale", 2, true, [&](int i, double& t, double* v) {
        t = i * tiny;
        for (int c = 0; c < 8; ++c)
            v[c] = i ? 3000 + c : 1 + c;
    });
    row("times at both ends of the doubles", 20000, false, [&](int i, double& t, double* v) {
        t = -most + i * (most / 10000);
        for (int c = 0; c < 8; ++c)
            v[c] = std::sin(i * 0.01 + c) * 1000;
    });
    row("values at both ends of the doubles", 20000, false, [&](int i, double& t, double* v) {
        t = i * 0.001;
        for (int c = 0; c < 8; ++c)
            v[c] = (i + c) % 2 ? most : -most;
    });
    // The worst found: times back and forth across the whole window, so that every trace is
    // 20000 lines across the plot (the picture asks for every one of them).
    row("times back and forth, 8 x 20000", 20000, false, [&](int i, double& t, double* v) {
        t = i == 19999 ? 20.0 : (i % 2) * 19.99;
        for (int c = 0; c < 8; ++c)
            v[c] = ((i * 37 + c * 11) % 100) * 10.0;
    });
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QString pngDir;
    int rounds = 200;
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (a == "--png" && i + 1 < argc)
            pngDir = QString::fromLocal8Bit(argv[++i]);
        else if (a == "--rounds" && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
    }

    QWidget host;
    host.resize(1200, 700 + 57 + 36);
    Diagramx d(&host, 8, 5000, 20001);
    host.show();
    QApplication::processEvents();
    fill_signals(d, 20000);

    if (!pngDir.isEmpty()) {
        write_pngs(d, pngDir);
        return 0;
    }

    Target target(1200, 700, 96);
    ViewState v = d.view;
    std::printf("paint into a 1200 x 700 image, 8 channels, %d rounds each\n", rounds);
    std::printf("%-36s %9s %9s %9s %9s %8s\n", "case", "median", "p95", "cpu med", "cpu p95",
                "allocs");
    Figures zoomAll{};
    auto row = [&](const char* name, DrawArea& area, ViewState& view) {
        const Figures f = measure(d, area, view, rounds);
        std::printf("%-36s %9.3f %9.3f %9.3f %9.3f %8.1f\n", name, f.median, f.p95, f.cpuMedian,
                    f.cpuP95, f.allocations);
        return f;
    };
    for (int reduce = 1; reduce >= 0; --reduce) {
        d.reduceTraceColumns = reduce == 1;
        std::printf("-- traces %s\n", reduce ? "with column reduction" : "plain (every point)");
        set_follow(v, 5000);
        row("follow, 8 x 5000 shown", target.area, v);
        set_zoom_all(d, v);
        const Figures f = row("zoom, 8 x 20000 shown", target.area, v);
        if (reduce == 1)
            zoomAll = f;
        set_fixed(v);
        row("fixed scale, half clipped, 8 x 5000", target.area, v);
    }
    d.reduceTraceColumns = true;
    std::printf("-- on screen (Redraw, with the snapshot copy), picture %d x %d\n",
                d.screenArea.width, d.screenArea.height);
    set_follow(d.view, 5000);
    row("screen follow, 8 x 5000 shown", d.screenArea, d.view);

    // As in the running program, where showing the picture closes its painter between two
    // paints: the painter is opened again inside Paint.
    {
        const Figures f = [&] {
            std::vector<double> ms;
            long long allocs = 0;
            for (int i = 0; i < rounds; ++i) {
                d.screenCanvas->release();
                const long long a0 = g_allocations.load();
                const auto t0 = std::chrono::steady_clock::now();
                d.Redraw();
                const auto t1 = std::chrono::steady_clock::now();
                allocs += g_allocations.load() - a0;
                ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
            }
            return Figures{median(ms), percentile(ms, 95), 0, 0, double(allocs) / rounds};
        }();
        std::printf("%-36s %9.3f %9.3f %9s %9s %8.1f\n", "screen, painter reopened each time",
                    f.median, f.p95, "-", "-", f.allocations);
    }

    zoom_pan_scroll(d, rounds);
    std::printf("(x ordinary: thread CPU median over that of \"zoom, 8 x 20000 shown\")\n");
    extreme_data(std::max(1, rounds / 10), zoomAll);
    return 0;
}
