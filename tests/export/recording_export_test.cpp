// Exports of a recording: the viewer's CSV holds the recording's own samples (the part shown
// or all of them), not the reduced copy the picture is drawn from; a long one shows its
// progress and can be stopped, leaving nothing behind; the command line converts a
// recording to CSV, PDF and PNG.

#include "Diagramx.h"
#include "ExportDialog.h"
#include "Load_dat.h"
#include "Modal.h"
#include "Recording_file.h"
#include "export_support.h"
#include "message_box.h"
#include "recording_maker.h"
#include "recording_open.h"

#include <QApplication>
#include <QFileDialog>
#include <QImage>
#include <QProgressDialog>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace export_test;

namespace {

constexpr double kPeriod = 0.0005;

std::int16_t wave(std::uint64_t i, int ch)
{
    return std::int16_t(std::lround(1000 * std::sin(double(i) * 0.003 + ch)) + ch);
}

// Every line of `csv` after the header equals record first + k of `file`: its time i *
// period and its eight values.
void expect_records(const std::vector<std::vector<std::string>>& lines, const RecordingFile& file,
                    std::uint64_t first, std::uint64_t rows)
{
    ASSERT_EQ(lines.size(), rows + 1);
    EXPECT_EQ(lines[0][1], "Canale 1");
    std::int16_t v[kRecordingChannels];
    for (std::uint64_t k = 0; k < rows; ++k) {
        const std::vector<std::string>& line = lines[std::size_t(k + 1)];
        ASSERT_EQ(line.size(), 9u) << k;
        double value = 0;
        ASSERT_TRUE(read_number(line[0], value));
        ASSERT_TRUE(same_double(value, double(first + k) * file.header().sample_period)) << k;
        file.values(first + k, v);
        for (std::size_t c = 0; c < 8; ++c) {
            ASSERT_TRUE(read_number(line[c + 1], value));
            ASSERT_EQ(value, v[c]) << k << ' ' << c;
        }
    }
}

class RecordingExport : public ::testing::Test {
protected:
    QTemporaryDir folder;
    MessageRecorder recorder;
    std::unique_ptr<TForm_load_dat> window;
    bool whole = false;
    QString target;

    void SetUp() override
    {
        window = std::make_unique<TForm_load_dat>();
        Form_load_dat = window.get();
        window->show();
        QApplication::processEvents();
        run_modal_hook = [this](QDialog& d) {
            if (auto* options = dynamic_cast<ExportDialog*>(&d)) {
                (whole ? options->RadioButton_grafico_completo
                       : options->RadioButton_grafico_visualiz)
                    ->setChecked(true);
                return int(QDialog::Accepted);
            }
            dynamic_cast<QFileDialog&>(d).selectFile(target);
            return int(QDialog::Accepted);
        };
    }
    void TearDown() override
    {
        run_modal_hook = nullptr;
        window->close();
        window.reset();
    }
    QString path(const char* name) const { return folder.filePath(QLatin1String(name)); }
    Diagramx& diagram() { return *window->viewer_diagram; }
    void export_csv(bool all, const QString& to)
    {
        whole = all;
        target = to;
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

    export_csv(false, path("shown.csv"));
    ASSERT_EQ(recorder.messages().size(), 1u);
    EXPECT_EQ(recorder.messages()[0].text, "Dati Esportati!");
    expect_records(parse_csv(read_all(path("shown.csv")), ','), *file, 40'000, 20'001);

    export_csv(true, path("whole.csv"));
    expect_records(parse_csv(read_all(path("whole.csv")), ','), *file, 0, n);
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
    ASSERT_EQ(recorder.messages().size(), 1u);
    EXPECT_EQ(recorder.messages()[0].text, "Dati Esportati!");
    EXPECT_EQ(read_all(path("long.csv")).count('\n'), qsizetype(n + 1));
}

TEST_F(RecordingExport, CommandLineConvertsARecording)
{
    const std::uint64_t n = 30'000;
    ASSERT_TRUE(make_recording(path("in.grec").toStdString(), n, wave, kPeriod));
    auto file = open_ok(path("in.grec").toStdString());
    ASSERT_TRUE(file);

    for (const char* separator : {",", ";"}) {
        QStringList args = {"--export-csv", "in.grec", "out.csv"};
        if (*separator == ';')
            args.insert(1, "--csv-semicolon");
        const Outcome o = run(args, folder.path());
        ASSERT_EQ(o.code, 0) << o.err.toStdString();
        EXPECT_TRUE(o.err.isEmpty()) << o.err.toStdString();
        expect_records(parse_csv(read_all(path("out.csv")), *separator), *file, 0, n);
    }

    Outcome o = run({"--export-png", "--size", "800x500", "in.grec", "out.png"}, folder.path());
    ASSERT_EQ(o.code, 0) << o.err.toStdString();
    const QImage png(path("out.png"));
    EXPECT_EQ(png.size(), QSize(800, 500));
    // The traces are drawn: the picture is not of one colour.
    const QImage rgb = png.convertToFormat(QImage::Format_RGB32);
    EXPECT_NE(rgb.pixel(0, 0), rgb.pixel(400, 250)) << "or another point off the background";

    o = run({"--export-pdf", "in.grec", "out.pdf"}, folder.path());
    ASSERT_EQ(o.code, 0) << o.err.toStdString();
    EXPECT_TRUE(read_all(path("out.pdf")).startsWith("%PDF"));

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
