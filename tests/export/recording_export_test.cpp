// Exports of a recording: the viewer's CSV holds the recording's own samples (the part shown
// or all of them), not the reduced copy the picture is drawn from; a long one shows its
// progress and can be stopped, leaving nothing behind; the command line converts a
// recording to CSV.

#include "Recording_file.h"
#include "export_support.h"
#include "recording_maker.h"
#include "recording_open.h"

#include <QApplication>
#include <QProgressDialog>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace export_test;

namespace {

constexpr double kPeriod = 0.0005;

std::int16_t wave(std::uint64_t i, int ch)
{
    return std::int16_t(std::lround(1000 * std::sin(double(i) * 0.003 + ch)) + ch);
}

// The recording's records as samples: record i at time i * period, with its eight values.
std::vector<Sample> records(const RecordingFile& file)
{
    std::vector<Sample> rows(file.count(), Sample{});
    std::int16_t v[kRecordingChannels];
    for (std::uint64_t i = 0; i < file.count(); ++i) {
        file.values(i, v);
        rows[i].t = double(i) * file.header().sample_period;
        std::copy(v, v + 8, rows[i].value);
    }
    return rows;
}

const QStringList kChannels = {"Canale 1", "Canale 2", "Canale 3", "Canale 4",
                               "Canale 5", "Canale 6", "Canale 7", "Canale 8"};

class RecordingExport : public ViewerFixture {
protected:
    void export_csv(bool all, const QString& to)
    {
        answers.whole = all;
        answers.file = to;
        window->Menu_Esporta_CSVClick();
    }
};

TEST_F(RecordingExport, CsvHoldsTheRecordsOfThePartShownOrOfTheWholeRecording)
{
    const std::uint64_t n = 200'000;
    ASSERT_TRUE(make_recording(path("in.grec").toStdString(), n, wave, kPeriod));
    ASSERT_TRUE(window->load_file(path("in.grec")));
    // Zoomed to 20 .. 30 s: records 40000 .. 60000, far more than the picture's points.
    diagram().view.zoomTMin = 20.0;
    diagram().view.zoomTMax = 30.0;
    diagram().WindowFromZoom();
    diagram().Redraw();
    ASSERT_LT(diagram().SampleCount(), 10'000u);
    auto file = open_ok(path("in.grec").toStdString());
    ASSERT_TRUE(file);
    const std::vector<Sample> rows = records(*file);

    export_csv(false, path("shown.csv"));
    expect_one_message("Dati Esportati!", "Esportazione");
    expect_rows(parse_csv(read_all(path("shown.csv")), ','), kChannels, &rows[40'000], 20'001);
    export_csv(true, path("whole.csv"));
    expect_rows(parse_csv(read_all(path("whole.csv")), ','), kChannels, rows.data(), n);
}

TEST_F(RecordingExport, ALongCsvShowsItsProgressAndStoppedLeavesNothing)
{
    const std::uint64_t n = 1'100'000;
    ASSERT_TRUE(make_recording(path("long.grec").toStdString(), n, wave, kPeriod));
    ASSERT_TRUE(window->load_file(path("long.grec")));
    const QStringList before = entries(folder.path());

    // "Annulla" as soon as the progress window is up.
    bool seen = false;
    QTimer cancel;
    QObject::connect(&cancel, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* progress = qobject_cast<QProgressDialog*>(w);
                progress && progress->isVisible()) {
                EXPECT_EQ(progress->labelText(), "Esportazione in corso...");
                seen = true;
                progress->cancel();
            }
    });
    cancel.start(0);
    export_csv(true, path("long.csv"));
    cancel.stop();
    EXPECT_TRUE(seen);
    EXPECT_TRUE(recorder.messages().empty());
    EXPECT_EQ(entries(folder.path()), before);

    export_csv(true, path("long.csv"));
    expect_one_message("Dati Esportati!", "Esportazione");
    EXPECT_EQ(read_all(path("long.csv")).count('\n'), qsizetype(n + 1));
}

TEST_F(RecordingExport, CommandLineConvertsARecording)
{
    const std::uint64_t n = 30'000;
    ASSERT_TRUE(make_recording(path("in.grec").toStdString(), n, wave, kPeriod));
    auto file = open_ok(path("in.grec").toStdString());
    ASSERT_TRUE(file);
    const std::vector<Sample> rows = records(*file);
    Outcome o = run({"--export-csv", "in.grec", "out.csv"}, folder.path());
    ASSERT_EQ(o.code, 0) << o.err.toStdString();
    EXPECT_TRUE(o.err.isEmpty()) << o.err.toStdString();
    expect_rows(parse_csv(read_all(path("out.csv")), ','), kChannels, rows.data(), n);

    // A file that is neither a recording nor a diagram file.
    QFile bad(path("bad.grec"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("GRAFREC\0 and then nothing a recording holds", 44);
    bad.close();
    o = run({"--export-csv", "bad.grec", "bad.csv"}, folder.path());
    EXPECT_EQ(o.code, 1);
    EXPECT_TRUE(o.err.startsWith("grafion: cannot read")) << o.err.toStdString();
    EXPECT_FALSE(QFile::exists(path("bad.csv")));
}

} // namespace
