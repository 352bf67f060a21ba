// The saved-diagram viewer: loading files and recordings (and refusing recordings), channel
// visibility across loads, the fixed Y scale and its fields, printing from the loaded file,
// what a second opening shows.

#include "Color.h"
#include "Diagramx.h"
#include "Dmg_file.h"
#include "ImageControl.h"
#include "Load_dat.h"
#include "Modal.h"
#include "Print_box.h"
#include "Print_page.h"
#include "Recording_view.h"
#include "message_box.h"
#include "recording_maker.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

// Trace colours that nothing else in the picture uses.
constexpr std::uint32_t kTraceColours[8] = {0x2060A0, 0x20A060, 0xA02060, 0x60A020,
                                            0xA06020, 0x6020A0, 0x40C0C0, 0xC040C0};

// n samples 1 ms apart, channel c around 10 c.
std::vector<Sample> ordinary_samples(int n = 100)
{
    std::vector<Sample> rows(std::size_t(n), Sample{});
    for (int k = 0; k < n; ++k) {
        for (int c = 0; c < 8; ++c)
            rows[std::size_t(k)].value[c] = 10.0 * c + std::sin(k * 0.1 + c);
        rows[std::size_t(k)].t = k * 0.001;
    }
    return rows;
}

// Writes the samples as they stand, with the given limits, flags and names ("prefix 1" ...).
void write_samples(const QString& path, const std::vector<Sample>& rows, bool fixedScale = false,
                   const QString& prefix = {}, std::int32_t yMax = 2000, std::int32_t yMin = -2000)
{
    DmgHeader header;
    header.count = std::uint32_t(rows.size());
    for (int c = 0; c < 8; ++c) {
        header.colour[c] = kTraceColours[c];
        dmg_set_name(header.name[c],
                     prefix.isEmpty() ? QString() : prefix + ' ' + QString::number(c + 1));
    }
    header.y_max = yMax;
    header.y_min = yMin;
    header.flags = fixedScale ? 1 : 0;
    dmg_seal_header(header);
    const DmgHeaderBytes bytes = dmg_encode_header(header);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
    f.write(reinterpret_cast<const char*>(rows.data()), qint64(rows.size() * sizeof(Sample)));
}

class Viewer : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        // Every test starts as a fresh run of the program.
        viewer_y_max = 2000;
        viewer_y_min = -2000;
        viewer_flags = 0;
        viewer_fields_ready = true;
        open();
    }
    void TearDown() override
    {
        run_modal_hook = nullptr;
        close();
    }
    void open()
    {
        window = std::make_unique<TForm_load_dat>();
        Form_load_dat = window.get();
        window->show();
        QApplication::processEvents();
    }
    void close()
    {
        if (window)
            window->close();
        window.reset();
    }
    QString path(const char* name) const { return folder.filePath(QLatin1String(name)); }
    // Refresh, print and preview: only with a loaded diagram.
    void expect_file_commands(bool enabled)
    {
        for (QToolButton* b :
             {window->BitBtn_Refresh, window->BitBtn_print, window->BitBtn_preview})
            EXPECT_EQ(b->isEnabled(), enabled) << b->objectName().toStdString();
        for (QAction* a : {window->Menu_Refresh, window->Menu_print, window->Menu_Print_preview})
            EXPECT_EQ(a->isEnabled(), enabled) << a->objectName().toStdString();
    }
    Diagramx& diagram() { return *window->viewer_diagram; }
    // Lets the scale timer run until it stops by itself.
    void settle_timer()
    {
        EXPECT_TRUE(
            QTest::qWaitFor([this] { return !window->Timer_set_fix_scale->isActive(); }, 400));
    }
    void type_and_enter(QLineEdit* memo, const QString& text)
    {
        window->activateWindow();
        memo->setFocus();
        QApplication::processEvents();
        memo->selectAll();
        QTest::keyClicks(memo, text);
        QTest::keyClick(memo, Qt::Key_Return);
    }

    QTemporaryDir folder;
    MessageRecorder recorder;
    std::unique_ptr<TForm_load_dat> window;
};

} // namespace

TEST_F(Viewer, LoadShowsNamesColoursAndKeepsAHiddenChannelHidden)
{
    write_samples(path("a.dmg"), ordinary_samples(3000), false, "Pressione", 1500, -500);
    write_samples(path("b.dmg"), ordinary_samples(8000), false, "B", 1000, -1000);
    ASSERT_TRUE(window->load_file(path("a.dmg")));
    EXPECT_EQ(diagram().SampleCount(), 3000u);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(window->Panel_dat_mis[i]->caption(), QStringLiteral("Pressione %1").arg(i + 1));
        EXPECT_EQ(window->Panel_Dat_Mis_[i]->palette().color(QPalette::Window),
                  to_qcolor(kTraceColours[i]));
    }
    expect_file_commands(true);
    // Saved without the fixed scale: the fields show the limits all the same.
    EXPECT_EQ(window->Memo_asse_y_min_scale->text(), QStringLiteral("-500"));
    EXPECT_EQ(diagram().view.fixedScale, 0);

    window->CheckBox_Dat_Mis_[2]->click();
    ASSERT_TRUE(window->load_file(path("b.dmg")));
    EXPECT_FALSE(window->CheckBox_Dat_Mis_[2]->isChecked());
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(diagram().channelVisible[i], i == 2 ? 0 : 1) << i;
}

// A file saved with the fixed scale: the fields edit the limits, a second opening of the
// window shows the last ones (without a diagram), and unchecking the box ends the scale.
TEST_F(Viewer, FixedScaleFileEnablesTheFieldsWhichTheNextOpeningShowsAgain)
{
    write_samples(path("fixed.dmg"), ordinary_samples(2000), true, "F", 1200, -300);
    ASSERT_TRUE(window->load_file(path("fixed.dmg")));
    EXPECT_TRUE(window->CheckBox_scala_asse_y->isChecked());
    EXPECT_EQ(diagram().view.yMax, 1200.0); // drawn with the stored limits
    EXPECT_EQ(diagram().view.yMin, -300.0);
    settle_timer();
    type_and_enter(window->Memo_asse_y_max_scale, QStringLiteral("500"));
    EXPECT_EQ(viewer_y_max, 500);
    settle_timer();
    EXPECT_EQ(diagram().view.yMax, 500.0);

    window->Menu_Chiudi_Main->trigger();
    EXPECT_EQ(window->viewer_diagram, nullptr);
    close();
    open();
    EXPECT_EQ(window->Memo_asse_y_max_scale->text(), QStringLiteral("500"));
    EXPECT_EQ(window->Memo_asse_y_min_scale->text(), QStringLiteral("-300"));
    EXPECT_EQ(diagram().SampleCount(), 0u);
    expect_file_commands(false);

    // Unchecked: back to the automatic scale at once.
    ASSERT_TRUE(window->load_file(path("fixed.dmg")));
    window->CheckBox_scala_asse_y->click();
    EXPECT_EQ(viewer_flags & 1u, 0u);
    EXPECT_EQ(diagram().view.fixedScale, 0);
    EXPECT_NE(diagram().view.yMax, 1200.0);
}

TEST_F(Viewer, PrintingLabelsTheLegendWithTheFileNames)
{
    int previews = 0;
    QString legend[8];
    run_modal_hook = [&](QDialog& d) {
        if (dynamic_cast<TForm_Print_Box*>(&d))
            return int(TForm_Print_Box::kResultOk);
        ++previews;
        EXPECT_EQ(print_diagram, window->viewer_diagram);
        for (int i = 0; i < 8; ++i)
            legend[i] = QString::fromLatin1(print_names + i * kPrintNameSize);
        return 0;
    };
    write_samples(path("a.dmg"), ordinary_samples(1000), false, "Temperatura olio", 1000, -1000);
    ASSERT_TRUE(window->load_file(path("a.dmg")));
    window->BitBtn_previewClick();
    if (printer_names().isEmpty()) {
        ASSERT_EQ(recorder.messages().size(), 1u);
        EXPECT_EQ(recorder.messages()[0].text, QStringLiteral("Nessuna Stampante Rilevata!"));
        return;
    }
    EXPECT_EQ(previews, 1);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(legend[i], QStringLiteral("Temperatura olio %1").arg(i + 1));
    // Closing the window lets go of what printing would draw.
    close();
    EXPECT_EQ(print_diagram, nullptr);
    EXPECT_EQ(print_names, nullptr);
}

TEST_F(Viewer, CursorReadoutsComeFromTheFileNowLoaded)
{
    window->CheckBox_cursor_asseT->click();
    window->CheckBox_cursor_asseY->click();
    const auto readings = [this] {
        std::vector<double> r;
        for (int c = 0; c < 4; ++c)
            r.push_back(diagram().CursorReading(c));
        return r;
    };
    const std::vector<Sample> plain = ordinary_samples();
    std::vector<Sample> huge = plain;
    huge[10].value[3] = 1.7e308;
    huge[11].value[4] = -1.7e308;
    write_samples(path("plain.dmg"), plain);
    write_samples(path("huge.dmg"), huge);
    ASSERT_TRUE(window->load_file(path("plain.dmg")));
    const std::vector<double> fresh = readings();
    ASSERT_TRUE(window->load_file(path("huge.dmg")));
    for (double r : readings())
        EXPECT_TRUE(std::isfinite(r));
    ASSERT_TRUE(window->load_file(path("plain.dmg")));
    EXPECT_EQ(readings(), fresh);
}

// ---- Recordings --------------------------------------------------------------------------

TEST_F(Viewer, OpensARecordingWholeThroughTheDialogAndADiagramFileAfterIt)
{
    const std::uint64_t n = 300'000;
    ASSERT_TRUE(make_recording(path("long.grec").toStdString(), n, spiky_value, 0.0005));
    run_modal_hook = [&](QDialog& d) {
        auto& files = dynamic_cast<QFileDialog&>(d);
        files.setDirectory(folder.path());
        files.selectFile(QStringLiteral("long.grec"));
        return int(QDialog::Accepted);
    };
    window->BitBtn_loadClick();
    ASSERT_TRUE(window->recording());
    EXPECT_EQ(diagram().source, static_cast<const DiagramSource*>(window->recording()));

    // The whole recording, in a ring a few points per pixel column long; the automatic
    // scale saw the spikes (3000 off the waves) that few columns hold.
    EXPECT_EQ(double(n - 1) * 0.0005, diagram().view.tMax);
    EXPECT_LT(diagram().SampleCount(), 5u * std::uint32_t(diagram().plotImage->width()));
    EXPECT_GT(diagram().view.yMax, 3000);
    EXPECT_LT(diagram().view.yMin, -2900);

    // A diagram file after it: its own samples, no recording behind them.
    write_samples(path("a.dmg"), ordinary_samples(3000), false, "Pressione", 1500, -500);
    ASSERT_TRUE(window->load_file(path("a.dmg")));
    EXPECT_EQ(diagram().source, nullptr);
    EXPECT_EQ(diagram().SampleCount(), 3000u);
}

TEST_F(Viewer, RecordingsThatCannotBeShownAreRefusedAndChangeNothing)
{
    write_samples(path("a.dmg"), ordinary_samples(3000), false, "Pressione", 1500, -500);
    ASSERT_TRUE(window->load_file(path("a.dmg")));
    ASSERT_TRUE(make_recording(path("empty.grec").toStdString(), 0, spiky_value, 0.001, 7));
    {
        QFile f(path("bad.grec"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(700, 'x'));
    }
    EXPECT_FALSE(window->load_file(path("bad.grec")));
    EXPECT_FALSE(window->load_file(path("empty.grec")));
    EXPECT_EQ(recorder.messages().size(), 2u);
    EXPECT_FALSE(window->recording());
    EXPECT_EQ(diagram().SampleCount(), 3000u);

    // A diagram file refused while a recording is shown leaves the recording shown.
    ASSERT_TRUE(make_recording(path("r.grec").toStdString(), 10'000, spiky_value));
    ASSERT_TRUE(window->load_file(path("r.grec")));
    EXPECT_FALSE(window->load_file(path("bad.grec").replace(".grec", ".dmg")));
    EXPECT_EQ(diagram().source, static_cast<const DiagramSource*>(window->recording()));
}
