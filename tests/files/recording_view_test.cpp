// A recording shown through its min/max summaries: the pictures and measurements equal those
// of a diagram holding every sample, and the values at a time are read from the file.
#include "Recording_view.h"
#include "paint_support.h"
#include "recording_maker.h"
#include "recording_open.h"
#include "temp_folder.h"

#include "ChannelMeasures.h"
#include "DiagramSource.h"
#include "MeasureTable.h"

#include <QScrollBar>

#include <cmath>

namespace {

constexpr double kPeriod = 0.001;
constexpr std::uint64_t kSamples = 600'000;

struct RecordingScene {
    TempFolder folder;
    std::unique_ptr<RecordingView> view;

    explicit RecordingScene(std::uint64_t n = kSamples)
    {
        const std::string path = folder.file("r.grec");
        EXPECT_TRUE(make_recording(path, n, spiky_value, kPeriod));
        auto file = open_ok(path);
        // A small factor, so that the pictures below take whole entries from several levels.
        auto summary = RecordingSummary::build(*file, {}, {8, 256});
        view = std::make_unique<RecordingView>(std::move(file), std::move(summary));
    }
};

// A diagram holding every sample of the recording.
std::unique_ptr<DiagramHost> all_samples(std::uint64_t n)
{
    auto h = std::make_unique<DiagramHost>(600, 400, std::uint32_t(n + 1), std::uint32_t(n + 1));
    double values[8];
    for (std::uint64_t i = 0; i < n; ++i) {
        for (int c = 0; c < 8; ++c)
            values[c] = spiky_value(i, c);
        h->d->AddSample(double(i) * kPeriod, values, 8);
    }
    h->d->samplePeriod = kPeriod;
    return h;
}

// Both diagrams set to the same view and painted off screen.
struct Pictures {
    QImage reduced, all;
};
Pictures paint_both(Diagramx& source, Diagramx& all, bool whole, double t0, double t1,
                    double y0 = 0, double y1 = 0)
{
    for (Diagramx* d : {&source, &all}) {
        d->view.followLatest = whole;
        if (!whole) {
            d->view.zoomTMin = t0;
            d->view.zoomTMax = t1;
            d->view.zoomYMin = y0;
            d->view.zoomYMax = y1;
            d->WindowFromZoom();
        }
    }
    PaintTarget a(900, 480), b(900, 480);
    source.Paint(a.area, source.view);
    all.Paint(b.area, all.view);
    return {a.picture().copy(), b.picture().copy()};
}

} // namespace

// The pictures, and the figures "Misure" shows, are those of a diagram holding every sample:
// the figures of every sample in the range, not of the few points the picture was drawn from.
TEST(RecordingView, PicturesAndMeasurementsEqualThoseOfAllSamplesAtEveryZoom)
{
    RecordingScene scene;
    auto ref = all_samples(kSamples);
    DiagramHost h(600, 400);
    h.d->source = scene.view.get();
    const double end = double(kSamples - 1) * kPeriod;
    const auto name = [](int ch) { return QString::number(ch + 1); };

    struct Case {
        const char* name;
        bool whole;
        double t0, t1, y0, y1;
    } cases[] = {
        {"whole recording", true, 0, 0, 0, 0},
        {"a hundredth, Y cut through the spikes", false, 250.0, 256.0, -150, 800},
        {"single samples", false, 12.0004, 12.0213, -3500, 4000},
        {"to the end", false, end - 90, end + 5, -3500, 4000},
        {"from before the start", false, -3, 57, -3500, 4000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Pictures p = paint_both(*h.d, *ref->d, c.whole, c.t0, c.t1, c.y0, c.y1);
        EXPECT_EQ(0, count_differing(p.reduced, p.all));
        EXPECT_EQ(h.d->view.tMin, ref->d->view.tMin);
        EXPECT_EQ(h.d->view.tMax, ref->d->view.tMax);
        EXPECT_LE(h.d->SampleCount(), 4u * 900 + 20); // bounded by the width

        const TimeRange range = measured_time_range(*h.d);
        ChannelMeasure exact[8], all[8];
        ASSERT_TRUE(scene.view->Measure(range.from, range.to, 8, exact));
        measure_channels(sample_ring_of(*ref->d), 8, range.from, range.to, all);
        for (int ch = 0; ch < 8; ++ch) {
            EXPECT_EQ(all[ch].count, exact[ch].count);
            EXPECT_EQ(all[ch].min, exact[ch].min);
            EXPECT_EQ(all[ch].max, exact[ch].max);
            EXPECT_NEAR(all[ch].mean, exact[ch].mean, 1e-9 * std::fabs(all[ch].mean));
            EXPECT_NEAR(all[ch].rms, exact[ch].rms, 1e-9 * all[ch].rms);
        }
        // The window's table shows the same texts for both diagrams.
        EXPECT_EQ(measure_tsv(measure_rows(*ref->d, name)).toStdString(),
                  measure_tsv(measure_rows(*h.d, name)).toStdString());
    }
    // The whole recording held 600 000 samples: its picture took a few thousand points, and
    // the automatic range and the sample count saw every one.
    paint_both(*h.d, *ref->d, true, 0, 0);
    EXPECT_EQ(ref->d->view.yMax, h.d->view.yMax);
    EXPECT_EQ(ref->d->view.yMin, h.d->view.yMin);
    EXPECT_EQ(QString::number(kSamples), measure_rows(*h.d, name)[0].cells[ColumnSamples]);
}

TEST(RecordingView, ValuesAtATimeAreTheRecordsOwn)
{
    RecordingScene scene(50'000);
    Sample s{};
    for (std::uint64_t i : {0ull, 31'337ull, 49'999ull}) {
        ASSERT_TRUE(scene.view->SampleAt(double(i) * kPeriod + 0.0002, s));
        EXPECT_EQ(double(i) * kPeriod, s.t);
        for (int c = 0; c < 8; ++c)
            EXPECT_EQ(double(spiky_value(i, c)), s.value[c]) << i << " " << c;
    }
    ASSERT_TRUE(scene.view->SampleAt(1e9, s));
    EXPECT_EQ(double(spiky_value(49'999, 3)), s.value[3]);
    ASSERT_TRUE(scene.view->SampleAt(-5, s));
    EXPECT_EQ(0.0, s.t);
}

TEST(RecordingView, AnEmptyRecordingPaintsAnEmptyDiagram)
{
    RecordingScene scene(0);
    DiagramHost h(600, 400);
    h.d->source = scene.view.get();
    h.d->Redraw();
    EXPECT_EQ(0u, h.d->SampleCount());
    EXPECT_FALSE(h.d->scrollBar->isEnabled());
}
