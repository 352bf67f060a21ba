// Compares the paint of the diagram with QCustomPlot 2.1 (Debian's libqcustomplot-dev, the
// Qt 6 build) drawing the same picture: the same 8 channels of the same samples, axes with
// tick labels, grid, frame, title and axis titles, no legend, into an image of the same size.
//
// QCustomPlot is set up as a user tuned for speed would: adaptive sampling on, no
// antialiasing for any element, no antialiasing while dragging, fast polylines, cached labels.
// It draws through QCustomPlot::toPainter with a QCPPainter kept open on a QImage of the same
// size and format as ours: the same target and the same work as Diagramx::Paint, and no
// event loop, no pixmap made per picture (toPixmap would allocate and fill one each time).
// toPainter draws without QCustomPlot's label cache, so a second row times the path its
// users see on screen: replot(rpImmediateRefresh) of a shown widget of the same size, which
// draws into its layer buffers with the label cache and then paints the widget at once
// (that row also pays the copy of the buffers to the window, which Paint does not).
//
// The paints alternate in one process (ours, theirs, ours, ...); each case prints the
// medians of wall clock and thread CPU time, and ours over theirs beside the target 0.4x.
//
// Usage: qcp_bench [--rounds N] [--png DIR]   (QT_QPA_PLATFORM=offscreen unless set)
// --png writes each case's two pictures to DIR, to check that they show the same.

#include "Diagramx.h"
#include "paint_signals.h"
#include "stats.h"

#include <qcustomplot.h>

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr double kTarget = 0.4; // ours over theirs, thread CPU time

// The diagram's channel colours, as Qt colours.
const QColor kChannelColors[8] = {QColor(0, 128, 0),   QColor(0, 0, 255), QColor(128, 0, 0),
                                  QColor(255, 0, 0),   QColor(0, 0, 128), QColor(128, 0, 128),
                                  QColor(255, 0, 255), QColor(0, 255, 0)};

struct Case {
    const char* tag; // names the pictures --png writes
    const char* name;
    int width, height; // logical pixels
    double ratio;      // device pixel ratio
    bool follow;       // follow the newest 5000 samples; else zoom over all 20000
};

// Our picture: Diagramx::Paint into an image, as paint_bench does. At a device pixel ratio
// above 1 the diagram draws at the screen's resolution, as its window does: an image of the
// physical size, text at the matching pixels per inch, lengths scaled.
class Ours {
public:
    Ours(Diagramx& d, const Case& c)
        : d_(d), image_(int(c.width * c.ratio), int(c.height * c.ratio), QImage::Format_RGB32),
          canvas_(&image_)
    {
        image_.fill(Qt::white);
        canvas_.font.pixelsPerInch = int(96 * c.ratio);
        area_.canvas = &canvas_;
        area_.width = image_.width();
        area_.height = image_.height();
        view_ = d.view;
        if (c.follow)
            set_follow(view_, 5000);
        else
            set_zoom_all(d, view_);
    }

    void paint() { d_.Paint(area_, view_); }

    void save(const QString& path)
    {
        canvas_.release();
        image_.save(path);
    }

private:
    Diagramx& d_;
    QImage image_;
    Canvas canvas_;
    DrawArea area_;
    ViewState view_;
};

// The same samples as the diagram's, one vector of times and eight of values.
struct SampleColumns {
    QVector<double> t;
    QVector<double> value[8];
};

SampleColumns columns_of(const Diagramx& d)
{
    SampleColumns c;
    const std::uint32_t n = d.SampleCount();
    for (std::uint32_t k = 0; k < n; ++k) {
        const Sample& s = d.samples[d.RingAdd(d.head, k)];
        c.t.push_back(s.t);
        for (int i = 0; i < 8; ++i)
            c.value[i].push_back(s.value[i]);
    }
    return c;
}

// QCustomPlot set up for speed, showing what the diagram shows.
void configure(QCustomPlot& plot, const SampleColumns& data)
{
    plot.setAntialiasedElements(QCP::aeNone);
    plot.setNotAntialiasedElements(QCP::aeAll);
    plot.setNoAntialiasingOnDrag(true);
    plot.setPlottingHints(QCP::phFastPolylines | QCP::phCacheLabels | QCP::phImmediateRefresh);
    plot.setBackground(QColor(0xDD, 0xDD, 0xDD));

    plot.plotLayout()->insertRow(0);
    plot.plotLayout()->addElement(0, 0,
                                  new QCPTextElement(&plot, "Grafion",
                                                     QFont("Arial", 12, QFont::Bold)));
    auto* title = static_cast<QCPTextElement*>(plot.plotLayout()->element(0, 0));
    title->setTextColor(QColor(0, 0, 128));

    plot.axisRect()->setupFullAxesBox(false);
    plot.xAxis2->setTicks(false);
    plot.yAxis2->setTicks(false);
    for (QCPAxis* axis : {plot.xAxis, plot.yAxis}) {
        axis->setTickLabelFont(QFont("Arial", 8));
        axis->setLabelFont(QFont("Arial", 10, QFont::Bold));
        axis->setLabelColor(QColor(0, 0, 255));
        axis->grid()->setPen(QPen(QColor(128, 128, 128), 0, Qt::DotLine));
        axis->grid()->setZeroLinePen(Qt::NoPen);
        axis->setSubTicks(false);
    }
    // About as many ticks, labels and grid lines as the diagram draws at 1200 x 700.
    plot.xAxis->ticker()->setTickCount(22);
    plot.yAxis->ticker()->setTickCount(11);
    plot.xAxis->setLabel("T");
    plot.yAxis->setLabel("F( T )");
    plot.legend->setVisible(false);

    for (int i = 0; i < 8; ++i) {
        QCPGraph* g = plot.addGraph();
        g->setPen(QPen(kChannelColors[i], 0));
        g->setAdaptiveSampling(true);
        g->setData(data.t, data.value[i], true);
    }
}

// The ranges as the diagram sets them: in follow mode the newest 5000 samples and the value
// range of their visible points widened by 5 % on either side, worked out for every picture
// as the diagram does; in zoom mode all samples from -1100 to 1100.
void set_ranges(QCustomPlot& plot, const SampleColumns& data, bool follow)
{
    const int n = int(data.t.size());
    if (follow) {
        plot.xAxis->setRange(data.t[n - 5000], data.t[n - 1]);
        for (int i = 0; i < plot.graphCount(); ++i)
            plot.graph(i)->rescaleValueAxis(i > 0, true);
        plot.yAxis->scaleRange(1.1);
    } else {
        plot.xAxis->setRange(data.t[0], data.t[n - 1]);
        plot.yAxis->setRange(-1100, 1100);
    }
}

// QCustomPlot drawing through toPainter into a QImage of the same size (at a device pixel
// ratio above 1, an image of the physical size that says so: QCustomPlot draws at that ratio).
class Theirs {
public:
    Theirs(const SampleColumns& data, const Case& c)
        : data_(data), follow_(c.follow), width_(c.width), height_(c.height),
          image_(int(c.width * c.ratio), int(c.height * c.ratio), QImage::Format_RGB32)
    {
        image_.setDevicePixelRatio(c.ratio);
        configure(plot_, data);
        painter_.begin(&image_);
    }

    void paint()
    {
        set_ranges(plot_, data_, follow_);
        plot_.toPainter(&painter_, width_, height_);
    }

    void save(const QString& path)
    {
        painter_.end();
        image_.save(path);
        painter_.begin(&image_);
    }

private:
    const SampleColumns& data_;
    bool follow_;
    int width_, height_;
    QCustomPlot plot_;
    QImage image_;
    QCPPainter painter_;
};

// QCustomPlot as a shown widget: replot(rpImmediateRefresh) draws the layers into their
// buffers and paints the widget before it returns.
class TheirWidget {
public:
    TheirWidget(const SampleColumns& data, const Case& c) : data_(data), follow_(c.follow)
    {
        configure(plot_, data);
        plot_.resize(c.width, c.height);
        plot_.show();
        QApplication::processEvents();
    }

    void paint()
    {
        set_ranges(plot_, data_, follow_);
        plot_.replot(QCustomPlot::rpImmediateRefresh);
    }

    bool shown() const { return plot_.isVisible() && plot_.width() > 0; }

private:
    const SampleColumns& data_;
    bool follow_;
    QCustomPlot plot_;
};

struct Timing {
    std::vector<double> wall, cpu;
    void add(const std::function<void()>& paint)
    {
        const double c0 = thread_cpu_ms();
        const auto t0 = std::chrono::steady_clock::now();
        paint();
        const auto t1 = std::chrono::steady_clock::now();
        cpu.push_back(thread_cpu_ms() - c0);
        wall.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    double wallMedian() const { return median(wall); }
    double cpuMedian() const { return median(cpu); }
};

void print_row(const char* who, const Timing& t)
{
    std::printf("  %-34s %9.3f %9.3f\n", who, t.wallMedian(), t.cpuMedian());
}

void print_ratio(const char* what, const Timing& ours, const Timing& theirs)
{
    const double ratio = ours.cpuMedian() / theirs.cpuMedian();
    std::printf("  ours / %-27s %9.2fx (wall %.2fx), target <= %.1fx: %s\n", what, ratio,
                ours.wallMedian() / theirs.wallMedian(), kTarget,
                ratio <= kTarget ? "met" : "NOT MET");
}

void run_case(Diagramx& d, const SampleColumns& data, const Case& c, int rounds,
              const QString& pngDir)
{
    Ours ours(d, c);
    Theirs theirs(data, c);
    // The widget path only where the offscreen screen can show it: at ratio 1.
    std::unique_ptr<TheirWidget> widget;
    if (c.ratio == 1)
        widget = std::make_unique<TheirWidget>(data, c);
    if (widget && !widget->shown())
        widget.reset();

    for (int i = 0; i < 5; ++i) { // warm the font, glyph and label caches
        ours.paint();
        theirs.paint();
        if (widget)
            widget->paint();
    }
    if (!pngDir.isEmpty()) {
        const QString base = pngDir + "/" + QString::fromLatin1(c.tag);
        ours.save(base + "_ours.png");
        theirs.save(base + "_qcp.png");
    }
    Timing tOurs, tTheirs, tWidget;
    for (int i = 0; i < rounds; ++i) {
        tOurs.add([&] { ours.paint(); });
        tTheirs.add([&] { theirs.paint(); });
        if (widget)
            tWidget.add([&] { widget->paint(); });
    }
    std::printf("%s: %d x %d logical pixels, ratio %.0f, %d rounds\n", c.name, c.width, c.height,
                c.ratio, rounds);
    std::printf("  %-34s %9s %9s\n", "", "wall ms", "cpu ms");
    print_row("ours: Diagramx::Paint", tOurs);
    print_row("QCustomPlot: toPainter on QImage", tTheirs);
    if (widget)
        print_row("QCustomPlot: widget replot", tWidget);
    print_ratio("toPainter", tOurs, tTheirs);
    if (widget)
        print_ratio("widget replot", tOurs, tWidget);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int rounds = 100;
    QString pngDir;
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (a == "--rounds" && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else if (a == "--png" && i + 1 < argc)
            pngDir = QString::fromLocal8Bit(argv[++i]);
        else {
            std::fprintf(stderr, "usage: qcp_bench [--rounds N] [--png DIR]\n");
            return 2;
        }
    }
    if (!pngDir.isEmpty())
        QDir().mkpath(pngDir);

    QWidget host;
    host.resize(1200, 700 + 57 + 36);
    Diagramx d(&host, 8, 5000, 20001);
    host.show();
    QApplication::processEvents();
    fill_signals(d, 20000);
    const SampleColumns data = columns_of(d);

    std::printf("QCustomPlot %s; ours over theirs is thread CPU time (medians)\n",
                QCUSTOMPLOT_VERSION_STR);
    const Case cases[] = {
        {"a_follow_1200", "(a) follow, 8 x 5000 shown", 1200, 700, 1, true},
        {"b_zoom_1200", "(b) zoom, 8 x 20000 shown", 1200, 700, 1, false},
        {"c_zoom_1920", "(c) zoom, 8 x 20000 shown", 1920, 1080, 1, false},
        {"d_zoom_1200_ratio2", "(d) zoom, 8 x 20000 shown", 1200, 700, 2, false},
    };
    for (const Case& c : cases)
        run_case(d, data, c, rounds, pngDir);
    return 0;
}
